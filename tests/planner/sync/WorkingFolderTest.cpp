// The shared working folder on real folders: layout, generations, presence files, the
// identity lock, the recycle bin and trimming the history.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "common/TestSupport.h"
#include "sync/WorkingFolder.h"

#include <QTest>

#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class WorkingFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        folder = temp.path() + QStringLiteral("/p");
        QDir().mkpath(folder);
        document = folder + QStringLiteral("/plan.zop");
        ASSERT_TRUE(testsupport::writeFile(document, "<document />"));
    }

    QString docFolder() const { return folder + QStringLiteral("/.zop/plan.zop/"); }

    QStringList entries(const QString &path) const
    {
        QDir dir(path);
        return dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir temp;
    QString folder;
    QString document;
};

TEST_F(WorkingFolderTest, LayoutOfANewDocumentFolder)
{
    const QString me = UserIdentity();
    TDirWatchThread journal(document);
    EXPECT_EQ(journal.Filename(), document);
    EXPECT_EQ(journal.GetTmpRootDirectory(), folder + QStringLiteral("/.zop/"));
    EXPECT_EQ(journal.GetTmpDirectory(), docFolder());
    EXPECT_EQ(journal.WorkingDir(), QStringLiteral("0"));
    EXPECT_EQ(journal.GetWorkingDir(), docFolder() + QStringLiteral("0/"));
    EXPECT_EQ(journal.GetWorkingFileName(), docFolder() + QStringLiteral("0/plan.zop"));
    EXPECT_EQ(journal.GetWorkingFileName(QStringLiteral("4")), docFolder() + QStringLiteral("4/plan.zop"));
    EXPECT_EQ(journal.GetLockedFileName(), docFolder() + QStringLiteral("0/plan.zop.locked"));
    EXPECT_EQ(journal.GetUserFileName(), docFolder() + me + QStringLiteral(".user"));
    EXPECT_EQ(journal.GetUserSettingsFileName(), docFolder() + me + QStringLiteral(".ini"));
    EXPECT_EQ(journal.GetPossibleFileName(), document);

    // The document was copied in as the first generation's working copy.
    EXPECT_EQ(testsupport::readFile(journal.GetWorkingFileName()), QByteArray("<document />"));
    EXPECT_FALSE(journal.isLocked());
    EXPECT_TRUE(journal.HoldsIdentityLock());
    EXPECT_FALSE(journal.JournalRefused());
    testsupport::writeFile(journal.GetLockedFileName(), "x");
    EXPECT_TRUE(journal.isLocked());
}

TEST_F(WorkingFolderTest, UnnamedDocumentTouchesNoFolder)
{
    const QString before = QDir::currentPath();
    TDirWatchThread journal;
    EXPECT_TRUE(journal.GetTmpDirectory().isEmpty());
    EXPECT_TRUE(journal.GetWorkingFileName().isEmpty());
    EXPECT_TRUE(journal.GetUserSettingsFileName().isEmpty());
    EXPECT_TRUE(journal.GetPossibleFileName().endsWith(QStringLiteral(".zop")));
    EXPECT_FALSE(journal.isLocked());
    EXPECT_FALSE(QFileInfo::exists(before + QStringLiteral("/.zop")));
}

