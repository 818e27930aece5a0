#include "table/PlannerTables.h"

#include "core/PlannerCore.h"
#include "table/FilterEngine.h"
#include "table/SelectionTracker.h"
#include "table/TableEvents.h"
#include "table/TableSorter.h"
#include "treegrid/BaseTreeGrid.h"

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
    FCore.OnTablesChecked = [this] {
        for (TWhichTable table : {tbTable, tbExclude})
            FSorter->ApplyKeys(table);
    };
    for (TWhichTable table : {tbTable, tbExclude}) {
        TBaseTreeGrid *grid = FCore.GetTable(table);
        grid->OnCompareNodes = [this, table](TBaseTreeGrid *sender, TGridNode *a, TGridNode *b, TColumnIndex column,
                                             int &result) {
            result = FSorter->CompareNodes(table, sender, a, b, column, sender->Header()->SortDirection());
        };
        grid->OnChange = [this, table](TBaseTreeGrid *sender, TGridNode *node) {
            FSelection->Change(table, TPlannerCore::NodeData(sender, node), OnChangeFromTable && OnChangeFromTable());
        };
    }
}

void TPlannerTables::Unwire()
{
    FCore.OnRestoreGroupFilters = nullptr;
    FCore.OnFilterTables = nullptr;
    FCore.OnFilterData = nullptr;
    FCore.OnFilterNode = nullptr;
    FCore.OnNodeFreed = nullptr;
    FCore.OnTableSetupChanged = nullptr;
    FCore.OnTablesChecked = nullptr;
    for (TWhichTable table : {tbTable, tbExclude}) {
        if (TBaseTreeGrid *grid = FCore.GetTable(table)) {
            grid->OnCompareNodes = nullptr;
            grid->OnChange = nullptr;
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
