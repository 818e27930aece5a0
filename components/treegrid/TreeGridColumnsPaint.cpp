#include <algorithm>

#include <QApplication>
#include <QStyle>
#include <QStyleOptionHeader>

#include "Canvas.h"
#include "ImageList.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

// Utility glyphs: drop marks, sort arrows and their themed forms.
constexpr int DropMarkLeftGlyph = 0;
constexpr int DropMarkRightGlyph = 1;
constexpr int SortDescendingGlyph = 2;
constexpr int SortAscendingGlyph = 3;
constexpr int ThemedSortDescendingGlyph = 4;
constexpr int ThemedSortAscendingGlyph = 5;

struct TEdgeStyle {
    uint Edge;
    uint Flags;
};

void HorizontalLine(TCanvas &dc, int left, int right, int y, TColor color)
{
    dc.Brush().SetStyle(bsSolid);
    dc.Brush().SetColor(color);
    dc.FillRect(MakeRect(left, y, right, y + 1));
}

void VerticalLine(TCanvas &dc, int x, int top, int bottom, TColor color)
{
    dc.Brush().SetStyle(bsSolid);
    dc.Brush().SetColor(color);
    dc.FillRect(MakeRect(x, top, x + 1, bottom));
}

QStyleOptionHeader HeaderOption(const QRect &r, const QPalette &palette, bool enabled)
{
    QStyleOptionHeader option;
    option.rect = r;
    option.palette = palette;
    option.orientation = Qt::Horizontal;
    option.state = QStyle::State_Horizontal;
    if (enabled)
        option.state |= QStyle::State_Enabled;
    return option;
}

QSize UtilityGlyphSize()
{
    const TImageList *glyphs = UtilityImages();
    return glyphs ? QSize(glyphs->Width(), glyphs->Height()) : QSize(0, 0);
}

} // namespace

// ---- layout of one header cell

QSize TTreeGridColumn::HeaderGlyphSize() const
{
    const TTreeGridHeader *header = Header();
    if (!header)
        return QSize(0, 0);
    const TImageList *images = FCheckBox ? header->TreeCheckImages() : header->Images();
    return images ? QSize(images->Width(), images->Height()) : QSize(0, 0);
}

