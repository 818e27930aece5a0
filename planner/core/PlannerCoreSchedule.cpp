// The scheduling arithmetic: length texts, the end of a row from its start and length over
// its position's working week, the public holidays and its absent days, the length between
// two dates, the typed getters and setters, the time unit and the holiday list.
//
// Inside the calculation a date-time is a day number and a minute of that day: times of day
// are compared as integers, and the result becomes a date-time once at the end.

#include "core/PlannerCore.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "CommaText.h"
#include "Log.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int MinutesPerWorkDay = 480;
// 9999-12-31: no end lies beyond it.
constexpr qint64 LastDay = 2958465;
// Days without any working time after the last holiday and absence: the week cannot work.
constexpr int MaxIdleDays = 14;

struct TMoment
{
    qint64 day = 0;
    int minute = 0;

    bool operator<(const TMoment &other) const
    {
        return day < other.day || (day == other.day && minute < other.minute);
    }
};

// Seconds are dropped; negative values keep the date-time convention (the fraction is the
// time of day whatever the sign).
TMoment ToMoment(TDateTime value)
{
    const qint64 ms = qRound64(value * double(MSecsPerDay));
    const qint64 magnitude = ms < 0 ? -ms : ms;
    const qint64 day = magnitude / MSecsPerDay;
    return {ms < 0 ? -day : day, int((magnitude % MSecsPerDay) / 60000)};
}

qint64 FloorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((b - 1 - a) / b);
}

TDateTime FromMoment(TMoment m)
{
    const qint64 days = FloorDiv(m.minute, MinsPerDay);
    m.day += days;
    m.minute -= int(days * MinsPerDay);
    return m.day >= 0 ? double(m.day) + m.minute / double(MinsPerDay)
                      : double(m.day) - m.minute / double(MinsPerDay);
}

