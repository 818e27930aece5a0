// Working in the chart with the mouse: moving, clamping, drawing and resizing bars, the rubber
// band, scrolling by hand, the context menu, Escape and rows that vanish during a gesture.

#include "planner/chart/ChartMouseTestSupport.h"
#include "planner/UserInput.h"

#include <QLabel>
#include <QPushButton>

#include "CursorRegistry.h"
#include "chart/ChartCursors.h"
#include "dialogs/NewEntryDialog.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

TEST_F(ChartMouseTest, MovingBarsAtTheEdgeMovesThemInTimeOnlyAsOneUndoStep)
{
    OpenPlan(3, {{0, 2, 3}, {2, 4, 2}});
    const auto tasks = Tasks();
    ASSERT_EQ(tasks.size(), 2u);
    TBaseTreeGrid *grid = Core().GetTable(tbTable);
    grid->SetSelected(tasks[1]->VNode, true);
    const std::size_t undoBefore = Core().UndoStack().UndoList().size();

    // Ctrl keeps the other bar selected; two days right and one row down: the bar on the
    // last row cannot go down, so neither goes down, but both move in time.
    DragBar(Base() + 2, 0, QPoint(2 * 20 + 2, view->Geometry().TimeChartRowHeight(0)), Qt::ControlModifier);
    EXPECT_EQ(Core().SelectedCount(tbTable), 2);
    EXPECT_EQ(Core().GetStartOf(tasks[0]), Base() + 4);
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 6);
    EXPECT_EQ(Position(tasks[0]), 0);
    EXPECT_EQ(Position(tasks[1]), 2);
    EXPECT_EQ(mouse->State(), msNone);
    EXPECT_EQ(mouse->GestureGroup(), -1);

    // One drag, one group: one undo brings both back.
    const auto &undo = Core().UndoStack().UndoList();
    ASSERT_GT(undo.size(), undoBefore);
    for (std::size_t i = undoBefore; i < undo.size(); ++i)
        EXPECT_EQ(undo[i]->FGroupIndex, undo[undoBefore]->FGroupIndex);
    Core().UndoStack().Undo(Core());
    EXPECT_EQ(Core().GetStartOf(tasks[0]), Base() + 2);
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 4);

    // Down one row from the first row: allowed now for the single bar.
    grid->ClearSelection();
    DragBar(Base() + 3, 0, QPoint(0, view->Geometry().TimeChartRowHeight(0)));
    EXPECT_EQ(Position(tasks[0]), 1);
    EXPECT_EQ(Core().GetStartOf(tasks[0]), Base() + 2);
}

TEST_F(ChartMouseTest, DenyMoveIntoThePastKeepsTheWholeSelectionInTime)
{
    OpenPlan(3, {{0, 0, 4}, {1, 5, 2}});
    const auto tasks = Tasks();
    // A start yesterday would be in the past.
    const int back = int(Base() - Trunc(Date())) + 1;
    view->SetTimeChartColWidth(8);
    view->SetTimeChartDestination(Trunc(Date()) - 5, 0, true);
    Settle();
    Core().GetTable(tbTable)->SetSelected(tasks[1]->VNode, true);
    mouse->DenyMoveBeforeNow->trigger();
    ASSERT_TRUE(mouse->DenyMoveBeforeNow->isChecked());
    DragBar(Base() + 1, 0, -QPoint(back * 8 + 1, 0), Qt::ControlModifier);
    EXPECT_EQ(Core().GetStartOf(tasks[0]), Base());
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 5);

    // Without the option the same drag moves both.
    mouse->DenyMoveBeforeNow->trigger();
    DragBar(Base() + 1, 0, -QPoint(back * 8 + 1, 0));
    EXPECT_EQ(Core().GetStartOf(tasks[0]), Base() - back);
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 5 - back);
}

