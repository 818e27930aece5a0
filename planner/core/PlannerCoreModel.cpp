// Tables, columns and connections; cell getters, the date text of cells and the validity of
// a row.

#include "core/PlannerCore.h"

#include <algorithm>
#include <cmath>

#include "CommaText.h"
#include "DateFormat.h"
#include "Helper.h"
#include "Language.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

const QStringList EmptyStrings;

TTreeGridColumns *ColumnsOf(TBaseTreeGrid *grid)
{
    return grid ? grid->Header()->Columns() : nullptr;
}

// Column count changes lay out the header once at the end, not once per column: a table of
// many columns would otherwise take quadratic time to build.
class TColumnsUpdate
{
public:
    explicit TColumnsUpdate(TTreeGridColumns *columns) : FColumns(columns) { FColumns->BeginUpdate(); }
    ~TColumnsUpdate() { FColumns->EndUpdate(); }
    TColumnsUpdate(const TColumnsUpdate &) = delete;
    TColumnsUpdate &operator=(const TColumnsUpdate &) = delete;

private:
    TTreeGridColumns *FColumns;
};

} // namespace

// ---- tables

TBaseTreeGrid *TPlannerCore::GetTable(TWhichTable table) const
{
    return FTables[table == tbExclude ? tbExclude : tbTable];
}

TWhichTable TPlannerCore::GetTable(const TBaseTreeGrid *grid) const
{
    return grid != nullptr && grid == FTables[tbExclude] ? tbExclude : tbTable;
}

void TPlannerCore::SetActiveTable(TWhichTable table)
{
    if (table == FActiveTable)
        return;
    FActiveTable = table;
    FWindow.ActiveTableChanged();
}

int TPlannerCore::GetTableColCount(TWhichTable table) const
{
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    return columns ? columns->Count() : 0;
}

int TPlannerCore::GetTableRowCount(TWhichTable table) const
{
    TBaseTreeGrid *grid = GetTable(table);
    return grid ? int(grid->RootNodeCount()) : 0;
}

void TPlannerCore::SetTableColCount(TWhichTable table, int count)
{
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    auto &headers = FHeaderData[table];
    headers.resize(std::size_t(columns->Count()));
    count = std::max(count, 0);
    const TColumnsUpdate update(columns);
    // Surplus columns go from the front: the loader relies on this order.
    if (columns->Count() > count) {
        const int surplus = columns->Count() - count;
        headers.erase(headers.begin(), headers.begin() + surplus);
        columns->DeleteRange(0, surplus);
    }
    while (columns->Count() < count) {
        columns->Add();
        headers.emplace_back();
    }
    if (table == tbTable)
        FColumnAlwaysWritable.resize(count);
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
}

void TPlannerCore::ResizeTable(TWhichTable table, int count)
{
    CellRulesChanged();
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    auto &headers = FHeaderData[table];
    headers.resize(std::size_t(columns->Count()));
    count = std::max(count, 0);
    const TColumnsUpdate update(columns);
    while (columns->Count() < count) {
        columns->Add();
        headers.emplace_back();
    }
    if (columns->Count() > count) {
        headers.resize(std::size_t(count));
        columns->DeleteRange(count, columns->Count() - count);
    }
    ForEach(table, feAll, [count](TNodeData *node) {
        if (node->StringList.size() != count)
            node->StringList.resize(count);
    });
    // A connection must never point past the last column.
    for (int &column : FConnection[table])
        if (column >= count)
            column = -1;
    ConnectionsChanged(table);
    if (table == tbTable)
        FColumnAlwaysWritable.resize(count);
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
}

void TPlannerCore::InsertColumn(TWhichTable table, int index)
{
    CellRulesChanged();
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    auto &headers = FHeaderData[table];
    headers.resize(std::size_t(columns->Count()));
    index = std::clamp(index, 0, columns->Count());
    columns->Add()->SetIndex(index);
    headers.insert(headers.begin() + index, nullptr);
    ForEach(table, feAll, [index](TNodeData *node) {
        node->StringList.insert(std::min<qsizetype>(index, node->StringList.size()), QString());
    });
    // The columns from `index` on moved one to the right; their meanings move with them.
    for (int &column : FConnection[table])
        if (column >= index)
            ++column;
    ConnectionsChanged(table);
    if (table == tbTable)
        FColumnAlwaysWritable.insert(index, false);
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
    FWindow.ActiveTableChanged();
}

