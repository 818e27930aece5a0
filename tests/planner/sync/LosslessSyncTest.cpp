// Nothing journalled is lost: real processes edit one document while others save (one at a
// time or at the same moment), die in the middle of their saves, touch the document, meet a
// folder that is a file, a full disk, or notice a save as late as a network share shows it.
// Every test ends with every edit in every instance and in a fresh opening.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"

namespace {

// Each writer edits rows of its own, so the expected document is known exactly.
class LosslessSyncTest : public SyncDriverTest
{
protected:
    // Edits that update the expected document.
    QString Add(TSyncDriverProcess &driver, const QString &comment)
    {
        const QString id = driver.Command({"add", "Comment", comment});
        EXPECT_TRUE(id.startsWith(driver.Host() + ".")) << id.toStdString();
        expected[id]["Comment"] = comment;
        return id;
    }
    void Set(TSyncDriverProcess &driver, const QString &id, const QString &caption, const QString &text)
    {
        EXPECT_EQ(driver.Command({"set", id, caption, text}), "");
        expected[id][caption] = text;
    }
    void Delete(TSyncDriverProcess &driver, const QString &id)
    {
        EXPECT_EQ(driver.Command({"delete", id}), "");
        expected.erase(id);
    }
    // A few edits of one writer: a new row, changes of its rows, now and then a deletion.
    void Burst(TSyncDriverProcess &driver, int round)
    {
        const QString id = Add(driver, QStringLiteral("%1 row %2").arg(driver.Host()).arg(round));
        Set(driver, id, "Length", QString::number(round % 9 + 1));
        for (const auto &[row, cells] : std::map<QString, std::map<QString, QString>>(expected))
            if (row.startsWith(driver.Host() + "."))
                Set(driver, row, "Comment", QStringLiteral("%1 edit %2").arg(row).arg(round));
        if (round % 3 == 2) {
            for (const auto &[row, cells] : expected)
                if (row.startsWith(driver.Host() + ".") && row != id) {
                    Delete(driver, row);
                    break;
                }
        }
    }

    // The rows and the cells set through Add and Set, as the driver shows them.
    QString Mismatch(TSyncDriverProcess &driver)
    {
        const QJsonObject rows = driver.Json("dump");
        QStringList problems;
        for (const auto &[id, cells] : expected) {
            if (!rows.contains(id)) {
                problems << "missing " + id;
                continue;
            }
            for (const auto &[caption, text] : cells) {
                const QString shown = rows.value(id).toObject().value(caption).toString();
                if (shown != text)
                    problems << QStringLiteral("%1 %2 is \"%3\", not \"%4\"").arg(id, caption, shown, text);
            }
        }
        for (const QString &id : rows.keys())
            if (!expected.count(id))
                problems << "extra " + id;
        return problems.join("; ");
    }
    // Every driver shows the expected document, and so does a fresh opening.
    void ExpectEverythingEverywhere(const std::vector<TSyncDriverProcess *> &all, int ms = 15000)
    {
        for (TSyncDriverProcess *driver : all) {
            QString last;
            EXPECT_TRUE(Eventually([&] { return (last = Mismatch(*driver)).isEmpty(); }, ms))
                << driver->Host().toStdString() << ": " << last.toStdString() << "\n"
                << driver->Output().toStdString();
        }
        for (TSyncDriverProcess *driver : all)
            EXPECT_TRUE(Eventually([&] {
                const QJsonObject state = driver->Json("state");
                return state.value("unwritten").toInt() == 0;
            })) << driver->Host().toStdString();
        TSyncDriverProcess &fresh = Driver("fresh" + QString::number(drivers.size()));
        ASSERT_EQ(fresh.Command({"open", document}), "") << fresh.Output().toStdString();
        QString last;
        EXPECT_TRUE(Eventually([&] { return (last = Mismatch(fresh)).isEmpty(); }, 5000)) << last.toStdString();
    }

    std::map<QString, std::map<QString, QString>> expected;
};

} // namespace

TEST_F(LosslessSyncTest, SeveralWritersWhileOneSaves)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    TSyncDriverProcess &c = Driver("hostc");
    Share(a, {&b, &c});
    for (int round = 0; round < 4; ++round) {
        Burst(a, round);
        Burst(b, round);
        QTest::qWait(300 * (round % 2)); // some edits reach their files, some do not
        // A slow save: the others edit and write while it runs.
        a.Send({"slowsave", "120"});
        Burst(b, round + 10);
        Burst(c, round);
        ASSERT_EQ(a.Receive(), "") << a.Output().toStdString();
        Burst(c, round + 10);
    }
    ExpectEverythingEverywhere({&a, &b, &c});
}

