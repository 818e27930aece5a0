#pragma once

// The tree-grid control: a tree of cheap, lazily initialised nodes shown as rows of a grid.
// Member definitions are split by concern:
//   BaseTreeGrid.cpp           construction, destruction, options, simple properties
//   BaseTreeGridNodes.cpp      node blocks, user data, adding, deleting, linking, counts, heights
//                              (nodes removed while handlers run: TTreeGridRemovedNodes)
//   BaseTreeGridUpdate.cpp     update bracket, change notifications, state changes, operations
//   BaseTreeGridIteration.cpp  iterators, visibility, expansion
//   BaseTreeGridWorker.cpp     position cache and its validation (with TreeGridWorkerThread)
//   BaseTreeGridSelection.cpp, BaseTreeGridChecks.cpp, BaseTreeGridSort.cpp, TreeGrid*Column*,
//   TreeGridHeader             selection, focus, checks, sorting, columns and the header
//   BaseTreeGridGeometry.cpp   positions of rows and cells, hit testing, widths
//   BaseTreeGridScroll.cpp     offsets, scroll bars, scrolling into view, header margin, size
//   BaseTreeGridPaint.cpp      the paint cycle: rows through a row bitmap, cells, paint events
//   BaseTreeGridDecoration.cpp selection and focus, tree lines, buttons, images, background
//   BaseTreeGridAnimation.cpp  timer-driven animations (expand and collapse)
//   BaseTreeGridMouse*.cpp, BaseTreeGridPanning.cpp, BaseTreeGridKeyboard.cpp, BaseTreeGridSearch.cpp,
//   BaseTreeGridHints.cpp      mouse, wheel, panning, keys, incremental search and hints
//   BaseTreeGridStream.cpp     node streams (the format: TreeGridNodeStream)
//   BaseTreeGridEdit.cpp       in-place editing through an edit link
//   BaseTreeGridDragDrop.cpp   dragging nodes out of the tree and dropping data on it (the
//                              pictures of dragged rows: the base TTreeGridDragPictures)
//   BaseTreeGridFrameworkDrag.cpp  framework-style dragging between the program's trees
//   BaseTreeGridClipboard.cpp  cut, copy, paste, exchanged data and the edit actions

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "treegrid/TreeGridColors.h"
#include "treegrid/TreeGridDragPictures.h"
#include "treegrid/TreeGridDragManager.h"
#include "treegrid/TreeGridOptions.h"
#include "treegrid/TreeGridTypes.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderEvents.h"
#include "treegrid/TreeGridInputTypes.h"
#include "treegrid/TreeGridPaintTypes.h"
#include "treegrid/TreeGridPaintEvents.h"
#include "treegrid/TreeGridInputEvents.h"
#include "treegrid/TreeGridRemovedNodes.h"
#include "treegrid/TreeGridScrollBarOptions.h"
#include "CanvasObjects.h"
#include "CanvasTypes.h"

class QPainter;
class QMimeData;
class QAction;
class ITGEditLink;
class QIODevice;
class TTGNodeStreamReader;
class TTreeGridHeader;
class TWorkerThread;
class TCanvas;
class TImageList;
class QScrollBar;
class QMenu;
class QMouseEvent;
class QWheelEvent;
class QKeyEvent;
class QFocusEvent;
class QContextMenuEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDragLeaveEvent;
class QDropEvent;
class TTreeGridHintWindow;
class TTreeGridPanningWindow;

