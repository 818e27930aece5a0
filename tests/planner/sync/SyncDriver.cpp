#include "planner/sync/SyncDriver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
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
#include "document/DocumentFile.h"
#include "setup/SetupApplier.h"
#include "sync/DocumentSync.h"
#include "sync/WatcherThread.h"
#include "sync/WorkingFolder.h"
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

// Answers every question as a user who wants the newest state: Yes, OK.
class TDriverWindow : public IPlannerWindow
{
public:
    void InvalidateRow(TNodeData &) override {}
    void InvalidateChart() override {}
    void SetStatusText(int panel, const QString &text) override
    {
        // What a user reads while a command runs, for the parent to look up afterwards.
        if (panel == 3 && !text.isEmpty())
            Log(QStringLiteral("driver status: ") + text);
    }
    void ShowStatusMessage(const QString &text) override { Log(QStringLiteral("driver message: ") + text); }
    void SetSharingNotice(const QString &text) override
    {
        Notice = text;
        ++Notices;
    }
    QString Notice;
    int Notices = 0;
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
          FCore(std::make_unique<TPlannerCore>(FTasks.get(), FAbsent.get(), FWindow, &FUndo)),
          FSync(std::make_unique<TDocumentSync>(*FCore)),
          FFile(std::make_unique<TDocumentFile>(*FCore, *FSync))
    {
        FCore->ActionNewExecute();
        // The idle timer's work (its first step is the synchronisation), as the window's idle
        // processing runs it.
        FIdle.setInterval(100);
        QObject::connect(&FIdle, &QTimer::timeout, [this] { FCore->IdleTimerTimer(); });
        FIdle.start();
        // Waits are checked often, so that the time a change needs to arrive is measured
        // closely.
        FWaitTimer.setInterval(5);
        QObject::connect(&FWaitTimer, &QTimer::timeout, [this] { CheckWaits(); });
    }
    ~TDriver()
    {
        FIdle.stop();
        FFile.reset();
        FSync.reset();
        FCore.reset();
    }

