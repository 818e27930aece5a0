#include "print/TablePrinter.h"

#include "DialogPrintPreview.h"
#include "PrintGrid.h"
#include "core/PlannerCore.h"
#include "treegrid/CustomStringTreeGrid.h"

namespace {

// The grid asks its owner for every text it shows; without a text owner it shows the cell.
QString DisplayText(TPlannerCore &core, TCustomStringTreeGrid *grid, TNodeData *node, int column)
{
    if (grid && node && node->VNode && grid->OnGetText)
        return grid->Text(node->VNode, column);
    return core.GetData(node, column);
}

} // namespace

TTablePrinter::TTablePrinter(TPlannerCore &core)
    : FCore(core)
{
}

void TTablePrinter::FillGrid(TPrintStringGrid &grid, const TTablePrintJob &job) const
{
    const int columns = FCore.GetTableColCount(job.table);
    grid.SetRowCount(0);
    grid.SetColCount(columns);
    QStringList captions;
    for (int column = 0; column < columns; ++column) {
        captions.append(FCore.GetColumnCaption(job.table, column));
        const bool printed = std::size_t(column) >= job.columns.size() || job.columns[std::size_t(column)];
        grid.SetColWidth(column, printed ? 1 : 0);
    }
    grid.AddRow(captions);
    auto *shown = dynamic_cast<TCustomStringTreeGrid *>(FCore.GetTable(job.table));
    QStringList cells;
    FCore.ForEach(job.table, job.rows, [&](TNodeData *node) {
        cells.clear();
        for (int column = 0; column < columns; ++column)
            cells.append(grid.ColWidth(column) > 0 ? DisplayText(FCore, shown, node, column) : QString());
        grid.AddRow(cells);
    });
}

int TTablePrinter::Record(TPrintPreviewDialog &recorder, TPrintStringGrid &grid, const TTablePrintJob &job) const
{
    TPageHeaderFooter::StartJob(recorder, job.page);
    FillGrid(grid, job);
    recorder.PrintStringGrid(grid, QString(), true, true, 0, grid.RowCount() - 1, 0);
    recorder.PrintHeaderAndFooter();
    return recorder.GetPageCount();
}
