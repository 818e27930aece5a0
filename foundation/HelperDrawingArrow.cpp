// The curved deadline arrow: its points, their limits, and its pixels.
//
// The pixels are worked out here from the points alone, relative to the arrow's start: a paint
// of any strip of the canvas sets exactly the pixels a paint of the whole would set there, and
// the arrow moved by whole pixels sets the same pixels moved. The painter's own path filling and
// line clipping do neither at the border of a clip.

#include "HelperDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <QPainter>
#include <QPainterPath>

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

// ---- the outline as straight edges, relative to the start

double Distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

void AddCurve(std::vector<QPointF> &corners, QPointF a, QPointF b, QPointF c, QPointF d)
{
    // Pieces of about four pixels: closer than a pixel to the curve at any size drawn.
    const double length = Distance(a, b) + Distance(b, c) + Distance(c, d);
    const int steps = std::clamp(int(std::ceil(std::min(length, 4096.0) / 4)), 1, 256);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double u = 1 - t;
        corners.push_back(a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t));
    }
}

// The closed outline; corner 0 is the start (0, 0), the last corner comes back to it.
std::vector<QPointF> Corners(const TArrowPoints &p)
{
    std::array<QPointF, 11> r;
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = QPointF(p[i] - p[0]);
    std::vector<QPointF> corners{r[0]};
    AddCurve(corners, r[0], r[1], r[2], r[3]);
    for (std::size_t i : {4, 5, 6, 7})
        corners.push_back(r[i]);
    AddCurve(corners, r[7], r[8], r[9], r[10]);
    return corners;
}

qint64 FloorDiv(qint64 n, qint64 d)
{
    const qint64 q = n / d;
    return (n % d != 0 && ((n < 0) != (d < 0))) ? q - 1 : q;
}

// n / d to the nearest whole number, halves up.
qint64 RoundDiv(qint64 n, qint64 d)
{
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return FloorDiv(2 * n + d, 2 * d);
}

// The pixels of the arrow inside a box, row by row (relative to the start): spans of the fill,
// columns of the one-pixel outline.
struct TArrowRows
{
    QRect box;
    std::vector<std::vector<std::pair<int, int>>> fill; // first and last column
    std::vector<std::vector<int>> outline;
};

void Plot(TArrowRows &rows, int x, int y)
{
    if (rows.box.contains(x, y))
        rows.outline[std::size_t(y - rows.box.top())].push_back(x);
}

// Both ends included; each pixel computed on its own, so the part inside the box is the part
// of the whole line.
void PlotLine(TArrowRows &rows, QPoint a, QPoint b)
{
    const qint64 dx = qint64(b.x()) - a.x();
    const qint64 dy = qint64(b.y()) - a.y();
    const QRect &box = rows.box;
    if (dx == 0 && dy == 0) {
        Plot(rows, a.x(), a.y());
    } else if (std::abs(dx) >= std::abs(dy)) {
        const int from = std::max(std::min(a.x(), b.x()), box.left());
        const int to = std::min(std::max(a.x(), b.x()), box.right());
        for (int x = from; x <= to; ++x)
            Plot(rows, x, int(a.y() + RoundDiv((x - qint64(a.x())) * dy, dx)));
    } else {
        const int from = std::max(std::min(a.y(), b.y()), box.top());
        const int to = std::min(std::max(a.y(), b.y()), box.bottom());
        for (int y = from; y <= to; ++y)
            Plot(rows, int(a.x() + RoundDiv((y - qint64(a.y())) * dx, dy)), y);
    }
}

// A pixel is filled when its centre lies inside the outline (even-odd).
void FillRows(TArrowRows &rows, const std::vector<QPointF> &corners)
{
    struct TEdge
    {
        int firstRow;
        int lastRow;
        double x;     // at the centre of the first row
        double slope; // x per row
    };
    std::vector<TEdge> edges;
    for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
        QPointF a = corners[i];
        QPointF b = corners[i + 1];
        if (a.y() == b.y())
            continue;
        if (a.y() > b.y())
            std::swap(a, b);
        // Rows whose centre lies in [a.y, b.y).
        const int first = std::max(int(std::ceil(a.y() - 0.5)), rows.box.top());
        const int last = std::min(int(std::ceil(b.y() - 0.5)) - 1, rows.box.bottom());
        if (first > last)
            continue;
        const double slope = (b.x() - a.x()) / (b.y() - a.y());
        edges.push_back({first, last, a.x() + (first + 0.5 - a.y()) * slope, slope});
    }
    std::sort(edges.begin(), edges.end(), [](const TEdge &a, const TEdge &b) { return a.firstRow < b.firstRow; });
    std::vector<TEdge> active;
    std::vector<double> crossings;
    std::size_t next = 0;
    for (int y = rows.box.top(); y <= rows.box.bottom(); ++y) {
        std::erase_if(active, [y](const TEdge &e) { return e.lastRow < y; });
        while (next < edges.size() && edges[next].firstRow <= y)
            active.push_back(edges[next++]);
        crossings.clear();
        for (const TEdge &e : active)
            crossings.push_back(e.x + (y - e.firstRow) * e.slope);
        std::sort(crossings.begin(), crossings.end());
        auto &spans = rows.fill[std::size_t(y - rows.box.top())];
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Centres x + 0.5 in [left crossing, right crossing).
            const int from = std::max(int(std::ceil(crossings[i] - 0.5)), rows.box.left());
            const int to = std::min(int(std::ceil(crossings[i + 1] - 0.5)) - 1, rows.box.right());
            if (from <= to)
                spans.emplace_back(from, to);
        }
    }
}