class TBaseTreeGrid : public QAbstractScrollArea,
                      public TTreeGridHeaderEvents,
                      public TTreeGridPaintEvents,
                      public TTreeGridInputEvents,
                      public TTreeGridDragPictures
{
    Q_OBJECT
    friend class TWorkerThread;
    friend class TCustomTreeGridOptions;
    friend class TCustomStringTreeOptions;
    friend class TTGColors;

public:
    // ---- event types
    using TTGNodeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node)>;
    using TTGNodeAllowedEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, bool &allowed)>;
    using TTGInitNodeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode parent, PGridNode node,
                                                TGridNodeInitStates &initialStates)>;
    using TTGInitChildrenEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, std::uint32_t &childCount)>;
    using TTGMeasureItemEvent = std::function<void(TBaseTreeGrid *sender, QPainter *canvas, PGridNode node,
                                                   int &nodeHeight)>;
    using TTGGetNodeDataSizeEvent = std::function<void(TBaseTreeGrid *sender, int &nodeDataSize)>;
    using TTGStructureChangeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TChangeReason reason)>;
    using TTGUpdatingEvent = std::function<void(TBaseTreeGrid *sender, TTGUpdateState state)>;
    using TTGStateChangeEvent = std::function<void(TBaseTreeGrid *sender, TTreeGridStates enter, TTreeGridStates leave)>;
    using TTGNodeMovingEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, PGridNode target, bool &allowed)>;
    using TTGScrollEvent = std::function<void(TBaseTreeGrid *sender, int deltaX, int deltaY)>;

    explicit TBaseTreeGrid(QWidget *parent = nullptr);
    ~TBaseTreeGrid() override;

    // Constructs a tree and runs its creation step (virtual calls dispatch there, unlike in
    // the constructor). The tree is owned by its Qt parent, or by the caller without one.
    template <class T, class... Args>
    static T *Create(Args &&...args)
    {
        T *tree = new T(std::forward<Args>(args)...);
        tree->AfterConstruction();
        return tree;
    }
    // The creation step: makes the header. Safe to call more than once.
    virtual void AfterConstruction();

    // ---- events (each fired by its protected virtual Do* method, only when assigned)
    TTGInitNodeEvent OnInitNode;
    TTGInitChildrenEvent OnInitChildren;
    TTGNodeEvent OnFreeNode;
    TTGMeasureItemEvent OnMeasureItem;
    TTGGetNodeDataSizeEvent OnGetNodeDataSize;
    TTGStructureChangeEvent OnStructureChange;
    TTGNodeEvent OnChange;
    TTGUpdatingEvent OnUpdating;
    TTGStateChangeEvent OnStateChange;
    TTGNodeEvent OnResetNode;
    TTGNodeAllowedEvent OnExpanding;
    TTGNodeAllowedEvent OnCollapsing;
    TTGNodeEvent OnExpanded;
    TTGNodeEvent OnCollapsed;
    TTGNodeMovingEvent OnNodeMoving;
    TTGNodeMovingEvent OnNodeCopying;
    TTGNodeEvent OnNodeMoved;
    TTGNodeEvent OnNodeCopied;
    TTGScrollEvent OnScroll;

    // ---- node storage and structure
    PGridNode RootNode() const { return FRoot; }
    virtual PGridNode AddChild(PGridNode parent, void *userData = nullptr);
    // The positions of the following siblings are right whenever read; reindex is kept for callers.
    void DeleteNode(PGridNode node, bool reindex = true);
    void DeleteChildren(PGridNode node, bool resetHasChildren = false);
    virtual void Clear();
    // Moves a node (with its subtree) within this tree; not allowed into its own subtree.
    void MoveTo(PGridNode source, PGridNode target, TTGNodeAttachMode mode, bool childrenOnly = false);

    // Whether a handler removed the node (TTreeGridRemovedNodes): its block stays, cut off
    // from the tree and invisible, until control is back in the event loop.
    bool IsRemoved(const TGridNode *node) const { return FRemovedNodes.Contains(node); }
    using THandlerScope = TTreeGridRemovedNodes::THold;

    std::uint32_t RootNodeCount() const;
    void SetRootNodeCount(std::uint32_t value);
    std::uint32_t ChildCount(PGridNode node) const;
    void SetChildCount(PGridNode node, std::uint32_t newChildCount);
    std::uint32_t TotalCount();
    std::uint32_t VisibleCount() const { return FVisibleCount; }

    // User data: a zero-filled byte area of NodeDataSize bytes per node.
    int NodeDataSize() const { return FNodeDataSize; }
    void SetNodeDataSize(int value);
    void *GetNodeData(PGridNode node) const;
    // Typed user data: a T is constructed in every node's user data when the node is made and
    // destroyed after OnFreeNode when it is freed. Setting it clears the tree like
    // SetNodeDataSize does.
    template <class T>
    void SetNodeDataType()
    {
        static_assert(alignof(T) <= NodeBlockAlignment, "node data type is over-aligned");
        SetTypedNodeData(int(sizeof(T)), &typeid(T), [](void *p) { new (p) T(); },
                         [](void *p) { static_cast<T *>(p)->~T(); });
    }
    template <class T>
    T *GetNodeData(PGridNode node) const
    {
        TGAssert(FNodeDataType == nullptr || *FNodeDataType == typeid(T), "Node data type mismatch.");
        return static_cast<T *>(GetNodeData(node));
    }
    bool HasTypedNodeData() const { return FNodeDataType != nullptr; }

    std::uint32_t TotalInternalDataSize() const { return FTotalInternalDataSize; }
    std::uint32_t NodeHeight(PGridNode node);
    void SetNodeHeight(PGridNode node, std::uint32_t value);
    std::uint32_t DefaultNodeHeight() const { return FDefaultNodeHeight; }
    void SetDefaultNodeHeight(std::uint32_t value);

    virtual void InitNode(PGridNode node);
    virtual void InitChildren(PGridNode node);
    void ValidateNode(PGridNode node, bool recursive);
    void ValidateChildren(PGridNode node, bool recursive);
    virtual void ReinitNode(PGridNode node, bool recursive);
    virtual void ReinitChildren(PGridNode node, bool recursive);
    virtual void ResetNode(PGridNode node);

    virtual QRect InvalidateNode(PGridNode node);
    void InvalidateToBottom(PGridNode node);
    void RepaintNode(PGridNode node);
    void Invalidate();

    // ---- update bracket and notifications
    virtual void BeginUpdate();
    virtual void EndUpdate();
    std::uint32_t UpdateCount() const { return FUpdateCount; }
    void BeginSynch();
    void EndSynch();
    void BeginOperation();
    void EndOperation();
    void CancelOperation();
    bool OperationCanceled() const;
    int ChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(int ms) { FChangeDelay = ms; }
    TTreeGridStates TreeStates() const { return FStates; }

    // ---- options, colours and simple properties
    TCustomTreeGridOptions &TreeOptions() const { return *FOptions; }
    TTGColors &Colors() const { return *FColors; }
    virtual void Assign(const TBaseTreeGrid &source);
    void Loaded();
    bool IsDestroying() const { return FDestroying; }

    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment value);
    std::uint32_t AnimationDuration() const { return FAnimationDuration; }
    void SetAnimationDuration(std::uint32_t value);
    TTGBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TTGBorderStyle value);
    std::uint32_t BottomSpace() const { return FBottomSpace; }
    void SetBottomSpace(std::uint32_t value);
    std::uint32_t Indent() const { return FIndent; }
    void SetIndent(std::uint32_t value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int value);
    TTGNodeAlignment NodeAlignment() const { return FNodeAlignment; }
    void SetNodeAlignment(TTGNodeAlignment value);
    int SelectionBlendFactor() const { return FSelectionBlendFactor; }
    void SetSelectionBlendFactor(int value) { FSelectionBlendFactor = value; }
    TTGButtonStyle ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TTGButtonStyle value);
    TTGButtonFillMode ButtonFillMode() const { return FButtonFillMode; }
    void SetButtonFillMode(TTGButtonFillMode value);
    TTGLineStyle LineStyle() const { return FLineStyle; }
    void SetLineStyle(TTGLineStyle value);
    TTGCheckImageKind CheckImageKind() const { return FCheckImageKind; }
    void SetCheckImageKind(TTGCheckImageKind value);
    std::uint32_t AutoExpandDelay() const { return FAutoExpandDelay; }
    void SetAutoExpandDelay(std::uint32_t value) { FAutoExpandDelay = value; }
    std::uint32_t AutoScrollDelay() const { return FAutoScrollDelay; }
    void SetAutoScrollDelay(std::uint32_t value) { FAutoScrollDelay = value; }
    std::uint32_t AutoScrollInterval() const { return FAutoScrollInterval; }
    void SetAutoScrollInterval(std::uint32_t value) { FAutoScrollInterval = value; }
    std::uint32_t EditDelay() const { return FEditDelay; }
    void SetEditDelay(std::uint32_t value) { FEditDelay = value; }
    TTGNodeAttachMode DefaultPasteMode() const { return FDefaultPasteMode; }
    void SetDefaultPasteMode(TTGNodeAttachMode value) { FDefaultPasteMode = value; }
    TTGIncrementalSearch IncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(TTGIncrementalSearch value);
    TTGSearchStart IncrementalSearchStart() const { return FIncrementalSearchStart; }
    void SetIncrementalSearchStart(TTGSearchStart value) { FIncrementalSearchStart = value; }
    std::uint32_t IncrementalSearchTimeout() const { return FIncrementalSearchTimeout; }
    void SetIncrementalSearchTimeout(std::uint32_t value) { FIncrementalSearchTimeout = value; }
    TTGHintAnimation HintAnimation() const { return FHintAnimation; }
    void SetHintAnimation(TTGHintAnimation value) { FHintAnimation = value; }
    TTGDragOperations DragOperations() const { return FDragOperations; }
    void SetDragOperations(TTGDragOperations value) { FDragOperations = value; }
    TTGDragType DragType() const { return FDragType; }
    void SetDragType(TTGDragType value) { FDragType = value; }

    // The header (columns); created in the creation step, or on first use.
    TTreeGridHeader *Header();

    // ---- geometry, hit testing and scrolling (BaseTreeGridGeometry.cpp, BaseTreeGridScroll.cpp)
    // Absolute coordinates: x from the left edge of the column area, y from the top of the first
    // visible row. Client coordinates are the viewport's: y = absolute y + OffsetY.
    using TTGShowScrollbarEvent = std::function<void(TBaseTreeGrid *sender, TScrollBarKind bar, bool show)>;
    using TTGColumnWidthEvent = std::function<void(TBaseTreeGrid *sender, TColumnIndex column)>;
    TTGShowScrollbarEvent OnShowScrollbar;
    TTGColumnWidthEvent OnBeforeGetMaxColumnWidth;
    TTGColumnWidthEvent OnAfterGetMaxColumnWidth;

    int OffsetX() const { return FOffsetX; }
    int OffsetY() const { return FOffsetY; }
    QPoint OffsetXY() const { return QPoint(FOffsetX, FOffsetY); }
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    void SetOffsetXY(QPoint value);
    // The horizontal scroll position as a positive distance in reading direction.
    int EffectiveOffsetX() const { return int(FEffectiveOffsetX); }
    std::int64_t RangeX() const { return FRangeX; }
    std::int64_t RangeY() const { return FRangeY; }
    int ClientWidth() const;
    // Whether the window exists (the widget was shown or created once).
    bool HandleAllocated() const { return testAttribute(Qt::WA_WState_Created); }
    int ClientHeight() const;
    // Moves the content; x and y are clamped to the ranges. True when anything moved.
    virtual bool DoSetOffsetXY(QPoint value, TScrollUpdateOptions options, const QRect *clipRect = nullptr);
    virtual void UpdateScrollBars(bool doRepaint);
    void UpdateVerticalScrollBar(bool doRepaint);
    void UpdateHorizontalScrollBar(bool doRepaint);
    TTGScrollBarOptions &ScrollBarOptions() const { return *FScrollBarOptions; }
    // The option object calls this after a change: bar policies and steps follow.
    void ScrollBarOptionsChanged();

    PGridNode GetNodeAt(int x, int y);
    // The node at a position and its top (client coordinates with relative, else absolute);
    // nil below the last row. The x coordinate is not used.
    PGridNode GetNodeAt(int x, int y, bool relative, int &nodeTop);
    // The absolute top of a row (the sum of the heights of all visible nodes before it).
    std::int64_t GetNodeTop(PGridNode node);
    PGridNode TopNode();
    void SetTopNode(PGridNode node);
    PGridNode BottomNode();
    void SetBottomNode(PGridNode node);
    // The rectangle of a node's cell in client coordinates; empty for a node that shows no row.
    QRect GetDisplayRect(PGridNode node, TColumnIndex column, bool textOnly, bool unclipped = false,
                         bool applyCellContentMargin = false);
    void GetHitTestInfoAt(int x, int y, bool relative, THitInfo &hitInfo);
    THitInfo GetHitTestInfoAt(int x, int y, bool relative = true);
    bool ScrollIntoView(PGridNode node, bool center, bool horizontally = false);
    bool ScrollIntoView(TColumnIndex column, bool center);
    virtual int GetMaxRightExtend();
    int GetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth = false);
    void CalculateVerticalAlignments(bool showImages, bool showStateImages, PGridNode node, int &vAlign,
                                     int &buttonY);
    void AdjustCoordinatesByIndent(TTGPaintInfo &paintInfo, int indentLevel);
    virtual int ComputeRTLOffset(bool excludeScrollBar = false);
    // The margins an OnBeforeCellPaint handler takes off a cell; asked on a scratch canvas.
    virtual QPoint DoGetCellContentMargin(PGridNode node, TColumnIndex column,
                                          TTGCellContentMarginType marginType = ccmtAllSides,
                                          TCanvas *canvas = nullptr);
    // The main column: the header's, or NoColumn without columns.
    TColumnIndex MainColumn();
    bool UseColumns();
    // The width of a node's content in a column (0 here; the string tree measures its text).
    virtual int DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas = nullptr);

    // The header strip above the rows (the viewport margin), in the tree's widget coordinates;
    // empty while the header is hidden. The rows start below it.
    QRect HeaderRect() const { return FHeaderRect; }
    void UpdateHeaderRect();
    // Scales the default node height (and the header) by m / d under toAutoChangeScale.
    void ChangeScale(int m, int d);
    // The class library's answer, plus an enabled and visible top-level window.
    bool CanFocus() const;

    // ---- painting (BaseTreeGridPaint.cpp, BaseTreeGridDecoration.cpp; the events: TTreeGridPaintEvents)
    // Paints the part Window of the whole tree picture (absolute coordinates) onto the target
    // canvas with Window's top-left at Target, row by row through one row bitmap.
    void PaintTree(TCanvas &targetCanvas, const QRect &window, QPoint target, TTGInternalPaintOptions paintOptions);
    // The repaint of an update rectangle of the client area, with fixed columns kept in place.
    void Paint(TCanvas &targetCanvas, const QRect &updateRect);

    // The tree's own colour (the background of rows and of the area below them).
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TTGLineMode LineMode() const { return FLineMode; }
    void SetLineMode(TTGLineMode value);
    TTGDrawSelectionMode DrawSelectionMode() const { return FDrawSelectionMode; }
    void SetDrawSelectionMode(TTGDrawSelectionMode value);
    int SelectionCurveRadius() const { return FSelectionCurveRadius; }
    void SetSelectionCurveRadius(int value);
    // Image lists are not owned; they must outlive their use by the tree or be set to nil.
    TImageList *Images() const { return FImages; }
    void SetImages(TImageList *value);
    TImageList *StateImages() const { return FStateImages; }
    void SetStateImages(TImageList *value);
    TImageList *CustomCheckImages() const { return FCustomCheckImages; }
    void SetCustomCheckImages(TImageList *value);
    TImageList *CheckImages() const { return FCheckImages; }
    // A picture behind the rows (shown under toShowBackground), tiled or, under
    // toStaticBackground, standing still.
    const QImage &Background() const { return FBackground; }
    void SetBackground(const QImage &value);
    int BackgroundOffsetX() const { return FBackgroundOffsetX; }
    int BackgroundOffsetY() const { return FBackgroundOffsetY; }
    void SetBackgroundOffset(int index, int value);
    PGridNode HotNode() const { return FCurrentHotNode; }
    PGridNode DropTargetNode() const { return FDropTargetNode; }
    TTGDropMode LastDropMode() const { return FLastDropMode; }

    virtual int GetCheckImage(PGridNode node, TCheckType imgCheckType = TCheckType::ctNone,
                              TCheckState imgCheckState = csUncheckedNormal, bool imgEnabled = true);
    virtual TImageList *GetCheckImageListFor(TTGCheckImageKind kind);
    virtual bool HasImage(PGridNode node, TTGImageKind kind, TColumnIndex column);
    // Runs Callback(step, stepSize) over Duration ms from a timer, then once with (0, 0).
    // Returns at once; nothing when an animation runs or Duration is 0.
    using TTGAnimationCallback = std::function<bool(int step, int stepSize)>;
    void Animate(std::uint32_t steps, std::uint32_t duration, TTGAnimationCallback callback);
    bool Animating() const { return FStates.contains(tsInAnimation); }

    // ---- position cache and its validation worker
    static constexpr std::uint32_t PositionCacheStep = 2000;
    void InvalidateCache();
    virtual void ValidateCache();
    void InterruptValidation();
    // A lookup needs the cache while it is still to be made: made at once, here, so that the
    // lookups after a change cost one walk of the rows instead of a walk each.
    void ValidateCacheNow();
    // Read-only view for lookups and tests; meaningful only while tsUseCache is set.
    const std::vector<TCacheEntry> &PositionCache() const { return FPositionCache; }
    // Counts the changes of the rows (nodes added, freed, moved, shown or hidden): a node
    // remembered under one count may be gone under the next.
    std::uint64_t RowsGeneration() const { return FRowsGeneration; }

    // ---- iteration
    PGridNode GetFirst(bool considerChildrenAbove = false);
    PGridNode GetFirstNoInit(bool considerChildrenAbove = false);
    PGridNode GetFirstInitialized(bool considerChildrenAbove = false);
    PGridNode GetNext(PGridNode node, bool considerChildrenAbove = false);
    PGridNode GetNextNoInit(PGridNode node, bool considerChildrenAbove = false);
    PGridNode GetNextInitialized(PGridNode node, bool considerChildrenAbove = false);
    PGridNode GetPrevious(PGridNode node, bool considerChildrenAbove = false);
    PGridNode GetPreviousNoInit(PGridNode node, bool considerChildrenAbove = false);
    PGridNode GetLast(PGridNode node = nullptr, bool considerChildrenAbove = false);
    PGridNode GetLastNoInit(PGridNode node = nullptr, bool considerChildrenAbove = false);

    PGridNode GetFirstChild(PGridNode node);
    PGridNode GetLastChild(PGridNode node);
    PGridNode GetLastChildNoInit(PGridNode node);
    PGridNode GetNextSibling(PGridNode node);
    PGridNode GetPreviousSibling(PGridNode node);

    PGridNode GetFirstVisible(PGridNode node = nullptr, bool considerChildrenAbove = true, bool includeFiltered = false);
    PGridNode GetFirstVisibleNoInit(PGridNode node = nullptr, bool considerChildrenAbove = true, bool includeFiltered = false);
    PGridNode GetNextVisible(PGridNode node, bool considerChildrenAbove = true);
    PGridNode GetNextVisibleNoInit(PGridNode node, bool considerChildrenAbove = true);
    PGridNode GetPreviousVisible(PGridNode node, bool considerChildrenAbove = true);
    PGridNode GetPreviousVisibleNoInit(PGridNode node, bool considerChildrenAbove = true);
    PGridNode GetLastVisible(PGridNode node = nullptr, bool considerChildrenAbove = true, bool includeFiltered = false);
    PGridNode GetLastVisibleNoInit(PGridNode node = nullptr, bool considerChildrenAbove = true, bool includeFiltered = false);
    PGridNode GetFirstVisibleChild(PGridNode node, bool includeFiltered = false);
    PGridNode GetFirstVisibleChildNoInit(PGridNode node, bool includeFiltered = false);
    PGridNode GetLastVisibleChild(PGridNode node, bool includeFiltered = false);
    PGridNode GetLastVisibleChildNoInit(PGridNode node, bool includeFiltered = false);
    PGridNode GetNextVisibleSibling(PGridNode node, bool includeFiltered = false);
    PGridNode GetNextVisibleSiblingNoInit(PGridNode node, bool includeFiltered = false);
    PGridNode GetPreviousVisibleSibling(PGridNode node, bool includeFiltered = false);
    PGridNode GetPreviousVisibleSiblingNoInit(PGridNode node, bool includeFiltered = false);
    PGridNode GetVisibleParent(PGridNode node, bool includeFiltered = false);

    bool IsFirstVisibleChild(PGridNode parent, PGridNode node);
    bool IsLastVisibleChild(PGridNode parent, PGridNode node);
    bool HasVisibleNextSibling(PGridNode node);
    bool HasVisiblePreviousSibling(PGridNode node);
    std::uint32_t CountVisibleChildren(PGridNode node) const;
    int CountLevelDifference(PGridNode node1, PGridNode node2) const;
    std::uint32_t GetNodeLevel(PGridNode node) const;
    bool HasAsParent(PGridNode node, PGridNode potentialParent) const;

    // ---- visibility and expansion
    bool IsVisible(PGridNode node);
    void SetIsVisible(PGridNode node, bool value);
    bool FullyVisible(PGridNode node) const;
    bool GetVisiblePath(PGridNode node) const;
    bool IsEffectivelyVisible(PGridNode node) const;
    bool IsEffectivelyHidden(PGridNode node) const;
    // True for the root and for every node the visible walk returns: effectively visible
    // with every ancestor expanded and effectively visible.
    bool IsRowVisible(PGridNode node) const;
    void SetIsHidden(PGridNode node, bool value);
    bool Expanded(PGridNode node) const;
    void SetExpanded(PGridNode node, bool value);
    virtual void FullExpand(PGridNode node = nullptr);
    virtual void FullCollapse(PGridNode node = nullptr);
    void ToggleNode(PGridNode node);

    // ---- selection, focus and check state (BaseTreeGridSelection.cpp, BaseTreeGridChecks.cpp)
    friend class TTreeGridHeader;
    friend class TTreeGridColumns;

    using TTGFocusChangingEvent = std::function<void(TBaseTreeGrid *sender, PGridNode oldNode, PGridNode newNode,
                                                     TColumnIndex oldColumn, TColumnIndex newColumn, bool &allowed)>;
    using TTGFocusChangeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column)>;
    using TTGCheckChangingEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TCheckState &newState,
                                                     bool &allowed)>;
    TTGFocusChangingEvent OnFocusChanging;
    TTGFocusChangeEvent OnFocusChanged;
    TTGCheckChangingEvent OnChecking;
    TTGNodeEvent OnChecked;

    bool Selected(PGridNode node) const;
    void SetSelected(PGridNode node, bool value);
    int SelectedCount() const { return FSelectionCount; }
    bool SelectionLocked() const { return FSelectionLocked; }
    void SetSelectionLocked(bool value) { FSelectionLocked = value; }
    PGridNode RangeAnchor() const { return FRangeAnchor; }
    int LastSelectionLevel() const { return FLastSelectionLevel; }
    virtual void AddToSelection(PGridNode node);
    virtual void AddToSelection(const PGridNode *newItems, int newLength, bool forceInsert = false);
    virtual void RemoveFromSelection(PGridNode node);
    void ClearSelection();
    void SelectAll(bool visibleOnly);
    virtual void SelectNodes(PGridNode startNode, PGridNode endNode, bool addOnly);
    virtual void UnselectNodes(PGridNode startNode, PGridNode endNode);
    PGridNode VisibleRangeStart(PGridNode startNode, PGridNode whenNil);
    // The visible nodes between two nodes in tree order, ends included (given in any order);
    // the walk stops past the far end when that one is hidden.
    std::vector<PGridNode> VisibleRange(PGridNode startNode, PGridNode endNode);
    PGridNode SelectionRangeStart(PGridNode startNode, PGridNode endNode);
    virtual void ToggleSelection(PGridNode startNode, PGridNode endNode);
    PGridNode GetFirstSelected(bool considerChildrenAbove = false);
    PGridNode GetNextSelected(PGridNode node, bool considerChildrenAbove = false);
    std::vector<PGridNode> GetSortedSelection(bool trimOverlapped);
    virtual void DeleteSelectedNodes();
    virtual bool FindNodeInSelection(PGridNode node, int &index, int lowBound, int highBound) const;
    virtual void ResetRangeAnchor();
    int CompareNodePositions(PGridNode node1, PGridNode node2, bool considerChildrenAbove = false) const;
    void HandleClickSelection(PGridNode lastFocused, PGridNode newNode, Qt::KeyboardModifiers shift,
                              bool dragPending);
    bool HandleDrawSelection(int x, int y);
    // Selects by the band between its last and its new rectangle; true when anything changed.
    bool CollectDrawSelection();
    bool IsMouseSelecting() const;

    PGridNode FocusedNode() const { return FFocusedNode; }
    void SetFocusedNode(PGridNode node);
    TColumnIndex FocusedColumn() const { return FFocusedColumn; }
    void SetFocusedColumn(TColumnIndex column);
    virtual void SetFocusedNodeAndColumn(PGridNode node, TColumnIndex column);

    TCheckState CheckState(PGridNode node) const;
    void SetCheckState(PGridNode node, TCheckState value);
    TCheckType CheckType(PGridNode node) const;
    void SetCheckType(PGridNode node, TCheckType value);
    virtual TCheckState DetermineNextCheckState(TCheckType checkType, TCheckState checkState) const;
    void UpdateColumnCheckState(TTreeGridColumn *column);

