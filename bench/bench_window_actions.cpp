// Single user actions in the main window on plans of 10,000 and 100,000 tasks (BenchWindow.h),
// with the property editor shown, each timed until the window has painted again and the idle
// processing has run: deleting one row, a new entry, select all, toggling the sort of a
// column, the chart's zoom, one frame of smooth scrolling across and down, a keystroke in the
// editor's Comment field, the Down key in the table, Undo of one deleted row and of one cell
// edit, Cut and Paste of one row; and "Solve Interleaving" of 1,000 pasted
// rows (still selected) that overlap the tasks they were copied from.

#include "BenchWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

#include "chart/ChartCommands.h"
#include "chart/TimeChartView.h"
#include "editor/PropertyEditor.h"
#include "table/OverlapSolver.h"
#include "table/PlannerTables.h"
#include "table/TableCommands.h"

namespace {

// The editor shows the selected rows at once (not after its half-second rest).
void ShowEditor(TWindowPlan &plan)
{
    plan.form->Editor().ChangeEditorVisibleTimerTimer();
    plan.Settle();
}

TBaseTreeGrid *Tasks(TWindowPlan &plan)
{
    return plan.form->StringTreeGrid1;
}

// `count` rows from the `first` on become the selection of the tasks table, which has the focus.
void SelectRows(TWindowPlan &plan, int first, int count)
{
    TBaseTreeGrid *grid = Tasks(plan);
    grid->setFocus();
    grid->ClearSelection();
    TGridNode *node = grid->GetFirst();
    for (int i = 0; node && i < first; ++i)
        node = grid->GetNext(node);
    grid->SetFocusedNode(node);
    for (int i = 0; node && i < count; ++i, node = grid->GetNext(node))
        grid->SetSelected(node, true);
    plan.Settle();
}

// One plan per benchmark; `prepare` runs untimed before each round, `act` is timed with the
// settling after it.
template <class Prepare, class Act>
void TimeAction(benchmark::State &state, Prepare prepare, Act act)
{
    TWindowPlan plan(int(state.range(0)));
    SelectRows(plan, plan.tasks / 2, 1);
    ShowEditor(plan);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(plan, round);
        state.ResumeTiming();
        act(plan, round);
        plan.Settle();
        ++round;
    }
    state.counters["rows"] = plan.core.GetTableRowCount(tbTable);
}

void Nothing(TWindowPlan &, int) {}

void BM_WindowDeleteOneRow(benchmark::State &state)
{
    TimeAction(
        state, [](TWindowPlan &plan, int round) { SelectRows(plan, plan.tasks / 2 - round, 1); },
        [](TWindowPlan &plan, int) { plan.form->ActionDeleteNodeExecute(); });
}

// Undo puts back the row deleted untimed before.
void BM_WindowUndoDeleteOneRow(benchmark::State &state)
{
    TimeAction(
        state,
        [](TWindowPlan &plan, int round) {
            SelectRows(plan, plan.tasks / 2 - round, 1);
            plan.form->ActionDeleteNodeExecute();
            plan.Settle();
        },
        [](TWindowPlan &plan, int) { plan.form->ActionUndoExecute(); });
}

// Undo of one cell written untimed before (the Comment of the selected row).
void BM_WindowUndoCellEdit(benchmark::State &state)
{
    TimeAction(
        state,
        [](TWindowPlan &plan, int round) {
            TNodeData *node = TPlannerCore::NodeData(Tasks(plan), Tasks(plan)->FocusedNode());
            const int column = plan.core.IndexOfColumnHack(tbTable, QStringLiteral("Comment"));
            plan.core.SetData(node, column, QStringLiteral("edit %1").arg(round));
            plan.Settle();
        },
        [](TWindowPlan &plan, int) { plan.form->ActionUndoExecute(); });
}

void BM_WindowCutOneRow(benchmark::State &state)
{
    TimeAction(
        state, [](TWindowPlan &plan, int round) { SelectRows(plan, plan.tasks / 2 - round, 1); },
        [](TWindowPlan &plan, int) { plan.form->ActionCutExecute(); });
}

// The row copied untimed before goes in again.
void BM_WindowPasteOneRow(benchmark::State &state)
{
    TimeAction(
        state,
        [](TWindowPlan &plan, int round) {
            SelectRows(plan, plan.tasks / 2 - round, 1);
            plan.form->ActionCopyExecute();
            plan.Settle();
        },
        [](TWindowPlan &plan, int) { plan.form->ActionPasteExecute(); });
}

void BM_WindowNewEntry(benchmark::State &state)
{
    TimeAction(
        state, [](TWindowPlan &plan, int) { Tasks(plan)->setFocus(); },
        [](TWindowPlan &plan, int) { plan.form->ActionAddNode->trigger(); });
}

void BM_WindowSelectAll(benchmark::State &state)
{
    TimeAction(
        state, [](TWindowPlan &plan, int) { SelectRows(plan, plan.tasks / 2, 1); },
        [](TWindowPlan &plan, int) { plan.form->ActionSelectAll->trigger(); });
}

