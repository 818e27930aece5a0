#pragma once

// A main window whose chart the tests drive; documents are built in its core, saved and
// opened again through the window's Open, as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

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

    // The document built in the core, saved and opened through the window, which is then shown.
    [[nodiscard]] bool ReopenThroughWindow()
    {
        const QString file = dir.filePath(QStringLiteral("plan.zop"));
        if (!Core().SaveTo(file))
            return false;
        form->ActionNewExecute();
        form->Open(file);
        form->show();
        return true;
    }

    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TTimeChartView *view = nullptr;
};
