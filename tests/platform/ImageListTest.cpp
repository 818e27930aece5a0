#include <gtest/gtest.h>

#include <QImage>

#include "Canvas.h"
#include "ImageList.h"

namespace {

// A strip of n images 4 x 4: image i is filled with colour (i+1)*40 in red, with a magenta
// border pixel at its top-left corner.
QImage Strip(int n)
{
    QImage strip(4 * n, 4, QImage::Format_RGB32);
    for (int i = 0; i < n; ++i) {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                strip.setPixel(i * 4 + x, y, qRgb((i + 1) * 40, 0, 0));
        strip.setPixel(i * 4, 0, qRgb(255, 0, 255));
    }
    return strip;
}

} // namespace

TEST(ImageList, AddMaskedCutsTheStripAndMasksTheColour)
{
    TImageList list(4, 4);
    int changes = 0;
    const int link = list.AddChangeLink([&] { ++changes; });
    EXPECT_EQ(list.AddMasked(Strip(3), clFuchsia), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(changes, 1);
    const QImage second = list.GetImage(1);
    EXPECT_EQ(qAlpha(second.pixel(0, 0)), 0);
    EXPECT_EQ(second.pixel(1, 1), qRgb(80, 0, 0));
    EXPECT_EQ(list.GetMask(1).pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(list.GetMask(1).pixel(2, 2), 0xFF000000u);
    list.RemoveChangeLink(link);
    list.Delete(0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.GetImage(5).isNull());
}

TEST(ImageList, DrawHonoursTransparencyBackgroundAndOverlays)
{
    TImageList list(4, 4);
    list.AddMasked(Strip(3), clFuchsia);
    TCanvas canvas(10, 10);
    canvas.Image()->fill(Qt::white);

    // Transparent: the masked corner keeps the canvas.
    list.DrawEx(canvas, 2, 2, 0, ILD_TRANSPARENT, clNone, clNone);
    EXPECT_EQ(canvas.Pixel(2, 2), clWhite);
    EXPECT_EQ(canvas.Pixel(3, 3), RGBToColor(40, 0, 0));

    // Normal with a background colour fills the masked pixels with it.
    list.DrawEx(canvas, 2, 2, 0, ILD_NORMAL, clBlue, clNone);
    EXPECT_EQ(canvas.Pixel(2, 2), clBlue);

    // Overlay number 1 (index 0) draws image 2 on top; its masked corner shows image 1 below.
    canvas.Image()->fill(Qt::white);
    ASSERT_TRUE(list.Overlay(2, 0));
    list.DrawEx(canvas, 0, 0, 1, ILD_TRANSPARENT | IndexToOverlayMask(1), clNone, clNone);
    EXPECT_EQ(canvas.Pixel(1, 1), RGBToColor(120, 0, 0));
    EXPECT_EQ(canvas.Pixel(0, 0), clWhite);

    // Blend 50 % with a colour mixes each channel half way.
    canvas.Image()->fill(Qt::white);
    list.DrawEx(canvas, 0, 0, 1, ILD_TRANSPARENT | ILD_BLEND50, clNone, RGBToColor(0, 0, 200));
    EXPECT_EQ(canvas.Pixel(1, 1), RGBToColor(40, 0, 100));

    // The mask type draws the mask in black and white.
    list.SetImageType(itMask);
    list.Draw(canvas, 0, 0, 1);
    EXPECT_EQ(canvas.Pixel(0, 0), clWhite);
    EXPECT_EQ(canvas.Pixel(1, 1), clBlack);
}

TEST(ImageList, DisabledImagesAreDrawnInTheShadowColours)
{
    TImageList list(4, 4);
    QImage dark(4, 4, QImage::Format_RGB32);
    dark.fill(qRgb(255, 0, 255));
    dark.setPixel(1, 1, qRgb(0, 0, 0));
    list.AddMasked(dark, clFuchsia);
    TCanvas canvas(8, 8);
    canvas.Image()->fill(Qt::white);
    list.DrawEx(canvas, 0, 0, 0, ILD_TRANSPARENT, clNone, clNone, false);
    EXPECT_EQ(canvas.Pixel(1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(canvas.Pixel(2, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(canvas.Pixel(0, 0), clWhite);
}