// Ascending, descending, ascending... by the Comment column (text) or the Start column (dates).
void BM_WindowSortToggle(benchmark::State &state)
{
    const QString caption = state.range(1) ? QStringLiteral("Start") : QStringLiteral("Comment");
    TimeAction(
        state,
        [caption](TWindowPlan &plan, int) {
            plan.form->Tables().SetActiveColumn(plan.core.IndexOfColumnHack(tbTable, caption));
            plan.form->TableCommands().UpdateActions();
        },
        [](TWindowPlan &plan, int) { plan.form->TableCommands().ActionSort->trigger(); });
    state.SetLabel(caption.toStdString());
}

void BM_WindowZoom(benchmark::State &state)
{
    TimeAction(state, Nothing,
               [](TWindowPlan &plan, int round) { plan.form->ChartCommands->SetZoom(round % 2 ? 100 : 80); });
}

// One step of a smooth scroll: two days across, or a row down, and back.
void BM_WindowChartFrame(benchmark::State &state)
{
    const bool down = state.range(1) != 0;
    TimeAction(state, Nothing, [down](TWindowPlan &plan, int round) {
        TTimeChartView &view = *plan.form->TimeChartView;
        const int sign = round % 2 ? -1 : 1;
        if (down)
            view.SetTimeChartTop(view.Geometry().Top() + sign * 20);
        else
            view.SetTimeChartStart(view.Geometry().Start() + 2 * sign);
    });
    state.SetLabel(down ? "down" : "across");
}

void BM_WindowCommentKeystroke(benchmark::State &state)
{
    QWidget *field = nullptr;
    TimeAction(
        state,
        [&field](TWindowPlan &plan, int) {
            if (!field) {
                const int column = plan.core.IndexOfColumnHack(tbTable, QStringLiteral("Comment"));
                field = plan.form->Editor().Control(QStringLiteral("__edit"), column);
                field->setFocus();
            }
        },
        [&field](TWindowPlan &, int round) { QTest::keyClick(field, char('a' + round % 26)); });
}

// Down in the table: the next row is selected, the editor and the chart follow it.
void BM_WindowDownKey(benchmark::State &state)
{
    TimeAction(
        state, [](TWindowPlan &plan, int) { Tasks(plan)->setFocus(); },
        [](TWindowPlan &plan, int) { QTest::keyClick(Tasks(plan), Qt::Key_Down); });
}

constexpr int kPasted = 1000;

// 1,000 rows copied and pasted: each pasted task lies on its original; the pasted rows stay
// selected with the editor shown, and the overlap check has run.
void PasteOverlapping(TWindowPlan &plan)
{
    plan.core.SetActiveTable(tbTable);
    SelectRows(plan, 0, kPasted);
    plan.form->ActionCopyExecute();
    plan.form->ActionPasteExecute();
    plan.Settle();
    ShowEditor(plan);
}

void BM_WindowSolveInterleaving(benchmark::State &state)
{
    int overlapping = 0;
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto plan = std::make_unique<TWindowPlan>(int(state.range(0)));
        PasteOverlapping(*plan);
        overlapping = plan->form->OverlapSolver().OverlappingNodes().Count();
        if (plan->core.GetTableRowCount(tbTable) != plan->tasks + kPasted || overlapping < kPasted)
            state.SkipWithError("the pasted rows do not overlap");
        state.ResumeTiming();
        plan->form->ActionSolveOverlapping->trigger();
        plan->Settle();
        state.PauseTiming();
        left = plan->form->OverlapSolver().OverlappingNodes().Count();
        plan.reset();
        state.ResumeTiming();
    }
    state.counters["overlapping"] = overlapping;
    state.counters["left"] = left;
}

void Sizes(benchmark::internal::Benchmark *bench)
{
    bench->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);
}

void SizesAndKinds(benchmark::internal::Benchmark *bench)
{
    for (int size : {10000, 100000})
        for (int kind : {0, 1})
            bench->Args({size, kind});
    bench->Unit(benchmark::kMillisecond)->Iterations(20);
}

} // namespace

BENCHMARK(BM_WindowDeleteOneRow)->Apply(Sizes);
BENCHMARK(BM_WindowUndoDeleteOneRow)->Apply(Sizes);
BENCHMARK(BM_WindowUndoCellEdit)->Apply(Sizes);
BENCHMARK(BM_WindowCutOneRow)->Apply(Sizes);
BENCHMARK(BM_WindowPasteOneRow)->Apply(Sizes);
BENCHMARK(BM_WindowNewEntry)->Apply(Sizes);
BENCHMARK(BM_WindowSelectAll)->Apply(Sizes);
BENCHMARK(BM_WindowSortToggle)->Apply(SizesAndKinds);
BENCHMARK(BM_WindowZoom)->Apply(Sizes);
BENCHMARK(BM_WindowChartFrame)->Apply(SizesAndKinds);
BENCHMARK(BM_WindowCommentKeystroke)->Apply(Sizes);
BENCHMARK(BM_WindowDownKey)->Apply(Sizes);
BENCHMARK(BM_WindowSolveInterleaving)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
