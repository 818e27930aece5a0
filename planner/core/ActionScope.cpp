#include "core/ActionScope.h"

#include "core/PlannerCore.h"
#include "core/UndoRedo.h"

TActionScope::TActionScope(TPlannerCore &core)
    : TActionScope(core, core.FUndoRedoGroupIndex != -1 ? core.FUndoRedoGroupIndex : core.UndoStack().GetGroupIndex())
{
}

TActionScope::TActionScope(TPlannerCore &core, int group)
    : FCore(core), FOuter(core.FUndoRedoGroupIndex), FHeld(core.Views())
{
    FCore.FUndoRedoGroupIndex = group;
}

TActionScope::~TActionScope()
{
    // The group is back before the views follow (the actions show the newest undo step).
    FCore.FUndoRedoGroupIndex = FOuter;
}

int TActionScope::Group() const
{
    return FCore.FUndoRedoGroupIndex;
}

TRowUpdateScope::TRowUpdateScope(TPlannerCore &core, const QString &text) : FCore(core)
{
    FCore.BeginRowUpdate(text);
}

TRowUpdateScope::~TRowUpdateScope()
{
    FCore.EndUpdate();
}
