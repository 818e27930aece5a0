// The rows' caches (dates, position, length, colour, validity) and their ends: one row after
// a write, the rows still marked for recalculation, or every row when the outermost update
// bracket closes. Absent days are done before tasks, whose ends depend on them.

#include "core/PlannerCore.h"

#include <algorithm>

#include <cmath>

#include "core/DateTexts.h"
#include "core/ScheduleState.h"
#include "core/ViewRefresh.h"
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

namespace {

// A task's place in the chart (position, dates, validity) changed: the positions it left and
// came to are told.
void NotePlaceOfTask(const TPlannerCoreHooks &hooks, const TNodeData *node, bool wasValid, int oldPosition,
                     TDateTime oldStart, TDateTime oldEnd)
{
    if (node->NodeTable != tbTable || !hooks.OnTaskPlaceChanged)
        return;
    if (wasValid == node->nodeValid
        && (!wasValid || (oldPosition == node->nodePosition && oldStart == node->nodeStart && oldEnd == node->nodeEnd)))
        return;
    if (wasValid)
        hooks.OnTaskPlaceChanged(oldPosition);
    if (node->nodeValid && (!wasValid || node->nodePosition != oldPosition))
        hooks.OnTaskPlaceChanged(node->nodePosition);
}

} // namespace

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
        if (oldPosition != node->nodePosition)
            IndexRow(node, true);
        const QString &lengthText = Cell(node, GetConnection(table, cnLength));
        node->nodeLength = calcNodeLength(table, lengthText);
        node->nodeColor = PickListIndex(table, GetConnection(table, cnColor), Cell(node, GetConnection(table, cnColor)));

        // A pending end is computed now, so that a row with an empty end cell can become
        // valid; a row whose end cannot be had keeps its request.
        if (node->RecalcEndOf && startOk && node->nodeLength > 0
            && (!hasPosition || node->nodePosition >= 0 || node->nodePosition == AllPositions)) {
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
        const QString &endText = Cell(node, GetConnection(table, cnEnd));
        bool endOk = false;
        node->nodeEnd = ReadCellDate(endText, endOk);
        // The end cell may have been typed over since its end was computed.
        if (node->nodeComputedEnd != 0 && !DateTexts().IsWritten(endText, node->nodeComputedEnd))
            node->nodeComputedEnd = 0;

        // Valid but for the range: what the range is made from.
        node->nodeCellsComplete = node->nodeLength > 0 && startOk && endOk
                                  && !Cell(node, GetConnection(table, cnLength)).isEmpty()
                                  && (!hasPosition || !Cell(node, positionColumn).isEmpty());
        node->nodeTerminRead = 0;
        if (const int terminColumn = GetConnection(table, cnTermin); terminColumn >= 0) {
            bool ok = false;
            node->nodeTerminRead = ReadCellDate(Cell(node, terminColumn), ok);
        }
        node->nodeWorkDays = table == tbExclude && GetData_(node, cnLengthWithWeekend) == BoolName(true);
        node->nodeReadUnder = FCellRules;
        Judge(node, span);
        if (table == tbExclude)
            NoteAbsentDay(node, wasValid, oldPosition, oldStart, oldEnd);
        NotePlaceOfTask(*this, node, wasValid, oldPosition, oldStart, oldEnd);
    }
    if (FRefreshDepth == 0)
        SettleMarkedEnds();
}

void TPlannerCore::RefreshReadRow(TNodeData *node, TRowSpan *span)
{
    const TWhichTable table = node->NodeTable;
    const bool wasValid = node->nodeValid;
    const int oldPosition = node->nodePosition;
    const TDateTime oldStart = node->nodeStart;
    const TDateTime oldEnd = node->nodeEnd;
    const bool hasPosition = GetConnection(table, cnPosition) >= 0;
    if (node->RecalcEndOf && node->nodeStart != 0 && node->nodeLength > 0
        && (!hasPosition || node->nodePosition >= 0 || node->nodePosition == AllPositions)) {
        GetEndOf(node);
        // A new end was written: the row is read again whole.
        if (node->nodeReadUnder != FCellRules) {
            RefreshRow(node, span);
            return;
        }
    }
    Judge(node, span);
    if (table == tbExclude)
        NoteAbsentDay(node, wasValid, oldPosition, oldStart, oldEnd);
    NotePlaceOfTask(*this, node, wasValid, oldPosition, oldStart, oldEnd);
}

