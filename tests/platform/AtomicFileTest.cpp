// The checked atomic replacement of a file: whole or not at all, the system's reason on
// failure, the old file kept, no temporary file left behind.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "common/TestSupport.h"

namespace {

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(AtomicFile, ReplacesWholeKeepsRightsAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("sub/plan.zop"));
    QString error;
    EXPECT_FALSE(platform::writeFileAtomically(name, "first", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("No such file or directory"))) << error.toStdString();
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
    ASSERT_TRUE(platform::writeFileAtomically(name, "first", &error)) << error.toStdString();
    EXPECT_EQ(testsupport::readFile(name), QByteArray("first"));
    ASSERT_TRUE(QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

    const QByteArray big(3 * 1024 * 1024 + 17, 'b');
    ASSERT_TRUE(platform::writeFileAtomically(name, big, &error)) << error.toStdString();
    EXPECT_EQ(testsupport::readFile(name), big);
    EXPECT_EQ(QFile::permissions(name) & 0x7077,
              (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup) & 0x7077);
    EXPECT_EQ(Entries(dir.filePath(QStringLiteral("sub"))), QStringList{QStringLiteral("plan.zop")});

    // Without overwriting, an existing file stays and the caller learns that it was there.
    platform::TAtomicFile keep(name);
    ASSERT_TRUE(keep.Prepare("other"));
    EXPECT_FALSE(keep.Commit(false));
    EXPECT_TRUE(keep.Exists());
    keep.Discard();
    EXPECT_EQ(testsupport::readFile(name), big);
    platform::TAtomicFile fresh(dir.filePath(QStringLiteral("sub/new.zop")));
    ASSERT_TRUE(fresh.Prepare("new"));
    EXPECT_TRUE(fresh.Commit(false));
    EXPECT_EQ(testsupport::readFile(dir.filePath(QStringLiteral("sub/new.zop"))), QByteArray("new"));

    // A prepared file that is dropped leaves nothing.
    {
        platform::TAtomicFile dropped(name);
        ASSERT_TRUE(dropped.Prepare("dropped"));
        EXPECT_EQ(Entries(dir.filePath(QStringLiteral("sub"))).size(), 3);
    }
    EXPECT_EQ(Entries(dir.filePath(QStringLiteral("sub"))),
              (QStringList{QStringLiteral("new.zop"), QStringLiteral("plan.zop")}));

    // Temporary names are recognisable and never end in ".diff".
    platform::TAtomicFile named(dir.filePath(QStringLiteral("a.1.diff")));
    ASSERT_TRUE(named.Prepare("x"));
    const QStringList during = Entries(dir.path());
    QString temporary;
    for (const QString &entry : during)
        if (entry.startsWith(QStringLiteral(".a.1.diff")))
            temporary = entry;
    EXPECT_TRUE(platform::isAtomicTemporaryName(temporary)) << temporary.toStdString();
    EXPECT_FALSE(temporary.endsWith(QStringLiteral(".diff")));
    EXPECT_FALSE(platform::isAtomicTemporaryName(QStringLiteral("a.1.diff")));
}

TEST(AtomicFile, ANewFileInAGroupsFolderIsThatGroupsToReplaceAndNoOtherGroups)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to a group of its own";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray folder = QFile::encodeName(dir.filePath(QStringLiteral("team")));
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    ASSERT_EQ(::chown(folder.constData(), uid_t(-1), 47000), 0);
    const mode_t umask = ::umask(022);
    // The mode and group of a file written anew into the folder with the given mode.
    const auto written = [&](mode_t mode) {
        EXPECT_EQ(::chmod(folder.constData(), mode), 0);
        const QString name = QString::fromLocal8Bit(folder) + QStringLiteral("/plan.zop");
        QFile::remove(name);
        EXPECT_TRUE(platform::writeFileAtomically(name, "plan"));
        struct stat info = {};
        EXPECT_EQ(::stat(QFile::encodeName(name).constData(), &info), 0);
        return std::pair{info.st_mode & 07777, info.st_gid};
    };
    // A folder that passes its group down: every member may replace the file.
    EXPECT_EQ(written(02775), std::pair(mode_t(0664), gid_t(47000)));
    // The file is the writer's group's, which may not write into the folder: as the umask says.
    EXPECT_EQ(written(0775), std::pair(mode_t(0644), ::getegid()));
    // A sticky folder lets nobody replace what another made.
    EXPECT_EQ(written(03775), std::pair(mode_t(0644), gid_t(47000)));
    // A private umask is the user's choice: writing without reading would share nothing.
    ::umask(077);
    EXPECT_EQ(written(02775), std::pair(mode_t(0600), gid_t(47000)));
    ::umask(027);
    EXPECT_EQ(written(02775), std::pair(mode_t(0660), gid_t(47000)));
    ::umask(umask);
}

