#include "chart/TimeChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Canvas.h"

double PixelsPerDay(int width, TDateTime rangeStart, TDateTime rangeEnd)
{
    const double ppd = width / (rangeEnd - rangeStart);
    const double whole = std::round(ppd);
    return std::abs(ppd - whole) <= 1e-9 * std::max(1.0, std::abs(ppd)) ? whole : ppd;
}

int ClampCoord(double value)
{
    if (std::isnan(value))
        return 0;
    const double limit = TTimeChartGeometry::CoordLimit;
    return int(Round(std::clamp(value, -limit, limit)));
}

int ClampCoord(qint64 value)
{
    const qint64 limit = TTimeChartGeometry::CoordLimit;
    return int(std::clamp(value, -limit, limit));
}

TTimeChartGeometry::TTimeChartGeometry(const IChartGeometrySource &source)
    : FSource(source)
{
}

// ---- the view's numbers, kept inside their ranges whatever a file or box says

void TTimeChartGeometry::SetZoomValue(int zoom)
{
    FZoom = std::clamp(zoom, 1, MaxZoom);
}

void TTimeChartGeometry::SetColWidthValue(int width)
{
    FTimeChartColWidth = std::clamp(width, 1, MaxColWidth);
}

void TTimeChartGeometry::SetFontSizeValue(int size)
{
    FTimeChartFontSize = std::clamp(size, MinFontSize, MaxFontSize);
}

// ---- sizes

namespace {

int ZoomWith(int zoom, int offset)
{
    return int(std::clamp<qint64>(qint64(zoom) + offset, 1, TTimeChartGeometry::MaxZoom));
}

} // namespace

int TTimeChartGeometry::_TimeChartColWidth(int zoomOffset) const
{
    const qint64 width = qint64(ZoomWith(FZoom, zoomOffset)) * FTimeChartColWidth / 100;
    return int(std::max<qint64>(width, 1));
}

int TTimeChartGeometry::TimeChartFullRowHeight(int zoomOffset) const
{
    const double pixels = FTimeChartFontSize * 96.0 / 72.0;
    const qint64 h = qint64(std::abs(std::trunc(ZoomWith(FZoom, zoomOffset) * pixels / 100.0))) * 4;
    return int(std::max<qint64>(h, 1));
}

int TTimeChartGeometry::TimeChartRowHeight(int zoomOffset) const
{
    const int full = TimeChartFullRowHeight(zoomOffset);
    int h = full;
    if (FRowSet == rsTopMiddle)
        h = full * 2 / 3;
    else if (FRowSet == rsTop)
        h = full / 3;
    // The next multiple of 3 strictly above.
    h = h + 3 - (h % 3);
    return std::max(h, 1);
}

int TTimeChartGeometry::_TimeChartFontSize(int zoomOffset, int resolution) const
{
    const int screen = TFont::ScreenPixelsPerInch();
    const double target = resolution > 0 ? resolution : screen;
    const double size = std::trunc(ZoomWith(FZoom, zoomOffset) * double(FTimeChartFontSize) / 100.0 * screen / target);
    return int(std::clamp(size, 1.0, double(MaxFontSize) * MaxZoom / 100.0));
}

int TTimeChartGeometry::GetTimeChartFontSize() const
{
    return std::max(1, FZoom * FTimeChartFontSize / 100);
}

int TTimeChartGeometry::ResizeGrabWidth() const
{
    return std::min(GetTimeChartColWidth() / 4, 4);
}

qint64 TTimeChartGeometry::RowsHeight(int zoomOffset) const
{
    return qint64(TimeChartRowHeight(zoomOffset)) * FSource.RowCount();
}

// ---- dates and pixels

TDateTime TTimeChartGeometry::GetTimeChartEnd() const
{
    return FTimeChartStart + double(ChartWidth()) / GetTimeChartColWidth();
}

TDateTime TTimeChartGeometry::TimeChartXToDate(int x) const
{
    // By the day width: a collapsed chart still gives a date.
    return FTimeChartStart + double(x) / GetTimeChartColWidth();
}

int TTimeChartGeometry::RowAtY(int y) const
{
    return int((qint64(FTimeChartTop) + y) / TimeChartRowHeight(0));
}

