#include "treegrid/BaseTreeGrid.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include <QPaintEvent>

#include "Canvas.h"
#include "ImageList.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"

// The paint cycle: rows are drawn one by one into a row bitmap in tree coordinates, cell by
// cell in display order, and each finished row is copied to the target.

namespace {

// Leaves tsPainting on every way out of a paint run.
class TPaintingState
{
public:
    explicit TPaintingState(std::function<void()> leave) : FLeave(std::move(leave)) {}
    ~TPaintingState() { FLeave(); }
    TPaintingState(const TPaintingState &) = delete;
    TPaintingState &operator=(const TPaintingState &) = delete;

private:
    std::function<void()> FLeave;
};

TColumnAlignment Mirrored(TColumnAlignment alignment)
{
    if (alignment == taLeftJustify)
        return taRightJustify;
    if (alignment == taRightJustify)
        return taLeftJustify;
    return alignment;
}

} // namespace

void TBaseTreeGrid::paintEvent(QPaintEvent *e)
{
    TCanvas target(viewport());
    Paint(target, e->rect());
}

bool TBaseTreeGrid::IsFocusedForPaint() const
{
    return hasFocus() || FOptions->PaintOptions().contains(toPopupMode);
}

void TBaseTreeGrid::Paint(TCanvas &targetCanvas, const QRect &updateRect)
{
    if (updateRect.isEmpty())
        return;
    const TTGInternalPaintOptions options = DefaultPaintOptionsOfPaint;
    const int rtlOffset = UseRightToLeftReading() && UseColumns() ? ComputeRTLOffset(true) : 0;
    const int fixedWidth = UseColumns() ? Header()->Columns()->GetVisibleFixedWidth() : 0;
    const int effective = int(FEffectiveOffsetX);
    if (fixedWidth == 0) {
        QRect window = updateRect;
        const QPoint target = window.topLeft();
        window.translate(effective - rtlOffset, -FOffsetY);
        PaintTree(targetCanvas, window, target, options);
        return;
    }
    // Fixed columns do not scroll sideways: they are painted unshifted, the rest shifted.
    const QRect client = viewport()->rect();
    QRect window = client;
    SetRectRight(window, fixedWidth);
    QPoint target = window.topLeft();
    window.translate(-rtlOffset, -FOffsetY);
    PaintTree(targetCanvas, window, target, options);
    if (fixedWidth <= RectRight(client)) {
        window = client;
        window.setLeft(fixedWidth);
        target = window.topLeft();
        window.translate(effective - rtlOffset, -FOffsetY);
        PaintTree(targetCanvas, window, target, options);
    }
}

