// Scrolling the chart: the start day and the top pixel, at once or by smooth steps, the
// scroll bars, keys and wheel, and scrolling to a row or date.

#include "chart/TimeChartView.h"

#include <algorithm>
#include <cmath>

#include "CanvasPanel.h"
#include "ScrollBarBox.h"
#include "core/PlannerCore.h"

void TTimeChartView::PushScrollInfo(bool horizontal)
{
    if (horizontal) {
        const TTimeChartGeometry::TScrollRange r = FGeometry->HorzRange();
        TimeChartScrollBarBox->HorzScrollInfo().SetAll(r.min, r.max, unsigned(std::max(0, r.page)), r.pos);
    } else {
        const TTimeChartGeometry::TScrollRange r = FGeometry->VertRange();
        TimeChartScrollBarBox->VertScrollInfo().SetAll(r.min, r.max, unsigned(std::max(0, r.page)), r.pos);
    }
}

void TTimeChartView::UpdateScrollBars(TScrollStyle style)
{
    if (style == ssHorizontal || style == ssBoth)
        PushScrollInfo(true);
    if (style == ssVertical || style == ssBoth) {
        PushScrollInfo(false);
        KeepLastRowsAtBottom();
    }
}

void TTimeChartView::KeepLastRowsAtBottom()
{
    const TTimeChartGeometry::TScrollRange r = FGeometry->VertRange();
    if (!(r.max > r.pos + r.page)) {
        // Scrolled beyond the last row (or all rows fit): the last rows end at the bottom.
        FGeometry->SetDestinationValues(FGeometry->StartDestination(), std::max(0, r.max - r.page));
        SetTimeChartTop(r.max - r.page);
        InvalidateTimeChart(false);
    }
}

void TTimeChartView::KeepViewInRange()
{
    // Not at the next wheel notch; a bar under a drag stays under the pointer.
    if (OnBeforeSmoothStep)
        OnBeforeSmoothStep();
    KeepLastRowsAtBottom();
    SetTimeChartStart(FGeometry->Start());
    if (OnAfterSmoothStep)
        OnAfterSmoothStep(false);
    if (SliderTimer.isActive())
        FGeometry->SetDestinationValues(FGeometry->ClampStartDestination(FGeometry->StartDestination()),
                                        FGeometry->ClampTop(FGeometry->TopDestination()));
    else
        FGeometry->SetDestinationValues(FGeometry->Start(), FGeometry->Top());
    // The scroll bars once, with where the chart goes now.
    PushScrollInfo(true);
    PushScrollInfo(false);
}

void TTimeChartView::InvalidateSlider()
{
    const QRect slider = FGeometry->SliderRect(SmallTimeChart->width(), SmallTimeChart->height());
    SmallTimeChart->update(slider.adjusted(-1, -1, 1, 1));
}

void TTimeChartView::InvalidateFixedMarks(int dx, int dy)
{
    const int width = TimeChart->width();
    if (dx != 0) {
        // The row captions stay at the left edge while the rows move under them.
        const int captions = width / 6 + 1;
        TimeChart->update(QRect(0, 0, captions + std::max(dx, 0), TimeChart->height()));
    }
    if (FModel->HidesEmptyRows()) {
        // The note under the rows keeps its place.
        const int y = ClampCoord(FGeometry->RowsHeight(0) + 5);
        const int height = TimeChart->fontMetrics().height() + 10;
        TimeChart->update(QRect(0, y, width, height));
        if (dy != 0)
            TimeChart->update(QRect(0, ClampCoord(qint64(y) + dy), width, height));
    }
}