TEST_F(WorkingFolderTest, HistoryInfoCountsGenerationsAndBackups)
{
    TDirWatchThread journal(document);
    const QString dir = journal.GetTmpDirectory();
    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    QDir(dir + QStringLiteral("0")).removeRecursively();
    QDir().mkpath(dir + QStringLiteral("3"));
    QDir().mkpath(dir + QStringLiteral("7"));
    QDir().mkpath(dir + QStringLiteral("12~"));
    QDir().mkpath(dir + QStringLiteral("abc"));
    testsupport::writeFile(dir + QStringLiteral("HOST.anna.user"), "");
    testsupport::writeFile(dir + QStringLiteral("9"), "a file is no generation");

    qint64 first = 0, last = 0;
    int count = 0;
    TDateTime newest = 0;
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(count, 2);
    EXPECT_GE(newest, QDateTimeToDateTime(start));
    EXPECT_LE(newest, Now() + 1.0 / 86400);

    journal.GetHistoryInfo(first, last, count, newest, ltBackup);
    EXPECT_EQ(first, 12);
    EXPECT_EQ(last, 12);
    EXPECT_EQ(count, 1);

    for (const QString &name : {QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("12~")})
        QDir(dir + name).removeRecursively();
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    EXPECT_EQ(first, 2147483647);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(newest, 0);

    // Numbers do not stop at 32 bits, and only plain decimal names count.
    QDir().mkpath(dir + QStringLiteral("2147483647"));
    QDir().mkpath(dir + QStringLiteral("0042"));
    QDir().mkpath(dir + QStringLiteral("+5"));
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    EXPECT_EQ(last, 2147483647);
    EXPECT_EQ(count, 1);
    QString error;
    EXPECT_EQ(journal.ClaimGeneration(7, error), 2147483648LL) << error.toStdString();
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("2147483648")).isDir());
    // A file in the way is stepped over; a claimed number is never handed out twice.
    testsupport::writeFile(dir + QStringLiteral("2147483649"), "a file");
    EXPECT_EQ(journal.ClaimGeneration(7, error), 2147483650LL) << error.toStdString();
    EXPECT_EQ(journal.Generations(), (std::vector<qint64>{2147483647LL, 2147483648LL, 2147483650LL}));
    QDir().mkpath(dir + QStringLiteral("922337203685477580"));
    EXPECT_EQ(journal.ClaimGeneration(7, error), -1);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(WorkingFolderTest, NewestGenerationIsFoundAndItsWorkingCopyKept)
{
    for (int n = 0; n <= 4; ++n)
        QDir().mkpath(docFolder() + QString::number(n));
    testsupport::writeFile(docFolder() + QStringLiteral("4/plan.zop"), "<old working copy />");
    {
        TDirWatchThread journal(document);
        EXPECT_EQ(journal.WorkingDir(), QStringLiteral("4"));
        EXPECT_EQ(testsupport::readFile(journal.GetWorkingFileName()), QByteArray("<old working copy />"));

        // The save road: lock copy, then generation Last + 1.
        testsupport::writeFile(journal.GetLockedFileName(), "<document />");
        qint64 first = 0, last = 0;
        int count = 0;
        TDateTime newest = 0;
        journal.GetHistoryInfo(first, last, count, newest, ltHistory);
        ASSERT_TRUE(journal.SetWorkingDir(QString::number(last + 1)));
        EXPECT_EQ(journal.WorkingDir(), QStringLiteral("5"));
        EXPECT_TRUE(QFileInfo(docFolder() + QStringLiteral("5")).isDir());
        EXPECT_FALSE(journal.isLocked());
        EXPECT_TRUE(QFileInfo::exists(docFolder() + QStringLiteral("4/plan.zop.locked")));
        EXPECT_FALSE(QFileInfo::exists(journal.GetWorkingFileName()));

        const auto revertible = journal.RevertibleGenerations();
        ASSERT_EQ(revertible.size(), 1);
        EXPECT_EQ(revertible[0].Name, QStringLiteral("4"));
        EXPECT_FALSE(revertible[0].Backup);
        EXPECT_NEAR(revertible[0].Date, Now(), 5.0 / 86400);
    }
    // A generation without a working copy is a save under way or one that died: a later
    // journal stays in the newest one that has it.
    {
        TDirWatchThread again(document);
        EXPECT_EQ(again.WorkingDir(), QStringLiteral("4"));
        EXPECT_EQ(again.NewestGeneration(), 4);
    }
    // With no working copy anywhere, the highest folder gets the document.
    QFile::remove(docFolder() + QStringLiteral("4/plan.zop"));
    testsupport::writeFile(document, "<document />");
    TDirWatchThread fresh(document);
    EXPECT_EQ(fresh.WorkingDir(), QStringLiteral("5"));
    EXPECT_EQ(testsupport::readFile(fresh.GetWorkingFileName()), QByteArray("<document />"));
}

