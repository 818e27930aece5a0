#include "treegrid/TreeGridHeader.h"

#include <algorithm>

#include "treegrid/BaseTreeGrid.h"

namespace {
constexpr int kMaxHeaderHeight = 10000;

int clampPercent(int value)
{
    return std::clamp(value, 0, 100);
}
} // namespace

// ---- fixed-area constraints

void TTGFixedAreaConstraints::Change()
{
    if (FHeader)
        FHeader->FixedAreaConstraintsChanged();
}

// Sets one limit of a pair; a limit that would cross the other one (both set) takes it along.
void TTGFixedAreaConstraints::SetLimit(int &limit, int &opposite, int value, bool upper)
{
    value = clampPercent(value);
    if (value == limit)
        return;
    limit = value;
    if (value > 0 && opposite > 0 && (upper ? opposite > value : opposite < value))
        opposite = value;
    Change();
}

void TTGFixedAreaConstraints::SetMaxHeightPercent(int value)
{
    SetLimit(FMaxHeightPercent, FMinHeightPercent, value, true);
}

void TTGFixedAreaConstraints::SetMaxWidthPercent(int value)
{
    SetLimit(FMaxWidthPercent, FMinWidthPercent, value, true);
}

void TTGFixedAreaConstraints::SetMinHeightPercent(int value)
{
    SetLimit(FMinHeightPercent, FMaxHeightPercent, value, false);
}

void TTGFixedAreaConstraints::SetMinWidthPercent(int value)
{
    SetLimit(FMinWidthPercent, FMaxWidthPercent, value, false);
}

void TTGFixedAreaConstraints::Assign(const TTGFixedAreaConstraints &source)
{
    FMaxHeightPercent = source.FMaxHeightPercent;
    FMaxWidthPercent = source.FMaxWidthPercent;
    FMinHeightPercent = source.FMinHeightPercent;
    FMinWidthPercent = source.FMinWidthPercent;
    Change();
}

// ---- header

TTreeGridHeader::TTreeGridHeader(TBaseTreeGrid *owner)
    : FOwner(owner),
      FColumns(std::make_unique<TTreeGridColumns>(this)),
      FBackground(clBtnFace),
      FFixedAreaConstraints(this)
{
}

TTreeGridHeader::~TTreeGridHeader() = default;

bool TTreeGridHeader::IsLoading() const
{
    return FStates.contains(hsLoading);
}

void TTreeGridHeader::DoStateChange(THeaderStates enter, THeaderStates leave)
{
    FStates = (FStates + enter) - leave;
}

void TTreeGridHeader::SetOptions(TTGHeaderOptions value)
{
    if (value == FOptions)
        return;
    const TTGHeaderOptions toggled = (FOptions - value) + (value - FOptions);
    FOptions = value;
    if (toggled.contains(hoAutoResize) && FColumns->Count() > 0) {
        FColumns->AdjustAutoSize(InvalidColumn);
        if (TreeHandleAllocated()) {
            TreeUpdateHorizontalScrollBar();
            if (FOptions.contains(hoAutoResize))
                TreeInvalidate();
        }
    }
    if (!IsLoading() && TreeHandleAllocated()) {
        if (toggled.contains(hoVisible))
            RecalculateHeader();
        Invalidate();
        TreeInvalidate();
    }
}

void TTreeGridHeader::SetStyle(TTGHeaderStyle value)
{
    if (value == FStyle)
        return;
    FStyle = value;
    if (!IsLoading())
        Invalidate();
}

void TTreeGridHeader::SetBackground(TColor value)
{
    if (value == FBackground)
        return;
    FBackground = value;
    Invalidate();
}

void TTreeGridHeader::SetHeight(int value)
{
    // The percentage limits of the fixed area and rescaling come with header sizing.
    value = std::clamp(value, FMinHeight, FMaxHeight);
    if (value == FHeight)
        return;
    FHeight = value;
    if (!IsLoading() && !FStates.contains(hsScaling))
        RecalculateHeader();
    TreeInvalidate();
}

void TTreeGridHeader::SetDefaultHeight(int value)
{
    value = std::clamp(value, FMinHeight, FMaxHeight);
    if (value == FDefaultHeight)
        return;
    const bool followsDefault = FHeight == FDefaultHeight;
    FDefaultHeight = value;
    if (followsDefault)
        SetHeight(value);
}