void TTimeChartView::SetTimeChartStart(TDateTime date)
{
    // The user's date follows the view while it lies outside the data; during a smooth scroll
    // it also keeps where the scroll goes, or the range would shrink away from a goto's date
    // before the chart gets there.
    const double visible = double(FGeometry->ChartWidth()) / FGeometry->GetTimeChartColWidth();
    const bool sliding = SliderTimer.isActive();
    const TDateTime heading = FGeometry->StartDestination();
    if (FCore.FUserDate > FCore.DataMaxDate())
        FCore.SetUserdate(std::ceil((sliding ? std::max(date, heading) : date) + visible));
    if (FCore.FUserDate < FCore.DataMinDate())
        FCore.SetUserdate(Trunc(sliding ? std::min(date, heading) : date));
    const TDateTime start = FGeometry->ClampStart(date);
    if (start == FGeometry->Start())
        return;
    const qint64 dx = Round((FGeometry->Start() - start) * FGeometry->GetTimeChartColWidth());
    if (dx == 0)
        return;
    InvalidateSlider();
    FGeometry->SetStartValue(start);
    InvalidateSlider();
    PushScrollInfo(true);
    const int shift = int(std::clamp<qint64>(dx, -TTimeChartGeometry::CoordLimit, TTimeChartGeometry::CoordLimit));
    TimeChart->ScrollContents(shift, 0);
    InvalidateFixedMarks(shift, 0);
    TimeChartCaption->update();
}

void TTimeChartView::SetTimeChartTop(int top)
{
    const int t = FGeometry->ClampTop(top);
    if (t == FGeometry->Top())
        return;
    InvalidateSlider();
    const int old = FGeometry->Top();
    FGeometry->SetTopValue(t);
    InvalidateSlider();
    PushScrollInfo(false);
    TimeChart->ScrollContents(0, old - t);
    InvalidateFixedMarks(0, old - t);
}

void TTimeChartView::SetTimeChartDestination(TDateTime date, int top, bool immediate)
{
    const TDateTime d = FGeometry->ClampStartDestination(date);
    const TTimeChartGeometry::TScrollRange vertical = FGeometry->VertRange();
    const int t = std::clamp(top, 0, std::max(0, vertical.max - vertical.page));
    FGeometry->SetDestinationValues(d, t);
    if (immediate) {
        SliderTimer.stop();
        SetTimeChartTop(t);
        SetTimeChartStart(d);
        PushScrollInfo(true);
    } else {
        SliderTimer.start();
    }
}

void TTimeChartView::SliderTimerTimer()
{
    if (FCore.IsLoading())
        return;
    const TTimeChartGeometry::TSmoothStep step = FGeometry->SmoothStep();
    const TDateTime startBefore = FGeometry->Start();
    const int topBefore = FGeometry->Top();
    if (OnBeforeSmoothStep)
        OnBeforeSmoothStep();
    SetTimeChartStart(FGeometry->Start() + step.days);
    SetTimeChartTop(int(std::clamp<qint64>(qint64(FGeometry->Top()) + step.pixels, INT_MIN, INT_MAX)));
    if (OnAfterSmoothStep)
        OnAfterSmoothStep(true);
    const bool moved = FGeometry->Start() != startBefore || FGeometry->Top() != topBefore;
    // A destination the range no longer reaches ends the scroll too.
    if (!step.again || !moved)
        SliderTimer.stop();
}

void TTimeChartView::StopScrolling()
{
    if (!SliderTimer.isActive())
        return;
    SliderTimer.stop();
    FGeometry->SetDestinationValues(FGeometry->Start(), FGeometry->Top());
}

void TTimeChartView::TimeChartHorzScroll()
{
    const TDateTime date = TimeChartScrollBarBox->HorzScrollInfo().Pos() + FModel->MinDate();
    SetTimeChartDestination(date, FGeometry->TopDestination(), false);
}

void TTimeChartView::TimeChartVertScroll()
{
    SetTimeChartDestination(FGeometry->StartDestination(), TimeChartScrollBarBox->VertScrollInfo().Pos(), false);
}

void TTimeChartView::EndUpdate()
{
    UpdateScrollBars(ssBoth);
    SetTimeChartStart(FGeometry->Start());
}

void TTimeChartView::PlaceAtDefault()
{
    FPlacePending = FGeometry->ChartWidth() <= 0;
    FCore.UpdateBounds(false);
    UpdateScrollBars(ssBoth);
    SetTimeChartDestination(Now() - FGeometry->VisibleDays() / 3, 0, true);
}

TDateTime TTimeChartView::UserDateFor(TDateTime start) const
{
    const TDateTime end = start + FGeometry->VisibleDays();
    return end > FCore.DataMaxDate() ? std::ceil(end) : start;
}

