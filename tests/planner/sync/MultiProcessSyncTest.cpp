// Several real processes on one document in a temporary folder, each with the real idle step
// and scan: edits arrive everywhere, concurrent edits converge, saves make the others
// reload (leaving their undo steps alone), a writer dying in its save loses nothing, damaged
// files are survived and a file rewritten at its size is read again.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"
#include "sync/WorkingFolder.h"

namespace {

class MultiProcessSyncTest : public SyncDriverTest
{
protected:
    // All drivers show the same rows, and `check` holds for them.
    bool Converged(const std::vector<TSyncDriverProcess *> &all,
                   const std::function<bool(const QJsonObject &)> &check, int ms = 15000)
    {
        return Eventually([&] {
            const QJsonObject first = all.front()->Json("dump");
            for (TSyncDriverProcess *driver : all)
                if (driver->Json("dump") != first)
                    return false;
            return check(first);
        }, ms);
    }
    static QString Cell(const QJsonObject &rows, const QString &id, const QString &caption)
    {
        return rows.value(id).toObject().value(caption).toString(QStringLiteral("<none>"));
    }
    static QString Dump(TSyncDriverProcess &driver)
    {
        return QString::fromUtf8(QJsonDocument(driver.Json("dump")).toJson());
    }

};

} // namespace

TEST_F(MultiProcessSyncTest, DisjointEditsOfTwoWritersArriveEverywhere)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    EXPECT_EQ(a.Json("state").value("identity").toString().section('.', 0, 0), "hosta");
    EXPECT_EQ(b.Json("state").value("identity").toString().section('.', 0, 0), "hostb");

    const QString rowA = a.Command({"add", "Comment", "from A"});
    const QString rowB = b.Command({"add", "Comment", "from B"});
    ASSERT_TRUE(rowA.startsWith("hosta.")) << rowA.toStdString();
    ASSERT_TRUE(rowB.startsWith("hostb.")) << rowB.toStdString();
    ASSERT_EQ(a.Command({"set", rowA, "Position", "Position 1"}), "");
    EXPECT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return Cell(rows, rowA, "Comment") == "from A" && Cell(rows, rowA, "Position") == "Position 1"
               && Cell(rows, rowB, "Comment") == "from B";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
}

TEST_F(MultiProcessSyncTest, ConcurrentEditsOfOneCellConvergeByChangeIndexThenIdentity)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    TSyncDriverProcess &c = Driver("hostc");
    Share(a, {&b, &c});
    const QString row = a.Command({"add", "Comment", "start"});
    ASSERT_TRUE(Converged({&a, &b, &c}, [&](const QJsonObject &rows) { return Cell(rows, row, "Comment") == "start"; }));

    // The same cell at once everywhere, each with the same change index: the identity that
    // sorts last wins in every instance. C's text reaches the others last: A gives way to B's
    // text first.
    ASSERT_EQ(c.Command({"set", row, "Comment", "C"}), "");
    ASSERT_EQ(::kill(pid_t(c.Pid()), SIGSTOP), 0);
    ASSERT_EQ(a.Command({"set", row, "Comment", "A"}), "");
    ASSERT_EQ(b.Command({"set", row, "Comment", "B"}), "");
    EXPECT_TRUE(Eventually([&] { return Cell(a.Json("dump"), row, "Comment") != "A"; }));
    ASSERT_EQ(::kill(pid_t(c.Pid()), SIGCONT), 0);
    EXPECT_TRUE(Converged({&a, &b, &c}, [&](const QJsonObject &rows) { return Cell(rows, row, "Comment") == "C"; }))
        << Dump(a).toStdString() << Dump(b).toStdString() << Dump(c).toStdString();
    // The users whose texts went are told so, naming row and column and the user whose text
    // stands: C. A may learn of B's text before C's, and is told again once C's stands; the
    // winner is not told.
    const QString told = "driver message: Conflict: what you wrote in row 1, column Comment, was replaced by what ";
    const QString byC = told + c.Json("state").value("identity").toString() + " wrote at the same moment.";
    EXPECT_TRUE(Eventually([&] { return LogCount(a, byC) == 1 && LogCount(b, byC) == 1; }))
        << LogCount(a, byC) << " " << LogCount(b, byC) << " " << LogCount(a, told);
    const int toldA = LogCount(a, told);
    EXPECT_LE(toldA, 2);
    EXPECT_EQ(LogCount(b, told), 1);
    EXPECT_EQ(LogCount(c, "driver message: Conflict"), 0);

    // A writer who changed the row more often wins over a later identity.
    ASSERT_EQ(a.Command({"set", row, "Comment", "A1"}), "");
    ASSERT_EQ(a.Command({"set", row, "Length", "3"}), "");
    ASSERT_EQ(b.Command({"set", row, "Comment", "B1"}), "");
    EXPECT_TRUE(Converged({&a, &b, &c}, [&](const QJsonObject &rows) {
        return Cell(rows, row, "Comment") == "A1" && Cell(rows, row, "Length") == "3";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
    EXPECT_EQ(LogCount(a, "driver message: Conflict"), toldA); // the winner of a rebuild is not told
}

TEST_F(MultiProcessSyncTest, ASaveMakesTheOthersReloadAndKeepTheirUnwrittenEdits)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QString row = a.Command({"add", "Comment", "before"});
    ASSERT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) { return Cell(rows, row, "Comment") == "before"; }));

    // B edits and A saves right away: B's edit may not have reached any file yet.
    const QString own = b.Command({"add", "Comment", "B's unsaved row"});
    ASSERT_EQ(b.Command({"set", row, "Position", "Position 2"}), "");
    ASSERT_EQ(a.Command({"save"}), "");
    const QString generation = a.Json("state").value("generation").toString();
    EXPECT_TRUE(Eventually([&] {
        const QJsonObject state = b.Json("state");
        return state.value("generation").toString() == generation && !state.value("reload").toBool();
    })) << b.Output().toStdString();
    EXPECT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return Cell(rows, own, "Comment") == "B's unsaved row" && Cell(rows, row, "Position") == "Position 2"
               && Cell(rows, row, "Comment") == "before";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
}

