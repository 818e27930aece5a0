// The chart's layers on offscreen pictures, over a real document.

#include "planner/chart/ChartTestSupport.h"

#include "HelperDrawing.h"
#include "chart/OverviewPainter.h"

namespace {

const TDateTime Monday = EncodeDate(2024, 3, 4);

class ChartPaintTest : public ChartCoreTest
{
protected:
    void SetUp() override
    {
        ChartCoreTest::SetUp();
        SetPositions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    }
    // Paints the chart over a fresh picture of the chart's size.
    std::unique_ptr<TCanvas> Draw(TDateTime now = 0)
    {
        auto canvas = std::make_unique<TCanvas>(geometry->ChartWidth(), geometry->ChartHeight());
        canvas->Image()->fill(QColor(0x12, 0x34, 0x56));
        TChartPaintParams p = ScreenParams(*canvas);
        p.showNow = now != 0;
        p.now = now;
        Paint(p);
        return canvas;
    }
    // Adds a column connected to the deadline.
    void AddDeadlineColumn()
    {
        const int column = core->GetTableColCount(tbTable);
        core->SetTableColCount(tbTable, column + 1);
        core->SetColumnType(tbTable, column, ctDate);
        core->SetConnection(tbTable, cnTermin, column);
    }
};

} // namespace

TEST_F(ChartPaintTest, GridFollowsThePixelsPerDay)
{
    // 7 pixels per day: a line at every day.
    Show(Monday, 7, 700, 200);
    auto canvas = Draw();
    EXPECT_EQ(canvas->Pixel(7, 20), ChartColor::Grid);
    EXPECT_EQ(canvas->Pixel(14, 20), ChartColor::Grid);
    EXPECT_EQ(canvas->Pixel(10, 20), ChartColor::Background);
    // 3 pixels per day: Sundays only (the 10th of March is one).
    Show(Monday, 3, 700, 200);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(3, 20), ChartColor::Background);
    EXPECT_EQ(canvas->Pixel(18, 20), ChartColor::Grid);
    EXPECT_EQ(canvas->Pixel(39, 20), ChartColor::Grid);
    // 2 pixels per day (14 < 15): months only, where the month divider lies too.
    Show(Monday, 2, 700, 200);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(12, 20), ChartColor::Background);
    EXPECT_EQ(canvas->Pixel(56, 20), ChartColor::MonthDivider); // 1 April
    EXPECT_EQ(canvas->Pixel(57, 20), ChartColor::MonthDivider);
    EXPECT_EQ(canvas->Pixel(58, 20), ChartColor::Background);
    // Below the rows the chart leaves the canvas alone.
    EXPECT_EQ(canvas->Pixel(10, 3 * geometry->TimeChartRowHeight(0) + 5), RGBToColor(0x12, 0x34, 0x56));
}

TEST_F(ChartPaintTest, WorkingTimeShadedOnlyAbove24PixelsInMinuteMode)
{
    tWeekInfo early = EveryDayWeek(6 * 60, 14 * 60);
    tWeekInfo late = EveryDayWeek(8 * 60, 16 * 60);
    for (TDayInfo &day : late.day)
        day.pause[0] = {TTimeOfDay::FromHM(12, 0), 60};
    SetPositionEntries({CommaTextOf({QStringLiteral("A"), WeekInfo2String(early)}),
                        CommaTextOf({QStringLiteral("B"), WeekInfo2String(late)})});
    const int rh = geometry->TimeChartRowHeight(0);
    const int rowB = rh + rh / 2;
    // Day mode: never, at any width.
    Show(Monday, 50, 500, 200);
    auto canvas = Draw();
    EXPECT_EQ(canvas->Pixel(52, rowB), ChartColor::Background);

    core->SetMinUnit(muMinute);
    // 25 pixels per day: B's column is shaded before 08:00 (2 of 10 common hours = 5 px).
    Show(Monday, 25, 500, 200);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(27, rowB), ChartColor::WorkShade);
    EXPECT_EQ(canvas->Pixel(31, rowB), ChartColor::Background);
    EXPECT_EQ(canvas->Pixel(27, rh / 2), ChartColor::Background); // A starts at 06:00
    EXPECT_EQ(canvas->Pixel(48, rh / 2), ChartColor::WorkShade);   // A ends at 14:00
    // B's pause 12:00..13:00 at 50 pixels per day: x 30..35 of the column.
    Show(Monday, 50, 500, 200);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(50 + 32, rowB), ChartColor::WorkShade);
    EXPECT_EQ(canvas->Pixel(50 + 37, rowB), ChartColor::Background);
    // 24 pixels per day: no shading.
    Show(Monday, 24, 500, 200);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(26, rowB), ChartColor::Background);
}

