#pragma once

// The time chart area of the main window: the overview strip with its caption and splitter,
// the group tabs (given by the window), the date caption, and the chart panel in its scroll
// box. It owns the chart's geometry and view options, paints through the painters, scrolls
// (at once or smoothly), flashes the selected bars and repaints what the document changes.
// Mouse gestures and chart commands build on the methods here.

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "ScrollTypes.h"
#include "chart/ChartTypes.h"
#include "chart/CoreChartModel.h"
#include "chart/TimeChartGeometry.h"

class QAction;
class QSplitter;
class QMouseEvent;
class QWheelEvent;
class TCanvas;
class TCanvasPanel;
class TPlannerCore;
class TScrollBarBox;

class TTimeChartView : public QWidget
{
    Q_OBJECT
public:
    explicit TTimeChartView(TPlannerCore &core, QWidget *parent = nullptr);
    ~TTimeChartView() override;

    TPlannerCore &Core() const { return FCore; }
    TCoreChartModel &Model() const { return *FModel; }
    TTimeChartGeometry &Geometry() const { return *FGeometry; }
    TChartOptions &Options() { return FOptions; }
    // Counted since the view was made: bar pictures rendered and bars drawn.
    const TChartPaintStats &Stats() const { return FStats; }

    // The group tabs go between the overview and the date caption.
    void SetGroupTabs(QWidget *tabs);

    // ---- widgets (named as the window's controls)
    TCanvasPanel *TimeChart = nullptr;
    TScrollBarBox *TimeChartScrollBarBox = nullptr;
    TCanvasPanel *TimeChartCaption = nullptr;
    QWidget *dfsToolBar1 = nullptr; // the overview's panel
    TCanvasPanel *SmallTimeChart = nullptr;
    TCanvasPanel *SmallTimeChartCaption = nullptr;
    QSplitter *Splitter3 = nullptr;
    QAction *Gesamtbersicht1 = nullptr; // "General View": the overview shown
    QTimer SliderTimer;
    QTimer FlashSelectedTimer;
    QTimer RedrawTimer;

    // ---- geometry and fonts
    void SetTimeChartColWidth(int width);
    // z <= 0 does nothing.
    void SetZoom(int zoom);
    void SetTimeChartFontSize(int size);
    void SetTimeChartFontName(const QString &name);
    // Fonts of chart and caption, every bar picture stale, scroll bars, repaint.
    void UpdateFont();
    // Percent of transparency of rows filtered out of their table; t <= 0 does nothing.
    void SetTransparency(int transparency);
    // The bar text layout of the current group tab.
    void SetRowSet(TRowSet rowSet);
    TRowSet GetRowSet() const { return FGeometry->RowSet(); }
    // A group tab was applied: its text layout, the overview's height, the scroll bars.
    void GroupTabApplied(int tab);
    // A new empty document: three text rows, 8 pixels per day, font size 10.
    void ChartReset();
    // While printing, day-width changes do not touch the screen.
    bool FPrinting = false;

    // ---- scrolling
    void SetTimeChartStart(TDateTime date);
    void SetTimeChartTop(int top);
    // Where the chart should go; immediately or by smooth steps.
    void SetTimeChartDestination(TDateTime date, int top, bool immediate);
    // A smooth scroll under way ends where the chart is now.
    void StopScrolling();
    void UpdateScrollBars(TScrollStyle style);
    void SliderTimerTimer();
    void TimeChartHorzScroll();
    void TimeChartVertScroll();
    // The window's part of the outermost EndUpdate: scroll bars and the chart start clamped.
    void EndUpdate();
    // The first view of a document: a third of the visible days before now, the top row.
    void PlaceAtDefault();
    // A view kept from before: the chart starts at a date and a pixel row, also when it has no
    // width yet (a default placing still waiting for the width is dropped); days outside the
    // data are held in the range by the user's date.
    void PlaceAt(TDateTime start, int top);
    // The user's date for looking at the days from `start` on: the start, or where the chart's
    // width passes the data's end, that end, so that the range reaches every shown day.
    TDateTime UserDateFor(TDateTime start) const;
    // Scrolls (smoothly) so that a date and a row show; row -1 keeps the rows. Used for goto
    // and by the tables.
    void EnsureVisible(TDateTime date, int row, bool immediate = false);
    // Scrolls to a selected row of a table; pointerX (during a drag) keeps a wide bar's
    // grabbed point in place. Without `inTime` the chart keeps its dates, without `inRows` its
    // rows.
    void CenterNode(TNodeData *node, std::optional<int> pointerX = std::nullopt, bool inTime = true,
                    bool inRows = true);
    // The arrow keys: Left/Right move the start by a day (Shift: a week, Ctrl: the month's
    // days), Up/Down by a row. False for other keys.
    bool ArrowKey(int key, Qt::KeyboardModifiers modifiers);
    // One wheel notch: a row down or up, smoothly.
    void WheelScroll(bool down);
    int TimeChartWidthInDays() const;

