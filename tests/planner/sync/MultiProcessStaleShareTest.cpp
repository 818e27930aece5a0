// Instances on a share that answers file stamps from a stale attribute cache (as sshfs does
// by default for 20 s, and where opening a file refreshes only what the next look sees): a
// reading instance applies the others' edits with its first scan after they are written, all
// the same, and reads no file again that did not change.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonObject>
#include <QTest>

#include <cstdio>

#include "planner/sync/SyncDriverTest.h"

namespace {

class MultiProcessStaleShareTest : public SyncDriverTest
{
protected:
    // A writer, and a reader behind a stale attribute cache that has seen the writer's row.
    void SetUp() override
    {
        SyncDriverTest::SetUp();
        writer = &Driver("hosta");
        reader = &Driver("hostb", {{"VELMORA_SYNC_STALE_STAMPS", "20000"}});
        ASSERT_NO_FATAL_FAILURE(Share(*writer, {reader}));
        row = writer->Command({"add", "Comment", "edit 0"});
        ASSERT_TRUE(reader->Command({"waitfor", row, "Comment", "edit 0", "5000"}, 6000).endsWith(row));
    }

    TSyncDriverProcess *writer = nullptr;
    TSyncDriverProcess *reader = nullptr;
    QString row;
};

} // namespace

TEST_F(MultiProcessStaleShareTest, AReaderSeesEveryEditWithinSecondsAndRereadsNothingUnchanged)
{
    // Edit after edit, each one within the 20 s the stale stamps would hide it.
    QStringList delays;
    for (int i = 1; i <= 2; ++i) {
        const QString text = QStringLiteral("edit %1").arg(i);
        const qint64 sent = QDateTime::currentMSecsSinceEpoch();
        ASSERT_EQ(writer->Command({"set", row, "Comment", text}), "");
        const QString seen = reader->Command({"waitfor", row, "Comment", text, "4000"}, 5000);
        ASSERT_TRUE(seen.endsWith(row)) << text.toStdString() << ": " << seen.toStdString();
        delays.append(QString::number(seen.section(' ', 0, 0).toLongLong() - sent));
    }
    std::printf("arrival after (ms): %s\n", qPrintable(delays.join(QStringLiteral(", "))));

    // Nothing changes for a while: the scans open the files, but read none of them again.
    QTest::qWait(1000);
    const qint64 read = qint64(reader->Json("state").value("filesread").toDouble());
    QTest::qWait(2100);
    EXPECT_EQ(qint64(reader->Json("state").value("filesread").toDouble()), read);
}

TEST_F(MultiProcessStaleShareTest, AReaderAppliesAnEditWithItsFirstScanAfterTheEditIsWritten)
{
    const auto scans = [&] { return qint64(reader->Json("state").value("scans").toDouble()); };
    for (int i = 1; i <= 3; ++i) {
        const QString text = QStringLiteral("edit %1").arg(i);
        ASSERT_EQ(writer->Command({"set", row, "Comment", text}), "");
        // In the writer's diff file: from here on one scan of the reader is enough.
        ASSERT_TRUE(Eventually([&] { return writer->Json("state").value("unwritten").toInt() == 0; }, 5000));
        const qint64 before = scans();
        ASSERT_TRUE(reader->Command({"waitfor", row, "Comment", text, "5000"}, 6000).endsWith(row)) << text.toStdString();
        EXPECT_LE(scans(), before + 1) << text.toStdString();
    }
}
