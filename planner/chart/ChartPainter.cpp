#include "chart/ChartPainter.h"

#include <algorithm>
#include <cmath>

#include <QImage>

#include "Canvas.h"
#include "HelperDrawing.h"
#include "chart/TimeChartGeometry.h"

TChartPainter::TChartPainter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options,
                             TChartPaintStats *stats)
    : FModel(model)
    , FGeometry(geometry)
    , FOptions(options)
    , FStats(stats)
    , FBars(model, geometry, options, stats)
{
}

int TChartPainter::RowHeight(const TChartPaintParams &p) const
{
    if (p.small)
        return std::max(1, p.smallHeight / std::max(1, FModel.RowCount()));
    return FGeometry.TimeChartRowHeight(p.zoomOffset);
}

void TChartPainter::SetupFont(TCanvas &canvas, const TChartPaintParams &p) const
{
    TFont &font = canvas.Font();
    font.SetName(FGeometry.FontName());
    font.SetSize(FGeometry._TimeChartFontSize(p.zoomOffset, p.resolution));
    if (!p.screen)
        font.SetQuality(fqAntialiased); // never the sub-pixel kind on pictures and paper
}

TChartPainter::TPaintState TChartPainter::MakeState(const TChartPaintParams &p) const
{
    TPaintState s;
    s.p = &p;
    s.rowHeight = RowHeight(p);
    s.rowCount = FModel.RowCount();
    s.clip = p.canvas->ClipRect();
    if (p.rangeEnd != p.rangeStart)
        s.ppd = PixelsPerDay(p.width, p.rangeStart, p.rangeEnd);
    const double rowTop = double(s.clip.top()) - p.offsetY + p.topOffset;
    const double rowBottom = double(RectBottom(s.clip)) - p.offsetY + p.topOffset;
    s.firstRow = int(std::clamp(std::floor(rowTop / s.rowHeight), 0.0, double(s.rowCount)));
    s.lastRow = int(std::clamp(std::floor(rowBottom / s.rowHeight), -1.0, double(s.rowCount - 1)));
    if (s.ppd > 0) {
        const double first = p.rangeStart + (s.clip.left() - p.offsetX) / s.ppd - 1;
        const double last = p.rangeStart + (RectRight(s.clip) - p.offsetX) / s.ppd + 1;
        s.firstDay = std::floor(std::max(first, p.rangeStart));
        s.lastDay = std::min(last, p.rangeEnd);
    }
    return s;
}

void TChartPainter::DrawTimeChart(const TChartPaintParams &p) const
{
    if (!p.canvas)
        return;
    TCanvas &canvas = *p.canvas;
    struct TPaintScope
    {
        IChartModel &model;
        explicit TPaintScope(IChartModel &m) : model(m) { model.PreparePaint(); }
        ~TPaintScope() { model.FinishPaint(); }
    } scope(FModel);
    canvas.SaveDC();
    SetupFont(canvas, p);
    const TPaintState s = MakeState(p);
    std::vector<TNodeData *> deadlines;
    DrawLayers(s, lyNowMarker, &deadlines);
    if (!p.small) {
        DrawArrows(s, deadlines, deadlines.size());
        DrawItemInfo(s);
    }
    canvas.RestoreDC();
}

void TChartPainter::DrawLayers(const TPaintState &s, TLayer upTo, std::vector<TNodeData *> *deadlines) const
{
    DrawBackgnd(s);
    if (!s.p->small) {
        DrawWeekInfo(s);
        DrawHolidays(s);
        DrawMonthDivider(s);
    }
    DrawRowLines(s);
    DrawBars(s, deadlines);
    if (upTo >= lyNowMarker)
        DrawNowMarker(s);
}

