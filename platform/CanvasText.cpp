// Text output of the canvas: single strings by their top-left corner and formatted text in a
// rectangle with the window system's DrawText rules.

#include "Canvas.h"

#include <QFontMetrics>

namespace {

struct TTextLine {
    QString text;
    int start = 0; // offset in the prepared text, for the underlined mnemonic
};

// Removes "&" markers; "&&" is a literal ampersand. Returns the index of the underlined character.
QString StripPrefix(const QString &text, int &underline)
{
    QString out;
    out.reserve(text.size());
    underline = -1;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&')
                underline = int(out.size());
            out += text[i];
        } else if (c != u'&') {
            out += c;
        }
    }
    return out;
}

QString ExpandTabs(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\t') {
            const int column = int(out.size() - (out.lastIndexOf(u'\n') + 1));
            out += QString(8 - column % 8, u' ');
        } else {
            out += c;
        }
    }
    return out;
}

// Cut at the end so that text plus "..." fits, never inside a surrogate pair.
QString EndEllipsis(const QFontMetrics &fm, const QString &text, int width)
{
    if (fm.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    int lo = 0, hi = int(text.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fm.horizontalAdvance(text.left(mid) + dots) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && text[lo - 1].isHighSurrogate())
        --lo;
    return text.left(lo) + dots;
}

// Breaks one paragraph into lines no wider than width at spaces; a longer word keeps its own
// line unless breakWords (edit-control style) cuts it by characters.
void BreakParagraph(const QFontMetrics &fm, const QString &para, int start, int width, bool breakWords,
                    std::vector<TTextLine> &lines)
{
    const int n = int(para.size());
    int pos = 0;
    if (n == 0) {
        lines.push_back({QString(), start});
        return;
    }
    while (pos < n) {
        int lineEnd = pos; // end of the accepted text (exclusive)
        int scan = pos;
        bool any = false;
        while (scan < n) {
            int wordEnd = scan;
            while (wordEnd < n && para[wordEnd] == u' ')
                ++wordEnd;
            while (wordEnd < n && para[wordEnd] != u' ')
                ++wordEnd;
            const int w = fm.horizontalAdvance(para.mid(pos, wordEnd - pos));
            if (w <= width || !any) {
                if (w > width && breakWords) {
                    // Cut the too-long first word by characters.
                    int cut = pos + 1;
                    while (cut < wordEnd && fm.horizontalAdvance(para.mid(pos, cut + 1 - pos)) <= width)
                        ++cut;
                    if (cut < wordEnd && para[cut - 1].isHighSurrogate() && cut - 1 > pos)
                        --cut;
                    lineEnd = cut;
                    any = true;
                    break;
                }
                lineEnd = wordEnd;
                any = true;
                scan = wordEnd;
                if (w > width)
                    break;
            } else {
                break;
            }
        }
        QString line = para.mid(pos, lineEnd - pos);
        while (line.endsWith(u' ') && lineEnd < n)
            line.chop(1);
        lines.push_back({line, start + pos});
        pos = lineEnd;
        // Spaces at a break belong to no line.
        while (pos < n && pos > 0 && para[pos] == u' ')
            ++pos;
    }
}

} // namespace

QFont TCanvas::CurrentQFont()
{
    if (FFontVersion != FFont.Version()) {
        FFontVersion = FFont.Version();
        if (!FMetrics || !FFont.HasShape(FFontShape)) {
            FFontShape = FFont.Shape();
            FQFont = FFont.ToQFont();
            FMetrics.emplace(FQFont);
            FAscent = FMetrics->ascent();
            FDescent = FMetrics->descent();
        }
    }
    return FQFont;
}

const QFontMetrics &TCanvas::Metrics()
{
    CurrentQFont();
    return *FMetrics;
}

int TCanvas::TextWidth(const QString &text)
{
    return Metrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString &)
{
    return FontHeight();
}

int TCanvas::FontHeight()
{
    CurrentQFont();
    return FAscent + FDescent;
}

