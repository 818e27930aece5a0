#include "DateTime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>

namespace {

// Days of 1899-12-30 counted from 1970-01-01.
constexpr qint64 DaysTo1970 = 25569;

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Proleptic Gregorian day count from 1970-01-01; valid far beyond the supported years.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, int &year, int &month, int &day)
{
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
    month = m;
    day = d;
}

struct SplitValue
{
    qint64 days = 0;
    qint64 msecs = 0;
};

// Splits a value into whole days (toward zero) and milliseconds of the day, after rounding
// the whole value to milliseconds. Non-finite values count as day 0.
SplitValue split(TDateTime value)
{
    if (!std::isfinite(value))
        return {};
    const double scaled = std::nearbyint(value * double(MSecsPerDay));
    // Clamp far outside any calendar so the integer conversion stays defined.
    const double limit = 9.0e17;
    const qint64 total = qint64(scaled > limit ? limit : (scaled < -limit ? -limit : scaled));
    const qint64 msecs = total % MSecsPerDay;
    return {total / MSecsPerDay, msecs < 0 ? -msecs : msecs};
}

} // namespace

double Trunc(double value) { return std::trunc(value); }

double Frac(double value) { return value - std::trunc(value); }

qint64 Round(double value) { return qint64(std::nearbyint(value)); }

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime &date)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1
        || day > DaysInAMonth(year, month))
        return false;
    date = double(daysFromCivil(year, month, day) + DaysTo1970);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &time)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0
        || msec > 999)
        return false;
    time = double(qint64(hour) * 3600000 + min * 60000 + sec * 1000 + msec) / double(MSecsPerDay);
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime result = 0;
    if (!TryEncodeTime(hour, min, sec, msec, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime &value)
{
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
        return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    TDateTime result = 0;
    if (!TryEncodeDateTime(year, month, day, hour, min, sec, msec, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

void DecodeDate(TDateTime date, int &year, int &month, int &day)
{
    civilFromDays(split(date).days - DaysTo1970, year, month, day);
}

void DecodeTime(TDateTime time, int &hour, int &min, int &sec, int &msec)
{
    const qint64 msecs = split(time).msecs;
    hour = int(msecs / 3600000);
    min = int(msecs / 60000 % 60);
    sec = int(msecs / 1000 % 60);
    msec = int(msecs % 1000);
}

void DecodeDateTime(TDateTime value, int &year, int &month, int &day, int &hour, int &min,
                    int &sec, int &msec)
{
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

TDateTime TimeOf(TDateTime value)
{
    return double(split(value).msecs) / double(MSecsPerDay);
}

int DayOfWeek(TDateTime value)
{
    // Day 0 (1899-12-30) was a Saturday.
    const qint64 shifted = split(value).days + 6;
    return int(shifted - floorDiv(shifted, 7) * 7) + 1;
}

int DayOfTheWeek(TDateTime value)
{
    const int d = DayOfWeek(value);
    return d == 1 ? 7 : d - 1;
}

int WeekdayIndex(TDateTime value)
{
    return DayOfWeek(value) - 1;
}

int YearOf(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return y;
}

TDateTime IncMonth(TDateTime value, int months)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    const qint64 index = qint64(year) * 12 + (month - 1) + months;
    const int newYear = int(floorDiv(index, 12));
    const int newMonth = int(index - qint64(newYear) * 12) + 1;
    const int newDay = qMin(day, DaysInAMonth(newYear, newMonth));
    TDateTime date = 0;
    if (!TryEncodeDate(newYear, newMonth, newDay, date))
        throw EConvertError("Invalid argument to date encode");
    const TDateTime time = TimeOf(value);
    return date < 0 ? date - time : date + time;
}

TDateTime IncDay(TDateTime value, int days)
{
    return value + days;
}

TDateTime Now()
{
    return QDateTimeToDateTime(QDateTime::currentDateTime());
}

TDateTime Date()
{
    return QDateToDateTime(QDate::currentDate());
}

TDateTime Time()
{
    return Frac(Now());
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0;
    DecodeDateTime(value, year, month, day, hour, min, sec, msec);
    return QDateTime(QDate(year, month, day), QTime(hour, min, sec, msec));
}

TDateTime QDateTimeToDateTime(const QDateTime &value)
{
    if (!value.isValid())
        return 0;
    const QDate date = value.date();
    const QTime time = value.time();
    TDateTime result = 0;
    if (!TryEncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                           time.second(), time.msec(), result))
        return 0;
    return result;
}

QDate DateTimeToQDate(TDateTime value)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    return QDate(year, month, day);
}

TDateTime QDateToDateTime(const QDate &value)
{
    TDateTime result = 0;
    if (!value.isValid() || !TryEncodeDate(value.year(), value.month(), value.day(), result))
        return 0;
    return result;
}
