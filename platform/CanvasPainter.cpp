#include "CanvasPainter.h"

#include "Canvas.h"

TCanvasPainter::TCanvasPainter(TCanvas &canvas)
    : TScopedPainter(canvas.BeginRawPainting())
    , FCanvas(canvas)
    , FPlacement(canvas.FPlacementVersion)
{
}

TCanvasPainter::~TCanvasPainter()
{
    if (FPainter)
        FCanvas.EndRawPainting(FPlacement);
}

TCanvasImagePainter::TCanvasImagePainter(QPainter *painter)
    : TScopedPainter(painter)
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
