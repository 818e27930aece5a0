// Undo and redo at scale: a paste of many rows (one group) and a cut of all of them (a second
// group) are undone and redone. Undoing the cut re-creates every row under a new id, which
// the entries still naming the old ids must follow. Reports rows per second.

#include "BenchSupport.h"

#include <memory>

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

// A table of rows, not undoable, cleared in one step the way the spreadsheet import clears it
// before reading.
struct TClearedTable : TBenchCore
{
    explicit TClearedTable(int rows)
    {
        core->BeginUpdate(QStringLiteral("fill"));
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->SetData_(node, cnTextCenterMiddle, QStringLiteral("Task %1").arg(i));
        }
        undo.Clear();
        core->FUndoRedoGroupIndex = undo.GetGroupIndex();
        core->ForEach(tbTable, feAll, [this](TNodeData *node) { core->DeleteNode(node, true); });
        core->FUndoRedoGroupIndex = -1;
        core->EndUpdate();
    }
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
BENCHMARK(BM_UndoRedoClear)->Arg(2000)->Arg(10000)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
