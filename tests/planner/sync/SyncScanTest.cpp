// The synchronisation step on a real working folder: another user's diff file arriving and
// growing, damaged files, the own events written, a closed generation, a rewritten document
// and a save that died half-way.

#include "planner/CoreTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "BlockCompress.h"
#include "sync/DirWatchThread.h"
#include "sync/GenerationBase.h"
#include "Helper.h"
#include "Log.h"
#include "common/TestSupport.h"
#include "sync/WatcherThread.h"
#include "XmlTree.h"

namespace {

const char *EmptyDocument =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>\r\n";

QString Events(const QStringList &events)
{
    return events.join(QString());
}

QString NewRow(const QString &id, int index, const QString &comment)
{
    return QStringLiteral("<new id=\"%1\" index=\"%2\"><__change__>0</__change__><__user__>other.bob</__user__>"
                          "<__table__>tbTable</__table__><Comment>%3</Comment></new>")
        .arg(id, QString::number(index), comment);
}

QString ChangeRow(const QString &id, int index, int change, const QString &comment)
{
    return QStringLiteral("<change id=\"%1\" index=\"%2\"><__change__>%3</__change__><__user__>other.bob</__user__>"
                          "<Comment>%4</Comment></change>")
        .arg(id, QString::number(index), QString::number(change), comment);
}

QByteArray DiffFile(const QString &events, int index)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data />"
                          "<diff index=\"%1\">%2</diff></document>\r\n")
        .arg(QString::number(index), events)
        .toLatin1();
}

class SyncScanTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        document = dir.filePath(QStringLiteral("plan.zop"));
        ASSERT_TRUE(testsupport::writeFile(document, EmptyDocument));
        sync->NewDirWatchThread(document);
        journal = sync->DirWatchThread();
        ASSERT_FALSE(journal->JournalRefused());
        other = journal->GetWorkingDir() + QStringLiteral("other.bob.1.diff");
    }

    // Runs idle steps until the condition holds (at most a few scans).
    bool StepUntil(const std::function<bool()> &done, int ms = 6000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            sync->UpdatePending();
            if (done())
                return true;
            QTest::qWait(20);
        }
        return done();
    }
    // Steps until at least one more scan has been collected.
    void OneScan()
    {
        StepUntil([this] { return sync->ScanRunning(); });
        StepUntil([this] { return !sync->ScanRunning(); });
        sync->UpdatePending();
    }
    QString Comment(const QString &id)
    {
        TNodeData *node = core->FindNode(id);
        return node ? core->GetData(node, core->IndexOfColumnHack(tbTable, "Comment")) : QStringLiteral("<no row>");
    }

    QTemporaryDir dir;
    QString document;
    QString other;
    TDirWatchThread *journal = nullptr;
};

} // namespace

