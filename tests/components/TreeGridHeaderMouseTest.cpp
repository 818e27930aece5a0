#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMenu>

#include "TreeGridHeaderTestSupport.h"
#include "treegrid/TreeGridHintWindow.h"
#include "treegrid/TreeGridRoutines.h"

using headertest::THeaderFixture;

namespace {

int DragDistance()
{
    return QApplication::startDragDistance();
}

TEST(TreeGridHeaderMouseTest, SplitterToleranceAndTheRightmostBorderWins)
{
    THeaderFixture f({50, 60, 70});
    TTreeGridHeader &h = *f.header;
    // The border at x = 50 reaches from 48 to 54 (3 left and 5 right are out).
    for (int x : {47, 55, 20, 80}) {
        EXPECT_FALSE(h.DetermineSplitterIndex(QPoint(x, -5))) << x;
        EXPECT_EQ(f.columns->TrackIndex(), NoColumn);
    }
    for (int x : {48, 50, 54}) {
        EXPECT_TRUE(h.DetermineSplitterIndex(QPoint(x, -5))) << x;
        EXPECT_EQ(f.columns->TrackIndex(), 0) << x;
        EXPECT_EQ(h.TrackPoint().x(), 0) << x;
    }
    EXPECT_TRUE(h.DetermineSplitterIndex(QPoint(182, -5)));
    EXPECT_EQ(f.columns->TrackIndex(), 2);
    EXPECT_EQ(h.TrackPoint().x(), 110);

    // Two borders in range: the column further right takes it, so that a column of width 0
    // can be widened again.
    f.columns->Items(1)->SetWidth(4);
    ASSERT_TRUE(h.DetermineSplitterIndex(QPoint(52, -5)));
    EXPECT_EQ(f.columns->TrackIndex(), 1);
    f.columns->Items(1)->SetWidth(0);
    ASSERT_TRUE(h.DetermineSplitterIndex(QPoint(50, -5)));
    EXPECT_EQ(f.columns->TrackIndex(), 1);

    // A scrolled header moves its borders; a column that is not resizable has none.
    f.columns->Items(1)->SetWidth(60);
    f.tree->SetScrolledBy(30);
    EXPECT_TRUE(h.DetermineSplitterIndex(QPoint(80, -5)));
    EXPECT_EQ(f.columns->TrackIndex(), 1);
    f.columns->Items(1)->SetOptions(f.columns->Items(1)->Options() - coResizable);
    EXPECT_FALSE(h.DetermineSplitterIndex(QPoint(80, -5)));
    // The owner may refuse a border.
    f.tree->SetScrolledBy(0);
    f.tree->OnCanSplitterResizeColumn = [](TTreeGridHeader *, QPoint, TColumnIndex column, bool &allowed) {
        allowed = column != 0;
    };
    EXPECT_FALSE(h.DetermineSplitterIndex(QPoint(50, -5)));
}

TEST(TreeGridHeaderMouseTest, SplitCursorsComeFromTheRegisteredOnes)
{
    THeaderFixture f({50, 60});
    f.header->SetOptions(f.header->Options() + hoHeightResize);
    f.Move(QPoint(51, -8));
    EXPECT_EQ(f.strip->cursor().shape(), TCursorRegistry::Cursor(crHeaderSplit).shape());
    f.Move(QPoint(25, -8));
    EXPECT_EQ(f.strip->cursor().shape(), Qt::ArrowCursor);
    f.Move(QPoint(25, -1));
    EXPECT_EQ(f.strip->cursor().shape(), TCursorRegistry::Cursor(crVertSplit).shape());
    // The lower edge reaches two pixels into the rows.
    f.Move(QPoint(25, 1));
    EXPECT_EQ(f.tree->viewport()->cursor().shape(), TCursorRegistry::Cursor(crVertSplit).shape());
    f.Move(QPoint(25, 10));
    EXPECT_EQ(f.tree->viewport()->cursor().shape(), Qt::ArrowCursor);

    TCursor asked = crDefault;
    f.tree->OnGetHeaderCursor = [&](TTreeGridHeader *, TCursor &cursor) {
        asked = cursor;
        cursor = crHandPoint;
    };
    f.Move(QPoint(25, -8));
    EXPECT_EQ(asked, crDefault);
    EXPECT_EQ(f.strip->cursor().shape(), Qt::PointingHandCursor);
}

TEST(TreeGridHeaderMouseTest, DraggingABorderResizesTheColumnWithPairedEvents)
{
    THeaderFixture f({50, 60, 70});
    std::vector<std::string> events;
    f.tree->OnBeforeColumnWidthTracking = [&](TTreeGridHeader *, TColumnIndex c, TTGShiftState) {
        events.push_back("before " + std::to_string(c));
    };
    f.tree->OnAfterColumnWidthTracking = [&](TTreeGridHeader *, TColumnIndex c) {
        events.push_back("after " + std::to_string(c));
    };
    int resized = 0;
    f.tree->OnColumnResize = [&](TTreeGridHeader *, TColumnIndex c) {
        EXPECT_EQ(c, 0);
        ++resized;
    };
    f.Press(QPoint(51, -5));
    EXPECT_TRUE(f.header->States().contains(hsColumnWidthTrackPending));
    f.Move(QPoint(71, -5));
    EXPECT_TRUE(f.header->States().contains(hsColumnWidthTracking));
    EXPECT_EQ(f.columns->Items(0)->Width(), 71);
    // The width follows the mouse even below the header and is clamped by the limits.
    f.columns->Items(0)->SetMaxWidth(90);
    f.Move(QPoint(150, 40));
    EXPECT_EQ(f.columns->Items(0)->Width(), 90);
    f.Move(QPoint(80, 40));
    f.Release(QPoint(80, 40));
    EXPECT_EQ(f.columns->Items(0)->Width(), 80);
    EXPECT_EQ(f.columns->Items(1)->Left(), 80);
    EXPECT_TRUE(f.header->States().empty());
    EXPECT_EQ(events, (std::vector<std::string>{"before 0", "after 0"}));
    EXPECT_GE(resized, 2);

    // Escape ends a tracking where it is: the width stays.
    f.Press(QPoint(81, -5));
    f.Move(QPoint(100, -5));
    f.Key(f.strip, Qt::Key_Escape);
    EXPECT_TRUE(f.header->States().empty());
    f.Move(QPoint(140, -5));
    f.Release(QPoint(140, -5));
    EXPECT_EQ(f.columns->Items(0)->Width(), 90);
    EXPECT_EQ(events.back(), "after 0");
}

TEST(TreeGridHeaderMouseTest, InTheRowsOnlyTheFixedBorderCountsAndNotBelowTheLastRow)
{
    THeaderFixture f({50, 60, 70});
    f.tree->SetKeys({1, 2, 3}); // three rows of 18 pixels
    ASSERT_EQ(f.tree->RangeY(), 54);
    EXPECT_FALSE(f.header->HandleMessage(*std::make_unique<TTGHeaderMessage>(
        TTGHeaderMessage{hmLButtonDown, QPoint(50, 10), QPoint(), {}, 0, crDefault})));
    f.columns->Items(0)->SetOptions(f.columns->Items(0)->Options() + coFixed);
    f.Move(QPoint(50, 10));
    EXPECT_EQ(f.tree->viewport()->cursor().shape(), TCursorRegistry::Cursor(crHeaderSplit).shape());
    f.Move(QPoint(110, 10));
    EXPECT_EQ(f.tree->viewport()->cursor().shape(), Qt::ArrowCursor);
    f.Move(QPoint(50, 60));
    EXPECT_EQ(f.tree->viewport()->cursor().shape(), Qt::ArrowCursor);

    f.Press(QPoint(50, 10));
    f.Move(QPoint(65, 12));
    f.Release(QPoint(65, 12));
    EXPECT_EQ(f.columns->Items(0)->Width(), 65);
}

TEST(TreeGridHeaderMouseTest, AClickBelowTheDragThresholdIsAClick)
{
    THeaderFixture f({50, 60, 70});
    f.header->SetOptions(f.header->Options() + hoDrag);
    std::vector<TTGHeaderHitInfo> clicks;
    f.tree->OnHeaderClick = [&](TTreeGridHeader *, const TTGHeaderHitInfo &info) { clicks.push_back(info); };
    int draggedEvents = 0;
    f.tree->OnHeaderDragged = [&](TTreeGridHeader *, TColumnIndex, TColumnPosition) { ++draggedEvents; };

    f.Press(QPoint(70, -10));
    EXPECT_TRUE(f.header->States().contains(hsDragPending));
    EXPECT_EQ(f.columns->DownIndex(), 1);
    f.Move(QPoint(70 + DragDistance(), -10 + DragDistance()));
    EXPECT_TRUE(f.header->States().contains(hsDragPending));
    f.Release(QPoint(70 + DragDistance(), -10 + DragDistance()));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Column, 1);
    EXPECT_EQ(clicks[0].Button, mbLeft);
    EXPECT_EQ(clicks[0].HitPosition, TTGHeaderHitPositions{hhiOnColumn});
    EXPECT_EQ(clicks[0].Y, 10 + DragDistance());
    EXPECT_EQ(f.Order(), "ABC");
    EXPECT_EQ(draggedEvents, 0);
    EXPECT_EQ(f.columns->DownIndex(), NoColumn);

