// The chart area's widgets, fonts and text layouts, repainting and the selection flash.

#include "chart/TimeChartView.h"

#include <QAction>
#include <QApplication>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "Canvas.h"
#include "CanvasPanel.h"
#include "Language.h"
#include "ScrollBarBox.h"
#include "chart/BarPainter.h"
#include "chart/ChartCursors.h"
#include "chart/ChartPainter.h"
#include "core/PlannerCore.h"
#include "core/ViewRefresh.h"

namespace {

// A vertical stack without margins or gaps.
QVBoxLayout *Stack(QWidget *owner)
{
    auto *layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QWidget *MakePane(QWidget *parent, const char *name)
{
    auto *pane = new QWidget(parent);
    pane->setObjectName(QString::fromLatin1(name));
    return pane;
}

TCanvasPanel *MakePanel(QWidget *parent, const char *name)
{
    auto *panel = new TCanvasPanel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    return panel;
}

} // namespace

TTimeChartView::TTimeChartView(TPlannerCore &core, QWidget *parent)
    : QWidget(parent)
    , FCore(core)
    , FModel(std::make_unique<TCoreChartModel>(core))
    , FGeometry(std::make_unique<TTimeChartGeometry>(*FModel))
    , FScratch(std::make_unique<TCanvas>(64, 64))
{
    setObjectName(QStringLiteral("TimeChartArea"));
    RegisterChartCursors();
    FGeometry->SetFontNameValue(QApplication::font().family());
    BuildWidgets();

    SliderTimer.setObjectName(QStringLiteral("SliderTimer"));
    SliderTimer.setInterval(15);
    connect(&SliderTimer, &QTimer::timeout, this, &TTimeChartView::SliderTimerTimer);
    FlashSelectedTimer.setObjectName(QStringLiteral("FlashSelectedTimer"));
    FlashSelectedTimer.setInterval(100);
    connect(&FlashSelectedTimer, &QTimer::timeout, this, &TTimeChartView::FlashSelectedTimerTimer);
    RedrawTimer.setObjectName(QStringLiteral("RedrawTimer"));
    RedrawTimer.setInterval(60000);
    connect(&RedrawTimer, &QTimer::timeout, this, [this] {
        FOverviewStale = true;
        TimeChart->update();
        SmallTimeChart->update();
    });
    RedrawTimer.start();
    FSyncTimer.setSingleShot(true);
    FSyncTimer.setInterval(0);
    connect(&FSyncTimer, &QTimer::timeout, this, &TTimeChartView::SyncToDocument);

    FCore.OnGetViewValues = [this] {
        // The row height as if three text rows were shown.
        TPlannerCore::TFileViewValues values;
        const int height = FGeometry->TimeChartRowHeight(0);
        const TRowSet set = FGeometry->RowSet();
        values.RowHeight = set == rsTop ? height * 3 : set == rsTopMiddle ? height * 3 / 2 : height;
        values.ColWidth = FGeometry->ColWidth();
        values.Zoom = FGeometry->Zoom();
        return values;
    };
    UpdateFont();
    PlaceAtDefault();
}

TTimeChartView::~TTimeChartView()
{
    FCore.OnGetViewValues = nullptr;
}

void TTimeChartView::BuildWidgets()
{
    QVBoxLayout *layout = Stack(this);
    Splitter3 = new QSplitter(Qt::Vertical, this);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Splitter3->setChildrenCollapsible(false);
    Splitter3->setHandleWidth(4);
    layout->addWidget(Splitter3);

    dfsToolBar1 = MakePane(Splitter3, "dfsToolBar1");
    QVBoxLayout *overview = Stack(dfsToolBar1);
    SmallTimeChartCaption = MakePanel(dfsToolBar1, "SmallTimeChartCaption");
    SmallTimeChartCaption->setFixedHeight(17);
    SmallTimeChart = MakePanel(dfsToolBar1, "SmallTimeChart");
    SmallTimeChart->SetColor(clWhite);
    overview->addWidget(SmallTimeChartCaption);
    overview->addWidget(SmallTimeChart, 1);

    FLower = MakePane(Splitter3, "TimeChartPanel");
    QVBoxLayout *lower = Stack(FLower);
    TimeChartCaption = MakePanel(FLower, "TimeChartCaption");
    TimeChartScrollBarBox = new TScrollBarBox(FLower);
    TimeChartScrollBarBox->setObjectName(QStringLiteral("TimeChartScrollBarBox"));
    TimeChartScrollBarBox->SetBorderStyle(bsNone);
    TimeChartScrollBarBox->setMinimumHeight(30);
    TimeChart = MakePanel(TimeChartScrollBarBox, "TimeChart");
    TimeChart->setFocusPolicy(Qt::ClickFocus);
    TimeChartScrollBarBox->SetClientControl(TimeChart);
    lower->addWidget(TimeChartCaption);
    lower->addWidget(TimeChartScrollBarBox, 1);
    Splitter3->addWidget(dfsToolBar1);
    Splitter3->addWidget(FLower);
    Splitter3->setStretchFactor(0, 0);
    Splitter3->setStretchFactor(1, 1);

    TimeChart->OnPaint = [this](QObject *) { TimeChartPaint(); };
    TimeChart->OnPaintOverlay = [this](QObject *, QPainter &painter) { PaintRubberBand(painter); };
    TimeChart->OnResize = [this](QObject *) { TimeChartPanelResize(); };
    TimeChart->OnMouseWheel = [this](QObject *, QWheelEvent *event) {
        WheelScroll(event->angleDelta().y() < 0);
    };
    TimeChartCaption->OnPaint = [this](QObject *) { TimeChartCaptionPaint(); };
    SmallTimeChart->OnPaint = [this](QObject *) { SmallTimeChartPaint(); };
    SmallTimeChartCaption->OnPaint = [this](QObject *) { SmallTimeChartCaptionPaint(); };
    SmallTimeChart->OnMouseDown = [this](QObject *, QMouseEvent *event) { SmallTimechartMouseDown(event); };
    SmallTimeChart->OnMouseMove = [this](QObject *, QMouseEvent *event) { SmallTimeChartMouseMove(event); };
    SmallTimeChart->OnMouseUp = [this](QObject *, QMouseEvent *event) { SmallTimeChartMouseUp(event); };
    SmallTimeChart->OnMouseWheel = [this](QObject *, QWheelEvent *event) {
        WheelScroll(event->angleDelta().y() < 0);
    };
    SmallTimeChart->OnResize = [this](QObject *) { SmallTimeChart->update(); };
    TimeChartScrollBarBox->OnHorzScroll = [this](QObject *) { TimeChartHorzScroll(); };
    TimeChartScrollBarBox->OnVertScroll = [this](QObject *) { TimeChartVertScroll(); };
    connect(Splitter3, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = Splitter3->sizes();
        const int granted = Splitter3CanResize(sizes.value(0));
        if (granted != sizes.value(0))
            Splitter3->setSizes({granted, sizes.value(0) + sizes.value(1) - granted});
    });

