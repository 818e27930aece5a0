#pragma once

// What the chart reads of the document. The geometry needs only the rows, their working weeks
// and the dates of a row record; the painters need texts, colours, selection and the public
// holidays too. The core implements both (CoreChartModel); tests may give their own.

#include <QString>
#include <QVector>

#include <functional>
#include <vector>

#include "Color.h"
#include "DateTime.h"
#include "WeekInfo.h"
#include "core/DocumentTypes.h"

class tDateList;

class IChartGeometrySource
{
public:
    virtual ~IChartGeometrySource() = default;

    // ---- chart rows (the visible positions of the current group)
    virtual int RowCount() const = 0;
    virtual QString RowName(int row) const = 0;
    // The working week of a chart row; the default week outside the rows.
    virtual const tWeekInfo &RowWeek(int row) const = 0;
    // A further row of a multi-row position (its name is not in the position list).
    virtual bool IsMultiRow(int row) const = 0;
    // Changes whenever the rows or their names change.
    virtual quint64 RowsStamp() const = 0;

    // ---- positions (entries of the expanded full position list)
    virtual int PositionCount() const = 0;
    // The chart row of a position, negative when it is not shown.
    virtual int RowOfPosition(int position) const = 0;
    // Every position of the multi-row block a position belongs to; empty outside the list.
    virtual const std::vector<int> &PositionBlock(int position) const = 0;

    // ---- the time axis
    virtual TMinUnit MinUnit() const = 0;
    // The common working window of all shown rows.
    virtual TTimeOfDay MinDayStart() const = 0;
    virtual TTimeOfDay MaxDayEnd() const = 0;
    // The scrollable range (whole days).
    virtual TDateTime MinDate() const = 0;
    virtual TDateTime MaxDate() const = 0;

    // ---- one row record
    // The chart row: -9 for all rows, negative when hidden or unknown.
    virtual int RowOf(const TNodeData &node) const = 0;
    virtual TDateTime StartOf(const TNodeData &node) const = 0;
    // Computed when stale, hence not const.
    virtual TDateTime EndOf(TNodeData &node) const = 0;
    virtual TDateTime TerminOf(const TNodeData &node) const = 0;
    virtual bool IsSelected(const TNodeData &node) const = 0;
};

class IChartModel : public IChartGeometrySource
{
public:
    // Around one paint, during which the document does not change: the model may keep
    // snapshots between the two calls.
    virtual void PreparePaint() = 0;
    virtual void FinishPaint() = 0;

    virtual TWhichTable ActiveTable() const = 0;
    // Every row of a table in tree order.
    virtual void ForEachRow(TWhichTable table, const std::function<void(TNodeData &node)> &visit) const = 0;
    // The rows of a table whose bars may lie in the chart rows first..last (those of every row
    // included), in tree order; others may come too. A large plan's paint of the rows in view
    // so does not walk the table.
    virtual void ForEachRowIn(TWhichTable table, int first, int last,
                              const std::function<void(TNodeData &node)> &visit) const
    {
        (void)first;
        (void)last;
        ForEachRow(table, visit);
    }
    // Hidden in its table by a filter.
    virtual bool IsFiltered(const TNodeData &node) const = 0;
    // The cell connected to a meaning; empty when the table has no such column.
    virtual QString Text(const TNodeData &node, TConnection connection) const = 0;
    // Whether a column of the table has the meaning.
    virtual bool IsConnected(TWhichTable table, TConnection connection) const = 0;
    // The caption of the column connected to a meaning (the sample bar's texts).
    virtual QString ConnectedCaption(TWhichTable table, TConnection connection) const = 0;
    // The colour of a row from its table's palette; false when it cannot be determined.
    virtual bool BarColor(const TNodeData &node, TColor &color) const = 0;
    // Overlapping tasks: any at all, and whether this one is.
    virtual bool AnyOverlapping() const = 0;
    virtual bool IsOverlapping(const TNodeData &node) const = 0;
    // The public holidays, one item per day, sorted.
    virtual const tDateList &Holidays() const = 0;
    // The hide-empty view options and the rows they hid.
    virtual bool HidesEmptyRows() const = 0;
    virtual bool HidingSuppressed() const = 0;
    virtual QStringList HiddenRowNames() const = 0;
};
