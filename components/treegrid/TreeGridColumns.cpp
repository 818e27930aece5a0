#include "treegrid/TreeGridColumns.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderOverlays.h"
#include "treegrid/TreeGridHeaderWidget.h"

TTreeGridColumns::TTreeGridColumns(TTreeGridHeader *header) : FHeader(header) {}

TTreeGridColumns::~TTreeGridColumns()
{
    // The tree may be half destroyed already: no fix-ups, no notifications.
    FClearing = true;
    FItems.clear();
}

TBaseTreeGrid *TTreeGridColumns::Owner() const
{
    return FHeader ? FHeader->Treeview() : nullptr;
}

std::unique_ptr<TTreeGridColumn> TTreeGridColumns::NewColumn()
{
    return std::make_unique<TTreeGridColumn>(this);
}

TTreeGridColumn *TTreeGridColumns::Items(TColumnIndex index) const
{
    if (!IsValidColumn(index))
        return nullptr;
    return FItems[static_cast<size_t>(index)].get();
}

void TTreeGridColumns::Renumber()
{
    for (size_t i = 0; i < FItems.size(); ++i)
        FItems[i]->FIndex = static_cast<TColumnIndex>(i);
}

TTreeGridColumn *TTreeGridColumns::Add()
{
    std::unique_ptr<TTreeGridColumn> column = NewColumn();
    TTreeGridColumn *result = column.get();
    result->FCollection = this;
    result->FIndex = Count();
    result->FPosition = static_cast<TColumnPosition>(Count());
    FItems.push_back(std::move(column));
    InitializePositionArray();
    result->ParentColorChanged();
    result->ParentBiDiModeChanged();
    Changed(nullptr);
    return result;
}

void TTreeGridColumns::ColumnsRemoved(TColumnIndex first, int count)
{
    const TColumnIndex last = first + count; // one past the last removed index
    auto fix = [first, last, count](TColumnIndex &value) {
        if (value >= first && value < last)
            value = NoColumn;
        else if (value >= last)
            value -= count;
    };
    fix(FHoverIndex);
    fix(FDownIndex);
    fix(FTrackIndex);
    fix(FClickIndex);
    fix(FDropTarget);
    fix(FDragIndex);
    if (FHeader) {
        fix(FHeader->FAutoSizeIndex);
        fix(FHeader->FSortColumn);
        FHeader->TreeColumnRemoved(first, count);
    }

    std::erase_if(FPositionToIndex, [first, last](TColumnIndex entry) { return entry >= first && entry < last; });
    for (TColumnIndex &entry : FPositionToIndex) {
        if (entry >= last)
            entry -= count;
    }
}

void TTreeGridColumns::Delete(TColumnIndex index)
{
    DeleteRange(index, 1);
}

void TTreeGridColumns::DeleteRange(TColumnIndex first, int count)
{
    if (first < 0 || first >= Count() || count <= 0)
        return;
    count = std::min(count, Count() - first);
    bool mainDeleted = false;
    if (!FClearing) {
        ColumnsRemoved(first, count);
        if (FHeader) {
            // The main column keeps pointing at the same column; when it goes, the first
            // remaining column takes over.
            if (FHeader->FMainColumn >= first && FHeader->FMainColumn < first + count)
                mainDeleted = true;
            else if (FHeader->FMainColumn >= first + count)
                FHeader->FMainColumn -= count;
        }
    }
    FItems.erase(FItems.begin() + first, FItems.begin() + first + count);
    Renumber();
    if (FClearing)
        return;
    if (mainDeleted) {
        FHeader->FMainColumn = NoColumn;
        if (Count() > 0)
            FHeader->SetMainColumn(0);
    }
    Changed(nullptr);
}

void TTreeGridColumns::Clear()
{
    // While the edited column still exists.
    if (FHeader)
        FHeader->TreeCancelEdit();
    FClearing = true;
    FHoverIndex = NoColumn;
    FDownIndex = NoColumn;
    FTrackIndex = NoColumn;
    FClickIndex = NoColumn;
    FDropTarget = NoColumn;
    FDragIndex = NoColumn;
    if (FHeader && !FHeader->IsLoading()) {
        FHeader->FAutoSizeIndex = NoColumn;
        FHeader->FMainColumn = NoColumn;
        FHeader->FSortColumn = NoColumn;
    }
    FItems.clear();
    FPositionToIndex.clear();
    if (FHeader)
        FHeader->TreeColumnsCleared();
    FClearing = false;
    Changed(nullptr);
}

