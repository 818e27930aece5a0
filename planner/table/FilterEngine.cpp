#include "table/FilterEngine.h"

#include <QSet>

#include <algorithm>
#include <cmath>

#include "CommaText.h"
#include "DateFormat.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "table/TableEvents.h"
#include "table/TableImages.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"

TFilterEngine::TFilterEngine(TPlannerCore &core)
    : FCore(core)
{
}

TFilterEngine::~TFilterEngine() = default;

// ---- the kept filters

void TFilterEngine::ClearFilters()
{
    FFilters.clear();
}

void TFilterEngine::AddFilter(const TFilter &filter)
{
    FFilters.push_back(std::make_unique<TFilter>(filter));
}

TFilter *TFilterEngine::FindFilter(TWhichTable table, const QString &group, const QString &header) const
{
    for (const auto &filter : FFilters)
        if (filter->table == table && filter->group == group && filter->header == header)
            return filter.get();
    return nullptr;
}

void TFilterEngine::ColumnsRenamed(TWhichTable table, const std::vector<std::pair<QString, QString>> &renames)
{
    for (auto &filter : FFilters) {
        if (filter->table != table)
            continue;
        for (const auto &[from, to] : renames) {
            if (filter->header == from) {
                if (to.isEmpty())
                    filter.reset();
                else
                    filter->header = to;
                break;
            }
        }
    }
    std::erase(FFilters, nullptr);
}

void TFilterEngine::StoreForGroup(TWhichTable table, int column)
{
    const THeaderData *data = FCore.GetHeader(table, column);
    if (!data)
        return;
    const QString group = FCore.GroupTabCaption();
    const QString header = FCore.GetColumnCaption(table, column);
    TFilter *filter = FindFilter(table, group, header);
    if (!filter) {
        FFilters.push_back(std::make_unique<TFilter>());
        filter = FFilters.back().get();
    }
    filter->group = group;
    filter->params = data->Filter;
    filter->header = header;
    filter->table = table;
}

void TFilterEngine::RestoreGroupFilters(const QString &group)
{
    for (TWhichTable table : {tbTable, tbExclude})
        for (int column = 0; column < FCore.GetTableColCount(table); ++column)
            if (THeaderData *data = FCore.GetHeader(table, column))
                data->Filter.FilterType = ftNone;
    for (const auto &filter : FFilters) {
        if (filter->group != group)
            continue;
        const int column = FCore.GetHeaderIndex(filter->table, filter->header);
        if (THeaderData *data = FCore.GetHeader(filter->table, column))
            data->Filter = filter->params;
    }
}

// ---- evaluation

const std::vector<TFilterEngine::TColumnTest> &TFilterEngine::Tests(TWhichTable table, bool fresh)
{
    TTableTests &tests = FTests[table];
    const int count = FCore.GetTableColCount(table);
    const QString dateFormat = ShortDateFormat();
    // What yes/no cells show depends on the language.
    const QString yesNo = TTableEvents::CheckBoxText(BoolName(true)) + QLatin1Char('\n')
                          + TTableEvents::CheckBoxText(BoolName(false));
    bool current = !fresh && tests.columns.size() == std::size_t(count) && tests.unit == FCore.GetMinUnit()
                   && tests.dateFormat == dateFormat && tests.yesNo == yesNo;
    for (int column = 0; current && column < count; ++column) {
        const THeaderData *header = FCore.GetHeader(table, column);
        const TColumnTest &test = tests.columns[std::size_t(column)];
        current = test.params == header->Filter && test.type == header->ColumnType;
    }
    if (current)
        return tests.columns;

    tests.columns.clear();
    tests.columns.resize(std::size_t(count));
    tests.unit = FCore.GetMinUnit();
    tests.dateFormat = dateFormat;
    tests.yesNo = yesNo;
    // The pickers hold days: a date filter compares whole days in either time unit, so that
    // "till" takes in the whole of its day.
    const auto parseDate = [this](const QString &text) { return std::trunc(FCore.StrToDateTime(text, 0)); };
    for (int column = 0; column < count; ++column) {
        TColumnTest &test = tests.columns[std::size_t(column)];
        const THeaderData *header = FCore.GetHeader(table, column);
        test.params = header->Filter;
        test.type = header->ColumnType;
        // A yes/no column is found by the word it shows as well as by the text it holds.
        TFilterEvaluator::TShownText shown;
        if (test.type == ctCheckBox)
            shown = &TTableEvents::CheckBoxText;
        if (test.params.FilterType != ftNone)
            test.evaluator = std::make_unique<TFilterEvaluator>(test.params, parseDate, shown);
    }
    return tests.columns;
}

bool TFilterEngine::NodePasses(const TNodeData *node)
{
    return !node || Passes(node, Tests(node->NodeTable, false));
}

