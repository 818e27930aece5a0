#include <gtest/gtest.h>

#include "DateList.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace {

// Days since 1899-12-30, worked out through QDate so that the test does not lean on the
// date arithmetic under test elsewhere.
TDateTime day(int year, int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return double(QDate(1899, 12, 30).daysTo(QDate(year, month, dayOfMonth))) + (hour * 60 + minute) / 1440.0;
}

} // namespace

TEST(DateList, SortsAbsencesByStartThenEnd)
{
    tDateList list;
    list.Add(day(2024, 3, 4), day(2024, 3, 9), 2, nullptr, QStringLiteral("Urlaub"));
    list.Add(day(2024, 1, 15), day(2024, 1, 17), 0, nullptr, QStringLiteral("krank"));
    list.Add(day(2024, 3, 4), day(2024, 3, 5), 1, nullptr, QStringLiteral("Schulung"));
    list.Add(day(2023, 12, 25), day(2023, 12, 26), -9, nullptr, QStringLiteral("1. Weihnachtstag"));
    list.Add(day(2024, 3, 4, 8, 30), day(2024, 3, 4, 12, 0), 1, nullptr, QStringLiteral("Arzt"));
    list.SortDate();

    ASSERT_EQ(list.Count(), 5);
    const QStringList expected = {QStringLiteral("1. Weihnachtstag"), QStringLiteral("krank"),
                                  QStringLiteral("Schulung"), QStringLiteral("Urlaub"), QStringLiteral("Arzt")};
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Items(i)->name, expected[i]) << i;
    EXPECT_EQ(list.Items(0)->position, -9);
    EXPECT_EQ(list.Items(2)->ende, day(2024, 3, 5));
    EXPECT_EQ(list.Items(3)->value, 0.0);
}

TEST(DateList, RandomListsComeOutOrdered)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> offset(0, 60);
    std::uniform_int_distribution<int> length(1, 5);
    tDateList list;
    int marker = 0;
    for (int n = 0; n < 400; ++n) {
        const TDateTime start = day(2025, 1, 1) + offset(rng);
        auto item = TDateListItem::create(start, start + length(rng), n % 7, reinterpret_cast<TNodeData *>(&marker),
                                          QString::number(n));
        item->value = n;
        EXPECT_EQ(list.Add(std::move(item)), n);
    }
    list.SortDate();
    ASSERT_EQ(list.Count(), 400);
    std::vector<bool> seen(400, false);
    for (int i = 0; i < list.Count(); ++i) {
        const TDateListItem *item = list.Items(i);
        if (i > 0) {
            const TDateListItem *before = list.Items(i - 1);
            ASSERT_TRUE(before->start < item->start || (before->start == item->start && before->ende <= item->ende));
        }
        // Every item moved as a whole.
        EXPECT_EQ(item->name, QString::number(int(item->value)));
        EXPECT_EQ(item->node, reinterpret_cast<TNodeData *>(&marker));
        seen[std::size_t(item->value)] = true;
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool b) { return b; }));
}

TEST(DateList, BadValuesAndIndexes)
{
    tDateList list;
    list.Add(std::nan(""), 1, 0, nullptr, QStringLiteral("broken"));
    list.Add(3, 4, 0, nullptr, QStringLiteral("b"));
    list.Add(1, 2, 0, nullptr, QStringLiteral("a"));
    list.SortDate(); // must not crash on the NaN; the valid items stay in order
    QStringList valid;
    for (int i = 0; i < list.Count(); ++i) {
        if (!std::isnan(list.Items(i)->start))
            valid << list.Items(i)->name;
    }
    EXPECT_EQ(valid, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    EXPECT_EQ(list.Add(std::unique_ptr<TDateListItem>()), -1);
    EXPECT_THROW(list.Items(3), std::out_of_range);
    EXPECT_THROW(list.GetItems(-1), std::out_of_range);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
