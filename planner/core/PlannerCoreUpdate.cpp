// The update bracket around bulk changes, the deferred recalculations (time bounds, hidden
// empty rows, overlapping), the holiday days of the range, the status bar and the idle
// processing that runs the deferred work.

#include "core/PlannerCore.h"

#include <QSet>

#include <algorithm>
#include <cmath>

#include "Bracket.h"
#include "CalendarMath.h"
#include "CommaText.h"
#include "core/MessageQueue.h"
#include "core/ViewRefresh.h"
#include "core/WorkCalendar.h"
#include "Language.h"
#include "Log.h"
#include "treegrid/BaseTreeGrid.h"

bool TPlannerCore::WireUpdateTimers()
{
    FOverlappingTimer.setObjectName(QStringLiteral("OverlappingTimer"));
    FOverlappingTimer.setInterval(400);
    FOverlappingTimer.setSingleShot(true);
    connect(&FOverlappingTimer, &QTimer::timeout, this, &TPlannerCore::OverlappingTimerTimer);

    FStatusBarTimer.setSingleShot(true);
    FStatusBarTimer.setInterval(0);
    connect(&FStatusBarTimer, &QTimer::timeout, this, &TPlannerCore::UpdateStatusBar);

    FIdleTimer.setObjectName(QStringLiteral("IdleTimer"));
    FIdleTimer.setInterval(100);
    FIdleTimer.setSingleShot(true);
    connect(&FIdleTimer, &QTimer::timeout, this, &TPlannerCore::IdleTimerTimer);

    FBackupTimer.setObjectName(QStringLiteral("BackupTimer"));
    FBackupTimer.setInterval(600000);
    connect(&FBackupTimer, &QTimer::timeout, &FBackupTimer, &QTimer::stop);

    FTimeChartChangeGroupTimer.setObjectName(QStringLiteral("TimeChartChangeGroupTimer"));
    FTimeChartChangeGroupTimer.setInterval(60);
    connect(&FTimeChartChangeGroupTimer, &QTimer::timeout, this,
            &TPlannerCore::TimeChartChangeGroupTimerTimer);

    FGroupTabCaptions = QStringList{Translate(QStringLiteral("all"))};
    FPositionGroup = QStringList{QString()};

    // An empty document's range until the first bounds pass: two weeks around today.
    const TDateTime today = Date();
    FMinDate = today - 14;
    FMaxDate = today + 14;
    FUserDate = today;
    return true;
}

// ---- the bracket

void TPlannerCore::BeginUpdate(const QString &text)
{
    BeginRowUpdate(text);
    // Anything may change inside: the outermost end recalculates the whole plan.
    FRowsOnlyBracket = false;
    FBracketRows.clear();
}

void TPlannerCore::BeginRowUpdate(const QString &text)
{
    if (FUpdating == 0) {
        FRowsOnlyBracket = true;
        FBracketRows.clear();
        FBracketRowLimit = std::size_t(GetTableRowCount(tbTable) + GetTableRowCount(tbExclude)) / 16 + 64;
    }
    ++FUpdating;
    // The views follow once, when the outermost bracket has done its work.
    FViewRefresh->Hold();
    FUpdateStrings.prepend(FCurrentStatusText);
    FCurrentStatusText = text;
    FWindow.SetStatusText(3, text);
    for (auto &grid : FTables)
        if (grid)
            grid->BeginUpdate();
    FWindow.SetBusyCursor(true);
}

