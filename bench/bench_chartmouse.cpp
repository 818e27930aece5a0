// Working in the chart: one drag step moving 50 selected bars by a day, one rubber-band move
// over a chart of 5,000 bars, and a picture of 365 days x 200 rows rendered and written as a
// JPEG file. All on a plan of 5,000 tasks on 200 resources.

#include "BenchChart.h"
#include "BenchPlan.h"
#include "BenchSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "CanvasPanel.h"
#include "Jpeg.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "core/UndoRedo.h"
#include "dialogs/Form1.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

struct TMouseBench : TBenchCore
{
    std::unique_ptr<TTimeChartView> view;
    std::unique_ptr<TTimeChartMouse> mouse;
    TDateTime first = EncodeDate(2026, 3, 2);

    explicit TMouseBench(bool dense) : TBenchCore(mrOk, 240)
    {
        UsePlannerDateFormats();
        FillPlan(*core, 5000, 200, first);
        view = std::make_unique<TTimeChartView>(*core);
        mouse = std::make_unique<TTimeChartMouse>(*view);
        ShowBenchChart(*view, first, dense, W, H);
        view->TimeChart->repaint();
    }
    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
              QPoint p)
    {
        QMouseEvent event(type, QPointF(p), QPointF(view->TimeChart->mapToGlobal(p)), button, buttons, modifiers);
        QApplication::sendEvent(view->TimeChart, &event);
    }
};

void BM_DragStepOf50Bars(benchmark::State &state)
{
    TMouseBench bench(false);
    TPlannerCore &core = *bench.core;
    TBaseTreeGrid *grid = core.GetTable(tbTable);
    // The first 50 bars that lie on screen clear of the row captions, all selected.
    std::vector<TNodeData *> shown;
    core.ForEach(tbTable, feAll, [&](TNodeData *node) {
        const QRect r = bench.view->Geometry().ScreenItemRect(*node);
        if (shown.size() < 50 && r.width() > 12 && r.left() > 300 && bench.view->TimeChart->rect().contains(r))
            shown.push_back(node);
    });
    if (shown.size() < 50) {
        state.SkipWithError("fewer than 50 bars on screen");
        return;
    }
    for (TNodeData *node : shown)
        grid->SetSelected(node->VNode, true);
    // Autoscroll off: the step alone is measured, not the chart following it.
    bench.mouse->autoscroll->setChecked(false);
    const QPoint from = bench.view->Geometry().ScreenItemRect(*shown.front()).center();
    bench.Send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier, from);
    bench.mouse->UpdateTimeChartHint();
    bench.Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, from);
    if (bench.mouse->State() != msMoveItem) {
        state.SkipWithError("the press did not grab a bar");
        return;
    }
    const int day = bench.view->Geometry().GetTimeChartColWidth();
    int step = 0;
    for (auto _ : state) {
        // A day right, then back (days are truncated towards the bar's start).
        const QPoint to = from + QPoint((++step % 2) ? day + 1 : 1 - day, 0);
        bench.Send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::NoModifier, to);
    }
    bench.Send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, from);
    state.counters["moved"] = double(core.SelectedCount(tbTable));
    state.counters["undo_entries"] = double(core.UndoStack().UndoList().size());
}
BENCHMARK(BM_DragStepOf50Bars)->Unit(benchmark::kMillisecond);

void BM_RubberBandMove(benchmark::State &state)
{
    TMouseBench bench(true);
    const QPoint from(2, 2);
    bench.Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier, from);
    int step = 0;
    for (auto _ : state) {
        // The band grows over most of the chart and shrinks again: thousands of bars change.
        const QPoint to = (++step % 2) ? QPoint(W - 100, H - 100) : QPoint(W / 3, H / 3);
        bench.Send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier, to);
    }
    state.counters["selected"] = double(bench.core->SelectedCount(tbTable));
    bench.Send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier, from);
}
BENCHMARK(BM_RubberBandMove)->Unit(benchmark::kMillisecond);

void BM_PictureOfAYear(benchmark::State &state)
{
    TMouseBench bench(false);
    // 8 pixels per day: 2,920 x about 200 rows of pixels.
    bench.view->SetTimeChartColWidth(8);
    QTemporaryDir dir;
    TForm1 form(*bench.view, *bench.sync);
    form.RadioButton3->setChecked(true);
    form.EditTage->setValue(365);
    for (auto _ : state) {
        if (!form.redrawGraphics() || !platform::writeJpeg(dir.filePath(QStringLiteral("year.jpg")), form.Bitmap(), 90)) {
            state.SkipWithError("the picture was not written");
            return;
        }
    }
    state.counters["width"] = form.Bitmap().width();
    state.counters["height"] = form.Bitmap().height();
}
BENCHMARK(BM_PictureOfAYear)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
