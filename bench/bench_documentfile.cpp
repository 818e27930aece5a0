// Saving and opening the large plan of BenchSupport.h (100,000 tasks, 300 resources, 2,000
// absent days, ten years of holidays) and a tenth of it, plain and compressed. Opening is
// LoadFrom into a new document, the outermost EndUpdate with every end included. The files
// are written by a child process (this program with --make-document), so that the peak
// resident memory of an opening is not that of making the file; the peak only grows, so run
// one opening per process for a clean figure (--benchmark_filter=BM_OpenDocument/100000/0).

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kTasks = 100000;

QString DocumentFile(int tasks, bool compress)
{
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plan-%1-%2.zop").arg(tasks).arg(compress ? 1 : 0));
    if (!QFileInfo::exists(file))
        QProcess::execute(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--make-document"), file, QString::number(tasks),
                           QString::number(compress ? 1 : 0)});
    return file;
}

void BM_SaveDocument(benchmark::State &state)
{
    const bool compress = state.range(0) != 0;
    static TBenchCore *source = [] {
        auto *document = new TBenchCore(mrOk, 60);
        FillBenchPlan(*document->core, muDay, kTasks);
        return document;
    }();
    source->core->FSaveFileCompressed = compress;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.zop"));
    for (auto _ : state) {
        if (!source->file->SaveTo(file))
            state.SkipWithError("save failed");
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
    state.counters["peak_rss"] = PeakResidentBytes();
    state.SetLabel(compress ? "compressed" : "plain");
}
BENCHMARK(BM_SaveDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OpenDocument(benchmark::State &state)
{
    const int tasks = int(state.range(0));
    const bool compress = state.range(1) != 0;
    const QString file = DocumentFile(tasks, compress);
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<TBenchCore>(mrOk, 60);
        state.ResumeTiming();
        if (!target->file->LoadFrom(file))
            state.SkipWithError("load failed");
        state.PauseTiming();
        rows = target->core->GetTableRowCount(tbTable) + target->core->GetTableRowCount(tbExclude);
        target.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["file_bytes"] = double(QFileInfo(file).size());
    state.counters["peak_rss"] = PeakResidentBytes();
    state.SetLabel(compress ? "compressed" : "plain");
}
BENCHMARK(BM_OpenDocument)
    ->Args({kTasks, 0})
    ->Args({kTasks, 1})
    ->Args({kTasks / 10, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The child's work: the plan with `tasks` tasks saved to `file`.
int MakeDocument(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    UsePlannerDateFormats();
    TBenchCore document(mrOk, 60);
    FillBenchPlan(*document.core, muDay, QString::fromLocal8Bit(argv[3]).toInt());
    document.core->FSaveFileCompressed = QString::fromLocal8Bit(argv[4]) == QStringLiteral("1");
    return document.file->SaveTo(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && QByteArray(argv[1]) == "--make-document")
        return MakeDocument(argc, argv);
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