TEST(AtomicFile, WritesGoThroughSymbolicLinksAndLeaveThemInPlace)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    // Named as the system names it, links of the temporary folder's own path resolved.
    const QDir dir(QFileInfo(temporary.path()).canonicalFilePath());
    const QString real = dir.filePath(QStringLiteral("real"));
    const QString links = dir.filePath(QStringLiteral("links"));
    ASSERT_TRUE(QDir().mkpath(real));
    ASSERT_TRUE(QDir().mkpath(links));
    ASSERT_TRUE(QFile::link(real, dir.filePath(QStringLiteral("linked"))));
    const auto symlink = [](const QString &target, const QString &at) {
        return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
    };
    struct TCase
    {
        const char *name;
        QString written; // the name written to
        QString target;  // the file that must get the bytes
        QStringList kept; // links that must stay links
        std::function<bool()> make;
    };
    const QString file = real + QStringLiteral("/plan.zop");
    std::vector<TCase> cases{
        {"absolute", links + "/abs.zop", file, {links + "/abs.zop"}, [&] { return symlink(file, links + "/abs.zop"); }},
        {"relative", links + "/rel.zop", file, {links + "/rel.zop"},
         [&] { return symlink(QStringLiteral("../real/plan.zop"), links + "/rel.zop"); }},
        {"chain", links + "/chain.zop", file, {links + "/chain.zop", links + "/abs2.zop"},
         [&] { return symlink(file, links + "/abs2.zop") && symlink(QStringLiteral("abs2.zop"), links + "/chain.zop"); }},
        // A relative link inside a folder reached through a link: relative to where it lies.
        {"in a linked folder", dir.filePath("linked/inner.zop"), file, {real + "/inner.zop"},
         [&] { return symlink(QStringLiteral("plan.zop"), real + "/inner.zop"); }},
        {"to a file not there yet", links + "/new.zop", real + "/new.zop", {links + "/new.zop"},
         [&] { return symlink(real + "/new.zop", links + "/new.zop"); }},
    };
    for (TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file);
        ASSERT_TRUE(testsupport::writeFile(file, "old"));
        ASSERT_TRUE(c.make());
        QStringList targets;
        for (const QString &link : c.kept)
            targets.append(QFile::symLinkTarget(link));
        const QByteArray bytes = QByteArray("new through ") + c.name;
        QString error;
        ASSERT_TRUE(platform::writeFileAtomically(c.written, bytes, &error)) << error.toStdString();
        EXPECT_EQ(testsupport::readFile(c.target), bytes);
        EXPECT_EQ(platform::resolvedFilePath(c.written), c.target);
        for (int i = 0; i < c.kept.size(); ++i) {
            EXPECT_TRUE(QFileInfo(c.kept[i]).isSymLink()) << c.kept[i].toStdString();
            EXPECT_EQ(QFile::symLinkTarget(c.kept[i]), targets[i]);
        }
        // Rewritten once more, the same way, and nothing temporary is left anywhere.
        ASSERT_TRUE(platform::writeFileAtomically(c.written, bytes + "!", &error)) << error.toStdString();
        EXPECT_EQ(testsupport::readFile(c.target), bytes + "!");
        for (const QString &folder : {real, links})
            for (const QString &entry : Entries(folder))
                EXPECT_FALSE(platform::isAtomicTemporaryName(entry)) << entry.toStdString();
    }

    // A loop of links names no file: nothing is written, the links stay.
    ASSERT_TRUE(symlink(QStringLiteral("b.zop"), links + "/a.zop"));
    ASSERT_TRUE(symlink(QStringLiteral("a.zop"), links + "/b.zop"));
    platform::TAtomicFile loop(links + "/a.zop");
    EXPECT_FALSE(loop.Prepare("x"));
    EXPECT_EQ(loop.ErrorCode(), ELOOP);
    EXPECT_TRUE(QFileInfo(links + "/a.zop").isSymLink());
}