protected:
    virtual bool DoFocusChanging(PGridNode oldNode, PGridNode newNode, TColumnIndex oldColumn,
                                 TColumnIndex newColumn);
    virtual void DoFocusChange(PGridNode node, TColumnIndex column);
    virtual void DoFocusNode(PGridNode node, bool ask);
    virtual bool DoChecking(PGridNode node, TCheckState &newCheckState);
    virtual void DoCheckClick(PGridNode node, TCheckState newCheckState);
    virtual void DoChecked(PGridNode node);
    bool ChangeCheckState(PGridNode node, TCheckState value);
    virtual bool CheckParentCheckState(PGridNode node, TCheckState newCheckState);
    // The header's main column changed: the focused column follows unless toExtendedFocus.
    virtual void MainColumnChanged();

    bool InternalAddToSelection(PGridNode node, bool forceInsert);
    bool InternalAddToSelection(const PGridNode *newItems, int newLength, bool forceInsert);
    // Marks the node's entry removed; PackSelection drops such entries later.
    void InternalRemoveFromSelection(PGridNode node);
    virtual void InternalClearSelection();
    void PackSelection();
    std::vector<PGridNode> SortSelection(bool trimOverlapped);
    void RememberSortedSelection(std::vector<PGridNode> nodes, bool trimOverlapped);
    bool CalculateSelectionRect(int x, int y);
    virtual bool CollectSelectedNodesLTR(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                         Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect);
    virtual bool CollectSelectedNodesRTL(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                         Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect);
    virtual int CheckImageWidth() const;

    // Ascending by address; entries with the lowest bit set are removed but not yet packed.
    std::vector<PGridNode> FSelection;
    int FSelectionCount = 0;
    std::uint64_t FSelectionGeneration = 0; // counts the changes of the selection
    TTGSortedSelection FSortedSelection;
    bool FSelectionLocked = false;
    PGridNode FRangeAnchor = nullptr;
    int FLastSelectionLevel = -1;
    PGridNode FFocusedNode = nullptr;
    TColumnIndex FFocusedColumn = NoColumn;
    PGridNode FCheckNode = nullptr;
    TCheckState FPendingCheckState = csUncheckedNormal;
    std::uint32_t FCheckPropagationCount = 0;
    // Rectangle selection, in absolute tree coordinates (corners as set, not normalised).
    QRect FLastSelRect;
    QRect FNewSelRect;
    Qt::KeyboardModifiers FDrawSelShiftState;

