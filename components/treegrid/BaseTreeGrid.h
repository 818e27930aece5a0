#pragma once

// The tree-grid control: a tree of cheap, lazily initialised nodes shown as rows of a grid.
// Member definitions are split by concern:
//   BaseTreeGrid.cpp           construction, destruction, options, simple properties
//   BaseTreeGridNodes.cpp      node blocks, user data, adding, deleting, linking, counts, heights
//   BaseTreeGridUpdate.cpp     update bracket, change notifications, state changes, operations
//   BaseTreeGridIteration.cpp  iterators, visibility, expansion
//   BaseTreeGridWorker.cpp     position cache and its validation (with TreeGridWorkerThread)
//   BaseTreeGridSelection.cpp, BaseTreeGridChecks.cpp, BaseTreeGridSort.cpp, TreeGrid*Column*,
//   TreeGridHeader             selection, focus, checks, sorting, columns and the header

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <typeinfo>
#include <vector>

#include "treegrid/TreeGridColors.h"
#include "treegrid/TreeGridOptions.h"
#include "treegrid/TreeGridTypes.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderEvents.h"

class QPainter;
class TTreeGridHeader;
class TWorkerThread;

// One entry of the position cache: every 2000th visible node with its absolute top.
struct TCacheEntry {
    PGridNode Node = nullptr;
    std::int64_t AbsoluteTop = 0;
};

enum TTGNodeAlignment : std::uint8_t { naFromBottom, naFromTop, naProportional };
enum TTGBorderStyle : std::uint8_t { bsNone, bsSingle };
enum TTGButtonStyle : std::uint8_t { bsRectangle, bsTriangle };
enum TTGButtonFillMode : std::uint8_t { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TTGLineStyle : std::uint8_t { lsCustomStyle, lsDotted, lsSolid };
enum TTGCheckImageKind : std::uint8_t { ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckFlat,
                                        ckXP, ckCustom, ckSystemFlat, ckSystemDefault };
enum TTGIncrementalSearch : std::uint8_t { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TTGSearchStart : std::uint8_t { ssAlwaysStartOver, ssLastHit, ssFocusedNode };
enum TTGHintAnimation : std::uint8_t { hatNone, hatFade, hatSlide, hatSystemDefault };
enum TTGDragType : std::uint8_t { dtOLE, dtVCL };
enum TTGDragImageKind : std::uint8_t { diComplete, diMainColumnOnly, diNoImage };
enum TTGDragOperation : std::uint8_t { doCopy, doMove, doLink };
using TTGDragOperations = TTGSet<TTGDragOperation, std::uint8_t>;

class TBaseTreeGrid : public QAbstractScrollArea, public TTreeGridHeaderEvents
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
    void DeleteNode(PGridNode node, bool reindex = true);
    void DeleteChildren(PGridNode node, bool resetHasChildren = false);
    virtual void Clear();
    // Moves a node (with its subtree) within this tree; not allowed into its own subtree.
    void MoveTo(PGridNode source, PGridNode target, TTGNodeAttachMode mode, bool childrenOnly = false);

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
    void SetIncrementalSearch(TTGIncrementalSearch value) { FIncrementalSearch = value; }
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
    TTGDragImageKind DragImageKind() const { return FDragImageKind; }
    void SetDragImageKind(TTGDragImageKind value) { FDragImageKind = value; }
    int DragWidth() const { return FDragWidth; }
    void SetDragWidth(int value) { FDragWidth = value; }
    int DragHeight() const { return FDragHeight; }
    void SetDragHeight(int value) { FDragHeight = value; }

    // The header (columns); created in the creation step, or on first use.
    TTreeGridHeader *Header();

    // ---- geometry kept by the structure operations (scrolling itself comes with painting)
    int OffsetX() const { return FOffsetX; }
    int OffsetY() const { return FOffsetY; }
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    std::int64_t RangeX() const { return FRangeX; }
    std::int64_t RangeY() const { return FRangeY; }
    virtual void UpdateScrollBars(bool doRepaint);
    virtual int DoGetNodeWidth(PGridNode node, int column);

