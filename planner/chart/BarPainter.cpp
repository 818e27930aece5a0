#include "chart/BarPainter.h"

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "ColorHSV.h"
#include "chart/TimeChartGeometry.h"
#include "treegrid/AlphaBlend.h"

namespace {

constexpr TConnection TextPlaces[3][3] = {
    {cnTextLeftTop, cnTextcenterTop, cnTextRightTop},
    {cnTextLeftMiddle, cnTextCenterMiddle, cnTextRightMiddle},
    {cnTextLeftBottom, cnTextCenterBottom, cnTextRightBottom},
};

// Runs fn for each part of a logical rectangle that lies inside the canvas's picture and clip,
// in device pixels.
template <typename Fn>
void ForEachClipPart(TCanvas &canvas, const QRect &logical, Fn fn)
{
    QImage *image = canvas.Image();
    if (!image || IsRectEmpty(logical))
        return;
    const QRect device = logical.translated(-canvas.WindowOrg()).intersected(image->rect());
    if (device.isEmpty())
        return;
    for (const QRect &part : canvas.ClipRegion().intersected(device))
        fn(part);
}

} // namespace

void TBarPaint::TakeClip(TCanvas &canvas)
{
    clip = canvas.ClipRegion();
    clipBounds = clip.boundingRect().translated(canvas.WindowOrg());
    clipIsRect = clip.rectCount() <= 1;
    clipTaken = true;
}

bool TBarPaint::Visible(const QRect &r, const TCanvas &canvas) const
{
    if (!clipTaken)
        return canvas.RectVisible(r);
    if (IsRectEmpty(r) || !clipBounds.intersects(r))
        return false;
    return clipIsRect || clip.intersects(r.translated(-canvas.WindowOrg()));
}

bool TBarPainter::FillFramed(TCanvas &canvas, const TBarPaint &paint, const QRect &rect, TColor pen, TColor brush)
{
    QImage *image = canvas.Image();
    if (!image || !paint.clipTaken || !paint.clipIsRect || paint.clipBounds.isEmpty() || image->format() != QImage::Format_RGB32
        || canvas.Pen().Mode() != pmCopy)
        return false;
    const QRect device = rect.translated(-canvas.WindowOrg());
    const QRect shown = device.intersected(paint.clipBounds.translated(-canvas.WindowOrg())).intersected(image->rect());
    if (shown.isEmpty())
        return true;
    const QRgb frame = ToQRgb(pen) | 0xFF000000u;
    const QRgb fill = ToQRgb(brush) | 0xFF000000u;
    const int left = device.left();
    const int right = RectRight(device) - 1;
    const int top = device.top();
    const int bottom = RectBottom(device) - 1;
    for (int y = shown.top(); y < RectBottom(shown); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image->scanLine(y));
        const bool edgeRow = y == top || y == bottom;
        for (int x = shown.left(); x < RectRight(shown); ++x)
            line[x] = (edgeRow || x == left || x == right) ? frame : fill;
    }
    return true;
}

TBarPainter::TBarPainter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options,
                         TChartPaintStats *stats)
    : FModel(model)
    , FGeometry(geometry)
    , FOptions(options)
    , FStats(stats)
{
}

int TBarPainter::FilteredAlpha(int transparency)
{
    return (100 - std::clamp(transparency, 0, 100)) * 256 / 100;
}

QString TBarPainter::Txt(TWhichTable table, const TNodeData *node, TConnection connection) const
{
    if (node)
        return FModel.Text(*node, connection);
    return FModel.ConnectedCaption(table, connection);
}

// ---- one bar