TEST_F(ChartMouseTest, ABarMovedToAnotherRowStartsInsideItsWorkingDay)
{
    // Row 0 works 06:00 to 18:00, row 1 08:00 to 16:00.
    OpenPlan(2, {}, {EveryDayWeek(6 * 60, 18 * 60), EveryDayWeek(8 * 60, 16 * 60)});
    TPlannerCore &core = Core();
    core.BeginUpdate(QStringLiteral("minutes"));
    core.SetMinUnit(muMinute);
    TNodeData *early = core.AddNode(core.GetFreeID(), tbTable, true);
    core.SetPositionOf(early, 0);
    core.SetStartOf(early, Base() + 1 + 6.0 / 24);
    core.SetLengthOf(early, 120);
    TNodeData *late = core.AddNode(core.GetFreeID(), tbTable, true);
    core.SetPositionOf(late, 0);
    core.SetStartOf(late, Base() + 1 + 17.0 / 24);
    core.SetLengthOf(late, 120);
    core.EndUpdate();
    Core().GetTable(tbTable)->ClearSelection();
    view->SetTimeChartColWidth(480);
    view->SetTimeChartDestination(Base() + 1, 0, true);
    Settle();

    const int rowHeight = view->Geometry().TimeChartRowHeight(0);
    for (TNodeData *node : {early, late}) {
        Settle();
        const QRect r = BarRect(node);
        ASSERT_FALSE(r.isEmpty());
        const QPoint from = r.center();
        Hover(from);
        Press(from);
        ASSERT_EQ(mouse->State(), msMoveItem);
        Drag(from + QPoint(0, rowHeight));
        Release(from + QPoint(0, rowHeight));
        EXPECT_EQ(Position(node), 1);
    }
    EXPECT_NEAR(core.GetStartOf(early), Base() + 1 + 8.0 / 24, 1e-6);
    EXPECT_NEAR(core.GetStartOf(late), Base() + 1 + 16.0 / 24, 1e-6);
}

TEST_F(ChartMouseTest, DrawingABarAsksTheTableAndAClickMakesNothing)
{
    OpenPlan(3, {{0, 2, 3}});
    int asked = 0;
    int answer = QDialog::Rejected;
    mouse->OnShowNewEntry = [&](TNewEntryDialog &dialog) {
        ++asked;
        EXPECT_EQ(dialog.LabelPos->text(), RowName(1));
        EXPECT_TRUE(dialog.Button1->isDefault());
        dialog.table = tbTable;
        return answer;
    };
    // A click: no band, no question, no row.
    const QPoint click = At(Base() + 5, 1);
    Hover(click);
    Press(click);
    EXPECT_EQ(mouse->State(), msNewItem);
    Release(click);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Tasks().size(), 1u);

    // Cancel: nothing.
    DragBar(Base() + 5, 1, QPoint(3 * 20, 0));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Tasks().size(), 1u);

    // OK: a bar from the band's first day of three days (snapped to whole days), in one group.
    answer = QDialog::Accepted;
    const std::size_t undoBefore = Core().UndoStack().UndoList().size();
    DragBar(Base() + 8, 1, -QPoint(3 * 20, 0));
    ASSERT_EQ(Tasks().size(), 2u);
    TNodeData *made = Tasks()[1];
    EXPECT_EQ(Core().GetStartOf(made), Base() + 5);
    EXPECT_EQ(Core().GetLengthOf(made), Days(3));
    EXPECT_EQ(Position(made), 1);
    Core().UndoStack().Undo(Core());
    EXPECT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(Core().UndoStack().UndoList().size(), undoBefore);
}

TEST_F(ChartMouseTest, ResizeZoneAndResizingAtTheRightEnd)
{
    OpenPlan(2, {{0, 2, 3}});
    TNodeData *task = Tasks()[0];
    QRect r = BarRect(task);
    // Only a single selected bar can be resized.
    Hover(QPoint(r.right() - 1, r.center().y()));
    EXPECT_EQ(mouse->ChartCursor(), crHandOpen);
    Core().GetTable(tbTable)->SetSelected(task->VNode, true);
    Settle();
    r = BarRect(task);
    Hover(QPoint(r.right() - 1, r.center().y()));
    EXPECT_EQ(mouse->ChartCursor(), crSizeWE);
    Hover(r.center());
    EXPECT_EQ(mouse->ChartCursor(), crHandOpen);

    // Resize from the right end to two days further.
    Hover(QPoint(r.right() - 1, r.center().y()));
    Press(QPoint(r.right() - 1, r.center().y()));
    EXPECT_EQ(mouse->State(), msResizeItem);
    EXPECT_EQ(mouse->Mouse().x(), r.left());
    Drag(QPoint(r.right() + 2 * 20, r.center().y()));
    Release(QPoint(r.right() + 2 * 20, r.center().y()));
    Settle();
    EXPECT_EQ(Core().GetStartOf(task), Base() + 2);
    // The band's end snaps to the start of the day under the pointer.
    EXPECT_EQ(Core().GetLengthOf(task), Days(4));

    // Below 4 pixels per day there is no zone.
    view->SetTimeChartColWidth(3);
    Settle();
    EXPECT_EQ(view->Geometry().ResizeGrabWidth(), 0);
    r = BarRect(task);
    Hover(QPoint(r.right(), r.center().y()));
    EXPECT_NE(mouse->ChartCursor(), crSizeWE);
}