void TTreeGridColumn::ComputeHeaderLayout(TCanvas &dc, const QRect &client, bool useHeaderGlyph, bool useSortGlyph,
                                          QPoint &headerGlyphPos, QPoint &sortGlyphPos, QRect &textBounds,
                                          uint drawFormat)
{
    const int W = client.width();
    const int H = client.height();
    const bool rtl = UseRightToLeftReading();
    const bool wrap = FOptions.contains(coWrapCaption);

    // Sizes.
    const QSize glyph = useHeaderGlyph ? HeaderGlyphSize() : QSize(0, 0);
    const QSize sortGlyph = useSortGlyph ? UtilityGlyphSize() : QSize(0, 0);
    sortGlyphPos = QPoint(0, (H - sortGlyph.height()) / 2);
    headerGlyphPos = QPoint(0, 0);
    int textWidth = 0;
    int textHeight = 0;
    if (!FText.isEmpty()) {
        if (!wrap) {
            FCaptionText = FText;
            textWidth = dc.TextWidth(FText) + 2;
            textHeight = dc.TextHeight(FText);
        } else {
            if (FCaptionText.isEmpty())
                FCaptionText = FText;
            QRect measured(0, 0, W, H);
            GetStringDrawRect(dc, FCaptionText, measured, drawFormat);
            textWidth = measured.width();
            textHeight = measured.height();
        }
    }
    QPoint textPos(0, 0);
    const int textSpacing = FText.isEmpty() ? 0 : FSpacing;
    const bool hasGlyph = useHeaderGlyph && glyph.width() > 0;

    int minX = FMargin;
    int maxX = W - FMargin;
    if (useSortGlyph && !hasGlyph && FText.isEmpty()) {
        // Only the sort glyph: centred.
        sortGlyphPos = QPoint((W - sortGlyph.width()) / 2, (H - sortGlyph.height()) / 2);
    } else {
        // Vertical placement.
        if (!hasGlyph || FLayout == blGlyphLeft || FLayout == blGlyphRight) {
            headerGlyphPos.setY((H - glyph.height()) / 2);
            textPos.setY(textHeight < H ? (H - textHeight) / 2 : 0);
        } else if (FLayout == blGlyphTop) {
            headerGlyphPos.setY((H - glyph.height() - textHeight - textSpacing) / 2);
            textPos.setY(headerGlyphPos.y() + glyph.height() + textSpacing);
        } else {
            textPos.setY((H - glyph.height() - textHeight - textSpacing) / 2);
            headerGlyphPos.setY(textPos.y() + textHeight + textSpacing);
        }
        // Horizontal placement as for left alignment in left-to-right reading; right-to-left
        // reading mirrors the result below.
        int x = FMargin;
        if (FLayout == blGlyphLeft || FLayout == blGlyphRight || !hasGlyph) {
            if (hasGlyph && FLayout == blGlyphLeft) {
                headerGlyphPos.setX(x);
                x += glyph.width() + FSpacing;
            }
            textPos.setX(x);
            x += textWidth + textSpacing;
            if (hasGlyph && FLayout == blGlyphRight) {
                headerGlyphPos.setX(x);
                x += glyph.width() + FSpacing;
            }
        } else {
            textPos.setX(x);
            headerGlyphPos.setX(std::max(x, (W - glyph.width()) / 2));
            x = std::max(headerGlyphPos.x() + glyph.width() + FSpacing, textPos.x() + textWidth + textSpacing);
        }
        if (useSortGlyph)
            sortGlyphPos.setX(x);
    }

    // Fitting into the cell: the sort glyph keeps the right end, the glyph what is left of it.
    if (useSortGlyph) {
        if (sortGlyphPos.x() + sortGlyph.width() > maxX)
            sortGlyphPos.setX(maxX - sortGlyph.width());
        maxX = sortGlyphPos.x() - FSpacing;
        sortGlyphPos.setX(std::max(sortGlyphPos.x(), minX));
    }
    if (hasGlyph) {
        if (headerGlyphPos.x() + glyph.width() > maxX)
            headerGlyphPos.setX(maxX - glyph.width());
        if (FLayout == blGlyphRight)
            maxX = headerGlyphPos.x() - FSpacing;
        headerGlyphPos.setX(std::max(headerGlyphPos.x(), minX));
        if (FLayout == blGlyphLeft)
            minX = headerGlyphPos.x() + glyph.width() + FSpacing;
    }
    textPos.setX(std::max(textPos.x(), minX));
    textBounds = QRect(textPos, QSize(textWidth, textHeight));
    if (RectRight(textBounds) > maxX)
        SetRectRight(textBounds, std::max(textBounds.left(), maxX));

    if (rtl) {
        auto mirror = [W](int x, int width) { return W - x - width; };
        sortGlyphPos.setX(mirror(sortGlyphPos.x(), sortGlyph.width()));
        headerGlyphPos.setX(mirror(headerGlyphPos.x(), glyph.width()));
        textBounds.moveLeft(mirror(textBounds.left(), textBounds.width()));
    }

    headerGlyphPos += client.topLeft();
    sortGlyphPos += client.topLeft();
    textBounds.translate(client.topLeft());
    if (wrap && !FText.isEmpty()) {
        FCaptionText = WrapString(dc, FText, textBounds, rtl, drawFormat);
        GetStringDrawRect(dc, FCaptionText, textBounds, drawFormat);
    }
}

// ---- drawing

