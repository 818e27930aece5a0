#pragma once

#include <vector>

#include "core/DocumentTypes.h"

class TCanvas;
class TPlannerCore;
class TPlannerTables;
class TTreeGridColumn;
class TTreeGridHeader;

// Fits the columns of a table to what they show: every cell whole, measured bold as a
// selected row draws it, and the column header whole, with its caption, the filter symbol and
// the sort glyph inside the header cell's insets. No column gets narrower than MinimumWidth,
// so that an empty new column can still be seen and its filter symbol reached.
class TColumnFitter
{
public:
    TColumnFitter(TPlannerCore &core, TPlannerTables &tables);

    void Fit(TWhichTable table);
    // The same for the rows in view alone: a big table's other rows are measured when they
    // come into view (TLazyColumnFit).
    void FitRowsInView(TWhichTable table);
    // What each column (by index) marked in `columns` needs for the rows in view, measured as
    // Fit measures them; -1 for the columns not marked.
    std::vector<int> RowsInViewWidths(TWhichTable table, const std::vector<bool> &columns);
    // One column as wide as its rows (all of them, or those in view) and its header need,
    // narrower too.
    void FitColumn(TWhichTable table, int column, bool inView);
    // Widens the columns (by index) marked in `columns` whose header cells are too narrow for
    // their captions and glyphs.
    void FitHeaders(TWhichTable table, const std::vector<bool> &columns);

    // The narrowest width of the column's header cell that shows its caption and glyphs whole,
    // found with the header's own layout.
    static int HeaderWidth(TTreeGridHeader &header, TTreeGridColumn &column, TCanvas &canvas);

    static constexpr int MinimumWidth = 48;
    // The header lays a caption out this far inside its cell on every side.
    static constexpr int HeaderCellInset = 2;

private:
    // Measures the rows (all, or those in view) the way Fit does, around `measure`.
    template <class Measure>
    void Measured(TWhichTable table, bool inView, Measure measure);
    // The narrowest width of the column's header cell, at least MinimumWidth.
    static int HeaderNeeds(TTreeGridHeader &header, TTreeGridColumn &column, TCanvas &canvas);

    TPlannerCore &FCore;
    TPlannerTables &FTables;
};