    // Pressed on one column and released on another: no click on either.
    f.header->SetOptions(f.header->Options() - hoDrag);
    f.Press(QPoint(20, -10));
    f.Move(QPoint(70, -10));
    f.Release(QPoint(70, -10));
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[1].Column, NoColumn);
    EXPECT_EQ(clicks[1].HitPosition, TTGHeaderHitPositions{hhiNoWhere});

    // A column that is not clickable is never pressed.
    f.columns->Items(2)->SetOptions(f.columns->Items(2)->Options() - coAllowClick);
    f.Click(QPoint(130, -10));
    EXPECT_EQ(clicks.back().Column, NoColumn);
}

TEST(TreeGridHeaderMouseTest, DraggingAColumnMovesItAndEscapeLeavesItWhereItWas)
{
    THeaderFixture f({50, 60, 70});
    f.header->SetOptions(f.header->Options() + hoDrag);
    std::vector<std::pair<TColumnIndex, TColumnPosition>> dragged;
    f.tree->OnHeaderDragged = [&](TTreeGridHeader *, TColumnIndex c, TColumnPosition old) {
        dragged.emplace_back(c, old);
    };
    int draggedOut = 0;
    f.tree->OnHeaderDraggedOut = [&](TTreeGridHeader *, TColumnIndex, QPoint) { ++draggedOut; };

    // A onto the right half of C: behind C.
    f.Press(QPoint(20, -10));
    f.Move(QPoint(20 + DragDistance() + 1, -10));
    EXPECT_TRUE(f.header->States().contains(hsDragging));
    f.Move(QPoint(160, -10));
    EXPECT_EQ(f.columns->DropTarget(), 2);
    EXPECT_FALSE(f.columns->DropBefore());
    f.Release(QPoint(160, -10));
    EXPECT_EQ(f.Order(), "BCA");
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(dragged[0], (std::pair<TColumnIndex, TColumnPosition>(0, 0)));
    EXPECT_EQ(f.columns->DropTarget(), NoColumn);

    // C (now in the middle) onto the left half of B: before B.
    f.Press(QPoint(100, -10));
    f.Move(QPoint(80, -10));
    f.Move(QPoint(10, -10));
    EXPECT_EQ(f.columns->DropTarget(), 1);
    EXPECT_TRUE(f.columns->DropBefore());
    f.Release(QPoint(10, -10));
    EXPECT_EQ(f.Order(), "CBA");

    // Escape during the drag: the order stays, no event.
    f.Press(QPoint(20, -10));
    f.Move(QPoint(40, -10));
    f.Move(QPoint(170, -10));
    EXPECT_EQ(f.columns->DropTarget(), 0);
    f.Key(f.strip, Qt::Key_Escape);
    EXPECT_FALSE(f.header->States().contains(hsDragging));
    f.Release(QPoint(170, -10));
    EXPECT_EQ(f.Order(), "CBA");
    EXPECT_EQ(dragged.size(), 2u);

    // Focus loss cancels as well.
    f.Press(QPoint(20, -10));
    f.Move(QPoint(40, -10));
    f.Move(QPoint(170, -10));
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(f.tree, &focusOut);
    f.Release(QPoint(170, -10));
    EXPECT_EQ(f.Order(), "CBA");

    // Dropped outside the tree: dragged out, not moved.
    f.Press(QPoint(20, -10));
    f.Move(QPoint(40, -10));
    f.Move(QPoint(900, -10));
    f.Release(QPoint(900, -10));
    EXPECT_EQ(f.Order(), "CBA");
    EXPECT_EQ(draggedOut, 1);

    // The owner may refuse the drag.
    f.tree->OnHeaderDragging = [](TTreeGridHeader *, TColumnIndex, bool &allowed) { allowed = false; };
    f.Press(QPoint(20, -10));
    f.Move(QPoint(40, -10));
    f.Move(QPoint(170, -10));
    EXPECT_FALSE(f.header->States().contains(hsDragging));
    f.Release(QPoint(170, -10));
    EXPECT_EQ(f.Order(), "CBA");
}

