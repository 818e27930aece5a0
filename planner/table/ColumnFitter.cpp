#include "table/ColumnFitter.h"

#include <algorithm>

#include "Canvas.h"
#include "core/PlannerCore.h"
#include "table/PlannerTables.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/CustomStringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {

// Sets the tables' bold measuring for its lifetime.
class TMeasureBold
{
public:
    explicit TMeasureBold(TPlannerTables &tables) : FTables(tables) { FTables.SetMeasureBold(true); }
    ~TMeasureBold() { FTables.SetMeasureBold(false); }
    TMeasureBold(const TMeasureBold &) = delete;
    TMeasureBold &operator=(const TMeasureBold &) = delete;

private:
    TPlannerTables &FTables;
};

} // namespace

TColumnFitter::TColumnFitter(TPlannerCore &core, TPlannerTables &tables) : FCore(core), FTables(tables) {}

int TColumnFitter::HeaderWidth(TTreeGridHeader &header, TTreeGridColumn &column, TCanvas &canvas)
{
    const TTGHeaderOptions options = header.Options();
    const bool glyph = options.contains(hoShowImages) && header.Images() && column.ImageIndex() > -1;
    const bool sortGlyph = options.contains(hoShowSortGlyphs) && column.Index() == header.SortColumn();
    const QString &text = column.Text();
    canvas.Font().Assign(header.Font());
    // The layout gives a caption its own width plus 2 pixels while there is room.
    const int wanted = text.isEmpty() ? 0 : canvas.TextWidth(text) + 2;
    const int height = std::max(header.Height() - 2 * HeaderCellInset, 1);
    const auto fits = [&](int width) {
        QPoint glyphPos;
        QPoint sortPos;
        QRect bounds;
        column.ComputeHeaderLayout(canvas, QRect(0, 0, width, height), glyph, sortGlyph, glyphPos, sortPos, bounds,
                                   DT_TOP | DT_LEFT | DT_NOPREFIX);
        return bounds.width() >= wanted && bounds.left() + bounds.width() <= width - column.Margin();
    };
    int low = 0;
    int high = 64;
    while (!fits(high) && high < (1 << 16))
        high *= 2;
    // The narrowest width that fits, between a width that does not and one that does.
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (fits(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return high + 2 * HeaderCellInset;
}

template <class Measure>
void TColumnFitter::Measured(TWhichTable table, bool inView, Measure measure)
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    const TMeasureBold bold(FTables);
    // The first column keeps its widths per row: measured afresh, bold, and forgotten after.
    // Only the kept widths go; the rows look the same, so nothing is repainted.
    auto *strings = qobject_cast<TCustomStringTreeGrid *>(grid);
    const auto forget = [&] {
        if (!strings)
            return;
        if (!inView) {
            strings->ClearCachedWidths();
            return;
        }
        // The rows measuring the rows in view walks.
        TGridNode *last = grid->BottomNode();
        for (TGridNode *node = grid->TopNode(); node; node = grid->GetNextVisible(node, true)) {
            if (std::uint32_t *cached = strings->InternalData(node))
                *cached = 0;
            if (node == last)
                break;
        }
    };
    forget();
    measure(*grid);
    forget();
}

void TColumnFitter::Fit(TWhichTable table)
{
    Measured(table, false, [](TBaseTreeGrid &grid) { grid.Header()->AutoFitColumns(false); });
    FitHeaders(table, std::vector<bool>(std::size_t(FCore.GetTableColCount(table)), true));
}

void TColumnFitter::FitRowsInView(TWhichTable table)
{
    Measured(table, true, [](TBaseTreeGrid &grid) { grid.Header()->AutoFitColumns(false, smaAllColumns); });
    FitHeaders(table, std::vector<bool>(std::size_t(FCore.GetTableColCount(table)), true));
}

void TColumnFitter::FitColumn(TWhichTable table, int column, bool inView)
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    TTreeGridColumn *item = grid ? grid->Header()->Columns()->Items(column) : nullptr;
    if (!item)
        return;
    int width = 0;
    Measured(table, inView, [&](TBaseTreeGrid &measured) { width = measured.GetMaxColumnWidth(column, inView); });
    TCanvas canvas(1, 1);
    width = std::max(width, HeaderNeeds(*grid->Header(), *item, canvas));
    if (item->Width() != width)
        item->SetWidth(width);
}

std::vector<int> TColumnFitter::RowsInViewWidths(TWhichTable table, const std::vector<bool> &columns)
{
    std::vector<int> widths;
    Measured(table, true, [&](TBaseTreeGrid &grid) {
        const int count = grid.Header()->Columns()->Count();
        for (int i = 0; i < count; ++i) {
            const bool wanted = std::size_t(i) < columns.size() && columns[std::size_t(i)];
            widths.push_back(wanted ? grid.GetMaxColumnWidth(i, true) : -1);
        }
    });
    return widths;
}

int TColumnFitter::HeaderNeeds(TTreeGridHeader &header, TTreeGridColumn &column, TCanvas &canvas)
{
    return std::max(HeaderWidth(header, column, canvas), MinimumWidth);
}

void TColumnFitter::FitHeaders(TWhichTable table, const std::vector<bool> &marked)
{
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    TTreeGridHeader *header = grid->Header();
    TTreeGridColumns *columns = header->Columns();
    TCanvas canvas(1, 1);
    for (int i = 0; i < columns->Count() && std::size_t(i) < marked.size(); ++i) {
        TTreeGridColumn *column = columns->Items(i);
        if (!marked[std::size_t(i)])
            continue;
        const int width = HeaderNeeds(*header, *column, canvas);
        if (column->Width() < width)
            column->SetWidth(width);
    }
}
