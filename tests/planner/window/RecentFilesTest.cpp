// The recent-files list: its order, its eight entries and how files are told apart.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include "common/TestSupport.h"
#include "window/RecentFiles.h"

namespace {

class RecentFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int i = 1; i <= 9; ++i) {
            const QString path = dir.filePath(QStringLiteral("plan %1.zop").arg(i));
            ASSERT_TRUE(testsupport::writeFile(path, "<document />"));
            files.append(QFileInfo(path).canonicalFilePath());
        }
    }
    QStringList Expect(std::initializer_list<int> numbers) const
    {
        QStringList list;
        for (int n : numbers)
            list.append(files[n - 1]);
        return list;
    }

    QTemporaryDir dir;
    QStringList files;
    QObject owner;
    QMenu menu;
};

TEST_F(RecentFilesTest, EntriesMoveUpAndTheOldestLeaves)
{
    TRecentFiles recent(&owner, &menu);
    EXPECT_FALSE(menu.isEnabled());
    EXPECT_TRUE(recent.Files().isEmpty());
    for (int i = 1; i <= 5; ++i)
        recent.AddToLastFiles(files[i - 1]);
    EXPECT_TRUE(menu.isEnabled());
    EXPECT_EQ(recent.Files(), Expect({5, 4, 3, 2, 1}));
    EXPECT_EQ(recent.Action(1)->text(), QStringLiteral("1. ") + files[4]);
    EXPECT_EQ(recent.Action(5)->text(), QStringLiteral("5. ") + files[0]);
    EXPECT_FALSE(recent.Action(6)->isVisible());

    // Entry 1 again: nothing changes.
    recent.AddToLastFiles(files[4]);
    EXPECT_EQ(recent.Files(), Expect({5, 4, 3, 2, 1}));
    // Entry 5 goes to the top, 1 to 4 move down.
    recent.AddToLastFiles(files[0]);
    EXPECT_EQ(recent.Files(), Expect({1, 5, 4, 3, 2}));
    EXPECT_EQ(recent.Action(2)->text(), QStringLiteral("2. ") + files[4]);
    for (int i = 6; i <= 8; ++i)
        recent.AddToLastFiles(files[i - 1]);
    EXPECT_EQ(recent.Files(), Expect({8, 7, 6, 1, 5, 4, 3, 2}));
    // A ninth file pushes the oldest out.
    recent.AddToLastFiles(files[8]);
    EXPECT_EQ(recent.Files(), Expect({9, 8, 7, 6, 1, 5, 4, 3}));
    EXPECT_EQ(recent.Action(8)->text(), QStringLiteral("8. ") + files[2]);
    // An empty name is no file.
    recent.AddToLastFiles(QString());
    EXPECT_EQ(recent.Files().size(), 8);

    QStringList opened;
    recent.OnOpen = [&](const QString &file) { opened.append(file); };
    recent.Action(3)->trigger();
    EXPECT_EQ(opened, QStringList{files[6]});
}

TEST_F(RecentFilesTest, FilesAreToldApartByTheirCanonicalPathWithLetterCase)
{
    TRecentFiles recent(&owner, &menu);
    const QString lower = dir.filePath(QStringLiteral("case.zop"));
    const QString upper = dir.filePath(QStringLiteral("CASE.zop"));
    ASSERT_TRUE(testsupport::writeFile(lower, "a"));
    ASSERT_TRUE(testsupport::writeFile(upper, "b"));
    recent.AddToLastFiles(lower);
    recent.AddToLastFiles(upper);
    // Two files on this file system.
    EXPECT_EQ(recent.Files().size(), 2);

    // Another spelling of the same file: through a link and through "..".
    const QString link = dir.filePath(QStringLiteral("link.zop"));
    ASSERT_TRUE(QFile::link(lower, link));
    recent.AddToLastFiles(link);
    EXPECT_EQ(recent.Files(), (QStringList{QFileInfo(lower).canonicalFilePath(), QFileInfo(upper).canonicalFilePath()}));
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    recent.AddToLastFiles(dir.filePath(QStringLiteral("sub/../CASE.zop")));
    EXPECT_EQ(recent.Files(), (QStringList{QFileInfo(upper).canonicalFilePath(), QFileInfo(lower).canonicalFilePath()}));

    // A "&" in a name is shown as it is and comes back as it was.
    const QString ampersand = dir.filePath(QStringLiteral("R&D.zop"));
    ASSERT_TRUE(testsupport::writeFile(ampersand, "c"));
    recent.AddToLastFiles(ampersand);
    EXPECT_EQ(recent.FileOf(1), QFileInfo(ampersand).canonicalFilePath());
    EXPECT_TRUE(recent.Action(1)->text().endsWith(QStringLiteral("R&&D.zop")));
    // A file that is gone keeps its absolute name.
    recent.AddToLastFiles(dir.filePath(QStringLiteral("gone/../gone.zop")));
    EXPECT_EQ(recent.FileOf(1), QDir::cleanPath(dir.filePath(QStringLiteral("gone.zop"))));
}

} // namespace
