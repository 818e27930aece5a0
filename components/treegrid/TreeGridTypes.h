#pragma once

// Types shared by every file of the tree-grid control: the node record and its states,
// the option sets, the tree states and the small enumerations of the control's interface.

#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>
#include <QString>

#include "treegrid/TreeGridSet.h"

class TBaseTreeGrid;

// ---- node states

enum TGridNodeState : std::uint8_t {
    vsInitialized,        // InitNode has run
    vsChecking,           // a check box of the node is pressed
    vsCutOrCopy,          // marked for cut or copy
    vsDisabled,           // check changes are refused
    vsDeleting,           // deleted with its parent's subtree: unlinking does no bookkeeping
    vsExpanded,           // children are shown
    vsHasChildren,        // has or may get children
    vsVisible,            // takes part in display
    vsSelected,           // in the selection
    vsInitialUserData,    // AddChild stored a user pointer into the user data
    vsAllChildrenHidden,  // no child is effectively visible
    vsClearing,           // the node's children are being deleted
    vsMultiline,          // text may wrap
    vsHeightMeasured,     // OnMeasureItem has been asked
    vsToggling,           // an expand or collapse runs
    vsHidden              // hidden unless toShowHiddenNodes
};
using TGridNodeStates = TTGSet<TGridNodeState, std::uint16_t>;

enum TGridNodeInitState : std::uint8_t {
    ivsDisabled,
    ivsExpanded,
    ivsHasChildren,
    ivsMultiline,
    ivsSelected
};
using TGridNodeInitStates = TTGSet<TGridNodeInitState, std::uint8_t>;

// Scoped, because the planner's column types use the same member names.
enum class TCheckType : std::uint8_t {
    ctNone = 0,
    ctTriStateCheckBox = 1,
    ctCheckBox = 2,
    ctRadioButton = 3,
    ctButton = 4
};

enum TCheckState : std::uint8_t {
    csUncheckedNormal = 0,
    csUncheckedPressed = 1,
    csCheckedNormal = 2,
    csCheckedPressed = 3,
    csMixedNormal = 4,
    csMixedPressed = 5
};

// TSortDirection, TColumnIndex, NoColumn and InvalidColumn come with the header and columns.

// ---- the node record

struct TGridNode;
using PGridNode = TGridNode *;

// A node's position among its siblings. Unlinking a node leaves the positions after it to be
// renumbered when one of them is next read, so that taking rows out one by one stays linear.
// It lives at the head of the node record and finds its node through its own address, so it
// is never copied out of the node: read it as a number.
struct TSiblingIndex {
    std::uint32_t Value;        // as last numbered; may be stale while the parent is marked

    TSiblingIndex() = default;
    TSiblingIndex(const TSiblingIndex &) = delete;
    TSiblingIndex &operator=(const TSiblingIndex &other) { Value = std::uint32_t(other); return *this; }
    TSiblingIndex &operator=(std::uint32_t value) { Value = value; return *this; }
    operator std::uint32_t() const;
};

// Head of every node block; the control's internal area and the user data follow it in the
// same zero-filled block. Blocks are aligned so that typed user data may hold any C++ type.
struct TGridNode {
    TSiblingIndex Index;        // position among its siblings, consecutive whenever read
    std::uint32_t ChildCount;
    std::uint16_t NodeHeight;   // own row height in pixels
    TTGAtomicSet<TGridNodeState> States;
    std::uint8_t Align;         // vertical alignment of lines and button, 0..100
    TCheckState CheckState;
    TCheckType CheckType;
    std::uint8_t StaleChildIndexes; // non-zero: the tree renumbers some children when read
    std::uint32_t TotalCount;   // nodes in the subtree including this one
    std::uint32_t TotalHeight;  // own height plus the visible children's when expanded
    PGridNode Parent;           // nil for the hidden root
    PGridNode PrevSibling;
    PGridNode NextSibling;
    PGridNode FirstChild;
    PGridNode LastChild;
};

static_assert(std::is_standard_layout_v<TGridNode>, "the index finds its node through its address");

