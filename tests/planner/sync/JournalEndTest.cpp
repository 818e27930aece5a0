// An instance's journal ends (it quits, opens another document, starts a new one, saves under
// another name, is killed) right after another instance saved: real processes, and every row
// the ending instance added is still there for a fresh opening. What cannot be carried over at
// once is asked about, and what a killed instance left is carried over when its user opens
// the document again.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QStringList>
#include <QTest>

#include <map>
#include <vector>

#include <signal.h>

#include "common/TestSupport.h"
#include "planner/sync/SyncDriverTest.h"

namespace {

class JournalEndTest : public SyncDriverTest
{
protected:
    // The working copy of a generation of the shared document.
    QString WorkingCopy(const QString &generation) const
    {
        return dir.filePath(QStringLiteral(".zop/plan.zop/") + generation + QStringLiteral("/plan.zop"));
    }
    // Replaces a file in one step, as a share delivers it.
    static void Replace(const QString &path, const QByteArray &bytes)
    {
        ASSERT_TRUE(testsupport::writeFile(path + QStringLiteral(".swap"), bytes));
        ASSERT_TRUE(QFile::rename(path + QStringLiteral(".swap"), path) || (QFile::remove(path)
                                                                           && QFile::rename(path + ".swap", path)));
    }
    // How often a driver asked its user to save, from its log (also once it has ended).
    int SaveQuestions(const QString &host) const
    {
        QFile log(logs.filePath(host + QStringLiteral(".log")));
        if (!log.open(QIODevice::ReadOnly))
            return 0;
        return int(log.readAll().count("driver asked: Do you want to save changes"));
    }
    // The ids among `rows` that the driver does not show with their texts.
    static QStringList Missing(TSyncDriverProcess &driver, const std::map<QString, QString> &rows)
    {
        const QJsonObject shown = driver.Json("dump");
        QStringList missing;
        for (const auto &[id, text] : rows)
            if (shown.value(id).toObject().value("Comment").toString() != text)
                missing << id;
        return missing;
    }
    // Waits until every event of the driver reached its diff file.
    static bool Written(TSyncDriverProcess &driver)
    {
        return Eventually([&] { return driver.Json("state").value("unwritten").toInt(-1) == 0; });
    }
};

} // namespace

TEST_F(JournalEndTest, AQuickQuitRightAfterAColleaguesSaveLosesNoRow)
{
    TSyncDriverProcess &a = Driver("hosta");
    ASSERT_EQ(a.Command({"create", document}), "");
    std::map<QString, QString> rows;
    for (int i = 0; i < 200; ++i) {
        const QString text = QStringLiteral("row %1").arg(i);
        rows[a.Command({"add", "Comment", text})] = text;
    }
    ASSERT_EQ(a.Command({"save"}), "");

    // A saves; B adds three rows and quits at once, over and over, a new user each time.
    constexpr int Rounds = 6;
    for (int round = 0; round < Rounds; ++round) {
        const QString host = QStringLiteral("quick%1").arg(round);
        TSyncDriverProcess &b = Driver(host);
        ASSERT_EQ(b.Command({"open", document}), "") << b.Output().toStdString();
        ASSERT_EQ(a.Command({"save"}), "");
        for (int i = 0; i < 3; ++i) {
            const QString text = QStringLiteral("%1 row %2").arg(host).arg(i);
            rows[b.Command({"add", "Comment", text})] = text;
        }
        ASSERT_EQ(b.Command({"quit"}), "") << b.Output().toStdString();
        ASSERT_TRUE(b.WaitForExit(10000));
        // Nothing was left to ask about.
        EXPECT_EQ(SaveQuestions(host), 0) << host.toStdString();
    }

    TSyncDriverProcess &fresh = Driver("fresh");
    ASSERT_EQ(fresh.Command({"open", document}), "");
    QStringList lost;
    EXPECT_TRUE(Eventually([&] { return (lost = Missing(fresh, rows)).isEmpty(); }, 5000))
        << lost.size() << " of " << 3 * Rounds << " rows lost: " << lost.join(' ').toStdString();
    EXPECT_TRUE(Eventually([&] { return Missing(a, rows).isEmpty(); }, 5000));
}

