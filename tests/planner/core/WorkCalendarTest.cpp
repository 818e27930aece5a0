// The search in running sums gives the same ends as the plain day-by-day walk, for random
// weeks (pauses, short and idle days), holidays, absent days, starts and lengths, in day and
// minute mode, with one calendar asked in random order so that its sums grow both ways,
// within the reach it was given or past it.

#include <gtest/gtest.h>

#include <random>

#include "core/WorkCalendar.h"

namespace {

tWeekInfo RandomWeek(std::mt19937 &random)
{
    tWeekInfo week;
    for (TDayInfo &day : week.day) {
        day.active = random() % 10 < 6;
        day.start = TTimeOfDay(int(random() % 900));
        day.length = int(random() % 8 == 0 ? 0 : 30 + random() % 600);
        int cursor = day.start.minutes;
        int pauseTotal = 0;
        for (TPauseInfo &pause : day.pause) {
            if (random() % 3 == 0)
                continue;
            // Mostly inside the working hours; now and then at the start or oddly placed.
            cursor += int(random() % 3 == 0 ? 0 : random() % 200);
            pause = {TTimeOfDay(std::min(cursor, 1439)), int(random() % 60)};
            cursor = pause.EndMinutes();
            pauseTotal += pause.length;
        }
        day.ende = TTimeOfDay(std::min(1439, day.start.minutes + day.length + pauseTotal
                                                 + int(random() % 5 == 0 ? random() % 60 : 0)));
    }
    return week;
}

} // namespace

TEST(WorkCalendarTest, SearchAgreesWithTheWalk)
{
    std::mt19937 random(90210);
    const qint64 base = 45000; // 2023-03-15
    int compared = 0;
    for (int round = 0; round < 60; ++round) {
        const bool minuteWise = round % 2 == 1;
        std::vector<THolidayData> rules;
        for (int h = int(random() % 12); h > 0; --h) {
            if (random() % 2)
                rules.push_back({QString(), int(1 + random() % 31), int(1 + random() % 12), random() % 8 != 0, false});
            else
                rules.push_back({QString(), int(random() % 200) - 100, 0, random() % 8 != 0, true});
        }
        THolidayDays holidays;
        holidays.SetHolidays(rules);
        TDaySpans absent;
        qint64 at = base - 400;
        for (int a = int(random() % 30); a > 0; --a) {
            at += qint64(random() % 90);
            const qint64 length = 1 + qint64(random() % (random() % 10 == 0 ? 60 : 6));
            absent.emplace_back(at, at + length);
            at += length;
        }
        const tWeekInfo week = RandomWeek(random);
        TWorkCalendar fast(week, minuteWise, holidays, absent);
        TWorkCalendar walk(week, minuteWise, holidays, absent);
        // A reach that holds some of the starts, or none, changes no end.
        if (round % 3 == 1)
            fast.SetReach(base - qint64(random() % 700), base + qint64(random() % 700));
        else if (round % 3 == 2)
            fast.SetReach(base + 2000, base + 2001);
        for (int t = 0; t < 150; ++t) {
            const TWorkMoment start{base + qint64(random() % 1200) - 600, int(random() % 1440)};
            const qint64 minutes = random() % 7 == 0 ? qint64(random() % 3) * 480
                                                     : qint64(random() % (random() % 5 == 0 ? 200000 : 12000));
            TWorkMoment a;
            TWorkMoment b;
            const bool okA = fast.EndOf(start, minutes, a);
            const bool okB = walk.WalkEndOf(start, minutes, b);
            ASSERT_EQ(okA, okB) << "round " << round << " task " << t;
            if (okA) {
                ASSERT_EQ(a.day, b.day) << "round " << round << " task " << t;
                ASSERT_EQ(a.minute, b.minute) << "round " << round << " task " << t;
            }
            ++compared;
        }
    }
    EXPECT_EQ(compared, 60 * 150);
}

TEST(WorkCalendarTest, EdgesOfTheCalendar)
{
    THolidayDays holidays;
    holidays.SetHolidays({{QString(), 25, 12, true, false}});
    TWorkCalendar calendar(DefaultWeekInfo(), false, holidays, {});
    TWorkMoment end;
    // Nothing to do: the end is the start.
    ASSERT_TRUE(calendar.EndOf({45000, 600}, 0, end));
    EXPECT_EQ(end, (TWorkMoment{45000, 600}));
    // Past 9999-12-31 there is no end, by either way.
    EXPECT_FALSE(calendar.EndOf({LastCalendarDay - 3, 0}, 480 * 30, end));
    EXPECT_FALSE(calendar.WalkEndOf({LastCalendarDay - 3, 0}, 480 * 30, end));
    // Before year 1 and far ahead the two agree as well.
    for (const qint64 day : {qint64(-700000), qint64(-693594), qint64(2900000)}) {
        TWorkMoment a;
        TWorkMoment b;
        ASSERT_EQ(calendar.EndOf({day, 0}, 480 * 400, a), calendar.WalkEndOf({day, 0}, 480 * 400, b)) << day;
        EXPECT_EQ(a, b) << day;
    }
    // Work of thousands of years is walked; both ways agree.
    {
        TWorkMoment a;
        TWorkMoment b;
        ASSERT_TRUE(calendar.EndOf({-690000, 0}, qint64(480) * 1400000, a));
        ASSERT_TRUE(calendar.WalkEndOf({-690000, 0}, qint64(480) * 1400000, b));
        EXPECT_EQ(a, b);
    }
    // A week that works on no day.
    tWeekInfo idle = DefaultWeekInfo();
    for (TDayInfo &day : idle.day)
        day.active = false;
    TWorkCalendar none(idle, true, holidays, {});
    EXPECT_FALSE(none.EndOf({45000, 0}, 60, end));
    EXPECT_FALSE(none.WalkEndOf({45000, 0}, 60, end));
}
