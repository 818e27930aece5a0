// Large plans in the main window (offscreen, 1600 x 1000): a plan of 100,000 tasks on 1,000
// resources in ten group tabs of 100 resources each (BenchPlan.h, as make_plan writes it).
// Times what a user waits for, until the window has painted again:
//   - switching the group tab, and the overlap check that follows it once the debounce ran out;
//   - deleting all selected rows (Edit > Delete), then Undo and Redo of that;
//   - clearing the table the way the spreadsheet import does before it reads, then Undo and Redo;
//   - archiving the 50,000 tasks that end first into a new archive file;
//   - scrolling the tasks table a row at a time over new rows and over rows shown before, and
//     painting it again unchanged.

#include "BenchWindow.h"

#include <QApplication>
#include <QTabBar>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include "exchange/Archiver.h"
#include "table/TableCommands.h"
#include "treegrid/BaseTreeGrid.h"
#include "window/FormMain.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kGroups = TWindowPlan::kGroups;

void BM_SwitchGroupTab(benchmark::State &state)
{
    TWindowPlan plan;
    QTabBar *tabs = plan.form->TabControl1;
    int tab = 0;
    for (auto _ : state) {
        tab = tab % kGroups + 1;
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
        state.PauseTiming();
        plan.RunDeferred();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows_in_tab"] = plan.core.GroupCount(tbTable);
}
BENCHMARK(BM_SwitchGroupTab)->Unit(benchmark::kMillisecond)->Iterations(10);

// The deferred work a switch leaves: the overlap check of the shown rows and its repaint.
void BM_SwitchGroupTabDeferred(benchmark::State &state)
{
    TWindowPlan plan;
    QTabBar *tabs = plan.form->TabControl1;
    int tab = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tab = tab % kGroups + 1;
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
        state.ResumeTiming();
        plan.RunDeferred();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SwitchGroupTabDeferred)->Unit(benchmark::kMillisecond)->Iterations(10);

// Runs `act` on a fresh window each round and times it until painted and settled; `check`
// tells whether the round did what it should.
template <class Prepare, class Act>
void TimeOnFreshWindow(benchmark::State &state, Prepare prepare, Act act)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto plan = std::make_unique<TWindowPlan>();
        prepare(*plan);
        state.ResumeTiming();
        if (!act(*plan))
            state.SkipWithError("the action did not do what it should");
        state.PauseTiming();
        plan.reset();
        state.ResumeTiming();
    }
}

void SelectAllTasks(TWindowPlan &plan)
{
    plan.form->StringTreeGrid1->setFocus();
    plan.core.SetActiveTable(tbTable);
    plan.form->ActionSelectAllExecute();
    plan.Settle();
}

bool DeleteSelected(TWindowPlan &plan)
{
    plan.form->ActionDeleteNodeExecute();
    plan.Settle();
    return plan.core.GetTableRowCount(tbTable) == 0;
}

// The spreadsheet import's "clear the table first": every row deleted in one undo group.
bool ClearTable(TWindowPlan &plan)
{
    TPlannerCore &core = plan.core;
    core.BeginUpdate(QStringLiteral("clear"));
    core.FUndoRedoGroupIndex = core.UndoStack().GetGroupIndex();
    core.ForEach(tbTable, feAll, [&core](TNodeData *node) { core.DeleteNode(node, true); });
    core.FUndoRedoGroupIndex = -1;
    core.EndUpdate();
    plan.Settle();
    return core.GetTableRowCount(tbTable) == 0;
}

bool Undo(TWindowPlan &plan)
{
    plan.form->ActionUndoExecute();
    plan.Settle();
    return plan.core.GetTableRowCount(tbTable) == kTasks;
}

bool Redo(TWindowPlan &plan)
{
    plan.form->ActionRedoExecute();
    plan.Settle();
    return plan.core.GetTableRowCount(tbTable) == 0;
}

