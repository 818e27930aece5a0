// The undo and redo commands of the document.

#include "core/PlannerCore.h"

#include "Language.h"
#include "core/ActionScope.h"
#include "core/UndoRedo.h"

void TPlannerCore::Undo()
{
    if (!FUndoRedo->GetCanUndo() || FUndoRedo->IsUndoing())
        return;
    // The stack holds cell writes, new and deleted rows: a bracket of rows only.
    const TRowUpdateScope bracket(*this, Translate(QStringLiteral("Undo")));
    // Rows put back during the run take their places together at its end, inside the bracket.
    TRowPlacing placing(*this);
    FUndoRedo->Undo(*this);
}

void TPlannerCore::Redo()
{
    if (!FUndoRedo->GetCanRedo() || FUndoRedo->IsUndoing())
        return;
    const TRowUpdateScope bracket(*this, Translate(QStringLiteral("Redo")));
    TRowPlacing placing(*this);
    FUndoRedo->Redo(*this);
}

void TPlannerCore::PopUndo()
{
    if (!FUndoRedo->GetCanUndo() || FUndoRedo->IsUndoing())
        return;
    FUndoRedo->Pop(*this);
}

void TPlannerCore::ClearUndo()
{
    FUndoRedo->Clear();
}
