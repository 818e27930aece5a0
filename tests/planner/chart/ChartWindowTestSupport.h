#pragma once

// A main window whose chart the tests drive; documents are built in its core, saved and
// opened again through the window's Open, as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <functional>
#include <memory>

#include "CommaText.h"
#include "DateFormat.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "window/FormMain.h"

class ChartWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        view = form->TimeChartView;
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    TPlannerCore &Core() { return form->Core(); }

    // Resources 0 to count - 1 named by `name`, each working the default week.
    void SetResources(int count, const std::function<QString(int)> &name)
    {
        TPlannerCore &core = Core();
        QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
        positions.clear();
        for (int r = 0; r < count; ++r)
            positions.append(CommaTextOf({name(r)}));
        core.CreateDefaultWeekInfo();
    }

    // The document built in the core, saved and opened through the window, which is then shown.
    [[nodiscard]] bool ReopenThroughWindow()
    {
        const QString file = dir.filePath(QStringLiteral("plan.zop"));
        if (!form->File().SaveTo(file))
            return false;
        form->ActionNewExecute();
        form->Open(file);
        form->show();
        return true;
    }
    // The events a user's step leaves done.
    static void Settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    // The smooth scroll runs on its own timer until it arrives, then the events it leaves are
    // done; true when it arrived.
    bool LetScrollRun()
    {
        QElapsedTimer waited;
        waited.start();
        while (view->SliderTimer.isActive() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        Settle();
        return !view->SliderTimer.isActive();
    }
    // One notch of the mouse wheel over `target` at `at`.
    static void TurnWheel(QWidget *target, QPoint at, bool down)
    {
        QWheelEvent event(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), QPoint(0, down ? -120 : 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TTimeChartView *view = nullptr;
};