    // One command line; the answer without its "@@ " prefix. quit is set by "quit".
    QString Execute(const QString &line, bool &quit)
    {
        const QStringList f = line.split(QLatin1Char('\t'));
        const QString &command = f.value(0);
        TPlannerCore &core = *FCore;
        TDocumentSync &sync = *FSync;
        TDocumentFile &file = *FFile;
        try {
            if (command == "create") {
                core.ActionNewExecute();
                return file.Save(f.value(1)) ? "ok" : "error save";
            }
            if (command == "open") {
                file.Open(f.value(1));
                const QString opened = QDir::cleanPath(QFileInfo(f.value(1)).absoluteFilePath());
                return sync.DirWatchThread()->Filename() == opened ? "ok" : "error open";
            }
            if (command == "new") {
                core.ActionNewExecute();
                return "ok";
            }
            if (command == "saveto")
                return file.Save(f.value(1)) ? "ok" : "error save";
            if (command == "add") {
                // One user action: the new row and its text are one undo step.
                const TUndoGroupScope group(core.FUndoRedoGroupIndex, core.UndoStack());
                TNodeData *row = core.AddNode(core.GetFreeID(), tbTable, true);
                core.SetData(row, core.IndexOfColumnHack(tbTable, f.value(1)), f.value(2));
                return "ok " + row->ID.Value();
            }
            if (command == "undo") {
                core.Undo();
                return "ok";
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
            if (command == "deleteall") {
                // One user action, the way an import clears the table first.
                const TUndoGroupScope group(core.FUndoRedoGroupIndex, core.UndoStack());
                core.ForEach(tbTable, feAll, [&core](TNodeData *node) { core.DeleteNode(node, true); });
                return "ok";
            }
            if (command == "order") {
                QJsonArray texts;
                const int column = core.IndexOfColumnHack(tbTable, f.value(1));
                core.ForEach(tbTable, feAll, [&](TNodeData *node) { texts.append(core.GetData(node, column)); });
                return "ok " + QString::fromUtf8(QJsonDocument(texts).toJson(QJsonDocument::Compact));
            }
            if (command == "column") {
                // A task column renamed and (re)typed (by its name in files) through the table
                // setup, which saves before and after; an empty caption adds the column.
                TSetupApplier applier(core, file);
                TSetupChanges changes;
                changes.Table = applier.ReadTable();
                const TColumnType type = ColumnTypeName2Type(f.value(3));
                auto &columns = changes.Table->Columns;
                const auto it = std::find_if(columns.begin(), columns.end(),
                                             [&](const TTableSetupColumn &column) { return column.Caption == f.value(1); });
                if (it == columns.end())
                    columns.push_back({f.value(2), type, {}, -1});
                else
                    *it = {f.value(2), type, {}, it->SourceIndex};
                return applier.Apply(changes) ? "ok" : "error setup";
            }
            if (command == "saveasname") {
                const QString name = f.value(1);
                file.OnChooseSaveFileName = [name](const QString &) { return name; };
                return "ok";
            }
            if (command == "save")
                return file.Save(sync.DirWatchThread()->Filename()) ? "ok" : "error save";
            if (command == "saveas")
                return file.ActionSaveAsExecute() ? "ok" : "error save";
            if (command == "crashsave" || command == "slowsave") {
                const QString argument = f.value(1);
                sync.OnSaveStep = [command, argument](const QString &step) {
                    if (command == "slowsave") {
                        QThread::msleep(argument.toUInt());
                    } else if (step == argument) {
                        std::fflush(stdout);
                        ::_exit(9);
                    }
                };
                const bool saved = file.Save(sync.DirWatchThread()->Filename());
                sync.OnSaveStep = nullptr;
                return saved ? "ok" : "error save";
            }
            if (command == "waitfor") {
                TWait wait{f.value(1), f.value(2), f.value(3), QDeadlineTimer(f.value(4).toInt())};
                if (!Check(wait)) {
                    FWaits.push_back(wait);
                    FWaitTimer.start();
                    return QString(); // answered later
                }
                return "ok " + QString::number(QDateTime::currentMSecsSinceEpoch()) + ' ' + wait.ID;
            }
            if (command == "log") {
                QFile log(qEnvironmentVariable("VELMORA_SYNC_LOG"));
                int count = 0;
                if (log.open(QIODevice::ReadOnly))
                    for (const QByteArray &line : log.readAll().split('\n'))
                        if (QString::fromUtf8(line).contains(f.value(1)))
                            ++count;
                return "ok " + QString::number(count);
            }
            if (command == "dump")
                return "ok " + QString::fromUtf8(QJsonDocument(Dump()).toJson(QJsonDocument::Compact));
            if (command == "state") {
                QJsonObject state;
                const TDirWatchThread &journal = *sync.DirWatchThread();
                const bool scanning = sync.ScanRunning();
                state["scanning"] = scanning;
                // Only while no scan writes: the handed-over events belong to the scan then.
                state["unwritten"] = scanning ? -1 : journal.NumPendingEvents();
                state["reload"] = journal.NeedReload();
                state["generation"] = journal.WorkingDir();
                state["identity"] = UserIdentity();
                state["notice"] = FWindow.Notice;
                state["notices"] = FWindow.Notices;
                state["undo"] = int(FUndo.UndoList().size());
                state["redo"] = int(FUndo.RedoList().size());
                state["filesread"] = qint64(TWatcherThread::FilesRead());
                state["scans"] = qint64(TWatcherThread::ScansStarted());
                return "ok " + QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
            }
            if (command == "quit") {
                // The window's close handler: a refused close leaves the driver running.
                if (!file.FormClose())
                    return "error close refused";
                quit = true;
                return "ok";
            }
        } catch (const std::exception &e) {
            return "error " + QString::fromLocal8Bit(e.what());
        }
        return "error unknown command " + command;
    }

private:
    struct TWait
    {
        QString ID;
        QString Caption;
        QString Text;
        QDeadlineTimer Deadline;
    };
    bool Check(const TWait &wait) const
    {
        TNodeData *row = FCore->FindNode(wait.ID);
        return row && FCore->GetData(row, FCore->IndexOfColumnHack(row->NodeTable, wait.Caption)) == wait.Text;
    }
    void CheckWaits()
    {
        for (auto it = FWaits.begin(); it != FWaits.end();) {
            const bool done = Check(*it);
            if (done || it->Deadline.hasExpired()) {
                // When it was seen, for the parent to measure how long the change took.
                const QByteArray answer = done ? "ok " + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' '
                                                     + it->ID.toUtf8()
                                               : QByteArray("error timeout");
                std::fprintf(stdout, "@@ %s\n", answer.constData());
                std::fflush(stdout);
                it = FWaits.erase(it);
            } else {
                ++it;
            }
        }
        if (FWaits.empty())
            FWaitTimer.stop();
    }

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
    std::unique_ptr<TDocumentSync> FSync;
    std::unique_ptr<TDocumentFile> FFile;
    QTimer FIdle;
    QTimer FWaitTimer;
    std::vector<TWait> FWaits;
};

} // namespace

