// Scheduling at scale: 100,000 tasks on 300 positions with realistic working weeks, 2,000
// absent days and ten years of public holidays. Times the outermost EndUpdate (every end
// computed again, validity, bounds) and one edit that moves one task, in day and minute mode.

#include "BenchSupport.h"

#include <random>

#include "CommaText.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kPositions = 300;
constexpr int kAbsences = 2000;

// Full-time, part-time, with Saturday, early and late shifts.
tWeekInfo RealisticWeek(std::mt19937 &random)
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

// A chart of 60 days is open, as in the main window.
struct TPlan : TBenchCore
{
    TNodeData *probe = nullptr;

    explicit TPlan(TMinUnit unit) : TBenchCore(mrOk, 60)
    {
        std::mt19937 random(1234);
        core->BeginUpdate(QStringLiteral("loading"));
        core->SetMinUnit(unit);
        QStringList &positions = core->ColumnStrings(tbTable, 0);
        positions.clear();
        for (int p = 0; p < kPositions; ++p)
            positions.append(CommaTextOf({QStringLiteral("Resource %1").arg(p),
                                          WeekInfo2String(RealisticWeek(random)),
                                          QString::number(p % 20 == 0 ? 2 : 1)}));
        for (const auto &[name, day, month] : {std::tuple{"New Year", 1, 1}, {"Labour Day", 1, 5},
                                               {"Unity Day", 3, 10}, {"Christmas", 25, 12},
                                               {"Boxing Day", 26, 12}})
            core->AddHoliday(QString::fromLatin1(name), day, month, true, false);
        for (const auto &[name, offset] : {std::pair{"Good Friday", -2}, {"Easter Monday", 1},
                                           {"Ascension", 39}, {"Whit Monday", 50}, {"Corpus Christi", 60}})
            core->AddHoliday(QString::fromLatin1(name), offset, 0, true, true);

        const TDateTime first = EncodeDate(2020, 1, 1);
        const int span = 3650;
        auto position = [&](std::mt19937 &r) { return QStringLiteral("Resource %1").arg(int(r() % kPositions)); };
        for (int a = 0; a < kAbsences; ++a) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, false);
            core->DoSetData(node, 0, a % 100 == 0 ? QStringLiteral("*") : position(random), false);
            core->DoSetStartOf(node, false, first + double(random() % span));
            core->DoSetData(node, core->GetConnection(tbExclude, cnLength), QString::number(1 + random() % 10), false);
        }
        for (int t = 0; t < kTasks; ++t) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, 0, position(random), false);
            TDateTime start = first + double(random() % span);
            if (unit == muMinute)
                start += (420 + 15 * int(random() % 32)) / 1440.0;
            core->DoSetStartOf(node, false, start);
            core->DoSetLengthOf(node, 480 * int(1 + random() % 15) + (unit == muMinute ? 15 * int(random() % 32) : 0), false);
            if (t == kTasks / 2)
                probe = node;
        }
        core->EndUpdate();
        // The range now spans the ten years: their holidays are expanded.
        core->UpdateBoundsProc();
        core->CheckAllValid();
    }
};

void BM_OutermostEndUpdate(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    for (auto _ : state) {
        plan.core->BeginUpdate(QString());
        plan.core->EndUpdate();
    }
    int valid = 0;
    plan.core->ForEach(tbTable, feAll, [&valid](TNodeData *node) { valid += node->nodeValid ? 1 : 0; });
    state.counters["valid"] = valid;
    state.counters["holidays"] = plan.core->FAutoExcludeList.Count();
    state.SetItemsProcessed(state.iterations() * kTasks);
}

void BM_MoveOneTask(benchmark::State &state)
{
    TPlan plan(TMinUnit(state.range(0)));
    TDateTime start = plan.core->GetStartOf(plan.probe);
    for (auto _ : state) {
        start += 1;
        plan.core->SetStartOf(plan.probe, start);
        benchmark::DoNotOptimize(plan.core->GetEndOf(plan.probe));
    }
}

} // namespace

BENCHMARK(BM_OutermostEndUpdate)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveOneTask)->Arg(muDay)->Arg(muMinute)->Unit(benchmark::kMicrosecond)->Iterations(200);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm")); });
}
