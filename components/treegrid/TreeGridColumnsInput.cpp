#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

// The points below are client coordinates of the tree; the header lies above the rows, so a
// column is looked up at header y (y + header height).

bool TTreeGridColumns::AdjustHoverColumn(QPoint p)
{
    if (!FHeader)
        return false;
    TColumnIndex hover = NoColumn;
    if (FHeader->InHeader(p)) {
        hover = ColumnFromPosition(FHeader->HeaderPoint(p));
        if (hover < 0)
            hover = NoColumn;
    }
    if (hover == FHoverIndex)
        return false;
    if (const TTreeGridColumn *old = Items(FHoverIndex))
        FHeader->Invalidate(old);
    FHoverIndex = hover;
    if (const TTreeGridColumn *current = Items(FHoverIndex))
        FHeader->Invalidate(current);
    return true;
}

void TTreeGridColumns::AdjustDownColumn(QPoint p)
{
    if (!FHeader)
        return;
    const TColumnIndex down = ColumnFromPosition(FHeader->HeaderPoint(p));
    const TTreeGridColumn *column = Items(down);
    if (!column || down == FDownIndex || !column->Options().containsAll({coAllowClick, coEnabled}))
        return;
    if (const TTreeGridColumn *old = Items(FDownIndex))
        FHeader->Invalidate(old);
    FDownIndex = down;
    FHeader->Invalidate(column);
}

bool TTreeGridColumns::HandleClick(QPoint p, TTGMouseButton button, bool force, bool dblClick)
{
    if (!FHeader)
        return false;
    const QPoint headerPoint = FHeader->HeaderPoint(p);
    TTGHeaderHitInfo hitInfo;
    hitInfo.X = p.x();
    hitInfo.Y = headerPoint.y();
    hitInfo.Button = button;
    hitInfo.Shift = TTreeGridHeader::GetShiftState();
    if (dblClick)
        hitInfo.Shift += ssDouble;

    const TColumnIndex hit = ColumnFromPosition(headerPoint);
    TTreeGridColumn *column = Items(hit);
    const bool clicked = column && column->Options().contains(coAllowClick) && (hit == FDownIndex || force);
    if (clicked) {
        FClickIndex = hit;
        hitInfo.Column = hit;
        hitInfo.HitPosition = {hhiOnColumn};
        if (column->HasImage() && column->ImageRect().contains(headerPoint)) {
            hitInfo.HitPosition += hhiOnIcon;
            // A left click on the header's check box turns it.
            if (column->CheckBox() && button == mbLeft) {
                if (TBaseTreeGrid *tree = Owner())
                    tree->UpdateColumnCheckState(column);
                hitInfo.HitPosition += hhiOnCheckbox;
            }
        }
    } else {
        FClickIndex = NoColumn;
        hitInfo.Column = NoColumn;
        hitInfo.HitPosition = {hhiNoWhere};
    }
    if (TBaseTreeGrid *tree = Owner()) {
        if (dblClick)
            tree->DoHeaderDblClick(hitInfo);
        else
            tree->DoHeaderClick(hitInfo);
    }
    if (column)
        FHeader->Invalidate(column);
    return clicked;
}