bool TFilterEngine::Passes(const TNodeData *node, const std::vector<TColumnTest> &tests) const
{
    // A row that cannot be drawn stays in sight, so that it can be mended.
    if (!node->nodeValid)
        return true;
    // Hidden by the group tab; "*" (all resources) never is.
    const int position = FCore.GetPositionOf(node);
    if (position < 0 && position != AllPositions)
        return false;
    for (std::size_t column = 0; column < tests.size(); ++column) {
        const TFilterEvaluator *evaluator = tests[column].evaluator.get();
        if (evaluator && !evaluator->Passes(FCore.GetData(node, int(column))))
            return false;
    }
    return true;
}

void TFilterEngine::CB_FilterNode(TNodeData *node)
{
    if (!node || !node->VNode || !node->VNodeTable)
        return;
    const bool shown = node->VNodeTable->IsVisible(node->VNode);
    SetFiltered(node, !NodePasses(node));
    // The status bar counts the rows shown: a row that came or went is counted at once, not
    // only after the next filter run.
    if (node->VNodeTable->IsVisible(node->VNode) != shown)
        FCore.RequestStatusBarUpdate();
}

void TFilterEngine::SetFiltered(TNodeData *node, bool filtered)
{
    if (!node->VNode || !node->VNodeTable)
        return;
    FCore.SetNodeFiltered(node, filtered);
    if (filtered && node->VNodeTable->Selected(node->VNode))
        node->VNodeTable->SetSelected(node->VNode, false);
}

void TFilterEngine::FilterData(TWhichTable table)
{
    if (FCore.IsUpdating())
        return;
    const std::vector<TColumnTest> &tests = Tests(table, true);
    // One bracket: hiding many rows then costs one recount of the grid.
    TBaseTreeGrid *grid = FCore.GetTable(table);
    grid->BeginUpdate();
    try {
        FCore.ForEach(table, feAll, [&](TNodeData *node) { SetFiltered(node, !Passes(node, tests)); });
    } catch (...) {
        grid->EndUpdate();
        throw;
    }
    grid->EndUpdate();
    FCore.Window().InvalidateChart();
    FCore.RequestStatusBarUpdate();
    UpdateHeaders(table);
}

void TFilterEngine::FilterTables()
{
    FilterData(tbTable);
    FilterData(tbExclude);
}

QString TFilterEngine::Description(TWhichTable table, int column) const
{
    const THeaderData *data = FCore.GetHeader(table, column);
    return data ? TFilterEvaluator::Description(data->Filter) : QString();
}

void TFilterEngine::UpdateHeaders(TWhichTable table)
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    TTreeGridColumns *columns = grid->Header()->Columns();
    for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
        TTreeGridColumn *item = columns->Items(column);
        if (!item)
            continue;
        const QString description = Description(table, column);
        item->SetHint(description);
        item->SetImageIndex(description.isEmpty() ? TableImages::NoFilter : TableImages::Filter);
    }
}

// ---- commands

void TFilterEngine::SetFilter(TWhichTable table, int column, const TFilterParams &params)
{
    THeaderData *data = FCore.GetHeader(table, column);
    if (!data)
        return;
    data->Filter = params;
    StoreForGroup(table, column);
    FilterData(table);
}

void TFilterEngine::ClearFilter(TWhichTable table, int column)
{
    THeaderData *data = FCore.GetHeader(table, column);
    if (!data)
        return;
    data->Filter.FilterType = ftNone;
    if (TFilter *filter = FindFilter(table, FCore.GroupTabCaption(), FCore.GetColumnCaption(table, column)))
        filter->params.FilterType = ftNone;
    FilterData(table);
}

void TFilterEngine::ClearAllFilters(TWhichTable table)
{
    const QString group = FCore.GroupTabCaption();
    for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
        FCore.GetHeader(table, column)->Filter.FilterType = ftNone;
        if (TFilter *filter = FindFilter(table, group, FCore.GetColumnCaption(table, column)))
            filter->params.FilterType = ftNone;
    }
    FilterData(table);
}

bool TFilterEngine::AnyFilter(TWhichTable table) const
{
    for (int column = 0; column < FCore.GetTableColCount(table); ++column)
        if (FCore.GetHeader(table, column)->IsFiltered())
            return true;
    return false;
}

// ---- the pop-up

