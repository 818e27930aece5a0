#pragma once

// A generated plan: resources with the default working week, tasks laid one after another on
// each resource with small gaps, an absence per resource before them and two public holidays. Used by the
// chart benchmarks and by make_plan, which writes such a plan as a document.

#include <QString>
#include <QStringList>

#include "CommaText.h"
#include "DateFormat.h"
#include "core/PlannerCore.h"

inline QString PlanResourceName(int index)
{
    return QStringLiteral("Resource %1").arg(index + 1, 3, 10, QLatin1Char('0'));
}

// Fills a new document: `tasks` tasks over `resources` resources from `first` on. Rows are
// added as loading adds them, in one update bracket and without journal.
inline void FillPlan(TPlannerCore &core, int tasks, int resources, TDateTime first)
{
    core.BeginUpdate(QStringLiteral("filling"));
    const int positionColumn = core.GetConnection(tbTable, cnPosition);
    QStringList &positions = core.ColumnStrings(tbTable, positionColumn);
    positions.clear();
    for (int r = 0; r < resources; ++r)
        positions.append(CommaTextOf({PlanResourceName(r)}));
    core.CreateDefaultWeekInfo();
    core.AddHoliday(QStringLiteral("New Year"), 1, 1, true, false);
    core.AddHoliday(QStringLiteral("Easter Monday"), 1, 0, true, true);
    const QString comments[] = {QStringLiteral("Assembly"), QStringLiteral("Review of drawings"),
                                QStringLiteral("Maintenance of the press"), QStringLiteral("Delivery")};
    // Every resource starts on a working day.
    while (WeekdayIndex(first) == 0 || WeekdayIndex(first) == 6)
        first += 1;
    std::vector<TDateTime> next(std::size_t(std::max(resources, 1)), first);
    for (int i = 0; i < tasks; ++i) {
        const int r = int((i * 7919LL) % resources);
        TDateTime &day = next[std::size_t(r)];
        const int length = 1 + (i * 31) % 7;
        TNodeData *node = core.AddNode(QStringLiteral("plan.%1").arg(i), tbTable, false);
        core.DoSetData(node, core.GetConnection(tbTable, cnPosition), PlanResourceName(r), false);
        core.DoSetData(node, core.GetConnection(tbTable, cnStart), DateToStr(day), false);
        core.DoSetData(node, core.GetConnection(tbTable, cnLength), QString::number(length), false);
        core.DoSetData(node, core.GetConnection(tbTable, cnColor),
                       QStringLiteral("State %1").arg(1 + i % 3), false);
        core.DoSetData(node, core.GetConnection(tbTable, cnTextCenterMiddle),
                       comments[i % 4] + QStringLiteral(" %1").arg(i), false);
        // The next task starts after this one's last working day (Monday to Friday), after a
        // gap of 1 to 3 working days (a public holiday inside a task takes one), so that a
        // resource's tasks never overlap.
        for (int worked = 0; worked < length + 1 + i % 3;) {
            if (WeekdayIndex(day) >= 1 && WeekdayIndex(day) <= 5)
                ++worked;
            day += 1;
        }
    }
    for (int r = 0; r < resources; ++r) {
        TNodeData *node = core.AddNode(QStringLiteral("plan.a%1").arg(r), tbExclude, false);
        core.DoSetData(node, core.GetConnection(tbExclude, cnPosition), PlanResourceName(r), false);
        // Absences lie before the tasks, which they would otherwise push into each other.
        core.DoSetData(node, core.GetConnection(tbExclude, cnStart), DateToStr(first - 12 + r % 5), false);
        core.DoSetData(node, core.GetConnection(tbExclude, cnLength), QString::number(1 + r % 4), false);
        core.DoSetData(node, core.GetConnection(tbExclude, cnColor), QStringLiteral("Holiday"), false);
        core.DoSetData(node, core.GetConnection(tbExclude, cnTextCenterMiddle), QStringLiteral("away"), false);
    }
    core.EndUpdate();
}