TEST_F(ChartMouseTest, RightButtonScrollsBeyondTwoPixelsAndOpensTheMenuOtherwise)
{
    OpenPlan(3, {{0, 2, 3}});
    int menus = 0;
    bool onBar = false;
    mouse->OnPopupMenu = [&](QPoint, bool pointerOnBar) {
        ++menus;
        onBar = pointerOnBar;
    };
    const QPoint bar = BarRect(Tasks()[0]).center();
    Hover(bar);
    Press(bar, Qt::RightButton);
    Drag(bar + QPoint(2, 2), Qt::RightButton);
    EXPECT_EQ(mouse->State(), msPopup);
    Release(bar + QPoint(2, 2), Qt::RightButton);
    EXPECT_EQ(menus, 1);
    EXPECT_TRUE(onBar);
    EXPECT_EQ(mouse->State(), msPoppedUp);
    // The pointed bar became the selection.
    EXPECT_EQ(Core().SelectedCount(tbTable), 1);
    mouse->PopupMenuClosed();

    const TDateTime start = view->Geometry().StartDestination();
    Press(bar, Qt::RightButton);
    Drag(bar + QPoint(3, 0), Qt::RightButton);
    EXPECT_EQ(mouse->State(), msScroll);
    Release(bar + QPoint(3, 0), Qt::RightButton);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(mouse->State(), msNone);
    EXPECT_NE(view->Geometry().StartDestination(), start);
}

TEST_F(ChartMouseTest, EscapeTakesBackOnlyTheGesturesOwnEdits)
{
    OpenPlan(3, {{0, 2, 3}, {1, 6, 2}});
    const auto tasks = Tasks();
    TPlannerCore &core = Core();
    auto &undo = core.UndoStack();
    // An earlier action of the user.
    core.SetStartOf(tasks[1], Base() + 7);
    const std::size_t undoBefore = undo.UndoList().size();

    // Pressed and let go with Escape before any move: nothing at all.
    const QPoint from = At(Base() + 3, 0);
    Hover(from);
    Press(from);
    ASSERT_EQ(mouse->State(), msMoveItem);
    Key(Qt::Key_Escape);
    EXPECT_EQ(mouse->State(), msNone);
    Release(from);
    EXPECT_EQ(undo.UndoList().size(), undoBefore);
    EXPECT_FALSE(undo.GetCanRedo());
    EXPECT_EQ(core.GetStartOf(tasks[1]), Base() + 7);

    // Moved twice, with an edit from elsewhere in between, then Escape: the bar is back,
    // the other edit and the earlier action stay, nothing to redo.
    Hover(from);
    Press(from);
    Drag(from + QPoint(22, 0));
    core.SetStartOf(tasks[1], Base() + 9);
    Drag(from + QPoint(62, 0));
    EXPECT_EQ(core.GetStartOf(tasks[0]), Base() + 5);
    Key(Qt::Key_Escape);
    Release(from + QPoint(62, 0));
    Settle();
    EXPECT_EQ(core.GetStartOf(tasks[0]), Base() + 2);
    EXPECT_EQ(core.GetStartOf(tasks[1]), Base() + 9);
    EXPECT_EQ(undo.UndoList().size(), undoBefore + 1);
    EXPECT_FALSE(undo.GetCanRedo());
    undo.Undo(core);
    EXPECT_EQ(core.GetStartOf(tasks[1]), Base() + 7);

    // Escape while drawing a band: the band goes, nothing is asked.
    int asked = 0;
    mouse->OnShowNewEntry = [&](TNewEntryDialog &) { return ++asked, int(QDialog::Accepted); };
    Press(At(Base() + 10, 2));
    Drag(At(Base() + 12, 2));
    Key(Qt::Key_Escape);
    EXPECT_EQ(mouse->State(), msNone);
    Release(At(Base() + 12, 2));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Tasks().size(), 2u);
}

