#pragma once

// The core's scheduling state, shared by the files of the scheduling arithmetic.

#include <memory>
#include <unordered_map>
#include <vector>

#include "core/DateTexts.h"
#include "core/PlannerCore.h"
#include "core/TextPool.h"
#include "core/WorkCalendar.h"

struct TPlannerCore::TScheduleState
{
    TDateTexts dates;
    TTextPool texts;
    THolidayDays holidays;
    // What the calendars and spans were made from.
    quint64 positions = ~quint64(0);
    quint64 absences = ~quint64(0);
    TMinUnit unit = muDay;
    // Absent days per entry of the expanded position list, those of "*" included.
    bool spansMade = false;
    std::vector<TDaySpans> spans;
    TDaySpans everyone;
    // Keyed by position * 2 + 1 for the calendars of absent days (no absences, whole days).
    std::unordered_map<qint64, std::unique_ptr<TWorkCalendar>> calendars;
};
