// Rows stand in the same order in every instance: one that watched, and one that opens the
// document afresh from its journal. Rows undo brings back, also while others delete and undo at
// the same moment, and rows several users add at the same moment.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

#include "planner/sync/SyncDriverTest.h"

namespace {

class MultiProcessRowOrderTest : public SyncDriverTest
{
protected:
    static QStringList Order(TSyncDriverProcess &driver)
    {
        QStringList texts;
        for (const QJsonValue &text : QJsonDocument::fromJson(driver.Command({"order", "Comment"}).toUtf8()).array())
            texts.append(text.toString());
        return texts;
    }
    // Every driver shows the rows in the order given.
    bool InOrder(const std::vector<TSyncDriverProcess *> &all, const QStringList &expected)
    {
        return Eventually([&] {
            for (TSyncDriverProcess *driver : all)
                if (Order(*driver) != expected)
                    return false;
            return true;
        });
    }
    // Rows "row 0" ... by A, saved, and B following.
    QStringList Rows(TSyncDriverProcess &a, TSyncDriverProcess &b, int count)
    {
        QStringList rows;
        for (int i = 0; i < count; ++i) {
            rows.append(QStringLiteral("row %1").arg(i));
            ids.append(a.Command({"add", "Comment", rows.last()}));
        }
        EXPECT_EQ(a.Command({"save"}), "");
        EXPECT_TRUE(InOrder({&a, &b}, rows)) << Order(b).join(',').toStdString();
        return rows;
    }

    QStringList ids;
};

} // namespace

TEST_F(MultiProcessRowOrderTest, AnUndoneDeletionStandsInItsPlaceEverywhere)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QStringList rows = Rows(a, b, 6);

    ASSERT_EQ(a.Command({"delete", ids[2]}), "");
    ASSERT_TRUE(InOrder({&a, &b}, QStringList(rows).mid(0, 2) + rows.mid(3)));
    ASSERT_EQ(a.Command({"undo"}), "");
    EXPECT_TRUE(InOrder({&a, &b}, rows)) << Order(b).join(',').toStdString();

    // Opened afresh: the working copy, then the journal.
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_EQ(Order(c), rows);
}

TEST_F(MultiProcessRowOrderTest, AClearedTableUndoneKeepsItsOrderEverywhere)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QStringList rows = Rows(a, b, 12);

    // Cleared in one step, as an import clears the table first, and undone.
    ASSERT_EQ(a.Command({"deleteall"}), "");
    ASSERT_TRUE(InOrder({&a, &b}, {}));
    ASSERT_EQ(a.Command({"undo"}), "");
    EXPECT_TRUE(InOrder({&a, &b}, rows)) << Order(b).join(',').toStdString();

    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_EQ(Order(c), rows);
}

TEST_F(MultiProcessRowOrderTest, UndoneDeletionsComeBackBetweenTheirNeighboursWhateverOthersDeleted)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    const QStringList rows = Rows(a, b, 6);
    const auto without = [&](std::initializer_list<int> gone) {
        QStringList left;
        for (int i = 0; i < rows.size(); ++i)
            if (std::find(gone.begin(), gone.end(), i) == gone.end())
                left.append(rows[i]);
        return left;
    };

    // A deletes r1, B deletes r3; both see both. B's undo puts r3 back after r2, not at the
    // index it had.
    ASSERT_EQ(a.Command({"delete", ids[1]}), "");
    ASSERT_EQ(b.Command({"delete", ids[3]}), "");
    ASSERT_TRUE(InOrder({&a, &b}, without({1, 3})));
    ASSERT_EQ(b.Command({"undo"}), "");
    EXPECT_TRUE(InOrder({&a, &b}, without({1}))) << Order(a).join(',').toStdString();

    // B deletes r3 again; then both undo at the same moment and every instance ends alike.
    QString again;
    for (const auto &[id, cells] : b.Json("dump").toVariantMap().toStdMap())
        if (cells.toMap().value("Comment").toString() == rows[3])
            again = id;
    ASSERT_EQ(b.Command({"delete", again}), "");
    ASSERT_TRUE(InOrder({&a, &b}, without({1, 3})));
    a.Send({"undo"});
    b.Send({"undo"});
    ASSERT_EQ(a.Receive(), "");
    ASSERT_EQ(b.Receive(), "");
    EXPECT_TRUE(InOrder({&a, &b}, rows)) << Order(a).join(',').toStdString() << " / " << Order(b).join(',').toStdString();
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_EQ(Order(c), rows);
    ASSERT_EQ(b.Command({"save"}), "");
    EXPECT_TRUE(InOrder({&a, &b, &c}, rows));
}

TEST_F(MultiProcessRowOrderTest, RowsAddedAtTheSameMomentStandInOneOrderEverywhere)
{
    TSyncDriverProcess &a = Driver("hosta");
    TSyncDriverProcess &b = Driver("hostb");
    Share(a, {&b});
    for (int i = 0; i < 10; ++i) {
        a.Send({"add", "Comment", QStringLiteral("a%1").arg(i)});
        b.Send({"add", "Comment", QStringLiteral("b%1").arg(i)});
        ASSERT_TRUE(a.Receive().startsWith("hosta."));
        ASSERT_TRUE(b.Receive().startsWith("hostb."));
    }
    ASSERT_TRUE(Eventually([&] { return Order(a).size() == 20 && Order(a) == Order(b); }))
        << Order(a).join(',').toStdString() << " / " << Order(b).join(',').toStdString();
    const QStringList order = Order(a);
    // Each user's rows in the order that user added them.
    for (const QString &user : {QStringLiteral("a"), QStringLiteral("b")}) {
        const QStringList own = order.filter(QRegularExpression("^" + user));
        for (int i = 0; i < own.size(); ++i)
            EXPECT_EQ(own[i], user + QString::number(i));
    }
    // A fresh opening computes the same order from the journals.
    TSyncDriverProcess &c = Driver("hostc");
    ASSERT_EQ(c.Command({"open", document}), "");
    EXPECT_EQ(Order(c), order);
}
