// The overview strip in the window with many resources: capped at a third of the window,
// every resource still in it, and room left for the chart and the tables.

#include "planner/chart/ChartWindowTestSupport.h"

#include <QSplitter>
#include <QTest>

#include "CanvasPanel.h"
#include "common/RepaintCheck.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class OverviewLayoutTest : public ChartWindowTest
{
protected:
    static QString Name(int r) { return QStringLiteral("Resource %1").arg(r + 1, 4, 10, QLatin1Char('0')); }

    // `resources` resources, `perResource` short tasks on each, opened through the window in
    // a window of 1024 x 700.
    void OpenPlan(int resources, int perResource)
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        SetResources(resources, Name);
        const TDateTime first = Trunc(Date()) + 7;
        for (int r = 0; r < resources; ++r)
            for (int k = 0; k < perResource; ++k) {
                TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, false);
                core.SetData_(node, cnPosition, Name(r));
                core.SetData_(node, cnStart, DateToStr(first + (r % 50) + 60 * k));
                core.SetData_(node, cnLength, QStringLiteral("2"));
            }
        core.EndUpdate();
        form->resize(1024, 700);
        ASSERT_TRUE(ReopenThroughWindow());
        Settle();
    }
    // Whether the widget shows at least `height` pixel rows inside the window.
    bool ShownInWindow(QWidget *widget, int height)
    {
        if (!widget->isVisible())
            return false;
        const QRect inWindow(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
        return inWindow.intersected(form->rect()).height() >= height
               && widget->visibleRegion().boundingRect().height() >= height;
    }
};

} // namespace

TEST_F(OverviewLayoutTest, AThousandResourcesLeaveTheChartAndTheTablesInTheWindow)
{
    OpenPlan(1000, 2);
    ASSERT_EQ(view->Model().RowCount(), 1000);
    const int cap = form->height() / 3;
    EXPECT_EQ(view->SmallTimeChartCap(), cap);
    EXPECT_LE(view->dfsToolBar1->height(), cap);
    EXPECT_TRUE(ShownInWindow(view->SmallTimeChart, 100));
    EXPECT_TRUE(ShownInWindow(view->TimeChart, 60));
    EXPECT_TRUE(ShownInWindow(form->StringTreeGrid1->viewport(), 40));

    // The whole plan is in the strip: the bars of the first and of the last resources.
    const QImage strip = testsupport::ShownPixels(view->SmallTimeChart);
    const QRgb bar = ToQRgb(ChartColor::FreeDay) & 0xFFFFFF;
    const auto barsOnRow = [&](int y) {
        int pixels = 0;
        for (int x = 0; x < strip.width(); ++x)
            pixels += (strip.pixel(x, y) & 0xFFFFFF) == bar;
        return pixels;
    };
    // The first pixel row below the window over the chart's rows, and the last one.
    const QRect window = view->Geometry().SliderRect(strip.width(), strip.height());
    ASSERT_LT(RectBottom(window) + 1, strip.height() - 1);
    EXPECT_GT(barsOnRow(RectBottom(window) + 1), 0);
    EXPECT_GT(barsOnRow(strip.height() - 1), 0);

    // The splitter drags within the cap, and the strip follows a smaller window.
    const int caption = view->SmallTimeChartCaptionHeight();
    EXPECT_EQ(view->Splitter3CanResize(5000), cap);
    EXPECT_EQ(view->Splitter3CanResize(0), caption + (cap - caption) / 2);
    view->Splitter3CanResize(cap);
    form->resize(1024, 540);
    QApplication::processEvents();
    EXPECT_LE(view->dfsToolBar1->height(), 540 / 3);
    EXPECT_TRUE(ShownInWindow(view->TimeChart, 30));

    // Scrolled through the overview, every part shows what a full paint draws.
    testsupport::TRepaintCheck check;
    for (QWidget *widget : {static_cast<QWidget *>(view->SmallTimeChart), static_cast<QWidget *>(view->TimeChart),
                            static_cast<QWidget *>(view->TimeChartCaption)})
        check.Watch(widget);
    QTest::mouseClick(view->SmallTimeChart, Qt::LeftButton, Qt::NoModifier,
                      QPoint(view->SmallTimeChart->width() / 2, view->SmallTimeChart->height() - 3));
    view->SetTimeChartDestination(view->Geometry().StartDestination(), view->Geometry().TopDestination(), true);
    check.Check(QStringLiteral("overview clicked near its bottom"));
    EXPECT_GT(view->Geometry().Top(), view->Geometry().TimeChartRowHeight(0) * 900);
}

