// Saves that must not or cannot replace the document, with real instances: a document file its
// user protected, one on a read-only disk, and a working copy that cannot be read.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/mount.h>
#include <sys/stat.h>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"

namespace {

class MultiProcessSaveRefusalTest : public SyncDriverTest
{
protected:
    static int LogCount(TSyncDriverProcess &driver, const QString &text)
    {
        return driver.Command({"log", text}).toInt();
    }
    static QStringList Trashed(const QString &name)
    {
        const QString files =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files");
        return QDir(files).entryList({name + QLatin1Char('*')}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

} // namespace

TEST_F(MultiProcessSaveRefusalTest, AWriteProtectedDocumentIsNeverReplaced)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    const QString row = a.Command({"add", "Comment", "saved"});
    ASSERT_EQ(a.Command({"save"}), "");
    const QByteArray saved = testsupport::readFile(document);
    const QStringList trashedBefore = Trashed(QStringLiteral("plan.zop"));

    // The user protects the file, its folder stays writable; even root is refused then.
    ASSERT_EQ(::chmod(QFile::encodeName(document).constData(), 0444), 0);
    ASSERT_EQ(a.Command({"set", row, "Comment", "edited while protected"}), "");
    ASSERT_EQ(a.Command({"save"}), "error save");
    EXPECT_EQ(LogCount(a, "driver asked: " + document + " is write-protected."), 1);
    EXPECT_EQ(testsupport::readFile(document), saved);
    EXPECT_EQ(QFileInfo(document).permissions() & (QFileDevice::WriteOwner | QFileDevice::ReadOwner),
              QFileDevice::ReadOwner);
    EXPECT_EQ(Trashed(QStringLiteral("plan.zop")), trashedBefore);

    // The edit is in the journal: an instance opening the document has it.
    TSyncDriverProcess &b = Driver("hostb");
    ASSERT_EQ(b.Command({"open", document}), "");
    EXPECT_TRUE(b.Command({"waitfor", row, "Comment", "edited while protected", "3000"}, 4000).endsWith(row));

    // Saving again offers Save As, which saves under the other name as ever.
    const QString other = dir.filePath(QStringLiteral("copy.zop"));
    ASSERT_EQ(a.Command({"saveasname", other}), "");
    EXPECT_EQ(a.Command({"save"}), "");
    EXPECT_EQ(LogCount(a, "driver asked: " + document + " is write-protected."), 2);
    EXPECT_EQ(testsupport::readFile(document), saved);
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", other}), "");
    EXPECT_TRUE(c.Command({"waitfor", row, "Comment", "edited while protected", "3000"}, 4000).endsWith(row));
}

TEST_F(MultiProcessSaveRefusalTest, ADocumentOnAReadOnlyDiskIsSavedOnAnotherOne)
{
    testsupport::TSmallFileSystem disk(2 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString onDisk = disk.Path() + QStringLiteral("/plan.zop");
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", onDisk}), "");
    const QString row = a.Command({"add", "Comment", "on the disk"});
    ASSERT_EQ(a.Command({"quit"}), "");
    ASSERT_TRUE(a.WaitForExit(5000));
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(disk.Path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    TSyncDriverProcess &b = Driver("hostb");
    ASSERT_EQ(b.Command({"open", onDisk}), "");
    ASSERT_EQ(b.Command({"set", row, "Comment", "edited"}), "");
    // Another name on the same disk cannot help, and the user is told to use another disk.
    ASSERT_EQ(b.Command({"saveasname", disk.Path() + QStringLiteral("/other.zop")}), "");
    EXPECT_EQ(b.Command({"save"}), "error save");
    EXPECT_EQ(LogCount(b, "driver asked: " + onDisk + " lies on a read-only disk."), 1);
    EXPECT_EQ(LogCount(b, "driver asked: File could not be saved, the disk of the folder \"" + disk.Path()
                              + "\" is read-only."),
              1);
    EXPECT_EQ(LogCount(b, "different filename"), 0);
    // Another disk takes it.
    const QString other = dir.filePath(QStringLiteral("other.zop"));
    ASSERT_EQ(b.Command({"saveasname", other}), "");
    EXPECT_EQ(b.Command({"save"}), "");
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", other}), "");
    EXPECT_TRUE(c.Command({"waitfor", row, "Comment", "edited", "3000"}, 4000).endsWith(row));
}

TEST_F(MultiProcessSaveRefusalTest, AWorkingCopyThatCannotBeReadIsNotOffered)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    const QString row = a.Command({"add", "Comment", "in the document"});
    ASSERT_EQ(a.Command({"save"}), "");
    const QString generation = a.Json("state").value("generation").toString();
    ASSERT_EQ(a.Command({"quit"}), "");
    ASSERT_TRUE(a.WaitForExit(5000));
    const QString working = dir.filePath(QStringLiteral(".zop/plan.zop/") + generation + QStringLiteral("/plan.zop"));
    ASSERT_TRUE(QFileInfo::exists(working));
    static const char broken[] = "zip\0\x10\0\0\0broken";
    ASSERT_TRUE(testsupport::writeFile(working, QByteArray(broken, sizeof broken - 1)));

    TSyncDriverProcess &b = Driver("hostb");
    ASSERT_EQ(b.Command({"open", document}), "");
    EXPECT_EQ(LogCount(b, "driver asked: The file does not match the working copy."), 0);
    EXPECT_EQ(LogCount(b, "cannot be read"), 1);
    EXPECT_TRUE(b.Command({"waitfor", row, "Comment", "in the document", "3000"}, 4000).endsWith(row));
    // A new generation agrees with the document again.
    EXPECT_NE(b.Json("state").value("generation").toString(), generation);
}
