#pragma once

// The date labels above the chart (months and years, calendar weeks, days or weeks) and above
// the overview strip. One routine draws every band, for the screen, pictures and paper.

#include <QStringList>

#include "chart/ChartTypes.h"

class TCanvas;
class TTimeChartGeometry;

// One band: its row, colours, label unit and label format ("%m", "%mm", "%mmm", "%d", "%d+",
// "%dd", "%ddd", "%yy", "%yyyy", "%w"; anything else is copied).
struct TCaptionBand
{
    int index = 0;
    TColor tick = 0;
    TColor text = 0;
    TColor band = 0;
    TCaptionLabel unit = clMonth;
    QStringList format;
};

// Where and over what range the bands are drawn.
struct TCaptionPaint
{
    TCanvas *canvas = nullptr;
    bool screen = true;
    int resolution = 0;
    int zoomOffset = 0;
    int offsetX = 0;
    int offsetY = 0;
    int width = 0;
    TDateTime rangeStart = 0;
    TDateTime rangeEnd = 0;
    int fixedHeight = 0; // the overview's caption: one band filling this height
};

class TCaptionPainter
{
public:
    explicit TCaptionPainter(const TTimeChartGeometry &geometry);

    void DrawCaption(const TCaptionPaint &paint, const TCaptionBand &band) const;
    // The three bands of the chart's caption.
    void DrawChartCaption(const TCaptionPaint &paint) const;
    // The height of one band of the chart's caption.
    int BandHeight(int zoomOffset) const;

    // A band of the chart's caption for a day width; the overview's band.
    static TCaptionBand ChartBand(int index, int dayWidth);
    static TCaptionBand OverviewBand();
    // The label of a date: each item's text after a blank.
    static QString FormatLabel(const QStringList &format, TDateTime date);
    // The first label date of a unit at or before a date, and the next one.
    static TDateTime FirstLabelDate(TCaptionLabel unit, TDateTime date);
    static TDateTime NextLabelDate(TCaptionLabel unit, TDateTime date);

private:
    const TTimeChartGeometry &FGeometry;
};
