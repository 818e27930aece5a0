#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

void TTreeGridHeader::SetHeight(int value)
{
    if (!FOwner) {
        // Without a tree there is no window to rescale later.
        value = std::clamp(value, FMinHeight, FMaxHeight);
    } else if (!TreeHandleAllocated()) {
        // Clamped when the window comes.
        FHeight = value;
        FStates += hsNeedScaling;
        return;
    } else {
        const TTGFixedAreaConstraints &limits = FFixedAreaConstraints;
        const qint64 total = qint64(TreeClientHeight()) + FHeight;
        const int relativeMax = int(total * limits.MaxHeightPercent() / 100);
        const int relativeMin = int(total * limits.MinHeightPercent() / 100);
        const int effectiveMin = limits.MaxHeightPercent() > 0 ? std::min(relativeMax, FMinHeight) : FMinHeight;
        const int effectiveMax = limits.MinHeightPercent() > 0 ? std::max(relativeMin, FMaxHeight) : FMaxHeight;
        value = std::min(std::max(value, effectiveMin), effectiveMax);
        if (limits.MinHeightPercent() > 0)
            value = std::max(value, relativeMin);
        if (limits.MaxHeightPercent() > 0)
            value = std::min(value, relativeMax);
    }
    if (value == FHeight)
        return;
    FHeight = value;
    if (!IsLoading() && !FStates.contains(hsScaling))
        RecalculateHeader();
    Invalidate();
    TreeInvalidate();
}

void TTreeGridHeader::RescaleHeader()
{
    if (!FOwner || FOwner->FLoading || FOwner->IsDestroying() || IsLoading() || !TreeHandleAllocated())
        return;
    FStates += hsScaling;
    SetHeight(FHeight);
    RecalculateHeader();
    const TTGFixedAreaConstraints &limits = FFixedAreaConstraints;
    if (limits.MinWidthPercent() > 0 || limits.MaxWidthPercent() > 0) {
        for (int i = 0; i < FColumns->Count(); ++i) {
            TTreeGridColumn *column = FColumns->Items(i);
            if (column->Options().contains(coFixed) && column->Width() < column->MinWidth())
                column->SetWidth(column->MinWidth());
        }
        const int fixedWidth = FColumns->GetVisibleFixedWidth();
        const int clientWidth = TreeClientWidth();
        const int minFixed = clientWidth * limits.MinWidthPercent() / 100;
        const int maxFixed = clientWidth * limits.MaxWidthPercent() / 100;
        if (limits.MaxWidthPercent() > 0 && fixedWidth > maxFixed)
            ResizeColumns(maxFixed - fixedWidth, 0, FColumns->Count() - 1, {coVisible, coFixed});
        else if (limits.MinWidthPercent() > 0 && fixedWidth < minFixed)
            ResizeColumns(minFixed - fixedWidth, 0, FColumns->Count() - 1, {coVisible, coFixed});
        FColumns->UpdatePositions();
    }
    FStates -= {hsScaling, hsNeedScaling};
}

void TTreeGridHeader::UpdateSpringColumns()
{
    const int headerWidth = HeaderRect().width();
    const int change = headerWidth - FLastWidth;
    if (FOptions.contains(hoAutoSpring) && FLastWidth != 0 && change != 0) {
        std::vector<TTreeGridColumn *> springs;
        for (int i = 0; i < FColumns->Count(); ++i) {
            TTreeGridColumn *column = FColumns->Items(i);
            if (column->Options().containsAll({coVisible, coAutoSpring}))
                springs.push_back(column);
        }
        // Without a spring column only the width is recorded.
        if (!springs.empty()) {
            const int sign = change < 0 ? -1 : 1;
            float remaining = float(std::abs(change));
            const float share = remaining / float(springs.size());
            for (TTreeGridColumn *column : springs) {
                const float accumulated = column->SpringRest() + share;
                if (accumulated >= 1.0f)
                    column->SetWidth(column->Width() + int(accumulated) * sign);
                column->SetSpringRest(accumulated - std::trunc(accumulated));
                remaining -= share;
                if (remaining < 0)
                    break;
            }
        }
    }
    FLastWidth = headerWidth;
}

