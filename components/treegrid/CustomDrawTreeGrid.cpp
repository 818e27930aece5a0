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
    Raise(OnGetNodeWidth, canvas, node, column, width);
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
    Raise(OnGetCellContentMargin, *canvas, node, column, marginType, margin);
    return margin;
}

void TCustomDrawTreeGrid::DoGetHintSize(PGridNode node, TColumnIndex column, QRect &r)
{
    Raise(OnGetHintSize, node, column, r);
}

bool TCustomDrawTreeGrid::DoDrawHint(TCanvas &canvas, PGridNode node, const QRect &r, TColumnIndex column)
{
    return Raise(OnDrawHint, canvas, node, r, column);
}

void TCustomDrawTreeGrid::DoPaintNode(TTGPaintInfo &paintInfo)
{
    Raise(OnDrawNode, paintInfo);
}
