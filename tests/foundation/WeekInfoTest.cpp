#include <gtest/gtest.h>

#include "CommaText.h"
#include "WeekInfo.h"

#include <random>

namespace {

const QString kWeekendDay = QStringLiteral("0,420,945,480,540,15,720,30,0,0");
const QString kWorkDay = QStringLiteral("1,420,945,480,540,15,720,30,0,0");

QString defaultText()
{
    QStringList days{kWeekendDay};
    for (int d = 1; d <= 5; ++d)
        days << kWorkDay;
    days << kWeekendDay;
    return days.join(u',');
}

// A shift week as a user would enter it: early start, one long and two short pauses.
tWeekInfo shiftWeek()
{
    tWeekInfo week = DefaultWeekInfo();
    for (int d = 1; d <= 6; ++d) {
        TDayInfo &day = week[d];
        day.active = true;
        day.start = TTimeOfDay::FromHM(5, 45);
        day.ende = TTimeOfDay::FromHM(14, 15);
        day.pause[0] = {TTimeOfDay::FromHM(8, 0), 10};
        day.pause[1] = {TTimeOfDay::FromHM(10, 30), 30};
        day.pause[2] = {TTimeOfDay::FromHM(12, 50), 10};
        day.length = DayNetMinutes(day);
    }
    week.Sa().ende = TTimeOfDay::FromHM(11, 0);
    week.Sa().pause[1].length = 0;
    week.Sa().pause[2].length = 0;
    week.Sa().length = DayNetMinutes(week.Sa());
    return week;
}

} // namespace

TEST(WeekInfo, DefaultWeekAndItsText)
{
    const tWeekInfo week = DefaultWeekInfo();
    EXPECT_FALSE(week.So().active);
    EXPECT_TRUE(week.Mo().active);
    EXPECT_TRUE(week.Fr().active);
    EXPECT_FALSE(week.Sa().active);
    EXPECT_EQ(week.We().start, TTimeOfDay::FromHM(7, 0));
    EXPECT_EQ(week.We().ende, TTimeOfDay::FromHM(15, 45));
    EXPECT_EQ(week.We().pause[1].start.AsDateTime(), 0.5);
    // Its net length is what the times and pauses leave.
    for (const TDayInfo &day : week.day)
        EXPECT_EQ(DayNetMinutes(day), day.length);

    EXPECT_EQ(WeekInfo2String(week), defaultText());
    tWeekInfo parsed = shiftWeek();
    EXPECT_TRUE(String2WeekInfo(defaultText(), parsed));
    EXPECT_EQ(parsed, week);
}

TEST(WeekInfo, TextRoundTrip)
{
    const tWeekInfo shift = shiftWeek();
    EXPECT_EQ(shift.Mo().length, 510 - 50);
    EXPECT_EQ(shift.Sa().length, 315 - 10);
    const QString text = WeekInfo2String(shift);
    EXPECT_EQ(ParseCommaText(text).size(), 70);
    EXPECT_TRUE(text.startsWith(QStringLiteral("0,420,945,480,540,15,720,30,0,0,1,345,855,460,480,10,630,30,770,10,")));
    tWeekInfo back;
    EXPECT_TRUE(String2WeekInfo(text, back));
    EXPECT_EQ(back, shift);

    // Random valid weeks survive the text exactly.
    std::mt19937 rng(1706);
    std::uniform_int_distribution<int> minute(0, 1439);
    std::uniform_int_distribution<int> len(0, 600);
    for (int n = 0; n < 300; ++n) {
        tWeekInfo week;
        for (TDayInfo &day : week.day) {
            day.active = rng() % 2;
            day.start = TTimeOfDay(minute(rng));
            day.ende = TTimeOfDay(minute(rng));
            day.length = len(rng);
            for (TPauseInfo &pause : day.pause)
                pause = {TTimeOfDay(minute(rng)), len(rng)};
        }
        tWeekInfo read;
        ASSERT_TRUE(String2WeekInfo(WeekInfo2String(week), read));
        ASSERT_EQ(read, week);
    }
}

TEST(WeekInfo, MalformedTextsGiveTheDefaultWeek)
{
    const tWeekInfo fallback = DefaultWeekInfo();
    const QString good = WeekInfo2String(shiftWeek());
    QStringList items = ParseCommaText(good);

    auto withItem = [&](int index, const QString &value) {
        QStringList changed = items;
        changed[index] = value;
        return CommaTextOf(changed);
    };
    const QStringList bad = {
        QString(),
        CommaTextOf(items.mid(0, 69)),
        CommaTextOf(items + QStringList{QStringLiteral("0")}),
        withItem(12, QStringLiteral("abc")),     // Monday's end
        withItem(12, QStringLiteral("1440")),    // no time of day
        withItem(11, QStringLiteral("-5")),      // Monday's start
        withItem(68, QStringLiteral("1500")),    // Saturday's third pause
        withItem(13, QStringLiteral("-480")),    // negative net length
        withItem(15, QStringLiteral("-10")),     // negative pause
        withItem(13, QStringLiteral("4.5")),
        withItem(10, QStringLiteral("x")),       // even the active flag must be a number
        withItem(13, QStringLiteral("99999999999")),
    };
    for (const QString &text : bad) {
        tWeekInfo week = shiftWeek();
        EXPECT_FALSE(String2WeekInfo(text, week)) << text.toStdString();
        EXPECT_EQ(week, fallback) << text.toStdString();
    }

    // The largest time of day is still one.
    tWeekInfo week;
    EXPECT_TRUE(String2WeekInfo(withItem(12, QStringLiteral("1439")), week));
    EXPECT_EQ(week.Mo().ende, TTimeOfDay::FromHM(23, 59));
}

