#include <gtest/gtest.h>

#include <QMenu>

#include "TreeGridInputTestSupport.h"
#include "treegrid/TreeGridPanningWindow.h"

using namespace inputtest;

namespace {

TEST(TreeGridMouseTest, ClicksWithCtrlAndShiftSelectAsAPersonExpects)
{
    TInputFixture f;
    f.Options({toMultiSelect, toFullRowSelect});
    f.AddRows(10);
    int clicks = 0;
    int changes = 0;
    f.tree->OnClick = [&](TBaseTreeGrid *) { ++clicks; };
    f.tree->OnChange = [&](TBaseTreeGrid *, PGridNode) { ++changes; };

    f.Click(f.Row(2));
    EXPECT_EQ(f.Selected(), Names({"Row 2"}));
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(changes, 1);

    f.Click(f.Row(5), Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 2", "Row 5"}));
    f.Click(f.Row(2), Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 5"})) << "Ctrl+click takes a selected row out";
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));

    // Shift selects from the anchor (the last Ctrl-clicked row) to the clicked one.
    f.Click(f.Row(4), Qt::ControlModifier);
    f.Click(f.Row(7), Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 4", "Row 5", "Row 6", "Row 7"}));
    f.Click(f.Row(1), Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2", "Row 3", "Row 4"})) << "the range turns around the anchor";
    f.Click(f.Row(9), Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(f.Selected().size(), 9u) << "Ctrl+Shift adds the range to what is selected";

    // A plain click on one of several selected rows leaves that row alone selected.
    f.Click(f.Row(3));
    EXPECT_EQ(f.Selected(), Names({"Row 3"}));
    // A click below the last row clears the selection.
    f.tree->SetRootNodeCount(0);
    f.AddRows(4);
    f.Click(f.Row(1));
    f.Click(f.Row(8));
    EXPECT_TRUE(f.Selected().empty());
    EXPECT_EQ(clicks, 10);
}

TEST(TreeGridMouseTest, ShiftRangeRunsAcrossLevels)
{
    TInputFixture f;
    f.Options({toMultiSelect, toFullRowSelect});
    PGridNode a = f.Add(QStringLiteral("A"));
    f.Add(QStringLiteral("a1"), a);
    f.Add(QStringLiteral("a2"), a);
    PGridNode b = f.Add(QStringLiteral("B"));
    f.Add(QStringLiteral("b1"), b);
    f.Add(QStringLiteral("C"));
    f.tree->SetExpanded(a, true);
    f.tree->SetExpanded(b, true);
    f.tree->UpdateScrollBars(true);
    // Rows: A, a1, a2, B, b1, C.
    f.Click(f.Row(1));
    f.Click(f.Row(4), Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"a1", "a2", "B", "b1"}));

    // Under the level constraint only rows of the anchor's level join.
    f.Options({toLevelSelectConstraint});
    f.Click(f.Row(2));
    f.Click(f.Row(4), Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"a2", "b1"}));
}

TEST(TreeGridMouseTest, RubberBandStartsOnlyBeyondTheDragThreshold)
{
    TInputFixture f;
    f.Options({toMultiSelect});
    f.AddRows(10);
    int changes = 0;
    f.tree->OnChange = [&](TBaseTreeGrid *, PGridNode) { ++changes; };
    const int threshold = QApplication::startDragDistance();

    // Right of the texts: no row is hit, so the press starts a band.
    const QPoint start(200, f.rowHeight + 4);
    f.Press(start);
    EXPECT_TRUE(f.tree->TreeStates().contains(tsDrawSelPending));
    f.Move(start + QPoint(0, threshold));
    EXPECT_TRUE(f.tree->TreeStates().contains(tsDrawSelPending)) << "a move of the threshold itself is no band yet";
    EXPECT_FALSE(f.tree->TreeStates().contains(tsDrawSelecting));

    // Beyond it the band runs: rows count where their texts lie, so it is drawn over them.
    changes = 0;
    f.Move(QPoint(20, 3 * f.rowHeight + 4));
    EXPECT_TRUE(f.tree->TreeStates().contains(tsDrawSelecting));
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2", "Row 3"}));
    EXPECT_EQ(changes, 1) << "one notification for the whole move";
    changes = 0;
    f.Move(QPoint(20, 5 * f.rowHeight + 4));
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2", "Row 3", "Row 4", "Row 5"}));
    EXPECT_EQ(changes, 1);
    f.Move(QPoint(20, 2 * f.rowHeight + 4));
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2"})) << "rows the band leaves are given up";
    f.Release(QPoint(20, 2 * f.rowHeight + 4));
    EXPECT_FALSE(f.tree->IsMouseSelecting());
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2"}));

    // Escape ends a band; a second band with Ctrl inverts what it touches.
    f.Press(QPoint(200, 2 * f.rowHeight + 4), Qt::ControlModifier);
    f.Move(QPoint(20, 3 * f.rowHeight + 4));
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 3"}));
    f.Key(Qt::Key_Escape);
    EXPECT_FALSE(f.tree->IsMouseSelecting());
    f.Release(QPoint(20, 3 * f.rowHeight + 4), Qt::ControlModifier);
}

