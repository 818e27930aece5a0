// Saves of other machines that did not finish, timed by the share's own clock: one that died
// long ago holds no save back, whenever this instance first saw it; one that may still be
// under way is waited for, and the user is told what it waits for.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"
#include "sync/GenerationBase.h"

namespace {

class MultiProcessElsewhereSaveTest : public SyncDriverTest
{
protected:
    // Every file and folder below `folder`, and it, written `seconds` ago.
    static void Age(const QString &folder, qint64 seconds)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(QDateTime::currentSecsSinceEpoch() - seconds), 0}};
        QStringList paths{folder};
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        for (const QString &path : paths)
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
    }
    static QString DocumentFolder(const QString &document)
    {
        return QFileInfo(document).absolutePath() + "/.zop/" + QFileInfo(document).fileName() + "/";
    }
};

} // namespace

TEST_F(MultiProcessElsewhereSaveTest, ASaveThatDiedLongAgoOnAnotherMachineHoldsNoSaveBack)
{
    // The grace time as the program has it: a save elsewhere gets 30 s.
    TSyncDriverProcess &b = Driver("hostb", {{"VELMORA_SYNC_GRACE", "30000"}});
    int round = 0;
    // Killed after claiming its generation, and after its lock copy closed the current one.
    for (const QString step : {"based", "locked"}) {
        SCOPED_TRACE(step.toStdString());
        const QString path = dir.filePath(QStringLiteral("plan%1.zop").arg(++round));
        TSyncDriverProcess &a = Driver(QStringLiteral("hosta%1").arg(round));
        ASSERT_EQ(a.Command({"create", path}), "");
        const QString row = a.Command({"add", "Comment", "A's row"});
        a.Command({"crashsave", step}, 3000);
        ASSERT_TRUE(a.WaitForExit(5000));
        // Last night, by the share's clock.
        Age(DocumentFolder(path), 12 * 3600);

        ASSERT_EQ(b.Command({"open", path}), "") << b.Output().toStdString();
        ASSERT_EQ(b.Command({"add", "Comment", "B's row"}).section('.', 0, 0), "hostb");
        QElapsedTimer saving;
        saving.start();
        EXPECT_EQ(b.Command({"save"}, 30000), "");
        EXPECT_LT(saving.elapsed(), 5000);
        EXPECT_EQ(LogCount(b, "has not finished"), 0);
        EXPECT_EQ(LogCount(b, "Another instance is saving"), 0);
        EXPECT_EQ(LogCount(b, "that did not finish was undone"), round);
        // Nothing A journalled is lost.
        EXPECT_TRUE(b.Command({"waitfor", row, "Comment", "A's row", "3000"}, 4000).endsWith(row));
    }
}

TEST_F(MultiProcessElsewhereSaveTest, ASaveThatMayStillRunElsewhereIsWaitedForAndSaidSo)
{
    TSyncDriverProcess &b = Driver("hostb", {{"VELMORA_SYNC_GRACE", "2000"}});
    ASSERT_EQ(b.Command({"create", document}), "");
    const QString row = b.Command({"add", "Comment", "B's row"});

    // Another machine claims the next generation and keeps writing its working copy.
    const qint64 current = b.Json("state").value("generation").toString().toLongLong();
    const QString claim = DocumentFolder(document) + QString::number(current + 1);
    ASSERT_TRUE(QDir().mkpath(claim));
    TGenerationBase theirs;
    theirs.From = current;
    theirs.Saver = "elsewhere.bob";
    theirs.Host = "elsewhere";
    theirs.Pid = 4242;
    ASSERT_TRUE(testsupport::writeFile(claim + "/plan.zop.base", theirs.ToBytes()));
    const QString growing = claim + "/.plan.zop.x7k2q9.tmp";
    const QDateTime claimed = QDateTime::currentDateTime();
    // On a thread of its own: the commands below block this one.
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        while (writing) {
            QFile file(growing);
            if (file.open(QIODevice::Append))
                file.write(QByteArray(512, 'x'));
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    });
    struct TJoin
    {
        std::atomic<bool> &Writing;
        std::thread &Thread;
        ~TJoin()
        {
            Writing = false;
            Thread.join();
        }
    } join{writing, writer};

    // Asked to save meanwhile, B waits a while, saying what for, and then says so plainly.
    EXPECT_EQ(b.Command({"save"}, 15000), "error save");
    const QString at = claimed.toString("HH:mm");
    const int waited = LogCount(b, "driver status: A save started elsewhere at " + at + " has not finished; waiting...");
    const int told = LogCount(b, "driver asked: A save started elsewhere at " + at + " has not finished; nothing is lost.");
    // The minute may turn while the claim is made.
    const QString next = claimed.addSecs(60).toString("HH:mm");
    EXPECT_EQ(waited + LogCount(b, "driver status: A save started elsewhere at " + next), 1);
    EXPECT_EQ(told + LogCount(b, "driver asked: A save started elsewhere at " + next), 1);
    EXPECT_EQ(LogCount(b, "Another instance is saving"), 0);
    ASSERT_TRUE(theirs.Read(claim + "/plan.zop.base"));
    EXPECT_EQ(theirs.Saver, "elsewhere.bob");

    // The other machine stops writing; the claim it left goes by the grace time, and the save
    // of every edit succeeds.
    writing = false;
    QTest::qWait(2200);
    EXPECT_EQ(b.Command({"save"}, 15000), "");
    EXPECT_EQ(b.Json("state").value("generation").toString().toLongLong(), current + 1);
    ASSERT_TRUE(theirs.Read(claim + "/plan.zop.base"));
    EXPECT_EQ(theirs.Saver, b.Json("state").value("identity").toString());
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_TRUE(c.Command({"waitfor", row, "Comment", "B's row", "3000"}, 4000).endsWith(row));
}
