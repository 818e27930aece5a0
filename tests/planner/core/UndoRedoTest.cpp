#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QSet>
#include <QSignalSpy>

#include <stdexcept>
#include <string>
#include <vector>

#include "sync/DirWatchThread.h"
#include "window/FormMain.h"
#include "sync/NodeEvent.h"

namespace {

constexpr int colPosition = 0;
constexpr int colStart = 1;
constexpr int colLength = 3;
constexpr int colState = 4;
constexpr int colComment = 5;

// The cells a user edits (the end is computed and read lazily).
QStringList EditedCells(const TNodeData *node)
{
    return {node->StringList[colPosition], node->StringList[colStart], node->StringList[colLength],
            node->StringList[colState], node->StringList[colComment]};
}

const TSetNodeDataEvent *PendingChangeOf(const TDirWatchThread &journal, const QString &id)
{
    for (const auto &event : journal.PendingEvents())
        if (event->ID() == id)
            if (const auto *change = dynamic_cast<const TSetNodeDataEvent *>(event.get()))
                return change;
    return nullptr;
}

QString PendingText(const TDirWatchThread &journal, const QString &id, int column)
{
    const TSetNodeDataEvent *change = PendingChangeOf(journal, id);
    if (!change)
        return QStringLiteral("<no change event>");
    const qsizetype at = change->Columns().indexOf(column);
    return at < 0 ? QStringLiteral("<column not journalled>") : change->Data()[at];
}

// An entry whose replay fails like a programming error would.
class TThrowingEntry : public TUndoRedoEntry
{
public:
    TThrowingEntry(const QString &id, int group, int &calls) : TUndoRedoEntry(id, group), FCalls(calls) {}
    void Undo(TPlannerCore &) override
    {
        ++FCalls;
        throw std::runtime_error("replay failed");
    }
    QString Hint(const TPlannerCore &) const override { return QString(); }
    int &FCalls;
};

class UndoRedoTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        core->FLocalUndo = true;
    }
    // Opens a group the way a command does, runs it, closes the group.
    template <typename F>
    int InGroup(F &&command)
    {
        const int group = undo.GetGroupIndex();
        core->FUndoRedoGroupIndex = group;
        command();
        core->FUndoRedoGroupIndex = -1;
        return group;
    }
    const TDirWatchThread &Journal() const { return *sync->DirWatchThread(); }
};

} // namespace

TEST_F(UndoRedoTest, GroupOfManyEditsIsOneStepBothWays)
{
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back(AddTask("Position 1", QStringLiteral("0%1.03.2024").arg(i + 1), "2"));
    std::vector<QStringList> before;
    std::vector<TDateTime> ends;
    for (TNodeData *row : rows) {
        before.push_back(EditedCells(row));
        ends.push_back(core->GetEndOf(row));
    }
    const auto ownEntries = undo.UndoList().size();

    // One drag-like command: position, start and comment of every row.
    const int group = InGroup([&] {
        for (TNodeData *row : rows) {
            core->SetData(row, colPosition, "Position 2");
            core->SetData(row, colStart, "11.03.2024");
            core->SetData(row, colComment, "moved");
        }
    });
    std::vector<QStringList> after;
    for (TNodeData *row : rows)
        after.push_back(EditedCells(row));
    ASSERT_EQ(undo.UndoList().size(), ownEntries + 12);
    EXPECT_EQ(undo.GetGroupIndex(), group + 1);

    core->Undo();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(EditedCells(rows[i]), before[i]);
        EXPECT_EQ(rows[i]->nodeStart, EncodeDate(2024, 3, int(i) + 1));
        EXPECT_EQ(core->GetEndOf(rows[i]), ends[i]);
    }
    EXPECT_EQ(undo.UndoList().size(), ownEntries);
    ASSERT_EQ(undo.RedoList().size(), 12u);
    for (const auto &entry : undo.RedoList())
        EXPECT_EQ(entry->FGroupIndex, group);
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_FALSE(undo.IsUndoing());

    core->Redo();
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(EditedCells(rows[i]), after[i]);
    EXPECT_TRUE(undo.RedoList().empty());
    ASSERT_EQ(undo.UndoList().size(), ownEntries + 12);
    for (std::size_t i = ownEntries; i < undo.UndoList().size(); ++i)
        EXPECT_EQ(undo.UndoList()[i]->FGroupIndex, group);

    // And back once more: the redone group is again one step.
    core->Undo();
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(EditedCells(rows[i]), before[i]);
}

