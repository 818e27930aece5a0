#include "chart/CaptionPainter.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

#include "CalendarMath.h"
#include "Canvas.h"
#include "Language.h"
#include "chart/TimeChartGeometry.h"

namespace {

QString MonthName(int month, QLocale::FormatType format)
{
    return Translate(QLocale().monthName(month, format));
}

QString DayName(TDateTime date, QLocale::FormatType format)
{
    return Translate(QLocale().dayName(DayOfTheWeek(date), format));
}

} // namespace

TCaptionPainter::TCaptionPainter(const TTimeChartGeometry &geometry)
    : FGeometry(geometry)
{
}

TCaptionBand TCaptionPainter::ChartBand(int index, int dayWidth)
{
    switch (index) {
    case 0:
        return {0, 0x706449, 0xFFFFFF, 0x978662, clMonth, {QStringLiteral("%mmm"), QStringLiteral("%yy")}};
    case 1:
        return {1, 0x706449, 0xFFFFFF, 0x706449, clWeek, {Translate(QStringLiteral("cw")), QStringLiteral("%w")}};
    default:
        return {2, 0x706449, 0xFFFFFF, 0x978662, dayWidth < 25 ? clWeek : clDay, {QStringLiteral("%d+")}};
    }
}

TCaptionBand TCaptionPainter::OverviewBand()
{
    return {0, 0xF0E4CC, 0x706449, 0xFFFFFF, clMonth, {QStringLiteral("%mmm"), QStringLiteral("%yy")}};
}

QString TCaptionPainter::FormatLabel(const QStringList &format, TDateTime date)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    const QString fourDigits = QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
    QString label;
    for (const QString &item : format) {
        QString text;
        if (item == QLatin1String("%m"))
            text = QString::number(month);
        else if (item == QLatin1String("%mm"))
            text = MonthName(month, QLocale::ShortFormat);
        else if (item == QLatin1String("%mmm"))
            text = MonthName(month, QLocale::LongFormat);
        else if (item == QLatin1String("%d") || item == QLatin1String("%d+"))
            text = QString::number(day);
        else if (item == QLatin1String("%dd"))
            text = DayName(date, QLocale::ShortFormat);
        else if (item == QLatin1String("%ddd"))
            text = DayName(date, QLocale::LongFormat);
        else if (item == QLatin1String("%yy"))
            text = fourDigits.mid(2, 2);
        else if (item == QLatin1String("%yyyy"))
            text = QString::number(year);
        else if (item == QLatin1String("%w")) {
            int week = 0, weekYear = 0;
            Date2ISOWeekNo(date, week, weekYear);
            text = QString::number(week);
        } else
            text = item;
        label += QLatin1Char(' ') + text;
    }
    return label;
}

TDateTime TCaptionPainter::FirstLabelDate(TCaptionLabel unit, TDateTime date)
{
    switch (unit) {
    case clYear:
        return GetFirstDayOfYear(Date2Year(date));
    case clMonth:
        return GetFirstDayOfMonth(date);
    case clWeek:
        return StartOfISOWeek(Trunc(date));
    default:
        return Trunc(date);
    }
}

TDateTime TCaptionPainter::NextLabelDate(TCaptionLabel unit, TDateTime date)
{
    // The calendar's last month or year ends with the calendar: there is no month after it.
    const auto months = [date](int count) {
        int year = 0, month = 0, day = 0;
        DecodeDate(date, year, month, day);
        if (qint64(year) * 12 + month - 1 + count > 9999 * 12 + 11)
            return Trunc(MaxDateTime) + 1;
        return IncMonth(date, count);
    };
    switch (unit) {
    case clYear:
        return months(12);
    case clMonth:
        return months(1);
    case clWeek:
        return date + 7;
    default:
        return date + 1;
    }
}

int TCaptionPainter::BandHeight(int zoomOffset) const
{
    return FGeometry.TimeChartFullRowHeight(zoomOffset) / 3;
}

