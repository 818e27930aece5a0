#include <gtest/gtest.h>

#include <array>
#include <vector>

#include <QImage>

#include "Canvas.h"
#include "treegrid/AlphaBlend.h"
#include "treegrid/TreeGridTypes.h"

namespace {

using Pixel = std::array<std::uint8_t, 4>; // blue, green, red, alpha

QImage Filled(int w, int h, Pixel p, QImage::Format format = QImage::Format_ARGB32)
{
    QImage img(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::copy(p.begin(), p.end(), img.scanLine(y) + x * 4);
    return img;
}

Pixel At(const QImage &img, int x, int y)
{
    const std::uint8_t *b = img.constScanLine(y) + x * 4;
    return {b[0], b[1], b[2], b[3]};
}

// The same w x h picture with its rows in the opposite order (top-down <-> bottom-up).
std::vector<std::uint8_t> FlipRows(const std::vector<std::uint8_t> &v, int w, int h)
{
    std::vector<std::uint8_t> out(v.size());
    for (int y = 0; y < h; ++y)
        std::copy_n(v.begin() + y * w * 4, w * 4, out.begin() + (h - 1 - y) * w * 4);
    return out;
}

Pixel BlendOne(TBlendMode mode, Pixel s, Pixel d, int alpha, int bias)
{
    QImage src = Filled(1, 1, s);
    QImage dst = Filled(1, 1, d);
    AlphaBlend(&src, &dst, QRect(0, 0, 1, 1), QPoint(0, 0), mode, alpha, bias);
    return At(dst, 0, 0);
}

} // namespace

TEST(AlphaBlend, ConstantAlphaFollowsTheShiftFormula)
{
    const Pixel s{200, 200, 200, 200};
    const Pixel d{100, 100, 100, 100};
    // (128 * (200 - 100) + 256 * 100) >> 8 = 150
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 128, 0), (Pixel{150, 150, 150, 150}));
    // Alpha 0 keeps the destination, apart from the bias.
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 0, 0), d);
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 0, 7), (Pixel{107, 107, 107, 107}));
    // Alpha 255 is not the source: (255 * 100 + 25600) >> 8 = 199.
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 255, 0), (Pixel{199, 199, 199, 199}));
    // Alpha 256 (no transparency) gives the source exactly; beyond that it is clamped.
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 256, 0), s);
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 1000, 0), s);
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, -3, 0), d);
    // The bias saturates at both ends: 150 + 120 -> 255, 150 - 200 -> 0.
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 128, 120), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 128, -200), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(BlendOne(bmConstantAlpha, s, d, 128, -50), (Pixel{100, 100, 100, 100}));
    // Channels are independent: a darker source lowers each by its own difference.
    // blue (128*(0-255)+65280)>>8 = 127; green (128*(255-0))>>8 = 127; red 10; alpha 0.
    EXPECT_EQ(BlendOne(bmConstantAlpha, Pixel{0, 255, 10, 0}, Pixel{255, 0, 10, 0}, 128, 0),
              (Pixel{127, 127, 10, 0}));
}

TEST(AlphaBlend, PerPixelAndMasterAlphaTakeTheSourceAlphaByte)
{
    // Source alpha 64: (64 * 255) >> 8 = 63 for the colours, (64 * 64) >> 8 = 16 for alpha.
    EXPECT_EQ(BlendOne(bmPerPixelAlpha, Pixel{255, 255, 255, 64}, Pixel{0, 0, 0, 0}, 999, 0),
              (Pixel{63, 63, 63, 16}));
    // Source alpha 0 leaves the destination, alpha 255 nearly replaces it.
    EXPECT_EQ(BlendOne(bmPerPixelAlpha, Pixel{255, 255, 255, 0}, Pixel{9, 8, 7, 6}, 0, 0), (Pixel{9, 8, 7, 6}));
    // Master: alpha = (200 * 128) >> 8 = 100; colours (100 * (250 - 50) + 12800) >> 8 = 128,
    // alpha byte (100 * (200 - 50) + 12800) >> 8 = 108.
    EXPECT_EQ(BlendOne(bmMasterAlpha, Pixel{250, 250, 250, 200}, Pixel{50, 50, 50, 50}, 128, 0),
              (Pixel{128, 128, 128, 108}));
    // Master with 256 is plain per-pixel alpha.
    EXPECT_EQ(BlendOne(bmMasterAlpha, Pixel{255, 255, 255, 64}, Pixel{0, 0, 0, 0}, 256, 0),
              (Pixel{63, 63, 63, 16}));
}