TEST_F(JournalEndTest, EveryRoadThatEndsAJournalKeepsTheRowsAddedAfterAColleaguesSave)
{
    TSyncDriverProcess &a = Driver("hosta");
    const QString other = dir.filePath(QStringLiteral("other.zop"));
    ASSERT_EQ(a.Command({"create", other}), "");
    ASSERT_EQ(a.Command({"create", document}), "");
    std::map<QString, QString> rows;
    rows[a.Command({"add", "Comment", "A's row"})] = "A's row";
    ASSERT_EQ(a.Command({"save"}), "");

    // When the rows are added: B cannot follow A's save yet (its working copy arrives late,
    // as a share may deliver it) and the road comes before B's scan wrote them, after it wrote
    // them into the closed generation, or while the newer generation still cannot be read.
    enum TCase { csPending, csWritten, csUnreadable };
    const std::vector<QString> roads{"quit", "open", "new", "saveto", "kill"};
    for (const QString &road : roads) {
        for (const TCase when : {csPending, csWritten, csUnreadable}) {
            // A killed instance loses what it had not written: that is what the journal is for.
            if (road == "kill" && when == csPending)
                continue;
            const QString host = QStringLiteral("%1%2").arg(road).arg(int(when));
            SCOPED_TRACE(host.toStdString());
            TSyncDriverProcess *b = &Driver(host);
            ASSERT_EQ(b->Command({"open", document}), "") << b->Output().toStdString();
            ASSERT_EQ(::kill(pid_t(b->Pid()), SIGSTOP), 0);
            ASSERT_EQ(a.Command({"save"}), "");
            const QString working = WorkingCopy(a.Json("state").value("generation").toString());
            const QByteArray saved = testsupport::readFile(working);
            ASSERT_FALSE(saved.isEmpty());
            static const char broken[] = "zip\0\x10\0\0\0broken";
            ASSERT_NO_FATAL_FAILURE(Replace(working, QByteArray(broken, sizeof broken - 1)));
            ASSERT_EQ(::kill(pid_t(b->Pid()), SIGCONT), 0);

            std::map<QString, QString> added;
            for (int i = 0; i < 3; ++i) {
                const QString text = QStringLiteral("%1 row %2").arg(host).arg(i);
                added[b->Command({"add", "Comment", text})] = text;
            }
            if (when != csPending) {
                ASSERT_TRUE(Written(*b));
            }
            if (when != csUnreadable) {
                ASSERT_NO_FATAL_FAILURE(Replace(working, saved));
            }

            const QString copy = dir.filePath(host + QStringLiteral(".zop"));
            const auto end = [&]() -> QString {
                if (road == "kill") {
                    b->Kill();
                    return QString();
                }
                if (road == "saveto")
                    return b->Command({"saveto", copy});
                if (road == "open")
                    return b->Command({"open", other});
                return b->Command({road});
            };
            const QString answer = end();
            const bool asks = when == csUnreadable && (road == "quit" || road == "open");
            if (asks) {
                // Nothing can go where the others read it: closing asks, and the save it
                // leads to cannot build on a generation it cannot read either.
                EXPECT_NE(answer, "");
                EXPECT_TRUE(b->Running());
                EXPECT_EQ(SaveQuestions(host), 1);
                ASSERT_NO_FATAL_FAILURE(Replace(working, saved));
                EXPECT_EQ(end(), "") << b->Output().toStdString();
            } else {
                EXPECT_EQ(answer, "") << b->Output().toStdString();
                EXPECT_EQ(SaveQuestions(host), 0);
                ASSERT_NO_FATAL_FAILURE(Replace(working, saved));
            }
            if (road == "kill") {
                // What the killed instance left is carried over when its user comes back.
                b = &Driver(host);
                ASSERT_EQ(b->Command({"open", document}), "") << b->Output().toStdString();
            }
            if (road == "saveto") {
                QStringList missing;
                TSyncDriverProcess &reader = Driver(host + QStringLiteral("copy"));
                ASSERT_EQ(reader.Command({"open", copy}), "");
                EXPECT_TRUE(Eventually([&] { return (missing = Missing(reader, added)).isEmpty(); }, 5000))
                    << missing.join(' ').toStdString();
                reader.Command({"quit"});
            }
            rows.insert(added.begin(), added.end());
        }
    }

    TSyncDriverProcess &fresh = Driver("fresh");
    ASSERT_EQ(fresh.Command({"open", document}), "");
    QStringList lost;
    EXPECT_TRUE(Eventually([&] { return (lost = Missing(fresh, rows)).isEmpty(); }, 5000))
        << lost.size() << " rows lost: " << lost.join(' ').toStdString();
    EXPECT_TRUE(Eventually([&] { return (lost = Missing(a, rows)).isEmpty(); }, 5000)) << lost.join(' ').toStdString();
}