template <class Below, class Draw>
void TChartPainter::DrawThroughMask(const TPaintState &s, const QRect &box, const Below &below, const Draw &draw) const
{
    TCanvas &canvas = *s.p->canvas;
    if (canvas.KeepsRasterOps()) {
        draw(s);
        return;
    }
    // The layers under the box as the screen has them, in a picture at the canvas's scale;
    // what the mask changes there is laid onto the canvas. Bands keep the pictures small.
    const QRect area = box.intersected(s.clip);
    if (area.isEmpty())
        return;
    const int bandHeight = int(std::clamp<qint64>(MaxMaskPixels / area.width(), 1, area.height()));
    for (int top = area.top(); top <= area.bottom(); top += bandHeight) {
        const QRect band(area.left(), top, area.width(), std::min(bandHeight, area.bottom() - top + 1));
        QImage picture(band.size(), QImage::Format_RGB32);
        if (picture.isNull())
            return;
        picture.fill(Qt::white);
        QImage before;
        {
            TCanvas raster(&picture);
            raster.SetPixelsPerInch(canvas.PixelsPerInch());
            raster.SetWindowOrg(band.topLeft());
            TChartPaintParams q = *s.p;
            q.canvas = &raster;
            SetupFont(raster, q);
            const TPaintState r = MakeState(q);
            below(r);
            before = picture.copy();
            draw(r);
        }
        QImage changed(band.size(), QImage::Format_ARGB32);
        changed.fill(Qt::transparent);
        bool any = false;
        for (int y = 0; y < band.height(); ++y) {
            const auto *now = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            const auto *was = reinterpret_cast<const QRgb *>(before.constScanLine(y));
            auto *out = reinterpret_cast<QRgb *>(changed.scanLine(y));
            for (int x = 0; x < band.width(); ++x)
                if (now[x] != was[x]) {
                    out[x] = now[x] | 0xFF000000;
                    any = true;
                }
        }
        if (any)
            if (const TCanvasImagePainter painter = canvas.ImagePainter())
                painter->drawImage(band.topLeft(), changed);
    }
}

// ---- bars

void TChartPainter::DrawBars(const TPaintState &s, std::vector<TNodeData *> *deadlines) const
{
    const TChartPaintParams &p = *s.p;
    TBarPaint paint;
    paint.params = &p;
    paint.rowHeight = s.rowHeight;
    paint.rowSet = FGeometry.RowSet();
    paint.fontName = FGeometry.FontName();
    paint.fontSize = FGeometry._TimeChartFontSize(p.zoomOffset, p.resolution);
    paint.TakeClip(*p.canvas);
    const TWhichTable active = FModel.ActiveTable();
    const TWhichTable order[2] = {active == tbTable ? tbExclude : tbTable, active};
    std::vector<TNodeData *> filtered;
    std::vector<TNodeData *> selected;
    if (deadlines) {
        deadlines->clear();
        // A deadline's arrow reaches across rows: every task with one is noted.
        if (!p.small && FModel.IsConnected(tbTable, cnTermin))
            FModel.ForEachRow(tbTable, [&](TNodeData &node) {
                if (node.nodeValid && FModel.TerminOf(node) != 0)
                    deadlines->push_back(&node);
            });
    }
    // The rows the paint reaches; a bar's shadow runs into the row below.
    const int firstRow = s.firstRow - 1;
    const int lastRow = s.lastRow + 1;
    for (TWhichTable table : order) {
        filtered.clear();
        selected.clear();
        // Shown rows first (one walk, while each row is at hand), then the filtered ones over
        // them, the selected ones on top.
        const bool shown = !(p.small && table == tbExclude);
        const auto draw = [&](TNodeData &node) {
            const bool isFiltered = FModel.IsFiltered(node);
            const bool isSelected = FModel.IsSelected(node);
            if (shown && (!isFiltered || isSelected))
                FBars.DrawItem(paint, table, &node);
            if (isFiltered)
                filtered.push_back(&node);
            if (isSelected)
                selected.push_back(&node);
        };
        FModel.ForEachRowIn(table, firstRow, lastRow, draw);
        for (TNodeData *node : filtered)
            FBars.DrawItem(paint, table, node);
        for (TNodeData *node : selected)
            FBars.DrawItem(paint, table, node);
    }
}

// ---- current time and deadlines

void TChartPainter::DrawNowMarker(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (!p.showNow || p.rangeEnd == p.rangeStart)
        return;
    const TDateTime now = p.now != 0 ? p.now : Now();
    TDateTime from = now;
    TDateTime to = now + 0.1;
    if (FGeometry._TimeChartColWidth(p.zoomOffset) < 24) {
        from = Trunc(now);
        to = Trunc(now + 1);
    }
    QRect r = FGeometry.TimeChartRect(from, to, p.rangeStart, p.rangeEnd, p.topOffset, s.rowHeight, p.width, AllPositions,
                                      true, false);
    r.translate(p.offsetX, p.offsetY);
    if (!p.canvas->RectVisible(r))
        return;
    DrawThroughMask(
        s, r, [this](const TPaintState &below) { DrawLayers(below, lyBars); },
        [&r](const TPaintState &on) {
            TCanvas &canvas = *on.p->canvas;
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(ChartColor::NowMarker);
            canvas.Pen().SetColor(ChartColor::NowMarker);
            canvas.Pen().SetMode(pmMask);
            canvas.Rectangle(r);
            canvas.Pen().SetMode(pmCopy);
        });
}