void TTreeGridHeader::AutoFitColumns(bool animated, TSmartAutoFitType smartAutoFitType, int rangeStartCol,
                                     int rangeEndCol)
{
    const int count = FColumns->Count();
    const int start = std::max(0, rangeStartCol);
    const int end = rangeEndCol < 0 ? count - 1 : std::min(count - 1, rangeEndCol);
    if (start > end)
        return;
    if (FOwner)
        FOwner->BeginOperation();
    if (FOwner && FOwner->OnBeforeAutoFitColumns)
        FOwner->OnBeforeAutoFitColumns(this, smartAutoFitType);
    for (int position = start; position <= end; ++position) {
        const TColumnIndex index = FColumns->ColumnFromPosition(TColumnPosition(position));
        TTreeGridColumn *column = FColumns->Items(index);
        if (!column || !column->Options().containsAll({coVisible, coResizable}))
            continue;
        TSmartAutoFitType columnType = smartAutoFitType;
        if (!DoBeforeAutoFitColumn(index, columnType) || (FOwner && FOwner->OperationCanceled()))
            continue;
        const bool smart = columnType == smaAllColumns
            || (columnType == smaUseColumnOption && column->Options().contains(coSmartResize));
        const int width = TreeGetMaxColumnWidth(index, smart);
        if (animated)
            FColumns->AnimatedResize(index, width);
        else
            column->SetWidth(width);
        DoAfterAutoFitColumn(index);
    }
    if (FOwner && FOwner->OnAfterAutoFitColumns)
        FOwner->OnAfterAutoFitColumns(this);
    if (FOwner)
        FOwner->EndOperation();
}

int TTreeGridHeader::ResizeColumns(int changeBy, TColumnIndex rangeStartCol, TColumnIndex rangeEndCol,
                                   TTGColumnOptions options)
{
    const int count = FColumns->Count();
    const int start = std::max(0, rangeStartCol);
    const int end = rangeEndCol < 0 ? count - 1 : std::min(count - 1, rangeEndCol);
    if (changeBy == 0 || start > end)
        return 0;

    // Working copies: the widths, and the limits a rescale may relax (the columns' own stay).
    struct TWork {
        TTreeGridColumn *Column;
        int Width;
        int Limit;
    };
    std::vector<TWork> work;
    const bool grow = changeBy > 0;
    for (int i = start; i <= end; ++i) {
        TTreeGridColumn *column = FColumns->Items(i);
        if (column->Options().containsAll(options))
            work.push_back({column, column->Width(), grow ? column->MaxWidth() : column->MinWidth()});
    }
    if (work.empty())
        return 0;
    auto room = [grow](const TWork &w) { return std::max(0, grow ? w.Limit - w.Width : w.Width - w.Limit); };
    const int direction = grow ? 1 : -1;
    int left = std::abs(changeBy);

    while (left > 0) {
        int resizable = 0;
        qint64 maximum = 0;
        auto measure = [&] {
            resizable = 0;
            maximum = 0;
            for (const TWork &w : work) {
                if (room(w) > 0) {
                    ++resizable;
                    maximum += room(w);
                }
            }
        };
        measure();
        if (FStates.contains(hsScaling) && !grow) {
            while (maximum < left) {
                auto widest = std::max_element(work.begin(), work.end(),
                                               [](const TWork &a, const TWork &b) { return a.Width < b.Width; });
                if (widest->Limit <= 10)
                    break;
                widest->Limit -= widest->Limit / 10;
                measure();
            }
        }
        if (resizable == 0)
            break;

        const int amount = int(std::min<qint64>(left, maximum));
        const int share = amount / resizable;
        int handed = 0;
        for (TWork &w : work) {
            const int r = room(w);
            if (r > 0) {
                const int d = std::min(share, r);
                w.Width += direction * d;
                handed += d;
            }
        }
        // The rest goes one pixel at a time to the columns whose turn it is, so that repeated
        // equal changes keep the columns balanced.
        int rest = amount - handed;
        const int n = int(work.size());
        int i = grow ? 0 : n - 1;
        int idleSteps = 0;
        while (rest > 0 && idleSteps <= 2 * n) {
            TWork &w = work[i];
            if (room(w) > 0 && w.Column->BonusPixel() != grow) {
                w.Width += direction;
                w.Column->SetBonusPixel(grow);
                --rest;
                ++handed;
                idleSteps = 0;
            } else {
                ++idleSteps;
            }
            i += direction;
            if (i < 0 || i >= n) {
                for (TWork &other : work)
                    other.Column->SetBonusPixel(!other.Column->BonusPixel());
                i = grow ? 0 : n - 1;
            }
        }
        if (handed == 0)
            break;
        left -= handed;
    }

    int applied = 0;
    FStates += hsResizing;
    for (const TWork &w : work) {
        const int old = w.Column->Width();
        w.Column->SetWidth(w.Width);
        applied += w.Column->Width() - old;
    }
    FStates -= hsResizing;
    return applied;
}

void TTreeGridHeader::RestoreColumns()
{
    const auto &map = FColumns->PositionToIndex();
    for (auto it = map.rbegin(); it != map.rend(); ++it) {
        TTreeGridColumn *column = FColumns->Items(*it);
        if (column && column->Options().containsAll({coVisible, coResizable}))
            column->RestoreLastWidth();
    }
}
