#pragma once

// "Goto Date..." as the user works it, and the chart's answer: the Edit menu's item, the date
// typed into the dialog's picker, OK; the smooth scroll left to run on its timer with the idle
// work between its steps; the first day the chart then shows.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "CanvasPanel.h"
#include "DateFormat.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/DateField.h"
#include "dialogs/GotoDialog.h"
#include "planner/UserInput.h"
#include "window/FormMain.h"

namespace gototest {

// The event loop waits as it does between a user's moves, so that idle work runs.
inline void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Edit > Goto Date...: the date typed into the field over its whole text, then OK (or Cancel).
// `offered`, when given, gets the date the picker showed first.
inline void Goto(TMainForm &form, TDateTime date, TDateTime *offered = nullptr, bool ok = true)
{
    bool worked = false;
    TDateTime typed = 0;
    userinput::WhenShown(
        &form, [&form] { return static_cast<QWidget *>(form.findChild<TGotoDialog *>()); },
        [&](QWidget *window) {
            auto *dialog = static_cast<TGotoDialog *>(window);
            if (offered)
                *offered = dialog->Date();
            TDateField *picker = dialog->DateTimePicker1;
            picker->setFocus();
            QTest::keyClick(picker, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(picker, DateToStr(date));
            const bool shown = picker->text() == DateToStr(date);
            QTest::mouseClick(ok ? dialog->Button1 : dialog->Button2, Qt::LeftButton);
            // OK takes the text typed; Cancel leaves it unread.
            typed = ok ? dialog->Date() : shown ? date : 0;
        },
        &worked);
    userinput::ClickMenuItem(form, form.menuBar()->findChild<QMenu *>(QStringLiteral("Edit1")), form.ActionGoto);
    ASSERT_TRUE(worked);
    ASSERT_EQ(typed, date);
}

// The smooth scroll runs to its end on its timer, the idle work (the range recomputed) between
// its steps, then a few idle moments more.
inline void LetScrollRun(TTimeChartView &view)
{
    QElapsedTimer waited;
    waited.start();
    while (view.SliderTimer.isActive() && waited.elapsed() < 3000)
        Wait(20);
    EXPECT_FALSE(view.SliderTimer.isActive());
    Wait(200);
}

inline QScrollBar *HorizontalBar(TTimeChartView &view)
{
    for (QScrollBar *child : view.findChildren<QScrollBar *>())
        if (child->orientation() == Qt::Horizontal && view.TimeChart->parentWidget()->isAncestorOf(child))
            return child;
    return nullptr;
}

// The first day the chart shows, as its left edge and its scroll bar tell it, and the range
// holding the days shown.
inline void ExpectFirstDay(TTimeChartView &view, TDateTime day, const QString &when)
{
    const TTimeChartGeometry &g = view.Geometry();
    const TPlannerCore &core = view.Core();
    const std::string step = when.toStdString();
    EXPECT_EQ(g.Start(), day) << step << ": " << DateToStr(g.Start()).toStdString() << " instead of "
                              << DateToStr(day).toStdString();
    EXPECT_EQ(Trunc(g.TimeChartXToDate(0)), day) << step;
    EXPECT_LE(core.MinDate(), day) << step;
    EXPECT_GE(core.MaxDate(), day + g.VisibleDays()) << step;
    QScrollBar *bar = HorizontalBar(view);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->value(), Round(day - core.MinDate())) << step;
    EXPECT_LE(bar->value(), bar->maximum()) << step;
}

} // namespace gototest