void TPlannerCore::Judge(TNodeData *node, TRowSpan *span)
{
    node->nodeValid = node->nodeCellsComplete && isDateOK(node->nodeStart) && isDateOK(node->nodeEnd);
    node->nodeTermin = isDateOK(node->nodeTerminRead) ? node->nodeTerminRead : 0;
    if (span) {
        span->complete = node->nodeCellsComplete && node->nodeStart != 0;
        span->lo = std::min(node->nodeStart, node->nodeEnd);
        span->hi = std::max(node->nodeStart, node->nodeEnd);
        if (node->nodeTerminRead != 0) {
            span->lo = std::min(span->lo, node->nodeTerminRead);
            span->hi = std::max(span->hi, node->nodeTerminRead);
        }
    }
}

void TPlannerCore::NoteAbsentDay(const TNodeData *node, bool wasValid, int oldPosition, TDateTime oldStart,
                                 TDateTime oldEnd)
{
    if (wasValid != node->nodeValid
        || (node->nodeValid
            && (oldPosition != node->nodePosition || oldStart != node->nodeStart || oldEnd != node->nodeEnd)))
        AbsentDayChanged(wasValid ? oldPosition : -2, node->nodeValid ? node->nodePosition : -2);
}

void TPlannerCore::CheckCellRules()
{
    TScheduleState::TCellRulesKey &rules = ScheduleState().rules;
    bool same = rules.known && rules.dates == DateTexts().Generation() && rules.positions == PositionCache().generation;
    rules.known = true;
    rules.dates = DateTexts().Generation();
    rules.positions = PositionCache().generation;
    for (const TWhichTable table : {tbTable, tbExclude}) {
        same = same && rules.connections[table] == FConnection[table];
        rules.connections[table] = FConnection[table];
        // A kept copy: any change of the list makes it a list of its own.
        const QStringList &states = GetColumnStrings(table, GetConnection(table, cnColor));
        same = same && rules.states[table].constData() == states.constData() && rules.states[table].size() == states.size();
        rules.states[table] = states;
    }
    if (!same)
        CellRulesChanged();
}

void TPlannerCore::IndexRow(TNodeData *node, bool present)
{
    if (present)
        FRowsByPosition.Place(*node, node->nodePosition);
    else
        FRowsByPosition.Remove(*node);
    // The counts on the status bar follow every row that comes, goes or moves, whoever moved it
    // (the editor, undo, another instance's journal).
    RequestStatusBarUpdate();
}