public:
    // ---- sorting (BaseTreeGridSort.cpp)
    using TTGCompareEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node1, PGridNode node2,
                                               TColumnIndex column, int &result)>;
    TTGCompareEvent OnCompareNodes;
    virtual void Sort(PGridNode node, TColumnIndex column, TSortDirection direction, bool doInit = true);
    virtual void SortTree(TColumnIndex column, TSortDirection direction, bool doInit = true);
    // Puts a node's children into the given order (all of them, each once) in one pass:
    // many single moves would renumber the siblings each time. A list that is not such an
    // order is ignored.
    void ReorderChildren(PGridNode node, const std::vector<PGridNode> &order);

protected:
    virtual int DoCompare(PGridNode node1, PGridNode node2, TColumnIndex column);

private:
    // Ends a running edit before the order changes; false when an editor refuses to end or the
    // handlers of the end deleted the node.
    bool EndEditForSort(PGridNode node);
    // Sorts the node's children (more than one) by the owner's comparison.
    void SortChildren(PGridNode node, TColumnIndex column, TSortDirection direction);
    // Makes a NextSibling chain the node's children: back links, ends and indices.
    void RelinkChildren(PGridNode node, PGridNode chain);
    // Puts a new child after last (nil: first) under parent and makes it the new last; the
    // caller sets parent's LastChild once the run is complete.
    static void AppendChildLink(PGridNode parent, PGridNode &last, PGridNode child, std::uint32_t index);
    // Nil stands for the root, and beside the root means its first or last child.
    void ResolveAttachTarget(PGridNode &target, TTGNodeAttachMode &mode) const;

protected:
    // Clears the tree once, with full virtual dispatch: every destructor of a class that
    // overrides DoFreeNode (or whose owner handles OnFreeNode) calls it first.
    void DestroyTree();

    // Makes the header object; the creation step and Header() call it.
    virtual std::unique_ptr<TTreeGridHeader> CreateHeader();

    // ---- event firing
    virtual void DoInitNode(PGridNode parent, PGridNode node, TGridNodeInitStates &initStates);
    virtual void DoInitChildren(PGridNode node, std::uint32_t &childCount);
    virtual void DoFreeNode(PGridNode node);
    virtual void DoMeasureItem(QPainter *canvas, PGridNode node, int &nodeHeight);
    virtual int DoGetNodeDataSize();
    virtual void DoReset(PGridNode node);
    virtual bool DoExpanding(PGridNode node);
    virtual bool DoCollapsing(PGridNode node);
    virtual void DoExpanded(PGridNode node);
    virtual void DoCollapsed(PGridNode node);
    virtual bool DoNodeMoving(PGridNode node, PGridNode target);
    virtual bool DoNodeCopying(PGridNode node, PGridNode target);
    virtual void DoNodeMoved(PGridNode node);
    virtual void DoNodeCopied(PGridNode node);
    virtual void DoScroll(int deltaX, int deltaY);

    virtual void Change(PGridNode node);
    virtual void DoChange(PGridNode node);
    virtual void StructureChange(PGridNode node, TChangeReason reason);
    virtual void DoStructureChange(PGridNode node, TChangeReason reason);
    virtual void AdviseChangeEvent(bool structureChange, PGridNode node, TChangeReason reason);
    virtual void DoStateChange(TTreeGridStates enter, TTreeGridStates leave = {});
    virtual void DoUpdating(TTGUpdateState state);
    void SetUpdateState(bool updating);
    virtual void UpdateDesigner() {}

    // Fires an event through its handler within a handler scope; not when no handler is
    // assigned or a node the event names was removed. True when the handler ran.
    template <class Handler, class... Args>
    bool Raise(const Handler &handler, Args &&...args)
    {
        if (!handler || (NamesRemoved(args) || ...))
            return false;
        const THandlerScope scope(FRemovedNodes);
        handler(this, std::forward<Args>(args)...);
        return true;
    }
    template <class T>
    bool NamesRemoved(const T &) const
    {
        return false;
    }
    // The node going (DoFreeNode) is named until its owner was told.
    bool NamesRemoved(PGridNode node) const { return node != FNodeGoing && IsRemoved(node); }

    // ---- node bookkeeping
    PGridNode MakeNewNode();
    // The update count alone, raised for its life: no notification when it drops back.
    class TUpdateCountHold
    {
    public:
        explicit TUpdateCountHold(TBaseTreeGrid &tree) : FTree(&tree) { ++FTree->FUpdateCount; }
        ~TUpdateCountHold() { Release(); }
        TUpdateCountHold(const TUpdateCountHold &) = delete;
        TUpdateCountHold &operator=(const TUpdateCountHold &) = delete;
        void Release()
        {
            if (FTree)
                --FTree->FUpdateCount;
            FTree = nullptr;
        }

    private:
        TBaseTreeGrid *FTree;
    };
    std::uint32_t AllocateInternalDataArea(std::uint32_t size);
    // The address of an internal area returned by AllocateInternalDataArea.
    void *InternalData(PGridNode node, std::uint32_t offset) const;
    void AdjustTotalCount(PGridNode node, std::int64_t value, bool relative = false);
    void AdjustTotalHeight(PGridNode node, std::int64_t value, bool relative = false);
    void InternalConnectNode(PGridNode node, PGridNode destination, TBaseTreeGrid *target,
                             TTGNodeAttachMode mode);
    // False when the handlers told about the focus leaving the node deleted it.
    bool InternalDisconnectNode(PGridNode node, bool keepFocus);

public:
    // ---- sibling positions renumbered when read
    // The node's true position; renumbers the stale run of its parent's children up to it.
    std::uint32_t RenumberTo(const TGridNode *node);

private:
    // From Node (whose true position is Index) to the last child, stored positions may be too
    // high; every child before Node holds its right one (below Index).
    struct TStaleIndexes {
        PGridNode Node = nullptr;
        std::uint32_t Index = 0;
    };
    std::unordered_map<const TGridNode *, TStaleIndexes> FStaleIndexes;
    void MarkIndexesStale(PGridNode parent, PGridNode node, std::uint32_t index);
    void ForgetStaleIndexes(PGridNode parent);
    // Keeps the marks right as a node leaves its siblings.
    void NoteUnlinking(PGridNode node);

