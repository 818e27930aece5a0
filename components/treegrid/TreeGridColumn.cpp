#include "treegrid/TreeGridColumn.h"

#include <algorithm>
#include <typeinfo>

#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {
constexpr int kMaxColumnWidth = 10000;
} // namespace

TTreeGridColumn::TTreeGridColumn(TTreeGridColumns *collection)
    : FCollection(collection), FColor(clWindow)
{
    if (FCollection) {
        FWidth = FCollection->DefaultWidth();
        FLastWidth = FWidth;
        // Appended at the end: the collection links it and fixes index and position.
        FPosition = static_cast<TColumnPosition>(FCollection->Count());
    }
}

TTreeGridColumn::~TTreeGridColumn() = default;

TTreeGridHeader *TTreeGridColumn::Header() const
{
    return FCollection ? FCollection->Header() : nullptr;
}

TBaseTreeGrid *TTreeGridColumn::Owner() const
{
    return FCollection ? FCollection->Owner() : nullptr;
}

bool TTreeGridColumn::IsLoading() const
{
    const TTreeGridHeader *header = Header();
    return header && header->IsLoading();
}

void TTreeGridColumn::Changed(bool allItems)
{
    if (FCollection)
        FCollection->Changed(allItems ? nullptr : this);
}

void TTreeGridColumn::SetIndex(TColumnIndex value)
{
    if (!FCollection)
        return;
    value = std::clamp(value, 0, FCollection->Count() - 1);
    if (value == FIndex)
        return;
    const TColumnIndex oldIndex = FIndex;
    auto &items = FCollection->FItems;
    auto moved = std::move(items[oldIndex]);
    items.erase(items.begin() + oldIndex);
    items.insert(items.begin() + value, std::move(moved));
    FCollection->Renumber();
    FCollection->IndexChanged(oldIndex, value);
    FCollection->Changed(nullptr);
}

void TTreeGridColumn::SetText(const QString &value)
{
    if (FText == value)
        return;
    FText = value;
    FCaptionText.clear(); // wrapped again on the next layout
    Changed(false);
}

void TTreeGridColumn::SetHint(const QString &value)
{
    FHint = value;
}

int TTreeGridColumn::Left() const
{
    // Fixed columns do not scroll horizontally.
    if (FOptions.contains(coVisible) && FOptions.contains(coFixed))
        return FLeft;
    const TTreeGridHeader *header = Header();
    return FLeft - (header ? header->TreeEffectiveOffsetX() : 0);
}

void TTreeGridColumn::SetWidth(int value)
{
    TTreeGridHeader *header = Header();
    const bool scaling = header && header->States().contains(hsScaling);
    if (!scaling) {
        if (header && FCollection && FOptions.contains(coVisible) && FOptions.contains(coFixed)) {
            const TTGFixedAreaConstraints &limits = header->FixedAreaConstraints();
            int totalMax = 0;
            int totalMin = 0;
            for (int i = 0; i < FCollection->Count(); ++i) {
                const TTreeGridColumn *column = FCollection->Items(i);
                const TTGColumnOptions options = column->Options();
                if (options.contains(coVisible) && options.contains(coFixed)) {
                    totalMax += column->MaxWidth();
                    totalMin += column->MinWidth();
                }
            }
            const int clientWidth = header->TreeClientWidth();
            if (limits.MaxWidthPercent() > 0)
                totalMin = std::min(clientWidth * limits.MaxWidthPercent() / 100, totalMin);
            if (limits.MinWidthPercent() > 0)
                totalMax = std::max(clientWidth * limits.MinWidthPercent() / 100, totalMax);
            const int othersWidth = FCollection->GetVisibleFixedWidth() - FWidth;
            const int effectiveMax = std::min(totalMax - othersWidth, FMaxWidth);
            const int effectiveMin = std::max(totalMin - othersWidth, FMinWidth);
            value = std::max(std::min(value, effectiveMax), effectiveMin);
            if (limits.MinWidthPercent() > 0)
                value = std::max(value, clientWidth * limits.MinWidthPercent() / 100 - othersWidth);
            if (limits.MaxWidthPercent() > 0)
                value = std::min(value, clientWidth * limits.MaxWidthPercent() / 100 - othersWidth);
            // A percentage limit on a narrow window must not give a negative width.
            value = std::max(value, 0);
        } else {
            value = std::max(std::min(value, FMaxWidth), FMinWidth);
        }
    }
    if (value == FWidth)
        return;

    FLastWidth = FWidth;
    if (!header || !header->States().contains(hsResizing))
        FBonusPixel = false;
    const bool autoResize = header && header->Options().contains(hoAutoResize);
    const bool isAutoSizeColumn = autoResize && FCollection && FCollection->AutoSizeColumn() == FIndex;
    if (!isAutoSizeColumn) {
        FWidth = value;
        if (FCollection)
            FCollection->UpdatePositions();
    }
    if (header && !IsLoading() && FCollection && FCollection->UpdateCount() == 0) {
        if (autoResize)
            FCollection->AdjustAutoSize(FIndex);
        header->TreeDoColumnResize(FIndex);
    }
}

