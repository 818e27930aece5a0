#include "treegrid/BaseTreeGrid.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "Canvas.h"
#include "ImageList.h"
#include "treegrid/AlphaBlend.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"

// Everything a cell shows besides its text: background and selection, the focus rectangle,
// tree lines, expand buttons, check and other images, the drop mark, the rubber band and the
// background picture.

namespace {

constexpr TMonoPattern DottedPattern{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
constexpr TMonoPattern SolidPattern{};

// Fills with the tree's dotted pattern: set bits show the background, clear bits the text colour.
// The pattern stays anchored to the picture's pixels at the brush origin.
void FillPattern(TCanvas &canvas, const QRect &r, const TMonoPattern &pattern, TColor background)
{
    canvas.SetBkColor(background);
    canvas.SetTextColor(canvas.Font().Color());
    QImage *image = canvas.Image();
    if (image && (r.width() == 1 || r.height() == 1) && pattern != SolidPattern) {
        // Lines are the common case: set their pixels directly instead of filling with a brush.
        const QRect area = canvas.ClipRect().intersected(r);
        if (area.isEmpty())
            return;
        const QRgb fore = ToQRgb(canvas.Font().Color());
        const QRgb back = ToQRgb(background);
        const QPoint origin = canvas.WindowOrg();
        const QPoint brush = canvas.BrushOrg();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const int deviceY = y - origin.y();
            auto *line = reinterpret_cast<QRgb *>(image->scanLine(deviceY));
            const std::uint8_t bits = pattern[std::size_t((deviceY - brush.y()) & 7)];
            for (int x = area.left(); x <= area.right(); ++x) {
                const int deviceX = x - origin.x();
                line[deviceX] = (bits & (0x80 >> ((deviceX - brush.x()) & 7))) ? back : fore;
            }
        }
        return;
    }
    if (pattern == SolidPattern) {
        // Nothing to alternate: one solid fill in the line colour.
        const TColor brushColor = canvas.Brush().Color();
        canvas.Brush().SetColor(canvas.Font().Color());
        canvas.FillRect(r);
        canvas.Brush().SetColor(brushColor);
        return;
    }
    TBrush saved;
    saved.Assign(canvas.Brush());
    canvas.Brush().SetMonoPattern(pattern);
    canvas.FillRect(r);
    canvas.Brush().Assign(saved);
}

} // namespace

// ---- background, selection and focus of one cell

