#pragma once

// Small types of the tree-grid's mouse, keyboard and hint handling.

#include <QPointer>
#include <QRect>
#include <QString>

#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridSet.h"
#include "treegrid/TreeGridTypes.h"

class TBaseTreeGrid;

// Whether a press on a node may start a drag by itself or only when the owner allows it.
enum TTGDragMode : std::uint8_t { dmManual, dmAutomatic };

enum TTGSearchDirection : std::uint8_t { sdForward, sdBackward };

// What the pop-up text over a node shows.
enum TTGHintMode : std::uint8_t { hmDefault, hmHint, hmHintAndDefault, hmTooltip };

enum TTGTooltipLineBreakStyle : std::uint8_t { hlbDefault, hlbForceSingleLine, hlbForceMultiLine };

// What the hint window shows: for a node hint or tooltip the node and column, for a header hint
// no node and the column; the area is where the mouse may move without the hint changing.
struct TTGHintData {
    QPointer<TBaseTreeGrid> Tree;
    PGridNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    QRect HintRect;
    QString DefaultHint;
    QString HintText;
    TColumnBiDiMode BiDiMode = bdLeftToRight;
    TColumnAlignment Alignment = taLeftJustify;
    TTGTooltipLineBreakStyle LineBreakStyle = hlbDefault;
    bool Tooltip = false; // a cut-off cell shown whole rather than a hint text
};

// One mouse message as the tree handles it: the position in client coordinates, the button
// that changed and the buttons and keys held after the change.
struct TTGMouseMessage {
    QPoint Pos;
    QPoint GlobalPos;
    Qt::MouseButton Button = Qt::NoButton;
    Qt::MouseButtons Buttons;
    Qt::KeyboardModifiers Keys;
};
