// The undo and redo commands of the document.

#include "core/PlannerCore.h"

#include "Language.h"
#include "core/UndoRedo.h"

namespace {

// A bracket of rows only (the stack holds cell writes, new and deleted rows), closed on every
// way out.
class TUpdateBracket
{
public:
    TUpdateBracket(TPlannerCore &core, const QString &text) : FCore(core) { FCore.BeginRowUpdate(text); }
    ~TUpdateBracket() { FCore.EndUpdate(); }

    TUpdateBracket(const TUpdateBracket &) = delete;
    TUpdateBracket &operator=(const TUpdateBracket &) = delete;

private:
    TPlannerCore &FCore;
};

} // namespace

void TPlannerCore::Undo()
{
    if (!FUndoRedo->GetCanUndo() || FUndoRedo->IsUndoing())
        return;
    TUpdateBracket bracket(*this, Translate(QStringLiteral("Undo")));
    // Rows put back during the run take their places together at its end, inside the bracket.
    TRowPlacing placing(*this);
    FUndoRedo->Undo(*this);
}

void TPlannerCore::Redo()
{
    if (!FUndoRedo->GetCanRedo() || FUndoRedo->IsUndoing())
        return;
    TUpdateBracket bracket(*this, Translate(QStringLiteral("Redo")));
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
