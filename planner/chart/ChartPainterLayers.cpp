// The chart's lower layers: background, working-time shading, grid, free weekdays, public
// holidays, month dividers and row lines.

#include "chart/ChartPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CalendarMath.h"
#include "Canvas.h"
#include "ColorHSV.h"
#include "DateList.h"
#include "chart/TimeChartGeometry.h"

namespace {

void VerticalLine(TCanvas &canvas, int x, int top, int bottom)
{
    canvas.MoveTo(x, top);
    canvas.LineTo(x, bottom);
}

// Grid lines and month dividers run a pixel beyond the rows at both ends.
std::pair<int, int> LineSpan(const TChartPaintParams &p, int rowCount, int rowHeight)
{
    return {p.offsetY - 1, ClampCoord(p.offsetY + qint64(rowCount) * rowHeight + 1)};
}

TDateTime NextMonth(TDateTime day)
{
    int year = 0, month = 0, d = 0;
    DecodeDate(day, year, month, d);
    if (year <= 0)
        return day + 31; // outside the calendar: keep moving
    return day + DaysInAMonth(year, month);
}

} // namespace

void TChartPainter::DrawBackgnd(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    TCanvas &canvas = *p.canvas;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(ChartColor::Background);
    const qint64 bottom = qint64(s.rowCount) * s.rowHeight;
    canvas.FillRect(MakeRect(p.offsetX, p.offsetY, p.offsetX + p.width,
                             ClampCoord(p.offsetY + bottom)));
    if (FModel.MinUnit() == muMinute && s.ppd > 24)
        DrawWorkShading(s);
    DrawGrid(s);
}

void TChartPainter::DrawWorkShading(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    TCanvas &canvas = *p.canvas;
    canvas.Brush().SetColor(ChartColor::WorkShade);
    const double minStart = FModel.MinDayStart().AsDateTime();
    const double window = FModel.MaxDayEnd().AsDateTime() - minStart;
    // Times of day map onto the column through the common working window.
    const auto scale = [&](double span) { return window > 0 ? ClampCoord(span * s.ppd / window) : 0; };
    for (TDateTime day = s.firstDay; day < p.rangeEnd && day <= s.lastDay; day += 1) {
        for (int row = s.firstRow; row <= s.lastRow; ++row) {
            QRect cell = FGeometry.TimeChartRect(day, day + 1, p.rangeStart, p.rangeEnd, p.topOffset, s.rowHeight,
                                                 p.width, row, true, false);
            cell.translate(p.offsetX, p.offsetY);
            if (!canvas.RectVisible(cell))
                continue;
            const TDayInfo &info = FModel.RowWeek(row)[WeekdayIndex(day)];
            if (!info.active) {
                canvas.FillRect(cell);
                continue;
            }
            const int left = cell.left();
            const int right = RectRight(cell);
            const int top = cell.top();
            const int bottom = RectBottom(cell);
            canvas.FillRect(MakeRect(left, top, left + scale(info.start.AsDateTime() - minStart), bottom));
            canvas.FillRect(MakeRect(right - scale(minStart + window - info.ende.AsDateTime()), top, right, bottom));
            for (const TPauseInfo &pause : info.pause) {
                if (pause.length <= 0)
                    continue;
                const double from = pause.start.AsDateTime();
                canvas.FillRect(MakeRect(left + scale(from - minStart), top,
                                         left + scale(from + pause.length / 1440.0 - minStart), bottom));
            }
        }
    }
}

void TChartPainter::DrawGrid(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (s.ppd <= 0)
        return;
    TCanvas &canvas = *p.canvas;
    canvas.Pen().SetColor(ChartColor::Grid);
    canvas.Pen().SetMode(pmCopy);
    const auto [top, bottom] = LineSpan(p, s.rowCount, s.rowHeight);
    // The walk starts at the first grid date before the clip; the lines keep their places.
    const TDateTime from = std::max(p.rangeStart, s.firstDay - 1);
    TDateTime d;
    enum { months, weeks, days } step;
    if (s.ppd * 7 < 15) {
        step = months;
        d = GetFirstDayOfMonth(from);
    } else if (s.ppd < 7) {
        step = weeks;
        d = StartOfWeek(from);
    } else {
        step = days;
        d = p.rangeStart + std::max(0.0, std::floor(from - p.rangeStart));
    }
    for (; d < p.rangeEnd && d <= s.lastDay + 1;) {
        const int x = p.offsetX + ClampCoord((d - p.rangeStart) * s.ppd);
        VerticalLine(canvas, x, top, bottom);
        d = step == months ? NextMonth(d) : d + (step == weeks ? 7 : 1);
    }
}

