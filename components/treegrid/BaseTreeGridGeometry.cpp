#include "treegrid/BaseTreeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "Canvas.h"
#include "ImageList.h"
#include "treegrid/TreeGridHeader.h"

// Positions of rows and cells: finding the node at a pixel, the pixel rectangle of a node's cell,
// hit testing inside a cell, and the widths the scroll range and auto-fit are made of.

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c)
{
    const std::int64_t product = std::int64_t(a) * b;
    const std::int64_t half = std::abs(std::int64_t(c)) / 2;
    const std::int64_t rounded = (product < 0) != (c < 0) ? product - half : product + half;
    return int(rounded / c);
}

} // namespace

int TBaseTreeGrid::ClientWidth() const
{
    return viewport()->width();
}

int TBaseTreeGrid::ClientHeight() const
{
    return viewport()->height();
}

bool TBaseTreeGrid::UseColumns()
{
    TTreeGridHeader *header = Header();
    return header && header->UseColumns();
}

TColumnIndex TBaseTreeGrid::MainColumn()
{
    return UseColumns() ? Header()->MainColumn() : NoColumn;
}

TColumnAlignment TBaseTreeGrid::TreeAlignment() const
{
    if (FAlignment & Qt::AlignRight)
        return taRightJustify;
    if (FAlignment & Qt::AlignHCenter)
        return taCenter;
    return taLeftJustify;
}

int TBaseTreeGrid::CheckImageSize() const
{
    return FCheckImages ? FCheckImages->Width() : 16;
}

int TBaseTreeGrid::ImageWidth(TImageList *images) const
{
    return images ? images->Width() : 0;
}

int TBaseTreeGrid::IndentOf(PGridNode node, bool countRoot)
{
    const TTGPaintOptions paint = FOptions->PaintOptions();
    if (paint.contains(toFixedIndent))
        return int(FIndent);
    int levels = int(GetNodeLevel(node));
    if (countRoot && paint.contains(toShowRoot))
        ++levels;
    return levels * int(FIndent);
}

int TBaseTreeGrid::ContentOffset(PGridNode node, TColumnIndex column, bool mainColumn)
{
    int offset = FMargin;
    if (mainColumn) {
        offset += IndentOf(node, true);
        if (FOptions->MiscOptions().contains(toCheckSupport) && node->CheckType != TCheckType::ctNone)
            offset += CheckImageSize() + 2;
    }
    if (FStateImages && HasImage(node, ikState, column))
        offset += FStateImages->Width() + 2;
    if (FImages && HasImage(node, ikNormal, column))
        offset += FImages->Width() + 2;
    return offset;
}

// ---- rows and positions

PGridNode TBaseTreeGrid::GetNodeAt(int x, int y)
{
    int dummy = 0;
    return GetNodeAt(x, y, true, dummy);
}

PGridNode TBaseTreeGrid::GetNodeAt(int x, int y, bool relative, int &nodeTop)
{
    Q_UNUSED(x);
    std::int64_t position = std::max(y, 0);
    if (relative)
        position -= FOffsetY;

    PGridNode node = nullptr;
    std::int64_t top = 0;
    ValidateCacheNow();
    if (FStates.contains(tsUseCache) && !FPositionCache.empty()) {
        // The greatest start entry not below the position; the bottom-holding tail never starts.
        auto end = FPositionCache.end();
        if (FPositionCache.back().HoldsBottom)
            --end;
        auto it = std::upper_bound(FPositionCache.begin(), end, position,
                                   [](std::int64_t value, const TCacheEntry &entry) { return value < entry.AbsoluteTop; });
        if (it != FPositionCache.begin()) {
            --it;
            node = it->Node;
            top = it->AbsoluteTop;
        }
    }
    if (!node)
        node = GetFirstVisibleNoInit(nullptr, true);

    while (node) {
        const std::int64_t height = node->NodeHeight;
        if (position < top + height)
            break;
        top += height;
        node = NextRow(node, true, false);
    }
    if (relative)
        top += FOffsetY;
    nodeTop = int(std::clamp<std::int64_t>(top, INT32_MIN, INT32_MAX));
    return node;
}

