#include "chart/OverviewPainter.h"

#include <QImage>

#include <algorithm>

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

void TOverviewPainter::PaintStrip(TCanvas &canvas, int width, int height, TDateTime now, const QRect &area) const
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
    const int rows = FModel.RowCount();
    if (rows <= height || height <= 0 || width <= 0) {
        if (area.isNull()) {
            TChartPainter(FModel, FGeometry, FOptions, FStats).DrawTimeChart(p);
            return;
        }
        canvas.SaveDC();
        canvas.IntersectClipRect(area);
        TChartPainter(FModel, FGeometry, FOptions, FStats).DrawTimeChart(p);
        canvas.RestoreDC();
        return;
    }
    PaintScaled(p, rows, area.isNull() ? QRect(0, 0, width, height) : area);
}

void TOverviewPainter::PaintScaled(TChartPaintParams p, int rows, const QRect &area) const
{
    // More rows than pixels: the rows are drawn one pixel high, a band at a time, and pressed
    // into the strip. Rows that share a pixel row are laid over each other and the darker
    // colour wins, so every bar still shows. For a part of the strip every row pressed into
    // its pixel rows is drawn again there.
    TCanvas &canvas = *p.canvas;
    const int width = p.width;
    const int height = p.smallHeight;
    const QRect target = area.intersected(QRect(0, 0, width, height));
    if (target.isEmpty())
        return;
    // Row r lands on pixel row r * height / rows (rounded down).
    const int firstRow = int((qint64(target.top()) * rows + height - 1) / height);
    const int endRow = int(std::min<qint64>(rows, (qint64(target.bottom() + 1) * rows + height - 1) / height));
    QImage strip(target.size(), QImage::Format_RGB32);
    strip.fill(Qt::white);
    const int bandRows = std::min(endRow - firstRow, ScaledBandRows);
    if (bandRows <= 0)
        return;
    QImage band(width, bandRows, QImage::Format_RGB32);
    p.smallHeight = rows; // one pixel per row
    for (int first = firstRow; first < endRow; first += bandRows) {
        {
            TCanvas bandCanvas(&band);
            bandCanvas.IntersectClipRect(QRect(target.left(), 0, target.width(), bandRows));
            p.canvas = &bandCanvas;
            p.topOffset = first;
            TChartPainter(FModel, FGeometry, FOptions, FStats).DrawTimeChart(p);
        }
        const int count = std::min(bandRows, endRow - first);
        for (int y = 0; y < count; ++y) {
            const int line = int(qint64(first + y) * height / rows) - target.top();
            const auto *from = reinterpret_cast<const QRgb *>(band.constScanLine(y)) + target.left();
            auto *to = reinterpret_cast<QRgb *>(strip.scanLine(line));
            for (int x = 0; x < target.width(); ++x) {
                const QRgb a = from[x];
                const QRgb b = to[x];
                to[x] = qRgb(std::min(qRed(a), qRed(b)), std::min(qGreen(a), qGreen(b)), std::min(qBlue(a), qBlue(b)));
            }
        }
    }
    canvas.Draw(target.left(), target.top(), strip);
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
