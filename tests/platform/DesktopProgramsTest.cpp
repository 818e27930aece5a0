// Whether the desktop names a program for a kind of file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
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

// An entry names a program only where it can start it: its TryExec program is installed (by
// its path, or found on the search path) and the desktop running is one it is meant for; so
// both where the entry offers itself for the type and where the user made it the default.
TEST_F(DesktopProgramsTest, AnEntryCountsOnlyWhereItsProgramCanStart)
{
    const QString bin = dir.filePath(QStringLiteral("bin"));
    const QString tool = bin + QStringLiteral("/sheets-tool");
    ASSERT_TRUE(Write(tool, "#!/bin/sh\n"));
    ASSERT_TRUE(QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    const bool hadDesktop = qEnvironmentVariableIsSet("XDG_CURRENT_DESKTOP");
    const QByteArray desktopBefore = qgetenv("XDG_CURRENT_DESKTOP");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", path);
        if (hadDesktop)
            qputenv("XDG_CURRENT_DESKTOP", desktopBefore);
        else
            qunsetenv("XDG_CURRENT_DESKTOP");
    });
    qputenv("PATH", bin.toLocal8Bit() + ':' + path);
    struct TCase
    {
        QByteArray keys;
        const char *desktop;
        bool counts;
    };
    const std::vector<TCase> cases = {
        {"Exec=sheets %f\n", "GNOME", true},
        {"TryExec=no-such-sheets-program\n", "GNOME", false},
        {"TryExec=" + tool.toLocal8Bit() + "\n", "GNOME", true},
        {"TryExec=sheets-tool\n", "GNOME", true},
        {"TryExec=" + dir.filePath(QStringLiteral("gone/sheets")).toLocal8Bit() + "\n", "GNOME", false},
        {"OnlyShowIn=KDE;\n", "GNOME", false},
        {"OnlyShowIn=KDE;GNOME;\n", "ubuntu:GNOME", true},
        {"OnlyShowIn=KDE;\n", "", false},
        {"NotShowIn=GNOME;\n", "GNOME", false},
        {"NotShowIn=GNOME;\n", "KDE", true},
    };
    const QString entry = desktop.ApplicationsFolder() + QStringLiteral("/sheets.desktop");
    const QString list = desktop.ConfigFolder() + QStringLiteral("/mimeapps.list");
    for (const bool chosen : {false, true}) {
        for (const TCase &c : cases) {
            SCOPED_TRACE((chosen ? "default of the user: " : "offered by the entry: ") + c.keys.toStdString() + " on "
                         + c.desktop);
            qputenv("XDG_CURRENT_DESKTOP", c.desktop);
            const QByteArray offers = chosen ? QByteArray() : "MimeType=" + type + ";\n";
            ASSERT_TRUE(Write(entry, "[Desktop Entry]\n" + c.keys + offers));
            ASSERT_TRUE(Write(list, chosen ? "[Default Applications]\n" + type + "=sheets.desktop\n" : QByteArray()));
            EXPECT_EQ(platform::desktopHasProgramFor(book), c.counts);
        }
    }
}
