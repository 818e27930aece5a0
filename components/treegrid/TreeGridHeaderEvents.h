#pragma once

// The tree's events about its header: clicks, mouse, dragging and resizing of columns, auto-fit
// and owner drawing. The tree inherits them; the header fires them through the tree's Do*
// methods below, with itself as sender.

#include <functional>

#include <QPoint>
#include <QRect>

#include "CursorRegistry.h"
#include "treegrid/TreeGridColumn.h"

class QMenu;
class TCanvas;
class TTreeGridHeader;
class TBaseTreeGrid;

enum TTGMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during a mouse action; ssDouble marks a double click.
enum TTGShiftStateItem : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TTGShiftState = TTGSet<TTGShiftStateItem, std::uint8_t>;
TTGShiftState ShiftStateFrom(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons = Qt::NoButton);

enum TTGHeaderHitPosition : std::uint8_t { hhiNoWhere, hhiOnColumn, hhiOnIcon, hhiOnCheckbox };
using TTGHeaderHitPositions = TTGSet<TTGHeaderHitPosition, std::uint8_t>;

// What a header click hit; X and Y are relative to the header's top-left corner.
struct TTGHeaderHitInfo {
    int X = 0;
    int Y = 0;
    TTGMouseButton Button = mbLeft;
    TTGShiftState Shift;
    TColumnIndex Column = NoColumn;
    TTGHeaderHitPositions HitPosition;
};

enum TSmartAutoFitType : std::uint8_t { smaAllColumns, smaNoColumn, smaUseColumnOption };

enum TTGDropMarkMode : std::uint8_t { dmmNone, dmmLeft, dmmRight };

enum THeaderPaintElement : std::uint8_t { hpeBackground, hpeDropMark, hpeHeaderGlyph, hpeSortGlyph, hpeText };
using THeaderPaintElements = TTGSet<THeaderPaintElement, std::uint8_t>;

// Handed to the advanced owner-draw events; Column is nil for the header's background.
struct THeaderPaintInfo {
    TCanvas *TargetCanvas = nullptr;
    TTreeGridColumn *Column = nullptr;
    QRect PaintRectangle;
    QRect TextRectangle;
    bool IsHoverIndex = false;
    bool IsDownIndex = false;
    bool IsEnabled = false;
    bool ShowHeaderGlyph = false;
    bool ShowSortGlyph = false;
    bool ShowRightBorder = false;
    TTGDropMarkMode DropMark = dmmNone;
    QPoint GlyphPos;
    QPoint SortGlyphPos;
};

class TTreeGridHeaderEvents
{
public:
    virtual ~TTreeGridHeaderEvents() = default;

    using THeaderClickEvent = std::function<void(TTreeGridHeader *sender, const TTGHeaderHitInfo &hitInfo)>;
    using THeaderMouseEvent = std::function<void(TTreeGridHeader *sender, TTGMouseButton button, TTGShiftState shift,
                                                 int x, int y)>;
    using THeaderMouseMoveEvent = std::function<void(TTreeGridHeader *sender, TTGShiftState shift, int x, int y)>;
    using TColumnEvent = std::function<void(TTreeGridHeader *sender, TColumnIndex column)>;
    using TColumnAllowedEvent = std::function<void(TTreeGridHeader *sender, TColumnIndex column, bool &allowed)>;
    using THeaderNotifyEvent = std::function<void(TTreeGridHeader *sender)>;
    using TShiftEvent = std::function<void(TTreeGridHeader *sender, TTGShiftState shift)>;
    using TColumnShiftEvent = std::function<void(TTreeGridHeader *sender, TColumnIndex column, TTGShiftState shift)>;

    THeaderClickEvent OnHeaderClick;
    THeaderClickEvent OnHeaderDblClick;
    THeaderMouseEvent OnHeaderMouseDown;
    THeaderMouseEvent OnHeaderMouseUp;
    THeaderMouseMoveEvent OnHeaderMouseMove;
    TColumnAllowedEvent OnHeaderDragging;
    std::function<void(TTreeGridHeader *sender, TColumnIndex column, TColumnPosition oldPosition)> OnHeaderDragged;
    std::function<void(TTreeGridHeader *sender, TColumnIndex column, QPoint dropPosition)> OnHeaderDraggedOut;
    std::function<void(TTreeGridHeader *sender, TCursor &cursor)> OnGetHeaderCursor;
    TColumnEvent OnColumnResize;
    std::function<void(TTreeGridHeader *sender, QPoint p, TColumnIndex column, bool &allowed)>
        OnCanSplitterResizeColumn;