void TTreeGridColumns::DrawXPButton(TCanvas &dc, const QRect &r, bool drawSplitter, bool down, bool hover)
{
    const int L = r.left(), T = r.top(), R = RectRight(r), B = RectBottom(r);
    const TColor normal = 0xDBEAEB;
    dc.Brush().SetStyle(bsSolid);
    dc.Brush().SetColor(down ? TColor(0xD8DFDE) : hover ? TColor(0xF3F8FA) : normal);
    dc.FillRect(r);
    if (down) {
        // Three nested frames along the top and the left edge.
        const TColor frames[3] = {0x97A5A5, 0xB8C2C1, 0xC9D1D0};
        for (int i = 0; i < 3; ++i) {
            HorizontalLine(dc, L + i, R, T + i, frames[i]);
            VerticalLine(dc, L + i, T + i, B, frames[i]);
        }
    } else if (hover) {
        // The warm underline of a hot button.
        const TColor underline[3] = {0x3CC7FF, 0x1FB5F8, 0x0099E5};
        for (int i = 0; i < 3; ++i)
            HorizontalLine(dc, L + (i == 0 ? 1 : 0), R - (i == 0 ? 1 : 0), B - 3 + i, underline[i]);
    } else {
        if (drawSplitter) {
            VerticalLine(dc, R - 2, T + 3, B - 5, 0xB2C5C7);
            VerticalLine(dc, R - 1, T + 3, B - 5, clWhite);
        }
        // Each line darker by 11 in red and 12 in green and blue.
        auto darker = [](TColor c) {
            return RGBToColor(GetRValue(c) - 11, GetGValue(c) - 12, GetBValue(c) - 12);
        };
        HorizontalLine(dc, L, R, B - 3, darker(normal));
        HorizontalLine(dc, L, R, B - 2, darker(darker(normal)));
        HorizontalLine(dc, L, R, B - 1, 0xB8C7CB);
    }
}

void TTreeGridColumns::DrawButtonText(TCanvas &dc, const QString &caption, QRect bounds, bool enabled, bool hot,
                                      uint drawFormat, bool wrapCaption)
{
    QString text = caption;
    if (!wrapCaption && dc.TextWidth(text) > bounds.width())
        text = ShortenString(dc, text, bounds.width());
    dc.SetBkMode(bkTransparent);
    if (enabled) {
        TColor color = FHeader ? FHeader->Font().Color() : clWindowText;
        if (hot && Owner())
            color = Owner()->Colors().Color(TTGColors::HeaderHotColor);
        dc.SetTextColor(color);
        dc.DrawText(text, bounds, drawFormat);
    } else {
        QRect shifted = bounds.translated(1, 1);
        dc.SetTextColor(clBtnHighlight);
        dc.DrawText(text, shifted, drawFormat);
        dc.SetTextColor(clBtnShadow);
        dc.DrawText(text, bounds, drawFormat);
    }
}

