// Context menus found from a row up through its parents, the context-menu key, the cursor over
// hot rows, and what losing the focus or the window ends.

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QMenu>

#include "CursorRegistry.h"
#include "TreeGridInputTestSupport.h"
#include "treegrid/TreeGridRoutines.h"

using namespace inputtest;

namespace {

TEST(TreeGridMenuAndCursorTest, MenusComeFromTheRowOrItsParentsAndTheMenuKeyOpensThem)
{
    TInputFixture f;
    f.Options({toMultiSelect, toFullRowSelect, toRightClickSelect});
    PGridNode group = f.Add(QStringLiteral("Group"));
    PGridNode task = f.Add(QStringLiteral("Task"), group);
    PGridNode detail = f.Add(QStringLiteral("Detail"), task);
    PGridNode other = f.Add(QStringLiteral("Other"));
    f.tree->FullExpand();
    f.tree->UpdateScrollBars(true);

    QMenu groupMenu;
    groupMenu.addAction(QStringLiteral("Group action"));
    std::vector<PGridNode> asked;
    PGridNode stopAt = nullptr;
    f.tree->OnGetPopupMenu = [&](TBaseTreeGrid *, PGridNode node, TColumnIndex, QPoint, bool &askParent,
                                 QMenu *&popup) {
        asked.push_back(node);
        if (node == group)
            popup = &groupMenu;
        if (node == stopAt)
            askParent = false;
    };

    // The detail row has no menu of its own: its task, then its group are asked (on the press,
    // whether the selection may be cleared, and on the release, for the menu to show).
    auto rightClick = [&](QPoint p) {
        f.Press(p, Qt::NoModifier, Qt::RightButton);
        asked.clear();
        f.Release(p, Qt::NoModifier, Qt::RightButton);
    };
    rightClick(f.Row(2));
    EXPECT_EQ(asked, (std::vector<PGridNode>{detail, task, group}));
    EXPECT_TRUE(groupMenu.isVisible());
    groupMenu.hide();

    // A row may keep its parents out of it.
    stopAt = task;
    rightClick(f.Row(2));
    EXPECT_EQ(asked, (std::vector<PGridNode>{detail, task}));
    EXPECT_FALSE(groupMenu.isVisible());

    // Below the rows the owner is asked once, without a row or column.
    rightClick(f.Row(8));
    EXPECT_EQ(asked, (std::vector<PGridNode>{nullptr}));

    // The context-menu key opens the focused row's menu in the middle of its text.
    stopAt = nullptr;
    asked.clear();
    f.tree->SetFocusedNode(task);
    f.Key(Qt::Key_Menu);
    EXPECT_EQ(asked, (std::vector<PGridNode>{task, group}));
    ASSERT_TRUE(groupMenu.isVisible());
    const QRect row = f.tree->GetDisplayRect(task, NoColumn, true);
    const QRect text(f.viewport->mapToGlobal(row.topLeft()), row.size());
    EXPECT_GE(groupMenu.pos().x(), text.left());
    EXPECT_LE(groupMenu.pos().x(), text.right());
    EXPECT_EQ(groupMenu.pos().y(), text.top() + text.height() / 2);
    groupMenu.hide();
    // Without a focused row the key does nothing.
    asked.clear();
    f.tree->SetFocusedNode(nullptr);
    f.Key(Qt::Key_Menu);
    EXPECT_TRUE(asked.empty());

    // The tree's own menu wins over the per-row ones and leaves the selection alone.
    QMenu own;
    own.addAction(QStringLiteral("Own action"));
    f.tree->SetPopupMenu(&own);
    f.Click(f.Row(0));
    f.Click(f.Row(3), Qt::ControlModifier);
    rightClick(f.Row(3));
    EXPECT_TRUE(own.isVisible());
    EXPECT_FALSE(groupMenu.isVisible());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(f.Selected(), Names({"Group", "Other"}));
    EXPECT_EQ(f.tree->FocusedNode(), other);
    own.hide();
}

TEST(TreeGridMenuAndCursorTest, TheCursorFollowsHotRowsAndTheOwner)
{
    TInputFixture f;
    f.AddRows(3);
    auto &options = f.tree->TreeOptions();
    options.SetPaintOptions(options.PaintOptions() + toHotTrack);
    f.tree->SetHotCursor(crHandPoint);
    const int x = XWhere(*f.tree, f.Row(0).y(), hiOnItemLabel);
    ASSERT_GT(x, 0);

    f.Move(f.Row(1, x));
    EXPECT_EQ(f.tree->HotNode(), f.tree->GetFirst()->NextSibling);
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::PointingHandCursor);
    // Below the rows nothing is hot and the cursor is the plain one again.
    f.Move(f.Row(7, x));
    EXPECT_EQ(f.tree->HotNode(), nullptr);
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::ArrowCursor);

    // The owner has the last word, over rows and beside them.
    TCursor asked = -1;
    f.tree->OnGetCursor = [&](TBaseTreeGrid *, TCursor &cursor) {
        asked = cursor;
        cursor = crVertSplit;
    };
    f.Move(f.Row(0, x));
    EXPECT_EQ(asked, crHandPoint);
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::SplitVCursor);
    f.Move(f.Row(7, x));
    EXPECT_EQ(asked, crDefault);
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::SplitVCursor);

    // Without hot tracking the hot cursor is not used.
    f.tree->OnGetCursor = nullptr;
    options.SetPaintOptions(options.PaintOptions() - toHotTrack);
    f.Move(f.Row(2, x));
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::ArrowCursor);
}

TEST(TreeGridMenuAndCursorTest, LosingTheFocusOrTheWindowEndsWhatIsUnderWay)
{
    TInputFixture f(QSize(300, 120));
    f.Options({toMultiSelect, toFullRowSelect});
    f.AddRows(30);
    f.tree->SetIncrementalSearch(isAll);
    f.tree->SetIncrementalSearchTimeout(60000);

    // A search and panning are under way when the focus goes.
    QTest::keyClick(f.tree.get(), 'R');
    ASSERT_EQ(f.tree->SearchBuffer(), QStringLiteral("R"));
    ASSERT_TRUE(f.tree->TreeStates().contains(tsIncrementalSearching));
    f.Press(f.Row(2), Qt::NoModifier, Qt::MiddleButton);
    ASSERT_TRUE(f.tree->IsPanning());
    ASSERT_NE(f.tree->PanningWindow(), nullptr);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.tree.get(), &out);
    EXPECT_FALSE(f.tree->IsPanning());
    EXPECT_EQ(f.tree->PanningWindow(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    EXPECT_FALSE(f.tree->TreeStates().contains(tsIncrementalSearching));
    EXPECT_FALSE(f.tree->FSearchTimer.isActive());
    f.Release(f.Row(2), Qt::NoModifier, Qt::MiddleButton);

    // A popup menu taking the keyboard keeps the search going.
    QTest::keyClick(f.tree.get(), 'R');
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(f.tree.get(), &popup);
    EXPECT_EQ(f.tree->SearchBuffer(), QStringLiteral("R"));

    // The window losing its activation drops a rubber band being drawn.
    f.Press(f.Row(5, 250));
    f.Move(f.Row(2, 200));
    ASSERT_TRUE(f.tree->TreeStates().contains(tsDrawSelecting));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(f.viewport, &deactivate);
    EXPECT_FALSE(f.tree->TreeStates().intersects({tsDrawSelecting, tsDrawSelPending}));
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    f.Release(f.Row(2, 200));
}

} // namespace
