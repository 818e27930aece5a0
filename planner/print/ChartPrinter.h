#pragma once

// Records a printout of the time chart into the page recorder: the date range split over the
// pages, the chart at the largest size step that fits the page body (shrunk when not even the
// first step fits), each page titled with its range, drawn directly at printer resolution or
// as a picture at screen resolution, with the standard header and footer. No window needed.

#include <QRect>
#include <QSize>
#include <QString>

#include "chart/ChartTypes.h"
#include "print/ChartPageLayout.h"
#include "print/PageHeaderFooter.h"

class IChartModel;
class TCanvas;
class TPrintPreviewDialog;
class TTimeChartGeometry;

// What to print.
struct TChartPrintJob
{
    TDateTime start = 0;
    int days = 0;
    int pages = 1;
    bool showToday = false; // the current-time marker
    TDateTime now = 0;      // the time it marks; 0 = the clock
    bool asBitmap = false;  // drawn at screen resolution, then stretched onto the page
    TPrintPageTexts page;
};

class TChartPrinter
{
public:
    // Pictures drawn at screen resolution stay within these (larger ones are drawn directly).
    static constexpr qint64 MaxBitmapSide = 16384;
    static constexpr qint64 MaxBitmapPixels = 100'000'000;

    TChartPrinter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options);

    // The chart of `days` days at a size step: the day width at that step times the days, the
    // row height times the rows plus the caption bands.
    TChartExtent CalcSize(int step, int days) const;
    // The largest step worth trying: beyond it the zoom stays at its limit.
    int MaxStep() const;
    // Where the chart of `days` days stands in a page body of that size, below the room of
    // the page title (two lines of titleHeight).
    TChartFit Layout(QSize body, int days, int titleHeight) const;
    // Records every page with its header and footer; returns the number of pages (0 when the
    // job is not valid: nothing is recorded then).
    int Record(TPrintPreviewDialog &recorder, const TChartPrintJob &job) const;
    // Draws the chart of start..end into rect (canvas coordinates) at the fit's step and scale.
    void DrawTimeChart(TCanvas &canvas, TDateTime start, TDateTime end, const TChartFit &fit, const QRect &rect,
                       bool showNow, TDateTime now, bool asBitmap, int resolution) const;

    static bool BitmapAllowed(qint64 width, qint64 height);
    // "ZOP (start bis end)".
    static QString PageTitle(const TChartPageRange &range);

private:
    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    TChartOptions FOptions; // without flash and drag marks
};
