// Positions (the resources, one or several chart rows each), their working weeks, the maps
// between the full position list and the chart rows, and the group tabs.

#include "core/PlannerCore.h"

#include <algorithm>

#include "CommaText.h"
#include "CursorRegistry.h"
#include "Language.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// A position entry becomes one entry per chart row: the further rows of a multi-row
// position are named "name (2)" ... "name (n)" and share its week.
// `week`, when given, receives the entry's working week text.
void ExpandEntry(const QString &entry, QStringList &names, QStringList &entries, int &rows, QString *week = nullptr)
{
    const QStringList items = ParseCommaText(entry);
    if (week)
        *week = items.value(1);
    const QString name = items.value(0);
    bool ok = false;
    rows = items.value(2).trimmed().toInt(&ok);
    if (!ok || rows < 1)
        rows = 1;
    names.append(name);
    entries.append(entry);
    for (int k = 2; k <= rows; ++k) {
        QStringList derived = items;
        derived[0] = name + QStringLiteral(" (") + QString::number(k) + QLatin1Char(')');
        names.append(derived[0]);
        entries.append(CommaTextOf(derived));
    }
}

// Whether `kept` holds the entries of `current`; when it does, it shares them from then on.
bool SameEntries(QStringList &kept, const QStringList &current)
{
    if (kept.size() != current.size())
        return false;
    if (kept.constData() == current.constData())
        return true;
    if (kept != current)
        return false;
    kept = current;
    return true;
}

QStringList ExpandEntries(const QStringList &source)
{
    QStringList names;
    QStringList entries;
    int rows = 1;
    for (const QString &entry : source)
        ExpandEntry(entry, names, entries, rows);
    return entries;
}

} // namespace

// ---- the expanded full list

const TPlannerCore::TPositionCache &TPlannerCore::PositionCache() const
{
    const int column = GetConnection(tbTable, cnPosition);
    // Asked once per row by many walks: the pick list still sharing its entries with the
    // kept copy is found without looking the column up the long way.
    if (FPositionCache.valid && column >= 0 && column == FPositionCache.column) {
        const auto &headers = FHeaderData[tbTable];
        if (std::size_t(column) < headers.size() && headers[std::size_t(column)] && column < GetTableColCount(tbTable)) {
            const QStringList &strings = headers[std::size_t(column)]->Strings;
            if (strings.size() == FPositionCache.source.size() && strings.constData() == FPositionCache.source.constData())
                return FPositionCache;
        }
    }
    const QStringList &source = column >= 0 ? GetColumnStrings(tbTable, column) : QStringList();
    // Comparing with the shared copy costs nothing while the pick list is unchanged. A list
    // that was only detached (written to with equal entries) is shared again, so that the
    // rows asking next do not compare every entry each.
    if (FPositionCache.valid && SameEntries(FPositionCache.source, source)) {
        FPositionCache.column = column;
        return FPositionCache;
    }
    const quint64 generation = FPositionCache.generation + 1;
    FPositionCache = TPositionCache();
    FPositionCache.generation = generation;
    FPositionCache.column = column;
    FPositionCache.source = source;
    for (const QString &entry : source) {
        const int first = int(FPositionCache.names.size());
        int rows = 1;
        QString weekText;
        ExpandEntry(entry, FPositionCache.names, FPositionCache.entries, rows, &weekText);
        std::vector<int> block(static_cast<std::size_t>(rows));
        for (int k = 0; k < rows; ++k)
            block[std::size_t(k)] = first + k;
        tWeekInfo week;
        String2WeekInfo(weekText, week);
        for (int k = 0; k < rows; ++k) {
            FPositionCache.blocks.push_back(block);
            FPositionCache.weeks.push_back(week);
        }
    }
    for (int i = 0; i < FPositionCache.names.size(); ++i)
        if (!FPositionCache.index.contains(FPositionCache.names[i]))
            FPositionCache.index.insert(FPositionCache.names[i], i);
    FPositionCache.valid = true;
    return FPositionCache;
}

QStringList TPlannerCore::Positiongroups(bool expand, bool all) const
{
    const QString filter = FPositionGroup.value(FGroupTabIndex);
    if (all || FGroupTabIndex == 0 || filter.isEmpty())
        return expand ? PositionCache().entries : PositionCache().source;
    const QStringList entries = ParseCommaText(filter);
    return expand ? ExpandEntries(entries) : entries;
}

