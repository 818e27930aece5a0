#include <gtest/gtest.h>

#include "TreeGridInputTestSupport.h"
#include "treegrid/TreeGridPanningWindow.h"

using namespace inputtest;

namespace {

void Wheel(TInputFixture &f, QPoint angleDelta, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    f.Wheel(QPoint(100, 50), angleDelta, keys);
}

TEST(TreeGridWheelTest, WheelStepsOfAMouseAndOfATouchpadScroll)
{
    TInputFixture f;
    f.AddRows(100);
    const int line = QApplication::wheelScrollLines() * f.rowHeight;
    Wheel(f, QPoint(0, -120));
    EXPECT_EQ(f.tree->OffsetY(), -line);
    Wheel(f, QPoint(0, 120));
    EXPECT_EQ(f.tree->OffsetY(), 0);

    // A touchpad turns an eighth of a notch at a time: each step moves, and eight of them
    // move exactly as far as one notch.
    Wheel(f, QPoint(0, -15));
    EXPECT_LT(f.tree->OffsetY(), 0) << "a delta of 15 scrolls";
    for (int i = 1; i < 8; ++i)
        Wheel(f, QPoint(0, -15));
    EXPECT_EQ(f.tree->OffsetY(), -line);
    for (int i = 0; i < 8; ++i)
        Wheel(f, QPoint(0, 15));
    EXPECT_EQ(f.tree->OffsetY(), 0);

    // Ctrl turns pages; the ends hold.
    Wheel(f, QPoint(0, -120), Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), -f.tree->ClientHeight());
    Wheel(f, QPoint(0, 1200), Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), 0);

    // The owner may take the wheel.
    f.tree->OnMouseWheel = [](TBaseTreeGrid *, TTGShiftState, int, QPoint, bool &handled) { handled = true; };
    Wheel(f, QPoint(0, -120));
    EXPECT_EQ(f.tree->OffsetY(), 0);
}

TEST(TreeGridWheelTest, ShiftAndSidewaysTurnsScrollHorizontally)
{
    TInputFixture f;
    f.AddColumns({250, 250, 250, 250, 250, 250, 250, 250});
    f.AddRows(100);
    const int step = QApplication::wheelScrollLines() * f.tree->Header()->Columns()->GetScrollWidth();
    Wheel(f, QPoint(0, -120), Qt::ShiftModifier);
    EXPECT_EQ(f.tree->OffsetX(), -step);
    EXPECT_EQ(f.tree->OffsetY(), 0);
    Wheel(f, QPoint(120, 0));
    EXPECT_EQ(f.tree->OffsetX(), 0);
}