TEST_F(MultiProcessSyncTest, AWriterKilledInItsSaveLosesNothingThatReachedADiffFile)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QString rowA = a.Command({"add", "Comment", "A's row"});
    const QString rowB = b.Command({"add", "Comment", "B's row"});
    ASSERT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return Cell(rows, rowA, "Comment") == "A's row" && Cell(rows, rowB, "Comment") == "B's row";
    }));

    // A dies after its lock copy and the new generation folder, before the working copy.
    a.Command({"crashsave", "locked"}, 3000);
    EXPECT_TRUE(a.WaitForExit(5000));
    // B carries on in the new generation.
    ASSERT_EQ(b.Command({"set", rowA, "Comment", "B changed A's row"}), "");

    // The next instance opens the document and finds everything.
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "") << c.Output().toStdString();
    EXPECT_TRUE(Converged({&b, &c}, [&](const QJsonObject &rows) {
        return Cell(rows, rowA, "Comment") == "B changed A's row" && Cell(rows, rowB, "Comment") == "B's row";
    })) << Dump(b).toStdString() << Dump(c).toStdString();
}

TEST_F(MultiProcessSyncTest, DamagedForeignDiffFilesAreSurvived)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QString generation = QFileInfo(document).absolutePath() + "/.zop/plan.zop/"
                               + a.Json("state").value("generation").toString() + "/";
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(generation + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("x.truncated.1.diff", "<?xml version=\"1.0\"?><document><setup /><data /><diff index=\"2\">"
                                "<new id=\"x.1\" index=\"1\"><__change__>0</__change__><__table__>tbTable</__table__>");
    static const char garbage[] = "zip\0\xff\xff\xff\x7f garbage";
    write("x.garbage.1.diff", QByteArray(garbage, sizeof garbage - 1));
    write("x.huge.1.diff", "<?xml version=\"1.0\"?><document><setup /><data /><diff index=\"2147483647\">"
                           "<new id=\"x.huge\" index=\"2147483647\"><__change__>2147483647</__change__>"
                           "<__user__>x.huge</__user__><__table__>tbTable</__table__><Comment>huge</Comment></new>"
                           "</diff></document>\r\n");
    write("x.empty.1.diff", "");

    const QString row = a.Command({"add", "Comment", "still working"});
    EXPECT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return Cell(rows, row, "Comment") == "still working" && Cell(rows, "x.huge", "Comment") == "huge"
               && !rows.contains("x.1");
    })) << Dump(a).toStdString() << Dump(b).toStdString();
    EXPECT_TRUE(a.Running());
    EXPECT_TRUE(b.Running());
}

