#pragma once

// The process-wide undo and redo stacks. Entries are grouped so that one user action is taken
// back as a whole. The core's write path pushes the entries; undoing a group replays the
// inverse edits through that same write path, which records them into the other list.

#include <QObject>

#include <memory>
#include <vector>

#include "core/UndoRedoEntry.h"

class TPlannerCore;

using TUndoRedoList = std::vector<std::unique_ptr<TUndoRedoEntry>>;

class TUndoRedo : public QObject
{
    Q_OBJECT

public:
    TUndoRedo();
    ~TUndoRedo() override;

    // Takes the entry; it is dropped while recording is suspended.
    void Push(std::unique_ptr<TUndoRedoEntry> entry);
    // Takes back the newest undo entry alone, recording no inverse (a cancelled command's
    // last step). Nothing when the undo list is empty.
    void Pop(TPlannerCore &mainForm);
    // Takes back every undo entry of one group, newest first, recording no inverse and
    // leaving every other entry (older actions, edits that arrived meanwhile) where it is: a
    // gesture that was cancelled. Returns the entries replayed; nothing while a run is in
    // progress or for group -1.
    int TakeBackGroup(TPlannerCore &mainForm, int group);
    // Undoes or redoes the newest group on the document. Calls made while a run is in
    // progress are ignored.
    void Undo(TPlannerCore &mainForm);
    void Redo(TPlannerCore &mainForm);
    // Empties both lists.
    void Clear();
    // Both lists, taken out whole and put back later in place of whatever the lists hold
    // then: a document the program reloads by itself keeps the user's steps as they were.
    struct TLists
    {
        TUndoRedoList Undo;
        TUndoRedoList Redo;
    };
    TLists TakeLists();
    void RestoreLists(TLists lists);

    // The list's newest entry, nil when it is empty.
    static TUndoRedoEntry *Last(const TUndoRedoList &list);
    // Entries naming the row OldID name NewID from now on (a deleted row came back).
    void SwapID(const QString &oldID, const QString &newID);

    // false suspends recording, true resumes it; calls come in pairs and nest.
    void SetAcceptUndo(bool value);
    bool GetAcceptUndo() const { return FDontAcceptUndoCounter == 0; }
    // A group number not used by any entry of the undo list (at least 1).
    int GetGroupIndex() const;
    bool GetCanUndo() const { return !FUndoList.empty(); }
    bool GetCanRedo() const { return !FRedoList.empty(); }
    bool IsUndoing() const { return FUndoing; }

    const TUndoRedoList &UndoList() const { return FUndoList; }
    const TUndoRedoList &RedoList() const { return FRedoList; }

    // Tells the window that the lists changed (MainFormUpdate).
    void UpdateMainForm();

signals:
    // The window sets its Undo and Redo actions from the lists.
    void MainFormUpdate();

private:
    void UndoRedo(TUndoRedoList &list, TPlannerCore &mainForm);
    TUndoRedoList FRedoList;
    TUndoRedoList FUndoList;
    bool FUndoing = false;
    bool FRedoing = false;
    int FCurrentGroupIndex = 0;
    int FDontAcceptUndoCounter = 0;
};

// Suspends recording for its lifetime, so that the counter comes back on every way out,
// an exception included.
class TSuspendUndo
{
public:
    explicit TSuspendUndo(TUndoRedo &stack) : FStack(stack) { FStack.SetAcceptUndo(false); }
    ~TSuspendUndo() { FStack.SetAcceptUndo(true); }

    TSuspendUndo(const TSuspendUndo &) = delete;
    TSuspendUndo &operator=(const TSuspendUndo &) = delete;

private:
    TUndoRedo &FStack;
};

// The changes of one user action as one undo group: a new group number, unless the action
// runs inside another action's group, which it then joins; the previous group number comes
// back on every way out.
class TUndoGroupScope
{
public:
    TUndoGroupScope(int &groupIndex, const TUndoRedo &stack) : FGroupIndex(groupIndex), FOuter(groupIndex)
    {
        if (FOuter == -1)
            FGroupIndex = stack.GetGroupIndex();
    }
    ~TUndoGroupScope() { FGroupIndex = FOuter; }
    int Group() const { return FGroupIndex; }

    TUndoGroupScope(const TUndoGroupScope &) = delete;
    TUndoGroupScope &operator=(const TUndoGroupScope &) = delete;

private:
    int &FGroupIndex;
    int FOuter;
};

// The one stack of the process; made on first use, kept until the program ends.
TUndoRedo &UndoRedo();