void TBaseTreeGrid::PrepareCell(TTGPaintInfo &paintInfo, int windowOrgX, int maxWidth)
{
    TCanvas &canvas = *paintInfo.Canvas;
    PGridNode node = paintInfo.Node;
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    const bool gridExtensions = FOptions->MiscOptions().contains(toGridExtensions);
    const bool fullRow = selection.contains(toFullRowSelect);

    if (paintInfo.PaintOptions.contains(poColumnColor)) {
        canvas.Brush().SetColor(Header()->Columns()->Items(paintInfo.Column)->Color());
        canvas.FillRect(paintInfo.CellRect);
    }
    DoBeforeCellPaint(canvas, node, paintInfo.Column, cpmPaint, paintInfo.CellRect, paintInfo.ContentRect);

    // The part the content takes: the node's width placed by the alignment.
    QRect inner = paintInfo.ContentRect;
    if (!gridExtensions && inner.width() > paintInfo.NodeWidth)
        inner = AlignSpan(inner, paintInfo.NodeWidth, paintInfo.Alignment);

    auto fillSelection = [&](TColor fill, TColor border) {
        canvas.Brush().SetColor(fill);
        canvas.Pen().SetColor(border);
        if (gridExtensions || fullRow)
            inner = paintInfo.CellRect;
        if (IsRectEmpty(inner))
            return;
        if (FOptions->PaintOptions().contains(toUseBlendedSelection)) {
            // The blend works in bitmap pixels: leave the window origin out.
            QRect r = inner.translated(-windowOrgX, 0);
            r.setLeft(std::max(r.left(), 0));
            SetRectRight(r, std::min(RectRight(r), maxWidth));
            r = r.intersected(QRect(0, 0, canvas.Width(), canvas.Height()));
            if (!r.isEmpty())
                AlphaBlend(nullptr, &canvas, r, QPoint(0, 0), bmConstantAlphaAndColor, FSelectionBlendFactor,
                           ColorToRGB(fill));
        } else if (FSelectionCurveRadius > 0) {
            canvas.RoundRect(inner, FSelectionCurveRadius, FSelectionCurveRadius);
        } else {
            canvas.Rectangle(inner);
        }
    };

    if ((paintInfo.Column == FFocusedColumn || fullRow) && paintInfo.PaintOptions.contains(poDrawSelection)) {
        if (node == FDropTargetNode) {
            if (FLastDropMode == dmOnNode || node->States.contains(vsSelected))
                fillSelection(FColors->Color(TTGColors::DropTargetColor), FColors->Color(TTGColors::DropTargetBorderColor));
            else
                canvas.Brush().SetStyle(bsClear);
        } else if (node->States.contains(vsSelected)) {
            const bool focused = IsFocusedForPaint();
            fillSelection(FColors->Color(focused ? TTGColors::FocusedSelectionColor : TTGColors::UnfocusedSelectionColor),
                          FColors->Color(focused ? TTGColors::FocusedSelectionBorderColor
                                                 : TTGColors::UnfocusedSelectionBorderColor));
        }
    }

    if (paintInfo.PaintOptions.contains(poDrawFocusRect) && IsFocusedForPaint() && node == FFocusedNode
        && paintInfo.Column == FFocusedColumn) {
        const TColor text = canvas.TextColor();
        const TColor back = canvas.BkColor();
        canvas.SetTextColor(clWhite);
        canvas.SetBkColor(clBlack);
        canvas.DrawFocusRect(gridExtensions ? paintInfo.CellRect : inner);
        canvas.SetTextColor(text);
        canvas.SetBkColor(back);
    }
}

// ---- tree lines

int TBaseTreeGrid::DetermineLineImageAndSelectLevel(PGridNode node, std::vector<TTGLineType> &lineImage)
{
    const TTGPaintOptions paint = FOptions->PaintOptions();
    int levels = paint.contains(toShowRoot) ? 1 : 0;
    int selectLevel = 0;
    for (PGridNode run = node; run->Parent != FRoot; ) {
        ++levels;
        run = run->Parent;
        if (run->States.contains(vsSelected))
            ++selectLevel;
    }
    lineImage.assign(std::size_t(levels), ltNone);
    if (!paint.contains(toShowTreeLines) || (paint.contains(toHideTreeLinesIfThemed) && FStates.contains(tsUseThemes))
        || levels == 0)
        return selectLevel;

    const bool topLevel = node->Parent == FRoot;
    const int last = levels - 1;
    if (paint.contains(toChildrenAbove)) {
        const bool previous = HasVisiblePreviousSibling(node);
        if (topLevel && !HasVisibleNextSibling(node))
            lineImage[std::size_t(last)] = previous ? ltTopRight : ltRight;
        else
            lineImage[std::size_t(last)] = previous ? ltTopDownRight : ltBottomRight;
        int index = last - 1;
        for (PGridNode run = node->Parent; run != FRoot && index >= 0; run = run->Parent, --index)
            if (HasVisiblePreviousSibling(run))
                lineImage[std::size_t(index)] = ltTopDown;
        return selectLevel;
    }

    if (!topLevel) {
        lineImage[std::size_t(last)] = HasVisibleNextSibling(node) ? ltTopDownRight : ltTopRight;
        int index = last - 1;
        for (PGridNode run = node->Parent; run->Parent != FRoot && index >= 0; run = run->Parent, --index)
            lineImage[std::size_t(index)] = HasVisibleNextSibling(run) ? ltTopDown : ltNone;
    }
    if (paint.contains(toShowRoot)) {
        if (!topLevel) {
            PGridNode top = node;
            while (top->Parent != FRoot)
                top = top->Parent;
            lineImage[0] = HasVisibleNextSibling(top) ? ltTopDown : ltNone;
        } else {
            const bool first = GetFirstVisibleChildNoInit(FRoot) == node;
            const bool lastChild = GetLastVisibleChildNoInit(FRoot) == node;
            if (first && lastChild)
                lineImage[0] = ltRight;
            else if (first)
                lineImage[0] = ltBottomRight;
            else if (lastChild)
                lineImage[0] = ltTopRight;
            else
                lineImage[0] = ltTopDownRight;
        }
    }
    return selectLevel;
}

