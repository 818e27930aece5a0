#pragma once

// The tree's events about painting its rows and cells. The tree inherits them and fires them
// from its paint cycle (BaseTreeGridPaint.cpp).

#include <QRect>
#include <QString>

#include <functional>

#include "CanvasObjects.h"
#include "Color.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridPaintTypes.h"
#include "treegrid/TreeGridTypes.h"

class TBaseTreeGrid;
class TCanvas;
class TImageList;

class TTreeGridPaintEvents
{
public:
    using TTGPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &targetCanvas)>;
    using TTGBeforeItemPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                       const QRect &itemRect, bool &customDraw)>;
    using TTGAfterItemPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                      const QRect &itemRect)>;
    using TTGBeforeItemEraseEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                       const QRect &itemRect, TColor &itemColor,
                                                       TItemEraseAction &eraseAction)>;
    using TTGBeforeCellPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                       TColumnIndex column, TTGCellPaintMode cellPaintMode,
                                                       const QRect &cellRect, QRect &contentRect)>;
    using TTGAfterCellPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                      TColumnIndex column, const QRect &cellRect)>;
    using TTGBackgroundPaintEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, const QRect &r,
                                                       bool &handled)>;
    using TTGGetImageEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TTGImageKind kind,
                                                TColumnIndex column, bool &ghosted, int &imageIndex)>;
    using TTGGetImageExEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TTGImageKind kind,
                                                  TColumnIndex column, bool &ghosted, int &imageIndex,
                                                  TImageList *&imageList)>;
    using TTGGetImageTextEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TTGImageKind kind,
                                                    TColumnIndex column, QString &imageText)>;
    using TTGGetLineStyleEvent = std::function<void(TBaseTreeGrid *sender, const TMonoPattern *&bits)>;
    using TTGGetCellIsEmptyEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                      bool &isEmpty)>;
    TTGPaintEvent OnBeforePaint;
    TTGPaintEvent OnAfterPaint;
    TTGBeforeItemPaintEvent OnBeforeItemPaint;
    TTGAfterItemPaintEvent OnAfterItemPaint;
    TTGBeforeItemEraseEvent OnBeforeItemErase;
    TTGAfterItemPaintEvent OnAfterItemErase;
    TTGBeforeCellPaintEvent OnBeforeCellPaint;
    TTGAfterCellPaintEvent OnAfterCellPaint;
    TTGBackgroundPaintEvent OnPaintBackground;
    TTGGetImageEvent OnGetImage;
    TTGGetImageExEvent OnGetImageEx;
    TTGGetImageTextEvent OnGetImageText;
    TTGGetLineStyleEvent OnGetLineStyle;
    TTGGetCellIsEmptyEvent OnGetCellIsEmpty;
};