void TCaptionPainter::DrawChartCaption(const TCaptionPaint &paint) const
{
    const int dayWidth = FGeometry._TimeChartColWidth(paint.zoomOffset);
    for (int index = 0; index < 3; ++index)
        DrawCaption(paint, ChartBand(index, dayWidth));
}

void TCaptionPainter::DrawCaption(const TCaptionPaint &paint, const TCaptionBand &band) const
{
    // A range of no time or no pixels has no labels (and its label walk would never end).
    if (!paint.canvas || paint.rangeEnd <= paint.rangeStart || paint.width <= 0)
        return;
    TCanvas &canvas = *paint.canvas;
    canvas.SaveDC();
    TFont &font = canvas.Font();
    int h;
    font.SetName(FGeometry.FontName());
    if (paint.fixedHeight > 0) {
        h = paint.fixedHeight;
        font.SetHeight(-std::max(1, h * 2 / 3));
    } else {
        h = std::max(1, BandHeight(paint.zoomOffset));
        font.SetSize(FGeometry._TimeChartFontSize(paint.zoomOffset, paint.resolution));
    }
    if (!paint.screen)
        font.SetQuality(fqAntialiased);
    const int pw = std::max(1, canvas.Pen().Width());
    const int ox = paint.offsetX;
    const int top = ClampCoord(qint64(paint.offsetY) + qint64(band.index) * h);
    const int bottom = ClampCoord(qint64(top) + h);
    const int right = ClampCoord(qint64(ox) + paint.width);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(band.band);
    canvas.FillRect(MakeRect(ox, top, right, bottom));
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetColor(clWhite);
    canvas.MoveTo(ox, bottom - pw);
    canvas.LineTo(right, bottom - pw);
    canvas.Pen().SetColor(band.tick);
    font.SetColor(band.text);
    canvas.Brush().SetStyle(bsClear);

    const double ppd = PixelsPerDay(paint.width, paint.rangeStart, paint.rangeEnd);
    const auto xOf = [&](TDateTime d) { return ClampCoord(ox + (d - paint.rangeStart) * ppd); };
    // Only labels that reach the clip are drawn; the walk still starts at the range start so
    // that shared labels keep their places.
    const QRect clip = canvas.ClipRect();
    TDateTime d = FirstLabelDate(band.unit, paint.rangeStart);
    while (d < paint.rangeEnd) {
        const QString label = FormatLabel(band.format, d);
        const int tw = canvas.TextWidth(label) + pw;
        // Units too narrow for their label share it with the next ones, so that no label
        // runs into the next (never beyond the range).
        TDateTime n = NextLabelDate(band.unit, d);
        if (n <= d)
            break;
        while ((n - d) * ppd < tw && n < paint.rangeEnd) {
            const TDateTime next = NextLabelDate(band.unit, n);
            if (next <= n)
                break;
            n = next;
        }
        const int x0 = xOf(d);
        const int x1 = xOf(n);
        if (x0 <= RectRight(clip) && x1 >= clip.left()) {
            canvas.MoveTo(x0, top + 2 * pw);
            canvas.LineTo(x0, bottom - 3 * pw);
            QRect r = MakeRect(x0 + pw, top, x1 - pw, bottom);
            // A unit partly scrolled out keeps its label at the left edge until its end pushes it out.
            if (r.left() < ox)
                r.setLeft(x1 - tw < ox + 1 ? x1 - tw : ox);
            QRect labelRect = r;
            canvas.DrawText(label, labelRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
            if (band.unit == clDay) {
                for (const QString &item : band.format) {
                    if (item != QLatin1String("%d+"))
                        continue;
                    QString name = DayName(d, QLocale::LongFormat);
                    if (canvas.TextWidth(name) + r.left() + tw + 5 >= x1)
                        name = DayName(d, QLocale::ShortFormat);
                    if (canvas.TextWidth(name) + r.left() + tw + 5 >= x1)
                        continue;
                    QRect nameRect = MakeRect(x0 + tw + 5, top, x1, bottom - 1);
                    canvas.DrawText(name, nameRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
                }
            }
        }
        d = n;
    }
    canvas.RestoreDC();
}