void TTreeGridHeader::SetMinHeight(int value)
{
    value = std::clamp(value, 0, FMaxHeight);
    if (value == FMinHeight)
        return;
    FMinHeight = value;
    SetHeight(FHeight);
}

void TTreeGridHeader::SetMaxHeight(int value)
{
    value = std::min(std::max(value, FMinHeight), kMaxHeaderHeight);
    if (value == FMaxHeight)
        return;
    FMaxHeight = value;
    SetHeight(FHeight);
}

TColumnIndex TTreeGridHeader::MainColumn() const
{
    return FColumns->Count() > 0 ? FMainColumn : NoColumn;
}

void TTreeGridHeader::SetMainColumn(TColumnIndex value)
{
    if (IsLoading()) {
        FMainColumn = value;
        return;
    }
    const int count = FColumns->Count();
    value = count == 0 ? NoColumn : std::clamp(value, 0, count - 1);
    if (value == FMainColumn)
        return;
    FMainColumn = value;
    TreeMainColumnChanged();
    TreeInvalidate();
}

void TTreeGridHeader::SetSortColumn(TColumnIndex value)
{
    if (IsLoading())
        FSortColumn = value;
    else
        DoSetSortColumn(value);
}

void TTreeGridHeader::DoSetSortColumn(TColumnIndex value)
{
    value = std::clamp(value, NoColumn, FColumns->Count() - 1);
    if (value == FSortColumn)
        return;
    if (const TTreeGridColumn *old = FColumns->Items(FSortColumn))
        Invalidate(old);
    FSortColumn = value;
    if (const TTreeGridColumn *current = FColumns->Items(FSortColumn))
        Invalidate(current);
    SortTreeIfAuto();
}

void TTreeGridHeader::SetSortDirection(TSortDirection value)
{
    if (value == FSortDirection)
        return;
    FSortDirection = value;
    Invalidate();
    SortTreeIfAuto();
}

void TTreeGridHeader::SetAutoSizeIndex(TColumnIndex value)
{
    if (value == FAutoSizeIndex)
        return;
    FAutoSizeIndex = value;
    if (FOptions.contains(hoAutoResize))
        FColumns->AdjustAutoSize(InvalidColumn);
}

bool TTreeGridHeader::AllowFocus(TColumnIndex column) const
{
    const TTreeGridColumn *item = FColumns->Items(column);
    return item && item->Options().contains(coAllowFocus);
}

void TTreeGridHeader::UpdateMainColumn()
{
    const int count = FColumns->Count();
    FMainColumn = count == 0 ? NoColumn : std::clamp(FMainColumn, 0, count - 1);
}

void TTreeGridHeader::FixedAreaConstraintsChanged()
{
    FStates += hsNeedScaling;
    if (TreeHandleAllocated())
        RescaleHeader();
}

void TTreeGridHeader::RescaleHeader()
{
    // Height and fixed-width limits are applied with header sizing; positions stay right.
    FStates -= hsNeedScaling;
    FColumns->UpdatePositions();
}

void TTreeGridHeader::Assign(const TTreeGridHeader &source)
{
    if (&source == this)
        return;
    FAutoSizeIndex = source.FAutoSizeIndex;
    FBackground = source.FBackground;
    FColumns->Assign(*source.FColumns);
    FFixedAreaConstraints.Assign(source.FFixedAreaConstraints);
    FMinHeight = 0;
    FMaxHeight = kMaxHeaderHeight;
    SetMaxHeight(source.FMaxHeight);
    SetMinHeight(source.FMinHeight);
    FDefaultHeight = source.FDefaultHeight;
    SetHeight(source.FHeight);
    FMainColumn = source.FMainColumn;
    UpdateMainColumn();
    SetOptions(source.FOptions);
    FSortColumn = std::clamp(source.FSortColumn, NoColumn, FColumns->Count() - 1);
    FSortDirection = source.FSortDirection;
    FStyle = source.FStyle;
    RescaleHeader();
}

void TTreeGridHeader::SortTreeIfAuto()
{
    TreeSortIfAutoSort();
}

// ---- links into the tree

