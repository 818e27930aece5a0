#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QFlags>
#include <QFont>
#include <QHashFunctions>
#include <QImage>
#include <QString>

#include "Color.h"

// Pen, brush and font of a canvas. Each change bumps a version (the canvas compares it before
// drawing) and fires OnChange for whoever else follows the object.
class TGraphicsObject
{
public:
    virtual ~TGraphicsObject() = default;
    std::function<void(TGraphicsObject *sender)> OnChange;
    quint64 Version() const { return FVersion; }

protected:
    void Changed();
    // Stores a new value of a field and tells of the change, when there is one.
    template <typename T>
    void Update(T &field, const T &value)
    {
        if (field != value) {
            field = value;
            Changed();
        }
    }

private:
    quint64 FVersion = 1;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// The binary raster operations of the pen; the names say what the pixel becomes.
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject
{
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Width() const { return FWidth; }
    void SetWidth(int value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode value);
    void Assign(const TPen &source);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// An 8 x 8 one-bit pattern, one byte per row, the leftmost pixel in the high bit.
using TMonoPattern = std::array<std::uint8_t, 8>;

class TBrush : public TGraphicsObject
{
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);

    // A colour pattern (the top-left 8 x 8 pixels are used); a null image removes it.
    const QImage &Bitmap() const { return FBitmap; }
    void SetBitmap(const QImage &value);
    // A one-bit pattern: clear bits take the text colour, set bits the background colour,
    // both as the canvas has them when it fills.
    bool HasMonoPattern() const { return FHasMono; }
    const TMonoPattern &MonoPattern() const { return FMono; }
    void SetMonoPattern(const TMonoPattern &rows);

    void Assign(const TBrush &source);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    QImage FBitmap;
    TMonoPattern FMono{};
    bool FHasMono = false;
};

enum TFontStyle { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };

// What decides how text in a font is shaped and measured: all but colour and orientation.
// Fonts of one shape measure alike.
struct TFontShape {
    QString Name;
    int Height = 0;
    int PixelsPerInch = 0;
    int Style = 0;
    int Quality = 0;
    bool operator==(const TFontShape &) const = default;
};

inline size_t qHash(const TFontShape &key, size_t seed = 0)
{
    return qHashMulti(seed, key.Name, key.Height, key.PixelsPerInch, key.Style, key.Quality);
}

// A font as the window system describes it: Height in pixels (negative: the character height
// without internal leading, positive: the cell height), Size in points at PixelsPerInch.
class TFont : public TGraphicsObject
{
public:
    TFont();

    QString Name() const { return FName; }
    void SetName(const QString &value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Size() const;
    void SetSize(int points);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    // Angle of the baseline in tenths of a degree, counter-clockwise.
    int Orientation() const { return FOrientation; }
    void SetOrientation(int value);
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality value);

    void Assign(const TFont &source);
    TFontShape Shape() const
    {
        return TFontShape{FName, FHeight, FPixelsPerInch, int(FStyle), int(FQuality)};
    }
    // Whether the font has that shape (names are usually one shared string: where they point
    // is compared first).
    bool HasShape(const TFontShape &shape) const
    {
        return FHeight == shape.Height && FPixelsPerInch == shape.PixelsPerInch && int(FStyle) == shape.Style
               && int(FQuality) == shape.Quality
               && (FName.constData() == shape.Name.constData() || FName == shape.Name);
    }
    // Takes family, size and style of a Qt font (the colour stays).
    void Assign(const QFont &source);
    // The Qt font to draw with (the orientation is applied by the canvas).
    QFont ToQFont() const;

    static int ScreenPixelsPerInch();

private:
    QString FName;
    int FHeight = -11;
    int FPixelsPerInch = 96;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    int FOrientation = 0;
    TFontQuality FQuality = fqDefault;
};
