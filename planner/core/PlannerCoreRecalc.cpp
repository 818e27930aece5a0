// The rows' caches (dates, position, length, colour, validity) and their ends: one row after
// a write, the rows still marked for recalculation, or every row when the outermost update
// bracket closes. Absent days are done before tasks, whose ends depend on them.

#include "core/PlannerCore.h"

#include <algorithm>

#include <cmath>

#include "core/DateTexts.h"
#include "core/ScheduleState.h"
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

const QString &TPlannerCore::Cell(const TNodeData *node, int column)
{
    static const QString empty;
    return column >= 0 && column < node->StringList.size() ? node->StringList[column] : empty;
}

QString TPlannerCore::SharedCellText(TConnection cn, const QString &text)
{
    switch (cn) {
    case cnPosition:
    case cnStart:
    case cnEnd:
    case cnLength:
    case cnTermin:
    case cnColor:
    case cnLengthWithWeekend:
        if (!FSchedule)
            ValidateScheduleState();
        return FSchedule->texts.Shared(text);
    default:
        return text;
    }
}

namespace {

// Whether a text holds nothing but blanks (QString::trimmed's notion), quick for the usual.
bool Blank(const QString &text)
{
    if (text.isEmpty())
        return true;
    const char16_t first = text.front().unicode();
    if (first > u' ' && first < 0x7F)
        return false;
    return QStringView(text).trimmed().isEmpty();
}

} // namespace

TDateTime TPlannerCore::ReadCellDate(const QString &text, bool &ok)
{
    TDateTime value = 0;
    ok = !Blank(text) && DateTexts().Read(text, value);
    if (!ok)
        return 0;
    return FMinUnit == muDay ? std::trunc(value) : value;
}

void TPlannerCore::RefreshRow(TNodeData *node, TRowSpan *span)
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

        bool startOk = false;
        node->nodeStart = ReadCellDate(Cell(node, GetConnection(table, cnStart)), startOk);
        // Without a position column every row lives in the one chart row.
        const int positionColumn = GetConnection(table, cnPosition);
        const bool hasPosition = positionColumn >= 0;
        node->nodePosition = hasPosition ? PickListIndex(table, positionColumn, Cell(node, positionColumn)) : 0;
        const QString &lengthText = Cell(node, GetConnection(table, cnLength));
        node->nodeLength = calcNodeLength(table, lengthText);
        node->nodeColor = PickListIndex(table, GetConnection(table, cnColor), Cell(node, GetConnection(table, cnColor)));

        // A pending end is computed now, so that a row with an empty end cell can become
        // valid; a row whose end cannot be had keeps its request.
        if (node->RecalcEndOf && startOk && node->nodeLength > 0
            && (!hasPosition || node->nodePosition >= 0 || node->nodePosition == -9)) {
            // Writing the end cell would refresh this row again; it is being refreshed.
            const TNodeData *outer = FRefreshingRow;
            FRefreshingRow = node;
            try {
                GetEndOf(node);
            } catch (...) {
                FRefreshingRow = outer;
                throw;
            }
            FRefreshingRow = outer;
        }
        bool endOk = false;
        node->nodeEnd = ReadCellDate(Cell(node, GetConnection(table, cnEnd)), endOk);

        node->nodeValid = node->nodeLength > 0 && startOk && endOk
                          && !Cell(node, GetConnection(table, cnLength)).isEmpty()
                          && (!hasPosition || !Cell(node, positionColumn).isEmpty())
                          && isDateOK(node->nodeStart) && isDateOK(node->nodeEnd);

        node->nodeTermin = 0;
        TDateTime termin = 0;
        if (const int terminColumn = GetConnection(table, cnTermin); terminColumn >= 0) {
            bool ok = false;
            termin = ReadCellDate(Cell(node, terminColumn), ok);
            node->nodeTermin = isDateOK(termin) ? termin : 0;
        }
        if (span) {
            // Valid but for the range: what the range is made from.
            span->complete = node->nodeLength > 0 && startOk && endOk && node->nodeStart != 0
                             && !Cell(node, GetConnection(table, cnLength)).isEmpty()
                             && (!hasPosition || !Cell(node, positionColumn).isEmpty());
            span->lo = std::min(node->nodeStart, node->nodeEnd);
            span->hi = std::max(node->nodeStart, node->nodeEnd);
            if (termin != 0) {
                span->lo = std::min(span->lo, termin);
                span->hi = std::max(span->hi, termin);
            }
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

void TPlannerCore::CollectRows(TWhichTable table, std::vector<TNodeData *> &rows) const
{
    rows.clear();
    TBaseTreeGrid *grid = GetTable(table);
    if (!grid)
        return;
    rows.reserve(std::size_t(GetTableRowCount(table)));
    for (TGridNode *node = grid->GetFirst(); node; node = grid->GetNext(node))
        if (TNodeData *data = NodeData(grid, node))
            rows.push_back(data);
}

void TPlannerCore::RecalcAllRows()
{
    TFlagScope settling(FSettlingEnds);
    // Inside, the rows' writes do not settle, repaint or ask for anything one by one: the
    // caller repaints and requests the deferred work once.
    TDepthScope updating(FUpdating);
    FTouchedAbsences.clear();
    FMarkedEndRows.clear();
    DateTexts();
    ScheduleState();
    TFlagScope batch(FRowBatch);
    std::vector<TNodeData *> rows[WhichTableCount];
    CollectRows(tbTable, rows[tbTable]);
    CollectRows(tbExclude, rows[tbExclude]);

    // Absent days before tasks, whose calendars are made from them. The range follows
    // from every row that is valid but for the range.
    TDateTime lo = 0;
    TDateTime hi = 0;
    bool any = false;
    std::vector<TNodeData *> unjudged;
    for (const TWhichTable table : {tbExclude, tbTable}) {
        if (table == tbTable)
            ValidateScheduleState();
        for (TNodeData *node : rows[table]) {
            // Every end is computed anew and every bar picture drawn anew.
            node->RecalcEndOf = true;
            node->RecalcBitmap = true;
            TRowSpan span;
            RefreshRow(node, &span);
            if (!span.complete)
                continue;
            lo = any ? std::min(lo, span.lo) : span.lo;
            hi = any ? std::max(hi, span.hi) : span.hi;
            any = true;
            if (!node->nodeValid)
                unjudged.push_back(node);
        }
    }
    // The chart's range and its holidays for the data; rows far from the previous range
    // are judged again, and when absent days became valid so, every task is computed again.
    if (ApplyDataBounds(any, lo, hi) && !unjudged.empty()) {
        bool absences = false;
        for (TNodeData *node : unjudged) {
            RefreshRow(node);
            absences = absences || (node->NodeTable == tbExclude && node->nodeValid);
        }
        if (absences) {
            ValidateScheduleState();
            for (TNodeData *node : rows[tbTable]) {
                node->RecalcEndOf = true;
                RefreshRow(node);
            }
        }
    }
    InvalidateTimeChart(false);
}
