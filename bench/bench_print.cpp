// Printing: a table of 10,000 rows recorded through the table printer (all columns, the
// texts the table shows), and a chart of 365 days by 200 resources recorded on 4 pages,
// drawn directly at printer resolution and as pictures at screen resolution; the chart's
// pages also printed into a PDF file. Recording is what the user waits for before the
// preview shows; the PDF figure is the printing after it.

#include "BenchPlan.h"
#include "BenchSupport.h"

#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include "DialogPrintPreview.h"
#include "PrintGrid.h"
#include "PrintMetafile.h"
#include "chart/CoreChartModel.h"
#include "chart/TimeChartGeometry.h"
#include "print/ChartPrinter.h"
#include "print/TablePrinter.h"
#include "table/PlannerTables.h"

namespace {

const TDateTime First = EncodeDate(2026, 1, 5);

struct TPrintBench
{
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    TPrintPreviewDialog recorder;

    TPrintBench()
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("bench.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        recorder.SetPrinter(&printer);
    }
};

void BM_RecordTable(benchmark::State &state)
{
    UsePlannerDateFormats();
    TBenchCore plan;
    FillPlan(*plan.core, int(state.range(0)), 200, First);
    // The grids ask the table behaviour for their texts, as in the window.
    TPlannerTables tables(*plan.core);
    TPrintBench bench;
    TPrintStringGrid grid;
    TTablePrintJob job;
    job.page.header = QStringLiteral("All tasks");
    job.page.printFilename = true;
    job.page.fileName = QStringLiteral("/plans/site.zop");
    int pages = 0;
    for (auto _ : state) {
        pages = TTablePrinter(*plan.core).Record(bench.recorder, grid, job);
        bench.recorder.DonePrinting();
    }
    state.counters["rows"] = double(grid.RowCount() - 1);
    state.counters["pages"] = pages;
}
BENCHMARK(BM_RecordTable)->Arg(10000)->Unit(benchmark::kMillisecond);

struct TChartPrintBench : TPrintBench
{
    TBenchCore plan;
    std::unique_ptr<TCoreChartModel> model;
    std::unique_ptr<TTimeChartGeometry> geometry;
    TChartOptions options;

    TChartPrintBench()
    {
        UsePlannerDateFormats();
        FillPlan(*plan.core, 5000, 200, First);
        plan.core->UpdateBoundsProc();
        model = std::make_unique<TCoreChartModel>(*plan.core);
        geometry = std::make_unique<TTimeChartGeometry>(*model);
        geometry->SetChartSize(QSize(1920, 1080));
        geometry->SetStartValue(First);
    }
    int Record(bool asBitmap)
    {
        TChartPrintJob job;
        job.start = First;
        job.days = 365;
        job.pages = 4;
        job.asBitmap = asBitmap;
        job.page.footer = QStringLiteral("Site plan");
        return TChartPrinter(*model, *geometry, options).Record(recorder, job);
    }
};

void BM_RecordChart(benchmark::State &state)
{
    TChartPrintBench bench;
    const bool asBitmap = state.range(0) != 0;
    int pages = 0;
    for (auto _ : state) {
        pages = bench.Record(asBitmap);
        bench.recorder.DonePrinting();
    }
    int draws = 0;
    for (int page = 1; page <= pages; ++page)
        draws += bench.recorder.GetMetafile(page)->DrawCount();
    state.counters["pages"] = pages;
    state.counters["draws"] = draws;
    state.SetLabel(asBitmap ? "picture" : "direct");
}
BENCHMARK(BM_RecordChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PrintChartToPdf(benchmark::State &state)
{
    TChartPrintBench bench;
    const bool asBitmap = state.range(0) != 0;
    for (auto _ : state) {
        bench.Record(asBitmap);
        if (!bench.recorder.PrintAll())
            state.SkipWithError("the PDF printer refused the job");
    }
    state.counters["pdf_bytes"] = double(QFileInfo(bench.printer.outputFileName()).size());
    state.SetLabel(asBitmap ? "picture" : "direct");
}
BENCHMARK(BM_PrintChartToPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
