#include "CanvasObjects.h"

#include <cmath>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

void TGraphicsObject::Changed()
{
    ++FVersion;
    if (OnChange)
        OnChange(this);
}

// ---- TPen

void TPen::SetColor(TColor value)
{
    Update(FColor, value);
}

void TPen::SetWidth(int value)
{
    Update(FWidth, qMax(value, 0));
}

void TPen::SetStyle(TPenStyle value)
{
    Update(FStyle, value);
}

void TPen::SetMode(TPenMode value)
{
    Update(FMode, value);
}

void TPen::Assign(const TPen &source)
{
    FColor = source.FColor;
    FWidth = source.FWidth;
    FStyle = source.FStyle;
    FMode = source.FMode;
    Changed();
}

// ---- TBrush

void TBrush::SetColor(TColor value)
{
    // Picking a colour for a clear brush makes it solid again, as the class library did.
    if (FColor != value || FStyle == bsClear) {
        FColor = value;
        if (FStyle == bsClear)
            FStyle = bsSolid;
        Changed();
    }
}

void TBrush::SetStyle(TBrushStyle value)
{
    Update(FStyle, value);
}

void TBrush::SetBitmap(const QImage &value)
{
    FBitmap = value.isNull() ? QImage() : value.copy(0, 0, 8, 8).convertToFormat(QImage::Format_RGB32);
    FHasMono = false;
    Changed();
}

void TBrush::SetMonoPattern(const TMonoPattern &rows)
{
    FMono = rows;
    FHasMono = true;
    FBitmap = QImage();
    Changed();
}

void TBrush::Assign(const TBrush &source)
{
    FColor = source.FColor;
    FStyle = source.FStyle;
    FBitmap = source.FBitmap;
    FMono = source.FMono;
    FHasMono = source.FHasMono;
    Changed();
}

// ---- TFont

TFont::TFont()
    : FPixelsPerInch(ScreenPixelsPerInch())
{
    const QFont app = QGuiApplication::font();
    FName = app.family();
    // 8 points at the screen's resolution, the class library's default size.
    FHeight = -((8 * FPixelsPerInch + 36) / 72);
}

int TFont::ScreenPixelsPerInch()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const int dpi = qRound(screen->logicalDotsPerInchY());
            if (dpi > 0)
                return dpi;
        }
    }
    return 96;
}

void TFont::SetName(const QString &value)
{
    Update(FName, value);
}

void TFont::SetHeight(int value)
{
    Update(FHeight, value);
}

int TFont::Size() const
{
    // Size = -Height * 72 / ppi, rounded half away from zero as MulDiv does.
    const int num = -FHeight * 72;
    const int den = FPixelsPerInch;
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

void TFont::SetSize(int points)
{
    const int num = points * FPixelsPerInch;
    SetHeight(num >= 0 ? -((num + 36) / 72) : (-num + 36) / 72);
}

void TFont::SetPixelsPerInch(int value)
{
    if (value > 0 && value != FPixelsPerInch) {
        FPixelsPerInch = value;
        Changed();
    }
}

void TFont::SetColor(TColor value)
{
    Update(FColor, value);
}

void TFont::SetStyle(TFontStyles value)
{
    Update(FStyle, value);
}

void TFont::SetOrientation(int value)
{
    Update(FOrientation, value);
}

void TFont::SetQuality(TFontQuality value)
{
    Update(FQuality, value);
}

void TFont::Assign(const TFont &source)
{
    FName = source.FName;
    FHeight = source.FHeight;
    FPixelsPerInch = source.FPixelsPerInch;
    FColor = source.FColor;
    FStyle = source.FStyle;
    FOrientation = source.FOrientation;
    FQuality = source.FQuality;
    Changed();
}

void TFont::Assign(const QFont &source)
{
    FName = source.family();
    if (source.pixelSize() > 0)
        FHeight = -source.pixelSize();
    else
        FHeight = -qRound(source.pointSizeF() * FPixelsPerInch / 72.0);
    TFontStyles style;
    if (source.bold())
        style |= fsBold;
    if (source.italic())
        style |= fsItalic;
    if (source.underline())
        style |= fsUnderline;
    if (source.strikeOut())
        style |= fsStrikeOut;
    FStyle = style;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont f(FName);
    int pixels = FHeight < 0 ? -FHeight : FHeight;
    if (pixels == 0)
        pixels = (8 * FPixelsPerInch + 36) / 72;
    f.setPixelSize(pixels);
    if (FHeight > 0) {
        // A positive height is the cell height: scale the em size so that the cell fits.
        const int cell = QFontMetrics(f).height();
        if (cell > 0 && cell != FHeight)
            f.setPixelSize(qMax(1, int(std::lround(double(pixels) * FHeight / cell))));
    }
    f.setBold(FStyle.testFlag(fsBold));
    f.setItalic(FStyle.testFlag(fsItalic));
    f.setUnderline(FStyle.testFlag(fsUnderline));
    f.setStrikeOut(FStyle.testFlag(fsStrikeOut));
    switch (FQuality) {
    case fqNonAntialiased:
    case fqDraft:
        f.setStyleStrategy(QFont::NoAntialias);
        break;
    case fqAntialiased:
    case fqClearType:
        f.setStyleStrategy(QFont::PreferAntialias);
        break;
    default:
        break;
    }
    return f;
}
