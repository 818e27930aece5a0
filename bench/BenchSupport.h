#pragma once

// Pieces the benchmarks share: a planner core on grids nobody shows, the date formats the
// sample rows are written in, peak memory and throughput figures.

#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <QString>

#include <sys/resource.h>

#include <memory>

#include "DateFormat.h"
#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "core/UndoRedo.h"
#include "treegrid/StringTreeGrid.h"

// A window that is never shown: every question gets `answer`, the chart is `chartDays` wide.
class TBenchWindow : public IPlannerWindow
{
public:
    explicit TBenchWindow(int answer = mrOk, int chartDays = 0) : FAnswer(answer), FChartDays(chartDays) {}

    void InvalidateRow(TNodeData &) override {}
    void InvalidateChart() override {}
    void SetStatusText(int, const QString &) override {}
    int Ask(const QString &, TMsgDlgType, TMsgDlgButtons) override { return FAnswer; }
    void SetBusyCursor(bool) override {}
    int TimeChartWidthInDays() const override { return FChartDays; }

private:
    int FAnswer;
    int FChartDays;
};

// A fresh document as File/New leaves it. The core refers to the window, undo list and grids,
// so it is built after them and goes first.
struct TBenchCore
{
    TBenchWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TStringTreeGrid> absent{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TPlannerCore> core;

    explicit TBenchCore(int answer = mrOk, int chartDays = 0) : window(answer, chartDays)
    {
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        core->ActionNewExecute();
    }
    ~TBenchCore() { core.reset(); }
    TBenchCore(const TBenchCore &) = delete;
    TBenchCore &operator=(const TBenchCore &) = delete;
};

// Day-first dates and 24-hour times, the way the benchmark rows write their cells.
inline void UsePlannerDateFormats()
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
}

// Peak resident memory of the process so far; it only grows, so one benchmark per process
// gives a clean figure.
inline double PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

// Throughput counter for `bytes` handled once per iteration.
inline benchmark::Counter MegabytesPerSecond(double bytes)
{
    return benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Words of the generated sample documents.
inline constexpr const char *kBenchTaskNames[] = {"Install server", "Review drawings", "Weld frame",
                                                  "Paint hall B",   "Customer visit",  "Order material",
                                                  "Test run",       "Mount cabinet"};
inline constexpr const char *kBenchPeople[] = {"Mueller", "Schmidt", "Novak", "Dubois", "Rossi", "Jensen"};
