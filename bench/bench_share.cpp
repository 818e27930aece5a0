// A document on a slow network share: a local folder relayed through FUSE with a round trip of
// 30 ms per request (15 ms each way, several requests under way at once, the page cache
// dropped at every opening, as sshfs over a slow link). How long following another instance's
// save takes and how long the longest single idle step holds the window meanwhile; how long
// the catch-up before a save takes with ten other users' diff files, one of them new; how long
// opening the document takes. Needs root and /dev/fuse; skipped otherwise.

#include "BenchSupport.h"
#include "ShareRelay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <sys/mount.h>
#include <sys/vfs.h>

#include "XmlTree.h"
#include "sync/DirWatchThread.h"
#include "sync/GenerationBase.h"

namespace {

constexpr int kRoundTripMs = 30;
constexpr long kFuseMagic = 0x65735546;

// The relay in a process of its own (this executable, see main), mounted for one benchmark.
class TShare
{
public:
    TShare()
    {
        if (!FLocal.isValid() || !FMount.isValid())
            return;
        FRelay.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--relay"), FLocal.path(), FMount.path(), QString::number(kRoundTripMs)});
        if (!FRelay.waitForStarted(5000))
            return;
        FStarted = true;
        for (int i = 0; i < 500 && FRelay.state() == QProcess::Running; ++i) {
            struct statfs info;
            if (::statfs(QFile::encodeName(FMount.path()).constData(), &info) == 0 && long(info.f_type) == kFuseMagic) {
                FMounted = true;
                return;
            }
            QThread::msleep(10);
        }
    }
    ~TShare()
    {
        // Also when it never answered: a relay that died leaves its mount behind.
        if (FStarted)
            ::umount2(QFile::encodeName(FMount.path()).constData(), MNT_DETACH);
        if (!FRelay.waitForFinished(5000))
            FRelay.kill();
    }
    bool Mounted() const { return FMounted; }
    // A path in the folder itself, and the same path seen through the share.
    QString Local(const QString &name) const { return FLocal.filePath(name); }
    QString Remote(const QString &name) const { return FMount.filePath(name); }

private:
    QTemporaryDir FLocal;
    QTemporaryDir FMount;
    QProcess FRelay;
    bool FStarted = false;
    bool FMounted = false;
};

// A plan of `tasks` tasks saved into the share's folder; its bytes for the saves of others.
QByteArray MakePlan(const QString &document, int tasks)
{
    TBenchCore writer(mrOk);
    FillBenchPlan(*writer.core, muDay, tasks);
    writer.file->Save(document);
    const QByteArray bytes = writer.file->SaveToBuffer(true);
    writer.core->ActionNewExecute();
    return bytes;
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Another instance's save, written straight into the folder: its base record, the lock copy
// closing generation `from`, the new generation's working copy, then the document.
bool SaveElsewhere(const TShare &share, const QByteArray &bytes, qint64 from)
{
    const QString folder = share.Local(QStringLiteral(".zop/plan.zop/"));
    const QString next = QString::number(from + 1);
    TGenerationBase base;
    base.From = from;
    base.Saver = QStringLiteral("elsewhere.bob");
    base.Host = QStringLiteral("elsewhere");
    base.Pid = 1;
    return QDir().mkpath(folder + next) && Write(folder + next + QStringLiteral("/plan.zop.base"), base.ToBytes())
           && Write(folder + QString::number(from) + QStringLiteral("/plan.zop.locked"), bytes)
           && Write(folder + next + QStringLiteral("/plan.zop"), bytes) && Write(share.Local(QStringLiteral("plan.zop")), bytes);
}

qint64 Generation(const TBenchCore &instance)
{
    return instance.sync->DirWatchThread()->WorkingDir().toLongLong();
}

// Following another instance's save of a plan of range(0) tasks: the time until the new
// generation is in place, and the longest single idle step meanwhile (the window's longest
// freeze).
void BM_ShareFollowSave(benchmark::State &state)
{
    TShare share;
    if (!share.Mounted()) {
        state.SkipWithError("no FUSE relay here (root and /dev/fuse needed)");
        return;
    }
    const QByteArray bytes = MakePlan(share.Local(QStringLiteral("plan.zop")), int(state.range(0)));
    TBenchCore reader(mrOk);
    reader.file->Load(share.Remote(QStringLiteral("plan.zop")));
    double longest = 0;
    for (auto _ : state) {
        const qint64 from = Generation(reader);
        if (!SaveElsewhere(share, bytes, from)) {
            state.SkipWithError("the other save could not be written");
            return;
        }
        QElapsedTimer total;
        total.start();
        qint64 worst = 0;
        while (Generation(reader) == from && total.elapsed() < 120000) {
            QElapsedTimer step;
            step.start();
            reader.sync->SynchronisationStep();
            worst = std::max(worst, step.elapsed());
            if (Generation(reader) == from)
                QThread::msleep(10); // the idle timer's pause between steps
        }
        state.SetIterationTime(double(total.elapsed()) / 1000.0);
        longest = std::max(longest, double(worst));
    }
    state.counters["longest_step_ms"] = longest;
    state.counters["document_kB"] = double(bytes.size()) / 1024.0;
}
BENCHMARK(BM_ShareFollowSave)->Arg(40000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The catch-up before a save: ten other users' diff files of 100 events each, one of them
// with one event more since the last look.
void BM_ShareCatchUpBeforeASave(benchmark::State &state)
{
    TShare share;
    if (!share.Mounted()) {
        state.SkipWithError("no FUSE relay here (root and /dev/fuse needed)");
        return;
    }
    MakePlan(share.Local(QStringLiteral("plan.zop")), 200);
    TBenchCore reader(mrOk);
    reader.file->Load(share.Remote(QStringLiteral("plan.zop")));
    const QString folder = share.Local(QStringLiteral(".zop/plan.zop/") + reader.sync->DirWatchThread()->WorkingDir() + '/');
    const auto diff = [&](int user, int events) {
        QString text;
        for (int i = 1; i <= events; ++i)
            text += QStringLiteral("<new id=\"u%1.x.%2\" index=\"%2\"><__change__>0</__change__><__user__>u%1.x</__user__>"
                                   "<__table__>tbTable</__table__><Comment>row %2</Comment></new>")
                        .arg(user)
                        .arg(i);
        return Write(folder + QStringLiteral("u%1.x.1.diff").arg(user),
                     QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data />"
                                    "<diff index=\"%1\">%2</diff></document>\r\n")
                         .arg(events)
                         .arg(text)
                         .toLatin1());
    };
    for (int user = 0; user < 10; ++user)
        diff(user, 100);
    reader.sync->CatchUp();
    int events = 100;
    for (auto _ : state) {
        state.PauseTiming();
        diff(0, ++events);
        state.ResumeTiming();
        reader.sync->CatchUp();
    }
}
BENCHMARK(BM_ShareCatchUpBeforeASave)->Iterations(5)->Unit(benchmark::kMillisecond);

// Opening a plan of range(0) tasks on the share.
void BM_ShareOpen(benchmark::State &state)
{
    TShare share;
    if (!share.Mounted()) {
        state.SkipWithError("no FUSE relay here (root and /dev/fuse needed)");
        return;
    }
    MakePlan(share.Local(QStringLiteral("plan.zop")), int(state.range(0)));
    for (auto _ : state) {
        TBenchCore reader(mrOk);
        reader.file->Load(share.Remote(QStringLiteral("plan.zop")));
        state.PauseTiming();
        reader.core->ActionNewExecute();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShareOpen)->Arg(40000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // The relay's own process: no application object, nothing but the file system.
    if (argc == 5 && std::string(argv[1]) == "--relay")
        return ShareRelay::Serve(argv[2], argv[3], std::atoi(argv[4])) ? 0 : 1;
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
