#include "treegrid/TreeGridHeader.h"

#include <algorithm>

#include <QApplication>
#include <QMenu>

#include "ImageList.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeaderOverlays.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridRoutines.h"

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
    FFont.Assign(QApplication::font());
    FFont.OnChange = [this](TGraphicsObject *) { FontChanged(); };
    if (FOwner)
        FWidget = new TTreeGridHeaderWidget(this, FOwner);
}

TTreeGridHeader::~TTreeGridHeader()
{
    FFont.OnChange = nullptr;
    if (FImages)
        FImages->RemoveChangeLink(FImagesLink);
    FDragImage.reset();
    // The strip is a child of the tree; it goes with its header.
    delete FWidget.data();
}

TTreeGridHeaderWidget *TTreeGridHeader::Widget() const
{
    return FWidget.data();
}

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

void TTreeGridHeader::SetFont(const TFont &value)
{
    FFont.Assign(value);
    FParentFont = false;
}

void TTreeGridHeader::FontChanged()
{
    Invalidate();
}

void TTreeGridHeader::SetParentFont(bool value)
{
    if (value == FParentFont)
        return;
    FParentFont = value;
    if (FParentFont) {
        TTGHeaderMessage message;
        message.Kind = hmParentFontChanged;
        HandleMessage(message);
    }
}

void TTreeGridHeader::SetImages(TImageList *value)
{
    if (value == FImages)
        return;
    if (FImages)
        FImages->RemoveChangeLink(FImagesLink);
    FImages = value;
    FImagesLink = 0;
    if (FImages)
        FImagesLink = FImages->AddChangeLink([this] { ImagesChanged(); });
    Invalidate();
}

void TTreeGridHeader::ImagesChanged()
{
    if (!FOwner || !FOwner->IsDestroying())
        Invalidate();
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
    TreeSortIfAutoSort();
}

