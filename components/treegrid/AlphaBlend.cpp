#include "treegrid/AlphaBlend.h"

#include <algorithm>
#include <limits>

#include "Canvas.h"
#include "treegrid/TreeGridTypes.h"

namespace {

inline int ClampAlpha(int alpha)
{
    return std::clamp(alpha, 0, 256);
}

// The bias is a signed 16-bit quantity in the vector code.
inline int ClampBias(int bias)
{
    return std::clamp(bias, int(std::numeric_limits<std::int16_t>::min()),
                      int(std::numeric_limits<std::int16_t>::max()));
}

// ((alpha * (S - D) + 256 * D) >> 8) + bias, saturated to a byte. With alpha in 0..256 the
// intermediate stays within 16 unsigned bits.
inline std::uint8_t BlendChannel(int s, int d, int alpha, int bias)
{
    const int mixed = (alpha * (s - d) + 256 * d) >> 8;
    return std::uint8_t(std::clamp(mixed + bias, 0, 255));
}

} // namespace

bool HasMMX()
{
    return true;
}

void EMMS()
{
}

void AlphaBlendLineConstant(const std::uint8_t *source, std::uint8_t *destination, int count, int constantAlpha,
                            int bias)
{
    const int alpha = ClampAlpha(constantAlpha);
    bias = ClampBias(bias);
    for (int i = 0; i < count * 4; ++i)
        destination[i] = BlendChannel(source[i], destination[i], alpha, bias);
}

void AlphaBlendLinePerPixel(const std::uint8_t *source, std::uint8_t *destination, int count, int bias)
{
    bias = ClampBias(bias);
    for (int p = 0; p < count; ++p, source += 4, destination += 4) {
        const int alpha = source[3];
        for (int c = 0; c < 4; ++c)
            destination[c] = BlendChannel(source[c], destination[c], alpha, bias);
    }
}

void AlphaBlendLineMaster(const std::uint8_t *source, std::uint8_t *destination, int count, int constantAlpha,
                          int bias)
{
    const int master = ClampAlpha(constantAlpha);
    bias = ClampBias(bias);
    for (int p = 0; p < count; ++p, source += 4, destination += 4) {
        const int alpha = (source[3] * master) >> 8;
        for (int c = 0; c < 4; ++c)
            destination[c] = BlendChannel(source[c], destination[c], alpha, bias);
    }
}

void AlphaBlendLineMasterAndColor(std::uint8_t *destination, int count, int constantAlpha, TColor color)
{
    const int alpha = ClampAlpha(constantAlpha);
    // Pixel byte order is blue, green, red, alpha; the colour is $BBGGRR.
    const int channel[4] = {GetBValue(color) * alpha, GetGValue(color) * alpha, GetRValue(color) * alpha, 0};
    const int keep = 256 - alpha;
    for (int p = 0; p < count; ++p, destination += 4)
        for (int c = 0; c < 4; ++c)
            destination[c] = std::uint8_t((destination[c] * keep + channel[c]) >> 8);
}

std::uint8_t *CalculateScanline(std::uint8_t *bits, int width, int height, int row)
{
    const qsizetype rowBytes = qsizetype(width) * 4;
    if (height > 0)
        return bits + qsizetype(height - row - 1) * rowBytes;
    return bits + qsizetype(row) * rowBytes;
}

