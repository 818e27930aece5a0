#pragma once

// Records a printout of a table into the page recorder: the chosen rows with the texts the
// table shows in them, only the checked columns, the column captions repeated on every page,
// and the standard header and footer. No window needed.

#include <QString>

#include <vector>

#include "core/DocumentTypes.h"
#include "print/PageHeaderFooter.h"

class TPlannerCore;
class TPrintPreviewDialog;
class TPrintStringGrid;

// What to print.
struct TTablePrintJob
{
    TWhichTable table = tbTable;
    TForEachNode rows = feGroupAll;
    std::vector<bool> columns; // printed columns by index; missing ones are printed
    TPrintPageTexts page;
};

class TTablePrinter
{
public:
    explicit TTablePrinter(TPlannerCore &core);

    // Row 0 the column captions, then one row per chosen table row with the texts its table
    // shows (dates formatted, yes/no, position names); every column of the table, those not
    // printed with width 0.
    void FillGrid(TPrintStringGrid &grid, const TTablePrintJob &job) const;
    // Fills the grid and records its pages; returns the number of pages.
    int Record(TPrintPreviewDialog &recorder, TPrintStringGrid &grid, const TTablePrintJob &job) const;

private:
    TPlannerCore &FCore;
};