void TTreeGridHeader::SetSortDirection(TSortDirection value)
{
    if (value == FSortDirection)
        return;
    FSortDirection = value;
    Invalidate();
    TreeSortIfAutoSort();
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

void TTreeGridHeader::ChangeScale(int m, int d)
{
    if (m == d || d == 0)
        return;
    const qint64 height = qint64(FFont.Height()) * m / d;
    FFont.SetHeight(int(std::clamp<qint64>(height, -1000, 1000)));
}

void TTreeGridHeader::Assign(const TTreeGridHeader &source)
{
    if (&source == this)
        return;
    FAutoSizeIndex = source.FAutoSizeIndex;
    FBackground = source.FBackground;
    FColumns->Assign(*source.FColumns);
    FFont.Assign(source.FFont);
    FFixedAreaConstraints.Assign(source.FFixedAreaConstraints);
    FMinHeight = 0;
    FMaxHeight = kMaxHeaderHeight;
    SetMaxHeight(source.FMaxHeight);
    SetMinHeight(source.FMinHeight);
    FDefaultHeight = source.FDefaultHeight;
    SetHeight(source.FHeight);
    SetImages(source.FImages);
    FMainColumn = source.FMainColumn;
    UpdateMainColumn();
    SetOptions(source.FOptions);
    SetParentFont(source.FParentFont);
    FPopupMenu = source.FPopupMenu;
    FSortColumn = std::clamp(source.FSortColumn, NoColumn, FColumns->Count() - 1);
    FSortDirection = source.FSortDirection;
    FStyle = source.FStyle;
    RescaleHeader();
}

// ---- hit tests

QRect TTreeGridHeader::HeaderRect() const
{
    return QRect(0, 0, TreeClientWidth(), FOptions.contains(hoVisible) ? FHeight : 0);
}

bool TTreeGridHeader::InHeader(QPoint p) const
{
    return HeaderRect().translated(0, -FHeight).contains(p);
}

bool TTreeGridHeader::InHeaderSplitterArea(QPoint p) const
{
    if (!FOptions.contains(hoVisible) || p.y() < -2 || p.y() > 2)
        return false;
    QRect r = HeaderRect().translated(0, -FHeight);
    r.setHeight(r.height() + 2);
    return r.contains(p);
}

bool TTreeGridHeader::DetermineSplitterIndex(QPoint p)
{
    FColumns->FTrackIndex = NoColumn;
    const int count = FColumns->Count();
    if (count == 0)
        return false;
    const int offset = TreeEffectiveOffsetX();
    const int fixedWidth = FColumns->GetVisibleFixedWidth();
    const auto &map = FColumns->PositionToIndex();
    if (!TreeUseRightToLeft()) {
        int splitPoint = FColumns->TotalWidth() - offset;
        for (int position = count - 1; position >= 0; --position) {
            const TTreeGridColumn *column = FColumns->Items(map[position]);
            if (!column->Options().contains(coVisible))
                continue;
            const bool fixed = column->Options().contains(coFixed);
            const int border = splitPoint + (fixed ? offset : 0);
            if (p.x() > border - 3 && p.x() < border + 5 && (fixed || p.x() > fixedWidth)
                && FColumns->CanSplitterResize(p, column->Index())) {
                FColumns->FTrackIndex = column->Index();
                FTrackPoint = QPoint(border - column->Width(), p.y());
                return true;
            }
            splitPoint -= column->Width();
        }
    } else {
        int splitPoint = -offset;
        const int clientWidth = TreeClientWidth();
        if (clientWidth > FColumns->TotalWidth())
            splitPoint += clientWidth - FColumns->TotalWidth();
        for (int position = 0; position < count; ++position) {
            const TTreeGridColumn *column = FColumns->Items(map[position]);
            if (!column->Options().contains(coVisible))
                continue;
            const bool fixed = column->Options().contains(coFixed);
            const int border = splitPoint + (fixed ? offset : 0);
            if (p.x() > border - 5 && p.x() < border + 3 && FColumns->CanSplitterResize(p, column->Index())) {
                FColumns->FTrackIndex = column->Index();
                FTrackPoint = QPoint(border + column->Width(), p.y());
                return true;
            }
            splitPoint += column->Width();
        }
    }
    return false;
}

TTGShiftState TTreeGridHeader::GetShiftState()
{
    return ShiftStateFrom(QGuiApplication::queryKeyboardModifiers());
}

// ---- events the header fires through the tree

void TTreeGridHeader::DoAfterAutoFitColumn(TColumnIndex column)
{
    if (FOwner && FOwner->OnAfterAutoFitColumn)
        FOwner->OnAfterAutoFitColumn(this, column);
}

void TTreeGridHeader::DoAfterColumnWidthTracking(TColumnIndex column)
{
    if (FOwner && FOwner->OnAfterColumnWidthTracking)
        FOwner->OnAfterColumnWidthTracking(this, column);
}

void TTreeGridHeader::DoAfterHeightTracking()
{
    if (FOwner && FOwner->OnAfterHeaderHeightTracking)
        FOwner->OnAfterHeaderHeightTracking(this);
}

bool TTreeGridHeader::DoBeforeAutoFitColumn(TColumnIndex column, TSmartAutoFitType &smartAutoFitType)
{
    bool allowed = true;
    if (FOwner && FOwner->OnBeforeAutoFitColumn)
        FOwner->OnBeforeAutoFitColumn(this, column, smartAutoFitType, allowed);
    return allowed;
}

void TTreeGridHeader::DoBeforeColumnWidthTracking(TColumnIndex column, TTGShiftState shift)
{
    if (FOwner && FOwner->OnBeforeColumnWidthTracking)
        FOwner->OnBeforeColumnWidthTracking(this, column, shift);
}

void TTreeGridHeader::DoBeforeHeightTracking(TTGShiftState shift)
{
    if (FOwner && FOwner->OnBeforeHeaderHeightTracking)
        FOwner->OnBeforeHeaderHeightTracking(this, shift);
}

bool TTreeGridHeader::DoColumnWidthDblClickResize(TColumnIndex column, QPoint p, TTGShiftState shift)
{
    bool allowed = true;
    if (FOwner && FOwner->OnColumnWidthDblClickResize)
        FOwner->OnColumnWidthDblClickResize(this, column, shift, p, allowed);
    return allowed;
}

bool TTreeGridHeader::DoColumnWidthTracking(TColumnIndex column, TTGShiftState shift, QPoint &trackPoint, QPoint p)
{
    bool allowed = true;
    if (FOwner && FOwner->OnColumnWidthTracking)
        FOwner->OnColumnWidthTracking(this, column, shift, trackPoint, p, allowed);
    return allowed;
}

QMenu *TTreeGridHeader::DoGetPopupMenu(TColumnIndex column, QPoint position)
{
    return FOwner ? FOwner->DoGetHeaderPopupMenu(column, position) : nullptr;
}

bool TTreeGridHeader::DoHeightTracking(QPoint &p, TTGShiftState shift)
{
    bool allowed = true;
    if (FOwner && FOwner->OnHeaderHeightTracking)
        FOwner->OnHeaderHeightTracking(this, p, shift, allowed);
    return allowed;
}

bool TTreeGridHeader::DoHeightDblClickResize(QPoint &p, TTGShiftState shift)
{
    bool allowed = true;
    if (FOwner && FOwner->OnHeaderHeightDblClickResize)
        FOwner->OnHeaderHeightDblClickResize(this, p, shift, allowed);
    return allowed;
}

// ---- links into the tree

void TTreeGridHeader::Invalidate(const TTreeGridColumn *column, bool expandToBorder)
{
    if (!FOwner || !FWidget || !FOptions.contains(hoVisible) || !TreeHandleAllocated())
        return;
    QRect r = HeaderRect();
    if (column) {
        r = column->GetRect();
        if (!column->Options().contains(coFixed))
            r.translate(-TreeEffectiveOffsetX(), 0);
        r.translate(FColumns->RightToLeftOffset(), 0);
        if (expandToBorder) {
            const QRect all = HeaderRect();
            if (FOptions.contains(hoFullRepaintOnResize))
                r = QRect(all.left(), r.top(), all.width(), r.height());
            else if (TreeUseRightToLeft())
                r.setLeft(all.left());
            else
                r.setRight(all.right());
        }
    }
    FWidget->update(r);
}

void TTreeGridHeader::InvalidateFrom(int x)
{
    if (!FOwner || FOwner->IsDestroying() || !TreeHandleAllocated())
        return;
    if (TreeUseRightToLeft())
        x = 0;
    if (FWidget && FOptions.contains(hoVisible)) {
        QRect r = HeaderRect();
        r.setLeft(r.left() + x);
        FWidget->update(r);
    }
    if (!TreeUpdating()) {
        QWidget *rows = FOwner->viewport();
        rows->update(QRect(x, 0, std::max(0, rows->width() - x), rows->height()));
    }
}

void TTreeGridHeader::RecalculateHeader()
{
    if (!FOwner || !TreeHandleAllocated() || FOwner->IsDestroying())
        return;
    // The rows start below the strip.
    FOwner->UpdateHeaderRect();
    if (FWidget)
        FWidget->UpdatePlacement();
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

int TTreeGridHeader::TreeClientHeight() const
{
    if (!FOwner)
        return 0;
    if (!TreeHandleAllocated() || FOwner->testAttribute(Qt::WA_PendingResizeEvent))
        return FOwner->height() - (FOptions.contains(hoVisible) ? FHeight : 0);
    return FOwner->viewport()->height();
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

bool TTreeGridHeader::TreeEnabled() const
{
    return !FOwner || FOwner->isEnabled();
}

bool TTreeGridHeader::TreeUseThemes() const
{
    return FOwner && FOwner->TreeOptions().PaintOptions().contains(toThemeAware);
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
    if (FOwner && !FOwner->IsDestroying())
        FOwner->DoColumnResize(column);
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
    if (FOwner)
        FOwner->EndEditNode();
}

bool TTreeGridHeader::TreeFinishEditForPress()
{
    if (!FOwner || !FOwner->IsEditing())
        return true;
    // While editing the tree does not take the focus from clicks (so that its scroll bars leave
    // the edit running): the edit is finished here and the focus handed over explicitly.
    const bool finished = FOwner->AutoAcceptEditChange() ? FOwner->EndEditNode() : FOwner->CancelEditNode();
    if (!finished || FOwner->IsEditing())
        return false;
    if (!FOwner->hasFocus() && FOwner->CanFocus() && (FOwner->focusPolicy() & Qt::ClickFocus))
        FOwner->setFocus(Qt::MouseFocusReason);
    return true;
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

void TTreeGridHeader::TreeColumnRemoved(TColumnIndex first, int count)
{
    if (!FOwner)
        return;
    // An editor's column index would name another column or none: its edit is cancelled while
    // the column still exists.
    if (FOwner->FEditColumn >= first)
        TreeCancelEdit();
    // The focused column keeps naming the same column.
    if (FOwner->FFocusedColumn >= first && FOwner->FFocusedColumn < first + count)
        FOwner->FFocusedColumn = NoColumn;
    else if (FOwner->FFocusedColumn >= first + count)
        FOwner->FFocusedColumn -= count;
}

void TTreeGridHeader::TreeCancelEdit()
{
    // Cancelled even when the editor refuses: its column goes.
    if (FOwner)
        FOwner->CancelEditOf(FOwner->RootNode());
}

void TTreeGridHeader::TreeColumnsCleared()
{
    if (FOwner)
        FOwner->FFocusedColumn = NoColumn;
}

bool TTreeGridHeader::TreeCanSplitterResize(QPoint p, TColumnIndex column) const
{
    return !FOwner || FOwner->DoCanSplitterResizeColumn(p, column);
}

int TTreeGridHeader::TreeGetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth) const
{
    if (FOwner)
        return FOwner->GetMaxColumnWidth(column, useSmartColumnWidth);
    const TTreeGridColumn *item = FColumns->Items(column);
    return item ? item->Width() : 0;
}

TImageList *TTreeGridHeader::TreeCheckImages() const
{
    return FOwner ? FOwner->CheckImages() : nullptr;
}

int TTreeGridHeader::TreeGetCheckImage(TCheckType type, TCheckState state, bool enabled) const
{
    return FOwner ? FOwner->GetCheckImage(nullptr, type, state, enabled) : -1;
}