TEST_F(WorkingFolderTest, GenerationsAShareListsLateAreFoundByTheirNumbers)
{
    TDirWatchThread journal(document);
    const QString dir = journal.GetTmpDirectory();
    struct TListingDelay
    {
        TListingDelay() { SetFolderListingDelay(60000); }
        ~TListingDelay() { SetFolderListingDelay(0); }
    } late;
    qint64 first = 0, last = 0;
    int count = 0;
    TDateTime newest = 0;
    journal.GetHistoryInfo(first, last, count, newest, ltHistory); // what the listing shows from now on
    ASSERT_EQ(count, 1);

    // Other instances saved 1 and 2, a save into 3 was given up before 4; 5 is a file and 7
    // lies beyond two numbers that are no folder.
    for (const char *name : {"1", "2", "4", "7"})
        ASSERT_TRUE(QDir().mkpath(dir + QLatin1String(name)));
    ASSERT_TRUE(testsupport::writeFile(journal.GetWorkingFileName(QStringLiteral("2")), "<document />"));
    ASSERT_TRUE(testsupport::writeFile(dir + QStringLiteral("5"), "a file is no generation"));
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    EXPECT_EQ(last, 0); // the listing is still late
    EXPECT_EQ(journal.Generations(), (std::vector<qint64>{0, 1, 2, 4}));
    EXPECT_EQ(journal.NewestGeneration(), 2);
    EXPECT_EQ(ProbeGenerations(dir, 4), std::vector<qint64>{});
    EXPECT_EQ(ProbeGenerations(dir, 5), std::vector<qint64>{7});
    // A save claims above everything found.
    QString error;
    EXPECT_EQ(journal.ClaimGeneration(0, error), 6) << error.toStdString();
}

TEST_F(WorkingFolderTest, AFileStampChangesWithEveryRewriteOfTheSameSize)
{
    const QString path = folder + QStringLiteral("/other.bob.1.diff");
    ASSERT_TRUE(testsupport::writeFile(path, "version 1"));
    const TFileStamp first = FileStampInView(path);
    EXPECT_EQ(first.Size, 9);
    EXPECT_EQ(FileStampInView(path), first);

    // Rewritten in place a moment later: the same size and inode, another write time.
    QTest::qWait(20);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write("version 2"), 9);
    }
    const TFileStamp second = FileStampInView(path);
    EXPECT_EQ(second.Size, first.Size);
    EXPECT_EQ(second.Inode, first.Inode);
    EXPECT_NE(second.Modified, first.Modified);
    EXPECT_NE(second, first);

    // Replaced by renaming, with the write time set back to the nanosecond: another inode.
    const QString temporary = folder + QStringLiteral("/other.bob.tmp");
    ASSERT_TRUE(testsupport::writeFile(temporary, "version 3"));
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {time_t(second.Modified / 1000000000LL), long(second.Modified % 1000000000LL)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(temporary).constData(), times, 0), 0);
    ASSERT_EQ(::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()), 0);
    const TFileStamp third = FileStampInView(path);
    EXPECT_EQ(third.Size, second.Size);
    EXPECT_EQ(third.Modified, second.Modified);
    EXPECT_NE(third.Inode, second.Inode);
    EXPECT_NE(third, second);

    // The stamp of an open file is the one of the version being read.
    QFile open(path);
    ASSERT_TRUE(open.open(QIODevice::ReadOnly));
    EXPECT_EQ(FileStampOf(open.handle()), third);
    EXPECT_EQ(FileStampInView(folder + QStringLiteral("/missing.diff")).Size, -1);
}

