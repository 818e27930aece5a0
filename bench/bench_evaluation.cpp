// The evaluations at scale: the utilisation of 10,000 tasks over two years in day mode and in
// minute mode (the task count, a column's sum and the average over all resources), and a
// search that finds nothing in 100,000 rows of eight columns; the absence report of a year.

#include "BenchSupport.h"

#include <QRandomGenerator>

#include "table/AbsenceReport.h"
#include "table/Evaluations.h"
#include "table/TableSearch.h"

namespace {

constexpr int kTasks = 10000;
constexpr int kSearchRows = 100000;
constexpr int kAbsencePositions = 500;
constexpr int kAbsences = 20000;

// 10,000 tasks on 50 resources with starts spread over two years.
struct TEvaluationDocument : TBenchCore
{
    explicit TEvaluationDocument(TMinUnit unit)
    {
        UsePlannerDateFormats();
        core->SetMinUnit(unit);
        QStringList &positions = core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition));
        positions.clear();
        for (int r = 0; r < 50; ++r)
            positions.append(CommaTextOf({QStringLiteral("Resource %1").arg(r)}));
        core->CreateDefaultWeekInfo();
        QRandomGenerator random(31);
        const TDateTime first = EncodeDate(2025, 1, 1);
        core->BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < kTasks; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, Column(cnPosition), QStringLiteral("Resource %1").arg(random.bounded(50)), false);
            TDateTime start = first + random.bounded(700);
            QString length = QString::number(1 + random.bounded(10));
            if (unit == muMinute) {
                start += (420 + random.bounded(480)) / 1440.0;
                length = QStringLiteral("%1,%2").arg(random.bounded(40)).arg(random.bounded(60));
            }
            core->DoSetData(node, Column(cnStart), core->FormatDateTime(start), false);
            core->DoSetData(node, Column(cnLength), length, false);
        }
        core->EndUpdate();
        core->UpdateBoundsProc();
    }
    int Column(TConnection cn) const { return core->GetConnection(tbTable, cn); }
};

void RunEvaluations(benchmark::State &state, TMinUnit unit)
{
    TEvaluationDocument document(unit);
    TEvaluations evaluations(*document.core);
    const int length = document.Column(cnLength);
    std::size_t points = 0;
    for (auto _ : state) {
        points = evaluations.TaskCount().points.size();
        points += evaluations.ColumnSum(length).points.size();
        points += evaluations.ResourceSum(length, -1, QStringLiteral("Length")).points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = double(points);
    state.counters["days"] = document.core->MaxDate() - document.core->MinDate();
}

// Each iteration computes all three charts; the goal holds per chart.
void BM_EvaluationDayMode(benchmark::State &state)
{
    RunEvaluations(state, muDay);
}
BENCHMARK(BM_EvaluationDayMode)->Unit(benchmark::kMillisecond);

void BM_EvaluationMinuteMode(benchmark::State &state)
{
    RunEvaluations(state, muMinute);
}
BENCHMARK(BM_EvaluationMinuteMode)->Unit(benchmark::kMillisecond);

void BM_SearchWithoutMatch(benchmark::State &state)
{
    TBenchCore document;
    UsePlannerDateFormats();
    TPlannerCore &core = *document.core;
    core.InsertColumn(tbTable, core.GetTableColCount(tbTable));
    core.InsertColumn(tbTable, core.GetTableColCount(tbTable));
    const int columns = core.GetTableColCount(tbTable);
    QRandomGenerator random(8);
    core.BeginUpdate(QStringLiteral("filling"));
    for (int i = 0; i < kSearchRows; ++i) {
        TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, false);
        for (int column = 0; column < columns; ++column)
            core.DoSetData(node, column,
                           QString::fromLatin1(kBenchTaskNames[random.bounded(8)]) + QLatin1Char(' ')
                               + QString::fromLatin1(kBenchPeople[random.bounded(6)]) + QString::number(i % 97),
                           false);
    }
    core.EndUpdate();
    TTableSearch search(core);
    for (auto _ : state)
        benchmark::DoNotOptimize(search.FindFirst(QStringLiteral("Zeppelin")));
    state.counters["cells"] = double(kSearchRows) * columns;
}
BENCHMARK(BM_SearchWithoutMatch)->Unit(benchmark::kMillisecond);

// The absence report of a year over 500 resources and 20,000 absent days spread over two
// years, a third of them reaching over the year's edges or outside it.
void BM_AbsenceReport(benchmark::State &state)
{
    TBenchCore document;
    UsePlannerDateFormats();
    TPlannerCore &core = *document.core;
    QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
    positions.clear();
    for (int r = 0; r < kAbsencePositions; ++r)
        positions.append(CommaTextOf({QStringLiteral("Resource %1").arg(r)}));
    core.ColumnStrings(tbExclude, core.GetConnection(tbExclude, cnColor)) =
        QStringList{QStringLiteral("Holiday"), QStringLiteral("Illness"), QStringLiteral("Training")};
    core.CreateDefaultWeekInfo();
    QRandomGenerator random(57);
    const TDateTime first = EncodeDate(2025, 7, 1);
    core.BeginUpdate(QStringLiteral("filling"));
    for (int i = 0; i < kAbsences; ++i) {
        TNodeData *node = core.AddNode(core.GetFreeID(), tbExclude, false);
        const auto set = [&](TConnection cn, const QString &text) {
            core.DoSetData(node, core.GetConnection(tbExclude, cn), text, false);
        };
        set(cnPosition, QStringLiteral("Resource %1").arg(random.bounded(kAbsencePositions)));
        set(cnStart, core.FormatDateTime(first + random.bounded(730)));
        set(cnLength, QString::number(1 + random.bounded(15)));
        set(cnColor, core.GetColumnStrings(tbExclude, core.GetConnection(tbExclude, cnColor))[random.bounded(3)]);
        set(cnLengthWithWeekend, BoolName(i % 2 == 0));
    }
    core.EndUpdate();
    TAbsenceReport report(core);
    qsizetype lines = 0;
    for (auto _ : state) {
        lines = report.Lines(EncodeDate(2026, 1, 1), EncodeDate(2026, 12, 31)).size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_AbsenceReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
