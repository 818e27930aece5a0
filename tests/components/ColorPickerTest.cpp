#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "PopupColorPicker.h"

#include <cmath>

namespace {

constexpr TColor Rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

// The comb colour of ring k, sector i, step j, straight from the formula with a white centre.
TColor CombColour(int i, int k, int j, double intensity = 1.0)
{
    static const double corners[6][3] = {{1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
    int out[3];
    for (int ch = 0; ch < 3; ++ch) {
        const double c = intensity;
        const double v = c + k / 6.0 * (corners[i][ch] - c) + j / 6.0 * (corners[(i + 1) % 6][ch] - corners[i][ch]);
        out[ch] = int(std::nearbyint(v * 255));
    }
    return Rgb(out[0], out[1], out[2]);
}

int CombIndex(int sector, int ring, int step)
{
    return 1 + sector * 21 + (ring - 1) * ring / 2 + step;
}

} // namespace

TEST(ColorPicker, PaletteLookupAndUnknownColours)
{
    TColorPickerPopup picker;
    picker.SetSelectionColor(Rgb(255, 0, 0));
    EXPECT_EQ(picker.SelectedIndex(), 16);
    EXPECT_EQ(TColorPickerPopup::CellName(16), QStringLiteral("Red"));
    EXPECT_EQ(TColorPickerPopup::CellName(5), QStringLiteral("Dark blue"));
    EXPECT_EQ(TColorPickerPopup::CellName(23), QStringLiteral("Grey-40%"));
    picker.SetSelectionColor(Rgb(204, 153, 255));
    EXPECT_EQ(picker.SelectedIndex(), 38); // Lavender

    picker.SetSelectionColor(Rgb(1, 2, 3));
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::NoCell);
    EXPECT_EQ(picker.CustomIndex(), 0);
    EXPECT_EQ(picker.SelectionColor(), Rgb(1, 2, 3));

    picker.SetSelectionColor(TColorPickerPopup::NoColor);
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::NoCell);
    // Without a default text the default value selects nothing.
    picker.SetSelectionColor(TColorPickerPopup::DefaultColor);
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::NoCell);
    picker.SetDefaultText(QStringLiteral("&Automatic"));
    picker.SetSelectionColor(TColorPickerPopup::DefaultColor);
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::DefaultCell);
}

TEST(ColorPicker, SystemColoursAndTheirHitTest)
{
    TColorPickerPopup picker;
    const TColor btnFace = TColor(0x80000000u | 15);
    picker.SetSelectionColor(btnFace);
    EXPECT_NE(picker.SelectedIndex(), 55); // not shown
    picker.SetShowSysColors(true);
    picker.SetSelectionColor(btnFace);
    EXPECT_EQ(picker.SelectedIndex(), 55);
    EXPECT_EQ(picker.SelectionColor(), btnFace);
    EXPECT_EQ(TColorPickerPopup::CellName(55), QStringLiteral("system color: button face"));
    EXPECT_EQ(TColorPickerPopup::CellColor(40), TColor(0x80000000u));

    for (int index : {0, 7, 39, 40, 47, 56, 64})
        EXPECT_EQ(picker.SelectionFromPoint(picker.CellCenter(index)), index) << index;
    // The band between palette and system colours hits nothing, neither does the empty end.
    const QPoint lastPalette = picker.CellCenter(32);
    EXPECT_EQ(picker.SelectionFromPoint(lastPalette + QPoint(0, 9 + 2)), TColorPickerPopup::NoCell);
    EXPECT_EQ(picker.SelectionFromPoint(picker.CellCenter(64) + QPoint(18, 0)), TColorPickerPopup::NoCell);
    EXPECT_EQ(picker.SelectionFromPoint(picker.CustomTextRect().center()), TColorPickerPopup::CustomCell);
}

