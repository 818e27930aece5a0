#pragma once

// Pieces the benchmarks share: a planner core on grids nobody shows, the date formats the
// sample rows are written in, peak memory and throughput figures.

#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <QString>

#include <sys/resource.h>

#include <cmath>
#include <memory>
#include <random>
#include <tuple>
#include <utility>

#include "CommaText.h"
#include "DateFormat.h"
#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "core/UndoRedo.h"
#include "document/DocumentFile.h"
#include "sync/DocumentSync.h"
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
// so it is built after them and goes first; its synchronisation and file go before it.
struct TBenchCore
{
    TBenchWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TStringTreeGrid> absent{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TPlannerCore> core;
    std::unique_ptr<TDocumentSync> sync;
    std::unique_ptr<TDocumentFile> file;

    explicit TBenchCore(int answer = mrOk, int chartDays = 0) : window(answer, chartDays)
    {
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        sync = std::make_unique<TDocumentSync>(*core);
        file = std::make_unique<TDocumentFile>(*core, *sync);
        core->ActionNewExecute();
    }
    ~TBenchCore()
    {
        file.reset();
        sync.reset();
        core.reset();
    }
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

// A plan at the scale of a large site: `tasks` tasks over ten years (2020-2029) on 300
// resources with full-time, part-time, Saturday and shift weeks (every twentieth resource two
// chart rows), 2,000 absent days (every hundredth for all) and ten public holidays a year,
// five of them Easter-based. Filled as loading fills a document: inside one bracket, without
// journal; the bracket closes, so every end is computed. Returns the task in the middle.
inline constexpr int kPlanPositions = 300;
inline constexpr int kPlanAbsences = 2000;

inline tWeekInfo BenchWeek(std::mt19937 &random)
{
    tWeekInfo week;
    const int start = 360 + 30 * int(random() % 6);
    const bool partTime = random() % 5 == 0;
    const bool saturday = random() % 4 == 0;
    for (int d = 0; d < 7; ++d) {
        TDayInfo &day = week[d];
        day.active = (d >= 1 && d <= 5) || (d == 6 && saturday);
        day.start = TTimeOfDay(start);
        day.length = partTime ? 240 : 480;
        day.pause[0] = {TTimeOfDay(start + 120), 15};
        day.pause[1] = {TTimeOfDay(start + 300), partTime ? 0 : 30};
        day.ende = TTimeOfDay(start + day.length + 15 + day.pause[1].length);
    }
    return week;
}

inline TNodeData *FillBenchPlan(TPlannerCore &core, TMinUnit unit, int tasks)
{
    std::mt19937 random(1234);
    TNodeData *probe = nullptr;
    core.BeginUpdate(QStringLiteral("loading"));
    core.SetMinUnit(unit);
    // Three columns of the user's own: an order number, a customer and a deadline.
    const int order = core.GetTableColCount(tbTable);
    for (const auto &[caption, type] : {std::pair{"Order", ctText}, {"Customer", ctText}, {"Due", ctDate}}) {
        const int column = core.GetTableColCount(tbTable);
        core.InsertColumn(tbTable, column);
        core.SetColumnCaption(tbTable, column, QString::fromLatin1(caption));
        core.SetColumnType(tbTable, column, type);
    }
    core.SetConnection(tbTable, cnTermin, order + 2);
    QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
    positions.clear();
    for (int p = 0; p < kPlanPositions; ++p)
        positions.append(CommaTextOf({QStringLiteral("Resource %1").arg(p), WeekInfo2String(BenchWeek(random)),
                                      QString::number(p % 20 == 0 ? 2 : 1)}));
    for (const auto &[name, day, month] : {std::tuple{"New Year", 1, 1}, {"Labour Day", 1, 5},
                                           {"Unity Day", 3, 10}, {"Christmas", 25, 12}, {"Boxing Day", 26, 12}})
        core.AddHoliday(QString::fromLatin1(name), day, month, true, false);
    for (const auto &[name, offset] : {std::pair{"Good Friday", -2}, {"Easter Monday", 1}, {"Ascension", 39},
                                       {"Whit Monday", 50}, {"Corpus Christi", 60}})
        core.AddHoliday(QString::fromLatin1(name), offset, 0, true, true);

    const TDateTime first = EncodeDate(2020, 1, 1);
    const int span = 3650;
    auto position = [](std::mt19937 &r) { return QStringLiteral("Resource %1").arg(int(r() % kPlanPositions)); };
    for (int a = 0; a < kPlanAbsences; ++a) {
        TNodeData *node = core.AddNode(core.GetFreeID(), tbExclude, false);
        core.DoSetData(node, core.GetConnection(tbExclude, cnPosition),
                       a % 100 == 0 ? QStringLiteral("*") : position(random), false);
        core.DoSetStartOf(node, false, first + double(random() % span));
        core.DoSetData(node, core.GetConnection(tbExclude, cnLength), QString::number(1 + random() % 10), false);
    }
    for (int t = 0; t < tasks; ++t) {
        TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, false);
        core.DoSetData(node, core.GetConnection(tbTable, cnPosition), position(random), false);
        TDateTime start = first + double(random() % span);
        if (unit == muMinute)
            start += (420 + 15 * int(random() % 32)) / 1440.0;
        core.DoSetStartOf(node, false, start);
        core.DoSetLengthOf(node, 480 * int(1 + random() % 15) + (unit == muMinute ? 15 * int(random() % 32) : 0), false);
        core.DoSetData(node, core.GetConnection(tbTable, cnTextCenterMiddle),
                       QStringLiteral("%1 for %2").arg(QString::fromLatin1(kBenchTaskNames[t % 8]),
                                                       QString::fromLatin1(kBenchPeople[t % 6])), false);
        core.DoSetData(node, order, QStringLiteral("ORD-%1").arg(100000 + t % 40000), false);
        core.DoSetData(node, order + 1, QString::fromLatin1(kBenchPeople[(t / 7) % 6]) + QStringLiteral(" GmbH"), false);
        if (t % 4 == 0)
            core.DoSetData(node, order + 2, core.FormatDateTime(std::trunc(start) + 30), false);
        if (t == tasks / 2)
            probe = node;
    }
    core.EndUpdate();
    return probe;
}
