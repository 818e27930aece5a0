// Edit > Goto Date... as the user works it: the date typed into the dialog's picker, OK, and
// the chart's smooth scroll left to run on its timer with the idle work between its steps.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolButton>

#include "chart/ChartCommands.h"
#include "common/RepaintCheck.h"
#include "dialogs/GotoDialog.h"
#include "planner/UserInput.h"

using namespace userinput;

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
    // Edit > Goto Date...: the date typed day, month and year into the picker, then OK.
    void Goto(TDateTime date)
    {
        bool worked = false;
        WhenShown(
            form.get(), [this] { return static_cast<QWidget *>(form->findChild<TGotoDialog *>()); },
            [this, date](QWidget *window) {
                auto *dialog = static_cast<TGotoDialog *>(window);
                offered = dialog->Date();
                QDateEdit *picker = dialog->DateTimePicker1;
                // The day selected from the start of the field; two digits each fill a part
                // and go on to the next.
                picker->setFocus();
                QTest::keyClick(picker, Qt::Key_Home);
                QTest::keyClick(picker, Qt::Key_Right, Qt::ShiftModifier);
                QTest::keyClick(picker, Qt::Key_Right, Qt::ShiftModifier);
                QTest::keyClicks(picker, DateToStr(date).remove(QLatin1Char('.')));
                typed = dialog->Date();
                QTest::mouseClick(dialog->Button1, Qt::LeftButton);
            },
            &worked);
        QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
        ClickMenuItem(*form, edit, form->ActionGoto);
        ASSERT_TRUE(worked);
        ASSERT_EQ(typed, date);
    }
    // The event loop runs as between a user's moves: the smooth scroll on its timer, the idle
    // work (the range recomputed) between its steps, then a few idle moments more.
    void LetScrollRun()
    {
        QElapsedTimer waited;
        waited.start();
        while (view->SliderTimer.isActive() && waited.elapsed() < 3000)
            Wait(20);
        EXPECT_FALSE(view->SliderTimer.isActive());
        Wait(250);
    }
    static void Wait(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // The first day the chart shows, as its scroll bar and its left edge tell it.
    void ExpectFirstDay(TDateTime day, const char *when)
    {
        const TTimeChartGeometry &g = view->Geometry();
        EXPECT_EQ(g.Start(), day) << when << ": " << DateToStr(g.Start()).toStdString() << " instead of "
                                  << DateToStr(day).toStdString();
        EXPECT_EQ(Trunc(g.TimeChartXToDate(0)), day) << when;
        EXPECT_LE(Core().MinDate(), day) << when;
        EXPECT_GE(Core().MaxDate(), day + g.VisibleDays()) << when;
        QScrollBar *bar = HorizontalBar();
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->value(), Round(day - Core().MinDate())) << when;
        EXPECT_LE(bar->value(), bar->maximum()) << when;
    }
    QScrollBar *HorizontalBar()
    {
        for (QScrollBar *child : view->findChildren<QScrollBar *>())
            if (child->orientation() == Qt::Horizontal && view->TimeChart->parentWidget()->isAncestorOf(child))
                return child;
        return nullptr;
    }

    void Watch(testsupport::TRepaintCheck &check)
    {
        for (QWidget *widget : std::initializer_list<QWidget *>{view->TimeChart, view->TimeChartCaption,
                                                                view->SmallTimeChart, view->SmallTimeChartCaption})
            check.Watch(widget);
    }

    TDateTime lastDay = 0;
    TDateTime offered = 0;
    TDateTime typed = 0;
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
// away become the first day alike.
TEST_F(ChartGotoTest, DatesNearTheEndAndDecadesAwayBecomeTheFirstDayToo)
{
    OpenQuarterPlan();
    for (const TDateTime target : {Base() + 20, lastDay - 2, lastDay + 60 * 365, Base() - 40 * 365, Base() + 10}) {
        ASSERT_NO_FATAL_FAILURE(Goto(target));
        LetScrollRun();
        ExpectFirstDay(target, qPrintable(DateToStr(target)));
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
    WhenShown(
        form.get(), [this] { return static_cast<QWidget *>(form->findChild<TGotoDialog *>()); },
        [](QWidget *window) {
            auto *dialog = static_cast<TGotoDialog *>(window);
            dialog->DateTimePicker1->setFocus();
            QTest::keyClick(dialog->DateTimePicker1, Qt::Key_Home);
            QTest::keyClick(dialog->DateTimePicker1, Qt::Key_End, Qt::ShiftModifier);
            QTest::keyClicks(dialog->DateTimePicker1, QStringLiteral("01012040"));
            QTest::mouseClick(dialog->Button2, Qt::LeftButton);
        });
    ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1")), form->ActionGoto);
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
