// The tables at scale: 100,000 task rows in random order, filtered by three columns at once
// (a date range, a list of positions and a number comparison), sorted by a date column with
// every cell read afresh, and sorted by three keys the way a user gets there (three header
// clicks, keeping the earlier keys).

#include "BenchSupport.h"

#include <QRandomGenerator>

#include <memory>

#include "table/FilterEngine.h"
#include "table/PlannerTables.h"
#include "table/TableSorter.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int kRows = 100000;

struct TTableDocument : TBenchCore
{
    std::unique_ptr<TPlannerTables> tables;

    TTableDocument()
        : TBenchCore(mrYes)
    {
        UsePlannerDateFormats();
        tables = std::make_unique<TPlannerTables>(*core);
        QRandomGenerator random(19);
        const QStringList positions{"Position 1", "Position 2", "Position 3"};
        const TDateTime first = EncodeDate(2025, 1, 1);
        core->BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < kRows; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, Column(cnPosition), positions[random.bounded(3)], false);
            core->DoSetData(node, Column(cnStart), core->FormatDateTime(first + random.bounded(730)), false);
            core->DoSetData(node, Column(cnLength), QString::number(1 + random.bounded(20)), false);
            core->DoSetData(node, Column(cnTextCenterMiddle), QStringLiteral("Task %1").arg(random.bounded(50000)), false);
        }
        core->EndUpdate();
    }
    ~TTableDocument() { tables.reset(); }
    int Column(TConnection cn) const { return core->GetConnection(tbTable, cn); }

    // Puts the rows in an order unrelated to any column.
    void Scramble()
    {
        TBaseTreeGrid *grid = core->GetTable(tbTable);
        auto compare = grid->OnCompareNodes;
        grid->OnCompareNodes = [](TBaseTreeGrid *, TGridNode *a, TGridNode *b, TColumnIndex, int &result) {
            const auto key = [](TGridNode *n) { return qHash(quintptr(n), 7u); };
            result = key(a) < key(b) ? -1 : key(b) < key(a) ? 1 : 0;
        };
        grid->Sort(nullptr, 0, sdAscending);
        grid->OnCompareNodes = compare;
    }
};

void BM_FilterThreeColumns(benchmark::State &state)
{
    TTableDocument document;
    TPlannerCore &core = *document.core;
    TFilterEngine &filters = document.tables->Filters();
    const auto set = [&](TConnection cn, TFilterType type, TFilterSubType sub, const QString &t1, const QString &t2) {
        TFilterParams &params = core.GetHeader(tbTable, document.Column(cn))->Filter;
        params = {type, sub, t1, t2};
    };
    set(cnStart, ftDate, fsFromTo, QStringLiteral("01.03.2025"), QStringLiteral("30.09.2026"));
    set(cnPosition, ftList, fsEquals, QStringLiteral("\"Position 1\",\"Position 3\""), QString());
    set(cnLength, ftNumber, fsGreater, QStringLiteral("5"), QString());
    int shown = 0;
    for (auto _ : state) {
        filters.FilterData(tbTable);
        state.PauseTiming();
        shown = core.FilteredCount(tbTable);
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = shown;
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_SortByDateColumn(benchmark::State &state)
{
    TTableDocument document;
    TTableSorter &sorter = document.tables->Sorter();
    for (auto _ : state) {
        state.PauseTiming();
        sorter.ClearKeys(tbTable); // no key and no cell read before
        document.Scramble();
        state.ResumeTiming();
        sorter.SortBy(tbTable, document.Column(cnStart));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_SortByThreeKeys(benchmark::State &state)
{
    TTableDocument document;
    TTableSorter &sorter = document.tables->Sorter();
    for (auto _ : state) {
        state.PauseTiming();
        sorter.ClearKeys(tbTable);
        document.Scramble();
        state.ResumeTiming();
        // Three clicks, the earlier keys kept: three sorts, the last one by all three keys.
        sorter.SortBy(tbTable, document.Column(cnPosition));
        sorter.SortBy(tbTable, document.Column(cnStart));
        sorter.SortBy(tbTable, document.Column(cnLength));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_SortAgainByThreeKeys(benchmark::State &state)
{
    TTableDocument document;
    TTableSorter &sorter = document.tables->Sorter();
    sorter.SortBy(tbTable, document.Column(cnPosition));
    sorter.SortBy(tbTable, document.Column(cnStart));
    sorter.SortBy(tbTable, document.Column(cnLength));
    for (auto _ : state) {
        state.PauseTiming();
        document.Scramble();
        state.ResumeTiming();
        sorter.ApplyKeys(tbTable);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

} // namespace

BENCHMARK(BM_FilterThreeColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByDateColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByThreeKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAgainByThreeKeys)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