void TTreeGridColumns::Assign(const TTreeGridColumns &source)
{
    if (&source == this)
        return;
    if (FHeader)
        FHeader->TreeCancelEdit();
    BeginUpdate();
    FClearing = true;
    FItems.clear();
    FPositionToIndex.clear();
    FClearing = false;
    FDefaultWidth = source.FDefaultWidth;
    for (const auto &column : source.FItems) {
        TTreeGridColumn *copy = Add();
        copy->Assign(*column);
    }
    FPositionToIndex = source.FPositionToIndex;
    InitializePositionArray();
    EndUpdate();
    UpdatePositions(true);
}

bool TTreeGridColumns::Equals(const TTreeGridColumns &other) const
{
    if (typeid(*this) != typeid(other) || Count() != other.Count()
        || FPositionToIndex != other.FPositionToIndex)
        return false;
    for (int i = 0; i < Count(); ++i) {
        if (!FItems[i]->Equals(*other.FItems[i]))
            return false;
    }
    return true;
}

void TTreeGridColumns::BeginUpdate()
{
    ++FUpdateCount;
}

void TTreeGridColumns::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Update(nullptr);
}

void TTreeGridColumns::Changed(TTreeGridColumn *item)
{
    if (FUpdateCount == 0)
        Update(item);
}

void TTreeGridColumns::Update(TTreeGridColumn *item)
{
    InitializePositionArray();
    const bool loading = FHeader && FHeader->IsLoading();
    if (loading)
        FNeedPositionsFix = true;
    else
        UpdatePositions();
    if (!FHeader)
        return;
    if (Count() > 0 && FHeader->FMainColumn < 0)
        FHeader->FMainColumn = 0;
    if (loading)
        return;
    if (FHeader->Options().contains(hoAutoResize))
        AdjustAutoSize(InvalidColumn);
    if (item) {
        FHeader->Invalidate(item);
    } else {
        FHeader->TreeUpdateHorizontalScrollBar();
        FHeader->Invalidate();
        FHeader->TreeInvalidate();
    }
}

