#pragma once

// The evaluations of the Evaluation menu as data for the utilisation chart: the number of
// tasks running on each day (or minute), the sum of a numeric column over the running rows,
// and that sum for one resource or averaged over the resources of the current group. Also the
// absent days that apply to a chart row.
//
// In day mode a row runs on every day from its start to its last day, both included; in
// minute mode a task runs from its start up to its end, an absent day over its whole days.

#include <QString>

#include <vector>

#include "DateTime.h"
#include "core/DocumentTypes.h"
#include "table/UtilisationSweep.h"

class TPlannerCore;
class tDateList;

class TEvaluations
{
public:
    struct TPoint
    {
        TDateTime date = 0;
        double value = 0;
    };
    // One chart: its two title lines, the sampled range and its step points.
    struct TSeries
    {
        QString title1;
        QString title2;
        TDateTime first = 0;
        TDateTime last = 0;
        std::vector<TPoint> points;
    };
    // What a series is computed from: items in samples and the sampled range.
    struct TInput
    {
        std::vector<TUtilisationSweep::TItem> items;
        qint64 first = 0;
        qint64 last = 0;
        int divisor = 1;
    };
    // A resource of the current group as the Utilisation menu lists it.
    struct TResource
    {
        QString name;
        int number = 0;
    };

    explicit TEvaluations(TPlannerCore &core);

    // "Utilization" / "No. Tasks": the running tasks.
    TSeries TaskCount();
    // "Utilization" / the column's caption: the sum of the column over the running rows of the
    // active table.
    TSeries ColumnSum(int column);
    // "Utilization Test" / caption: the column's whole numbers summed over the running rows of
    // the active table on one resource's chart rows, or over all resources (-1) divided by
    // their number (0 when the group has none).
    TSeries ResourceSum(int column, int resource, const QString &caption);

    TInput TaskCountInput();
    TInput ColumnSumInput(int column);
    TInput ResourceSumInput(int column, int resource);
    TSeries SeriesOf(const TInput &input, const QString &title1, const QString &title2) const;

    // The resource number of every chart row: a row that continues a multi-row resource has
    // the number of the row above it.
    std::vector<int> ResourceNumbers() const;
    // The resources of the current group in row order, numbered from 0.
    std::vector<TResource> Resources() const;
    // The numeric columns of a table, in column order.
    std::vector<int> NumberColumns(TWhichTable table) const;

    // Appends, in table order, every valid absent day that applies to chart row `row` (those
    // for all resources included), from its start to the day after its last day.
    void addTableToDateList(tDateList &list, int row);

    // A cell as a decimal number in the user's notation (or with a point); false when it is none.
    static bool ReadNumber(const QString &text, double &value);

    // Samples: days, or minutes in minute mode.
    qint64 SampleOf(TDateTime date) const;
    TDateTime DateOfSample(qint64 sample) const;

private:
    // The row's running samples; false when its dates cannot be computed.
    bool Span(TNodeData *node, TUtilisationSweep::TItem &item);
    void SetRange(TInput &input) const;

    TPlannerCore &FCore;
};
