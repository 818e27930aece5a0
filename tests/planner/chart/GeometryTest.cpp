// The chart's geometry over a plain row source: no window, no core.

#include "planner/chart/ChartTestSupport.h"

namespace {

const TDateTime Monday = EncodeDate(2024, 3, 4);

class GeometryTest : public ::testing::Test
{
protected:
    TFakeSource source;
    TTimeChartGeometry geometry{source};

    void SetUp() override
    {
        source.minDate = Monday - 30;
        source.maxDate = Monday + 70;
        geometry.SetChartSize(QSize(400, 200));
        geometry.SetStartValue(Monday);
    }
    QRect Item(TNodeData &node, bool full = false)
    {
        return geometry.ScreenItemRect(node, full);
    }
};

} // namespace

TEST_F(GeometryTest, SizesFollowZoomFontAndRowSet)
{
    geometry.SetColWidthValue(3);
    geometry.SetZoomValue(25);
    EXPECT_EQ(geometry.GetTimeChartColWidth(), 1); // 25 * 3 div 100 = 0, never below 1
    EXPECT_EQ(geometry.ResizeGrabWidth(), 0);
    geometry.SetZoomValue(100);
    geometry.SetColWidthValue(8);
    EXPECT_EQ(geometry.GetTimeChartColWidth(), 8);
    EXPECT_EQ(geometry.ResizeGrabWidth(), 2);
    geometry.SetColWidthValue(40);
    EXPECT_EQ(geometry.ResizeGrabWidth(), 4);
    // Zoom plus offset is at least 1; zoom, widths and font sizes stay in their ranges.
    EXPECT_EQ(geometry._TimeChartColWidth(-500), 1);
    geometry.SetZoomValue(100000);
    EXPECT_EQ(geometry.Zoom(), 1000);
    geometry.SetZoomValue(0);
    EXPECT_EQ(geometry.Zoom(), 1);
    geometry.SetColWidthValue(1 << 30);
    EXPECT_EQ(geometry.ColWidth(), 2000);
    geometry.SetFontSizeValue(-4);
    EXPECT_EQ(geometry.FontSize(), 1);
    geometry.SetFontSizeValue(5000);
    EXPECT_EQ(geometry.FontSize(), 200);

    geometry.SetZoomValue(100);
    geometry.SetFontSizeValue(8);
    EXPECT_EQ(geometry.TimeChartFullRowHeight(0), 40);
    geometry.SetRowSetValue(rsTopMiddleBottom);
    EXPECT_EQ(geometry.TimeChartRowHeight(0), 42);
    geometry.SetRowSetValue(rsTopMiddle);
    EXPECT_EQ(geometry.TimeChartRowHeight(0), 27);
    geometry.SetRowSetValue(rsTop);
    EXPECT_EQ(geometry.TimeChartRowHeight(0), 15);
    // A height already a multiple of three still moves up to the next one.
    geometry.SetRowSetValue(rsTopMiddleBottom);
    geometry.SetFontSizeValue(10); // 13 * 4 = 52 -> 54
    EXPECT_EQ(geometry.TimeChartRowHeight(0), 54);
    geometry.SetFontSizeValue(9); // 12 * 4 = 48 -> 51
    EXPECT_EQ(geometry.TimeChartRowHeight(0), 51);
}

TEST_F(GeometryTest, DatesAndPixelsOfACollapsedChart)
{
    geometry.SetColWidthValue(8);
    EXPECT_DOUBLE_EQ(geometry.GetTimeChartEnd(), Monday + 50);
    EXPECT_DOUBLE_EQ(geometry.TimeChartXToDate(20), Monday + 2.5);
    geometry.SetChartSize(QSize(0, 0));
    // No width: still dates by the day width, never 0 / 0.
    EXPECT_DOUBLE_EQ(geometry.GetTimeChartEnd(), Monday);
    EXPECT_DOUBLE_EQ(geometry.TimeChartXToDate(16), Monday + 2);
    TNodeData task = FakeRow(tbTable, 0, Monday, Monday + 1);
    EXPECT_TRUE(Item(task).isNull());
    EXPECT_TRUE(geometry.TimeChartRect(Monday, Monday + 1, Monday, Monday, 0, 10, 100, 0, false, false).isNull());
}

