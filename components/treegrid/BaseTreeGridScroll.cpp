#include "treegrid/BaseTreeGrid.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QApplication>
#include <QCursor>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

#include "treegrid/TreeGridHeader.h"

// Scroll offsets and ranges, the scroll bars kept in step with them, scrolling nodes and columns
// into view, and the header margin the rows start below.

namespace {

bool HasBar(TScrollStyle style, TScrollBarKind kind)
{
    return style == ssBoth || (kind == sbHorizontal ? style == ssHorizontal : style == ssVertical);
}

int ClampToInt(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Places a row by `place`, and again when that brought a scroll bar up or took one away: the
// client area it was placed in changed under it (without columns the horizontal range follows
// the rows in view, so a scroll can bring up the bar that then covers the row).
template <class Place>
void PlaceRow(const TBaseTreeGrid &tree, Place place)
{
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client(tree.ClientWidth(), tree.ClientHeight());
        place();
        if (QSize(tree.ClientWidth(), tree.ClientHeight()) == client)
            return;
    }
}

} // namespace

class TBaseTreeGrid::TEditBoundsHold
{
public:
    explicit TEditBoundsHold(TBaseTreeGrid &tree) : FTree(tree) { ++FTree.FEditBoundsHeld; }
    ~TEditBoundsHold()
    {
        if (!FReleased)
            --FTree.FEditBoundsHeld;
    }
    TEditBoundsHold(const TEditBoundsHold &) = delete;
    TEditBoundsHold &operator=(const TEditBoundsHold &) = delete;

    // Places the editor when this is the outermost hold and something moved meanwhile.
    void Release()
    {
        FReleased = true;
        if (--FTree.FEditBoundsHeld == 0 && std::exchange(FTree.FEditBoundsOwed, false))
            FTree.UpdateEditBounds();
    }

private:
    TBaseTreeGrid &FTree;
    bool FReleased = false;
};

void TBaseTreeGrid::RequestEditBounds()
{
    if (!FStates.contains(tsEditing))
        return;
    if (FEditBoundsHeld > 0)
        FEditBoundsOwed = true;
    else
        UpdateEditBounds();
}

// ---- offsets

void TBaseTreeGrid::SetOffsetX(int value)
{
    DoSetOffsetXY(QPoint(value, FOffsetY), DefaultScrollUpdateFlags);
}

void TBaseTreeGrid::SetOffsetY(int value)
{
    DoSetOffsetXY(QPoint(FOffsetX, value), DefaultScrollUpdateFlags);
}

void TBaseTreeGrid::SetOffsetXY(QPoint value)
{
    DoSetOffsetXY(value, DefaultScrollUpdateFlags);
}

bool TBaseTreeGrid::DoSetOffsetXY(QPoint value, TScrollUpdateOptions options, const QRect *clipRect)
{
    const bool rtl = UseRightToLeftReading();
    std::int64_t x = value.x();
    x = std::min<std::int64_t>(std::max<std::int64_t>(x, std::int64_t(ClientWidth()) - FRangeX), 0);
    std::int64_t y = value.y();
    y = std::min<std::int64_t>(std::max<std::int64_t>(y, std::int64_t(ClientHeight()) - FRangeY), 0);
    const int newX = ClampToInt(x);
    const int newY = ClampToInt(y);
    int dx = newX - FOffsetX;
    if (rtl)
        dx = -dx;
    const int dy = newY - FOffsetY;
    if (dx == 0 && dy == 0)
        return false;
    TEditBoundsHold hold(*this);
    // A running toggle animation scrolls parts of the window itself: it ends first.
    FinishAnimation();

    FOffsetX = newX;
    FOffsetY = newY;
    FEffectiveOffsetX = rtl ? std::max<std::int64_t>(0, FRangeX - ClientWidth() + FOffsetX) : -std::int64_t(FOffsetX);
    // A hint names what stood under the pointer before the move.
    CancelHint();

    if (FUpdateCount == 0 && !FDestroying) {
        TTreeGridHeader *header = Header();
        if (options.contains(suoScrollClientArea) && !FStates.contains(tsToggling)) {
            const QRect clip = clipRect ? *clipRect : viewport()->rect();
            const int fixedWidth = UseColumns() ? header->Columns()->GetVisibleFixedWidth() : 0;
            if (FOptions->PaintOptions().contains(toShowBackground) && !FBackground.isNull()) {
                viewport()->update();
            } else if (dx != 0 && fixedWidth > 0) {
                // Fixed columns stand still: only the part right of them moves sideways.
                const QRect scrolling = MakeRect(fixedWidth, 0, ClientWidth(), ClientHeight());
                if (scrolling.width() > 0)
                    viewport()->scroll(dx, 0, scrolling);
                if (dy != 0)
                    viewport()->scroll(0, dy, clip);
            } else {
                viewport()->scroll(dx, dy, clip);
            }
        }
        if (options.contains(suoUpdateNCArea)) {
            const bool repaintBars = options.contains(suoRepaintScrollbars);
            if (dx != 0) {
                if (options.contains(suoRepaintHeader) && header && header->Options().contains(hoVisible))
                    header->Invalidate();
                if (!FStates.contains(tsSizing) && HasBar(FScrollBarOptions->ScrollBars(), sbHorizontal))
                    UpdateHorizontalScrollBar(repaintBars);
            }
            if (dy != 0 && !FStates.contains(tsThumbTracking) && !FStates.contains(tsSizing)) {
                UpdateVerticalScrollBar(repaintBars);
                if (!UseColumns() && !FStates.contains(tsDrawSelecting))
                    UpdateHorizontalScrollBar(repaintBars);
            }
        }
    }
    if (FUpdateCount == 0 && !FDestroying) {
        // The row under a pointer that stands still has changed. Asking where the pointer is
        // costs a round trip to the display: only when the pointer is over the rows and
        // something follows the hot row.
        const bool tracked = FOptions->PaintOptions().contains(toHotTrack)
                             || FOptions->MiscOptions().contains(toCheckSupport) || OnHotChange;
        if (tracked && viewport()->underMouse()) {
            const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
            if (viewport()->rect().contains(pointer))
                HandleHotTrack(pointer.x(), pointer.y());
        }
        RequestEditBounds();
    }
    hold.Release();
    DoScroll(dx, dy);
    return true;
}

