#pragma once

// The entries of the undo and redo lists. Each one knows the inverse of one row change and
// replays it on the document through the core's journalled write path, so that other
// instances see an undo like any edit and the inverse lands in the opposite list.

#include <QString>
#include <QStringList>

#include <functional>

#include "core/DocumentTypes.h"

class TPlannerCore;

class TUndoRedoEntry
{
public:
    TUndoRedoEntry(const QString &id, int groupIndex);
    virtual ~TUndoRedoEntry();

    TUndoRedoEntry(const TUndoRedoEntry &) = delete;
    TUndoRedoEntry &operator=(const TUndoRedoEntry &) = delete;

    // The row the entry names; nil when it is gone (deleted here or by another instance).
    TNodeData *GetNode(const TPlannerCore &mainForm) const;
    // Performs the inverse edit. An entry whose row is gone does nothing.
    virtual void Undo(TPlannerCore &mainForm) = 0;
    // What the Undo and Redo actions show as their hint (translated).
    virtual QString Hint(const TPlannerCore &mainForm) const = 0;
    // Rows re-created under a new id: every id the entry names goes through `renamed`.
    virtual void RenameRows(const std::function<QString(const QString &)> &renamed);

    int FGroupIndex;
    QString FID;
};

// A changed cell: keeps the text the cell had before the change.
class TUndoRedoEntryString : public TUndoRedoEntry
{
public:
    // Reads the old text from the row's cell now, before the write path stores the new one.
    TUndoRedoEntryString(const TNodeData &node, TWhichTable table, int column, int groupIndex);

    void Undo(TPlannerCore &mainForm) override;
    QString Hint(const TPlannerCore &mainForm) const override;

    QString FString;
    int FColumn;
    TWhichTable FTable;
};

// A new row: undone by deleting it.
class TUndoRedoEntryAddNode : public TUndoRedoEntry
{
public:
    TUndoRedoEntryAddNode(TWhichTable table, const QString &id, int groupIndex);

    void Undo(TPlannerCore &mainForm) override;
    QString Hint(const TPlannerCore &mainForm) const override;

    TWhichTable FTable;
};

// A deleted row: keeps all its cell texts and its place in the table, and re-creates it
// there under a new id, which FID then holds (the stack moves the other entries of the row
// over to it). The place is between the neighbours it had, by their identity (rows others add
// or remove meanwhile move the indices), and its old index only when both are gone. Entries
// replay newest first, so the rows of one step fall back into the places they had, in their
// order.
class TUndoRedoEntryRemoveNode : public TUndoRedoEntryAddNode
{
public:
    TUndoRedoEntryRemoveNode(TWhichTable table, const TNodeData &node, int groupIndex);

    void Undo(TPlannerCore &mainForm) override;
    QString Hint(const TPlannerCore &mainForm) const override;
    void RenameRows(const std::function<QString(const QString &)> &renamed) override;

    int FRowIndex; // first: it fills the room the base leaves
    QStringList FStrings;
    TRowReading FReading; // what was read of FStrings
    QString FAfterID;  // the row above it, empty when none
    QString FBeforeID; // the row below it, empty when none
};
