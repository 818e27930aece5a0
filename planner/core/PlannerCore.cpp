#include "core/PlannerCore.h"

#include <algorithm>
#include <cmath>

#include "Language.h"
#include "Log.h"
#include "core/MessageQueue.h"
#include "core/RowPlacer.h"
#include "core/UndoRedo.h"
#include "core/ViewRefresh.h"
#include "treegrid/BaseTreeGrid.h"

TPlannerCore::TPlannerCore(TBaseTreeGrid *table, TBaseTreeGrid *exclude, IPlannerWindow &window,
                           TUndoRedo *undoRedo, QObject *parent)
    : QObject(parent), TPlannerCoreState(window, undoRedo ? *undoRedo : UndoRedo())
{
    setObjectName(QStringLiteral("PlannerCore"));
    FMessages = new TMessageQueue(window, this);
    FRowPlacer = std::make_unique<TRowPlacer>();
    FViewRefresh = std::make_unique<TViewRefresh>(*this);
    FTables[tbTable] = table;
    FTables[tbExclude] = exclude;
    SetupGrid(table, tbTable);
    SetupGrid(exclude, tbExclude);
    for (auto &connections : FConnection)
        connections.fill(-1);

    WireUpdateTimers();
}

TPlannerCore::~TPlannerCore()
{
    // The grids may die before or after the core; rows must not keep pointing into it.
    for (auto &grid : FTables)
        if (grid)
            grid->OnFreeNode = nullptr;
}

void TPlannerCore::SetupGrid(TBaseTreeGrid *grid, TWhichTable table)
{
    if (!grid)
        throw std::invalid_argument("TPlannerCore needs both grids");
    grid->SetNodeDataType<TNodeData>();
    // Both tables are grids of rows with full-row, multiple selection whose focus moves from
    // cell to cell; the task table acts as a grid and keeps double clicks for itself; cells are
    // never edited in place (the editor window does that).
    TCustomTreeGridOptions &options = grid->TreeOptions();
    options.SetSelectionOptions(options.SelectionOptions()
                                + TTGSelectionOptions{toMultiSelect, toFullRowSelect, toExtendedFocus});
    TTGMiscOptions misc = options.MiscOptions() + TTGMiscOptions{toReportMode, toWheelPanning} - toEditOnClick;
    if (table == tbTable)
        misc = misc + toGridExtensions - toToggleOnDblClick;
    options.SetMiscOptions(misc);
    // Rows leave the identity index, selection and overlap lists whoever deletes them.
    grid->OnFreeNode = [this](TBaseTreeGrid *sender, TGridNode *node) {
        auto *data = sender->GetNodeData<TNodeData>(node);
        if (data && data->VNode == node)
            ForgetNode(data);
    };
}

// ---- observers

void TPlannerCore::AddObserver(IDocumentObserver &observer)
{
    if (std::find(FObservers.begin(), FObservers.end(), &observer) == FObservers.end())
        FObservers.push_back(&observer);
}

void TPlannerCore::RemoveObserver(IDocumentObserver &observer)
{
    std::erase(FObservers, &observer);
}

// ---- document life

void TPlannerCore::ActionNewExecute()
{
    // A copy: an observer may leave on the way.
    for (IDocumentObserver *observer : std::vector<IDocumentObserver *>(FObservers))
        observer->DocumentCleared();
    FMaxHistoryFiles = 30;
    BeginUpdate(Translate(QStringLiteral("resetting...")));
    FSaveFileCompressed = true;
    FUserDate = Now();
    FLastFreeID = 0;
    FIssuedID.clear();
    FHighestOwnRow = 0; // the rows are deleted below
    {
        // Refusing entries ends with the block, also when an exception passes.
        TSuspendUndo suspended(*FUndoRedo);
        FUndoRedo->Clear();
        ForEach(feAll, &TPlannerCore::CB_DeleteNode, nullptr);
        if (OnOverlapRowFreed)
            OnOverlapRowFreed(nullptr);
        SetMinUnit(muDay);
        FRowSets.clear();
        FWindow.ChartReset();
        FColors = {0xFFFFFF, 0x00FFFF, 0x00BF00};
        FHolidayColors = {0xF0E5CC, 0xE0CA92, 0x978762};
        ResetPositionGroups();
        CreateBasicTable(tbTable);
        CreateBasicTable(tbExclude);
    }
    FDefaultHolidayReason = Translate(QStringLiteral("Holiday"));
    FDefaultCalcWorkdays = true;
    EndUpdate();
}

void TPlannerCore::InitialDeOverlap()
{
    // After the outermost EndUpdate: every end is computed and the overlap list can be
    // built from the rows' caches; the moves are part of the opened plan, not undoable edits.
    UpdateOverlapping(false);
    if (OnInitialDeOverlap)
        OnInitialDeOverlap();
    ClearUndo();
}
