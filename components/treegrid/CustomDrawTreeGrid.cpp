#include "treegrid/CustomDrawTreeGrid.h"

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

void TCustomDrawTreeGrid::DoPaintNode(TTGPaintInfo &paintInfo)
{
    if (OnDrawNode)
        OnDrawNode(this, paintInfo);
}
