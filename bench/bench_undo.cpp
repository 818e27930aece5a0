// Undo and redo at scale: a paste of many rows (one group) and a cut of all of them (a second
// group) are undone and redone. Undoing the cut re-creates every row under a new id, which
// the entries still naming the old ids must follow. Reports rows per second.

#include "BenchMain.h"

#include <memory>

#include "DateFormat.h"
#include "PlannerCore.h"
#include "PlannerWindow.h"
#include "UndoRedo.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class TQuietWindow : public IPlannerWindow
{
public:
    void InvalidateRow(TNodeData &) override {}
    void InvalidateChart() override {}
    void SetStatusText(int, const QString &) override {}
    int Ask(const QString &, TMsgDlgType, TMsgDlgButtons) override { return mrOk; }
    void SetBusyCursor(bool) override {}
};

struct TDocument
{
    TQuietWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TStringTreeGrid> absent{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TPlannerCore> core;

    explicit TDocument(int rows)
    {
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        core->ActionNewExecute();
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
    ~TDocument() { core.reset(); }
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

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    });
}
