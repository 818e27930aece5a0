#include "core/WorkCalendar.h"

#include <algorithm>

#include "CalendarMath.h"
#include "DateTime.h"

namespace {

constexpr int MinutesPerWorkDay = 480;
// 0001-01-01: the first day a year can be told of.
constexpr qint64 FirstCalendarDay = -693593;
// Running sums cover at most this many days (they are 32-bit); longer work is walked.
constexpr qint64 MaxWindowDays = 2000000;
// How far the running sums may grow towards the edge of the plan's reach in one step.
constexpr qint64 MaxReachJump = 4096;

// Sunday = 0; day 0 (1899-12-30) was a Saturday.
int WeekdayOf(qint64 day)
{
    return int(((day % 7) + 7 + 6) % 7);
}

int YearOf(qint64 day)
{
    return Date2Year(double(std::clamp(day, FirstCalendarDay, LastCalendarDay)));
}

qint64 FirstDayOfYear(int year)
{
    return qint64(EncodeDate(year, 1, 1));
}

int PauseTotal(const TDayInfo &day)
{
    int total = 0;
    for (const TPauseInfo &pause : day.pause)
        total += pause.length;
    return total;
}

// The first working minute at or after `now`: the day's start, or the end of a pause.
int EnterDay(const TDayInfo &day, int now)
{
    if (now < day.start.minutes)
        now = day.start.minutes;
    for (const TPauseInfo &pause : day.pause)
        if (now >= pause.start.minutes && now < pause.EndMinutes())
            now = pause.EndMinutes();
    return now;
}

// Whether a day can ever take work in this mode.
bool DayCanWork(const TDayInfo &day, bool minuteWise)
{
    return day.active && day.start < day.ende && (!minuteWise || day.length > 0);
}

// The working minutes a day offers from `now` on (already entered), holidays and absences
// aside.
int DayAvail(const TDayInfo &day, int now, bool minuteWise)
{
    if (!day.active || now >= day.ende.minutes)
        return 0;
    if (!minuteWise)
        return MinutesPerWorkDay;
    int avail = day.start.minutes + day.length + PauseTotal(day) - now;
    for (const TPauseInfo &pause : day.pause)
        if (pause.EndMinutes() > now)
            avail -= pause.length;
    return std::max(avail, 0);
}

// Working minutes between two minutes of one day.
int WorkingMinutes(const TDayInfo &day, int from, int to, bool minuteWise)
{
    if (to <= from)
        return 0;
    int minutes = to - from;
    if (minuteWise)
        for (const TPauseInfo &pause : day.pause)
            minutes -= std::max(0, std::min(to, pause.EndMinutes()) - std::max(from, pause.start.minutes));
    return std::max(minutes, 0);
}

} // namespace

// ---- holidays

bool THolidayDays::SetHolidays(const std::vector<THolidayData> &holidays)
{
    // Compared in place first: asked before every calculation, the list rarely changes.
    auto same = [](const THolidayData &a, const THolidayData &b) {
        return a.day == b.day && a.month == b.month && a.easter == b.easter;
    };
    std::size_t held = 0;
    bool equal = true;
    for (const THolidayData &holiday : holidays) {
        if (!holiday.enabled)
            continue;
        if (held >= FHolidays.size() || !same(holiday, FHolidays[held])) {
            equal = false;
            break;
        }
        ++held;
    }
    if (equal && held == FHolidays.size())
        return false;
    FHolidays.clear();
    for (const THolidayData &holiday : holidays)
        if (holiday.enabled)
            FHolidays.push_back({QString(), holiday.day, holiday.month, true, holiday.easter}); // the name changes no day
    FDays.clear();
    FFrom = FTo = 0;
    return true;
}

bool THolidayDays::DayOfYear(const THolidayData &holiday, int year, qint64 &day)
{
    if (year < 1 || year > 9999)
        return false;
    if (holiday.easter) {
        day = qint64(GetEasterSunday(year)) + holiday.day;
        return true;
    }
    TDateTime date = 0;
    if (!TryEncodeDate(year, holiday.month, holiday.day, date))
        return false;
    day = qint64(date);
    return true;
}

