#include "table/PlannerTables.h"

#include "core/PlannerCore.h"
#include "table/FilterEngine.h"
#include "table/SelectionTracker.h"
#include "table/TableEvents.h"
#include "table/TableSorter.h"
#include "Canvas.h"
#include "HelperDrawing.h"
#include "treegrid/CustomStringTreeGrid.h"

TPlannerTables::TPlannerTables(TPlannerCore &core, QObject *parent)
    : QObject(parent)
    , FCore(core)
    , FFilters(std::make_unique<TFilterEngine>(core))
    , FSorter(std::make_unique<TTableSorter>(core))
    , FEvents(std::make_unique<TTableEvents>(core))
    , FSelection(new TSelectionTracker(core, this))
{
    Wire();
}

TPlannerTables::~TPlannerTables()
{
    Unwire();
}

void TPlannerTables::Wire()
{
    FCore.OnRestoreGroupFilters = [this](const QString &group) { FFilters->RestoreGroupFilters(group); };
    FCore.OnFilterTables = [this] { FFilters->FilterTables(); };
    FCore.OnFilterData = [this](TWhichTable table) { FFilters->FilterData(table); };
    FCore.OnFilterNode = [this](TNodeData *node) { FFilters->CB_FilterNode(node); };
    FCore.OnNodeFreed = [this](TNodeData *node) { FSelection->ForgetNode(node); };
    FCore.OnTableSetupChanged = [this](TWhichTable table) { FSorter->ClearKeys(table); };
    FCore.OnColumnsRenamed = [this](TWhichTable table, const std::vector<std::pair<QString, QString>> &renames) {
        FFilters->ColumnsRenamed(table, renames);
        if (OnColumnsRenamed)
            OnColumnsRenamed(table, renames);
    };
    FCore.OnTablesChecked = [this] {
        for (TWhichTable table : {tbTable, tbExclude})
            FSorter->ApplyKeys(table);
    };
    for (TWhichTable table : {tbTable, tbExclude}) {
        TBaseTreeGrid *grid = FCore.GetTable(table);
        grid->OnCompareNodes = [this, table](TBaseTreeGrid *sender, TGridNode *a, TGridNode *b, TColumnIndex column,
                                             int &result) {
            result = FSorter->CompareNodes(table, sender, a, b, column);
        };
        grid->OnChange = [this, table](TBaseTreeGrid *sender, TGridNode *node) {
            FSelection->Change(table, TPlannerCore::NodeData(sender, node), OnChangeFromTable && OnChangeFromTable());
        };
        // A click into a table flashes its selected bars again.
        grid->OnClick = [this](TBaseTreeGrid *) { FCore.Window().FlashSelectedBars(); };
        WireCells(table, grid);
    }
}

void TPlannerTables::WireCells(TWhichTable table, TBaseTreeGrid *grid)
{
    grid->OnBeforeCellPaint = [this, table](TBaseTreeGrid *, TCanvas &canvas, TGridNode *, TColumnIndex column,
                                            TTGCellPaintMode mode, const QRect &cellRect, QRect &) {
        if (mode == cpmPaint && FEvents->HasChartBackground(table, column)) {
            canvas.Brush().SetColor(TTableEvents::ChartColumnColor);
            canvas.Brush().SetStyle(bsSolid);
            canvas.FillRect(cellRect);
        }
    };
    grid->OnAfterCellPaint = [](TBaseTreeGrid *sender, TCanvas &canvas, TGridNode *node, TColumnIndex,
                                const QRect &cellRect) {
        // A row that cannot be drawn is underlined by a red zigzag.
        if (TTableEvents::HasInvalidMark(TPlannerCore::NodeData(sender, node)))
            SnakeLine(canvas, cellRect.left(), cellRect.top() + cellRect.height() - 1, 0, cellRect.width());
    };
    auto *strings = qobject_cast<TCustomStringTreeGrid *>(grid);
    if (!strings)
        return;
    strings->OnGetText = [this, table](TBaseTreeGrid *sender, TGridNode *node, TColumnIndex column, TVSTTextType,
                                       QString &text) {
        text = FEvents->GetText(table, TPlannerCore::NodeData(sender, node), column);
    };
    strings->OnPaintText = [this](TBaseTreeGrid *sender, TCanvas &canvas, TGridNode *node, TColumnIndex, TVSTTextType) {
        const TTableEvents::TTextStyle style = FEvents->TextStyle(TPlannerCore::NodeData(sender, node),
                                                                  sender->Selected(node));
        if (style.red)
            canvas.Font().SetColor(TTableEvents::OverlapTextColor);
        TFontStyles styles = canvas.Font().Style();
        if (style.italic)
            styles |= fsItalic;
        if (style.bold || FMeasureBold)
            styles |= fsBold;
        canvas.Font().SetStyle(styles);
    };
}

void TPlannerTables::Unwire()
{
    FCore.OnRestoreGroupFilters = nullptr;
    FCore.OnFilterTables = nullptr;
    FCore.OnFilterData = nullptr;
    FCore.OnFilterNode = nullptr;
    FCore.OnNodeFreed = nullptr;
    FCore.OnTableSetupChanged = nullptr;
    FCore.OnColumnsRenamed = nullptr;
    FCore.OnTablesChecked = nullptr;
    for (TWhichTable table : {tbTable, tbExclude}) {
        if (TBaseTreeGrid *grid = FCore.GetTable(table)) {
            grid->OnCompareNodes = nullptr;
            grid->OnChange = nullptr;
            grid->OnClick = nullptr;
            grid->OnBeforeCellPaint = nullptr;
            grid->OnAfterCellPaint = nullptr;
            if (auto *strings = qobject_cast<TCustomStringTreeGrid *>(grid)) {
                strings->OnGetText = nullptr;
                strings->OnPaintText = nullptr;
            }
        }
    }
}

void TPlannerTables::ActionSortExecute()
{
    FSorter->SortBy(FCore.GetActiveTable(), FActiveColumn);
}

void TPlannerTables::ActionClearFilterExecute()
{
    FFilters->ClearFilter(FCore.GetActiveTable(), FActiveColumn);
}

void TPlannerTables::ActionClearAllFiltersExecute()
{
    FFilters->ClearAllFilters(FCore.GetActiveTable());
}

bool TPlannerTables::ActionClearAllFiltersUpdate() const
{
    return FFilters->AnyFilter(FCore.GetActiveTable());
}

TPlannerTables::THeaderClick TPlannerTables::HeaderClick(int column, int x, Qt::MouseButton button)
{
    FActiveColumn = column;
    if (column < 0)
        return hcNone;
    if (button == Qt::LeftButton)
        return x >= 0 && x < FilterSymbolWidth ? hcFilter : hcSort;
    if (button == Qt::RightButton)
        return hcMenu;
    return hcNone;
}