protected:
    void MeasureItemHeight(QPainter *canvas, PGridNode node);
    void DetermineHiddenChildrenFlag(PGridNode node);
    void DetermineHiddenChildrenFlagAllNodes();
    // While the tree updates: the children of `parent` changed. The root is noted alone (a
    // flat table need not walk every row at the end); any other parent, which may go
    // meanwhile, has every node looked at.
    void NoteHiddenChildrenChange(PGridNode parent);
    bool DoInitChildrenIfNeeded(PGridNode node);
    // Sorts the node's children by the header's sort column under toAutoSort.
    void SortIfAutoSort(PGridNode node);
    void SetTypedNodeData(int size, const std::type_info *type, void (*construct)(void *),
                          void (*destroy)(void *));

    // ---- option changes (the option object calls these after storing a new set)
    virtual void PaintOptionsChanged(TTGPaintOptions oldOptions, TTGPaintOptions newOptions);
    virtual void AutoOptionsChanged(TTGAutoOptions oldOptions, TTGAutoOptions newOptions);
    virtual void SelectionOptionsChanged(TTGSelectionOptions oldOptions, TTGSelectionOptions newOptions);
    virtual void MiscOptionsChanged(TTGMiscOptions oldOptions, TTGMiscOptions newOptions);
    virtual void StringOptionsChanged(TTGStringOptions, TTGStringOptions) {}
    bool IsLive() const;

    // ---- validation (the worker calls DoValidateCache on its own thread)
    virtual bool DoValidateCache();
    void WMChangeState(TValidationChangeStates enter, TValidationChangeStates leave);
    bool event(QEvent *e) override;

    // ---- Qt plumbing
    void resizeEvent(QResizeEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *e) override;
    // The window font changed (after the tree's font was taken over).
    virtual void WindowFontChanged();
    void showEvent(QShowEvent *e) override;

    // ---- geometry internals
    virtual void DetermineHitPositionLTR(THitInfo &hitInfo, int offset, int right, TColumnAlignment alignment);
    virtual void DetermineHitPositionRTL(THitInfo &hitInfo, int offset, int right, TColumnAlignment alignment);
    virtual void DoScrollIntoView(PGridNode node); // the focus scroll of DoFocusNode and friends
    virtual void DoShowScrollbar(TScrollBarKind bar, bool show);
    // The user drags a scroll bar's thumb (the vertical bar is not updated meanwhile).
    void ThumbTracking(bool tracking);
    void FinishAnimation();
    // Pixels of indentation before a node's content in the main column.
    int IndentOf(PGridNode node, bool countRoot);
    // The expand button's left edge inside its indentation level, as painted and hit.
    int ButtonOffset() const;
    // The content offset of a cell from its left edge: margin, indentation and images.
    int ContentOffset(PGridNode node, TColumnIndex column, bool mainColumn);
    int CheckImageSize() const;
    int ImageWidth(TImageList *images) const;
    TColumnAlignment TreeAlignment() const;
    bool UseRightToLeftReading() const { return layoutDirection() == Qt::RightToLeft; }
    // The animated expand or collapse of the rows below a node (timer-driven); false when the
    // change is shown at once instead.
    bool AnimateToggle(PGridNode node, bool expanding, std::int64_t childrenHeight);
    void AnimationStep();

    // ---- paint cycle
    virtual void DoBeforePaint(TCanvas &canvas);
    virtual void DoAfterPaint(TCanvas &canvas);
    virtual bool DoBeforeItemPaint(TCanvas &canvas, PGridNode node, const QRect &itemRect);
    virtual void DoAfterItemPaint(TCanvas &canvas, PGridNode node, const QRect &itemRect);
    virtual void DoBeforeItemErase(TCanvas &canvas, PGridNode node, const QRect &itemRect, TColor &color,
                                   TItemEraseAction &eraseAction);
    virtual void DoAfterItemErase(TCanvas &canvas, PGridNode node, const QRect &itemRect);
    virtual void DoBeforeCellPaint(TCanvas &canvas, PGridNode node, TColumnIndex column,
                                   TTGCellPaintMode cellPaintMode, const QRect &cellRect, QRect &contentRect);
    virtual void DoAfterCellPaint(TCanvas &canvas, PGridNode node, TColumnIndex column, const QRect &cellRect);
    virtual bool DoPaintBackground(TCanvas &canvas, const QRect &r);
    virtual TImageList *DoGetImageIndex(PGridNode node, TTGImageKind kind, TColumnIndex column, bool &ghosted,
                                        int &index);
    virtual QString DoGetImageText(PGridNode node, TTGImageKind kind, TColumnIndex column);
    virtual const TMonoPattern *DoGetLineStyle();
    virtual bool ColumnIsEmpty(PGridNode node, TColumnIndex column);
    // Draws the content of one cell; the base tree has none, the string tree its text.
    virtual void DoPaintNode(TTGPaintInfo &paintInfo);
    virtual void AdjustPaintCellRect(TTGPaintInfo &paintInfo, TColumnIndex &nextNonEmpty);
    void ClearNodeBackground(TTGPaintInfo &paintInfo, bool useBackground, bool floating, QRect r);
    void PaintColumnBands(TCanvas &canvas, TColumnIndex firstColumn, QRect targetRect, int targetX,
                          TTGInternalPaintOptions paintOptions);
    void LimitPaintingToArea(TCanvas &canvas, const QRect &clipRect);
    // The tree's font with the window text colour, as every cell starts.
    const TFont &TreeFont() const { return FTreeFont; }
    // Resolved brush and text colours of the row bitmap at the start of a cell.
    bool IsFocusedForPaint() const;

    // ---- decorations
    virtual void PrepareCell(TTGPaintInfo &paintInfo, int windowOrgX, int maxWidth);
    virtual void PaintTreeLines(const TTGPaintInfo &paintInfo, int vAlignment, int indentSize,
                                const std::vector<TTGLineType> &lineImage);
    virtual void DrawLineImage(const TTGPaintInfo &paintInfo, int x, int y, int h, int vAlign, TTGLineType style,
                               bool reverse);
    virtual void DrawDottedHLine(const TTGPaintInfo &paintInfo, int left, int right, int top);
    virtual void DrawDottedVLine(const TTGPaintInfo &paintInfo, int top, int bottom, int left);
    int DetermineLineImageAndSelectLevel(PGridNode node, std::vector<TTGLineType> &lineImage);
    virtual void PaintNodeButton(TCanvas &canvas, PGridNode node, TColumnIndex column, const QRect &r, int buttonX,
                                 int buttonY, TColumnBiDiMode bidiMode);
    void PrepareBitmaps(bool needButtons, bool needLines);
    virtual void PaintCheckImage(TTGPaintInfo &paintInfo);
    virtual void PaintImage(TTGPaintInfo &paintInfo, TTGImageInfoIndex imageInfoIndex, bool doOverlay);
    virtual void GetImageIndex(TTGPaintInfo &info, TTGImageKind kind, TTGImageInfoIndex infoIndex,
                               TImageList *defaultImages);
    virtual void DoPaintDropMark(TCanvas &canvas, PGridNode node, const QRect &r);
    virtual void PaintSelectionRectangle(TCanvas &target, int windowOrgX, const QRect &selectionRect,
                                         const QRect &targetRect);
    void TileBackground(const QImage &source, TCanvas &target, QPoint offset, const QRect &r);
    void StaticBackground(const QImage &source, TCanvas &target, QPoint offset, const QRect &r);
    void AdjustImageBorder(TImageList *images, TColumnBiDiMode bidiMode, int vAlign, QRect &contentRect,
                           TTGImageInfo &imageInfo);

    // ---- fields
    PGridNode FRoot = nullptr;
    int FNodeDataSize = -1;
    std::uint32_t FTotalInternalDataSize = 0;
    std::uint32_t FDefaultNodeHeight = 18;
    std::uint32_t FUpdateCount = 0;
    bool FRootHiddenChildrenNeeded = false;
    std::uint32_t FSynchUpdateCount = 0;
    std::uint32_t FVisibleCount = 0;
    TTreeGridStates FStates;
    std::unique_ptr<TCustomTreeGridOptions> FOptions;
    std::unique_ptr<TTGColors> FColors;
    std::unique_ptr<TTreeGridHeader> FHeader;

    // Typed user data: constructor and destructor run on every node's user-data area.
    const std::type_info *FNodeDataType = nullptr;
    void (*FNodeDataConstruct)(void *) = nullptr;
    void (*FNodeDataDestroy)(void *) = nullptr;

    // Deferred notifications.
    PGridNode FLastStructureChangeNode = nullptr;
    TChangeReason FLastStructureChangeReason = crIgnore;
    PGridNode FLastChangedNode = nullptr;
    int FChangeDelay = 0;
    QTimer FChangeTimer;           // window timer 5
    QTimer FStructureChangeTimer;  // window timer 6
    std::uint32_t FOperationCount = 0;
    bool FOperationCanceled = false;

    // Node references the structure operations must forget when a node goes.
    PGridNode FCurrentHotNode = nullptr;
    PGridNode FDropTargetNode = nullptr;
    PGridNode FLastDragTarget = nullptr;
    PGridNode FLastSearchNode = nullptr;

    // Geometry kept here; scroll ranges are 64-bit so that huge trees cannot overflow them.
    int FOffsetX = 0;
    int FOffsetY = 0;
    std::int64_t FRangeX = 0;
    std::int64_t FRangeY = 0;
    std::int64_t FEffectiveOffsetX = 0;
    std::uint32_t FBottomSpace = 0;

    // Geometry and painting.
    std::unique_ptr<TTGScrollBarOptions> FScrollBarOptions;
    QRect FHeaderRect;
    TColor FColor = clWindow;
    TFont FTreeFont;
    TTGLineMode FLineMode = lmNormal;
    TTGDrawSelectionMode FDrawSelectionMode = smDottedRectangle;
    int FSelectionCurveRadius = 0;
    TImageList *FImages = nullptr;
    TImageList *FStateImages = nullptr;
    TImageList *FCustomCheckImages = nullptr;
    TImageList *FCheckImages = nullptr;
    // A change of an image list the tree draws from repaints the tree; the link goes with the tree.
    struct TImageListLink {
        TImageList *List = nullptr;
        int Id = 0;
        TImageListLink() = default;
        TImageListLink(const TImageListLink &) = delete;
        TImageListLink &operator=(const TImageListLink &) = delete;
        ~TImageListLink() { Set(nullptr, {}); }
        void Set(TImageList *list, std::function<void()> onChange);
    };
    TImageListLink FImagesLink;
    TImageListLink FStateImagesLink;
    TImageListLink FCustomCheckImagesLink;
    void ImageListChange();
    QImage FBackground;
    int FBackgroundOffsetX = 0;
    int FBackgroundOffsetY = 0;
    QImage FPlusBM, FMinusBM, FHotPlusBM, FHotMinusBM;
    TMonoPattern FDottedPattern{};
    TColumnIndex FCurrentHotColumn = NoColumn;
    bool FHotNodeButtonHit = false;
    TTGDropMode FLastDropMode = dmNowhere;
    TColumnIndex FEditColumn = NoColumn;
    PGridNode FEditNode = nullptr; // the node of the running edit
    Qt::FocusPolicy FFocusPolicyOutsideEdit = Qt::StrongFocus;
    bool FSettingScrollBars = false; // the bars are being set from the offsets
    // Scrolling, sizing and bar updates nest: the editor is placed once, as the outermost ends.
    class TEditBoundsHold;
    int FEditBoundsHeld = 0;
    bool FEditBoundsOwed = false;
    void RequestEditBounds();
    bool FVerticalBarShown = false;
    bool FHorizontalBarShown = false;
    void LayOutScrollBars();
    // The running animation: its callback, the step size and what is left of steps and time.
    struct TAnimationRun {
        TTGAnimationCallback Callback;
        std::uint32_t Steps = 0;
        int StepSize = 1;
        std::int64_t RemainingSteps = 0;
        std::int64_t RemainingTime = 0;
        std::int64_t LastTick = 0;
    };
    TAnimationRun FAnimation;
    QTimer FAnimationTimer;

    // Position cache, written by the worker only while it validates this tree.
    std::vector<TCacheEntry> FPositionCache;
    // The row whose top was found last (GUI thread only); forgotten with every change of rows.
    TCacheEntry FLastTop;
    std::uint64_t FRowsGeneration = 0;
    std::uint32_t FStartIndex = 0;
    std::atomic<bool> FStopValidationFlag{false};
    std::atomic<std::uint64_t> FValidationGeneration{0};

    // Simple properties.
    Qt::Alignment FAlignment = Qt::AlignLeft;
    std::uint32_t FAnimationDuration = 200;
    TTGBorderStyle FBorderStyle = bsSingle;
    std::uint32_t FIndent = 18;
    int FMargin = 4;
    int FTextMargin = 4;
    TTGNodeAlignment FNodeAlignment = naProportional;
    int FSelectionBlendFactor = 128;
    TTGButtonStyle FButtonStyle = bsRectangle;
    TTGButtonFillMode FButtonFillMode = fmTreeColor;
    TTGLineStyle FLineStyle = lsDotted;
    TTGCheckImageKind FCheckImageKind = ckSystemDefault;
    std::uint32_t FAutoExpandDelay = 1000;
    std::uint32_t FAutoScrollDelay = 1000;
    std::uint32_t FAutoScrollInterval = 1;
    std::uint32_t FEditDelay = 1000;
    TTGNodeAttachMode FDefaultPasteMode = amAddChildLast;
    TTGIncrementalSearch FIncrementalSearch = isNone;
    TTGSearchStart FIncrementalSearchStart = ssFocusedNode;
    std::uint32_t FIncrementalSearchTimeout = 1000;
    TTGHintAnimation FHintAnimation = hatSystemDefault;
    TTGDragOperations FDragOperations{doCopy, doMove};
    TTGDragType FDragType = dtOLE;

    bool FLoading = false;
    bool FDestroying = false;
    bool FTreeDestroyed = false;
    bool FHasThreadReference = false;
    bool FInValidateCache = false; // measuring before a validation must not revalidate

    TTreeGridRemovedNodes FRemovedNodes{NodeBlockAlignment};
    PGridNode FNodeGoing = nullptr; // DoFreeNode's node until its owner was told

