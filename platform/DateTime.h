#pragma once

#include <QtGlobal>

#include <stdexcept>
#include <string>

class QDate;
class QDateTime;

// Date-times are days since 1899-12-30 with the time of day as the fraction, in naive local
// time. The functions over them are declared below this line as they are built.
using TDateTime = double;

// Raised by the encoders (and the parsers built on them) for values that name no date or time.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const std::string &message) : std::runtime_error(message) {}
};

// The supported range: 0001-01-01 00:00 up to the last millisecond of 9999-12-31.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958465.99999;

constexpr qint64 MSecsPerDay = 86400000;
constexpr int MinsPerDay = 1440;
constexpr int SecsPerDay = 86400;

// Whole part toward zero and the signed rest, as the date-time arithmetic expects.
double Trunc(double value);
double Frac(double value);
// Nearest integer, halves to the even neighbour.
qint64 Round(double value);

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// Dates: 1 <= year <= 9999. Encode throws EConvertError for an invalid date; the Try
// variants report it instead.
bool TryEncodeDate(int year, int month, int day, TDateTime &date);
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &time);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// Combines a date and a time; before 1899-12-30 the time is subtracted, so that the
// fraction stays the time of day in absolute value.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime &value);

// Decoding first rounds the value to whole milliseconds, so 23:59:59.9996 is the next day.
void DecodeDate(TDateTime date, int &year, int &month, int &day);
void DecodeTime(TDateTime time, int &hour, int &min, int &sec, int &msec);
void DecodeDateTime(TDateTime value, int &year, int &month, int &day, int &hour, int &min,
                    int &sec, int &msec);

// The time of day of a value (after the millisecond rounding).
TDateTime TimeOf(TDateTime value);

// Sunday = 1 ... Saturday = 7.
int DayOfWeek(TDateTime value);
// Monday = 1 ... Sunday = 7.
int DayOfTheWeek(TDateTime value);
// Sunday = 0 ... Saturday = 6: the index into a week of days stored from Sunday.
int WeekdayIndex(TDateTime value);

int YearOf(TDateTime value);

// Adds whole months; a day beyond the new month's end becomes its last day. Time kept.
TDateTime IncMonth(TDateTime value, int months = 1);
TDateTime IncDay(TDateTime value, int days = 1);

// The local clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Qt's date types; an invalid QDateTime/QDate gives 0. Values convert as naive local time.
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateTimeToDateTime(const QDateTime &value);
QDate DateTimeToQDate(TDateTime value);
TDateTime QDateToDateTime(const QDate &value);
