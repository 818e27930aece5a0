#include "treegrid/TreeGridAccessible.h"

#include <cstdlib>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridAccessibleRow.h"

namespace {

QAccessibleInterface *TreeFactory(const QString &, QObject *object)
{
    if (auto *tree = qobject_cast<TBaseTreeGrid *>(object))
        return new TTreeGridAccessible(tree);
    return nullptr;
}

} // namespace

TTreeGridAccessible::TTreeGridAccessible(TBaseTreeGrid *tree) : QAccessibleWidget(tree, QAccessible::Tree) {}

TTreeGridAccessible::~TTreeGridAccessible()
{
    for (QAccessible::Id id : std::as_const(FRows))
        QAccessible::deleteAccessibleInterface(id);
}

void TTreeGridAccessible::InstallFactory()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&TreeFactory);
}

TBaseTreeGrid *TTreeGridAccessible::Tree() const
{
    return static_cast<TBaseTreeGrid *>(widget());
}

PGridNode TTreeGridAccessible::NodeOfRow(int row) const
{
    TBaseTreeGrid *tree = Tree();
    const int count = tree ? int(tree->VisibleCount()) : 0;
    if (row < 0 || row >= count)
        return nullptr;
    // A remembered node may have been freed since the rows last changed.
    if (FGeneration != tree->RowsGeneration()) {
        FGeneration = tree->RowsGeneration();
        FLastRow = -1;
        FLastNode = nullptr;
    }
    // Tools read the rows one after the other: the walk starts at the nearest known row.
    int at = 0;
    PGridNode node = nullptr;
    const int fromLast = FLastNode ? std::abs(row - FLastRow) : count;
    if (fromLast <= row && fromLast <= count - 1 - row) {
        at = FLastRow;
        node = FLastNode;
    } else if (count - 1 - row < row) {
        at = count - 1;
        node = tree->GetLastVisibleNoInit();
    } else {
        node = tree->GetFirstVisibleNoInit();
    }
    while (node && at < row) {
        node = tree->GetNextVisibleNoInit(node);
        ++at;
    }
    while (node && at > row) {
        node = tree->GetPreviousVisibleNoInit(node);
        --at;
    }
    if (node) {
        FLastRow = row;
        FLastNode = node;
    }
    return node;
}

int TTreeGridAccessible::RowOfNode(PGridNode node) const
{
    TBaseTreeGrid *tree = Tree();
    if (!tree || !node)
        return -1;
    if (FGeneration == tree->RowsGeneration() && node == FLastNode)
        return FLastRow;
    int row = 0;
    for (PGridNode run = tree->GetFirstVisibleNoInit(); run; run = tree->GetNextVisibleNoInit(run), ++row)
        if (run == node)
            return row;
    return -1;
}

int TTreeGridAccessible::childCount() const
{
    TBaseTreeGrid *tree = Tree();
    return tree ? int(tree->VisibleCount()) : 0;
}

QAccessibleInterface *TTreeGridAccessible::Row(int row) const
{
    if (row < 0 || row >= childCount())
        return nullptr;
    const auto found = FRows.constFind(row);
    if (found != FRows.constEnd())
        if (QAccessibleInterface *known = QAccessible::accessibleInterface(*found))
            return known;
    auto *item = new TTreeGridAccessibleRow(Tree(), row);
    FRows.insert(row, QAccessible::registerAccessibleInterface(item));
    return item;
}

QAccessibleInterface *TTreeGridAccessible::child(int index) const
{
    return Row(index);
}

int TTreeGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *row = dynamic_cast<const TTreeGridAccessibleRow *>(child);
    if (!row || row->Tree() != Tree() || !row->isValid())
        return -1;
    return row->Row();
}

QAccessibleInterface *TTreeGridAccessible::childAt(int x, int y) const
{
    TBaseTreeGrid *tree = Tree();
    if (!tree)
        return nullptr;
    const QPoint p = tree->viewport()->mapFromGlobal(QPoint(x, y));
    if (!tree->viewport()->rect().contains(p))
        return nullptr;
    return Row(RowOfNode(tree->GetNodeAt(p.x(), p.y())));
}

QAccessibleInterface *TTreeGridAccessible::focusChild() const
{
    TBaseTreeGrid *tree = Tree();
    if (tree && tree->hasFocus()) {
        if (QAccessibleInterface *row = Row(RowOfNode(tree->FocusedNode())))
            return row;
    }
    // An editor over a cell holds the focus itself.
    return QAccessibleWidget::focusChild();
}