void TBarPainter::DrawItem(const TBarPaint &paint, TWhichTable table, TNodeData *node) const
{
    const TChartPaintParams &p = *paint.params;
    TCanvas &canvas = *p.canvas;
    if (!node) {
        // The sample of the row-set pictures: a bar centred in a green field.
        const QRect clip = canvas.ClipRect();
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(ChartColor::SampleBack);
        canvas.Pen().SetColor(ChartColor::SampleBack);
        canvas.FillRect(clip);
        canvas.Brush().SetColor(clWhite);
        canvas.Pen().SetColor(clBlack);
        const int top = (RectBottom(clip) - clip.top() - paint.rowHeight) / 2;
        const QRect r = MakeRect(clip.left(), top, RectRight(clip), top + paint.rowHeight);
        DrawTo(canvas, paint, table, nullptr, r, true, true, false);
        return;
    }
    if (!node->nodeValid)
        return;
    QRect r = FGeometry.ItemRect(*node, p.rangeStart, p.rangeEnd, p.topOffset, paint.rowHeight, p.width, p.small);
    r.translate(p.offsetX, p.offsetY);
    if (IsRectEmpty(r))
        return;
    const bool chart = !p.small && p.target == TChartTarget::Chart && canvas.Image();
    const bool shadow = chart && table == FModel.ActiveTable() && FModel.IsSelected(*node) && HasMMX();
    // What the bar puts beside itself counts too, or a paint of only that part would miss it.
    QRect reach = r;
    if (shadow)
        reach = MakeRect(r.left(), r.top(), RectRight(r) + ShadowSize, RectBottom(r) + ShadowSize);
    if (!paint.Visible(reach, canvas)) {
        // Full texts run on to the right inside the bar's rows. Measuring them costs, so only
        // when the stretch up to the chart's edge shows at all.
        if (p.small || !FOptions.drawFullText)
            return;
        const int edge = p.offsetX + p.width;
        if (edge <= RectRight(reach) || !paint.Visible(MakeRect(r.left(), r.top(), edge, RectBottom(r)), canvas))
            return;
        const int textRight = TextRight(canvas, paint, table, *node, r);
        if (textRight <= RectRight(reach)
            || !paint.Visible(MakeRect(r.left(), r.top(), textRight, RectBottom(r)), canvas))
            return;
    }
    if (FStats)
        ++FStats->barsDrawn;
    if (p.small) {
        DrawTo(canvas, paint, table, node, r, true, false, false);
        return;
    }
    if (!chart) {
        if (FOptions.drawFullText) {
            DrawTo(canvas, paint, table, node, r, false, true, true);
            canvas.SaveDC();
            canvas.IntersectClipRect(r);
            DrawTo(canvas, paint, table, node, r, true, true, false);
            canvas.RestoreDC();
        } else {
            DrawTo(canvas, paint, table, node, r, true, true, false);
        }
        return;
    }
    if (FOptions.drawFullText)
        DrawTo(canvas, paint, table, node, r, false, true, true);
    DrawCached(canvas, paint, table, *node, r);
    if (shadow)
        DrawShadow(canvas, r);
}

