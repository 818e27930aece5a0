#pragma once

// The working week of a resource: per weekday (Sunday first) whether it is worked, from when
// to when, its net working minutes and three pauses. Times of day are kept as whole minutes
// so that the scheduler compares integers, never transcribed doubles.
//
// Text form (stored in the position entries of a document): a comma text of exactly 70
// decimal integers, 10 per day from Sunday: active ("1" or "0"), start, end, net length,
// then start and length of each of the three pauses; times as minutes since midnight.

#include "DateTime.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <compare>

// A time of day in whole minutes since midnight; 0..1439 in a valid week.
struct TTimeOfDay
{
    int minutes = 0;

    constexpr TTimeOfDay() = default;
    constexpr explicit TTimeOfDay(int m) : minutes(m) {}
    static constexpr TTimeOfDay FromHM(int hour, int minute) { return TTimeOfDay(hour * 60 + minute); }
    // The minute of the day of t (seconds dropped).
    static TTimeOfDay FromDateTime(TDateTime t);

    // The day fraction the date-time arithmetic uses; exactly EncodeTime(hour, minute, 0, 0).
    constexpr TDateTime AsDateTime() const { return minutes / 1440.0; }
    constexpr int Hour() const { return minutes / 60; }
    constexpr int Minute() const { return minutes % 60; }
    constexpr bool IsValid() const { return minutes >= 0 && minutes < 1440; }

    constexpr auto operator<=>(const TTimeOfDay &) const = default;
};

struct TPauseInfo
{
    TTimeOfDay start;
    int length = 0; // minutes

    // The minute the pause is over (may pass midnight for a careless week).
    constexpr int EndMinutes() const { return start.minutes + length; }
    constexpr bool operator==(const TPauseInfo &) const = default;
};

struct TDayInfo
{
    bool active = false;
    TTimeOfDay start;
    TTimeOfDay ende;
    int length = 0; // net working minutes as entered, not computed from the times
    std::array<TPauseInfo, 3> pause{};

    constexpr bool operator==(const TDayInfo &) const = default;
};

struct tWeekInfo
{
    std::array<TDayInfo, 7> day{}; // Sunday = 0 ... Saturday = 6

    TDayInfo &operator[](int i) { return day[std::size_t(i)]; }
    const TDayInfo &operator[](int i) const { return day[std::size_t(i)]; }

    TDayInfo &So() { return day[0]; }
    TDayInfo &Mo() { return day[1]; }
    TDayInfo &Tu() { return day[2]; }
    TDayInfo &We() { return day[3]; }
    TDayInfo &Th() { return day[4]; }
    TDayInfo &Fr() { return day[5]; }
    TDayInfo &Sa() { return day[6]; }
    const TDayInfo &So() const { return day[0]; }
    const TDayInfo &Mo() const { return day[1]; }
    const TDayInfo &Tu() const { return day[2]; }
    const TDayInfo &We() const { return day[3]; }
    const TDayInfo &Th() const { return day[4]; }
    const TDayInfo &Fr() const { return day[5]; }
    const TDayInfo &Sa() const { return day[6]; }

    bool operator==(const tWeekInfo &) const = default;
};

// Monday to Friday 07:00-15:45, 480 net minutes, pauses 09:00 (15) and 12:00 (30); the
// weekend has the same times but is not worked.
void DefaultWeekInfo(tWeekInfo &week);
tWeekInfo DefaultWeekInfo();

QString WeekInfo2String(const tWeekInfo &week);
// Takes the week from its text. A text without exactly 70 items, with an item that is not an
// integer, a time outside 0..1439 or a negative length gives the default week as a whole;
// the result then is false.
bool String2WeekInfo(const QString &text, tWeekInfo &week);

// Whole days of t times 480 plus the minute of its time of day (seconds dropped, after
// rounding to milliseconds). For a time of day: the minute since midnight. 32 bits, so long
// absences do not wrap.
qint32 TimeInMinutes(TDateTime t);

// Minutes from start to end less the three pauses: what the day editor stores as `length`.
int DayNetMinutes(const TDayInfo &day);

// A day that can take work: active, starting before its end and with net minutes.
bool DayHasCapacity(const TDayInfo &day);
// At least one such day; a week without one can never finish a task.
bool WeekHasCapacity(const tWeekInfo &week);