    std::function<void(TTreeGridHeader *sender, TSmartAutoFitType &smartAutoFitType)> OnBeforeAutoFitColumns;
    THeaderNotifyEvent OnAfterAutoFitColumns;
    std::function<void(TTreeGridHeader *sender, TColumnIndex column, TSmartAutoFitType &smartAutoFitType,
                       bool &allowed)>
        OnBeforeAutoFitColumn;
    TColumnEvent OnAfterAutoFitColumn;

    TColumnShiftEvent OnBeforeColumnWidthTracking;
    std::function<void(TTreeGridHeader *sender, TColumnIndex column, TTGShiftState shift, QPoint &trackPoint,
                       QPoint p, bool &allowed)>
        OnColumnWidthTracking;
    TColumnEvent OnAfterColumnWidthTracking;
    std::function<void(TTreeGridHeader *sender, TColumnIndex column, TTGShiftState shift, QPoint p, bool &allowed)>
        OnColumnWidthDblClickResize;
    TShiftEvent OnBeforeHeaderHeightTracking;
    std::function<void(TTreeGridHeader *sender, QPoint &p, TTGShiftState shift, bool &allowed)>
        OnHeaderHeightTracking;
    THeaderNotifyEvent OnAfterHeaderHeightTracking;
    std::function<void(TTreeGridHeader *sender, QPoint &p, TTGShiftState shift, bool &allowed)>
        OnHeaderHeightDblClickResize;

    // The context menu of the tree; for the header the node is nil.
    std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, QPoint p, bool &askParent,
                       QMenu *&popupMenu)>
        OnGetPopupMenu;

    // Owner drawing (hoOwnerDraw): whole columns, or single elements of them.
    std::function<void(TTreeGridHeader *sender, TCanvas &canvas, TTreeGridColumn *column, const QRect &r, bool hover,
                       bool pressed, TTGDropMarkMode dropMark)>
        OnHeaderDraw;
    std::function<void(TTreeGridHeader *sender, THeaderPaintInfo &paintInfo, THeaderPaintElements &elements)>
        OnHeaderDrawQueryElements;
    std::function<void(TTreeGridHeader *sender, THeaderPaintInfo &paintInfo, THeaderPaintElements elements)>
        OnAdvancedHeaderDraw;

    // ---- firing (each only when its event is assigned)
    virtual void DoHeaderClick(const TTGHeaderHitInfo &hitInfo);
    virtual void DoHeaderDblClick(const TTGHeaderHitInfo &hitInfo);
    virtual void DoHeaderMouseDown(TTGMouseButton button, TTGShiftState shift, int x, int y);
    virtual void DoHeaderMouseUp(TTGMouseButton button, TTGShiftState shift, int x, int y);
    virtual void DoHeaderMouseMove(TTGShiftState shift, int x, int y);
    virtual bool DoHeaderDragging(TColumnIndex column);
    virtual void DoHeaderDragged(TColumnIndex column, TColumnPosition oldPosition);
    virtual void DoHeaderDraggedOut(TColumnIndex column, QPoint dropPosition);
    virtual void DoGetHeaderCursor(TCursor &cursor);
    virtual bool DoCanSplitterResizeColumn(QPoint p, TColumnIndex column);
    // After a width change: rows re-measure and repaint, OnColumnResize fires.
    virtual void DoColumnResize(TColumnIndex column);
    virtual QMenu *DoGetHeaderPopupMenu(TColumnIndex column, QPoint p);
    virtual void DoHeaderDraw(TCanvas &canvas, TTreeGridColumn *column, const QRect &r, bool hover, bool pressed,
                              TTGDropMarkMode dropMark);
    virtual void DoHeaderDrawQueryElements(THeaderPaintInfo &paintInfo, THeaderPaintElements &elements);
    virtual void DoAdvancedHeaderDraw(THeaderPaintInfo &paintInfo, THeaderPaintElements elements);

private:
    TBaseTreeGrid *Tree();
    TTreeGridHeader *EventHeader();
};