void TTreeGridColumn::SetMinWidth(int value)
{
    value = std::clamp(value, 0, FMaxWidth);
    if (value == FMinWidth)
        return;
    FMinWidth = value;
    SetWidth(FWidth);
}

void TTreeGridColumn::SetMaxWidth(int value)
{
    value = std::min(std::max(value, FMinWidth), kMaxColumnWidth);
    if (value == FMaxWidth)
        return;
    FMaxWidth = value;
    SetWidth(FWidth);
}

void TTreeGridColumn::SetPosition(TColumnPosition value)
{
    if (IsLoading()) {
        FPosition = value; // fixed up by FixPositions after loading
        return;
    }
    if (!FCollection)
        return;
    const int count = FCollection->Count();
    if (value >= static_cast<TColumnPosition>(count))
        value = static_cast<TColumnPosition>(count - 1);
    FCollection->InitializePositionArray();
    const TColumnPosition oldPosition = FCollection->PositionOf(FIndex);
    if (value == oldPosition)
        return;

    TTreeGridHeader *header = Header();
    if (header)
        header->TreeEndEditNode();
    auto &map = FCollection->FPositionToIndex;
    map.erase(map.begin() + oldPosition);
    map.insert(map.begin() + value, FIndex);
    // Positions follow the map at once, even inside a collection update.
    for (int position = 0; position < count; ++position)
        FCollection->FItems[map[position]]->FPosition = static_cast<TColumnPosition>(position);
    Changed(false);
    if (header && !header->TreeUpdating()) {
        header->Invalidate(this);
        header->TreeInvalidate();
    }

    // The column joins or leaves the fixed area by its neighbour.
    const bool fixed = FOptions.contains(coFixed);
    const qint64 neighbourPosition = (fixed && value > 0) ? qint64(value) - 1 : qint64(value) + 1;
    if (neighbourPosition < count) {
        const TTreeGridColumn *neighbour = FCollection->Items(map[neighbourPosition]);
        if (neighbour->Options().contains(coFixed))
            SetOptions(FOptions + coFixed);
        else
            SetOptions(FOptions - coFixed);
    }
}

void TTreeGridColumn::SetStyle(TTreeGridColumnStyle value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    Changed(false);
}

void TTreeGridColumn::SetImageIndex(int value)
{
    if (FImageIndex == value)
        return;
    FImageIndex = value;
    Changed(false);
}

void TTreeGridColumn::SetBiDiMode(TColumnBiDiMode value)
{
    if (FBiDiMode == value)
        return;
    FBiDiMode = value;
    FOptions -= coParentBidiMode;
    Changed(false);
    if (TTreeGridHeader *header = Header())
        header->TreeInvalidate();
}

void TTreeGridColumn::SetLayout(TTGHeaderColumnLayout value)
{
    if (FLayout == value)
        return;
    FLayout = value;
    Changed(false);
}

void TTreeGridColumn::SetMargin(int value)
{
    if (value < 0)
        value = 4;
    if (FMargin == value)
        return;
    FMargin = value;
    Changed(false);
}

void TTreeGridColumn::SetSpacing(int value)
{
    if (FSpacing == value)
        return;
    FSpacing = value;
    Changed(false);
}

void TTreeGridColumn::SetOptions(TTGColumnOptions value)
{
    if (FOptions == value)
        return;
    const TTGColumnOptions toBeSet = value - FOptions;
    const TTGColumnOptions toBeCleared = FOptions - value;
    const TTGColumnOptions changed = toBeSet + toBeCleared;
    FOptions = value;

    if (toBeSet.contains(coParentBidiMode))
        ParentBiDiModeChanged();
    if (toBeSet.contains(coParentColor))
        ParentColorChanged();
    if (toBeSet.contains(coAutoSpring))
        FSpringRest = 0.0f;
    TTreeGridHeader *header = Header();
    if (header && changed.contains(coFixed) && FOptions.contains(coVisible))
        header->RescaleHeader();
    Changed(false);

    if (header && !IsLoading()
        && (changed.contains(coVisible) || toBeSet.contains(coParentColor))
        && !header->TreeUpdating() && header->TreeHandleAllocated()) {
        header->TreeInvalidate();
        if (changed.contains(coVisible))
            header->TreeUpdateHorizontalScrollBar();
    }
}

void TTreeGridColumn::SetAlignment(TColumnAlignment value)
{
    if (FAlignment == value)
        return;
    FAlignment = value;
    Changed(false);
    if (TTreeGridHeader *header = Header())
        header->TreeInvalidate();
}

