// Keyboard input of TBaseTreeGrid: navigation with selection, expanding, check boxes by Space,
// the context-menu key, and what focus changes and cancelling reset.

#include "treegrid/BaseTreeGrid.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "treegrid/TreeGridHeader.h"

namespace {

constexpr Qt::KeyboardModifiers ModifierKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

// ---- Qt plumbing

void TBaseTreeGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && FStates.contains(tsVCLDragPending)) {
        CancelFrameworkDrag();
        event->accept();
        return;
    }
    int key = event->key();
    Qt::KeyboardModifiers shift = event->modifiers() & ModifierKeys;
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        shift |= Qt::ShiftModifier;
    }
    if (Raise(OnKeyDown, key, shift) && key == 0) {
        event->accept();
        return;
    }
    QString text = event->text();
    if (key == Qt::Key_Backspace && text.isEmpty())
        text = QString(QChar(8));
    if (KeyDown(key, shift, text))
        event->accept();
    else
        event->ignore();
}

void TBaseTreeGrid::keyReleaseEvent(QKeyEvent *event)
{
    // Holding a key repeats its press only, as the window system reports it.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    int key = event->key();
    Raise(OnKeyUp, key, event->modifiers() & ModifierKeys);
    KeyUp(key);
    event->ignore();
}

bool TBaseTreeGrid::focusNextPrevChild(bool next)
{
    if (FWantTabs)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TBaseTreeGrid::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (!(FSelectionCount == 0 && FOptions->PaintOptions().contains(toGhostedIfUnfocused)))
        Invalidate();
}

void TBaseTreeGrid::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    CancelHint();
    // A popup menu takes the keyboard only for its own life: the tree keeps its state.
    if (event->reason() == Qt::PopupFocusReason || FDestroying)
        return;
    StopWheelPanning();
    StopInputTimers(true);
    CancelFrameworkDrag();
    DoStateChange({}, {tsEditPending, tsNodeHeightTracking, tsNodeHeightTrackPending, tsIncrementalSearching,
                       tsLeftButtonDown, tsMiddleButtonDown, tsRightButtonDown, tsOLEDragPending, tsScrolling,
                       tsScrollPending, tsVCLDragPending});
    if (FSelectionCount == 0 && FOptions->PaintOptions().contains(toGhostedIfUnfocused)) {
        if (FFocusedNode)
            InvalidateNode(FFocusedNode);
    } else {
        Invalidate();
    }
}

void TBaseTreeGrid::contextMenuEvent(QContextMenuEvent *event)
{
    // A right click is answered on release; the context-menu key in KeyDown. The event must not
    // travel on to the window, which would show its own menu.
    event->accept();
}

void TBaseTreeGrid::CancelMode()
{
    StopInputTimers(true);
    CancelFrameworkDrag();
    const bool banded = IsMouseSelecting();
    DoStateChange({}, {tsClearPending, tsEditPending, tsOLEDragPending, tsVCLDragPending, tsDrawSelecting,
                       tsDrawSelPending, tsIncrementalSearching});
    if (banded)
        Invalidate();
}

void TBaseTreeGrid::StopInputTimers(bool includeSearch)
{
    FEditTimer.stop();
    if (!IsPanning())
        FScrollTimer.stop();
    if (includeSearch) {
        FSearchTimer.stop();
        FSearchBuffer.clear();
        FLastSearchNode = nullptr;
    }
}

// ---- keys

bool TBaseTreeGrid::DoKeyAction(int &charCode, Qt::KeyboardModifiers &shift)
{
    bool doDefault = true;
    Raise(OnKeyAction, charCode, shift, doDefault);
    return doDefault;
}

bool TBaseTreeGrid::KeyDown(int key, Qt::KeyboardModifiers shift, const QString &text)
{
    if (!DoKeyAction(key, shift))
        return true;
    // Another key before Space came up withdraws the press.
    if (FStates.contains(tsKeyCheckPending) && key != Qt::Key_Space)
        ReleaseCheckBox(tsKeyCheckPending, false);
    bool handled = true;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        NavigationKey(key, shift);
        break;
    default:
        handled = OtherKey(key, shift);
        break;
    }
    if (FStates.contains(tsIncrementalSearchPending)) {
        // The typed character goes to the search.
        const char16_t character = text.isEmpty() ? 0 : char16_t(text.at(0).unicode());
        if (character == 8 || character >= 32)
            HandleIncrementalSearch(character != 127 ? character : 0);
        DoStateChange({}, {tsIncrementalSearchPending});
    }
    return handled;
}

void TBaseTreeGrid::KeyUp(int key)
{
    if (key == Qt::Key_Space && FStates.contains(tsKeyCheckPending))
        ReleaseCheckBox(tsKeyCheckPending, FCheckNode == FFocusedNode);
}