TEST_F(UndoRedoTest, UngroupedEntriesAreStepsOfTheirOwnAndOtherGroupsStayPut)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "one");
    core->SetData(row, colComment, "two");
    core->Undo();
    EXPECT_EQ(row->StringList[colComment], QStringLiteral("one"));
    ASSERT_EQ(undo.RedoList().size(), 1u);
    EXPECT_EQ(undo.RedoList()[0]->FGroupIndex, -1);
    core->Redo();
    EXPECT_EQ(row->StringList[colComment], QStringLiteral("two"));

    // A group whose entries have an ungrouped change between them.
    core->FUndoRedoGroupIndex = 7;
    core->SetData(row, colComment, "grouped");
    core->FUndoRedoGroupIndex = -1;
    core->SetData(row, colStart, "05.03.2024");
    core->FUndoRedoGroupIndex = 7;
    core->SetData(row, colLength, "3");
    core->FUndoRedoGroupIndex = -1;

    core->Undo();
    EXPECT_EQ(row->StringList[colComment], QStringLiteral("two"));
    EXPECT_EQ(row->StringList[colLength], QStringLiteral("1"));
    EXPECT_EQ(row->StringList[colStart], QStringLiteral("05.03.2024")); // not of the group
    ASSERT_FALSE(undo.UndoList().empty());
    EXPECT_EQ(undo.UndoList().back()->FGroupIndex, -1);
    core->Undo();
    EXPECT_EQ(row->StringList[colStart], QStringLiteral("04.03.2024"));
}

TEST_F(UndoRedoTest, DeletedAndAddedRowsComeBackUnderNewIds)
{
    TNodeData *row = AddTask("Position 2", "04.03.2024", "2");
    core->SetData(row, colComment, "keep me");
    const QString oldID = row->ID.Value();
    const QStringList cells = EditedCells(row);
    const auto entriesOfRow = undo.UndoList().size();

    tasks->ClearSelection();
    tasks->SetSelected(row->VNode, true);
    window.answers = {mrOk};
    core->ActionDeleteNodeExecute();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 0);

    core->Undo();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 1);
    EXPECT_EQ(core->FindNode(oldID), nullptr);
    TNodeData *back = core->NodeData(tasks.get(), tasks->GetFirst());
    const QString newID = back->ID.Value();
    EXPECT_NE(newID, oldID);
    EXPECT_EQ(EditedCells(back), cells);
    EXPECT_EQ(core->GetEndOf(back), EncodeDate(2024, 3, 5));
    // The row's earlier entries follow it to its new id.
    ASSERT_EQ(undo.UndoList().size(), entriesOfRow);
    for (const auto &entry : undo.UndoList())
        EXPECT_EQ(entry->FID, newID);
    // The inverse of bringing a row back is deleting it, nothing more.
    ASSERT_EQ(undo.RedoList().size(), 1u);
    const auto *readd = dynamic_cast<const TUndoRedoEntryAddNode *>(undo.RedoList()[0].get());
    ASSERT_NE(readd, nullptr);
    EXPECT_EQ(readd->FID, newID);

    // An older edit of the row can be undone on the row that came back.
    core->Undo();
    EXPECT_EQ(back->StringList[colComment], QString());
    core->Redo();
    EXPECT_EQ(back->StringList[colComment], QStringLiteral("keep me"));

    // Redoing the deletion and undoing it again keeps every text.
    core->Redo();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 0);
    core->Undo();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 1);
    back = core->NodeData(tasks.get(), tasks->GetFirst());
    EXPECT_NE(back->ID.Value(), newID);
    EXPECT_EQ(EditedCells(back), cells);

    // Undoing a new row deletes it; redo brings it back with its texts under a new id.
    undo.Clear();
    TNodeData *added = nullptr;
    InGroup([&] { added = AddTask("Position 3", "06.03.2024", "1"); });
    const QString addedID = added->ID.Value();
    const QStringList addedCells = EditedCells(added);
    core->Undo();
    EXPECT_EQ(core->FindNode(addedID), nullptr);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
    ASSERT_FALSE(undo.RedoList().empty());
    EXPECT_NE(dynamic_cast<const TUndoRedoEntryRemoveNode *>(undo.RedoList().back().get()), nullptr);
    core->Redo();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 2);
    TNodeData *again = core->NodeData(tasks.get(), tasks->GetLast());
    EXPECT_NE(again->ID.Value(), addedID);
    EXPECT_EQ(EditedCells(again), addedCells);
    EXPECT_EQ(core->GetActiveTable(), tbTable);
}