void TPlannerCore::CellRulesChanged()
{
    if (++FCellRules == 0)
        FCellRules = 1;
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

void TPlannerCore::SettleBracketRows()
{
    std::vector<TNodeData *> rows(FBracketRows.begin(), FBracketRows.end());
    FBracketRows.clear();
    // Absent days first, whose changes reach the tasks of their resources; the tasks
    // resource by resource, each calendar read while it is in the cache.
    const auto tasks = std::stable_partition(rows.begin(), rows.end(),
                                             [](const TNodeData *node) { return node->NodeTable == tbExclude; });
    std::vector<TNodeData *> taskRows(tasks, rows.end());
    SortByPosition(taskRows);
    // Every end anew, as the whole recalculation computes them: a view may have read a row
    // inside the bracket before its cells were all written.
    const auto refresh = [this](TNodeData *node) {
        node->RecalcEndOf = true;
        node->RecalcBitmap = true;
        RefreshRow(node);
        InvalidateNode(node);
    };
    std::for_each(rows.begin(), tasks, refresh);
    {
        TFlagScope settling(FSettlingEnds);
        RecalcTasksOfTouchedAbsences();
    }
    for (TNodeData *node : taskRows)
        refresh(node);
    // The rows of other tasks whose ends the absent days moved, and those marked meanwhile.
    SettleMarkedEnds();
    std::for_each(rows.begin(), tasks, [this](TNodeData *node) { CB_FilterNode(node); });
    for (TNodeData *node : taskRows)
        CB_FilterNode(node);
    UpdateEmptyRows(true);
    if (!FViewRefresh->Defer(TViewRefresh::vwEditor))
        FWindow.UpdateEditor();
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

void TPlannerCore::SortByPosition(std::vector<TNodeData *> &rows)
{
    int last = 0;
    for (const TNodeData *node : rows)
        last = std::max(last, node->nodePosition);
    // Counting sort, -9 ("*") and other negative positions first.
    std::vector<std::size_t> starts(std::size_t(last) + 12, 0);
    auto slot = [](int position) { return std::size_t(std::max(position, -10) + 10); };
    for (const TNodeData *node : rows)
        ++starts[slot(node->nodePosition) + 1];
    for (std::size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    std::vector<TNodeData *> sorted(rows.size());
    for (TNodeData *node : rows)
        sorted[starts[slot(node->nodePosition)]++] = node;
    rows.swap(sorted);
}

void TPlannerCore::SetCalendarReach(const std::vector<TNodeData *> (&rows)[WhichTableCount])
{
    TScheduleState &state = *FSchedule;
    qint64 lo = 0;
    qint64 hi = 0;
    bool any = false;
    for (const TWhichTable table : {tbExclude, tbTable}) {
        const int column = GetConnection(table, cnStart);
        // A few thousand rows tell the range well enough: it bounds only how far the sums
        // grow past what is asked, never what they cover.
        const std::size_t step = 1 + rows[table].size() / 4096;
        for (std::size_t i = 0; i < rows[table].size(); i += step) {
            const TNodeData *node = rows[table][i];
            bool ok = false;
            const TDateTime start = ReadCellDate(Cell(node, column), ok);
            if (!ok || !(start > -1e9 && start < 1e9))
                continue;
            const qint64 day = qint64(std::floor(start));
            lo = any ? std::min(lo, day) : day;
            hi = any ? std::max(hi, day) : day;
            any = true;
        }
    }
    state.reachFrom = any ? lo : 0;
    state.reachTo = any ? hi + 1 : 0;
    for (auto &calendars : state.calendars)
        for (auto &calendar : calendars)
            if (calendar)
                calendar->SetReach(state.reachFrom, state.reachTo);
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
    CheckCellRules();
    TFlagScope batch(FRowBatch);
    std::vector<TNodeData *> rows[WhichTableCount];
    CollectRows(tbExclude, rows[tbExclude]);

    // Absent days before tasks, whose calendars are made from them. The range follows
    // from every row that is valid but for the range.
    TDateTime lo = 0;
    TDateTime hi = 0;
    bool any = false;
    std::vector<TNodeData *> unjudged;
    auto note = [&](TNodeData *node, const TRowSpan &span) {
        if (!span.complete)
            return;
        lo = any ? std::min(lo, span.lo) : span.lo;
        hi = any ? std::max(hi, span.hi) : span.hi;
        any = true;
        if (!node->nodeValid)
            unjudged.push_back(node);
    };
    auto recalc = [&](TNodeData *node) {
        // Every end is computed anew and every bar picture drawn anew.
        node->RecalcEndOf = true;
        node->RecalcBitmap = true;
        TRowSpan span;
        if (node->nodeReadUnder == FCellRules)
            RefreshReadRow(node, &span);
        else
            RefreshRow(node, &span);
        note(node, span);
    };
    // What recalc does for a task whose remembered end holds and stands in its end cell: the
    // end is taken back without asking for its inputs again, nothing is written.
    const bool hasPosition = GetConnection(tbTable, cnPosition) >= 0;
    auto keep = [&](TNodeData *node) {
        const bool wasValid = node->nodeValid;
        node->RecalcBitmap = true;
        node->RecalcEndOf = !(node->nodeStart != 0 && node->nodeLength > 0
                              && (!hasPosition || node->nodePosition >= 0 || node->nodePosition == AllPositions));
        TRowSpan span;
        Judge(node, &span);
        NotePlaceOfTask(*this, node, wasValid, node->nodePosition, node->nodeStart, node->nodeEnd);
        note(node, span);
    };
    for (TNodeData *node : rows[tbExclude])
        recalc(node);
    ValidateScheduleState();
    // A task whose end still holds and stands in its end cell is done while the walk is at
    // it: nothing is written, so the table stays as it is under the walk. The others are
    // computed after the walk, resource by resource, so that each resource's calendar is
    // read while it is in the cache (the order of the rows in the grid stays as it is).
    std::vector<TNodeData *> &computed = rows[tbTable];
    if (TBaseTreeGrid *grid = GetTable(tbTable)) {
        for (TGridNode *gridNode = grid->GetFirst(); gridNode; gridNode = grid->GetNext(gridNode)) {
            TNodeData *node = NodeData(grid, gridNode);
            if (!node)
                continue;
            const TDateTime end = node->nodeEndMemo.end;
            if (end != 0 && end == node->nodeComputedEnd && EndRemembered(node))
                keep(node);
            else
                computed.push_back(node);
        }
    }
    SetCalendarReach(rows);
    SortByPosition(computed);
    for (TNodeData *node : computed)
        recalc(node);
    // The chart's range and its holidays for the data; rows far from the previous range
    // are judged again, and when absent days became valid so, every task is computed again.
    // Every row's bar picture is to be drawn anew already, and nothing repaints inside.
    if (ApplyDataBounds(any, lo, hi, true) && !unjudged.empty()) {
        bool absences = false;
        for (TNodeData *node : unjudged) {
            RefreshRow(node);
            absences = absences || (node->NodeTable == tbExclude && node->nodeValid);
        }
        if (absences) {
            ValidateScheduleState();
            CollectRows(tbTable, rows[tbTable]);
            for (TNodeData *node : rows[tbTable]) {
                node->RecalcEndOf = true;
                RefreshRow(node);
            }
        }
    }
    InvalidateTimeChart(false);
}