TEST(ColorPicker, CombsFollowTheFormulas)
{
    TColorPickerPopup picker;
    const QList<TCombEntry> comb = picker.ColorCombs();
    ASSERT_EQ(comb.size(), TColorPickerPopup::ColorCombCount);
    EXPECT_EQ(comb[0].Color, Rgb(255, 255, 255));
    for (int sector = 0; sector < 6; ++sector)
        for (int ring = 1; ring <= 6; ++ring)
            for (int step = 0; step < ring; ++step)
                ASSERT_EQ(comb[CombIndex(sector, ring, step)].Color, CombColour(sector, ring, step))
                    << sector << " " << ring << " " << step;
    // The outer corners are the pure corner colours, magenta first.
    EXPECT_EQ(comb[CombIndex(0, 6, 0)].Color, Rgb(255, 0, 255));
    EXPECT_EQ(comb[CombIndex(5, 6, 0)].Color, Rgb(0, 0, 255));
    EXPECT_EQ(comb[CombIndex(1, 3, 1)].Color, Rgb(255, 170, 128));

    const QList<TCombEntry> grey = picker.BWCombs();
    ASSERT_EQ(grey.size(), TColorPickerPopup::BWCombCount);
    EXPECT_EQ(grey.first().Color, Rgb(255, 255, 255));
    EXPECT_EQ(grey[1].Color, Rgb(225, 225, 225));
    EXPECT_EQ(grey[15].Color, Rgb(15, 15, 15));
    EXPECT_EQ(grey.last().Color, Rgb(0, 0, 0));

    // Neighbouring cells are one ring spacing apart and no two cells share a centre.
    for (int i = 0; i < comb.size(); ++i)
        for (int j = i + 1; j < comb.size(); ++j)
            ASSERT_GT(QLineF(comb[i].Position, comb[j].Position).length(), picker.CombSize() / 2.0 - 0.01);

    // Darkening moves the centre and every inner ring.
    picker.SetCenterIntensity(0.5);
    EXPECT_EQ(picker.ColorCombs()[0].Color, Rgb(128, 128, 128));
    EXPECT_EQ(picker.ColorCombs()[CombIndex(2, 2, 1)].Color, CombColour(2, 2, 1, 0.5));
}

TEST(ColorPicker, CombColoursSelectTheCustomEntry)
{
    TColorPickerPopup picker;
    picker.SetSelectionColor(CombColour(3, 4, 2));
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::CustomCell);
    EXPECT_EQ(picker.CustomIndex(), CombIndex(3, 4, 2) + 1);
    // A grey of the grey comb is found there before the colour comb.
    picker.SetSelectionColor(Rgb(225, 225, 225));
    EXPECT_EQ(picker.CustomIndex(), -2);
    // Without a custom entry nothing is selected.
    picker.SetCustomText(QString());
    picker.SetSelectionColor(CombColour(3, 4, 2));
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::NoCell);
}

TEST(ColorPicker, AlignedBelowAboveAndInside)
{
    const QRect avail(-1000, 0, 1000, 800);
    const QSize size(160, 200);
    EXPECT_EQ(TColorPickerPopup::AlignedPosition(avail, QRect(-900, 100, 80, 20), size), QPoint(-900, 120));
    // Near the bottom: placed above the control, not over it.
    EXPECT_EQ(TColorPickerPopup::AlignedPosition(avail, QRect(-900, 700, 80, 20), size), QPoint(-900, 500));
    // Near the right edge and beyond the left edge it is pulled inside.
    EXPECT_EQ(TColorPickerPopup::AlignedPosition(avail, QRect(-50, 100, 80, 20), size).x(), -160);
    EXPECT_EQ(TColorPickerPopup::AlignedPosition(avail, QRect(-1100, 100, 80, 20), size).x(), -1000);
}

namespace {

struct PickerFixture : ::testing::Test {
    void SetUp() override
    {
        owner.setGeometry(100, 100, 300, 200);
        button = new QPushButton(QStringLiteral("swatch"), &owner);
        button->setGeometry(10, 10, 80, 24);
        owner.show();
        picker.DestRect = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    }
    QWidget owner;
    QPushButton *button = nullptr;
    TColorPickerPopup picker;
};

} // namespace

