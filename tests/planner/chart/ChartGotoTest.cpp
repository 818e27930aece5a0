// Edit > Goto Date... in a window of its own: the chart arrives at dates far after and before
// the plan, keeps them through a resize, a zoom and a reopening, and gives them up again when
// the user scrolls back.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QScrollBar>
#include <QToolButton>

#include "chart/ChartCommands.h"
#include "common/RepaintCheck.h"
#include "planner/chart/GotoTestSupport.h"

using namespace userinput;
using gototest::Wait;

namespace {

class ChartGotoTest : public ChartMouseTest
{
protected:
    // Three resources with tasks over three months from Base().
    void OpenQuarterPlan()
    {
        std::vector<TTask> tasks;
        for (int i = 0; i < 18; ++i)
            tasks.push_back({i % 3, i * 5, 3 + i % 4});
        OpenPlan(3, tasks);
        lastDay = Trunc(Core().GetEndOf(Tasks().back()));
        // The range as the idle work leaves it for this window.
        Wait(250);
    }
    void Goto(TDateTime date) { gototest::Goto(*form, date, &offered); }
    void LetScrollRun() { gototest::LetScrollRun(*view); }
    void ExpectFirstDay(TDateTime day, const QString &when) { gototest::ExpectFirstDay(*view, day, when); }
    QScrollBar *HorizontalBar() { return gototest::HorizontalBar(*view); }
    void Watch(testsupport::TRepaintCheck &check)
    {
        for (QWidget *widget : std::initializer_list<QWidget *>{view->TimeChart, view->TimeChartCaption,
                                                                view->SmallTimeChart, view->SmallTimeChartCaption})
            check.Watch(widget);
    }

    TDateTime lastDay = 0;
    TDateTime offered = 0;
};

} // namespace

TEST_F(ChartGotoTest, AFarDateAfterThePlanBecomesTheFirstDay)
{
    OpenQuarterPlan();
    testsupport::TRepaintCheck check;
    Watch(check);
    const TDateTime before = view->Geometry().Start();
    const TDateTime target = lastDay + 400;
    ASSERT_NO_FATAL_FAILURE(Goto(target));
    EXPECT_EQ(offered, before);
    LetScrollRun();
    ExpectFirstDay(target, "after the scroll");
    check.Check(QStringLiteral("after the scroll"));
    // More idle moments do not take the range back to the plan.
    Wait(300);
    ExpectFirstDay(target, "a while later");
    check.Check(QStringLiteral("a while later"));
}

TEST_F(ChartGotoTest, AFarDateBeforeThePlanBecomesTheFirstDay)
{
    OpenQuarterPlan();
    testsupport::TRepaintCheck check;
    Watch(check);
    const TDateTime target = Base() - 500;
    ASSERT_NO_FATAL_FAILURE(Goto(target));
    LetScrollRun();
    ExpectFirstDay(target, "after the scroll");
    check.Check(QStringLiteral("after the scroll"));
    Wait(300);
    ExpectFirstDay(target, "a while later");
}

// A date inside the plan, one whose chart width runs past the plan's end, and dates decades
// away, up to the picker's first and last years, become the first day alike.
TEST_F(ChartGotoTest, DatesNearTheEndAndDecadesAwayBecomeTheFirstDayToo)
{
    OpenQuarterPlan();
    for (const TDateTime target : {Base() + 20, lastDay - 2, lastDay + 60 * 365, Base() - 40 * 365,
                                   EncodeDate(9999, 1, 1), EncodeDate(100, 1, 1), Base() + 10}) {
        ASSERT_NO_FATAL_FAILURE(Goto(target));
        LetScrollRun();
        ExpectFirstDay(target, DateToStr(target));
    }
    // Back in the plan, the range is the plan's again.
    EXPECT_EQ(Core().MinDate(), Trunc(Core().DataMinDate()));
    EXPECT_EQ(Core().MaxDate(), Trunc(Core().DataMaxDate()));
}

// Cancel after typing a date leaves chart and range; the next goto still arrives.
TEST_F(ChartGotoTest, CancelLeavesTheChartAndTheNextGotoArrives)
{
    OpenQuarterPlan();
    const TTimeChartGeometry &g = view->Geometry();
    const TDateTime start = g.Start();
    const TDateTime minDate = Core().MinDate();
    const TDateTime maxDate = Core().MaxDate();
    ASSERT_NO_FATAL_FAILURE(gototest::Goto(*form, EncodeDate(2040, 1, 1), nullptr, false));
    LetScrollRun();
    EXPECT_EQ(g.Start(), start);
    EXPECT_EQ(Core().MinDate(), minDate);
    EXPECT_EQ(Core().MaxDate(), maxDate);
    const TDateTime target = lastDay + 900;
    ASSERT_NO_FATAL_FAILURE(Goto(target));
    LetScrollRun();
    ExpectFirstDay(target, "after a cancel");
}