TEST_F(WorkingFolderTest, AStampAShareCachesIsTakenAfreshWithTheFileOpen)
{
    // A share that answers stat() from its attribute cache until the file is opened.
    struct TStaleStamps
    {
        TStaleStamps() { SetStaleStampDelay(60000); }
        ~TStaleStamps() { SetStaleStampDelay(0); }
    } stale;
    const QString path = folder + QStringLiteral("/other.bob.1.diff");
    ASSERT_TRUE(testsupport::writeFile(path, "version 1"));
    const TFileStamp first = FileStampInView(path);
    ASSERT_TRUE(testsupport::writeFile(path, "version two"));
    EXPECT_EQ(FileStampInView(path), first); // the cache's answer
    // Opening refreshes what the next look sees; the look with the file open tells the new
    // version by its first bytes, read from the file server.
    const TFileStamp opened = FreshFileStamp(path);
    EXPECT_EQ(opened.Size, first.Size);
    EXPECT_NE(opened.Head, 0u);
    const TFileStamp again = FreshFileStamp(path);
    EXPECT_EQ(again.Size, 11);
    EXPECT_EQ(again, opened); // the same version
    // Rewritten at the same size: the first bytes tell.
    ASSERT_TRUE(testsupport::writeFile(path, "version 3!!"));
    EXPECT_NE(FreshFileStamp(path).Head, opened.Head);
    // What is read past the client is the whole file, over many blocks and a short last one.
    QByteArray big;
    for (int i = 0; big.size() < 150000; ++i)
        big += QByteArray::number(i) + ' ';
    ASSERT_TRUE(testsupport::writeFile(path, big));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray read;
    QString error;
    EXPECT_TRUE(ReadFromServer(file.handle(), read, error)) << error.toStdString();
    EXPECT_EQ(read, big);
    // A file the cache knows as missing is there once opened.
    const QString late = folder + QStringLiteral("/other.carl.1.diff");
    EXPECT_EQ(FileStampInView(late).Size, -1);
    ASSERT_TRUE(testsupport::writeFile(late, "x"));
    EXPECT_EQ(FileStampInView(late).Size, -1);
    EXPECT_EQ(FreshFileStamp(late).Size, 1);
}

TEST_F(WorkingFolderTest, TheSharesClockTellsTheAgeOfAWrite)
{
    const QString claim = folder + QStringLiteral("/claim");
    ASSERT_TRUE(QDir().mkpath(claim));
    ASSERT_TRUE(testsupport::writeFile(claim + QStringLiteral("/plan.zop.base"), "<base />"));
    // Written an hour ago, by whatever clock: the share's own tells.
    const qint64 hourAgo = QDateTime::currentSecsSinceEpoch() - 3600;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(hourAgo), 0}};
    for (const QString &path : {claim + QStringLiteral("/plan.zop.base"), claim})
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    const qint64 written = NewestWriteTime({claim});
    EXPECT_EQ(written, hourAgo * 1000000000LL);
    const qint64 age = ShareAgeMs(folder, written);
    EXPECT_GE(age, 3600 * 1000 - 2000);
    EXPECT_LE(age, 3600 * 1000 + 2000);
    // The probe leaves nothing behind.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.zop")});

    // A trace written now is young; the newest of the folder's entries counts.
    ASSERT_TRUE(testsupport::writeFile(claim + QStringLiteral("/.plan.zop.abcdef.tmp"), "growing"));
    EXPECT_LT(ShareAgeMs(folder, NewestWriteTime({claim})), 2000);
    // Nothing to tell without a trace or without a place for the probe.
    EXPECT_EQ(NewestWriteTime({folder + QStringLiteral("/missing")}), 0);
    EXPECT_EQ(ShareAgeMs(folder, 0), -1);
    EXPECT_EQ(ShareAgeMs(folder + QStringLiteral("/missing"), written), -1);
    // A time ahead of the share's clock was not set by it.
    EXPECT_EQ(ShareAgeMs(folder, (QDateTime::currentSecsSinceEpoch() + 3600) * 1000000000LL), -1);
}

