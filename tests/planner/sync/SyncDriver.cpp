#include "planner/sync/SyncDriver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "DateFormat.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "core/UndoRedo.h"
#include "treegrid/StringTreeGrid.h"

// The host name of a driver process comes from its environment: the identity of a user is
// "host.login", and several drivers on one machine must be several users. Qt asks uname().
extern "C" int uname(struct utsname *name)
{
    const long result = syscall(SYS_uname, name);
    if (result == 0) {
        const char *host = std::getenv("VELMORA_SYNC_HOST");
        if (host && *host) {
            std::strncpy(name->nodename, host, sizeof(name->nodename) - 1);
            name->nodename[sizeof(name->nodename) - 1] = '\0';
        }
    }
    return int(result);
}

namespace {

const char *HostVariable = "VELMORA_SYNC_HOST";

// Answers every question as a user who wants the newest state: Yes, OK.
class TDriverWindow : public IPlannerWindow
{
public:
    void InvalidateRow(TNodeData &) override {}
    void InvalidateChart() override {}
    void SetStatusText(int, const QString &) override {}
    int Ask(const QString &text, TMsgDlgType, TMsgDlgButtons buttons) override
    {
        Log(QStringLiteral("driver asked: ") + text);
        if (buttons.contains(mbYes))
            return mrYes;
        return mrOk;
    }
    void SetBusyCursor(bool) override {}
    int TimeChartWidthInDays() const override { return 60; }
};

class TDriver
{
public:
    TDriver()
        : FTasks(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)),
          FAbsent(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)),
          FCore(std::make_unique<TPlannerCore>(FTasks.get(), FAbsent.get(), FWindow, &FUndo))
    {
        FCore->ActionNewExecute();
        // The idle timer's work (its first step is the synchronisation), as the window's idle
        // processing runs it.
        FIdle.setInterval(100);
        QObject::connect(&FIdle, &QTimer::timeout, [this] { FCore->IdleTimerTimer(); });
        FIdle.start();
    }
    ~TDriver()
    {
        FIdle.stop();
        FCore.reset();
    }

    // One command line; the answer without its "@@ " prefix. quit is set by "quit".
    QString Execute(const QString &line, bool &quit)
    {
        const QStringList f = line.split(QLatin1Char('\t'));
        const QString &command = f.value(0);
        TPlannerCore &core = *FCore;
        try {
            if (command == "create") {
                core.ActionNewExecute();
                return core.Save(f.value(1)) ? "ok" : "error save";
            }
            if (command == "open") {
                core.Open(f.value(1));
                return core.DirWatchThread()->Filename().isEmpty() ? "error open" : "ok";
            }
            if (command == "add") {
                TNodeData *row = core.AddNode(core.GetFreeID(), tbTable, true);
                core.SetData(row, core.IndexOfColumnHack(tbTable, f.value(1)), f.value(2));
                return "ok " + row->ID.Value();
            }
            if (command == "set") {
                TNodeData *row = core.FindNode(f.value(1));
                if (!row)
                    return "error no row " + f.value(1);
                core.SetData(row, core.IndexOfColumnHack(row->NodeTable, f.value(2)), f.value(3));
                return "ok";
            }
            if (command == "delete") {
                core.DeleteNode(core.FindNode(f.value(1)), true);
                return "ok";
            }
            if (command == "save")
                return core.Save(core.DirWatchThread()->Filename()) ? "ok" : "error save";
            if (command == "crashsave") {
                // The save road up to its new generation folder, then the process dies.
                core.StopBackgroundThread();
                TDirWatchThread &journal = *core.DirWatchThread();
                QFile locked(journal.GetLockedFileName());
                const QByteArray bytes = core.SaveToBuffer(false);
                if (!locked.open(QIODevice::WriteOnly) || locked.write(bytes) != bytes.size())
                    return "error lock copy";
                locked.close();
                int first = 0, last = 0, count = 0;
                TDateTime newest = 0;
                journal.GetHistoryInfo(first, last, count, newest, ltHistory);
                QDir().mkpath(journal.GetTmpDirectory() + QString::number(last + 1));
                std::fflush(stdout);
                ::_exit(9);
            }
            if (command == "dump")
                return "ok " + QString::fromUtf8(QJsonDocument(Dump()).toJson(QJsonDocument::Compact));
            if (command == "state") {
                QJsonObject state;
                const TDirWatchThread &journal = *core.DirWatchThread();
                const bool scanning = core.ScanRunning();
                state["scanning"] = scanning;
                // Only while no scan writes: the handed-over events belong to the scan then.
                state["unwritten"] = scanning ? -1 : journal.NumPendingEvents();
                state["reload"] = journal.NeedReload();
                state["generation"] = journal.WorkingDir();
                state["identity"] = UserIdentity();
                return "ok " + QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
            }
            if (command == "quit") {
                quit = true;
                return core.ForceStorePending() ? "ok" : "error unwritten events";
            }
        } catch (const std::exception &e) {
            return "error " + QString::fromLocal8Bit(e.what());
        }
        return "error unknown command " + command;
    }

