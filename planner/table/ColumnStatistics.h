#pragma once

// The sum and the mean of numeric columns over all rows of the current group, the filtered
// rows or the selected rows of a table. The length column counts hours (tasks in minute mode)
// or days; other cells count when they read as a number, texts are skipped.

#include <QString>
#include <QStringList>

#include <vector>

#include "core/DocumentTypes.h"

class TPlannerCore;
struct TNodeData;

class TColumnStatistics
{
public:
    struct TResult
    {
        double sum = 0;
        int count = 0;
    };

    explicit TColumnStatistics(TPlannerCore &core);

    // The number of rows of the set: feGroupAll, feGroupFiltered or feSelected.
    int Count(TWhichTable table, TForEachNode set);
    TResult Evaluate(TWhichTable table, TForEachNode set, int column);
    // Per column: its caption with the count, a rule, the sum, the mean, an empty line; or its
    // caption with "no values available".
    QStringList Lines(TWhichTable table, TForEachNode set, const std::vector<int> &columns);
    // The value a row gives for a column; false when the cell is no number.
    bool Value(TNodeData *node, int column, double &value) const;

private:
    TPlannerCore &FCore;
};