TEST_F(WorkingFolderTest, TheGroupWriteBitGoesOnlyToFoldersJustMadeForAGroupThatMayReadThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give folders to a group and a user of their own";
    constexpr gid_t Team = 47000;
    const QString team = folder + QStringLiteral("/team");
    ASSERT_EQ(::mkdir(QFile::encodeName(team).constData(), 0755), 0);
    ASSERT_EQ(::chown(QFile::encodeName(team).constData(), 0, Team), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(team).constData(), 02775), 0);
    const auto mode = [](const QString &path) {
        struct stat info = {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 07777;
    };
    const mode_t previous = ::umask(022);

    // Every road that makes a shared folder, under every kind of umask: the group may write
    // only where the umask let it read and enter.
    const std::vector<std::pair<const char *, std::function<bool(const QString &)>>> roads{
        {"with its parents", [](const QString &path) { return MakeSharedFolder(path + QStringLiteral("/inner")); }},
        {"one claimed", [](const QString &path) { return MakeSharedFolderEntry(path) == 0; }},
        {"made, then shared", [](const QString &path) {
             const bool made = ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
             InheritGroupWrite(path);
             return made;
         }},
    };
    const std::vector<std::pair<mode_t, mode_t>> umasks{{022, 02775}, {027, 02770}, {077, 02700}, {073, 02704}};
    for (const auto &[name, make] : roads)
        for (const auto &[mask, expected] : umasks) {
            const QString path = team + QStringLiteral("/%1-%2").arg(QString::fromLatin1(name)).arg(mask, 3, 8, QLatin1Char('0'));
            ::umask(mask);
            ASSERT_TRUE(make(path)) << name;
            EXPECT_EQ(mode(path), expected) << name << " umask " << std::oct << mask;
        }
    ::umask(022);

    // What another member put where a folder was just made is left alone: a link to a folder
    // of the writer (readable for the group) and a folder of that member.
    const QString own = folder + QStringLiteral("/own");
    ASSERT_EQ(::mkdir(QFile::encodeName(own).constData(), 0750), 0);
    ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 0, Team), 0);
    const QString swapped = team + QStringLiteral("/swapped");
    ASSERT_TRUE(QFile::link(own, swapped));
    const QString theirs = team + QStringLiteral("/theirs");
    ASSERT_EQ(::mkdir(QFile::encodeName(theirs).constData(), 0750), 0);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 47002, Team), 0);
    for (const QString &path : {swapped, theirs}) {
        InheritGroupWrite(path);
        EXPECT_EQ(MakeSharedFolderEntry(path), EEXIST);
        EXPECT_TRUE(MakeSharedFolder(path));
    }
    EXPECT_EQ(mode(own) & 0777, mode_t(0750));
    EXPECT_EQ(mode(theirs) & 0777, mode_t(0750));
    EXPECT_TRUE(QFileInfo(swapped).isSymLink());
    ::umask(previous);
}

TEST_F(WorkingFolderTest, PresenceFilesCountForSixtySeconds)
{
    const QString me = UserIdentity();
    TDirWatchThread journal(document);
    Touch(journal.GetUserFileName());
    ASSERT_TRUE(QFileInfo::exists(journal.GetUserFileName()));
    const QString other = journal.GetTmpDirectory() + QStringLiteral("HOST.bert.user");
    const QString gone = journal.GetTmpDirectory() + QStringLiteral("HOST.carl.user");
    Touch(other);
    Touch(gone);

    const QDateTime now = QDateTime::currentDateTime();
    const auto setTime = [](const QString &name, const QDateTime &time) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    setTime(other, now.addSecs(-59));
    setTime(gone, now.addSecs(-60));

    const auto users = journal.PresentUsers(now);
    QStringList names;
    for (const auto &user : users) {
        names.append(user.Name);
        EXPECT_EQ(user.Own, user.Name == me) << user.Name.toStdString();
    }
    names.sort();
    QStringList expected{me, QStringLiteral("HOST.bert")};
    expected.sort();
    EXPECT_EQ(names, expected);

    // Touching again makes the presence current.
    setTime(gone, now.addSecs(-3600));
    Touch(gone);
    EXPECT_LT(GetFileFileTime(gone).secsTo(QDateTime::currentDateTime()), 5);
}