void THolidayDays::Cover(qint64 from, qint64 to)
{
    if (FTo > FFrom && from >= FFrom && to <= FTo)
        return;
    if (FTo > FFrom) {
        from = std::min(from, FFrom);
        to = std::max(to, FTo);
    }
    // Whole years, so that nearby questions find their days already there.
    const int firstYear = YearOf(from);
    const int lastYear = YearOf(to - 1);
    FFrom = firstYear >= 1 ? FirstDayOfYear(firstYear) : from;
    FTo = lastYear >= 1 && lastYear < 9999 ? FirstDayOfYear(lastYear + 1) : to;
    FFrom = std::min(FFrom, from);
    FTo = std::max(FTo, to);
    FDays.clear();
    for (const THolidayData &holiday : FHolidays) {
        // An Easter holiday may lie in another year than its Easter Sunday.
        const qint64 shift = holiday.easter ? holiday.day : 0;
        const int y0 = std::max(1, YearOf(FFrom - shift) - (holiday.easter ? 1 : 0));
        const int y1 = std::min(9999, YearOf(FTo - 1 - shift) + (holiday.easter ? 1 : 0));
        for (int year = y0; year <= y1; ++year) {
            qint64 day = 0;
            if (DayOfYear(holiday, year, day) && day >= FFrom && day < FTo)
                FDays.push_back(day);
        }
    }
    std::sort(FDays.begin(), FDays.end());
    FDays.erase(std::unique(FDays.begin(), FDays.end()), FDays.end());
}

bool THolidayDays::Contains(qint64 day)
{
    if (FHolidays.empty())
        return false;
    Cover(day, day + 1);
    return std::binary_search(FDays.begin(), FDays.end(), day);
}

void THolidayDays::Collect(qint64 from, qint64 to, std::vector<qint64> &days)
{
    days.clear();
    if (FHolidays.empty() || to <= from)
        return;
    Cover(from, to);
    days.assign(std::lower_bound(FDays.begin(), FDays.end(), from),
                std::lower_bound(FDays.begin(), FDays.end(), to));
}

// ---- the calendar

TWorkCalendar::TWorkCalendar(const tWeekInfo &week, bool minuteWise, THolidayDays &holidays, TDaySpans absent)
    : FWeek(week), FMinuteWise(minuteWise), FHolidays(holidays), FAbsent(std::move(absent))
{
    for (int dow = 0; dow < 7; ++dow) {
        FCanWork = FCanWork || DayCanWork(FWeek[dow], FMinuteWise);
        const int now = EnterDay(FWeek[dow], FWeek[dow].start.minutes);
        FFullDay[dow] = now >= MinsPerDay ? 0 : DayAvail(FWeek[dow], now, FMinuteWise);
        FWeekTotal += FFullDay[dow];
    }
}

void TWorkCalendar::SetReach(qint64 from, qint64 to)
{
    FReachFrom = from;
    FReachTo = to;
}

const TDayInfo &TWorkCalendar::Day(qint64 day) const
{
    return FWeek[WeekdayOf(day)];
}

bool TWorkCalendar::Blocked(qint64 day)
{
    // Inside the running sums a day that takes work when free is blocked when it adds none.
    if (day >= FFirst && day < FFirst + qint64(FSum.size()) - 1 && FFullDay[WeekdayOf(day)] > 0) {
        const std::size_t at = std::size_t(day - FFirst);
        return FSum[at + 1] == FSum[at];
    }
    if (FHolidays.Contains(day))
        return true;
    const auto after = std::upper_bound(FAbsent.begin(), FAbsent.end(), std::pair<qint64, qint64>(day, LastCalendarDay + 1));
    return after != FAbsent.begin() && std::prev(after)->second > day;
}

