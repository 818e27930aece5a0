// The time chart: a 1920 x 1080 chart of 200 resources with 5,000 bars in its date range,
// repainted with a warm bar cache, with deadline arrows on every third task, with texts running
// on beyond their bars, after a change of the day width (every picture stale) and for one
// smooth-scroll step; the overview strip with 100,000 bars, on 200 resources and on 1,000
// (more rows than the strip has pixels).
//
// "dense" shows all 200 rows at once (6-pixel rows at zoom 10, about 4,500 bars on screen);
// "normal" is the default look (54-pixel rows, 20 rows and about 500 bars on screen).

#include "BenchChart.h"
#include "BenchPlan.h"
#include "BenchSupport.h"

#include <QApplication>

#include "CanvasPanel.h"
#include "chart/OverviewPainter.h"
#include "chart/TimeChartView.h"

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

struct TChartBench : TBenchCore
{
    std::unique_ptr<TTimeChartView> view;

    TChartBench(int tasks, int resources, bool dense, bool deadlines = false) : TBenchCore(mrOk, 240)
    {
        UsePlannerDateFormats();
        const TDateTime first = EncodeDate(2026, 3, 2);
        FillPlan(*core, tasks, resources, first);
        if (deadlines)
            AddDeadlines();
        view = std::make_unique<TTimeChartView>(*core);
        ShowBenchChart(*view, first, dense, W, H);
        Paint();
    }
    void Paint()
    {
        view->TimeChart->repaint();
    }
    // Every third task ends two days after its deadline: an arrow each.
    void AddDeadlines()
    {
        core->BeginUpdate(QStringLiteral("deadlines"));
        const int column = core->GetTableColCount(tbTable);
        core->SetTableColCount(tbTable, column + 1);
        core->SetColumnType(tbTable, column, ctDate);
        core->SetConnection(tbTable, cnTermin, column);
        int i = 0;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) {
            if (i++ % 3 == 0)
                core->DoSetData(node, column, DateToStr(Trunc(core->GetEndOf(node)) - 2), false);
        });
        core->EndUpdate();
    }
};

// One paint that counts the bars on screen, then one paint an iteration; the bars counted.
int RepaintEachIteration(benchmark::State &state, TChartBench &bench)
{
    const int before = bench.view->Stats().barsDrawn;
    bench.Paint();
    const int drawn = bench.view->Stats().barsDrawn - before;
    for (auto _ : state)
        bench.Paint();
    return drawn;
}

void BM_ChartRepaintWarm(benchmark::State &state)
{
    TChartBench bench(5000, 200, state.range(0) != 0);
    state.counters["bars_on_screen"] = RepaintEachIteration(state, bench);
    state.counters["chart_px"] = bench.view->TimeChart->width() * bench.view->TimeChart->height();
    state.SetLabel(state.range(0) ? "dense" : "normal");
}
BENCHMARK(BM_ChartRepaintWarm)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ChartRepaintWithDeadlines(benchmark::State &state)
{
    TChartBench bench(5000, 200, state.range(0) != 0, true);
    state.counters["bars_on_screen"] = RepaintEachIteration(state, bench);
    state.SetLabel(state.range(0) ? "dense" : "normal");
}
BENCHMARK(BM_ChartRepaintWithDeadlines)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ChartRepaintFullText(benchmark::State &state)
{
    TChartBench bench(5000, 200, state.range(0) != 0);
    // Texts run on beyond their bars. Four times the day width shows a quarter of the plan,
    // its middle, so that every row has many bars that ended before the view.
    bench.view->Options().drawFullText = true;
    bench.view->SetTimeChartColWidth(bench.view->Geometry().ColWidth() * 4);
    bench.core->UpdateBoundsProc();
    bench.view->SetTimeChartDestination(EncodeDate(2026, 3, 2) + 100, 0, true);
    bench.view->InvalidateTimeChart(true);
    bench.Paint();
    state.counters["bars_on_screen"] = RepaintEachIteration(state, bench);
    state.SetLabel(state.range(0) ? "dense" : "normal");
}
BENCHMARK(BM_ChartRepaintFullText)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ChartRepaintAfterZoom(benchmark::State &state)
{
    const bool dense = state.range(0) != 0;
    TChartBench bench(5000, 200, dense);
    const int base = bench.view->Geometry().ColWidth();
    int step = 0;
    const int before = bench.view->Stats().barsRendered;
    for (auto _ : state) {
        // Another day width: every bar has another size, so every picture is rendered anew.
        bench.view->SetTimeChartColWidth(base + (++step % 2) * std::max(1, base / 8));
        bench.Paint();
    }
    state.counters["rendered_per_paint"] =
        double(bench.view->Stats().barsRendered - before) / double(std::max<qint64>(1, state.iterations()));
    state.SetLabel(dense ? "dense" : "normal");
}
BENCHMARK(BM_ChartRepaintAfterZoom)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_SmoothScrollStep(benchmark::State &state)
{
    const bool dense = state.range(0) != 0;
    TChartBench bench(5000, 200, dense);
    const TDateTime start = bench.view->Geometry().Start();
    int direction = 1;
    for (auto _ : state) {
        // One step of 2 days, then back: the picture moves, the uncovered strip is painted.
        bench.view->SetTimeChartStart(bench.view->Geometry().Start() + 2 * direction);
        QApplication::processEvents();
        if (bench.view->Geometry().Start() != start)
            direction = -direction;
    }
    state.SetLabel(dense ? "dense" : "normal");
}
BENCHMARK(BM_SmoothScrollStep)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_OverviewStrip(benchmark::State &state)
{
    UsePlannerDateFormats();
    TBenchCore plan(mrOk, 240);
    FillPlan(*plan.core, 100000, int(state.range(0)), EncodeDate(2026, 3, 2));
    plan.core->UpdateBoundsProc();
    TCoreChartModel model(*plan.core);
    TTimeChartGeometry geometry(model);
    geometry.SetChartSize(QSize(W, H));
    TChartOptions options;
    TChartPaintStats stats;
    TCanvas canvas(W, 400);
    const TOverviewPainter painter(model, geometry, options, &stats);
    painter.Paint(canvas, W, 400); // the first paint computes every end
    stats = {};
    for (auto _ : state)
        painter.Paint(canvas, W, 400);
    state.counters["bars"] = double(stats.barsDrawn) / double(std::max<qint64>(1, state.iterations()));
    state.SetLabel(QStringLiteral("%1 resources").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_OverviewStrip)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
