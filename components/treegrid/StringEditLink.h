#pragma once

#include <QPointer>
#include <QRect>

#include <memory>

#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridEditLink.h"

class TCustomStringTreeGrid;
class TTGEdit;

// The string tree's own editor: a TTGEdit over the cell, handing a changed text to the tree.
class TStringEditLink : public ITGEditLink, public std::enable_shared_from_this<TStringEditLink>
{
public:
    TStringEditLink() = default;
    ~TStringEditLink() override;

    bool BeginEdit() override;
    bool CancelEdit() override;
    bool EndEdit() override;
    bool PrepareEdit(TBaseTreeGrid *tree, TGridNode *node, int column) override;
    QRect GetBounds() override;
    void ProcessMessage(QEvent *event) override;
    void SetBounds(QRect r) override;

    TTGEdit *Edit() const { return FEdit; }
    TCustomStringTreeGrid *Tree() const { return FTree; }
    TGridNode *Node() const { return FNode; }
    int Column() const { return FColumn; }
    TColumnAlignment Alignment() const { return FAlignment; }
    bool Stopping() const { return FStopping; }

private:
    void Finish(bool takeText);

    QPointer<TTGEdit> FEdit;
    QPointer<TCustomStringTreeGrid> FTree;
    TGridNode *FNode = nullptr;
    int FColumn = -1;
    TColumnAlignment FAlignment = taLeftJustify;
    QRect FTextBounds;
    bool FStopping = false;
};
