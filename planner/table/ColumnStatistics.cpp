#include "table/ColumnStatistics.h"

#include "Language.h"
#include "core/PlannerCore.h"
#include "table/AbsenceReport.h"
#include "table/Evaluations.h"
#include "table/ExactSum.h"

TColumnStatistics::TColumnStatistics(TPlannerCore &core)
    : FCore(core)
{
}

int TColumnStatistics::Count(TWhichTable table, TForEachNode set)
{
    switch (set) {
    case feGroupFiltered:
        return FCore.FilteredCount(table);
    case feSelected:
        return FCore.SelectedCount(table);
    default:
        return FCore.GroupCount(table);
    }
}

bool TColumnStatistics::Value(TNodeData *node, int column, double &value) const
{
    const TWhichTable table = node->NodeTable;
    if (column == FCore.GetConnection(table, cnLength)) {
        const bool hours = table == tbTable && FCore.GetMinUnit() == muMinute;
        value = FCore.GetLengthOf(node) / (hours ? 60.0 : 480.0);
        return true;
    }
    return TEvaluations::ReadNumber(FCore.GetData(node, column), value);
}

TColumnStatistics::TResult TColumnStatistics::Evaluate(TWhichTable table, TForEachNode set, int column)
{
    TExactSum sum;
    TResult result;
    FCore.ForEach(table, set, [&](TNodeData *node) {
        double value = 0;
        if (!Value(node, column, value))
            return;
        sum.Add(value);
        ++result.count;
    });
    result.sum = sum.Value();
    return result;
}

QStringList TColumnStatistics::Lines(TWhichTable table, TForEachNode set, const std::vector<int> &columns)
{
    QStringList lines;
    for (int column : columns) {
        const QString caption = FCore.GetColumnCaption(table, column);
        const TResult result = Evaluate(table, set, column);
        if (result.count == 0) {
            lines.append(caption + QStringLiteral(" (") + Translate(QStringLiteral("no values available"))
                         + QLatin1Char(')'));
            continue;
        }
        lines.append(caption + QStringLiteral(" (")
                     + Translate(QStringLiteral("%s items selected"), {QString::number(result.count)})
                     + QLatin1Char(')'));
        lines.append(QStringLiteral("======================"));
        lines.append(Translate(QStringLiteral("sum: %s"), {TAbsenceReport::TwoDecimals(result.sum)}));
        lines.append(Translate(QStringLiteral("median: %s"), {TAbsenceReport::TwoDecimals(result.sum / result.count)}));
        lines.append(QString());
    }
    return lines;
}