void TChartPainter::DrawFreeItem(const TPaintState &s, TDateTime start, TDateTime end, int row, int rows,
                                 const QString &name) const
{
    const TChartPaintParams &p = *s.p;
    TCanvas &canvas = *p.canvas;
    QRect r = FGeometry.TimeChartRect(start, end, p.rangeStart, p.rangeEnd, p.topOffset, s.rowHeight, p.width, row,
                                      true, false);
    if (rows > 1 && row != AllPositions)
        SetRectBottom(r, ClampCoord(qint64(RectBottom(r)) + qint64(rows - 1) * s.rowHeight));
    r.translate(p.offsetX, p.offsetY);
    // Everything drawn, not the cell alone: the right border stands one pixel right of the
    // cell, so a paint of the strip that begins there must draw it too (else a seam shows
    // where a sideways scroll exposed the strip); a name runs down from the top, as far as it
    // is long.
    QRect drawn = r.adjusted(0, 0, 1, 0);
    int nameX = 0;
    const int nameY = r.top() + 2 * canvas.Pen().Width();
    if (!name.isEmpty()) {
        const int dayWidth = FGeometry._TimeChartColWidth(p.zoomOffset);
        const int textHeight = canvas.TextHeight(name);
        nameX = RectRight(r) + (textHeight - dayWidth) / 2;
        // Turned to run downwards, the text lies beside its starting point.
        drawn |= QRect(nameX - textHeight - 1, nameY, 2 * textHeight + 2, canvas.TextWidth(name) + 1);
    }
    if (!canvas.RectVisible(drawn))
        return;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(ChartColor::FreeDay);
    canvas.FillRect(r);
    canvas.Pen().SetColor(ChartColor::Grid);
    VerticalLine(canvas, r.left(), r.top(), RectBottom(r));
    VerticalLine(canvas, RectRight(r), r.top(), RectBottom(r));
    if (!name.isEmpty()) {
        canvas.Brush().SetStyle(bsClear);
        canvas.TextOut(nameX, nameY, name);
        canvas.Brush().SetStyle(bsSolid);
    }
}

void TChartPainter::DrawWeekInfo(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (s.lastRow < s.firstRow)
        return;
    // The free weekdays of each row shown, looked up once.
    std::vector<std::uint8_t> free(std::size_t(s.lastRow - s.firstRow + 1));
    for (int row = s.firstRow; row <= s.lastRow; ++row) {
        const tWeekInfo &week = FModel.RowWeek(row);
        for (int day = 0; day < 7; ++day)
            if (!week[day].active)
                free[std::size_t(row - s.firstRow)] |= std::uint8_t(1u << day);
    }
    // Neighbouring rows free on the same day share one shape: the same pixels, far fewer calls.
    for (TDateTime day = std::max(Trunc(p.rangeStart), s.firstDay); day < p.rangeEnd && day <= s.lastDay; day += 1) {
        const std::uint8_t bit = std::uint8_t(1u << WeekdayIndex(day));
        int runStart = -1;
        for (int row = s.firstRow; row <= s.lastRow + 1; ++row) {
            const bool isFree = row <= s.lastRow && (free[std::size_t(row - s.firstRow)] & bit);
            if (isFree && runStart < 0)
                runStart = row;
            if (!isFree && runStart >= 0) {
                DrawFreeItem(s, day, day + 1, runStart, row - runStart, QString());
                runStart = -1;
            }
        }
    }
}

void TChartPainter::DrawHolidays(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    TCanvas &canvas = *p.canvas;
    const tDateList &holidays = FModel.Holidays();
    if (holidays.Count() == 0)
        return;
    canvas.SaveDC();
    TFont &font = canvas.Font();
    font.SetColor(FlashColor(ChartColor::Grid, -50));
    const int dayWidth = FGeometry._TimeChartColWidth(p.zoomOffset);
    if (std::abs(font.Height()) > dayWidth)
        font.SetHeight(-dayWidth);
    font.SetOrientation(2700);
    for (int i = 0; i < holidays.Count(); ++i) {
        const TDateListItem *item = holidays.Items(i);
        if (item->start < p.rangeStart)
            continue;
        if (item->start > p.rangeEnd)
            break;
        if (item->start < s.firstDay - 1 || item->start > s.lastDay + 1)
            continue;
        DrawFreeItem(s, item->start, Trunc(item->start + 1), item->position, 1, item->name);
    }
    canvas.RestoreDC();
}

void TChartPainter::DrawMonthDivider(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (s.ppd <= 0)
        return;
    TCanvas &canvas = *p.canvas;
    canvas.Pen().SetColor(ChartColor::MonthDivider);
    const auto [top, bottom] = LineSpan(p, s.rowCount, s.rowHeight);
    for (TDateTime d = GetFirstDayOfMonth(std::max(p.rangeStart, s.firstDay - 1)); d < p.rangeEnd && d <= s.lastDay + 1;
         d = NextMonth(d)) {
        const int x = p.offsetX + ClampCoord((d - p.rangeStart) * s.ppd);
        VerticalLine(canvas, x, top, bottom);
        VerticalLine(canvas, x + 1, top, bottom);
    }
}

void TChartPainter::DrawRowLines(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (p.small || !FOptions.linesBetweenResources)
        return;
    TCanvas &canvas = *p.canvas;
    canvas.Pen().SetColor(ChartColor::Grid);
    for (int row = std::max(1, s.firstRow); row <= s.lastRow + 1 && row < s.rowCount; ++row) {
        if (FModel.IsMultiRow(row) && !FOptions.linesBetweenMultiRows)
            continue;
        const int y = ClampCoord(qint64(p.offsetY) - p.topOffset + qint64(row) * s.rowHeight);
        canvas.MoveTo(p.offsetX, y);
        canvas.LineTo(p.offsetX + p.width, y);
    }
}
