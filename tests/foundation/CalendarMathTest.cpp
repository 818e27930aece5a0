#include <gtest/gtest.h>

#include <QDate>

#include "CalendarMath.h"

namespace {

TDateTime day(int y, int m, int d) { return EncodeDate(y, m, d); }

} // namespace

TEST(CalendarMathTest, EncodeDecodeAgreeWithTheDateFunctions)
{
    // Every 13th day over the supported years, plus both ends.
    for (qint64 t = qint64(MinDateTime); t <= qint64(MaxDateTime); t += 13) {
        int y = 0, m = 0, d = 0;
        // A time of day is subtracted before day 0.
        OptDecodeDateW(t < 0 ? double(t) - 0.75 : double(t) + 0.75, y, m, d);
        int ey = 0, em = 0, ed = 0;
        DecodeDate(double(t), ey, em, ed);
        ASSERT_EQ(y, ey) << t;
        ASSERT_EQ(m, em) << t;
        ASSERT_EQ(d, ed) << t;
        ASSERT_EQ(OptEncodeDateW(y, m, d), double(t));
    }
    int y = 0, m = 0, d = 0;
    OptDecodeDateW(MaxDateTime, y, m, d);
    EXPECT_EQ(QDate(y, m, d), QDate(9999, 12, 31));
    OptDecodeDateW(MinDateTime, y, m, d);
    EXPECT_EQ(QDate(y, m, d), QDate(1, 1, 1));
    // Outside the calendar nothing is made up.
    OptDecodeDateW(MinDateTime - 1, y, m, d);
    EXPECT_EQ(y + m + d, 0);
    OptDecodeDateW(1e300, y, m, d);
    EXPECT_EQ(y + m + d, 0);
}

TEST(CalendarMathTest, InvalidDatesRaise)
{
    for (const auto &[y, m, d] : {std::tuple{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {10000, 1, 1},
                                  {2024, 0, 1}, {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}}) {
        try {
            OptEncodeDateW(y, m, d);
            ADD_FAILURE() << y << "-" << m << "-" << d << " was accepted";
        } catch (const EConvertError &error) {
            EXPECT_STREQ(error.what(), "Invalid Date");
        }
    }
    EXPECT_EQ(OptEncodeDateW(2000, 2, 29), day(2000, 2, 29));
    EXPECT_THROW(GetEasterSunday(0), EConvertError);
}

TEST(CalendarMathTest, EasterSundays)
{
    EXPECT_EQ(GetEasterSunday(2019), day(2019, 4, 21));
    EXPECT_EQ(GetEasterSunday(2024), day(2024, 3, 31));
    EXPECT_EQ(GetEasterSunday(2025), day(2025, 4, 20));
    EXPECT_EQ(GetEasterSunday(2038), day(2038, 4, 25)); // the latest possible date
    EXPECT_EQ(GetEasterSunday(2008), day(2008, 3, 23));
    EXPECT_EQ(GetEasterSunday(2285), day(2285, 3, 22)); // the earliest possible date
    EXPECT_EQ(GetEasterSunday(1954), day(1954, 4, 18));
    EXPECT_EQ(GetEasterSunday(1981), day(1981, 4, 19));
    EXPECT_EQ(GetEasterSunday(2000), day(2000, 4, 23));
    // Always a Sunday between 22 March and 25 April.
    for (int year = 1583; year <= 9999; year += 7) {
        const TDateTime easter = GetEasterSunday(year);
        ASSERT_EQ(ISODayOfWeek(easter), 7) << year;
        ASSERT_GE(easter, day(year, 3, 22)) << year;
        ASSERT_LE(easter, day(year, 4, 25)) << year;
    }
    EXPECT_EQ(GetGoldenNumber(2024), 11);
    EXPECT_EQ(GetGoldenNumber(2014), 1);
}

TEST(CalendarMathTest, IsoWeeksAtYearBoundaries)
{
    int week = 0, year = 0;
    Date2ISOWeekNo(day(2021, 1, 1), week, year);
    EXPECT_EQ(week, 53);
    EXPECT_EQ(year, 2020);
    Date2ISOWeekNo(day(2019, 12, 30), week, year);
    EXPECT_EQ(week, 1);
    EXPECT_EQ(year, 2020);
    Date2ISOWeekNo(day(2026, 12, 31) + 0.5, week, year);
    EXPECT_EQ(week, 53);
    EXPECT_EQ(year, 2026);
    Date2ISOWeekNo(day(2027, 1, 3), week, year);
    EXPECT_EQ(week, 53);
    EXPECT_EQ(year, 2026);
    Date2ISOWeekNo(day(2027, 1, 4), week, year);
    EXPECT_EQ(week, 1);
    EXPECT_EQ(year, 2027);
    Date2ISOWeekNo(day(2024, 12, 30), week, year);
    EXPECT_EQ(week, 1);
    EXPECT_EQ(year, 2025);

    EXPECT_EQ(ISOWeeksInYear(2020), 53);
    EXPECT_EQ(ISOWeeksInYear(2021), 52);
    EXPECT_EQ(ISOWeeksInYear(2015), 53);
    EXPECT_EQ(ISOWeeksInYear(2026), 53);

    // Qt's own week numbers are the independent reference for a long stretch of days.
    for (TDateTime t = day(1990, 1, 1); t <= day(2060, 12, 31); t += 1) {
        const QDate date = DateTimeToQDate(t);
        int qtYear = 0;
        const int qtWeek = date.weekNumber(&qtYear);
        Date2ISOWeekNo(t, week, year);
        ASSERT_EQ(week, qtWeek) << date.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(year, qtYear) << date.toString(Qt::ISODate).toStdString();
    }
}

TEST(CalendarMathTest, StartsOfWeeksMonthsAndYears)
{
    const TDateTime sunday = day(2024, 6, 2) + 0.25;
    EXPECT_EQ(StartOfWeek(sunday), sunday);
    EXPECT_EQ(StartOfISOWeek(sunday), day(2024, 5, 27) + 0.25);
    EXPECT_EQ(StartOfWeek(day(2024, 6, 8) + 0.5), day(2024, 6, 2) + 0.5);
    EXPECT_EQ(StartOfISOWeek(day(2024, 6, 3)), day(2024, 6, 3));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ISODayOfWeek(day(2024, 5, 27) + i + 0.9), i + 1);

    EXPECT_EQ(GetFirstDayOfMonth(day(2024, 2, 29) + 0.75), day(2024, 2, 1) + 0.75);
    EXPECT_EQ(GetFirstDayOfYear(2024), day(2024, 1, 1));
    EXPECT_EQ(Date2Year(day(1999, 12, 31) + 0.999), 1999);

    // Across day 0 the time of day stays the time of day.
    const TDateTime lateDecember = EncodeDateTime(1899, 12, 31, 12, 0, 0, 0);
    EXPECT_EQ(GetFirstDayOfMonth(lateDecember), EncodeDateTime(1899, 12, 1, 12, 0, 0, 0));
    const TDateTime saturday = EncodeDateTime(1899, 12, 30, 18, 0, 0, 0);
    EXPECT_EQ(StartOfWeek(saturday), EncodeDateTime(1899, 12, 24, 18, 0, 0, 0));
    EXPECT_EQ(StartOfISOWeek(saturday), EncodeDateTime(1899, 12, 25, 18, 0, 0, 0));

    EXPECT_EQ(DaysApart(day(2024, 1, 1) + 0.9, day(2024, 1, 3) + 0.1), 2);
    EXPECT_EQ(DaysApart(day(2024, 1, 3), day(2024, 1, 1)), -2);
}
