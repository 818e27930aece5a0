// Undo and redo at scale: a paste of many rows (one group) and a cut of all of them (a second
// group) are undone and redone. Undoing the cut re-creates every row under a new id, which
// the entries still naming the old ids must follow. Deleting every row of a table, as a
// clear and through Edit > Delete, is timed too. Reports rows per second.

#include "BenchSupport.h"

#include <memory>

#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"

namespace {

struct TDocument : TBenchCore
{
    explicit TDocument(int rows)
    {
        core->BeginUpdate(QStringLiteral("paste"));
        core->FUndoRedoGroupIndex = undo.GetGroupIndex();
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(node, cnPosition, QStringLiteral("Position %1").arg(i % 3 + 1));
            core->SetData_(node, cnStart, QStringLiteral("04.03.2024"));
            core->SetData_(node, cnLength, QStringLiteral("2"));
            core->SetData_(node, cnTextCenterMiddle, QStringLiteral("Task %1").arg(i));
        }
        core->FUndoRedoGroupIndex = undo.GetGroupIndex();
        core->ForEach(tbTable, feAll, [this](TNodeData *node) { core->DeleteNode(node, true); });
        core->FUndoRedoGroupIndex = -1;
        core->EndUpdate();
    }
};

// Undo of the cut (every row re-created) and its redo.
void BM_UndoRedoCut(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TDocument>(rows);
        state.ResumeTiming();
        document->core->Undo();
        document->core->Redo();
        state.PauseTiming();
        if (document->core->GetTableRowCount(tbTable) != 0)
            state.SkipWithError("redo did not delete the rows again");
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_UndoRedoCut)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

// A table of rows, not undoable. Deleted one by one from the top, undoably and journaled,
// the way deleting every selected row and the spreadsheet import's clearing go.
struct TFilledTable : TBenchCore
{
    // The tables' bookkeeping (the selection the chart and editor follow), when a run wants it.
    std::unique_ptr<TPlannerTables> tables;

    explicit TFilledTable(int rows)
    {
        core->BeginUpdate(QStringLiteral("fill"));
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->SetData_(node, cnTextCenterMiddle, QStringLiteral("Task %1").arg(i));
        }
        core->EndUpdate();
        undo.Clear();
    }
    void Clear()
    {
        core->BeginUpdate(QStringLiteral("clear"));
        core->FUndoRedoGroupIndex = undo.GetGroupIndex();
        core->ForEach(tbTable, feAll, [this](TNodeData *node) { core->DeleteNode(node, true); });
        core->FUndoRedoGroupIndex = -1;
        core->EndUpdate();
    }
};

// The table cleared in one step the way the spreadsheet import clears it before reading.
struct TClearedTable : TFilledTable
{
    explicit TClearedTable(int rows) : TFilledTable(rows) { Clear(); }
};

// Undo of the clear (every row back in its place) and its redo.
void BM_UndoRedoClear(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TClearedTable>(rows);
        state.ResumeTiming();
        document->core->Undo();
        state.PauseTiming();
        if (document->core->GetTableRowCount(tbTable) != rows)
            state.SkipWithError("undo did not bring the rows back");
        state.ResumeTiming();
        document->core->Redo();
        state.PauseTiming();
        if (document->core->GetTableRowCount(tbTable) != 0)
            state.SkipWithError("redo did not clear the table again");
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_UndoRedoClear)->Arg(2000)->Arg(10000)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond);

// Times the deletion on a fresh table each round; the table must be empty afterwards.
template <class Prepare, class Delete>
void TimeDeletion(benchmark::State &state, Prepare prepare, Delete deleteRows)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TFilledTable>(rows);
        prepare(*document);
        state.ResumeTiming();
        deleteRows(*document);
        state.PauseTiming();
        if (document->core->GetTableRowCount(tbTable) != 0)
            state.SkipWithError("rows are left");
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void BM_DeleteAllRows(benchmark::State &state)
{
    TimeDeletion(state, [](TFilledTable &) {}, [](TFilledTable &document) { document.Clear(); });
}
BENCHMARK(BM_DeleteAllRows)->Arg(10000)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond);

// Edit > Delete with every row selected.
void BM_DeleteSelectedRows(benchmark::State &state)
{
    TimeDeletion(
        state,
        [](TFilledTable &document) {
            document.core->SetActiveTable(tbTable);
            document.tasks->SelectAll(false);
        },
        [](TFilledTable &document) { document.core->ActionDeleteNodeExecute(false); });
}
BENCHMARK(BM_DeleteSelectedRows)->Arg(10000)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond);

// The same with the tables' selection bookkeeping holding every row, as in the window.
void BM_DeleteSelectedRowsFollowed(benchmark::State &state)
{
    TimeDeletion(
        state,
        [](TFilledTable &document) {
            document.tables = std::make_unique<TPlannerTables>(*document.core);
            document.core->SetActiveTable(tbTable);
            document.tasks->SelectAll(false);
            document.tables->Selection().Flush();
        },
        [](TFilledTable &document) { document.core->ActionDeleteNodeExecute(false); });
}
BENCHMARK(BM_DeleteSelectedRowsFollowed)->Arg(10000)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