TEST_F(PickerFixture, KeyboardMovesAndEnterChooses)
{
    picker.SetSelectionColor(Rgb(255, 0, 0));
    picker.ShowPopupAligned();
    EXPECT_EQ(picker.pos(), picker.DestRect.bottomLeft() + QPoint(0, 1));
    QList<int> hovers;
    QTimer::singleShot(0, &picker, [&] {
        QTest::keyClick(&picker, Qt::Key_Right); // from the selected Red to Light Orange
        hovers << picker.HoverIndex();
        QTest::keyClick(&picker, Qt::Key_Down);
        hovers << picker.HoverIndex();
        QTest::keyClick(&picker, Qt::Key_Down);
        QTest::keyClick(&picker, Qt::Key_Down);
        hovers << picker.HoverIndex(); // below the palette: the custom entry
        QTest::keyClick(&picker, Qt::Key_Up);
        QTest::keyClick(&picker, Qt::Key_Left);
        hovers << picker.HoverIndex();
        QTest::keyClick(&picker, Qt::Key_Return);
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_EQ(hovers, (QList<int>{17, 25, TColorPickerPopup::CustomCell, 31}));
    EXPECT_EQ(picker.SelectionColor(), Rgb(192, 192, 192));
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(PickerFixture, EscapeAndOutsideClickCancel)
{
    picker.SetSelectionColor(Rgb(255, 0, 0));
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] {
        QTest::keyClick(&picker, Qt::Key_Right);
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    EXPECT_EQ(picker.ShowModal(), 2);
    EXPECT_EQ(picker.SelectionColor(), Rgb(255, 0, 0));
    EXPECT_EQ(picker.SelectedIndex(), 16);

    QSignalSpy clicks(button, &QPushButton::clicked);
    QTimer::singleShot(0, &picker, [&] {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(-20, -20));
    });
    EXPECT_EQ(picker.ShowModal(), 2);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(picker.SelectionColor(), Rgb(255, 0, 0));
}

TEST_F(PickerFixture, DefaultEntryByAcceleratorAndNotReachableWithoutText)
{
    picker.SetSelectionColor(Rgb(0, 0, 0));
    picker.ShowPopupAligned();
    int hoverAfterUp = 99;
    QTimer::singleShot(0, &picker, [&] {
        QTest::keyClick(&picker, Qt::Key_Up);
        hoverAfterUp = picker.HoverIndex();
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    picker.ShowModal();
    EXPECT_EQ(hoverAfterUp, 0); // no default entry above the first row

    picker.SetDefaultText(QStringLiteral("&Automatic"));
    QSignalSpy defaults(&picker, &TColorPickerPopup::DefaultSelected);
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] {
        QTest::keyClick(&picker, Qt::Key_Up);
        hoverAfterUp = picker.HoverIndex();
        QTest::keyClick(&picker, Qt::Key_A);
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_EQ(hoverAfterUp, TColorPickerPopup::DefaultCell);
    EXPECT_EQ(picker.SelectedIndex(), TColorPickerPopup::DefaultCell);
    // The colour the caller set stays; the choice is told by the signal alone.
    EXPECT_EQ(picker.SelectionColor(), Rgb(0, 0, 0));
    EXPECT_EQ(defaults.count(), 1);

    // Escape on the preselected default entry says nothing; a palette cell after it neither.
    picker.SetSelectionColor(TColorPickerPopup::DefaultColor);
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] { QTest::keyClick(&picker, Qt::Key_Escape); });
    EXPECT_EQ(picker.ShowModal(), 2);
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.CellCenter(16));
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_EQ(picker.SelectionColor(), Rgb(255, 0, 0));
    EXPECT_EQ(defaults.count(), 1);

    // The mouse on the default band ends the same way.
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.DefaultTextRect().center());
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_EQ(picker.SelectionColor(), Rgb(255, 0, 0));
    EXPECT_EQ(defaults.count(), 2);
}

TEST_F(PickerFixture, MouseOnCellsAndTheCustomComb)
{
    picker.ShowPopupAligned();
    QTimer::singleShot(0, &picker, [&] {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.CellCenter(26));
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_EQ(picker.SelectionColor(), Rgb(255, 255, 0));

    picker.ShowPopupAligned();
    const int foldedHeight = picker.height();
    int unfoldedHeight = 0;
    const int target = CombIndex(1, 6, 3);
    QTimer::singleShot(0, &picker, [&] {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.CustomTextRect().center());
        unfoldedHeight = picker.isVisible() ? picker.height() : -1;
        const QPoint cell = picker.ColorCombs()[target].Position.toPoint();
        QTest::mousePress(&picker, Qt::LeftButton, {}, cell);
        QTest::mouseRelease(&picker, Qt::LeftButton, {}, cell);
    });
    EXPECT_EQ(picker.ShowModal(), 1);
    EXPECT_GT(unfoldedHeight, foldedHeight);
    EXPECT_EQ(picker.CustomIndex(), target + 1);
    EXPECT_EQ(picker.SelectionColor(), CombColour(1, 6, 3));
}