int TWorkCalendar::Avail(qint64 dayNumber, int now)
{
    const int avail = DayAvail(Day(dayNumber), now, FMinuteWise);
    return avail > 0 && Blocked(dayNumber) ? 0 : avail;
}

TWorkMoment TWorkCalendar::Step(TWorkMoment d, qint64 &rem)
{
    const TDayInfo &day = Day(d.day);
    const int now = EnterDay(day, d.minute);
    const int avail = now >= MinsPerDay ? 0 : Avail(d.day, now);
    if (avail > rem || (avail == rem && FMinuteWise)) {
        qint64 result = now + rem;
        for (const TPauseInfo &pause : day.pause)
            if (pause.start.minutes > now && pause.start.minutes < result)
                result += pause.length;
        rem = 0;
        return {d.day + result / MinsPerDay, int(result % MinsPerDay)};
    }
    rem -= avail;
    const qint64 next = d.day + 1;
    return {next, Day(next).start.minutes};
}

bool TWorkCalendar::WalkEndOf(TWorkMoment start, qint64 minutes, TWorkMoment &end)
{
    end = start;
    if (minutes <= 0)
        return true;
    if (!FCanWork)
        return false;
    qint64 rem = minutes;
    bool first = true;
    while (rem > 0) {
        if (end.day > LastCalendarDay)
            return false;
        end = Step(end, rem);
        if (first && rem > 0 && FWeekTotal == 0)
            return false; // no day entered at its start offers any time
        first = false;
    }
    return true;
}

bool TWorkCalendar::Cover(qint64 from, qint64 to)
{
    const qint64 last = FFirst + qint64(FSum.size()) - 1; // the window is [FFirst, last)
    if (!FSum.empty() && from >= FFirst && to <= last)
        return true;
    if (!FSum.empty()) {
        // Grow by at least the present size on the side that is short, so that a walk
        // along the calendar rebuilds it only a few times.
        const qint64 size = last - FFirst;
        qint64 grownFrom = FFirst - size;
        qint64 grownTo = last + size;
        if (FReachFrom < FReachTo) {
            // Within the reach it grows to the reach's edge at once (by some years at most);
            // past it by an eighth, so that asking along its edge rebuilds it only a few times.
            const qint64 jump = std::max<qint64>(size, MaxReachJump);
            grownFrom = from >= FReachFrom ? std::max(FReachFrom, FFirst - jump) : from - size / 8 - 64;
            grownTo = to <= FReachTo ? std::min(FReachTo, last + jump) : to + size / 8 + 64;
        }
        from = from < FFirst ? std::min(from, grownFrom) : FFirst;
        to = to > last ? std::max(to, grownTo) : last;
    }
    from = std::max(from, FirstCalendarDay - 1);
    to = std::min(to, LastCalendarDay + 2);
    // 32-bit sums: a day has at most 1440 minutes.
    if (to - from > MaxWindowDays)
        return false;
    std::vector<qint64> holidays;
    FHolidays.Collect(from, to, holidays);
    std::vector<quint32> sums(std::size_t(to - from + 1), 0);
    if (FSum.empty()) {
        Accumulate(from, to, holidays, sums.data());
    } else {
        // The days already summed keep their sums, raised by the days put before them.
        Accumulate(from, FFirst, holidays, sums.data());
        const std::size_t shift = std::size_t(FFirst - from);
        const quint32 before = sums[shift];
        for (std::size_t i = 1; i < FSum.size(); ++i)
            sums[shift + i] = before + FSum[i];
        Accumulate(last, to, holidays, sums.data() + (last - from));
    }
    FFirst = from;
    FSum.swap(sums);
    return true;
}