namespace {

// Another user's diff file with its first `events` events, padded to `size` bytes in its
// empty setup element, so that every version has one size.
QByteArray ForeignDiffFile(int events, int size = 0)
{
    static const char *texts[] = {"first", "second", "third"};
    QString body;
    for (int i = 1; i <= events; ++i) {
        body += i == 1 ? QStringLiteral("<new id=\"other.bob.1\" index=\"1\"><__change__>0</__change__>"
                                        "<__user__>other.bob</__user__><__table__>tbTable</__table__>"
                                        "<Comment>first</Comment></new>")
                       : QStringLiteral("<change id=\"other.bob.1\" index=\"%1\"><__change__>%2</__change__>"
                                        "<__user__>other.bob</__user__><Comment>%3</Comment></change>")
                             .arg(QString::number(i), QString::number(i - 1), QLatin1String(texts[i - 1]));
    }
    const QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup><padding>");
    const QString tail = QStringLiteral("</padding></setup><data /><diff index=\"%1\">%2</diff></document>\r\n")
                             .arg(QString::number(events), body);
    const int padding = std::max(0, size - int(head.size() + tail.size()));
    return (head + QString(padding, QLatin1Char('x')) + tail).toLatin1();
}

} // namespace

TEST_F(MultiProcessSyncTest, ADiffFileRewrittenAtItsSizeIsAppliedWithinTheScanTimers)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    const QString generation = QFileInfo(document).absolutePath() + "/.zop/plan.zop/"
                               + a.Json("state").value("generation").toString() + "/";
    const QString path = generation + "other.bob.1.diff";
    const int size = int(ForeignDiffFile(3).size()) + 10;
    const QByteArray versions[] = {ForeignDiffFile(1, size), ForeignDiffFile(2, size), ForeignDiffFile(3, size)};
    for (const QByteArray &version : versions)
        ASSERT_EQ(version.size(), size);

    // As its writer does: a temporary file renamed over the diff file.
    const auto replace = [&](const QByteArray &bytes, qint64 modified) {
        const QString temporary = generation + "other.bob.tmp";
        ASSERT_TRUE(testsupport::writeFile(temporary, bytes));
        if (modified > 0) {
            const struct timespec times[2] = {{0, UTIME_OMIT},
                                              {time_t(modified / 1000000000LL), long(modified % 1000000000LL)}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(temporary).constData(), times, 0), 0);
        }
        ASSERT_EQ(::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()), 0);
    };
    replace(versions[0], 0);
    EXPECT_TRUE(a.Command({"waitfor", "other.bob.1", "Comment", "first", "5000"}, 6000).endsWith("other.bob.1"));

    // Rewritten in place, one more event at the same size: read again by the next scans.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write(versions[1]), size);
    }
    EXPECT_TRUE(a.Command({"waitfor", "other.bob.1", "Comment", "second", "4000"}, 5000).endsWith("other.bob.1"))
        << a.Output().toStdString();

    // Replaced at the same size and with the same write time to the nanosecond: a new file.
    replace(versions[2], FileStampInView(path).Modified);
    EXPECT_TRUE(a.Command({"waitfor", "other.bob.1", "Comment", "third", "4000"}, 5000).endsWith("other.bob.1"))
        << a.Output().toStdString();
    EXPECT_EQ(QFileInfo(path).size(), size);
}

TEST_F(MultiProcessSyncTest, UndoAfterFollowingAnotherSaveTakesBackExactlyTheLastAction)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QString first = b.Command({"add", "Comment", "B's first row"});
    const QString second = b.Command({"add", "Comment", "B's second row"});
    const int steps = b.Json("state").value("undo").toInt();
    ASSERT_GT(steps, 0);
    // A saves at once: B's last rows are in no file yet, most likely, and B carries them over.
    ASSERT_EQ(a.Command({"save"}), "");
    const QString generation = a.Json("state").value("generation").toString();
    ASSERT_TRUE(Eventually([&] {
        const QJsonObject state = b.Json("state");
        return state.value("generation").toString() == generation && !state.value("reload").toBool();
    })) << b.Output().toStdString();
    ASSERT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return Cell(rows, first, "Comment") == "B's first row" && Cell(rows, second, "Comment") == "B's second row";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
    EXPECT_EQ(b.Json("state").value("undo").toInt(), steps);

    // One Undo: the second row goes with its text, the first stays; everywhere.
    ASSERT_EQ(b.Command({"undo"}), "");
    EXPECT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) {
        return !rows.contains(second) && Cell(rows, first, "Comment") == "B's first row";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
    ASSERT_EQ(b.Command({"undo"}), "");
    EXPECT_TRUE(Converged({&a, &b}, [&](const QJsonObject &rows) { return !rows.contains(first) && !rows.contains(second); }))
        << Dump(a).toStdString() << Dump(b).toStdString();
    EXPECT_EQ(b.Json("state").value("undo").toInt(), 0);
}