std::int64_t TBaseTreeGrid::GetNodeTop(PGridNode node)
{
    if (!node || node == FRoot)
        return 0;
    if (node == FLastTop.Node)
        return FLastTop.AbsoluteTop;
    // The start: the greatest cache entry not after the node in row order, or the row found
    // last when that lies between it and the node (so that a run over the rows in order takes
    // one step each).
    PGridNode start = nullptr;
    std::int64_t top = 0;
    ValidateCacheNow();
    if (FStates.contains(tsUseCache) && !FPositionCache.empty()) {
        std::size_t count = FPositionCache.size();
        if (FPositionCache.back().HoldsBottom)
            --count;
        std::size_t low = 0, high = count;
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (CompareNodePositions(FPositionCache[middle].Node, node, true) <= 0)
                low = middle + 1;
            else
                high = middle;
        }
        if (low > 0) {
            start = FPositionCache[low - 1].Node;
            top = FPositionCache[low - 1].AbsoluteTop;
        }
    }
    if (FLastTop.Node && CompareNodePositions(FLastTop.Node, node, true) < 0
        && (!start || CompareNodePositions(start, FLastTop.Node, true) < 0)) {
        start = FLastTop.Node;
        top = FLastTop.AbsoluteTop;
    }
    if (start) {
        for (PGridNode run = start; run && run != node; run = NextRow(run, true, false))
            top += run->NodeHeight;
    } else {
        for (PGridNode run = GetPreviousVisibleNoInit(node, true); run; run = GetPreviousVisibleNoInit(run, true))
            top += run->NodeHeight;
    }
    if (IsRowVisible(node))
        FLastTop = TCacheEntry{node, top, false};
    return top;
}

PGridNode TBaseTreeGrid::TopNode()
{
    return GetNodeAt(0, 0);
}

PGridNode TBaseTreeGrid::BottomNode()
{
    return GetNodeAt(0, ClientHeight() - 1);
}

// ---- display rectangles

QRect TBaseTreeGrid::GetDisplayRect(PGridNode node, TColumnIndex column, bool textOnly, bool unclipped,
                                    bool applyCellContentMargin)
{
    TGAssert(node && node != FRoot, "Node must not be nil or the root.");
    if (!node->States.contains(vsInitialized))
        InitNode(node);
    if (!IsRowVisible(node))
        return QRect();

    TTreeGridHeader *header = Header();
    const bool useColumns = UseColumns();
    if (!useColumns)
        column = NoColumn;
    const bool mainColumn = column == NoColumn || (header && column == header->MainColumn());

    const std::int64_t top = GetNodeTop(node) + FOffsetY;
    const int height = node->NodeHeight;
    const int rowTop = int(std::clamp<std::int64_t>(top, INT32_MIN + 1, INT32_MAX - height));
    int left = 0;
    int right = int(std::max<std::int64_t>(FRangeX, ClientWidth()));
    if (column >= 0) {
        header->Columns()->GetColumnBounds(column, left, right);
        --right; // the right border of a column is not part of its cells
    } else {
        left -= int(FEffectiveOffsetX);
        right -= int(FEffectiveOffsetX);
    }
    QRect result = MakeRect(left, rowTop, right, rowTop + height);
    if (!textOnly)
        return result;

    // Alignment and reading direction of the cell.
    TColumnAlignment alignment = TreeAlignment();
    bool rtl = UseRightToLeftReading();
    if (column >= 0) {
        const TTreeGridColumn *item = header->Columns()->Items(column);
        alignment = item->Alignment();
        rtl = item->UseRightToLeftReading();
    }
    const int offset = ContentOffset(node, column, mainColumn);
    if (rtl) {
        SetRectRight(result, RectRight(result) - offset);
        if (alignment == taLeftJustify)
            alignment = taRightJustify;
        else if (alignment == taRightJustify)
            alignment = taLeftJustify;
    } else {
        result.setLeft(result.left() + offset);
    }
    const int textWidth = DoGetNodeWidth(node, column);

    if (applyCellContentMargin) {
        const QPoint topLeft = DoGetCellContentMargin(node, column, ccmtTopLeftOnly);
        const QPoint bottomRight = DoGetCellContentMargin(node, column, ccmtBottomRightOnly);
        result = MakeRect(result.left() + topLeft.x(), result.top() + topLeft.y(),
                          RectRight(result) - bottomRight.x(), RectBottom(result) - bottomRight.y());
    }

    if (!unclipped)
        return textWidth < result.width() ? AlignSpan(result, textWidth, alignment) : result;

    // Unclipped: a too wide text starts at the reading start, and the rectangle takes the
    // font's text height.
    if (textWidth > result.width() + 1)
        alignment = rtl ? taRightJustify : taLeftJustify;
    // Centred as a single line of text is painted: an odd pixel left over goes below.
    const int textHeight = std::min(QFontMetrics(font()).height(), height);
    const int textTop = result.top() + (result.height() - textHeight) / 2;
    result = MakeRect(result.left(), textTop, RectRight(result), textTop + textHeight);
    return AlignSpan(result, textWidth, alignment);
}

