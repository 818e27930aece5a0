#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Locations.h"
#include "common/TestSupport.h"

using namespace platform;

TEST(LocationsTest, IniAndLogLiveInTheUsersFolders)
{
    const QString root = testsupport::testRoot();
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString ini = programIniPath(bin.path());
    EXPECT_EQ(QFileInfo(ini).fileName(), QStringLiteral("velmora.ini"));
    EXPECT_TRUE(ini.startsWith(QDir(root).filePath(QStringLiteral("xdg_config_home")))) << ini.toStdString();

    const QString log = logFilePath();
    EXPECT_EQ(QFileInfo(log).fileName(), QStringLiteral("velmora.log"));
    EXPECT_TRUE(log.startsWith(QDir(root).filePath(QStringLiteral("xdg_data_home")))) << log.toStdString();

    EXPECT_TRUE(ensureParentFolder(log));
    EXPECT_TRUE(QFileInfo(QFileInfo(log).absolutePath()).isDir());
}

TEST(LocationsTest, AnIniBesideTheExecutableWins)
{
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString portable = QDir(bin.path()).filePath(QStringLiteral("velmora.ini"));
    ASSERT_TRUE(testsupport::writeFile(portable, "[Main]\n"));
    EXPECT_EQ(programIniPath(bin.path()), portable);
    // A folder of that name is no ini.
    QTemporaryDir other;
    ASSERT_TRUE(QDir().mkpath(QDir(other.path()).filePath(QStringLiteral("velmora.ini"))));
    EXPECT_NE(programIniPath(other.path()), QDir(other.path()).filePath(QStringLiteral("velmora.ini")));
}

TEST(LocationsTest, LanguageFoldersBesideTheExecutableComeFirst)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = QDir(prefix.path()).filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_TRUE(languageFolders(bin).isEmpty() || !languageFolders(bin).first().startsWith(prefix.path()));

    const QString installed = QDir(prefix.path()).filePath(QStringLiteral("share/velmora/languages"));
    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(languageFolders(bin).value(0), QDir::cleanPath(installed));

    const QString beside = QDir(bin).filePath(QStringLiteral("languages"));
    ASSERT_TRUE(QDir().mkpath(beside));
    const QString shared = QDir(testsupport::testRoot()).filePath(QStringLiteral("xdg_data_home/velmora/languages"));
    ASSERT_TRUE(QDir().mkpath(shared));
    const QStringList folders = languageFolders(bin);
    ASSERT_EQ(folders.mid(0, 2), QStringList({QDir::cleanPath(beside), QDir::cleanPath(installed)}));
    EXPECT_TRUE(folders.contains(QDir::cleanPath(shared)));
    for (const QString &folder : folders)
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
    QDir(shared).removeRecursively();
}

TEST(LocationsTest, ProgramFilesAreFoundInTheConfigFolderFirst)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = QDir(prefix.path()).filePath(QStringLiteral("bin"));
    const QString share = QDir(prefix.path()).filePath(QStringLiteral("share/velmora"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(share));
    const QString name = QStringLiteral("Probe-%1.jpg").arg(QCoreApplication::applicationPid());
    EXPECT_TRUE(findProgramFile(name, bin).isEmpty());

    ASSERT_TRUE(testsupport::writeFile(QDir(share).filePath(name), "s"));
    EXPECT_EQ(findProgramFile(name, bin), QDir::cleanPath(QDir(share).filePath(name)));
    ASSERT_TRUE(testsupport::writeFile(QDir(bin).filePath(name), "b"));
    EXPECT_EQ(findProgramFile(name, bin), QDir(bin).filePath(name));

    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    ASSERT_TRUE(QDir().mkpath(config));
    const QString own = QDir(config).filePath(name);
    ASSERT_TRUE(testsupport::writeFile(own, "c"));
    EXPECT_EQ(findProgramFile(name, bin), QDir::cleanPath(own));
    QFile::remove(own);
    // A folder of that name is no file.
    ASSERT_TRUE(QDir().mkpath(own));
    EXPECT_EQ(findProgramFile(name, bin), QDir(bin).filePath(name));
    QDir().rmdir(own);
}
