// Scheduling at scale: 100,000 tasks on 300 positions with realistic working weeks, 2,000
// absent days and ten years of public holidays. Times the outermost EndUpdate (every end
// computed again, validity, bounds) after nothing changed, after a holiday changed (ends
// move) and after the table set-up changed (every row read again), and one edit that moves
// one task, in day and minute mode.

#include "BenchSupport.h"

namespace {

constexpr int kTasks = 100000;

// A chart of 60 days is open, as in the main window.
struct TPlan : TBenchCore
{
    TNodeData *probe = nullptr;

    explicit TPlan(TMinUnit unit) : TBenchCore(mrOk, 60)
    {
        probe = FillBenchPlan(*core, unit, kTasks);
        // The idle bounds pass: the range spans the ten years and their holidays.
        core->UpdateBoundsProc();
        core->CheckAllValid();
    }
};

void BM_OutermostEndUpdate(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    for (auto _ : state) {
        plan.core->BeginUpdate(QString());
        plan.core->EndUpdate();
    }
    int valid = 0;
    plan.core->ForEach(tbTable, feAll, [&valid](TNodeData *node) { valid += node->nodeValid ? 1 : 0; });
    state.counters["valid"] = valid;
    state.counters["holidays"] = plan.core->FAutoExcludeList.Count();
    state.SetItemsProcessed(state.iterations() * kTasks);
}

// Every end computed again after a holiday was switched on or off; the rows' cells are not
// read again, the ends that move are written.
void BM_EndUpdateAfterHolidayChange(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    for (auto _ : state) {
        plan.core->BeginUpdate(QString());
        plan.core->GetHolidayData(2)->enabled = !plan.core->GetHolidayData(2)->enabled;
        plan.core->EndUpdate();
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}

// Every row's cells read again after the table set-up changed (a column added and removed).
void BM_EndUpdateAfterTableSetup(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    for (auto _ : state) {
        plan.core->BeginUpdate(QString());
        const int columns = plan.core->GetTableColCount(tbTable);
        plan.core->InsertColumn(tbTable, columns);
        plan.core->RemoveColumn(tbTable, columns);
        plan.core->EndUpdate();
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}

void BM_MoveOneTask(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    TDateTime start = plan.core->GetStartOf(plan.probe);
    for (auto _ : state) {
        start += 1;
        plan.core->SetStartOf(plan.probe, start);
        benchmark::DoNotOptimize(plan.core->GetEndOf(plan.probe));
    }
}

} // namespace

BENCHMARK(BM_OutermostEndUpdate)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EndUpdateAfterHolidayChange)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_EndUpdateAfterTableSetup)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveOneTask)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMicrosecond)->Iterations(200);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
