#include "chart/ChartPicture.h"

#include <algorithm>

#include "Canvas.h"
#include "chart/CaptionPainter.h"
#include "chart/ChartPainter.h"
#include "chart/TimeChartGeometry.h"

TChartPicture::TChartPicture(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options)
    : FModel(model)
    , FGeometry(geometry)
    , FOptions(options)
{
}

int TChartPicture::CaptionHeight(int zoomOffset) const
{
    return FGeometry.TimeChartFullRowHeight(zoomOffset);
}

void TChartPicture::DrawBitmap(const TChartPictureParams &p) const
{
    if (!p.canvas || p.width <= 0 || p.height <= 0 || p.rangeEnd <= p.rangeStart)
        return;
    TCanvas &canvas = *p.canvas;
    const int captionHeight = CaptionHeight(p.zoomOffset);

    canvas.SaveDC();
    canvas.IntersectClipRect(QRect(p.left, p.top, p.width, p.height));
    TCaptionPaint caption;
    caption.canvas = &canvas;
    caption.screen = false;
    caption.resolution = p.resolution;
    caption.zoomOffset = p.zoomOffset;
    caption.offsetX = p.left;
    caption.offsetY = p.top;
    caption.width = p.width;
    caption.rangeStart = p.rangeStart;
    caption.rangeEnd = p.rangeEnd;
    const TCaptionPainter captions(FGeometry);
    // Days get labels of their own when they are as wide as on a screen that shows them: the
    // picture's day width, back at the zoom its fonts are sized for.
    const double zoom = std::clamp(FGeometry.Zoom() + p.zoomOffset, 1, TTimeChartGeometry::MaxZoom);
    const double dayWidth = PixelsPerDay(p.width, p.rangeStart, p.rangeEnd) * 100.0 / zoom;
    for (int band = 0; band < 3; ++band)
        captions.DrawCaption(caption, TCaptionPainter::ChartBand(band, int(std::min(dayWidth, 1e6))));

    TChartPaintParams chart;
    chart.canvas = &canvas;
    chart.rangeStart = p.rangeStart;
    chart.rangeEnd = p.rangeEnd;
    chart.width = p.width;
    chart.offsetX = p.left;
    chart.offsetY = p.top + captionHeight;
    chart.showNow = p.showNow;
    chart.now = p.now;
    chart.zoomOffset = p.zoomOffset;
    chart.resolution = p.resolution;
    chart.screen = false;
    chart.target = TChartTarget::Other;
    const TChartPainter painter(FModel, FGeometry, FOptions);
    painter.DrawTimeChart(chart);
    // The row captions stay inside the picture too: a printed page goes on below it.
    painter.DrawTimeChartPositions(chart);
    canvas.RestoreDC();
}