void TBaseTreeGrid::PaintTreeLines(const TTGPaintInfo &paintInfo, int vAlignment, int indentSize,
                                   const std::vector<TTGLineType> &lineImage)
{
    TCanvas &canvas = *paintInfo.Canvas;
    const bool rtl = paintInfo.BidiMode != bdLeftToRight;
    const int step = rtl ? -int(FIndent) : int(FIndent);
    const int startX = rtl ? RectRight(paintInfo.CellRect) - int(FIndent) : paintInfo.CellRect.left();
    const int height = paintInfo.Node->NodeHeight;
    const int top = paintInfo.CellRect.top();
    const int count = std::min(indentSize, int(lineImage.size()));

    if (FLineMode == lmNormal) {
        canvas.Font().SetColor(FColors->Color(TTGColors::TreeLineColor));
        for (int i = 0, x = startX; i < count; ++i, x += step)
            DrawLineImage(paintInfo, x, top, height, vAlignment, lineImage[std::size_t(i)], rtl);
        return;
    }
    if (!paintInfo.PaintOptions.contains(poGridLines))
        return;
    // Bands: each level becomes a vertical band edge, closed at the bottom where a branch ends.
    std::vector<TTGLineType> bands(std::size_t(count), ltNone);
    const bool open = paintInfo.Node->States.contains(vsExpanded)
                      && !paintInfo.Node->States.contains(vsAllChildrenHidden);
    for (int i = count - 1; i >= 0; --i) {
        const TTGLineType original = lineImage[std::size_t(i)];
        if (open) {
            bands[std::size_t(i)] = ltLeft;
        } else if (original == ltRight || original == ltBottomRight || original == ltTopDownRight
                   || original == ltTopRight) {
            bands[std::size_t(i)] = ltLeftBottom;
        } else if (original == ltNone || original == ltTopDown) {
            const bool hasRight = i + 1 < count;
            const TTGLineType right = hasRight ? lineImage[std::size_t(i + 1)] : ltNone;
            bands[std::size_t(i)] = hasRight && (right == ltNone || right == ltTopRight) ? bands[std::size_t(i + 1)] : ltLeft;
        }
    }
    canvas.Font().SetColor(FColors->Color(TTGColors::GridLineColor));
    for (int i = 0, x = startX; i < count; ++i, x += step)
        DrawLineImage(paintInfo, x, top, height - 1, vAlignment, bands[std::size_t(i)], rtl);
}

void TBaseTreeGrid::DrawLineImage(const TTGPaintInfo &paintInfo, int x, int y, int h, int vAlign, TTGLineType style,
                                  bool reverse)
{
    const int half = int(FIndent) / 2;
    const int target = reverse ? x : x + int(FIndent);
    const int middle = x + half;
    switch (style) {
    case ltBottomRight:
        DrawDottedVLine(paintInfo, y + vAlign, y + h, middle);
        DrawDottedHLine(paintInfo, middle, target, y + vAlign);
        break;
    case ltTopDown:
        DrawDottedVLine(paintInfo, y, y + h, middle);
        break;
    case ltTopDownRight:
        DrawDottedVLine(paintInfo, y, y + h, middle);
        DrawDottedHLine(paintInfo, middle, target, y + vAlign);
        break;
    case ltRight:
        DrawDottedHLine(paintInfo, middle, target, y + vAlign);
        break;
    case ltTopRight:
        DrawDottedVLine(paintInfo, y, y + vAlign, middle);
        DrawDottedHLine(paintInfo, middle, target, y + vAlign);
        break;
    case ltLeft:
        DrawDottedVLine(paintInfo, y, y + h, reverse ? x + int(FIndent) : x);
        break;
    case ltLeftBottom:
        DrawDottedVLine(paintInfo, y, y + h, reverse ? x + int(FIndent) : x);
        DrawDottedHLine(paintInfo, x, x + int(FIndent), y + h);
        break;
    default:
        break;
    }
}