QStringList TFilterEngine::DistinctCells(TWhichTable table, int column) const
{
    QStringList values;
    QSet<QString> seen;
    const bool checkBox = FCore.GetColumnType(table, column) == ctCheckBox;
    FCore.ForEach(table, feAll, [&](TNodeData *node) {
        const QString text = checkBox ? TTableEvents::CheckBoxText(FCore.GetData(node, column)) : FCore.GetData(node, column);
        const QString key = text.toCaseFolded();
        if (!seen.contains(key)) {
            seen.insert(key);
            values.append(text);
        }
    });
    std::stable_sort(values.begin(), values.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return values;
}

QStringList TFilterEngine::ListValues(TWhichTable table, int column) const
{
    // Only a pick list offers its values; another column keeps them for when it is one again.
    const QStringList &strings = FCore.GetColumnStrings(table, column);
    if (strings.isEmpty() || FCore.GetColumnType(table, column) != ctPulldown)
        return DistinctCells(table, column);
    QStringList values;
    values.reserve(strings.size());
    for (const QString &entry : strings)
        values.append(ParseCommaText(entry).value(0));
    return values;
}

TFilterPopupValues TFilterEngine::PopupValues(TWhichTable table, int column) const
{
    TFilterPopupValues values;
    const THeaderData *data = FCore.GetHeader(table, column);
    if (!data)
        return values;
    const TFilterParams &filter = data->Filter;
    const TColumnType type = data->ColumnType;
    values.Caption = Translate(QStringLiteral("Filter Column %s"), {FCore.GetColumnCaption(table, column)});
    values.DateEnabled = type == ctDate;
    values.ListEnabled = type == ctText || type == ctPulldown || type == ctLink;
    values.NumberEnabled = type == ctNumber;

    if (values.DateEnabled) {
        TDateTime date = 0;
        if ((values.DateFromSet = TryStrToDateTime(filter.Text1, date)))
            values.DateFrom = date;
        if ((values.DateTillSet = TryStrToDateTime(filter.text2, date)))
            values.DateTill = date;
    }
    if (values.ListEnabled) {
        values.ListValues = ListValues(table, column);
        if (filter.FilterType == ftList)
            values.ListSelected = ParseCommaText(filter.Text1);
    }
    values.Completion = DistinctCells(table, column);
    values.Text = filter.Text1;
    if (values.NumberEnabled) {
        values.NumberValue = filter.Text1;
        values.NumberFrom = filter.Text1;
        values.NumberTo = filter.text2;
    }

    // The button of the current filter; a filter the column type no longer offers shows as none.
    switch (filter.FilterType) {
    case ftDate:
        values.Kind = values.DateEnabled ? TFilterPopupValues::fkDate : TFilterPopupValues::fkNone;
        break;
    case ftList:
        values.Kind = values.ListEnabled ? TFilterPopupValues::fkList : TFilterPopupValues::fkNone;
        break;
    case ftText:
        values.Kind = filter.FilterSubType == fsText    ? TFilterPopupValues::fkText
                      : filter.FilterSubType == fsEmpty ? TFilterPopupValues::fkEmpty
                                                        : TFilterPopupValues::fkNone;
        break;
    case ftNumber: {
        static const TFilterPopupValues::TKind kinds[] = {TFilterPopupValues::fkSmaller, TFilterPopupValues::fkGreater,
                                                          TFilterPopupValues::fkEquals, TFilterPopupValues::fkFromTo};
        values.Kind = values.NumberEnabled && filter.FilterSubType <= fsFromTo ? kinds[filter.FilterSubType]
                                                                               : TFilterPopupValues::fkNone;
        break;
    }
    default:
        values.Kind = TFilterPopupValues::fkNone;
        break;
    }
    return values;
}

TFilterParams TFilterEngine::ParamsFromPopup(const TFilterParams &previous, const TFilterPopupValues &values) const
{
    TFilterParams params = previous;
    switch (values.Kind) {
    case TFilterPopupValues::fkNone:
        params.FilterType = ftNone;
        break;
    case TFilterPopupValues::fkList:
        params.FilterType = ftList;
        // With nothing selected the previous texts stay.
        if (!values.ListSelected.isEmpty()) {
            params.FilterSubType = fsEquals;
            params.Text1 = CommaTextOf(values.ListSelected);
            params.text2.clear();
        }
        break;
    case TFilterPopupValues::fkDate:
        params.FilterType = ftDate;
        params.FilterSubType = fsFromTo;
        params.Text1 = FCore.FormatDateTime(values.DateFrom);
        params.text2 = FCore.FormatDateTime(values.DateTill);
        break;
    case TFilterPopupValues::fkText:
        params.FilterType = ftText;
        params.FilterSubType = fsText;
        params.Text1 = values.Text;
        break;
    case TFilterPopupValues::fkEmpty:
        params.FilterType = ftText;
        params.FilterSubType = fsEmpty;
        params.Text1 = values.Text;
        break;
    case TFilterPopupValues::fkSmaller:
    case TFilterPopupValues::fkGreater:
    case TFilterPopupValues::fkEquals:
        params.FilterType = ftNumber;
        params.FilterSubType = values.Kind == TFilterPopupValues::fkSmaller   ? fsSmaller
                               : values.Kind == TFilterPopupValues::fkGreater ? fsGreater
                                                                              : fsEquals;
        params.Text1 = values.NumberValue;
        break;
    case TFilterPopupValues::fkFromTo:
        params.FilterType = ftNumber;
        params.FilterSubType = fsFromTo;
        params.Text1 = values.NumberFrom;
        params.text2 = values.NumberTo;
        break;
    }
    return params;
}
