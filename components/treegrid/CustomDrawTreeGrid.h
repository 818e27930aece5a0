#pragma once

#include <functional>

#include "treegrid/BaseTreeGrid.h"

// A tree-grid whose cells the owner paints: OnDrawNode draws each cell's content and
// OnGetNodeWidth tells how wide a node's content is. The owner also gives the margins of a
// cell's content and sizes and draws the hints of nodes.
class TCustomDrawTreeGrid : public TBaseTreeGrid
{
    Q_OBJECT

public:
    using TTGDrawNodeEvent = std::function<void(TBaseTreeGrid *sender, const TTGPaintInfo &paintInfo)>;
    using TTGGetNodeWidthEvent = std::function<void(TBaseTreeGrid *sender, TCanvas *canvas, PGridNode node,
                                                    TColumnIndex column, int &nodeWidth)>;
    using TTGGetCellContentMarginEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                            TColumnIndex column,
                                                            TTGCellContentMarginType marginType,
                                                            QPoint &cellContentMargin)>;
    using TTGDrawHintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &hintCanvas, PGridNode node,
                                                const QRect &r, TColumnIndex column)>;
    using TTGGetHintSizeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                   QRect &r)>;

    explicit TCustomDrawTreeGrid(QWidget *parent = nullptr);
    ~TCustomDrawTreeGrid() override;

    TTGDrawNodeEvent OnDrawNode;
    TTGGetNodeWidthEvent OnGetNodeWidth;
    TTGGetCellContentMarginEvent OnGetCellContentMargin;
    TTGDrawHintEvent OnDrawHint;
    TTGGetHintSizeEvent OnGetHintSize;

    // Two text margins, or what the owner says.
    int DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas = nullptr) override;
    // None, or what the owner says (asked on a scratch canvas when none is given).
    QPoint DoGetCellContentMargin(PGridNode node, TColumnIndex column,
                                  TTGCellContentMarginType marginType = ccmtAllSides,
                                  TCanvas *canvas = nullptr) override;
    // The hint of a node: its size (r comes with the size of its text) and its picture. False
    // when the owner draws none, so that the text is drawn.
    virtual void DoGetHintSize(PGridNode node, TColumnIndex column, QRect &r);
    virtual bool DoDrawHint(TCanvas &canvas, PGridNode node, const QRect &r, TColumnIndex column);

protected:
    void DoPaintNode(TTGPaintInfo &paintInfo) override;
};
