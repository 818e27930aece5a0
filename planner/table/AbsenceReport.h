#pragma once

// The absent days per resource and absence reason within a range of days: for every chart row
// of the current group, the days of each reason and their total, as the lines of a report.
// An absence reaching over the range's edges counts only its days inside the range, in the
// unit it is measured in (working days or calendar days). An absence of every resource ("*")
// counts for each resource of the group.

#include <QString>
#include <QStringList>

#include <vector>

#include "DateTime.h"

class TPlannerCore;
struct TNodeData;

class TAbsenceReport
{
public:
    // The days of one chart row, one sum per reason of the reason list.
    struct TRowSums
    {
        int row = 0;
        std::vector<double> days;
        double Total() const;
    };

    explicit TAbsenceReport(TPlannerCore &core);

    // The names of the absence reasons: the value list of the absent days' colour column.
    QStringList Reasons() const;
    // The chart rows with absent days in [from, to] (whole days, both included), in row order.
    std::vector<TRowSums> Sums(TDateTime from, TDateTime to);
    // The report: per row its name, a rule, a line per reason with days and the total, an empty line.
    QStringList Lines(TDateTime from, TDateTime to);
    // The days of an absence on chart row `row` (AllPositions for "*") inside [from, toExclusive).
    double DaysInside(TNodeData *node, int row, TDateTime from, TDateTime toExclusive);

    // A number with two decimals in the user's notation, without group separators.
    static QString TwoDecimals(double value);

private:
    TPlannerCore &FCore;
};
