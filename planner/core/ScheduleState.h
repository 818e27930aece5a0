#pragma once

// The core's scheduling state, shared by the files of the scheduling arithmetic.

#include <array>
#include <memory>
#include <vector>

#include "core/DateTexts.h"
#include "core/PlannerCore.h"
#include "core/TextPool.h"
#include "core/WorkCalendar.h"

struct TPlannerCoreState::TScheduleState
{
    TDateTexts dates;
    TTextPool texts;
    THolidayDays holidays;
    // What the calendars and spans were made from.
    quint64 positions = ~quint64(0);
    quint64 absences = ~quint64(0);
    TMinUnit unit = muDay;
    // Raised whenever the calendars are dropped: an end computed under another epoch may
    // differ now. Never 0.
    quint32 epoch = 1;
    // Absent days per entry of the expanded position list, those of "*" included.
    bool spansMade = false;
    std::vector<TDaySpans> spans;
    TDaySpans everyone;
    // What the cells of the rows were last read by (CheckCellRules).
    struct TCellRulesKey
    {
        quint32 dates = 0;
        quint64 positions = 0;
        std::array<QStringList, WhichTableCount> states;
        std::array<std::array<int, ConnectionCount>, WhichTableCount> connections{};
        bool known = false;
    };
    TCellRulesKey rules;
    // Per position + 9 ("*" is -9, an unknown position -1): the calendars of tasks, and of
    // absent days (no absences, whole days).
    std::array<std::vector<std::unique_ptr<TWorkCalendar>>, 2> calendars;
    // The days the rows start on, when every row is read: what the calendars grow within.
    qint64 reachFrom = 0;
    qint64 reachTo = 0;
};