TEST(AlphaBlend, MasterAlphaReadsFromTargetXAndWritesFromTheLeftEdge)
{
    // Every source pixel is different, so a pixel read from the wrong place shows.
    QImage src(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const Pixel p{std::uint8_t(10 * x + y), std::uint8_t(100 + 10 * x + y), std::uint8_t(40 * y + x), 192};
            std::copy(p.begin(), p.end(), src.scanLine(y) + x * 4);
        }
    const Pixel back{5, 6, 7, 8};
    QImage dst = Filled(7, 5, back);
    const QRect R(1, 1, 3, 2);
    const QPoint target(2, 2);
    AlphaBlend(&src, &dst, R, target, bmMasterAlpha, 128, 0);
    const int alpha = (192 * 128) >> 8;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            // Destination row Target.Y + oy, column ox takes source row R.Top + oy, column Target.X + ox.
            const int ox = x, oy = y - target.y();
            Pixel expected = back;
            if (ox < R.width() && oy >= 0 && oy < R.height()) {
                const Pixel s = At(src, target.x() + ox, R.top() + oy);
                for (int c = 0; c < 4; ++c)
                    expected[c] = std::uint8_t((alpha * (s[c] - back[c]) + 256 * back[c]) >> 8);
            }
            EXPECT_EQ(At(dst, x, y), expected) << x << "," << y;
        }

    // Clipped to both pictures: Target.X + width runs past the source's right edge, the rows
    // past the destination's bottom. Only source columns 4..5 of row 0 land, at columns 0..1 of row 4.
    QImage clipped = Filled(7, 5, back);
    AlphaBlend(&src, &clipped, QRect(0, 0, 5, 3), QPoint(4, 4), bmMasterAlpha, 256, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool hit = y == 4 && x < 2;
            if (hit)
                EXPECT_EQ(At(clipped, x, y)[2], std::uint8_t((192 * ((4 + x) - 7) + 256 * 7) >> 8)) << x;
            else
                EXPECT_EQ(At(clipped, x, y), back) << x << "," << y;
        }

    // Bottom-up and top-down blocks agree for this mode too.
    const int w = 6, h = 4;
    std::vector<std::uint8_t> srcTop(src.constBits(), src.constBits() + w * h * 4), dstTop(w * h * 4, 10);
    auto flip = [&](const std::vector<std::uint8_t> &v) { return FlipRows(v, w, h); };
    std::vector<std::uint8_t> srcBottom = flip(srcTop), dstBottom = flip(dstTop);
    AlphaBlendBits(srcTop.data(), w, -h, dstTop.data(), w, -h, R, target, bmMasterAlpha, 200, 0);
    AlphaBlendBits(srcBottom.data(), w, h, dstBottom.data(), w, h, R, target, bmMasterAlpha, 200, 0);
    EXPECT_EQ(flip(dstBottom), dstTop);
}

TEST(AlphaBlend, ColourModePutsEachColourByteInItsChannel)
{
    QImage dst = Filled(3, 2, Pixel{10, 20, 30, 40});
    // Red 200, green 100, blue 50 at alpha 128: blue (10+50)/2, green (20+100)/2, red (30+200)/2,
    // alpha (40 * 128) >> 8 = 20 (the colour's alpha byte is 0).
    AlphaBlend(nullptr, &dst, QRect(1, 0, 2, 1), QPoint(99, 99), bmConstantAlphaAndColor, 128,
               RGBToColor(200, 100, 50));
    EXPECT_EQ(At(dst, 1, 0), (Pixel{30, 60, 115, 20}));
    EXPECT_EQ(At(dst, 2, 0), (Pixel{30, 60, 115, 20}));
    EXPECT_EQ(At(dst, 0, 0), (Pixel{10, 20, 30, 40}));
    EXPECT_EQ(At(dst, 1, 1), (Pixel{10, 20, 30, 40}));
    // Alpha 256 paints the colour itself.
    AlphaBlend(nullptr, &dst, QRect(0, 1, 1, 1), QPoint(), bmConstantAlphaAndColor, 256, clRed);
    EXPECT_EQ(At(dst, 0, 1), (Pixel{0, 0, 255, 0}));
}