// Steps from a column to the next (or previous) visible one that accepts the focus.
TColumnIndex TBaseTreeGrid::FocusableColumnBeside(TColumnIndex column, bool forward)
{
    TTreeGridColumns *columns = Header()->Columns();
    return forward ? columns->GetNextVisibleColumn(column, true) : columns->GetPreviousVisibleColumn(column, true);
}

void TBaseTreeGrid::NavigationKey(int key, Qt::KeyboardModifiers shift)
{
    const TTGSelectionOptions selection = FOptions->SelectionOptions();
    const TTGMiscOptions misc = FOptions->MiscOptions();
    TTreeGridHeader *header = Header();
    TTreeGridColumns *columns = header->Columns();
    const bool none = shift == Qt::NoModifier;
    const bool ctrlOnly = shift == Qt::ControlModifier;
    const bool shiftOnly = shift == Qt::ShiftModifier;
    const bool shiftCtrl = shift == (Qt::ShiftModifier | Qt::ControlModifier);
    const bool handleMultiSelect = shift.testFlag(Qt::ShiftModifier) && selection.contains(toMultiSelect) && !IsEditing();
    bool doRangeSelect = (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End
                          || key == Qt::Key_Home)
                         && handleMultiSelect;
    const bool needInvalidate = doRangeSelect || FSelectionCount > 1;
    const bool actAsGrid = misc.contains(toGridExtensions);
    const bool clearPending = none || (actAsGrid && !shift.testFlag(Qt::ShiftModifier))
                              || !selection.contains(toMultiSelect) || key == Qt::Key_Backspace
                              || key == Qt::Key_Tab;
    PGridNode lastFocused = FFocusedNode;
    if (!lastFocused && !none)
        lastFocused = GetFirstVisible();
    if (!FRangeAnchor)
        FRangeAnchor = FSelectionCount > 0 ? GetFirstSelected() : GetFirst();
    const bool rtl = UseRightToLeftReading();
    const int rtlFactor = rtl ? -1 : 1;
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    const bool useColumns = UseColumns();

    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool home = key == Qt::Key_Home;
        if (ctrlOnly && !actAsGrid) {
            if (const PGridNode node = home ? GetFirstVisible() : GetLastVisible())
                ScrollIntoView(node, selection.contains(toCenterScrollIntoView),
                               !FOptions->AutoOptions().contains(toDisableAutoscrollOnFocus));
            SetOffsetX(home && !rtl ? 0 : -2147483647);
            break;
        }
        const PGridNode node = home ? GetFirstVisible() : GetLastVisible();
        TColumnIndex column = NoColumn;
        bool found = true;
        if (useColumns) {
            // The reading direction decides which end of the columns is the first.
            const bool firstColumn = home != rtl;
            column = firstColumn ? columns->GetFirstVisibleColumn(true) : columns->GetLastVisibleColumn(true);
            while (column > NoColumn && !DoFocusChanging(FFocusedNode, node, FFocusedColumn, column))
                column = FocusableColumnBeside(column, firstColumn);
            found = column > NoColumn;
        }
        if (found && node) {
            if (!actAsGrid || shift.testFlag(Qt::ControlModifier))
                SetFocusedNode(node);
            if (actAsGrid && !selection.contains(toFullRowSelect) && useColumns)
                SetFocusedColumn(column);
        }
        break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = key == Qt::Key_PageUp;
        if (shiftCtrl) {
            SetOffsetX(FOffsetX + (up ? clientWidth : -clientWidth));
        } else if (shiftOnly) {
            if (!useColumns)
                break;
            TColumnIndex column = FFocusedColumn;
            if (column <= InvalidColumn || !columns->IsValidColumn(column)) {
                column = columns->GetFirstVisibleColumn();
            } else {
                int sum = columns->GetVisibleFixedWidth();
                for (;;) {
                    const TColumnIndex beside = up ? columns->GetPreviousVisibleColumn(column)
                                                   : columns->GetNextVisibleColumn(column);
                    const TTreeGridColumn *item = columns->Items(beside);
                    if (!item || item->Options().contains(coFixed))
                        break;
                    sum += item->Width();
                    if (sum >= clientWidth)
                        break;
                    column = beside;
                }
            }
            if (column > NoColumn)
                SetFocusedColumn(column);
        } else if (ctrlOnly) {
            SetOffsetY(FOffsetY + (up ? clientHeight : -clientHeight));
        } else if (none) {
            PGridNode node = FFocusedNode;
            if (!node) {
                node = up ? GetFirstVisible() : GetLastVisible();
            } else {
                std::int64_t sum = 0;
                for (;;) {
                    const PGridNode beside = up ? GetPreviousVisible(node) : GetNextVisible(node);
                    // Measuring may run handlers that remove the rows walked.
                    if (!beside || NodeHeight(node) + sum >= std::int64_t(clientHeight) || IsRemoved(node)
                        || IsRemoved(beside))
                        break;
                    if (up) {
                        node = beside;
                        sum += NodeHeight(node);
                    } else {
                        sum += NodeHeight(node);
                        node = beside;
                    }
                }
            }
            if (node)
                SetFocusedNode(node);
        }
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool up = key == Qt::Key_Up;
        if (ctrlOnly) {
            SetOffsetY(FOffsetY + (up ? int(FDefaultNodeHeight) : -int(FDefaultNodeHeight)));
            break;
        }
        const auto step = [&] {
            return FFocusedNode ? (up ? GetPreviousVisible(FFocusedNode) : GetNextVisible(FFocusedNode))
                                : (up ? GetLastVisible() : GetFirstVisible());
        };
        PGridNode target = step();
        if (target && IsEditing()) {
            EndEditNode();
            // The handlers of the edit's end may have deleted or moved rows: the step is taken
            // from what is there now.
            target = step();
        }
        if (target) {
            // Moving back toward the anchor gives up the row left behind.
            if (handleMultiSelect && lastFocused && FRangeAnchor && FFocusedNode) {
                const int order = CompareNodePositions(lastFocused, FRangeAnchor);
                if ((up && order > 0) || (!up && order < 0))
                    RemoveFromSelection(FFocusedNode);
            }
            if (FFocusedColumn < 0)
                FFocusedColumn = MainColumn();
            SetFocusedNode(target);
        } else if (FFocusedNode) {
            InvalidateNode(FFocusedNode);
        }
        break;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool left = key == Qt::Key_Left;
        if (ctrlOnly) {
            const int width = columns->GetScrollWidth();
            SetOffsetX(FOffsetX + (left ? rtlFactor * width : -rtlFactor * width));
            break;
        }
        if (selection.contains(toExtendedFocus) && actAsGrid) {
            const TColumnIndex column = FocusableColumnBeside(FFocusedColumn, !left);
            if (column > NoColumn)
                SetFocusedColumn(column);
            break;
        }
        if (!FFocusedNode) {
            SetFocusedNode(GetFirstVisible());
            break;
        }
        const bool expanded = FFocusedNode->States.contains(vsExpanded);
        const bool hasChildren = FFocusedNode->States.contains(vsHasChildren) && ChildCount(FFocusedNode) > 0;
        if (left) {
            if (expanded && hasChildren && none) {
                ToggleNode(FFocusedNode);
            } else if (FFocusedNode->Parent && FFocusedNode->Parent != FRoot) {
                const PGridNode parent = FFocusedNode->Parent;
                if (handleMultiSelect) {
                    if (FFocusedNode->Index > 0)
                        doRangeSelect = true;
                    else if (FRangeAnchor && CompareNodePositions(parent, FRangeAnchor) > 0)
                        RemoveFromSelection(FFocusedNode);
                }
                SetFocusedNode(parent);
            }
        } else {
            if (!expanded && FFocusedNode->States.contains(vsHasChildren) && none) {
                ToggleNode(FFocusedNode);
            } else if (const PGridNode child = GetFirstVisibleChild(FFocusedNode)) {
                if (handleMultiSelect && FRangeAnchor && CompareNodePositions(child, FRangeAnchor) < 0)
                    RemoveFromSelection(FFocusedNode);
                SetFocusedNode(child);
            }
        }
        break;
    }
    case Qt::Key_Backspace:
        if (FStates.contains(tsIncrementalSearching))
            DoStateChange({tsIncrementalSearchPending});
        else if (FFocusedNode && FFocusedNode->Parent && FFocusedNode->Parent != FRoot)
            SetFocusedNode(FFocusedNode->Parent);
        break;
    case Qt::Key_Tab:
        if (selection.contains(toExtendedFocus) && useColumns)
            TabToCell(!shift.testFlag(Qt::ShiftModifier));
        break;
    default:
        break;
    }

    // The selection follows the focus.
    bool cleared = false;
    if (clearPending && (FFocusedNode != lastFocused || FSelectionCount != 1)) {
        ClearSelection();
        cleared = true;
    }
    if (none) {
        FRangeAnchor = FFocusedNode;
        FLastSelectionLevel = FFocusedNode ? int(GetNodeLevel(FFocusedNode)) : -1;
    }
    if (doRangeSelect && FFocusedNode)
        ToggleSelection(lastFocused, FFocusedNode);
    if (FFocusedNode && (cleared || FFocusedNode != lastFocused))
        AddToSelection(FFocusedNode);
    if (needInvalidate)
        Invalidate();
}