QRect TTreeGridHeader::HeaderRect() const
{
    return QRect(0, 0, FOwner ? FOwner->width() : TreeClientWidth(), FOptions.contains(hoVisible) ? FHeight : 0);
}

void TTreeGridHeader::Invalidate(const TTreeGridColumn *column, bool expandToBorder)
{
    // The header strip is painted with the header; until then the whole control repaints.
    Q_UNUSED(column);
    Q_UNUSED(expandToBorder);
    if (FOwner && FOptions.contains(hoVisible) && TreeHandleAllocated())
        FOwner->update();
}

void TTreeGridHeader::RecalculateHeader()
{
    if (FOwner && TreeHandleAllocated())
        FOwner->update();
}

int TTreeGridHeader::TreeClientWidth() const
{
    if (!FOwner)
        return 0;
    // Before the window exists the viewport is not laid out yet: take the control's width.
    if (!TreeHandleAllocated() || FOwner->testAttribute(Qt::WA_PendingResizeEvent))
        return FOwner->width();
    return FOwner->viewport()->width();
}

int TTreeGridHeader::TreeHeight() const
{
    return FOwner ? FOwner->height() : 0;
}

int TTreeGridHeader::TreeEffectiveOffsetX() const
{
    return FOwner ? int(FOwner->FEffectiveOffsetX) : 0;
}

int TTreeGridHeader::TreeIndent() const
{
    return FOwner ? int(FOwner->Indent()) : 18;
}

bool TTreeGridHeader::TreeUseRightToLeft() const
{
    return FOwner && FOwner->layoutDirection() == Qt::RightToLeft;
}

bool TTreeGridHeader::TreeUpdating() const
{
    return FOwner && FOwner->UpdateCount() > 0;
}

bool TTreeGridHeader::TreeHandleAllocated() const
{
    return FOwner && FOwner->testAttribute(Qt::WA_WState_Created);
}

TColor TTreeGridHeader::TreeColor() const
{
    return clWindow;
}

TColumnBiDiMode TTreeGridHeader::TreeBiDiMode() const
{
    return TreeUseRightToLeft() ? bdRightToLeft : bdLeftToRight;
}

void TTreeGridHeader::TreeDoColumnResize(TColumnIndex column)
{
    // The column resize notification of the header comes with header handling; the rows
    // follow the new widths at once.
    Q_UNUSED(column);
    if (FOwner && !IsLoading() && TreeHandleAllocated())
        FOwner->viewport()->update();
}

void TTreeGridHeader::TreeInvalidate()
{
    if (FOwner && !FOwner->IsDestroying())
        FOwner->Invalidate();
}

void TTreeGridHeader::TreeUpdateHorizontalScrollBar()
{
    if (FOwner && !FOwner->IsDestroying() && TreeHandleAllocated())
        FOwner->UpdateScrollBars(true);
}

void TTreeGridHeader::TreeEndEditNode()
{
    // In-place editing is not part of the tree yet: nothing to end.
}

void TTreeGridHeader::TreeMainColumnChanged()
{
    if (FOwner)
        FOwner->MainColumnChanged();
}

void TTreeGridHeader::TreeSortIfAutoSort()
{
    if (FOwner && !FOwner->IsDestroying() && FOwner->TreeOptions().AutoOptions().contains(toAutoSort)
        && FOwner->UpdateCount() == 0)
        FOwner->SortTree(FSortColumn, FSortDirection, true);
}

void TTreeGridHeader::TreeColumnRemoved(TColumnIndex index)
{
    if (!FOwner)
        return;
    // The focused column keeps naming the same column.
    if (FOwner->FFocusedColumn == index)
        FOwner->FFocusedColumn = NoColumn;
    else if (FOwner->FFocusedColumn > index)
        --FOwner->FFocusedColumn;
}

void TTreeGridHeader::TreeColumnsCleared()
{
    if (FOwner)
        FOwner->FFocusedColumn = NoColumn;
}

bool TTreeGridHeader::TreeCanSplitterResize(QPoint p, TColumnIndex column) const
{
    // The owner's veto (OnCanSplitterResizeColumn) comes with header mouse handling.
    Q_UNUSED(p);
    Q_UNUSED(column);
    return true;
}
