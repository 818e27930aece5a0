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

TCanvasImagePainter::TCanvasImagePainter(QPainter *painter)
    : FPainter(painter)
{
    if (!FPainter)
        return;
    FMode = FPainter->compositionMode();
    FOpacity = FPainter->opacity();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

TCanvasImagePainter::~TCanvasImagePainter()
{
    if (!FPainter)
        return;
    FPainter->setCompositionMode(FMode);
    FPainter->setOpacity(FOpacity);
}