void TTreeGridColumns::InitializePositionArray()
{
    const size_t count = FItems.size();
    if (FPositionToIndex.size() == count) {
        return;
    }
    if (FPositionToIndex.size() < count) {
        for (size_t i = FPositionToIndex.size(); i < count; ++i)
            FPositionToIndex.push_back(static_cast<TColumnIndex>(i));
        return;
    }
    // Shrinking: keep the order of the indices still in range and give every missing index a
    // place at the end, so the map stays one entry per column.
    std::vector<TColumnIndex> repaired;
    std::vector<bool> seen(count, false);
    for (TColumnIndex entry : FPositionToIndex) {
        if (entry >= 0 && static_cast<size_t>(entry) < count && !seen[entry]) {
            seen[entry] = true;
            repaired.push_back(entry);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (!seen[i])
            repaired.push_back(static_cast<TColumnIndex>(i));
    }
    FPositionToIndex = std::move(repaired);
}

TColumnPosition TTreeGridColumns::PositionOf(TColumnIndex index) const
{
    auto it = std::find(FPositionToIndex.begin(), FPositionToIndex.end(), index);
    return static_cast<TColumnPosition>(it - FPositionToIndex.begin());
}

void TTreeGridColumns::IndexChanged(TColumnIndex oldIndex, TColumnIndex newIndex)
{
    auto follow = [oldIndex, newIndex](TColumnIndex &entry) {
        if (entry == oldIndex)
            entry = newIndex;
        else if (oldIndex < newIndex && entry > oldIndex && entry <= newIndex)
            --entry;
        else if (newIndex < oldIndex && entry >= newIndex && entry < oldIndex)
            ++entry;
    };
    for (TColumnIndex &entry : FPositionToIndex)
        follow(entry);
    // Main, sort and auto-size column name a column, not a slot: they move with it.
    if (FHeader) {
        follow(FHeader->FMainColumn);
        follow(FHeader->FSortColumn);
        follow(FHeader->FAutoSizeIndex);
    }
}

void TTreeGridColumns::UpdatePositions(bool force)
{
    if (FNeedPositionsFix || (FUpdateCount > 0 && !force))
        return;
    InitializePositionArray();
    int left = 0;
    for (size_t position = 0; position < FPositionToIndex.size(); ++position) {
        TTreeGridColumn *column = FItems[static_cast<size_t>(FPositionToIndex[position])].get();
        column->FPosition = static_cast<TColumnPosition>(position);
        column->FLeft = left;
        if (column->FOptions.contains(coVisible))
            left += column->FWidth;
    }
    RepaintMovedColumns();
}

void TTreeGridColumns::RepaintMovedColumns()
{
    std::vector<TColumnPlace> places;
    places.reserve(FPositionToIndex.size());
    for (TColumnIndex index : FPositionToIndex) {
        const TTreeGridColumn *column = FItems[static_cast<size_t>(index)].get();
        if (column->FOptions.contains(coVisible))
            places.push_back({index, column->FLeft, column->FWidth, column->FOptions.contains(coFixed)});
    }
    if (places == FLaidOut)
        return;
    size_t first = 0;
    while (first < places.size() && first < FLaidOut.size() && places[first] == FLaidOut[first])
        ++first;
    // Where a place was and where it is now, as drawn: scrolled unless fixed.
    const int scrolled = FHeader ? FHeader->TreeEffectiveOffsetX() : 0;
    auto drawnLeft = [scrolled](const TColumnPlace &place) { return place.fixed ? place.left : place.left - scrolled; };
    int from = INT32_MAX;
    if (first < places.size())
        from = std::min(from, drawnLeft(places[first]));
    if (first < FLaidOut.size())
        from = std::min(from, drawnLeft(FLaidOut[first]));
    FLaidOut = std::move(places);
    if (FHeader && !FHeader->IsLoading())
        FHeader->InvalidateFrom(std::max(0, from));
}

void TTreeGridColumns::FixPositions()
{
    // Positions read from a stream may clash or lie beyond the end: the first claim wins and
    // the rest fill the free places in index order.
    const size_t count = FItems.size();
    std::vector<TColumnIndex> map(count, NoColumn);
    std::vector<TTreeGridColumn *> homeless;
    for (const auto &column : FItems) {
        const TColumnPosition position = column->FPosition;
        if (position < count && map[position] == NoColumn)
            map[position] = column->FIndex;
        else
            homeless.push_back(column.get());
    }
    size_t next = 0;
    for (TTreeGridColumn *column : homeless) {
        while (map[next] != NoColumn)
            ++next;
        map[next] = column->FIndex;
    }
    FPositionToIndex = std::move(map);
    FNeedPositionsFix = false;
    UpdatePositions(true);
}

void TTreeGridColumns::ReorderColumns(bool rtl)
{
    const int count = Count();
    FPositionToIndex.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        FPositionToIndex[i] = rtl ? count - 1 - i : i;
    UpdatePositions(true);
}

TColumnIndex TTreeGridColumns::ColumnFromPosition(TColumnPosition positionIndex) const
{
    if (positionIndex >= FPositionToIndex.size())
        return NoColumn;
    return FPositionToIndex[positionIndex];
}

int TTreeGridColumns::RightToLeftOffset() const
{
    if (!FHeader || !FHeader->TreeUseRightToLeft())
        return 0;
    return std::max(0, FHeader->TreeClientWidth() - TotalWidth());
}

TColumnIndex TTreeGridColumns::ColumnFromPosition(QPoint p, bool relative) const
{
    if (p.x() < 0 || p.y() < 0)
        return InvalidColumn;
    if (FHeader && FHeader->Treeview() && p.y() > FHeader->TreeHeight())
        return InvalidColumn;
    int sum = 0;
    if (relative && p.x() >= GetVisibleFixedWidth() && FHeader)
        sum = -FHeader->TreeEffectiveOffsetX();
    sum += RightToLeftOffset();
    // Left of the first column (a mirrored tree wider than its columns) there is no column.
    if (p.x() < sum)
        return InvalidColumn;
    for (TColumnIndex index : FPositionToIndex) {
        const TTreeGridColumn *column = FItems[static_cast<size_t>(index)].get();
        if (!column->FOptions.contains(coVisible))
            continue;
        sum += column->FWidth;
        if (sum > p.x())
            return index;
    }
    return InvalidColumn;
}

void TTreeGridColumns::GetColumnBounds(TColumnIndex column, int &left, int &right) const
{
    if (column < 0) {
        left = 0;
        right = FHeader ? FHeader->TreeClientWidth() : 0;
        return;
    }
    const TTreeGridColumn *item = Items(column);
    if (!item) {
        // An index beyond the collection has no extent.
        left = 0;
        right = 0;
        return;
    }
    left = item->Left();
    right = left + item->FWidth;
    const int offset = RightToLeftOffset();
    left += offset;
    right += offset;
}

TColumnIndex TTreeGridColumns::GetColumnAndBounds(QPoint p, int &left, int &right, bool relative) const
{
    int sum = 0;
    if (relative && p.x() >= GetVisibleFixedWidth() && FHeader)
        sum = -FHeader->TreeEffectiveOffsetX();
    sum += RightToLeftOffset();
    for (TColumnIndex index : FPositionToIndex) {
        const TTreeGridColumn *column = FItems[static_cast<size_t>(index)].get();
        if (!column->FOptions.contains(coVisible))
            continue;
        const int columnLeft = sum;
        sum += column->FWidth;
        if (p.x() >= columnLeft && p.x() < sum) {
            left = columnLeft;
            right = sum;
            return index;
        }
    }
    left = 0;
    right = 0;
    return InvalidColumn;
}

namespace {
bool countsAsVisible(const TTreeGridColumn *column, bool considerAllowFocus)
{
    const TTGColumnOptions options = column->Options();
    return options.contains(coVisible) && (!considerAllowFocus || options.contains(coAllowFocus));
}
} // namespace

TColumnIndex TTreeGridColumns::GetFirstVisibleColumn(bool considerAllowFocus) const
{
    for (TColumnIndex index : FPositionToIndex) {
        if (countsAsVisible(FItems[static_cast<size_t>(index)].get(), considerAllowFocus))
            return index;
    }
    return InvalidColumn;
}

TColumnIndex TTreeGridColumns::GetLastVisibleColumn(bool considerAllowFocus) const
{
    for (auto it = FPositionToIndex.rbegin(); it != FPositionToIndex.rend(); ++it) {
        if (countsAsVisible(FItems[static_cast<size_t>(*it)].get(), considerAllowFocus))
            return *it;
    }
    return InvalidColumn;
}

TColumnIndex TTreeGridColumns::GetNextColumn(TColumnIndex column) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    const size_t position = PositionOf(column) + 1;
    return position < FPositionToIndex.size() ? FPositionToIndex[position] : InvalidColumn;
}

