// Synchronisation at scale: 10,000 foreign events from 5 diff files applied to a document of
// 50,000 rows (from parsed trees, and from the files through a forced load), one scan of a
// generation of 20 diff files in which nothing is new, and how long a change made in one of 5
// running instances takes to show in the others (real processes on a local folder).

#include "BenchSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <memory>
#include <vector>

#include "../tests/planner/sync/SyncDriverProcess.h"

#include "sync/DirWatchThread.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"
#include "XmlTree.h"

namespace {

constexpr int kRows = 50000;
constexpr int kFiles = 5;
constexpr int kEventsPerFile = 2000;

struct TDocument : TBenchCore
{
    std::vector<TNodeData *> rows;

    TDocument() : TBenchCore(mrYes)
    {
        core->BeginUpdate(QString());
        const int comment = core->IndexOfColumnHack(tbTable, QStringLiteral("Comment"));
        for (int i = 0; i < kRows; ++i) {
            TNodeData *row = core->AddNode(QStringLiteral("base.%1").arg(i), tbTable, false);
            core->DoSetData(row, comment, QStringLiteral("row %1").arg(i), false);
            rows.push_back(row);
        }
        core->EndUpdate();
        core->ClearDelayedFlags();
    }
};

// The events of one user: changes of every fifth row from `offset` on, texts marked `tag`.
QString DiffText(int user, const QString &tag)
{
    QString events;
    for (int i = 0; i < kEventsPerFile; ++i) {
        const int row = (i * kFiles + user) % kRows * 5 % kRows;
        events += QStringLiteral("<change id=\"base.%1\" index=\"%2\"><__change__>1</__change__>"
                                 "<__user__>user%3.x</__user__><Comment>%4 %2</Comment>"
                                 "<Length>%5</Length></change>")
                      .arg(QString::number(row), QString::number(i + 1), QString::number(user), tag,
                           QString::number(1 + i % 9));
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data />"
                          "<diff index=\"%1\">%2</diff></document>\r\n")
        .arg(QString::number(kEventsPerFile), events);
}

void ResetChangeIndices(TDocument &document)
{
    for (TNodeData *row : document.rows)
        row->ChangeIndex = 0;
}

void BM_ApplyForeignEvents(benchmark::State &state)
{
    TDocument document;
    // Two versions of the files so that every run really changes the cells.
    std::vector<std::unique_ptr<TXMLTree>> trees[2];
    for (int version = 0; version < 2; ++version)
        for (int user = 0; user < kFiles; ++user) {
            trees[version].push_back(std::make_unique<TXMLTree>());
            trees[version].back()->setText(DiffText(user, version ? QStringLiteral("b") : QStringLiteral("a")));
        }
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetChangeIndices(document);
        state.ResumeTiming();
        for (const auto &tree : trees[run % 2]) {
            int last = -1;
            document.sync->LoadDiffElement(*tree->namedNode(QStringList{"document", "diff"}), last);
        }
        document.sync->SolveConflicts({});
        ++run;
    }
    state.SetItemsProcessed(state.iterations() * kFiles * kEventsPerFile);
}
BENCHMARK(BM_ApplyForeignEvents)->Unit(benchmark::kMillisecond);

// The same events read from their files by the scan and applied through the forced load.
void BM_LoadTransactionsFromFiles(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("plan.zop"));
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    file.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>\r\n");
    file.close();
    TDocument document;
    document.sync->NewDirWatchThread(name);
    const QString folder = document.sync->DirWatchThread()->GetWorkingDir();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetChangeIndices(document);
        for (int user = 0; user < kFiles; ++user) {
            TXMLTree tree;
            tree.setText(DiffText(user, run % 2 ? QStringLiteral("b") : QStringLiteral("a")));
            tree.SaveToFile(folder + QStringLiteral("user%1.x.1.diff").arg(user), true, {});
        }
        state.ResumeTiming();
        document.sync->SyncLoadTransactions();
        ++run;
    }
    state.SetItemsProcessed(state.iterations() * kFiles * kEventsPerFile);
}
BENCHMARK(BM_LoadTransactionsFromFiles)->Unit(benchmark::kMillisecond);