void AlphaBlendBits(const std::uint8_t *sourceBits, int sourceWidth, int sourceHeight, std::uint8_t *destBits,
                    int destWidth, int destHeight, const QRect &R, QPoint target, TBlendMode mode,
                    int constantAlpha, int bias)
{
    if (!destBits || R.width() <= 0 || R.height() <= 0)
        return;
    const int dstH = std::abs(destHeight);

    if (mode == bmConstantAlphaAndColor) {
        const int x0 = std::max(R.left(), 0), x1 = std::min(R.left() + R.width(), destWidth);
        const int y0 = std::max(R.top(), 0), y1 = std::min(R.top() + R.height(), dstH);
        if (x1 <= x0)
            return;
        for (int y = y0; y < y1; ++y)
            AlphaBlendLineMasterAndColor(CalculateScanline(destBits, destWidth, destHeight, y) + x0 * 4, x1 - x0,
                                         constantAlpha, TColor(bias));
        EMMS();
        return;
    }

    if (!sourceBits)
        return;
    const int srcH = std::abs(sourceHeight);
    // Columns where the lines start. Master alpha reads its lines from Target.X on and writes
    // them from the destination's left edge.
    const int srcX = mode == bmMasterAlpha ? target.x() : R.left();
    const int dstX = mode == bmMasterAlpha ? 0 : target.x();
    // Offsets into R that stay inside both blocks.
    const int ox0 = std::max({0, -srcX, -dstX});
    const int ox1 = std::min({R.width(), sourceWidth - srcX, destWidth - dstX});
    const int oy0 = std::max({0, -R.top(), -target.y()});
    const int oy1 = std::min({R.height(), srcH - R.top(), dstH - target.y()});
    if (ox1 <= ox0 || oy1 <= oy0)
        return;
    const int count = ox1 - ox0;
    auto *src = const_cast<std::uint8_t *>(sourceBits);
    for (int oy = oy0; oy < oy1; ++oy) {
        const std::uint8_t *s = CalculateScanline(src, sourceWidth, sourceHeight, R.top() + oy) + (srcX + ox0) * 4;
        std::uint8_t *d = CalculateScanline(destBits, destWidth, destHeight, target.y() + oy) + (dstX + ox0) * 4;
        switch (mode) {
        case bmConstantAlpha: AlphaBlendLineConstant(s, d, count, constantAlpha, bias); break;
        case bmPerPixelAlpha: AlphaBlendLinePerPixel(s, d, count, bias); break;
        case bmMasterAlpha: AlphaBlendLineMaster(s, d, count, constantAlpha, bias); break;
        default: break;
        }
    }
    EMMS();
}

namespace {

void CheckFormat(const QImage *image)
{
    if (image && image->depth() != 32)
        throw ETreeGridError(QStringLiteral("Alpha blending error: bitmap must use 32 bpp."), 0);
}

void ForceOpaque(QImage *image, const QRect &area)
{
    const QRect r = area.intersected(image->rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image->scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            row[x] |= 0xFF000000u;
    }
}

} // namespace

void AlphaBlend(const QImage *source, QImage *destination, const QRect &R, QPoint target, TBlendMode mode,
                int constantAlpha, int bias)
{
    if (!destination || destination->isNull())
        throw ETreeGridError(QStringLiteral("Alpha blending DC error: no bitmap available."), 0);
    CheckFormat(destination);
    if (mode != bmConstantAlphaAndColor) {
        if (!source || source->isNull())
            throw ETreeGridError(QStringLiteral("Alpha blending DC error: no bitmap available."), 0);
        CheckFormat(source);
    }
    if (R.width() <= 0 || R.height() <= 0)
        return;
    // The same image as source and destination is blended from a copy of itself.
    QImage sourceCopy;
    const QImage *src = source;
    if (source && source == destination) {
        sourceCopy = source->copy();
        src = &sourceCopy;
    }
    AlphaBlendBits(src ? src->constBits() : nullptr, src ? src->width() : 0, src ? -src->height() : 0,
                   destination->bits(), destination->width(), -destination->height(), R, target, mode,
                   constantAlpha, bias);
    if (!destination->hasAlphaChannel()) {
        const QRect touched = mode == bmConstantAlphaAndColor ? R
                              : mode == bmMasterAlpha       ? QRect(QPoint(0, target.y()), R.size())
                                                            : QRect(target, R.size());
        ForceOpaque(destination, touched);
    }
}

std::uint8_t *GetBitmapBitsFromDeviceContext(TCanvas *canvas, int &width, int &height)
{
    QImage *image = canvas ? canvas->Image() : nullptr;
    if (!image || image->isNull())
        throw ETreeGridError(QStringLiteral("Alpha blending DC error: no bitmap available."), 0);
    CheckFormat(image);
    width = image->width();
    height = -image->height();
    return image->bits();
}

void AlphaBlend(TCanvas *source, TCanvas *destination, const QRect &R, QPoint target, TBlendMode mode,
                int constantAlpha, int bias)
{
    QImage *dst = destination ? destination->Image() : nullptr;
    QImage *src = (mode != bmConstantAlphaAndColor && source) ? source->Image() : nullptr;
    if (!dst || (mode != bmConstantAlphaAndColor && !src))
        throw ETreeGridError(QStringLiteral("Alpha blending DC error: no bitmap available."), 0);
    AlphaBlend(src, dst, R, target, mode, constantAlpha, bias);
}
