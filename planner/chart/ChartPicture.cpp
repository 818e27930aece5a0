#include "chart/ChartPicture.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "Jpeg.h"
#include "Locations.h"
#include "Log.h"
#include "chart/CaptionPainter.h"
#include "chart/ChartPainter.h"
#include "chart/TimeChartGeometry.h"

namespace {

// The logo as last read, with what identified the file then.
struct TLogoCache
{
    QString path;
    QDateTime modified;
    qint64 size = -1;
    QImage image;
};

TLogoCache &LogoCache()
{
    static TLogoCache cache;
    return cache;
}

QImage ReadLogo(const QString &path)
{
    QFile file(path);
    // A logo file of more than 64 MB is no logo.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024 * 1024)
        return {};
    const QByteArray bytes = file.readAll();
    platform::TJpegInfo info;
    QString error;
    if (!platform::readJpegInfo(bytes, info, &error)) {
        Log(QStringLiteral("Logo skipped: %1: %2").arg(path, error));
        return {};
    }
    if (info.width > TChartPicture::MaxLogoSide || info.height > TChartPicture::MaxLogoSide
        || qint64(info.width) * info.height > TChartPicture::MaxLogoPixels) {
        Log(QStringLiteral("Logo skipped: %1 is %2 x %3 pixels").arg(path).arg(info.width).arg(info.height));
        return {};
    }
    QImage image = platform::decodeJpeg(bytes, &error);
    if (image.isNull())
        Log(QStringLiteral("Logo skipped: %1: %2").arg(path, error));
    return image;
}

} // namespace

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

QImage TChartPicture::Logo()
{
    TLogoCache &cache = LogoCache();
    const QString path = platform::findProgramFile(QString::fromLatin1(LogoFileName));
    if (path.isEmpty()) {
        cache = TLogoCache();
        return {};
    }
    const QFileInfo file(path);
    if (path != cache.path || file.lastModified() != cache.modified || file.size() != cache.size) {
        cache.path = path;
        cache.modified = file.lastModified();
        cache.size = file.size();
        cache.image = ReadLogo(path);
    }
    return cache.image;
}

QRect TChartPicture::FitLogo(QSize logo, const QRect &box)
{
    if (logo.isEmpty() || box.width() <= 0 || box.height() <= 0)
        return {};
    const double boxRatio = double(box.width()) / box.height();
    const double logoRatio = double(logo.width()) / logo.height();
    if (boxRatio <= logoRatio) {
        const int height = int(std::trunc(double(logo.height()) * box.width() / logo.width()));
        return QRect(box.left(), box.top() + (box.height() - height) / 2, box.width(), height);
    }
    const int width = int(std::trunc(double(logo.width()) * box.height() / logo.height()));
    return QRect(box.left() + (box.width() - width) / 2, box.top(), width, box.height());
}

void TChartPicture::DrawBitmap(const TChartPictureParams &p) const
{
    FLastLogo = QRect();
    FLastChart = QRect();
    if (!p.canvas || p.width <= 0 || p.height <= 0 || p.rangeEnd <= p.rangeStart)
        return;
    TCanvas &canvas = *p.canvas;
    const int captionHeight = CaptionHeight(p.zoomOffset);

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

    canvas.SaveDC();
    canvas.IntersectClipRect(QRect(p.left, p.top, p.width, p.height));
    // The row captions' column, measured in the picture's font.
    canvas.SaveDC();
    painter.SetupFont(canvas, chart);
    int w = FGeometry.PositionRect(canvas, 0, 0, p.width, FGeometry.TimeChartRowHeight(p.zoomOffset)).width();
    canvas.RestoreDC();

    const QImage logo = Logo();
    const QRect logoRect = FitLogo(logo.size(), QRect(p.left, p.top, w, captionHeight));
    if (!logoRect.isEmpty()) {
        const QImage scaled = logo.scaled(logoRect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!scaled.isNull()) {
            canvas.Draw(logoRect.left(), logoRect.top(), scaled);
            FLastLogo = logoRect;
        }
    }
    w = int(std::trunc(w * 1.1));
    QRect part(p.left, p.top, p.width, p.height);
    if (!FLastLogo.isEmpty())
        part.setLeft(part.left() + w);
    FLastChart = part;

    if (part.width() > 0) {
        canvas.SaveDC();
        canvas.IntersectClipRect(part);
        TCaptionPaint caption;
        caption.canvas = &canvas;
        caption.screen = false;
        caption.resolution = p.resolution;
        caption.zoomOffset = p.zoomOffset;
        caption.offsetX = part.left();
        caption.offsetY = p.top;
        caption.width = part.width();
        caption.rangeStart = p.rangeStart;
        caption.rangeEnd = p.rangeEnd;
        const TCaptionPainter captions(FGeometry);
        // Days get labels of their own when they are as wide as on a screen that shows them: the
        // picture's day width, back at the zoom its fonts are sized for.
        const double zoom = std::clamp(FGeometry.Zoom() + p.zoomOffset, 1, TTimeChartGeometry::MaxZoom);
        const double dayWidth = PixelsPerDay(part.width(), p.rangeStart, p.rangeEnd) * 100.0 / zoom;
        for (int band = 0; band < 3; ++band)
            captions.DrawCaption(caption, TCaptionPainter::ChartBand(band, int(std::min(dayWidth, 1e6))));
        chart.width = part.width();
        chart.offsetX = part.left();
        painter.DrawTimeChart(chart);
        canvas.RestoreDC();
    }
    // The row captions at the picture's own left, inside the picture (a page goes on below).
    chart.width = p.width;
    chart.offsetX = p.left;
    painter.DrawTimeChartPositions(chart);
    canvas.RestoreDC();
}
