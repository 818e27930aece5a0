// The chart area in the main window: a document opened through Open, scrolled by keys,
// scroll code and smooth steps, the overview, group tabs and the selection flash.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "CanvasPanel.h"
#include "CommaText.h"
#include "CursorRegistry.h"
#include "DateFormat.h"
#include "chart/ChartCursors.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "treegrid/StringTreeGrid.h"
#include "planner/chart/ChartWindowTestSupport.h"
#include "window/FormMain.h"

namespace {

class TimeChartViewTest : public ChartWindowTest
{
protected:
    // A document of `rows` resources with two tasks each around today, saved and opened
    // again through the window's Open.
    void OpenPlan(int rows)
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        SetResources(rows, [](int r) { return QStringLiteral("R%1").arg(r + 1, 2, 10, QLatin1Char('0')); });
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < 2; ++k) {
                TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
                core.SetData_(node, cnPosition, QStringLiteral("R%1").arg(r + 1, 2, 10, QLatin1Char('0')));
                core.SetData_(node, cnStart, DateToStr(Date() - 3 + 6 * k + r % 3));
                core.SetData_(node, cnLength, QStringLiteral("3"));
                core.SetData_(node, cnColor, QStringLiteral("State 2"));
            }
        core.EndUpdate();
        ASSERT_TRUE(ReopenThroughWindow());
        Settle();
    }
    const QImage &Picture() { return *view->TimeChart->Canvas().Image(); }
};

} // namespace

TEST_F(TimeChartViewTest, AnOpenedDocumentIsDrawn)
{
    OpenPlan(12);
    EXPECT_EQ(view->Model().RowCount(), 12);
    EXPECT_EQ(view->TimeChartCaption->height(), view->Geometry().TimeChartFullRowHeight(0));
    // Placed a third of the visible days before today, on a whole day inside the range.
    const TTimeChartGeometry &g = view->Geometry();
    EXPECT_EQ(g.Start(), Trunc(g.Start()));
    EXPECT_GE(g.Start(), Core().MinDate());
    EXPECT_LE(g.Start(), Date());
    EXPECT_GT(view->Stats().barsDrawn, 0);
    EXPECT_GT(view->Stats().barsRendered, 0);
    int yellow = 0;
    const QImage &picture = Picture();
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            yellow += (picture.pixel(x, y) & 0xFFFFFF) == 0xFFFF00u; // $00FFFF
    EXPECT_GT(yellow, 100);
    EXPECT_EQ(form->TimeChartWidthInDays(), view->TimeChart->width() / g.GetTimeChartColWidth());
    // The window's parts are where the layout puts them.
    EXPECT_EQ(form->findChild<QSplitter *>(QStringLiteral("Splitter1")), form->Splitter1);
    EXPECT_TRUE(view->isAncestorOf(form->TabControl1));
    EXPECT_TRUE(form->Panel1->isAncestorOf(form->PageControl1));
}

