#pragma once

#include "DateTime.h"

// Calendar arithmetic for the chart's week ruler and movable holidays: ISO 8601 weeks, Easter
// Sunday and the first days of months, years and weeks. Dates are whole days of TDateTime;
// functions that move a date keep its time of day. IsLeapYear comes from DateTime.h.

// The proleptic Gregorian date of the whole-day part; all zero outside 0001-01-01..9999-12-31.
void OptDecodeDateW(TDateTime date, int &year, int &month, int &day);
// Throws EConvertError("Invalid Date") unless the date exists within the years 1..9999.
TDateTime OptEncodeDateW(int year, int month, int day);

int Date2Year(TDateTime date);
TDateTime GetFirstDayOfMonth(TDateTime date);
TDateTime GetFirstDayOfYear(int year);

// The Sunday on or before the date.
TDateTime StartOfWeek(TDateTime date);
// Monday = 1 ... Sunday = 7.
int ISODayOfWeek(TDateTime date);
// The Monday on or before the date.
TDateTime StartOfISOWeek(TDateTime date);

// Whole days of d2 minus whole days of d1.
int DaysApart(TDateTime d1, TDateTime d2);

int ISOWeeksInYear(int year);
// The ISO 8601 week of the date and the year that week belongs to (week 1 of 2025 starts
// on 2024-12-30).
void Date2ISOWeekNo(TDateTime date, int &week, int &year);

int GetGoldenNumber(int year);
TDateTime GetEasterSunday(int year);
