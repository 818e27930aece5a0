#pragma once

// The overview strip: the document's whole date range in miniature, one thin row per chart
// row, with the part the chart shows marked as a tinted, framed window. When there are more
// rows than the strip has pixels, several rows share a pixel row.

#include <QRect>

#include "chart/ChartModel.h"
#include "chart/ChartTypes.h"

class TCanvas;
class TTimeChartGeometry;

class TOverviewPainter
{
public:
    TOverviewPainter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options,
                     TChartPaintStats *stats = nullptr);

    // The strip over a canvas of width x height; `now` 0 = the clock.
    void Paint(TCanvas &canvas, int width, int height, TDateTime now = 0) const;
    // Its two parts: the rows and bars, and the window over them. With an `area` only that part
    // of the rows and bars is drawn, as a whole strip draws it there; the rest stays.
    void PaintStrip(TCanvas &canvas, int width, int height, TDateTime now = 0, const QRect &area = QRect()) const;
    void PaintWindow(TCanvas &canvas, int width, int height) const;

    // Rows drawn into one band picture before it is pressed into the strip.
    static constexpr int ScaledBandRows = 1024;

private:
    void PaintScaled(TChartPaintParams p, int rows, const QRect &area) const;

    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    const TChartOptions &FOptions;
    TChartPaintStats *FStats;
};