void TPlannerCore::RemoveColumn(TWhichTable table, int index)
{
    CellRulesChanged();
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    if (index < 0 || index >= columns->Count())
        return;
    auto &headers = FHeaderData[table];
    headers.resize(std::size_t(columns->Count()));
    columns->Delete(index);
    headers.erase(headers.begin() + index);
    ForEach(table, feAll, [index](TNodeData *node) {
        if (index < node->StringList.size())
            node->StringList.removeAt(index);
    });
    for (int &column : FConnection[table]) {
        if (column == index)
            column = -1;
        else if (column > index)
            --column;
    }
    ConnectionsChanged(table);
    if (table == tbTable && index < FColumnAlwaysWritable.size())
        FColumnAlwaysWritable.removeAt(index);
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
    FWindow.ActiveTableChanged();
}

void TPlannerCore::ClearTable(TWhichTable table)
{
    if (table == tbTable) {
        ResetConnections(table);
        for (auto &header : FHeaderData[table])
            header.reset();
    }
    TBaseTreeGrid *grid = GetTable(table);
    if (grid)
        grid->Clear();
    // Rows the grid never initialised skip its free handler; forget them all here.
    FNodeIndex[table].clear();
    FRowsByPosition.Clear(table);
    if (table == tbTable && OnOverlapRowFreed)
        OnOverlapRowFreed(nullptr);
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
}

// ---- connections

void TPlannerCore::ResetConnections(TWhichTable table)
{
    CellRulesChanged();
    FConnection[table].fill(-1);
    ConnectionsChanged(table);
}

void TPlannerCore::SetConnection(TWhichTable table, TConnection cn, int column)
{
    if (cn <= cnNone || cn >= ConnectionCount)
        return;
    if (column < -1 || column >= GetTableColCount(table))
        return;
    FConnection[table][cn] = column;
    ConnectionsChanged(table);
    CellRulesChanged();
    FWindow.InvalidateChart();
}

int TPlannerCore::GetConnection(TWhichTable table, TConnection cn) const
{
    if (cn < cnNone || cn >= ConnectionCount)
        return -1;
    return FConnection[table][cn];
}

TConnection TPlannerCore::GetColumnConnection(TWhichTable table, int column) const
{
    if (column < 0) {
        for (int cn = cnNone; cn < ConnectionCount; ++cn)
            if (FConnection[table][cn] == column)
                return TConnection(cn);
        return cnNone;
    }
    const std::vector<TConnection> &meanings = FColumnConnections[table];
    return std::size_t(column) < meanings.size() ? meanings[std::size_t(column)] : cnNone;
}

void TPlannerCore::ConnectionsChanged(TWhichTable table)
{
    // Asked several times for every cell written: the meaning of each column is kept, the
    // first connection naming a column winning.
    std::vector<TConnection> &meanings = FColumnConnections[table];
    meanings.clear();
    for (int cn = ConnectionCount - 1; cn >= cnNone; --cn) {
        const int at = FConnection[table][cn];
        if (at < 0)
            continue;
        if (meanings.size() <= std::size_t(at))
            meanings.resize(std::size_t(at) + 1, cnNone);
        meanings[std::size_t(at)] = TConnection(cn);
    }
}

// ---- captions and column descriptions

QString TPlannerCore::GetColumnCaption(TWhichTable table, int column) const
{
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    if (!columns || !columns->IsValidColumn(column))
        return QString();
    return columns->Items(column)->Text();
}

void TPlannerCore::SetColumnCaption(TWhichTable table, int column, const QString &text)
{
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    if (!columns || !columns->IsValidColumn(column))
        return;
    if (columns->Items(column)->Text() != text)
        columns->Items(column)->SetText(text);
}

QString TPlannerCore::GetColumnCaptionHack(TWhichTable table, int column) const
{
    if (table == tbExclude && column >= 0 && column < FExcludeHeaderStrings.size())
        return FExcludeHeaderStrings[column];
    return GetColumnCaption(table, column);
}