QPoint TBaseTreeGrid::DoGetCellContentMargin(PGridNode node, TColumnIndex column,
                                             TTGCellContentMarginType marginType, TCanvas *canvas)
{
    if (!OnBeforeCellPaint)
        return QPoint(0, 0);
    // A scratch canvas, only when the caller has none: whatever the handler paints lands
    // nowhere. Making one per call costs a painter each time.
    std::optional<TCanvas> scratch;
    if (!canvas)
        canvas = &scratch.emplace(1, 1);
    const QRect cellRect = GetDisplayRect(node, column, false);
    QRect contentRect = cellRect;
    DoBeforeCellPaint(*canvas, node, column, cpmGetContentMargin, cellRect, contentRect);
    switch (marginType) {
    case ccmtTopLeftOnly:
        return QPoint(contentRect.left() - cellRect.left(), contentRect.top() - cellRect.top());
    case ccmtBottomRightOnly:
        return QPoint(RectRight(cellRect) - RectRight(contentRect), RectBottom(cellRect) - RectBottom(contentRect));
    default:
        return QPoint(contentRect.left() - cellRect.left() + RectRight(cellRect) - RectRight(contentRect),
                      contentRect.top() - cellRect.top() + RectBottom(cellRect) - RectBottom(contentRect));
    }
}

// ---- hit testing

THitInfo TBaseTreeGrid::GetHitTestInfoAt(int x, int y, bool relative)
{
    THitInfo info;
    GetHitTestInfoAt(x, y, relative, info);
    return info;
}