// Sunday = 0; day 0 (1899-12-30) was a Saturday.
int WeekdayOf(qint64 day)
{
    return int(((day % 7) + 7 + 6) % 7);
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

// The working days of one calculation: week, holidays and absent days, read forward.
class TWorkCalendar
{
public:
    TWorkCalendar(const tWeekInfo &week, bool minuteWise, const std::vector<qint64> &holidays,
                  const std::vector<std::pair<qint64, qint64>> &absent)
        : FWeek(week), FMinuteWise(minuteWise), FHolidays(holidays), FAbsent(absent)
    {
        FLastListDay = holidays.empty() ? 0 : holidays.back();
        if (!absent.empty())
            FLastListDay = std::max(FLastListDay, absent.back().second);
    }

    const TDayInfo &Day(qint64 day) const { return FWeek[WeekdayOf(day)]; }
    bool MinuteWise() const { return FMinuteWise; }
    qint64 LastListDay() const { return FLastListDay; }

    bool CanWork() const
    {
        return std::any_of(FWeek.day.begin(), FWeek.day.end(),
                           [this](const TDayInfo &day) { return DayCanWork(day, FMinuteWise); });
    }

    // Holidays first, then the row's absent days; days must not go backwards.
    bool Blocked(qint64 day)
    {
        while (FHoliday < FHolidays.size() && FHolidays[FHoliday] < day)
            ++FHoliday;
        if (FHoliday < FHolidays.size() && FHolidays[FHoliday] == day)
            return true;
        while (FAbsentAt < FAbsent.size() && FAbsent[FAbsentAt].second <= day)
            ++FAbsentAt;
        return FAbsentAt < FAbsent.size() && FAbsent[FAbsentAt].first <= day;
    }

    // Working minutes from `now` (already entered) to the day's working end.
    int Avail(const TDayInfo &day, qint64 dayNumber, int now)
    {
        int avail = MinutesPerWorkDay;
        if (FMinuteWise) {
            avail = day.start.minutes + day.length + PauseTotal(day) - now;
            for (const TPauseInfo &pause : day.pause)
                if (pause.EndMinutes() > now)
                    avail -= pause.length;
        }
        if (!day.active || now >= day.ende.minutes || Blocked(dayNumber))
            return 0;
        return std::max(avail, 0);
    }

private:
    const tWeekInfo &FWeek;
    bool FMinuteWise;
    const std::vector<qint64> &FHolidays;
    const std::vector<std::pair<qint64, qint64>> &FAbsent;
    std::size_t FHoliday = 0;
    std::size_t FAbsentAt = 0;
    qint64 FLastListDay = 0;
};

// One working day of the end calculation.
TMoment nextStep(TMoment d, qint64 &rem, TWorkCalendar &calendar)
{
    const TDayInfo &day = calendar.Day(d.day);
    const int now = EnterDay(day, d.minute);
    const int avail = now >= MinsPerDay ? 0 : calendar.Avail(day, d.day, now);
    if (avail > rem || (avail == rem && calendar.MinuteWise())) {
        qint64 result = now + rem;
        for (const TPauseInfo &pause : day.pause)
            if (pause.start.minutes > now && pause.start.minutes < result)
                result += pause.length;
        rem = 0;
        return {d.day + result / MinsPerDay, int(result % MinsPerDay)};
    }
    rem -= avail;
    const qint64 next = d.day + 1;
    return {next, calendar.Day(next).start.minutes};
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

// ---- lengths

int TPlannerCore::calcNodeLength(TWhichTable table, const QString &text) const
{
    if (FMinUnit == muMinute && table == tbTable) {
        QString value = text;
        if (!value.contains(QLatin1Char(',')))
            value += QStringLiteral(",0");
        const int comma = int(value.indexOf(QLatin1Char(',')));
        bool ok = false;
        int hours = value.left(comma).trimmed().toInt(&ok);
        if (!ok)
            hours = 0;
        int minutes = value.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok)
            minutes = 0;
        return hours * 60 + minutes;
    }
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    return ok ? days * MinutesPerWorkDay : 0;
}

QString TPlannerCore::LengthText(TWhichTable table, int minutes) const
{
    if (FMinUnit == muDay || table == tbExclude)
        return QString::number(minutes / MinutesPerWorkDay);
    if (minutes % 60 == 0)
        return QString::number(minutes / 60);
    return QString::number(minutes / 60) + QLatin1Char(',') + QString::number(minutes % 60);
}

int TPlannerCore::GetLengthOf(const TNodeData *node) const
{
    return node ? calcNodeLength(node->NodeTable, GetData_(node, cnLength)) : 0;
}

void TPlannerCore::SetLengthOf(TNodeData *node, int minutes)
{
    DoSetLengthOf(node, minutes, true);
}

void TPlannerCore::DoSetLengthOf(TNodeData *node, int minutes, bool journal)
{
    if (!node)
        return;
    DoSetData(node, GetConnection(node->NodeTable, cnLength), LengthText(node->NodeTable, minutes), journal);
}

void TPlannerCore::SetMinUnit(int unit)
{
    if (unit < muDay || unit > muMinute) {
        Log(QStringLiteral("tried to set minunit to ") + QString::number(unit));
        return;
    }
    FMinUnit = TMinUnit(unit);
    FWindow.ActiveTableChanged();
    FWindow.InvalidateChart();
}

// ---- start, deadline, user date

void TPlannerCore::SetStartOf(TNodeData *node, TDateTime value)
{
    DoSetStartOf(node, true, value);
}

void TPlannerCore::DoSetStartOf(TNodeData *node, bool journal, TDateTime value)
{
    if (!node)
        return;
    if (node->NodeTable == tbExclude)
        value = std::trunc(value);
    DoSetData(node, GetConnection(node->NodeTable, cnStart), FormatDateTime(value), journal);
}

TDateTime TPlannerCore::GetTerminOf(const TNodeData *node) const
{
    if (!node || GetConnection(node->NodeTable, cnTermin) < 0)
        return 0;
    return node->nodeTermin;
}

void TPlannerCore::SetTerminOf(TNodeData *node, TDateTime value)
{
    if (!node)
        return;
    SetData_(node, cnTermin, FormatDateTime(value));
}

void TPlannerCore::CB_OffsetNode(TNodeData *node, int days)
{
    if (!node)
        return;
    // Read from the cells: inside an update bracket the cached dates are not refreshed.
    const TDateTime start = StrToDateTime(GetData_(node, cnStart), 0);
    if (start != 0)
        SetStartOf(node, start + days);
    if (GetConnection(node->NodeTable, cnTermin) >= 0) {
        // An empty deadline stays empty instead of becoming a day of 1900.
        const TDateTime termin = StrToDateTime(GetData_(node, cnTermin), 0);
        if (termin != 0)
            SetTerminOf(node, termin + days);
    }
}

void TPlannerCore::SetUserdate(TDateTime value)
{
    FUserDate = std::trunc(value);
    UpdateBounds(true);
}

// ---- public holidays

void TPlannerCore::AddHoliday(const QString &name, int day, int month, bool enabled, bool easter)
{
    FHolidayList.push_back(THolidayData{name, day, month, enabled, easter});
}

void TPlannerCore::ClearHoliday()
{
    FHolidayList.clear();
}

THolidayData *TPlannerCore::GetHolidayData(int index)
{
    if (index < 0 || std::size_t(index) >= FHolidayList.size())
        return nullptr;
    return &FHolidayList[std::size_t(index)];
}

// ---- absent days

void TPlannerCore::BeginScheduleBatch()
{
    ++FScheduleBatch;
}

void TPlannerCore::EndScheduleBatch()
{
    if (FScheduleBatch > 0 && --FScheduleBatch == 0)
        FBatchSpans.clear();
}

void TPlannerCore::CollectAbsentSpans(int position, TDaySpans &spans)
{
    spans.clear();
    const std::vector<std::vector<int>> &blocks = PositionsInHolidayGroup();
    ForEach(tbExclude, feAll, [&](TNodeData *node) {
        if (!node->nodeValid)
            return;
        const int owner = node->nodePosition;
        bool applies = owner == -9;
        // An absence of a multi-row position holds for every row of its block.
        if (!applies && position >= 0 && owner >= 0 && std::size_t(owner) < blocks.size()) {
            const std::vector<int> &block = blocks[std::size_t(owner)];
            applies = std::find(block.begin(), block.end(), position) != block.end();
        }
        if (applies)
            spans.emplace_back(ToMoment(node->nodeStart).day, ToMoment(node->nodeEnd).day + 1);
    });
    std::sort(spans.begin(), spans.end());
    // Overlapping absences become one span, so that a single cursor finds every day.
    TDaySpans merged;
    for (const auto &span : spans) {
        if (span.second <= span.first)
            continue;
        if (!merged.empty() && span.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    spans.swap(merged);
}

TPlannerCore::TDaySpans TPlannerCore::AbsentSpans(int position)
{
    if (FScheduleBatch > 0) {
        const auto found = FBatchSpans.find(position);
        if (found != FBatchSpans.end())
            return found->second;
    }
    TDaySpans spans;
    CollectAbsentSpans(position, spans);
    if (FScheduleBatch > 0)
        FBatchSpans.emplace(position, spans);
    return spans;
}

// ---- the end of a row

void TPlannerCore::SetEndOf(TNodeData *node, TDateTime value)
{
    if (!node)
        return;
    // A failed calculation leaves the end empty instead of writing 1899-12-30.
    const QString text = value == 0 ? QString() : FormatDateTime(value);
    DoSetData(node, GetConnection(node->NodeTable, cnEnd), text, false);
}

TDateTime TPlannerCore::GetEndOf(TNodeData *node)
{
    if (!node)
        return 0;
    if (!node->RecalcEndOf)
        return node->nodeEnd;
    TDateTime d = GetStartOf(node);
    if (d == 0)
        return 0;
    const TWhichTable table = node->NodeTable;
    try {
        // The row's own position, whatever group is shown.
        const int position = GetConnection(table, cnPosition) >= 0 ? node->nodePosition : 0;
        qint64 rem = node->nodeLength;
        TMoment m = ToMoment(d);
        const bool workDays = (position != -9 && table == tbTable)
                              || (table == tbExclude && GetData_(node, cnLengthWithWeekend) == BoolName(true));
        if (workDays) {
            const TDaySpans absent = table == tbTable ? AbsentSpans(position) : TDaySpans();
            const tWeekInfo week = GetPositionWeekInfo(position);
            TWorkCalendar calendar(week, FMinUnit == muMinute && table == tbTable, FHolidayDays, absent);
            if (rem > 0 && !calendar.CanWork())
                throw std::runtime_error("no working time in the week");
            int idle = 0;
            while (rem > 0) {
                if (m.day > LastDay)
                    throw std::runtime_error("end beyond the calendar");
                const qint64 before = rem;
                m = nextStep(m, rem, calendar);
                if (rem == before && m.day > calendar.LastListDay()) {
                    if (++idle > MaxIdleDays)
                        throw std::runtime_error("no working time in the week");
                } else {
                    idle = 0;
                }
            }
        } else {
            // Calendar time: a day of 480 working minutes is 1440 clock minutes.
            const qint64 minutes = m.minute + rem * 3;
            const qint64 days = FloorDiv(minutes, MinsPerDay);
            m.day += days;
            m.minute = int(minutes - days * MinsPerDay);
        }
        if (m.day > LastDay || m.day < -693593)
            throw std::runtime_error("end beyond the calendar");
        if (FMinUnit == muDay || table == tbExclude)
            d = double(m.day - 1); // the last day covered, inclusive
        else
            d = FromMoment(m);
    } catch (...) {
        d = 0;
    }
    node->RecalcEndOf = false;
    SetEndOf(node, d);
    return d;
}

// ---- the length between two dates

int TPlannerCore::calcLengthOf(TWhichTable table, int row, TDateTime start, TDateTime end)
{
    if (end <= start)
        return 0;
    if (table == tbExclude && !FDefaultCalcWorkdays)
        return TimeInMinutes(end - start);
    const TMoment from = ToMoment(start);
    const TMoment to = ToMoment(end);
    if (table == tbTable && row == -9) {
        // The row "*" runs on the calendar: the inverse of start + length / 480 days.
        const qint64 clock = (to.day - from.day) * MinsPerDay + (to.minute - from.minute);
        return int(std::clamp<qint64>((clock + 1) / 3, 0, std::numeric_limits<int>::max()));
    }
    const int position = row == -9 ? -9 : PositionOfRow(row);
    const tWeekInfo week = row == -9 ? DefaultWeekInfo() : GetPositionWeekInfo(position);
    const TDaySpans absent = table == tbTable ? AbsentSpans(position) : TDaySpans();
    const bool minuteWise = FMinUnit == muMinute && table == tbTable;
    TWorkCalendar calendar(week, minuteWise, FHolidayDays, absent);
    qint64 length = 0;
    TMoment s = from;
    while (s < to) {
        const TDayInfo &day = calendar.Day(s.day);
        const int now = EnterDay(day, s.minute);
        const int avail = now >= MinsPerDay ? 0 : calendar.Avail(day, s.day, now);
        if (s.day == to.day) {
            // The end lies on this day.
            if (avail > 0)
                length += std::min(avail, WorkingMinutes(day, now, to.minute, minuteWise));
            break;
        }
        length += avail;
        ++s.day;
        s.minute = calendar.Day(s.day).start.minutes;
    }
    return int(std::min<qint64>(length, std::numeric_limits<int>::max()));
}