void BM_DeleteSelectedRows(benchmark::State &state)
{
    TimeOnFreshWindow(state, SelectAllTasks, DeleteSelected);
}
BENCHMARK(BM_DeleteSelectedRows)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UndoDeleteSelectedRows(benchmark::State &state)
{
    TimeOnFreshWindow(state, [](TWindowPlan &plan) { SelectAllTasks(plan); DeleteSelected(plan); }, Undo);
}
BENCHMARK(BM_UndoDeleteSelectedRows)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RedoDeleteSelectedRows(benchmark::State &state)
{
    TimeOnFreshWindow(state, [](TWindowPlan &plan) { SelectAllTasks(plan); DeleteSelected(plan); Undo(plan); }, Redo);
}
BENCHMARK(BM_RedoDeleteSelectedRows)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ClearTable(benchmark::State &state)
{
    TimeOnFreshWindow(state, [](TWindowPlan &) {}, ClearTable);
}
BENCHMARK(BM_ClearTable)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UndoClearTable(benchmark::State &state)
{
    TimeOnFreshWindow(state, [](TWindowPlan &plan) { ClearTable(plan); }, Undo);
}
BENCHMARK(BM_UndoClearTable)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RedoClearTable(benchmark::State &state)
{
    TimeOnFreshWindow(state, [](TWindowPlan &plan) { ClearTable(plan); Undo(plan); }, Redo);
}
BENCHMARK(BM_RedoClearTable)->Unit(benchmark::kMillisecond)->Iterations(1);

// The tasks table with its columns fitted as opening fits them (to the rows in view), which
// then follow the rows.
struct TFittedTable : TWindowPlan
{
    TBaseTreeGrid *grid = form->StringTreeGrid1;

    TFittedTable()
    {
        form->TableCommands().AutoFitColumns(tbTable, true);
        Settle();
    }
};

// A row further down per step, until painted: the columns look at the rows that came in.
void BM_ScrollTableOneRow(benchmark::State &state)
{
    TFittedTable table;
    const int row = int(table.grid->DefaultNodeHeight());
    for (auto _ : state) {
        table.grid->SetOffsetY(table.grid->OffsetY() - row);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollTableOneRow)->Unit(benchmark::kMicrosecond);

// Up and down a row at a time over rows shown before (as a small table, fitted whole, has
// them all), until painted: nothing new for the columns.
void BM_ScrollTableOverShownRows(benchmark::State &state)
{
    TFittedTable table;
    const int row = int(table.grid->DefaultNodeHeight());
    const int top = table.grid->OffsetY();
    for (int i = 0; i < 20; ++i) {
        table.grid->SetOffsetY(top - i * row);
        QApplication::processEvents();
    }
    int step = 0;
    for (auto _ : state) {
        const int i = step++ % 40;
        table.grid->SetOffsetY(top - (i < 20 ? 19 - i : i - 20) * row);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollTableOverShownRows)->Unit(benchmark::kMicrosecond);

// The same rows painted again (a hover, a flash): nothing for the columns to do.
void BM_RepaintTable(benchmark::State &state)
{
    TFittedTable table;
    for (auto _ : state)
        table.grid->viewport()->repaint();
}
BENCHMARK(BM_RepaintTable)->Unit(benchmark::kMicrosecond);

// The date on or before which `count` tasks end.
TDateTime EndOfFirst(TPlannerCore &core, int count)
{
    std::vector<TDateTime> ends;
    core.ForEach(tbTable, feAll, [&](TNodeData *node) { ends.push_back(core.GetEndOf(node)); });
    std::nth_element(ends.begin(), ends.begin() + (count - 1), ends.end());
    return ends[std::size_t(count - 1)];
}

void BM_Archive(benchmark::State &state)
{
    const int wanted = int(state.range(0));
    int archived = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto plan = std::make_unique<TWindowPlan>();
        const TDateTime before = EndOfFirst(plan->core, wanted);
        QTemporaryDir dir;
        QString error;
        TArchiver archiver(plan->core, plan->form->Sync());
        state.ResumeTiming();
        archived = archiver.Archive(dir.filePath(QStringLiteral("plan.archive")), before, true, error);
        plan->Settle();
        state.PauseTiming();
        if (archived < wanted)
            state.SkipWithError("too few tasks archived");
        plan.reset();
        state.ResumeTiming();
    }
    state.counters["archived"] = archived;
}
BENCHMARK(BM_Archive)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
