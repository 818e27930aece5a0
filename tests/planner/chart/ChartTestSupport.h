#pragma once

// The chart's tests: a row source without any widget for the geometry, and a planner core
// with the chart's model, geometry and painters for pixel tests on offscreen pictures.

#include <gtest/gtest.h>

#include <QImage>

#include <map>
#include <memory>
#include <set>

#include "Canvas.h"
#include "CommaText.h"
#include "WeekInfo.h"
#include "chart/ChartModel.h"
#include "chart/ChartPainter.h"
#include "chart/CoreChartModel.h"
#include "chart/TimeChartGeometry.h"
#include "planner/CoreTestSupport.h"

// Rows, positions and row records kept in plain fields. Position p is shown in row
// rowOfPosition[p]; a record's row is that of its nodePosition (-9 stays -9).
class TFakeSource : public IChartGeometrySource
{
public:
    int rows = 3;
    std::vector<tWeekInfo> weeks;
    std::vector<int> rowOfPosition{0, 1, 2};
    std::vector<std::vector<int>> blocks{{0}, {1}, {2}};
    std::set<int> multiRows;
    TMinUnit unit = muDay;
    TTimeOfDay minDayStart = TTimeOfDay::FromHM(7, 0);
    TTimeOfDay maxDayEnd = TTimeOfDay::FromHM(15, 45);
    TDateTime minDate = 0;
    TDateTime maxDate = 0;
    std::set<const TNodeData *> selected;
    tWeekInfo defaultWeek = DefaultWeekInfo();

    int RowCount() const override { return rows; }
    QString RowName(int row) const override { return QStringLiteral("Row %1").arg(row); }
    const tWeekInfo &RowWeek(int row) const override
    {
        return row >= 0 && std::size_t(row) < weeks.size() ? weeks[std::size_t(row)] : defaultWeek;
    }
    bool IsMultiRow(int row) const override { return multiRows.count(row) > 0; }
    quint64 RowsStamp() const override { return quint64(rows); }
    int PositionCount() const override { return int(rowOfPosition.size()); }
    int RowOfPosition(int position) const override
    {
        return position >= 0 && std::size_t(position) < rowOfPosition.size() ? rowOfPosition[std::size_t(position)]
                                                                              : -2;
    }
    const std::vector<int> &PositionBlock(int position) const override
    {
        static const std::vector<int> none;
        return position >= 0 && std::size_t(position) < blocks.size() ? blocks[std::size_t(position)] : none;
    }
    TMinUnit MinUnit() const override { return unit; }
    TTimeOfDay MinDayStart() const override { return minDayStart; }
    TTimeOfDay MaxDayEnd() const override { return maxDayEnd; }
    TDateTime MinDate() const override { return minDate; }
    TDateTime MaxDate() const override { return maxDate; }
    int RowOf(const TNodeData &node) const override
    {
        return node.nodePosition == -9 ? -9 : RowOfPosition(node.nodePosition);
    }
    TDateTime StartOf(const TNodeData &node) const override { return node.nodeStart; }
    TDateTime EndOf(TNodeData &node) const override { return node.nodeEnd; }
    TDateTime TerminOf(const TNodeData &node) const override { return node.nodeTermin; }
    bool IsSelected(const TNodeData &node) const override { return selected.count(&node) > 0; }
};

// Where the chart's painter puts a row's deadline arrow while the geometry shows what it shows
// now: its range, top and width.
inline QRect ShownArrowRect(const TTimeChartGeometry &g, TNodeData &node)
{
    return g.ArrowRect(node, g.Start(), g.GetTimeChartEnd(), g.Top(), g.TimeChartRowHeight(0), g.ChartWidth());
}

// A row record of the fake source.
inline TNodeData FakeRow(TWhichTable table, int position, TDateTime start, TDateTime end, TDateTime termin = 0)
{
    TNodeData node;
    node.NodeTable = table;
    node.nodePosition = position;
    node.nodeStart = start;
    node.nodeEnd = end;
    node.nodeTermin = termin;
    node.nodeValid = true;
    return node;
}

// A week whose every day is worked from `from` to `to` (minutes), without pauses.
inline tWeekInfo EveryDayWeek(int from = 8 * 60, int to = 16 * 60)
{
    tWeekInfo week;
    for (TDayInfo &day : week.day) {
        day.active = true;
        day.start = TTimeOfDay(from);
        day.ende = TTimeOfDay(to);
        day.length = to - from;
    }
    return week;
}

// A planner core with the chart's model and geometry, painting onto offscreen canvases.
class ChartCoreTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        model = std::make_unique<TCoreChartModel>(*core);
        geometry = std::make_unique<TTimeChartGeometry>(*model);
        geometry->SetFontNameValue(QStringLiteral("DejaVu Sans"));
    }
    void TearDown() override
    {
        geometry.reset();
        model.reset();
        CoreTest::TearDown();
    }

    // The positions of the task table: names with a working week each.
    void SetPositions(const QStringList &names, const tWeekInfo &week = EveryDayWeek())
    {
        QStringList &positions = core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition));
        positions.clear();
        for (const QString &name : names)
            positions.append(CommaTextOf({name, WeekInfo2String(week)}));
        core->TabControl1Change();
    }
    // Applies a position entry list as it stands (multi-row counts, own weeks).
    void SetPositionEntries(const QStringList &entries)
    {
        QStringList &positions = core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition));
        positions = entries;
        core->TabControl1Change();
    }
    // The screen's paint of the chart over a canvas of the chart's size.
    TChartPaintParams ScreenParams(TCanvas &canvas, TChartTarget target = TChartTarget::Other) const
    {
        TChartPaintParams p;
        p.canvas = &canvas;
        p.rangeStart = geometry->Start();
        p.rangeEnd = geometry->GetTimeChartEnd();
        p.topOffset = geometry->Top();
        p.width = geometry->ChartWidth();
        p.showNow = false;
        p.target = target;
        return p;
    }
    // Sets the chart to `width` x `height` pixels showing `start` at `dayWidth` pixels per day.
    void Show(TDateTime start, int dayWidth, int width = 400, int height = 200)
    {
        geometry->SetColWidthValue(dayWidth);
        geometry->SetChartSize(QSize(width, height));
        geometry->SetStartValue(start);
    }
    void Paint(const TChartPaintParams &p)
    {
        TChartPainter(*model, *geometry, options, &stats).DrawTimeChart(p);
    }

    TChartOptions options;
    TChartPaintStats stats;
    std::unique_ptr<TCoreChartModel> model;
    std::unique_ptr<TTimeChartGeometry> geometry;
};
