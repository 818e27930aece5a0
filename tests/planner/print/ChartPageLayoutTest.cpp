#include <gtest/gtest.h>

#include "DateTime.h"
#include "print/ChartPageLayout.h"

namespace {

const TDateTime Start = EncodeDate(2026, 3, 2);

std::vector<TChartPageRange> Ranges(std::initializer_list<std::pair<int, int>> days)
{
    std::vector<TChartPageRange> ranges;
    for (auto [from, to] : days)
        ranges.push_back({Start + from, Start + to});
    return ranges;
}

} // namespace

TEST(ChartPageLayoutTest, DaysAreSplitOverThePagesAndEveryDayIsPrinted)
{
    // 10 days on 2 pages: two pages of five days.
    EXPECT_EQ(TChartPageLayout::DaysPerPage(10, 2), 5);
    EXPECT_EQ(TChartPageLayout::PageRanges(Start, 10, 2), Ranges({{0, 5}, {5, 10}}));
    // The last page takes what the division leaves over.
    EXPECT_EQ(TChartPageLayout::PageRanges(Start, 10, 3), Ranges({{0, 3}, {3, 6}, {6, 10}}));
    EXPECT_EQ(TChartPageLayout::PageRanges(Start, 10, 4), Ranges({{0, 2}, {2, 4}, {4, 6}, {6, 10}}));
    EXPECT_EQ(TChartPageLayout::PageRanges(Start, 1, 1), Ranges({{0, 1}}));
    // 3 days on 5 pages: a day per page, three pages, and the split ends.
    EXPECT_EQ(TChartPageLayout::DaysPerPage(3, 5), 1);
    EXPECT_EQ(TChartPageLayout::PageRanges(Start, 3, 5), Ranges({{0, 1}, {1, 2}, {2, 3}}));
    // The largest request.
    const auto most = TChartPageLayout::PageRanges(Start, TChartPageLayout::MaxDays, TChartPageLayout::MaxPages);
    ASSERT_EQ(most.size(), std::size_t(TChartPageLayout::MaxPages));
    EXPECT_EQ(most.back().end, Start + TChartPageLayout::MaxDays);
}

TEST(ChartPageLayoutTest, RequestsOutsideTheLimitsPrintNothing)
{
    for (auto [days, pages] : {std::pair{0, 1}, {-3, 2}, {10001, 1}, {10, 0}, {10, 21}}) {
        EXPECT_FALSE(TChartPageLayout::ValidRequest(days, pages)) << days << " " << pages;
        EXPECT_EQ(TChartPageLayout::DaysPerPage(days, pages), 0);
        EXPECT_TRUE(TChartPageLayout::PageRanges(Start, days, pages).empty());
    }
    EXPECT_TRUE(TChartPageLayout::ValidRequest(1, 20));
    EXPECT_TRUE(TChartPageLayout::ValidRequest(10000, 1));
}

TEST(ChartPageLayoutTest, TheLargestStepThatFitsIsTakenAndCentred)
{
    // 100 x 50 pixels at step 0, 10 x 5 more per step: step 20 is 300 x 150.
    int calls = 0;
    auto grow = [&calls](int step) {
        ++calls;
        return TChartExtent{100 + 10 * qint64(step), 50 + 5 * qint64(step)};
    };
    TChartFit fit = TChartPageLayout::FitChart(grow, QSize(305, 400), 900);
    EXPECT_EQ(fit.step, 20);
    EXPECT_EQ(fit.scale, 1.0);
    EXPECT_EQ(fit.extent.width, 300);
    EXPECT_EQ(fit.rect, QRect(2, 125, 300, 150));
    // The height limits it just as well; exactly as high still fits.
    fit = TChartPageLayout::FitChart(grow, QSize(1000, 100), 900);
    EXPECT_EQ(fit.step, 10);
    EXPECT_EQ(fit.rect, QRect(400, 0, 200, 100));
    // A zoom at its limit: the search ends at the last step it allows, and the drawing is
    // enlarged to fill the room that is left (470 x 235 -> 940 x 470).
    calls = 0;
    fit = TChartPageLayout::FitChart(grow, QSize(1000, 470), 37);
    EXPECT_EQ(fit.step, 37);
    EXPECT_LE(calls, 39);
    EXPECT_DOUBLE_EQ(fit.scale, 2.0);
    EXPECT_EQ(fit.extent.width, 470);
    EXPECT_EQ(fit.rect, QRect(30, 0, 940, 470));
    // A chart that never grows does not keep the search going either.
    fit = TChartPageLayout::FitChart([](int) { return TChartExtent{10, 10}; }, QSize(500, 500), 900);
    EXPECT_EQ(fit.step, 900);
    EXPECT_EQ(fit.rect, QRect(0, 0, 500, 500));
}

TEST(ChartPageLayoutTest, AChartTooBigAtTheFirstStepIsShrunk)
{
    const TChartFit fit = TChartPageLayout::FitChart([](int step) { return TChartExtent{2000 + step, 500 + step}; },
                                                     QSize(1000, 1000), 900);
    EXPECT_EQ(fit.step, 0);
    EXPECT_DOUBLE_EQ(fit.scale, 0.5);
    EXPECT_EQ(fit.extent.width, 2000);
    EXPECT_EQ(fit.rect, QRect(0, 375, 1000, 250));
    // Far too big in both directions: the tighter side decides.
    const TChartFit tall = TChartPageLayout::FitChart([](int) { return TChartExtent{800, 40000}; }, QSize(1000, 1000), 5);
    EXPECT_DOUBLE_EQ(tall.scale, 0.025);
    EXPECT_EQ(tall.rect, QRect(490, 0, 20, 1000));
    // No room at all: nothing to draw.
    EXPECT_EQ(TChartPageLayout::FitChart([](int) { return TChartExtent{10, 10}; }, QSize(0, 100), 5).scale, 0.0);
}
