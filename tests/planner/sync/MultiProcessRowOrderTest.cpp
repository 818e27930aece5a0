// Rows that undo brings back stand in the same places in every instance: one that watched, and
// one that opens the document afresh from its journal.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

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