private:
    QJsonObject Dump() const
    {
        QJsonObject rows;
        for (TWhichTable table : {tbTable, tbExclude}) {
            FCore->ForEach(table, feAll, [&](TNodeData *node) {
                QJsonObject cells;
                for (int column = 0; column < FCore->GetTableColCount(table); ++column)
                    cells[FCore->GetColumnCaptionHack(table, column)] = FCore->GetData(node, column);
                rows[node->ID.Value()] = cells;
            });
        }
        return rows;
    }

    TDriverWindow FWindow;
    TUndoRedo FUndo;
    std::unique_ptr<TStringTreeGrid> FTasks;
    std::unique_ptr<TStringTreeGrid> FAbsent;
    std::unique_ptr<TPlannerCore> FCore;
    QTimer FIdle;
};

} // namespace

int RunSyncDriver(const QString &host)
{
    Q_UNUSED(host);
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    TDriver driver;
    QEventLoop loop;
    // Commands are read on this thread when input arrives: the event loop keeps running
    // (idle step and scans) between them.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            loop.quit();
            return;
        }
        pending.append(buffer, qsizetype(got));
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            bool quit = false;
            const QString answer = driver.Execute(line, quit);
            std::fprintf(stdout, "@@ %s\n", answer.toUtf8().constData());
            std::fflush(stdout);
            if (quit) {
                input.setEnabled(false);
                loop.quit();
                return;
            }
        }
    });
    loop.exec();
    return 0;
}

// The driver's entry: a test that does its work only in a driver process.
TEST(SyncDriverMode, Run)
{
    const QString host = qEnvironmentVariable(HostVariable);
    if (host.isEmpty())
        GTEST_SKIP() << "runs only as a synchronisation test driver";
    EXPECT_EQ(RunSyncDriver(host), 0);
}

// ---- the parent's side

bool TSyncDriverProcess::Start(const QString &host)
{
    FHost = host;
    FProcess = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(HostVariable), host);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    FProcess->setProcessEnvironment(environment);
    FProcess->setProcessChannelMode(QProcess::SeparateChannels);
    FProcess->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SyncDriverMode.Run")});
    if (!FProcess->waitForStarted(10000))
        return false;
    return Command({QStringLiteral("state")}).startsWith(QStringLiteral("{"));
}

TSyncDriverProcess::~TSyncDriverProcess()
{
    if (Running()) {
        FProcess->closeWriteChannel();
        if (!FProcess->waitForFinished(5000))
            Kill();
    }
}

bool TSyncDriverProcess::Running() const
{
    return FProcess && FProcess->state() != QProcess::NotRunning;
}

void TSyncDriverProcess::Kill()
{
    if (FProcess) {
        FProcess->kill();
        FProcess->waitForFinished(5000);
    }
}

bool TSyncDriverProcess::WaitForExit(int timeoutMs)
{
    return !Running() || FProcess->waitForFinished(timeoutMs);
}

QString TSyncDriverProcess::Command(const QStringList &fields, int timeoutMs)
{
    if (!Running())
        return QStringLiteral("error not running");
    FProcess->write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
    FProcess->waitForBytesWritten(timeoutMs);
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        qsizetype end;
        while ((end = FBuffer.indexOf('\n')) >= 0) {
            const QByteArray line = FBuffer.left(end);
            FBuffer.remove(0, end + 1);
            if (line.startsWith("@@ ")) {
                const QString answer = QString::fromUtf8(line.mid(3));
                if (answer == QStringLiteral("ok"))
                    return QString();
                if (answer.startsWith(QStringLiteral("ok ")))
                    return answer.mid(3);
                return answer;
            }
            FOutput += QString::fromUtf8(line) + QLatin1Char('\n');
        }
        if (deadline.hasExpired() || !Running())
            return QStringLiteral("timeout");
        if (FProcess->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            FBuffer += FProcess->readAllStandardOutput();
        FOutput += QString::fromUtf8(FProcess->readAllStandardError());
    }
}

QJsonObject TSyncDriverProcess::Json(const QString &command, int timeoutMs)
{
    return QJsonDocument::fromJson(Command({command}, timeoutMs).toUtf8()).object();
}
