#pragma once

// How a chart printout is laid out: the date range of each page, the size step the chart is
// drawn at, and where it stands in the page body. Arithmetic only: no printer, no window.

#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

#include "DateTime.h"

// The days one printed page shows.
struct TChartPageRange
{
    TDateTime start = 0;
    TDateTime end = 0;
    bool operator==(const TChartPageRange &) const = default;
};

// A chart's size in printer pixels; 64 bits, as many days at a big step leave int behind.
struct TChartExtent
{
    qint64 width = 0;
    qint64 height = 0;
};

// The size a chart is printed at.
struct TChartFit
{
    int step = 0;        // the zoom offset it is drawn at
    double scale = 1.0;  // the drawing shrunk (not even the first step fits) or enlarged (at the zoom's limit)
    TChartExtent extent; // its size at that step, before scaling
    QRect rect;          // where it stands in the area, scaled and centred
};

class TChartPageLayout
{
public:
    static constexpr int MaxDays = 10000;
    static constexpr int MaxPages = 20;

    // Whether a printout of this many days on this many pages can be made.
    static bool ValidRequest(int days, int pages);
    // The days each page shows: the day count divided by the page count, at least one day;
    // 0 for a request that is not valid.
    static int DaysPerPage(int days, int pages);
    // The pages from start over `days` days, DaysPerPage days each; the last page takes what
    // the division leaves over, so every day is printed. Never more pages than days; none for a
    // request that is not valid.
    static std::vector<TChartPageRange> PageRanges(TDateTime start, int days, int pages);
    // The largest step from 0 to maxStep at which the chart fits into the area (as wide and as
    // high at most). When not even step 0 fits, step 0 is shrunk until it does; when maxStep
    // still leaves room, it is enlarged to fill the area. The rectangle is centred in the area,
    // whose top-left is (0, 0).
    static TChartFit FitChart(const std::function<TChartExtent(int step)> &extentAt, QSize area, int maxStep);
};
