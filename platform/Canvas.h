#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include "CanvasObjects.h"
#include "CanvasPainter.h"
#include "CanvasTypes.h"
#include "Color.h"

// A drawing surface with the window system's semantics over QPainter: rectangles exclude their
// right and bottom edges, LineTo leaves out its end point, text is placed by its top-left corner,
// clipping is kept in device pixels, and the window origin shifts all logical coordinates.
//
// Every drawing call puts the canvas's own state (pen, brush, font, pen mode or the copy mode
// the call draws with) on the painter before it draws: nothing one routine left on the
// painter reaches the next call or the next paint.
//
// The canvas either owns its picture (a 32-bit image it can resize, like a bitmap) or paints on
// an image or device someone else owns, which must outlive the canvas. Pixel access is there
// only when the surface is an image.
class TCanvas
{
public:
    // An owned image of the given size (0 x 0 allowed).
    explicit TCanvas(int width = 0, int height = 0, QImage::Format format = QImage::Format_RGB32);
    // Paints on an image owned by the caller.
    explicit TCanvas(QImage *image);
    // Paints on any device (a widget during its paint event, a picture, a printer).
    explicit TCanvas(QPaintDevice *device);
    ~TCanvas();

    TCanvas(const TCanvas &) = delete;
    TCanvas &operator=(const TCanvas &) = delete;

    // ---- the surface
    int Width() const;
    int Height() const;
    // Resizes an owned image; the content is undefined afterwards (as a bitmap's is).
    void SetSize(int width, int height);
    bool OwnsImage() const { return FOwned != nullptr; }
    // The image drawn on, or null for other devices.
    QImage *Image() const { return FImage; }
    QPaintDevice *Device() const { return FDevice; }
    // Resolution the fonts are sized for.
    int PixelsPerInch() const;
    // A picture that stands in for another surface (a part of a page) sizes its fonts and
    // shapes for that surface's resolution; 0 goes back to the device's own.
    void SetPixelsPerInch(int value);
    // Whether the pen modes that combine with what lies below reach the surface. Printers and
    // recorded pages drop them: what is drawn that way must be composed in a picture first.
    bool KeepsRasterOps() const;

    // ---- drawing objects
    TPen &Pen() { return FPen; }
    TBrush &Brush() { return FBrush; }
    TFont &Font() { return FFont; }

