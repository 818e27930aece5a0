// Reading a file beside other work: the read handed over once, for its own path only.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/TestSupport.h"
#include "sync/EarlyFileRead.h"
#include "XmlTree.h"

TEST(EarlyFileRead, HandsOverOneReadForItsPathOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString whole = dir.filePath(QStringLiteral("whole.zop"));
    const QString cut = dir.filePath(QStringLiteral("cut.zop"));
    ASSERT_TRUE(testsupport::writeFile(
        whole, "<?xml version=\"1.0\"?><document><setup /><data /><diff index=\"0\" /></document>\r\n"));
    ASSERT_TRUE(testsupport::writeFile(cut, "<?xml version=\"1.0\"?><document><setup /><da"));

    TEarlyFileRead early;
    EXPECT_FALSE(early.Take(whole)) << "nothing started";

    early.Start(whole);
    std::optional<TEarlyFileRead::TRead> read = early.Take(whole);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Result, TWatcherThread::rrRead);
    EXPECT_EQ(read->File.Path, whole);
    ASSERT_TRUE(read->File.Tree);
    EXPECT_NE(read->File.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data")}), nullptr);
    EXPECT_FALSE(early.Take(whole)) << "handed over once";

    // Asked for another file: the read is dropped, not kept for a later question.
    early.Start(whole);
    EXPECT_FALSE(early.Take(cut));
    EXPECT_FALSE(early.Take(whole));

    early.Start(cut);
    read = early.Take(cut);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Result, TWatcherThread::rrIncomplete);
    EXPECT_FALSE(read->Reason.isEmpty());

    early.Start(dir.filePath(QStringLiteral("missing.zop")));
    read = early.Take(dir.filePath(QStringLiteral("missing.zop")));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Result, TWatcherThread::rrMissing);

    // A dropped read is gone; a read left running ends with its owner.
    early.Start(whole);
    early.Drop();
    EXPECT_FALSE(early.Take(whole));
    early.Start(whole);
}