TEST_F(ChartPaintTest, CurrentTimeMarkerCoversTheDayBelow24Pixels)
{
    const TDateTime noon = Monday + 2.5;
    const TColor marked = ChartColor::Background & ChartColor::NowMarker; // pen AND screen
    Show(Monday, 23, 500, 200);
    auto canvas = Draw(noon);
    EXPECT_EQ(canvas->Pixel(2 * 23 + 3, 20), marked);
    EXPECT_EQ(canvas->Pixel(2 * 23 + 20, 150), marked);
    EXPECT_EQ(canvas->Pixel(3 * 23 + 3, 20), ChartColor::Background);
    // From 24 pixels: a tenth of a day from now.
    Show(Monday, 24, 500, 200);
    canvas = Draw(noon);
    EXPECT_EQ(canvas->Pixel(2 * 24 + 3, 20), ChartColor::Background);
    EXPECT_EQ(canvas->Pixel(2 * 24 + 13, 20), marked);
    EXPECT_EQ(canvas->Pixel(2 * 24 + 16, 20), ChartColor::Background);
}

TEST_F(ChartPaintTest, FreeDaysHolidaysDividersAndRowLines)
{
    SetPositionEntries({CommaTextOf({QStringLiteral("A"), WeekInfo2String(DefaultWeekInfo())}),
                        CommaTextOf({QStringLiteral("M"), WeekInfo2String(DefaultWeekInfo()), QStringLiteral("3")})});
    core->AddHoliday(QStringLiteral("Spring day"), 6, 3, true, false);
    core->SetTimeChartBounds(Monday - 10, Monday + 60);
    core->updateAutoEntries();
    ASSERT_EQ(model->RowCount(), 4);
    ASSERT_TRUE(model->IsMultiRow(2));
    const int rh = geometry->TimeChartRowHeight(0);
    Show(Monday, 20, 400, 300);
    auto canvas = Draw();
    // Saturday (5 days after Monday) is free: filled, with its borders.
    EXPECT_EQ(canvas->Pixel(5 * 20 + 10, 10), ChartColor::FreeDay);
    EXPECT_EQ(canvas->Pixel(5 * 20, 10), ChartColor::Grid);
    EXPECT_EQ(canvas->Pixel(4 * 20 + 10, 10), ChartColor::Background);
    // The holiday on Wednesday covers every row and carries its name in darker ink.
    EXPECT_EQ(canvas->Pixel(2 * 20 + 1, 3 * rh + 10), ChartColor::FreeDay);
    int ink = 0;
    for (int y = 0; y < 4 * rh; ++y)
        for (int x = 2 * 20 + 1; x < 3 * 20; ++x)
            ink += canvas->Pixel(x, y) == FlashColor(ChartColor::Grid, -50);
    EXPECT_GT(ink, 0);
    // No row lines by default.
    EXPECT_EQ(canvas->Pixel(10, rh), ChartColor::Background);
    options.linesBetweenResources = true;
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(10, rh), ChartColor::Grid);
    EXPECT_EQ(canvas->Pixel(10, 2 * rh), ChartColor::Background); // inside the block of M
    options.linesBetweenMultiRows = true;
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(10, 2 * rh), ChartColor::Grid);
    // The month divider: two pixels at the first of April.
    Show(Monday, 10, 400, 300);
    canvas = Draw();
    EXPECT_EQ(canvas->Pixel(280, 10), ChartColor::MonthDivider);
    EXPECT_EQ(canvas->Pixel(281, 10), ChartColor::MonthDivider);
}