TEST(TreeGridHeaderMouseTest, HeaderHeightByMouseAndDoubleClickOnTheLowerEdge)
{
    THeaderFixture f({50, 60}, QSize(400, 200), 30);
    f.header->SetMinHeight(12);
    f.header->SetOptions(f.header->Options() + hoHeightResize);
    // The lower edge follows the mouse: 10 pixels down from the edge.
    f.Press(QPoint(200, -1));
    f.Move(QPoint(200, 10));
    EXPECT_EQ(f.header->Height(), 40);
    EXPECT_EQ(f.strip->height(), 40);
    EXPECT_EQ(f.tree->viewport()->geometry().top(), f.strip->geometry().bottom() + 1);
    f.Release(QPoint(200, 0));

    // Without the double-click option the lower edge ignores double clicks.
    f.DoubleClick(QPoint(200, -1));
    EXPECT_EQ(f.header->Height(), 40);
    f.header->SetOptions(f.header->Options() + hoHeightDblClickResize);
    f.DoubleClick(QPoint(200, -1));
    EXPECT_EQ(f.header->Height(), 12);
    EXPECT_EQ(f.strip->height(), 12);

    // Only with a positive default height.
    f.header->SetHeight(30);
    f.header->SetMinHeight(0);
    f.header->SetDefaultHeight(0);
    f.DoubleClick(QPoint(200, -1));
    EXPECT_EQ(f.header->Height(), 30);
}