void TTreeGridColumns::PaintHeader(TCanvas &dc, const QRect &r, int hOffset)
{
    if (!FHeader)
        return;
    TBaseTreeGrid *tree = Owner();
    const QRect headerRect = FHeader->HeaderRect();
    const int bitmapWidth = std::max(RectRight(r), RectRight(headerRect));
    const int bitmapHeight = std::max(RectBottom(r), RectBottom(headerRect));
    if (bitmapWidth <= 0 || bitmapHeight <= 0)
        return;
    if (FHeaderBitmap.width() < bitmapWidth || FHeaderBitmap.height() != bitmapHeight)
        FHeaderBitmap = QImage(bitmapWidth, bitmapHeight, QImage::Format_RGB32);
    TCanvas canvas(&FHeaderBitmap);
    canvas.Font().Assign(FHeader->Font());

    const TTGHeaderOptions options = FHeader->Options();
    const bool ownerDrawOption = options.contains(hoOwnerDraw) && tree;
    const bool advancedOwnerDraw = ownerDrawOption && tree->OnHeaderDrawQueryElements && tree->OnAdvancedHeaderDraw;
    const bool ownerDraw = ownerDrawOption && tree->OnHeaderDraw && !advancedOwnerDraw;
    const bool themed = FHeader->TreeUseThemes();
    const bool rtl = FHeader->TreeUseRightToLeft();
    QStyle *style = QApplication::style();

    THeaderPaintInfo info;
    info.TargetCanvas = &canvas;

    // Button edges by header style.
    TEdgeStyle normal{BDR_RAISEDINNER, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_ADJUST};
    TEdgeStyle pressed{BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST};
    TEdgeStyle raised{BDR_RAISEDINNER, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_ADJUST};
    switch (FHeader->Style()) {
    case hsThickButtons:
        normal = {EDGE_RAISED, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_SOFT | BF_ADJUST};
        pressed = {EDGE_RAISED, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_SOFT | BF_ADJUST | BF_RIGHT | BF_FLAT};
        break;
    case hsFlatButtons:
        break;
    case hsPlates:
    case hsXPStyle:
        normal = {BDR_RAISEDINNER, BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST};
        break;
    }
    // A tree without bevels: every column has its right edge.
    normal.Flags |= BF_RIGHT;
    pressed.Flags |= BF_RIGHT;
    raised.Flags |= BF_RIGHT;

    QPalette palette = tree ? tree->palette() : QApplication::palette();

    // The background right of the last column.
    THeaderPaintElements elements;
    if (advancedOwnerDraw) {
        info.Column = nullptr;
        info.PaintRectangle = r;
        tree->DoHeaderDrawQueryElements(info, elements);
    }
    if (elements.contains(hpeBackground)) {
        tree->DoAdvancedHeaderDraw(info, {hpeBackground});
    } else if (themed) {
        const QStyleOptionHeader option = HeaderOption(r, palette, true);
        canvas.Brush().SetColor(FHeader->Background());
        canvas.FillRect(r);
        style->drawControl(QStyle::CE_HeaderEmptyArea, &option, canvas.Painter().get(), tree);
    } else if (FHeader->Style() == hsXPStyle) {
        DrawXPButton(canvas, r, false, false, false);
    } else {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(FHeader->Background());
        canvas.FillRect(r);
    }

    const std::vector<TTreeGridColumn *> visible = GetVisibleColumns();
    int x = r.left() + RightToLeftOffset();
    bool offsetApplied = false;
    // Scrolled columns pass under the fixed ones: they are cut off at the fixed columns' end.
    int fixedRight = x;
    for (size_t v = 0; v < visible.size(); ++v) {
        TTreeGridColumn *column = visible[v];
        const TColumnIndex index = column->Index();
        const TTGColumnOptions columnOptions = column->Options();
        if (!offsetApplied && !columnOptions.contains(coFixed)) {
            fixedRight = x;
            x += hOffset;
            offsetApplied = true;
        }
        const QRect cell = MakeRect(x, r.top(), x + column->Width(), RectBottom(r));
        x += column->Width();
        QRect clip = cell.intersected(r);
        if (offsetApplied && clip.left() < fixedRight)
            clip.setLeft(fixedRight);
        if (IsRectEmpty(clip))
            continue;
        canvas.SaveDC();
        canvas.IntersectClipRect(clip);

        const bool hover = index == FHoverIndex && options.contains(hoHotTrack) && columnOptions.contains(coEnabled);
        const bool down = index == FDownIndex;
        TTGDropMarkMode dropMark = dmmNone;
        if (columnOptions.contains(coShowDropMark) && index == FDropTarget && index != FDragIndex)
            dropMark = FDropBefore ? dmmLeft : dmmRight;
        const bool enabled = columnOptions.contains(coEnabled) && FHeader->TreeEnabled();
        const bool showHeaderGlyph = options.contains(hoShowImages)
            && (column->CheckBox() || (FHeader->Images() && column->ImageIndex() > -1));
        const bool showSortGlyph = index == FHeader->SortColumn() && options.contains(hoShowSortGlyphs);
        const bool ownerDrawn = column->Style() == vsOwnerDraw && ownerDraw;

        info.Column = column;
        info.PaintRectangle = cell;
        info.IsHoverIndex = hover;
        info.IsDownIndex = down;
        info.IsEnabled = enabled;
        info.ShowHeaderGlyph = showHeaderGlyph;
        info.ShowSortGlyph = showSortGlyph;
        info.ShowRightBorder = true;
        info.DropMark = dropMark;

        elements = {};
        if (!ownerDrawn) {
            if (advancedOwnerDraw)
                tree->DoHeaderDrawQueryElements(info, elements);
            if (elements.contains(hpeBackground)) {
                tree->DoAdvancedHeaderDraw(info, {hpeBackground});
            } else if (themed) {
                QStyleOptionHeader option = HeaderOption(cell, palette, enabled);
                option.section = index;
                option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
                if (hover)
                    option.state |= QStyle::State_MouseOver;
                if (visible.size() == 1)
                    option.position = QStyleOptionHeader::OnlyOneSection;
                else if (v == 0)
                    option.position = QStyleOptionHeader::Beginning;
                else if (v + 1 == visible.size())
                    option.position = QStyleOptionHeader::End;
                else
                    option.position = QStyleOptionHeader::Middle;
                style->drawControl(QStyle::CE_HeaderSection, &option, canvas.Painter().get(), tree);
            } else if (FHeader->Style() == hsXPStyle) {
                DrawXPButton(canvas, cell, true, down, hover);
            } else {
                TEdgeStyle edge = normal;
                if (down)
                    edge = pressed;
                else if (FHeader->Style() == hsPlates && hover && columnOptions.contains(coAllowClick) && enabled)
                    edge = raised;
                QRect button = cell;
                canvas.DrawEdge(button, edge.Edge, edge.Flags);
            }
        }

        if (ownerDrawn) {
            tree->DoHeaderDraw(canvas, column, cell, hover, down, dropMark);
        } else {
            const QRect content = cell.adjusted(2, 2, -2, -2);
            uint format = DT_TOP | DT_LEFT | DT_NOPREFIX;
            if (column->CaptionAlignment() == taRightJustify)
                format |= DT_RIGHT;
            else if (column->CaptionAlignment() == taCenter)
                format |= DT_CENTER;
            if (column->UseRightToLeftReading())
                format |= DT_RTLREADING;
            QPoint glyphPos, sortGlyphPos;
            QRect textBounds;
            column->ComputeHeaderLayout(canvas, content, showHeaderGlyph, showSortGlyph, glyphPos, sortGlyphPos,
                                        textBounds, format);
            if (down) {
                glyphPos += QPoint(1, 1);
                sortGlyphPos += QPoint(1, 1);
                textBounds.translate(1, 1);
            }
            info.TextRectangle = textBounds;
            info.GlyphPos = glyphPos;
            info.SortGlyphPos = sortGlyphPos;

            column->FHasImage = false;
            const QSize glyph = column->HeaderGlyphSize();
            const bool overlapsSort = showSortGlyph && !rtl && glyphPos.x() + glyph.width() > sortGlyphPos.x();
            if (showHeaderGlyph && !elements.contains(hpeHeaderGlyph) && !overlapsSort) {
                if (column->CheckBox()) {
                    if (TImageList *checks = FHeader->TreeCheckImages())
                        checks->Draw(canvas, glyphPos.x(), glyphPos.y(),
                                     FHeader->TreeGetCheckImage(column->CheckType(), column->CheckState(), enabled));
                } else {
                    FHeader->Images()->Draw(canvas, glyphPos.x(), glyphPos.y(), column->ImageIndex(), enabled);
                }
                column->FImageRect = QRect(glyphPos, glyph);
                column->FHasImage = true;
            }
            if (!column->Text().isEmpty() && !elements.contains(hpeText)) {
                const bool wrap = columnOptions.contains(coWrapCaption);
                DrawButtonText(canvas, wrap ? column->CaptionText() : column->Text(), textBounds, enabled,
                               hover && !themed, format, wrap);
            }
            TImageList *glyphs = UtilityImages();
            if (showSortGlyph && !elements.contains(hpeSortGlyph) && glyphs) {
                const bool ascending = FHeader->SortDirection() == sdAscending;
                const int glyphIndex = themed ? (ascending ? ThemedSortAscendingGlyph : ThemedSortDescendingGlyph)
                                              : (ascending ? SortAscendingGlyph : SortDescendingGlyph);
                glyphs->Draw(canvas, sortGlyphPos.x(), sortGlyphPos.y(), glyphIndex);
            }
            if (dropMark != dmmNone && !elements.contains(hpeDropMark) && glyphs) {
                const int y = cell.top() + (cell.height() - glyphs->Height()) / 2;
                if (dropMark == dmmLeft)
                    glyphs->Draw(canvas, cell.left(), y, DropMarkLeftGlyph);
                else
                    glyphs->Draw(canvas, RectRight(cell) - glyphs->Width(), y, DropMarkRightGlyph);
            }
            if (!elements.empty()) {
                canvas.SaveDC();
                tree->DoAdvancedHeaderDraw(info, elements);
                canvas.RestoreDC();
            }
        }
        canvas.RestoreDC();
    }
    dc.CopyRect(r, canvas, r);
}
