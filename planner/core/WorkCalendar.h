#pragma once

// The working time of one resource: its week, the public holidays and its absent days. It
// answers when an amount of work that starts at a given moment is done, and how much working
// time lies between two moments. Times are whole minutes of whole days, so nothing depends on
// how a date-time fraction rounds.

#include <QtGlobal>

#include <utility>
#include <vector>

#include "WeekInfo.h"
#include "core/HolidayData.h"

// A day number (days since 1899-12-30) and a minute of that day.
struct TWorkMoment
{
    qint64 day = 0;
    int minute = 0;

    bool operator<(const TWorkMoment &other) const
    {
        return day < other.day || (day == other.day && minute < other.minute);
    }
    bool operator==(const TWorkMoment &) const = default;
};

// Sorted, disjoint day spans [first, behind last).
using TDaySpans = std::vector<std::pair<qint64, qint64>>;

// The public holidays as single days, for whichever days are asked about: a holiday counts on
// the day it falls on, whatever range the chart shows.
class THolidayDays
{
public:
    // Takes the document's holidays; false when they are the ones already held.
    bool SetHolidays(const std::vector<THolidayData> &holidays);
    bool Contains(qint64 day);
    // The holiday days in [from, to), sorted, without repeats.
    void Collect(qint64 from, qint64 to, std::vector<qint64> &days);
    // The day a holiday falls on in a year; false when it has none that year (29 February
    // outside leap years, a date that does not exist).
    static bool DayOfYear(const THolidayData &holiday, int year, qint64 &day);

private:
    void Cover(qint64 from, qint64 to);
    std::vector<THolidayData> FHolidays; // the enabled ones
    std::vector<qint64> FDays;           // holidays falling in [FFrom, FTo)
    qint64 FFrom = 0;
    qint64 FTo = 0;
};

class TWorkCalendar
{
public:
    // minuteWise: the week's working minutes count (tasks in minute mode); otherwise every
    // working day counts 480 minutes. absent: the resource's absent days.
    TWorkCalendar(const tWeekInfo &week, bool minuteWise, THolidayDays &holidays, TDaySpans absent);

    // The moment `minutes` of work starting at `start` is done. False when the week has no
    // working time at all or the work would end after 9999-12-31. The days after the first
    // are found by a search in running sums of working minutes per day.
    bool EndOf(TWorkMoment start, qint64 minutes, TWorkMoment &end);
    // The same, day by day: what the search must agree with.
    bool WalkEndOf(TWorkMoment start, qint64 minutes, TWorkMoment &end);
    // Working minutes from `from` to `to`; 0 when `to` is not after `from`.
    qint64 LengthBetween(TWorkMoment from, TWorkMoment to);

    // The days the plan's work lies near: the running sums grow past what is asked only
    // within them, so that a calendar asked in random order does not sum years nobody asks.
    void SetReach(qint64 from, qint64 to);

    bool Blocked(qint64 day);
    const TDayInfo &Day(qint64 day) const;
    bool MinuteWise() const { return FMinuteWise; }

private:
    // The working minutes a day offers from `now` on, `now` already moved past its start
    // and pauses.
    int Avail(qint64 day, int now);
    // One working day of the calculation: the moment the work ends on it, or the start of
    // the next day with `rem` reduced by what this day took.
    TWorkMoment Step(TWorkMoment d, qint64 &rem);

    // The running sums cover at least [from, to); false when that is too long for them.
    bool Cover(qint64 from, qint64 to);
    // The running sums of the days [from, to) at sums[1 ...], going on from sums[0].
    void Accumulate(qint64 from, qint64 to, const std::vector<qint64> &holidays, quint32 *sums) const;

    tWeekInfo FWeek;
    bool FMinuteWise;
    THolidayDays &FHolidays;
    TDaySpans FAbsent;
    // Working minutes of each weekday entered at its start; all zero: the week cannot work.
    int FFullDay[7] = {};
    qint64 FWeekTotal = 0;
    bool FCanWork = false;
    // FSum[i]: the working minutes of the days FFirst .. FFirst + i - 1, each entered at its
    // start, holidays and absent days taking none.
    qint64 FFirst = 0;
    std::vector<quint32> FSum;
    // None while FReachFrom is not before FReachTo.
    qint64 FReachFrom = 0;
    qint64 FReachTo = 0;
};

// 9999-12-31: no end lies beyond it.
inline constexpr qint64 LastCalendarDay = 2958465;