void TPlannerCore::EndUpdate()
{
    if (FUpdating <= 0)
        return;
    const TBracket release(nullptr, [this] { FViewRefresh->Release(); });
    --FUpdating;
    for (auto &grid : FTables)
        if (grid)
            grid->EndUpdate();
    FCurrentStatusText = FUpdateStrings.isEmpty() ? QString() : FUpdateStrings.takeFirst();
    FWindow.SetStatusText(3, FCurrentStatusText);
    if (FUpdating > 0)
        return;
    // Rows alone, as the same writes outside a bracket would leave them.
    const bool rowsOnly = FRowsOnlyBracket;
    FRowsOnlyBracket = false;
    if (rowsOnly) {
        SettleBracketRows();
    } else {
        FBracketRows.clear();
        // Every row's end, from the document's own holidays, weeks and absent days, before
        // the group tab, the filters or anything else reads the cells.
        RecalcAllRows();
        TabControl1Change();
    }
    UpdateBounds(true);
    UpdateOverlapping(true);
    // The rows are in their final state: the tables sort them again.
    if (OnTablesChecked)
        OnTablesChecked();
    UpdateStatusBar();
    FWindow.ActiveTableChanged();
    if (OnEndUpdate)
        OnEndUpdate();
    FWindow.SetBusyCursor(false);
}

void TPlannerCore::NoteBracketRow(TNodeData *node)
{
    if (!FRowsOnlyBracket || !FBracketRows.insert(node).second)
        return;
    // Drawn away where it stands before the bracket changes it; where it goes, at the end.
    DrawRowAgain(node);
    if (FBracketRows.size() > FBracketRowLimit) {
        FRowsOnlyBracket = false;
        FBracketRows.clear();
    }
}

// ---- deferred requests

void TPlannerCore::UpdateBounds(bool delayed)
{
    if (IsUpdating())
        return;
    if (delayed)
        fDelayedUpdateBounds = true;
    else
        UpdateBoundsProc();
}

void TPlannerCore::UpdateEmptyRows(bool delayed)
{
    if (IsUpdating())
        return;
    if (delayed)
        fDelayedUpdateEmptyRows = true;
    else
        UpdateEmptyRowsProc();
}

void TPlannerCore::UpdateOverlapping(bool delayed)
{
    if (IsUpdating())
        return;
    if (delayed) {
        FOverlappingTimer.stop();
        FOverlappingTimer.start();
    } else if (OnUpdateOverlappingProc) {
        OnUpdateOverlappingProc();
    }
}

void TPlannerCore::OverlappingTimerTimer()
{
    if (FLoading)
        return;
    fDelayedUpdateOverlapping = true;
    FOverlappingTimer.stop();
}

void TPlannerCore::ClearDelayedFlags()
{
    fDelayedUpdateBounds = false;
    fDelayedUpdateEmptyRows = false;
    fDelayedUpdateOverlapping = false;
    FOverlappingTimer.stop();
}

// ---- time bounds

void TPlannerCore::UpdateBoundsProc()
{
    if (IsUpdating())
        return;
    TDateTime lo = 0;
    TDateTime hi = 0;
    bool first = true;
    // Every row once, from the lists by position rather than along the table: this runs after
    // every action that moves a date, and reads only the row's first bytes.
    for (TWhichTable table : {tbTable, tbExclude}) {
        for (const auto &listed : FRowsByPosition.Positions(table)) {
            for (const TNodeData *node : listed.second) {
                if (!node->nodeValid)
                    continue;
                if (first) {
                    lo = node->nodeStart;
                    hi = node->nodeEnd;
                    first = false;
                }
                lo = std::min({lo, node->nodeStart, node->nodeEnd});
                hi = std::max({hi, node->nodeStart, node->nodeEnd});
                if (node->nodeTermin != 0) {
                    lo = std::min(lo, node->nodeTermin);
                    hi = std::max(hi, node->nodeTermin);
                }
            }
        }
    }
    ApplyDataBounds(!first, lo, hi);
}

bool TPlannerCore::ApplyDataBounds(bool any, TDateTime lo, TDateTime hi, bool rowsMarked)
{
    if (!any)
        lo = hi = Now();
    const int width = FWindow.TimeChartWidthInDays();
    if (hi - lo < width)
        hi = lo + width;
    lo -= 14;
    hi += 14;
    FDataMinDate = lo;
    FDataMaxDate = hi;
    if (!isDateOK(FUserDate))
        FUserDate = lo;
    lo = std::min(lo, FUserDate);
    hi = std::max(hi, FUserDate);
    if (!SetTimeChartBounds(lo, hi))
        return false;
    BoundsChanged(rowsMarked);
    return true;
}

