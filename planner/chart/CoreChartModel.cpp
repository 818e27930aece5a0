#include "chart/CoreChartModel.h"

#include <QSet>

#include <algorithm>

#include "CommaText.h"
#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"

TCoreChartModel::TCoreChartModel(TPlannerCore &core)
    : FCore(core)
    , FDefaultWeek(DefaultWeekInfo())
{
}

// ---- rows

const TCoreChartModel::TRowSnapshot &TCoreChartModel::Rows() const
{
    // Within a paint the document stands still: checked once when it began.
    if (FPaintRows)
        return FRows;
    const int column = FCore.GetConnection(tbTable, cnPosition);
    static const QStringList none;
    const QStringList &positions = column >= 0 ? FCore.GetColumnStrings(tbTable, column) : none;
    const int count = FCore.GetRowCount();
    // Unchanged lists share their data, so these comparisons cost nothing while nothing moves;
    // equal lists made anew are taken over, so that the next comparison is as cheap.
    if (FRows.stamp != 0 && FRows.count == count && FRows.filter == FCore.FGlobalPositionFilter
        && FRows.positions == positions) {
        FRows.filter = FCore.FGlobalPositionFilter;
        FRows.positions = positions;
        return FRows;
    }
    FRows.filter = FCore.FGlobalPositionFilter;
    FRows.positions = positions;
    FRows.count = count;
    QSet<QString> listed;
    for (const QString &entry : positions)
        listed.insert(ParseCommaText(entry).value(0));
    FRows.names.clear();
    FRows.weeks.clear();
    FRows.multi.clear();
    for (int row = 0; row < count; ++row) {
        QString name;
        if (!FRows.filter.isEmpty())
            name = ParseCommaText(FRows.filter.value(row)).value(0);
        else if (row < positions.size())
            name = ParseCommaText(positions[row]).value(0);
        FRows.names.append(name);
        FRows.weeks.push_back(FCore.GetWeekInfo(row));
        FRows.multi.push_back(column >= 0 && !listed.contains(name));
    }
    ++FRows.stamp;
    return FRows;
}

int TCoreChartModel::RowCount() const
{
    return Rows().count;
}

QString TCoreChartModel::RowName(int row) const
{
    return Rows().names.value(row);
}

const tWeekInfo &TCoreChartModel::RowWeek(int row) const
{
    const TRowSnapshot &rows = Rows();
    if (row < 0 || std::size_t(row) >= rows.weeks.size())
        return FDefaultWeek;
    return rows.weeks[std::size_t(row)];
}

bool TCoreChartModel::IsMultiRow(int row) const
{
    const TRowSnapshot &rows = Rows();
    return row >= 0 && std::size_t(row) < rows.multi.size() && rows.multi[std::size_t(row)];
}

quint64 TCoreChartModel::RowsStamp() const
{
    return Rows().stamp;
}

// ---- positions

int TCoreChartModel::PositionCount() const
{
    return int(FCore.PositionInPositionGroup().size());
}

int TCoreChartModel::RowOfPosition(int position) const
{
    const std::vector<qint32> &map = FCore.PositionInPositionGroup();
    if (position < 0 || std::size_t(position) >= map.size())
        return -2;
    return map[std::size_t(position)];
}

const std::vector<int> &TCoreChartModel::PositionBlock(int position) const
{
    const std::vector<std::vector<int>> &blocks = FCore.PositionsInHolidayGroup();
    if (position < 0 || std::size_t(position) >= blocks.size())
        return FNoBlock;
    return blocks[std::size_t(position)];
}

// ---- time axis

TMinUnit TCoreChartModel::MinUnit() const { return FCore.GetMinUnit(); }
TTimeOfDay TCoreChartModel::MinDayStart() const { return FCore.FMinDayStart; }
TTimeOfDay TCoreChartModel::MaxDayEnd() const { return FCore.FMaxDayEnd; }
TDateTime TCoreChartModel::MinDate() const { return FCore.MinDate(); }
TDateTime TCoreChartModel::MaxDate() const { return FCore.MaxDate(); }

// ---- row records

int TCoreChartModel::RowOf(const TNodeData &node) const
{
    if (!FPaintRows)
        return FCore.GetPositionOf(&node);
    // The core's own rule, with what it checks on every call taken once per paint.
    if (!FPaintHasPosition[node.NodeTable])
        return 0;
    if (node.nodePosition == AllPositions)
        return AllPositions;
    if (node.nodePosition < 0 || std::size_t(node.nodePosition) >= FPaintRows->size())
        return -1;
    return (*FPaintRows)[std::size_t(node.nodePosition)];
}
TDateTime TCoreChartModel::StartOf(const TNodeData &node) const { return FCore.GetStartOf(&node); }
TDateTime TCoreChartModel::EndOf(TNodeData &node) const { return FCore.GetEndOf(&node); }
TDateTime TCoreChartModel::TerminOf(const TNodeData &node) const { return FCore.GetTerminOf(&node); }

bool TCoreChartModel::IsSelected(const TNodeData &node) const
{
    return node.VNode && node.VNodeTable && node.VNodeTable->Selected(node.VNode);
}