TEST_F(TimeChartViewTest, ArrowKeysMoveTheStartAndTheRows)
{
    OpenPlan(20);
    // Room to scroll: the user looked at a day far ahead.
    Core().SetUserdate(Date() + 300);
    Core().UpdateBoundsProc();
    Settle();
    const TTimeChartGeometry &g = view->Geometry();
    view->SetTimeChartDestination(Core().MinDate() + 10, 0, true);
    const TDateTime start = g.Start();
    view->TimeChart->setFocus();
    QTest::keyClick(view->TimeChart, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(g.Start(), start + 1);
    QTest::keyClick(view->TimeChart, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(g.Start(), start + 1 - 7);
    int year = 0, month = 0, day = 0;
    DecodeDate(g.Start(), year, month, day);
    const TDateTime before = g.Start();
    QTest::keyClick(view->TimeChart, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(g.Start(), before + DaysInAMonth(year, month));
    const int rh = g.TimeChartRowHeight(0);
    QTest::keyClick(view->TimeChart, Qt::Key_Down);
    EXPECT_EQ(g.Top(), rh);
    QTest::keyClick(form->TabControl1, Qt::Key_Up); // the group tabs pass them on too
    EXPECT_EQ(g.Top(), 0);
    QTest::keyClick(view->TimeChart, Qt::Key_Up);
    EXPECT_EQ(g.Top(), 0); // never above the first row
}

TEST_F(TimeChartViewTest, ScrollingMovesThePictureAndPaintsOnlyTheRest)
{
    OpenPlan(12);
    TTimeChartGeometry &g = view->Geometry();
    view->SetTimeChartDestination(Core().MinDate() + 5, 0, true);
    Settle();
    const int full = view->Stats().barsDrawn;
    view->InvalidateTimeChart(false);
    Settle();
    const int perPaint = view->Stats().barsDrawn - full;
    ASSERT_GT(perPaint, 0);
    // Three days to the right and a row down: the kept picture moves, strips are painted.
    const int before = view->Stats().barsDrawn;
    view->SetTimeChartStart(g.Start() + 3);
    view->SetTimeChartTop(g.TimeChartRowHeight(0));
    Settle();
    EXPECT_LT(view->Stats().barsDrawn - before, perPaint);
    const QImage scrolled = Picture().copy();
    view->InvalidateTimeChart(true);
    Settle();
    EXPECT_EQ(scrolled, Picture());
}

TEST_F(TimeChartViewTest, SmoothScrollArrivesWhereSent)
{
    OpenPlan(12);
    const TTimeChartGeometry &g = view->Geometry();
    view->SetTimeChartDestination(Core().MinDate(), 0, true);
    const TDateTime target = Core().MinDate() + 10;
    view->SetTimeChartDestination(target, 0, false);
    EXPECT_TRUE(view->SliderTimer.isActive());
    int ticks = 0;
    while (view->SliderTimer.isActive() && ticks < 50) {
        view->SliderTimerTimer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_DOUBLE_EQ(g.Start(), target);
    // The scroll bars send their positions the same smooth way.
    EXPECT_EQ(view->TimeChart->parentWidget()->objectName(), QStringLiteral("TimeChartScrollBarBox"));
}

TEST_F(TimeChartViewTest, GroupTabsBringTheirTextLayout)
{
    OpenPlan(4);
    TPlannerCore &core = Core();
    core.FRowSets = {rsTopMiddleBottom, rsTop};
    core.AddPositionGroup(QStringLiteral("two"), CommaTextOf({QStringLiteral("R01"), QStringLiteral("R02")}));
    core.SelectGroupTab(1);
    EXPECT_EQ(view->GetRowSet(), rsTop);
    EXPECT_EQ(view->Model().RowCount(), 2);
    core.SelectGroupTab(0);
    EXPECT_EQ(view->GetRowSet(), rsTopMiddleBottom);
    // Choosing a layout stores it for the tab shown.
    core.SelectGroupTab(1);
    view->SetRowSet(rsTopMiddle);
    EXPECT_EQ(core.FRowSets.value(1), int(rsTopMiddle));
    // A new document starts with three text rows again.
    form->ActionNewExecute();
    EXPECT_EQ(view->GetRowSet(), rsTopMiddleBottom);
    EXPECT_TRUE(core.FRowSets.isEmpty());
}

TEST_F(TimeChartViewTest, OverviewHeightShowsWholeRows)
{
    OpenPlan(12);
    ASSERT_EQ(view->SmallTimeChartCaptionHeight(), 17);
    EXPECT_EQ(view->Splitter3CanResize(50), 41);
    EXPECT_EQ(view->SmallTimeChartRowHeight(), 2);
    EXPECT_EQ(view->Splitter3CanResize(500), 12 * 8 + 17);
    EXPECT_EQ(view->SmallTimeChartRowHeight(), 8);
    EXPECT_EQ(view->Splitter3CanResize(3), 12 + 17);
    // "General View" hides and shows the strip.
    view->Gesamtbersicht1->trigger();
    EXPECT_FALSE(view->dfsToolBar1->isVisible());
    view->Gesamtbersicht1->trigger();
    EXPECT_TRUE(view->dfsToolBar1->isVisible());
}

TEST_F(TimeChartViewTest, RubberBandIsDrawnOverThePictureOnly)
{
    OpenPlan(3);
    const QImage kept = Picture().copy();
    const QRect band(20, 20, 60, 30);
    view->SetRubberBand(band);
    Settle();
    EXPECT_EQ(Picture(), kept);
    const QImage shown = view->TimeChart->grab().toImage();
    EXPECT_NE(shown.pixel(20, 25), kept.pixel(20, 25));
    view->SetRubberBand(std::nullopt);
    Settle();
    EXPECT_EQ(view->TimeChart->grab().toImage().pixel(20, 25), kept.pixel(20, 25));
}

TEST_F(TimeChartViewTest, CursorsAndTheSelectionFlash)
{
    for (int id = 1; id <= 12; ++id)
        EXPECT_TRUE(TCursorRegistry::Has(id)) << id;
    EXPECT_EQ(ChartCursorId(QStringLiteral("HAND_TIMER_9")), 9);
    EXPECT_EQ(ChartCursorId(QStringLiteral("HAND_SWITCH")), 12);
    EXPECT_EQ(ChartCursorId(QStringLiteral("HAND_TIMER_0")), 0);

    OpenPlan(3);
    TPlannerCore &core = Core();
    TNodeData *row = nullptr;
    core.ForEach(tbTable, feAll, [&row](TNodeData *node) { row = row ? row : node; });
    ASSERT_NE(row, nullptr);
    form->StringTreeGrid1->SetSelected(row->VNode, true);
    // A colour written into a selected row starts the flash.
    core.SetData_(row, cnColor, QStringLiteral("State 3"));
    EXPECT_TRUE(view->FlashSelectedTimer.isActive());
    Settle();
    for (int tick = 1; tick <= 7; ++tick) {
        view->FlashSelectedTimerTimer();
        EXPECT_TRUE(row->RecalcBitmap) << tick;
        EXPECT_EQ(view->Options().flashPhase, tick % 7);
        Settle();
    }
    EXPECT_FALSE(view->FlashSelectedTimer.isActive());
    // Without a selection nothing flashes.
    form->StringTreeGrid1->ClearSelection();
    view->ResetFlashSelectedTimer();
    EXPECT_FALSE(view->FlashSelectedTimer.isActive());
}
