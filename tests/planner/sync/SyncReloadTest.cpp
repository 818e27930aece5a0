// The reload road after another instance saved: the newest working copy replaces the
// document, the own unwritten edits come back without touching the user's undo steps, and an
// unreadable working copy keeps the document as it is until it can be read.

#include "planner/CoreTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <thread>

#include "core/UndoRedo.h"
#include "sync/DirWatchThread.h"
#include "sync/GenerationBase.h"
#include "common/TestSupport.h"

namespace {

class SyncReloadTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        document = dir.filePath(QStringLiteral("plan.zop"));
        window.answers.assign(8, mrYes);
        ASSERT_TRUE(documentFile->Save(document));
        sync->UpdatePending();
    }

    // What another instance's save leaves: the lock copy here, a new generation with its
    // working copy, then the document itself.
    void SaveElsewhere(const QByteArray &workingCopy, const QByteArray &documentBytes)
    {
        SaveElsewhere(workingCopy, documentBytes, documentBytes);
    }
    void SaveElsewhere(const QByteArray &workingCopy, const QByteArray &documentBytes, const QByteArray &lockCopy)
    {
        TDirWatchThread &journal = *sync->DirWatchThread();
        ASSERT_TRUE(testsupport::writeFile(journal.GetLockedFileName(), lockCopy));
        const QString next = QString::number(journal.WorkingDir().toInt() + 1);
        ASSERT_TRUE(QDir().mkpath(journal.GetTmpDirectory() + next));
        ASSERT_TRUE(testsupport::writeFile(journal.GetWorkingFileName(next), workingCopy));
        ASSERT_TRUE(testsupport::writeFile(document, documentBytes));
        QFile(document).setFileTime(QDateTime::currentDateTimeUtc().addSecs(10), QFileDevice::FileModificationTime);
    }
    // The document saved with one task and nothing of it left to journal: the task's
    // identity, and the bytes saved in `saved`.
    QString SaveOneTask(QByteArray &saved)
    {
        core->FSaveFileCompressed = false;
        const QString id = AddTask("Position 1", "02.03.2026", "2")->ID.Value();
        EXPECT_TRUE(sync->ForceStorePending());
        EXPECT_TRUE(documentFile->Save(document));
        saved = testsupport::readFile(document);
        return id;
    }
    // The base record another instance on another host writes when its save claims
    // generation `claimed`, built on generation `from`.
    bool WriteOthersBaseRecord(const QString &claimed, const QString &from)
    {
        TGenerationBase base;
        base.From = from.toLongLong();
        base.Saver = QStringLiteral("elsewhere.bob");
        base.Host = QStringLiteral("elsewhere");
        base.Pid = 1;
        return testsupport::writeFile(sync->DirWatchThread()->GetBaseFileName(claimed), base.ToBytes());
    }
    bool StepUntil(const std::function<bool()> &done, int ms = 6000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            sync->SynchronisationStep();
            if (done())
                return true;
            QTest::qWait(20);
        }
        return done();
    }
    QString Comment(const QString &id)
    {
        TNodeData *node = core->FindNode(id);
        return node ? core->GetData(node, core->IndexOfColumnHack(tbTable, "Comment")) : QStringLiteral("<no row>");
    }

    QTemporaryDir dir;
    QString document;
};

// The document as another instance wrote it: one row of its own and the own row changed.
QByteArray OtherDocument(const QByteArray &saved, const QString &ownId)
{
    QString text = QString::fromLatin1(saved);
    const QString row = QStringLiteral("<new id=\"other.bob.1\"><__table__>tbTable</__table__><Comment>theirs</Comment></new>");
    text.replace(QStringLiteral("<data>"), QStringLiteral("<data>") + row);
    text.replace(QStringLiteral("<Comment>written</Comment>"), QStringLiteral("<Comment>written and saved</Comment>"));
    Q_UNUSED(ownId);
    return text.toLatin1();
}

} // namespace

TEST_F(SyncReloadTest, TheNewWorkingCopyReplacesTheDocumentAndUnwrittenEditsReturn)
{
    TNodeData *row = AddTask("Position 1", "02.03.2026", "2");
    const QString id = row->ID.Value();
    core->SetData_(row, cnTextCenterMiddle, "written");
    core->FSaveFileCompressed = false;
    ASSERT_TRUE(sync->ForceStorePending()); // long written, as in a real session
    ASSERT_TRUE(documentFile->Save(document));
    const QByteArray saved = testsupport::readFile(document);
    ASSERT_TRUE(saved.contains("<Comment>written</Comment>")) << saved.left(400).toStdString();

    // An edit that reaches no file before the other instance's save.
    core->SetData_(core->FindNode(id), cnLength, "5");
    const QByteArray other = OtherDocument(saved, id);
    SaveElsewhere(other, other);
    const QString generation = sync->DirWatchThread()->WorkingDir();

    ASSERT_TRUE(StepUntil([&] { return core->FindNode("other.bob.1") != nullptr; }));
    EXPECT_FALSE(sync->DirWatchThread()->NeedReload());
    EXPECT_NE(sync->DirWatchThread()->WorkingDir(), generation);
    EXPECT_EQ(Comment("other.bob.1"), "theirs");
    EXPECT_EQ(Comment(id), "written and saved");
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "5"); // the unwritten edit is back
    // and journalled again, into the new generation
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());
    EXPECT_TRUE(sync->DirWatchThread()->DiffFile().contains("/" + sync->DirWatchThread()->WorkingDir() + "/"));
    EXPECT_TRUE(testsupport::readFile(sync->DirWatchThread()->DiffFile()).contains("<Length>5</Length>"));
}

