#include "treegrid/TreeGridHeaderEvents.h"

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

TTGShiftState ShiftStateFrom(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons)
{
    TTGShiftState shift;
    if (keys & Qt::ShiftModifier)
        shift += ssShift;
    if (keys & Qt::AltModifier)
        shift += ssAlt;
    if (keys & Qt::ControlModifier)
        shift += ssCtrl;
    if (buttons & Qt::LeftButton)
        shift += ssLeft;
    if (buttons & Qt::RightButton)
        shift += ssRight;
    if (buttons & Qt::MiddleButton)
        shift += ssMiddle;
    return shift;
}

// Every object of this class is the base of a tree.
TBaseTreeGrid *TTreeGridHeaderEvents::Tree()
{
    return static_cast<TBaseTreeGrid *>(this);
}

TTreeGridHeader *TTreeGridHeaderEvents::EventHeader()
{
    return Tree()->Header();
}

void TTreeGridHeaderEvents::DoHeaderClick(const TTGHeaderHitInfo &hitInfo)
{
    if (OnHeaderClick)
        OnHeaderClick(EventHeader(), hitInfo);
}

void TTreeGridHeaderEvents::DoHeaderDblClick(const TTGHeaderHitInfo &hitInfo)
{
    if (OnHeaderDblClick)
        OnHeaderDblClick(EventHeader(), hitInfo);
}

void TTreeGridHeaderEvents::DoHeaderMouseDown(TTGMouseButton button, TTGShiftState shift, int x, int y)
{
    if (OnHeaderMouseDown)
        OnHeaderMouseDown(EventHeader(), button, shift, x, y);
}

void TTreeGridHeaderEvents::DoHeaderMouseUp(TTGMouseButton button, TTGShiftState shift, int x, int y)
{
    if (OnHeaderMouseUp)
        OnHeaderMouseUp(EventHeader(), button, shift, x, y);
}

void TTreeGridHeaderEvents::DoHeaderMouseMove(TTGShiftState shift, int x, int y)
{
    if (OnHeaderMouseMove)
        OnHeaderMouseMove(EventHeader(), shift, x, y);
}

bool TTreeGridHeaderEvents::DoHeaderDragging(TColumnIndex column)
{
    bool allowed = true;
    if (OnHeaderDragging)
        OnHeaderDragging(EventHeader(), column, allowed);
    return allowed;
}

void TTreeGridHeaderEvents::DoHeaderDragged(TColumnIndex column, TColumnPosition oldPosition)
{
    if (OnHeaderDragged)
        OnHeaderDragged(EventHeader(), column, oldPosition);
}

void TTreeGridHeaderEvents::DoHeaderDraggedOut(TColumnIndex column, QPoint dropPosition)
{
    if (OnHeaderDraggedOut)
        OnHeaderDraggedOut(EventHeader(), column, dropPosition);
}

void TTreeGridHeaderEvents::DoGetHeaderCursor(TCursor &cursor)
{
    if (OnGetHeaderCursor)
        OnGetHeaderCursor(EventHeader(), cursor);
}

bool TTreeGridHeaderEvents::DoCanSplitterResizeColumn(QPoint p, TColumnIndex column)
{
    bool allowed = true;
    if (OnCanSplitterResizeColumn)
        OnCanSplitterResizeColumn(EventHeader(), p, column, allowed);
    return allowed;
}

void TTreeGridHeaderEvents::DoColumnResize(TColumnIndex column)
{
    TBaseTreeGrid *tree = Tree();
    TTreeGridHeader *header = tree->Header();
    if (!header || header->IsLoading() || tree->IsDestroying() || !header->TreeHandleAllocated())
        return;
    // Wrapped rows measure their height anew for the new width.
    for (PGridNode node = tree->GetFirstInitialized(); node; node = tree->GetNextInitialized(node)) {
        if (node->States.contains(vsMultiline))
            node->States.exclude(vsHeightMeasured);
    }
    header->TreeUpdateHorizontalScrollBar();
    TTreeGridColumns *columns = header->Columns();
    if (const TTreeGridColumn *item = columns->Items(column)) {
        QRect r = tree->viewport()->rect();
        if (!tree->TreeOptions().AutoOptions().contains(toAutoSpanColumns)) {
            int left = 0, right = 0;
            columns->GetColumnBounds(column, left, right);
            if (header->TreeUseRightToLeft())
                r.setRight(right);
            else
                r.setLeft(left);
        }
        tree->viewport()->update(r);
        header->Invalidate(item, true);
    } else {
        tree->viewport()->update();
        header->Invalidate();
    }
    // Width tracking by hand shows every step at once; a distribution paints once at the end.
    if (header->States().contains(hsColumnWidthTracking) && !header->States().contains(hsResizing))
        tree->viewport()->repaint();
    if (OnColumnResize && !header->States().contains(hsResizing))
        OnColumnResize(header, column);
}

QMenu *TTreeGridHeaderEvents::DoGetHeaderPopupMenu(TColumnIndex column, QPoint p)
{
    QMenu *menu = nullptr;
    bool askParent = true;
    if (OnGetPopupMenu)
        OnGetPopupMenu(Tree(), nullptr, column, p, askParent, menu);
    return menu;
}

void TTreeGridHeaderEvents::DoHeaderDraw(TCanvas &canvas, TTreeGridColumn *column, const QRect &r, bool hover,
                                         bool pressed, TTGDropMarkMode dropMark)
{
    if (OnHeaderDraw)
        OnHeaderDraw(EventHeader(), canvas, column, r, hover, pressed, dropMark);
}

void TTreeGridHeaderEvents::DoHeaderDrawQueryElements(THeaderPaintInfo &paintInfo, THeaderPaintElements &elements)
{
    if (OnHeaderDrawQueryElements)
        OnHeaderDrawQueryElements(EventHeader(), paintInfo, elements);
}

void TTreeGridHeaderEvents::DoAdvancedHeaderDraw(THeaderPaintInfo &paintInfo, THeaderPaintElements elements)
{
    if (OnAdvancedHeaderDraw)
        OnAdvancedHeaderDraw(EventHeader(), paintInfo, elements);
}