const std::vector<qint32> &TPlannerCore::PositionInPositionGroup() const
{
    const TPositionCache &cache = PositionCache();
    if (FPositionMapGeneration == cache.generation && SameEntries(FPositionMapFilter, FGlobalPositionFilter)
        && FPositionInPositionGroup.size() == std::size_t(cache.names.size()))
        return FPositionInPositionGroup;
    FPositionMapGeneration = cache.generation;
    FPositionMapFilter = FGlobalPositionFilter;
    const int count = int(cache.names.size());
    if (FGlobalPositionFilter.isEmpty()) {
        // No group applied yet: every position in its own row.
        FPositionInPositionGroup.resize(std::size_t(count));
        for (int i = 0; i < count; ++i)
            FPositionInPositionGroup[std::size_t(i)] = i;
        return FPositionInPositionGroup;
    }
    FPositionInPositionGroup.assign(std::size_t(count), -2);
    FRowPositions.assign(std::size_t(FGlobalPositionFilter.size()), -1);
    QHash<QString, int> rows;
    for (int r = 0; r < FGlobalPositionFilter.size(); ++r) {
        const QString name = ParseCommaText(FGlobalPositionFilter[r]).value(0);
        FRowPositions[std::size_t(r)] = cache.index.value(name, -1);
        if (!rows.contains(name))
            rows.insert(name, r);
    }
    for (int i = 0; i < count; ++i)
        FPositionInPositionGroup[std::size_t(i)] = rows.value(cache.names[i], -2);
    return FPositionInPositionGroup;
}

const std::vector<std::vector<int>> &TPlannerCore::PositionsInHolidayGroup() const
{
    return PositionCache().blocks;
}

int TPlannerCore::PositionOfRow(int row) const
{
    const TPositionCache &cache = PositionCache();
    if (row < 0)
        return -1;
    if (FGlobalPositionFilter.isEmpty())
        return row < cache.names.size() ? row : -1;
    if (row >= FGlobalPositionFilter.size())
        return -1;
    // Made with the map of the positions to their rows.
    PositionInPositionGroup();
    return FRowPositions[std::size_t(row)];
}

// ---- positions of rows

int TPlannerCore::GetPositionOf(const TNodeData *node) const
{
    if (!node)
        return -1;
    if (GetConnection(node->NodeTable, cnPosition) < 0)
        return 0;
    if (node->nodePosition == AllPositions)
        return AllPositions;
    const std::vector<qint32> &map = PositionInPositionGroup();
    if (node->nodePosition < 0 || std::size_t(node->nodePosition) >= map.size())
        return -1;
    return map[std::size_t(node->nodePosition)];
}

void TPlannerCore::SetPositionOf(TNodeData *node, int row)
{
    DoSetPositionOf(node, row, true);
}

void TPlannerCore::DoSetPositionOf(TNodeData *node, int row, bool journal)
{
    if (!node)
        return;
    const int column = GetConnection(node->NodeTable, cnPosition);
    if (column < 0)
        return;
    if (!FGlobalPositionFilter.isEmpty()) {
        if (row >= 0 && row < FGlobalPositionFilter.size())
            DoSetData(node, column, ParseCommaText(FGlobalPositionFilter[row]).value(0), journal);
        return;
    }
    DoSetDataIndex(node, column, row, journal);
}

bool TPlannerCore::findNodeWithPosition(TWhichTable table, const QString &name)
{
    bool found = false;
    ForEach(table, feAll, [&](TNodeData *node) {
        if (!found && GetData_(node, cnPosition) == name)
            found = true;
    });
    return found;
}

// ---- working weeks

tWeekInfo TPlannerCore::GetPositionWeekInfo(int position) const
{
    const TPositionCache &cache = PositionCache();
    if (position < 0 || std::size_t(position) >= cache.weeks.size())
        return DefaultWeekInfo();
    return cache.weeks[std::size_t(position)];
}

tWeekInfo TPlannerCore::GetWeekInfo(int row) const
{
    return GetPositionWeekInfo(PositionOfRow(row));
}

void TPlannerCore::CreateDefaultWeekInfo()
{
    const int column = GetConnection(tbTable, cnPosition);
    if (column < 0)
        return;
    const QString week = WeekInfo2String(DefaultWeekInfo());
    for (QString &entry : ColumnStrings(tbTable, column)) {
        QStringList items = ParseCommaText(entry);
        while (items.size() < 2)
            items.append(QString());
        items[1] = week;
        entry = CommaTextOf(items);
    }
}

// ---- the visible rows

