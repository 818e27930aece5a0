// Whether the desktop names a program for a kind of file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "DesktopPrograms.h"
#include "common/TestSupport.h"

namespace {

// A file written with the folders it needs.
bool Write(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    return testsupport::writeFile(path, text);
}

// A desktop of its own with a workbook on it.
class DesktopProgramsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(Write(book, "PK\x03\x04"));
    }

    QTemporaryDir dir;
    const testsupport::TIsolatedDesktop desktop{dir.path()};
    const QString book = dir.filePath(QStringLiteral("plan.xlsx"));
    const QByteArray type = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
};

} // namespace

// Beside the entries that list the type (an export through the window shows those), what the
// user chose decides: an association removed, or a default whose entry lists no types itself.
TEST_F(DesktopProgramsTest, TheUsersAssociationsDecide)
{
    const QString list = desktop.ConfigFolder() + QStringLiteral("/mimeapps.list");
    const QString applications = desktop.ApplicationsFolder();
    ASSERT_TRUE(Write(applications + QStringLiteral("/office/calc.desktop"), "[Desktop Entry]\nMimeType=" + type + ";\n"));
    ASSERT_TRUE(Write(applications + QStringLiteral("/sheets.desktop"), "[Desktop Entry]\nExec=sheets\n"));
    ASSERT_TRUE(Write(list, "[Removed Associations]\n" + type + "=office-calc.desktop;\n"));
    EXPECT_FALSE(platform::desktopHasProgramFor(book));
    ASSERT_TRUE(Write(list, "[Default Applications]\n" + type + "=gone.desktop;sheets.desktop\n[Removed Associations]\n"
                                + type + "=office-calc.desktop;\n"));
    EXPECT_TRUE(platform::desktopHasProgramFor(book));
}

// The index of a folder names an entry that the user's own copy hides: no program; an entry
// installed after the index was made still counts.
TEST_F(DesktopProgramsTest, AnIndexCountsOnlyEntriesThatStillOfferThemselves)
{
    const QString system = desktop.ApplicationsFolder();
    ASSERT_TRUE(Write(system + QStringLiteral("/calc.desktop"), "[Desktop Entry]\nMimeType=" + type + ";\n"));
    ASSERT_TRUE(Write(system + QStringLiteral("/mimeinfo.cache"), "[MIME Cache]\n" + type + "=calc.desktop;\n"));
    ASSERT_TRUE(Write(dir.filePath(QStringLiteral("home/applications/calc.desktop")), "[Desktop Entry]\nHidden=true\n"));
    EXPECT_FALSE(platform::desktopHasProgramFor(book));
    ASSERT_TRUE(Write(system + QStringLiteral("/sheets.desktop"), "[Desktop Entry]\nMimeType=" + type + ";\n"));
    EXPECT_TRUE(platform::desktopHasProgramFor(book));
}