TEST_F(GeometryTest, BarsArrowsAndRowsOfAllKinds)
{
    geometry.SetColWidthValue(10);
    const int rh = geometry.TimeChartRowHeight(0); // 54
    // A task: its days inclusive, the middle 80 % of its row.
    TNodeData task = FakeRow(tbTable, 1, Monday + 2, Monday + 4);
    EXPECT_EQ(Item(task), MakeRect(20, rh + 5, 50, 2 * rh - 5));
    EXPECT_EQ(Item(task, true), MakeRect(20, rh, 50, 2 * rh));
    // A task on every row covers all rows and is not shrunk.
    TNodeData all = FakeRow(tbTable, -9, Monday, Monday);
    geometry.SetTopValue(7);
    EXPECT_EQ(Item(all), MakeRect(0, -7, 10, 3 * rh - 7));
    geometry.SetTopValue(0);
    // A hidden or unknown row draws nothing.
    TNodeData hidden = FakeRow(tbTable, 5, Monday, Monday);
    EXPECT_TRUE(Item(hidden).isNull());

    // An absence of a multi-row resource: every row of its block, one pixel wider.
    source.blocks = {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}};
    TNodeData away = FakeRow(tbExclude, 0, Monday + 1, Monday + 2);
    EXPECT_EQ(Item(away), MakeRect(10, 0, 31, 3 * rh));
    // Its first row hidden: the bar starts at the first row shown, not on other rows.
    source.rowOfPosition = {-2, 0, 1};
    EXPECT_EQ(Item(away), MakeRect(10, 0, 31, 2 * rh));
    source.rowOfPosition = {-2, -2, -2};
    EXPECT_TRUE(Item(away).isNull());
    source.rowOfPosition = {0, 1, 2};
    EXPECT_EQ(geometry.GetMultipleRowSpan(tbExclude, 1), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(geometry.GetMultipleRowSpan(tbTable, 1), (std::vector<int>{1}));
    EXPECT_EQ(geometry.GetMultipleRowSpan(tbTable, -9), (std::vector<int>{0, 1, 2}));

    // Deadline arrows: the lower half of the row from the deadline to the end.
    TNodeData late = FakeRow(tbTable, 0, Monday, Monday + 5, Monday + 3);
    EXPECT_EQ(ShownArrowRect(geometry, late), MakeRect(30, rh / 2, 60, rh));
    TNodeData early = FakeRow(tbTable, 0, Monday, Monday + 2, Monday + 6);
    EXPECT_TRUE(ShownArrowRect(geometry, early).isNull());
    TNodeData onTime = FakeRow(tbTable, 0, Monday, Monday + 6, Monday + 6);
    EXPECT_TRUE(ShownArrowRect(geometry, onTime).isNull());
    source.selected = {&early, &onTime};
    // Selected, it points back from the deadline to the end.
    const QRect back = ShownArrowRect(geometry, early);
    EXPECT_EQ(back.left(), 60);
    EXPECT_EQ(RectRight(back), 30);
    EXPECT_FALSE(ShownArrowRect(geometry, onTime).isNull());
    TNodeData none = FakeRow(tbTable, 0, Monday, Monday + 2, 0);
    source.selected.insert(&none);
    EXPECT_TRUE(ShownArrowRect(geometry, none).isNull());
}

TEST_F(GeometryTest, MinuteModePlacesTimesOfDayInWorkingTime)
{
    source.unit = muMinute;
    source.weeks = {EveryDayWeek(6 * 60, 14 * 60), EveryDayWeek(8 * 60, 16 * 60), EveryDayWeek(8 * 60, 16 * 60)};
    source.minDayStart = TTimeOfDay::FromHM(6, 0);
    source.maxDayEnd = TTimeOfDay::FromHM(16, 0);
    const TDateTime six = Monday + 1 + 6 / 24.0;
    const TDateTime ten = Monday + 1 + 10 / 24.0;
    TNodeData task = FakeRow(tbTable, 1, six, ten);
    // More than 24 pixels per day: one window 06:00..16:00 for all rows; starting before its
    // row's 08:00 the bar starts at 08:00.
    geometry.SetColWidthValue(50);
    EXPECT_EQ(Item(task).left(), 50 + 10);
    EXPECT_EQ(RectRight(Item(task)), 50 + 20);
    // 24 or fewer: each row's own working day fills the column.
    geometry.SetColWidthValue(24);
    EXPECT_EQ(Item(task).left(), 24);
    EXPECT_EQ(RectRight(Item(task)), 24 + 6);
    // After the common end: clamped to it.
    TNodeData evening = FakeRow(tbTable, 0, Monday + 17 / 24.0, Monday + 18 / 24.0);
    geometry.SetColWidthValue(50);
    EXPECT_EQ(Item(evening).left(), 50); // 16:00 is the column's right edge
    // A free day whose start equals its end: the column's left edge, never a division by 0.
    tWeekInfo empty = EveryDayWeek(0, 0);
    for (TDayInfo &day : empty.day)
        day.active = false;
    source.weeks[2] = empty;
    TNodeData free = FakeRow(tbTable, 2, Monday + 2 + 0.5, Monday + 2 + 0.75);
    EXPECT_EQ(Item(free).left(), 100);
    EXPECT_EQ(geometry.ExactX(Monday + 2.5, empty, 50, Monday), 100);

    // Back from pixels: 12:00 lies in the middle of a 08:00..16:00 column.
    source.weeks = {EveryDayWeek(), EveryDayWeek(), EveryDayWeek()};
    source.minDayStart = TTimeOfDay::FromHM(8, 0);
    geometry.SetColWidthValue(48);
    const TDateTime noon = geometry.GetExactDate(48 + 24, 0);
    EXPECT_NEAR(noon, Monday + 1.5, 10.0 / 1440); // a pixel is 10 minutes here
    // The first minute at or right of x.
    EXPECT_EQ(geometry.ExactX(noon, source.weeks[0], 48, Monday), 72);
    EXPECT_LT(geometry.ExactX(noon - 1.0 / 1440, source.weeks[0], 48, Monday), 72);
    // Where no minute reaches x the walk stops after two days.
    source.weeks = {empty, empty, empty};
    const TDateTime far = geometry.GetExactDate(48 + 30, 0);
    EXPECT_GE(far, Monday + 1);
    EXPECT_LE(far, Monday + 3);
}