void TBarPainter::DrawCached(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, TNodeData &node,
                             QRect r) const
{
    QImage *target = canvas.Image();
    const qint64 panelArea = qint64(target->width()) * target->height();
    const qint64 barArea = qint64(r.width()) * r.height();
    const QImage *source = nullptr;
    QPoint origin = r.topLeft();
    QImage part;
    if (barArea <= 4 * panelArea) {
        if (node.Bitmap.size() != r.size() || node.RecalcBitmap || node.BitmapLook != FOptions.barLook) {
            struct TClearFlag
            {
                TNodeData &node;
                quint32 look;
                ~TClearFlag()
                {
                    node.RecalcBitmap = false;
                    node.BitmapLook = look;
                }
            } clear{node, FOptions.barLook};
            const QRect r0(QPoint(0, 0), r.size());
            if (TCanvas *scratch = paint.params->scratch) {
                // One canvas renders every picture; each keeps a copy of its part.
                if (scratch->Width() < r0.width() || scratch->Height() < r0.height())
                    scratch->SetSize(std::max(scratch->Width(), r0.width()), std::max(scratch->Height(), r0.height()));
                scratch->SetWindowOrg(0, 0);
                scratch->RemoveClip();
                DrawTo(*scratch, paint, table, &node, r0, true, true, false);
                node.Bitmap = scratch->Image()->copy(r0);
            } else {
                node.Bitmap = QImage(r.size(), QImage::Format_RGB32);
                if (!node.Bitmap.isNull()) {
                    TCanvas picture(&node.Bitmap);
                    DrawTo(picture, paint, table, &node, r0, true, true, false);
                }
            }
            if (FStats)
                ++FStats->barsRendered;
        }
        source = &node.Bitmap;
    } else {
        // Far bigger than the panel: no picture is kept, only the part that shows is drawn.
        node.Bitmap = QImage();
        node.RecalcBitmap = false;
        const QRect shown = r.intersected(canvas.ClipRect()).intersected(
            QRect(canvas.DeviceToLogical(QPoint(0, 0)), target->size()));
        if (shown.isEmpty())
            return;
        part = QImage(shown.size(), QImage::Format_RGB32);
        {
            TCanvas picture(&part);
            picture.SetWindowOrg(shown.topLeft());
            DrawTo(picture, paint, table, &node, r, true, true, false);
        }
        if (FStats)
            ++FStats->barsRendered;
        source = &part;
        origin = shown.topLeft();
    }
    if (source->isNull())
        return;
    if (FModel.IsFiltered(node) && HasMMX()) {
        // Rows filtered out of the table show through at the chosen transparency.
        const int alpha = FilteredAlpha(FOptions.transparency);
        const QRect logical(origin, source->size());
        const QPoint sourceOrigin = canvas.LogicalToDevice(origin);
        ForEachClipPart(canvas, logical, [&](const QRect &device) {
            AlphaBlend(source, target, device.translated(-sourceOrigin), device.topLeft(), bmConstantAlpha, alpha, 0);
        });
        return;
    }
    canvas.Draw(origin.x(), origin.y(), *source);
}

void TBarPainter::BlendColor(TCanvas &canvas, const QRect &rect, int alpha, TColor color)
{
    QImage *target = canvas.Image();
    if (!target)
        return;
    ForEachClipPart(canvas, rect, [&](const QRect &device) {
        AlphaBlend(nullptr, target, device, device.topLeft(), bmConstantAlphaAndColor, alpha, int(color));
    });
}

void TBarPainter::DoShadowBlend(TCanvas &canvas, const QRect &rect, int alpha)
{
    BlendColor(canvas, rect, alpha, clBlack);
}

void TBarPainter::DrawShadow(TCanvas &canvas, QRect r) const
{
    static constexpr int Alphas[5] = {5, 10, 20, 35, 50};
    static_assert(ShadowSize == 8);
    const int x = r.left();
    const int y = r.top();
    const int w = r.width();
    const int h = r.height();
    // Below the bar, then at its right; each band shrinks while it darkens.
    QRect bottom = MakeRect(x + 8, y + h, x + w + 8, y + h + 8);
    for (int alpha : Alphas) {
        DoShadowBlend(canvas, bottom, alpha);
        bottom = MakeRect(bottom.left() + 1, bottom.top(), RectRight(bottom) - 1, RectBottom(bottom) - 1);
    }
    QRect right = MakeRect(x + w, y + 8, x + w + 8, y + h);
    for (int alpha : Alphas) {
        DoShadowBlend(canvas, right, alpha);
        right = MakeRect(right.left(), right.top() + 1, RectRight(right) - 1, RectBottom(right));
    }
}

// ---- body and texts

void TBarPainter::SetTextFont(TCanvas &canvas, const TBarPaint &paint)
{
    TFont &font = canvas.Font();
    font.SetName(paint.fontName);
    font.SetSize(paint.fontSize);
    if (!paint.params || !paint.params->screen)
        font.SetQuality(fqAntialiased);
}

int TBarPainter::TextRight(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, const TNodeData &node,
                           const QRect &r) const
{
    // As DrawTo and LayoutTexts place them: each text row grows to hold its texts side by side.
    const int inset = 2 * canvas.Pen().Width();
    const QRect inner = r.adjusted(inset, inset, -inset, -inset);
    if (inner.height() <= 0)
        return RectRight(r);
    SetTextFont(canvas, paint);
    int widest = 0;
    if (table == tbExclude) {
        widest = canvas.TextWidth(Txt(table, &node, cnTextCenterMiddle));
    } else {
        for (int line = 0; line < 3; ++line) {
            if (TextRowFlags(paint.rowSet, line) == DT_CALCRECT)
                continue; // a row not shown writes nothing
            const QString texts = Txt(table, &node, TextPlaces[line][0]) + Txt(table, &node, TextPlaces[line][1])
                                  + Txt(table, &node, TextPlaces[line][2]);
            if (!texts.isEmpty())
                widest = std::max(widest, canvas.TextWidth(texts));
        }
    }
    if (widest == 0)
        return RectRight(r);
    return std::max(RectRight(r), inner.left() + widest + FullTextRoom);
}