void TBaseTreeGrid::DrawDottedHLine(const TTGPaintInfo &paintInfo, int left, int right, int top)
{
    const QRect r = MakeRect(std::min(left, right), top, std::max(left, right) + 1, top + 1);
    FillPattern(*paintInfo.Canvas, r, FDottedPattern, FColor);
}

void TBaseTreeGrid::DrawDottedVLine(const TTGPaintInfo &paintInfo, int top, int bottom, int left)
{
    const QRect r = MakeRect(left, std::min(top, bottom), left + 1, std::max(top, bottom) + 1);
    FillPattern(*paintInfo.Canvas, r, FDottedPattern, FColor);
}

// ---- expand buttons and the line pattern

void TBaseTreeGrid::PrepareBitmaps(bool needButtons, bool needLines)
{
    constexpr int size = 9;
    if (needButtons) {
        const bool themed = FStates.contains(tsUseThemes);
        auto make = [&](bool open) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            if (FButtonFillMode == fmTransparent || themed)
                image.fill(Qt::transparent);
            else if (FButtonFillMode == fmWindowColor)
                image.fill(ToQColor(clWindow));
            else
                image.fill(ToQColor(FColor));
            QPainter painter(&image);
            if (themed) {
                QStyleOption option;
                option.initFrom(this);
                option.rect = QRect(0, 0, size, size);
                option.state = QStyle::State_Children | QStyle::State_Enabled
                               | (open ? QStyle::State_Open : QStyle::State_None);
                style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, this);
                return image;
            }
            const QColor lineColor = ToQColor(FColors->Color(TTGColors::TreeLineColor));
            const QColor markColor = ToQColor(clWindowText);
            if (FButtonStyle == bsTriangle) {
                painter.setPen(Qt::black);
                painter.setBrush(Qt::black);
                const QPolygon triangle = open ? QPolygon({QPoint(0, 2), QPoint(8, 2), QPoint(4, 6)})
                                               : QPolygon({QPoint(2, 0), QPoint(6, 4), QPoint(2, 8)});
                painter.drawPolygon(triangle);
                return image;
            }
            // Frame, minus line, and for the closed state the plus line.
            painter.fillRect(QRect(0, 0, size, 1), lineColor);
            painter.fillRect(QRect(0, size - 1, size, 1), lineColor);
            painter.fillRect(QRect(0, 0, 1, size), lineColor);
            painter.fillRect(QRect(size - 1, 0, 1, size), lineColor);
            painter.fillRect(QRect(2, size / 2, size - 4, 1), markColor);
            if (!open)
                painter.fillRect(QRect(size / 2, 2, 1, size - 4), markColor);
            return image;
        };
        FMinusBM = make(true);
        FPlusBM = make(false);
        FHotMinusBM = FMinusBM;
        FHotPlusBM = FPlusBM;
    }
    if (needLines) {
        switch (FLineStyle) {
        case lsSolid:
            FDottedPattern = SolidPattern;
            break;
        case lsCustomStyle:
            if (const TMonoPattern *bits = DoGetLineStyle()) {
                FDottedPattern = *bits;
                break;
            }
            [[fallthrough]];
        default:
            FDottedPattern = DottedPattern;
            break;
        }
    }
}

void TBaseTreeGrid::PaintNodeButton(TCanvas &canvas, PGridNode node, TColumnIndex column, const QRect &r, int buttonX,
                                    int buttonY, TColumnBiDiMode bidiMode)
{
    Q_UNUSED(column);
    const bool hot = FOptions->PaintOptions().contains(toHotTrack) && node == FCurrentHotNode && FHotNodeButtonHit;
    const bool expanded = node->States.contains(vsExpanded);
    const QImage &bitmap = hot ? (expanded ? FHotMinusBM : FHotPlusBM) : (expanded ? FMinusBM : FPlusBM);
    const int x = bidiMode == bdLeftToRight ? r.left() + buttonX : RectRight(r) - buttonX - bitmap.width();
    canvas.Draw(x, r.top() + buttonY, bitmap);
}

// ---- check images and other images