TColumnIndex TTreeGridColumns::GetNextVisibleColumn(TColumnIndex column, bool considerAllowFocus) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    for (size_t position = PositionOf(column) + 1; position < FPositionToIndex.size(); ++position) {
        const TColumnIndex index = FPositionToIndex[position];
        if (countsAsVisible(FItems[static_cast<size_t>(index)].get(), considerAllowFocus))
            return index;
    }
    return InvalidColumn;
}

TColumnIndex TTreeGridColumns::GetPreviousColumn(TColumnIndex column) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    const TColumnPosition position = PositionOf(column);
    return position > 0 ? FPositionToIndex[position - 1] : InvalidColumn;
}

TColumnIndex TTreeGridColumns::GetPreviousVisibleColumn(TColumnIndex column, bool considerAllowFocus) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    for (qint64 position = qint64(PositionOf(column)) - 1; position >= 0; --position) {
        const TColumnIndex index = FPositionToIndex[static_cast<size_t>(position)];
        if (countsAsVisible(FItems[static_cast<size_t>(index)].get(), considerAllowFocus))
            return index;
    }
    return InvalidColumn;
}

std::vector<TTreeGridColumn *> TTreeGridColumns::GetVisibleColumns() const
{
    std::vector<TTreeGridColumn *> result;
    for (TColumnIndex index : FPositionToIndex) {
        TTreeGridColumn *column = FItems[static_cast<size_t>(index)].get();
        if (column->FOptions.contains(coVisible))
            result.push_back(column);
    }
    return result;
}

int TTreeGridColumns::GetVisibleFixedWidth() const
{
    int width = 0;
    for (const auto &column : FItems) {
        if (column->FOptions.contains(coVisible) && column->FOptions.contains(coFixed))
            width += column->FWidth;
    }
    return width;
}

