#include "print/ChartPrinter.h"

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "DateFormat.h"
#include "DialogPrintPreview.h"
#include "HelperDrawing.h"
#include "PrintMetafile.h"
#include "chart/ChartModel.h"
#include "chart/ChartPicture.h"
#include "chart/TimeChartGeometry.h"
#include "print/PageHeaderFooter.h"

TChartPrinter::TChartPrinter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options)
    : FModel(model)
    , FGeometry(geometry)
    , FOptions(options)
{
    FOptions.flashPhase = 0;
    FOptions.movingItem = false;
}

TChartExtent TChartPrinter::CalcSize(int step, int days) const
{
    TChartExtent extent;
    extent.width = qint64(FGeometry._TimeChartColWidth(step)) * std::max(days, 0);
    extent.height = FGeometry.RowsHeight(step) + FGeometry.TimeChartFullRowHeight(step);
    return extent;
}

int TChartPrinter::MaxStep() const
{
    return std::max(0, TTimeChartGeometry::MaxZoom - FGeometry.Zoom());
}

TChartFit TChartPrinter::Layout(QSize body, int days, int titleHeight) const
{
    const int titleRoom = 2 * std::max(titleHeight, 0);
    TChartFit fit = TChartPageLayout::FitChart([this, days](int step) { return CalcSize(step, days); },
                                               QSize(body.width(), body.height() - titleRoom), MaxStep());
    fit.rect.translate(0, titleRoom);
    return fit;
}

bool TChartPrinter::BitmapAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= MaxBitmapSide && height <= MaxBitmapSide
           && width * height <= MaxBitmapPixels;
}

QString TChartPrinter::PageTitle(const TChartPageRange &range)
{
    return QStringLiteral("ZOP (") + DateToStr(range.start) + QStringLiteral(" bis ") + DateToStr(range.end)
           + QLatin1Char(')');
}

void TChartPrinter::DrawTimeChart(TCanvas &canvas, TDateTime start, TDateTime end, const TChartFit &fit,
                                  const QRect &rect, bool showNow, TDateTime now, bool asBitmap, int resolution) const
{
    if (rect.isEmpty() || fit.scale <= 0 || end <= start)
        return;
    const TChartPicture picture(FModel, FGeometry, FOptions);
    TChartPictureParams p;
    p.rangeStart = start;
    p.rangeEnd = end;
    p.showNow = showNow;
    p.now = now;

    if (asBitmap) {
        // At screen resolution, the page's days at the screen's day width.
        const qint64 width = qint64(FGeometry.GetTimeChartColWidth()) * qint64(std::ceil(end - start));
        const qint64 height = FGeometry.RowsHeight(0) + FGeometry.TimeChartFullRowHeight(0);
        if (BitmapAllowed(width, height)) {
            QImage image(int(width), int(height), QImage::Format_RGB32);
            if (!image.isNull()) {
                image.fill(Qt::white);
                {
                    TCanvas bitmap(&image);
                    p.canvas = &bitmap;
                    p.width = int(width);
                    p.height = int(height);
                    picture.DrawBitmap(p);
                }
                BltTBitmapAsDib(canvas, rect.x(), rect.y(), rect.width(), rect.height(), image);
                return;
            }
        }
        // Too big for a picture: drawn directly instead.
    }

    p.zoomOffset = fit.step;
    p.resolution = resolution;
    if (fit.scale == 1.0) {
        p.canvas = &canvas;
        p.left = rect.x();
        p.top = rect.y();
        p.width = rect.width();
        p.height = rect.height();
        picture.DrawBitmap(p);
        return;
    }
    // Shrunk or enlarged: drawn at its own size into a page of its own that is then replayed
    // into the rectangle; lines and texts stay sharp.
    const int limit = TTimeChartGeometry::CoordLimit;
    const QSize size(int(std::min<qint64>(fit.extent.width, limit)), int(std::min<qint64>(fit.extent.height, limit)));
    QPaintDevice *device = canvas.Device();
    const int dpiX = device ? device->logicalDpiX() : canvas.PixelsPerInch();
    const int dpiY = device ? device->logicalDpiY() : canvas.PixelsPerInch();
    TPrintMetafile chart(size, dpiX, dpiY);
    {
        TCanvas chartCanvas(&chart);
        p.canvas = &chartCanvas;
        p.width = size.width();
        p.height = size.height();
        picture.DrawBitmap(p);
    }
    if (const TCanvasPainter painter = canvas.Painter())
        chart.Play(*painter, QRectF(rect));
}

int TChartPrinter::Record(TPrintPreviewDialog &recorder, const TChartPrintJob &job) const
{
    const std::vector<TChartPageRange> ranges = TChartPageLayout::PageRanges(job.start, job.days, job.pages);
    if (ranges.empty())
        return 0;
    TPageHeaderFooter::StartJob(recorder, job.page);

    // Headers and footers are known now, and so is the body the chart goes into.
    const QPoint body = recorder.PrintableSize(true, true);
    const int textHeight = recorder.TextHeight();
    const TChartFit fit = Layout(QSize(body.x(), body.y()), job.days, textHeight);
    const int resolution = recorder.PixelsPerInch().y();
    const QPoint offset = recorder.PrintableOffset();
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0)
            recorder.NewPage();
        recorder.TextOut(fit.rect.center().x(), fit.rect.top() - 2 * textHeight, PageTitle(ranges[i]), paCenter);
        if (TCanvas *canvas = recorder.GetCurrentCanvas())
            DrawTimeChart(*canvas, ranges[i].start, ranges[i].end, fit, fit.rect.translated(offset), job.showToday,
                          job.now, job.asBitmap, resolution);
    }
    recorder.PrintHeaderAndFooter();
    return int(ranges.size());
}
