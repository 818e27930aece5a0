#pragma once

// A main window with a small plan opened through Open, and mouse events sent to its chart as
// the window system would send them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "CommaText.h"
#include "DateFormat.h"
#include "MessageDialog.h"
#include "WeekInfo.h"
#include "CanvasPanel.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "planner/chart/ChartTestSupport.h"
#include "planner/chart/ChartWindowTestSupport.h"
#include "window/FormMain.h"

class ChartMouseTest : public ChartWindowTest
{
protected:
    struct TTask
    {
        int row;
        int startDay; // days after Base()
        int length;   // days
    };

    void SetUp() override
    {
        ChartWindowTest::SetUp();
        mouse = form->TimeChartMouse;
    }
    // A Monday well after today, so that nothing lies in the past.
    static TDateTime Base() { return Trunc(Date()) + 28 - (DayOfTheWeek(Date()) - 1); }

    // Resources working every day (`weeks` may give one their own), the tasks in order, saved
    // and opened through the window; the chart shows Base() - 2 at 20 pixels per day.
    void OpenPlan(int rows, const std::vector<TTask> &tasks, const std::vector<tWeekInfo> &weeks = {})
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
        positions.clear();
        for (int r = 0; r < rows; ++r) {
            const tWeekInfo week = std::size_t(r) < weeks.size() ? weeks[std::size_t(r)] : EveryDayWeek();
            positions.append(CommaTextOf({RowName(r), WeekInfo2String(week)}));
        }
        for (const TTask &task : tasks) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, RowName(task.row));
            core.SetData_(node, cnStart, DateToStr(Base() + task.startDay));
            core.SetData_(node, cnLength, QString::number(task.length));
        }
        core.EndUpdate();
        ASSERT_TRUE(ReopenThroughWindow());
        Settle();
        view->SetTimeChartColWidth(20);
        view->SetTimeChartDestination(Base() - 2, 0, true);
        Settle();
    }
    static QString RowName(int r) { return QStringLiteral("R%1").arg(r + 1, 2, 10, QLatin1Char('0')); }
    // Events done; a smooth scroll that a selection started (the chart centres a selected
    // row) goes to its end at once, so that dates lie where the next step expects them.
    void Settle()
    {
        ChartWindowTest::Settle();
        const TTimeChartGeometry &g = view->Geometry();
        if (g.StartDestination() != g.Start() || g.TopDestination() != g.Top())
            view->SetTimeChartDestination(g.StartDestination(), g.TopDestination(), true);
    }
    // The task rows in tree order (the order they were made).
    std::vector<TNodeData *> Tasks()
    {
        std::vector<TNodeData *> rows;
        Core().ForEach(tbTable, feAll, [&rows](TNodeData *node) { rows.push_back(node); });
        return rows;
    }
    QRect BarRect(TNodeData *node) { return view->Geometry().ScreenItemRect(*node); }
    // The middle of a day cell on a row, in chart pixels.
    QPoint At(TDateTime day, int row)
    {
        const TTimeChartGeometry &g = view->Geometry();
        const int x = int((day - g.Start()) * g.GetTimeChartColWidth()) + g.GetTimeChartColWidth() / 2;
        const int h = g.TimeChartRowHeight(0);
        return QPoint(x, row * h - g.Top() + h / 2);
    }

    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
              QPoint p)
    {
        TCanvasPanel *chart = view->TimeChart;
        QMouseEvent event(type, QPointF(p), QPointF(chart->mapToGlobal(p)), button, buttons, modifiers);
        QApplication::sendEvent(chart, &event);
    }
    // The pointer comes to rest at p: hint and cursor follow.
    void Hover(QPoint p)
    {
        Send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier, p);
        Settle();
    }
    void Press(QPoint p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonPress, button, button, modifiers, p);
    }
    void Drag(QPoint p, Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseMove, Qt::NoButton, buttons, modifiers, p);
    }
    void Release(QPoint p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonRelease, button, Qt::NoButton, modifiers, p);
    }
    void Key(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view->TimeChart, &event);
    }
    // The whole drag from a day on a row by a distance in pixels, hovering first.
    void DragBar(TDateTime day, int row, QPoint by, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Settle();
        Hover(At(day, row));
        const QPoint from = At(day, row);
        Press(from, Qt::LeftButton, modifiers);
        Drag(from + by, Qt::LeftButton, modifiers);
        Release(from + by, Qt::LeftButton, modifiers);
        Settle();
    }
    // The length of a number of days, as lengths are kept.
    int Days(int days) { return Core().calcNodeLength(tbTable, QString::number(days)); }
    int Position(TNodeData *node) { return Core().GetPositionOf(node); }
    // The next message box is answered with a button; its text is kept in `questions`.
    void AnswerNext(TMsgDlgBtn button)
    {
        QTimer::singleShot(0, [this, button] {
            auto *box = qobject_cast<TMessageForm *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            questions.append(box->Message()->text());
            box->Button(button)->click();
        });
    }

    TTimeChartMouse *mouse = nullptr;
    QStringList questions;
};