// ---- scroll bars

void TBaseTreeGrid::UpdateScrollBars(bool doRepaint)
{
    UpdateVerticalScrollBar(doRepaint);
    UpdateHorizontalScrollBar(doRepaint);
}

void TBaseTreeGrid::UpdateVerticalScrollBar(bool doRepaint)
{
    Q_UNUSED(doRepaint); // Qt repaints its bars itself
    if (FRoot->TotalHeight < FDefaultNodeHeight)
        FRoot->TotalHeight = FDefaultNodeHeight;
    FRangeY = std::int64_t(FRoot->TotalHeight) - FRoot->NodeHeight + FBottomSpace;
    if (FStates.contains(tsUpdating) || FDestroying || !HandleAllocated())
        return;
    TEditBoundsHold hold(*this);

    QScrollBar *bar = verticalScrollBar();
    const bool configured = HasBar(FScrollBarOptions->ScrollBars(), sbVertical);
    const bool show = configured && (ClientHeight() < FRangeY || FScrollBarOptions->AlwaysVisible());
    FSettingScrollBars = true;
    if (show) {
        bar->setRange(0, ClampToInt(std::max<std::int64_t>(0, FRangeY - ClientHeight())));
        bar->setPageStep(std::max(1, ClientHeight()));
        bar->setSingleStep(FScrollBarOptions->VerticalIncrement());
        bar->setValue(-FOffsetY);
        bar->setEnabled(ClientHeight() < FRangeY);
    } else {
        bar->setRange(0, 0);
    }
    FSettingScrollBars = false;
    if (show != FVerticalBarShown) {
        FVerticalBarShown = show;
        LayOutScrollBars();
        DoShowScrollbar(sbVertical, show);
    }
    // Re-applying the offset clamps it to the new range.
    DoSetOffsetXY(QPoint(FOffsetX, show ? -bar->value() : FOffsetY), DefaultScrollUpdateFlags - suoUpdateNCArea);
    // Rows above an open editor may have grown, shrunk, come or gone.
    RequestEditBounds();
    hold.Release();
}

void TBaseTreeGrid::UpdateHorizontalScrollBar(bool doRepaint)
{
    Q_UNUSED(doRepaint);
    if (FDestroying)
        return;
    // Without columns the range is measured over the rows in view, which needs a window.
    if (UseColumns())
        FRangeX = Header()->Columns()->TotalWidth();
    else if (HandleAllocated())
        FRangeX = GetMaxRightExtend();
    if (FStates.contains(tsUpdating) || !HandleAllocated())
        return;
    const bool rtl = UseRightToLeftReading();
    FEffectiveOffsetX = rtl ? std::max<std::int64_t>(0, FRangeX - ClientWidth() + FOffsetX) : -std::int64_t(FOffsetX);

    QScrollBar *bar = horizontalScrollBar();
    const bool configured = HasBar(FScrollBarOptions->ScrollBars(), sbHorizontal);
    const bool show = configured && (ClientWidth() < FRangeX || FScrollBarOptions->AlwaysVisible());
    const int fixedWidth = UseColumns() ? Header()->Columns()->GetVisibleFixedWidth() : 0;
    FSettingScrollBars = true;
    if (show) {
        bar->setRange(0, ClampToInt(std::max<std::int64_t>(0, FRangeX - ClientWidth())));
        bar->setPageStep(std::max(1, ClientWidth() - fixedWidth));
        bar->setSingleStep(FScrollBarOptions->HorizontalIncrement());
        bar->setValue(ClampToInt(FEffectiveOffsetX));
        bar->setEnabled(ClientWidth() < FRangeX);
    } else {
        bar->setRange(0, 0);
    }
    FSettingScrollBars = false;
    if (show != FHorizontalBarShown) {
        FHorizontalBarShown = show;
        LayOutScrollBars();
        DoShowScrollbar(sbHorizontal, show);
    }
    int x = FOffsetX;
    if (show)
        x = rtl ? ClampToInt(std::int64_t(ClientWidth()) - FRangeX + bar->value()) : -bar->value();
    DoSetOffsetXY(QPoint(x, FOffsetY), DefaultScrollUpdateFlags - suoUpdateNCArea);
}

