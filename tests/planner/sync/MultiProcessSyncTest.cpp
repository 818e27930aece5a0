// Several real processes on one document in a temporary folder, each with the real idle step
// and scan: edits arrive everywhere, concurrent edits converge, saves make the others
// reload, a writer dying in its save loses nothing, and damaged files are survived.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "planner/sync/SyncDriverTest.h"

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
    // sorts last wins in every instance.
    ASSERT_EQ(c.Command({"set", row, "Comment", "C"}), "");
    ASSERT_EQ(a.Command({"set", row, "Comment", "A"}), "");
    ASSERT_EQ(b.Command({"set", row, "Comment", "B"}), "");
    EXPECT_TRUE(Converged({&a, &b, &c}, [&](const QJsonObject &rows) { return Cell(rows, row, "Comment") == "C"; }))
        << Dump(a).toStdString() << Dump(b).toStdString() << Dump(c).toStdString();

    // A writer who changed the row more often wins over a later identity.
    ASSERT_EQ(a.Command({"set", row, "Comment", "A1"}), "");
    ASSERT_EQ(a.Command({"set", row, "Length", "3"}), "");
    ASSERT_EQ(b.Command({"set", row, "Comment", "B1"}), "");
    EXPECT_TRUE(Converged({&a, &b, &c}, [&](const QJsonObject &rows) {
        return Cell(rows, row, "Comment") == "A1" && Cell(rows, row, "Length") == "3";
    })) << Dump(a).toStdString() << Dump(b).toStdString();
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
