#pragma once

// The chart of any date range as one self-contained picture on any canvas: the optional logo at
// the top left, the three caption bands, the chart with its bars and the row captions. Saved
// pictures and printed pages are drawn with it; it never touches the bar picture cache and does
// not depend on the screen.

#include <QImage>
#include <QString>

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
    static constexpr const char *LogoFileName = "Logo.jpg";
    // A logo beyond these is skipped: it is drawn into a box of a caption column's size.
    static constexpr int MaxLogoSide = 8192;
    static constexpr qint64 MaxLogoPixels = 16'000'000;

    TChartPicture(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options);

    void DrawBitmap(const TChartPictureParams &p) const;
    // The height of the caption bands above the rows.
    int CaptionHeight(int zoomOffset) const;

    // The logo "Logo.jpg" where the program looks for its files; a null image when there is
    // none or it is damaged, empty or huge. Read again only when the file changed.
    static QImage Logo();
    // Where a logo of that size is drawn inside a box, keeping its proportions: the full
    // width centred vertically, or the full height centred horizontally.
    static QRect FitLogo(QSize logo, const QRect &box);

    // Where the last DrawBitmap put the logo and the chart part (for tests and callers that
    // lay out around them); the logo's rectangle is empty when none was drawn.
    QRect LastLogoRect() const { return FLastLogo; }
    QRect LastChartRect() const { return FLastChart; }

private:
    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    const TChartOptions &FOptions;
    mutable QRect FLastLogo;
    mutable QRect FLastChart;
};