void TBaseTreeGrid::DoShowScrollbar(TScrollBarKind bar, bool show)
{
    Raise(OnShowScrollbar, bar, show);
}

void TBaseTreeGrid::ScrollBarOptionsChanged()
{
    LayOutScrollBars();
    if (IsLive())
        UpdateScrollBars(true);
}

// The tree decides when a bar shows, and the client area follows at once (as the window system's
// own bars make it), not on a later turn of the event loop: whatever measures or scrolls next
// sees the area the user will see. The resize this sends runs the size handling.
void TBaseTreeGrid::LayOutScrollBars()
{
    if (FDestroying)
        return;
    // The viewport is not resized under a running paint: the layout follows when it is done.
    if (FStates.contains(tsPainting)) {
        QTimer::singleShot(0, this, [this] { LayOutScrollBars(); });
        return;
    }
    const TScrollStyle style = FScrollBarOptions->ScrollBars();
    auto policy = [](bool shown) { return shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
    const Qt::ScrollBarPolicy vertical = policy(HasBar(style, sbVertical) && FVerticalBarShown);
    const Qt::ScrollBarPolicy horizontal = policy(HasBar(style, sbHorizontal) && FHorizontalBarShown);
    if (verticalScrollBarPolicy() != vertical)
        setVerticalScrollBarPolicy(vertical);
    if (horizontalScrollBarPolicy() != horizontal)
        setHorizontalScrollBarPolicy(horizontal);
}

void TBaseTreeGrid::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    // The bars moved (by the user or by a range change): the offsets follow their positions.
    if (FSettingScrollBars || FDestroying)
        return;
    QScrollBar *hbar = horizontalScrollBar();
    const int x = UseRightToLeftReading() ? ClampToInt(std::int64_t(ClientWidth()) - FRangeX + hbar->value())
                                          : -hbar->value();
    const int y = -verticalScrollBar()->value();
    DoSetOffsetXY(QPoint(FHorizontalBarShown ? x : FOffsetX, FVerticalBarShown ? y : FOffsetY),
                  DefaultScrollUpdateFlags);
}

void TBaseTreeGrid::ThumbTracking(bool tracking)
{
    if (tracking) {
        DoStateChange({tsThumbTracking});
    } else {
        DoStateChange({}, {tsThumbTracking});
        UpdateScrollBars(true);
    }
}

// ---- scrolling into view

bool TBaseTreeGrid::ScrollIntoView(PGridNode node, bool center, bool horizontally)
{
    if (!node || node == FRoot)
        return false;
    ExpandAncestors(node);

    const QPoint before = OffsetXY();
    const bool gridExtensions = FOptions->MiscOptions().contains(toGridExtensions);
    TColumnIndex column = NoColumn;
    if (UseColumns() && Header()->Columns()->IsValidColumn(FFocusedColumn))
        column = FFocusedColumn;
    PlaceRow(*this, [&] {
        const QRect r = GetDisplayRect(node, column, !gridExtensions, false, !gridExtensions);
        if (r.isNull())
            return;
        const int clientHeight = ClientHeight();
        if (r.top() < 0) {
            SetOffsetY(FOffsetY - r.top() + (center ? clientHeight / 2 : 0));
        } else if (RectBottom(r) > clientHeight || center) {
            std::int64_t y = std::int64_t(FOffsetY) - RectBottom(r) + (center ? clientHeight / 2 : clientHeight);
            // A horizontal bar that is about to appear covers the bottom.
            if (!UseColumns() && HasBar(FScrollBarOptions->ScrollBars(), sbHorizontal) && !FHorizontalBarShown
                && FRangeX > ClientWidth())
                y -= horizontalScrollBar()->sizeHint().height();
            SetOffsetY(ClampToInt(y));
        }
    });
    if (horizontally && column >= 0)
        ScrollIntoView(column, center);
    return OffsetXY() != before;
}

