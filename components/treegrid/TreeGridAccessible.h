#pragma once

#include <QAccessibleWidget>
#include <QHash>

#include <cstdint>

#include "treegrid/TreeGridTypes.h"

class TBaseTreeGrid;

// What assistive tools see of a tree: its rows in the order shown, one item each (see
// TTreeGridAccessibleRow), so that a tool can read a row's text and rectangle and go on to the
// next row.
class TTreeGridAccessible : public QAccessibleWidget
{
public:
    explicit TTreeGridAccessible(TBaseTreeGrid *tree);
    ~TTreeGridAccessible() override;

    // Makes Qt ask this class for every tree (once per program).
    static void InstallFactory();

    TBaseTreeGrid *Tree() const;
    // The node shown in a row (0 = the first row shown), nil beyond the last one.
    PGridNode NodeOfRow(int row) const;
    // The row a node is shown in, -1 for a node that shows no row.
    int RowOfNode(PGridNode node) const;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

private:
    QAccessibleInterface *Row(int row) const;

    // The row items handed out so far, by row; they live as long as this interface.
    mutable QHash<int, QAccessible::Id> FRows;
    // The last row looked up: walks start from there while the rows stay the same.
    mutable std::uint64_t FGeneration = 0;
    mutable int FLastRow = -1;
    mutable PGridNode FLastNode = nullptr;
};