TEST_F(WorkingFolderTest, JournalEndRemovesPresenceAndLock)
{
    QString user;
    QString lock;
    {
        TDirWatchThread journal(document);
        user = journal.GetUserFileName();
        lock = journal.GetIdentityLockFileName();
        Touch(user);
        EXPECT_TRUE(QFileInfo::exists(lock));
    }
    EXPECT_FALSE(QFileInfo::exists(user));
    EXPECT_FALSE(QFileInfo::exists(lock));
}

TEST_F(WorkingFolderTest, SecondJournalOfTheSameIdentityIsRefused)
{
    auto first = std::make_unique<TDirWatchThread>(document);
    Touch(first->GetUserFileName());
    {
        TDirWatchThread second(document);
        EXPECT_TRUE(second.JournalRefused());
        EXPECT_FALSE(second.HoldsIdentityLock());
    }
    // The refused one leaves the first one's presence alone.
    EXPECT_TRUE(QFileInfo::exists(first->GetUserFileName()));
    first.reset();
    TDirWatchThread third(document);
    EXPECT_FALSE(third.JournalRefused());
    EXPECT_TRUE(third.HoldsIdentityLock());
}

TEST_F(WorkingFolderTest, ListingReportsFilesAndFoldersAndSurvivesCallbackErrors)
{
    QDir().mkpath(folder + QStringLiteral("/sub"));
    testsupport::writeFile(folder + QStringLiteral("/a.diff"), "12345");
    testsupport::writeFile(folder + QStringLiteral("/b.txt"), "");
    testsupport::writeFile(folder + QStringLiteral("/noext"), "");

    QStringList files;
    EXPECT_TRUE(ListFiles(folder + QLatin1Char('/'), QStringLiteral("*.*"),
                          [&](const TSearchRec &rec) { files.append(rec.Name); }));
    EXPECT_EQ(files, (QStringList{QStringLiteral("a.diff"), QStringLiteral("b.txt"), QStringLiteral("noext"),
                                  QStringLiteral("plan.zop")}));

    QStringList diffs;
    qint64 size = 0;
    ListFiles(folder + QLatin1Char('/'), QStringLiteral("*.diff"), [&](const TSearchRec &rec) {
        diffs.append(rec.Name);
        size = rec.Size;
    });
    EXPECT_EQ(diffs, QStringList{QStringLiteral("a.diff")});
    EXPECT_EQ(size, 5);
    EXPECT_EQ(GetFileSize(folder + QStringLiteral("/a.diff")), 5);
    EXPECT_THROW(GetFileSize(folder + QStringLiteral("/missing")), EOSError);
    EXPECT_EQ(GetFileTime(folder + QStringLiteral("/missing")), 0);
    EXPECT_NE(GetFileTime(folder + QStringLiteral("/a.diff")), 0);

    QStringList all;
    bool sawFolder = false;
    const bool ok = ListDirectories(folder + QLatin1Char('/'), QStringLiteral("*.*"), [&](const TSearchRec &rec) {
        all.append(rec.Name);
        if (rec.Name == QStringLiteral("sub"))
            sawFolder = rec.Attr == faDirectory;
        if (rec.Name == QStringLiteral("b.txt"))
            throw EOSError(QStringLiteral("callback failed"));
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(sawFolder);
    EXPECT_TRUE(all.contains(QStringLiteral(".")));
    EXPECT_TRUE(all.contains(QStringLiteral("..")));
    EXPECT_TRUE(all.contains(QStringLiteral("noext"))); // the listing went on after the error
}

TEST_F(WorkingFolderTest, TrashTakesFilesAndFoldersAndKeepsThemOnFailure)
{
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                          + QStringLiteral("/Trash");
    QDir(trash).removeRecursively();

    const QString file = folder + QStringLiteral("/old.zop");
    testsupport::writeFile(file, "old");
    ASSERT_TRUE(MoveToTrash(file));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(entries(trash + QStringLiteral("/files")).contains(QStringLiteral("old.zop")));

    const QString sub = folder + QStringLiteral("/gen");
    QDir().mkpath(sub + QStringLiteral("/inner"));
    ASSERT_TRUE(MoveToTrash(sub));
    EXPECT_FALSE(QFileInfo::exists(sub));

    // A trash that cannot be used: the file stays where it is.
    QDir(trash).removeRecursively();
    testsupport::writeFile(trash, "not a folder");
    const QString kept = folder + QStringLiteral("/kept.zop");
    testsupport::writeFile(kept, "kept");
    const QString cwd = QDir::currentPath();
    // Nothing of the failed attempt may land in the current folder either.
    QTemporaryDir work;
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    QString error;
    EXPECT_FALSE(MoveToTrash(kept, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(testsupport::readFile(kept), QByteArray("kept"));
    EXPECT_TRUE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    ASSERT_TRUE(QDir::setCurrent(cwd));
    QFile::remove(trash);

    EXPECT_FALSE(MoveToTrash(folder + QStringLiteral("/missing")));
}

using WorkingFolderCoreTest = DocumentFolderTest;

TEST_F(WorkingFolderCoreTest, ClearHistoryKeepsAtLeastTenNewestGenerations)
{
    sync->NewDirWatchThread(document);
    const QString dir = sync->DirWatchThread()->GetTmpDirectory();
    for (int n = 0; n <= 11; ++n)
        QDir().mkpath(dir + QString::number(n));
    sync->DirWatchThread()->SetWorkingDir(QStringLiteral("11"));

    core->FMaxHistoryFiles = 3;
    sync->ClearHistory();
    EXPECT_EQ(core->FMaxHistoryFiles, 10);
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("0")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("1")));
    for (int n = 2; n <= 11; ++n)
        EXPECT_TRUE(QFileInfo(dir + QString::number(n)).isDir()) << n;

    // A limit above 10 stays.
    core->FMaxHistoryFiles = 12;
    sync->ClearHistory();
    EXPECT_EQ(core->FMaxHistoryFiles, 12);
}

TEST_F(WorkingFolderCoreTest, ClearHistoryStopsAtTheFirstFolderThatStays)
{
    sync->NewDirWatchThread(document);
    const QString dir = sync->DirWatchThread()->GetTmpDirectory();
    for (int n = 0; n <= 12; ++n)
        QDir().mkpath(dir + QString::number(n));
    sync->DirWatchThread()->SetWorkingDir(QStringLiteral("12"));
    core->FMaxHistoryFiles = 10;

    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                          + QStringLiteral("/Trash");
    QDir(trash).removeRecursively();
    testsupport::writeFile(trash, "not a folder");
    sync->ClearHistory(); // must come back although nothing can be moved
    ASSERT_TRUE(QFile::remove(trash));
    ASSERT_FALSE(QFileInfo::exists(trash));
    for (int n = 0; n <= 12; ++n)
        EXPECT_TRUE(QFileInfo(dir + QString::number(n)).isDir()) << n;

    sync->ClearHistory();
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("0")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("1")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("2")));
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("3")));
}

TEST_F(WorkingFolderCoreTest, SecondInstanceOfTheSameIdentityIsTold)
{
    TDirWatchThread other(document);
    window.answers.push_back(mrOk);
    sync->NewDirWatchThread(document);
    EXPECT_TRUE(sync->DirWatchThread()->JournalRefused());
    // Told once the road that made the journal is done.
    EXPECT_TRUE(window.questions.isEmpty());
    ASSERT_TRUE(userinput::WaitUntil([&] { return window.questions.size() == 1; }));
    EXPECT_TRUE(window.questions[0].contains(document));
}

} // namespace

namespace {

TEST_F(WorkingFolderTest, GenerationChangesAndTheEndStopTheScan)
{
    int stops = 0;
    {
        TDirWatchThread journal(document);
        journal.SetScanStopper([&stops] { ++stops; });
        journal.SetWorkingDir(QStringLiteral("0")); // the current one: nothing happens
        EXPECT_EQ(stops, 0);
        journal.SetWorkingDir(QStringLiteral("1"));
        EXPECT_EQ(stops, 1);
    }
    EXPECT_EQ(stops, 2);
}

} // namespace