int TBaseTreeGrid::GetCheckImage(PGridNode node, TCheckType imgCheckType, TCheckState imgCheckState, bool imgEnabled)
{
    bool hot = false;
    if (node) {
        imgCheckType = node->CheckType;
        imgCheckState = node->CheckState;
        imgEnabled = !node->States.contains(vsDisabled) && isEnabled();
        hot = node == FCurrentHotNode;
    }
    if (imgCheckType == TCheckType::ctNone)
        return -1;
    const bool mixed = imgCheckState == csMixedNormal || imgCheckState == csMixedPressed;
    const bool checked = imgCheckState == csCheckedNormal || imgCheckState == csCheckedPressed;
    const bool pressed = imgCheckState == csUncheckedPressed || imgCheckState == csCheckedPressed
                         || imgCheckState == csMixedPressed;
    int base = 0;
    if (mixed)
        base = 17;
    else if (imgCheckType == TCheckType::ctRadioButton)
        base = checked ? 5 : 1;
    else if (imgCheckType == TCheckType::ctButton)
        base = 21;
    else
        base = checked ? 13 : 9;
    // Each group holds normal, hot, pressed and disabled.
    if (!imgEnabled)
        return base + 3;
    if (pressed)
        return base + 2;
    return hot ? base + 1 : base;
}

TImageList *TBaseTreeGrid::GetCheckImageListFor(TTGCheckImageKind kind)
{
    switch (kind) {
    case ckLightCheck: return LightCheckImages();
    case ckDarkCheck: return DarkCheckImages();
    case ckLightTick: return LightTickImages();
    case ckDarkTick: return DarkTickImages();
    case ckFlat: return FlatImages();
    case ckXP: return XPImages();
    case ckSystemFlat: return SystemFlatCheckImages();
    case ckSystemDefault: return SystemCheckImages();
    default: return nullptr;
    }
}

void TBaseTreeGrid::PaintCheckImage(TTGPaintInfo &paintInfo)
{
    const TTGImageInfo &info = paintInfo.ImageInfo[iiCheck];
    if (!FCheckImages || info.Index < 0)
        return;
    // The system set is drawn by the style already; every list draws the same way.
    FCheckImages->DrawEx(*paintInfo.Canvas, info.XPos, info.YPos, info.Index, ILD_TRANSPARENT, clNone, clNone, true);
}

void TBaseTreeGrid::GetImageIndex(TTGPaintInfo &info, TTGImageKind kind, TTGImageInfoIndex infoIndex,
                                  TImageList *defaultImages)
{
    TTGImageInfo &entry = info.ImageInfo[infoIndex];
    entry.Index = -1;
    entry.Ghosted = false;
    TImageList *list = DoGetImageIndex(info.Node, kind, info.Column, entry.Ghosted, entry.Index);
    entry.Images = list ? list : defaultImages;
}

bool TBaseTreeGrid::HasImage(PGridNode node, TTGImageKind kind, TColumnIndex column)
{
    bool ghosted = false;
    int index = -1;
    DoGetImageIndex(node, kind, column, ghosted, index);
    return index > -1;
}

void TBaseTreeGrid::AdjustImageBorder(TImageList *images, TColumnBiDiMode bidiMode, int vAlign, QRect &contentRect,
                                      TTGImageInfo &imageInfo)
{
    const int width = images ? images->Width() : 0;
    const int height = images ? images->Height() : 0;
    if (bidiMode == bdLeftToRight) {
        imageInfo.XPos = contentRect.left();
        contentRect.setLeft(contentRect.left() + width + 2);
    } else {
        imageInfo.XPos = RectRight(contentRect) - width;
        SetRectRight(contentRect, RectRight(contentRect) - width - 2);
    }
    imageInfo.YPos = contentRect.top() + vAlign - height / 2;
}