    Gesamtbersicht1 = new QAction(Translate(QStringLiteral("General View")), this);
    Gesamtbersicht1->setObjectName(QStringLiteral("Gesamtbersicht1"));
    Gesamtbersicht1->setCheckable(true);
    Gesamtbersicht1->setChecked(true);
    connect(Gesamtbersicht1, &QAction::triggered, this, [this] { Gesamtbersicht1Click(); });
}

void TTimeChartView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FWatchedWindow != window()) {
        if (FWatchedWindow && FWatchedWindow != this)
            FWatchedWindow->removeEventFilter(this);
        FWatchedWindow = window();
        if (FWatchedWindow != this)
            FWatchedWindow->installEventFilter(this);
        ApplySmallTimeChartHeight();
    }
}

bool TTimeChartView::eventFilter(QObject *watched, QEvent *event)
{
    // The overview's cap follows the window's height.
    if (watched == FWatchedWindow && event->type() == QEvent::Resize)
        ApplySmallTimeChartHeight();
    return QWidget::eventFilter(watched, event);
}

void TTimeChartView::SetGroupTabs(QWidget *tabs)
{
    FGroupTabs = tabs;
    if (auto *layout = qobject_cast<QVBoxLayout *>(FLower->layout()))
        layout->insertWidget(0, tabs);
}

