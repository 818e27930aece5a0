// Date texts as cells, files and users give them: any text parses or is refused in each of
// several date forms; what parses formats and parses back to the same text; the calendar
// arithmetic takes every date that parses; working-week texts read or give the default week.

#include <QString>

#include <cmath>
#include <cstdlib>

#include "CalendarMath.h"
#include "DateFormat.h"
#include "DateTime.h"
#include "FuzzSupport.h"
#include "Helper.h"
#include "WeekInfo.h"

namespace {

struct TForm {
    const char *date;
    const char *time;
    const char *longTime;
};
// Day first with dots, month first with slashes, ISO, and a two-digit year made four.
constexpr TForm Forms[] = {{"dd.MM.yyyy", "HH:mm", "HH:mm:ss"},
                           {"M/d/yyyy", "h:mm AP", "h:mm:ss AP"},
                           {"yyyy-MM-dd", "HH:mm", "HH:mm:ss"},
                           {"d/M/yy", "H:mm", "H:mm:ss"}};

// What is shown reads back to the same moment; the shown form drops milliseconds only.
bool SameSecond(TDateTime a, TDateTime b)
{
    return std::abs(a - b) * 86400.0 < 1.0;
}

void Calendar(TDateTime value)
{
    if (!std::isfinite(value) || std::abs(value) > 3e6)
        return;
    int week = 0, year = 0;
    Date2ISOWeekNo(value, week, year);
    StartOfISOWeek(value);
    ISODayOfWeek(value);
    ISOWeeksInYear(YearOf(value));
    GetEasterSunday(YearOf(value));
    TimeInMinutes(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const TForm &form = Forms[data[0] % std::size(Forms)];
    SetDateFormats(QString::fromLatin1(form.date), QString::fromLatin1(form.time), QString::fromLatin1(form.longTime));
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    TDateTime value = 0;
    if (TryStrToDate(text, value)) {
        Calendar(value);
        TDateTime again = 0;
        if (!TryStrToDate(DateToStr(value), again) || again != value)
            std::abort();
    }
    if (TryStrToDateTime(text, value)) {
        Calendar(value);
        TDateTime again = 0;
        if (!TryStrToDateTime(DateTimeToStr(value), again) || !SameSecond(again, value))
            std::abort();
    }
    if (TryStrToTime(text, value)) {
        TDateTime again = 0;
        if (!TryStrToTime(TimeToStr(value), again) || !SameSecond(again, value))
            std::abort();
    }
    if (TryStrToDateTimeFromStorage(text, value)) {
        Calendar(value);
        TDateTime again = 0;
        const QString stored = FormatDateTimeForStorage(value);
        if (!TryStrToDateTimeFromStorage(stored, again) || !SameSecond(again, value))
            std::abort();
    }

    tWeekInfo week;
    if (String2WeekInfo(text, week)) {
        tWeekInfo again;
        if (!String2WeekInfo(WeekInfo2String(week), again) || !(again == week))
            std::abort();
        WeekHasCapacity(week);
    }
    return 0;
}