int TPlannerCore::IndexOfColumnHack(TWhichTable table, const QString &name) const
{
    const int count = GetTableColCount(table);
    // Absent-day cells are named by their untranslated captions, whatever their case.
    for (int i = 0; i < count; ++i) {
        if (table == tbExclude && i < FExcludeHeaderStrings.size() ? SameText(FExcludeHeaderStrings[i], name)
                                                                   : GetColumnCaption(table, i) == name)
            return i;
    }
    return -1;
}

QStringList TPlannerCore::ColumnLayout(TWhichTable table) const
{
    QStringList layout;
    for (int column = 0; column < GetTableColCount(table); ++column)
        layout << GetColumnCaptionHack(table, column) + QLatin1Char('\n') + QString::number(int(GetColumnType(table, column)));
    return layout;
}

int TPlannerCore::GetHeaderIndex(TWhichTable table, const QString &caption) const
{
    const int count = GetTableColCount(table);
    for (int i = 0; i < count; ++i)
        if (GetColumnCaption(table, i) == caption)
            return i;
    return -1;
}

THeaderData *TPlannerCore::GetHeader(TWhichTable table, int column) const
{
    const int count = GetTableColCount(table);
    if (column < 0 || column >= count)
        return nullptr;
    auto &headers = FHeaderData[table];
    // Columns added behind the core's back get their descriptions at the end.
    if (headers.size() != std::size_t(count))
        headers.resize(std::size_t(count));
    auto &header = headers[std::size_t(column)];
    if (!header)
        header = std::make_unique<THeaderData>();
    return header.get();
}

TColumnType TPlannerCore::GetColumnType(TWhichTable table, int column) const
{
    const THeaderData *header = GetHeader(table, column);
    return header ? header->ColumnType : ctText;
}

void TPlannerCore::SetColumnType(TWhichTable table, int column, TColumnType type)
{
    THeaderData *header = GetHeader(table, column);
    if (!header)
        return;
    header->ColumnType = type;
    ColumnsOf(GetTable(table))->Items(column)->SetAlignment(type == ctNumber ? taRightJustify
                                                                             : taLeftJustify);
}

void TPlannerCore::PickListColumn(TWhichTable &table, int &column) const
{
    // The task table's position list serves both tables, wherever its position column is.
    if (table == tbExclude && column >= 0 && GetColumnConnection(table, column) == cnPosition) {
        const int positions = GetConnection(tbTable, cnPosition);
        if (positions >= 0) {
            table = tbTable;
            column = positions;
        }
    }
}

const QStringList &TPlannerCore::GetColumnStrings(TWhichTable table, int column) const
{
    PickListColumn(table, column);
    const THeaderData *header = GetHeader(table, column);
    return header ? header->Strings : EmptyStrings;
}

QStringList &TPlannerCore::ColumnStrings(TWhichTable table, int column)
{
    PickListColumn(table, column);
    THeaderData *header = GetHeader(table, column);
    if (!header)
        throw std::out_of_range("ColumnStrings: no such column");
    return header->Strings;
}

bool TPlannerCore::GetColumnReadOnly(TWhichTable, int) const
{
    return false;
}

void TPlannerCore::SetColumnAlwaysWritable(int column, bool writable)
{
    FColumnAlwaysWritable[column] = writable;
}

int TPlannerCore::GetRowCount() const
{
    const int column = GetConnection(tbTable, cnPosition);
    if (column < 0)
        return 1;
    // The visible positions of the current group; the whole pick list until a group applies.
    if (!FGlobalPositionFilter.isEmpty())
        return std::max(1, int(FGlobalPositionFilter.size()));
    return std::max(1, int(GetColumnStrings(tbTable, column).size()));
}

// ---- cells

TNodeData *TPlannerCore::NodeData(TBaseTreeGrid *grid, TGridNode *node)
{
    return grid && node ? grid->GetNodeData<TNodeData>(node) : nullptr;
}

QString TPlannerCore::GetData(const TNodeData *node, int column) const
{
    if (!node || column < 0)
        return QString();
    return node->StringList.value(column);
}