void TPlannerCore::WidenBoundsToUserDate()
{
    if (FUserDate >= FMinDate && FUserDate <= FMaxDate)
        return;
    if (SetTimeChartBounds(std::min(FMinDate, FUserDate), std::max(FMaxDate, FUserDate)))
        BoundsChanged(false);
}

void TPlannerCore::BoundsChanged(bool rowsMarked)
{
    std::vector<TDateTime> before;
    for (int i = 0; i < FAutoExcludeList.Count(); ++i)
        before.push_back(FAutoExcludeList.Items(i)->start);
    updateAutoEntries();
    // Ends do not depend on the range (holidays count wherever they fall); bar pictures
    // show the holidays of the range.
    bool changed = before.size() != std::size_t(FAutoExcludeList.Count());
    for (int i = 0; !changed && i < FAutoExcludeList.Count(); ++i)
        changed = before[std::size_t(i)] != FAutoExcludeList.Items(i)->start;
    if (changed && !rowsMarked)
        ForEach(feAll, &TPlannerCore::CB_SetRecalcBitmap);
}

bool TPlannerCore::SetTimeChartBounds(TDateTime lo, TDateTime hi)
{
    lo = std::trunc(lo);
    hi = std::trunc(hi);
    if (lo == FMinDate && hi == FMaxDate)
        return false;
    FMinDate = lo;
    FMaxDate = hi;
    InvalidateTimeChart(true);
    return true;
}

void TPlannerCore::updateAutoEntries()
{
    FAutoExcludeList.Clear();
    const int firstYear = std::max(1, Date2Year(FMinDate));
    const int lastYear = std::min(9999, Date2Year(FMaxDate));
    for (const THolidayData &holiday : FHolidayList) {
        if (!holiday.enabled)
            continue;
        for (int year = firstYear; year <= lastYear; ++year) {
            qint64 day = 0;
            // 29 February outside leap years, or a broken date, has no day that year.
            if (THolidayDays::DayOfYear(holiday, year, day))
                FAutoExcludeList.Add(double(day), double(day + 1), AllPositions, nullptr, holiday.name);
        }
    }
    FAutoExcludeList.SortDate();
}

// ---- hidden empty rows

void TPlannerCore::UpdateEmptyRowsProc()
{
    if (IsUpdating())
        return;
    const QStringList before = FGlobalPositionFilter;
    QStringList rows = FNoAutoGlobalPositionFilter;
    if (FHideEmptyRows || FHideEmptyMultiRows) {
        QSet<QString> used;
        for (TWhichTable table : {tbTable, tbExclude})
            ForEach(table, feAll, [&](TNodeData *node) { used.insert(GetData_(node, cnPosition)); });
        const TPositionCache &cache = PositionCache();
        for (int i = int(rows.size()) - 1; i >= 0; --i) {
            const QString name = ParseCommaText(rows[i]).value(0);
            if (used.contains(name))
                continue;
            bool hide = FHideEmptyRows;
            if (!hide) {
                const int position = cache.index.value(name, -1);
                hide = position >= 0 && cache.blocks[std::size_t(position)].size() > 1;
            }
            if (hide)
                rows.removeAt(i);
        }
        // An empty chart is never shown.
        if (rows.isEmpty())
            rows = FNoAutoGlobalPositionFilter;
    }
    FGlobalPositionFilter = rows;
    if (FGlobalPositionFilter == before)
        return;
    UpdateInternalVariables();
    UpdateBounds(true);
    ForEach(feAll, &TPlannerCore::CB_CheckValid);
    // The group counts the rows of the positions it shows.
    RequestStatusBarUpdate();
    InvalidateTimeChart(true);
    if (OnGroupTabApplied)
        OnGroupTabApplied(FGroupTabIndex);
}