void TPlannerCore::UpdateInternalVariables()
{
    PositionInPositionGroup();
    // The common working window of all visible rows, for minute mode in the chart.
    int minStart = 1440;
    int maxEnd = 0;
    const int rows = std::max<int>(1, int(FGlobalPositionFilter.size()));
    for (int r = 0; r < rows; ++r) {
        const tWeekInfo week = GetWeekInfo(r);
        for (const TDayInfo &day : week.day) {
            minStart = std::min(minStart, day.start.minutes);
            maxEnd = std::max(maxEnd, day.ende.minutes);
        }
    }
    FMinDayStart = TTimeOfDay(minStart);
    FMaxDayEnd = TTimeOfDay(maxEnd);
    UpdateEmptyRows(true);
}

void TPlannerCore::InvalidateTimeChart(bool)
{
    // The caption strips repaint with the chart.
    FWindow.InvalidateChart();
}

// ---- group tabs

void TPlannerCore::AddPositionGroup(const QString &name, const QString &filter)
{
    FPositionGroup.append(filter);
    FGroupTabCaptions.append(name);
    if (OnGroupTabsChanged)
        OnGroupTabsChanged();
}

void TPlannerCore::ResetPositionGroups()
{
    const QString first = FGroupTabCaptions.value(0, Translate(QStringLiteral("all")));
    FGroupTabCaptions = QStringList{first};
    FPositionGroup = QStringList{QString()};
    FGroupTabIndex = 0;
    if (OnGroupTabsChanged)
        OnGroupTabsChanged();
}

void TPlannerCore::SetGroupTabCaption(int tab, const QString &caption)
{
    if (tab < 0 || tab >= FGroupTabCaptions.size() || FGroupTabCaptions[tab] == caption)
        return;
    FGroupTabCaptions[tab] = caption;
    if (OnGroupTabsChanged)
        OnGroupTabsChanged();
}

void TPlannerCore::SetGroupTabIndex(int index)
{
    if (index >= 0 && index < FGroupTabCaptions.size())
        FGroupTabIndex = index;
}

void TPlannerCore::SelectGroupTab(int index)
{
    if (index < 0 || index >= FGroupTabCaptions.size())
        return;
    SetGroupTabIndex(index);
    TabControl1Change();
}

void TPlannerCore::TabControl1Change()
{
    // A group list shorter than the tabs (a hand-made document) counts as an empty filter.
    while (FPositionGroup.size() < FGroupTabCaptions.size())
        FPositionGroup.append(QString());
    if (OnRestoreGroupFilters)
        OnRestoreGroupFilters(GroupTabCaption());
    FNoAutoGlobalPositionFilter = Positiongroups(true, false);
    FGlobalPositionFilter = FNoAutoGlobalPositionFilter;
    UpdateInternalVariables();
    if (OnFilterTables)
        OnFilterTables();
    UpdateBounds(true);
    UpdateOverlapping(true);
    RequestStatusBarUpdate();
    InvalidateTimeChart(true);
    if (OnGroupTabApplied)
        OnGroupTabApplied(FGroupTabIndex);
}

// ---- switching the group while a bar is dragged

void TPlannerCore::StartChangeGroupTimer()
{
    if (FTimeChartChangeGroupTimer.isActive())
        return;
    FChangeGroupTimerTag = 0;
    FTimeChartChangeGroupTimer.start();
}

void TPlannerCore::TimeChartChangeGroupTimerTimer()
{
    if (FLoading)
        return;
    TCursorRegistry::SetScreenCursor(FChangeGroupTimerTag + 1);
    ++FChangeGroupTimerTag;
    if (FChangeGroupTimerTag < 9)
        return;
    FTimeChartChangeGroupTimer.stop();
    const int tab = OnTabUnderMouse ? OnTabUnderMouse() : -1;
    // Back over the current tab the drag simply goes on.
    if (tab < 0 || tab >= FGroupTabCaptions.size() || tab == FGroupTabIndex)
        return;
    std::vector<TNodeData *> rows;
    ForEach(FActiveTable, feSelected, [&rows](TNodeData *node) { rows.push_back(node); });
    // One drag is one undo step, the switch included.
    struct TGroupRestore
    {
        int &group;
        const int outer;
        ~TGroupRestore() { group = outer; }
    } restore{FUndoRedoGroupIndex, FUndoRedoGroupIndex};
    if (const int drag = OnGroupSwitchUndoGroup ? OnGroupSwitchUndoGroup() : -1; drag != -1)
        FUndoRedoGroupIndex = drag;
    SetGroupTabIndex(tab);
    TabControl1Change();
    TBaseTreeGrid *grid = GetTable(FActiveTable);
    for (TNodeData *node : rows) {
        SetPositionOf(node, 0);
        if (grid && node->VNode) {
            grid->SetSelected(node->VNode, true);
            grid->SetFocusedNode(node->VNode);
        }
    }
}