void TBaseTreeGrid::PaintTree(TCanvas &targetCanvas, const QRect &window, QPoint target,
                              TTGInternalPaintOptions paintOptions)
{
    if (FStates.contains(tsPainting) || window.width() <= 0 || window.height() <= 0)
        return;
    DoStateChange({tsPainting});
    const TPaintingState leave([this] { DoStateChange({}, {tsPainting}); });
    DoBeforePaint(targetCanvas);

    // Sized per row below; a null picture would lose its pixel format.
    TCanvas rowCanvas(window.width(), 1);
    TTGPaintInfo paintInfo;
    paintInfo.Canvas = &rowCanvas;

    const TTGPaintOptions treePaint = FOptions->PaintOptions();
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    QRect selectionRect = OrderRect(FNewSelRect);
    const bool drawSelectionRect = IsMouseSelecting() && !IsRectEmpty(selectionRect);

    const int rowWidth = int(std::max<std::int64_t>(FRangeX, ClientWidth()));
    QRect r = MakeRect(0, 0, rowWidth, 0);
    const bool useBackground = treePaint.contains(toShowBackground) && !FBackground.isNull()
                               && paintOptions.contains(poBackground);
    const bool showImages = FImages != nullptr;
    const bool showStateImages = FStateImages != nullptr;
    const bool showCheckImages = FCheckImages && FOptions->MiscOptions().contains(toCheckSupport);
    const bool useColumns = UseColumns();
    TTreeGridColumns *columns = useColumns ? Header()->Columns() : nullptr;

    if (treePaint.contains(toAlwaysHideSelection) || (!hasFocus() && treePaint.contains(toHideSelection)))
        paintOptions.exclude(poDrawSelection);
    if (treePaint.contains(toHideFocusRect))
        paintOptions.exclude(poDrawFocusRect);

    int nodeTop = 0;
    PGridNode node = GetNodeAt(0, window.top(), false, nodeTop);
    if (!node)
        nodeTop = window.top();
    if (drawSelectionRect)
        selectionRect.translate(0, -nodeTop);

    const int maximumRight = target.x() + window.width();
    const int maximumBottom = target.y() + window.height();
    // The first row may start above the target when the window's top falls inside it.
    int targetLeft = target.x();
    int targetTop = target.y() - (window.top() - nodeTop);
    int targetBottom = targetTop;
    TColumnIndex firstColumn = InvalidColumn;
    const int buttonOffset = ButtonOffset();
    int buttonX = buttonOffset;
    const TColumnIndex mainColumn = MainColumn();
    const TColumnIndex lastVisibleColumn = useColumns ? columns->GetLastVisibleColumn() : InvalidColumn;
    std::vector<TTGLineType> lineImage;
    // The paint handlers may remove nodes: the rows from there on are painted afresh.
    const std::uint64_t removedBefore = FRemovedNodes.Count();
    const auto rowsChanged = [&] {
        if (FRemovedNodes.Count() == removedBefore)
            return false;
        viewport()->update();
        return true;
    };

    while (node && !rowsChanged()) {
        int selectLevel = DetermineLineImageAndSelectLevel(node, lineImage);
        const int indentSize = int(lineImage.size());
        if (!treePaint.contains(toFixedIndent))
            buttonX = (indentSize - 1) * int(FIndent) + buttonOffset;
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        if (node->States.contains(vsSelected) && !treePaint.contains(toChildrenAbove))
            ++selectLevel;
        MeasureItemHeight(nullptr, node);
        if (rowsChanged()) {
            node = nullptr;
            break;
        }

        const int height = node->NodeHeight;
        paintInfo.BrushOrigin = QPoint(window.left() & 1, nodeTop & 1);
        nodeTop += height;
        targetBottom += height;

        if (selectLevel > 0 || !paintOptions.contains(poSelectedOnly)) {
            if (rowCanvas.Height() != height) {
                rowCanvas.SetSize(window.width(), height);
                rowCanvas.SetWindowOrg(window.left(), 0);
                SetRectBottom(r, height);
            }
            rowCanvas.SetBrushOrg(paintInfo.BrushOrigin);
            paintInfo.Node = node;
            int vAlign = 0;
            int buttonY = 0;
            CalculateVerticalAlignments(showImages, showStateImages, node, vAlign, buttonY);

            if (!DoBeforeItemPaint(rowCanvas, node, r)) {
                paintInfo.PaintOptions = paintOptions;
                ClearNodeBackground(paintInfo, useBackground, true,
                                    MakeRect(window.left(), targetTop, RectRight(window), targetBottom));
                paintInfo.CellRect = r;
                if (useColumns) {
                    paintInfo.Column = columns->GetFirstVisibleColumn();
                    if (paintInfo.Column >= 0) {
                        SetRectRight(paintInfo.CellRect, paintInfo.CellRect.left() + columns->Items(paintInfo.Column)->Width());
                        paintInfo.Position = columns->Items(paintInfo.Column)->Position();
                    }
                } else {
                    paintInfo.Position = 0;
                }

                // ---- the cells of this row, in display order
                TColumnIndex nextColumn = InvalidColumn;
                while ((paintInfo.Column > InvalidColumn || !useColumns) && paintInfo.CellRect.left() < RectRight(window)) {
                    const TTreeGridColumn *column = nullptr;
                    if (useColumns) {
                        paintInfo.Column = columns->ColumnFromPosition(paintInfo.Position);
                        column = columns->Items(paintInfo.Column);
                        if (firstColumn == InvalidColumn)
                            firstColumn = paintInfo.Column;
                        paintInfo.BidiMode = column->BiDiMode();
                        paintInfo.Alignment = column->Alignment();
                        paintInfo.CaptionAlignment = column->CaptionAlignment();
                    } else {
                        paintInfo.Column = NoColumn;
                        paintInfo.BidiMode = UseRightToLeftReading() ? bdRightToLeft : bdLeftToRight;
                        paintInfo.Alignment = TreeAlignment();
                        paintInfo.CaptionAlignment = paintInfo.Alignment;
                    }
                    paintInfo.PaintOptions = paintOptions;
                    const bool editing = FStates.contains(tsEditing) && node == FEditNode
                                         && (paintInfo.Column == FEditColumn || !useColumns);
                    if (editing)
                        paintInfo.PaintOptions.exclude(poDrawSelection);
                    if (!useColumns
                        || (node->States.contains(vsSelected) && selection.contains(toFullRowSelect)
                            && paintOptions.contains(poDrawSelection))
                        || column->Options().contains(coParentColor))
                        paintInfo.PaintOptions.exclude(poColumnColor);
                    const bool isMainColumn = paintInfo.Column == mainColumn;
                    if (paintInfo.BidiMode != bdLeftToRight)
                        paintInfo.Alignment = Mirrored(paintInfo.Alignment);

                    if ((!useColumns || column->Options().contains(coVisible))
                        && (!paintOptions.contains(poMainOnly) || isMainColumn)) {
                        AdjustPaintCellRect(paintInfo, nextColumn);
                        if (RectRight(paintInfo.CellRect) > window.left()) {
                            const bool ltr = paintInfo.BidiMode == bdLeftToRight;
                            paintInfo.NodeWidth = DoGetNodeWidth(node, paintInfo.Column, &rowCanvas);
                            paintInfo.ContentRect = paintInfo.CellRect;
                            if (ltr)
                                paintInfo.ContentRect.setLeft(paintInfo.ContentRect.left() + FMargin);
                            else
                                SetRectRight(paintInfo.ContentRect, RectRight(paintInfo.ContentRect) - FMargin);

                            TTGImageInfo &check = paintInfo.ImageInfo[iiCheck];
                            check.Index = -1;
                            if (isMainColumn && showCheckImages) {
                                check.Index = GetCheckImage(node);
                                check.Images = FCheckImages;
                                if (check.Index != -1) {
                                    AdjustImageBorder(FCheckImages, paintInfo.BidiMode, vAlign, paintInfo.ContentRect, check);
                                    check.Ghosted = false;
                                }
                            }
                            // The state image, then the normal image, each from the list the
                            // event names or the tree's.
                            for (auto [kind, index, list] : {std::tuple{ikState, iiState, FStateImages},
                                                             std::tuple{ikNormal, iiNormal, FImages}}) {
                                TTGImageInfo &image = paintInfo.ImageInfo[index];
                                image.Index = -1;
                                if (!list)
                                    continue;
                                GetImageIndex(paintInfo, kind, index, list);
                                if (image.Index != -1)
                                    AdjustImageBorder(image.Images, paintInfo.BidiMode, vAlign, paintInfo.ContentRect, image);
                            }
                            const int indentLevels = treePaint.contains(toFixedIndent) ? 1 : indentSize;
                            if (isMainColumn)
                                AdjustCoordinatesByIndent(paintInfo, indentLevels);

                            if (useColumns)
                                LimitPaintingToArea(rowCanvas, paintInfo.CellRect);

                            if (paintOptions.contains(poGridLines) && treePaint.contains(toShowHorzGridLines)) {
                                rowCanvas.Font().SetColor(FColors->Color(TTGColors::GridLineColor));
                                int left = paintInfo.CellRect.left();
                                int right = RectRight(paintInfo.CellRect) - 1;
                                if (isMainColumn && FLineMode == lmBands) {
                                    if (ltr)
                                        left += indentLevels * int(FIndent);
                                    else
                                        right -= indentLevels * int(FIndent);
                                }
                                DrawDottedHLine(paintInfo, left, right, RectBottom(paintInfo.CellRect) - 1);
                                SetRectBottom(paintInfo.CellRect, RectBottom(paintInfo.CellRect) - 1);
                                SetRectBottom(paintInfo.ContentRect, RectBottom(paintInfo.ContentRect) - 1);
                            }
                            if (useColumns && paintOptions.contains(poGridLines) && treePaint.contains(toShowVertGridLines)
                                && !(Header()->Options().contains(hoAutoResize) && paintInfo.Column == lastVisibleColumn)) {
                                if (ltr || !ColumnIsEmpty(node, paintInfo.Column)) {
                                    rowCanvas.Font().SetColor(FColors->Color(TTGColors::GridLineColor));
                                    DrawDottedVLine(paintInfo, paintInfo.CellRect.top(), RectBottom(paintInfo.CellRect),
                                                    RectRight(paintInfo.CellRect) - 1);
                                }
                                SetRectRight(paintInfo.CellRect, RectRight(paintInfo.CellRect) - 1);
                                SetRectRight(paintInfo.ContentRect, RectRight(paintInfo.ContentRect) - 1);
                            }

                            PrepareCell(paintInfo, window.left(), window.width());

                            if (isMainColumn) {
                                if (treePaint.contains(toShowTreeLines)
                                    && !(treePaint.contains(toHideTreeLinesIfThemed) && FStates.contains(tsUseThemes)))
                                    PaintTreeLines(paintInfo, vAlign, indentSize, lineImage);
                                if (treePaint.contains(toShowButtons) && node->States.contains(vsHasChildren)
                                    && !(node->States.contains(vsAllChildrenHidden)
                                         && FOptions->AutoOptions().contains(toAutoHideButtons)))
                                    PaintNodeButton(rowCanvas, node, paintInfo.Column, paintInfo.CellRect, buttonX, buttonY,
                                                    paintInfo.BidiMode);
                                if (check.Index != -1)
                                    PaintCheckImage(paintInfo);
                            }
                            if (paintInfo.ImageInfo[iiState].Index != -1)
                                PaintImage(paintInfo, iiState, false);
                            if (paintInfo.ImageInfo[iiNormal].Index != -1)
                                PaintImage(paintInfo, iiNormal, true);
                            if (!editing)
                                DoPaintNode(paintInfo);
                            DoAfterCellPaint(rowCanvas, node, paintInfo.Column, paintInfo.CellRect);
                        }
                    } else if (useColumns) {
                        nextColumn = columns->GetNextVisibleColumn(paintInfo.Column);
                    }
                    if (!useColumns)
                        break;
                    rowCanvas.RemoveClip();
                    if (paintInfo.CellRect.left() >= RectRight(window) || nextColumn == InvalidColumn)
                        break;
                    const TTreeGridColumn *next = columns->Items(nextColumn);
                    paintInfo.Position = next->Position();
                    if (next->Options().contains(coVisible)) {
                        int left = 0, right = 0;
                        next->GetAbsoluteBounds(left, right);
                        paintInfo.CellRect = MakeRect(left, 0, right, height);
                        SetRectBottom(paintInfo.ContentRect, height);
                    }
                }
                rowCanvas.RemoveClip();

                DoAfterItemPaint(rowCanvas, node, r);
                if (node == FDropTargetNode && treePaint.contains(toShowDropmark)
                    && paintOptions.contains(poDrawDropMark))
                    DoPaintDropMark(rowCanvas, node, r);
            }
            if (drawSelectionRect)
                PaintSelectionRectangle(rowCanvas, window.left(), selectionRect, MakeRect(0, 0, window.width(), height));
            targetCanvas.CopyRect(QRect(targetLeft, targetTop, window.width(), height), rowCanvas,
                                  QRect(window.left(), 0, window.width(), height));
        }
        targetTop += height;
        if (targetTop >= maximumBottom)
            break;
        if (drawSelectionRect)
            selectionRect.translate(0, -height);
        node = GetNextVisible(node, true);
    }

    // ---- the area below the last row
    if (targetTop < maximumBottom) {
        const int keptTargetX = target.x();
        target = QPoint(targetLeft, targetTop);
        QRect targetRect = MakeRect(0, 0, maximumRight - target.x(), maximumBottom - target.y());
        rowCanvas.SetSize(targetRect.width(), targetRect.height());
        rowCanvas.SetWindowOrg(target.x(), 0);
        rowCanvas.SetBrushOrg(QPoint(0, 0));
        // The handler sees the area in client coordinates of the bitmap.
        const QRect logical = targetRect.translated(target.x(), 0);
        if (!DoPaintBackground(rowCanvas, logical)) {
            if (useBackground) {
                rowCanvas.SetWindowOrg(0, 0);
                if (treePaint.contains(toStaticBackground))
                    StaticBackground(FBackground, rowCanvas, target, targetRect);
                else
                    TileBackground(FBackground, rowCanvas, target, targetRect);
            } else if (useColumns) {
                PaintColumnBands(rowCanvas, firstColumn, targetRect, target.x(), paintOptions);
            } else {
                rowCanvas.SetWindowOrg(0, 0);
                rowCanvas.Brush().SetColor(FColor);
                rowCanvas.FillRect(targetRect);
            }
        }
        rowCanvas.SetWindowOrg(0, 0);
        if (drawSelectionRect) {
            QRect rect = OrderRect(FNewSelRect);
            rect.translate(-target.x() + keptTargetX - window.left(), -target.y() + FOffsetY);
            rowCanvas.SetBrushOrg(QPoint(0, target.x() & 1));
            PaintSelectionRectangle(rowCanvas, 0, rect, targetRect);
        }
        targetCanvas.CopyRect(QRect(target, targetRect.size()), rowCanvas, targetRect);
    }
    DoAfterPaint(targetCanvas);
}