// ---- fonts, day width, zoom and text layouts

void TTimeChartView::SetTimeChartColWidth(int width)
{
    FGeometry->SetColWidthValue(width < 2 ? 1 : width);
    if (FPrinting)
        return;
    UpdateScrollBars(ssHorizontal);
    // Narrower days show more of the range: the start stays inside it.
    if (FGeometry->ChartWidth() > 0 && !FPlacePending)
        KeepViewInRange();
    InvalidateTimeChart(true);
}

void TTimeChartView::SetZoom(int zoom)
{
    if (zoom <= 0)
        return;
    FGeometry->SetZoomValue(zoom);
    SetTimeChartColWidth(FGeometry->ColWidth());
    UpdateFont();
}

void TTimeChartView::SetTimeChartFontSize(int size)
{
    if (size == FGeometry->FontSize())
        return;
    FGeometry->SetFontSizeValue(size);
    UpdateFont();
}

void TTimeChartView::SetTimeChartFontName(const QString &name)
{
    if (name == FGeometry->FontName())
        return;
    FGeometry->SetFontNameValue(name);
    UpdateFont();
}

void TTimeChartView::UpdateFont()
{
    QFont font(FGeometry->FontName());
    font.setPointSize(FGeometry->GetTimeChartFontSize());
    TimeChart->setFont(font);
    TimeChartCaption->setFont(font);
    TimeChartCaption->setFixedHeight(FGeometry->TimeChartFullRowHeight(0));
    MarkAllBarsStale();
    UpdateScrollBars(ssVertical);
    InvalidateTimeChart(true);
    emit ViewChanged();
}

void TTimeChartView::SetTransparency(int transparency)
{
    if (transparency <= 0)
        return;
    FOptions.transparency = std::min(transparency, 100);
    InvalidateTimeChart(false);
    emit ViewChanged();
}

void TTimeChartView::SetRowSet(TRowSet rowSet)
{
    const int tab = FCore.GroupTabIndex();
    if (FCore.FRowSets.size() <= tab)
        FCore.FRowSets.resize(tab + 1);
    FCore.FRowSets[tab] = rowSet;
    FGeometry->SetRowSetValue(rowSet);
    UpdateFont();
}

void TTimeChartView::GroupTabApplied(int tab)
{
    if (tab >= 0 && tab < FCore.FRowSets.size()) {
        const TRowSet rowSet = RowSetOf(FCore.FRowSets[tab]);
        if (rowSet != FGeometry->RowSet()) {
            FGeometry->SetRowSetValue(rowSet);
            UpdateFont();
        }
    }
    ApplySmallTimeChartHeight();
    UpdateScrollBars(ssBoth);
}

void TTimeChartView::ChartReset()
{
    FSmallRowHeightChosen = false;
    FGeometry->SetRowSetValue(rsTopMiddleBottom);
    FGeometry->SetFontSizeValue(10);
    SetTimeChartColWidth(8);
    UpdateFont();
}

void TTimeChartView::MarkAllBarsStale()
{
    ++FOptions.barLook;
}

// ---- repainting

void TTimeChartView::InvalidateTimeChart(bool captions)
{
    FChartAllInvalid = true;
    FOverviewStale = true;
    TimeChart->update();
    SmallTimeChart->update();
    if (captions) {
        TimeChartCaption->update();
        SmallTimeChartCaption->update();
    }
    // The range or the rows may have changed: scroll bars and overview follow once idle.
    if (FModel->MinDate() != FSynced.minDate || FModel->MaxDate() != FSynced.maxDate
        || FModel->RowCount() != FSynced.rows)
        FSyncTimer.start();
}

