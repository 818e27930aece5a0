#pragma once

// The header of a tree-grid. Member definitions are split by concern:
//   TreeGridHeader.cpp        properties, hit tests, links into the tree
//   TreeGridHeaderMouse.cpp   the mouse and key messages, tracking, column dragging
//   TreeGridHeaderSizing.cpp  height limits, rescaling, spring columns, auto-fit, distribution
//   TreeGridHeaderStream.cpp  the header and column streams
//   TreeGridHeaderEvents.*    the tree's header events
//   TreeGridHeaderWidget.*    the strip on screen; TreeGridHeaderOverlays.* drag picture, resize slide
// The column collection paints the header buttons (TreeGridColumnsPaint.cpp) and keeps hover,
// press and click (TreeGridColumnsInput.cpp).

#include <memory>

#include <QIODevice>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QtGlobal>

#include "CanvasObjects.h"
#include "Color.h"
#include "CursorRegistry.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeaderEvents.h"

class TImageList;
class TTreeGridHeaderWidget;
class TTGHeaderDragImage;

enum TSortDirection : qint32 { sdAscending, sdDescending };

// Bit numbers of the 16-bit option set (the value the header stream stores).
enum TTGHeaderOption : std::uint8_t {
    hoAutoResize,
    hoColumnResize,
    hoDblClickResize,
    hoDrag,
    hoHotTrack,
    hoOwnerDraw,
    hoRestrictDrag,
    hoShowHint,
    hoShowImages,
    hoShowSortGlyphs,
    hoVisible,
    hoAutoSpring,
    hoFullRepaintOnResize,
    hoDisableAnimatedResize,
    hoHeightResize,
    hoHeightDblClickResize
};
using TTGHeaderOptions = TTGSet<TTGHeaderOption, std::uint16_t>;

enum THeaderState : std::uint8_t {
    hsAutoSizing,
    hsDragging,
    hsDragPending,
    hsLoading,
    hsColumnWidthTracking,
    hsColumnWidthTrackPending,
    hsHeightTracking,
    hsHeightTrackPending,
    hsResizing,
    hsScaling,
    hsNeedScaling
};
using THeaderStates = TTGSet<THeaderState, std::uint16_t>;

enum TTGHeaderStyle : qint32 { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

// The mouse and key messages the header handles before the tree does. Positions are client
// coordinates of the tree: the header lies above the rows, at negative y. The "NC" kinds happen
// on the header strip itself, the others in the rows (or anywhere while the mouse is captured).
enum TTGHeaderMessageKind : std::uint8_t {
    hmSize,
    hmKillFocus,
    hmKeyDown,
    hmSetCursor,
    hmNCMouseMove,
    hmHeaderTimer,
    hmLButtonDown,
    hmNCLButtonDown,
    hmMouseMove,
    hmLButtonUp,
    hmNCLButtonUp,
    hmLButtonDblClk,
    hmNCLButtonDblClk,
    hmNCRButtonDblClk,
    hmNCMButtonDblClk,
    hmNCRButtonDown,
    hmNCMButtonDown,
    hmNCRButtonUp,
    hmNCMButtonUp,
    hmParentFontChanged,
    hmParentBiDiModeChanged
};

struct TTGHeaderMessage {
    TTGHeaderMessageKind Kind = hmNCMouseMove;
    QPoint Pos;                   // client coordinates of the tree
    QPoint ScreenPos;             // the same point on the screen
    TTGShiftState Shift;          // keys and buttons of the message
    int Key = 0;                  // hmKeyDown: the Qt key
    TCursor Cursor = crDefault;   // hmSetCursor: the cursor to show when handled
};

// Limits of the header height and of the fixed columns' width, in percent (0 = none).
class TTreeGridHeader;
struct TTGFixedAreaConstraints
{
    explicit TTGFixedAreaConstraints(TTreeGridHeader *header) : FHeader(header) {}

    int MaxHeightPercent() const { return FMaxHeightPercent; }
    int MaxWidthPercent() const { return FMaxWidthPercent; }
    int MinHeightPercent() const { return FMinHeightPercent; }
    int MinWidthPercent() const { return FMinWidthPercent; }
    void SetMaxHeightPercent(int value);
    void SetMaxWidthPercent(int value);
    void SetMinHeightPercent(int value);
    void SetMinWidthPercent(int value);
    void Assign(const TTGFixedAreaConstraints &source);

private:
    friend class TTreeGridHeader;
    void Change();
    void SetLimit(int &limit, int &opposite, int value, bool upper);