TEST_F(OverviewLayoutTest, RowsThatFitKeepWholeRowsUpToTheCap)
{
    OpenPlan(60, 1);
    const int caption = view->SmallTimeChartCaptionHeight();
    const int cap = view->SmallTimeChartCap();
    // 60 rows: at most (233 - 17) / 60 = 3 pixels a row in a 700-pixel window.
    const int most = (cap - caption) / 60;
    ASSERT_GE(most, 1);
    ASSERT_LT(most, 8);
    EXPECT_EQ(view->Splitter3CanResize(2000), 60 * most + caption);
    EXPECT_EQ(view->SmallTimeChartRowHeight(), most);
    EXPECT_EQ(view->Splitter3CanResize(caption + 60 * 2 + 1), 60 * 2 + caption);
    EXPECT_EQ(view->Splitter3CanResize(0), 60 + caption);
    // A taller window leaves room for taller rows again.
    form->resize(1024, 1100);
    QApplication::processEvents();
    EXPECT_EQ(view->Splitter3CanResize(2000), 60 * std::min(8, (view->SmallTimeChartCap() - caption) / 60) + caption);
}

// With a thousand resources the rows on screen are a pixel or two of the strip: the window
// over them keeps a height the eye finds and the hand grabs, moves with the chart from the
// first row to the last, and dragged, scrolls the chart by what it covers.
TEST_F(OverviewLayoutTest, TheWindowOverAThousandResourcesCanBeSeenAndGrabbed)
{
    OpenPlan(1000, 1);
    TCanvasPanel *strip = view->SmallTimeChart;
    const TTimeChartGeometry &g = view->Geometry();
    const double share = double(g.ChartHeight()) / double(g.RowsHeight(0));
    ASSERT_LT(std::ceil(strip->height() * share), TTimeChartGeometry::MinSliderHeight)
        << "the rows on screen must make a window thinner than its least height for this check";
    // The frame's rows in a column of the window, as the user sees them.
    const auto shownHeight = [&](int x) {
        const QImage shown = testsupport::ShownPixels(strip);
        const QRgb frame = ToQRgb(ChartColor::SliderFrame) & 0xFFFFFF;
        int first = -1, last = -1;
        for (int y = 0; y < shown.height(); ++y)
            if ((shown.pixel(x, y) & 0xFFFFFF) == frame) {
                first = first < 0 ? y : first;
                last = y;
            }
        return first < 0 ? 0 : last - first + 1;
    };
    QRect window = g.SliderRect(strip->width(), strip->height());
    EXPECT_EQ(window.height(), TTimeChartGeometry::MinSliderHeight);
    EXPECT_EQ(window.top(), 0);
    EXPECT_EQ(shownHeight(window.left() + 3), TTimeChartGeometry::MinSliderHeight);

    // Grabbed in its middle and dragged down: no jump at the press, then the rows follow.
    testsupport::TRepaintCheck check;
    check.Watch(strip);
    check.Watch(view->TimeChart);
    const QPoint grab = window.center();
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, grab);
    LetScrollRun();
    EXPECT_EQ(g.Top(), 0);
    const int by = strip->height() / 2;
    QTest::mouseMove(strip, grab + QPoint(0, by));
    LetScrollRun();
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, grab + QPoint(0, by));
    LetScrollRun();
    window = g.SliderRect(strip->width(), strip->height());
    EXPECT_NEAR(window.center().y(), grab.y() + by, 1) << "the window stays under the hand";
    // The window runs over the strip as the rows on screen run over all rows.
    const int room = strip->height() - TTimeChartGeometry::MinSliderHeight;
    EXPECT_NEAR(double(g.Top()) / double(g.RowsHeight(0) - g.ChartHeight()), double(by) / room, 0.01);
    check.Check(QStringLiteral("window dragged half way down"));

    // At the last rows it ends at the strip's bottom, still as high.
    view->SetTimeChartDestination(g.Start(), int(g.RowsHeight(0)), true);
    Settle();
    window = g.SliderRect(strip->width(), strip->height());
    EXPECT_EQ(window.height(), TTimeChartGeometry::MinSliderHeight);
    EXPECT_EQ(RectBottom(window), strip->height());
    check.Check(QStringLiteral("at the last rows"));
    EXPECT_EQ(shownHeight(window.left() + 3), TTimeChartGeometry::MinSliderHeight);
}
