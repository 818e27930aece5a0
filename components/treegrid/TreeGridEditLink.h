#pragma once

#include <QRect>

class QEvent;
class TBaseTreeGrid;
struct TGridNode;

// What a tree asks of the editor of a cell: the owner may bring its own (OnCreateEditor); the
// string tree brings a text edit. The tree holds its link as a shared pointer while editing.
class ITGEditLink
{
public:
    virtual ~ITGEditLink() = default;
    virtual bool BeginEdit() = 0;
    virtual bool CancelEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool PrepareEdit(TBaseTreeGrid *tree, TGridNode *node, int column) = 0;
    virtual QRect GetBounds() = 0;
    virtual void ProcessMessage(QEvent *event) = 0;
    virtual void SetBounds(QRect r) = 0;
};