    // ---- position cache and its validation worker
    static constexpr std::uint32_t PositionCacheStep = 2000;
    void InvalidateCache();
    virtual void ValidateCache();
    void InterruptValidation();
    // Read-only view for lookups and tests; meaningful only while tsUseCache is set.
    const std::vector<TCacheEntry> &PositionCache() const { return FPositionCache; }

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
    void MainColumnChanged();

    bool InternalAddToSelection(PGridNode node, bool forceInsert);
    bool InternalAddToSelection(const PGridNode *newItems, int newLength, bool forceInsert);
    // Marks the node's entry removed; PackSelection drops such entries later.
    void InternalRemoveFromSelection(PGridNode node);
    virtual void InternalClearSelection();
    void PackSelection();
    bool CalculateSelectionRect(int x, int y);
    virtual bool CollectSelectedNodesLTR(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                         Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect);
    virtual bool CollectSelectedNodesRTL(TColumnIndex mainColumn, int nodeLeft, int nodeRight,
                                         Qt::Alignment alignment, const QRect &oldRect, const QRect &newRect);
    virtual int CheckImageWidth() const;

    // Ascending by address; entries with the lowest bit set are removed but not yet packed.
    std::vector<PGridNode> FSelection;
    int FSelectionCount = 0;
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
    // ---- end

    // ---- sorting (BaseTreeGridSort.cpp)
    using TTGCompareEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node1, PGridNode node2,
                                               TColumnIndex column, int &result)>;
    TTGCompareEvent OnCompareNodes;
    virtual void Sort(PGridNode node, TColumnIndex column, TSortDirection direction, bool doInit = true);
    virtual void SortTree(TColumnIndex column, TSortDirection direction, bool doInit = true);

protected:
    virtual int DoCompare(PGridNode node1, PGridNode node2, TColumnIndex column);

public:
    // ---- end

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

    // ---- node bookkeeping
    PGridNode MakeNewNode();
    void FreeNodeBlock(PGridNode node);
    std::uint32_t AllocateInternalDataArea(std::uint32_t size);
    // The address of an internal area returned by AllocateInternalDataArea.
    void *InternalData(PGridNode node, std::uint32_t offset) const;
    void AdjustTotalCount(PGridNode node, std::int64_t value, bool relative = false);
    void AdjustTotalHeight(PGridNode node, std::int64_t value, bool relative = false);
    void InternalConnectNode(PGridNode node, PGridNode destination, TBaseTreeGrid *target,
                             TTGNodeAttachMode mode);
    void InternalDisconnectNode(PGridNode node, bool keepFocus, bool reindex = true);
    void MeasureItemHeight(QPainter *canvas, PGridNode node);
    void DetermineHiddenChildrenFlag(PGridNode node);
    void DetermineHiddenChildrenFlagAllNodes();
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

    // ---- fields
    PGridNode FRoot = nullptr;
    int FNodeDataSize = -1;
    std::uint32_t FTotalInternalDataSize = 0;
    std::uint32_t FDefaultNodeHeight = 18;
    std::uint32_t FUpdateCount = 0;
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

    // Position cache, written by the worker only while it validates this tree.
    std::vector<TCacheEntry> FPositionCache;
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
    TTGDragImageKind FDragImageKind = diComplete;
    int FDragWidth = 200;
    int FDragHeight = 350;

    bool FLoading = false;
    bool FDestroying = false;
    bool FTreeDestroyed = false;
    bool FHasThreadReference = false;
    bool FInValidateCache = false; // measuring before a validation must not revalidate

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
    PGridNode WalkPreviousVisible(PGridNode node, bool considerChildrenAbove, bool init);
    PGridNode FirstVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden);
    PGridNode LastVisibleBelow(PGridNode node, bool considerChildrenAbove, bool init, bool includeHidden);
    void ChangeVisibility(PGridNode node, TGridNodeState state, bool include);
    void RecalculateTotalHeights(PGridNode node);
};