void TBaseTreeGrid::GetHitTestInfoAt(int x, int y, bool relative, THitInfo &hitInfo)
{
    hitInfo = THitInfo();
    const std::int64_t maxX = std::max<std::int64_t>(FRangeX, ClientWidth());
    const std::int64_t maxY = std::max<std::int64_t>(FRangeY, ClientHeight());
    if (x < 0)
        hitInfo.HitPositions.include(hiToLeft);
    else if (x > maxX)
        hitInfo.HitPositions.include(hiToRight);
    if (y < 0)
        hitInfo.HitPositions.include(hiAbove);
    else if (y > maxY)
        hitInfo.HitPositions.include(hiBelow);

    TTreeGridHeader *header = Header();
    const bool useColumns = UseColumns();
    std::int64_t absoluteX = x;
    std::int64_t absoluteY = y;
    if (relative) {
        const int fixedWidth = useColumns ? header->Columns()->GetVisibleFixedWidth() : 0;
        if (x >= fixedWidth)
            absoluteX += FEffectiveOffsetX;
        absoluteY -= FOffsetY;
    }
    if (!hitInfo.HitPositions.empty())
        return;

    int nodeTop = 0;
    hitInfo.HitNode = GetNodeAt(0, int(std::clamp<std::int64_t>(absoluteY, 0, INT32_MAX)), false, nodeTop);
    if (!hitInfo.HitNode) {
        hitInfo.HitPositions.include(hiNowhere);
        return;
    }
    PGridNode node = hitInfo.HitNode;
    if (!node->States.contains(vsInitialized))
        InitNode(node);

    int left = 0;
    int right = int(maxX);
    TColumnAlignment alignment = TreeAlignment();
    bool rtl = UseRightToLeftReading();
    if (useColumns) {
        TTreeGridColumns *columns = header->Columns();
        // Column bounds in absolute coordinates, like x.
        hitInfo.HitColumn = columns->GetColumnAndBounds(QPoint(int(absoluteX), 0), left, right, false);
        if (FOptions->AutoOptions().contains(toAutoSpanColumns) && hitInfo.HitColumn >= 0) {
            // Over an empty cell the hit goes left to the nearest cell with content.
            while (hitInfo.HitColumn >= 0 && ColumnIsEmpty(node, hitInfo.HitColumn)) {
                const TColumnIndex previous = columns->GetPreviousVisibleColumn(hitInfo.HitColumn);
                if (previous < 0)
                    break;
                hitInfo.HitColumn = previous;
            }
            int unused = 0;
            columns->Items(hitInfo.HitColumn)->GetAbsoluteBounds(left, unused);
            for (TColumnIndex next = columns->GetNextVisibleColumn(hitInfo.HitColumn);
                 next >= 0 && ColumnIsEmpty(node, next); next = columns->GetNextVisibleColumn(next))
                columns->Items(next)->GetAbsoluteBounds(unused, right);
        }
        if (const TTreeGridColumn *item = columns->Items(hitInfo.HitColumn)) {
            alignment = item->Alignment();
            rtl = item->UseRightToLeftReading();
        }
    }
    const int offset = int(absoluteX - left);
    right -= left;

    hitInfo.HitPositions.include(hiOnItem);
    if (FOptions->MiscOptions().contains(toNodeHeightResize)) {
        const std::int64_t inRow = absoluteY - (std::int64_t(nodeTop));
        if (inRow < 2)
            hitInfo.HitPositions.include(hiUpperSplitter);
        else if (inRow >= std::int64_t(node->NodeHeight) - 4)
            hitInfo.HitPositions.include(hiLowerSplitter);
    }
    if (rtl)
        DetermineHitPositionRTL(hitInfo, offset, right, alignment);
    else
        DetermineHitPositionLTR(hitInfo, offset, right, alignment);
    if (hitInfo.HitPositions.contains(hiOnItemButtonExact)) {
        // Exactly on the button also means within its height, as it is painted in the row.
        int vAlign = 0;
        int buttonY = 0;
        CalculateVerticalAlignments(FImages != nullptr, FStateImages != nullptr, node, vAlign, buttonY);
        const std::int64_t inRow = absoluteY - nodeTop;
        if (inRow < buttonY || inRow >= buttonY + FPlusBM.height())
            hitInfo.HitPositions.exclude(hiOnItemButtonExact);
    }
}

int TBaseTreeGrid::ButtonOffset() const
{
    return int(std::nearbyint((int(FIndent) - FPlusBM.width()) / 2.0));
}

namespace {

// The part of a cell beyond its images: left of the text, on it, or right of it.
void TextHit(THitInfo &hitInfo, int offset, int imageEnd, int right, int textWidth, TColumnAlignment alignment,
             bool rtl)
{
    const int space = right - imageEnd;
    if (textWidth >= space) {
        hitInfo.HitPositions.include(hiOnItemLabel);
        return;
    }
    int textStart = imageEnd;
    if (alignment == taCenter)
        textStart = imageEnd + (space - textWidth) / 2;
    else if ((alignment == taRightJustify) != rtl)
        textStart = right - textWidth;
    if (offset < textStart)
        hitInfo.HitPositions.include(rtl ? hiOnItemRight : hiOnItemLeft);
    else if (offset >= textStart + textWidth)
        hitInfo.HitPositions.include(rtl ? hiOnItemLeft : hiOnItemRight);
    else
        hitInfo.HitPositions.include(hiOnItemLabel);
}

} // namespace

