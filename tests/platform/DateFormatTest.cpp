#include <gtest/gtest.h>

#include <QLocale>

#include "DateFormat.h"

namespace {

// Each test runs with explicit patterns and goes back to the locale's afterwards.
class DateFormatTest : public ::testing::Test
{
protected:
    void TearDown() override { ResetDateFormats(); }

    static void useGerman() { SetDateFormats(QStringLiteral("dd.MM.yy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss")); }
    static void useUs() { SetDateFormats(QStringLiteral("M/d/yy"), QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss AP")); }

    static TDateTime parsed(const QString &text)
    {
        TDateTime value = -1e9;
        EXPECT_TRUE(TryStrToDateTime(text, value)) << text.toStdString();
        return value;
    }
    static bool rejects(const QString &text)
    {
        TDateTime value = 4242;
        const bool ok = TryStrToDateTime(text, value);
        return !ok && value == 4242;
    }
};

} // namespace

TEST_F(DateFormatTest, TwoDigitYearsBecomeFourDigits)
{
    EXPECT_EQ(ForceFourDigitYear(QStringLiteral("dd.MM.yy")), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(ForceFourDigitYear(QStringLiteral("M/d/yy")), QStringLiteral("M/d/yyyy"));
    EXPECT_EQ(ForceFourDigitYear(QStringLiteral("yyyy-MM-dd")), QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(ForceFourDigitYear(QStringLiteral("d 'yy' yy")), QStringLiteral("d 'yy' yyyy"));

    useGerman();
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), QStringLiteral("05.03.2024"));
    EXPECT_EQ(DateToStr(EncodeDate(1905, 12, 24) + 0.5), QStringLiteral("24.12.1905"));
    EXPECT_EQ(DateToStr(EncodeDate(2105, 1, 31)), QStringLiteral("31.01.2105"));
    EXPECT_EQ(DateTimeToShortStr(EncodeDateTime(2024, 3, 5, 14, 7, 0, 0)), QStringLiteral("05.03.2024 14:07"));
    EXPECT_EQ(DateTimeToShortStr(EncodeDate(2024, 3, 5)), QStringLiteral("05.03.2024"));
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 9, 7, 3, 0)), QStringLiteral("05.03.2024 09:07:03"));

    useUs();
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("M/d/yyyy"));
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), QStringLiteral("3/5/2024"));
    EXPECT_EQ(DateToStr(EncodeDate(1905, 12, 24)), QStringLiteral("12/24/1905"));
    EXPECT_EQ(DateTimeToShortStr(EncodeDateTime(2024, 3, 5, 14, 7, 0, 0)), QStringLiteral("3/5/2024 2:07 PM"));
    EXPECT_EQ(TimeToStr(EncodeTime(0, 30, 15, 0)), QStringLiteral("12:30:15 AM"));
}