// Every corner rounded, as the outline is drawn between them.
std::vector<QPoint> OutlineCorners(const std::vector<QPointF> &corners)
{
    std::vector<QPoint> points;
    points.reserve(corners.size());
    for (const QPointF &c : corners)
        points.push_back(Rounded(c));
    return points;
}

// The box of every pixel drawn, relative to the start.
QRect RelativeBounds(const std::vector<QPoint> &outline)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const QPoint &p : outline) {
        left = std::min(left, p.x());
        top = std::min(top, p.y());
        right = std::max(right, p.x());
        bottom = std::max(bottom, p.y());
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void FillRun(QPainter &painter, QPoint origin, int y, int from, int to, const QColor &color)
{
    painter.fillRect(QRect(origin.x() + from, origin.y() + y, to - from + 1, 1), color);
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
    const bool fill = style != fsStroke && canvas.Brush().Style() != bsClear;
    const bool stroke = style != fsFill && canvas.Pen().Style() != psClear;
    const std::vector<QPointF> corners = Corners(points);
    const std::vector<QPoint> outline = OutlineCorners(corners);
    const QPoint origin = points[0];
    QRect box = RelativeBounds(outline).translated(origin).intersected(canvas.ClipRect());
    if (!clip.isNull())
        box = box.intersected(clip);
    if (box.isEmpty() || (!fill && !stroke))
        return;
    TArrowRows rows;
    rows.box = box.translated(-origin);
    rows.fill.resize(std::size_t(box.height()));
    rows.outline.resize(std::size_t(box.height()));
    if (fill)
        FillRows(rows, corners);
    if (stroke)
        for (std::size_t i = 0; i + 1 < outline.size(); ++i)
            PlotLine(rows, outline[i], outline[i + 1]);

    const TCanvasPainter painter = canvas.Painter();
    if (!painter)
        return;
    const QColor penColor = painter->pen().color();
    const QColor brushColor = painter->brush().color();
    for (int i = 0; i < box.height(); ++i) {
        std::vector<int> &columns = rows.outline[std::size_t(i)];
        std::sort(columns.begin(), columns.end());
        columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
        const int y = rows.box.top() + i;
        // The fill around the outline's pixels, which the pen draws alone.
        for (auto [from, to] : rows.fill[std::size_t(i)]) {
            auto c = std::lower_bound(columns.begin(), columns.end(), from);
            for (int x = from; x <= to;) {
                while (c != columns.end() && *c < x)
                    ++c;
                const int end = (c != columns.end() && *c <= to) ? *c - 1 : to;
                if (end >= x)
                    FillRun(*painter, origin, y, x, end, brushColor);
                x = end + 2;
            }
        }
        for (std::size_t k = 0; k < columns.size();) {
            std::size_t j = k;
            while (j + 1 < columns.size() && columns[j + 1] == columns[j] + 1)
                ++j;
            FillRun(*painter, origin, y, columns[k], columns[j], penColor);
            k = j + 1;
        }
    }
}

namespace {

// The points with everything beyond `base` (above it upwards, below it downwards) pressed
// towards it by `factor` (0..1).
TArrowPoints Pressed(const TArrowPoints &points, int base, double factor, bool upwards)
{
    TArrowPoints result = points;
    for (QPoint &p : result) {
        if (upwards && p.y() < base)
            p.setY(base - int(std::floor((base - p.y()) * factor)));
        else if (!upwards && p.y() > base)
            p.setY(base + int(std::floor((p.y() - base) * factor)));
    }
    return result;
}

// How far beyond the limit the drawn outline reaches (0 or less: within it).
int Beyond(const TArrowPoints &points, int limit, bool upwards)
{
    const QRect bounds = ArrowBounds(points);
    return upwards ? limit - bounds.top() : bounds.bottom() - limit;
}

void Limit(TArrowPoints &points, int limit, bool upwards)
{
    if (Beyond(points, limit, upwards) <= 0)
        return;
    const int base = upwards ? std::min(points[0].y(), points[5].y()) : std::max(points[0].y(), points[5].y());
    if (upwards ? base <= limit : base >= limit) {
        points = Pressed(points, base, 0.0, upwards);
        return;
    }
    // The curves do not follow their control points one to one: the largest factor that
    // keeps the outline within the limit is searched.
    double low = 0.0;
    double high = 1.0;
    for (int step = 0; step < 16; ++step) {
        const double middle = (low + high) / 2;
        if (Beyond(Pressed(points, base, middle, upwards), limit, upwards) <= 0)
            low = middle;
        else
            high = middle;
    }
    points = Pressed(points, base, low, upwards);
}

} // namespace

void LimitArrowRise(TArrowPoints &points, int top)
{
    Limit(points, top, true);
}

void LimitArrowDrop(TArrowPoints &points, int bottom)
{
    Limit(points, bottom, false);
}

QRect ArrowBounds(const TArrowPoints &points)
{
    return RelativeBounds(OutlineCorners(Corners(points))).translated(points[0]);
}

QRegion ArrowRgn(TCanvas &canvas, QPoint from, QPoint to, double size)
{
    TArrowPoints points;
    ConstructArrowPoints(canvas, from, to, points, size);
    return QRegion(ArrowPath(points).toFillPolygon().toPolygon(), Qt::WindingFill);
}