class KilledSaveTest : public LosslessSyncTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(KilledSaveTest, AWriterKilledInItsSaveLosesNothingJournalled)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    Burst(a, 0);
    Burst(b, 0);
    Burst(a, 1);
    // A's edits reach its diff file and B, then A dies in its save.
    std::map<QString, std::map<QString, QString>> journalled = expected;
    ASSERT_TRUE(Eventually([&] { return Mismatch(b).isEmpty(); })) << Mismatch(b).toStdString();
    a.Send({"crashsave", GetParam()});
    Burst(b, 1);
    Burst(b, 2);
    ASSERT_TRUE(a.WaitForExit(10000));
    Burst(b, 3);
    ExpectEverythingEverywhere({&b});
    EXPECT_EQ(b.Json("state").value("notices").toInt(), 0);
}

INSTANTIATE_TEST_SUITE_P(EachStep, KilledSaveTest,
                         ::testing::Values("claimed", "based", "locked", "working", "document"));

TEST_F(LosslessSyncTest, ATouchedDocumentDropsNoOwnEdit)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    Burst(a, 0);
    Burst(b, 0);
    ASSERT_TRUE(Eventually([&] { return Mismatch(a).isEmpty() && Mismatch(b).isEmpty(); }));
    // A backup tool or a sync client touches the document.
    {
        QFile file(document);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(3), QFileDevice::FileModificationTime));
    }
    Burst(b, 1);
    Burst(a, 1);
    ExpectEverythingEverywhere({&a, &b});
    // And the next save keeps it all.
    ASSERT_EQ(b.Command({"save"}), "");
    Burst(a, 2);
    ExpectEverythingEverywhere({&a, &b});
}

TEST_F(LosslessSyncTest, ADocumentFolderThatIsAFileIsToldOnceAndEditsWaitForIt)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    Burst(a, 0);
    ASSERT_EQ(a.Command({"save"}), "");
    ASSERT_EQ(a.Command({"quit"}), "");
    ASSERT_TRUE(a.WaitForExit(5000));
    // Someone put a file where the document's folder belongs.
    const QString folder = dir.filePath(QStringLiteral(".zop/plan.zop"));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(testsupport::writeFile(folder, "not a folder"));

    TSyncDriverProcess &b = Driver("hostb");
    ASSERT_EQ(b.Command({"open", document}), "");
    Burst(b, 0);
    QTest::qWait(2500); // a couple of idle seconds
    QJsonObject state = b.Json("state");
    EXPECT_EQ(state.value("notices").toInt(), 1);
    EXPECT_TRUE(state.value("notice").toString().contains("is a file")) << state.value("notice").toString().toStdString();
    EXPECT_GT(state.value("unwritten").toInt(), 0);
    EXPECT_EQ(LogCount(b, "Changes are not shared with the other instances"), 1);
    EXPECT_EQ(LogCount(b, "driver asked: Changes made here are not shared"), 1);

    // Once the folder can be made, the edits are shared and the user is told.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(Eventually([&] { return b.Json("state").value("unwritten").toInt() == 0; }));
    state = b.Json("state");
    EXPECT_EQ(state.value("notices").toInt(), 2);
    EXPECT_TRUE(state.value("notice").toString().isEmpty());
    EXPECT_EQ(LogCount(b, "shared with the other instances again"), 1);
    ExpectEverythingEverywhere({&b});
}

