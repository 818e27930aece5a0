#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

#include "Color.h"

TEST(Color, ConvertsBetweenBgrValuesAndQtColours)
{
    // $BBGGRR: red in the low byte.
    const TColor c = 0x563412;
    EXPECT_EQ(GetRValue(c), 0x12);
    EXPECT_EQ(GetGValue(c), 0x34);
    EXPECT_EQ(GetBValue(c), 0x56);
    EXPECT_EQ(ToQColor(c), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ToQRgb(c), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(FromQColor(QColor(0x12, 0x34, 0x56)), c);
    EXPECT_EQ(FromQRgb(qRgb(255, 0, 0)), clRed);
    EXPECT_EQ(RGBToColor(0, 0, 255), clBlue);
    EXPECT_EQ(ToQColor(clNone).alpha(), 0);
    // The high byte of an ordinary colour carries no colour.
    EXPECT_EQ(ColorToRGB(0x01563412), c);
}

TEST(Color, SystemColoursFollowThePalette)
{
    const QPalette palette = QGuiApplication::palette();
    EXPECT_TRUE(IsSystemColor(clHighlight));
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_EQ(clBtnFace & 0xFF, 15);
    EXPECT_EQ(ToQColor(clHighlight), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(ToQColor(clWindow), palette.color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(ToQColor(clBtnFace), palette.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(ToQColor(clWindowText), palette.color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(ColorToRGB(clInfoBk), FromQColor(palette.color(QPalette::Active, QPalette::ToolTipBase)));

    // A changed palette is seen at once.
    QPalette changed = palette;
    changed.setColor(QPalette::Highlight, QColor(1, 2, 3));
    QGuiApplication::setPalette(changed);
    EXPECT_EQ(ColorToRGB(clHighlight), RGBToColor(1, 2, 3));
    QGuiApplication::setPalette(palette);
}
