// Tree-grid engine: 100,000 nodes with typed user data, added, iterated, selected, sorted and
// deleted (at once and one by one). Reports time per operation and heap bytes per node.

#include "BenchSupport.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <malloc.h>

#include <memory>

#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int NodeCount = 100000;

// Shaped like a table row record: cell texts, an identity, cached dates and numbers.
struct TBenchRow {
    QStringList Cells;
    QString Id;
    double Start = 0;
    double End = 0;
    qint64 ChangeIndex = 0;
    int Key = 0;
};

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

std::unique_ptr<TBaseTreeGrid> makeTree()
{
    auto tree = std::make_unique<TBaseTreeGrid>();
    tree->SetNodeDataType<TBenchRow>();
    auto selection = tree->TreeOptions().SelectionOptions();
    tree->TreeOptions().SetSelectionOptions(selection + toMultiSelect);
    return tree;
}

void fill(TBaseTreeGrid &tree)
{
    tree.BeginUpdate();
    std::uint32_t seed = 12345;
    for (int i = 0; i < NodeCount; ++i) {
        PGridNode node = tree.AddChild(nullptr);
        auto *row = tree.GetNodeData<TBenchRow>(node);
        seed = seed * 1103515245u + 12345u;
        row->Key = int(seed >> 8);
        row->Id = QString::number(i);
        row->Cells = {QStringLiteral("Task %1").arg(i), QStringLiteral("2026-01-01"), QString::number(row->Key)};
        row->Start = 46000 + i % 300;
        row->End = row->Start + 3;
    }
    tree.EndUpdate();
}

void BM_AddNodes(benchmark::State &state)
{
    std::size_t bytesPerNode = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = makeTree();
        const std::size_t before = heapInUse();
        state.ResumeTiming();
        fill(*tree);
        state.PauseTiming();
        bytesPerNode = (heapInUse() - before) / NodeCount;
        tree.reset();
        state.ResumeTiming();
    }
    state.counters["heap_bytes_per_node"] = double(bytesPerNode);
    state.counters["peak_rss_bytes_per_node"] = PeakResidentBytes() / NodeCount;
    state.counters["node_block_bytes"] = double(sizeof(TGridNode) + sizeof(TBenchRow));
}

void BM_Iterate(benchmark::State &state)
{
    auto tree = makeTree();
    fill(*tree);
    for (auto _ : state) {
        qint64 sum = 0;
        for (PGridNode run = tree->GetFirst(); run; run = tree->GetNext(run))
            sum += tree->GetNodeData<TBenchRow>(run)->Key;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_SelectAll(benchmark::State &state)
{
    auto tree = makeTree();
    fill(*tree);
    for (auto _ : state) {
        tree->SelectAll(false);
        state.PauseTiming();
        if (tree->SelectedCount() != NodeCount)
            state.SkipWithError("not everything was selected");
        tree->ClearSelection();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_SortByKey(benchmark::State &state)
{
    auto tree = makeTree();
    fill(*tree);
    tree->OnCompareNodes = [](TBaseTreeGrid *sender, PGridNode a, PGridNode b, TColumnIndex, int &result) {
        const int ka = sender->GetNodeData<TBenchRow>(a)->Key;
        const int kb = sender->GetNodeData<TBenchRow>(b)->Key;
        result = ka < kb ? -1 : (ka > kb ? 1 : 0);
    };
    bool descending = false;
    for (auto _ : state) {
        tree->Sort(nullptr, 0, descending ? sdDescending : sdAscending);
        descending = !descending;
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_DeleteAll(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = makeTree();
        fill(*tree);
        state.ResumeTiming();
        tree->Clear();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

// Every node deleted on its own, the way a command deletes rows: from the top (each deletion
// moves every following node up one place), or every other node first and then the rest.
void BM_DeleteOneByOne(benchmark::State &state)
{
    const bool everyOther = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = makeTree();
        fill(*tree);
        state.ResumeTiming();
        tree->BeginUpdate();
        if (everyOther) {
            for (PGridNode node = tree->GetFirstChild(nullptr); node;) {
                PGridNode next = tree->GetNextSibling(node);
                tree->DeleteNode(node);
                node = next ? tree->GetNextSibling(next) : nullptr;
            }
        }
        while (PGridNode node = tree->GetFirstChild(nullptr))
            tree->DeleteNode(node);
        tree->EndUpdate();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

} // namespace

BENCHMARK(BM_AddNodes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Iterate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeleteOneByOne)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
