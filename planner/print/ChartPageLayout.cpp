#include "print/ChartPageLayout.h"

#include <algorithm>
#include <cmath>

bool TChartPageLayout::ValidRequest(int days, int pages)
{
    return days >= 1 && days <= MaxDays && pages >= 1 && pages <= MaxPages;
}

int TChartPageLayout::DaysPerPage(int days, int pages)
{
    if (!ValidRequest(days, pages))
        return 0;
    return std::max(1, days / pages);
}

std::vector<TChartPageRange> TChartPageLayout::PageRanges(TDateTime start, int days, int pages)
{
    std::vector<TChartPageRange> ranges;
    const int perPage = DaysPerPage(days, pages);
    if (perPage <= 0)
        return ranges;
    const int count = std::min(pages, days / perPage);
    ranges.reserve(std::size_t(count));
    for (int page = 0; page < count; ++page) {
        const TDateTime from = start + double(page) * perPage;
        const TDateTime to = page == count - 1 ? start + days : from + perPage;
        ranges.push_back({from, to});
    }
    return ranges;
}

namespace {

bool Fits(const TChartExtent &extent, QSize area)
{
    return extent.width <= area.width() && extent.height <= area.height();
}

} // namespace

TChartFit TChartPageLayout::FitChart(const std::function<TChartExtent(int step)> &extentAt, QSize area, int maxStep)
{
    TChartFit fit;
    fit.extent = extentAt(0);
    if (area.width() <= 0 || area.height() <= 0 || fit.extent.width <= 0 || fit.extent.height <= 0) {
        fit.scale = 0;
        return fit;
    }
    const auto scaleToArea = [&] {
        return std::min(double(area.width()) / double(fit.extent.width),
                        double(area.height()) / double(fit.extent.height));
    };
    if (Fits(fit.extent, area)) {
        // Sizes only grow with the step; the search ends at the last step the zoom allows.
        bool limited = true;
        while (fit.step < maxStep) {
            const TChartExtent next = extentAt(fit.step + 1);
            if (!Fits(next, area)) {
                limited = false;
                break;
            }
            ++fit.step;
            fit.extent = next;
        }
        // At the zoom's limit there may still be room: the drawing is enlarged to fill it.
        if (limited)
            fit.scale = std::max(1.0, scaleToArea());
    } else {
        fit.scale = scaleToArea();
    }
    const int width = std::clamp(int(std::floor(double(fit.extent.width) * fit.scale)), 1, area.width());
    const int height = std::clamp(int(std::floor(double(fit.extent.height) * fit.scale)), 1, area.height());
    fit.rect = QRect((area.width() - width) / 2, (area.height() - height) / 2, width, height);
    return fit;
}