void TBaseTreeGrid::DetermineHitPositionLTR(THitInfo &hitInfo, int offset, int right, TColumnAlignment alignment)
{
    PGridNode node = hitInfo.HitNode;
    const bool mainColumn = hitInfo.HitColumn == MainColumn();
    const int indent = mainColumn ? IndentOf(node, true) : 0;

    if (offset < indent) {
        const TTGPaintOptions paint = FOptions->PaintOptions();
        if (paint.contains(toShowButtons) && node->States.contains(vsHasChildren) && offset >= indent - int(FIndent)) {
            hitInfo.HitPositions.include(hiOnItemButton);
            // Where the button is painted in the last indentation level.
            const int buttonLeft = indent - int(FIndent) + ButtonOffset();
            if (offset >= buttonLeft && offset < buttonLeft + FPlusBM.width())
                hitInfo.HitPositions.include(hiOnItemButtonExact);
        }
        if (!hitInfo.HitPositions.contains(hiOnItemButton))
            hitInfo.HitPositions.include(hiOnItemIndent);
        return;
    }
    if (!mainColumn && FOptions->MiscOptions().contains(toReportMode))
        return;

    int imageEnd = indent + FMargin;
    if (mainColumn && FOptions->MiscOptions().contains(toCheckSupport) && node->CheckType != TCheckType::ctNone) {
        imageEnd += CheckImageSize() + 2;
        if (offset < imageEnd) {
            hitInfo.HitPositions.include(hiOnItemCheckbox);
            return;
        }
    }
    if (FStateImages && HasImage(node, ikState, hitInfo.HitColumn)) {
        imageEnd += FStateImages->Width() + 2;
        if (offset < imageEnd) {
            hitInfo.HitPositions.include(hiOnStateIcon);
            return;
        }
    }
    if (FImages && HasImage(node, ikNormal, hitInfo.HitColumn)) {
        imageEnd += FImages->Width() + 2;
        if (offset < imageEnd) {
            hitInfo.HitPositions.include(hiOnNormalIcon);
            return;
        }
    }
    TextHit(hitInfo, offset, imageEnd, right, DoGetNodeWidth(node, hitInfo.HitColumn), alignment, false);
}

void TBaseTreeGrid::DetermineHitPositionRTL(THitInfo &hitInfo, int offset, int right, TColumnAlignment alignment)
{
    // Mirrored inside the cell: the same walk from the right edge.
    const int mirrored = right - 1 - offset;
    TColumnAlignment mirroredAlignment = alignment;
    if (alignment == taLeftJustify)
        mirroredAlignment = taRightJustify;
    else if (alignment == taRightJustify)
        mirroredAlignment = taLeftJustify;
    THitInfo probe = hitInfo;
    DetermineHitPositionLTR(probe, mirrored, right, mirroredAlignment);
    // Left and right of the text swap back.
    const bool left = probe.HitPositions.contains(hiOnItemLeft);
    const bool rightOf = probe.HitPositions.contains(hiOnItemRight);
    probe.HitPositions.exclude(hiOnItemLeft);
    probe.HitPositions.exclude(hiOnItemRight);
    if (left)
        probe.HitPositions.include(hiOnItemRight);
    if (rightOf)
        probe.HitPositions.include(hiOnItemLeft);
    hitInfo = probe;
}

// ---- widths

int TBaseTreeGrid::GetMaxRightExtend()
{
    int nodeTop = 0;
    PGridNode node = GetNodeAt(0, 0, true, nodeTop);
    std::int64_t top = nodeTop;
    int result = 0;
    const bool checks = FOptions->MiscOptions().contains(toCheckSupport);
    // Down to the tree's own height, not the client area's: the range must not depend on
    // whether the horizontal bar that it decides on covers the bottom rows.
    while (node && top < height()) {
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        int extent = IndentOf(node, true);
        if (FImages)
            extent += FImages->Width() + 2;
        if (FStateImages)
            extent += FStateImages->Width() + 2;
        if (checks && node->CheckType != TCheckType::ctNone)
            extent += CheckImageSize() + 2;
        extent += DoGetNodeWidth(node, NoColumn);
        result = std::max(result, extent);
        top += node->NodeHeight;
        node = GetNextVisible(node, true);
    }
    return result + FMargin;
}

