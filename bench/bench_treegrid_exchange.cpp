// Tree-grid exchange: 100,000 nodes written to and read from a node stream (captions
// included), and text and CSV exports of 100,000 rows x 10 columns.

#include "BenchMain.h"

#include <QBuffer>
#include <QString>
#include <QStringList>

#include <memory>

#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

constexpr int NodeCount = 100000;
constexpr int ColumnCount = 10;

std::unique_ptr<TStringTreeGrid> makeTree(int columns)
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetNodeDataType<QStringList>();
    tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        const QStringList &cells = *sender->GetNodeData<QStringList>(node);
        const int index = column < 0 ? 0 : column;
        text = index < cells.size() ? cells[index] : QString();
    };
    tree->OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
        QStringList &cells = *sender->GetNodeData<QStringList>(node);
        if (cells.isEmpty())
            cells.append(text);
        else
            cells[0] = text;
    };
    for (int c = 0; c < columns; ++c)
        tree->Header()->Columns()->Add()->SetText(QStringLiteral("Column %1").arg(c));
    if (columns > 0)
        tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
    return tree;
}

void fill(TStringTreeGrid &tree, int columns)
{
    tree.BeginUpdate();
    for (int i = 0; i < NodeCount; ++i) {
        PGridNode node = tree.AddChild(nullptr);
        tree.ValidateNode(node, false);
        QStringList cells;
        for (int c = 0; c < std::max(columns, 1); ++c)
            cells << (c == 3 ? QStringLiteral("say \"%1\"; ok").arg(i) : QStringLiteral("Cell %1/%2").arg(i).arg(c));
        *tree.GetNodeData<QStringList>(node) = cells;
    }
    tree.EndUpdate();
}

void BM_WriteNodeStream(benchmark::State &state)
{
    auto tree = makeTree(0);
    fill(*tree, 0);
    qint64 size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        tree->SaveToStream(buffer);
        size = bytes.size();
    }
    state.counters["bytes"] = double(size);
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_ReadNodeStream(benchmark::State &state)
{
    auto source = makeTree(0);
    fill(*source, 0);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        source->SaveToStream(buffer);
    }
    auto tree = makeTree(0);
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        tree->LoadFromStream(buffer);
        if (tree->RootNodeCount() != NodeCount)
            state.SkipWithError("nodes lost");
    }
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_ExportText(benchmark::State &state)
{
    auto tree = makeTree(ColumnCount);
    fill(*tree, ColumnCount);
    qint64 size = 0;
    for (auto _ : state)
        size = tree->ContentToUnicode(tstAll, QChar(u'\t')).size();
    state.counters["chars"] = double(size);
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

void BM_ExportCsv(benchmark::State &state)
{
    auto tree = makeTree(ColumnCount);
    fill(*tree, ColumnCount);
    qint64 size = 0;
    for (auto _ : state)
        size = tree->ContentToText(tstAll, QChar(u';')).size();
    state.counters["bytes"] = double(size);
    state.SetItemsProcessed(state.iterations() * NodeCount);
}

} // namespace

BENCHMARK(BM_WriteNodeStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNodeStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