TColumnAlignment TTreeGridColumn::CaptionAlignment() const
{
    return FOptions.contains(coUseCaptionAlignment) ? FCaptionAlignment : FAlignment;
}

void TTreeGridColumn::SetCaptionAlignment(TColumnAlignment value)
{
    if (FOptions.contains(coUseCaptionAlignment) && FCaptionAlignment == value)
        return;
    FCaptionAlignment = value;
    FOptions += coUseCaptionAlignment;
    Changed(false);
    if (TTreeGridHeader *header = Header())
        header->Invalidate(this);
}

void TTreeGridColumn::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    FOptions -= coParentColor;
    Changed(false);
    if (TTreeGridHeader *header = Header())
        header->TreeInvalidate();
}

void TTreeGridColumn::SetCheckBox(bool value)
{
    if (FCheckBox == value)
        return;
    FCheckBox = value;
    Changed(false);
}

void TTreeGridColumn::SetCheckType(TCheckType value)
{
    if (FCheckType == value)
        return;
    FCheckType = value;
    Changed(false);
}

void TTreeGridColumn::SetCheckState(TCheckState value)
{
    if (FCheckState == value)
        return;
    FCheckState = value;
    Changed(false);
}

void TTreeGridColumn::GetAbsoluteBounds(int &left, int &right) const
{
    left = FLeft;
    right = FLeft + FWidth;
}

QRect TTreeGridColumn::GetRect() const
{
    const TTreeGridHeader *header = Header();
    const QRect headerRect = header ? header->HeaderRect() : QRect();
    return QRect(headerRect.left() + FLeft, headerRect.top(), FWidth, headerRect.height());
}

QString TTreeGridColumn::GetDisplayName() const
{
    for (const QChar ch : FText) {
        if (ch.unicode() > 0xFF)
            return QStringLiteral("Column %1").arg(FIndex);
    }
    return FText;
}

void TTreeGridColumn::RestoreLastWidth()
{
    if (FCollection)
        FCollection->AnimatedResize(FIndex, FLastWidth);
}

void TTreeGridColumn::ParentBiDiModeChanged()
{
    const TTreeGridHeader *header = Header();
    if (header && FOptions.contains(coParentBidiMode)) {
        const TColumnBiDiMode treeMode = header->TreeBiDiMode();
        if (treeMode != FBiDiMode) {
            FBiDiMode = treeMode;
            Changed(false);
        }
    }
}

void TTreeGridColumn::ParentColorChanged()
{
    const TTreeGridHeader *header = Header();
    if (header && FOptions.contains(coParentColor)) {
        const TColor treeColor = header->TreeColor();
        if (treeColor != FColor) {
            FColor = treeColor;
            Changed(false);
        }
    }
}

bool TTreeGridColumn::Equals(const TTreeGridColumn &other) const
{
    return typeid(*this) == typeid(other) && FBiDiMode == other.FBiDiMode
        && FImageIndex == other.FImageIndex && FLayout == other.FLayout && FMargin == other.FMargin
        && FMaxWidth == other.FMaxWidth && FMinWidth == other.FMinWidth
        && FPosition == other.FPosition && FSpacing == other.FSpacing && FStyle == other.FStyle
        && FText == other.FText && FHint == other.FHint && FWidth == other.FWidth
        && FAlignment == other.FAlignment && CaptionAlignment() == other.CaptionAlignment()
        && FColor == other.FColor && FTag == other.FTag && FOptions == other.FOptions;
}

void TTreeGridColumn::Assign(const TTreeGridColumn &source)
{
    if (&source == this)
        return;
    if (FCollection)
        FCollection->BeginUpdate();
    SetBiDiMode(source.FBiDiMode);
    SetImageIndex(source.FImageIndex);
    SetLayout(source.FLayout);
    SetMargin(source.FMargin);
    // Limits first from wide open, so that neither clamps the other on the way.
    FMinWidth = 0;
    FMaxWidth = kMaxColumnWidth;
    SetMaxWidth(source.FMaxWidth);
    SetMinWidth(source.FMinWidth);
    SetPosition(source.FPosition);
    SetSpacing(source.FSpacing);
    SetStyle(source.FStyle);
    SetText(source.FText);
    SetHint(source.FHint);
    SetWidth(source.FWidth);
    SetAlignment(source.FAlignment);
    FCaptionAlignment = source.FCaptionAlignment;
    SetColor(source.FColor);
    SetTag(source.FTag);
    FCheckBox = source.FCheckBox;
    FCheckType = source.FCheckType;
    FCheckState = source.FCheckState;
    SetOptions(source.FOptions);
    if (FCollection)
        FCollection->EndUpdate();
}