// The position of a node whose parent has children to renumber; the tree does it.
std::uint32_t RenumberedSiblingIndex(const TGridNode *node);

inline TSiblingIndex::operator std::uint32_t() const
{
    const TGridNode *node = reinterpret_cast<const TGridNode *>(this);
    // The hidden root links to itself; its parent link may hold the tree instead of a node.
    if (node->NextSibling != node && node->Parent && node->Parent->StaleChildIndexes)
        return RenumberedSiblingIndex(node);
    return Value;
}

// ---- structure changes and attach modes

enum TChangeReason : std::uint8_t {
    crIgnore = 0,
    crAccumulated = 1,
    crChildAdded = 2,
    crChildDeleted = 3,
    crNodeAdded = 4,
    crNodeCopied = 5,
    crNodeMoved = 6
};

enum TTGNodeAttachMode : std::uint8_t {
    amNoWhere,
    amInsertBefore,
    amInsertAfter,
    amAddChildFirst,
    amAddChildLast
};

enum TTGUpdateState : std::uint8_t { usBegin, usBeginSynch, usSynch, usUpdate, usEnd, usEndSynch };

// ---- option sets

enum TTGPaintOption : std::uint8_t {
    toHideFocusRect, toHideSelection, toHotTrack, toPopupMode, toShowBackground, toShowButtons,
    toShowDropmark, toShowHorzGridLines, toShowRoot, toShowTreeLines, toShowVertGridLines,
    toThemeAware, toUseBlendedImages, toGhostedIfUnfocused, toFullVertGridLines,
    toAlwaysHideSelection, toUseBlendedSelection, toStaticBackground, toChildrenAbove,
    toFixedIndent, toUseExplorerTheme, toHideTreeLinesIfThemed, toShowHiddenNodes
};
using TTGPaintOptions = TTGSet<TTGPaintOption>;

enum TTGAnimationOption : std::uint8_t { toAnimatedToggle, toAdvancedAnimatedToggle };
using TTGAnimationOptions = TTGSet<TTGAnimationOption>;

enum TTGAutoOption : std::uint8_t {
    toAutoDropExpand, toAutoExpand, toAutoScroll, toAutoScrollOnExpand, toAutoSort,
    toAutoSpanColumns, toAutoTristateTracking, toAutoHideButtons, toAutoDeleteMovedNodes,
    toDisableAutoscrollOnFocus, toAutoChangeScale, toAutoFreeOnCollapse, toDisableAutoscrollOnEdit,
    toAutoBidiColumnOrdering
};
using TTGAutoOptions = TTGSet<TTGAutoOption>;

enum TTGSelectionOption : std::uint8_t {
    toDisableDrawSelection, toExtendedFocus, toFullRowSelect, toLevelSelectConstraint,
    toMiddleClickSelect, toMultiSelect, toRightClickSelect, toSiblingSelectConstraint,
    toCenterScrollIntoView, toSimpleDrawSelection
};
using TTGSelectionOptions = TTGSet<TTGSelectionOption>;

enum TTGMiscOption : std::uint8_t {
    toAcceptOLEDrop, toCheckSupport, toEditable, toFullRepaintOnResize, toGridExtensions,
    toInitOnSave, toReportMode, toToggleOnDblClick, toWheelPanning, toReadOnly,
    toVariableNodeHeight, toFullRowDrag, toNodeHeightResize, toNodeHeightDblClickResize,
    toEditOnClick, toEditOnDblClick
};
using TTGMiscOptions = TTGSet<TTGMiscOption>;

enum TTGExportMode : std::uint8_t { emAll, emChecked, emUnchecked };