int TBaseTreeGrid::GetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth)
{
    Raise(OnBeforeGetMaxColumnWidth, column);
    BeginOperation();
    int result = 0;
    const bool mainColumn = column == MainColumn();
    const bool checks = FOptions->MiscOptions().contains(toCheckSupport);
    PGridNode node = nullptr;
    PGridNode last = nullptr;
    if (useSmartColumnWidth) {
        node = TopNode();
        last = BottomNode();
    } else {
        node = GetFirstVisible(nullptr, true);
    }
    TCanvas canvas(1, 1);
    for (; node && !OperationCanceled(); node = GetNextVisible(node, true)) {
        int width = FMargin;
        if (mainColumn) {
            width += IndentOf(node, true);
            if (checks && node->CheckType != TCheckType::ctNone)
                width += CheckImageSize() + 2;
        }
        if (FStateImages && HasImage(node, ikState, column))
            width += FStateImages->Width() + 2;
        if (FImages && HasImage(node, ikNormal, column))
            width += FImages->Width() + 2;
        width += DoGetNodeWidth(node, column, &canvas);
        width += DoGetCellContentMargin(node, column, ccmtAllSides, &canvas).x();
        result = std::max(result, width);
        if (node == last)
            break;
    }
    if (FOptions->PaintOptions().contains(toShowVertGridLines))
        ++result;
    EndOperation();
    Raise(OnAfterGetMaxColumnWidth, column);
    return result;
}

// ---- vertical placement inside a row and indentation

void TBaseTreeGrid::CalculateVerticalAlignments(bool showImages, bool showStateImages, PGridNode node, int &vAlign,
                                                int &buttonY)
{
    const int height = node->NodeHeight;
    switch (FNodeAlignment) {
    case naFromTop:
        vAlign = node->Align;
        break;
    case naFromBottom:
        vAlign = height - node->Align;
        break;
    default: {
        int imageHeight = 0;
        if (showImages && FImages)
            imageHeight = FImages->Height();
        else if (showStateImages && FStateImages)
            imageHeight = FStateImages->Height();
        else if (FOptions->PaintOptions().contains(toShowButtons))
            imageHeight = FPlusBM.height();
        if (imageHeight > 0)
            vAlign = MulDiv(height - imageHeight, node->Align, 100) + imageHeight / 2;
        else
            vAlign = MulDiv(height, node->Align, 100);
        break;
    }
    }
    buttonY = vAlign - FPlusBM.height() / 2;
}

void TBaseTreeGrid::AdjustCoordinatesByIndent(TTGPaintInfo &paintInfo, int indentLevel)
{
    const int delta = indentLevel * int(FIndent);
    const bool rtl = paintInfo.BidiMode != bdLeftToRight;
    const int shift = rtl ? -delta : delta;
    if (rtl)
        SetRectRight(paintInfo.ContentRect, RectRight(paintInfo.ContentRect) - delta);
    else
        paintInfo.ContentRect.setLeft(paintInfo.ContentRect.left() + delta);
    for (TTGImageInfoIndex index : {iiNormal, iiState, iiCheck})
        paintInfo.ImageInfo[index].XPos += shift;
}

int TBaseTreeGrid::ComputeRTLOffset(bool excludeScrollBar)
{
    Q_UNUSED(excludeScrollBar);
    // The viewport never includes the vertical bar, so the bar needs no exclusion here.
    if (!UseRightToLeftReading() || !UseColumns())
        return 0;
    return std::max(0, ClientWidth() - Header()->Columns()->TotalWidth());
}

int TBaseTreeGrid::DoGetNodeWidth(PGridNode, TColumnIndex, TCanvas *)
{
    return 0;
}
