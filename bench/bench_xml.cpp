// Parsing and writing a 50 MB XML document; reports MB/s of document text.

#include "BenchSupport.h"

#include "XmlArena.h"
#include "XmlTree.h"

#include <QBuffer>
#include <QRandomGenerator>

namespace {

constexpr int kDocumentBytes = 50 * 1000 * 1000;

// A document as the planner saves it: setup, then many rows with a child per column.
QByteArray documentBytes()
{
    QRandomGenerator rng(2026);
    TXMLTree tree;
    tree.setText(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>"));
    TXMLNode *setup = tree.namedNode(QStringLiteral("setup"), true);
    setup->AddNode(QStringLiteral("Version"), QStringLiteral("3"));
    TXMLNode *holidays = setup->AddNode(QStringLiteral("Public Holiday"));
    for (int i = 0; i < 12; ++i)
        holidays->AddNode(QString::number(i))->AddNode(QStringLiteral("Name"), QStringLiteral("Holiday %1").arg(i));
    TXMLNode *data = tree.namedNode(QStringLiteral("data"), true);
    qint64 estimate = 0;
    for (int id = 1; estimate < kDocumentBytes; ++id) {
        TXMLNode *row = data->AddNode(QStringLiteral("new"));
        row->AddAttribute(QStringLiteral("id"), QStringLiteral("%1.ws-%2.planner").arg(id).arg(rng.bounded(12)));
        row->AddNode(QStringLiteral("__table__"), QStringLiteral("tbTable"));
        row->AddNode(QStringLiteral("Name"), QStringLiteral("%1 %2").arg(QLatin1String(kBenchTaskNames[rng.bounded(8)])).arg(rng.bounded(1000)));
        row->AddNode(QStringLiteral("Start date"), QStringLiteral("2024-%1-%2 08:00:00")
                                                      .arg(rng.bounded(1, 13), 2, 10, QLatin1Char('0'))
                                                      .arg(rng.bounded(1, 29), 2, 10, QLatin1Char('0')));
        row->AddNode(QStringLiteral("Length"), QString::number(rng.bounded(1, 40)));
        row->AddNode(QStringLiteral("Position"), QString::number(rng.bounded(60)));
        row->AddNode(QStringLiteral("Resource"), QLatin1String(kBenchPeople[rng.bounded(6)]));
        row->AddNode(QStringLiteral("Notes"), rng.bounded(3) ? QString() : QStringLiteral("call <before> %1 h & ask").arg(rng.bounded(24)));
        estimate += 330;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    tree.SaveToStream(buffer, false, [](const QString &) {});
    return bytes;
}

const QByteArray &document()
{
    static const QByteArray bytes = documentBytes();
    return bytes;
}

void LoadTree(TXMLTree &tree, QByteArray &bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    tree.LoadFromStream(buffer);
}

void BM_XmlParse(benchmark::State &state)
{
    QByteArray bytes = document();
    for (auto _ : state) {
        TXMLTree tree;
        LoadTree(tree, bytes);
        benchmark::DoNotOptimize(tree.ChildCount());
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(bytes.size()));
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

// As opening a document reads it: the tree, then the cells of row after row taken out, then
// the rest freed. Reports how much of the tree's chunk memory is left once the cells are gone.
void BM_XmlReadRowsCleared(benchmark::State &state)
{
    QByteArray bytes = document();
    double left = 0;
    for (auto _ : state) {
        const std::size_t before = TXMLArena::ChunksInUse();
        auto tree = std::make_unique<TXMLTree>();
        LoadTree(*tree, bytes);
        const std::size_t parsed = TXMLArena::ChunksInUse() - before;
        TXMLNode *data = tree->namedNode(QStringLiteral("data"), true);
        for (const auto &row : data->Nodes())
            row->ClearNodes();
        left = parsed ? double(TXMLArena::ChunksInUse() - before) / double(parsed) : 0;
        tree.reset();
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(bytes.size()));
    state.counters["chunks_left"] = left;
}

void BM_XmlWrite(benchmark::State &state, bool compress)
{
    QByteArray source = document();
    TXMLTree tree;
    LoadTree(tree, source);
    QByteArray out;
    for (auto _ : state) {
        out.clear();
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        if (!tree.SaveToStream(buffer, compress, [](const QString &) {}))
            state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(source.size()));
}

void BM_XmlLoadCompressed(benchmark::State &state)
{
    QByteArray source = document();
    TXMLTree tree;
    LoadTree(tree, source);
    QByteArray packed;
    QBuffer out(&packed);
    out.open(QIODevice::WriteOnly);
    tree.SaveToStream(out, true, [](const QString &) {});
    for (auto _ : state) {
        TXMLTree back;
        LoadTree(back, packed);
        benchmark::DoNotOptimize(back.ChildCount());
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(source.size()));
}

} // namespace

BENCHMARK(BM_XmlParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XmlReadRowsCleared)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_XmlWrite, plain, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_XmlWrite, compressed, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XmlLoadCompressed)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
