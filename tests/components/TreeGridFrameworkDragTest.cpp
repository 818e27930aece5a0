// Framework-style dragging (dtVCL): a press may start a drag within the program; a click without
// a drag stays a click, so Ctrl+click keeps selecting.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>
#include <vector>

#include "TreeGridInputTestSupport.h"
#include "common/RepaintCheck.h"

using inputtest::Names;
using inputtest::TInputFixture;
using testsupport::ShowsFullRender;

namespace {

// A tree that drags framework-style, from wherever it is pressed on a row.
struct TDragFixture : TInputFixture {
    explicit TDragFixture(QPoint at = QPoint(0, 0))
    {
        tree->move(at);
        Options({toMultiSelect, toFullRowSelect}, {toFullRowDrag});
        tree->SetDragMode(dmAutomatic);
        tree->SetDragType(dtVCL);
        QApplication::processEvents();
    }
};

// A point of the target's viewport as the source's viewport sees it (the pointer stays with the
// source while it drags).
QPoint Across(QWidget *from, QWidget *to, QPoint p)
{
    return from->mapFromGlobal(to->mapToGlobal(p));
}

} // namespace

TEST(TreeGridFrameworkDragTest, ClicksWithoutADragKeepSelectingWithCtrl)
{
    TDragFixture f;
    f.AddRows(6);
    int started = 0;
    int ended = 0;
    int clicks = 0;
    f.tree->OnStartDrag = [&](TBaseTreeGrid *, QObject *&) { ++started; };
    f.tree->OnEndDrag = [&](TBaseTreeGrid *, QObject *, int, int) { ++ended; };
    f.tree->OnClick = [&](TBaseTreeGrid *) { ++clicks; };

    f.Click(f.Row(0, 40));
    EXPECT_FALSE(f.tree->TreeStates().contains(tsVCLDragPending));
    EXPECT_EQ(f.Selected(), Names({"Row 0"}));
    f.Click(f.Row(2, 40), Qt::ControlModifier);
    f.Click(f.Row(3, 40), Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 0", "Row 2", "Row 3"}));
    // A Ctrl+click on a selected row takes it out again, once the press turned out to be no drag.
    f.Click(f.Row(2, 40), Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 0", "Row 3"}));
    // A plain click keeps only its row.
    f.Click(f.Row(3, 40));
    EXPECT_EQ(f.Selected(), Names({"Row 3"}));
    EXPECT_EQ(started, 0);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(clicks, 5);
    EXPECT_FALSE(f.tree->TreeStates().intersects({tsVCLDragPending, tsVCLDragging, tsUserDragObject}));

    // A move smaller than the threshold is still no drag.
    const int threshold = QApplication::startDragDistance();
    f.Press(f.Row(1, 40));
    f.Move(f.Row(1, 40) + QPoint(threshold - 1, 0));
    EXPECT_FALSE(f.tree->FrameworkDragging());
    f.Release(f.Row(1, 40) + QPoint(threshold - 1, 0));
    EXPECT_EQ(started, 0);
    EXPECT_EQ(f.Selected(), Names({"Row 1"}));
}

TEST(TreeGridFrameworkDragTest, ADragAsksTheTreesUnderThePointerAndDropsOnTheLastOne)
{
    TDragFixture source(QPoint(0, 0));
    TDragFixture target(QPoint(400, 0));
    source.AddRows(4);
    const auto targetRows = target.AddRows(4, QStringLiteral("Target"));
    QObject dragObject;
    QObject *endedOn = &dragObject;
    int ended = 0;
    source.tree->OnStartDrag = [&](TBaseTreeGrid *, QObject *&object) { object = &dragObject; };
    source.tree->OnEndDrag = [&](TBaseTreeGrid *, QObject *t, int, int) {
        endedOn = t;
        ++ended;
    };
    // The target takes drops on its rows, and adds a row below the one dropped on.
    std::vector<TBaseTreeGrid::TTGDragState> states;
    target.tree->OnDragOver = [&](TBaseTreeGrid *, TBaseTreeGrid *from, TTGShiftState, TBaseTreeGrid::TTGDragState state,
                                  QPoint, TTGDropMode mode, Qt::DropAction &, bool &accept) {
        states.push_back(state);
        accept = from == source.tree.get() && mode != dmNowhere;
    };
    int drops = 0;
    target.tree->OnDragDrop = [&](TBaseTreeGrid *sender, TBaseTreeGrid *from, const QMimeData *data,
                                  const QStringList &formats, TTGShiftState, QPoint, Qt::DropAction &effect,
                                  TTGDropMode mode) {
        ++drops;
        EXPECT_EQ(from, source.tree.get());
        EXPECT_EQ(data, nullptr);
        EXPECT_TRUE(formats.isEmpty());
        EXPECT_EQ(mode, dmOnNode);
        EXPECT_NE(effect, Qt::IgnoreAction);
        PGridNode node = sender->AddChild(sender->DropTargetNode());
        *sender->GetNodeData<QString>(node) = QStringLiteral("Dropped");
    };

    QWidget *port = source.viewport;
    const QPoint press = source.Row(0, 40);
    source.Press(press);
    EXPECT_TRUE(source.tree->TreeStates().contains(tsVCLDragPending));
    // Beyond the threshold the drag runs; over its own rows the source is the tree asked.
    source.Move(press + QPoint(0, 2 * QApplication::startDragDistance()));
    ASSERT_TRUE(source.tree->FrameworkDragging());
    EXPECT_TRUE(source.tree->TreeStates().contains(tsUserDragObject));
    EXPECT_EQ(source.tree->DragObject(), &dragObject);
    EXPECT_TRUE(source.tree->TreeStates().contains(tsVCLDragging));

    // Over the other tree's second row: that tree is asked, shows the row as drop target.
    const QPoint overTarget = Across(port, target.viewport, target.Row(1, 40));
    source.Move(overTarget);
    EXPECT_FALSE(source.tree->TreeStates().contains(tsVCLDragging));
    EXPECT_TRUE(target.tree->TreeStates().contains(tsVCLDragging));
    EXPECT_EQ(target.tree->DropTargetNode(), targetRows[1]);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), TBaseTreeGrid::dsDragMove);
    EXPECT_TRUE(ShowsFullRender(target.tree.get()));

    source.Release(overTarget);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(source.tree->DragCancels, 0);
    EXPECT_EQ(endedOn, target.tree.get());
    EXPECT_EQ(target.tree->DropTargetNode(), nullptr);
    EXPECT_EQ(targetRows[1]->ChildCount, 1u);
    for (TBaseTreeGrid *tree : {static_cast<TBaseTreeGrid *>(source.tree.get()), static_cast<TBaseTreeGrid *>(target.tree.get())})
        EXPECT_FALSE(tree->TreeStates().intersects({tsVCLDragPending, tsVCLDragging, tsUserDragObject}));
    EXPECT_FALSE(source.tree->FrameworkDragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(ShowsFullRender(target.tree.get()));
    // The press selected the dragged row; the drag did not take the selection away.
    EXPECT_EQ(source.Selected(), Names({"Row 0"}));
}

TEST(TreeGridFrameworkDragTest, EscapeCancelsTheDragAndItsReleaseIsNoClick)
{
    TDragFixture source(QPoint(0, 0));
    TDragFixture target(QPoint(400, 0));
    source.AddRows(4);
    target.AddRows(4, QStringLiteral("Target"));
    int ended = 0;
    QObject *endedOn = source.tree.get();
    int mouseUps = 0;
    source.tree->OnEndDrag = [&](TBaseTreeGrid *, QObject *t, int, int) {
        endedOn = t;
        ++ended;
    };
    source.tree->OnMouseUp = [&](TBaseTreeGrid *, TTGMouseButton, TTGShiftState, int, int) { ++mouseUps; };
    int leaves = 0;
    target.tree->OnDragOver = [&](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState state,
                                  QPoint, TTGDropMode, Qt::DropAction &, bool &accept) {
        leaves += state == TBaseTreeGrid::dsDragLeave;
        accept = true;
    };
    int drops = 0;
    target.tree->OnDragDrop = [&](TBaseTreeGrid *, TBaseTreeGrid *, const QMimeData *, const QStringList &,
                                  TTGShiftState, QPoint, Qt::DropAction &, TTGDropMode) { ++drops; };

    const QPoint press = source.Row(2, 40);
    source.Press(press);
    source.Move(press + QPoint(0, 2 * QApplication::startDragDistance()));
    const QPoint overTarget = Across(source.viewport, target.viewport, target.Row(0, 40));
    source.Move(overTarget);
    ASSERT_NE(target.tree->DropTargetNode(), nullptr);

    source.Key(Qt::Key_Escape);
    EXPECT_FALSE(source.tree->FrameworkDragging());
    EXPECT_EQ(source.tree->DragCancels, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(endedOn, nullptr);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(target.tree->DropTargetNode(), nullptr);
    EXPECT_FALSE(target.tree->TreeStates().contains(tsVCLDragging));
    EXPECT_EQ(mouseUps, 1) << "the tree gets the button-up the drag took";
    EXPECT_TRUE(ShowsFullRender(target.tree.get()));

    // The real release later belongs to the cancelled drag: no drop, no second button-up.
    source.Release(overTarget);
    EXPECT_EQ(drops, 0);
    EXPECT_EQ(mouseUps, 1);
    EXPECT_FALSE(source.tree->TreeStates().intersects({tsVCLDragPending, tsLeftButtonDown}));

    // The next click is an ordinary one again.
    source.Click(source.Row(1, 40));
    EXPECT_EQ(mouseUps, 2);
    EXPECT_EQ(source.Selected(), Names({"Row 1"}));
}

TEST(TreeGridFrameworkDragTest, LeftAndRightTogetherCancelWhileAnotherButtonGoesAlong)
{
    TDragFixture source(QPoint(0, 0));
    TDragFixture target(QPoint(400, 0));
    source.AddRows(4);
    target.AddRows(4, QStringLiteral("Target"));
    QObject *endedOn = nullptr;
    int mouseUps = 0;
    int drops = 0;
    source.tree->OnEndDrag = [&](TBaseTreeGrid *, QObject *t, int, int) { endedOn = t; };
    source.tree->OnMouseUp = [&](TBaseTreeGrid *, TTGMouseButton, TTGShiftState, int, int) { ++mouseUps; };
    target.tree->OnDragOver = [&](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                                  TTGDropMode mode, Qt::DropAction &, bool &accept) { accept = mode != dmNowhere; };
    target.tree->OnDragDrop = [&](TBaseTreeGrid *, TBaseTreeGrid *, const QMimeData *, const QStringList &,
                                  TTGShiftState, QPoint, Qt::DropAction &, TTGDropMode) { ++drops; };
    const QPoint press = source.Row(2, 40);
    const QPoint moved = press + QPoint(0, 2 * QApplication::startDragDistance());
    const QPoint overTarget = Across(source.viewport, target.viewport, target.Row(1, 40));

    // The right button joins the left one: canceled at once; neither release drops or clicks.
    source.Press(press);
    source.Move(moved);
    source.Move(overTarget);
    source.Press(overTarget, Qt::NoModifier, Qt::RightButton);
    EXPECT_FALSE(source.tree->FrameworkDragging());
    EXPECT_EQ(source.tree->DragCancels, 1);
    EXPECT_EQ(target.tree->DropTargetNode(), nullptr);
    source.Release(overTarget, Qt::NoModifier, Qt::RightButton);
    source.Release(overTarget);
    EXPECT_EQ(drops, 0);
    EXPECT_EQ(mouseUps, 1);

    // The middle button goes along: the drop comes with the last release.
    source.Press(press);
    source.Move(moved);
    source.Press(moved, Qt::NoModifier, Qt::MiddleButton);
    source.Move(overTarget);
    source.Release(overTarget);
    EXPECT_TRUE(source.tree->FrameworkDragging()) << "the middle button is still down";
    source.Release(overTarget, Qt::NoModifier, Qt::MiddleButton);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(endedOn, target.tree.get());
    EXPECT_EQ(source.tree->DragCancels, 1);
    EXPECT_EQ(mouseUps, 2);
    EXPECT_FALSE(source.tree->TreeStates().intersects({tsVCLDragPending, tsLeftButtonDown, tsRightButtonDown}));
}

namespace {

// Whether the picture holds a pixel of the colour within the rectangle.
bool Holds(const QImage &picture, const QRect &r, const QColor &color)
{
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), picture.height() - 1); ++y)
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), picture.width() - 1); ++x)
            if (picture.pixelColor(x, y).rgb() == color.rgb() && qAlpha(picture.pixel(x, y)) == 255)
                return true;
    return false;
}

} // namespace

