// Rows through the clipboard at scale: copying 10,000 selected task rows into text, and
// pasting 10,000 rows of six columns as new rows with journal and undo entries, in one update
// bracket and one undo group.

#include "BenchSupport.h"

#include <QRandomGenerator>

#include <vector>

#include "exchange/RowClipboard.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int kRows = 10000;

struct TClipboardDocument : TBenchCore
{
    std::unique_ptr<TRowClipboard> clipboard;
    QString text;

    TClipboardDocument()
    {
        UsePlannerDateFormats();
        clipboard = std::make_unique<TRowClipboard>(*core);
        clipboard->OnReadText = [this] { return text; };
        clipboard->OnWriteText = [this](const QString &value) { text = value; };
    }
    ~TClipboardDocument() { clipboard.reset(); }

    void Fill(int rows)
    {
        QRandomGenerator random(5);
        const TDateTime first = EncodeDate(2026, 1, 1);
        core->BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, Column(cnPosition), QStringLiteral("Position %1").arg(1 + random.bounded(3)), false);
            core->DoSetData(node, Column(cnStart), core->FormatDateTime(first + random.bounded(730)), false);
            core->DoSetData(node, Column(cnLength), QString::number(1 + random.bounded(20)), false);
            core->DoSetData(node, Column(cnTextCenterMiddle),
                            QString::fromLatin1(kBenchTaskNames[random.bounded(8)]) + QStringLiteral("\tno. %1").arg(i), false);
        }
        core->EndUpdate();
    }
    int Column(TConnection cn) const { return core->GetConnection(tbTable, cn); }
};

void BM_CopyRows(benchmark::State &state)
{
    TClipboardDocument document;
    document.Fill(kRows);
    document.core->GetTable(tbTable)->SelectAll(false);
    for (auto _ : state) {
        document.clipboard->ActionCopyExecute();
        benchmark::DoNotOptimize(document.text);
    }
    state.counters["bytes"] = double(document.text.size() * 2);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_CopyRows)->Unit(benchmark::kMillisecond);

void BM_PasteRows(benchmark::State &state)
{
    QString text;
    {
        TClipboardDocument source;
        source.Fill(kRows);
        source.core->GetTable(tbTable)->SelectAll(false);
        source.clipboard->ActionCopyExecute();
        text = source.text;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TClipboardDocument>();
        state.ResumeTiming();
        const std::vector<TNodeData *> pasted = document->clipboard->Paste(text);
        benchmark::DoNotOptimize(pasted.data());
        state.PauseTiming();
        if (pasted.size() != std::size_t(kRows))
            state.SkipWithError("not every row was pasted");
        state.counters["undo_entries"] = double(document->undo.UndoList().size());
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PasteRows)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
