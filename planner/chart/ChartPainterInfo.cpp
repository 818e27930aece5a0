// What the chart writes over its bars: the date boxes and clocks of dragged bars, the row
// captions at the left edge and the note under the rows about hidden empty rows.

#include "chart/ChartPainter.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>
#include <numbers>

#include "Canvas.h"
#include "Language.h"
#include "chart/TimeChartGeometry.h"

namespace {

QString DayAndMonth(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    return QString::number(day) + QLatin1Char('.') + QLocale().monthName(month, QLocale::ShortFormat);
}

} // namespace

void TChartPainter::DrawItemInfo(const TPaintState &s) const
{
    const TChartPaintParams &p = *s.p;
    if (p.target != TChartTarget::Chart || !FOptions.movingItem)
        return;
    TCanvas &canvas = *p.canvas;
    canvas.SaveDC();
    canvas.Font().Assign(QApplication::font());
    canvas.Font().SetColor(clBlack);
    const TWhichTable active = FModel.ActiveTable();
    const TWhichTable order[2] = {active == tbTable ? tbExclude : tbTable, active};
    for (TWhichTable table : order) {
        std::vector<TNodeData *> rows;
        // Each box stands by its bar: the rows the paint reaches and one more each way.
        FModel.ForEachRowIn(table, s.firstRow - 1, s.lastRow + 1, [&](TNodeData &node) {
            if (node.nodeValid && FModel.IsSelected(node))
                rows.push_back(&node);
        });
        for (TNodeData *node : rows) {
            QRect r = FGeometry.ItemRect(*node, p.rangeStart, p.rangeEnd, p.topOffset, s.rowHeight, p.width, false);
            if (IsRectEmpty(r))
                continue;
            r.translate(p.offsetX, p.offsetY);
            if (FModel.MinUnit() == muMinute && table == tbTable) {
                const QRect clock(r.left() - 8, RectBottom(r) - 8, 17, 17);
                if (canvas.RectVisible(clock))
                    DrawClock(canvas, FModel.StartOf(*node), clock, clWhite, clBlack, 0.6, 0.8);
                continue;
            }
            if (table != active)
                continue;
            const QString text = DayAndMonth(FModel.StartOf(*node));
            const int w = canvas.TextWidth(text) + 6;
            const int h = canvas.TextHeight(text) + 2;
            QRect box(r.left() - w / 2, RectBottom(r) - h / 2, w, h);
            if (!canvas.RectVisible(box))
                continue;
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(clInfoBk);
            canvas.Pen().SetColor(clBlack);
            canvas.Rectangle(box);
            canvas.Brush().SetStyle(bsClear);
            canvas.DrawText(text, box, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        }
    }
    canvas.RestoreDC();
}

void TChartPainter::DrawClock(TCanvas &canvas, TDateTime time, const QRect &rect, TColor face, TColor hand,
                              double hourLength, double minuteLength)
{
    constexpr double pi = std::numbers::pi;
    canvas.SaveDC();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(face);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(hand);
    canvas.Pen().SetMode(pmCopy);
    canvas.Ellipse(rect);
    const double cx = rect.left() + rect.width() / 2.0;
    const double cy = rect.top() + rect.height() / 2.0;
    const double rx = rect.width() / 2.0;
    const double ry = rect.height() / 2.0;
    const bool long_marks = rx > 40 || ry > 40;
    for (int i = 0; i < 12; ++i) {
        // 0 at the top, angles growing clockwise.
        const double a = 3 * pi / 2 + 2 * pi * i / 12;
        const int x = int(Round(cx + rx * std::cos(a)));
        const int y = int(Round(cy + ry * std::sin(a)));
        if (long_marks) {
            canvas.MoveTo(int(Round(cx + rx * 0.9 * std::cos(a))), int(Round(cy + ry * 0.9 * std::sin(a))));
            canvas.LineTo(x, y);
        } else {
            canvas.MoveTo(x, y);
            canvas.LineTo(x + 1, y);
        }
    }
    int hour = 0, minute = 0, second = 0, msec = 0;
    DecodeTime(time, hour, minute, second, msec);
    const double hourAngle = 3 * pi / 2 + 2 * pi * (hour + minute / 60.0) / 12;
    const double minuteAngle = 3 * pi / 2 + 2 * pi * minute / 60.0;
    const auto drawHands = [&](TColor color, int shift) {
        canvas.Pen().SetColor(color);
        for (const auto &[angle, length] : {std::pair{hourAngle, hourLength}, std::pair{minuteAngle, minuteLength}}) {
            canvas.MoveTo(int(Round(cx)) + shift, int(Round(cy)) + shift);
            canvas.LineTo(int(Round(cx + rx * length * std::cos(angle))) + shift,
                          int(Round(cy + ry * length * std::sin(angle))) + shift);
        }
    };
    drawHands(TColor(0xC8C8C8), 1);
    drawHands(hand, 0);
    canvas.RestoreDC();
}

void TChartPainter::DrawTimeChartPositions(const TChartPaintParams &p) const
{
    if (!p.canvas || p.small)
        return;
    TCanvas &canvas = *p.canvas;
    canvas.SaveDC();
    SetupFont(canvas, p);
    canvas.Font().SetColor(ChartColor::CaptionText);
    const int rowHeight = RowHeight(p);
    QStyle *style = QApplication::style();
    for (int row = 0; row < FModel.RowCount(); ++row) {
        if (FModel.IsMultiRow(row))
            continue;
        QRect r = FGeometry.PositionRect(canvas, p.topOffset, row, p.width, rowHeight);
        r.translate(p.offsetX, p.offsetY);
        if (IsRectEmpty(r) || !canvas.RectVisible(r))
            continue;
        if (style) {
            QStyleOptionButton option;
            option.rect = r;
            option.state = QStyle::State_Enabled | QStyle::State_Raised;
            option.palette = QApplication::palette();
            const TCanvasPainter painter = canvas.Painter();
            if (painter) {
                painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
                style->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, painter.get());
            }
        } else {
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(clBtnFace);
            canvas.FillRect(r);
            QRect edge = r;
            canvas.DrawEdge(edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
        }
        canvas.Brush().SetStyle(bsClear);
        QRect text = r;
        canvas.DrawText(FModel.RowName(row), text,
                        DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    canvas.RestoreDC();
}

void TChartPainter::DrawHiddenRowsNote(TCanvas &canvas, int rowHeight, TColor panelColor) const
{
    if (!FModel.HidesEmptyRows())
        return;
    const QString text = FModel.HidingSuppressed()
                             ? Translate(QStringLiteral("automatically fade-out suppressed"))
                             : Translate(QStringLiteral("automatically fade-out: %s"),
                                         {FModel.HiddenRowNames().join(QLatin1Char(','))});
    canvas.SaveDC();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(panelColor);
    canvas.SetBkColor(panelColor);
    canvas.SetBkMode(bkOpaque);
    canvas.Font().SetColor(clBlack);
    canvas.TextOut(3, ClampCoord(qint64(rowHeight) * FModel.RowCount() + 5), text);
    canvas.RestoreDC();
}
