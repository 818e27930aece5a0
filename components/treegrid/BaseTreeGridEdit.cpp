// In-place editing: starting, ending and cancelling an edit through the tree's edit link.

#include "treegrid/BaseTreeGrid.h"

#include <QScopedValueRollback>

#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridEditLink.h"

bool TBaseTreeGrid::EditNode(PGridNode node, TColumnIndex column)
{
    TGAssert(node != nullptr, "Node must not be nil.");
    const int columnCount = Header()->Columns()->Count();
    TGAssert(column == -1 || (column >= 0 && column < columnCount),
             "Column must be a valid column index (-1 if no header is shown).");
    if (FStates.contains(tsEditing) || FOptions->MiscOptions().contains(toReadOnly))
        return FStates.contains(tsEditing);
    SetFocusedNode(node);
    if (FFocusedNode == node && CanEdit(node, column)) {
        FEditColumn = column;
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        DoEdit();
    }
    return FStates.contains(tsEditing);
}

bool TBaseTreeGrid::CanEdit(PGridNode node, TColumnIndex column)
{
    bool result = node && FOptions->MiscOptions().contains(toEditable)
                  && !FOptions->MiscOptions().contains(toReadOnly) && isEnabled();
    if (node && OnEditing)
        OnEditing(this, node, column, result);
    return result;
}

std::shared_ptr<ITGEditLink> TBaseTreeGrid::DoCreateEditor(PGridNode node, TColumnIndex column)
{
    std::shared_ptr<ITGEditLink> link;
    if (OnCreateEditor) {
        OnCreateEditor(this, node, column, link);
        if (!link)
            throw ETreeGridError(QStringLiteral("Edit link must not be nil."), 2000);
    }
    return link;
}

void TBaseTreeGrid::DoEdit()
{
    CancelHint();
    FScrollTimer.stop();
    FEditTimer.stop();
    DoStateChange({}, {tsEditPending});
    if (!FFocusedNode || FFocusedNode->States.contains(vsDisabled) || FOptions->MiscOptions().contains(toReadOnly)
        || FEditLink)
        return;
    FEditLink = DoCreateEditor(FFocusedNode, FEditColumn);
    if (!FEditLink)
        return;
    DoStateChange({tsEditing}, {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsDrawSelecting,
                                tsMouseCheckPending, tsOLEDragging, tsOLEDragPending, tsScrolling, tsScrollPending});
    ScrollIntoView(FFocusedNode, FOptions->SelectionOptions().contains(toCenterScrollIntoView),
                   !FOptions->AutoOptions().contains(toDisableAutoscrollOnEdit));
    // The link may end the edit from inside any of its calls: hold it until they return.
    const std::shared_ptr<ITGEditLink> link = FEditLink;
    if (link->PrepareEdit(this, FFocusedNode, FEditColumn)) {
        UpdateEditBounds();
        InvalidateNode(FFocusedNode);
        if (FStates.contains(tsEditing) && !link->BeginEdit())
            DoStateChange({}, {tsEditing});
    } else {
        DoStateChange({}, {tsEditing});
    }
    if (!FStates.contains(tsEditing) && FEditLink == link)
        FEditLink.reset();
}

void TBaseTreeGrid::UpdateEditBounds()
{
    if (!FStates.contains(tsEditing) || !FEditLink || !FFocusedNode)
        return;
    const bool useColumns = UseColumns();
    if (useColumns && !Header()->Columns()->IsValidColumn(FEditColumn))
        return;
    // Where the cell's text is painted: content margins taken off, and a single line centred in
    // what the horizontal grid line leaves of the row.
    const bool multiline = FFocusedNode->States.contains(vsMultiline);
    const bool gridLine = FOptions->PaintOptions().contains(toShowHorzGridLines);
    QRect r = GetDisplayRect(FFocusedNode, FEditColumn, true, !multiline, true);
    if (r.isNull())
        return;
    if (useColumns && FOptions->MiscOptions().contains(toGridExtensions)) {
        int left = 0, right = 0;
        Header()->Columns()->GetColumnBounds(FEditColumn, left, right);
        r.setLeft(left - FEffectiveOffsetX);
        r.setRight(right - FEffectiveOffsetX - 1);
    }
    if (multiline) {
        if (gridLine)
            r.setBottom(r.bottom() - 1);
    } else if (gridLine) {
        const QRect band = GetDisplayRect(FFocusedNode, FEditColumn, true, false, true);
        r.moveTop(band.top() + (band.height() - 1 - r.height()) / 2);
    }
    FEditLink->SetBounds(r);
}

void TBaseTreeGrid::DoColumnResize(TColumnIndex column)
{
    TTreeGridHeaderEvents::DoColumnResize(column);
    // An open editor follows its cell.
    RequestEditBounds();
}

bool TBaseTreeGrid::EndEditNode()
{
    if (FStates.intersects({tsEditing, tsEditPending}))
        return DoEndEdit();
    return true;
}

bool TBaseTreeGrid::CancelEditNode()
{
    if (FStates.intersects({tsEditing, tsEditPending}))
        return DoCancelEdit();
    return true;
}

bool TBaseTreeGrid::DoEndEdit()
{
    FEditTimer.stop();
    bool result = true;
    if (FStates.contains(tsEditing) && FEditLink) {
        const std::shared_ptr<ITGEditLink> link = FEditLink;
        {
            // The link stops itself without calling back: this run ends the edit.
            const QScopedValueRollback<const ITGEditLink *> stopping(FStoppingLink, link.get());
            result = link->EndEdit();
        }
        if (result && FStates.contains(tsEditing)) {
            DoStateChange({}, {tsEditing});
            FEditLink.reset();
            DoEdited(FFocusedNode, FEditColumn);
        }
    }
    DoStateChange({}, {tsEditPending});
    return result;
}

bool TBaseTreeGrid::DoCancelEdit()
{
    FEditTimer.stop();
    DoStateChange({}, {tsEditPending});
    bool result = true;
    if (FStates.contains(tsEditing) && FEditLink) {
        const std::shared_ptr<ITGEditLink> link = FEditLink;
        {
            // The link stops itself without calling back: this run ends the edit.
            const QScopedValueRollback<const ITGEditLink *> stopping(FStoppingLink, link.get());
            result = link->CancelEdit();
        }
        if (result && FStates.contains(tsEditing)) {
            DoStateChange({}, {tsEditing});
            DoEditCancelled(FEditColumn);
            if (!FDestroying)
                FEditLink.reset();
        }
    }
    return result;
}

void TBaseTreeGrid::DoEdited(PGridNode node, TColumnIndex column)
{
    if (OnEdited)
        OnEdited(this, node, column);
}

void TBaseTreeGrid::DoEditCancelled(TColumnIndex column)
{
    if (OnEditCancelled)
        OnEditCancelled(this, column);
}

void TBaseTreeGrid::CancelEditOf(PGridNode node)
{
    if (!FStates.intersects({tsEditing, tsEditPending}) || !node || !FFocusedNode)
        return;
    if (node != FRoot && node != FFocusedNode && !HasAsParent(FFocusedNode, node))
        return;
    if (CancelEditNode() || !FStates.contains(tsEditing))
        return;
    // The node goes: an editor that refuses to stop is let go of all the same.
    const std::shared_ptr<ITGEditLink> link = std::move(FEditLink);
    DoStateChange({}, {tsEditing, tsEditPending});
    DoEditCancelled(FEditColumn);
}