namespace {

// Gives the driver's own folders to `uid`, the way a user's own folders are theirs.
void GiveFolder(const QString &path, uid_t uid, gid_t gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            GiveFolder(entry.absoluteFilePath(), uid, gid);
        else
            (void)::chown(QFile::encodeName(entry.absoluteFilePath()).constData(), uid, gid);
    }
}

// A driver started by root may be another user: VELMORA_SYNC_UID, VELMORA_SYNC_GID and the
// supplementary groups VELMORA_SYNC_GROUPS (comma-separated). False when that fails.
bool BecomeUser()
{
    if (!qEnvironmentVariableIsSet("VELMORA_SYNC_UID"))
        return true;
    const uid_t uid = uid_t(qEnvironmentVariableIntValue("VELMORA_SYNC_UID"));
    const gid_t gid = gid_t(qEnvironmentVariableIntValue("VELMORA_SYNC_GID"));
    std::vector<gid_t> groups;
    for (const QString &group : qEnvironmentVariable("VELMORA_SYNC_GROUPS").split(QLatin1Char(','), Qt::SkipEmptyParts))
        groups.push_back(gid_t(group.toUInt()));
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"})
        GiveFolder(QFileInfo(qEnvironmentVariable(name)).absolutePath(), uid, gid);
    return ::setgroups(groups.size(), groups.data()) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0
           && ::geteuid() == uid;
}

} // namespace

int RunSyncDriver(const QString &host)
{
    Q_UNUSED(host);
    if (!BecomeUser())
        return 3;
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_UMASK"))
        ::umask(mode_t(qEnvironmentVariable("VELMORA_SYNC_UMASK").toUInt(nullptr, 8)));
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_LOG"))
        platform::setLogFilePath(qEnvironmentVariable("VELMORA_SYNC_LOG"));
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_VIEW_DELAY"))
        SetFolderViewDelay(qEnvironmentVariableIntValue("VELMORA_SYNC_VIEW_DELAY"));
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_LISTING_DELAY"))
        SetFolderListingDelay(qEnvironmentVariableIntValue("VELMORA_SYNC_LISTING_DELAY"));
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_STALE_STAMPS"))
        SetStaleStampDelay(qEnvironmentVariableIntValue("VELMORA_SYNC_STALE_STAMPS"));
    if (qEnvironmentVariableIsSet("VELMORA_SYNC_GRACE"))
        TDocumentSync::SetStuckSaveGrace(qEnvironmentVariableIntValue("VELMORA_SYNC_GRACE"));
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
            if (!answer.isEmpty()) {
                std::fprintf(stdout, "@@ %s\n", answer.toUtf8().constData());
                std::fflush(stdout);
            }
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
    const QString host = qEnvironmentVariable(TSyncDriverProcess::HostVariable());
    if (host.isEmpty())
        GTEST_SKIP() << "runs only as a synchronisation test driver";
    EXPECT_EQ(RunSyncDriver(host), 0);
}
