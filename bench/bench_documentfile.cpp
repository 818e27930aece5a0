// Saving and opening a document of 100,000 tasks and 5,000 absent days, plain and compressed.
// Reports the time per run, the file size, and the process's peak resident memory (which only
// grows, so run one benchmark per process for a clean peak: --benchmark_filter=...).

#include "BenchSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kTasks = 100000;
constexpr int kAbsentDays = 5000;

struct TDocument : TBenchCore
{
    // Rows as loading makes them: inside one bracket, without journal.
    void Fill()
    {
        core->BeginUpdate(QStringLiteral("filling"));
        const TDateTime start = EncodeDate(2026, 1, 5);
        for (int i = 0; i < kTasks; ++i) {
            TNodeData *node = core->AddNode(QStringLiteral("bench.%1").arg(i), tbTable, false);
            core->DoSetData(node, 0, QStringLiteral("Position %1").arg(1 + i % 3), false);
            core->DoSetData(node, 1, DateToStr(start + i % 700), false);
            core->DoSetData(node, 3, QString::number(1 + i % 9), false);
            core->DoSetData(node, 5, QStringLiteral("task number %1 & more").arg(i), false);
        }
        for (int i = 0; i < kAbsentDays; ++i) {
            TNodeData *node = core->AddNode(QStringLiteral("bench.a%1").arg(i), tbExclude, false);
            core->DoSetData(node, 0, QStringLiteral("Position %1").arg(1 + i % 3), false);
            core->DoSetData(node, 1, DateToStr(start + i % 700), false);
            core->DoSetData(node, 3, QStringLiteral("1"), false);
        }
        core->EndUpdate();
    }
};

TDocument &Source()
{
    static TDocument *document = [] {
        auto *d = new TDocument;
        d->Fill();
        return d;
    }();
    return *document;
}

void BM_SaveDocument(benchmark::State &state)
{
    const bool compress = state.range(0) != 0;
    TDocument &document = Source();
    document.core->FSaveFileCompressed = compress;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.zop"));
    for (auto _ : state) {
        if (!document.core->SaveTo(file))
            state.SkipWithError("save failed");
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
    state.counters["peak_rss"] = PeakResidentBytes();
    state.SetLabel(compress ? "compressed" : "plain");
}
BENCHMARK(BM_SaveDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OpenDocument(benchmark::State &state)
{
    const bool compress = state.range(0) != 0;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.zop"));
    {
        TDocument &document = Source();
        document.core->FSaveFileCompressed = compress;
        document.core->SaveTo(file);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<TDocument>();
        state.ResumeTiming();
        if (!target->core->LoadFrom(file))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(target->core->GetTableRowCount(tbTable));
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss"] = PeakResidentBytes();
    state.SetLabel(compress ? "compressed" : "plain");
}
BENCHMARK(BM_OpenDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