TEST_F(LosslessSyncTest, AFullDiskKeepsEveryFileAndEveryEdit)
{
    testsupport::TSmallFileSystem disk(2 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    document = disk.Path() + QStringLiteral("/plan.zop");
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    for (int round = 0; round < 3; ++round)
        Burst(a, round);
    ASSERT_TRUE(Eventually([&] { return Mismatch(b).isEmpty(); }));
    const QByteArray savedDocument = testsupport::readFile(document);

    ASSERT_TRUE(disk.FillUp(2048));
    for (int round = 3; round < 8; ++round)
        Burst(a, round);
    // The diff file cannot grow: A says so once, and keeps the edits.
    ASSERT_TRUE(Eventually([&] { return a.Json("state").value("notices").toInt() == 1; }, 5000));
    const QString notice = a.Json("state").value("notice").toString();
    EXPECT_TRUE(notice.contains("No space left on device")) << notice.toStdString();
    // Saving fails with the system's reason and leaves the document as it was; another
    // name on the same disk would not help, and the user is not told it would.
    EXPECT_EQ(a.Command({"save"}), "error save");
    EXPECT_GE(LogCount(a, "No space left on device"), 2);
    EXPECT_EQ(LogCount(a, "driver asked: File could not be saved, the disk of the folder \"" + disk.Path()), 1);
    EXPECT_EQ(LogCount(a, "\" is full."), 1);
    EXPECT_EQ(LogCount(a, "different filename"), 0);
    EXPECT_EQ(testsupport::readFile(document), savedDocument);
    QTest::qWait(1500);
    EXPECT_EQ(a.Json("state").value("notices").toInt(), 1);

    disk.Release();
    ExpectEverythingEverywhere({&a, &b});
    EXPECT_EQ(a.Json("state").value("notices").toInt(), 2); // and sharing is back
    ASSERT_EQ(a.Command({"save"}), "");
    Burst(b, 9);
    ExpectEverythingEverywhere({&a, &b});
}

TEST_F(LosslessSyncTest, ASaveNoticedLateAsOnANetworkShareOnlyDelays)
{
    TSyncDriverProcess &a = Driver("hosta");
    // B sees file times, existence and listings up to two seconds late.
    TSyncDriverProcess &b = Driver("hostb", {{QStringLiteral("VELMORA_SYNC_VIEW_DELAY"), QStringLiteral("2000")}});
    Share(a, {&b});
    Burst(a, 0);
    Burst(b, 0);
    ASSERT_TRUE(Eventually([&] { return Mismatch(a).isEmpty() && Mismatch(b).isEmpty(); }));
    ASSERT_EQ(a.Command({"save"}), "");
    // B goes on writing into the generation A closed, adds rows and deletes one.
    for (int round = 1; round < 4; ++round) {
        Burst(b, round);
        QTest::qWait(300);
    }
    Burst(a, 1);
    ExpectEverythingEverywhere({&a, &b});
    const QString generation = a.Json("state").value("generation").toString();
    EXPECT_EQ(b.Json("state").value("generation").toString(), generation);

    // Row ids B used are never handed out again, not even after a restart.
    QSet<QString> used;
    for (const auto &[id, cells] : expected)
        used.insert(id);
    const QString deleted = b.Command({"add", "Comment", "short-lived"});
    ASSERT_EQ(b.Command({"delete", deleted}), "");
    used.insert(deleted);
    ASSERT_EQ(b.Command({"quit"}), "");
    ASSERT_TRUE(b.WaitForExit(5000));
    TSyncDriverProcess &again = Driver("hostb");
    ASSERT_EQ(again.Command({"open", document}), "");
    const QString id = Add(again, "after a restart");
    EXPECT_FALSE(used.contains(id)) << id.toStdString();
    ExpectEverythingEverywhere({&a, &again});
}

TEST_F(LosslessSyncTest, AGenerationAShareListsLateIsFoundByNumberAndNoEditWaitsInMemory)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    Burst(a, 0);
    // A's diff file and presence file are there before B first looks at the folder.
    ASSERT_TRUE(Eventually([&] { return a.Json("state").value("unwritten").toInt() == 0; }));
    // B's share answers for a name at once but lists new entries only 30 seconds late; B
    // gives a closed generation the usual grace time.
    TSyncDriverProcess &b = Driver("hostb", {{QStringLiteral("VELMORA_SYNC_LISTING_DELAY"), QStringLiteral("30000")},
                                             {QStringLiteral("VELMORA_SYNC_GRACE"), QStringLiteral("30000")}});
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(b.Command({"open", document}), "");
    Burst(b, 0);
    ASSERT_TRUE(Eventually([&] { return Mismatch(a).isEmpty() && Mismatch(b).isEmpty(); }))
        << Mismatch(a).toStdString() << " / " << Mismatch(b).toStdString();
    const auto written = [&](int ms) {
        return Eventually([&] { return b.Json("state").value("unwritten").toInt() == 0; }, ms);
    };

    // A saves; B edits on at once and finds A's generation by its number, long before its
    // listing shows it. Every edit is on disk within about one journal period (one scan a
    // second), in the closed generation or the new one.
    ASSERT_EQ(a.Command({"save"}), "");
    const QString generation = a.Json("state").value("generation").toString();
    for (int round = 1; round < 3; ++round) {
        Burst(b, round);
        EXPECT_TRUE(written(2500)) << "round " << round;
    }
    EXPECT_TRUE(Eventually([&] { return b.Json("state").value("generation").toString() == generation; }, 5000));
    EXPECT_LT(clock.elapsed(), 25000) << "the listing may have caught up";
    // A's diff file in the new generation is found by its name as well.
    Burst(a, 1);
    ExpectEverythingEverywhere({&a, &b}, 8000);
    // A save of B's while its listing still hides the new generation builds on it.
    ASSERT_EQ(b.Command({"save"}), "") << b.Output().toStdString();
    EXPECT_EQ(LogCount(b, "driver asked"), 0);
    Burst(a, 2);
    ExpectEverythingEverywhere({&a, &b}, 8000);

    // A dies in its next save with the generation closed and no successor: B's edits do not
    // wait in memory for the grace time, and a fresh opening finds them. (The fresh openings
    // so far end first: their shorter grace time would undo the dead save.)
    for (const auto &driver : drivers) {
        if (driver.get() != &a && driver.get() != &b) {
            ASSERT_EQ(driver->Command({"quit"}), "");
        }
    }
    ASSERT_TRUE(Eventually([&] { return a.Json("state").value("unwritten").toInt() == 0; }));
    a.Send({"crashsave", "locked"});
    ASSERT_TRUE(a.WaitForExit(10000));
    for (int round = 3; round < 6; ++round) {
        Burst(b, round);
        EXPECT_TRUE(written(2500)) << "round " << round;
    }
    ExpectEverythingEverywhere({&b}, 8000);
}