// ---- validity and the status bar

void TPlannerCore::CheckAllValid()
{
    // Absent days first: a task's end depends on the absences of its resource.
    ForEach(tbExclude, feAll, &TPlannerCore::CB_CheckValid);
    ForEach(tbTable, feAll, &TPlannerCore::CB_CheckValid);
    InvalidateTimeChart(false);
}

void TPlannerCore::RequestStatusBarUpdate()
{
    if (!IsUpdating() && !FViewRefresh->Defer(TViewRefresh::vwStatusBar))
        FStatusBarTimer.start();
}

int TPlannerCore::FilteredCount(TWhichTable table)
{
    // The grid keeps the count of the rows it shows (the tables are flat lists).
    TBaseTreeGrid *grid = GetTable(table);
    return grid ? int(grid->VisibleCount()) : 0;
}

int TPlannerCore::SelectedCount(TWhichTable table) const
{
    TBaseTreeGrid *grid = GetTable(table);
    return grid ? grid->SelectedCount() : 0;
}

int TPlannerCore::GroupCount(TWhichTable table)
{
    if (GetConnection(table, cnPosition) < 0)
        return TotalCount(table);
    // Counted per position, not per row: the rows of each position are counted as they are read.
    const std::vector<qint32> &rows = PositionInPositionGroup();
    int count = 0;
    for (const auto &[position, listed] : FRowsByPosition.Positions(table))
        if (position == AllPositions || (position >= 0 && std::size_t(position) < rows.size() && rows[std::size_t(position)] >= 0))
            count += int(listed.size());
    return count;
}

void TPlannerCore::UpdateStatusBar()
{
    if (IsUpdating() || FViewRefresh->Defer(TViewRefresh::vwStatusBar))
        return;
    FStatusBarTimer.stop();
    const int group = GroupCount(FActiveTable);
    const int filtered = FilteredCount(FActiveTable);
    FWindow.SetStatusText(0, Translate(QStringLiteral("Table total: %s"),
                                       {QString::number(TotalCount(FActiveTable))}));
    FWindow.SetStatusText(1, Translate(QStringLiteral("in %s: %s"), {GroupTabCaption(), QString::number(group)}));
    FWindow.SetStatusText(2, Translate(QStringLiteral("filtered: %s"), {QString::number(filtered)}));
}

// ---- idle processing

void TPlannerCore::ApplicationEvents1Idle()
{
    const bool reachable = OnFolderReachable ? OnFolderReachable() : true;
    if (reachable) {
        FOfflineErrorSignalled = false;
    } else if (!FOfflineErrorSignalled) {
        FOfflineErrorSignalled = true;
        // Not from inside the idle notification; not once the folder is back.
        FMessages->Post(Translate(QStringLiteral("File storage error")), mtError,
                        [this] { return OnFolderReachable && !OnFolderReachable(); });
    }
    if (!FIdleTimer.isActive())
        FIdleTimer.start();
}

void TPlannerCore::IdleSynchronise()
{
    if (OnIdleSynchronise)
        OnIdleSynchronise();
}

void TPlannerCore::IdleTimerTimer()
{
    FIdleTimer.stop();
    if (FLoading)
        return;
    IdleSynchronise();
    SettleMarkedEnds();
    if (fDelayedUpdateEmptyRows) {
        UpdateEmptyRowsProc();
        fDelayedUpdateEmptyRows = false;
    }
    if (fDelayedUpdateBounds) {
        UpdateBoundsProc();
        fDelayedUpdateBounds = false;
    }
    if (fDelayedUpdateOverlapping) {
        UpdateOverlapping(false);
        fDelayedUpdateOverlapping = false;
    }
    if (OnIdleProcessed)
        OnIdleProcessed();
}