void TBaseTreeGrid::PaintColumnBands(TCanvas &canvas, TColumnIndex firstColumn, QRect targetRect, int targetX,
                                     TTGInternalPaintOptions paintOptions)
{
    // In client coordinates: the canvas origin stands at the target's x.
    TTreeGridColumns *columns = Header()->Columns();
    const TTGPaintOptions treePaint = FOptions->PaintOptions();
    const bool fullGridLines = paintOptions.contains(poGridLines) && treePaint.contains(toFullVertGridLines)
                               && treePaint.contains(toShowVertGridLines);
    const bool autoResize = Header()->Options().contains(hoAutoResize);
    const TColumnIndex lastVisible = columns->GetLastVisibleColumn();
    const int rightEdge = RectRight(targetRect) + targetX;
    QRect r;
    TColumnIndex column = firstColumn;
    if (column == InvalidColumn) {
        // No row was painted: start with the first column that reaches into the area.
        for (column = columns->GetFirstVisibleColumn(); column != InvalidColumn;
             column = columns->GetNextVisibleColumn(column)) {
            int left = 0, right = 0;
            columns->GetColumnBounds(column, left, right);
            if (right > targetX)
                break;
        }
    }
    int painted = targetX;
    for (; column != InvalidColumn && painted < rightEdge; column = columns->GetNextVisibleColumn(column)) {
        const TTreeGridColumn *item = columns->Items(column);
        int left = 0, right = 0;
        columns->GetColumnBounds(column, left, right);
        if (right < painted)
            continue;
        r = MakeRect(std::max(left, painted), 0, right, targetRect.height());
        painted = right;
        if (fullGridLines && !(autoResize && column == lastVisible)) {
            canvas.Font().SetColor(FColors->Color(TTGColors::GridLineColor));
            TTGPaintInfo info;
            info.Canvas = &canvas;
            DrawDottedVLine(info, r.top(), RectBottom(r), RectRight(r) - 1);
            SetRectRight(r, RectRight(r) - 1);
        }
        canvas.Brush().SetColor(item->Options().contains(coParentColor) ? FColor : item->Color());
        canvas.FillRect(r);
    }
    // The part right of the last column.
    if (painted < rightEdge) {
        const QRect rest = MakeRect(painted, 0, rightEdge, targetRect.height());
        canvas.Brush().SetColor(FColor);
        canvas.FillRect(rest);
    }
}

