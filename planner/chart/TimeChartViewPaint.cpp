// Painting the chart, its caption and the overview strip; the overview's mouse, height and
// splitter.

#include "chart/TimeChartView.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>

#include <algorithm>
#include <cmath>

#include "CanvasPanel.h"
#include "CursorRegistry.h"
#include "ScrollBarBox.h"
#include "chart/CaptionPainter.h"
#include "chart/ChartCursors.h"
#include "chart/ChartPainter.h"
#include "chart/OverviewPainter.h"
#include "core/PlannerCore.h"

// ---- the chart

void TTimeChartView::TimeChartPaint()
{
    FChartAllInvalid = false;
    FPendingRowInvalidations = 0;
    TCanvas &canvas = TimeChart->Canvas();
    const TChartPaintParams p = ScreenParams();
    const TChartPainter painter(*FModel, *FGeometry, FOptions, &FStats);
    painter.DrawTimeChart(p);
    painter.DrawTimeChartPositions(p);
    painter.DrawHiddenRowsNote(canvas, FGeometry->TimeChartRowHeight(0), TimeChart->Color());
}

TChartPaintParams TTimeChartView::ScreenParams() const
{
    TChartPaintParams p;
    p.canvas = &TimeChart->Canvas();
    p.rangeStart = FGeometry->Start();
    p.rangeEnd = FGeometry->GetTimeChartEnd();
    p.topOffset = FGeometry->Top();
    p.width = TimeChart->width();
    p.showNow = true;
    p.screen = true;
    p.target = TChartTarget::Chart;
    p.scratch = FScratch.get();
    return p;
}

void TTimeChartView::PaintRubberBand(QPainter &painter)
{
    if (!FRubberBand)
        return;
    // Inverted dots, drawn on the screen only: the kept picture never holds the band.
    const QRect r = FRubberBand->normalized();
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 1, Qt::CustomDashLine);
    pen.setDashPattern({1, 1});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(r.topLeft(), r.size() - QSize(1, 1)));
    painter.restore();
}

void TTimeChartView::TimeChartPanelResize()
{
    FGeometry->SetChartSize(TimeChart->size());
    if (FPlacePending && FGeometry->ChartWidth() > 0) {
        PlaceAtDefault();
        InvalidateTimeChart(true);
        return;
    }
    KeepViewInRange();
    InvalidateTimeChart(true);
}

void TTimeChartView::TimeChartCaptionPaint()
{
    TCaptionPaint paint;
    paint.canvas = &TimeChartCaption->Canvas();
    paint.width = TimeChart->width();
    paint.rangeStart = FGeometry->Start();
    paint.rangeEnd = FGeometry->GetTimeChartEnd();
    TCaptionPainter(*FGeometry).DrawChartCaption(paint);
}

// ---- the overview

void TTimeChartView::SmallTimeChartPaint()
{
    const TOverviewPainter painter(*FModel, *FGeometry, FOptions, &FStats);
    const int width = SmallTimeChart->width();
    const int height = SmallTimeChart->height();
    if (FOverviewStale || FOverviewPicture.size() != SmallTimeChart->size()) {
        FOverviewPicture = QImage(SmallTimeChart->size(), QImage::Format_RGB32);
        FOverviewNow = Now();
        if (!FOverviewPicture.isNull()) {
            TCanvas picture(&FOverviewPicture);
            painter.PaintStrip(picture, width, height, FOverviewNow);
        }
        FOverviewStale = false;
    } else if (!FOverviewParts.empty()) {
        TCanvas picture(&FOverviewPicture);
        for (const QRect &part : FOverviewParts)
            painter.PaintStrip(picture, width, height, FOverviewNow, part);
    }
    FOverviewParts.clear();
    TCanvas &canvas = SmallTimeChart->Canvas();
    canvas.Draw(0, 0, FOverviewPicture);
    painter.PaintWindow(canvas, width, height);
}

void TTimeChartView::SmallTimeChartCaptionPaint()
{
    TCaptionPaint paint;
    paint.canvas = &SmallTimeChartCaption->Canvas();
    paint.width = SmallTimeChart->width();
    paint.rangeStart = FModel->MinDate();
    paint.rangeEnd = FModel->MaxDate();
    paint.fixedHeight = SmallTimeChartCaption->height();
    TCaptionPainter(*FGeometry).DrawCaption(paint, TCaptionPainter::OverviewBand());
}

int TTimeChartView::SmallTimeChartCaptionHeight() const
{
    return SmallTimeChartCaption->height();
}

void TTimeChartView::CenterSliderOn(QPoint point)
{
    const QRect slider = FGeometry->SliderRect(SmallTimeChart->width(), SmallTimeChart->height());
    const int width = std::max(1, SmallTimeChart->width());
    const int height = std::max(1, SmallTimeChart->height());
    const double days = FModel->MaxDate() - FModel->MinDate();
    const TDateTime date = FModel->MinDate() + (point.x() - slider.width() / 2) * days / width;
    const qint64 top = FGeometry->ChartTopForSlider(point.y() - slider.height() / 2, height);
    SetTimeChartDestination(date, ClampCoord(top), false);
}