TEST(TreeGridMouseTest, RightClickWithAMenuKeepsTheMultiSelection)
{
    TInputFixture f;
    f.Options({toMultiSelect, toFullRowSelect, toRightClickSelect});
    f.AddRows(6);
    QMenu menu;
    menu.addAction(QStringLiteral("Delete"));
    bool offerMenu = true;
    PGridNode askedFor = nullptr;
    f.tree->OnGetPopupMenu = [&](TBaseTreeGrid *, PGridNode node, TColumnIndex, QPoint, bool &, QMenu *&popup) {
        askedFor = node;
        if (offerMenu)
            popup = &menu;
    };
    f.Click(f.Row(1));
    f.Click(f.Row(2), Qt::ControlModifier);
    f.Click(f.Row(3), Qt::ControlModifier);
    ASSERT_EQ(f.Selected().size(), 3u);

    f.Click(f.Row(2), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2", "Row 3"}));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(f.tree->TreeStates().contains(tsPopupMenuShown));
    EXPECT_EQ(askedFor, f.tree->GetFirstSelected()->NextSibling);
    menu.hide();

    // Without a menu the right click selects like a left one.
    offerMenu = false;
    f.Click(f.Row(2), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(f.Selected(), Names({"Row 2"}));
    EXPECT_FALSE(menu.isVisible());
}

TEST(TreeGridMouseTest, CheckBoxClicksFollowTheTriStateParent)
{
    TInputFixture f;
    f.Options({}, {toCheckSupport});
    PGridNode parent = f.Add(QStringLiteral("Parent"));
    PGridNode first = f.Add(QStringLiteral("First"), parent);
    PGridNode second = f.Add(QStringLiteral("Second"), parent);
    f.tree->SetCheckType(parent, TCheckType::ctTriStateCheckBox);
    f.tree->SetCheckType(first, TCheckType::ctCheckBox);
    f.tree->SetCheckType(second, TCheckType::ctCheckBox);
    f.tree->SetExpanded(parent, true);
    f.tree->UpdateScrollBars(true);
    int checked = 0;
    f.tree->OnChecked = [&](TBaseTreeGrid *, PGridNode) { ++checked; };

    const int y1 = f.Row(1).y();
    const int x = XWhere(*f.tree, y1, hiOnItemCheckbox);
    ASSERT_GT(x, 0);
    f.Press(QPoint(x, y1));
    EXPECT_EQ(f.tree->CheckState(first), csUncheckedPressed) << "a pressed box shows its pressed look";
    EXPECT_EQ(f.tree->CheckNode(), first);
    f.Release(QPoint(x, y1));
    EXPECT_EQ(f.tree->CheckState(first), csCheckedNormal);
    EXPECT_EQ(f.tree->CheckState(parent), csMixedNormal);

    // Released away from the box: nothing changes and the box looks normal again.
    const int y2 = f.Row(2).y();
    f.Press(QPoint(x, y2));
    f.Release(QPoint(250, f.Row(0).y()));
    EXPECT_EQ(f.tree->CheckState(second), csUncheckedNormal);
    EXPECT_EQ(f.tree->CheckState(parent), csMixedNormal);

    f.Click(QPoint(x, y2));
    EXPECT_EQ(f.tree->CheckState(second), csCheckedNormal);
    EXPECT_EQ(f.tree->CheckState(parent), csCheckedNormal);
    EXPECT_GE(checked, 2);

    // The parent's box unchecks both children.
    f.Click(QPoint(XWhere(*f.tree, f.Row(0).y(), hiOnItemCheckbox), f.Row(0).y()));
    EXPECT_EQ(f.tree->CheckState(parent), csUncheckedNormal);
    EXPECT_EQ(f.tree->CheckState(first), csUncheckedNormal);
    EXPECT_EQ(f.tree->CheckState(second), csUncheckedNormal);
}

TEST(TreeGridMouseTest, DoubleClickTogglesAndReportsColumnClicks)
{
    TInputFixture f;
    f.Options({toFullRowSelect});
    f.AddColumns({150, 150});
    PGridNode parent = f.Add(QStringLiteral("Parent"));
    f.Add(QStringLiteral("Child"), parent);
    f.tree->UpdateScrollBars(true);
    int doubles = 0;
    std::vector<TColumnIndex> columnClicks;
    std::vector<TColumnIndex> columnDoubles;
    f.tree->OnDblClick = [&](TBaseTreeGrid *) { ++doubles; };
    f.tree->OnColumnClick = [&](TBaseTreeGrid *, TColumnIndex column, TTGShiftState) { columnClicks.push_back(column); };
    f.tree->OnColumnDblClick = [&](TBaseTreeGrid *, TColumnIndex column, TTGShiftState) {
        columnDoubles.push_back(column);
    };

    f.DoubleClick(f.Row(0, 200));
    EXPECT_TRUE(f.tree->Expanded(parent));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(columnClicks, (std::vector<TColumnIndex>{1, 1}));
    EXPECT_EQ(columnDoubles, (std::vector<TColumnIndex>{1}));
    f.DoubleClick(f.Row(0, 200));
    EXPECT_FALSE(f.tree->Expanded(parent));

    // Without the option a double click leaves the node as it is.
    auto &options = f.tree->TreeOptions();
    options.SetMiscOptions(options.MiscOptions() - toToggleOnDblClick);
    f.DoubleClick(f.Row(0, 200));
    EXPECT_FALSE(f.tree->Expanded(parent));

    // A press on the expand button toggles at once.
    int buttonX = -1;
    for (int x = 0; x < 150 && buttonX < 0; ++x)
        if (f.tree->GetHitTestInfoAt(x, f.Row(0).y()).HitPositions.contains(hiOnItemButton))
            buttonX = x;
    ASSERT_GE(buttonX, 0);
    f.Click(QPoint(buttonX + 1, f.Row(0).y()));
    EXPECT_TRUE(f.tree->Expanded(parent));
}

TEST(TreeGridMouseTest, HotTrackingAndNodeHeightByMouse)
{
    TInputFixture f;
    f.Options({toFullRowSelect}, {toNodeHeightResize});
    f.AddColumns({200});
    auto rows = f.AddRows(5);
    std::vector<std::pair<PGridNode, PGridNode>> hot;
    f.tree->OnHotChange = [&](TBaseTreeGrid *, PGridNode oldNode, PGridNode newNode) { hot.push_back({oldNode, newNode}); };
    f.Move(f.Row(1));
    f.Move(f.Row(1, 150));
    f.Move(f.Row(3));
    ASSERT_EQ(hot.size(), 2u) << "moving within a row is no change";
    EXPECT_EQ(hot[0], std::make_pair(PGridNode(nullptr), rows[1]));
    EXPECT_EQ(hot[1], std::make_pair(rows[1], rows[3]));
    EXPECT_EQ(f.tree->HotNode(), rows[3]);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.viewport, &leave);
    EXPECT_EQ(f.tree->HotNode(), nullptr);

    // The lower edge of row 1 tracks its height; the cursor shows it.
    const QPoint edge(100, 2 * f.rowHeight - 2);
    f.Move(edge);
    EXPECT_EQ(f.viewport->cursor().shape(), Qt::SplitVCursor);
    f.Press(edge);
    f.Move(edge + QPoint(0, 20));
    // The row reaches down to the pointer.
    EXPECT_EQ(f.tree->NodeHeight(rows[1]), std::uint32_t(edge.y() + 20 - f.rowHeight));
    f.Release(edge + QPoint(0, 20));
    EXPECT_FALSE(f.tree->TreeStates().contains(tsNodeHeightTracking));
    // A double click on the edge gives the row its default height back.
    auto &options = f.tree->TreeOptions();
    options.SetMiscOptions(options.MiscOptions() + toNodeHeightDblClickResize);
    const QPoint newEdge(100, edge.y() + 20 - 2);
    f.DoubleClick(newEdge);
    EXPECT_EQ(f.tree->NodeHeight(rows[1]), f.tree->DefaultNodeHeight());

    // The row being tracked goes away meanwhile (deleted by another instance): the drag ends quietly.
    f.Press(edge);
    f.Move(edge + QPoint(0, 5));
    ASSERT_TRUE(f.tree->TreeStates().contains(tsNodeHeightTracking));
    f.tree->DeleteNode(rows[1]);
    f.Move(edge + QPoint(0, 10));
    f.Release(edge + QPoint(0, 10));
    EXPECT_EQ(f.tree->NodeHeight(rows[2]), f.tree->DefaultNodeHeight());
}

} // namespace