// The whole table cleared comes back in its places and order with the rows' cells, however
// often the step is undone and redone; rows added by one action and undone come back on redo
// in the order they were added. (Deletions here and there: RowDeletionOrderTest.)
TEST_F(UndoRedoTest, RowsComeBackInTheirPlacesAndOrder)
{
    core->SetActiveTable(tbTable);
    for (int i = 0; i < 7; ++i) {
        TNodeData *row = AddTask(QStringLiteral("Position %1").arg(i % 3 + 1),
                                 QStringLiteral("%1.03.2024").arg(4 + i, 2, 10, QLatin1Char('0')), "2");
        core->SetData(row, colComment, QStringLiteral("row %1").arg(i));
    }
    // The table's rows, top to bottom, by their edited cells.
    using TRows = std::vector<std::string>;
    const auto rows = [&] {
        TRows result;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) {
            result.push_back(EditedCells(node).join(QLatin1Char('|')).toStdString());
        });
        return result;
    };
    const TRows before = rows();
    ASSERT_EQ(before.size(), 7);

    // The whole table cleared in one step, the way an import clears it first.
    InGroup([&] { core->ForEach(tbTable, feAll, [&](TNodeData *node) { core->DeleteNode(node, true); }); });
    ASSERT_EQ(core->GetTableRowCount(tbTable), 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        core->Undo();
        EXPECT_EQ(rows(), before);
        core->Redo();
        EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    }
    core->Undo();
    ASSERT_EQ(rows(), before);
    // Every row came back once, under an id of its own, known to the core.
    QSet<QString> ids;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        ids.insert(node->ID.Value());
        EXPECT_EQ(core->FindNode(node->ID.Value()), node);
    });
    EXPECT_EQ(ids.size(), 7);

    // Several rows added by one action: undone and redone, they come back below the others
    // in the order they were added.
    InGroup([&] {
        for (int i = 0; i < 4; ++i) {
            TNodeData *row = AddTask("Position 1", "20.03.2024", QString::number(i + 1));
            core->SetData(row, colComment, QStringLiteral("added %1").arg(i));
        }
    });
    const TRows withAdded = rows();
    ASSERT_EQ(withAdded.size(), 11);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        core->Undo();
        EXPECT_EQ(rows(), before);
        core->Redo();
        EXPECT_EQ(rows(), withAdded);
    }
}

TEST_F(UndoRedoTest, AbsentDaysRowComesBackInItsTable)
{
    core->SetActiveTable(tbExclude);
    TNodeData *row = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(row, cnStart, "04.03.2024");
    core->SetData_(row, cnTextCenterMiddle, "ill");
    const QStringList cells = row->StringList;
    core->DeleteNode(row, true);
    core->SetActiveTable(tbTable);

    core->Undo();
    EXPECT_EQ(core->GetActiveTable(), tbExclude);
    ASSERT_EQ(core->GetTableRowCount(tbExclude), 1);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    const TNodeData *back = core->NodeData(absent.get(), absent->GetFirst());
    EXPECT_EQ(back->StringList, cells);
    EXPECT_EQ(back->NodeTable, tbExclude);
}

