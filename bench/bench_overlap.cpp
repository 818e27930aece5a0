// The overlap list rebuilt over 100,000 tasks on 1,000 resource rows, once for a plan where
// no task overlaps and once for one where nearly all do (every listed bar is repainted), and one
// "Solve Interleaving" run over 1,000 rows with three colliding tasks each.

#include "BenchSupport.h"

#include <random>

#include "CommaText.h"
#include "table/OverlapSolver.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kRows = 1000;

struct TPlan : TBenchCore
{
    std::unique_ptr<TOverlapSolver> solver;

    // `spacing`: days between the starts of consecutive tasks of a row; tasks last 1-3 days.
    TPlan(int tasks, int rows, int spacing)
    {
        solver = std::make_unique<TOverlapSolver>(*core);
        std::mt19937 random(4711);
        core->BeginUpdate(QStringLiteral("loading"));
        QStringList &positions = core->ColumnStrings(tbTable, 0);
        positions.clear();
        for (int p = 0; p < rows; ++p)
            positions.append(CommaTextOf({QStringLiteral("Resource %1").arg(p)}));
        const TDateTime first = EncodeDate(2024, 1, 1);
        for (int t = 0; t < tasks; ++t) {
            const int row = t % rows;
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, 0, QStringLiteral("Resource %1").arg(row), false);
            core->DoSetStartOf(node, false, first + double((t / rows) * spacing + int(random() % 2)));
            core->DoSetData(node, core->GetConnection(tbTable, cnLength), QString::number(1 + random() % 3), false);
        }
        core->EndUpdate();
        core->ClearDelayedFlags();
    }
    ~TPlan() { solver.reset(); }
};

void BM_UpdateOverlapping(benchmark::State &state)
{
    TPlan plan(kTasks, kRows, int(state.range(0)));
    for (auto _ : state)
        plan.core->UpdateOverlapping(false);
    state.counters["overlapping"] = plan.solver->OverlappingNodes().Count();
    state.SetItemsProcessed(state.iterations() * kTasks);
}

void BM_SolveInterleaving(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        TPlan plan(3 * kRows, kRows, 1);
        plan.core->UpdateOverlapping(false);
        state.counters["overlapping"] = plan.solver->OverlappingNodes().Count();
        state.ResumeTiming();
        plan.solver->ActionSolveOverlappingExecute();
        state.PauseTiming();
        state.counters["left"] = plan.solver->OverlappingNodes().Count();
        state.counters["passes"] = plan.solver->LastRunPasses();
        state.ResumeTiming();
    }
}

} // namespace

// Spacing 8: tasks of a row follow each other; spacing 1: nearly every task overlaps the next.
BENCHMARK(BM_UpdateOverlapping)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SolveInterleaving)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { UsePlannerDateFormats(); });
}
