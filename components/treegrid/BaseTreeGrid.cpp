#include "treegrid/BaseTreeGrid.h"

#include <QEvent>
#include <QShowEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include "ImageList.h"

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
    FScrollBarOptions = std::make_unique<TTGScrollBarOptions>(this);
    FTreeFont.Assign(font());
    if (FOptions->PaintOptions().contains(toThemeAware))
        FStates.include(tsUseThemes);
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { ThumbTracking(true); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] { ThumbTracking(false); });
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, this, [this] { ThumbTracking(true); });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] { ThumbTracking(false); });
    FAnimationTimer.setTimerType(Qt::PreciseTimer);
    connect(&FAnimationTimer, &QTimer::timeout, this, &TBaseTreeGrid::AnimationStep);

    InitializeInput();
    InitializeDragDrop();
    FChangeTimer.setSingleShot(true);
    FStructureChangeTimer.setSingleShot(true);
    connect(&FChangeTimer, &QTimer::timeout, this, [this] { DoChange(FLastChangedNode); });
    connect(&FStructureChangeTimer, &QTimer::timeout, this,
            [this] { DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason); });

    TWorkerThread::AddThreadReference();
    FHasThreadReference = true;
    InitializeGlobalStructures();
    FCheckImages = GetCheckImageListFor(FCheckImageKind);
    PrepareBitmaps(true, true);
    CreateRootNode();
    ScrollBarOptionsChanged();
}

TBaseTreeGrid::~TBaseTreeGrid()
{
    DestroyTree();
    UnregisterTreeRoot(FRoot);
    FRemovedNodes.ReleaseBlock(FRoot);
    FRoot = nullptr;
}

void TBaseTreeGrid::DestroyTree()
{
    if (FTreeDestroyed)
        return;
    FTreeDestroyed = true;
    // An open editor finishes while the whole tree still answers it: later the window's loss of
    // focus would reach it in a half-destroyed tree.
    if (FStates.contains(tsEditing) && (!AutoAcceptEditChange() || !EndEditNode()))
        CancelEditNode();
    AbandonFrameworkDrag();
    FlushClipboard();
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
    FAnimationTimer.stop();
    FinalizeInput();
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
        PrepareBitmaps(true, false);
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
    if (changed.contains(toAcceptOLEDrop)) {
        setAcceptDrops(newOptions.contains(toAcceptOLEDrop));
        viewport()->setAcceptDrops(newOptions.contains(toAcceptOLEDrop));
    }
}

// ---- simple properties

void TBaseTreeGrid::Invalidate()
{
    if (FUpdateCount == 0 && !FDestroying) {
        FinishAnimation();
        viewport()->update();
    }
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
        if (!FLoading)
            PrepareBitmaps(true, false);
        Invalidate();
    }
}

void TBaseTreeGrid::SetButtonFillMode(TTGButtonFillMode value)
{
    if (FButtonFillMode != value) {
        FButtonFillMode = value;
        if (!FLoading)
            PrepareBitmaps(true, false);
        Invalidate();
    }
}

void TBaseTreeGrid::SetLineStyle(TTGLineStyle value)
{
    if (FLineStyle != value) {
        FLineStyle = value;
        PrepareBitmaps(false, true);
        Invalidate();
    }
}

void TBaseTreeGrid::SetCheckImageKind(TTGCheckImageKind value)
{
    if (FCheckImageKind != value) {
        FCheckImageKind = value;
        FCheckImages = GetCheckImageListFor(value);
        if (!FCheckImages)
            FCheckImages = FCustomCheckImages;
        if (!FLoading)
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
    SetHintMode(source.FHintMode);
    SetHotCursor(source.FHotCursor);
    SetPopupMenu(source.FPopupMenu);
    SetShowHint(source.FShowHint);
    SetDragMode(source.FDragMode);
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
    SetColor(source.FColor);
    SetBackground(source.FBackground);
    SetImages(source.FImages);
    SetStateImages(source.FStateImages);
    SetSelectionCurveRadius(source.FSelectionCurveRadius);
    FScrollBarOptions->Assign(*source.FScrollBarOptions);
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
    // Header and columns follow the settings read.
    if (TTreeGridHeader *header = Header()) {
        TTreeGridColumns *columns = header->Columns();
        if (FOptions->AutoOptions().contains(toAutoBidiColumnOrdering))
            columns->ReorderColumns(UseRightToLeftReading());
        header->RescaleHeader();
        if (header->Options().contains(hoAutoResize))
            columns->AdjustAutoSize(InvalidColumn, true);
    }
    PrepareBitmaps(true, true);
    UpdateHeaderRect();
    UpdateScrollBars(true);
    Invalidate();
}

// ---- window events

void TBaseTreeGrid::showEvent(QShowEvent *e)
{
    QAbstractScrollArea::showEvent(e);
    UpdateHeaderRect();
    if (!FDestroying)
        UpdateScrollBars(true);
}

void TBaseTreeGrid::changeEvent(QEvent *e)
{
    QAbstractScrollArea::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
        FTreeFont.Assign(font());
        WindowFontChanged();
        if (!FLoading)
            Invalidate();
        // A header that takes the tree's font follows it.
        if (TTreeGridHeader *header = FDestroying ? nullptr : Header()) {
            TTGHeaderMessage message;
            message.Kind = hmParentFontChanged;
            header->HandleMessage(message);
        }
        break;
    case QEvent::PaletteChange:
        // System colours changed: the check images are drawn from them.
        RebuildCheckImageLists();
        if (!FLoading)
            PrepareBitmaps(true, true);
        Invalidate();
        break;
    case QEvent::StyleChange:
        if (FOptions->PaintOptions().contains(toThemeAware))
            DoStateChange({tsUseThemes});
        else
            DoStateChange({}, {tsUseThemes});
        PrepareBitmaps(true, false);
        Invalidate();
        break;
    case QEvent::EnabledChange:
        viewport()->update();
        break;
    case QEvent::LayoutDirectionChange: {
        FEffectiveOffsetX = UseRightToLeftReading() ? std::max<std::int64_t>(0, FRangeX - ClientWidth() + FOffsetX)
                                                    : std::max<std::int64_t>(0, -std::int64_t(FOffsetX));
        TTreeGridHeader *header = Header();
        if (header && FOptions->AutoOptions().contains(toAutoBidiColumnOrdering))
            header->Columns()->ReorderColumns(UseRightToLeftReading());
        if (header)
            header->Invalidate();
        break;
    }
    default:
        break;
    }
}

void TBaseTreeGrid::WindowFontChanged()
{
}
