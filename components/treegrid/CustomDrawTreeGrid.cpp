#include "treegrid/CustomDrawTreeGrid.h"

#include <optional>

#include "Canvas.h"

TCustomDrawTreeGrid::TCustomDrawTreeGrid(QWidget *parent) : TBaseTreeGrid(parent) {}

TCustomDrawTreeGrid::~TCustomDrawTreeGrid()
{
    // The owner's OnFreeNode must still see a tree of this class.
    DestroyTree();
}

int TCustomDrawTreeGrid::DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas)
{
    int width = 2 * TextMargin();
    if (OnGetNodeWidth)
        OnGetNodeWidth(this, canvas, node, column, width);
    return width;
}

QPoint TCustomDrawTreeGrid::DoGetCellContentMargin(PGridNode node, TColumnIndex column,
                                                   TTGCellContentMarginType marginType, TCanvas *canvas)
{
    QPoint margin(0, 0);
    if (!OnGetCellContentMargin)
        return margin;
    // Only measuring: whatever the owner paints lands on a scratch canvas.
    std::optional<TCanvas> scratch;
    if (!canvas)
        canvas = &scratch.emplace(1, 1);
    OnGetCellContentMargin(this, *canvas, node, column, marginType, margin);
    return margin;
}

void TCustomDrawTreeGrid::DoGetHintSize(PGridNode node, TColumnIndex column, QRect &r)
{
    if (OnGetHintSize)
        OnGetHintSize(this, node, column, r);
}

bool TCustomDrawTreeGrid::DoDrawHint(TCanvas &canvas, PGridNode node, const QRect &r, TColumnIndex column)
{
    if (!OnDrawHint)
        return false;
    OnDrawHint(this, canvas, node, r, column);
    return true;
}

void TCustomDrawTreeGrid::DoPaintNode(TTGPaintInfo &paintInfo)
{
    if (OnDrawNode)
        OnDrawNode(this, paintInfo);
}