void TBarPainter::DrawTo(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, TNodeData *node, QRect rect,
                         bool body, bool full, bool overflow) const
{
    TColor brush = canvas.Brush().Color();
    TColor pen = canvas.Pen().Color();
    bool selected = false;
    if (node) {
        brush = ChartColor::FreeDay;
        if (full) {
            TColor palette = ChartColor::UnknownBar;
            brush = FModel.BarColor(*node, palette) ? palette : ChartColor::UnknownBar;
        }
        pen = table == tbExclude ? FlashColor(brush, -25) : clBlack;
        if (table == tbTable && FModel.AnyOverlapping())
            brush = FModel.IsOverlapping(*node) ? ChartColor::Overlapping : ChartColor::NotOverlapping;
        selected = table == FModel.ActiveTable() && FModel.IsSelected(*node);
    }
    const auto shade = [&] {
        if (selected) {
            const int phase = std::clamp(FOptions.flashPhase, 0, 6);
            brush = FadeColorRGB(brush, VisibleContrast(brush), FlashStrength[phase]);
        }
        if (!full) {
            // Thin overview rows: the frame nearly vanishes into the fill.
            const double share = std::max(paint.rowHeight - 2, 0) * 100.0 / FGeometry.TimeChartRowHeight(0);
            pen = FadeColorRGB(brush, pen, int(Round(std::min(100.0, share))));
        }
    };
    if (full) {
        shade();
    } else {
        const auto known = std::find_if(paint.shades.begin(), paint.shades.end(), [&](const TBarPaint::TShade &s) {
            return s.brush == brush && s.pen == pen && s.selected == selected;
        });
        if (known != paint.shades.end()) {
            brush = known->shadedBrush;
            pen = known->shadedPen;
        } else {
            TBarPaint::TShade entry{brush, pen, selected, 0, 0};
            shade();
            entry.shadedBrush = brush;
            entry.shadedPen = pen;
            // A paint sees a handful; many more would make the search cost more than the shading.
            if (paint.shades.size() < 32)
                paint.shades.push_back(entry);
        }
    }
    canvas.Pen().SetMode(pmCopy);
    if (!full && body && node && FillFramed(canvas, paint, rect, pen, brush))
        return;
    canvas.Pen().SetColor(pen);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(brush);
    if (body)
        canvas.Rectangle(rect);
    if (!full)
        return;

    const int inset = 2 * canvas.Pen().Width();
    const QRect inner = rect.adjusted(inset, inset, -inset, -inset);
    // Texts are clipped to their rows: a bar too low for any has nothing to write.
    if (inner.height() <= 0 || (inner.width() <= 0 && !FOptions.drawFullText))
        return;
    SetTextFont(canvas, paint);
    // The colour goes to the canvas, not the font: the font (and its measures) stays the same.
    canvas.SetTextColor(overflow ? clBlack : VisibleContrast(brush));
    canvas.Brush().SetStyle(bsClear);
    if (table == tbExclude) {
        PlaceTexts(canvas, inner, DT_VCENTER, QString(), Txt(table, node, cnTextCenterMiddle), QString(),
                   FOptions.drawFullText);
    } else {
        for (int line = 0; line < 3; ++line)
            PlaceTexts(canvas, inner, TextRowFlags(paint.rowSet, line), Txt(table, node, TextPlaces[line][0]),
                       Txt(table, node, TextPlaces[line][1]), Txt(table, node, TextPlaces[line][2]),
                       FOptions.drawFullText);
    }
    canvas.Brush().SetStyle(bsSolid);
}
