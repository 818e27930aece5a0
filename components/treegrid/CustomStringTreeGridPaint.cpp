#include "treegrid/CustomStringTreeGrid.h"

#include "Canvas.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridTextWidths.h"

// Painting of a cell's text: the normal text, shortened with "..." when it does not fit, and an
// optional static text beside it.

namespace {

uint AlignmentFlag(TColumnAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

} // namespace

void TCustomStringTreeGrid::DoPaintNode(TTGPaintInfo &paintInfo)
{
    // Texts are drawn over the cell's background.
    paintInfo.Canvas->SetBkMode(bkTransparent);
    const QString text = Text(paintInfo.Node, paintInfo.Column);
    if (!text.isEmpty())
        PaintNormalText(paintInfo, text);
    if (paintInfo.Alignment != taCenter && !paintInfo.Node->States.contains(vsMultiline)
        && StringTreeOptions().StringOptions().contains(toShowStaticText)) {
        QString staticText;
        DoGetText(paintInfo.Node, paintInfo.Column, ttStatic, staticText);
        if (!staticText.isEmpty())
            PaintStaticText(paintInfo, staticText);
    }
}

void TCustomStringTreeGrid::InitializeTextProperties(TTGPaintInfo &paintInfo)
{
    TCanvas &canvas = *paintInfo.Canvas;
    PGridNode node = paintInfo.Node;
    AssignFontIfChanged(canvas.Font(), TreeFont());
    if (FOptions->PaintOptions().contains(toHotTrack) && node == FCurrentHotNode) {
        canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
        canvas.Font().SetColor(FColors->Color(TTGColors::HotColor));
    }
    if (paintInfo.PaintOptions.contains(poDrawSelection)
        && (paintInfo.Column == FFocusedColumn || FOptions->SelectionOptions().contains(toFullRowSelect))) {
        if (node == FDropTargetNode) {
            if (FLastDropMode == dmOnNode || node->States.contains(vsSelected))
                canvas.Font().SetColor(clHighlightText);
        } else if (node->States.contains(vsSelected) && IsFocusedForPaint()) {
            canvas.Font().SetColor(clHighlightText);
        }
    }
}

void TCustomStringTreeGrid::PaintNormalText(TTGPaintInfo &paintInfo, const QString &text)
{
    TCanvas &canvas = *paintInfo.Canvas;
    PGridNode node = paintInfo.Node;
    InitializeTextProperties(paintInfo);
    QRect r = paintInfo.ContentRect;
    r.setLeft(r.left() + FTextMargin);
    SetRectRight(r, RectRight(r) - FTextMargin);
    const bool disabled = node->States.contains(vsDisabled) || !isEnabled();

    QString shown = text;
    uint flags = 0;
    if (node->States.contains(vsMultiline)) {
        DoPaintText(node, canvas, paintInfo.Column, ttNormal);
        if (disabled)
            canvas.Font().SetColor(FColors->Color(TTGColors::DisabledColor));
        flags = AlignmentFlag(paintInfo.Alignment) | MultilineTextFlags;
        // As in an edit control, a last line that would show only in part is left out (a
        // single line shows as far as it fits).
        const int lineHeight = canvas.FontHeight();
        if (lineHeight > 0 && r.height() >= lineHeight)
            SetRectBottom(r, r.top() + r.height() / lineHeight * lineHeight);
    } else {
        const quint64 before = canvas.Font().Version();
        DoPaintText(node, canvas, paintInfo.Column, ttNormal);
        int ellipsisWidth = FEllipsisWidth;
        int nodeWidth = paintInfo.NodeWidth;
        if (canvas.Font().Version() != before) {
            // The handler chose another font: measure in it.
            ellipsisWidth = 0;
            nodeWidth = 2 * FTextMargin + CachedTextWidth(canvas, text);
        }
        if (disabled)
            canvas.Font().SetColor(FColors->Color(TTGColors::DisabledColor));
        flags = DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE;
        if (UseColumns() && nodeWidth - 2 * FTextMargin > r.width()) {
            shown = DoShortenString(canvas, node, paintInfo.Column, text, r.width(), ellipsisWidth);
            if (paintInfo.Alignment == taRightJustify)
                flags |= DT_RIGHT;
        } else {
            flags |= AlignmentFlag(paintInfo.Alignment);
        }
    }
    if (paintInfo.BidiMode != bdLeftToRight)
        flags |= DT_RTLREADING;
    canvas.SetBkMode(bkTransparent);
    DoTextDrawing(paintInfo, shown, r, flags);
}

void TCustomStringTreeGrid::PaintStaticText(TTGPaintInfo &paintInfo, const QString &text)
{
    TCanvas &canvas = *paintInfo.Canvas;
    PGridNode node = paintInfo.Node;
    AssignFontIfChanged(canvas.Font(), TreeFont());
    if (FOptions->SelectionOptions().contains(toFullRowSelect) && paintInfo.PaintOptions.contains(poDrawSelection)) {
        if (node == FDropTargetNode) {
            if (FLastDropMode == dmOnNode || node->States.contains(vsSelected))
                canvas.Font().SetColor(clHighlightText);
        } else if (node->States.contains(vsSelected) && IsFocusedForPaint()) {
            canvas.Font().SetColor(clHighlightText);
        }
    }
    uint flags = DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE;
    canvas.SetBkMode(bkTransparent);
    DoPaintText(node, canvas, paintInfo.Column, ttStatic);
    if (node->States.contains(vsDisabled) || !isEnabled())
        canvas.Font().SetColor(FColors->Color(TTGColors::DisabledColor));
    QRect r = paintInfo.ContentRect;
    if (paintInfo.Alignment == taRightJustify) {
        SetRectRight(r, RectRight(r) - paintInfo.NodeWidth - FTextMargin);
        flags |= DT_RIGHT;
    } else {
        r.setLeft(r.left() + paintInfo.NodeWidth + FTextMargin);
    }
    DoTextDrawing(paintInfo, text, r, flags);
}

void TCustomStringTreeGrid::DoTextDrawing(TTGPaintInfo &paintInfo, const QString &text, QRect cellRect,
                                          uint drawFormat)
{
    bool defaultDraw = true;
    Raise(OnDrawText, *paintInfo.Canvas, paintInfo.Node, paintInfo.Column, text, cellRect, defaultDraw);
    if (defaultDraw)
        paintInfo.Canvas->DrawText(text, cellRect, drawFormat);
}
