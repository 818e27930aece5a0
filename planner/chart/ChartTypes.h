#pragma once

// Values shared by the chart's geometry, painters and view: the bar text layouts, the caption
// units, the fixed chart colours, and the parameters of one paint.

#include <QString>

#include "Color.h"
#include "DateTime.h"

class TCanvas;

// How many text rows a bar shows: three, two or one. Stored per group tab as a number.
enum TRowSet { rsTopMiddleBottom = 0, rsTopMiddle = 1, rsTop = 2 };

inline TRowSet RowSetOf(int value)
{
    return value == rsTopMiddle ? rsTopMiddle : value == rsTop ? rsTop : rsTopMiddleBottom;
}

// The label unit of a caption band.
enum TCaptionLabel { clYear, clMonth, clWeek, clDay, clHour, clMinute };

// The chart's fixed colours ($BBGGRR).
namespace ChartColor {
inline constexpr TColor Background = 0xFFFFFF;
inline constexpr TColor WorkShade = 0xF0E4CC;   // non-working time in minute mode
inline constexpr TColor FreeDay = 0xF0E4CC;     // free days, holidays, uncoloured bars
inline constexpr TColor Grid = 0xE0CB92;        // grid lines, free-day borders, row lines
inline constexpr TColor CaptionText = 0x000000; // row captions, text under the rows
inline constexpr TColor NowMarker = 0x7362D6;
inline constexpr TColor MonthDivider = 0x706449;
inline constexpr TColor ArrowOverdue = 0xC0C0C0;
inline constexpr TColor ArrowSlack = 0x11CCFF;
inline constexpr TColor UnknownBar = 0x808080;  // a bar whose colour cannot be found
inline constexpr TColor Overlapping = 0x0000FF;
inline constexpr TColor NotOverlapping = 0xC0C0C0;
inline constexpr TColor SliderTint = 0x978662;
inline constexpr TColor SliderFrame = 0x706449;
inline constexpr TColor SampleBack = 0x008000;
} // namespace ChartColor

// Where a paint goes: the chart panel (bars come from their picture cache), the overview strip,
// or anything else (a picture, a printed page: no cache, no blending).
enum class TChartTarget { Chart, Overview, Other };

// One paint of a date range onto a canvas. The same parameters lay out the screen, the overview,
// pictures and printed pages.
struct TChartPaintParams
{
    TCanvas *canvas = nullptr;
    bool small = false;           // the overview: bars without texts and palette colours
    TDateTime rangeStart = 0;
    TDateTime rangeEnd = 0;
    int topOffset = 0;            // pixels of the rows scrolled off the top
    int width = 0;                // pixels the range spans
    int offsetX = 0;              // where the chart's origin lies on the canvas
    int offsetY = 0;
    bool showNow = true;
    TDateTime now = 0;            // the current time for the marker; 0 = the clock
    int zoomOffset = 0;           // added to the zoom (printing at another zoom)
    int resolution = 0;           // pixels per inch of the target; 0 = the screen's
    bool screen = true;           // a window, not a picture or printout
    int smallHeight = 0;          // the overview's height (small mode)
    TChartTarget target = TChartTarget::Other;
    // Where bar pictures are rendered before they are kept (reused between bars); without
    // one each picture gets a canvas of its own.
    TCanvas *scratch = nullptr;
};

// The view options the painters read; the chart commands change them.
struct TChartOptions
{
    bool drawFullText = false;          // texts continue beyond their bar
    bool linesBetweenResources = false;
    bool linesBetweenMultiRows = false;
    int transparency = 50;              // percent, of rows filtered out of the table
    int flashPhase = 0;                 // 0..6, the selection flash
    bool movingItem = false;            // a bar is being dragged: show its date box
    // Counts the changes of the look of every bar (font, rows, scale): a bar picture rendered
    // under another count is rendered anew, without a walk over the rows to mark them.
    quint32 barLook = 0;
};

// What a paint did, for tests and measurements.
struct TChartPaintStats
{
    int barsRendered = 0; // bar pictures rendered anew
    int barsDrawn = 0;    // bars put on the canvas
};
