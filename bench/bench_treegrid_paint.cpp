// Tree-grid drawing and geometry: a full repaint of a 1280 x 800 view of 12 columns with
// handlers that colour cells and change fonts as the planner's do, one line of scrolling, and
// position lookups on a million rows.

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <memory>
#include <random>

#include "Canvas.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridWorkerThread.h"

namespace {

constexpr int ViewWidth = 1280;
constexpr int ViewHeight = 800;
constexpr int Columns = 12;

// Waits for the worker's position cache (trees above 2,000 rows).
void WaitForCache(TBaseTreeGrid &tree)
{
    QElapsedTimer timer;
    timer.start();
    while (!tree.TreeStates().contains(tsUseCache) && timer.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A table like the planner's: texts per cell, bold and coloured cells, a shaded column,
// grid lines and full-row selection.
std::unique_ptr<TStringTreeGrid> MakeTable(std::uint32_t rows)
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetBorderStyle(bsNone);
    tree->resize(ViewWidth, ViewHeight);
    TTreeGridColumns *columns = tree->Header()->Columns();
    for (int i = 0; i < Columns; ++i)
        columns->Add()->SetWidth(i == 0 ? 160 : 102);
    auto &options = tree->TreeOptions();
    options.SetPaintOptions(options.PaintOptions() + toShowHorzGridLines + toShowVertGridLines - toShowRoot
                            - toShowTreeLines);
    options.SetSelectionOptions(options.SelectionOptions() + toFullRowSelect + toMultiSelect);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        switch (column) {
        case 0: text = QStringLiteral("Task %1 of the planning").arg(node->Index); break;
        case 1: text = QStringLiteral("2026-03-%1").arg(1 + node->Index % 28); break;
        case 2: text = QString::number(node->Index % 97); break;
        default: text = QStringLiteral("Cell %1.%2 with text").arg(node->Index).arg(column); break;
        }
    };
    tree->OnPaintText = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode node, TColumnIndex column, TVSTTextType) {
        if (node->Index % 5 == 0)
            canvas.Font().SetStyle(fsBold);
        if (column == 2 && node->Index % 3 == 0)
            canvas.Font().SetColor(clRed);
    };
    tree->OnBeforeCellPaint = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode node, TColumnIndex column,
                                 TTGCellPaintMode mode, const QRect &cellRect, QRect &) {
        if (mode != cpmPaint)
            return;
        if (column == 3 || (column == 5 && node->Index % 4 == 0)) {
            canvas.Brush().SetColor(column == 3 ? 0xE0F0FF : 0xD0FFD0);
            canvas.FillRect(cellRect);
        }
    };
    tree->SetRootNodeCount(rows);
    tree->show();
    QApplication::processEvents();
    if (rows > TBaseTreeGrid::PositionCacheStep)
        WaitForCache(*tree);
    for (PGridNode run = tree->GetFirst(); run; run = tree->GetNextSibling(run))
        if (run->Index % 17 == 0)
            tree->SetSelected(run, true);
    return tree;
}

void BM_FullRepaint(benchmark::State &state)
{
    auto tree = MakeTable(std::uint32_t(state.range(0)));
    // In the middle of the table, so that large tables find their first row by the cache.
    tree->SetOffsetY(-int(tree->RangeY() / 2));
    QImage image(tree->ClientWidth(), tree->ClientHeight(), QImage::Format_RGB32);
    TCanvas canvas(&image);
    for (auto _ : state)
        tree->Paint(canvas, image.rect());
    state.counters["rows_in_view"] = double(tree->ClientHeight()) / tree->DefaultNodeHeight();
}

// A full repaint of rows never painted before (a page further each time): nothing measured
// earlier can be reused.
void BM_FullRepaintOfNewRows(benchmark::State &state)
{
    auto tree = MakeTable(std::uint32_t(state.range(0)));
    QImage image(tree->ClientWidth(), tree->ClientHeight(), QImage::Format_RGB32);
    TCanvas canvas(&image);
    for (auto _ : state) {
        state.PauseTiming();
        if (-tree->OffsetY() + 2 * tree->ClientHeight() >= tree->RangeY())
            tree->SetOffsetY(0);
        else
            tree->SetOffsetY(tree->OffsetY() - tree->ClientHeight());
        state.ResumeTiming();
        tree->Paint(canvas, image.rect());
    }
}

void BM_ScrollOneLine(benchmark::State &state)
{
    auto tree = MakeTable(std::uint32_t(state.range(0)));
    tree->SetOffsetY(-int(tree->RangeY() / 2));
    QImage image(tree->ClientWidth(), tree->ClientHeight(), QImage::Format_RGB32);
    TCanvas canvas(&image);
    int direction = -1;
    for (auto _ : state) {
        // Move by one line and paint what the move uncovers.
        const int step = int(tree->DefaultNodeHeight());
        tree->SetOffsetY(tree->OffsetY() + direction * step);
        const QRect uncovered = direction < 0 ? QRect(0, tree->ClientHeight() - step, tree->ClientWidth(), step)
                                              : QRect(0, 0, tree->ClientWidth(), step);
        tree->Paint(canvas, uncovered);
        direction = -direction;
    }
}

void BM_NodeLookups(benchmark::State &state)
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->resize(400, 300);
    tree->SetRootNodeCount(1000000);
    tree->show();
    QApplication::processEvents();
    WaitForCache(*tree);
    if (!tree->TreeStates().contains(tsUseCache))
        state.SkipWithError("no position cache");
    std::mt19937 random(7);
    std::vector<PGridNode> nodes;
    for (PGridNode run = tree->GetFirstNoInit(); run; run = run->NextSibling)
        if (random() % 997 == 0)
            nodes.push_back(run);
    std::uniform_int_distribution<int> position(0, int(tree->RangeY() - 1));
    std::size_t i = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            int top = 0;
            benchmark::DoNotOptimize(tree->GetNodeAt(0, position(random), false, top));
        } else {
            benchmark::DoNotOptimize(tree->GetDisplayRect(nodes[i++ % nodes.size()], NoColumn, false));
        }
    }
}

// Repainting every row of a shown table one by one (as a command over all rows outside an
// update bracket does).
void BM_InvalidateEveryRow(benchmark::State &state)
{
    auto tree = MakeTable(std::uint32_t(state.range(0)));
    for (auto _ : state) {
        for (PGridNode run = tree->GetFirst(); run; run = tree->GetNextSibling(run))
            tree->InvalidateNode(run);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_InvalidateEveryRow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FullRepaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaintOfNewRows)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollOneLine)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NodeLookups)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
