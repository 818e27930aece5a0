// Placing the left, centre and right texts of one text row of a bar: all of them when they
// fit, otherwise whichever of them the bar has room for.

#include "chart/BarPainter.h"

#include <algorithm>

#include "Canvas.h"

namespace {

// The text placement flags per row set and text row (top, middle, bottom).
constexpr uint TextFlags[3][3] = {
    {DT_TOP, DT_VCENTER, DT_BOTTOM},
    {DT_TOP, DT_BOTTOM, DT_CALCRECT},
    {DT_VCENTER, DT_CALCRECT, DT_CALCRECT},
};

QRect Span(const QRect &rect, int left, int right)
{
    return MakeRect(left, rect.top(), right, RectBottom(rect));
}

} // namespace

uint TBarPainter::TextRowFlags(TRowSet rowSet, int line)
{
    return TextFlags[std::clamp(int(rowSet), 0, 2)][std::clamp(line, 0, 2)];
}

std::vector<TTextDraw> TBarPainter::LayoutTexts(const TTextMeasure &measure, QRect rect, uint flags,
                                                const QString &left, const QString &centre, const QString &right,
                                                bool fullText)
{
    std::vector<TTextDraw> draws;
    const uint base = flags | DT_SINGLELINE | DT_NOPREFIX;
    const auto draw = [&](const QString &text, const QRect &r, uint align) {
        if (!text.isEmpty())
            draws.push_back({text, r, base | align});
    };
    const int originalRight = RectRight(rect);
    int w = rect.width();
    int tw = measure(left + centre + right);
    if (fullText && w - FullTextRoom < tw) {
        SetRectRight(rect, rect.left() + tw + FullTextRoom);
        w = rect.width();
        tw = measure(left + centre + right);
    }
    const int lw = measure(left);
    const int cw = measure(centre);
    const int rw = measure(right);

    if (tw < w - 8) {
        QRect r = rect;
        if (!left.isEmpty()) {
            draw(left, r, DT_LEFT);
            r.setLeft(r.left() + lw + 4);
        }
        if (!right.isEmpty()) {
            draw(right, r, DT_RIGHT);
            SetRectRight(r, RectRight(r) - rw - 4);
        }
        draw(centre, r, DT_CENTER);
        return draws;
    }

    if (centre.isEmpty()) {
        const int half = w / 2;
        const auto halves = [&] {
            draw(right, Span(rect, rect.left() + half + 2, RectRight(rect)), DT_LEFT);
            draw(left, Span(rect, rect.left(), rect.left() + half - 2), DT_LEFT);
        };
        if (left.size() < right.size()) {
            if (lw < half - 2) {
                draw(left, rect, DT_LEFT);
                draw(right, Span(rect, rect.left() + lw + 4, RectRight(rect)), DT_LEFT);
            } else {
                halves();
            }
        } else if (rw < half - 2) {
            draw(right, rect, DT_RIGHT);
            draw(left, Span(rect, rect.left(), RectRight(rect) - rw - 4), DT_LEFT);
        } else {
            halves();
        }
        return draws;
    }

    if (cw > w) {
        draw(centre, rect, DT_LEFT);
        return draws;
    }
    draw(centre, rect, DT_CENTER);
    draw(left, Span(rect, rect.left(), rect.left() + (w - cw) / 2 - 4), DT_LEFT);
    draw(right, Span(rect, rect.left() + (w + cw) / 2 + 4, originalRight), DT_LEFT);
    return draws;
}

void TBarPainter::PlaceTexts(TCanvas &canvas, QRect rect, uint flags, const QString &left, const QString &centre,
                             const QString &right, bool fullText)
{
    const auto measure = [&canvas](const QString &text) { return canvas.TextWidth(text); };
    for (TTextDraw &draw : LayoutTexts(measure, rect, flags, left, centre, right, fullText))
        canvas.DrawText(draw.text, draw.rect, draw.flags);
}
