// Tree-grid input: a rubber band stretched over 5,000 rows of a planner-like table, each
// mouse move taking one row in or out (counters: change notifications per move, which must be
// 1, and the rows the band holds); focusing the deepest node of a collapsed chain 1,200 and
// 1,500 levels deep, which expands every ancestor.

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <memory>

#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

constexpr int ViewWidth = 1280;
constexpr int ViewHeight = 800;
constexpr int Columns = 12;

std::unique_ptr<TStringTreeGrid> MakeTable(std::uint32_t rows)
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetBorderStyle(bsNone);
    tree->resize(ViewWidth, ViewHeight);
    TTreeGridColumns *columns = tree->Header()->Columns();
    for (int i = 0; i < Columns; ++i)
        columns->Add()->SetWidth(i == 0 ? 160 : 102);
    auto &options = tree->TreeOptions();
    options.SetPaintOptions(options.PaintOptions() + toShowHorzGridLines + toShowVertGridLines);
    options.SetSelectionOptions(options.SelectionOptions() + toFullRowSelect + toMultiSelect);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        switch (column) {
        case 0: text = QStringLiteral("Task %1").arg(node->Index); break;
        case 1: text = QStringLiteral("2026-03-%1").arg(1 + node->Index % 28); break;
        default: text = QString::number(node->Index % 97); break;
        }
    };
    tree->SetRootNodeCount(rows);
    tree->show();
    QElapsedTimer timer;
    timer.start();
    while (!tree->TreeStates().contains(tsUseCache) && timer.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return tree;
}

void Send(TBaseTreeGrid &tree, QEvent::Type type, QPoint p, Qt::MouseButtons buttons)
{
    QWidget *viewport = tree.viewport();
    QMouseEvent event(type, QPointF(p), QPointF(viewport->mapToGlobal(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// Presses in row 0 right of its texts, then stretches the band to the last row.
void StretchBand(TBaseTreeGrid &tree, int &bottomY)
{
    tree.SetOffsetY(0);
    Send(tree, QEvent::MouseButtonPress, QPoint(300, 5), Qt::LeftButton);
    tree.SetOffsetY(-int(tree.RangeY()));
    bottomY = tree.ClientHeight() - int(tree.DefaultNodeHeight()) / 2;
    Send(tree, QEvent::MouseMove, QPoint(5, bottomY), Qt::LeftButton);
}

void BM_RubberBandMove(benchmark::State &state)
{
    const auto rows = std::uint32_t(state.range(0));
    auto tree = MakeTable(rows);
    const bool paint = state.range(1) != 0;
    std::int64_t notifications = 0;
    tree->OnChange = [&](TBaseTreeGrid *, PGridNode) { ++notifications; };
    int bottomY = 0;
    StretchBand(*tree, bottomY);
    if (!tree->TreeStates().contains(tsDrawSelecting) || tree->SelectedCount() < int(rows) - 1) {
        state.SkipWithError("the band did not reach the last row");
        return;
    }
    notifications = 0;
    const int rowHeight = int(tree->DefaultNodeHeight());
    bool up = true;
    std::int64_t moves = 0;
    for (auto _ : state) {
        // One row out of the band, then back in.
        Send(*tree, QEvent::MouseMove, QPoint(5, up ? bottomY - rowHeight : bottomY), Qt::LeftButton);
        if (paint)
            QApplication::processEvents();
        up = !up;
        ++moves;
    }
    state.counters["notifications_per_move"] = double(notifications) / double(std::max<std::int64_t>(1, moves));
    state.counters["rows_selected"] = tree->SelectedCount();
    Send(*tree, QEvent::MouseButtonRelease, QPoint(5, bottomY), Qt::NoButton);
}

// A chain of nodes, each the only child of the one before, all collapsed; focusing the
// deepest expands every ancestor (once per focus).
void BM_FocusDeepNode(benchmark::State &state)
{
    const auto depth = int(state.range(0));
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetBorderStyle(bsNone);
    tree->resize(ViewWidth, ViewHeight);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = QStringLiteral("Level %1").arg(node->Index);
    };
    tree->BeginUpdate();
    PGridNode deepest = nullptr;
    for (int level = 0; level < depth; ++level)
        deepest = tree->AddChild(deepest);
    tree->EndUpdate();
    tree->show();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        tree->SetFocusedNode(nullptr);
        tree->FullCollapse();
        QApplication::processEvents();
        state.ResumeTiming();
        tree->SetFocusedNode(deepest);
    }
    if (tree->FocusedNode() != deepest || !tree->IsRowVisible(deepest)
        || !tree->viewport()->rect().intersects(tree->GetDisplayRect(deepest, NoColumn, false)))
        state.SkipWithError("the deepest node is not focused and in view");
    state.counters["visible_rows"] = tree->VisibleCount();
}

} // namespace

BENCHMARK(BM_FocusDeepNode)->Arg(1200)->Arg(1500)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RubberBandMove)->Args({5000, 0})->Args({5000, 1})->Args({50000, 0})->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