qint64 TTimeChartGeometry::ExactX(TDateTime t, const tWeekInfo &week, double ppd, TDateTime rangeStart) const
{
    const TDayInfo &day = week[WeekdayIndex(t)];
    const double whole = Trunc(t);
    double frac = Frac(t);
    const double dayStart = day.start.AsDateTime();
    const double maxEnd = FSource.MaxDayEnd().AsDateTime();
    if (frac < dayStart)
        frac = dayStart;
    if (frac > maxEnd)
        frac = maxEnd;
    double base;
    double span;
    if (day.active && ppd > 24) {
        // One window for all rows, so that times line up across rows.
        base = FSource.MinDayStart().AsDateTime();
        span = maxEnd - base;
    } else {
        base = dayStart;
        span = day.ende.AsDateTime() - dayStart;
    }
    double x = (whole - rangeStart) * ppd;
    // A day without working time places everything at the column's left edge.
    if (span > 0)
        x += (frac - base) * ppd / span;
    return ClampCoord(x);
}

TDateTime TTimeChartGeometry::GetExactDate(int x, int row) const
{
    const tWeekInfo &week = FSource.RowWeek(row);
    const int dayWidth = GetTimeChartColWidth();
    const TDateTime first = FTimeChartStart + x / dayWidth;
    constexpr int MaxSteps = 2 * MinsPerDay;
    TDateTime d = first;
    for (int minute = 0; minute < MaxSteps; ++minute) {
        d = first + double(minute) / MinsPerDay;
        if (ExactX(d, week, dayWidth, FTimeChartStart) >= x)
            return d;
    }
    return d;
}

// ---- rectangles

QRect TTimeChartGeometry::SpanRect(TDateTime itemStart, TDateTime itemEnd, TDateTime rangeStart, TDateTime rangeEnd,
                                   int topOffset, int rowHeight, int width, int row, const std::vector<int> *span,
                                   bool noExact) const
{
    if (rangeEnd == rangeStart)
        return QRect();
    const double ppd = PixelsPerDay(width, rangeStart, rangeEnd);
    int left = ClampCoord((itemStart - rangeStart) * ppd);
    int right = ClampCoord((itemEnd - rangeStart) * ppd);
    qint64 top;
    qint64 bottom;
    if (row == AllPositions) {
        top = -qint64(topOffset);
        bottom = qint64(FSource.RowCount()) * rowHeight - topOffset;
    } else if (span) {
        // The block's shown rows; a hidden first row does not pull the bar onto other rows.
        int first = -1;
        int shown = 0;
        for (int r : *span) {
            if (r < 0)
                continue;
            if (first < 0)
                first = r;
            ++shown;
        }
        if (first < 0)
            return QRect();
        top = qint64(first) * rowHeight - topOffset;
        bottom = top + qint64(shown) * rowHeight;
    } else {
        top = qint64(row) * rowHeight - topOffset;
        bottom = qint64(row + 1) * rowHeight - topOffset;
    }
    if (!noExact && FSource.MinUnit() == muMinute) {
        const tWeekInfo &week = FSource.RowWeek(row);
        left = ClampCoord(ExactX(itemStart, week, ppd, rangeStart));
        right = ClampCoord(ExactX(itemEnd, week, ppd, rangeStart));
    }
    return MakeRect(left, ClampCoord(top), right, ClampCoord(bottom));
}

QRect TTimeChartGeometry::TimeChartRect(TDateTime itemStart, TDateTime itemEnd, TDateTime rangeStart,
                                        TDateTime rangeEnd, int topOffset, int rowHeight, int width, int row,
                                        bool noExact, bool multiRow) const
{
    if (multiRow && row != AllPositions) {
        const std::vector<int> span = GetMultipleRowSpan(tbExclude, row);
        return SpanRect(itemStart, itemEnd, rangeStart, rangeEnd, topOffset, rowHeight, width, row, &span, noExact);
    }
    return SpanRect(itemStart, itemEnd, rangeStart, rangeEnd, topOffset, rowHeight, width, row, nullptr, noExact);
}