public:
    // ---- mouse, wheel, panning and popup menus (BaseTreeGridMouse.cpp, BaseTreeGridMouseButtons.cpp,
    //      BaseTreeGridPanning.cpp); keyboard and incremental search (BaseTreeGridKeyboard.cpp,
    //      BaseTreeGridSearch.cpp); hints (BaseTreeGridHints.cpp, TreeGridHintWindow); the events:
    //      TTreeGridInputEvents
    TCursor HotCursor() const { return FHotCursor; }
    void SetHotCursor(TCursor value) { FHotCursor = value; }
    TTGDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TTGDragMode value) { FDragMode = value; }
    // The tree's own context menu (not owned); without one, OnGetPopupMenu is asked per node.
    QMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu *value) { FPopupMenu = value; }
    QPoint LastClickPos() const { return FLastClickPos; }
    TScrollDirections ScrollDirections() const { return FScrollDirections; }
    // Middle-button panning runs (moving with the button, or scrolling toward the pointer).
    bool IsPanning() const { return FStates.intersects({tsWheelPanning, tsWheelScrolling}); }
    QWidget *PanningWindow() const;
    PGridNode CheckNode() const { return FCheckNode; }

    TTGSearchDirection IncrementalSearchDirection() const { return FIncrementalSearchDirection; }
    void SetIncrementalSearchDirection(TTGSearchDirection value) { FIncrementalSearchDirection = value; }
    QString SearchBuffer() const { return FSearchBuffer; }
    PGridNode LastSearchNode() const { return FLastSearchNode; }
    // The tree also takes Tab and Shift+Tab instead of passing the focus on.
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    // Stops what a press or typing started: timers, the search, pending clears, edits and drags.
    void CancelMode();

    // In-place editing: the hooks a click, a double click and F2 reach.
    virtual bool CanEdit(PGridNode node, TColumnIndex column);
    bool IsEditing() const { return FStates.contains(tsEditing); }
    // Ends a running edit; false when the editor refuses.
    virtual bool EndEditNode();
    virtual bool CancelEditNode();

    // Hints: the control's own text, and per node as the mode says.
    TTGHintMode HintMode() const { return FHintMode; }
    void SetHintMode(TTGHintMode value) { FHintMode = value; }
    QString Hint() const { return FHint; }
    void SetHint(const QString &value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    QRect LastHintRect() const { return FLastHintRect; }
    // The window that shows hints (made on first use).
    TTreeGridHintWindow *HintWindow() const;
    // Decides whether the point (client coordinates; the header lies at negative y) shows a hint
    // and shows it; false when none is shown.
    bool ShowHintAt(QPoint clientPos, QPoint globalPos);
    void CancelHint();
    // The text of a hint or tooltip (DoGetNodeHint or DoGetNodeTooltip by the mode).
    QString HintTextFor(const TTGHintData &data, TTGTooltipLineBreakStyle &lineBreakStyle);

protected:
    // ---- mouse (BaseTreeGridMouse.cpp, BaseTreeGridMouseButtons.cpp)
    virtual void HandleMouseDown(const TTGMouseMessage &message, THitInfo &hitInfo);
    virtual void HandleMouseUp(const TTGMouseMessage &message, const THitInfo &hitInfo);
    virtual void HandleMouseDblClick(const TTGMouseMessage &message, const THitInfo &hitInfo);
    virtual void MouseMove(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons, int x, int y);
    virtual void HandleHotTrack(int x, int y);
    virtual void DoHotChange(PGridNode oldNode, PGridNode newNode);
    virtual void DoGetCursor(TCursor &cursor);
    virtual void DoColumnClick(TColumnIndex column, TTGShiftState shift);
    virtual void DoColumnDblClick(TColumnIndex column, TTGShiftState shift);
    virtual bool DoNodeHeightTracking(PGridNode node, TColumnIndex column, TTGShiftState shift, QPoint &trackPoint,
                                      QPoint p);
    virtual bool DoNodeHeightDblClickResize(PGridNode node, TColumnIndex column, TTGShiftState shift, QPoint p);
    virtual void DoClick();
    virtual void DoDblClick();
    virtual QMenu *DoGetPopupMenu(PGridNode node, TColumnIndex column, QPoint position);
    virtual bool HasPopupMenu(PGridNode node, TColumnIndex column, QPoint position);
    virtual void DoPopupMenu(PGridNode node, TColumnIndex column, QPoint position);
    // Whether a press may start a drag, its start and the move that carries it beyond the threshold
    // (the drag itself: BaseTreeGridDragDrop.cpp).
    virtual bool DoBeforeDrag(PGridNode node, TColumnIndex column);
    virtual void BeginDrag(bool immediate, int threshold = -1);
    virtual void DoDragging(QPoint p);
    // Starts the edit that a click or the edit timer asked for.
    virtual void DoEdit();
    // The cursor over the rows for a client point.
    void UpdateCursor(QPoint p);
    bool CanTrackNodeHeight(const THitInfo &hitInfo);
    // No column of the header is being dragged or resized and its height is not tracked.
    bool HeaderIdle();
    void MouseButtonDown(const TTGMouseMessage &message);
    void MouseButtonUp(const TTGMouseMessage &message);
    void MouseButtonDblClick(const TTGMouseMessage &message);
    // The window's own part of a press and a release: its events and the click.
    void FrameworkMouseDown(const TTGMouseMessage &message, bool doubleClick);
    void FrameworkMouseUp(const TTGMouseMessage &message);
    // A check box held down (pending: tsMouseCheckPending or tsKeyCheckPending) shows its pressed
    // form; its release applies the next state when apply holds, else just restores the look.
    void PressCheckBox(PGridNode node, TTreeGridState pending);
    void ReleaseCheckBox(TTreeGridState pending, bool apply);
    // Repaints a column's strip of the rows.
    void InvalidateColumn(TColumnIndex column);
    // A band rectangle (absolute) as the client area shows it, frame included.
    QRect SelectionBandOnScreen(const QRect &band) const;

    // ---- wheel, panning and auto-scroll (BaseTreeGridPanning.cpp)
    virtual void DoMouseWheel(const QPoint &pos, QPoint angleDelta, Qt::KeyboardModifiers keys);
    virtual void StartWheelPanning(QPoint position);
    virtual void StopWheelPanning();
    virtual void AdjustPanningCursor(int x, int y);
    virtual bool CanAutoScroll();
    virtual TScrollDirections DetermineScrollDirections(int x, int y);
    virtual void DoAutoScroll(int x, int y);
    virtual void DoTimerScroll();
    void ScrollTimerTick();

    // ---- keyboard and incremental search (BaseTreeGridKeyboard.cpp, BaseTreeGridSearch.cpp)
    virtual bool DoKeyAction(int &charCode, Qt::KeyboardModifiers &shift);
    virtual int DoIncrementalSearch(PGridNode node, const QString &text);
    virtual void HandleIncrementalSearch(char16_t charCode);
    // A key press and its typed text; false when the tree had no use for the key.
    bool KeyDown(int key, Qt::KeyboardModifiers shift, const QString &text);
    void KeyUp(int key);
    void NavigationKey(int key, Qt::KeyboardModifiers shift);
    bool OtherKey(int key, Qt::KeyboardModifiers shift);
    void TabToCell(bool forward);
    TColumnIndex FocusableColumnBeside(TColumnIndex column, bool forward);
    // A search found nothing: the user hears it.
    virtual void IncrementalSearchFailed();
    // The next node the search looks at (from nothing: the first), by the search mode.
    PGridNode SearchStep(PGridNode node, bool forward);
    void SearchTimerTick();
    void StopIncrementalSearch();
    // Stops the edit and scroll timers and, with includeSearch, the search with its buffer.
    void StopInputTimers(bool includeSearch);

    // ---- hints (BaseTreeGridHints.cpp)
    virtual QString DoGetNodeHint(PGridNode node, TColumnIndex column, TTGTooltipLineBreakStyle &lineBreakStyle);
    virtual QString DoGetNodeTooltip(PGridNode node, TColumnIndex column, TTGTooltipLineBreakStyle &lineBreakStyle);
    // The window class of hints: a tree may bring its own.
    virtual TTreeGridHintWindow *CreateHintWindow();
    // Whether a hint shows at once rather than after the usual pause.
    bool HintShowsAtOnce(QPoint clientPos) const;

    // ---- Qt plumbing of input
    bool viewportEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void InitializeInput();
    void FinalizeInput();
    void ViewportMouseEvent(QMouseEvent *event);
    void MouseLeave();

    PGridNode FHeightTrackNode = nullptr;
    TColumnIndex FHeightTrackColumn = NoColumn;
    QPoint FHeightTrackPoint;
    TCursor FHotCursor = crDefault;
    QPoint FLastClickPos;
    QPoint FLastMousePos; // the pointer as the last mouse message saw it
    TScrollDirections FScrollDirections;
    std::int64_t FDragScrollStart = 0;
    TTGDragMode FDragMode = dmManual;
    QPointer<QMenu> FPopupMenu;
    QPointer<TTreeGridPanningWindow> FPanningWindow;
    int FPanningCursorKind = -1;
    bool FClickPending = false;
    int FDragThreshold = 0; // move that starts a pending drag (0 = the system's)
    bool FCursorSet = false;
    // The part of a wheel turn too small to move a whole pixel yet.
    double FWheelRemainderX = 0;
    double FWheelRemainderY = 0;
    QTimer FEditTimer;   // window timer 2
    QTimer FScrollTimer; // window timer 4
    QTimer FSearchTimer; // window timer 7
    QString FSearchBuffer;
    TTGSearchDirection FIncrementalSearchDirection = sdForward;
    bool FWantTabs = false;
    TTGHintMode FHintMode = hmDefault;
    QString FHint;
    bool FShowHint = true;
    QRect FLastHintRect;
    QPointer<TTreeGridHintWindow> FHintWindow;

public:
    // ---- node streams (BaseTreeGridStream.cpp, TreeGridNodeStream)
    using TTGStreamNodeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, QIODevice &stream)>;
    // The owner's data of a node: written after the node's own chunks, read back into the new node.
    TTGStreamNodeEvent OnSaveNode;
    TTGStreamNodeEvent OnLoadNode;

    // The header, then the node (count 1) or, for nil, every top-level node.
    virtual void SaveToStream(QIODevice &stream, PGridNode node = nullptr);
    // Replaces the tree's nodes by a stream's. The whole stream is checked first: a fault
    // raises ETreeGridError and leaves the tree as it was.
    virtual void LoadFromStream(QIODevice &stream);
    virtual void LoadFromFile(const QString &fileName);
    // The node and its subtree as one node chunk appended to out.
    virtual void WriteNode(QByteArray &out, PGridNode node);
    // Nodes of bare node chunks (the exchange format), made and connected to target by mode;
    // checked as a whole first. Returns the new top nodes in stream order.
    std::vector<PGridNode> AddFromNodeChunks(const QByteArray &data, PGridNode target, TTGNodeAttachMode mode,
                                             TChangeReason reason);
    // Moves a node with its subtree into another tree (through the node stream).
    void MoveTo(PGridNode source, TBaseTreeGrid *targetTree, PGridNode target, TTGNodeAttachMode mode);

