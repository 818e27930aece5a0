#include "CalendarMath.h"

#include <cmath>

namespace {

qint64 wholeDays(TDateTime date) { return qint64(std::trunc(date)); }

// A whole day with the time of day of `source`; before 1899-12-30 the time is subtracted
// (the fraction is the time in absolute value), so a move across day 0 keeps the time.
TDateTime withTimeOf(qint64 day, TDateTime source)
{
    const double time = std::fabs(source - std::trunc(source));
    return day < 0 ? double(day) - time : double(day) + time;
}

qint64 floorMod(qint64 a, qint64 b)
{
    const qint64 r = a % b;
    return r < 0 ? r + b : r;
}

} // namespace

void OptDecodeDateW(TDateTime date, int &year, int &month, int &day)
{
    if (!std::isfinite(date) || std::trunc(date) < MinDateTime || std::trunc(date) > std::trunc(MaxDateTime)) {
        year = month = day = 0;
        return;
    }
    // The whole day alone: a time of day never rounds into the next date here.
    DecodeDate(std::trunc(date), year, month, day);
}

TDateTime OptEncodeDateW(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid Date");
    return result;
}

int Date2Year(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    OptDecodeDateW(date, year, month, day);
    return year;
}

TDateTime GetFirstDayOfMonth(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    OptDecodeDateW(date, year, month, day);
    return withTimeOf(qint64(OptEncodeDateW(year, month, 1)), date);
}

TDateTime GetFirstDayOfYear(int year)
{
    return OptEncodeDateW(year, 1, 1);
}

int ISODayOfWeek(TDateTime date)
{
    // Day 2 (1900-01-01) was a Monday.
    return int(floorMod(wholeDays(date) - 2, 7)) + 1;
}

TDateTime StartOfWeek(TDateTime date)
{
    const int sundayBased = ISODayOfWeek(date) % 7 + 1;
    return withTimeOf(wholeDays(date) - sundayBased + 1, date);
}

TDateTime StartOfISOWeek(TDateTime date)
{
    return withTimeOf(wholeDays(date) - ISODayOfWeek(date) + 1, date);
}

int DaysApart(TDateTime d1, TDateTime d2)
{
    return int(wholeDays(d2) - wholeDays(d1));
}

int ISOWeeksInYear(int year)
{
    const int newYear = ISODayOfWeek(GetFirstDayOfYear(year));
    return (newYear == 4 || (newYear == 3 && IsLeapYear(year))) ? 53 : 52;
}

void Date2ISOWeekNo(TDateTime date, int &week, int &year)
{
    year = Date2Year(date);
    const TDateTime january4 = OptEncodeDateW(year, 1, 4);
    TDateTime weekOne = 0;
    int base = 1;
    if (ISODayOfWeek(january4) > 4) {
        // Week 1 began in the old year, so every date of this year before the next Monday is in it.
        weekOne = StartOfISOWeek(january4) + 7;
        base = 2;
        if (wholeDays(date) < wholeDays(weekOne)) {
            week = 1;
            return;
        }
    } else {
        weekOne = StartOfISOWeek(january4);
        if (wholeDays(date) < wholeDays(weekOne)) {
            --year;
            week = ISOWeeksInYear(year);
            return;
        }
    }
    week = base + DaysApart(weekOne, StartOfISOWeek(date)) / 7;
    if (week > ISOWeeksInYear(year)) {
        week = 1;
        ++year;
    }
}

int GetGoldenNumber(int year)
{
    return year % 19 + 1;
}

TDateTime GetEasterSunday(int year)
{
    const int g = year % 19;
    const int c = year / 100;
    const int h = (c - c / 4 - (8 * c + 13) / 25 + 19 * g + 15) % 30;
    const int i = h - (h / 28) * (1 - (h / 28) * (29 / (h + 1)) * ((21 - g) / 11));
    const int j = (year + year / 4 + i + 2 - c + c / 4) % 7;
    const int l = i - j;
    const int month = 3 + (l + 40) / 44;
    const int day = l + 28 - 31 * (month / 4);
    return OptEncodeDateW(year, month, day);
}