TEST(AtomicFile, FailuresCarryTheSystemsReasonAndKeepTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("plan.zop"));
    ASSERT_TRUE(platform::writeFileAtomically(name, "old"));

    // A file-size limit refuses the write part-way (works without root).
    struct rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = previous;
    tight.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    QString error;
    const bool written = platform::writeFileAtomically(name, QByteArray(5000, 'n'), &error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(QStringLiteral("File too large"))) << error.toStdString();
    EXPECT_TRUE(error.contains(name)) << error.toStdString();
    EXPECT_EQ(testsupport::readFile(name), QByteArray("old"));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("plan.zop")});

    // A file in place of the folder.
    ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    EXPECT_FALSE(platform::writeFileAtomically(dir.filePath(QStringLiteral("file/plan.zop")), "x", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Not a directory"))) << error.toStdString();
    // A folder in place of the file.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder"))));
    EXPECT_FALSE(platform::writeFileAtomically(dir.filePath(QStringLiteral("folder")), "x", &error));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
}

TEST(AtomicFile, AFailureTheSystemReportsCarriesItsNumber)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("plan.zop"));
    ASSERT_TRUE(platform::writeFileAtomically(name, "old"));

    // A file in place of the folder: the temporary cannot be made.
    ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    platform::TAtomicFile below(dir.filePath(QStringLiteral("file/plan.zop")));
    EXPECT_FALSE(below.Prepare("x"));
    EXPECT_EQ(below.ErrorCode(), ENOTDIR);
    // A refusal of its own carries no number.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder"))));
    platform::TAtomicFile folder(dir.filePath(QStringLiteral("folder")));
    EXPECT_FALSE(folder.Prepare("x"));
    EXPECT_FALSE(folder.ErrorString().isEmpty());
    EXPECT_EQ(folder.ErrorCode(), 0);

    // An existing target kept, then the same file prepared again: the next try starts clean.
    platform::TAtomicFile file(name);
    ASSERT_TRUE(file.Prepare("new"));
    EXPECT_FALSE(file.Commit(false));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(file.ErrorCode(), EEXIST);
    ASSERT_TRUE(file.Prepare("new"));
    EXPECT_EQ(file.ErrorCode(), 0);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(testsupport::readFile(name), QByteArray("new"));

    // A folder made under the target's name after the file was prepared.
    platform::TAtomicFile late(dir.filePath(QStringLiteral("late")));
    ASSERT_TRUE(late.Prepare("x"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("late"))));
    EXPECT_FALSE(late.Commit());
    EXPECT_EQ(late.ErrorCode(), EISDIR);
    EXPECT_TRUE(late.ErrorString().contains(QStringLiteral("Is a directory"))) << late.ErrorString().toStdString();
}

TEST(AtomicFile, AFullDiskIsAFailureNeverAnEmptyFile)
{
    testsupport::TSmallFileSystem disk(256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString name = disk.Path() + QStringLiteral("/user.1.diff");
    const QByteArray old(20000, 'o');
    ASSERT_TRUE(platform::writeFileAtomically(name, old));
    ASSERT_TRUE(disk.FillUp(8192));

    // Small writes that fit a buffer, and large ones: each fails with the system's reason.
    for (const qint64 size : {qint64(9000), qint64(200000)}) {
        QString error;
        EXPECT_FALSE(platform::writeFileAtomically(name, QByteArray(size, 'n'), &error)) << size;
        EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << error.toStdString();
        EXPECT_EQ(testsupport::readFile(name), old);
        EXPECT_EQ(Entries(disk.Path()), (QStringList{QStringLiteral(".filler"), QStringLiteral("user.1.diff")}));
    }
    disk.Release();
    EXPECT_TRUE(platform::writeFileAtomically(name, "fits again"));
    EXPECT_EQ(testsupport::readFile(name), QByteArray("fits again"));
}
