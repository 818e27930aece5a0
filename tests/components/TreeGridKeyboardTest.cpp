#include <gtest/gtest.h>

#include "TreeGridInputTestSupport.h"

using namespace inputtest;

namespace {

TEST(TreeGridKeyboardTest, ArrowsHomeEndAndPagesMoveFocusAndSelection)
{
    TInputFixture f; // 200 pixels: 11 whole rows of 18
    f.Options({toMultiSelect, toFullRowSelect});
    f.AddRows(40);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 0")) << "with nothing focused Down starts at the top";
    f.Key(Qt::Key_Down);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
    EXPECT_EQ(f.Selected(), Names({"Row 2"}));

    // Shift extends from the anchor; going back over it gives the rows up again.
    f.Key(Qt::Key_Down, Qt::ShiftModifier);
    f.Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 2", "Row 3", "Row 4"}));
    f.Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 2", "Row 3"}));
    f.Key(Qt::Key_Up, Qt::ShiftModifier);
    f.Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), Names({"Row 1", "Row 2"}));
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.Selected(), Names({"Row 2"})) << "a plain key leaves only the focused row selected";

    // A page moves by as many whole rows as the client area holds.
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 13"));
    f.Key(Qt::Key_PageUp);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
    f.Key(Qt::Key_End);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 39"));
    EXPECT_EQ(f.tree->OffsetY(), f.tree->ClientHeight() - 40 * f.rowHeight) << "the focused row is scrolled into view";
    f.Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(f.Selected().size(), 40u) << "Shift+Home selects up to the first row";
    f.Key(Qt::Key_Home);
    EXPECT_EQ(f.Selected(), Names({"Row 0"}));

    // Ctrl scrolls without moving the focus.
    f.Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), -f.rowHeight);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 0"));
    f.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), f.tree->ClientHeight() - 40 * f.rowHeight);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 0"));
}

TEST(TreeGridKeyboardTest, PagesStayWhenTheFocusedRowIsTallerThanTheView)
{
    TInputFixture f;
    f.Options({toMultiSelect, toFullRowSelect});
    auto rows = f.AddRows(5);
    f.tree->SetNodeHeight(rows[2], 400);
    f.tree->SetFocusedNode(rows[2]);
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
    f.Key(Qt::Key_PageUp);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
    // From the row before it the page ends on the tall row.
    f.tree->SetFocusedNode(rows[1]);
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
}

TEST(TreeGridKeyboardTest, LeftRightAndTheNumericKeysExpandAndCollapse)
{
    TInputFixture f;
    PGridNode a = f.Add(QStringLiteral("A"));
    PGridNode a1 = f.Add(QStringLiteral("a1"), a);
    f.Add(QStringLiteral("x"), a1);
    f.Add(QStringLiteral("B"));
    f.tree->SetFocusedNode(a);
    f.Key(Qt::Key_Right);
    EXPECT_TRUE(f.tree->Expanded(a));
    f.Key(Qt::Key_Right);
    EXPECT_EQ(f.Focused(), QStringLiteral("a1"));
    f.Key(Qt::Key_Left);
    EXPECT_EQ(f.Focused(), QStringLiteral("A")) << "a collapsed child steps to its parent";
    f.Key(Qt::Key_Left);
    EXPECT_FALSE(f.tree->Expanded(a));
    f.Key(Qt::Key_Asterisk);
    EXPECT_TRUE(f.tree->Expanded(a));
    EXPECT_TRUE(f.tree->Expanded(a1));
    f.Key(Qt::Key_Slash);
    EXPECT_FALSE(f.tree->Expanded(a1));
    f.Key(Qt::Key_Plus);
    EXPECT_TRUE(f.tree->Expanded(a));
    f.Key(Qt::Key_Minus);
    EXPECT_FALSE(f.tree->Expanded(a));
    f.Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(f.tree->Expanded(a1));
    f.Key(Qt::Key_Minus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(f.tree->Expanded(a));
    f.Key(Qt::Key_F1);
    EXPECT_EQ(f.Focused(), QStringLiteral("A")) << "F1 does nothing";
}

TEST(TreeGridKeyboardTest, SpaceChecksOnReleaseAndAnotherKeyWithdrawsIt)
{
    TInputFixture f;
    f.Options({}, {toCheckSupport});
    auto rows = f.AddRows(3);
    for (PGridNode row : rows)
        f.tree->SetCheckType(row, TCheckType::ctCheckBox);
    f.tree->SetFocusedNode(rows[0]);

    QTest::keyPress(f.tree.get(), Qt::Key_Space);
    EXPECT_EQ(f.tree->CheckState(rows[0]), csUncheckedPressed);
    QTest::keyRelease(f.tree.get(), Qt::Key_Space);
    EXPECT_EQ(f.tree->CheckState(rows[0]), csCheckedNormal);

    // Space, then Down before Space comes up: the box looks normal again and keeps its state.
    QTest::keyPress(f.tree.get(), Qt::Key_Space);
    EXPECT_EQ(f.tree->CheckState(rows[0]), csCheckedPressed);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.tree->CheckState(rows[0]), csCheckedNormal);
    QTest::keyRelease(f.tree.get(), Qt::Key_Space);
    EXPECT_EQ(f.tree->CheckState(rows[0]), csCheckedNormal);
    EXPECT_EQ(f.tree->CheckState(rows[1]), csUncheckedNormal);
    EXPECT_EQ(f.tree->CheckNode(), nullptr);

    // A disabled row does not take the press.
    rows[1]->States.include(vsDisabled);
    f.Key(Qt::Key_Space);
    EXPECT_EQ(f.tree->CheckState(rows[1]), csUncheckedNormal);
}