void TBaseTreeGrid::PaintImage(TTGPaintInfo &paintInfo, TTGImageInfoIndex imageInfoIndex, bool doOverlay)
{
    const TTGImageInfo &info = paintInfo.ImageInfo[imageInfoIndex];
    if (!info.Images || info.Index < 0)
        return;
    PGridNode node = paintInfo.Node;
    const TTGPaintOptions paint = FOptions->PaintOptions();
    const bool cut = node->States.contains(vsCutOrCopy) && FStates.contains(tsCutPending);
    const bool focusedPaint = hasFocus() || paint.contains(toGhostedIfUnfocused);
    const bool selected = node->States.contains(vsSelected);
    const bool enabled = !node->States.contains(vsDisabled) && isEnabled();

    int overlay = -1;
    TImageList *overlayList = info.Images;
    if (doOverlay) {
        TTGImageInfo &entry = paintInfo.ImageInfo[iiOverlay];
        GetImageIndex(paintInfo, ikOverlay, iiOverlay, info.Images);
        overlay = entry.Index;
        overlayList = entry.Images;
    }
    uint style = ILD_TRANSPARENT;
    if (overlay >= 0 && overlay <= 14)
        style |= IndexToOverlayMask(overlay + 1);
    if (paint.contains(toUseBlendedImages) && focusedPaint
        && (info.Ghosted || (selected && !FOptions->SelectionOptions().contains(toFullRowSelect)
                             && !FOptions->MiscOptions().contains(toGridExtensions))
            || cut))
        style |= ILD_BLEND50;
    const TColor blend = selected && !info.Ghosted ? clDefault : FColor;
    info.Images->DrawEx(*paintInfo.Canvas, info.XPos, info.YPos, info.Index, style, clNone, blend, enabled);
    if (overlay >= 15 && overlayList)
        overlayList->DrawEx(*paintInfo.Canvas, info.XPos, info.YPos, overlay, style, clNone, blend, enabled);
}

// ---- drop mark and rubber band

void TBaseTreeGrid::DoPaintDropMark(TCanvas &canvas, PGridNode node, const QRect &r)
{
    Q_UNUSED(node);
    if (FLastDropMode != dmAbove && FLastDropMode != dmBelow)
        return;
    const TPenStyle penStyle = canvas.Pen().Style();
    const TColor brushColor = canvas.Brush().Color();
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetColor(FColors->Color(TTGColors::DropMarkColor));
    const int l = r.left(), t = r.top(), rr = RectRight(r), b = RectBottom(r);
    if (FLastDropMode == dmAbove)
        canvas.Polygon(QPolygon({QPoint(l + 2, t), QPoint(rr - 2, t), QPoint(rr - 2, t + 6), QPoint(rr - 6, t + 2),
                                 QPoint(l + 6, t + 2), QPoint(l + 2, t + 6)}));
    else
        canvas.Polygon(QPolygon({QPoint(l + 2, b - 1), QPoint(rr - 2, b - 1), QPoint(rr - 2, b - 8),
                                 QPoint(rr - 7, b - 3), QPoint(l + 7, b - 3), QPoint(l + 2, b - 8)}));
    canvas.Pen().SetStyle(penStyle);
    canvas.Brush().SetColor(brushColor);
}

void TBaseTreeGrid::PaintSelectionRectangle(TCanvas &target, int windowOrgX, const QRect &selectionRect,
                                            const QRect &targetRect)
{
    if (FDrawSelectionMode == smBlendedRectangle || FStates.contains(tsUseThemes)) {
        const QRect logicalTarget = targetRect.translated(windowOrgX, 0);
        const QRect inter = selectionRect.intersected(logicalTarget);
        if (IsRectEmpty(inter))
            return;
        const QRect device = inter.translated(-windowOrgX, 0).intersected(QRect(0, 0, target.Width(), target.Height()));
        if (!device.isEmpty())
            AlphaBlend(nullptr, &target, device, QPoint(0, 0), bmConstantAlphaAndColor, FSelectionBlendFactor,
                       ColorToRGB(FColors->Color(TTGColors::SelectionRectangleBlendColor)));
        const TColor brushColor = target.Brush().Color();
        target.Brush().SetColor(FColors->Color(TTGColors::SelectionRectangleBorderColor));
        target.FrameRect(selectionRect);
        target.Brush().SetColor(brushColor);
        return;
    }
    const TColor text = target.TextColor();
    const TColor back = target.BkColor();
    target.SetTextColor(clWhite);
    target.SetBkColor(clBlack);
    target.DrawFocusRect(selectionRect);
    target.SetTextColor(text);
    target.SetBkColor(back);
}

