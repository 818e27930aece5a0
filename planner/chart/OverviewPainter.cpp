#include "chart/OverviewPainter.h"

#include "Canvas.h"
#include "chart/BarPainter.h"
#include "chart/ChartPainter.h"
#include "chart/TimeChartGeometry.h"
#include "treegrid/AlphaBlend.h"

TOverviewPainter::TOverviewPainter(IChartModel &model, const TTimeChartGeometry &geometry,
                                   const TChartOptions &options, TChartPaintStats *stats)
    : FModel(model)
    , FGeometry(geometry)
    , FOptions(options)
    , FStats(stats)
{
}

void TOverviewPainter::Paint(TCanvas &canvas, int width, int height, TDateTime now) const
{
    PaintStrip(canvas, width, height, now);
    PaintWindow(canvas, width, height);
}

void TOverviewPainter::PaintStrip(TCanvas &canvas, int width, int height, TDateTime now) const
{
    TChartPaintParams p;
    p.canvas = &canvas;
    p.small = true;
    p.rangeStart = FModel.MinDate();
    p.rangeEnd = FModel.MaxDate();
    p.width = width;
    p.showNow = true;
    p.now = now;
    p.screen = true;
    p.smallHeight = height;
    p.target = TChartTarget::Overview;
    TChartPainter(FModel, FGeometry, FOptions, FStats).DrawTimeChart(p);
}

void TOverviewPainter::PaintWindow(TCanvas &canvas, int width, int height) const
{
    const QRect slider = FGeometry.SliderRect(width, height);
    if (HasMMX())
        TBarPainter::BlendColor(canvas, slider, 100, ChartColor::SliderTint);
    canvas.SaveDC();
    canvas.Pen().SetColor(ChartColor::SliderFrame);
    canvas.Pen().SetMode(pmCopy);
    canvas.Brush().SetStyle(bsClear);
    canvas.Rectangle(slider);
    canvas.RestoreDC();
}
