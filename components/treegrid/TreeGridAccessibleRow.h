#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class TBaseTreeGrid;
class TTreeGridAccessible;

// One row of a tree as assistive tools see it: the text of its main column, its rectangle on
// the screen and its state. It stands for a place among the rows shown, not for a node, so it
// never outlives what it describes; beyond the last row it is no longer valid.
class TTreeGridAccessibleRow : public QAccessibleInterface
{
public:
    TTreeGridAccessibleRow(TBaseTreeGrid *tree, int row);

    int Row() const { return FRow; }
    TBaseTreeGrid *Tree() const { return FTree; }

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString &text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

private:
    TTreeGridAccessible *TreeInterface() const;

    QPointer<TBaseTreeGrid> FTree;
    int FRow;
};
