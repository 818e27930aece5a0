#include "HelperDrawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "Canvas.h"
#include "DateTime.h"

namespace {

constexpr double Degree = std::numbers::pi / 180.0;

QPoint Rounded(QPointF p)
{
    return QPoint(int(Round(p.x())), int(Round(p.y())));
}

QPointF Along(QPointF origin, double angle, double distance)
{
    return origin + QPointF(std::cos(angle), std::sin(angle)) * distance;
}

QPainterPath ArrowPath(const TArrowPoints &p)
{
    QPainterPath path(p[0]);
    path.cubicTo(p[1], p[2], p[3]);
    path.lineTo(p[4]);
    path.lineTo(p[5]);
    path.lineTo(p[6]);
    path.lineTo(p[7]);
    path.cubicTo(p[8], p[9], p[10]);
    path.closeSubpath();
    return path;
}

} // namespace

double ArrowAngle(QPoint from, QPoint to)
{
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    if (dx != 0 && dy != 0) {
        const double a = std::acos(dx / std::hypot(dx, dy));
        return dy < 0 ? -a : a;
    }
    if (dy == 0 && dx != 0)
        return dx > 0 ? 0.0 : std::numbers::pi;
    // Straight down, or straight up (also for a point to itself).
    return dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
}

QPoint ControlPoint(QPointF origin, double angle, double distance)
{
    return Rounded(Along(origin, angle, distance));
}

void ConstructArrowPoints(TCanvas &canvas, QPoint from, QPoint to, TArrowPoints &points, double size)
{
    const double screen = TFont::ScreenPixelsPerInch();
    const double scale = (screen > 0 ? canvas.PixelsPerInch() / screen : 1.0) * (std::isfinite(size) ? size : 1.0);
    const double l1 = 30.0 * scale;
    const double l2 = 25.0 * scale;
    const double a = ArrowAngle(from, to);
    const QPointF tip(to);
    const QPointF start(from);
    const QPointF p3 = Along(tip, a + 10 * Degree, -l2);
    const QPointF p4 = Along(tip, a, -l1);
    const QPointF p6 = Along(tip, a + 60 * Degree, -l1);
    const QPointF p7 = Along(tip, a + 50 * Degree, -l2);
    // The shaft bends away from the straight line: a control point near the start and one
    // near the head, each on its own side.
    const double d3 = std::hypot(p3.x() - start.x(), p3.y() - start.y());
    const double d7 = std::hypot(p7.x() - start.x(), p7.y() - start.y());
    points[0] = from;
    points[1] = ControlPoint(start, a - 30 * Degree, d3 / 6);
    points[2] = ControlPoint(p3, a + 210 * Degree, d3 / 2);
    points[3] = Rounded(p3);
    points[4] = Rounded(p4);
    points[5] = to;
    points[6] = Rounded(p6);
    points[7] = Rounded(p7);
    points[8] = ControlPoint(p7, a + 210 * Degree, d7 / 2);
    points[9] = ControlPoint(start, a - 30 * Degree, d7 / 6);
    points[10] = from;
}

void DrawArrow(TCanvas &canvas, QPoint from, QPoint to, TFillStyle style, double size)
{
    TArrowPoints points;
    ConstructArrowPoints(canvas, from, to, points, size);
    DrawArrowPoints(canvas, points, style);
}

void DrawArrowPoints(TCanvas &canvas, const TArrowPoints &points, TFillStyle style, const QRect &clip)
{
    const TCanvasPainter painter = canvas.Painter();
    if (!painter)
        return;
    if (!clip.isNull())
        painter->setClipRect(clip, Qt::IntersectClip);
    if (style == fsStroke)
        painter->setBrush(Qt::NoBrush);
    else if (style == fsFill)
        painter->setPen(Qt::NoPen);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->drawPath(ArrowPath(points));
}

namespace {

// The points with everything above `base` pressed towards it by `factor` (0..1).
TArrowPoints Pressed(const TArrowPoints &points, int base, double factor)
{
    TArrowPoints result = points;
    for (QPoint &p : result)
        if (p.y() < base)
            p.setY(base - int(std::floor((base - p.y()) * factor)));
    return result;
}

int OutlineTop(const TArrowPoints &points)
{
    return int(std::floor(ArrowPath(points).boundingRect().top()));
}

} // namespace

void LimitArrowRise(TArrowPoints &points, int top)
{
    if (OutlineTop(points) >= top)
        return;
    const int base = std::min(points[0].y(), points[5].y());
    if (base <= top) {
        points = Pressed(points, base, 0.0);
        return;
    }
    // The curves do not follow their control points one to one: the largest factor that
    // keeps the outline low enough is searched.
    double low = 0.0;
    double high = 1.0;
    for (int step = 0; step < 16; ++step) {
        const double middle = (low + high) / 2;
        if (OutlineTop(Pressed(points, base, middle)) >= top)
            low = middle;
        else
            high = middle;
    }
    points = Pressed(points, base, low);
}

QRect ArrowBounds(const TArrowPoints &points)
{
    // The outline's curves, not their control points; a pixel more for the pen.
    return ArrowPath(points).boundingRect().toAlignedRect().adjusted(0, 0, 1, 1);
}

QRegion ArrowRgn(TCanvas &canvas, QPoint from, QPoint to, double size)
{
    TArrowPoints points;
    ConstructArrowPoints(canvas, from, to, points, size);
    return QRegion(ArrowPath(points).toFillPolygon().toPolygon(), Qt::WindingFill);
}

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
