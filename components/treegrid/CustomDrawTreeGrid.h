#pragma once

#include <functional>

#include "treegrid/BaseTreeGrid.h"

// A tree-grid whose cells the owner paints: OnDrawNode draws each cell's content and
// OnGetNodeWidth tells how wide a node's content is.
class TCustomDrawTreeGrid : public TBaseTreeGrid
{
    Q_OBJECT

public:
    using TTGDrawNodeEvent = std::function<void(TBaseTreeGrid *sender, const TTGPaintInfo &paintInfo)>;
    using TTGGetNodeWidthEvent = std::function<void(TBaseTreeGrid *sender, TCanvas *canvas, PGridNode node,
                                                    TColumnIndex column, int &nodeWidth)>;

    explicit TCustomDrawTreeGrid(QWidget *parent = nullptr);
    ~TCustomDrawTreeGrid() override;

    TTGDrawNodeEvent OnDrawNode;
    TTGGetNodeWidthEvent OnGetNodeWidth;

    // Two text margins, or what the owner says.
    int DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas = nullptr) override;

protected:
    void DoPaintNode(TTGPaintInfo &paintInfo) override;
};
