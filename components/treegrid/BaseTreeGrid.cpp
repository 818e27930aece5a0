#include "treegrid/BaseTreeGrid.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include "treegrid/TreeGridRoutines.h"
#include "treegrid/TreeGridWorkerThread.h"

#include "treegrid/TreeGridHeader.h"

TBaseTreeGrid::TBaseTreeGrid(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    resize(200, 100);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    FOptions = std::make_unique<TCustomTreeGridOptions>(this);
    FColors = std::make_unique<TTGColors>(this);

    FChangeTimer.setSingleShot(true);
    FStructureChangeTimer.setSingleShot(true);
    connect(&FChangeTimer, &QTimer::timeout, this, [this] { DoChange(FLastChangedNode); });
    connect(&FStructureChangeTimer, &QTimer::timeout, this,
            [this] { DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason); });

    TWorkerThread::AddThreadReference();
    FHasThreadReference = true;
    InitializeGlobalStructures();
    CreateRootNode();
}

TBaseTreeGrid::~TBaseTreeGrid()
{
    DestroyTree();
    UnregisterTreeRoot(FRoot);
    FreeNodeBlock(FRoot);
    FRoot = nullptr;
}

void TBaseTreeGrid::DestroyTree()
{
    if (FTreeDestroyed)
        return;
    FTreeDestroyed = true;
    // Lift read-only so that clearing is allowed; the worker must be out of the tree before
    // any node memory goes.
    FDestroying = true;
    FOptions->FMiscOptions.exclude(toReadOnly);
    if (FHasThreadReference) {
        FHasThreadReference = false;
        TWorkerThread::ReleaseThreadReference(this);
    }
    FChangeTimer.stop();
    FStructureChangeTimer.stop();
    Clear();
}

void TBaseTreeGrid::AfterConstruction()
{
    Header();
}

std::unique_ptr<TTreeGridHeader> TBaseTreeGrid::CreateHeader()
{
    return std::make_unique<TTreeGridHeader>(this);
}

TTreeGridHeader *TBaseTreeGrid::Header()
{
    if (!FHeader && !FDestroying)
        FHeader = CreateHeader();
    return FHeader.get();
}

// ---- options

bool TBaseTreeGrid::IsLive() const
{
    return !FLoading && !FDestroying;
}

void TBaseTreeGrid::PaintOptionsChanged(TTGPaintOptions oldOptions, TTGPaintOptions newOptions)
{
    const TTGPaintOptions changed = (oldOptions - newOptions) + (newOptions - oldOptions);
    if (changed.empty() || !IsLive())
        return;
    if (changed.intersects({toThemeAware, toUseExplorerTheme})) {
        // Qt styles always draw themed; the state only records the choice.
        if (newOptions.contains(toThemeAware))
            DoStateChange({tsUseThemes});
        else
            DoStateChange({}, {tsUseThemes});
        Invalidate();
    } else if (changed.contains(toShowHiddenNodes)) {
        // Hidden nodes may nest and carry whole subtrees, so rows and heights are counted
        // anew rather than adjusted node by node.
        BeginUpdate();
        InterruptValidation();
        RecalculateTotalHeights(FRoot);
        FVisibleCount = CountVisibleChildren(FRoot);
        DoStateChange({tsUpdateHiddenChildrenNeeded});
        InvalidateCache();
        EndUpdate();
    } else {
        if (changed.contains(toChildrenAbove))
            InvalidateCache();
        Invalidate();
    }
}

void TBaseTreeGrid::AutoOptionsChanged(TTGAutoOptions oldOptions, TTGAutoOptions newOptions)
{
    if (IsLive() && oldOptions.contains(toAutoSpanColumns) != newOptions.contains(toAutoSpanColumns))
        Invalidate();
}

void TBaseTreeGrid::SelectionOptionsChanged(TTGSelectionOptions oldOptions, TTGSelectionOptions newOptions)
{
    if (!IsLive())
        return;
    const bool multiChanged = oldOptions.contains(toMultiSelect) != newOptions.contains(toMultiSelect);
    const TTGSelectionOptions added = newOptions - oldOptions;
    if (multiChanged || added.intersects({toLevelSelectConstraint, toSiblingSelectConstraint}))
        ClearSelection();
    if (!newOptions.contains(toExtendedFocus) && Header()) {
        const TColumnIndex mainColumn = Header()->MainColumn();
        if (FFocusedColumn != mainColumn) {
            FFocusedColumn = mainColumn;
            Invalidate();
        }
    }
}