void TTimeChartView::PlaceAt(TDateTime start, int top)
{
    FPlacePending = false;
    FCore.UpdateBounds(false);
    // A view left outside the data (by a goto) is held there again, as the goto held it; a
    // start that is no date (none kept) is left to the chart's clamp.
    const bool date = start >= MinDateTime && start <= MaxDateTime;
    if (date && (start < FCore.DataMinDate() || start + FGeometry->VisibleDays() > FCore.DataMaxDate()))
        FCore.SetUserdate(UserDateFor(start));
    UpdateScrollBars(ssBoth);
    SetTimeChartDestination(start, top, true);
}

void TTimeChartView::EnsureVisible(TDateTime date, int row, bool immediate)
{
    TDateTime start = FGeometry->StartDestination();
    int top = FGeometry->TopDestination();
    if (date < FGeometry->Start() || date >= FGeometry->GetTimeChartEnd())
        start = date - FGeometry->VisibleDays() / 2;
    if (row >= 0) {
        const int rowHeight = FGeometry->TimeChartRowHeight(0);
        const qint64 rowTop = qint64(row) * rowHeight;
        if (rowTop < FGeometry->Top() || rowTop + rowHeight > qint64(FGeometry->Top()) + FGeometry->ChartHeight())
            top = ClampCoord(rowTop - FGeometry->ChartHeight() / 2 + rowHeight / 2);
    }
    if (start == FGeometry->StartDestination() && top == FGeometry->TopDestination() && !immediate)
        return;
    SetTimeChartDestination(start, top, immediate);
}

void TTimeChartView::CenterNode(TNodeData *node, std::optional<int> pointerX, bool inTime, bool inRows)
{
    if (FCore.IsUpdating() || !node || !node->nodeValid || !FModel->IsSelected(*node))
        return;
    if (OnCenterNodeAllowed && !OnCenterNodeAllowed())
        return;
    const QRect r = FGeometry->ScreenItemRect(*node);
    if (r.isNull())
        return;
    const double visible = FGeometry->VisibleDays();
    const int dayWidth = FGeometry->GetTimeChartColWidth();
    TDateTime date;
    if (FGeometry->ChartWidth() * 3 / 4 < r.width()) {
        const int x = pointerX.value_or(r.left());
        date = FModel->StartOf(*node) - visible / 2 + double(x - r.left()) / dayWidth;
    } else {
        date = FGeometry->Start() - visible / 2 + double(r.left() + r.width() / 2) / dayWidth;
    }
    const qint64 top = qint64(FGeometry->Top()) - FGeometry->ChartHeight() / 2 + r.top() + r.height() / 2;
    SetTimeChartDestination(inTime ? date : FGeometry->StartDestination(),
                            inRows ? ClampCoord(top) : FGeometry->TopDestination(), false);
}

bool TTimeChartView::ArrowKey(int key, Qt::KeyboardModifiers modifiers)
{
    const TDateTime start = FGeometry->Start();
    int step = 1;
    if (modifiers & Qt::ControlModifier) {
        int year = 0, month = 0, day = 0;
        DecodeDate(start, year, month, day);
        step = year > 0 ? DaysInAMonth(year, month) : 30;
    } else if (modifiers & Qt::ShiftModifier) {
        step = 7;
    }
    const int rowHeight = FGeometry->TimeChartRowHeight(0);
    switch (key) {
    case Qt::Key_Left:
        SetTimeChartDestination(start - step, FGeometry->Top(), true);
        return true;
    case Qt::Key_Right:
        SetTimeChartDestination(start + step, FGeometry->Top(), true);
        return true;
    case Qt::Key_Up:
        SetTimeChartDestination(start, FGeometry->Top() - rowHeight, true);
        return true;
    case Qt::Key_Down:
        SetTimeChartDestination(start, FGeometry->Top() + rowHeight, true);
        return true;
    default:
        return false;
    }
}

void TTimeChartView::WheelScroll(bool down)
{
    const int rowHeight = FGeometry->TimeChartRowHeight(0);
    SetTimeChartDestination(FGeometry->Start(), FGeometry->Top() + (down ? rowHeight : -rowHeight), false);
}

int TTimeChartView::TimeChartWidthInDays() const
{
    return FGeometry->ChartWidth() / FGeometry->GetTimeChartColWidth();
}