TEST_F(ChartMouseTest, RubberBandSelectsTheBarsItTouches)
{
    OpenPlan(4, {{0, 2, 2}, {1, 3, 2}, {2, 12, 2}, {3, 2, 1}});
    const auto tasks = Tasks();
    const QPoint from = At(Base() + 1, 0) - QPoint(0, 5);
    const TDateTime destination = view->Geometry().StartDestination();
    Press(from, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(mouse->State(), msSelectItem);
    Drag(At(Base() + 4, 1), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Core().SelectedCount(tbTable), 2);
    // The chart stays put while the band catches rows.
    EXPECT_EQ(view->Geometry().StartDestination(), destination);
    // The band shrinks: what it left is unselected.
    Drag(At(Base() + 4, 0), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Core().SelectedCount(tbTable), 1);
    EXPECT_TRUE(Core().GetTable(tbTable)->Selected(tasks[0]->VNode));
    Release(At(Base() + 4, 0), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(mouse->State(), msNone);
}

TEST_F(ChartMouseTest, ARowDeletedDuringAGestureEndsIt)
{
    OpenPlan(2, {{0, 2, 3}, {1, 2, 3}});
    const auto tasks = Tasks();
    const QPoint from = At(Base() + 3, 0);
    Hover(from);
    Press(from);
    Drag(from + QPoint(22, 0));
    ASSERT_EQ(mouse->State(), msMoveItem);
    Core().DeleteNode(tasks[0], true);
    Settle();
    EXPECT_EQ(mouse->GrabbedNode(), nullptr);
    EXPECT_EQ(mouse->State(), msNone);
    // Further moves of the lost gesture write nothing.
    Drag(from + QPoint(60, 0));
    Release(from + QPoint(60, 0));
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 2);

    // A release lost to a modal box ends the gesture as a release.
    const QPoint other = At(Base() + 3, 1);
    Hover(other);
    Press(other);
    Drag(other + QPoint(22, 0));
    ASSERT_EQ(mouse->State(), msMoveItem);
    Drag(other + QPoint(40, 0), Qt::NoButton);
    EXPECT_EQ(mouse->State(), msNone);
    EXPECT_EQ(Core().GetStartOf(tasks[1]), Base() + 3);
}

} // namespace

// The first bar drawn into an empty table of a new document, in either table: its columns fit
// as the program fits them, every caption whole beside the cells.
TEST_F(ChartMouseTest, TheFirstBarDrawnIntoAnEmptyTableLeavesItsCaptionsWhole)
{
    for (TWhichTable table : {tbTable, tbExclude}) {
        SCOPED_TRACE(table == tbTable ? "Tasks" : "Absent Days");
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        form->show();
        view = form->TimeChartView;
        mouse = form->TimeChartMouse;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        view->SetTimeChartColWidth(20);
        Settle();
        TBaseTreeGrid *grid = Core().GetTable(table);
        ASSERT_EQ(grid->RootNodeCount(), 0u);
        // The window that asks for the table is answered with a click on that table's button.
        bool asked = false;
        userinput::WhenShown(form.get(), [this] { return static_cast<QWidget *>(&mouse->NewEntryDialog()); },
                             [&](QWidget *) {
                                 asked = true;
                                 TNewEntryDialog &dialog = mouse->NewEntryDialog();
                                 QPushButton *button = table == tbTable ? dialog.Button1 : dialog.Button2;
                                 QTest::mouseClick(button, Qt::LeftButton);
                             });
        DragBar(view->Geometry().Start() + 3, 0, QPoint(3 * 20, 0));
        ASSERT_TRUE(asked);
        ASSERT_EQ(grid->RootNodeCount(), 1u);
        EXPECT_EQ(userinput::CutCaptions(grid->Header()), QStringList());
    }
}
