#include "UndoRedo.h"

#include <algorithm>

TUndoRedoEntry::TUndoRedoEntry(const QString &id, int groupIndex)
    : FGroupIndex(groupIndex), FID(id)
{
}

TUndoRedoEntry::~TUndoRedoEntry() = default;

TUndoRedoEntryString::TUndoRedoEntryString(const TNodeData &node, TWhichTable table, int column,
                                           int groupIndex)
    : TUndoRedoEntry(node.ID.Value(), groupIndex),
      FString(node.StringList.value(column)),
      FColumn(column),
      FTable(table)
{
}

TUndoRedoEntryAddNode::TUndoRedoEntryAddNode(TWhichTable table, const QString &id, int groupIndex)
    : TUndoRedoEntry(id, groupIndex), FTable(table)
{
}

TUndoRedoEntryRemoveNode::TUndoRedoEntryRemoveNode(TWhichTable table, const TNodeData &node,
                                                   int groupIndex)
    : TUndoRedoEntryAddNode(table, node.ID.Value(), groupIndex), FStrings(node.StringList)
{
}

TUndoRedo::TUndoRedo() = default;
TUndoRedo::~TUndoRedo() = default;

void TUndoRedo::Push(std::unique_ptr<TUndoRedoEntry> entry)
{
    if (!entry || !GetAcceptUndo())
        return;
    if (FUndoing)
        entry->FGroupIndex = FCurrentGroupIndex;
    else
        FRedoList.clear(); // a new action discards what could be redone
    if (FUndoing && !FRedoing)
        FRedoList.push_back(std::move(entry));
    else
        FUndoList.push_back(std::move(entry));
}

void TUndoRedo::Clear()
{
    FUndoList.clear();
    FRedoList.clear();
}

void TUndoRedo::SetAcceptUndo(bool value)
{
    if (value)
        --FDontAcceptUndoCounter;
    else
        ++FDontAcceptUndoCounter;
}

int TUndoRedo::GetGroupIndex() const
{
    int highest = 0;
    for (const auto &entry : FUndoList)
        highest = std::max(highest, entry->FGroupIndex);
    return highest + 1;
}

TUndoRedo &UndoRedo()
{
    static TUndoRedo stack;
    return stack;
}