TEST_F(ChartPaintTest, DeadlineArrowsForLateAndSelectedTasks)
{
    AddDeadlineColumn();
    TNodeData *late = AddTask(QStringLiteral("A"), QStringLiteral("04.03.2024"), QStringLiteral("5"));
    TNodeData *onTime = AddTask(QStringLiteral("B"), QStringLiteral("04.03.2024"), QStringLiteral("3"));
    Show(Monday, 40, 600, 200);
    const auto before = Draw();
    core->SetData_(late, cnTermin, QStringLiteral("06.03.2024"));
    core->SetData_(onTime, cnTermin, QStringLiteral("06.03.2024"));
    ASSERT_TRUE(late->nodeValid);
    ASSERT_TRUE(onTime->nodeValid);
    // A point of the arrow's outline where the chart was white before.
    const auto onWhite = [&](TNodeData *node, TCanvas &canvas) {
        const QRect r = ShownArrowRect(*geometry, *node);
        const QRegion region = ArrowRgn(canvas, r.topLeft(), QPoint(RectRight(r), RectBottom(r)), 1.0);
        const QRect box = region.boundingRect();
        for (int y = box.top(); y < RectBottom(box); ++y)
            for (int x = box.left(); x < RectRight(box); ++x) {
                // Well inside the outline, away from its stroke.
                bool inside = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        inside = inside && region.contains(QPoint(x + dx, y + dy));
                if (inside && before->Pixel(x, y) == ChartColor::Background)
                    return QPoint(x, y);
            }
        return QPoint(-1, -1);
    };
    auto canvas = Draw();
    ASSERT_FALSE(ShownArrowRect(*geometry, *late).isNull());
    EXPECT_TRUE(ShownArrowRect(*geometry, *onTime).isNull()); // in time and not selected
    const QPoint p = onWhite(late, *canvas);
    ASSERT_GE(p.x(), 0);
    EXPECT_EQ(canvas->Pixel(p.x(), p.y()), ChartColor::ArrowOverdue);
    // Selected, the task that ends on its deadline shows it in yellow.
    tasks->SetSelected(onTime->VNode, true);
    canvas = Draw();
    ASSERT_FALSE(ShownArrowRect(*geometry, *onTime).isNull());
    const QPoint q = onWhite(onTime, *canvas);
    ASSERT_GE(q.x(), 0);
    EXPECT_EQ(canvas->Pixel(q.x(), q.y()), ChartColor::ArrowSlack);
}