TEST_F(SyncReloadTest, AnUnreadableWorkingCopyKeepsTheDocumentUntilItCanBeRead)
{
    TNodeData *row = AddTask("Position 1", "02.03.2026", "2");
    const QString id = row->ID.Value();
    core->FSaveFileCompressed = false;
    ASSERT_TRUE(documentFile->Save(document));
    const QByteArray saved = testsupport::readFile(document);

    // The new working copy is cut short (a share that failed, a disk that filled up).
    SaveElsewhere(saved.left(saved.size() / 2), saved);
    for (int i = 0; i < 20; ++i) {
        sync->SynchronisationStep();
        QTest::qWait(10);
    }
    EXPECT_TRUE(sync->DirWatchThread()->NeedReload());
    ASSERT_NE(core->FindNode(id), nullptr); // never an empty document
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);

    // Once it is whole, the reload happens.
    TDirWatchThread &journal = *sync->DirWatchThread();
    qint64 first = 0, last = 0;
    int count = 0;
    TDateTime newest = 0;
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    ASSERT_TRUE(testsupport::writeFile(journal.GetWorkingFileName(QString::number(last)), OtherDocument(saved, id)));
    ASSERT_TRUE(StepUntil([&] { return core->FindNode("other.bob.1") != nullptr; }));
    EXPECT_FALSE(sync->DirWatchThread()->NeedReload());
    EXPECT_NE(core->FindNode(id), nullptr);
}

TEST_F(SyncReloadTest, EventsHandedToAPostponedWriteSurviveTheReload)
{
    QByteArray saved;
    const QString id = SaveOneTask(saved);
    ASSERT_FALSE(HasFailure());

    // The own diff file cannot be written (a folder holds its name): the scan takes the edit
    // and cannot write it.
    TDirWatchThread &journal = *sync->DirWatchThread();
    ASSERT_TRUE(QDir().mkpath(journal.GetWorkingDir() + UserIdentity() + ".1.diff"));
    core->SetData_(core->FindNode(id), cnLength, "7");
    ASSERT_TRUE(StepUntil([&] {
        return !sync->ScanRunning() && sync->DirWatchThread()->PendingEvents().empty()
               && sync->DirWatchThread()->HasUnwrittenEvents();
    }));
    // Another instance saves (its lock copy the document saved here); this instance reloads.
    const QByteArray other = OtherDocument(saved, id);
    ASSERT_NO_FATAL_FAILURE(SaveElsewhere(other, other, saved));
    ASSERT_TRUE(StepUntil([&] { return core->FindNode("other.bob.1") != nullptr; }));
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "7");
    EXPECT_TRUE(StepUntil([&] { return !sync->DirWatchThread()->HasUnwrittenEvents() && !sync->ScanRunning(); }));
    EXPECT_TRUE(testsupport::readFile(sync->DirWatchThread()->DiffFile()).contains("<Length>7</Length>"));
}

TEST_F(SyncReloadTest, AnEditOnlyInTheOwnSaveSurvivesARivalSaveOfTheSameGeneration)
{
    QByteArray saved;
    const QString id = SaveOneTask(saved);
    ASSERT_FALSE(HasFailure());
    const QString from = sync->DirWatchThread()->WorkingDir();
    // The own diff file cannot be written (a folder holds its name): the edit reaches no file
    // before the save.
    ASSERT_TRUE(QDir().mkpath(sync->DirWatchThread()->GetWorkingDir() + UserIdentity() + ".1.diff"));
    core->SetData_(core->FindNode(id), cnTextCenterMiddle, "only here");

    // Right after this save claimed its folder, another instance that saw the claim takes the
    // next number and finishes from the same generation before this one writes its base record.
    const QString rival = QString::number(from.toLongLong() + 2);
    bool met = false;
    sync->OnSaveStep = [&](const QString &step) {
        if (step != "claimed" || met)
            return;
        met = true;
        const TDirWatchThread &journal = *sync->DirWatchThread();
        ASSERT_TRUE(QDir().mkdir(journal.GetTmpDirectory() + rival));
        ASSERT_TRUE(WriteOthersBaseRecord(rival, from));
        ASSERT_TRUE(testsupport::writeFile(journal.GetLockedFileName(from), saved));
        ASSERT_TRUE(testsupport::writeFile(journal.GetWorkingFileName(rival), saved));
    };
    const bool ownSaved = documentFile->Save(document);
    sync->OnSaveStep = nullptr;
    ASSERT_TRUE(met);
    ASSERT_TRUE(ownSaved);

    // Everyone follows the other save; the edit moves along and is journalled there.
    ASSERT_TRUE(StepUntil([&] {
        return sync->DirWatchThread()->WorkingDir() == rival && !sync->ScanRunning()
               && !sync->DirWatchThread()->HasUnwrittenEvents();
    }));
    EXPECT_EQ(Comment(id), "only here");
    EXPECT_TRUE(testsupport::readFile(sync->DirWatchThread()->DiffFile()).contains("only&nbsp;here"));
}

