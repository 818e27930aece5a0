// The rows' caches (dates, position, length, colour, validity) and their ends: one row after
// a write, the rows still marked for recalculation, or every row when the outermost update
// bracket closes. Absent days are done before tasks, whose ends depend on them.

#include "core/PlannerCore.h"

#include <algorithm>

#include "DateFormat.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// Sets a flag for the lifetime of a scope, whatever leaves it.
class TFlagScope
{
public:
    explicit TFlagScope(bool &flag) : FFlag(flag), FBefore(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FBefore; }
    TFlagScope(const TFlagScope &) = delete;
    TFlagScope &operator=(const TFlagScope &) = delete;

private:
    bool &FFlag;
    bool FBefore;
};

class TDepthScope
{
public:
    explicit TDepthScope(int &depth) : FDepth(depth) { ++FDepth; }
    ~TDepthScope() { --FDepth; }
    TDepthScope(const TDepthScope &) = delete;
    TDepthScope &operator=(const TDepthScope &) = delete;

private:
    int &FDepth;
};

} // namespace

// ---- one row

void TPlannerCore::RefreshRow(TNodeData *node)
{
    if (!node)
        return;
    {
        TDepthScope depth(FRefreshDepth);
        const TWhichTable table = node->NodeTable;
        const bool wasValid = node->nodeValid;
        const int oldPosition = node->nodePosition;
        const TDateTime oldStart = node->nodeStart;
        const TDateTime oldEnd = node->nodeEnd;

        const QString startText = GetData_(node, cnStart);
        TDateTime start = 0;
        const bool startOk = !startText.trimmed().isEmpty() && TryStrToDateTime(startText, start);
        node->nodeStart = startOk ? StrToDateTime(startText, 0) : 0;

        // Without a position column every row lives in the one chart row.
        const bool hasPosition = GetConnection(table, cnPosition) >= 0;
        node->nodePosition = hasPosition ? GetDataIndex_(node, cnPosition) : 0;
        node->nodeLength = calcNodeLength(table, GetData_(node, cnLength));
        node->nodeColor = GetDataIndex_(node, cnColor);

        // A pending end is computed now, so that a row with an empty end cell can become
        // valid; a row whose end cannot be had keeps its request.
        if (node->RecalcEndOf && startOk && node->nodeLength > 0
            && (!hasPosition || node->nodePosition >= 0 || node->nodePosition == -9))
            GetEndOf(node);
        const QString endText = GetData_(node, cnEnd);
        TDateTime end = 0;
        const bool endOk = !endText.trimmed().isEmpty() && TryStrToDateTime(endText, end);
        node->nodeEnd = endOk ? StrToDateTime(endText, 0) : 0;

        node->nodeValid = node->nodeLength > 0 && startOk && endOk
                          && !GetData_(node, cnLength).isEmpty()
                          && (!hasPosition || !GetData_(node, cnPosition).isEmpty())
                          && isDateOK(node->nodeStart) && isDateOK(node->nodeEnd);

        node->nodeTermin = 0;
        if (GetConnection(table, cnTermin) >= 0) {
            node->nodeTermin = StrToDateTime(GetData_(node, cnTermin), 0);
            if (!isDateOK(node->nodeTermin))
                node->nodeTermin = 0;
        }

        if (table == tbExclude
            && (wasValid != node->nodeValid
                || (node->nodeValid
                    && (oldPosition != node->nodePosition || oldStart != node->nodeStart || oldEnd != node->nodeEnd))))
            AbsentDayChanged(wasValid ? oldPosition : -2, node->nodeValid ? node->nodePosition : -2);
    }
    if (FRefreshDepth == 0)
        SettleMarkedEnds();
}

// ---- rows left marked

void TPlannerCore::SettleMarkedEnds()
{
    if (IsUpdating() || FSettlingEnds || (FTouchedAbsences.empty() && FMarkedEndRows.empty()))
        return;
    TFlagScope settling(FSettlingEnds);
    RecalcTasksOfTouchedAbsences();
    std::vector<TNodeData *> rows;
    rows.swap(FMarkedEndRows);
    // Absent days first: the tasks' calendars are made from them.
    for (const TWhichTable table : {tbExclude, tbTable})
        for (TNodeData *node : rows)
            if (node->NodeTable == table && node->RecalcEndOf)
                RefreshRow(node);
}

void TPlannerCore::RecalcPendingEnds()
{
    const bool updating = IsUpdating();
    SettleMarkedEnds();
    TFlagScope settling(FSettlingEnds);
    FMarkedEndRows.clear();
    // Inside a bracket no write refreshed the caches: every absent day is read again, for
    // the tasks' calendars.
    ForEach(tbExclude, feAll, [&](TNodeData *node) {
        if (updating || node->RecalcEndOf)
            RefreshRow(node);
    });
    ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (node->RecalcEndOf)
            RefreshRow(node);
    });
    if (!updating)
        RecalcTasksOfTouchedAbsences();
}

// ---- every row

void TPlannerCore::RecalcAllRows()
{
    TFlagScope settling(FSettlingEnds);
    FTouchedAbsences.clear();
    FMarkedEndRows.clear();
    std::vector<TNodeData *> rows[WhichTableCount];
    for (const TWhichTable table : {tbTable, tbExclude}) {
        rows[table].reserve(std::size_t(GetTableRowCount(table)));
        ForEach(table, feAll, [&](TNodeData *node) { rows[table].push_back(node); });
    }

    // The range first, from the cells of every complete row, so that rows far from the
    // previous range can become valid and the chart's holidays are those of the data.
    TDateTime lo = 0;
    TDateTime hi = 0;
    bool any = false;
    for (const TWhichTable table : {tbTable, tbExclude}) {
        const bool hasPosition = GetConnection(table, cnPosition) >= 0;
        for (TNodeData *node : rows[table]) {
            // Every end is computed anew and every bar picture drawn anew.
            node->RecalcEndOf = true;
            node->RecalcBitmap = true;
            const TDateTime start = StrToDateTime(GetData_(node, cnStart), 0);
            if (start == 0 || calcNodeLength(table, GetData_(node, cnLength)) <= 0
                || (hasPosition && GetData_(node, cnPosition).isEmpty()))
                continue;
            const TDateTime end = StrToDateTime(GetData_(node, cnEnd), start);
            const TDateTime termin = StrToDateTime(GetData_(node, cnTermin), 0);
            TDateTime a = std::min(start, end);
            TDateTime b = std::max(start, end);
            if (termin != 0) {
                a = std::min(a, termin);
                b = std::max(b, termin);
            }
            lo = any ? std::min(lo, a) : a;
            hi = any ? std::max(hi, b) : b;
            any = true;
        }
    }
    ApplyDataBounds(any, lo, hi);

    // Absent days before tasks; nothing is left for the settling of single writes.
    for (const TWhichTable table : {tbExclude, tbTable})
        for (TNodeData *node : rows[table])
            RefreshRow(node);
    FTouchedAbsences.clear();
    FMarkedEndRows.clear();
    InvalidateTimeChart(false);
}