void TBaseTreeGrid::ClearNodeBackground(TTGPaintInfo &paintInfo, bool useBackground, bool floating, QRect r)
{
    TCanvas &canvas = *paintInfo.Canvas;
    TItemEraseAction eraseAction = eaDefault;
    TColor backColor = FColor;
    QPoint offset(0, 0);
    if (floating) {
        offset = QPoint(-int(FEffectiveOffsetX), r.top());
        r.translate(0, -r.top());
    }
    DoBeforeItemErase(canvas, paintInfo.Node, r, backColor, eraseAction);
    switch (eraseAction) {
    case eaNone:
        break;
    case eaColor:
        canvas.Brush().SetColor(backColor);
        canvas.FillRect(r);
        break;
    case eaDefault:
        if (useBackground) {
            if (FOptions->PaintOptions().contains(toStaticBackground))
                StaticBackground(FBackground, canvas, offset, r);
            else
                TileBackground(FBackground, canvas, offset, r);
        } else if (paintInfo.PaintOptions.contains(poDrawSelection)
                   && FOptions->SelectionOptions().contains(toFullRowSelect)
                   && paintInfo.Node->States.contains(vsSelected)
                   && !FOptions->PaintOptions().contains(toUseBlendedSelection)) {
            if (FOptions->PaintOptions().contains(toShowHorzGridLines))
                SetRectBottom(r, RectBottom(r) - 1);
            const bool focused = IsFocusedForPaint();
            canvas.Brush().SetColor(FColors->Color(focused ? TTGColors::FocusedSelectionColor
                                                           : TTGColors::UnfocusedSelectionColor));
            canvas.Pen().SetColor(FColors->Color(focused ? TTGColors::FocusedSelectionBorderColor
                                                         : TTGColors::UnfocusedSelectionBorderColor));
            if (FSelectionCurveRadius > 0)
                canvas.RoundRect(r, FSelectionCurveRadius, FSelectionCurveRadius);
            else
                canvas.Rectangle(r);
        } else {
            canvas.Brush().SetColor(FColor);
            canvas.FillRect(r);
        }
        break;
    }
    DoAfterItemErase(canvas, paintInfo.Node, r);
}