TEST_F(UndoRedoTest, NewEditClearsRedoButReplayDoesNot)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "a");
    core->SetData(row, colComment, "b");
    core->Undo();
    core->Undo();
    ASSERT_EQ(undo.RedoList().size(), 2u);
    ASSERT_TRUE(undo.GetCanRedo());

    // Another instance's change that is not recorded leaves the redo list alone.
    core->DoSetData(row, colLength, "2", false);
    EXPECT_EQ(undo.RedoList().size(), 2u);
    // Recorded (localUndo off), it is a new action like an own edit.
    core->FLocalUndo = false;
    core->DoSetData(row, colLength, "3", false);
    EXPECT_TRUE(undo.RedoList().empty());
    core->Redo(); // nothing to redo: nothing happens
    EXPECT_EQ(row->StringList[colComment], QString());

    core->SetData(row, colComment, "c");
    core->Undo();
    ASSERT_TRUE(undo.GetCanRedo());
    core->SetData(row, colStart, "05.03.2024");
    EXPECT_FALSE(undo.GetCanRedo());
    EXPECT_EQ(row->StringList[colComment], QString());
    EXPECT_EQ(row->StringList[colStart], QStringLiteral("05.03.2024"));
}

TEST_F(UndoRedoTest, RecordingRefusedWhileTheCounterIsUp)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "a");
    core->Undo();
    const auto undoSize = undo.UndoList().size();
    ASSERT_EQ(undo.RedoList().size(), 1u);

    undo.SetAcceptUndo(false);
    undo.SetAcceptUndo(false); // nested: the loading road inside a new document
    core->SetData(row, colComment, "b");
    undo.SetAcceptUndo(true);
    EXPECT_FALSE(undo.GetAcceptUndo());
    core->SetData(row, colComment, "c");
    core->AddNode(core->GetFreeID(), tbTable, true);
    EXPECT_EQ(undo.UndoList().size(), undoSize);
    EXPECT_EQ(undo.RedoList().size(), 1u); // a refused entry is no new action either
    undo.SetAcceptUndo(true);
    EXPECT_TRUE(undo.GetAcceptUndo());

    // A resume without a suspension must not turn recording off.
    undo.SetAcceptUndo(true);
    EXPECT_TRUE(undo.GetAcceptUndo());
    undo.SetAcceptUndo(false);
    EXPECT_FALSE(undo.GetAcceptUndo());
    undo.SetAcceptUndo(true);
    EXPECT_TRUE(undo.GetAcceptUndo());

    // The guard resumes recording when an exception passes.
    try {
        TSuspendUndo suspended(undo);
        EXPECT_FALSE(undo.GetAcceptUndo());
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_TRUE(undo.GetAcceptUndo());
    core->SetData(row, colComment, "d");
    EXPECT_EQ(undo.UndoList().size(), undoSize + 1);
}

TEST_F(UndoRedoTest, PopTakesBackTheNewestEntryUnrecorded)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    const int group = InGroup([&] {
        core->SetData(row, colStart, "05.03.2024");
        core->SetData(row, colStart, "06.03.2024");
        core->SetData(row, colComment, "solved");
    });
    const auto size = undo.UndoList().size();
    QSignalSpy updates(&undo, &TUndoRedo::MainFormUpdate);

    core->PopUndo();
    EXPECT_EQ(row->StringList[colComment], QString());
    EXPECT_EQ(row->StringList[colStart], QStringLiteral("06.03.2024"));
    EXPECT_EQ(undo.UndoList().size(), size - 1);
    EXPECT_EQ(undo.UndoList().back()->FGroupIndex, group);
    EXPECT_TRUE(undo.RedoList().empty());
    EXPECT_TRUE(undo.GetAcceptUndo());
    EXPECT_GE(updates.count(), 1);
    // The take-back still reaches the other instances.
    EXPECT_EQ(PendingText(Journal(), row->ID.Value(), colComment), QString());

    // The rest of the group stays one undo step.
    core->Undo();
    EXPECT_EQ(row->StringList[colStart], QStringLiteral("04.03.2024"));

    // Popping a deletion brings the row back and the row's entries follow its new id.
    const QString oldID = row->ID.Value();
    core->DeleteNode(row, true);
    core->PopUndo();
    ASSERT_EQ(core->GetTableRowCount(tbTable), 1);
    const QString newID = core->NodeData(tasks.get(), tasks->GetFirst())->ID.Value();
    EXPECT_NE(newID, oldID);
    for (const auto &entry : undo.UndoList())
        EXPECT_EQ(entry->FID, newID);

    undo.Clear();
    core->PopUndo(); // an empty list: nothing
    EXPECT_FALSE(undo.GetCanUndo());
    EXPECT_TRUE(undo.GetAcceptUndo());
}

