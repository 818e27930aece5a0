#pragma once

// Every conversion between the document's dates and rows and the chart's pixels: the width of
// a day, the height of a row, the visible origin, the rectangles of bars, deadline arrows and
// row captions, times of day inside a day column in minute mode, pixels back to dates, the
// rows of a multi-row resource, and the clamps of scrolling. It keeps the view's numbers but
// touches no widget: the chart view applies what it computes.
//
// Pixel results are computed in doubles and 64 bits and clamped to +-CoordLimit before they
// become rectangles, so far-away dates and huge zooms cannot overflow.

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

#include "chart/ChartModel.h"
#include "chart/ChartTypes.h"

class TCanvas;

class TTimeChartGeometry
{
public:
    static constexpr int CoordLimit = 1 << 24;
    static constexpr int MaxZoom = 1000;
    static constexpr int MaxColWidth = 2000;
    static constexpr int MinFontSize = 1;
    static constexpr int MaxFontSize = 200;

    explicit TTimeChartGeometry(const IChartGeometrySource &source);

    const IChartGeometrySource &Source() const { return FSource; }

    // ---- the view's numbers
    int Zoom() const { return FZoom; }                 // GetZoom: 1..1000
    void SetZoomValue(int zoom);
    int ColWidth() const { return FTimeChartColWidth; } // pixels per day at zoom 100: 1..2000
    void SetColWidthValue(int width);
    int FontSize() const { return FTimeChartFontSize; } // points at zoom 100: 1..200
    void SetFontSizeValue(int size);
    QString FontName() const { return FTimeChartFontName; }
    void SetFontNameValue(const QString &name) { FTimeChartFontName = name; }
    TRowSet RowSet() const { return FRowSet; }
    void SetRowSetValue(TRowSet rowSet) { FRowSet = rowSet; }
    // The chart panel's client size.
    QSize ChartSize() const { return FChartSize; }
    void SetChartSize(QSize size) { FChartSize = size.expandedTo(QSize(0, 0)); }
    int ChartWidth() const { return FChartSize.width(); }
    int ChartHeight() const { return FChartSize.height(); }

    TDateTime Start() const { return FTimeChartStart; }   // always a whole day
    void SetStartValue(TDateTime start) { FTimeChartStart = start; }
    int Top() const { return FTimeChartTop; }
    void SetTopValue(int top) { FTimeChartTop = top; }
    TDateTime StartDestination() const { return FStartDestination; }
    int TopDestination() const { return FTopDestination; }
    void SetDestinationValues(TDateTime start, int top) { FStartDestination = start; FTopDestination = top; }

    // ---- sizes
    int GetTimeChartColWidth() const { return _TimeChartColWidth(0); }
    int _TimeChartColWidth(int zoomOffset) const;
    int TimeChartFullRowHeight(int zoomOffset) const;
    int TimeChartRowHeight(int zoomOffset) const;
    // The chart font's size for a zoom offset and a target resolution (0 = the screen's).
    int _TimeChartFontSize(int zoomOffset, int resolution) const;
    // zoom * font size div 100, the size the font boxes show.
    int GetTimeChartFontSize() const;
    int ResizeGrabWidth() const;
    // Whole rows in pixels: row height * row count.
    qint64 RowsHeight(int zoomOffset = 0) const;

    // ---- dates and pixels on the screen
    TDateTime GetTimeChartEnd() const;
    double VisibleDays() const { return GetTimeChartEnd() - FTimeChartStart; }
    TDateTime TimeChartXToDate(int x) const;
    // The date under x in minute mode, walked minute by minute over at most two days.
    TDateTime GetExactDate(int x, int row) const;
    // The row under a y of the chart panel (may lie outside 0..row count - 1).
    int RowAtY(int y) const;

