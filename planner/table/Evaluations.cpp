#include "table/Evaluations.h"

#include <QLocale>
#include <QSet>

#include <cmath>

#include "CommaText.h"
#include "DateList.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "table/ExactSum.h"

namespace {

// The names of the chart rows of the current group.
QStringList RowNames(const TPlannerCore &core)
{
    QStringList names;
    names.reserve(core.FGlobalPositionFilter.size());
    for (const QString &entry : core.FGlobalPositionFilter)
        names.append(ParseCommaText(entry).value(0));
    return names;
}

// A whole number, or 0 when the text is none.
int WholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace

TEvaluations::TEvaluations(TPlannerCore &core)
    : FCore(core)
{
}

bool TEvaluations::ReadNumber(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    // Sums stay exact only for values that cannot overflow them.
    if (!ok || !std::isfinite(value) || std::fabs(value) > TExactSum::Limit) {
        value = 0;
        return false;
    }
    return true;
}

// ---- samples

qint64 TEvaluations::SampleOf(TDateTime date) const
{
    if (FCore.GetMinUnit() == muMinute)
        return qint64(std::llround(date * MinsPerDay));
    return qint64(std::floor(date));
}

TDateTime TEvaluations::DateOfSample(qint64 sample) const
{
    if (FCore.GetMinUnit() == muMinute)
        return double(sample) / MinsPerDay;
    return double(sample);
}

void TEvaluations::SetRange(TInput &input) const
{
    input.first = SampleOf(FCore.MinDate());
    input.last = SampleOf(FCore.MaxDate());
}

bool TEvaluations::Span(TNodeData *node, TUtilisationSweep::TItem &item)
{
    const TDateTime start = FCore.GetStartOf(node);
    const TDateTime end = FCore.GetEndOf(node);
    if (start == 0 || end == 0)
        return false;
    // Ends of whole days name the last day covered.
    const bool wholeDays = FCore.GetMinUnit() == muDay || node->NodeTable == tbExclude;
    item.from = SampleOf(start);
    item.to = SampleOf(wholeDays ? std::floor(end) + 1 : end);
    return true;
}

// ---- the three charts

TEvaluations::TInput TEvaluations::TaskCountInput()
{
    TInput input;
    SetRange(input);
    FCore.ForEach(tbTable, feAll, [&](TNodeData *node) {
        TUtilisationSweep::TItem item;
        if (Span(node, item))
            input.items.push_back(item);
    });
    return input;
}

TEvaluations::TInput TEvaluations::ColumnSumInput(int column)
{
    TInput input;
    SetRange(input);
    FCore.ForEach(FCore.GetActiveTable(), feAll, [&](TNodeData *node) {
        TUtilisationSweep::TItem item;
        if (!Span(node, item))
            return;
        ReadNumber(FCore.GetData(node, column), item.value);
        input.items.push_back(item);
    });
    return input;
}

TEvaluations::TInput TEvaluations::ResourceSumInput(int column, int resource)
{
    TInput input;
    SetRange(input);
    const std::vector<int> numbers = ResourceNumbers();
    const int resources = numbers.empty() ? 0 : numbers.back() + 1;
    if (resource < 0)
        input.divisor = std::max(1, resources);
    FCore.ForEach(FCore.GetActiveTable(), feAll, [&](TNodeData *node) {
        // Rows are matched by the chart row they are shown in.
        const int row = FCore.GetPositionOf(node);
        if (row < 0 || std::size_t(row) >= numbers.size())
            return;
        if (resource >= 0 && numbers[std::size_t(row)] != resource)
            return;
        TUtilisationSweep::TItem item;
        if (!Span(node, item))
            return;
        item.value = WholeNumber(FCore.GetData(node, column));
        input.items.push_back(item);
    });
    return input;
}

TEvaluations::TSeries TEvaluations::SeriesOf(const TInput &input, const QString &title1, const QString &title2) const
{
    TSeries series;
    series.title1 = title1;
    series.title2 = title2;
    series.first = DateOfSample(input.first);
    series.last = DateOfSample(input.last);
    const std::vector<TUtilisationSweep::TPoint> points =
        TUtilisationSweep::Run(input.items, input.first, input.last, input.divisor);
    series.points.reserve(points.size());
    for (const TUtilisationSweep::TPoint &point : points)
        series.points.push_back({DateOfSample(point.sample), point.value});
    return series;
}

TEvaluations::TSeries TEvaluations::TaskCount()
{
    return SeriesOf(TaskCountInput(), Translate(QStringLiteral("Utilization")), Translate(QStringLiteral("No. Tasks")));
}

TEvaluations::TSeries TEvaluations::ColumnSum(int column)
{
    return SeriesOf(ColumnSumInput(column), Translate(QStringLiteral("Utilization")),
                    FCore.GetColumnCaption(FCore.GetActiveTable(), column));
}

TEvaluations::TSeries TEvaluations::ResourceSum(int column, int resource, const QString &caption)
{
    return SeriesOf(ResourceSumInput(column, resource), Translate(QStringLiteral("Utilization Test")), caption);
}

// ---- resources

std::vector<int> TEvaluations::ResourceNumbers() const
{
    const QStringList names = RowNames(FCore);
    // A row whose name is no entry of the position list continues the resource above it.
    QSet<QString> listed;
    const int column = FCore.GetConnection(tbTable, cnPosition);
    if (column >= 0)
        for (const QString &entry : FCore.GetColumnStrings(tbTable, column))
            listed.insert(ParseCommaText(entry).value(0));
    std::vector<int> numbers;
    numbers.reserve(std::size_t(names.size()));
    int number = -1;
    for (qsizetype row = 0; row < names.size(); ++row) {
        if (row == 0 || listed.contains(names[row]))
            ++number;
        numbers.push_back(number);
    }
    return numbers;
}

std::vector<TEvaluations::TResource> TEvaluations::Resources() const
{
    const QStringList names = RowNames(FCore);
    const std::vector<int> numbers = ResourceNumbers();
    std::vector<TResource> resources;
    for (std::size_t row = 0; row < numbers.size(); ++row)
        if (resources.empty() || resources.back().number != numbers[row])
            resources.push_back({names[qsizetype(row)], numbers[row]});
    return resources;
}

std::vector<int> TEvaluations::NumberColumns(TWhichTable table) const
{
    std::vector<int> columns;
    for (int column = 0; column < FCore.GetTableColCount(table); ++column)
        if (FCore.GetColumnType(table, column) == ctNumber)
            columns.push_back(column);
    return columns;
}

// ---- absent days of a chart row

void TEvaluations::addTableToDateList(tDateList &list, int row)
{
    const std::vector<std::vector<int>> &blocks = FCore.PositionsInHolidayGroup();
    const std::vector<qint32> &rows = FCore.PositionInPositionGroup();
    FCore.ForEach(tbExclude, feAll, [&](TNodeData *node) {
        if (!node->nodeValid)
            return;
        bool applies = node->nodePosition == AllPositions;
        if (!applies && node->nodePosition >= 0 && std::size_t(node->nodePosition) < blocks.size())
            for (int position : blocks[std::size_t(node->nodePosition)])
                if (std::size_t(position) < rows.size() && rows[std::size_t(position)] == row)
                    applies = true;
        if (applies)
            list.Add(node->nodeStart, node->nodeEnd + 1, row, node, FCore.GetData_(node, cnColor));
    });
}