int TTreeGridColumns::GetScrollWidth() const
{
    qint64 sum = 0;
    int count = 0;
    for (const auto &column : FItems) {
        if (column->FOptions.contains(coVisible) && !column->FOptions.contains(coFixed)) {
            sum += column->FWidth;
            ++count;
        }
    }
    if (count == 0)
        return FHeader ? FHeader->TreeIndent() : 0;
    return static_cast<int>(std::nearbyint(double(sum) / count));
}

int TTreeGridColumns::TotalWidth() const
{
    for (auto it = FPositionToIndex.rbegin(); it != FPositionToIndex.rend(); ++it) {
        const TTreeGridColumn *column = FItems[static_cast<size_t>(*it)].get();
        if (column->FOptions.contains(coVisible))
            return column->FLeft + column->FWidth;
    }
    return 0;
}

TColumnIndex TTreeGridColumns::AutoSizeColumn() const
{
    if (Count() == 0)
        return NoColumn;
    const TColumnIndex index = FHeader ? FHeader->AutoSizeIndex() : NoColumn;
    return IsValidColumn(index) ? index : Count() - 1;
}

void TTreeGridColumns::AdjustAutoSize(TColumnIndex currentIndex, bool force)
{
    Q_UNUSED(currentIndex);
    if (Count() == 0 || !FHeader)
        return;
    const TColumnIndex index = AutoSizeColumn();
    TTreeGridColumn *column = FItems[static_cast<size_t>(index)].get();
    int rest = FHeader->TreeClientWidth();
    for (const auto &other : FItems) {
        if (other.get() != column && other->FOptions.contains(coVisible))
            rest -= other->FWidth;
    }
    const int newWidth = std::max(column->FMinWidth, std::min(column->FMaxWidth, rest));
    if (force || newWidth != column->FWidth) {
        column->FWidth = newWidth;
        UpdatePositions();
        FHeader->TreeDoColumnResize(index);
    }
}

void TTreeGridColumns::AnimatedResize(TColumnIndex column, int newWidth)
{
    TTreeGridColumn *item = Items(column);
    if (!item)
        return;
    newWidth = std::max(std::min(newWidth, item->FMaxWidth), item->FMinWidth);
    const int oldWidth = item->FWidth;
    if (newWidth == oldWidth)
        return;
    TBaseTreeGrid *tree = Owner();
    const int step = (newWidth - oldWidth) / TTGColumnResizeAnimation::Steps;
    const bool animate = tree && FHeader && step != 0 && tree->isVisible() && !FHeader->TreeUpdating()
        && !FHeader->Options().contains(hoDisableAnimatedResize)
        && !item->FOptions.contains(coDisableAnimatedResize);
    int left = 0, right = 0;
    GetColumnBounds(column, left, right);
    QWidget *viewport = tree ? tree->viewport() : nullptr;
    if (!animate || right >= viewport->width()) {
        item->SetWidth(newWidth);
        return;
    }
    // One slide at a time: a running one ends where it was going.
    for (auto *running : tree->findChildren<TTGColumnResizeAnimation *>(Qt::FindDirectChildrenOnly))
        running->Finish();

    // What lies right of the old edge, header strip and rows, before the width changes.
    QWidget *strip = FHeader->Widget();
    const int stripHeight = strip && strip->isVisible() ? strip->height() : 0;
    const int width = viewport->width() - right;
    QImage picture(width, stripHeight + viewport->height(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        if (stripHeight > 0)
            strip->render(&painter, QPoint(0, 0), QRegion(right, 0, width, stripHeight));
        viewport->render(&painter, QPoint(0, stripHeight), QRegion(right, 0, width, viewport->height()));
    }
    item->SetWidth(newWidth);
    const int newRight = right + item->FWidth - oldWidth;
    const int areaLeft = std::max(0, std::min(right, newRight));
    const QRect area(viewport->x() + areaLeft, viewport->y() - stripHeight, viewport->width() - areaLeft,
                     stripHeight + viewport->height());
    new TTGColumnResizeAnimation(tree, picture, area, right - areaLeft, step);
}

bool TTreeGridColumns::CanSplitterResize(QPoint p, TColumnIndex column) const
{
    const TTreeGridColumn *item = Items(column);
    if (!item || !item->FOptions.contains(coVisible) || !item->FOptions.contains(coResizable))
        return false;
    return !FHeader || FHeader->TreeCanSplitterResize(p, column);
}
