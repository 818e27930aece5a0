#pragma once

// The process-wide undo and redo stacks. Entries are grouped so that one user action is taken
// back as a whole. The main window's write path pushes the entries; replaying them comes with
// the undo commands.

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "DocumentTypes.h"

class TUndoRedoEntry
{
public:
    TUndoRedoEntry(const QString &id, int groupIndex);
    virtual ~TUndoRedoEntry();

    TUndoRedoEntry(const TUndoRedoEntry &) = delete;
    TUndoRedoEntry &operator=(const TUndoRedoEntry &) = delete;

    int FGroupIndex;
    QString FID;
};

// A changed cell: keeps the text the cell had before the change.
class TUndoRedoEntryString : public TUndoRedoEntry
{
public:
    // Reads the old text from the row's cell now, before the write path stores the new one.
    TUndoRedoEntryString(const TNodeData &node, TWhichTable table, int column, int groupIndex);

    QString FString;
    int FColumn;
    TWhichTable FTable;
};

// A new row.
class TUndoRedoEntryAddNode : public TUndoRedoEntry
{
public:
    TUndoRedoEntryAddNode(TWhichTable table, const QString &id, int groupIndex);

    TWhichTable FTable;
};

// A deleted row: keeps all its cell texts.
class TUndoRedoEntryRemoveNode : public TUndoRedoEntryAddNode
{
public:
    TUndoRedoEntryRemoveNode(TWhichTable table, const TNodeData &node, int groupIndex);

    QStringList FStrings;
};

using TUndoRedoList = std::vector<std::unique_ptr<TUndoRedoEntry>>;

class TUndoRedo
{
public:
    TUndoRedo();
    ~TUndoRedo();

    TUndoRedo(const TUndoRedo &) = delete;
    TUndoRedo &operator=(const TUndoRedo &) = delete;

    // Takes the entry; it is dropped while recording is suspended.
    void Push(std::unique_ptr<TUndoRedoEntry> entry);
    void Clear();

    // false suspends recording, true resumes it; calls come in pairs.
    void SetAcceptUndo(bool value);
    bool GetAcceptUndo() const { return FDontAcceptUndoCounter == 0; }
    // A group number not used by any entry of the undo list (at least 1).
    int GetGroupIndex() const;
    bool GetCanUndo() const { return !FUndoList.empty(); }
    bool GetCanRedo() const { return !FRedoList.empty(); }

    const TUndoRedoList &UndoList() const { return FUndoList; }
    const TUndoRedoList &RedoList() const { return FRedoList; }

private:
    TUndoRedoList FRedoList;
    TUndoRedoList FUndoList;
    bool FUndoing = false;
    bool FRedoing = false;
    int FCurrentGroupIndex = 0;
    int FDontAcceptUndoCounter = 0;
};

// The one stack of the process; made on first use, kept until the program ends.
TUndoRedo &UndoRedo();