bool TCoreChartModel::IsFiltered(const TNodeData &node) const
{
    return FCore.GetNodeFiltered(&node);
}

// ---- painting

void TCoreChartModel::PreparePaint()
{
    FPaintRows = nullptr;
    Rows();
    FPaintRows = &FCore.PositionInPositionGroup();
    for (TWhichTable table : {tbTable, tbExclude})
        FPaintHasPosition[table] = FCore.GetConnection(table, cnPosition) >= 0;
}

void TCoreChartModel::FinishPaint()
{
    FPaintRows = nullptr;
}

TWhichTable TCoreChartModel::ActiveTable() const
{
    return FCore.GetActiveTable();
}

void TCoreChartModel::ForEachRow(TWhichTable table, const std::function<void(TNodeData &node)> &visit) const
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    for (TGridNode *node = grid->GetFirst(); node; node = grid->GetNext(node))
        if (TNodeData *data = TPlannerCore::NodeData(grid, node))
            visit(*data);
}

void TCoreChartModel::ForEachRowIn(TWhichTable table, int first, int last,
                                   const std::function<void(TNodeData &node)> &visit) const
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid || FCore.GetConnection(table, cnPosition) < 0) {
        ForEachRow(table, visit);
        return;
    }
    // The rows of the positions shown in first..last (an absent day covers the shown rows of
    // its block), and those of every row.
    const TRowsByPosition &index = FCore.RowsByPosition();
    const std::vector<qint32> &rows = FCore.PositionInPositionGroup();
    const std::vector<std::vector<int>> &blocks = FCore.PositionsInHolidayGroup();
    std::vector<TNodeData *> found = index.Rows(table, AllPositions);
    for (const auto &[position, listed] : index.Positions(table)) {
        if (position < 0 || std::size_t(position) >= rows.size())
            continue;
        int top = rows[std::size_t(position)];
        int bottom = top;
        if (table == tbExclude && std::size_t(position) < blocks.size()) {
            int shown = 0;
            top = -1;
            for (int member : blocks[std::size_t(position)]) {
                const int row = member >= 0 && std::size_t(member) < rows.size() ? rows[std::size_t(member)] : -1;
                if (row >= 0 && (top < 0 || row < top))
                    top = row;
                shown += row >= 0 ? 1 : 0;
            }
            bottom = top + shown - 1;
        }
        if (top >= 0 && bottom >= first && top <= last)
            found.insert(found.end(), listed.begin(), listed.end());
    }
    // Most of the table: a walk in order costs less than ordering them.
    if (found.size() * 2 > std::size_t(FCore.GetTableRowCount(table))) {
        ForEachRow(table, visit);
        return;
    }
    // In the table's order: bars laid over each other come out as a walk draws them.
    std::sort(found.begin(), found.end(), [grid](const TNodeData *a, const TNodeData *b) {
        if (a->VNode->Parent == b->VNode->Parent)
            return std::uint32_t(a->VNode->Index) < std::uint32_t(b->VNode->Index);
        return grid->CompareNodePositions(a->VNode, b->VNode) < 0;
    });
    for (TNodeData *node : found)
        visit(*node);
}

QString TCoreChartModel::Text(const TNodeData &node, TConnection connection) const
{
    return FCore.GetData_(&node, connection);
}

bool TCoreChartModel::IsConnected(TWhichTable table, TConnection connection) const
{
    return FCore.GetConnection(table, connection) >= 0;
}

QString TCoreChartModel::ConnectedCaption(TWhichTable table, TConnection connection) const
{
    const int column = FCore.GetConnection(table, connection);
    return column >= 0 ? FCore.GetColumnCaption(table, column) : QString();
}

bool TCoreChartModel::BarColor(const TNodeData &node, TColor &color) const
{
    const QVector<TColor> &palette = node.NodeTable == tbExclude ? FCore.FHolidayColors : FCore.FColors;
    if (node.nodeColor < 0 || node.nodeColor >= palette.size())
        return false;
    color = palette[node.nodeColor];
    return true;
}

bool TCoreChartModel::AnyOverlapping() const
{
    return FCore.AnyOverlapping();
}

bool TCoreChartModel::IsOverlapping(const TNodeData &node) const
{
    return FCore.GetNodeIsOverlapping(&node);
}

const tDateList &TCoreChartModel::Holidays() const
{
    return FCore.FAutoExcludeList;
}

bool TCoreChartModel::HidesEmptyRows() const
{
    return FCore.FHideEmptyRows || FCore.FHideEmptyMultiRows;
}

bool TCoreChartModel::HidingSuppressed() const
{
    return FCore.FGlobalPositionFilter == FCore.FNoAutoGlobalPositionFilter;
}

QStringList TCoreChartModel::HiddenRowNames() const
{
    QSet<QString> shown;
    for (const QString &entry : FCore.FGlobalPositionFilter)
        shown.insert(ParseCommaText(entry).value(0));
    QStringList hidden;
    for (const QString &entry : FCore.FNoAutoGlobalPositionFilter) {
        const QString name = ParseCommaText(entry).value(0);
        if (!shown.contains(name))
            hidden.append(name);
    }
    return hidden;
}