TEST(TreeGridWheelTest, MiddleClickPansOnlyWhenThereIsSomethingToPan)
{
    TInputFixture f;
    f.AddRows(3);
    f.Click(QPoint(100, 20), Qt::NoModifier, Qt::MiddleButton);
    EXPECT_FALSE(f.tree->IsPanning()) << "everything is visible";
    EXPECT_EQ(f.tree->PanningWindow(), nullptr);

    f.AddRows(200);
    const QPoint origin(100, 100);
    f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    // The steps are taken by hand below; the timer would add its own on a slow machine.
    f.tree->FScrollTimer.stop();
    ASSERT_TRUE(f.tree->IsPanning());
    auto *marker = qobject_cast<TTreeGridPanningWindow *>(f.tree->PanningWindow());
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(marker->isVisible());
    EXPECT_EQ(marker->Kind(), pkMoveNS) << "rows only scroll up and down";
    EXPECT_EQ(marker->geometry().topLeft() + QPoint(16, 16), f.viewport->mapToGlobal(origin));

    // Moving away beyond the threshold pans: each timer step moves by the distance past the dead zone.
    f.Move(origin + QPoint(0, 48));
    EXPECT_FALSE(f.tree->TreeStates().contains(tsWheelScrolling));
    EXPECT_EQ(f.tree->ScrollDirections(), TScrollDirections{sdDown});
    f.tree->DoTimerScroll();
    EXPECT_EQ(f.tree->OffsetY(), -40);
    f.Move(origin + QPoint(0, -30));
    f.tree->DoTimerScroll();
    EXPECT_EQ(f.tree->OffsetY(), -18);
    f.Release(origin + QPoint(0, -30), Qt::NoModifier, Qt::MiddleButton);
    EXPECT_FALSE(f.tree->IsPanning());
    EXPECT_EQ(f.tree->PanningWindow(), nullptr);

    // A click without moving leaves the view scrolling toward the pointer until the next press.
    f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    f.Release(origin, Qt::NoModifier, Qt::MiddleButton);
    f.tree->FScrollTimer.stop();
    EXPECT_TRUE(f.tree->IsPanning());
    EXPECT_TRUE(f.tree->TreeStates().contains(tsWheelScrolling));
    f.Move(origin + QPoint(0, 20));
    f.tree->DoTimerScroll();
    EXPECT_EQ(f.tree->OffsetY(), -18 - 12);
    f.Click(origin + QPoint(0, 20));
    EXPECT_FALSE(f.tree->IsPanning());
    EXPECT_TRUE(f.Selected().empty()) << "the press that ends panning does nothing else";
    // A right press ends it too, and the wheel does, also when neither may select.
    for (bool byWheel : {false, true}) {
        f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
        f.Release(origin, Qt::NoModifier, Qt::MiddleButton);
        ASSERT_TRUE(f.tree->IsPanning());
        if (byWheel)
            f.Wheel(origin, QPoint(0, -120));
        else
            f.Click(origin, Qt::NoModifier, Qt::RightButton);
        EXPECT_FALSE(f.tree->IsPanning()) << byWheel;
        EXPECT_EQ(f.tree->PanningWindow(), nullptr);
    }

    // The marker's picture is round: its corners are cut away.
    const QRegion region = OpaqueRegion(PanningImage(pkMoveAll));
    EXPECT_TRUE(region.contains(QPoint(16, 16)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
}

// The pointer as the user sees it: the application's cursor, which stands above every window's.
QImage PointerShape()
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->pixmap().toImage() : QImage();
}

TEST(TreeGridWheelTest, PanningShowsTheDirectionOnThePointer)
{
    TInputFixture f;
    f.AddRows(200);
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    const QPoint origin(100, 100);
    f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    f.tree->FScrollTimer.stop();
    ASSERT_TRUE(f.tree->IsPanning());
    // The marker stands under the pointer; the pointer shows where the view can go.
    EXPECT_EQ(PointerShape(), PanningCursor(pkMoveNS).pixmap().toImage());
    f.Move(origin + QPoint(0, 30));
    EXPECT_EQ(PointerShape(), PanningCursor(pkMoveS).pixmap().toImage());
    f.Move(origin + QPoint(3, -30));
    EXPECT_EQ(PointerShape(), PanningCursor(pkMoveN).pixmap().toImage());
    f.Release(origin + QPoint(3, -30), Qt::NoModifier, Qt::MiddleButton);
    EXPECT_FALSE(f.tree->IsPanning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the pointer is the tree's own again";

    // Both ways open: the cursor shows all four directions, then the one the pointer takes.
    f.AddColumns({400, 400});
    f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    f.Release(origin, Qt::NoModifier, Qt::MiddleButton);
    f.tree->FScrollTimer.stop();
    ASSERT_TRUE(f.tree->IsPanning()) << "a click without moving keeps panning";
    EXPECT_EQ(PointerShape(), PanningCursor(pkMoveAll).pixmap().toImage());
    f.Move(origin + QPoint(20, 20));
    EXPECT_EQ(PointerShape(), PanningCursor(pkMoveSE).pixmap().toImage());
    // The next press ends it; whatever ends panning gives the pointer back.
    f.Click(origin + QPoint(20, 20));
    EXPECT_FALSE(f.tree->IsPanning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    f.Press(origin, Qt::NoModifier, Qt::MiddleButton);
    f.Release(origin, Qt::NoModifier, Qt::MiddleButton);
    ASSERT_TRUE(f.tree->IsPanning());
    f.tree.reset();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(TreeGridWheelTest, RubberBandScrollsWhenTheTreeMayAutoScroll)
{
    TInputFixture f;
    f.Options({toMultiSelect, toSimpleDrawSelection});
    auto &options = f.tree->TreeOptions();
    options.SetAutoOptions(options.AutoOptions() + toAutoScroll);
    f.tree->SetAutoScrollDelay(0);
    f.AddRows(100);
    f.Press(QPoint(200, 10));
    f.Move(QPoint(200, 150));
    ASSERT_TRUE(f.tree->TreeStates().contains(tsDrawSelecting));
    const auto before = f.Selected().size();
    // Below the client area the view follows the band down.
    f.Move(QPoint(200, f.tree->ClientHeight() + 5));
    EXPECT_TRUE(f.tree->ScrollDirections().contains(sdDown));
    f.tree->DoTimerScroll();
    EXPECT_LT(f.tree->OffsetY(), 0);
    EXPECT_GT(f.Selected().size(), before) << "the rows scrolled under the band join it";
    f.Release(QPoint(200, f.tree->ClientHeight() + 5));
    EXPECT_FALSE(f.tree->FScrollTimer.isActive());
}

} // namespace