TEST_F(JournalEndTest, RowsAKilledInstanceLeftInAClosedGenerationComeBackOnceWhenItsUserOpensAgain)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    ASSERT_EQ(a.Command({"save"}), "");
    ASSERT_TRUE(Eventually([&] { return b.Json("state").value("generation") == a.Json("state").value("generation"); }));

    // B writes its rows into the generation A's save closed, unable to follow yet, and dies.
    ASSERT_EQ(::kill(pid_t(b.Pid()), SIGSTOP), 0);
    ASSERT_EQ(a.Command({"save"}), "");
    const QString working = WorkingCopy(a.Json("state").value("generation").toString());
    const QByteArray saved = testsupport::readFile(working);
    ASSERT_NO_FATAL_FAILURE(Replace(working, "not a document"));
    ASSERT_EQ(::kill(pid_t(b.Pid()), SIGCONT), 0);
    std::map<QString, QString> rows;
    for (int i = 0; i < 3; ++i) {
        const QString text = QStringLiteral("B's row %1").arg(i);
        rows[b.Command({"add", "Comment", text})] = text;
    }
    ASSERT_TRUE(Written(b));
    b.Kill();
    ASSERT_NO_FATAL_FAILURE(Replace(working, saved));

    // Nobody reads that generation again: an opening of another user lacks the rows.
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_EQ(Missing(c, rows).size(), 3);

    // B's user opens the document again: the rows come back, for everyone.
    TSyncDriverProcess &b2 = Driver("hostb");
    ASSERT_EQ(b2.Command({"open", document}), "") << b2.Output().toStdString();
    EXPECT_TRUE(Missing(b2, rows).isEmpty()) << b2.Output().toStdString();
    EXPECT_TRUE(Eventually([&] { return Missing(c, rows).isEmpty() && Missing(a, rows).isEmpty(); }));

    // Once: a row another user changed since keeps that change through later openings and saves.
    const QString first = rows.begin()->first;
    ASSERT_EQ(c.Command({"set", first, "Comment", "changed by C"}), "");
    rows[first] = "changed by C";
    ASSERT_TRUE(Eventually([&] { return Missing(b2, rows).isEmpty(); }));
    ASSERT_EQ(b2.Command({"quit"}), "");
    ASSERT_TRUE(b2.WaitForExit(5000));
    ASSERT_TRUE(Eventually([&] { return Missing(a, rows).isEmpty(); }));
    ASSERT_EQ(a.Command({"save"}), "");
    TSyncDriverProcess &b3 = Driver("hostb");
    ASSERT_EQ(b3.Command({"open", document}), "");
    EXPECT_TRUE(Missing(b3, rows).isEmpty());
    TSyncDriverProcess &d = Driver("hostd");
    ASSERT_EQ(d.Command({"open", document}), "");
    EXPECT_TRUE(Eventually([&] { return Missing(d, rows).isEmpty() && Missing(c, rows).isEmpty(); }))
        << d.Json("dump").value(first).toObject().value("Comment").toString().toStdString();
}