    // ---- text colours and background
    TBkMode BkMode() const;
    void SetBkMode(TBkMode mode);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color);
    // The font colour unless SetTextColor chose another since the font last changed.
    TColor TextColor() const;
    void SetTextColor(TColor color);

    // ---- coordinates and clipping
    QPoint WindowOrg() const { return FWindowOrg; }
    // The logical point that maps to device (0, 0).
    void SetWindowOrg(QPoint origin);
    void SetWindowOrg(int x, int y) { SetWindowOrg(QPoint(x, y)); }
    QPoint BrushOrg() const { return FBrushOrg; }
    void SetBrushOrg(QPoint origin) { FBrushOrg = origin; }
    QPoint LogicalToDevice(QPoint p) const { return p - FWindowOrg; }
    QPoint DeviceToLogical(QPoint p) const { return p + FWindowOrg; }

    // The bounding box of the clip region in logical coordinates (the whole surface without one).
    QRect ClipRect() const;
    bool HasClip() const { return FHasClip; }
    // The clip region in device pixels, or the surface when there is none.
    QRegion ClipRegion() const;
    // Replaces the clip by a region in device pixels; an empty optional removes it.
    void SelectClipRegion(const QRegion &deviceRegion);
    void RemoveClip();
    // Intersects the clip with a rectangle in logical coordinates.
    void IntersectClipRect(const QRect &r);
    // Whether any part of the logical rectangle lies inside the clip and the surface.
    bool RectVisible(const QRect &r) const;

    // Saves origins, clip, text colours and the drawing objects; RestoreDC brings back the last.
    void SaveDC();
    void RestoreDC();

    // ---- lines and shapes (pen mode applies to them)
    QPoint PenPos() const { return FPenPos; }
    void MoveTo(int x, int y) { FPenPos = QPoint(x, y); }
    void LineTo(int x, int y);
    void Polygon(const QPolygon &points);
    void Rectangle(const QRect &r);
    void Rectangle(int left, int top, int right, int bottom) { Rectangle(MakeRect(left, top, right, bottom)); }
    void RoundRect(const QRect &r, int cornerWidth, int cornerHeight);
    void Ellipse(const QRect &r);
    void Ellipse(int left, int top, int right, int bottom) { Ellipse(MakeRect(left, top, right, bottom)); }
    // Brush only.
    void FillRect(const QRect &r);
    // A one-pixel frame in the brush.
    void FrameRect(const QRect &r);
    // The dotted focus frame: every other pixel of a one-pixel frame is combined by exclusive-or
    // with the text colour (pattern bit clear) or the background colour (bit set), so that a
    // second call removes it. The pattern is anchored at the device origin.
    void DrawFocusRect(const QRect &r);
    // Raised, sunken, etched or bump borders in the system's 3D colours; BF_ADJUST shrinks r.
    bool DrawEdge(QRect &r, uint edge, uint flags);

    // ---- pixels (image surfaces only; others read as clBlack)
    TColor Pixel(int x, int y) const;

    // ---- pictures
    void Draw(int x, int y, const QImage &image);
    // Copies srcRect of another canvas (logical there) into destRect (logical here).
    void CopyRect(const QRect &destRect, TCanvas &source, const QRect &srcRect);

    // ---- text
    void TextOut(int x, int y, const QString &text);
    int TextWidth(const QString &text);
    int TextHeight(const QString &text);
    // The line height of the font (ascent + descent).
    int FontHeight();
    // Formatted text in a rectangle (DT_* flags). With DT_CALCRECT only r is changed.
    // Returns the height of the text.
    int DrawText(const QString &text, QRect &r, uint flags);

    // The painter with pen, brush and font applied and the composition of the pen mode, for
    // drawing that has no counterpart here (styles, paths). The returned guard gives the
    // canvas its state back when it goes out of scope.
    TCanvasPainter Painter();
    // The painter for pictures and plain colour fills alone, drawn over what lies below at the
    // opacity the caller sets; none of the canvas's drawing objects are put on it.
    TCanvasImagePainter ImagePainter();

private:
    friend class TCanvasPainter;
    struct TSavedState;
    QPainter *BeginRawPainting();
    void EndRawPainting(quint64 placement);
    void Begin();
    void End();
    void Init();
    void ApplyClip();
    void ApplyPenMode();
    void ResetCompositionMode();
    // Pen, brush and pen mode of the canvas on the painter, for the shapes Qt outlines.
    void ApplyShapeState();
    QColor TextQColor() const;
    QColor PenQColor() const;
    QBrush MakeBrush() const;
    bool BrushVisible() const { return FBrush.Style() != bsClear; }
    void FillWithBrush(const QRect &r);
    void FillSolid(const QRect &r, const QColor &color);
    void PlotLine(QPoint from, QPoint to);
    void DrawTextLine(int x, int y, const QString &text, int underlineIndex);
    void XorPatternSpan(const QRect &deviceRect);
    QFont CurrentQFont();
    const QFontMetrics &Metrics();

    std::unique_ptr<QImage> FOwned;
    QImage *FImage = nullptr;
    QPaintDevice *FDevice = nullptr;
    QPainter FPainter;
    int FPixelsPerInch = 0; // set by SetPixelsPerInch; 0: the device's

    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    quint64 FFontVersion = 0;
    QFont FQFont;
    std::optional<QFontMetrics> FMetrics;
    // What the Qt font was made from: a change of colour alone keeps font and metrics.
    TFontShape FFontShape;
    int FAscent = 0;
    int FDescent = 0;

    TBkMode FBkMode = bkOpaque;
    TColor FBkColor = clWhite;
    quint64 FBrushVersionForBk = 0;
    TColor FTextColor = clBlack;
    quint64 FFontVersionForText = 0;
    bool FTextColorSet = false;

    QPoint FWindowOrg;
    QPoint FBrushOrg;
    QPoint FPenPos;
    bool FHasClip = false;
    QRegion FClip; // device pixels
    // Counts changes of origin and clip, so that a raw painter knows whether to set them again.
    quint64 FPlacementVersion = 0;
    std::vector<TSavedState> FSaved;
};
