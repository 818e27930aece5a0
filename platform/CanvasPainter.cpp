#include "CanvasPainter.h"

#include "Canvas.h"

TCanvasPainter::TCanvasPainter(TCanvas &canvas)
    : FCanvas(canvas)
    , FPainter(canvas.BeginRawPainting())
    , FPlacement(canvas.FPlacementVersion)
{
}

TCanvasPainter::~TCanvasPainter()
{
    if (FPainter)
        FCanvas.EndRawPainting(FPlacement);
}