TEST_F(LosslessSyncTest, TwoSavesAtTheSameMomentBothSucceedOrSayPlainlyThatNothingIsLost)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QString plain = QStringLiteral("driver asked: Another instance is saving the document; nothing is lost.");
    int refusedA = 0;
    int refusedB = 0;
    for (int round = 0; round < 3; ++round) {
        Burst(a, round);
        Burst(b, round);
        // Told to save at once; each rests at every step of its save, so the two overlap.
        a.Send({"slowsave", "60"});
        b.Send({"slowsave", "60"});
        const QString answerA = a.Receive(30000);
        const QString answerB = b.Receive(30000);
        ASSERT_TRUE(a.Running() && b.Running()) << a.Output().toStdString() << b.Output().toStdString();
        EXPECT_TRUE(answerA.isEmpty() || answerB.isEmpty()) << answerA.toStdString() << " / " << answerB.toStdString();
        refusedA += answerA.isEmpty() ? 0 : 1;
        refusedB += answerB.isEmpty() ? 0 : 1;
        // A save that gives up says so plainly, and only then.
        EXPECT_EQ(LogCount(a, plain), refusedA) << answerA.toStdString();
        EXPECT_EQ(LogCount(b, plain), refusedB) << answerB.toStdString();
        Burst(a, round + 10);
        Burst(b, round + 10);
    }
    // The saves met (one of them followed the other) and no one was sent to another file name.
    EXPECT_GE(LogCount(a, "at the same moment; following it") + LogCount(b, "at the same moment; following it"), 1);
    EXPECT_EQ(LogCount(a, "different filename") + LogCount(b, "different filename"), 0);
    ExpectEverythingEverywhere({&a, &b});
}

TEST_F(LosslessSyncTest, ASaveKilledBeforeItsLockCopyHoldsNoLaterSaveBack)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    Burst(a, 0);
    Burst(b, 0);
    ASSERT_TRUE(Eventually([&] { return Mismatch(b).isEmpty(); })) << Mismatch(b).toStdString();
    // A dies with the next generation claimed and its base record written.
    a.Send({"crashsave", "based"});
    ASSERT_TRUE(a.WaitForExit(10000));
    Burst(b, 1);
    // B's save meets the dead claim, takes it away after the grace time and saves.
    ASSERT_EQ(b.Command({"save"}, 20000), "") << b.Output().toStdString();
    EXPECT_EQ(LogCount(b, "driver asked"), 0);
    EXPECT_EQ(LogCount(b, "that did not finish was undone"), 1);
    Burst(b, 2);
    ExpectEverythingEverywhere({&b});
}