TEST(AlphaBlend, RectangleIsClippedToBothPictures)
{
    QImage src = Filled(4, 4, Pixel{200, 200, 200, 255});
    QImage dst = Filled(5, 5, Pixel{0, 0, 0, 0});
    // R runs past the source's right and bottom; the target lies partly outside the destination.
    AlphaBlend(&src, &dst, QRect(2, 2, 10, 10), QPoint(-1, 3), bmConstantAlpha, 256, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            // Offsets 1 (x) and 0..1 (y) are inside both: destination (0, 3)..(0, 4).
            const bool hit = x == 0 && y >= 3;
            EXPECT_EQ(At(dst, x, y)[0], hit ? 200 : 0) << x << "," << y;
        }
    // Entirely outside, or empty: nothing happens and nothing crashes.
    AlphaBlend(&src, &dst, QRect(10, 10, 3, 3), QPoint(0, 0), bmConstantAlpha, 256, 0);
    AlphaBlend(&src, &dst, QRect(0, 0, 0, 3), QPoint(0, 0), bmConstantAlpha, 256, 0);
    AlphaBlend(nullptr, &dst, QRect(-5, -5, 7, 7), QPoint(), bmConstantAlphaAndColor, 256, clWhite);
    EXPECT_EQ(At(dst, 1, 1), (Pixel{255, 255, 255, 0}));
    EXPECT_EQ(At(dst, 2, 2), (Pixel{0, 0, 0, 0}));
}

TEST(AlphaBlend, BottomUpAndTopDownBlocksGiveTheSamePicture)
{
    const int w = 3, h = 4;
    std::vector<std::uint8_t> srcTop(w * h * 4), dstTop(w * h * 4, 10);
    for (size_t i = 0; i < srcTop.size(); ++i)
        srcTop[i] = std::uint8_t(i * 7);
    // The same pictures stored bottom row first.
    auto flip = [&](const std::vector<std::uint8_t> &v) { return FlipRows(v, w, h); };
    std::vector<std::uint8_t> srcBottom = flip(srcTop), dstBottom = flip(dstTop);
    const QRect R(1, 1, 2, 2);
    AlphaBlendBits(srcTop.data(), w, -h, dstTop.data(), w, -h, R, QPoint(0, 2), bmConstantAlpha, 100, 3);
    AlphaBlendBits(srcBottom.data(), w, h, dstBottom.data(), w, h, R, QPoint(0, 2), bmConstantAlpha, 100, 3);
    EXPECT_EQ(flip(dstBottom), dstTop);
    EXPECT_NE(dstTop, std::vector<std::uint8_t>(w * h * 4, 10));
    EXPECT_EQ(CalculateScanline(dstBottom.data(), w, h, 0), dstBottom.data() + (h - 1) * w * 4);
}

TEST(AlphaBlend, CanvasesBlendTheirPixelsAndStayOpaque)
{
    TCanvas back(4, 4), bar(4, 4);
    back.Image()->fill(QColor(0, 0, 0));
    bar.Image()->fill(QColor(200, 100, 50));
    back.SetWindowOrg(50, 50); // coordinates are picture pixels, not logical ones
    AlphaBlend(&bar, &back, QRect(0, 0, 2, 2), QPoint(1, 1), bmConstantAlpha, 128, 0);
    EXPECT_EQ(back.Image()->pixel(1, 1), qRgb(100, 50, 25));
    EXPECT_EQ(back.Image()->pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(back.Image()->pixel(2, 2)), 255);

    TCanvas onDevice(static_cast<QPaintDevice *>(nullptr));
    EXPECT_THROW(AlphaBlend(&bar, &onDevice, QRect(0, 0, 1, 1), QPoint(), bmConstantAlpha, 1, 0), ETreeGridError);
    QImage mono(4, 4, QImage::Format_Mono);
    QImage dst(4, 4, QImage::Format_ARGB32);
    EXPECT_THROW(AlphaBlend(&mono, &dst, QRect(0, 0, 1, 1), QPoint(), bmConstantAlpha, 1, 0), ETreeGridError);
}
