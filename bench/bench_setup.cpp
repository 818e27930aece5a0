// Applying a table setup to a large plan: one column moved to the front of a 100,000-task
// document, as confirming the table setup does it (cells and header settings moved, every end
// computed again in the closing update bracket), and a resource renamed, which rewrites the
// position cells of its tasks.

#include "BenchSupport.h"
#include "BenchPlan.h"

#include <memory>

#include "setup/PositionEntry.h"
#include "setup/SetupApplier.h"

namespace {

constexpr TDateTime PlanStart = 45292; // 1 January 2024

void BM_MoveColumn(benchmark::State &state)
{
    const int tasks = int(state.range(0));
    TBenchCore document;
    FillPlan(*document.core, tasks, 300, PlanStart);
    TSetupApplier applier(*document.core, *document.file);
    for (auto _ : state) {
        TTableSetup setup = applier.ReadTable();
        // The last column goes to the front; the connections follow their rows.
        const int last = int(setup.Columns.size()) - 1;
        std::rotate(setup.Columns.begin(), setup.Columns.begin() + last, setup.Columns.end());
        for (int &row : setup.Connections)
            if (row >= 0)
                row = row == last ? 0 : row + 1;
        TSetupChanges changes;
        changes.Table = setup;
        if (!applier.Apply(changes))
            state.SkipWithError("the setup was refused");
    }
    state.SetItemsProcessed(state.iterations() * tasks);
}

void BM_RenameResource(benchmark::State &state)
{
    const int tasks = int(state.range(0));
    TBenchCore document;
    FillPlan(*document.core, tasks, 300, PlanStart);
    TSetupApplier applier(*document.core, *document.file);
    int round = 0;
    for (auto _ : state) {
        TPositionsSetup positions = applier.ReadPositions();
        TPositionEntry entry(positions.Entries[0].Entry);
        entry.SetDescription({QStringLiteral("Renamed %1").arg(++round)});
        positions.Entries[0].Entry = entry.Text();
        TSetupChanges changes;
        changes.Positions = positions;
        applier.Apply(changes);
    }
    state.SetItemsProcessed(state.iterations() * tasks);
}

} // namespace

BENCHMARK(BM_MoveColumn)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenameResource)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { UsePlannerDateFormats(); });
}