QString TPlannerCore::GetData_(const TNodeData *node, TConnection cn) const
{
    if (!node)
        return QString();
    return GetData(node, GetConnection(node->NodeTable, cn));
}

int TPlannerCore::GetDataIndex(const TNodeData *node, int column) const
{
    if (!node || column < 0 || column >= node->StringList.size())
        return -1;
    return PickListIndex(node->NodeTable, column, node->StringList[column]);
}

int TPlannerCore::PickListIndex(TWhichTable table, int column, const QString &text) const
{
    if (column < 0)
        return -1;
    if (GetConnection(table, cnPosition) == column) {
        if (text == QStringLiteral("*"))
            return AllPositions;
        return PositionCache().index.value(text, -1);
    }
    const QStringList &strings = GetColumnStrings(table, column);
    auto &cache = FPickListIndex[table];
    if (cache.size() <= std::size_t(column))
        cache.resize(std::size_t(column) + 1);
    TPickListIndex &pick = cache[std::size_t(column)];
    // The copy kept here makes any change of the list a new list: the same data means the
    // same entries.
    if (!pick.valid || pick.source.constData() != strings.constData() || pick.source.size() != strings.size()) {
        pick.source = strings;
        pick.index.clear();
        for (int i = 0; i < strings.size(); ++i) {
            const QStringList items = ParseCommaText(strings[i]);
            if (!items.isEmpty() && !pick.index.contains(items.first()))
                pick.index.insert(items.first(), i);
        }
        pick.valid = true;
    }
    return pick.index.value(text, -1);
}

int TPlannerCore::GetDataIndex_(const TNodeData *node, TConnection cn) const
{
    if (!node)
        return -1;
    return GetDataIndex(node, GetConnection(node->NodeTable, cn));
}

// ---- date texts

QString TPlannerCore::FormatDateTime(TDateTime value) const
{
    if (FMinUnit == muMinute)
        return DateTimeToShortStr(value);
    return DateToStr(value);
}

TDateTime TPlannerCore::StrToDateTime(const QString &text, TDateTime def) const
{
    TDateTime value = 0;
    if (text.trimmed().isEmpty() || !TryStrToDateTime(text, value))
        return def;
    if (FMinUnit == muDay)
        value = std::trunc(value);
    return value;
}

bool TPlannerCore::isDateOK(TDateTime value) const
{
    return FMinDate - 7300 < value && value <= FMaxDate + 7300;
}

// ---- validity

void TPlannerCore::CB_CheckValid(TNodeData *node, QObject *)
{
    // The row being refreshed reads its cells once its end is written.
    if (node && !IsUpdating() && node != FRefreshingRow)
        RefreshRow(node);
}

// ---- the basic tables

void TPlannerCore::CreateBasicTable(TWhichTable table)
{
    struct TColumnSetup
    {
        const char *caption;
        TColumnType type;
        TConnection connection;
    };
    static const TColumnSetup tasks[] = {
        {"Position", ctPulldown, cnPosition}, {"Start", ctDate, cnStart},
        {"End", ctDate, cnEnd},               {"Length", ctNumber, cnLength},
        {"State", ctPulldown, cnColor},       {"Comment", ctText, cnTextCenterMiddle},
    };
    static const TColumnSetup absent[] = {
        {"Position", ctPulldown, cnPosition},
        {"Start", ctDate, cnStart},
        {"End", ctDate, cnEnd},
        {"Length", ctNumber, cnLength},
        {"Working Days", ctCheckBox, cnLengthWithWeekend},
        {"Absent reason", ctPulldown, cnColor},
        {"Comment", ctText, cnTextCenterMiddle},
    };
    const TColumnSetup *setup = table == tbTable ? tasks : absent;
    const int count = table == tbTable ? int(std::size(tasks)) : int(std::size(absent));

    ResizeTable(table, count);
    ResetConnections(table);
    ClearTable(table);
    if (table == tbExclude)
        FExcludeHeaderStrings.clear();
    for (int i = 0; i < count; ++i) {
        const QString caption = QString::fromLatin1(setup[i].caption);
        if (table == tbExclude)
            FExcludeHeaderStrings.append(caption);
        SetColumnCaption(table, i, Translate(caption));
        SetColumnType(table, i, setup[i].type);
        GetHeader(table, i)->Strings.clear();
        SetConnection(table, setup[i].connection, i);
    }

    if (table == tbTable) {
        QStringList &positions = GetHeader(table, GetConnection(table, cnPosition))->Strings;
        QStringList &states = GetHeader(table, GetConnection(table, cnColor))->Strings;
        for (int n = 1; n <= 3; ++n) {
            positions.append(CommaTextOf({Translate(QStringLiteral("Position")) + QLatin1Char(' ')
                                          + QString::number(n)}));
            states.append(CommaTextOf({Translate(QStringLiteral("State")) + QLatin1Char(' ')
                                       + QString::number(n)}));
        }
        CreateDefaultWeekInfo();
    } else {
        GetHeader(table, GetConnection(table, cnColor))->Strings = ParseCommaText(DefaultAbsentReasonsText());
    }
}