void TBaseTreeGrid::SetTopNode(PGridNode node)
{
    if (!node || node == FRoot)
        return;
    ExpandAncestors(node);
    PlaceRow(*this, [&] { SetOffsetY(FOffsetY - GetDisplayRect(node, NoColumn, true).top()); });
}

void TBaseTreeGrid::SetBottomNode(PGridNode node)
{
    if (!node || node == FRoot)
        return;
    ExpandAncestors(node);
    PlaceRow(*this, [&] {
        SetOffsetY(FOffsetY - RectBottom(GetDisplayRect(node, NoColumn, true)) + ClientHeight());
    });
}

bool TBaseTreeGrid::ScrollIntoView(TColumnIndex column, bool center)
{
    if (!UseColumns() || !Header()->Columns()->IsValidColumn(column))
        return false;
    TTreeGridColumns *columns = Header()->Columns();
    const TTreeGridColumn *item = columns->Items(column);
    if (!item->Options().contains(coVisible) || item->Options().contains(coFixed))
        return true;
    const int fixedWidth = columns->GetVisibleFixedWidth();
    int absoluteLeft = 0, absoluteRight = 0;
    item->GetAbsoluteBounds(absoluteLeft, absoluteRight);
    std::int64_t offset = FEffectiveOffsetX;
    if (center) {
        // The column's middle at the middle of the part that scrolls.
        const std::int64_t middle = (std::int64_t(absoluteLeft) + absoluteRight) / 2;
        offset = middle - (fixedWidth + (ClientWidth() - fixedWidth) / 2);
    } else {
        const std::int64_t left = absoluteLeft - offset;
        const std::int64_t right = absoluteRight - offset;
        if (right > ClientWidth())
            offset += right - ClientWidth();
        else if (left < fixedWidth)
            offset -= fixedWidth - left;
    }
    if (offset != FEffectiveOffsetX) {
        if (UseRightToLeftReading())
            SetOffsetX(ClampToInt(std::int64_t(ClientWidth()) - FRangeX + offset));
        else
            SetOffsetX(ClampToInt(-offset));
    }
    return true;
}

void TBaseTreeGrid::DoScrollIntoView(PGridNode node)
{
    // The focus follows without scrolling inside update brackets and while a button is down.
    if (!node || FUpdateCount > 0 || FOptions->AutoOptions().contains(toDisableAutoscrollOnFocus))
        return;
    const bool buttonDown = FStates.intersects({tsLeftButtonDown, tsMiddleButtonDown, tsRightButtonDown});
    ScrollIntoView(node, FOptions->SelectionOptions().contains(toCenterScrollIntoView) && !buttonDown, false);
}

// ---- size, header margin and scaling

void TBaseTreeGrid::UpdateHeaderRect()
{
    TTreeGridHeader *header = FDestroying ? nullptr : Header();
    const int height = header && header->Options().contains(hoVisible) ? header->Height() : 0;
    if (viewportMargins().top() != height)
        setViewportMargins(0, height, 0, 0);
    const QRect port = viewport()->geometry();
    FHeaderRect = height > 0 ? QRect(port.left(), port.top() - height, port.width(), height) : QRect();
}

void TBaseTreeGrid::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateHeaderRect();
    if (FStates.contains(tsWindowCreating) || FStates.contains(tsSizing) || ClientHeight() <= 0 || FDestroying)
        return;
    DoStateChange({tsSizing});
    TEditBoundsHold hold(*this);
    // A bar that comes or goes meanwhile resizes the client area again (the nested resize is
    // skipped): once more with the new size. The bars settle: one that shows only narrows the
    // other's client side.
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client = viewport()->size();
        if (TTreeGridHeader *header = Header()) {
            header->RescaleHeader();
            if (header->Options().contains(hoAutoResize))
                header->Columns()->AdjustAutoSize(InvalidColumn);
        }
        UpdateScrollBars(true);
        if (viewport()->size() == client)
            break;
    }
    RequestEditBounds();
    hold.Release();
    DoStateChange({}, {tsSizing});
}

void TBaseTreeGrid::ChangeScale(int m, int d)
{
    if (m == d || d == 0 || !FOptions->AutoOptions().contains(toAutoChangeScale))
        return;
    if (FLoading && !FStates.contains(tsNeedScale))
        return;
    SetDefaultNodeHeight(std::uint32_t(std::max<std::int64_t>(1, std::int64_t(FDefaultNodeHeight) * m / d)));
    if (TTreeGridHeader *header = Header()) {
        header->SetHeight(int(std::int64_t(header->Height()) * m / d));
        header->RescaleHeader();
    }
}

bool TBaseTreeGrid::CanFocus() const
{
    if (!isVisible() || !isEnabled() || focusPolicy() == Qt::NoFocus)
        return false;
    const QWidget *form = window();
    return form && form->isVisible() && form->isEnabled();
}