// The range holds a goto's date while the user looks there; taken back to the plan's start
// with the scroll bar, the chart gives the far days up again.
TEST_F(ChartGotoTest, ScrollingBackToThePlanGivesTheFarDaysUp)
{
    OpenQuarterPlan();
    const TDateTime target = lastDay + 700;
    ASSERT_NO_FATAL_FAILURE(Goto(target));
    LetScrollRun();
    ExpectFirstDay(target, "after the scroll");
    QScrollBar *bar = HorizontalBar();
    ASSERT_TRUE(bar);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Home);
    LetScrollRun();
    ExpectFirstDay(Core().MinDate(), "back at the start");
    EXPECT_EQ(Core().MaxDate(), Trunc(Core().DataMaxDate()));
    EXPECT_LT(Core().MaxDate(), lastDay + 100);
}

// A larger window and narrower days show more days after the date: the range grows with them
// instead of pulling the chart back; a smaller window and wider days keep the date too.
TEST_F(ChartGotoTest, AfterAFarGotoResizeAndZoomKeepTheDate)
{
    OpenQuarterPlan();
    for (const TDateTime target : {lastDay + 400, Base() - 500}) {
        ASSERT_NO_FATAL_FAILURE(Goto(target));
        LetScrollRun();
        ExpectFirstDay(target, "after the scroll");
        form->resize(1400, 760);
        Wait(50);
        ExpectFirstDay(target, "larger window");
        TChartCommands &commands = *form->ChartCommands;
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(commands.ToolButton20, Qt::LeftButton);
            Wait(30);
            ExpectFirstDay(target, "narrower days");
        }
        LetScrollRun();
        ExpectFirstDay(target, "narrower days, idle");
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(commands.ToolButton16, Qt::LeftButton);
            Wait(30);
            ExpectFirstDay(target, "wider days");
        }
        form->resize(1000, 700);
        LetScrollRun();
        ExpectFirstDay(target, "smaller window, idle");
    }
}

// The window grows and the days narrow while the chart is still on its way.
TEST_F(ChartGotoTest, ResizeAndZoomDuringTheScrollStillReachTheDate)
{
    OpenQuarterPlan();
    for (const TDateTime target : {lastDay + 400, Base() - 500}) {
        ASSERT_NO_FATAL_FAILURE(Goto(target));
        ASSERT_TRUE(view->SliderTimer.isActive());
        Wait(20);
        form->resize(1300, 740);
        Wait(20);
        ASSERT_TRUE(view->SliderTimer.isActive());
        QTest::mouseClick(form->ChartCommands->ToolButton20, Qt::LeftButton);
        QTest::mouseClick(form->ChartCommands->ToolButton20, Qt::LeftButton);
        LetScrollRun();
        ExpectFirstDay(target, "resized and zoomed on the way");
        form->resize(1000, 700);
        LetScrollRun();
    }
}

// The view a goto left is kept with the document's settings when the window closes, and is
// where the document opens again.
TEST_F(ChartGotoTest, ReopenedTheChartStartsAtTheGotoDateAgain)
{
    OpenQuarterPlan();
    const QString file = dir.filePath(QStringLiteral("plan.zop"));
    for (const TDateTime target : {Base() + 20, lastDay + 400, Base() - 500}) {
        ASSERT_NO_FATAL_FAILURE(Goto(target));
        LetScrollRun();
        ExpectFirstDay(target, "after the scroll");
        ASSERT_TRUE(form->close());
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        view = form->TimeChartView;
        form->Open(file);
        form->show();
        LetScrollRun();
        ExpectFirstDay(target, QStringLiteral("reopened at ") + DateToStr(target));
    }
}

// The calendar's last day: the chart ends with it.
TEST_F(ChartGotoTest, TheCalendarsLastDayShowsAtTheChartsEnd)
{
    OpenQuarterPlan();
    const TDateTime last = EncodeDate(9999, 12, 31);
    ASSERT_NO_FATAL_FAILURE(Goto(last));
    LetScrollRun();
    const TTimeChartGeometry &g = view->Geometry();
    EXPECT_EQ(Core().MaxDate(), last);
    EXPECT_LE(g.Start(), last);
    EXPECT_GT(g.Start() + g.VisibleDays(), last);
    EXPECT_EQ(g.Start(), g.ClampStart(g.Start()));
    // And back into the plan.
    ASSERT_NO_FATAL_FAILURE(Goto(Base() + 10));
    LetScrollRun();
    ExpectFirstDay(Base() + 10, QStringLiteral("back in the plan"));
}