    // ---- rectangles of any date range
    QRect TimeChartRect(TDateTime itemStart, TDateTime itemEnd, TDateTime rangeStart, TDateTime rangeEnd,
                        int topOffset, int rowHeight, int width, int row, bool noExact, bool multiRow) const;
    QRect ItemRect(TNodeData &node, TDateTime rangeStart, TDateTime rangeEnd, int topOffset, int rowHeight,
                   int width, bool keepFullHeight) const;
    // Empty (0, 0, 0, 0) when no arrow is due; its left lies right of its right when the end
    // is before the deadline.
    // With `selectedOrNot` the arrow as it is while the task is selected, whether it is or not
    // (what a change of the selection may add or take away).
    QRect ArrowRect(TNodeData &node, TDateTime rangeStart, TDateTime rangeEnd, int topOffset, int rowHeight,
                    int width, bool selectedOrNot = false) const;
    // The caption box at the left edge of a row, sized for the canvas's font.
    QRect PositionRect(TCanvas &canvas, int topOffset, int row, int width, int rowHeight) const;
    // The widest row name in the canvas's font plus the frame (cached per font and rows).
    int PositionCaptionWidth(TCanvas &canvas) const;
    // The same on the screen: the chart's range, top and width.
    QRect ScreenItemRect(TNodeData &node, bool keepFullHeight = false) const;

    // x of a date-time in minute mode: the day column holds only working time.
    qint64 ExactX(TDateTime t, const tWeekInfo &week, double ppd, TDateTime rangeStart) const;

    // ---- rows
    // (tbTable, row): the row; (tbExclude, position): the rows of its multi-row block;
    // (any, -9): the row of every position.
    std::vector<int> GetMultipleRowSpan(TWhichTable table, int position) const;
    std::vector<int> GetMultipleRowSpan(const TNodeData &node) const;
    bool isMultiRow(int row) const { return FSource.IsMultiRow(row); }

    // ---- scrolling (the view applies the results)
    struct TScrollRange
    {
        int min = 0;
        int max = 0;
        int page = 0;
        int pos = 0;
    };
    TScrollRange HorzRange() const;
    TScrollRange VertRange() const;
    // Where SetTimeChartStart may land: inside the range, a whole day.
    TDateTime ClampStart(TDateTime date) const;
    int ClampTop(int top) const;
    TDateTime ClampStartDestination(TDateTime date) const;
    // One step of smooth scrolling towards the destinations: the days and pixels to move, and
    // whether another step follows. The last step moves the whole remainder.
    struct TSmoothStep
    {
        int days = 0;
        int pixels = 0;
        bool again = false;
    };
    TSmoothStep SmoothStep() const;
    // The visible part of the chart as the overview's window over a strip of that size; at
    // least MinSliderHeight pixels high however many rows there are.
    QRect SliderRect(int stripWidth, int stripHeight) const;
    static constexpr int MinSliderHeight = 7;
    // The chart's top for a window whose top lies at that pixel row of the strip.
    qint64 ChartTopForSlider(int sliderTop, int stripHeight) const;

private:
    // The window's height in the strip that the visible rows make.
    int SliderTrueHeight(int stripHeight) const;
    QRect SpanRect(TDateTime itemStart, TDateTime itemEnd, TDateTime rangeStart, TDateTime rangeEnd, int topOffset,
                   int rowHeight, int width, int row, const std::vector<int> *span, bool noExact) const;

    const IChartGeometrySource &FSource;
    int FTimeChartColWidth = 8;
    int FZoom = 100;
    int FTimeChartFontSize = 10;
    QString FTimeChartFontName;
    TRowSet FRowSet = rsTopMiddleBottom;
    QSize FChartSize;
    TDateTime FTimeChartStart = 0;
    int FTimeChartTop = 0;
    TDateTime FStartDestination = 0;
    int FTopDestination = 0;

    struct TCaptionWidthCache
    {
        QString font;
        int height = 0;
        int pen = 0;
        quint64 rows = 0;
        int width = -1;
    };
    mutable TCaptionWidthCache FCaptionWidth;
};

// Pixels per day of a range drawn over `width` pixels; a whole number stays whole although
// the range's end was itself computed from the width (24 must never become 24.000000001).
double PixelsPerDay(int width, TDateTime rangeStart, TDateTime rangeEnd);

// Clamps a pixel coordinate computed in doubles into the range rectangles may use.
int ClampCoord(double value);
int ClampCoord(qint64 value);