    TTreeGridHeader *FHeader;
    int FMaxHeightPercent = 0;
    int FMaxWidthPercent = 0;
    int FMinHeightPercent = 0;
    int FMinWidthPercent = 0;
};

// The header of a tree-grid: owns the column collection and keeps height, font, options, the
// main column, the sort column and direction and the auto-size column; turns mouse input on the
// header strip into resizing, dragging, clicks and sorting. Owned by its tree, to which it keeps
// a plain back link (nil for a header without a tree). The strip itself is a child widget of the
// tree placed above the rows (TTreeGridHeaderWidget).
class TTreeGridHeader
{
public:
    explicit TTreeGridHeader(TBaseTreeGrid *owner);
    virtual ~TTreeGridHeader();

    TTreeGridHeader(const TTreeGridHeader &) = delete;
    TTreeGridHeader &operator=(const TTreeGridHeader &) = delete;

    TBaseTreeGrid *Treeview() const { return FOwner; }
    TTreeGridColumns *Columns() const { return FColumns.get(); }
    void SetColumns(const TTreeGridColumns &value) { FColumns->Assign(value); }
    // The strip on screen; nil for a header without a tree.
    TTreeGridHeaderWidget *Widget() const;

    TTGHeaderOptions Options() const { return FOptions; }
    void SetOptions(TTGHeaderOptions value);
    THeaderStates States() const { return FStates; }
    void DoStateChange(THeaderStates enter, THeaderStates leave);
    TTGHeaderStyle Style() const { return FStyle; }
    void SetStyle(TTGHeaderStyle value);
    TColor Background() const { return FBackground; }
    void SetBackground(TColor value);

    // The header's own font; with ParentFont it follows the tree's.
    const TFont &Font() const { return FFont; }
    void SetFont(const TFont &value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    // Column glyphs; not owned. Changes of the list repaint the header.
    TImageList *Images() const { return FImages; }
    void SetImages(TImageList *value);
    QMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu *value) { FPopupMenu = value; }

    int Height() const { return FHeight; }
    void SetHeight(int value);
    int DefaultHeight() const { return FDefaultHeight; }
    void SetDefaultHeight(int value);
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int value);
    TTGFixedAreaConstraints &FixedAreaConstraints() { return FFixedAreaConstraints; }
    const TTGFixedAreaConstraints &FixedAreaConstraints() const { return FFixedAreaConstraints; }

    TColumnIndex MainColumn() const;
    void SetMainColumn(TColumnIndex value);
    TColumnIndex SortColumn() const { return FSortColumn; }
    void SetSortColumn(TColumnIndex value);
    TSortDirection SortDirection() const { return FSortDirection; }
    void SetSortDirection(TSortDirection value);
    TColumnIndex AutoSizeIndex() const { return FAutoSizeIndex; }
    void SetAutoSizeIndex(TColumnIndex value);

    bool UseColumns() const { return FColumns->Count() > 0; }
    bool AllowFocus(TColumnIndex column) const;
    void UpdateMainColumn();
    // Repaints the header, or one column's cell (to the header's edge with expandToBorder).
    void Invalidate(const TTreeGridColumn *column = nullptr, bool expandToBorder = false);
    // Columns moved from x on (as drawn, scroll applied): the header and the rows repaint from
    // there to their right edge (all of it in right-to-left reading).
    void InvalidateFrom(int x);
    // The header's height or visibility changed: the rows make room for it.
    virtual void RecalculateHeader();
    void RescaleHeader();
    void UpdateSpringColumns();
    void FixedAreaConstraintsChanged();
    void ChangeScale(int m, int d);
    void Assign(const TTreeGridHeader &source);
    bool IsLoading() const;

    // ---- sizing of columns
    // Sets each visible, resizable column of the display-position range to its widest content.
    void AutoFitColumns(bool animated = true, TSmartAutoFitType smartAutoFitType = smaUseColumnOption,
                        int rangeStartCol = NoColumn, int rangeEndCol = NoColumn);
    // Spreads a width change over the columns of the index range that have all the options; the
    // result is the change applied.
    int ResizeColumns(int changeBy, TColumnIndex rangeStartCol, TColumnIndex rangeEndCol,
                      TTGColumnOptions options = {coVisible});
    // Gives every visible, resizable column back the width it had before its last resize.
    void RestoreColumns();

    // ---- hit tests (client coordinates of the tree)
    QRect HeaderRect() const;
    bool InHeader(QPoint p) const;
    bool InHeaderSplitterArea(QPoint p) const;
    // Sets the track column and point when p lies on a column border that may be dragged.
    bool DetermineSplitterIndex(QPoint p);
    QPoint TrackPoint() const { return FTrackPoint; }
    static TTGShiftState GetShiftState();

    // ---- input: true when the header took the message
    virtual bool HandleMessage(TTGHeaderMessage &message);

    // ---- streams (32-bit little-endian values); reading a damaged stream raises EReadError
    // and changes nothing
    virtual bool CanWriteColumns() const { return true; }
    void LoadFromStream(QIODevice &stream);
    void SaveToStream(QIODevice &stream) const;

