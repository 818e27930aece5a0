#include "core/PlannerCoreState.h"

#include "core/RowPlacer.h"
#include "core/ViewRefresh.h"

TPlannerCoreState::TPlannerCoreState(IPlannerWindow &window, TUndoRedo &undoRedo)
    : FWindow(window), FUndoRedo(&undoRedo)
{
}

TPlannerCoreState::~TPlannerCoreState() = default;