void TBaseTreeGrid::TabToCell(bool forward)
{
    TTreeGridColumns *columns = Header()->Columns();
    PGridNode node = FFocusedNode;
    TColumnIndex column = FFocusedColumn;
    if (!node) {
        node = forward ? GetFirstVisible() : GetLastVisible();
        column = NoColumn;
        if (!node)
            return;
    }
    // Every cell is looked at once at most, so refusing every column cannot loop.
    std::int64_t cells = std::int64_t(FVisibleCount + 1) * (columns->Count() + 1);
    while (cells-- > 0) {
        column = column <= NoColumn && node != FFocusedNode
                     ? (forward ? columns->GetFirstVisibleColumn(true) : columns->GetLastVisibleColumn(true))
                     : FocusableColumnBeside(column, forward);
        if (column <= NoColumn) {
            node = forward ? GetNextVisible(node) : GetPreviousVisible(node);
            if (!node)
                return; // the end of the tree: nothing changes
            column = forward ? columns->GetFirstVisibleColumn(true) : columns->GetLastVisibleColumn(true);
        }
        if (column > NoColumn && DoFocusChanging(FFocusedNode, node, FFocusedColumn, column)) {
            SetFocusedNodeAndColumn(node, column);
            return;
        }
        // The handler asked removed the cell's node: the focus stays where it is.
        if (IsRemoved(node))
            return;
    }
}