void TWorkCalendar::Accumulate(qint64 from, qint64 to, const std::vector<qint64> &holidays, quint32 *sums) const
{
    auto holiday = std::lower_bound(holidays.begin(), holidays.end(), from);
    auto absent = std::lower_bound(FAbsent.begin(), FAbsent.end(), std::pair<qint64, qint64>(from, from));
    if (absent != FAbsent.begin() && std::prev(absent)->second > from)
        --absent;
    // Two weeks in a row, so that a run of free days reads the week from any weekday on.
    int weeks[14];
    for (int i = 0; i < 14; ++i)
        weeks[i] = FFullDay[i % 7];
    quint32 sum = sums[0];
    qint64 day = from;
    while (day < to) {
        while (holiday != holidays.end() && *holiday < day)
            ++holiday;
        while (absent != FAbsent.end() && absent->second <= day)
            ++absent;
        // The free days up to the next holiday or absent day, a week at a time.
        qint64 next = to;
        if (holiday != holidays.end())
            next = std::min(next, *holiday);
        if (absent != FAbsent.end())
            next = std::min(next, std::max(absent->first, day));
        quint32 *out = sums + (day - from + 1);
        const int *week = weeks + WeekdayOf(day);
        qint64 run = next - day;
        for (; run >= 7; run -= 7, out += 7)
            for (int i = 0; i < 7; ++i) {
                sum += quint32(week[i]);
                out[i] = sum;
            }
        for (int i = 0; i < run; ++i) {
            sum += quint32(week[i]);
            out[i] = sum;
        }
        day = next;
        if (day < to) {
            sums[day - from + 1] = sum; // blocked: takes no work
            ++day;
        }
    }
}

bool TWorkCalendar::EndOf(TWorkMoment start, qint64 minutes, TWorkMoment &end)
{
    end = start;
    if (minutes <= 0)
        return true;
    if (!FCanWork || start.day > LastCalendarDay)
        return false;
    if (start.day <= FirstCalendarDay)
        return WalkEndOf(start, minutes, end); // before the calendar: no sums there
    qint64 rem = minutes;
    // The first day may start anywhere in it; every later day is entered at its start.
    end = Step(start, rem);
    if (rem == 0)
        return true;
    if (FWeekTotal == 0)
        return false;
    const qint64 first = end.day;
    // A guess at the days needed, weeks of the bare week plus room for days off.
    qint64 to = first + rem * 7 / FWeekTotal * 5 / 4 + 32;
    for (;;) {
        if (!Cover(first, std::min(to, LastCalendarDay + 2)))
            return WalkEndOf(start, minutes, end); // thousands of years of work
        const auto begin = FSum.begin() + (first - FFirst);
        const qint64 target = qint64(*begin) + rem;
        // Most work ends within weeks: search outward from the first day in growing steps,
        // then within the last step, so that the sums of far days stay out of the cache.
        auto low = begin + 1;
        auto found = FSum.end();
        for (qsizetype step = 8;; step *= 2) {
            const auto high = FSum.end() - low > step ? low + step : FSum.end();
            if (high == FSum.end() || *(high - 1) >= target) {
                found = std::lower_bound(low, high, target);
                break;
            }
            low = high;
        }
        if (found == FSum.end()) {
            if (FFirst + qint64(FSum.size()) - 1 > LastCalendarDay)
                return false;
            to = FFirst + 2 * qint64(FSum.size());
            continue;
        }
        // The work ends on day `last`, entered at its start with what the days before left.
        const qint64 last = FFirst + (found - FSum.begin()) - 1;
        if (last > LastCalendarDay)
            return false;
        rem -= qint64(*(found - 1)) - qint64(*begin);
        end = Step({last, Day(last).start.minutes}, rem);
        return true;
    }
}

qint64 TWorkCalendar::LengthBetween(TWorkMoment from, TWorkMoment to)
{
    qint64 length = 0;
    TWorkMoment s = from;
    while (s < to) {
        const TDayInfo &day = Day(s.day);
        const int now = EnterDay(day, s.minute);
        const int avail = now >= MinsPerDay ? 0 : Avail(s.day, now);
        if (s.day == to.day) {
            // The end lies on this day.
            if (avail > 0)
                length += std::min(avail, WorkingMinutes(day, now, to.minute, FMinuteWise));
            break;
        }
        length += avail;
        ++s.day;
        s.minute = Day(s.day).start.minutes;
    }
    return length;
}
