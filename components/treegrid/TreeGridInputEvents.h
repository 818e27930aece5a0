#pragma once

// The tree's events about the mouse and the keys: the window's own mouse and key events,
// fired before the tree acts on them, and the tree's events about what they do. The tree
// inherits them (BaseTreeGridMouse*.cpp, BaseTreeGridKeyboard.cpp, BaseTreeGridSearch.cpp).

#include <QPoint>
#include <QString>

#include <functional>

#include "CursorRegistry.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridHeaderEvents.h"
#include "treegrid/TreeGridTypes.h"

class TBaseTreeGrid;

class TTreeGridInputEvents
{
public:
    using TTGMouseEvent = std::function<void(TBaseTreeGrid *sender, TTGMouseButton button, TTGShiftState shift,
                                             int x, int y)>;
    using TTGMouseMoveEvent = std::function<void(TBaseTreeGrid *sender, TTGShiftState shift, int x, int y)>;
    using TTGMouseWheelEvent = std::function<void(TBaseTreeGrid *sender, TTGShiftState shift, int wheelDelta,
                                                  QPoint mousePos, bool &handled)>;
    using TTGNotifyEvent = std::function<void(TBaseTreeGrid *sender)>;
    using TTGDragAllowedEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                   bool &allowed)>;
    using TTGHotNodeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode oldNode, PGridNode newNode)>;
    using TTGGetCursorEvent = std::function<void(TBaseTreeGrid *sender, TCursor &cursor)>;
    using TTGColumnClickEvent = std::function<void(TBaseTreeGrid *sender, TColumnIndex column, TTGShiftState shift)>;
    using TTGNodeHeightTrackingEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                          TTGShiftState shift, QPoint &trackPoint, QPoint p,
                                                          bool &allowed)>;
    using TTGNodeHeightDblClickResizeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node,
                                                                TColumnIndex column, TTGShiftState shift, QPoint p,
                                                                bool &allowed)>;
    using TTGKeyEvent = std::function<void(TBaseTreeGrid *sender, int &key, Qt::KeyboardModifiers shift)>;
    using TTGKeyActionEvent = std::function<void(TBaseTreeGrid *sender, int &charCode, Qt::KeyboardModifiers &shift,
                                                 bool &doDefault)>;
    using TTGIncrementalSearchEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node,
                                                         const QString &searchText, int &result)>;

    // The window's own mouse and key events, fired before the tree acts on them.
    TTGMouseEvent OnMouseDown;
    TTGMouseEvent OnMouseUp;
    TTGMouseMoveEvent OnMouseMove;
    TTGMouseWheelEvent OnMouseWheel;
    TTGNotifyEvent OnClick;
    TTGNotifyEvent OnDblClick;
    TTGKeyEvent OnKeyDown;
    TTGKeyEvent OnKeyUp;
    // The tree's events about mouse and keyboard.
    TTGDragAllowedEvent OnDragAllowed;
    TTGHotNodeEvent OnHotChange;
    TTGGetCursorEvent OnGetCursor;
    TTGColumnClickEvent OnColumnClick;
    TTGColumnClickEvent OnColumnDblClick;
    TTGNodeHeightTrackingEvent OnNodeHeightTracking;
    TTGNodeHeightDblClickResizeEvent OnNodeHeightDblClickResize;
    TTGKeyActionEvent OnKeyAction;
    TTGIncrementalSearchEvent OnIncrementalSearch;
};
