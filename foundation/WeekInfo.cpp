#include "WeekInfo.h"

#include "CommaText.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kItemsPerDay = 10;
constexpr int kItemCount = 7 * kItemsPerDay;
constexpr double kMSecsPerDay = 86400000.0;

} // namespace

TTimeOfDay TTimeOfDay::FromDateTime(TDateTime t)
{
    const double frac = std::fabs(t - std::trunc(t));
    // Rounded to milliseconds first, like every decoding of a time; 23:59:59.9996 is midnight.
    const qint64 ms = qint64(std::nearbyint(frac * kMSecsPerDay)) % qint64(kMSecsPerDay);
    return TTimeOfDay(int(ms / 60000));
}

void DefaultWeekInfo(tWeekInfo &week)
{
    for (int d = 0; d < 7; ++d) {
        TDayInfo &day = week[d];
        day.active = d >= 1 && d <= 5;
        day.start = TTimeOfDay::FromHM(7, 0);
        day.ende = TTimeOfDay::FromHM(15, 45);
        day.length = 480;
        day.pause[0] = {TTimeOfDay::FromHM(9, 0), 15};
        day.pause[1] = {TTimeOfDay::FromHM(12, 0), 30};
        day.pause[2] = {TTimeOfDay(0), 0};
    }
}

tWeekInfo DefaultWeekInfo()
{
    tWeekInfo week;
    DefaultWeekInfo(week);
    return week;
}

QString WeekInfo2String(const tWeekInfo &week)
{
    QStringList items;
    items.reserve(kItemCount);
    for (const TDayInfo &day : week.day) {
        items << QString::number(day.active ? 1 : 0) << QString::number(day.start.minutes)
              << QString::number(day.ende.minutes) << QString::number(day.length);
        for (const TPauseInfo &pause : day.pause)
            items << QString::number(pause.start.minutes) << QString::number(pause.length);
    }
    return CommaTextOf(items);
}

bool String2WeekInfo(const QString &text, tWeekInfo &week)
{
    const QStringList items = ParseCommaText(text);
    tWeekInfo parsed;
    bool valid = items.size() == kItemCount;
    for (int n = 0; valid && n < kItemCount; ++n) {
        bool isNumber = false;
        const int value = items[n].toInt(&isNumber);
        const int field = n % kItemsPerDay;
        TDayInfo &day = parsed[n / kItemsPerDay];
        if (!isNumber) {
            valid = false;
        } else if (field == 0) {
            day.active = items[n] == QLatin1String("1");
        } else if (field == 3) {
            day.length = value;
            valid = value >= 0;
        } else if (field == 1 || field == 2 || field % 2 == 0) {
            // A time of day: its minute must name one.
            const TTimeOfDay time(value);
            valid = time.IsValid();
            if (field == 1)
                day.start = time;
            else if (field == 2)
                day.ende = time;
            else
                day.pause[std::size_t(field / 2 - 2)].start = time;
        } else {
            day.pause[std::size_t(field / 2 - 2)].length = value;
            valid = value >= 0;
        }
    }
    if (!valid) {
        DefaultWeekInfo(week);
        return false;
    }
    week = parsed;
    return true;
}

qint32 TimeInMinutes(TDateTime t)
{
    if (!std::isfinite(t))
        return 0;
    const double ms = std::nearbyint(std::fabs(t) * kMSecsPerDay);
    // Beyond the supported date range the result saturates instead of wrapping.
    constexpr double kLimitMs = double(std::numeric_limits<qint32>::max()) / 480.0 * kMSecsPerDay;
    if (ms >= kLimitMs)
        return t < 0 ? std::numeric_limits<qint32>::min() + 1 : std::numeric_limits<qint32>::max();
    const qint64 total = qint64(ms);
    const qint64 days = total / qint64(kMSecsPerDay);
    const qint64 minutes = (total % qint64(kMSecsPerDay)) / 60000;
    const qint32 result = qint32(days * 480 + minutes);
    return t < 0 ? -result : result;
}

int DayNetMinutes(const TDayInfo &day)
{
    int minutes = day.ende.minutes - day.start.minutes;
    for (const TPauseInfo &pause : day.pause)
        minutes -= pause.length;
    return minutes;
}

bool DayHasCapacity(const TDayInfo &day)
{
    return day.active && day.start < day.ende && day.length > 0;
}

bool WeekHasCapacity(const tWeekInfo &week)
{
    for (const TDayInfo &day : week.day) {
        if (DayHasCapacity(day))
            return true;
    }
    return false;
}