TEST_F(SyncReloadTest, ARivalSaveIsTimedByThisMachinesClockNotByTheShares)
{
    QByteArray saved;
    const QString id = SaveOneTask(saved);
    ASSERT_FALSE(HasFailure());
    TDocumentSync::SetStuckSaveGrace(5000);
    const TDirWatchThread &journal = *sync->DirWatchThread();
    const QString from = journal.WorkingDir();
    const QString rival = QString::number(from.toLongLong() + 1);
    // Another instance claims the next generation right now; the share's clock runs a
    // minute behind, so its base record looks a minute old.
    ASSERT_TRUE(QDir().mkdir(journal.GetTmpDirectory() + rival));
    ASSERT_TRUE(WriteOthersBaseRecord(rival, from));
    {
        QFile file(journal.GetBaseFileName(rival));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60), QFileDevice::FileModificationTime));
    }
    core->SetData_(core->FindNode(id), cnTextCenterMiddle, "above");
    // It finishes a moment later.
    const QString lockCopy = journal.GetLockedFileName();
    const QString workingCopy = journal.GetWorkingFileName(rival);
    std::thread finisher([&] {
        QThread::msleep(400);
        testsupport::writeFile(lockCopy, saved);
        if (testsupport::writeFile(workingCopy + ".part", saved))
            QFile::rename(workingCopy + ".part", workingCopy);
    });
    const bool ownSaved = documentFile->Save(document);
    finisher.join();
    TDocumentSync::SetStuckSaveGrace(30000);
    // Its save stands, and this one was made on top of it.
    EXPECT_TRUE(ownSaved);
    EXPECT_TRUE(QFileInfo::exists(workingCopy));
    EXPECT_GT(sync->DirWatchThread()->WorkingDir().toLongLong(), rival.toLongLong());
    EXPECT_EQ(Comment(id), "above");
    EXPECT_TRUE(testsupport::readFile(document).contains("<Comment>above</Comment>"));
}

namespace {

// What the user sees of the undo list: each step's group, row and hint, oldest first.
QStringList UndoSteps(const TUndoRedo &undo, const TPlannerCore &core)
{
    QStringList steps;
    for (const auto &entry : undo.UndoList())
        steps << QStringLiteral("%1 %2 %3").arg(QString::number(entry->FGroupIndex), entry->FID, entry->Hint(core));
    return steps;
}

} // namespace

TEST_F(SyncReloadTest, FollowingASaveLeavesTheUsersUndoStepsAsTheyWere)
{
    QByteArray saved;
    const QString id = SaveOneTask(saved);
    ASSERT_FALSE(HasFailure());
    undo.Clear();

    // Two user actions that reach no file before another instance saves: a length changed,
    // then a row made and written in one step.
    {
        const TUndoGroupScope group(core->FUndoRedoGroupIndex, undo);
        core->SetData_(core->FindNode(id), cnLength, "5");
    }
    QString made;
    {
        const TUndoGroupScope group(core->FUndoRedoGroupIndex, undo);
        TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(node, cnTextCenterMiddle, "made here");
        made = node->ID.Value();
    }
    const QStringList before = UndoSteps(undo, *core);
    ASSERT_GE(before.size(), 3);
    const QByteArray other = OtherDocument(saved, id);
    SaveElsewhere(other, other);
    const QString generation = sync->DirWatchThread()->WorkingDir();

    ASSERT_TRUE(StepUntil([&] { return core->FindNode("other.bob.1") != nullptr; }));
    EXPECT_NE(sync->DirWatchThread()->WorkingDir(), generation);
    // Both actions were carried over and journalled again, and the steps are as they were.
    ASSERT_NE(core->FindNode(made), nullptr);
    EXPECT_EQ(core->GetData_(core->FindNode(made), cnTextCenterMiddle), "made here");
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "5");
    EXPECT_EQ(UndoSteps(undo, *core), before);
    EXPECT_FALSE(undo.GetCanRedo());

    // One Undo takes back the whole last action, the row with its text; the next one the length.
    core->Undo();
    EXPECT_EQ(core->FindNode(made), nullptr);
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "5");
    core->Undo();
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "2");
    EXPECT_FALSE(undo.GetCanUndo());
    EXPECT_EQ(Comment("other.bob.1"), "theirs"); // the other instance's row is no step of this user's
    // Redo brings both back.
    core->Redo();
    core->Redo();
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnLength), "5");
    EXPECT_EQ(core->GetTableRowCount(tbTable), 3);
}
