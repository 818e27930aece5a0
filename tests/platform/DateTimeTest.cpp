#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

#include "DateTime.h"

TEST(DateTimeTest, KnownDayNumbers)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
}

// Every day from year 1 to 9999 must decode to what it was encoded from, and the
// day numbers must be consecutive; QDate is the independent check of the calendar.
TEST(DateTimeTest, WholeRangeRoundTrip)
{
    double expected = EncodeDate(1, 1, 1);
    const qint64 offset = QDate(1899, 12, 30).toJulianDay();
    for (int year = 1; year <= 9999; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const int days = DaysInAMonth(year, month);
            ASSERT_EQ(days, QDate(year, month, 1).daysInMonth()) << year << "-" << month;
            for (int day = 1; day <= days; ++day) {
                const TDateTime value = EncodeDate(year, month, day);
                ASSERT_EQ(value, expected) << year << "-" << month << "-" << day;
                ASSERT_EQ(qint64(value), QDate(year, month, day).toJulianDay() - offset);
                int y = 0, m = 0, d = 0;
                DecodeDate(value, y, m, d);
                ASSERT_EQ(y, year);
                ASSERT_EQ(m, month);
                ASSERT_EQ(d, day);
                expected += 1;
            }
        }
    }
}

TEST(DateTimeTest, InvalidDatesAreRejected)
{
    TDateTime value = 123;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, value));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, value));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, value));
    EXPECT_FALSE(TryEncodeDate(2024, 13, 1, value));
    EXPECT_FALSE(TryEncodeDate(2024, 4, 31, value));
    EXPECT_FALSE(TryEncodeDate(2024, 1, 0, value));
    EXPECT_THROW(EncodeDate(2024, 2, 30), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTimeTest, TimesRoundToMilliseconds)
{
    int h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(EncodeTime(13, 45, 30, 250), h, m, s, ms);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(m, 45);
    EXPECT_EQ(s, 30);
    EXPECT_EQ(ms, 250);

    // One third of a day in floating point is 07:59:59.99999...; it must read 08:00.
    DecodeTime(1.0 / 3.0, h, m, s, ms);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(ms, 0);

    // Within half a millisecond of midnight the value is the next day at 00:00.
    int y = 0, mo = 0, d = 0;
    const TDateTime almost = EncodeDate(2024, 12, 31) + (MSecsPerDay - 0.2) / double(MSecsPerDay);
    DecodeDateTime(almost, y, mo, d, h, m, s, ms);
    EXPECT_EQ(y, 2025);
    EXPECT_EQ(mo, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(ms, 0);

    // Every minute of a day survives encode and decode.
    for (int minute = 0; minute < MinsPerDay; ++minute) {
        const TDateTime value = EncodeDateTime(2030, 6, 15, minute / 60, minute % 60, 0, 0);
        DecodeDateTime(value, y, mo, d, h, m, s, ms);
        ASSERT_EQ(d, 15);
        ASSERT_EQ(h * 60 + m, minute);
        ASSERT_EQ(s, 0);
        ASSERT_EQ(ms, 0);
    }
}

TEST(DateTimeTest, NegativeDatesKeepTheTimeAsAbsoluteFraction)
{
    const TDateTime value = EncodeDateTime(1899, 12, 29, 12, 0, 0, 0);
    EXPECT_EQ(value, -1.5);
    int y = 0, mo = 0, d = 0, h = 0, m = 0, s = 0, ms = 0;
    DecodeDateTime(value, y, mo, d, h, m, s, ms);
    EXPECT_EQ(y, 1899);
    EXPECT_EQ(mo, 12);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(h, 12);
    DecodeDateTime(EncodeDateTime(1, 1, 1, 6, 30, 15, 0), y, mo, d, h, m, s, ms);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(mo, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(m, 30);
    EXPECT_EQ(s, 15);
}

TEST(DateTimeTest, TruncFracAndRound)
{
    EXPECT_EQ(Trunc(2.75), 2.0);
    EXPECT_EQ(Trunc(-2.75), -2.0);
    EXPECT_EQ(Frac(2.75), 0.75);
    EXPECT_EQ(Frac(-2.75), -0.75);
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Round(127.5), 128);
    EXPECT_EQ(Round(2.4999), 2);
}

TEST(DateTimeTest, DaysOfTheWeek)
{
    // 2024-06-02 was a Sunday.
    const TDateTime sunday = EncodeDate(2024, 6, 2);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(DayOfWeek(sunday + i + 0.75), i + 1);
        EXPECT_EQ(DayOfTheWeek(sunday + i + 0.75), i == 0 ? 7 : i);
        EXPECT_EQ(WeekdayIndex(sunday + i + 0.75), i);
    }
    EXPECT_EQ(DayOfWeek(0), 7);                      // 1899-12-30, a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);    // a Monday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);
    for (double day = -800; day < 800; day += 37)
        EXPECT_EQ(DayOfTheWeek(day), DateTimeToQDate(day).dayOfWeek());
}

TEST(DateTimeTest, MonthsAndLeapYears)
{
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31)), EncodeDate(2023, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 11, 15), 14), EncodeDate(2026, 1, 15));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 5, 10) + 0.25, 1), EncodeDate(2024, 6, 10) + 0.25);
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
}

TEST(DateTimeTest, QtConversions)
{
    const TDateTime value = EncodeDateTime(2024, 3, 31, 2, 30, 0, 0);
    const QDateTime qt = DateTimeToQDateTime(value);
    EXPECT_EQ(qt.date(), QDate(2024, 3, 31));
    EXPECT_EQ(qt.time().hour(), 2);
    EXPECT_EQ(qt.time().minute(), 30);
    EXPECT_EQ(QDateTimeToDateTime(QDateTime(QDate(1850, 7, 4), QTime(18, 15, 5, 7))),
              EncodeDateTime(1850, 7, 4, 18, 15, 5, 7));
    EXPECT_EQ(QDateTimeToDateTime(QDateTime()), 0.0);
    EXPECT_EQ(DateTimeToQDate(EncodeDate(1999, 12, 31) + 0.9), QDate(1999, 12, 31));
    EXPECT_EQ(QDateToDateTime(QDate(2001, 9, 11)), EncodeDate(2001, 9, 11));

    const TDateTime now = Now();
    EXPECT_EQ(Trunc(now), Date()) << "may flake exactly at midnight";
    EXPECT_GE(Time(), 0.0);
    EXPECT_LT(Time(), 1.0);
}
