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
    if (FStates.contains(tsEditing) || FOptions->MiscOptions().contains(toReadOnly) || IsRemoved(node))
        return FStates.contains(tsEditing);
    SetFocusedNode(node);
    // The handlers told on the way may remove the node: then nothing is edited.
    if (FFocusedNode == node && CanEdit(node, column)) {
        FEditColumn = column;
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        if (FFocusedNode == node)
            DoEdit();
    }
    return FStates.contains(tsEditing);
}

bool TBaseTreeGrid::CanEdit(PGridNode node, TColumnIndex column)
{
    bool result = node && FOptions->MiscOptions().contains(toEditable)
                  && !FOptions->MiscOptions().contains(toReadOnly) && isEnabled();
    if (node)
        Raise(OnEditing, node, column, result);
    // A node the handler removed has no cell to edit.
    return result && !IsRemoved(node);
}

std::shared_ptr<ITGEditLink> TBaseTreeGrid::DoCreateEditor(PGridNode node, TColumnIndex column)
{
    std::shared_ptr<ITGEditLink> link;
    if (Raise(OnCreateEditor, node, column, link) && !link)
        throw ETreeGridError(QStringLiteral("Edit link must not be nil."), 2000);
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
    const PGridNode node = FFocusedNode;
    // The link may end the edit from inside any of its calls: hold it until they return.
    const std::shared_ptr<ITGEditLink> link = DoCreateEditor(node, FEditColumn);
    // The handler may have removed the node or opened another edit meanwhile: the link it
    // gave goes unused then.
    if (!link || IsRemoved(node) || FEditLink)
        return;
    FEditLink = link;
    FEditNode = node;
    DoStateChange({tsEditing}, {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsDrawSelecting,
                                tsMouseCheckPending, tsOLEDragging, tsOLEDragPending, tsScrolling, tsScrollPending});
    ScrollIntoView(node, FOptions->SelectionOptions().contains(toCenterScrollIntoView),
                   !FOptions->AutoOptions().contains(toDisableAutoscrollOnEdit));
    // An edit that the handlers ended or that lost its node stops here; a row that does not
    // show (a hidden node or one below) has no cell to edit in.
    const auto editing = [&] { return FStates.contains(tsEditing) && FEditNode == node && !IsRemoved(node); };
    bool prepared = false;
    if (editing() && IsRowVisible(node)) {
        const THandlerScope scope(FRemovedNodes);
        prepared = link->PrepareEdit(this, node, FEditColumn);
    }
    if (prepared && editing()) {
        UpdateEditBounds();
        if (editing())
            InvalidateNode(node);
        if (editing()) {
            const THandlerScope scope(FRemovedNodes);
            if (!link->BeginEdit())
                DoStateChange({}, {tsEditing});
        }
    } else if (FEditLink == link) {
        DoStateChange({}, {tsEditing});
    }
    if (!FStates.contains(tsEditing) && FEditLink == link) {
        FEditLink.reset();
        FEditNode = nullptr;
    }
}

void TBaseTreeGrid::UpdateEditBounds()
{
    if (!FStates.contains(tsEditing) || !FEditLink || !FEditNode || IsRemoved(FEditNode))
        return;
    const bool useColumns = UseColumns();
    if (useColumns && !Header()->Columns()->IsValidColumn(FEditColumn))
        return;
    // Where the cell's text is painted: content margins taken off, and a single line centred in
    // what the horizontal grid line leaves of the row.
    const bool multiline = FEditNode->States.contains(vsMultiline);
    const bool gridLine = FOptions->PaintOptions().contains(toShowHorzGridLines);
    QRect r = GetDisplayRect(FEditNode, FEditColumn, true, !multiline, true);
    if (r.isNull())
        return;
    if (useColumns && FOptions->MiscOptions().contains(toGridExtensions)) {
        // The bounds are where the column shows: scrolled already.
        int left = 0, right = 0;
        Header()->Columns()->GetColumnBounds(FEditColumn, left, right);
        r.setLeft(left);
        r.setRight(right - 1);
    }
    if (multiline) {
        if (gridLine)
            r.setBottom(r.bottom() - 1);
    } else if (gridLine) {
        const QRect band = GetDisplayRect(FEditNode, FEditColumn, true, false, true);
        r.moveTop(band.top() + (band.height() - 1 - r.height()) / 2);
    }
    const std::shared_ptr<ITGEditLink> link = FEditLink;
    const THandlerScope scope(FRemovedNodes);
    link->SetBounds(r);
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
        // The notification names the edited cell, wherever the focus is by then.
        const PGridNode node = FEditNode;
        const TColumnIndex column = FEditColumn;
        {
            // The link stops itself without calling back: this run ends the edit.
            const QScopedValueRollback<const ITGEditLink *> stopping(FStoppingLink, link.get());
            const THandlerScope scope(FRemovedNodes);
            result = link->EndEdit();
        }
        // Its node may have gone meanwhile (an OnNewText handler): that cancelled the edit.
        if (result && FStates.contains(tsEditing) && FEditLink == link) {
            DoStateChange({}, {tsEditing});
            FEditLink.reset();
            FEditNode = nullptr;
            DoEdited(node, column);
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
            const THandlerScope scope(FRemovedNodes);
            result = link->CancelEdit();
        }
        if (result && FStates.contains(tsEditing) && FEditLink == link) {
            DoStateChange({}, {tsEditing});
            FEditNode = nullptr;
            DoEditCancelled(FEditColumn);
            if (!FDestroying && FEditLink == link)
                FEditLink.reset();
        }
    }
    return result;
}

