#pragma once

// Paints the chart area of any date range onto any canvas, in fixed layers: background and
// working-time shading, grid, free weekdays, public holidays, month dividers, row lines, the
// bars of both tables, the current-time marker, deadline arrows and the date boxes of dragged
// bars. The chart panel, the overview strip, pictures and printed pages all paint through it.
// Every layer walks only what the canvas's clip lets show.

#include <QRect>

#include <vector>

#include "HelperDrawing.h"
#include "chart/BarPainter.h"
#include "chart/ChartModel.h"
#include "chart/ChartTypes.h"

class TCanvas;
class TTimeChartGeometry;

class TChartPainter
{
public:
    TChartPainter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options,
                  TChartPaintStats *stats = nullptr);

    void DrawTimeChart(const TChartPaintParams &p) const;
    // The row captions at the left edge.
    void DrawTimeChartPositions(const TChartPaintParams &p) const;
    // Under the last row, while the hide-empty options are on: which rows they hid.
    void DrawHiddenRowsNote(TCanvas &canvas, int rowHeight, TColor panelColor) const;

    // The chart font for a paint: name, size at the zoom offset and resolution, smoothing.
    void SetupFont(TCanvas &canvas, const TChartPaintParams &p) const;
    int RowHeight(const TChartPaintParams &p) const;

    // Where a task's deadline arrow is drawn: its outline (the head kept inside the task's
    // row, the arc below the top of the rows) and the area it is clipped to. False when the
    // task has no arrow; with `selectedOrNot` the arrow it has while selected.
    bool ArrowOutline(const TChartPaintParams &p, int rowHeight, TNodeData &node, TArrowPoints &points,
                      QRect &area, bool selectedOrNot = false) const;
    // The pixels the arrow may touch, empty without one.
    QRect ArrowArea(const TChartPaintParams &p, TNodeData &node, bool selectedOrNot = false) const;

    static void DrawClock(TCanvas &canvas, TDateTime time, const QRect &rect, TColor face, TColor hand,
                          double hourLength, double minuteLength);

private:
    // What one paint works with: the range's scale and the rows and days the clip shows.
    struct TPaintState
    {
        const TChartPaintParams *p = nullptr;
        int rowHeight = 1;
        int rowCount = 0;
        double ppd = 0;
        int firstRow = 0;
        int lastRow = -1;
        TDateTime firstDay = 0; // whole days that may show
        TDateTime lastDay = -1;
        QRect clip;             // logical
    };
    TPaintState MakeState(const TChartPaintParams &p) const;

    // The layers in the order they are painted.
    enum TLayer { lyBars, lyNowMarker };
    // Background up to the bars (and the current-time marker); the tasks with a deadline are
    // noted for the arrows.
    void DrawLayers(const TPaintState &s, TLayer upTo, std::vector<TNodeData *> *deadlines = nullptr) const;
    // Draws what combines with the layers below through the mask. A canvas that drops such
    // modes (a printed page) gets a picture of the box with the layers below, drawn into as
    // on the screen, of which the pixels that changed are laid onto it. `below` and `draw`
    // take the paint state to draw with; on the screen `draw` is all that runs.
    template <class Below, class Draw>
    void DrawThroughMask(const TPaintState &s, const QRect &box, const Below &below, const Draw &draw) const;
    // The largest picture made at once; a larger box is done in bands.
    static constexpr qint64 MaxMaskPixels = 4LL * 1024 * 1024;

    void DrawBackgnd(const TPaintState &s) const;
    void DrawWorkShading(const TPaintState &s) const;
    void DrawGrid(const TPaintState &s) const;
    void DrawWeekInfo(const TPaintState &s) const;
    void DrawHolidays(const TPaintState &s) const;
    void DrawFreeItem(const TPaintState &s, TDateTime start, TDateTime end, int row, int rows,
                      const QString &name) const;
    void DrawMonthDivider(const TPaintState &s) const;
    void DrawRowLines(const TPaintState &s) const;
    // The bars of the rows the paint reaches; the tasks with a deadline are noted when asked.
    void DrawBars(const TPaintState &s, std::vector<TNodeData *> *deadlines) const;
    void DrawNowMarker(const TPaintState &s) const;
    // The arrows of the first `count` rows.
    void DrawArrows(const TPaintState &s, const std::vector<TNodeData *> &rows, std::size_t count) const;
    void DrawItemInfo(const TPaintState &s) const;

    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    const TChartOptions &FOptions;
    TChartPaintStats *FStats;
    TBarPainter FBars;
};
