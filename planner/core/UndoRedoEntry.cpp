#include "core/UndoRedoEntry.h"

#include "Language.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "treegrid/TreeGridTypes.h"

TUndoRedoEntry::TUndoRedoEntry(const QString &id, int groupIndex)
    : FGroupIndex(groupIndex), FID(id)
{
}

TUndoRedoEntry::~TUndoRedoEntry() = default;

TNodeData *TUndoRedoEntry::GetNode(const TPlannerCore &mainForm) const
{
    return mainForm.FindNode(FID);
}

void TUndoRedoEntry::RenameRows(const std::function<QString(const QString &)> &renamed)
{
    FID = renamed(FID);
}

// ---- changed cell

TUndoRedoEntryString::TUndoRedoEntryString(const TNodeData &node, TWhichTable table, int column,
                                           int groupIndex)
    : TUndoRedoEntry(node.ID.Value(), groupIndex),
      FString(node.StringList.value(column)),
      FColumn(column),
      FTable(table)
{
}

void TUndoRedoEntryString::Undo(TPlannerCore &mainForm)
{
    TNodeData *node = GetNode(mainForm);
    // Another instance may have deleted the row; its cells no longer exist to be restored.
    if (!node || node->NodeTable != FTable) {
        Log(QStringLiteral("Undo: row %1 no longer exists, change skipped").arg(FID));
        return;
    }
    if (FColumn < 0 || FColumn >= node->StringList.size()) {
        Log(QStringLiteral("Undo: column %1 no longer exists, change skipped").arg(FColumn));
        return;
    }
    mainForm.SetData(node, FColumn, FString);
}

QString TUndoRedoEntryString::Hint(const TPlannerCore &mainForm) const
{
    return Translate(QStringLiteral("set value (%s)"), {mainForm.GetColumnCaption(FTable, FColumn)});
}

// ---- new row

TUndoRedoEntryAddNode::TUndoRedoEntryAddNode(TWhichTable table, const QString &id, int groupIndex)
    : TUndoRedoEntry(id, groupIndex), FTable(table)
{
}

void TUndoRedoEntryAddNode::Undo(TPlannerCore &mainForm)
{
    TNodeData *node = GetNode(mainForm);
    if (!node) {
        Log(QStringLiteral("Undo: row %1 no longer exists, nothing to delete").arg(FID));
        return;
    }
    mainForm.SetActiveTable(FTable);
    mainForm.DeleteNode(node, true);
}

QString TUndoRedoEntryAddNode::Hint(const TPlannerCore &) const
{
    return Translate(QStringLiteral("new task"));
}

// ---- deleted row

TUndoRedoEntryRemoveNode::TUndoRedoEntryRemoveNode(TWhichTable table, const TNodeData &node,
                                                   int groupIndex)
    : TUndoRedoEntryAddNode(table, node.ID.Value(), groupIndex),
      FRowIndex(node.VNode ? int(node.VNode->Index) : -1),
      FStrings(node.StringList),
      FReading(TRowReading::Of(node))
{
    const auto id = [&node](TGridNode *neighbour) {
        const TNodeData *data = TPlannerCore::NodeData(node.VNodeTable, neighbour);
        return data ? data->ID.Value() : QString();
    };
    if (node.VNode) {
        FAfterID = id(node.VNode->PrevSibling);
        FBeforeID = id(node.VNode->NextSibling);
    }
}

void TUndoRedoEntryRemoveNode::RenameRows(const std::function<QString(const QString &)> &renamed)
{
    TUndoRedoEntryAddNode::RenameRows(renamed);
    if (!FAfterID.isEmpty())
        FAfterID = renamed(FAfterID);
    if (!FBeforeID.isEmpty())
        FBeforeID = renamed(FBeforeID);
}

void TUndoRedoEntryRemoveNode::Undo(TPlannerCore &mainForm)
{
    mainForm.SetActiveTable(FTable);
    // A new identity: the old one may still be known to other instances as deleted.
    FID = mainForm.GetFreeID();
    {
        // The inverse is the deletion of the whole row and nothing else: recorded cell
        // writes would blank the row before a redo deletes it, and the row's texts would
        // be lost to the next undo. The writes are journalled all the same.
        TSuspendUndo suspended(mainForm.UndoStack());
        // Back in its place, here and in every instance: the table's order is part of the
        // document.
        mainForm.PutBackRow(FID, FTable, TRowPlace{FAfterID, FBeforeID, FRowIndex}, FStrings, &FReading);
    }
    mainForm.UndoStack().Push(std::make_unique<TUndoRedoEntryAddNode>(FTable, FID, FGroupIndex));
}

QString TUndoRedoEntryRemoveNode::Hint(const TPlannerCore &) const
{
    return Translate(QStringLiteral("remove task"));
}
