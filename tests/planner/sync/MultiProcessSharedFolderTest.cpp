// Users of one group share a document in a folder of that group, each under an account of
// their own; a user who may not write into the shared folder, and one whose disk is read-only,
// are told exactly that, and nothing of theirs is lost. The drivers are real processes, made
// other users by root (the tests skip themselves without root).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"

namespace {

constexpr int SharedGroup = 47000;

class MultiProcessSharedFolderTest : public SyncDriverTest
{
protected:
    void SetUp() override
    {
        SyncDriverTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to start drivers as other users";
        // Every account writes its own log beside the others.
        ASSERT_TRUE(::chmod(QFile::encodeName(logs.path()).constData(), 0777) == 0);
    }
    // A driver under its own account, with the usual umask; `inGroup`: a member of the
    // shared folder's group.
    TSyncDriverProcess &User(const QString &host, int uid, bool inGroup, const QString &umask = "022")
    {
        return Driver(host, {{"VELMORA_SYNC_UID", QString::number(uid)},
                             {"VELMORA_SYNC_GID", QString::number(uid)},
                             {"VELMORA_SYNC_GROUPS", inGroup ? QString::number(SharedGroup) : QString()},
                             {"VELMORA_SYNC_UMASK", umask},
                             {"USER", "user" + QString::number(uid)}});
    }
    // A folder of the group, setgid, which everybody may write into.
    QString TeamFolder()
    {
        const QString folder = dir.filePath("team");
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_EQ(::chown(QFile::encodeName(folder).constData(), 0, SharedGroup), 0);
        EXPECT_EQ(::chmod(QFile::encodeName(folder).constData(), 02777), 0);
        EXPECT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        return folder;
    }
    static mode_t Mode(const QString &path)
    {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
    }
    static gid_t Group(const QString &path)
    {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_gid : gid_t(-1);
    }
};

} // namespace

TEST_F(MultiProcessSharedFolderTest, MembersOfTheFolderGroupShareAndAnOutsiderIsToldTheFolderIsNotWritable)
{
    // Documents included; what the program makes in it is shared with the group alone.
    const QString folder = TeamFolder();
    document = folder + "/plan.zop";

    TSyncDriverProcess &ann = User("hosta", 47001, true);
    TSyncDriverProcess &bob = User("hostb", 47002, true);
    Share(ann, {&bob});
    const QString shared = folder + "/.zop/plan.zop";
    for (const QString &made : {folder + "/.zop", shared, shared + "/1"}) {
        EXPECT_EQ(Mode(made) & 07777, mode_t(02775)) << made.toStdString();
        EXPECT_EQ(Group(made), gid_t(SharedGroup)) << made.toStdString();
    }
    const QString row = bob.Command({"add", "Comment", "from bob"});
    EXPECT_TRUE(ann.Command({"waitfor", row, "Comment", "from bob", "10000"}, 12000).endsWith(row));
    ASSERT_EQ(bob.Command({"save"}), "");
    EXPECT_EQ(Mode(shared + "/2") & 07777, mode_t(02775));
    EXPECT_EQ(bob.Json("state").value("notices").toInt(), 0);

    // Not in the group, with the document itself writable for everybody: told why nothing
    // is shared, and why no save can succeed; the edit stays with them.
    EXPECT_EQ(Mode(document) & 0777, mode_t(0664)); // the group's to replace
    ASSERT_EQ(::chmod(QFile::encodeName(document).constData(), 0666), 0);
    TSyncDriverProcess &cid = User("hostc", 47003, false);
    ASSERT_EQ(cid.Command({"open", document}), "");
    const QString own = cid.Command({"add", "Comment", "from cid"});
    ASSERT_TRUE(Eventually([&] { return cid.Json("state").value("notices").toInt() == 1; }));
    const QString notice = cid.Json("state").value("notice").toString();
    EXPECT_TRUE(notice.contains("is not writable for the user user47003")) << notice.toStdString();
    EXPECT_TRUE(notice.contains(shared)) << notice.toStdString();
    EXPECT_EQ(LogCount(cid, "another instance"), 0);
    EXPECT_EQ(cid.Command({"save"}), "error save");
    EXPECT_EQ(LogCount(cid, "driver asked: File could not be saved, the folder \"" + shared
                                + "\" is not writable for the user user47003."),
              1);
    EXPECT_EQ(LogCount(cid, "different filename"), 0);
    EXPECT_GT(cid.Json("state").value("unwritten").toInt(), 0);
    EXPECT_EQ(cid.Json("dump").value(own).toObject().value("Comment").toString(), "from cid");
    // The group's document is untouched by the outsider.
    EXPECT_TRUE(ann.Command({"waitfor", row, "Comment", "from bob", "1000"}).endsWith(row));
    EXPECT_FALSE(ann.Json("dump").contains(own));
}