TEST_F(UndoRedoTest, LocalUndoDecidesWhetherOtherUsersChangesAreUndoable)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "mine");

    // Option on: another instance's change is not undoable here.
    core->FLocalUndo = true;
    const auto size = undo.UndoList().size();
    core->DoSetData(row, colLength, "4", false);
    EXPECT_EQ(undo.UndoList().size(), size);
    core->Undo();
    EXPECT_EQ(row->StringList[colComment], QString()); // my own change went
    EXPECT_EQ(row->StringList[colLength], QStringLiteral("4")); // theirs stayed

    // Option off: the other instance's change is undone and the inverse journalled to all.
    core->FLocalUndo = false;
    core->DoSetData(row, colLength, "6", false);
    const quint64 changes = row->ChangeIndex;
    core->Undo();
    EXPECT_EQ(row->StringList[colLength], QStringLiteral("4"));
    EXPECT_EQ(row->ChangeIndex, changes + 1);
    EXPECT_EQ(PendingText(Journal(), row->ID.Value(), colLength), QStringLiteral("4"));

    // A row another instance added is undone by deleting it, journalled.
    const QString theirs = QStringLiteral("other.user.5");
    core->AddNode(theirs, tbTable, false);
    core->Undo(); // its colour, an entry of its own
    core->Undo();
    EXPECT_EQ(core->FindNode(theirs), nullptr);
    ASSERT_FALSE(Journal().PendingEvents().empty());
    EXPECT_EQ(Journal().PendingEvents().back()->XMLNodeName(), QStringLiteral("delete"));
    EXPECT_EQ(Journal().PendingEvents().back()->ID(), theirs);
}

TEST_F(UndoRedoTest, UndoOfARowDeletedElsewhereIsSkipped)
{
    TNodeData *keep = AddTask("Position 1", "04.03.2024", "1");
    TNodeData *gone = AddTask("Position 2", "04.03.2024", "1");
    const QString goneID = gone->ID.Value();
    InGroup([&] {
        core->SetData(keep, colComment, "both");
        core->SetData(gone, colComment, "both");
    });
    core->DeleteNode(gone, false); // another instance deleted it; not undoable here
    const auto events = Journal().PendingEvents().size();

    core->Undo();
    EXPECT_EQ(keep->StringList[colComment], QString()); // the rest of the group is undone
    EXPECT_EQ(core->FindNode(goneID), nullptr);         // nothing re-created
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
    ASSERT_EQ(undo.RedoList().size(), 1u);
    EXPECT_EQ(undo.RedoList()[0]->FID, keep->ID.Value());
    EXPECT_EQ(Journal().PendingEvents().size(), events); // the change merged into keep's event

    // The row's own creation, further down the list, is skipped as well.
    while (undo.GetCanUndo())
        core->Undo();
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    EXPECT_EQ(core->FindNode(goneID), nullptr);
}