TEST(TreeGridHeaderMouseTest, SortingOnClickOnlyUnderAutoSortAndOutsideUpdateBrackets)
{
    THeaderFixture f({50, 60});
    f.tree->SetKeys({3, 1, 2});
    f.tree->OnCompareNodes = [](TBaseTreeGrid *tree, PGridNode a, PGridNode b, TColumnIndex, int &result) {
        result = *tree->GetNodeData<int>(a) - *tree->GetNodeData<int>(b);
    };
    // The planner's handler: a click sorts by the clicked column.
    f.tree->OnHeaderClick = [](TTreeGridHeader *header, const TTGHeaderHitInfo &info) {
        if (info.Column >= 0 && info.Button == mbLeft)
            header->SetSortColumn(info.Column);
    };
    f.Click(QPoint(20, -10));
    EXPECT_EQ(f.header->SortColumn(), 0);
    EXPECT_EQ(f.tree->Keys(), (std::vector<int>{3, 1, 2}));

    f.tree->TreeOptions().SetAutoOptions(f.tree->TreeOptions().AutoOptions() + toAutoSort);
    f.tree->BeginUpdate();
    f.Click(QPoint(70, -10));
    EXPECT_EQ(f.header->SortColumn(), 1);
    EXPECT_EQ(f.tree->Keys(), (std::vector<int>{3, 1, 2}));
    f.tree->EndUpdate();

    f.tree->SetKeys({3, 1, 2});
    f.Click(QPoint(20, -10));
    EXPECT_EQ(f.tree->Keys(), (std::vector<int>{1, 2, 3}));
}

