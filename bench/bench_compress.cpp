// Compressing and expanding a 50 MB document text with TLZR; reports MB/s of plain text.

#include "BenchSupport.h"

#include "BlockCompress.h"

#include <QBuffer>
#include <QRandomGenerator>

namespace {

constexpr int kDocumentBytes = 50 * 1000 * 1000;

// The text of a saved document: rows of tasks with ids, dates, numbers and free text.
QByteArray documentText(int bytes)
{
    QRandomGenerator rng(2026);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" />\r\n<document>\r\n  <data>\r\n";
    out.reserve(bytes + 1024);
    int id = 0;
    while (out.size() < bytes) {
        const int day = rng.bounded(1, 29);
        const int month = rng.bounded(1, 13);
        out += "    <new id=\"" + QByteArray::number(++id) + ".ws-" + QByteArray::number(rng.bounded(12))
               + ".planner\">\r\n";
        out += "      <__table__>tbTable</__table__>\r\n";
        out += "      <Name>" + QByteArray(kBenchTaskNames[rng.bounded(8)]).replace(' ', "&nbsp;") + "&nbsp;"
               + QByteArray::number(rng.bounded(1000)) + "</Name>\r\n";
        out += "      <Start>2024-" + QByteArray::number(month).rightJustified(2, '0') + '-'
               + QByteArray::number(day).rightJustified(2, '0') + "&nbsp;08:00:00</Start>\r\n";
        out += "      <Length>" + QByteArray::number(rng.bounded(1, 40)) + "</Length>\r\n";
        out += "      <Position>" + QByteArray::number(rng.bounded(60)) + "</Position>\r\n";
        out += "      <Resource>" + QByteArray(kBenchPeople[rng.bounded(6)]) + "</Resource>\r\n";
        out += "      <Colour>0x00" + QByteArray::number(rng.bounded(0x1000000), 16).toUpper() + "</Colour>\r\n";
        if (rng.bounded(3) == 0)
            out += "      <Notes>call&nbsp;before&nbsp;" + QByteArray::number(rng.bounded(24)) + "&nbsp;h</Notes>\r\n";
        out += "    </new>\r\n";
    }
    out += "  </data>\r\n</document>\r\n";
    return out;
}

const QByteArray &plainText()
{
    static const QByteArray text = documentText(kDocumentBytes);
    return text;
}

// Runs `step` from a reader over `in` to a writer over `out`, emptied first.
template <typename Step>
bool Pipe(QByteArray &in, QByteArray &out, Step step)
{
    QBuffer src(&in);
    src.open(QIODevice::ReadOnly);
    out.clear();
    QBuffer dst(&out);
    dst.open(QIODevice::WriteOnly);
    return step(src, dst);
}

void BM_Compress(benchmark::State &state)
{
    QByteArray plain = plainText();
    QByteArray packed;
    TLZR lzr;
    for (auto _ : state) {
        if (!Pipe(plain, packed, [&lzr](QIODevice &src, QIODevice &dst) { return lzr.Compress(src, dst); }))
            state.SkipWithError("compression failed");
        benchmark::DoNotOptimize(packed.data());
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(plain.size()));
    state.counters["ratio%"] = 100.0 * double(packed.size()) / double(plain.size());
}

void BM_DeCompress(benchmark::State &state)
{
    QByteArray packed = TLZR::compressBytes(plainText());
    QByteArray plain;
    plain.reserve(plainText().size());
    TLZR lzr;
    for (auto _ : state) {
        if (!Pipe(packed, plain, [&lzr](QIODevice &src, QIODevice &dst) { return lzr.DeCompress(src, dst, true); })
            || plain.size() != plainText().size())
            state.SkipWithError("expansion failed");
        benchmark::DoNotOptimize(plain.data());
    }
    state.counters["MB/s"] = MegabytesPerSecond(double(plainText().size()));
}

} // namespace

BENCHMARK(BM_Compress)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeCompress)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