void TBaseTreeGrid::MiscOptionsChanged(TTGMiscOptions oldOptions, TTGMiscOptions newOptions)
{
    if (!IsLive())
        return;
    const TTGMiscOptions changed = (oldOptions - newOptions) + (newOptions - oldOptions);
    if (changed.contains(toCheckSupport))
        Invalidate();
    if (changed.contains(toVariableNodeHeight))
        InvalidateCache();
    // OLE drop registration and window recreation have no counterpart: Qt accepts drops per
    // widget attribute and repaints fully on resize anyway.
    if (changed.contains(toAcceptOLEDrop))
        setAcceptDrops(newOptions.contains(toAcceptOLEDrop));
}

// ---- simple properties

void TBaseTreeGrid::Invalidate()
{
    if (FUpdateCount == 0 && !FDestroying)
        viewport()->update();
}

void TBaseTreeGrid::SetAlignment(Qt::Alignment value)
{
    if (FAlignment == value)
        return;
    FAlignment = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetAnimationDuration(std::uint32_t value)
{
    if (FAnimationDuration == value)
        return;
    FAnimationDuration = value;
    TTGAnimationOptions animation = FOptions->AnimationOptions();
    if (value == 0)
        animation.exclude(toAnimatedToggle);
    else
        animation.include(toAnimatedToggle);
    FOptions->SetAnimationOptions(animation);
}

void TBaseTreeGrid::SetBorderStyle(TTGBorderStyle value)
{
    if (FBorderStyle == value)
        return;
    FBorderStyle = value;
    setFrameShape(value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TBaseTreeGrid::SetBottomSpace(std::uint32_t value)
{
    if (FBottomSpace == value)
        return;
    FBottomSpace = value;
    UpdateScrollBars(true);
}

void TBaseTreeGrid::SetIndent(std::uint32_t value)
{
    if (FIndent == value)
        return;
    FIndent = value;
    if (IsLive() && FUpdateCount == 0) {
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseTreeGrid::SetMargin(int value)
{
    if (FMargin == value)
        return;
    FMargin = value;
    if (IsLive())
        Invalidate();
}

void TBaseTreeGrid::SetTextMargin(int value)
{
    if (FTextMargin == value)
        return;
    FTextMargin = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetNodeAlignment(TTGNodeAlignment value)
{
    if (FNodeAlignment == value)
        return;
    FNodeAlignment = value;
    if (!FLoading)
        Invalidate();
}

void TBaseTreeGrid::SetButtonStyle(TTGButtonStyle value)
{
    if (FButtonStyle != value) {
        FButtonStyle = value;
        Invalidate();
    }
}

void TBaseTreeGrid::SetButtonFillMode(TTGButtonFillMode value)
{
    if (FButtonFillMode != value) {
        FButtonFillMode = value;
        Invalidate();
    }
}

void TBaseTreeGrid::SetLineStyle(TTGLineStyle value)
{
    if (FLineStyle != value) {
        FLineStyle = value;
        Invalidate();
    }
}

void TBaseTreeGrid::SetCheckImageKind(TTGCheckImageKind value)
{
    if (FCheckImageKind != value) {
        FCheckImageKind = value;
        Invalidate();
    }
}

void TBaseTreeGrid::Assign(const TBaseTreeGrid &source)
{
    if (&source == this || FOptions->MiscOptions().contains(toReadOnly))
        return;
    SetAlignment(source.FAlignment);
    SetAutoScrollDelay(source.FAutoScrollDelay);
    SetAutoScrollInterval(source.FAutoScrollInterval);
    SetBorderStyle(source.FBorderStyle);
    SetChangeDelay(source.FChangeDelay);
    SetCheckImageKind(source.FCheckImageKind);
    FColors->Assign(*source.FColors);
    SetDefaultNodeHeight(source.FDefaultNodeHeight);
    SetDefaultPasteMode(source.FDefaultPasteMode);
    SetDragImageKind(source.FDragImageKind);
    SetDragOperations(source.FDragOperations);
    SetDragType(source.FDragType);
    SetDragWidth(source.FDragWidth);
    SetDragHeight(source.FDragHeight);
    setEnabled(source.isEnabled());
    setFont(source.font());
    SetHintAnimation(source.FHintAnimation);
    SetIndent(source.FIndent);
    SetMargin(source.FMargin);
    SetNodeAlignment(source.FNodeAlignment);
    SetNodeDataSize(source.FNodeDataSize);
    if (source.FNodeDataType)
        SetTypedNodeData(source.FNodeDataSize, source.FNodeDataType, source.FNodeDataConstruct,
                         source.FNodeDataDestroy);
    source.FOptions->AssignTo(*FOptions);
    SetRootNodeCount(source.RootNodeCount());
    SetButtonStyle(source.FButtonStyle);
    SetButtonFillMode(source.FButtonFillMode);
    SetLineStyle(source.FLineStyle);
    SetAnimationDuration(source.FAnimationDuration);
    SetSelectionBlendFactor(source.FSelectionBlendFactor);
    SetTextMargin(source.FTextMargin);
    if (source.FHeader && Header())
        Header()->Assign(*source.FHeader);
}

void TBaseTreeGrid::Loaded()
{
    FLoading = false;
    if (FStates.contains(tsNeedRootCountUpdate) && FRoot->ChildCount > 0) {
        DoStateChange({}, {tsNeedRootCountUpdate});
        const std::uint32_t count = FRoot->ChildCount;
        const TTGMiscOptions misc = FOptions->MiscOptions();
        FOptions->FMiscOptions.exclude(toReadOnly);
        BeginUpdate();
        FRoot->ChildCount = 0;
        SetChildCount(FRoot, count);
        EndUpdate();
        FOptions->FMiscOptions = misc;
    }
}

// ---- geometry: the ranges and offsets the structure operations keep up to date

void TBaseTreeGrid::UpdateScrollBars(bool doRepaint)
{
    Q_UNUSED(doRepaint);
    if (FRoot->TotalHeight < FDefaultNodeHeight)
        FRoot->TotalHeight = FDefaultNodeHeight;
    FRangeY = std::int64_t(FRoot->TotalHeight) - FRoot->NodeHeight + FBottomSpace;
    if (FStates.contains(tsUpdating))
        return;
    const int clientHeight = viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    const std::int64_t maxY = std::max<std::int64_t>(0, FRangeY - clientHeight);
    bar->setRange(0, int(std::min<std::int64_t>(maxY, INT32_MAX)));
    bar->setPageStep(std::max(0, clientHeight + 1));
    SetOffsetY(FOffsetY);
    bar->setValue(-FOffsetY);

    const int clientWidth = viewport()->width();
    QScrollBar *hbar = horizontalScrollBar();
    const std::int64_t maxX = std::max<std::int64_t>(0, FRangeX - clientWidth);
    hbar->setRange(0, int(std::min<std::int64_t>(maxX, INT32_MAX)));
    hbar->setPageStep(std::max(0, clientWidth + 1));
    SetOffsetX(FOffsetX);
    hbar->setValue(-FOffsetX);
}

void TBaseTreeGrid::SetOffsetX(int value)
{
    const std::int64_t low = std::min<std::int64_t>(0, std::int64_t(viewport()->width()) - FRangeX);
    const int clamped = int(std::clamp<std::int64_t>(value, std::max<std::int64_t>(low, INT32_MIN), 0));
    if (clamped == FOffsetX)
        return;
    const int dx = clamped - FOffsetX;
    FOffsetX = clamped;
    FEffectiveOffsetX = -std::int64_t(FOffsetX);
    DoScroll(dx, 0);
}

void TBaseTreeGrid::SetOffsetY(int value)
{
    const std::int64_t low = std::min<std::int64_t>(0, std::int64_t(viewport()->height()) - FRangeY);
    const int clamped = int(std::clamp<std::int64_t>(value, std::max<std::int64_t>(low, INT32_MIN), 0));
    if (clamped == FOffsetY)
        return;
    const int dy = clamped - FOffsetY;
    FOffsetY = clamped;
    DoScroll(0, dy);
}

int TBaseTreeGrid::DoGetNodeWidth(PGridNode, int)
{
    return 0;
}

void TBaseTreeGrid::paintEvent(QPaintEvent *e)
{
    // The viewport paints opaquely; until rows are drawn it shows the tree's background.
    QPainter painter(viewport());
    painter.fillRect(e->rect(), viewport()->palette().color(QPalette::Base));
}

void TBaseTreeGrid::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    if (!FStates.contains(tsWindowCreating) && !FStates.contains(tsSizing) && viewport()->height() > 0) {
        DoStateChange({tsSizing});
        UpdateScrollBars(true);
        DoStateChange({}, {tsSizing});
    }
}