enum TTGStringOption : std::uint8_t { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TTGStringOptions = TTGSet<TTGStringOption>;

inline constexpr TTGPaintOptions DefaultPaintOptions{toShowButtons, toShowDropmark, toShowRoot,
                                                     toShowTreeLines, toThemeAware, toUseBlendedImages};
inline constexpr TTGAnimationOptions DefaultAnimationOptions{};
inline constexpr TTGAutoOptions DefaultAutoOptions{toAutoDropExpand, toAutoScrollOnExpand,
                                                   toAutoTristateTracking, toAutoDeleteMovedNodes};
inline constexpr TTGSelectionOptions DefaultSelectionOptions{};
inline constexpr TTGMiscOptions DefaultMiscOptions{toAcceptOLEDrop, toFullRepaintOnResize, toInitOnSave,
                                                   toToggleOnDblClick, toWheelPanning, toEditOnClick};
inline constexpr TTGStringOptions DefaultStringOptions{toSaveCaptions, toAutoAcceptEditChange};

// ---- tree states

enum TTreeGridState : std::uint8_t {
    tsCancelHintAnimation, tsChangePending, tsCheckPropagation, tsCollapsing,
    tsToggleFocusedSelection, tsClearPending, tsClipboardFlushing, tsCopyPending, tsCutPending,
    tsDrawSelPending, tsDrawSelecting, tsEditing, tsEditPending, tsExpanding, tsNodeHeightTracking,
    tsNodeHeightTrackPending, tsHint, tsInAnimation, tsIncrementalSearching,
    tsIncrementalSearchPending, tsIterating, tsKeyCheckPending, tsLeftButtonDown, tsLeftDblClick,
    tsMouseCheckPending, tsMiddleButtonDown, tsMiddleDblClick, tsNeedScale, tsNeedRootCountUpdate,
    tsOLEDragging, tsOLEDragPending, tsPainting, tsRightButtonDown, tsRightDblClick,
    tsPopupMenuShown, tsScrolling, tsScrollPending, tsSizing, tsStopValidation,
    tsStructureChangePending, tsSynchMode, tsThumbTracking, tsToggling,
    tsUpdateHiddenChildrenNeeded, tsUpdating, tsUseCache, tsUserDragObject, tsUseThemes,
    tsValidating, tsValidationNeeded, tsVCLDragging, tsVCLDragPending, tsWheelPanning,
    tsWheelScrolling, tsWindowCreating
};
using TTreeGridStates = TTGSet<TTreeGridState, std::uint64_t>;

// The change states the validation worker reports; they map one to one onto tree states.
enum TValidationChangeState : std::uint8_t {
    csStopValidation = 0,
    csUseCache = 1,
    csValidating = 2,
    csValidationNeeded = 3
};
using TValidationChangeStates = TTGSet<TValidationChangeState, std::uint8_t>;

// ---- errors

// A programming error inside the control: the message names the broken rule.
class ETreeGridAssertion : public std::logic_error
{
public:
    explicit ETreeGridAssertion(const char *message) : std::logic_error(message) {}
};

// An error a user (or the owner) can cause, with the help context it is documented under.
class ETreeGridError : public std::runtime_error
{
public:
    ETreeGridError(const QString &message, int helpContext)
        : std::runtime_error(message.toStdString()), FMessage(message), FHelpContext(helpContext) {}
    QString Message() const { return FMessage; }
    int HelpContext() const { return FHelpContext; }

private:
    QString FMessage;
    int FHelpContext = 0;
};

inline void TGAssert(bool condition, const char *message)
{
    if (!condition)
        throw ETreeGridAssertion(message);
}

// ---- the control's own small types

// The selection in tree order as last asked for, while neither the rows nor the selection
// changed since (their counts as they were then).
struct TTGSortedSelection {
    std::uint64_t Rows = 0;
    std::uint64_t Selection = 0;
    bool TrimOverlapped = false;
    bool Valid = false;
    std::vector<PGridNode> Nodes;
};

// One entry of the position cache: every 2000th visible node with its absolute top.
struct TCacheEntry {
    PGridNode Node = nullptr;
    std::int64_t AbsoluteTop = 0;
    // The tail entry a short walk appends holds the bottom of its node: never a start point.
    bool HoldsBottom = false;
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
enum TTGDragOperation : std::uint8_t { doCopy, doMove, doLink };
using TTGDragOperations = TTGSet<TTGDragOperation, std::uint8_t>;