    // Links into the tree; every place where columns or header reach the tree goes through here.
    int TreeClientWidth() const;
    int TreeClientHeight() const;
    int TreeHeight() const;
    int TreeEffectiveOffsetX() const;
    int TreeIndent() const;
    bool TreeUseRightToLeft() const;
    bool TreeUpdating() const;
    bool TreeHandleAllocated() const;
    bool TreeEnabled() const;
    bool TreeUseThemes() const;
    TColor TreeColor() const;
    TColumnBiDiMode TreeBiDiMode() const;
    void TreeDoColumnResize(TColumnIndex column);
    void TreeInvalidate();
    void TreeUpdateHorizontalScrollBar();
    void TreeEndEditNode();
    // A press on the header ends a running edit as the editor's loss of focus would, and the tree
    // takes the focus then; false when the edit refuses to stop.
    bool TreeFinishEditForPress();
    void TreeMainColumnChanged();
    void TreeSortIfAutoSort();
    // Before columns go: a running edit of one of them, or of one after them, is cancelled.
    void TreeColumnRemoved(TColumnIndex first, int count = 1);
    // Cancels a running edit of any column, even one whose editor refuses.
    void TreeCancelEdit();
    void TreeColumnsCleared();
    bool TreeCanSplitterResize(QPoint p, TColumnIndex column) const;
    int TreeGetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth) const;
    // The check image list of the tree and the image of a header check box in it.
    TImageList *TreeCheckImages() const;
    int TreeGetCheckImage(TCheckType type, TCheckState state, bool enabled) const;

protected:
    virtual void DoSetSortColumn(TColumnIndex value);
    virtual void DoAfterAutoFitColumn(TColumnIndex column);
    virtual void DoAfterColumnWidthTracking(TColumnIndex column);
    virtual void DoAfterHeightTracking();
    virtual bool DoBeforeAutoFitColumn(TColumnIndex column, TSmartAutoFitType &smartAutoFitType);
    virtual void DoBeforeColumnWidthTracking(TColumnIndex column, TTGShiftState shift);
    virtual void DoBeforeHeightTracking(TTGShiftState shift);
    virtual bool DoColumnWidthDblClickResize(TColumnIndex column, QPoint p, TTGShiftState shift);
    virtual bool DoColumnWidthTracking(TColumnIndex column, TTGShiftState shift, QPoint &trackPoint, QPoint p);
    virtual QMenu *DoGetPopupMenu(TColumnIndex column, QPoint position);
    virtual bool DoHeightTracking(QPoint &p, TTGShiftState shift);
    virtual bool DoHeightDblClickResize(QPoint &p, TTGShiftState shift);

private:
    friend class TTreeGridColumns;
    friend class TTreeGridHeaderWidget;

    // TreeGridHeaderMouse.cpp
    void HandleHeaderMouseMove(QPoint p, QPoint screenPos, TTGShiftState shift);
    void PrepareDrag(QPoint p, QPoint start);
    void DragTo(QPoint screenPos);
    void EndDrag();
    bool ColumnSplitterHit(QPoint p);
    bool HandleLeftButtonDown(const TTGHeaderMessage &message, bool client);
    bool HandleLeftButtonUp(const TTGHeaderMessage &message, bool client);
    bool HandleDoubleClick(const TTGHeaderMessage &message, TTGMouseButton button, bool client);
    bool HandleRightButtonUp(const TTGHeaderMessage &message);
    void StartHeaderTimer();
    void StopHeaderTimer();
    void CaptureInput(bool capture);
    QPoint HeaderPoint(QPoint clientPoint) const { return clientPoint + QPoint(0, FHeight); }

    void FontChanged();
    void ImagesChanged();

    TBaseTreeGrid *FOwner;
    std::unique_ptr<TTreeGridColumns> FColumns;
    QPointer<TTreeGridHeaderWidget> FWidget;
    int FHeight = 17;
    int FDefaultHeight = 17;
    int FMinHeight = 10;
    int FMaxHeight = 10000;
    TFont FFont;
    bool FParentFont = false;
    TTGHeaderOptions FOptions{hoColumnResize, hoDrag, hoShowSortGlyphs};
    THeaderStates FStates;
    TTGHeaderStyle FStyle = hsThickButtons;
    TColor FBackground;
    TColumnIndex FAutoSizeIndex = 0;
    QPointer<QMenu> FPopupMenu;
    TColumnIndex FMainColumn = NoColumn;
    TColumnIndex FSortColumn = NoColumn;
    TSortDirection FSortDirection = sdAscending;
    TImageList *FImages = nullptr;
    int FImagesLink = 0;
    TTGFixedAreaConstraints FFixedAreaConstraints;
    QPoint FTrackPoint;
    QPoint FTrackStart;
    QPoint FDragStart;
    std::unique_ptr<TTGHeaderDragImage> FDragImage;
    int FLastWidth = 0;
};

using TTGHeader = TTreeGridHeader;