QRect TTimeChartView::NodeChartRect(TNodeData &node) const
{
    QRect r = FGeometry->ScreenItemRect(node);
    // Shadow at the right and below, the date box around the left and bottom edges.
    r = r.adjusted(-60, 0, TBarPainter::ShadowSize, 16);
    // Selecting or deselecting a task in time shows or takes away its arrow.
    const QRect arrow = TChartPainter(*FModel, *FGeometry, FOptions).ArrowArea(ScreenParams(), node, true);
    if (!arrow.isEmpty())
        r = r.united(arrow);
    if (FOptions.drawFullText)
        SetRectRight(r, TimeChart->width());
    return r;
}

void TTimeChartView::InvalidateNode(TNodeData &node)
{
    if (!FOverviewStale) {
        // The row's part of the overview is drawn again where it is now.
        const QRect strip = OverviewBarRect(node).adjusted(-1, -1, 1, 1).intersected(SmallTimeChart->rect());
        if (FOverviewParts.size() >= MaxOverviewParts) {
            FOverviewStale = true;
            FOverviewParts.clear();
            SmallTimeChart->update();
        } else if (!strip.isEmpty()) {
            FOverviewParts.push_back(strip);
            SmallTimeChart->update(strip);
        }
    }
    if (!FChartAllInvalid) {
        // Many single rows at once cost more than one whole repaint.
        if (++FPendingRowInvalidations > 200) {
            InvalidateTimeChart(false);
            return;
        }
        TimeChart->update(NodeChartRect(node).intersected(TimeChart->rect()));
    }
}

QRect TTimeChartView::OverviewBarRect(TNodeData &node) const
{
    const int rows = std::max(1, FModel->RowCount());
    const int height = SmallTimeChart->height();
    const int rowHeight = rows <= height ? std::max(1, height / rows) : 1;
    const QRect r =
        FGeometry->ItemRect(node, FModel->MinDate(), FModel->MaxDate(), 0, rowHeight, SmallTimeChart->width(), true);
    if (r.isNull() || rows <= height)
        return r;
    // Rows pressed together: the pixel rows the bar's rows fall on.
    const int top = int(qint64(r.top()) * height / rows);
    const int bottom = int((qint64(RectBottom(r)) * height + rows - 1) / rows);
    return MakeRect(r.left(), top, RectRight(r), std::max(bottom, top + 1));
}

void TTimeChartView::SetRubberBand(std::optional<QRect> band)
{
    const auto area = [](const QRect &r) { return r.normalized().adjusted(-1, -1, 2, 2); };
    if (FRubberBand)
        TimeChart->update(area(*FRubberBand));
    FRubberBand = band;
    if (FRubberBand)
        TimeChart->update(area(*FRubberBand));
}

void TTimeChartView::SyncToDocument()
{
    FSynced = {FModel->MinDate(), FModel->MaxDate(), FModel->RowCount()};
    ApplySmallTimeChartHeight();
    UpdateScrollBars(ssBoth);
    SetTimeChartStart(FGeometry->Start());
}

// ---- selection flash

void TTimeChartView::ResetFlashSelectedTimer()
{
    FOptions.flashPhase = 0;
    if (FCore.SelectedCount(FCore.GetActiveTable()) > 0)
        FlashSelectedTimer.start();
}

void TTimeChartView::FlashSelectedTimerTimer()
{
    if (FCore.IsLoading())
        return;
    {
        // Many selected rows are repainted together.
        const TViewRefresh::THeld held(FCore.Views());
        FCore.ForEach(FCore.GetActiveTable(), feSelected, &TPlannerCore::CB_SetRecalcBitmap);
    }
    FOptions.flashPhase = (FOptions.flashPhase + 1) % 7;
    if (FOptions.flashPhase == 0)
        FlashSelectedTimer.stop();
    if (OnFlashTick)
        OnFlashTick();
}