void TBaseTreeGrid::DoEdited(PGridNode node, TColumnIndex column)
{
    Raise(OnEdited, node, column);
}

void TBaseTreeGrid::DoEditCancelled(TColumnIndex column)
{
    Raise(OnEditCancelled, column);
}

bool TBaseTreeGrid::EditWithin(PGridNode node) const
{
    if (!FStates.contains(tsEditing) || !FEditNode || !node)
        return false;
    return node == FRoot || node == FEditNode || HasAsParent(FEditNode, node);
}

bool TBaseTreeGrid::CancelEditOf(PGridNode node)
{
    if (!node)
        return true;
    if (FStates.contains(tsEditing)) {
        if (!EditWithin(node))
            return true;
    } else {
        // A pending edit is to start on the focused node.
        if (!FStates.contains(tsEditPending) || !FFocusedNode
            || (node != FRoot && node != FFocusedNode && !HasAsParent(FFocusedNode, node)))
            return true;
    }
    // The handlers of the cancel may delete the node themselves.
    if (CancelEditNode() || IsRemoved(node) || !EditWithin(node))
        return !IsRemoved(node);
    // The node goes: an editor that refuses to stop is let go of all the same.
    const std::shared_ptr<ITGEditLink> link = std::move(FEditLink);
    FEditNode = nullptr;
    DoStateChange({}, {tsEditing, tsEditPending});
    DoEditCancelled(FEditColumn);
    return !IsRemoved(node);
}

void TBaseTreeGrid::DropEditOf(PGridNode node)
{
    if (node != FEditNode || !FEditLink)
        return;
    const std::shared_ptr<ITGEditLink> link = std::move(FEditLink);
    FEditNode = nullptr;
    DoStateChange({}, {tsEditing, tsEditPending});
    const QScopedValueRollback<const ITGEditLink *> stopping(FStoppingLink, link.get());
    const THandlerScope scope(FRemovedNodes);
    link->CancelEdit();
}

namespace {

// How often an edit is ended before one that event handlers keep opening again is given up on.
constexpr int MaxEditRounds = 8;

} // namespace

bool TBaseTreeGrid::CloseEditWithin(PGridNode node)
{
    if (!EditWithin(node))
        return true;
    // The handlers of the end (the text handed over above all) may delete the node. A
    // notification may open another edit there: it goes as well, without its text.
    for (int round = 0; round < MaxEditRounds && !IsRemoved(node) && EditWithin(node); ++round)
        if (!(AutoAcceptEditChange() && round == 0 ? EndEditNode() : CancelEditNode()))
            break;
    if (!IsRemoved(node) && EditWithin(node))
        CancelEditOf(node);
    return !IsRemoved(node);
}

bool TBaseTreeGrid::EndEditsBesides(PGridNode node)
{
    for (int round = 0; FStates.contains(tsEditing) && FEditNode != node; ++round) {
        if (round < MaxEditRounds) {
            if (!EndEditNode())
                return false;
        } else if (!CancelEditNode() || (FStates.contains(tsEditing) && FEditNode != node)) {
            return false;
        }
    }
    return true;
}