TEST(TreeGridKeyboardTest, TabWalksTheCellsWhenTheTreeWantsTabs)
{
    TInputFixture f;
    f.Options({toExtendedFocus});
    f.AddColumns({80, 80, 80});
    auto rows = f.AddRows(2);
    f.tree->SetWantTabs(true);
    f.tree->SetFocusedNodeAndColumn(rows[0], 1);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.tree->FocusedColumn(), 2);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 1"));
    EXPECT_EQ(f.tree->FocusedColumn(), 0) << "wrapping to the first cell of the next row";
    f.Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 0"));
    EXPECT_EQ(f.tree->FocusedColumn(), 2);
    EXPECT_TRUE(f.tree->hasFocus());

    // A column the owner refuses is passed over; at the end nothing moves.
    f.tree->OnFocusChanging = [](TBaseTreeGrid *, PGridNode, PGridNode, TColumnIndex, TColumnIndex newColumn,
                                 bool &allowed) { allowed = newColumn != 1; };
    f.tree->SetFocusedNodeAndColumn(rows[1], 0);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.tree->FocusedColumn(), 2);
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 1"));
    EXPECT_EQ(f.tree->FocusedColumn(), 2);
}

TEST(TreeGridKeyboardTest, CtrlASelectsTheVisibleRowsAndF2AsksForAnEdit)
{
    TInputFixture f;
    f.Options({toMultiSelect});
    auto rows = f.AddRows(6);
    f.tree->SetIsHidden(rows[4], true);
    f.Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.Selected().size(), 5u) << "a hidden row is not selected behind the user's back";

    f.tree->SetFocusedNode(rows[1]);
    f.Key(Qt::Key_F2);
    EXPECT_EQ(f.tree->Edits, 0) << "not editable";
    f.Options({}, {toEditable});
    f.Key(Qt::Key_F2);
    EXPECT_EQ(f.tree->Edits, 1);

    // The owner's key action may change or refuse a key.
    f.tree->OnKeyAction = [](TBaseTreeGrid *, int &key, Qt::KeyboardModifiers &, bool &doDefault) {
        if (key == Qt::Key_Up)
            doDefault = false;
        if (key == Qt::Key_J)
            key = Qt::Key_Down;
    };
    f.Key(Qt::Key_Up);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 1"));
    f.Key(Qt::Key_J);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 2"));
}

} // namespace

namespace {

TEST(TreeGridKeyboardTest, AGridWalksItsCellsAndCtrlScrollsByPages)
{
    TInputFixture f; // a 300 x 200 client area less the bars
    f.Options({toExtendedFocus, toMultiSelect}, {toGridExtensions});
    f.AddColumns({120, 120, 120, 120, 120});
    auto rows = f.AddRows(40);
    f.tree->SetFocusedNodeAndColumn(rows[3], 0);

    // Left and right move between the cells of the row.
    f.Key(Qt::Key_Right);
    f.Key(Qt::Key_Right);
    EXPECT_EQ(f.tree->FocusedColumn(), 2);
    EXPECT_EQ(f.tree->FocusedNode(), rows[3]);
    f.Key(Qt::Key_Left);
    EXPECT_EQ(f.tree->FocusedColumn(), 1);
    // Home and End reach the row's ends; only with Ctrl the first or last row.
    f.Key(Qt::Key_End);
    EXPECT_EQ(f.tree->FocusedColumn(), 4);
    EXPECT_EQ(f.tree->FocusedNode(), rows[3]);
    f.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.tree->FocusedColumn(), 0);
    EXPECT_EQ(f.tree->FocusedNode(), rows[0]);
    EXPECT_EQ(f.Selected(), Names({"Row 0"}));
    // Shift+Page Down steps over the columns while their widths together stay below the view's.
    const int steps = (f.tree->ClientWidth() - 1) / 120;
    ASSERT_GE(steps, 2);
    f.Key(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(f.tree->FocusedColumn(), steps);
    f.Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(f.tree->FocusedColumn(), 0);

    // Ctrl+Page Down scrolls a page, Ctrl+Right a column's width sideways; the focus stays.
    f.tree->SetOffsetXY(QPoint(0, 0));
    f.Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), -f.tree->ClientHeight());
    f.Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetY(), 0);
    f.Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetX(), -f.tree->Header()->Columns()->GetScrollWidth());
    f.Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetX(), 0);
    f.Key(Qt::Key_PageDown, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(f.tree->OffsetX(), -f.tree->ClientWidth());
    EXPECT_EQ(f.tree->FocusedNode(), rows[0]);
    EXPECT_EQ(f.tree->FocusedColumn(), 0);
}

TEST(TreeGridKeyboardTest, EscapeDropsTheRubberBand)
{
    TInputFixture f;
    f.Options({toMultiSelect});
    f.AddRows(10);
    f.Press(f.Row(6, 250));
    f.Move(f.Row(2, 200));
    ASSERT_TRUE(f.tree->TreeStates().contains(tsDrawSelecting));
    f.Key(Qt::Key_Escape);
    EXPECT_FALSE(f.tree->TreeStates().intersects({tsDrawSelecting, tsDrawSelPending}));
    // Moving on no longer draws or selects.
    f.Move(f.Row(0, 10));
    EXPECT_TRUE(f.Selected().empty());
    f.Release(f.Row(0, 10));
    EXPECT_TRUE(f.Selected().empty());
}

} // namespace
