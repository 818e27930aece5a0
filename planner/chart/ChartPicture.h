#pragma once

// The chart of any date range as one self-contained picture on any canvas: the three caption
// bands, the chart with its bars and the row captions. Saved pictures and printed pages are
// drawn with it; it never touches the bar picture cache and does not depend on the screen.

#include "chart/ChartTypes.h"

class IChartModel;
class TCanvas;
class TTimeChartGeometry;

// One picture: where it goes and what it shows.
struct TChartPictureParams
{
    TCanvas *canvas = nullptr;
    TDateTime rangeStart = 0;
    TDateTime rangeEnd = 0;
    int width = 0;  // pixels of the picture
    int height = 0;
    int left = 0;   // where it lies on the canvas
    int top = 0;
    bool showNow = false;
    TDateTime now = 0;  // the time the marker shows; 0 = the clock
    int zoomOffset = 0; // added to the zoom
    int resolution = 0; // pixels per inch the fonts are sized for; 0 = the screen's
};

class TChartPicture
{
public:
    TChartPicture(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options);

    void DrawBitmap(const TChartPictureParams &p) const;
    // The height of the caption bands above the rows.
    int CaptionHeight(int zoomOffset) const;

private:
    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    const TChartOptions &FOptions;
};