TEST(TreeGridHeaderMouseTest, RightClickShowsTheColumnsMenuAndHoverFollowsTheMouse)
{
    THeaderFixture f({50, 60});
    f.header->SetOptions(f.header->Options() + hoHotTrack);
    QMenu menu;
    menu.addAction(QStringLiteral("Hide"));
    TColumnIndex asked = InvalidColumn;
    f.tree->OnGetPopupMenu = [&](TBaseTreeGrid *, PGridNode node, TColumnIndex column, QPoint, bool &, QMenu *&m) {
        EXPECT_EQ(node, nullptr);
        asked = column;
        m = &menu;
    };
    std::vector<TTGHeaderHitInfo> clicks;
    f.tree->OnHeaderClick = [&](TTreeGridHeader *, const TTGHeaderHitInfo &info) { clicks.push_back(info); };
    f.Click(QPoint(70, -10), Qt::RightButton);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Button, mbRight);
    EXPECT_EQ(clicks[0].Column, 1);

    f.Move(QPoint(10, -10));
    EXPECT_EQ(f.columns->HoverIndex(), 0);
    EXPECT_TRUE(f.strip->HeaderTimerActive());
    f.Move(QPoint(60, -10));
    EXPECT_EQ(f.columns->HoverIndex(), 1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(f.strip, &leave);
    EXPECT_EQ(f.columns->HoverIndex(), NoColumn);
    EXPECT_FALSE(f.strip->HeaderTimerActive());
}

TEST(TreeGridHeaderMouseTest, DoubleClicksAndTheHeaderCheckBox)
{
    THeaderFixture f({60, 60});
    f.header->SetOptions(f.header->Options() + hoShowImages);
    TTreeGridColumn *checked = f.columns->Items(1);
    checked->SetCheckBox(true);
    f.strip->grab(); // paints, so that the check box has its place
    ASSERT_TRUE(checked->HasImage());
    const QPoint box = checked->ImageRect().center() - QPoint(0, f.header->Height());

    std::vector<TTGHeaderHitInfo> clicks, doubles;
    f.tree->OnHeaderClick = [&](TTreeGridHeader *, const TTGHeaderHitInfo &info) { clicks.push_back(info); };
    f.tree->OnHeaderDblClick = [&](TTreeGridHeader *, const TTGHeaderHitInfo &info) { doubles.push_back(info); };
    f.Click(box);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].HitPosition, (TTGHeaderHitPositions{hhiOnColumn, hhiOnIcon, hhiOnCheckbox}));
    EXPECT_EQ(checked->CheckState(), csCheckedNormal);
    f.Click(box + QPoint(30, 0));
    EXPECT_EQ(clicks.back().HitPosition, TTGHeaderHitPositions{hhiOnColumn});
    EXPECT_EQ(checked->CheckState(), csCheckedNormal);

    f.DoubleClick(QPoint(20, -10));
    ASSERT_EQ(doubles.size(), 1u);
    EXPECT_EQ(doubles[0].Column, 0);
    EXPECT_TRUE(doubles[0].Shift.contains(ssDouble));
}

} // namespace

namespace {

TEST(TreeGridHeaderMouseTest, ColumnHintsShowAsToolTipsUnderHoShowHint)
{
    THeaderFixture f({80, 80});
    f.columns->Items(1)->SetHint(QStringLiteral("Filter: Start after 2024-01-01"));
    auto ask = [&](QPoint local) {
        QHelpEvent help(QEvent::ToolTip, local, f.strip->mapToGlobal(local));
        QCoreApplication::sendEvent(f.strip, &help);
        const TTreeGridHintWindow *hint = f.tree->HintWindow();
        return hint && hint->isVisible() ? hint->Text() : QString();
    };
    EXPECT_EQ(ask(QPoint(100, 5)), QString());
    f.header->SetOptions(f.header->Options() + hoShowHint);
    EXPECT_EQ(ask(QPoint(20, 5)), QString());
    EXPECT_EQ(ask(QPoint(100, 5)), QStringLiteral("Filter: Start after 2024-01-01"));
    f.tree->CancelHint();
}

} // namespace