void TBaseTreeGrid::LimitPaintingToArea(TCanvas &canvas, const QRect &clipRect)
{
    canvas.SelectClipRegion(QRegion(clipRect.translated(-canvas.WindowOrg())));
}

void TBaseTreeGrid::AdjustPaintCellRect(TTGPaintInfo &paintInfo, TColumnIndex &nextNonEmpty)
{
    nextNonEmpty = UseColumns() ? Header()->Columns()->GetNextVisibleColumn(paintInfo.Column) : InvalidColumn;
}

void TBaseTreeGrid::DoPaintNode(TTGPaintInfo &)
{
}

// ---- paint events

void TBaseTreeGrid::DoBeforePaint(TCanvas &canvas)
{
    Raise(OnBeforePaint, canvas);
}

void TBaseTreeGrid::DoAfterPaint(TCanvas &canvas)
{
    Raise(OnAfterPaint, canvas);
}

bool TBaseTreeGrid::DoBeforeItemPaint(TCanvas &canvas, PGridNode node, const QRect &itemRect)
{
    bool customDraw = false;
    Raise(OnBeforeItemPaint, canvas, node, itemRect, customDraw);
    return customDraw;
}

void TBaseTreeGrid::DoAfterItemPaint(TCanvas &canvas, PGridNode node, const QRect &itemRect)
{
    Raise(OnAfterItemPaint, canvas, node, itemRect);
}