TEST_F(ChartPaintTest, NoteUnderTheRowsNamesTheHiddenRows)
{
    core->FHideEmptyRows = true;
    core->UpdateEmptyRowsProc();
    // Nothing names a position: hiding would leave nothing, so it is suppressed.
    EXPECT_TRUE(model->HidingSuppressed());
    AddTask(QStringLiteral("B"), QStringLiteral("05.03.2024"), QStringLiteral("1"));
    core->UpdateEmptyRowsProc();
    EXPECT_FALSE(model->HidingSuppressed());
    EXPECT_EQ(model->HiddenRowNames(), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    Show(Monday, 20, 400, 200);
    TCanvas canvas(400, 200);
    canvas.Font().SetName(QStringLiteral("DejaVu Sans"));
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(QRect(0, 0, 400, 200));
    const int rh = geometry->TimeChartRowHeight(0);
    TChartPainter(*model, *geometry, options).DrawHiddenRowsNote(canvas, rh, clWhite);
    int ink = 0;
    for (int y = rh + 5; y < rh + 25; ++y)
        for (int x = 0; x < 200; ++x)
            ink += (canvas.Pixel(x, y) & 0xFF) < 0x60; // dark text on white
    EXPECT_GT(ink, 20);
}

TEST_F(ChartPaintTest, OverviewShowsEveryBarAndTheVisibleWindow)
{
    AddTask(QStringLiteral("A"), QStringLiteral("05.03.2024"), QStringLiteral("3"));
    AddTask(QStringLiteral("C"), QStringLiteral("11.03.2024"), QStringLiteral("2"));
    core->SetTimeChartBounds(Monday, Monday + 40);
    Show(Monday + 10, 20, 200, 200); // 10 of 40 days, all 3 rows
    TCanvas canvas(400, 30);
    TOverviewPainter(*model, *geometry, options, &stats).Paint(canvas, 400, 30);
    EXPECT_EQ(stats.barsDrawn, 2);
    // Rows of 10 px: the first bar from day 1 to 4 on row 0, framed in nearly its fill.
    EXPECT_EQ(canvas.Pixel(15, 5), ChartColor::FreeDay);
    // The window: days 10..20 of 40 over 400 px, tinted and framed.
    const QRect window = geometry->SliderRect(400, 30);
    EXPECT_EQ(window, QRect(100, 0, 100, 30));
    EXPECT_EQ(canvas.Pixel(100, 15), ChartColor::SliderFrame);
    EXPECT_EQ(canvas.Pixel(199, 15), ChartColor::SliderFrame);
    EXPECT_NE(canvas.Pixel(155, 15), ChartColor::Background);
    EXPECT_EQ(canvas.Pixel(255, 15), ChartColor::Background);
}

TEST_F(ChartPaintTest, DeadlineArrowsStayInsideTheRowsAndTheHeadInItsRow)
{
    AddDeadlineColumn();
    // Three weeks late on the first row: a long arrow whose arc would rise far above it.
    TNodeData *late = AddTask(QStringLiteral("A"), QStringLiteral("04.03.2024"), QStringLiteral("25"));
    core->SetData_(late, cnTermin, QStringLiteral("05.03.2024"));
    ASSERT_TRUE(late->nodeValid);
    Show(Monday, 20, 700, 200);
    const int rowHeight = geometry->TimeChartRowHeight(0);
    // Below a 40-pixel band, as pictures and pages put the chart under its captions.
    const QRgb band = qRgb(0x12, 0x34, 0x56);
    TCanvas canvas(700, 240);
    canvas.Image()->fill(band);
    TChartPaintParams p = ScreenParams(canvas);
    p.offsetY = 40;
    Paint(p);
    int above = 0;
    for (int y = 0; y < 39; ++y) // the grid lines start a pixel above the rows
        for (int x = 0; x < 700; ++x)
            above += (canvas.Image()->pixel(x, y) & 0xFFFFFF) != (band & 0xFFFFFF);
    EXPECT_EQ(above, 0);
    // The arrow is there, in the rows.
    const QRect arrow = TChartPainter(*model, *geometry, options).ArrowArea(p, *late);
    ASSERT_FALSE(arrow.isEmpty());
    EXPECT_GE(arrow.top(), 40);
    // Its tip touches the next row's first pixel (with the margin of the area: two).
    EXPECT_LE(RectBottom(arrow), 40 + rowHeight + 2);
    int grey = 0;
    for (int y = arrow.top(); y < RectBottom(arrow); ++y)
        for (int x = arrow.left(); x < RectRight(arrow); ++x)
            grey += canvas.Pixel(x, y) == ChartColor::ArrowOverdue;
    EXPECT_GT(grey, 100);

    // Thin rows: the head of a late task on the second row leaves the first row alone.
    geometry->SetRowSetValue(rsTop);
    const int thin = geometry->TimeChartRowHeight(0);
    ASSERT_LT(thin, 26);
    core->SetData_(late, cnTermin, QString());
    TNodeData *second = AddTask(QStringLiteral("B"), QStringLiteral("04.03.2024"), QStringLiteral("10"));
    const auto before = Draw();
    core->SetData_(second, cnTermin, QStringLiteral("05.03.2024"));
    const auto after = Draw();
    const QRect r = ShownArrowRect(*geometry, *second);
    ASSERT_FALSE(r.isNull());
    const int tip = RectRight(r);
    int covered = 0;
    for (int y = 0; y < thin; ++y)
        for (int x = tip - 15; x < tip; ++x)
            covered += before->Pixel(x, y) != after->Pixel(x, y);
    EXPECT_EQ(covered, 0);
    int head = 0;
    for (int y = thin; y < 2 * thin; ++y)
        for (int x = tip - 15; x < tip; ++x)
            head += before->Pixel(x, y) != after->Pixel(x, y);
    EXPECT_GT(head, 10);
}

TEST_F(ChartPaintTest, AnOverviewWithMoreRowsThanPixelsShowsEveryRow)
{
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names.append(QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0')));
    SetPositions(names);
    // One bar per row, each on its own days, so every row's bar has a column of its own.
    for (int i = 0; i < 300; ++i)
        AddTask(names[i], DateToStr(Monday + i), QStringLiteral("1"));
    core->SetTimeChartBounds(Monday, Monday + 300);
    Show(Monday, 20, 200, 200);
    // 300 rows on 100 pixel rows: three rows share each.
    TCanvas canvas(600, 100);
    TOverviewPainter(*model, *geometry, options, &stats).PaintStrip(canvas, 600, 100);
    EXPECT_EQ(stats.barsDrawn, 300);
    int missing = 0;
    for (int i = 0; i < 300; ++i) {
        const int x = i * 2 + 1; // two pixels per day
        const int y = i * 100 / 300;
        missing += canvas.Pixel(x, y) == ChartColor::Background;
    }
    EXPECT_EQ(missing, 0);
    // Where no row has a bar, the strip stays white.
    EXPECT_EQ(canvas.Pixel(1, 90), ChartColor::Background);
}