TEST_F(UndoRedoTest, UndoIsJournalledLikeAnyEdit)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "x");
    const QString id = row->ID.Value();
    ASSERT_EQ(PendingText(Journal(), id, colComment), QStringLiteral("x"));
    const quint64 changes = row->ChangeIndex;

    core->Undo();
    EXPECT_EQ(PendingText(Journal(), id, colComment), QString());
    EXPECT_EQ(row->ChangeIndex, changes + 1);
    EXPECT_EQ(PendingChangeOf(Journal(), id)->ChangeIndex(), qint32(changes + 1));

    // Undoing a deletion journals a new row and its cells; undoing that journals a deletion.
    core->DeleteNode(row, true);
    const auto before = Journal().PendingEvents().size();
    core->Undo();
    const TNodeEventList &events = Journal().PendingEvents();
    ASSERT_EQ(events.size(), before + 2);
    const QString newID = core->NodeData(tasks.get(), tasks->GetFirst())->ID.Value();
    EXPECT_EQ(events[before]->XMLNodeName(), QStringLiteral("new"));
    EXPECT_EQ(events[before]->ID(), newID);
    EXPECT_EQ(PendingText(Journal(), newID, colPosition), QStringLiteral("Position 1"));
    EXPECT_EQ(PendingText(Journal(), newID, colStart), QStringLiteral("04.03.2024"));
    // Its cells are one change, counted per cell as writing them one by one counts them; the
    // computed end is not journalled.
    const TNodeData *back = core->FindNode(newID);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(PendingChangeOf(Journal(), newID)->ChangeIndex(), qint32(back->ChangeIndex));
    EXPECT_EQ(qint64(back->ChangeIndex), PendingChangeOf(Journal(), newID)->Columns().size());
    EXPECT_EQ(PendingText(Journal(), newID, 2), QStringLiteral("<column not journalled>"));
    // The first state, which every new task takes, is told as for a new task.
    ASSERT_FALSE(back->StringList[colState].isEmpty());
    EXPECT_EQ(PendingText(Journal(), newID, colState), back->StringList[colState]);
    core->Redo();
    ASSERT_EQ(events.size(), before + 3);
    EXPECT_EQ(events.back()->XMLNodeName(), QStringLiteral("delete"));
    EXPECT_EQ(events.back()->ID(), newID);
}

// A row put back after the table got a column more, or lost its last one: its cells stand in
// the columns there are, a new column stays empty, and it is judged as before.
TEST_F(UndoRedoTest, ARowPutBackAfterTheColumnsChangedKeepsItsCellsInTheColumnsThereAre)
{
    for (const int columns : {7, 5}) {
        SCOPED_TRACE(columns);
        core->SetTableColCount(tbTable, 6);
        TNodeData *row = AddTask("Position 2", "04.03.2024", "3");
        core->SetData(row, colComment, "kept");
        const QStringList cells = row->StringList;
        const bool valid = row->nodeValid;
        const TDateTime end = row->nodeEnd;
        InGroup([&] { core->DeleteNode(row, true); });
        core->SetTableColCount(tbTable, columns);
        core->Undo();
        ASSERT_EQ(core->GetTableRowCount(tbTable), 1);
        const TNodeData *back = core->NodeData(tasks.get(), tasks->GetFirst());
        ASSERT_EQ(back->StringList.size(), columns);
        for (int column = 0; column < columns; ++column)
            EXPECT_EQ(back->StringList[column], cells.value(column)) << column;
        EXPECT_EQ(back->nodeValid, valid);
        EXPECT_EQ(back->nodeEnd, end);
        core->Redo();
        ASSERT_EQ(core->GetTableRowCount(tbTable), 0);
    }
}

TEST_F(UndoRedoTest, FailingEntryLeavesTheStackUsable)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    int calls = 0;
    InGroup([&] {
        core->SetData(row, colComment, "a");
        undo.Push(std::make_unique<TThrowingEntry>(row->ID.Value(), core->FUndoRedoGroupIndex, calls));
        core->SetData(row, colLength, "2");
    });
    core->Undo();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(row->StringList[colComment], QString()); // the group went on past the failure
    EXPECT_EQ(row->StringList[colLength], QStringLiteral("1"));
    EXPECT_FALSE(undo.IsUndoing());
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_TRUE(undo.GetAcceptUndo());
    core->Redo();
    EXPECT_EQ(row->StringList[colComment], QStringLiteral("a"));
}

