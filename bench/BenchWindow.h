#pragma once

// The main window (offscreen, 1600 x 1000) showing a generated plan (BenchPlan.h, as make_plan
// writes it): `tasks` tasks on a hundredth as many resources (at least 10) in ten group tabs,
// every deferred work done. The window-level benchmarks time what a user waits for, until the
// window has painted again and the idle processing has run.

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include "BenchPlan.h"
#include "BenchSupport.h"
#include "treegrid/BaseTreeGrid.h"
#include "window/FormMain.h"

// The main window with every question answered OK.
class TBenchMainForm : public TMainForm
{
public:
    int Ask(const QString &, TMsgDlgType, TMsgDlgButtons) override { return mrOk; }
};

struct TWindowPlan
{
    static constexpr int kGroups = 10;

    std::unique_ptr<TBenchMainForm> form = std::make_unique<TBenchMainForm>();
    TPlannerCore &core = form->Core();
    int tasks;
    int resources;

    explicit TWindowPlan(int taskCount = 100000)
        : tasks(taskCount), resources(std::max(kGroups, taskCount / 100))
    {
        FillPlan(core, tasks, resources, Date() - 21);
        core.BeginUpdate(QStringLiteral("groups"));
        for (int g = 0; g < kGroups; ++g) {
            QStringList members;
            for (int r = g * (resources / kGroups); r < (g + 1) * (resources / kGroups); ++r)
                members.append(CommaTextOf({PlanResourceName(r)}));
            core.AddPositionGroup(QStringLiteral("Group %1").arg(g + 1), CommaTextOf(members));
        }
        core.EndUpdate();
        core.UndoStack().Clear();
        form->resize(1600, 1000);
        form->show();
        Settle();
    }

    // Paints what is pending and runs the deferred work as the idle timer would.
    void Settle()
    {
        QApplication::processEvents();
        RunDeferred();
        QApplication::processEvents();
    }
    void RunDeferred()
    {
        if (core.OverlappingTimer().isActive())
            core.OverlappingTimerTimer();
        core.IdleTimerTimer();
    }
};

// Bench executables run with their own settings folders and ask nobody on the web.
inline int RunWindowBenchmarks(int argc, char **argv)
{
    qputenv("VELMORA_UPDATE_URL", "");
    QTemporaryDir home;
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        qputenv(name, home.filePath(QString::fromLatin1(name)).toLocal8Bit());
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