TEST_F(MultiProcessSharedFolderTest, AReadOnlyDiskIsReportedAsSuch)
{
    testsupport::TSmallFileSystem disk(4 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    document = disk.Path() + "/plan.zop";
    TSyncDriverProcess &ann = Driver("hosta");
    ASSERT_EQ(ann.Command({"create", document}), "");
    ASSERT_EQ(ann.Command({"quit"}), "");
    ASSERT_TRUE(ann.WaitForExit(5000));
    ASSERT_TRUE(disk.SetReadOnly(true));

    TSyncDriverProcess &bob = Driver("hostb");
    ASSERT_EQ(bob.Command({"open", document}), "");
    // Said when the document opens, before anything is edited.
    EXPECT_EQ(bob.Json("state").value("notice").toString(),
              "plan.zop lies on a read-only disk: changes can be saved only on another disk");
    const QString row = bob.Command({"add", "Comment", "kept"});
    QString notice;
    ASSERT_TRUE(Eventually([&] {
        notice = bob.Json("state").value("notice").toString();
        return notice.startsWith("Changes are not shared");
    })) << notice.toStdString();
    EXPECT_TRUE(notice.contains("is read-only")) << notice.toStdString();
    EXPECT_EQ(LogCount(bob, "another instance"), 0);
    EXPECT_EQ(LogCount(bob, "driver asked: Changes made here are not shared with other users"), 1);
    EXPECT_GE(LogCount(bob, "the disk of the folder"), 1);
    EXPECT_GT(bob.Json("state").value("unwritten").toInt(), 0);

    // Writable again: the edit is shared after all.
    ASSERT_TRUE(disk.SetReadOnly(false));
    ASSERT_TRUE(Eventually([&] { return bob.Json("state").value("unwritten").toInt() == 0; }));
    TSyncDriverProcess &cid = Driver("hostc");
    ASSERT_EQ(cid.Command({"open", document}), "");
    EXPECT_EQ(cid.Json("dump").value(row).toObject().value("Comment").toString(), "kept");
}

TEST_F(MultiProcessSharedFolderTest, APrivateUmaskStaysAndAMemberWhoMayNotReadIsToldSo)
{
    // The writer keeps everything to itself (umask 077) in the group's folder: nothing it makes
    // becomes writable without being readable for the group.
    document = TeamFolder() + "/plan.zop";
    TSyncDriverProcess &ann = User("hosta", 47001, true, "077");
    ASSERT_EQ(ann.Command({"create", document}), "");
    ASSERT_EQ(ann.Command({"add", "Comment", "private"}).isEmpty(), false);
    ASSERT_EQ(ann.Command({"save"}), "");
    const QString shared = QFileInfo(document).absolutePath() + "/.zop";
    EXPECT_EQ(Mode(document) & 07777, mode_t(0600));
    const QStringList made{shared, shared + "/plan.zop", shared + "/plan.zop/" + ann.Json("state").value("generation").toString()};
    for (const QString &folder : made)
        EXPECT_EQ(Mode(folder) & 07777, mode_t(02700)) << folder.toStdString();

    // A member opening it learns why it does not open, and nothing about sharing a document
    // that never opened.
    TSyncDriverProcess &bob = User("hostb", 47002, true);
    EXPECT_TRUE(bob.Command({"open", document}).startsWith("error")) << bob.Output().toStdString();
    EXPECT_EQ(LogCount(bob, "driver asked: File cannot be loaded, the file \"" + document
                                + "\" is not readable for the user user47002."),
              1);
    EXPECT_EQ(LogCount(bob, "Changes made here are not shared"), 0);
    EXPECT_EQ(LogCount(bob, "Filetype is unknown"), 0);
    EXPECT_FALSE(QFileInfo::exists(shared + "/plan.zop/hostb.user47002.user"));
    EXPECT_EQ(Mode(document) & 07777, mode_t(0600));
}

TEST_F(MultiProcessSharedFolderTest, SaveAsIntoAFolderTheUserMayNotWriteNamesItAndAdvisesAnother)
{
    // The user's own folder for the document, and one of root's beside it.
    const QString own = dir.filePath("cid");
    const QString closed = dir.filePath("closed");
    ASSERT_TRUE(QDir().mkpath(own));
    ASSERT_TRUE(QDir().mkpath(closed));
    ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 47003, 47003), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(closed).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    document = own + "/plan.zop";
    TSyncDriverProcess &cid = User("hostc", 47003, false);
    ASSERT_EQ(cid.Command({"create", document}), "");
    const QString row = cid.Command({"add", "Comment", "kept"});

    // Every name in that folder fails alike: the folder is named, not the file name.
    for (const QString name : {"plan.zop", "other name.zop"}) {
        ASSERT_EQ(cid.Command({"saveasname", closed + "/" + name}), "");
        EXPECT_EQ(cid.Command({"saveas"}), "error save");
    }
    EXPECT_EQ(LogCount(cid, "driver asked: File could not be saved, the folder \"" + closed
                                + "\" is not writable for the user user47003."),
              2);
    EXPECT_EQ(LogCount(cid, "Please save the document in another folder"), 2);
    EXPECT_EQ(LogCount(cid, "different filename"), 0);
    EXPECT_TRUE(QDir(closed).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    // Another folder takes it.
    ASSERT_EQ(cid.Command({"saveasname", own + "/copy.zop"}), "");
    EXPECT_EQ(cid.Command({"saveas"}), "");
    EXPECT_EQ(cid.Json("dump").value(row).toObject().value("Comment").toString(), "kept");
}