void TTimeChartView::SmallTimechartMouseDown(QMouseEvent *event)
{
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    const QPoint point = event->position().toPoint();
    const QRect slider = FGeometry->SliderRect(SmallTimeChart->width(), SmallTimeChart->height());
    if (slider.contains(point)) {
        // The grabbed point of the window stays under the pointer while it is dragged.
        FSliderGrab = point - slider.topLeft();
        FSliderGrabbed = true;
        if (event->button() == Qt::LeftButton)
            TCursorRegistry::SetScreenCursor(crHandClosed);
        return;
    }
    FSliderGrabbed = false;
    CenterSliderOn(point);
}

void TTimeChartView::SmallTimeChartMouseMove(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if ((event->buttons() & Qt::LeftButton) && TCursorRegistry::ScreenCursor() == crHandClosed) {
        const QRect slider = FGeometry->SliderRect(SmallTimeChart->width(), SmallTimeChart->height());
        const QPoint grab = FSliderGrabbed ? FSliderGrab : QPoint(slider.width() / 2, slider.height() / 2);
        CenterSliderOn(point - grab + QPoint(slider.width() / 2, slider.height() / 2));
    }
    const QRect slider = FGeometry->SliderRect(SmallTimeChart->width(), SmallTimeChart->height());
    SmallTimeChart->setCursor(slider.contains(point) ? TCursorRegistry::Cursor(crHandOpen) : QCursor());
}

void TTimeChartView::SmallTimeChartMouseUp(QMouseEvent *)
{
    FSliderGrabbed = false;
    TCursorRegistry::SetScreenCursor(crDefault);
}

void TTimeChartView::SetSmallTimeChartRowHeight(int height)
{
    FSmallTimeChartRowHeight = std::clamp(height, 1, 8);
    FSmallRowHeightChosen = true;
    ApplySmallTimeChartHeight();
}

int TTimeChartView::SmallTimeChartRowHeight() const
{
    // Until a height is chosen, long row lists start with the thinnest rows.
    if (!FSmallRowHeightChosen)
        return FModel->RowCount() > 40 ? 1 : 2;
    return FSmallTimeChartRowHeight;
}

int TTimeChartView::SmallTimeChartCap() const
{
    // Many resources must not push the chart and the tables out of the window.
    return std::max(SmallTimeChartCaptionHeight() + 1, window()->height() / 3);
}

TTimeChartView::TOverviewSizes TTimeChartView::OverviewSizes() const
{
    const int rows = std::max(1, FModel->RowCount());
    const int caption = SmallTimeChartCaptionHeight();
    const int cap = SmallTimeChartCap();
    TOverviewSizes sizes;
    if (rows + caption <= cap) {
        // Whole rows of 1 to 8 pixels, as high as the cap allows.
        sizes.mostRowHeight = std::clamp((cap - caption) / rows, 1, 8);
        sizes.lowest = rows + caption;
        sizes.highest = rows * sizes.mostRowHeight + caption;
        sizes.wanted = rows * std::min(SmallTimeChartRowHeight(), sizes.mostRowHeight) + caption;
    } else {
        // More rows than pixels: the strip shows them pressed together, at most the cap high.
        sizes.scaled = true;
        sizes.highest = cap;
        sizes.lowest = caption + std::max(1, (cap - caption) / 2);
        sizes.wanted = FScaledStripHeight > 0 ? std::clamp(FScaledStripHeight, sizes.lowest, sizes.highest) : cap;
    }
    return sizes;
}

void TTimeChartView::ApplySmallTimeChartHeight()
{
    if (!Gesamtbersicht1->isChecked())
        return;
    const TOverviewSizes overview = OverviewSizes();
    dfsToolBar1->setMinimumHeight(overview.lowest);
    dfsToolBar1->setMaximumHeight(overview.highest);
    const QList<int> sizes = Splitter3->sizes();
    if (sizes.value(0) != overview.wanted) {
        const int total = std::max(sizes.value(0) + sizes.value(1), overview.wanted + 1);
        Splitter3->setSizes({overview.wanted, total - overview.wanted});
    }
}

int TTimeChartView::Splitter3CanResize(int requested)
{
    const TOverviewSizes overview = OverviewSizes();
    if (overview.scaled) {
        FScaledStripHeight = std::clamp(requested, overview.lowest, overview.highest);
        ApplySmallTimeChartHeight();
        return FScaledStripHeight;
    }
    const int rows = std::max(1, FModel->RowCount());
    const int caption = SmallTimeChartCaptionHeight();
    SetSmallTimeChartRowHeight(std::min((requested - caption) / rows, overview.mostRowHeight));
    return rows * std::min(FSmallTimeChartRowHeight, overview.mostRowHeight) + caption;
}

void TTimeChartView::Gesamtbersicht1Click()
{
    const bool shown = Gesamtbersicht1->isChecked();
    dfsToolBar1->setVisible(shown);
    if (shown)
        ApplySmallTimeChartHeight();
}