protected:
    virtual void WriteChunks(QByteArray &out, PGridNode node);
    // A chunk of a loaded node other than its base chunk; the node is already in the tree.
    virtual void ReadChunk(PGridNode node, qint32 type, const QByteArray &data, qsizetype offset, qint32 size);
    virtual void DoSaveNode(PGridNode node, QIODevice &stream);
    virtual void DoLoadNode(PGridNode node, QIODevice &stream);
    // Makes the nodes a reader indexed, connects each top node to target by mode and fires the
    // chunk readers; returns the top nodes.
    std::vector<PGridNode> InternalAddFromStream(const TTGNodeStreamReader &reader, PGridNode target,
                                                 TTGNodeAttachMode mode, TChangeReason reason);

private:
    PGridNode BuildStreamNode(const TTGNodeStreamReader &reader, std::size_t &index, std::vector<PGridNode> &made);
    void WriteUserChunk(QByteArray &out, PGridNode node);

public:
    // ---- in-place editing (BaseTreeGridEdit.cpp, TreeGridEditLink.h)
    using TTGCreateEditorEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                    std::shared_ptr<ITGEditLink> &editLink)>;
    using TTGEditingEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                               bool &allowed)>;
    using TTGEditCancelEvent = std::function<void(TBaseTreeGrid *sender, TColumnIndex column)>;
    using TTGEditChangeEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column)>;
    TTGCreateEditorEvent OnCreateEditor;
    TTGEditingEvent OnEditing;
    TTGEditCancelEvent OnEditCancelled;
    TTGEditChangeEvent OnEdited;

    // Focuses the node and starts editing the cell; true while editing.
    virtual bool EditNode(PGridNode node, TColumnIndex column);
    ITGEditLink *EditLink() const { return FEditLink.get(); }
    // True while the tree itself asks the link to end or cancel: the link must not call back.
    bool StoppingEdit(const ITGEditLink *link) const { return link && link == FStoppingLink; }
    TColumnIndex EditColumn() const { return FEditColumn; }
    // The node of the running edit, nil when none runs.
    PGridNode EditedNode() const { return FStates.contains(tsEditing) ? FEditNode : nullptr; }
    // Gives the editor the cell's rectangle again (after scrolling or a column resize).
    virtual void UpdateEditBounds();

    // ---- clipboard and edit actions (BaseTreeGridClipboard.cpp)
    // Formats other than the tree's own data: rendered is false until a handler renders one.
    using TTGRenderOLEDataEvent = std::function<void(TBaseTreeGrid *sender, const QString &format,
                                                     const std::vector<PGridNode> &nodes, bool forClipboard,
                                                     QByteArray &data, bool &rendered)>;
    // Appends formats to those offered; a format the tree does not know is a MIME type.
    using TTGGetUserClipboardFormatsEvent = std::function<void(TBaseTreeGrid *sender, QStringList &formats)>;
    TTGRenderOLEDataEvent OnRenderOLEData;
    TTGGetUserClipboardFormatsEvent OnGetUserClipboardFormats;
    // Formats by description: "Tree Grid Data" for every tree, the text formats for string trees.
    QStringList ClipboardFormats() const { return FClipboardFormats; }
    void SetClipboardFormats(const QStringList &value);
    // The offered formats in the order offered.
    virtual QStringList GetNativeClipboardFormats();
    // The MIME type that carries a format (description) in exchanged data.
    static QString MimeTypeOf(const QString &format);
    // The data a drag (clipboard: the pending cut or copy) hands out: the offered formats with a
    // reference to this tree, each rendered only when a receiver asks (TTGDataObject).
    QMimeData *CreateMimeData(bool forClipboard);
    // The live tree of this process that data came from, or nil.
    static TBaseTreeGrid *GetTreeFromDataObject(const QMimeData *data);
    // The bytes that stand for this tree in exchanged data (process id and a random token).
    QByteArray TreeReference();
    virtual void CopyToClipBoard();
    virtual void CutToClipBoard();
    virtual bool PasteFromClipboard();
    // Inserts the nodes of exchanged data at target; Optimized moves the source's nodes instead.
    virtual bool ProcessOLEData(TBaseTreeGrid *source, const QMimeData *data, PGridNode targetNode,
                                TTGNodeAttachMode mode, bool optimized);
    void MarkCutCopyNodes();
    void CancelCutOrCopy();
    void FinishCutOrCopy();
    PGridNode GetFirstCutCopy(bool considerChildrenAbove = false);
    PGridNode GetNextCutCopy(PGridNode node, bool considerChildrenAbove = false);
    std::vector<PGridNode> GetSortedCutCopySet(bool resolve);
    // The standard edit actions: select all, copy, cut, paste, delete.
    enum TTGEditAction : std::uint8_t { eaSelectAll, eaCopy, eaCut, eaPaste, eaDelete };
    bool ExecuteAction(TTGEditAction action);
    bool ActionEnabled(TTGEditAction action);
    // Actions recognised by their standard shortcuts; false for any other action.
    bool ExecuteAction(QAction *action);
    bool UpdateAction(QAction *action);

protected:
    virtual std::shared_ptr<ITGEditLink> DoCreateEditor(PGridNode node, TColumnIndex column);
    virtual bool DoEndEdit();
    virtual bool DoCancelEdit();
    // Whether an editor that loses the focus, or its tree, hands a changed text over.
    virtual bool AutoAcceptEditChange() const { return false; }
    virtual void DoEdited(PGridNode node, TColumnIndex column);
    virtual void DoEditCancelled(TColumnIndex column);
    // An edit of the node or of a node below it ends without taking its text. False when the
    // handlers of that end deleted the node.
    bool CancelEditOf(PGridNode node);
    // Whether the running edit is of the node or of a node below it (the root: any edit).
    bool EditWithin(PGridNode node) const;
    // The node goes while its edit runs: the editor is let go of without a word.
    void DropEditOf(PGridNode node);
    // An edit of the node or of a node below it ends as when its editor loses the focus: the
    // node's row is about to go out of sight. False when the handlers of that end deleted the
    // node.
    bool CloseEditWithin(PGridNode node);
    // Ends the running edit, and each edit an event handler opens as one ends, until none runs
    // or one runs on the given node; false when one refuses to end.
    bool EndEditsBesides(PGridNode node);
    void DoColumnResize(TColumnIndex column) override;
    // Renders one offered format of the given nodes; empty when the tree cannot.
    virtual QByteArray RenderOLEData(const QString &format, const std::vector<PGridNode> &nodes, bool forClipboard);
    virtual bool DoRenderOLEData(const QString &format, const std::vector<PGridNode> &nodes, bool forClipboard,
                                 QByteArray &data);
    virtual void DoGetUserClipboardFormats(QStringList &formats);
    void ClipboardChanged();

    std::shared_ptr<ITGEditLink> FEditLink;
    const ITGEditLink *FStoppingLink = nullptr;
    // Every format a tree may offer, in the order offered.
    static QStringList AllClipboardFormats();
    // Each class offers those it can render.
    QStringList FClipboardFormats = AllClipboardFormats();
    QPointer<QMimeData> FClipboardData;
    std::vector<PGridNode> FDragSelection;
    quint64 FReferenceToken = 0;
    // The dragged nodes were moved by the receiver (an optimised move): none is left to delete.
    bool FDragNodesMoved = false;
    // The nodes a pending cut or copy put on the clipboard, in the order of its data; an entry
    // becomes nil when its node goes, and is marked arrived when a paste took it elsewhere.
    std::vector<PGridNode> FCutCopySet;
    std::vector<bool> FCutCopyArrived;

    // Levels below a node (0 for a leaf), counting the children that exist.
    std::uint32_t SubtreeDepth(PGridNode node) const;
    // Whether nodes with depthBelow levels under them, placed at target by mode, stay within the
    // nesting a node stream can be read back with.
    bool NestingAllows(PGridNode target, TTGNodeAttachMode mode, std::uint32_t depthBelow) const;

