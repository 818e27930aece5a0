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
#include "core/ScheduleState.h"
#include "core/WorkCalendar.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int MinutesPerWorkDay = 480;

// Seconds are dropped; negative values keep the date-time convention (the fraction is the
// time of day whatever the sign).
TWorkMoment ToMoment(TDateTime value)
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

TDateTime FromMoment(TWorkMoment m)
{
    const qint64 days = FloorDiv(m.minute, MinsPerDay);
    m.day += days;
    m.minute -= int(days * MinsPerDay);
    return m.day >= 0 ? double(m.day) + m.minute / double(MinsPerDay)
                      : double(m.day) - m.minute / double(MinsPerDay);
}

// Overlapping spans become one, so that a search finds every day.
TDaySpans Merged(TDaySpans spans)
{
    std::sort(spans.begin(), spans.end());
    TDaySpans merged;
    for (const auto &span : spans) {
        if (span.second <= span.first)
            continue;
        if (!merged.empty() && span.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

} // namespace

// ---- lengths

int TPlannerCore::calcNodeLength(TWhichTable table, const QString &text) const
{
    // Computed in 64 bits: a huge number of days or hours is held at the largest length.
    qint64 minutes = 0;
    const QStringView value(text);
    bool ok = false;
    // Plain digits, the usual length text, read at once.
    if (!value.isEmpty() && value.size() <= 9
        && std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        qint64 number = 0;
        for (const QChar c : value)
            number = number * 10 + (c.unicode() - u'0');
        minutes = FMinUnit == muMinute && table == tbTable ? number * 60 : number * MinutesPerWorkDay;
        return int(std::min<qint64>(minutes, std::numeric_limits<int>::max()));
    }
    if (FMinUnit == muMinute && table == tbTable) {
        const qsizetype comma = value.indexOf(QLatin1Char(','));
        const qint64 hours = (comma < 0 ? value : value.left(comma)).trimmed().toInt(&ok);
        minutes = ok ? hours * 60 : 0;
        if (comma >= 0) {
            const qint64 rest = value.mid(comma + 1).trimmed().toInt(&ok);
            minutes += ok ? rest : 0;
        }
    } else {
        const qint64 days = value.trimmed().toInt(&ok);
        minutes = ok ? days * MinutesPerWorkDay : 0;
    }
    return int(std::clamp<qint64>(minutes, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
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
    // A chart reaching the calendar's end ends with it.
    FUserDate = std::clamp(std::trunc(value), std::trunc(MinDateTime), std::trunc(MaxDateTime));
    // The chart may go there before the next idle moment recomputes the range.
    WidenBoundsToUserDate();
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

// ---- calendars

void TPlannerCoreState::TScheduleStateDeleter::operator()(TScheduleState *state) const
{
    delete state;
}

TPlannerCore::TScheduleState &TPlannerCore::ScheduleState()
{
    if (!FSchedule || !FRowBatch)
        ValidateScheduleState();
    return *FSchedule;
}

void TPlannerCore::ValidateScheduleState()
{
    if (!FSchedule)
        FSchedule.reset(new TScheduleState);
    TScheduleState &state = *FSchedule;
    const quint64 positions = PositionCache().generation;
    bool drop = state.holidays.SetHolidays(FHolidayList) || state.unit != FMinUnit;
    if (state.positions != positions || state.absences != FAbsenceGeneration) {
        state.spansMade = false;
        drop = true;
    }
    if (drop) {
        for (auto &calendars : state.calendars)
            calendars.clear();
        if (++state.epoch == 0)
            state.epoch = 1;
    }
    state.positions = positions;
    state.absences = FAbsenceGeneration;
    state.unit = FMinUnit;
}

TDateTexts &TPlannerCore::DateTexts()
{
    if (!FSchedule)
        ValidateScheduleState();
    if (!FRowBatch)
        FSchedule->dates.Validate(FMinUnit);
    return FSchedule->dates;
}

TWorkCalendar &TPlannerCore::CalendarOf(int position, bool absentDay)
{
    TScheduleState &state = ScheduleState();
    auto &calendars = state.calendars[absentDay ? 1 : 0];
    const std::size_t slot = std::size_t(std::max(position, AllPositions) - AllPositions);
    if (slot < calendars.size() && calendars[slot])
        return *calendars[slot];
    if (slot >= calendars.size())
        calendars.resize(slot + 1);
    TDaySpans absent;
    if (!absentDay) {
        if (!state.spansMade) {
            // One walk over the absent days serves every position.
            const std::vector<std::vector<int>> &blocks = PositionsInHolidayGroup();
            state.spans.assign(blocks.size(), TDaySpans());
            state.everyone.clear();
            ForEach(tbExclude, feAll, [&](TNodeData *node) {
                if (!node->nodeValid)
                    return;
                const std::pair<qint64, qint64> span(ToMoment(node->nodeStart).day, ToMoment(node->nodeEnd).day + 1);
                const int owner = node->nodePosition;
                if (owner == AllPositions) {
                    state.everyone.push_back(span);
                } else if (owner >= 0 && std::size_t(owner) < blocks.size()) {
                    // An absence of a multi-row position holds for every row of its block.
                    for (const int row : blocks[std::size_t(owner)])
                        if (row >= 0 && std::size_t(row) < state.spans.size())
                            state.spans[std::size_t(row)].push_back(span);
                }
            });
            for (TDaySpans &spans : state.spans) {
                spans.insert(spans.end(), state.everyone.begin(), state.everyone.end());
                spans = Merged(std::move(spans));
            }
            state.everyone = Merged(std::move(state.everyone));
            state.spansMade = true;
        }
        absent = position >= 0 && std::size_t(position) < state.spans.size() ? state.spans[std::size_t(position)]
                                                                              : state.everyone;
    }
    const bool minuteWise = FMinUnit == muMinute && !absentDay;
    auto calendar = std::make_unique<TWorkCalendar>(GetPositionWeekInfo(position), minuteWise, state.holidays,
                                                    std::move(absent));
    calendar->SetReach(state.reachFrom, state.reachTo);
    calendars[slot] = std::move(calendar);
    return *calendars[slot];
}

void TPlannerCore::AbsentDayChanged(int oldPosition, int newPosition)
{
    ++FAbsenceGeneration;
    if (IsUpdating() && !FRowsOnlyBracket)
        return; // the outermost EndUpdate computes every end anyway
    for (const int position : {oldPosition, newPosition})
        if (position >= 0 || position == AllPositions)
            FTouchedAbsences.push_back(position);
}

void TPlannerCore::RecalcTasksOfTouchedAbsences()
{
    if (FTouchedAbsences.empty() || IsUpdating())
        return;
    std::vector<int> touched;
    touched.swap(FTouchedAbsences);
    const bool all = std::find(touched.begin(), touched.end(), AllPositions) != touched.end();
    const std::vector<std::vector<int>> &blocks = PositionsInHolidayGroup();
    std::vector<bool> affected(blocks.size(), all);
    for (const int position : touched)
        if (position >= 0 && std::size_t(position) < blocks.size())
            for (const int row : blocks[std::size_t(position)])
                if (row >= 0 && std::size_t(row) < affected.size())
                    affected[std::size_t(row)] = true;
    ForEach(tbTable, feAll, [&](TNodeData *node) {
        const int position = node->nodePosition;
        if (position < 0 || std::size_t(position) >= affected.size() || !affected[std::size_t(position)])
            return;
        node->RecalcEndOf = true;
        CB_SetRecalcBitmap(node, nullptr);
        CB_CheckValid(node);
    });
}

// ---- the end of a row

namespace {

// Whether an end was computed from these inputs under these calendars.
bool SameInputs(const TNodeData::TEndMemo &memo, const TNodeData::TEndMemo &inputs)
{
    return memo.epoch != 0 && memo.epoch == inputs.epoch && memo.start == inputs.start
           && memo.length == inputs.length && memo.position == inputs.position && memo.workDays == inputs.workDays;
}

} // namespace

bool TPlannerCore::SetEndOf(TNodeData *node, TDateTime value)
{
    if (!node)
        return false;
    // A column that also holds what the end is computed from (a file may connect the start and
    // the end to one column) never takes the end: the write would start the calculation again.
    const int column = GetConnection(node->NodeTable, cnEnd);
    if (GetColumnConnection(node->NodeTable, column) != cnEnd)
        return false;
    // Most ends stay as they were: compared without making the text.
    if (value != 0 && DateTexts().IsWritten(Cell(node, column), value))
        return true;
    // A failed calculation leaves the end empty instead of writing 1899-12-30.
    const QString text = value == 0 ? QString() : DateTexts().Write(value);
    DoSetData(node, column, text, false);
    return true;
}

TNodeData::TEndMemo TPlannerCore::EndInputs(const TNodeData *node, bool cellsRead) const
{
    const TWhichTable table = node->NodeTable;
    TNodeData::TEndMemo inputs;
    inputs.start = GetStartOf(node);
    inputs.length = node->nodeLength;
    // The row's own position, whatever group is shown.
    inputs.position = GetConnection(table, cnPosition) >= 0 ? node->nodePosition : 0;
    const bool absentDay = table == tbExclude;
    // The "Working Days" flag as last read, unless the cells changed since.
    inputs.workDays = (inputs.position != AllPositions && !absentDay)
                      || (absentDay
                          && (cellsRead ? node->nodeWorkDays : GetData_(node, cnLengthWithWeekend) == BoolName(true)));
    inputs.epoch = FSchedule ? FSchedule->epoch : 0;
    return inputs;
}

bool TPlannerCore::EndRemembered(const TNodeData *node) const
{
    return node->nodeReadUnder == FCellRules && SameInputs(node->nodeEndMemo, EndInputs(node, true));
}

TDateTime TPlannerCore::ComputeEnd(TNodeData *node)
{
    // The calendars as they are now, so that the epoch tells whether they changed.
    ScheduleState();
    TNodeData::TEndMemo inputs = EndInputs(node, node->nodeReadUnder == FCellRules);
    // Most rows are computed again with nothing of theirs changed (every outermost EndUpdate
    // asks for every end): their end is the one computed last.
    if (SameInputs(node->nodeEndMemo, inputs))
        return node->nodeEndMemo.end;
    inputs.end = ComputeEnd(inputs.start, node->NodeTable, inputs.position, inputs.length, inputs.workDays);
    node->nodeEndMemo = inputs;
    return inputs.end;
}

TDateTime TPlannerCore::ComputeEnd(TDateTime start, TWhichTable table, int position, qint64 rem, bool workDays)
{
    TWorkMoment m = ToMoment(start);
    const bool absentDay = table == tbExclude;
    if (workDays) {
        if (!CalendarOf(position, absentDay).EndOf(m, rem, m))
            return 0;
    } else {
        // Calendar time: a day of 480 working minutes is 1440 clock minutes.
        const qint64 minutes = m.minute + rem * 3;
        const qint64 days = FloorDiv(minutes, MinsPerDay);
        m.day += days;
        m.minute = int(minutes - days * MinsPerDay);
    }
    if (m.day > LastCalendarDay || m.day < -693593)
        return 0;
    if (FMinUnit == muDay || absentDay)
        return double(m.day - 1); // the last day covered, inclusive
    return FromMoment(m);
}

TDateTime TPlannerCore::GetEndOf(TNodeData *node)
{
    if (!node)
        return 0;
    if (!node->RecalcEndOf)
        return node->nodeEnd;
    if (GetStartOf(node) == 0)
        return 0;
    TDateTime d = 0;
    try {
        d = ComputeEnd(node);
    } catch (...) {
        d = 0;
    }
    node->RecalcEndOf = false;
    // The end cell still holds the text of this end: nothing to write or compare.
    if (d != 0 && d == node->nodeComputedEnd && node->nodeReadUnder == FCellRules)
        return d;
    node->nodeComputedEnd = SetEndOf(node, d) ? d : 0;
    return d;
}

// ---- the length between two dates

int TPlannerCore::calcLengthOf(TWhichTable table, int row, TDateTime start, TDateTime end)
{
    return calcLengthOf(table, row, start, end, table != tbExclude || FDefaultCalcWorkdays);
}

int TPlannerCore::calcLengthOf(TWhichTable table, int row, TDateTime start, TDateTime end, bool workDays)
{
    if (end <= start)
        return 0;
    if (table == tbExclude && !workDays)
        return TimeInMinutes(end - start);
    const TWorkMoment from = ToMoment(start);
    const TWorkMoment to = ToMoment(end);
    if (table == tbTable && row == AllPositions) {
        // The row "*" runs on the calendar: the inverse of start + length / 480 days.
        const qint64 clock = (to.day - from.day) * MinsPerDay + (to.minute - from.minute);
        return int(std::clamp<qint64>((clock + 1) / 3, 0, std::numeric_limits<int>::max()));
    }
    const int position = row == AllPositions ? AllPositions : PositionOfRow(row);
    const qint64 length = CalendarOf(position, table == tbExclude).LengthBetween(from, to);
    return int(std::min<qint64>(length, std::numeric_limits<int>::max()));
}