bool TBaseTreeGrid::OtherKey(int key, Qt::KeyboardModifiers shift)
{
    const bool searching = FStates.contains(tsIncrementalSearching);
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const bool ctrlShift = shift == (Qt::ShiftModifier | Qt::ControlModifier);
    auto searchPending = [this] {
        DoStateChange({tsIncrementalSearchPending});
        return true;
    };
    switch (key) {
    case Qt::Key_F2:
        if (shift == Qt::NoModifier && FFocusedNode && CanEdit(FFocusedNode, FFocusedColumn)) {
            FEditColumn = FFocusedColumn;
            DoEdit();
            return true;
        }
        return false;
    case Qt::Key_Plus:
        if (searching)
            return searchPending();
        if (ctrlShift)
            FullExpand();
        else if (ctrl)
            Header()->AutoFitColumns(true, smaUseColumnOption);
        else if (FFocusedNode && !FFocusedNode->States.contains(vsExpanded))
            ToggleNode(FFocusedNode);
        return true;
    case Qt::Key_Minus:
        if (searching)
            return searchPending();
        if (ctrlShift)
            FullCollapse();
        else if (ctrl)
            Header()->RestoreColumns();
        else if (FFocusedNode && FFocusedNode->States.contains(vsExpanded))
            ToggleNode(FFocusedNode);
        return true;
    case Qt::Key_Asterisk:
        if (searching)
            return searchPending();
        if (FFocusedNode)
            FullExpand(FFocusedNode);
        return true;
    case Qt::Key_Slash:
        if (searching)
            return searchPending();
        if (FFocusedNode)
            FullCollapse(FFocusedNode);
        return true;
    case Qt::Key_Escape:
        if (IsMouseSelecting()) {
            DoStateChange({}, {tsDrawSelecting, tsDrawSelPending});
            Invalidate();
            return true;
        }
        if (IsEditing()) {
            CancelEditNode();
            return true;
        }
        return false;
    case Qt::Key_Space:
        if (FOptions->MiscOptions().contains(toCheckSupport) && FFocusedNode
            && FFocusedNode->CheckType != TCheckType::ctNone) {
            PressCheckBox(FFocusedNode, tsKeyCheckPending);
            return true;
        }
        return searchPending();
    case Qt::Key_F1:
        return false; // there is no help to show
    case Qt::Key_Menu:
        if (FFocusedNode) {
            const QRect r = GetDisplayRect(FFocusedNode, FFocusedColumn, true);
            int width = DoGetNodeWidth(FFocusedNode, FFocusedColumn);
            const TTreeGridColumn *column = Header()->Columns()->Items(FFocusedColumn);
            width = std::min(width, column ? column->Width() : ClientWidth());
            // Measuring may run a handler that removes the node (and with it the focus).
            if (FFocusedNode)
                DoPopupMenu(FFocusedNode, FFocusedColumn, QPoint(r.x() + width / 2, r.y() + r.height() / 2));
        }
        return true;
    case Qt::Key_A:
        if (ctrl) {
            // Rows hidden by the owner (filtered) stay out: a following Delete must not reach them.
            SelectAll(true);
            return true;
        }
        return searchPending();
    default:
        if (!shift.testAnyFlags(Qt::ControlModifier | Qt::AltModifier) && key >= 32 && key < Qt::Key_Escape)
            return searchPending();
        return false;
    }
}