TEST_F(SyncScanTest, AnotherUsersFileArrivesGrowsAndIsReadAgainWheneverItChanges)
{
    ASSERT_TRUE(testsupport::writeFile(other, DiffFile(Events({NewRow("other.bob.1", 1, "one"),
                                                               NewRow("other.bob.2", 2, "two")}), 2)));
    sync->SyncLoadTransactions();
    EXPECT_EQ(Comment("other.bob.1"), "one");
    EXPECT_EQ(Comment("other.bob.2"), "two");
    EXPECT_TRUE(journal->Changed()); // a diff file in the generation is something to save
    EXPECT_TRUE(QFileInfo::exists(journal->GetUserFileName()));

    // A local edit of row 1 that a second application of event 1 would undo.
    core->SetData(core->FindNode("other.bob.1"), core->IndexOfColumnHack(tbTable, "Comment"), "mine");
    ASSERT_TRUE(testsupport::writeFile(other, DiffFile(Events({NewRow("other.bob.1", 1, "one"),
                                                               NewRow("other.bob.2", 2, "two"),
                                                               ChangeRow("other.bob.2", 3, 1, "two again")}), 3)));
    ASSERT_TRUE(StepUntil([this] { return Comment("other.bob.2") == "two again"; }));
    EXPECT_EQ(Comment("other.bob.1"), "mine");

    // The own edit went into the own diff file of this generation, and nowhere else.
    ASSERT_TRUE(StepUntil([this] { return !sync->ScanRunning() && !journal->HasUnwrittenEvents(); }));
    const QString own = journal->DiffFile();
    ASSERT_FALSE(own.isEmpty());
    EXPECT_TRUE(own.startsWith(journal->GetWorkingDir() + UserIdentity() + "."));
    TXMLTree written;
    written.LoadFromFile(own);
    const TXMLNode *diff = written.namedNode(QStringList{"document", "diff"});
    ASSERT_NE(diff, nullptr);
    ASSERT_EQ(diff->ChildCount(), 1);
    EXPECT_EQ(diff->GetNode(0)->namedNode("Comment")->GetValue(), "mine");

    // Nothing changed: the file is not read again.
    OneScan();
    EXPECT_EQ(sync->NumPendingSyncFiles(), 0);
    // A file rewritten with the same size is read again, but an index already applied is
    // never applied twice.
    const QByteArray sameSize = DiffFile(Events({NewRow("other.bob.1", 1, "one"), NewRow("other.bob.2", 2, "two"),
                                                 ChangeRow("other.bob.2", 3, 1, "two AGAIN")}), 3);
    ASSERT_TRUE(testsupport::writeFile(other, sameSize));
    ASSERT_TRUE(StepUntil([this] { return sync->NumPendingSyncFiles() == 1; }));
    EXPECT_EQ(Comment("other.bob.2"), "two again");
}

TEST_F(SyncScanTest, DamagedFilesAreNeverHalfAppliedAndReadAgainOnceWhole)
{
    ASSERT_TRUE(testsupport::writeFile(other, DiffFile(NewRow("other.bob.1", 1, "one"), 1)));
    sync->SyncLoadTransactions();
    ASSERT_EQ(Comment("other.bob.1"), "one");

    const QByteArray whole = DiffFile(Events({NewRow("other.bob.1", 1, "one"), ChangeRow("other.bob.1", 2, 1, "two"),
                                              NewRow("other.bob.3", 3, "three")}), 3);
    // Cut inside the last event: it would parse into a smaller tree.
    const QByteArray cut = whole.left(whole.indexOf("<new id=\"other.bob.3\"") + 40);
    // The element's index runs ahead of the events that are there.
    const QByteArray missing = DiffFile(ChangeRow("other.bob.1", 2, 1, "two"), 3);
    const QByteArray packed = TLZR::compressBytes(whole);
    const QByteArray damaged[] = {cut, missing, QByteArray("\x01\x02garbage\xff", 10), packed.left(packed.size() - 7),
                                  DiffFile("<change id=\"other.bob.1\" index=\"1", 1)};
    for (const QByteArray &bytes : damaged) {
        ASSERT_TRUE(testsupport::writeFile(other, bytes));
        TScannedFile file;
        QString reason;
        EXPECT_EQ(TWatcherThread::ReadXMLFile(other, file, reason), TWatcherThread::rrIncomplete)
            << bytes.left(60).toStdString();
        EXPECT_FALSE(reason.isEmpty());
    }
    // Through the step: a cut file changes nothing and is looked at again by the next scan.
    ASSERT_TRUE(testsupport::writeFile(other, cut));
    OneScan();
    EXPECT_EQ(Comment("other.bob.1"), "one");
    EXPECT_EQ(core->FindNode("other.bob.3"), nullptr);
    // Whole again (compressed this time): everything arrives, once.
    ASSERT_TRUE(testsupport::writeFile(other, packed));
    ASSERT_TRUE(StepUntil([this] { return core->FindNode("other.bob.3") != nullptr; }));
    EXPECT_EQ(Comment("other.bob.1"), "two");
    EXPECT_EQ(Comment("other.bob.3"), "three");

    // A huge index is applied and ends that file's further events; nothing breaks.
    ASSERT_TRUE(testsupport::writeFile(other, DiffFile(Events({NewRow("other.bob.1", 1, "one"),
                                                               NewRow("other.bob.4", 2147483647, "four")}), 2147483647)));
    ASSERT_TRUE(StepUntil([this] { return core->FindNode("other.bob.4") != nullptr; }));
}

