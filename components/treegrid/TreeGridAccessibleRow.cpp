#include "treegrid/TreeGridAccessibleRow.h"

#include <QWidget>
#include <QWindow>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/CustomStringTreeGrid.h"
#include "treegrid/TreeGridAccessible.h"

TTreeGridAccessibleRow::TTreeGridAccessibleRow(TBaseTreeGrid *tree, int row) : FTree(tree), FRow(row) {}

TTreeGridAccessible *TTreeGridAccessibleRow::TreeInterface() const
{
    if (!FTree)
        return nullptr;
    return dynamic_cast<TTreeGridAccessible *>(QAccessible::queryAccessibleInterface(FTree.data()));
}

bool TTreeGridAccessibleRow::isValid() const
{
    return FTree && FRow < int(FTree->VisibleCount());
}

QObject *TTreeGridAccessibleRow::object() const
{
    return nullptr;
}

QWindow *TTreeGridAccessibleRow::window() const
{
    return FTree ? FTree->window()->windowHandle() : nullptr;
}

QAccessibleInterface *TTreeGridAccessibleRow::parent() const
{
    return TreeInterface();
}

QAccessibleInterface *TTreeGridAccessibleRow::child(int) const
{
    return nullptr;
}

int TTreeGridAccessibleRow::childCount() const
{
    return 0;
}

int TTreeGridAccessibleRow::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QAccessibleInterface *TTreeGridAccessibleRow::childAt(int, int) const
{
    return nullptr;
}

QString TTreeGridAccessibleRow::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QString();
    TTreeGridAccessible *tree = TreeInterface();
    PGridNode node = tree ? tree->NodeOfRow(FRow) : nullptr;
    auto *strings = qobject_cast<TCustomStringTreeGrid *>(FTree.data());
    return node && strings ? strings->Text(node, strings->MainColumn()) : QString();
}

void TTreeGridAccessibleRow::setText(QAccessible::Text, const QString &) {}

QRect TTreeGridAccessibleRow::rect() const
{
    TTreeGridAccessible *tree = TreeInterface();
    PGridNode node = tree ? tree->NodeOfRow(FRow) : nullptr;
    if (!node)
        return QRect();
    // The row as far as the client area shows it sideways; rows out of view lie above or below.
    QRect r = FTree->GetDisplayRect(node, NoColumn, false);
    r.setLeft(std::max(r.left(), 0));
    r.setRight(std::min(r.right(), FTree->ClientWidth() - 1));
    return r.translated(FTree->viewport()->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role TTreeGridAccessibleRow::role() const
{
    return QAccessible::TreeItem;
}

QAccessible::State TTreeGridAccessibleRow::state() const
{
    QAccessible::State state;
    TTreeGridAccessible *tree = TreeInterface();
    PGridNode node = tree ? tree->NodeOfRow(FRow) : nullptr;
    if (!node) {
        state.invalid = true;
        return state;
    }
    state.selectable = true;
    state.selected = node->States.contains(vsSelected);
    state.focusable = true;
    state.focused = node == FTree->FocusedNode() && FTree->hasFocus();
    state.expandable = node->States.contains(vsHasChildren);
    state.expanded = state.expandable && node->States.contains(vsExpanded);
    state.collapsed = state.expandable && !node->States.contains(vsExpanded);
    state.disabled = node->States.contains(vsDisabled) || !FTree->isEnabled();
    const QRect r = FTree->GetDisplayRect(node, NoColumn, false);
    state.offscreen = !r.intersects(FTree->viewport()->rect());
    return state;
}