TEST_F(GeometryTest, ScrollingClampsToTheRangeAndWholeDays)
{
    geometry.SetColWidthValue(8); // 400 px: 50 days visible of 100
    EXPECT_EQ(geometry.HorzRange().max, 100);
    EXPECT_EQ(geometry.HorzRange().page, 50);
    EXPECT_DOUBLE_EQ(geometry.ClampStart(Monday + 10.6), Monday + 10);
    EXPECT_DOUBLE_EQ(geometry.ClampStart(Monday - 45), Monday - 30); // before FMinDate
    EXPECT_DOUBLE_EQ(geometry.ClampStart(Monday + 60), Monday + 20); // the last page
    EXPECT_DOUBLE_EQ(geometry.ClampStartDestination(Monday + 60), Monday + 20);
    EXPECT_DOUBLE_EQ(geometry.ClampStartDestination(Monday - 99), Monday - 30);
    // Rows: 3 of 54 px fit into 200.
    EXPECT_EQ(geometry.ClampTop(100), 0);
    source.rows = 10;
    EXPECT_EQ(geometry.VertRange().max, 540);
    EXPECT_EQ(geometry.VertRange().page, 200);
    EXPECT_EQ(geometry.ClampTop(1000), 340);
    EXPECT_EQ(geometry.ClampTop(-5), 0);
}

TEST_F(GeometryTest, SmoothScrollingArrivesWhereItWasSent)
{
    const auto run = [this](double days, int pixels) {
        geometry.SetStartValue(Monday);
        geometry.SetTopValue(0);
        geometry.SetDestinationValues(Monday + days, pixels);
        int ticks = 0;
        for (;;) {
            const TTimeChartGeometry::TSmoothStep step = geometry.SmoothStep();
            geometry.SetStartValue(geometry.Start() + step.days);
            geometry.SetTopValue(geometry.Top() + step.pixels);
            ++ticks;
            if (!step.again || ticks > 100)
                break;
        }
        return ticks;
    };
    // Over 2 days: one step takes it all (it used to stop one day short).
    EXPECT_EQ(run(2, 0), 1);
    EXPECT_DOUBLE_EQ(geometry.Start(), Monday + 2);
    // Halving: 10 -> 5 -> 3 -> the rest of 2.
    EXPECT_EQ(run(10, 0), 3);
    EXPECT_DOUBLE_EQ(geometry.Start(), Monday + 10);
    EXPECT_EQ(run(-7, 300), 8);
    EXPECT_DOUBLE_EQ(geometry.Start(), Monday - 7);
    EXPECT_EQ(geometry.Top(), 300);
    EXPECT_EQ(run(0, 0), 1);
}

TEST_F(GeometryTest, OverviewWindowAndRowCaptions)
{
    geometry.SetColWidthValue(8);
    geometry.SetStartValue(Monday - 30);
    // Three rows fit the chart: the window spans the strip's height; half the days show.
    EXPECT_EQ(geometry.SliderRect(1000, 30), QRect(0, 0, 500, 30));
    geometry.SetStartValue(Monday + 20);
    EXPECT_EQ(geometry.SliderRect(1000, 30), QRect(500, 0, 500, 30));
    // Twenty rows of 54 px, 200 px shown: 3.7 rows of 20.
    source.rows = 20;
    geometry.SetTopValue(540);
    const QRect window = geometry.SliderRect(1000, 40);
    EXPECT_EQ(window.top(), 20);
    EXPECT_EQ(window.height(), 8); // Ceil(40 * 3.7 / 20)

    TCanvas canvas(10, 10);
    canvas.Font().SetName(QStringLiteral("DejaVu Sans"));
    canvas.Font().SetHeight(-12);
    const int widest = canvas.TextWidth(QStringLiteral("Row 10"));
    const QRect caption = geometry.PositionRect(canvas, 0, 2, 2000, 54);
    EXPECT_EQ(caption.left(), 0);
    EXPECT_EQ(caption.width(), widest + 8);
    EXPECT_EQ(caption.top(), 2 * 54 + (54 - 12 - 4) / 2);
    EXPECT_EQ(caption.height(), 12 + 4);
    // At most a sixth of the chart's width.
    EXPECT_EQ(geometry.PositionRect(canvas, 0, 0, 120, 54).width(), 20);
}