    // ---- repainting
    void InvalidateTimeChart(bool captions);
    // A row's bar, wherever it is drawn (chart and overview).
    void InvalidateNode(TNodeData &node);
    // The rubber band of a mouse gesture, drawn over the picture; nullopt removes it.
    void SetRubberBand(std::optional<QRect> band);

    // ---- selection flash
    void ResetFlashSelectedTimer();
    void FlashSelectedTimerTimer();

    // ---- overview
    int SmallTimeChartRowHeight() const;
    // Clamped to 1..8; while the overview shows, its height is rows * row height + caption.
    void SetSmallTimeChartRowHeight(int height);
    // The overview's height for its rows (after the rows or the tab changed).
    void ApplySmallTimeChartHeight();
    // The splitter above the tabs asks for an overview height; the answer shows whole rows
    // (or, with more rows than fit at one pixel, any height up to the cap).
    int Splitter3CanResize(int requested);
    // The tallest the overview may be: a third of the window.
    int SmallTimeChartCap() const;
    void Gesamtbersicht1Click();
    int SmallTimeChartCaptionHeight() const;

    // Hooks of the mouse gestures: around each smooth step or other move of the view under a
    // resting pointer (`smooth`: a step of a smooth scroll, which carries the pointer with a
    // dragged bar; otherwise the bar follows the pointer), whether a table's row change may
    // scroll the chart, a flash tick.
    std::function<void()> OnBeforeSmoothStep;
    std::function<void(bool smooth)> OnAfterSmoothStep;
    std::function<bool()> OnCenterNodeAllowed;
    std::function<void()> OnFlashTick;

signals:
    // Zoom, font, text layout or transparency changed: the controls showing them follow.
    void ViewChanged();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildWidgets();
    void TimeChartPaint();
    void TimeChartCaptionPaint();
    void SmallTimeChartPaint();
    void SmallTimeChartCaptionPaint();
    void PaintRubberBand(QPainter &painter);
    void TimeChartPanelResize();
    void SmallTimechartMouseDown(QMouseEvent *event);
    void SmallTimeChartMouseMove(QMouseEvent *event);
    void SmallTimeChartMouseUp(QMouseEvent *event);
    void CenterSliderOn(QPoint point);
    // The overview's heights for its rows, within the cap.
    struct TOverviewSizes
    {
        bool scaled = false;   // rows pressed together
        int mostRowHeight = 1; // whole rows: the highest row height the cap leaves
        int lowest = 0;
        int highest = 0;
        int wanted = 0;
    };
    TOverviewSizes OverviewSizes() const;
    // Where a bar lies in the overview strip.
    QRect OverviewBarRect(TNodeData &node) const;
    // Pushes one bar's range to the scroll box without the clamp of UpdateScrollBars.
    void PushScrollInfo(bool horizontal);
    // The clamp: rows scrolled beyond the last one (or all fitting) end at the bottom.
    void KeepLastRowsAtBottom();
    // More days or rows show now (a larger chart, narrower days): start and top go back at
    // once where the range ends, and the scroll bars show it.
    void KeepViewInRange();
    void InvalidateSlider();
    // Fixed marks that do not scroll with the rows: captions column and the note strip.
    void InvalidateFixedMarks(int dx, int dy);
    // The document's range or rows changed: scroll bars and overview follow.
    void SyncToDocument();
    void MarkAllBarsStale();
    QRect NodeChartRect(TNodeData &node) const;
    // The chart panel's paint: its canvas, the visible range, the bar cache.
    TChartPaintParams ScreenParams() const;

    TPlannerCore &FCore;
    std::unique_ptr<TCoreChartModel> FModel;
    std::unique_ptr<TTimeChartGeometry> FGeometry;
    TChartOptions FOptions;
    TChartPaintStats FStats;
    std::unique_ptr<TCanvas> FScratch; // renders the bar pictures
    // The overview's rows and bars, drawn again only when the document changed; moving its
    // window only composes. Rows that changed are drawn again where they were and are; more of
    // them than MaxOverviewParts, or any other change, draw it all again.
    QImage FOverviewPicture;
    bool FOverviewStale = true;
    std::vector<QRect> FOverviewParts;
    static constexpr std::size_t MaxOverviewParts = 256;
    // The time its current-time mark was drawn at.
    TDateTime FOverviewNow = 0;
    QWidget *FLower = nullptr;
    QPointer<QWidget> FGroupTabs;
    int FSmallTimeChartRowHeight = 2;
    int FScaledStripHeight = 0; // chosen by the splitter while rows are pressed together; 0: the cap
    QPointer<QWidget> FWatchedWindow; // its height caps the overview
    bool FSmallRowHeightChosen = false;
    QPoint FSliderGrab;
    bool FSliderGrabbed = false;
    std::optional<QRect> FRubberBand;
    bool FChartAllInvalid = false;
    int FPendingRowInvalidations = 0;
    QTimer FSyncTimer;
    struct TSynced
    {
        TDateTime minDate = 0;
        TDateTime maxDate = 0;
        int rows = -1;
    } FSynced;
    bool FPlacePending = false; // placed once the chart has a width
};