TEST_F(UndoRedoTest, GroupIndexAndSwapID)
{
    EXPECT_EQ(undo.GetGroupIndex(), 1);
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1"); // ungrouped entries
    EXPECT_EQ(undo.GetGroupIndex(), 1);
    core->FUndoRedoGroupIndex = 5;
    core->SetData(row, colComment, "a");
    core->FUndoRedoGroupIndex = -1;
    EXPECT_EQ(undo.GetGroupIndex(), 6);
    core->Undo(); // group 5 now lies in the redo list, which does not count
    EXPECT_EQ(undo.GetGroupIndex(), 1);

    const QString id = row->ID.Value();
    undo.SwapID(id, QStringLiteral("x.y.9"));
    for (const TUndoRedoList *list : {&undo.UndoList(), &undo.RedoList()})
        for (const auto &entry : *list)
            EXPECT_EQ(entry->FID, QStringLiteral("x.y.9"));
    // Exact compare: another case is another id.
    undo.SwapID(QStringLiteral("X.Y.9"), id);
    EXPECT_EQ(undo.UndoList().front()->FID, QStringLiteral("x.y.9"));
    EXPECT_EQ(TUndoRedo::Last(undo.RedoList()), undo.RedoList().back().get());
    undo.Clear();
    EXPECT_EQ(TUndoRedo::Last(undo.UndoList()), nullptr);
}

TEST_F(UndoRedoTest, ClearUndoDropsBothLists)
{
    TNodeData *row = AddTask("Position 1", "04.03.2024", "1");
    core->SetData(row, colComment, "a");
    core->Undo();
    ASSERT_TRUE(undo.GetCanUndo());
    ASSERT_TRUE(undo.GetCanRedo());
    QSignalSpy updates(&undo, &TUndoRedo::MainFormUpdate);
    core->ClearUndo();
    EXPECT_FALSE(undo.GetCanUndo());
    EXPECT_FALSE(undo.GetCanRedo());
    EXPECT_EQ(updates.count(), 1);
    core->Undo(); // nothing left
    EXPECT_EQ(row->StringList[colComment], QString());
}

TEST(UndoRedoActionsTest, ActionsFollowTheStack)
{
    TMainForm form;
    TPlannerCore &core = form.Core();
    core.FLocalUndo = true;
    EXPECT_FALSE(form.ActionUndo->isEnabled());
    EXPECT_FALSE(form.ActionRedo->isEnabled());
    EXPECT_EQ(form.ActionUndo->objectName(), QStringLiteral("ActionUndo"));
    EXPECT_EQ(form.ActionRedo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));

    TNodeData *row = core.AddNode(core.GetFreeID(), tbTable, true);
    EXPECT_TRUE(form.ActionUndo->isEnabled());
    core.SetData(row, colComment, "note");
    EXPECT_EQ(form.ActionUndo->toolTip(), QStringLiteral("set value (Comment)"));
    EXPECT_FALSE(form.ActionRedo->isEnabled());

    form.ActionUndo->trigger();
    EXPECT_EQ(row->StringList[colComment], QString());
    EXPECT_TRUE(form.ActionRedo->isEnabled());
    EXPECT_EQ(form.ActionRedo->toolTip(), QStringLiteral("set value (Comment)"));
    EXPECT_EQ(form.ActionUndo->toolTip(), QStringLiteral("set value (State)"));

    form.ActionUndo->trigger(); // the colour
    form.ActionUndo->trigger(); // the row itself
    EXPECT_EQ(core.GetTableRowCount(tbTable), 0);
    EXPECT_FALSE(form.ActionUndo->isEnabled());
    EXPECT_EQ(form.ActionRedo->toolTip(), QStringLiteral("remove task"));

    form.ActionRedo->trigger();
    EXPECT_EQ(core.GetTableRowCount(tbTable), 1);
    EXPECT_EQ(form.ActionUndo->toolTip(), QStringLiteral("new task"));

    form.ActionNewExecute(); // a new document starts without history
    EXPECT_FALSE(form.ActionUndo->isEnabled());
    EXPECT_FALSE(form.ActionRedo->isEnabled());
}