TEST(WeekInfo, OnlyAnExactOneMakesADayActive)
{
    QStringList items = ParseCommaText(defaultText());
    items[0] = QStringLiteral("2");    // Sunday
    items[10] = QStringLiteral(" 1");  // Monday, quoted with a leading blank
    items[20] = QStringLiteral("01");  // Tuesday
    items[30] = QStringLiteral("1");   // Wednesday
    const QString text = CommaTextOf(items);
    EXPECT_TRUE(text.contains(QStringLiteral("\" 1\"")));
    tWeekInfo week;
    EXPECT_TRUE(String2WeekInfo(text, week));
    EXPECT_FALSE(week.So().active);
    EXPECT_FALSE(week.Mo().active);
    EXPECT_FALSE(week.Tu().active);
    EXPECT_TRUE(week.We().active);
    EXPECT_EQ(week.Mo().start, TTimeOfDay::FromHM(7, 0)); // the rest of the day still counts
}

TEST(WeekInfo, MinutesOfDateTimes)
{
    // 07:30:45: the seconds are dropped.
    EXPECT_EQ(TimeInMinutes((7 * 3600 + 30 * 60 + 45) / 86400.0), 450);
    EXPECT_EQ(TTimeOfDay::FromDateTime(45000.0 + (7 * 3600 + 30 * 60 + 45) / 86400.0), TTimeOfDay(450));
    // Whole days count 480 minutes.
    EXPECT_EQ(TimeInMinutes(1.0 + 135 / 1440.0), 480 + 135);
    // 200 days of absence: far beyond 16 bits, no wrap.
    EXPECT_EQ(TimeInMinutes(200.0), 96000);
    EXPECT_EQ(TimeInMinutes(3000.0 + 0.5), 3000 * 480 + 720);
    // Rounded to milliseconds first: a hair before midnight is the next day.
    EXPECT_EQ(TimeInMinutes(1.0 - 0.0004 / 86400.0), 480);
    EXPECT_EQ(TTimeOfDay::FromDateTime(1.0 - 0.0004 / 86400.0), TTimeOfDay(0));
    EXPECT_EQ(TimeInMinutes(0.0), 0);

    // A minute's day fraction turns back into the same minute for every minute of the day.
    for (int m = 0; m < 1440; ++m) {
        const TTimeOfDay time(m);
        ASSERT_EQ(TimeInMinutes(time.AsDateTime()), m);
        ASSERT_EQ(TTimeOfDay::FromDateTime(40000.0 + time.AsDateTime()), time);
        ASSERT_EQ(time.AsDateTime(), (time.Hour() * 3600000.0 + time.Minute() * 60000.0) / 86400000.0);
    }
}

TEST(WeekInfo, CapacityAndNetLengths)
{
    EXPECT_TRUE(WeekHasCapacity(DefaultWeekInfo()));

    tWeekInfo idle = DefaultWeekInfo();
    for (TDayInfo &day : idle.day)
        day.active = false;
    EXPECT_FALSE(WeekHasCapacity(idle));

    tWeekInfo inverted = DefaultWeekInfo();
    for (TDayInfo &day : inverted.day)
        day.ende = day.start;
    EXPECT_FALSE(WeekHasCapacity(inverted));
    inverted.Th().ende = TTimeOfDay::FromHM(9, 0);
    EXPECT_TRUE(WeekHasCapacity(inverted));
    inverted.Th().length = 0;
    EXPECT_FALSE(WeekHasCapacity(inverted));

    // 08:00 to 17:00 with breaks of 30 and 15 minutes leaves 495 minutes.
    TDayInfo day;
    day.start = TTimeOfDay::FromHM(8, 0);
    day.ende = TTimeOfDay::FromHM(17, 0);
    day.pause[0] = {TTimeOfDay::FromHM(12, 0), 30};
    day.pause[1] = {TTimeOfDay::FromHM(15, 0), 15};
    EXPECT_EQ(DayNetMinutes(day), 495);
    EXPECT_EQ(day.pause[0].EndMinutes(), 12 * 60 + 30);
}
