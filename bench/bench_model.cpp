// The document model at scale: 100,000 task rows created through the write path (as single
// edits, and inside one update bracket as loading does), one cell written in each, one walk
// over all. Reports time per row and heap bytes per row (rows, journal events and undo entries).

#include "BenchSupport.h"

#include <malloc.h>

#include <memory>

namespace {

constexpr int kRows = 100000;

// Heap bytes in use (glibc), so that memory freed by an earlier run does not hide the cost.
double HeapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks) + double(info.hblkhd);
}

struct TDocument : TBenchCore
{
    // Rows as a user makes them: journalled, undoable, one cell written after creation.
    void Fill(bool bracket, int rows = kRows)
    {
        if (bracket)
            core->BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(node, cnTextCenterMiddle, QStringLiteral("Task %1").arg(i));
        }
        if (bracket)
            core->EndUpdate();
    }
};

void BM_CreateRows(benchmark::State &state)
{
    const bool bracket = state.range(0) != 0;
    const int rows = int(state.range(1));
    double bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TDocument>();
        const double before = HeapBytes();
        state.ResumeTiming();
        document->Fill(bracket, rows);
        state.PauseTiming();
        bytes = HeapBytes() - before;
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["bytes_per_row"] = bytes / rows;
    state.counters["us_per_row"] = benchmark::Counter(double(rows) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WriteOneCellEach(benchmark::State &state)
{
    TDocument document;
    document.Fill(true);
    int round = 0;
    for (auto _ : state) {
        const QString text = QStringLiteral("round %1").arg(++round);
        document.core->ForEach(tbTable, feAll, [&](TNodeData *node) {
            document.core->SetData_(node, cnTextCenterMiddle, text);
        });
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_ForEachAll(benchmark::State &state)
{
    TDocument document;
    document.Fill(true);
    for (auto _ : state) {
        qint64 minutes = 0;
        document.core->ForEach(tbTable, feAll, [&minutes](TNodeData *node) { minutes += node->nodeLength; });
        benchmark::DoNotOptimize(minutes);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

} // namespace

BENCHMARK(BM_CreateRows)->Args({0, kRows})->Args({1, kRows})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WriteOneCellEach)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ForEachAll)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { SetDateFormats(QStringLiteral("dd.MM.yyyy")); });
}