// A scan of 20 diff files that are all known as they are: the cost of every idle second.
void BM_ScanNothingNew(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/0/");
    QDir().mkpath(folder);
    TScanInput input;
    input.UserFile = dir.path() + QStringLiteral("/me.x.user");
    input.WorkingDir = folder;
    for (int user = 0; user < 20; ++user) {
        const QString path = folder + QStringLiteral("user%1.x.1.diff").arg(user);
        TXMLTree tree;
        tree.setText(DiffText(user % kFiles, QStringLiteral("a")));
        tree.SaveToFile(path, true, {});
        input.KnownFiles.emplace(path, FileStampInView(path));
    }
    const std::atomic<bool> halt{false};
    for (auto _ : state) {
        TScanResult result = TWatcherThread::Scan(input, halt);
        if (!result.Files.empty())
            state.SkipWithError("a file was read again");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ScanNothingNew)->Unit(benchmark::kMicrosecond);

// Five instances of the program (the synchronisation driver beside the benchmarks) share one
// document; in every round each changes a cell of its own row at once, and the time until
// each of the other four shows it is one sample. Reports the median and the 95th percentile.
void BM_ChangeToAppliedLatency(benchmark::State &state)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/sync_driver");
    if (!QFileInfo(program).isExecutable()) {
        state.SkipWithError("the instance driver (sync_driver, built with the benchmarks) is missing");
        return;
    }
    constexpr int kInstances = 5;
    constexpr int kRounds = 12;
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("plan.zop"));
    std::vector<std::unique_ptr<TSyncDriverProcess>> instances;
    for (int i = 0; i < kInstances; ++i) {
        instances.push_back(std::make_unique<TSyncDriverProcess>());
        const std::map<QString, QString> environment{
            {QStringLiteral("VELMORA_SYNC_LOG"), dir.filePath(QStringLiteral("log%1.txt").arg(i))}};
        if (!instances.back()->Start(QStringLiteral("bench%1").arg(i), environment, program)) {
            state.SkipWithError("an instance did not start");
            return;
        }
    }
    const auto command = [&](int i, const QStringList &fields) { return instances[i]->Command(fields, 20000); };
    if (!command(0, {QStringLiteral("create"), document}).isEmpty()) {
        state.SkipWithError("the document was not made");
        return;
    }
    for (int i = 1; i < kInstances; ++i)
        command(i, {QStringLiteral("open"), document});
    QStringList rows;
    for (int i = 0; i < kInstances; ++i)
        rows << command(i, {QStringLiteral("add"), QStringLiteral("Comment"), QStringLiteral("start")});
    // Everyone has every row before the clock runs.
    for (int i = 0; i < kInstances; ++i)
        for (int j = 0; j < kInstances; ++j)
            instances[i]->Send({QStringLiteral("waitfor"), rows[j], QStringLiteral("Comment"), QStringLiteral("start"),
                                QStringLiteral("20000")});
    for (int i = 0; i < kInstances; ++i)
        for (int j = 0; j < kInstances; ++j)
            instances[i]->Receive(25000);

    std::vector<double> samples;
    int failures = 0;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            const QString text = QStringLiteral("round %1").arg(round);
            for (int i = 0; i < kInstances; ++i)
                for (int j = 0; j < kInstances; ++j)
                    if (i != j)
                        instances[i]->Send({QStringLiteral("waitfor"), rows[j], QStringLiteral("Comment"), text,
                                            QStringLiteral("20000")});
            std::vector<qint64> changedAt(kInstances);
            for (int j = 0; j < kInstances; ++j) {
                changedAt[j] = QDateTime::currentMSecsSinceEpoch();
                instances[j]->Send({QStringLiteral("set"), rows[j], QStringLiteral("Comment"), text});
            }
            // Each instance answers its set first, then its waits in the order they are met;
            // the answers carry the time the change was seen.
            for (int i = 0; i < kInstances; ++i) {
                instances[i]->Receive(25000);
                for (int k = 0; k < kInstances - 1; ++k) {
                    const QString answer = instances[i]->Receive(25000);
                    bool ok = false;
                    const qint64 seen = answer.section(QLatin1Char(' '), 0, 0).toLongLong(&ok);
                    const int row = int(rows.indexOf(answer.section(QLatin1Char(' '), 1)));
                    if (!ok || row < 0) {
                        ++failures;
                        continue;
                    }
                    samples.push_back(double(seen - changedAt[row]));
                }
            }
            // A little apart, so that rounds do not fall into the same scan.
            QThread::msleep(150 * (round % 4));
        }
    }
    for (int i = 0; i < kInstances; ++i)
        command(i, {QStringLiteral("quit")});
    if (samples.empty()) {
        state.SkipWithError("no change arrived");
        return;
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
    state.counters["samples"] = double(samples.size());
    state.counters["lost"] = failures;
}
BENCHMARK(BM_ChangeToAppliedLatency)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
