// The clamps and steps of scrolling and the overview's window; the chart view applies them.

#include "chart/TimeChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int ClampInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ClampInt(double value)
{
    if (std::isnan(value))
        return 0;
    return ClampInt(Round(std::clamp(value, -2e9, 2e9)));
}

// Ceil(|distance| / 2) with the distance's sign; 0 counts as positive.
int HalfStep(int distance)
{
    const int size = int((std::abs(qint64(distance)) + 1) / 2);
    return distance < 0 ? -size : size;
}

} // namespace

TTimeChartGeometry::TScrollRange TTimeChartGeometry::HorzRange() const
{
    TScrollRange range;
    range.max = ClampInt(FSource.MaxDate() - FSource.MinDate());
    range.pos = ClampInt(FStartDestination - FSource.MinDate());
    range.page = ClampInt(GetTimeChartEnd() - FTimeChartStart);
    return range;
}

TTimeChartGeometry::TScrollRange TTimeChartGeometry::VertRange() const
{
    TScrollRange range;
    range.max = ClampInt(RowsHeight(0));
    range.pos = FTopDestination;
    range.page = std::min(range.max, ChartHeight());
    return range;
}

TDateTime TTimeChartGeometry::ClampStart(TDateTime date) const
{
    const TScrollRange range = HorzRange();
    TDateTime s = std::min(date, FSource.MinDate() + range.max - range.page);
    s = std::max(s, FSource.MinDate());
    return Trunc(s);
}

int TTimeChartGeometry::ClampTop(int top) const
{
    const TScrollRange range = VertRange();
    return std::clamp(top, 0, std::max(0, range.max - range.page));
}

TDateTime TTimeChartGeometry::ClampStartDestination(TDateTime date) const
{
    TDateTime d = std::min(date, FSource.MaxDate() - VisibleDays());
    return std::max(d, FSource.MinDate());
}

TTimeChartGeometry::TSmoothStep TTimeChartGeometry::SmoothStep() const
{
    const int days = ClampInt(FStartDestination - FTimeChartStart);
    const int pixels = ClampInt(qint64(FTopDestination) - FTimeChartTop);
    TSmoothStep step;
    step.days = HalfStep(days);
    step.pixels = HalfStep(pixels);
    step.again = std::abs(step.days) >= 2 || std::abs(step.pixels) >= 2;
    if (!step.again) {
        // The last step takes the rest, so the scroll arrives where it was sent.
        step.days = days;
        step.pixels = pixels;
    }
    return step;
}

int TTimeChartGeometry::SliderTrueHeight(int stripHeight) const
{
    const int rows = FSource.RowCount();
    const double visibleRows = double(ChartHeight()) / TimeChartRowHeight(0);
    if (rows > visibleRows && rows > 0)
        return ClampInt(std::ceil(stripHeight * visibleRows / rows));
    return stripHeight;
}

QRect TTimeChartGeometry::SliderRect(int stripWidth, int stripHeight) const
{
    int top = 0;
    int height = SliderTrueHeight(stripHeight);
    if (height < stripHeight) {
        const int rows = FSource.RowCount();
        top = ClampInt(double(stripHeight) / (double(TimeChartRowHeight(0)) * rows) * FTimeChartTop);
        // Many rows would make the window a line too thin to see or grab: it keeps a height
        // of its own and runs over the same strip.
        const int least = std::min(MinSliderHeight, stripHeight);
        if (height < least) {
            top = ClampInt(double(top) * (stripHeight - least) / (stripHeight - height));
            top = std::clamp(top, 0, stripHeight - least);
            height = least;
        }
    }
    int left = 0;
    int width = stripWidth;
    const double total = FSource.MaxDate() - FSource.MinDate();
    const double visible = VisibleDays();
    if (total > visible && total > 0) {
        width = ClampInt(std::ceil(visible * stripWidth / total));
        left = ClampInt((FTimeChartStart - FSource.MinDate()) * stripWidth / total);
    }
    return QRect(left, top, width, height);
}

qint64 TTimeChartGeometry::ChartTopForSlider(int sliderTop, int stripHeight) const
{
    if (stripHeight <= 0)
        return 0;
    const int height = SliderTrueHeight(stripHeight);
    const int least = std::min(MinSliderHeight, stripHeight);
    double top = sliderTop;
    if (height < least)
        top = top * (stripHeight - height) / (stripHeight - least);
    return qint64(std::floor(double(RowsHeight(0)) * top / stripHeight));
}