// ---- arranging columns

void TPlannerCore::ArrangeColumns(TWhichTable table, const std::vector<int> &sources)
{
    TTreeGridColumns *columns = ColumnsOf(GetTable(table));
    const int oldCount = columns->Count();
    const int newCount = int(sources.size());
    // Where each old column goes, -1 when it goes away.
    std::vector<int> target(std::size_t(oldCount), -1);
    for (int i = 0; i < newCount; ++i) {
        const int k = sources[std::size_t(i)];
        if (k < -1 || k >= oldCount || (k >= 0 && target[std::size_t(k)] >= 0))
            throw std::invalid_argument("ArrangeColumns: bad column source");
        if (k >= 0)
            target[std::size_t(k)] = i;
    }

    auto &headers = FHeaderData[table];
    headers.resize(std::size_t(oldCount));
    std::vector<std::unique_ptr<THeaderData>> arranged(static_cast<std::size_t>(newCount));
    std::vector<TTreeGridColumn *> items(std::size_t(newCount), nullptr);
    for (int i = 0; i < newCount; ++i) {
        const int k = sources[std::size_t(i)];
        if (k >= 0) {
            arranged[std::size_t(i)] = std::move(headers[std::size_t(k)]);
            items[std::size_t(i)] = columns->Items(k);
        }
    }
    headers = std::move(arranged);

    {
        const TColumnsUpdate update(columns);
        // The header columns themselves move, so their widths and options go along.
        for (int k = oldCount - 1; k >= 0;) {
            if (target[std::size_t(k)] >= 0) {
                --k;
                continue;
            }
            const int last = k;
            while (k >= 0 && target[std::size_t(k)] < 0)
                --k;
            columns->DeleteRange(k + 1, last - k);
        }
        for (TTreeGridColumn *&item : items)
            if (!item)
                item = columns->Add();
        for (int i = 0; i < newCount; ++i)
            if (items[std::size_t(i)]->Index() != i)
                items[std::size_t(i)]->SetIndex(i);
        columns->ReorderColumns(false);
    }

    ForEach(table, feAll, [&sources, newCount](TNodeData *node) {
        QStringList old = std::move(node->StringList);
        QStringList cells;
        cells.reserve(newCount);
        for (const int k : sources)
            cells.append(k >= 0 && k < old.size() ? std::move(old[k]) : QString());
        node->StringList = std::move(cells);
    });
    for (int &column : FConnection[table])
        column = column >= 0 && column < oldCount ? target[std::size_t(column)] : -1;
    ConnectionsChanged(table);
    if (table == tbTable) {
        QVector<bool> writable(newCount, false);
        for (int i = 0; i < newCount; ++i) {
            const int k = sources[std::size_t(i)];
            writable[i] = k >= 0 && FColumnAlwaysWritable.value(k, false);
        }
        FColumnAlwaysWritable = std::move(writable);
    }
    FPickListIndex[table].clear();
    if (OnTableSetupChanged)
        OnTableSetupChanged(table);
    FWindow.ActiveTableChanged();
    FWindow.InvalidateChart();
}
