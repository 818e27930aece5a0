// The date bands above the chart and the overview.

#include "planner/chart/ChartTestSupport.h"

#include "chart/CaptionPainter.h"

namespace {

class CaptionTest : public ::testing::Test
{
protected:
    TFakeSource source;
    TTimeChartGeometry geometry{source};
    TCanvas canvas{700, 60};

    void SetUp() override
    {
        geometry.SetFontNameValue(QStringLiteral("DejaVu Sans"));
        canvas.Image()->fill(Qt::black);
    }
    TCaptionPaint Paint(TDateTime start, double pixelsPerDay, int width = 700)
    {
        TCaptionPaint paint;
        paint.canvas = &canvas;
        paint.width = width;
        paint.rangeStart = start;
        paint.rangeEnd = start + width / pixelsPerDay;
        return paint;
    }
    int BandHeight() const { return geometry.TimeChartFullRowHeight(0) / 3; }
    // The tick of a label at x in a band.
    bool TickAt(int x, int band) { return canvas.Pixel(x, band * BandHeight() + BandHeight() / 2) == 0x706449; }
    // Text ink (white labels) between two x in a band.
    int Ink(int from, int to, int band)
    {
        int ink = 0;
        for (int y = band * BandHeight() + 2; y < (band + 1) * BandHeight() - 2; ++y)
            for (int x = std::max(0, from); x < std::min(to, canvas.Width()); ++x)
                ink += (canvas.Pixel(x, y) & 0xFF) > 0xD0;
        return ink;
    }
};

} // namespace