TEST_F(DateFormatTest, LocalePatternsHaveFourDigitYears)
{
    // The test main runs under en_US, whose own short pattern has a two-digit year.
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("M/d/yyyy"));
    EXPECT_FALSE(LongTimeFormat().contains(u't'));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ResetDateFormats();
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(LongTimeFormat(), QStringLiteral("HH:mm:ss"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

TEST_F(DateFormatTest, ParsesInTheLocaleOrder)
{
    useGerman();
    EXPECT_EQ(parsed(QStringLiteral("05.03.2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("5.3.2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("5/3/2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("5-3-24")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral(" 1. 2. 1930 ")), EncodeDate(1930, 2, 1));
    EXPECT_EQ(parsed(QStringLiteral("31.12.99")), EncodeDate(1999, 12, 31));
    EXPECT_EQ(parsed(QStringLiteral("1.1.29")), EncodeDate(2029, 1, 1));
    EXPECT_EQ(parsed(QStringLiteral("1.1.30")), EncodeDate(1930, 1, 1));
    EXPECT_EQ(parsed(QStringLiteral("1.1.0030")), EncodeDate(30, 1, 1));
    EXPECT_EQ(parsed(QStringLiteral("24.12.")), EncodeDate(YearOf(Date()), 12, 24));
    EXPECT_EQ(parsed(QStringLiteral("05.03.2024 14:30")), EncodeDateTime(2024, 3, 5, 14, 30, 0, 0));
    EXPECT_EQ(parsed(QStringLiteral("05.03.2024 7:05:09")), EncodeDateTime(2024, 3, 5, 7, 5, 9, 0));
    EXPECT_EQ(parsed(QStringLiteral("05.03.2024 7:05:09.25")), EncodeDateTime(2024, 3, 5, 7, 5, 9, 250));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(parsed(QStringLiteral("5. März 2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("5. Okt. 2024")), EncodeDate(2024, 10, 5));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(parsed(QStringLiteral("5 march 2024")), EncodeDate(2024, 3, 5));

    useUs();
    EXPECT_EQ(parsed(QStringLiteral("3/5/2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("03.05.2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("12/29/1899")), -1.0);
    EXPECT_EQ(parsed(QStringLiteral("3/5/2024 2:30 PM")), EncodeDateTime(2024, 3, 5, 14, 30, 0, 0));
    EXPECT_EQ(parsed(QStringLiteral("3/5/2024 12:10 am")), EncodeDateTime(2024, 3, 5, 0, 10, 0, 0));
    EXPECT_EQ(parsed(QStringLiteral("3/5/2024 12:10 p.m.")), EncodeDateTime(2024, 3, 5, 12, 10, 0, 0));
    EXPECT_EQ(parsed(QStringLiteral("Mar 5, 2024")), EncodeDate(2024, 3, 5));
    EXPECT_EQ(parsed(QStringLiteral("5 Mar 2024")), EncodeDate(2024, 3, 5));
}

TEST_F(DateFormatTest, IsoDatesWhateverTheLocale)
{
    for (const auto setPattern : {&DateFormatTest::useGerman, &DateFormatTest::useUs}) {
        setPattern();
        EXPECT_EQ(parsed(QStringLiteral("2024-03-05")), EncodeDate(2024, 3, 5));
        EXPECT_EQ(parsed(QStringLiteral("2024-03-05 08:15:00")), EncodeDateTime(2024, 3, 5, 8, 15, 0, 0));
        EXPECT_EQ(parsed(QStringLiteral("2024-03-05T08:15")), EncodeDateTime(2024, 3, 5, 8, 15, 0, 0));
        EXPECT_EQ(parsed(QStringLiteral("0001-01-01")), EncodeDate(1, 1, 1));
        EXPECT_EQ(parsed(QStringLiteral("9999-12-31 23:59:59")), EncodeDateTime(9999, 12, 31, 23, 59, 59, 0));
    }
}

TEST_F(DateFormatTest, NothingIsInvented)
{
    useGerman();
    for (const char *bad : {"", "   ", "abc", "30.02.2024", "29.02.2023", "32.1.2024", "1.13.2024", "0.1.2024",
                            "1.1.0000", "1.1.10000", "12", "2024", "1.1.2024.5", "1.1.2024 25:00", "1.1.2024 10:60",
                            "1.1.2024 10", "1.1.2024 10:00 xy", "1.1.2024 13:00 pm", "1.1.2024 foo",
                            "5 Foo 2024", "1..2024", "-1.1.2024", "123.4.2024", "1.2.3.4", "10:00:00:00",
                            "1.1.2024 10:00:00.1234", "\u0661.\u0661.2024"}) {
        EXPECT_TRUE(rejects(QString::fromUtf8(bad))) << bad;
    }
    useUs();
    EXPECT_TRUE(rejects(QStringLiteral("13/1/2024")));
    EXPECT_TRUE(rejects(QStringLiteral("2/30/2024")));
}

TEST_F(DateFormatTest, DateOnlyAndTimeOnlyReaders)
{
    useGerman();
    TDateTime value = 0;
    EXPECT_TRUE(TryStrToDate(QStringLiteral("05.03.2024 14:30"), value));
    EXPECT_EQ(value, EncodeDate(2024, 3, 5));
    EXPECT_FALSE(TryStrToDate(QStringLiteral("14:30"), value));
    EXPECT_FALSE(TryStrToDate(QStringLiteral("05.03.2024 24:30"), value));

    EXPECT_TRUE(TryStrToDateTime(QStringLiteral("14:30"), value));
    EXPECT_DOUBLE_EQ(value, EncodeTime(14, 30, 0, 0));
    EXPECT_TRUE(TryStrToTime(QStringLiteral(" 6:05:30 "), value));
    EXPECT_DOUBLE_EQ(value, EncodeTime(6, 5, 30, 0));
    EXPECT_FALSE(TryStrToTime(QStringLiteral("05.03.2024 14:30"), value));

    EXPECT_EQ(StrToDate(QStringLiteral("2024-03-05")), EncodeDate(2024, 3, 5));
    EXPECT_THROW(StrToDate(QStringLiteral("05.13.2024")), EConvertError);
    EXPECT_THROW(StrToDateTime(QStringLiteral("x")), EConvertError);
    EXPECT_THROW(StrToTime(QStringLiteral("25:00")), EConvertError);
}

// What the program writes it must read back, in both patterns, over the whole range.
TEST_F(DateFormatTest, FormattedTextsReadBack)
{
    for (const auto setPattern : {&DateFormatTest::useGerman, &DateFormatTest::useUs}) {
        setPattern();
        for (TDateTime day = EncodeDate(1, 1, 1); day <= EncodeDate(9999, 12, 31); day += 997.25) {
            const TDateTime value = Trunc(day) < 0 ? Trunc(day) - 0.75 : Trunc(day) + 0.75;
            TDateTime back = 0;
            ASSERT_TRUE(TryStrToDateTime(DateTimeToShortStr(value), back)) << DateTimeToShortStr(value).toStdString();
            ASSERT_EQ(back, value) << DateTimeToShortStr(value).toStdString();
            ASSERT_TRUE(TryStrToDate(DateToStr(value), back));
            ASSERT_EQ(back, Trunc(value));
        }
    }
}

TEST_F(DateFormatTest, ClassicPictures)
{
    const TDateTime value = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTimeClassic(QStringLiteral("yyyy-mm-dd hh:nn:ss"), value), QStringLiteral("2024-03-05 14:07:09"));
    EXPECT_EQ(FormatDateTimeClassic(QStringLiteral("d.mmm"), value), QStringLiteral("5.Mar"));
    EXPECT_EQ(FormatDateTimeClassic(QStringLiteral("h:mm am/pm"), value), QStringLiteral("2:07 pm"));
    EXPECT_EQ(FormatDateTimeClassic(QStringLiteral("dddd, d. mmmm yy 'at' hh:mm:ss.zzz"), value),
              QStringLiteral("Tuesday, 5. March 24 at 14:07:09.045"));
    EXPECT_EQ(FormatDateTimeClassic(QStringLiteral("YYYY/M/D"), EncodeDate(1, 1, 1)), QStringLiteral("0001/1/1"));
}