void TCanvas::DrawTextLine(int x, int y, const QString &text, int underlineIndex)
{
    const QFont font = CurrentQFont();
    const QFontMetrics &fm = Metrics();
    const bool opaque = BkMode() == bkOpaque;
    // Measuring is the costly part of text output: only where the background needs it.
    const int width = opaque ? fm.horizontalAdvance(text) : 0;
    const int height = FAscent + FDescent;
    FPainter.setFont(font);
    const int orientation = FFont.Orientation() % 3600;
    if (orientation != 0) {
        FPainter.save();
        FPainter.translate(x, y);
        FPainter.rotate(-orientation / 10.0);
        x = 0;
        y = 0;
    }
    if (opaque && width > 0)
        FPainter.fillRect(QRect(x, y, width, height), ToQColor(BkColor()));
    FPainter.setPen(TextQColor());
    FPainter.drawText(QPoint(x, y + FAscent), text);
    if (underlineIndex >= 0 && underlineIndex < text.size()) {
        const int ux = x + fm.horizontalAdvance(text.left(underlineIndex));
        const int uw = fm.horizontalAdvance(text.mid(underlineIndex, 1));
        FPainter.fillRect(QRect(ux, y + FAscent + 1, uw, 1), TextQColor());
    }
    if (orientation != 0)
        FPainter.restore();
}

void TCanvas::TextOut(int x, int y, const QString &text)
{
    if (FPainter.isActive() && !text.isEmpty()) {
        ResetCompositionMode();
        DrawTextLine(x, y, text, -1);
    }
    FPenPos = QPoint(x + TextWidth(text), y);
}

int TCanvas::DrawText(const QString &source, QRect &r, uint flags)
{
    const QFontMetrics &fm = Metrics();
    const int lineHeight = FAscent + FDescent;

    QString text = source;
    if (flags & DT_EXPANDTABS)
        text = ExpandTabs(text);
    int underline = -1;
    if (!(flags & DT_NOPREFIX))
        text = StripPrefix(text, underline);
    if (flags & DT_HIDEPREFIX)
        underline = -1;

    const int left = r.left();
    const int top = r.top();
    const int width = r.width();
    const bool calc = flags & DT_CALCRECT;

    std::vector<TTextLine> lines;
    if (flags & DT_SINGLELINE) {
        QString one = text;
        one.remove(u'\r');
        one.remove(u'\n');
        lines.push_back({one, 0});
    } else {
        int start = 0;
        const int n = int(text.size());
        for (int i = 0; i <= n; ++i) {
            if (i == n || text[i] == u'\r' || text[i] == u'\n') {
                const QString para = text.mid(start, i - start);
                if (flags & DT_WORDBREAK)
                    BreakParagraph(fm, para, start, qMax(width, 0), flags & DT_EDITCONTROL, lines);
                else
                    lines.push_back({para, start});
                if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                    ++i;
                start = i + 1;
            }
        }
        // A final break starts no extra line.
        if (lines.size() > 1 && lines.back().text.isEmpty() && !text.isEmpty()
            && (text.endsWith(u'\n') || text.endsWith(u'\r')))
            lines.pop_back();
    }

    const int totalHeight = int(lines.size()) * lineHeight;
    if (calc) {
        int widest = 0;
        for (const TTextLine &line : lines)
            widest = qMax(widest, fm.horizontalAdvance(line.text));
        SetRectRight(r, left + widest);
        SetRectBottom(r, top + totalHeight);
        return totalHeight;
    }
    if (!FPainter.isActive())
        return totalHeight;

    ResetCompositionMode();
    const bool clip = !(flags & DT_NOCLIP);
    if (clip) {
        FPainter.save();
        FPainter.setClipRect(r, Qt::IntersectClip);
    }
    int y = top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = (top + RectBottom(r) - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = RectBottom(r) - lineHeight;
    }
    const bool ellipsis = flags & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS);
    for (const TTextLine &line : lines) {
        if (clip && y >= RectBottom(r))
            break;
        QString shown = ellipsis ? EndEllipsis(fm, line.text, width) : line.text;
        const int w = (flags & (DT_CENTER | DT_RIGHT)) ? fm.horizontalAdvance(shown) : 0;
        int x = left;
        if (flags & DT_CENTER)
            x = left + (width - w) / 2;
        else if (flags & DT_RIGHT)
            x = RectRight(r) - w;
        const int u = underline - line.start;
        DrawTextLine(x, y, shown, (u >= 0 && u < shown.size()) ? u : -1);
        y += lineHeight;
    }
    if (clip)
        FPainter.restore();
    return totalHeight;
}