TEST_F(SyncScanTest, AnotherSaveBringsItsWorkingCopyAndTheOwnEventsItLacks)
{
    const QByteArray saved = documentFile->SaveToBuffer(false); // another instance's empty document
    core->FSaveFileCompressed = false;
    sync->UpdatePending();
    TNodeData *row = AddTask("Position 1", "02.03.2026", "2");
    const QString id = row->ID.Value();
    ASSERT_TRUE(StepUntil([this] { return !sync->ScanRunning() && !journal->HasUnwrittenEvents(); }));
    const QString firstGeneration = journal->WorkingDir();
    const QString tmp = journal->GetTmpDirectory();

    // Another instance saves: its working copy holds none of this instance's events (the
    // base record says so), and this instance edits on while the lock is there.
    const QString next = QString::number(firstGeneration.toInt() + 1);
    QDir().mkpath(tmp + next);
    TGenerationBase base;
    base.From = firstGeneration.toLongLong();
    ASSERT_TRUE(testsupport::writeFile(tmp + next + "/plan.zop.base", base.ToBytes()));
    ASSERT_TRUE(testsupport::writeFile(journal->GetLockedFileName(), saved));
    core->SetData_(row, cnTextCenterMiddle, "after the lock");
    ASSERT_TRUE(testsupport::writeFile(tmp + next + "/plan.zop", saved));
    ASSERT_TRUE(StepUntil([&] {
        return sync->DirWatchThread()->WorkingDir() == next && !sync->ScanRunning()
               && !sync->DirWatchThread()->HasUnwrittenEvents();
    }));
    // The row is back, with both edits, journalled into the new generation.
    ASSERT_NE(core->FindNode(id), nullptr);
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnTextCenterMiddle), "after the lock");
    EXPECT_EQ(core->GetData_(core->FindNode(id), cnPosition), "Position 1");
    EXPECT_TRUE(sync->DirWatchThread()->DiffFile().startsWith(tmp + next + "/"));
    const QString written = QString::fromLatin1(testsupport::readFile(sync->DirWatchThread()->DiffFile()));
    EXPECT_EQ(written.count("<new "), 1) << written.toStdString();
    EXPECT_TRUE(written.contains("after&nbsp;the&nbsp;lock")) << written.toStdString();

    // A touched document without a newer generation brings nothing to load.
    QTest::qWait(20);
    QFile(document).setFileTime(QDateTime::currentDateTimeUtc().addSecs(5), QFileDevice::FileModificationTime);
    sync->UpdatePending();
    EXPECT_FALSE(sync->DirWatchThread()->NeedReload());
    EXPECT_EQ(sync->DirWatchThread()->WorkingDir(), next);
    EXPECT_NE(core->FindNode(id), nullptr);

    // Unreachable: offline, nothing more happens.
    QFile::remove(document);
    sync->UpdatePending();
    EXPECT_FALSE(sync->SyncOnline());
}

