// Columns at scale: the task table widened to many columns in one call (as loading and the old
// import do), one column inserted into a wide table, and the table narrowed again (from the
// front as loading does, from the back as a resize does).

#include "BenchSupport.h"

#include <memory>

namespace {

// Widening (range 1 = 0) or narrowing to one column (range 1 = 1).
void BM_SetTableColCount(benchmark::State &state)
{
    const int columns = int(state.range(0));
    const bool narrow = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TBenchCore>();
        if (narrow)
            document->core->SetTableColCount(tbTable, columns);
        state.ResumeTiming();
        document->core->SetTableColCount(tbTable, narrow ? 1 : columns);
        benchmark::DoNotOptimize(document->core->GetTableColCount(tbTable));
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * columns);
}

void BM_InsertColumnIntoAWideTable(benchmark::State &state)
{
    const int columns = int(state.range(0));
    TBenchCore document;
    document.core->SetTableColCount(tbTable, columns);
    for (auto _ : state) {
        document.core->InsertColumn(tbTable, 0);
        state.PauseTiming();
        document.core->SetTableColCount(tbTable, columns);
        state.ResumeTiming();
    }
}

// A table of many columns cut back to one: the columns beyond go in one range.
void BM_ResizeTableToOneColumn(benchmark::State &state)
{
    const int columns = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TBenchCore>();
        document->core->ResizeTable(tbTable, columns);
        state.ResumeTiming();
        document->core->ResizeTable(tbTable, 1);
        benchmark::DoNotOptimize(document->core->GetTableColCount(tbTable));
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * columns);
}

} // namespace

BENCHMARK(BM_SetTableColCount)
    ->Args({2000, 0})
    ->Args({20000, 0})
    ->Args({2000, 1})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeTableToOneColumn)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertColumnIntoAWideTable)->Arg(20000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { UsePlannerDateFormats(); });
}