QRect TTimeChartGeometry::ItemRect(TNodeData &node, TDateTime rangeStart, TDateTime rangeEnd, int topOffset,
                                   int rowHeight, int width, bool keepFullHeight) const
{
    const bool absent = node.NodeTable == tbExclude;
    const int row = FSource.RowOf(node);
    if (!absent && row < 0 && row != AllPositions)
        return QRect();
    const TDateTime start = FSource.StartOf(node);
    TDateTime end = FSource.EndOf(node);
    if (FSource.MinUnit() == muDay || absent)
        end = Trunc(end) + 1; // the end day is drawn inclusive
    if (!absent) {
        QRect r = SpanRect(start, end, rangeStart, rangeEnd, topOffset, rowHeight, width, row, nullptr, false);
        if (!keepFullHeight && row != AllPositions && !r.isNull()) {
            // A task bar fills the middle 80 % of its row.
            const int shrink = int(Round((RectBottom(r) - r.top()) * 0.2 / 2));
            r = MakeRect(r.left(), r.top() + shrink, RectRight(r), RectBottom(r) - shrink);
        }
        return r;
    }
    QRect r;
    if (node.nodePosition == AllPositions) {
        r = SpanRect(start, end, rangeStart, rangeEnd, topOffset, rowHeight, width, AllPositions, nullptr, true);
    } else {
        const std::vector<int> span = GetMultipleRowSpan(node);
        r = SpanRect(start, end, rangeStart, rangeEnd, topOffset, rowHeight, width, node.nodePosition, &span, true);
    }
    if (!r.isNull())
        r = MakeRect(r.left(), r.top(), ClampCoord(qint64(RectRight(r)) + 1), RectBottom(r));
    return r;
}

QRect TTimeChartGeometry::ArrowRect(TNodeData &node, TDateTime rangeStart, TDateTime rangeEnd, int topOffset,
                                    int rowHeight, int width, bool selectedOrNot) const
{
    if (rangeEnd == rangeStart)
        return QRect();
    const int row = FSource.RowOf(node);
    if (row < 0)
        return QRect();
    const TDateTime termin = FSource.TerminOf(node);
    if (termin == 0)
        return QRect();
    const TDateTime end = FSource.EndOf(node);
    if (!(end > termin) && !selectedOrNot && !FSource.IsSelected(node))
        return QRect();
    const int one = (FSource.MinUnit() == muDay || node.NodeTable == tbExclude) ? 1 : 0;
    const QRect r = TimeChartRect(termin, end + one, rangeStart, rangeEnd, topOffset, rowHeight, width, row,
                                  true, false);
    const int middle = int((qint64(r.top()) + RectBottom(r)) / 2);
    return MakeRect(r.left(), middle, RectRight(r), RectBottom(r));
}

int TTimeChartGeometry::PositionCaptionWidth(TCanvas &canvas) const
{
    const QString font = canvas.Font().Name();
    const int height = canvas.Font().Height();
    const int pen = canvas.Pen().Width();
    const quint64 rows = FSource.RowsStamp();
    if (FCaptionWidth.width < 0 || FCaptionWidth.font != font || FCaptionWidth.height != height
        || FCaptionWidth.pen != pen || FCaptionWidth.rows != rows) {
        int widest = 0;
        for (int row = 0; row < FSource.RowCount(); ++row)
            widest = std::max(widest, canvas.TextWidth(FSource.RowName(row)));
        FCaptionWidth = {font, height, pen, rows, widest + 8 * pen};
    }
    return FCaptionWidth.width;
}

QRect TTimeChartGeometry::PositionRect(TCanvas &canvas, int topOffset, int row, int width, int rowHeight) const
{
    const int w = std::min(PositionCaptionWidth(canvas), width / 6);
    const int fontHeight = std::abs(canvas.Font().Height());
    const qint64 top = qint64(row) * rowHeight - topOffset + (rowHeight - fontHeight - 4) / 2;
    return MakeRect(0, ClampCoord(top), w, ClampCoord(top + fontHeight + 4));
}

QRect TTimeChartGeometry::ScreenItemRect(TNodeData &node, bool keepFullHeight) const
{
    return ItemRect(node, FTimeChartStart, GetTimeChartEnd(), FTimeChartTop, TimeChartRowHeight(0), ChartWidth(),
                    keepFullHeight);
}

// ---- rows

std::vector<int> TTimeChartGeometry::GetMultipleRowSpan(TWhichTable table, int position) const
{
    std::vector<int> span;
    if (position == AllPositions) {
        const int count = FSource.PositionCount();
        span.reserve(std::size_t(count));
        for (int p = 0; p < count; ++p)
            span.push_back(FSource.RowOfPosition(p));
        return span;
    }
    if (table == tbTable) {
        span.push_back(position);
        return span;
    }
    for (int p : FSource.PositionBlock(position))
        span.push_back(FSource.RowOfPosition(p));
    return span;
}

std::vector<int> TTimeChartGeometry::GetMultipleRowSpan(const TNodeData &node) const
{
    const int position = node.nodePosition;
    if (node.NodeTable == tbTable
        || (position != AllPositions && (position < 0 || position >= FSource.PositionCount())))
        return {FSource.RowOf(node)};
    return GetMultipleRowSpan(node.NodeTable, position);
}