TEST_F(SyncScanTest, ASaveThatDiedAfterItsLockCopyIsUndoneAndADamagedLockSetAside)
{
    TDocumentSync::SetStuckSaveGrace(3000);
    core->FSaveFileCompressed = false;
    sync->UpdatePending();
    const QString tmp = journal->GetTmpDirectory();
    const QString generation = journal->WorkingDir();
    const QString next = QString::number(generation.toInt() + 1);
    // A save claimed the next generation, wrote its base record and the lock copy, and died.
    QDir().mkpath(tmp + next);
    TGenerationBase base;
    base.From = generation.toLongLong();
    ASSERT_TRUE(testsupport::writeFile(tmp + next + "/plan.zop.base", base.ToBytes()));
    ASSERT_TRUE(testsupport::writeFile(journal->GetLockedFileName(), EmptyDocument));
    TNodeData *row = AddTask("Position 1", "02.03.2026", "2");
    // The edit does not wait for the save: it goes into the closed generation at once, while
    // the save still has its grace time.
    ASSERT_TRUE(StepUntil([&] { return !sync->DirWatchThread()->HasUnwrittenEvents() && !sync->ScanRunning(); }));
    EXPECT_TRUE(QFileInfo::exists(tmp + next));
    EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName()));
    // Then the generation opens again, with the edit in it.
    ASSERT_TRUE(StepUntil([&] { return !QFileInfo::exists(tmp + next); }));
    EXPECT_EQ(sync->DirWatchThread()->WorkingDir(), generation);
    EXPECT_FALSE(QFileInfo::exists(journal->GetLockedFileName()));
    EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName() + ".abandoned"));
    EXPECT_TRUE(testsupport::readFile(sync->DirWatchThread()->DiffFile()).contains(row->ID.Value().toLatin1()));

    // A damaged lock copy blocks nobody, not even for the grace time.
    TDocumentSync::SetStuckSaveGrace(60000);
    ASSERT_TRUE(testsupport::writeFile(journal->GetLockedFileName(), "<document><setup>"));
    core->SetData_(row, cnLength, "5");
    ASSERT_TRUE(StepUntil([&] { return !sync->DirWatchThread()->HasUnwrittenEvents() && !sync->ScanRunning(); }));
    EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName() + ".damaged"));
    EXPECT_FALSE(QFileInfo::exists(journal->GetLockedFileName()));
    TDocumentSync::SetStuckSaveGrace(30000);
}

TEST_F(SyncScanTest, AClosedGenerationIsTimedByThisMachinesClockNotByTheShares)
{
    TDocumentSync::SetStuckSaveGrace(2000);
    sync->UpdatePending();
    const QString tmp = journal->GetTmpDirectory();
    const QString generation = journal->WorkingDir();
    // A save under way elsewhere, on a share whose clock runs in the past, then in the future:
    // it gets its grace time all the same, and a dead one is undone after it.
    for (const int shift : {-60, 3600}) {
        const QString next = QString::number(generation.toInt() + 1);
        QDir().mkpath(tmp + next);
        TGenerationBase base;
        base.From = generation.toLongLong();
        base.Host = QStringLiteral("elsewhere");
        base.Pid = 1;
        ASSERT_TRUE(testsupport::writeFile(tmp + next + "/plan.zop.base", base.ToBytes()));
        ASSERT_TRUE(testsupport::writeFile(journal->GetLockedFileName(), EmptyDocument));
        for (const QString &path : {tmp + next + "/plan.zop.base", journal->GetLockedFileName()}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(shift), QFileDevice::FileModificationTime));
        }
        for (int i = 0; i < 10; ++i) {
            sync->UpdatePending();
            QTest::qWait(30);
        }
        EXPECT_TRUE(QFileInfo::exists(tmp + next)) << shift;
        EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName())) << shift;
        EXPECT_TRUE(StepUntil([&] { return !QFileInfo::exists(tmp + next); })) << shift;
        EXPECT_FALSE(QFileInfo::exists(journal->GetLockedFileName())) << shift;
    }
    TDocumentSync::SetStuckSaveGrace(30000);
}

