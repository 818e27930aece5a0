#include "HelperDrawing.h"

#include <algorithm>

#include <QPainter>
#include <QWidget>

#include "Canvas.h"

void FocusRect(TCanvas &canvas, QRect rect)
{
    canvas.DrawFocusRect(MakeRect(std::min(rect.left(), RectRight(rect)), std::min(rect.top(), RectBottom(rect)),
                                  std::max(rect.left(), RectRight(rect)), std::max(rect.top(), RectBottom(rect))));
}

void SnakeLine(TCanvas &canvas, int x, int y, int phase, int length)
{
    if (length < 0)
        return;
    canvas.SaveDC();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(TColor(0x0000FF));
    for (qint64 c = x; c <= qint64(x) + length; ++c) {
        // A positive remainder, also left of the origin.
        const qint64 m = ((phase + c) % 4 + 4) % 4;
        const int row = m < 2 ? y - 1 : y - 2;
        canvas.FillRect(QRect(int(c), row, 1, 1));
    }
    canvas.RestoreDC();
}

QPoint GetAveCharSize(TCanvas &canvas)
{
    QString letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += QLatin1Char(c);
    for (char c = 'a'; c <= 'z'; ++c)
        letters += QLatin1Char(c);
    return QPoint(canvas.TextWidth(letters) / 52, canvas.TextHeight(letters));
}

void InvalidateEllipse(QWidget *window, const QRect &rect)
{
    if (!window)
        return;
    const QRect r = rect.normalized().adjusted(0, 0, 1, 1);
    window->update(QRegion(r, QRegion::Ellipse));
}

void BltTBitmapAsDib(TCanvas &canvas, int x, int y, int width, int height, const QImage &bitmap)
{
    if (bitmap.isNull() || width <= 0 || height <= 0)
        return;
    const TCanvasPainter painter = canvas.Painter();
    if (!painter)
        return;
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(QRect(x, y, width, height), bitmap.convertToFormat(QImage::Format_RGB888));
}
