// Spreadsheet exchange at scale: exporting a document of 100,000 tasks with 8 columns to a
// workbook, and importing such a workbook into an empty document through the write path
// (journalled, undoable). Reports the time per run, the workbook's size and the process's
// peak resident memory (which only grows: run one benchmark per process for a clean figure,
// --benchmark_filter=BM_Export or BM_Import).

#include "BenchSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include "WorkbookWriter.h"
#include "exchange/SpreadsheetExchange.h"

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 8;

// The cells of row i, the way a planner fills them.
QStringList RowCells(int i)
{
    const TDateTime start = EncodeDate(2026, 1, 5) + i % 700;
    return {QStringLiteral("Position %1").arg(1 + i % 3),
            DateToStr(start),
            QString(),
            QString::number(1 + i % 9),
            QString(),
            QStringLiteral("%1 number %2 & more").arg(QString::fromLatin1(kBenchTaskNames[i % 8])).arg(i),
            QString::fromLatin1(kBenchPeople[i % 6]),
            QStringLiteral("order %1").arg(100000 + i)};
}

struct TDocument : TBenchCore
{
    explicit TDocument(int answer = mrNo) : TBenchCore(answer)
    {
        for (int column = core->GetTableColCount(tbTable); column < kColumns; ++column) {
            core->InsertColumn(tbTable, column);
            core->SetColumnCaption(tbTable, column, QStringLiteral("Extra %1").arg(column));
        }
    }
    QStringList Captions() const
    {
        QStringList captions;
        for (int column = 0; column < kColumns; ++column)
            captions.append(core->GetColumnCaption(tbTable, column));
        return captions;
    }
    // Rows as loading makes them: inside one bracket, without journal.
    void Fill()
    {
        core->BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < kRows; ++i) {
            TNodeData *node = core->AddNode(QStringLiteral("bench.%1").arg(i), tbTable, false);
            const QStringList cells = RowCells(i);
            for (int column = 0; column < kColumns; ++column)
                core->DoSetData(node, column, cells[column], false);
        }
        core->EndUpdate();
    }
};

void BM_Export(benchmark::State &state)
{
    TDocument document;
    document.Fill();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.xlsx"));
    for (auto _ : state) {
        if (!TSpreadsheetExchange(*document.core, *document.sync).Exportieren1Click(file))
            state.SkipWithError("export failed");
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
    state.counters["peak_rss_MB"] = PeakResidentBytes() / 1e6;
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Import(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.xlsx"));
    {
        // Written directly, so that no filled document counts for the peak.
        TDocument layout;
        platform::TWorkbookWriter book(file);
        const QStringList names = TSpreadsheetExchange::SheetNames();
        book.AddSheet(names[0]);
        book.AppendRow(layout.Captions());
        for (int i = 0; i < kRows; ++i)
            book.AppendRow(RowCells(i));
        book.AddSheet(names[1]);
        QStringList absent;
        for (int column = 0; column < layout.core->GetTableColCount(tbExclude); ++column)
            absent.append(layout.core->GetColumnCaption(tbExclude, column));
        book.AppendRow(absent);
        if (!book.Commit())
            state.SkipWithError("workbook not written");
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<TDocument>(mrNo);
        state.ResumeTiming();
        if (!TSpreadsheetExchange(*target->core, *target->sync).ExcelImport1Click(file))
            state.SkipWithError("import failed");
        state.PauseTiming();
        if (target->core->GetTableRowCount(tbTable) != kRows)
            state.SkipWithError("rows missing");
        target.reset();
        state.ResumeTiming();
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
    state.counters["peak_rss_MB"] = PeakResidentBytes() / 1e6;
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, UsePlannerDateFormats);
}
