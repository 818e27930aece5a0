#include <gtest/gtest.h>

#include <QColor>

#include "ColorHSV.h"

namespace {
TColor rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
} // namespace

TEST(ColorHSVTest, ConversionsAgreeWithQt)
{
    // QColor's HSV model is the independent reference (its hue is whole degrees).
    for (int r = 0; r < 256; r += 17) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 51) {
                THSV hsv;
                ColorToHSV(rgb(r, g, b), hsv);
                const QColor reference(r, g, b);
                ASSERT_NEAR(hsv.v, reference.valueF(), 1e-4);
                ASSERT_NEAR(hsv.s, reference.hsvSaturationF(), 1e-4);
                if (hsv.s > 0) {
                    ASSERT_NEAR(hsv.h, reference.hsvHue(), 1.0) << r << "," << g << "," << b;
                }
                ASSERT_EQ(HSVToColor(hsv), rgb(r, g, b)) << r << "," << g << "," << b;
            }
        }
    }
}

TEST(ColorHSVTest, HueSectorsAndWrapAround)
{
    const THSV red{0, 1, 1, 0};
    EXPECT_EQ(HSVToColor(red), rgb(255, 0, 0));
    EXPECT_EQ(HSVToColor(THSV{120, 1, 1, 0}), rgb(0, 255, 0));
    EXPECT_EQ(HSVToColor(THSV{240, 1, 1, 0}), rgb(0, 0, 255));
    EXPECT_EQ(HSVToColor(THSV{60, 1, 1, 0}), rgb(255, 255, 0));
    EXPECT_EQ(HSVToColor(THSV{300, 1, 1, 0}), rgb(255, 0, 255));
    EXPECT_EQ(HSVToColor(THSV{360, 1, 1, 0}), rgb(255, 0, 0));
    EXPECT_EQ(HSVToColor(THSV{-60, 1, 1, 0}), rgb(255, 0, 255));
    EXPECT_EQ(HSVToColor(THSV{180, 0, 0.5, 0}), rgb(128, 128, 128));

    // A grey leaves the hue as it was.
    THSV hsv{123, 0, 0, 0.5};
    ColorToHSV(rgb(10, 10, 10), hsv);
    EXPECT_EQ(hsv.h, 123);
    EXPECT_EQ(hsv.s, 0);
    EXPECT_EQ(hsv.a, 0.5);
}

TEST(ColorHSVTest, FlashFadeAndContrast)
{
    const TColor black = rgb(0, 0, 0);
    const TColor white = rgb(255, 255, 255);
    EXPECT_EQ(FadeColorRGB(black, white, 50), rgb(128, 128, 128)); // 127.5 to the even 128
    EXPECT_EQ(FadeColorRGB(rgb(10, 20, 30), rgb(110, 220, 130), 0), rgb(10, 20, 30));
    EXPECT_EQ(FadeColorRGB(rgb(10, 20, 30), rgb(110, 220, 130), 100), rgb(110, 220, 130));
    EXPECT_EQ(FadeColorRGB(rgb(200, 0, 0), rgb(100, 0, 0), 25), rgb(175, 0, 0));
    EXPECT_EQ(FadeColorRGB(black, white, 150), white);

    const TColor olive = rgb(128, 128, 0);
    THSV hsv;
    ColorToHSV(FlashColor(olive, 100), hsv);
    EXPECT_DOUBLE_EQ(hsv.v, 1.0);
    EXPECT_NEAR(hsv.h, 60, 1e-9);
    EXPECT_EQ(FlashColor(olive, -100), black);
    EXPECT_EQ(FlashColor(olive, 0), olive);
    EXPECT_EQ(FlashColor(rgb(200, 100, 50), -50), rgb(100, 50, 25));
    EXPECT_EQ(FlashColor(olive, 500), rgb(255, 255, 0));
    EXPECT_EQ(FlashColor(olive, -300), black);

    EXPECT_EQ(VisibleContrast(black), white);
    EXPECT_EQ(VisibleContrast(rgb(204, 0, 0)), white);   // v = 0.8 exactly
    EXPECT_EQ(VisibleContrast(rgb(205, 205, 0)), black);
    EXPECT_EQ(VisibleContrast(rgb(0xCC, 0xE4, 0xF0)), black);
}