TEST_F(CaptionTest, LabelsFromTheirFormat)
{
    const TDateTime date = EncodeDate(2024, 3, 5); // a Tuesday of ISO week 10
    EXPECT_EQ(TCaptionPainter::FormatLabel({QStringLiteral("%mmm"), QStringLiteral("%yy")}, date),
              QStringLiteral(" March 24"));
    EXPECT_EQ(TCaptionPainter::FormatLabel({QStringLiteral("cw"), QStringLiteral("%w")}, date),
              QStringLiteral(" cw 10"));
    EXPECT_EQ(TCaptionPainter::FormatLabel({QStringLiteral("%m"), QStringLiteral("%mm"), QStringLiteral("%d"),
                                            QStringLiteral("%d+"), QStringLiteral("%dd"), QStringLiteral("%ddd"),
                                            QStringLiteral("%yyyy")},
                                           date),
              QStringLiteral(" 3 Mar 5 5 Tue Tuesday 2024"));
    EXPECT_EQ(TCaptionPainter::FormatLabel({QStringLiteral("%yy")}, EncodeDate(2007, 1, 1)), QStringLiteral(" 07"));
    EXPECT_DOUBLE_EQ(TCaptionPainter::FirstLabelDate(clWeek, date + 0.7), EncodeDate(2024, 3, 4));
    EXPECT_DOUBLE_EQ(TCaptionPainter::FirstLabelDate(clMonth, date), EncodeDate(2024, 3, 1));
    EXPECT_DOUBLE_EQ(TCaptionPainter::FirstLabelDate(clYear, date), EncodeDate(2024, 1, 1));
    EXPECT_DOUBLE_EQ(TCaptionPainter::NextLabelDate(clMonth, EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
    // The calendar's last month and year end with it.
    EXPECT_DOUBLE_EQ(TCaptionPainter::NextLabelDate(clMonth, EncodeDate(9999, 11, 1)), EncodeDate(9999, 12, 1));
    EXPECT_DOUBLE_EQ(TCaptionPainter::NextLabelDate(clMonth, EncodeDate(9999, 12, 1)), EncodeDate(9999, 12, 31) + 1);
    EXPECT_DOUBLE_EQ(TCaptionPainter::NextLabelDate(clYear, EncodeDate(9999, 1, 1)), EncodeDate(9999, 12, 31) + 1);
}

TEST_F(CaptionTest, DayBandShowsWeeksUpTo24PixelsAndDaysFrom25)
{
    EXPECT_EQ(TCaptionPainter::ChartBand(2, 24).unit, clWeek);
    EXPECT_EQ(TCaptionPainter::ChartBand(2, 25).unit, clDay);
    const TDateTime monday = EncodeDate(2024, 3, 4);
    const TCaptionPainter painter(geometry);
    painter.DrawCaption(Paint(monday, 24), TCaptionPainter::ChartBand(2, 24));
    EXPECT_TRUE(TickAt(7 * 24, 2));   // the next Monday
    EXPECT_FALSE(TickAt(1 * 24, 2));  // no tick on Tuesday
    canvas.Image()->fill(Qt::black);
    painter.DrawCaption(Paint(monday, 25), TCaptionPainter::ChartBand(2, 25));
    EXPECT_TRUE(TickAt(1 * 25, 2));
    EXPECT_TRUE(TickAt(2 * 25, 2));
    // Wide days carry their weekday's name beside the number.
    canvas.Image()->fill(Qt::black);
    painter.DrawCaption(Paint(monday, 100), TCaptionPainter::ChartBand(2, 100));
    EXPECT_GT(Ink(130, 200, 2), 20);
    // The bands are filled and closed by a white line.
    EXPECT_EQ(canvas.Pixel(50, 2 * BandHeight() + 1), TColor(0x978662));
    EXPECT_EQ(canvas.Pixel(50, 3 * BandHeight() - 1), clWhite);
}

TEST_F(CaptionTest, NarrowUnitsShareTheirLabel)
{
    const TDateTime first = EncodeDate(2024, 1, 1);
    // One pixel per day: a month label needs about 80 pixels, so months go by in steps.
    canvas.Font().SetName(geometry.FontName());
    canvas.Font().SetSize(geometry._TimeChartFontSize(0, 0));
    const int label = canvas.TextWidth(QStringLiteral(" January 24")) + 1;
    ASSERT_GT(label, 60);
    ASSERT_LT(label, 91);
    TCaptionPainter(geometry).DrawCaption(Paint(first, 1.0), TCaptionPainter::ChartBand(0, 1));
    EXPECT_TRUE(TickAt(0, 0));
    EXPECT_FALSE(TickAt(31, 0));  // February shares January's label
    EXPECT_FALSE(TickAt(60, 0));  // March too
    EXPECT_TRUE(TickAt(91, 0));   // April is the first month a label width further
}

TEST_F(CaptionTest, ALabelOfAMonthBegunEarlierStaysAtTheLeftEdge)
{
    const TCaptionPainter painter(geometry);
    // 10 px per day from 20 March: March's label starts at the left edge.
    painter.DrawCaption(Paint(EncodeDate(2024, 3, 20), 10.0), TCaptionPainter::ChartBand(0, 10));
    EXPECT_GT(Ink(0, 30, 0), 10);
    EXPECT_TRUE(TickAt(120, 0)); // 1 April
    // From 31 March its end pushes it out: only its tail shows left of April's tick.
    canvas.Image()->fill(Qt::black);
    painter.DrawCaption(Paint(EncodeDate(2024, 3, 31), 10.0), TCaptionPainter::ChartBand(0, 10));
    EXPECT_TRUE(TickAt(10, 0));
    EXPECT_GT(Ink(10, 60, 0), 10);
}

TEST_F(CaptionTest, NothingToDrawWithoutWidthOrTime)
{
    const QImage before = *canvas.Image();
    const TCaptionPainter painter(geometry);
    painter.DrawCaption(Paint(EncodeDate(2024, 3, 1), 10.0, 0), TCaptionPainter::ChartBand(0, 10));
    TCaptionPaint none = Paint(EncodeDate(2024, 3, 1), 10.0);
    none.rangeEnd = none.rangeStart;
    painter.DrawCaption(none, TCaptionPainter::ChartBand(0, 10));
    EXPECT_EQ(*canvas.Image(), before);
    // The overview's one band fills the height it is given.
    TCaptionPaint strip = Paint(EncodeDate(2024, 1, 1), 2.0);
    strip.fixedHeight = 17;
    painter.DrawCaption(strip, TCaptionPainter::OverviewBand());
    EXPECT_EQ(canvas.Pixel(100, 5), clWhite);
    EXPECT_EQ(canvas.Pixel(100, 30), clBlack);
    int ticks = 0;
    for (int x = 0; x < 700; ++x)
        ticks += canvas.Pixel(x, 8) == TColor(0xF0E4CC);
    EXPECT_GE(ticks, 3); // a few months apart over a year
}