// ---- background picture

void TBaseTreeGrid::TileBackground(const QImage &source, TCanvas &target, QPoint offset, const QRect &r)
{
    const int width = source.width();
    const int height = source.height();
    if (width <= 0 || height <= 0 || IsRectEmpty(r))
        return;
    const TCanvasPainter painter = target.Painter();
    if (!painter)
        return;
    int sourceY = (r.top() + offset.y() + FBackgroundOffsetY) % height;
    if (sourceY < 0)
        sourceY += height;
    for (int y = r.top(); y < RectBottom(r);) {
        const int pieceHeight = std::min(RectBottom(r) - y, height - sourceY);
        int sourceX = (r.left() + offset.x() + FBackgroundOffsetX) % width;
        if (sourceX < 0)
            sourceX += width;
        for (int x = r.left(); x < RectRight(r);) {
            const int pieceWidth = std::min(RectRight(r) - x, width - sourceX);
            painter->drawImage(QRect(x, y, pieceWidth, pieceHeight), source,
                               QRect(sourceX, sourceY, pieceWidth, pieceHeight));
            x += pieceWidth;
            sourceX = 0;
        }
        y += pieceHeight;
        sourceY = 0;
    }
}

void TBaseTreeGrid::StaticBackground(const QImage &source, TCanvas &target, QPoint offset, const QRect &r)
{
    target.Brush().SetColor(FColor);
    target.FillRect(r);
    if (source.isNull())
        return;
    // The picture stands still in the window, whatever is scrolled.
    const QRect picture(FBackgroundOffsetX, FBackgroundOffsetY, source.width(), source.height());
    const QRect inter = picture.intersected(r.translated(offset));
    if (inter.isEmpty())
        return;
    if (const TCanvasPainter painter = target.Painter())
        painter->drawImage(inter.translated(-offset), source, inter.translated(-picture.topLeft()));
}

// ---- property setters that repaint

void TBaseTreeGrid::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    if (!FLoading)
        PrepareBitmaps(true, false);
    Invalidate();
}

void TBaseTreeGrid::SetLineMode(TTGLineMode value)
{
    if (FLineMode == value)
        return;
    FLineMode = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetDrawSelectionMode(TTGDrawSelectionMode value)
{
    if (FDrawSelectionMode == value)
        return;
    FDrawSelectionMode = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetSelectionCurveRadius(int value)
{
    value = std::max(value, 0);
    if (FSelectionCurveRadius == value)
        return;
    FSelectionCurveRadius = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::TImageListLink::Set(TImageList *list, std::function<void()> onChange)
{
    if (List)
        List->RemoveChangeLink(Id);
    List = list;
    Id = list ? list->AddChangeLink(std::move(onChange)) : 0;
}

void TBaseTreeGrid::ImageListChange()
{
    if (!FDestroying)
        Invalidate();
}

void TBaseTreeGrid::SetImages(TImageList *value)
{
    if (FImages == value)
        return;
    FImages = value;
    FImagesLink.Set(value, [this] { ImageListChange(); });
    Invalidate();
}

void TBaseTreeGrid::SetStateImages(TImageList *value)
{
    if (FStateImages == value)
        return;
    FStateImages = value;
    FStateImagesLink.Set(value, [this] { ImageListChange(); });
    Invalidate();
}

void TBaseTreeGrid::SetCustomCheckImages(TImageList *value)
{
    if (FCustomCheckImages == value)
        return;
    if (FCheckImages == FCustomCheckImages)
        FCheckImages = nullptr;
    FCustomCheckImages = value;
    FCustomCheckImagesLink.Set(value, [this] { ImageListChange(); });
    if (FCheckImageKind == ckCustom)
        FCheckImages = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetBackground(const QImage &value)
{
    FBackground = value;
    Invalidate();
}

void TBaseTreeGrid::SetBackgroundOffset(int index, int value)
{
    int &offset = index == 0 ? FBackgroundOffsetX : FBackgroundOffsetY;
    if (offset == value)
        return;
    offset = value;
    Invalidate();
}
