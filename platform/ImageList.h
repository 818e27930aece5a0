#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QImage>

#include "Color.h"

class TCanvas;

// Drawing style flags of one image-list draw (the window system's values, so that an overlay
// number can be packed into bits 8..11 as callers expect).
inline constexpr uint ILD_NORMAL = 0x0;
inline constexpr uint ILD_TRANSPARENT = 0x1;
inline constexpr uint ILD_BLEND25 = 0x2;
inline constexpr uint ILD_FOCUS = ILD_BLEND25;
inline constexpr uint ILD_BLEND50 = 0x4;
inline constexpr uint ILD_SELECTED = ILD_BLEND50;
inline constexpr uint ILD_BLEND = ILD_BLEND50;
inline constexpr uint ILD_MASK = 0x10;
inline constexpr uint ILD_IMAGE = 0x20;
inline constexpr uint ILD_OVERLAYMASK = 0xF00;
// Overlay number 1..15 into the style (overlay index + 1, 0 = none).
inline constexpr uint IndexToOverlayMask(int overlay) { return uint(overlay & 0xF) << 8; }

// The image list's own colour values for "none" and "default".
inline constexpr quint32 CLR_NONE = 0xFFFFFFFFu;
inline constexpr quint32 CLR_DEFAULT = 0xFF000000u;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// Images of one size with a mask each. Pixels of the mask colour become transparent when an
// image is added masked; background and blend colours apply when drawing.
class TImageList
{
public:
    explicit TImageList(int width = 16, int height = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // A new size drops every image.
    void SetSize(int width, int height);
    int Count() const { return int(FImages.size()); }

    void Clear();
    // Adds the image cut into Width-wide pieces (at least one); pixels of maskColor become
    // transparent. Returns the index of the first new image.
    int AddMasked(const QImage &image, TColor maskColor);
    // Adds the image with its own alpha channel as mask.
    int Add(const QImage &image);
    void Delete(int index);

    // The image with transparent pixels where the mask is set (ARGB32), or a null image.
    QImage GetImage(int index) const;
    // White where transparent, black where the image shows.
    QImage GetMask(int index) const;

    // Makes image imageIndex the overlay with number overlay (0..14).
    bool Overlay(int imageIndex, int overlay);
    int OverlayImage(int overlay) const;

    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor value);
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor value);
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle value);
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType value);

    // Draws with the list's drawing style, image type and colours.
    void Draw(TCanvas &canvas, int x, int y, int index, bool enabled = true) const;
    void Draw(TCanvas &canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
              bool enabled = true) const;
    // Full control: ILD_* style with overlay bits; background clNone = transparent, clDefault =
    // the list's; blend colour clNone = blend with what lies below, clDefault = highlight.
    // A disabled image is drawn as an embossed silhouette.
    void DrawEx(TCanvas &canvas, int x, int y, int index, uint style, TColor background, TColor blend,
                bool enabled = true) const;

    // Listeners told about every change; the number removes the listener again.
    int AddChangeLink(std::function<void()> onChange);
    void RemoveChangeLink(int id);

private:
    void Changed();
    QImage Piece(const QImage &source, int x) const;

    int FWidth;
    int FHeight;
    std::vector<QImage> FImages; // ARGB32, alpha 0 where masked
    std::map<int, int> FOverlays; // overlay number -> image index
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    TImageType FImageType = itImage;
    std::map<int, std::function<void()>> FLinks;
    int FNextLink = 1;
};