TEST_F(SyncScanTest, AClosedGenerationCostsTheIdleStepNeitherListingsNorReadingTheLockCopy)
{
    TDocumentSync::SetStuckSaveGrace(60000);
    sync->UpdatePending();
    const QString tmp = journal->GetTmpDirectory();
    const QString next = QString::number(journal->WorkingDir().toInt() + 1);
    // A save under way elsewhere closed the generation.
    QDir().mkpath(tmp + next);
    TGenerationBase base;
    base.From = journal->WorkingDir().toLongLong();
    base.Host = QStringLiteral("elsewhere");
    base.Pid = 1;
    ASSERT_TRUE(testsupport::writeFile(tmp + next + "/plan.zop.base", base.ToBytes()));
    ASSERT_TRUE(testsupport::writeFile(journal->GetLockedFileName(), EmptyDocument));
    ASSERT_TRUE(StepUntil([&] { return !sync->ScanRunning(); }));
    const quint64 listings = FolderListingsMade();
    const quint64 reads = TWatcherThread::FilesRead();
    // Many idle steps while it lasts: at most one scan among them looks at the folder.
    for (int i = 0; i < 40; ++i)
        sync->UpdatePending();
    ASSERT_TRUE(StepUntil([&] { return !sync->ScanRunning(); }));
    EXPECT_LT(FolderListingsMade() - listings, 10u);
    EXPECT_LT(TWatcherThread::FilesRead() - reads, 10u);
    EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName()));
    TDocumentSync::SetStuckSaveGrace(30000);
}

TEST_F(SyncScanTest, OwnEventsNotYetWrittenTakePartInTheReplay)
{
    // The own diff file cannot be written (its name is taken by a folder): every own event
    // stays handed over and unwritten.
    ASSERT_TRUE(QDir().mkpath(journal->GetWorkingDir() + UserIdentity() + ".1.diff"));
    const auto write = [&](const QString &events, int index) {
        // "!" sorts before every host name: with equal change indices the own edit wins.
        QString text = QString::fromLatin1(DiffFile(events, index));
        ASSERT_TRUE(testsupport::writeFile(other, text.replace("other.bob</__user__>", "!.bob</__user__>").toLatin1()));
    };
    write(NewRow("other.bob.1", 1, "one"), 1);
    sync->SyncLoadTransactions();
    ASSERT_EQ(Comment("other.bob.1"), "one");

    core->SetData(core->FindNode("other.bob.1"), core->IndexOfColumnHack(tbTable, "Comment"), "mine");
    write(NewRow("other.bob.1", 1, "one")
              + ChangeRow("other.bob.1", 2, 1, "theirs").replace("</change>", "<Length>4</Length></change>"),
          2);
    ASSERT_TRUE(StepUntil([this] {
        TNodeData *node = core->FindNode("other.bob.1");
        return node && core->GetData_(node, cnLength) == "4";
    }));
    EXPECT_TRUE(sync->Conflicts().isEmpty());
    EXPECT_EQ(Comment("other.bob.1"), "mine"); // rebuilt with the own edit, as the others will
    EXPECT_EQ(core->FindNode("other.bob.1")->ChangeIndex, 1u);
    EXPECT_TRUE(StepUntil([this] { return !sync->ScanRunning(); }));
    EXPECT_TRUE(journal->HasUnwrittenEvents());
}

TEST_F(SyncScanTest, OldJournalFoldersAreAppliedOnceAndWhole)
{
    // An imported document's old journal: every event of every whole diff file, once.
    const QString old = dir.filePath(QStringLiteral("transactions/"));
    ASSERT_TRUE(QDir().mkpath(old));
    ASSERT_TRUE(testsupport::writeFile(old + "a.1.diff", DiffFile(Events({NewRow("a.1", 1, "one"),
                                                                         ChangeRow("a.1", 2, 1, "two")}), 2)));
    ASSERT_TRUE(testsupport::writeFile(old + "b.1.diff", DiffFile(NewRow("b.1", 1, "three"), 1)));
    ASSERT_TRUE(testsupport::writeFile(old + "c.1.diff", "<document><diff index=\"1\"><new id=\"c.1\""));
    sync->SyncLoadTransactionsFrom(old);
    EXPECT_EQ(Comment("a.1"), "two");
    EXPECT_EQ(Comment("b.1"), "three");
    EXPECT_EQ(core->FindNode("c.1"), nullptr);
    EXPECT_TRUE(sync->Conflicts().isEmpty());
}
