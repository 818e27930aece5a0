#pragma once

// Ends worked out apart from the program, for comparing with its own: Easter by the anonymous
// Gregorian computus, working days counted one by one, and working minutes walked one by one.

#include <QDate>
#include <QSet>

#include "WeekInfo.h"

namespace schedref {

inline QDate Easter(int year)
{
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = ((h + l - 7 * m + 114) % 31) + 1;
    return QDate(year, month, day);
}

// Days since 1899-12-30.
inline qint64 DayNumber(const QDate &date)
{
    return QDate(1899, 12, 30).daysTo(date);
}

inline QDate DateOf(qint64 day)
{
    return QDate(1899, 12, 30).addDays(day);
}

inline int SundayFirst(qint64 day)
{
    return DateOf(day).dayOfWeek() % 7;
}

// The day on which the `length`-th working day from `start` on (counting `start`) falls.
inline qint64 DayModeEnd(const tWeekInfo &week, const QSet<qint64> &blocked, qint64 start, int length)
{
    qint64 day = start;
    for (int counted = 0;; ++day)
        if (week[SundayFirst(day)].active && !blocked.contains(day) && ++counted == length)
            return day;
}

inline bool WorkingMinute(const tWeekInfo &week, const QSet<qint64> &blocked, qint64 day, int minute)
{
    const TDayInfo &info = week[SundayFirst(day)];
    if (!info.active || blocked.contains(day) || minute < info.start.minutes || minute >= info.ende.minutes)
        return false;
    for (const TPauseInfo &pause : info.pause)
        if (minute >= pause.start.minutes && minute < pause.EndMinutes())
            return false;
    return true;
}

// Whole minutes since 1899-12-30 at which `length` working minutes from (day0, minute0) on
// are done: the minute after the last one worked. The week's end times must agree with its
// net lengths and pauses.
inline qint64 MinuteModeEnd(const tWeekInfo &week, const QSet<qint64> &blocked, qint64 day0, int minute0, int length)
{
    qint64 day = day0;
    int minute = minute0;
    for (int left = length;;) {
        if (WorkingMinute(week, blocked, day, minute) && --left == 0)
            return day * 1440 + minute + 1;
        if (++minute == 1440) {
            minute = 0;
            ++day;
        }
    }
}

} // namespace schedref