void TBaseTreeGrid::DoBeforeItemErase(TCanvas &canvas, PGridNode node, const QRect &itemRect, TColor &color,
                                      TItemEraseAction &eraseAction)
{
    Raise(OnBeforeItemErase, canvas, node, itemRect, color, eraseAction);
}

void TBaseTreeGrid::DoAfterItemErase(TCanvas &canvas, PGridNode node, const QRect &itemRect)
{
    Raise(OnAfterItemErase, canvas, node, itemRect);
}

void TBaseTreeGrid::DoBeforeCellPaint(TCanvas &canvas, PGridNode node, TColumnIndex column,
                                      TTGCellPaintMode cellPaintMode, const QRect &cellRect, QRect &contentRect)
{
    Raise(OnBeforeCellPaint, canvas, node, column, cellPaintMode, cellRect, contentRect);
}

void TBaseTreeGrid::DoAfterCellPaint(TCanvas &canvas, PGridNode node, TColumnIndex column, const QRect &cellRect)
{
    Raise(OnAfterCellPaint, canvas, node, column, cellRect);
}

bool TBaseTreeGrid::DoPaintBackground(TCanvas &canvas, const QRect &r)
{
    bool handled = false;
    Raise(OnPaintBackground, canvas, r, handled);
    return handled;
}

TImageList *TBaseTreeGrid::DoGetImageIndex(PGridNode node, TTGImageKind kind, TColumnIndex column, bool &ghosted,
                                           int &index)
{
    TImageList *list = nullptr;
    if (!Raise(OnGetImageEx, node, kind, column, ghosted, index, list))
        Raise(OnGetImage, node, kind, column, ghosted, index);
    return list;
}

QString TBaseTreeGrid::DoGetImageText(PGridNode node, TTGImageKind kind, TColumnIndex column)
{
    QString text;
    Raise(OnGetImageText, node, kind, column, text);
    return text;
}

const TMonoPattern *TBaseTreeGrid::DoGetLineStyle()
{
    const TMonoPattern *bits = nullptr;
    Raise(OnGetLineStyle, bits);
    return bits;
}

bool TBaseTreeGrid::ColumnIsEmpty(PGridNode node, TColumnIndex column)
{
    bool isEmpty = true;
    Raise(OnGetCellIsEmpty, node, column, isEmpty);
    return isEmpty;
}
