#pragma once

#include <QString>

#include "DateTime.h"

// The user's date and time patterns and the conversions between date-times and cell texts.
// Patterns use Qt's syntax (QLocale::toString). They come from the default QLocale, with a
// two-digit year widened to four digits so that no text loses its century; tests and the
// settings may set them explicitly. Safe to call from any thread.

// The current patterns: short date (e.g. "dd.MM.yyyy"), short time ("HH:mm"), long time
// ("HH:mm:ss").
QString ShortDateFormat();
QString ShortTimeFormat();
QString LongTimeFormat();

// Replaces the patterns; an empty time pattern is taken from the locale. The short date pattern
// also passes the four-digit year rule.
void SetDateFormats(const QString &shortDate, const QString &shortTime = QString(),
                    const QString &longTime = QString());
// Goes back to the default QLocale's patterns.
void ResetDateFormats();

// "yy" (and any other year run shorter than four) becomes "yyyy"; quoted text is kept.
QString ForceFourDigitYear(const QString &pattern);

// The date in the short date format; the time in the long time format; both together with
// the time left out when it is midnight.
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value);
// The short date, followed by a blank and the short time when the time of day is not midnight.
QString DateTimeToShortStr(TDateTime value);
QString ShortTimeToStr(TDateTime value);

// Classic picture strings: d dd ddd dddd, m mm mmm mmmm (minutes right after h/hh), yy yyyy,
// h hh, n nn, s ss, z zzz, am/pm, a/p, ampm, and quoted literals. Letters are case-blind.
QString FormatDateTimeClassic(const QString &format, TDateTime value);

// Lenient reading of typed dates: one to two digit day and month and a year in the order of
// the short date pattern, separated by '.', '/', '-', ',' or blanks (a month may be given by
// name); a leading four-digit year means year-month-day (ISO yyyy-mm-dd); a two-digit year
// means 1930..2029; without a year the current year is meant. An optional time h:mm[:ss[.zzz]]
// [am|pm] may follow after a blank or 'T'. Nothing is guessed: a text that is not a valid
// date reports failure.
bool TryStrToDate(const QString &text, TDateTime &value);      // the time, if any, is dropped
bool TryStrToDateTime(const QString &text, TDateTime &value);  // a time alone gives day 0
bool TryStrToTime(const QString &text, TDateTime &value);      // a time only
// The same, raising EConvertError.
TDateTime StrToDate(const QString &text);
TDateTime StrToDateTime(const QString &text);
TDateTime StrToTime(const QString &text);
