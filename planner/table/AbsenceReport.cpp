#include "table/AbsenceReport.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

#include "CommaText.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "table/Evaluations.h"

namespace {

// A day of absence counts 480 minutes, as every length does.
constexpr double MinutesPerWorkDay = 480;

} // namespace

double TAbsenceReport::TRowSums::Total() const
{
    double total = 0;
    for (double d : days)
        total += d;
    return total;
}

TAbsenceReport::TAbsenceReport(TPlannerCore &core)
    : FCore(core)
{
}

QStringList TAbsenceReport::Reasons() const
{
    QStringList names;
    const int column = FCore.GetConnection(tbExclude, cnColor);
    if (column < 0)
        return names;
    for (const QString &entry : FCore.GetColumnStrings(tbExclude, column))
        names.append(ParseCommaText(entry).value(0));
    return names;
}

double TAbsenceReport::DaysInside(TNodeData *node, int row, TDateTime from, TDateTime toExclusive)
{
    const TDateTime start = std::floor(FCore.GetStartOf(node));
    const TDateTime last = FCore.GetEndOf(node);
    if (start == 0 || last == 0)
        return 0;
    const TDateTime end = std::floor(last) + 1;
    if (start >= from && end <= toExclusive)
        return std::max(0, FCore.GetLengthOf(node)) / MinutesPerWorkDay;
    const TDateTime inFrom = std::max(start, from);
    const TDateTime inTo = std::min(end, toExclusive);
    if (inTo <= inFrom)
        return 0;
    // The part inside, measured as the absence's own length is.
    const bool workDays = FCore.GetData_(node, cnLengthWithWeekend) == BoolName(true);
    const int minutes = FCore.calcLengthOf(tbExclude, row, inFrom, inTo, workDays);
    return std::max(0, minutes) / MinutesPerWorkDay;
}

std::vector<TAbsenceReport::TRowSums> TAbsenceReport::Sums(TDateTime from, TDateTime to)
{
    const int rows = FCore.GetRowCount();
    const std::size_t reasons = std::size_t(Reasons().size());
    const TDateTime first = std::floor(from);
    const TDateTime toExclusive = std::floor(to) + 1;
    // An absence of every resource ("*") counts once for each resource, on its first row.
    const std::vector<int> resources = TEvaluations(FCore).ResourceNumbers();
    std::vector<int> firstRows;
    for (int row = 0; row < rows && std::size_t(row) < resources.size(); ++row)
        if (row == 0 || resources[std::size_t(row)] != resources[std::size_t(row) - 1])
            firstRows.push_back(row);
    std::vector<std::vector<double>> days(std::size_t(std::max(rows, 0)));
    const auto add = [&](int row, int reason, double inside) {
        std::vector<double> &sums = days[std::size_t(row)];
        sums.resize(reasons, 0.0);
        sums[std::size_t(reason)] += inside;
    };
    FCore.ForEach(tbExclude, feAll, [&](TNodeData *node) {
        if (!FCore.GetNodeValid(node))
            return;
        // Matched by chart row, so that the rows of a group tab find their own absences.
        const int row = FCore.GetPositionOf(node);
        const int reason = FCore.GetDataIndex_(node, cnColor);
        if (reason < 0 || std::size_t(reason) >= reasons)
            return;
        if (row == AllPositions) {
            const double inside = DaysInside(node, AllPositions, first, toExclusive);
            if (inside > 0)
                for (int each : firstRows)
                    add(each, reason, inside);
            return;
        }
        if (row < 0 || row >= rows)
            return;
        const double inside = DaysInside(node, row, first, toExclusive);
        if (inside > 0)
            add(row, reason, inside);
    });
    std::vector<TRowSums> result;
    for (int row = 0; row < rows; ++row) {
        TRowSums sums{row, std::move(days[std::size_t(row)])};
        if (sums.Total() != 0)
            result.push_back(std::move(sums));
    }
    return result;
}

QStringList TAbsenceReport::Lines(TDateTime from, TDateTime to)
{
    const QStringList reasons = Reasons();
    QStringList lines;
    for (const TRowSums &sums : Sums(from, to)) {
        lines.append(ParseCommaText(FCore.FGlobalPositionFilter.value(sums.row)).value(0));
        lines.append(QStringLiteral("=============================="));
        for (std::size_t i = 0; i < sums.days.size(); ++i)
            if (sums.days[i] != 0)
                lines.append(Translate(QStringLiteral("%s days %s"), {TwoDecimals(sums.days[i]), reasons[qsizetype(i)]}));
        lines.append(Translate(QStringLiteral("total %s absent days"), {TwoDecimals(sums.Total())}));
        lines.append(QString());
    }
    return lines;
}

QString TAbsenceReport::TwoDecimals(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}