private:
    // The tree goes: data of it on the clipboard stays for others, without the reference to it
    // (tsClipboardFlushing meanwhile), and references find the tree no more.
    void FlushClipboard();
    // Node references of the exchange that must not outlive their nodes.
    void ForgetExchangedNode(PGridNode node);
    // The nodes below `node` (and the node, unless the root) are about to be freed: a pending
    // copy that holds any of them goes onto the clipboard as it is now.
    void KeepCopyBeforeFree(PGridNode node);
    // This tree's data on the clipboard is rendered there, without the reference to the tree;
    // false while a receiver is reading it (it stays as it is).
    bool HandOverClipboardData();
    // A paste elsewhere took the nodes of this tree's clipboard data whose flags are set.
    void NoteCutNodesArrived(const QMimeData *data, const std::vector<bool> &arrived);
    // Whether a node of a running exchange (the drag, else the cut or copy) is still there.
    bool IsExchanged(PGridNode node, bool dragging) const;
    // For the data object: whether the reference to this tree may be handed out, and one
    // format rendered from the exchange's nodes as they are now.
    friend class TTGDataObject;
    bool ReferenceAvailable() const;
    QByteArray RenderDataObjectFormat(const QString &format, bool forClipboard);
    std::unordered_map<const TGridNode *, std::size_t> FCutCopyIndex;
    std::unordered_set<const TGridNode *> FDragMembers;
    // Where the nodes of the last rendering of the clipboard's tree data stand in FCutCopySet.
    std::vector<std::size_t> FCutCopyRendered;

public:
    // ---- drag and drop (BaseTreeGridDragDrop.cpp)
    enum TTGDragState : std::uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
    // Source is the tree of this process the data came from, else nil.
    using TTGDragOverEvent = std::function<void(TBaseTreeGrid *sender, TBaseTreeGrid *source, TTGShiftState shift,
                                                TTGDragState state, QPoint pt, TTGDropMode mode,
                                                Qt::DropAction &effect, bool &accept)>;
    using TTGDragDropEvent = std::function<void(TBaseTreeGrid *sender, TBaseTreeGrid *source, const QMimeData *data,
                                                const QStringList &formats, TTGShiftState shift, QPoint pt,
                                                Qt::DropAction &effect, TTGDropMode mode)>;
    TTGDragOverEvent OnDragOver;
    TTGDragDropEvent OnDragDrop;
    // Replace the tree's own objects: the drop target's side and the data a drag carries (which
    // the drag then owns).
    using TTGCreateDragManagerEvent = std::function<void(TBaseTreeGrid *sender,
                                                         std::unique_ptr<ITGDragManager> &dragManager)>;
    using TTGCreateDataObjectEvent = std::function<void(TBaseTreeGrid *sender, QMimeData *&dataObject)>;
    TTGCreateDragManagerEvent OnCreateDragManager;
    TTGCreateDataObjectEvent OnCreateDataObject;

    // Made on first use.
    ITGDragManager *DragManager();

    bool Dragging() const { return FStates.contains(tsOLEDragging); }
    const std::vector<PGridNode> &DragSelection() const { return FDragSelection; }
    int DragThreshold() const { return FDragThreshold; }
    // The effect a drop would have: the tree's own nodes move, others copy; keys choose otherwise.
    Qt::DropAction SuggestDropEffect(TBaseTreeGrid *source, TTGShiftState shift, QPoint pt,
                                     Qt::DropActions allowed) const;

protected:
    friend class TTGDragManager;
    virtual std::unique_ptr<ITGDragManager> DoCreateDragManager();
    virtual QMimeData *DoCreateDataObject();
    // The drop target's side, in client coordinates; false when the drop is refused.
    virtual bool DragEnter(TTGShiftState shift, QPoint pt, Qt::DropActions allowed, Qt::DropAction &effect);
    virtual bool DragOver(TBaseTreeGrid *source, TTGShiftState shift, TTGDragState state, QPoint pt,
                          Qt::DropActions allowed, Qt::DropAction &effect);
    virtual bool DragDrop(const QMimeData *data, TTGShiftState shift, QPoint pt, Qt::DropActions allowed,
                          Qt::DropAction &effect);
    virtual void DragLeave();
    virtual void DoDragExpand();
    // Runs the drag of the prepared data and answers what the receiver did with it.
    virtual Qt::DropAction DragAndDrop(Qt::DropActions allowed, QMimeData *data, QPoint hotSpot);
    // A drag of this tree ended without a drop (Escape, both buttons, a refused or no target):
    // its picture goes, and a framework drag finishes.
    virtual void DragCanceled();
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

public:
    // ---- framework-style dragging (dtVCL, BaseTreeGridFrameworkDrag.cpp): a drag within the
    //      program that carries no data; the trees under the pointer are asked as it moves, and
    //      the one under the release takes the drop through OnDragDrop (without data).
    enum TTGFrameworkDragMessage : std::uint8_t { fdDragEnter, fdDragLeave, fdDragMove, fdDragDrop };
    // The application may give the drag an object of its own (not owned by the tree).
    using TTGStartDragEvent = std::function<void(TBaseTreeGrid *sender, QObject *&dragObject)>;
    // Target: the tree that took the drop, or nil.
    using TTGEndDragEvent = std::function<void(TBaseTreeGrid *sender, QObject *target, int x, int y)>;
    TTGStartDragEvent OnStartDrag;
    TTGEndDragEvent OnEndDrag;
    // A framework-style drag of this tree runs (beyond its threshold).
    bool FrameworkDragging() const { return FFrameworkDragging; }
    QObject *DragObject() const { return FDragObject; }

protected:
    virtual void DoStartDrag(QObject *&dragObject);
    virtual void DoEndDrag(QObject *target, int x, int y);
    // The drag is over: its states go, and the button-up the drag took reaches the tree (once).
    virtual void DragFinished();
    // The drag's message to the tree under the pointer (the target side); true when it accepts.
    virtual bool CMDrag(TTGFrameworkDragMessage message, TBaseTreeGrid *source, QPoint pt,
                        Qt::KeyboardModifiers keys);

private:
    // The source's side: input while the drag is pending or runs; true when the drag took it.
    bool FrameworkDragInput(QEvent::Type type, const TTGMouseMessage &message);
    void StartFrameworkDrag();
    void FrameworkDragMove(QPoint globalPos, Qt::KeyboardModifiers keys);
    // Drops on the last target when it accepts and drop is set, else leaves it; then ends.
    void EndFrameworkDrag(bool drop, Qt::KeyboardModifiers keys);
    static TBaseTreeGrid *FrameworkDragTargetAt(QPoint globalPos);
    Qt::MouseButtons HeldButtons() const;
    // Escape, a lost focus, the left and right buttons together: the drag ends without a drop.
    void CancelFrameworkDrag();
    // The tree goes: its target is left, without events of its own.
    void AbandonFrameworkDrag();
    bool FFrameworkDragging = false;
    bool FFrameworkAccepted = false;
    // Buttons still down when a drag was cancelled: their releases belong to the drag.
    Qt::MouseButtons FSwallowRelease;
    QPoint FFrameworkDragPos; // the pointer on the screen at the last move
    QPointer<TBaseTreeGrid> FFrameworkTarget;
    QPointer<QObject> FDragObject;
    // The pointer with the dragged rows beside it, for a target that takes the drop and one that
    // does not.
    QCursor FFrameworkDragCursor[2];
    // Target side: the effect the last move suggested.
    Qt::DropAction FFrameworkDragEffect = Qt::IgnoreAction;

private:
    void InitializeDragDrop();
    TScrollDirections DragScrollDirections(QPoint pt) const;
    void DragScroll(TScrollDirections directions);
    void ClearDropTarget();
    TBaseTreeGrid *DragSourceTree() const;
    bool IsDropTarget() const;
    std::unique_ptr<ITGDragManager> FDragManager;
    QPoint FLastDragPos;
    QTimer FExpandTimer;     // window timer 1
    QTimer FDragScrollTimer; // repeats the scroll while the pointer rests at an edge

public:
    // Node blocks (and so the user data) are aligned to this many bytes.
    static constexpr std::size_t NodeBlockAlignment = 16;

private:
    std::size_t UserDataOffset() const;
    std::size_t NodeBlockSize() const;
    void CreateRootNode();

    // Walk helpers (BaseTreeGridIteration.cpp). A "row" is a node the visible walk returns.
    bool ShowsNode(PGridNode node, bool includeHidden) const;
    bool ChildrenAbove(bool considerChildrenAbove) const;
    PGridNode NextSkippingSubtree(PGridNode node) const;
    PGridNode WalkNext(PGridNode node, bool considerChildrenAbove, bool init);
    PGridNode WalkPrevious(PGridNode node, bool considerChildrenAbove, bool init);
    PGridNode VisibleParentOrRoot(PGridNode node) const;
    PGridNode FirstShownChild(PGridNode node, bool init, bool includeHidden);
    PGridNode LastShownChild(PGridNode node, bool init, bool includeHidden);
    PGridNode NextShownSibling(PGridNode node, bool includeHidden) const;
    PGridNode PreviousShownSibling(PGridNode node, bool includeHidden) const;
    PGridNode ShownSiblingUpwards(PGridNode node, bool forward) const;
    PGridNode DeepestShown(PGridNode node, bool last, bool init, bool includeHidden);
    PGridNode WalkNextVisible(PGridNode node, bool considerChildrenAbove, bool init);
    // The row after a node known to be a row (the position walks step this way).
    PGridNode NextRow(PGridNode row, bool considerChildrenAbove, bool init);
    PGridNode WalkPreviousVisible(PGridNode node, bool considerChildrenAbove, bool init);
    PGridNode FirstVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden);
    PGridNode LastVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden);
    void ChangeVisibility(PGridNode node, TGridNodeState state, bool include);
    void RecalculateTotalHeights(PGridNode node);
    // The expansion or collapse of ToggleNode with its events; true when the node changed.
    bool ChangeExpansion(PGridNode node, std::int64_t &toggledHeight);
    // Expands every collapsed ancestor of the node, outermost first, with the cache and the
    // scroll bars brought up to date once for the whole chain; false when the handlers of the
    // expansions removed the node.
    bool ExpandAncestors(PGridNode node);
};
