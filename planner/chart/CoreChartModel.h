#pragma once

#include <QStringList>

#include <vector>

#include "chart/ChartModel.h"

class TPlannerCore;

// The chart's view of the planner core. Row names, weeks and multi-row flags are kept as a
// snapshot that is rebuilt only when the visible rows or the position list change, so that
// laying out thousands of bars never parses a position entry.
class TCoreChartModel : public IChartModel
{
public:
    explicit TCoreChartModel(TPlannerCore &core);

    TPlannerCore &Core() const { return FCore; }

    // IChartGeometrySource
    int RowCount() const override;
    QString RowName(int row) const override;
    const tWeekInfo &RowWeek(int row) const override;
    bool IsMultiRow(int row) const override;
    quint64 RowsStamp() const override;
    int PositionCount() const override;
    int RowOfPosition(int position) const override;
    const std::vector<int> &PositionBlock(int position) const override;
    TMinUnit MinUnit() const override;
    TTimeOfDay MinDayStart() const override;
    TTimeOfDay MaxDayEnd() const override;
    TDateTime MinDate() const override;
    TDateTime MaxDate() const override;
    int RowOf(const TNodeData &node) const override;
    TDateTime StartOf(const TNodeData &node) const override;
    TDateTime EndOf(TNodeData &node) const override;
    TDateTime TerminOf(const TNodeData &node) const override;
    bool IsSelected(const TNodeData &node) const override;

    // IChartModel
    void PreparePaint() override;
    void FinishPaint() override;
    TWhichTable ActiveTable() const override;
    void ForEachRow(TWhichTable table, const std::function<void(TNodeData &node)> &visit) const override;
    void ForEachRowIn(TWhichTable table, int first, int last,
                      const std::function<void(TNodeData &node)> &visit) const override;
    bool IsFiltered(const TNodeData &node) const override;
    QString Text(const TNodeData &node, TConnection connection) const override;
    bool IsConnected(TWhichTable table, TConnection connection) const override;
    QString ConnectedCaption(TWhichTable table, TConnection connection) const override;
    bool BarColor(const TNodeData &node, TColor &color) const override;
    bool AnyOverlapping() const override;
    bool IsOverlapping(const TNodeData &node) const override;
    const tDateList &Holidays() const override;
    bool HidesEmptyRows() const override;
    bool HidingSuppressed() const override;
    QStringList HiddenRowNames() const override;

private:
    struct TRowSnapshot
    {
        QStringList filter;    // the visible rows the snapshot was made from
        QStringList positions; // the position pick list it was made from
        int count = 0;
        QStringList names;
        std::vector<tWeekInfo> weeks;
        std::vector<bool> multi;
        quint64 stamp = 0;
    };
    const TRowSnapshot &Rows() const;

    TPlannerCore &FCore;
    mutable TRowSnapshot FRows;
    tWeekInfo FDefaultWeek;
    std::vector<int> FNoBlock;
    // During a paint: the row of each position and which tables have a position column.
    const std::vector<qint32> *FPaintRows = nullptr;
    bool FPaintHasPosition[WhichTableCount] = {};
};