TEST(TreeGridFrameworkDragTest, ThePointerCarriesAPictureOfTheDraggedRows)
{
    TDragFixture source(QPoint(0, 0));
    TDragFixture target(QPoint(400, 0));
    source.AddRows(4);
    target.AddRows(4, QStringLiteral("Target"));
    target.tree->OnDragOver = [&](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                                  TTGDropMode mode, Qt::DropAction &, bool &accept) { accept = mode != dmNowhere; };
    const QColor refusal(200, 0, 0);

    const QPoint press = source.Row(1, 40);
    source.Press(press);
    // The selected row's paper, as the tree shows it.
    const QColor selected = source.viewport->grab().toImage().pixelColor(press.x() + 60, press.y());
    ASSERT_NE(selected.rgb(), source.viewport->grab().toImage().pixelColor(press.x() + 60, source.Row(2).y()).rgb());
    source.Move(press + QPoint(0, 2 * QApplication::startDragDistance()));
    ASSERT_TRUE(source.tree->FrameworkDragging());
    // Over its own rows, which take no drop: the pointer, a no-entry sign, and the row beside.
    const QCursor *cursor = QGuiApplication::overrideCursor();
    ASSERT_NE(cursor, nullptr);
    ASSERT_FALSE(cursor->pixmap().isNull());
    EXPECT_EQ(cursor->hotSpot(), QPoint(0, 0));
    const QImage refused = cursor->pixmap().toImage();
    const QRect rows(TBaseTreeGrid::DragPictureOffset, refused.size());
    EXPECT_TRUE(Holds(refused, rows, selected)) << "the selected row is in the picture";
    EXPECT_TRUE(Holds(refused, QRect(0, 0, rows.left(), rows.top()), refusal));
    EXPECT_EQ(refused.pixelColor(1, 3).rgb(), QColor(Qt::white).rgb()) << "the arrow at the tip";

    // Over a row of the other tree, which takes it: the same rows, without the sign.
    source.Move(Across(source.viewport, target.viewport, target.Row(2, 40)));
    cursor = QGuiApplication::overrideCursor();
    ASSERT_NE(cursor, nullptr);
    const QImage accepted = cursor->pixmap().toImage();
    EXPECT_TRUE(Holds(accepted, rows, selected));
    EXPECT_FALSE(Holds(accepted, accepted.rect(), refusal));
    EXPECT_EQ(accepted.copy(rows), refused.copy(rows));

    // The drop gives the pointer back.
    source.Release(Across(source.viewport, target.viewport, target.Row(2, 40)));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(source.tree->FrameworkDragging());
}