bool TChartPainter::ArrowOutline(const TChartPaintParams &p, int rowHeight, TNodeData &node, TArrowPoints &points,
                                 QRect &area, bool selectedOrNot) const
{
    QRect r = FGeometry.ArrowRect(node, p.rangeStart, p.rangeEnd, p.topOffset, rowHeight, p.width, selectedOrNot);
    if (r == QRect() || !p.canvas)
        return false;
    r.translate(p.offsetX, p.offsetY);
    const QPoint from = r.topLeft();
    const QPoint to(RectRight(r), RectBottom(r));
    double size = (FGeometry.Zoom() + p.zoomOffset) / 100.0;
    ConstructArrowPoints(*p.canvas, from, to, points, size);
    // The head keeps to its own row, also where rows are thin.
    int head = to.y();
    for (int i : {3, 4, 6, 7})
        head = std::min(head, points[std::size_t(i)].y());
    const int rise = to.y() - head;
    if (rise > rowHeight && rowHeight > 1) {
        size *= double(rowHeight - 1) / rise;
        ConstructArrowPoints(*p.canvas, from, to, points, size);
    }
    // A long arrow arcs no higher than the first row's top and no lower than the last row's
    // bottom, wherever they are scrolled; it shows wherever the rows are.
    const qint64 rowsTop = qint64(p.offsetY) - p.topOffset;
    const qint64 rowsBottom = rowsTop + qint64(std::max(FModel.RowCount(), 0)) * rowHeight;
    LimitArrowRise(points, ClampCoord(rowsTop));
    LimitArrowDrop(points, ClampCoord(rowsBottom - 1));
    area = MakeRect(p.offsetX, ClampCoord(rowsTop), p.offsetX + p.width, ClampCoord(rowsBottom));
    return true;
}

QRect TChartPainter::ArrowArea(const TChartPaintParams &p, TNodeData &node, bool selectedOrNot) const
{
    TArrowPoints points;
    QRect area;
    if (!ArrowOutline(p, RowHeight(p), node, points, area, selectedOrNot))
        return QRect();
    return ArrowBounds(points).adjusted(-1, -1, 1, 1).intersected(area);
}

void TChartPainter::DrawArrows(const TPaintState &s, const std::vector<TNodeData *> &rows, std::size_t count) const
{
    const TChartPaintParams &p = *s.p;
    TCanvas &canvas = *p.canvas;
    TArrowPoints points;
    QRect area;
    const double size = (FGeometry.Zoom() + p.zoomOffset) / 100.0;
    const double head = 31 * std::max(size, 0.01) * canvas.PixelsPerInch() / std::max(1, TFont::ScreenPixelsPerInch());
    for (std::size_t i = 0; i < std::min(count, rows.size()); ++i) {
        TNodeData *node = rows[i];
        // Far from the clip no outline is worked out: the curves stay within the control
        // points, which lie within half the arrow's length and the head's size of its ends.
        const QRect r = FGeometry.ArrowRect(*node, p.rangeStart, p.rangeEnd, p.topOffset, s.rowHeight, p.width)
                            .translated(p.offsetX, p.offsetY)
                            .normalized();
        if (r.isNull())
            continue;
        const int reach = ClampCoord(std::hypot(double(r.width()), double(r.height())) / 2 + 2 * head + 2);
        if (!canvas.RectVisible(r.adjusted(-reach, -reach, reach, reach)))
            continue;
        if (!ArrowOutline(p, s.rowHeight, *node, points, area))
            continue;
        const QRect box = ArrowBounds(points).intersected(area);
        if (!canvas.RectVisible(box))
            continue;
        // Grey for an overdue task; yellow for a selected one that is in time.
        const bool overdue = FModel.EndOf(*node) > FModel.TerminOf(*node);
        DrawThroughMask(
            s, box,
            [this, &rows, i](const TPaintState &below) {
                DrawLayers(below, lyNowMarker);
                DrawArrows(below, rows, i);
            },
            [&points, &area, overdue](const TPaintState &on) {
                TCanvas &target = *on.p->canvas;
                target.Pen().SetColor(clBlack);
                target.Pen().SetMode(pmMask);
                target.Brush().SetStyle(bsSolid);
                target.Brush().SetColor(overdue ? ChartColor::ArrowOverdue : ChartColor::ArrowSlack);
                DrawArrowPoints(target, points, fsStrokeAndFill, area);
                target.Pen().SetMode(pmCopy);
            });
    }
}
