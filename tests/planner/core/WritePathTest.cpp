#include "planner/CoreTestSupport.h"

#include <QLineEdit>

#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "sync/NodeEvent.h"
#include "table/OverlapList.h"

namespace {

const TSetNodeDataEvent *AsChange(const std::unique_ptr<TNodeEvent> &event)
{
    return dynamic_cast<const TSetNodeDataEvent *>(event.get());
}

} // namespace

TEST_F(CoreTest, EqualTextChangesNothing)
{
    TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
    const auto events = sync->DirWatchThread()->PendingEvents().size();
    const auto entries = undo.UndoList().size();
    core->SetData_(node, cnTextCenterMiddle, "note");
    EXPECT_EQ(node->ChangeIndex, 2u); // the colour, then the note
    EXPECT_EQ(undo.UndoList().size(), entries + 1);
    core->ClearDelayedFlags();
    core->SetData_(node, cnTextCenterMiddle, "note");
    EXPECT_EQ(node->ChangeIndex, 2u);
    EXPECT_EQ(undo.UndoList().size(), entries + 1);
    EXPECT_EQ(sync->DirWatchThread()->PendingEvents().size(), events);
    // Case counts as a change.
    core->SetData_(node, cnTextCenterMiddle, "Note");
    EXPECT_EQ(node->ChangeIndex, 3u);
}

TEST_F(CoreTest, FlagsPerConnection)
{
    TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
    core->ClearDelayedFlags();

    // A start marks the end, the bounds and the overlapping, not the empty rows.
    core->SetData_(node, cnStart, "04.03.2024");
    EXPECT_TRUE(node->RecalcEndOf); // no length yet: the end waits
    EXPECT_TRUE(core->DelayedUpdateBounds());
    EXPECT_TRUE(core->OverlappingPending());
    EXPECT_FALSE(core->DelayedUpdateEmptyRows());
    EXPECT_EQ(node->ChangeIndex, 2u);
    core->ClearDelayedFlags();

    // A position flags all three.
    core->SetData_(node, cnPosition, "Position 1");
    EXPECT_FALSE(core->DelayedUpdateBounds());
    EXPECT_TRUE(core->OverlappingPending());
    EXPECT_TRUE(core->DelayedUpdateEmptyRows());
    core->ClearDelayedFlags();

    // A length completes the row: its end is computed at once.
    core->SetData_(node, cnLength, "1");
    EXPECT_FALSE(node->RecalcEndOf);
    EXPECT_TRUE(node->RecalcStartOf);
    EXPECT_TRUE(node->nodeValid);
    EXPECT_FALSE(core->DelayedUpdateEmptyRows());
    EXPECT_TRUE(core->DelayedUpdateBounds()); // the computed end moved
    core->ClearDelayedFlags();

    // An end written by hand is neither journalled nor undoable and asks for the start.
    const quint64 changes = node->ChangeIndex;
    const auto entries = undo.UndoList().size();
    node->RecalcStartOf = false;
    core->SetData_(node, cnEnd, "08.03.2024");
    EXPECT_EQ(node->ChangeIndex, changes);
    EXPECT_EQ(undo.UndoList().size(), entries);
    EXPECT_TRUE(node->RecalcStartOf);
    EXPECT_TRUE(core->DelayedUpdateBounds());
    EXPECT_TRUE(core->OverlappingPending());
    EXPECT_EQ(node->nodeEnd, EncodeDate(2024, 3, 8));
    core->ClearDelayedFlags();

    // A deadline flags the bounds only; a colour flashes the selection.
    core->InsertColumn(tbTable, 6);
    core->SetConnection(tbTable, cnTermin, 6);
    core->SetData_(node, cnTermin, "20.03.2024");
    EXPECT_TRUE(core->DelayedUpdateBounds());
    EXPECT_FALSE(core->OverlappingPending());
    const int flashes = window.flashes;
    core->SetData_(node, cnColor, "State 2");
    EXPECT_EQ(window.flashes, flashes + 1);
    EXPECT_EQ(node->nodeColor, 1);
    core->ClearDelayedFlags();

    // An unconnected column is journalled but leaves the picture alone.
    core->InsertColumn(tbTable, 7);
    node->RecalcBitmap = false;
    core->SetData(node, 7, "free text");
    EXPECT_FALSE(node->RecalcBitmap);
    EXPECT_FALSE(core->DelayedUpdateBounds());
    EXPECT_FALSE(core->OverlappingPending());
    core->SetData_(node, cnTextCenterMiddle, "on the bar");
    EXPECT_TRUE(node->RecalcBitmap);

    // Inside an update bracket nothing is deferred or judged.
    core->BeginUpdate("bulk");
    core->SetData_(node, cnStart, "05.03.2024");
    EXPECT_FALSE(core->DelayedUpdateBounds());
    EXPECT_TRUE(node->RecalcEndOf);
    core->EndUpdate();
    EXPECT_TRUE(core->DelayedUpdateBounds());
    EXPECT_FALSE(node->RecalcEndOf);
    EXPECT_EQ(core->GetData_(node, cnEnd), QStringLiteral("05.03.2024"));
}

TEST_F(CoreTest, JournalEventsAndUndoEntriesHandedOver)
{
    const TNodeEventList &events = sync->DirWatchThread()->PendingEvents();
    ASSERT_TRUE(events.empty());
    ASSERT_TRUE(undo.UndoList().empty());

    const QString id = core->GetFreeID();
    EXPECT_EQ(id, UserIdentity() + ".1");
    core->FUndoRedoGroupIndex = 4;
    TNodeData *node = core->AddNode(id, tbTable, true);
    // A new row, then its colour cell (pick-list entry 0) through the write path.
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]->XMLNodeName(), QStringLiteral("new"));
    EXPECT_EQ(events[0]->ID(), id);
    EXPECT_EQ(events[0]->Table(), tbTable);
    EXPECT_EQ(events[0]->ChangeIndex(), 0);
    const TSetNodeDataEvent *change = AsChange(events[1]);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->Columns(), QVector<int>{4});
    EXPECT_EQ(change->Data(), QStringList{"State 1"});
    EXPECT_EQ(change->ChangeIndex(), 1);
    ASSERT_EQ(undo.UndoList().size(), 2u);
    const auto *added = dynamic_cast<const TUndoRedoEntryAddNode *>(undo.UndoList()[0].get());
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->FID, id);
    EXPECT_EQ(added->FGroupIndex, 4);
    const auto *colour = dynamic_cast<const TUndoRedoEntryString *>(undo.UndoList()[1].get());
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->FString, QString()); // the text before the change
    EXPECT_EQ(colour->FColumn, 4);
    EXPECT_EQ(colour->FTable, tbTable);

    // Further edits of the row merge into its pending change: newest text per column, columns
    // in the order of their first change, the highest change index.
    core->SetData(node, 5, "a");
    core->SetData(node, 1, "04.03.2024");
    core->SetData(node, 5, "b");
    ASSERT_EQ(events.size(), 2u);
    change = AsChange(events[1]);
    EXPECT_EQ(change->Columns(), (QVector<int>{4, 5, 1}));
    EXPECT_EQ(change->Data(), (QStringList{"State 1", "b", "04.03.2024"}));
    EXPECT_EQ(change->ChangeIndex(), 4);
    EXPECT_EQ(node->ChangeIndex, 4u);
    ASSERT_EQ(undo.UndoList().size(), 5u);
    const auto *last = dynamic_cast<const TUndoRedoEntryString *>(undo.UndoList()[4].get());
    EXPECT_EQ(last->FString, QStringLiteral("a"));

    // Another row's change is its own event.
    TNodeData *other = core->AddNode(core->GetFreeID(), tbExclude, true);
    ASSERT_EQ(events.size(), 3u); // absent days store their defaults without journal
    EXPECT_EQ(other->StringList[5], QStringLiteral("Holiday"));
    EXPECT_EQ(other->StringList[4], QStringLiteral("Ja"));
    core->SetData(other, 6, "away");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(AsChange(events[3])->ID(), other->ID.Value());
    EXPECT_EQ(AsChange(events[3])->Table(), tbExclude);

    // Deleting: the row's change index plus one, and an entry holding all its cells.
    const QStringList cells = node->StringList;
    core->DeleteNode(node, true);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4]->XMLNodeName(), QStringLiteral("delete"));
    EXPECT_EQ(events[4]->ChangeIndex(), 5);
    EXPECT_EQ(events[4]->ID(), id);
    const auto *removed = dynamic_cast<const TUndoRedoEntryRemoveNode *>(undo.UndoList().back().get());
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->FStrings, cells);
    EXPECT_EQ(removed->FGroupIndex, 4);
    EXPECT_EQ(core->FindNode(id), nullptr);
}

TEST_F(CoreTest, ChangesFromElsewhereFollowTheLocalUndoOption)
{
    const TNodeEventList &events = sync->DirWatchThread()->PendingEvents();
    core->FLocalUndo = true;
    TNodeData *node = core->AddNode(UserIdentity() + ".7", tbTable, false);
    core->DoSetData(node, 1, "04.03.2024", false);
    core->DeleteNode(node, false);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(undo.UndoList().empty());

    core->FLocalUndo = false; // other users' changes become undoable, still not journalled
    node = core->AddNode(UserIdentity() + ".8", tbTable, false);
    core->DoSetData(node, 1, "04.03.2024", false);
    EXPECT_EQ(node->ChangeIndex, 0u);
    core->DeleteNode(node, false);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(undo.UndoList().size(), 4u); // new row, colour, start, removal

    // Suspended recording drops entries.
    undo.SetAcceptUndo(false);
    core->AddNode(core->GetFreeID(), tbTable, true);
    undo.SetAcceptUndo(true);
    EXPECT_EQ(undo.UndoList().size(), 4u);
    EXPECT_EQ(undo.GetGroupIndex(), 1);
}

TEST_F(CoreTest, AddNodeReusesIdsAndRaisesTheCounter)
{
    const QString me = UserIdentity();
    core->BeginUpdate("loading");
    for (int i = 1; i <= 57; ++i)
        core->AddNode(me + "." + QString::number(i), tbTable, false);
    core->AddNode("otherpc.bob.500", tbTable, false);
    core->AddNode(me + ".draft", tbExclude, false);
    core->EndUpdate();
    EXPECT_EQ(core->FLastFreeID, 57);
    EXPECT_EQ(core->GetFreeID(), me + ".58");

    // An id that exists in the other table returns that row unchanged.
    TNodeData *existing = core->FindNode(me + ".draft");
    ASSERT_NE(existing, nullptr);
    existing->StringList[6] = "keep";
    const auto events = sync->DirWatchThread()->PendingEvents().size();
    EXPECT_EQ(core->AddNode(me + ".draft", tbTable, true), existing);
    EXPECT_EQ(existing->NodeTable, tbExclude);
    EXPECT_EQ(existing->StringList[6], QStringLiteral("keep"));
    EXPECT_EQ(sync->DirWatchThread()->PendingEvents().size(), events);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 58);
    EXPECT_EQ(core->FindNode(me + ".draft", tbTable), nullptr);
    EXPECT_EQ(core->FindNode("otherpc.bob.500", tbTable)->ID.Value(), QStringLiteral("otherpc.bob.500"));

    // A free id skips ids that are taken, whoever took them.
    core->AddNode(me + ".60", tbTable, false);
    EXPECT_EQ(core->GetFreeID(), me + ".61");
    core->FLastFreeID = 58;
    core->AddNode(me + ".59", tbExclude, false);
    EXPECT_EQ(core->FLastFreeID, 59);

    // A new document starts counting again.
    core->ActionNewExecute();
    EXPECT_EQ(core->FLastFreeID, 0);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    EXPECT_EQ(core->FindNode(me + ".1"), nullptr);
}

TEST_F(CoreTest, ForEachSurvivesDeletingTheCurrentRow)
{
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 6; ++i)
        rows.push_back(AddTask("Position 1", "04.03.2024", "1"));
    for (int i : {0, 1, 3, 5})
        tasks->SetSelected(rows[std::size_t(i)]->VNode, true);
    core->ForEach(tbTable, feSelected, &TPlannerCore::CB_DeleteNode, core.get());
    EXPECT_EQ(core->GetTableRowCount(tbTable), 2);
    EXPECT_NE(core->FindNode(rows[2]->ID.Value()), nullptr);
    EXPECT_NE(core->FindNode(rows[4]->ID.Value()), nullptr);

    // A failing callback stops neither the walk nor the program.
    int seen = 0;
    core->ForEach(tbTable, feAll, [&seen](TNodeData *) {
        ++seen;
        throw std::runtime_error("broken callback");
    });
    EXPECT_EQ(seen, 2);
}

TEST_F(CoreTest, EverySelector)
{
    TNodeData *first = AddTask("Position 1", "04.03.2024", "1");
    TNodeData *star = AddTask("*", "04.03.2024", "1");
    TNodeData *unknown = AddTask("Nowhere", "04.03.2024", "1");
    TNodeData *hidden = AddTask("Position 3", "04.03.2024", "1");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Position 2");

    core->SetNodeFiltered(hidden, true);
    EXPECT_TRUE(core->GetNodeFiltered(hidden));
    EXPECT_FALSE(core->GetNodeFiltered(first));
    tasks->SetSelected(star->VNode, true);
    tasks->SetSelected(hidden->VNode, true);
    // The overlap list answers through the core's hooks.
    TOverlapList listed;
    for (TNodeData *node : {first, unknown, first})
        listed.Add(node);
    core->OnNodeIsOverlapping = [&listed](const TNodeData *node) { return listed.Contains(node); };
    core->OnAnyOverlapping = [&listed] { return !listed.IsEmpty(); };
    core->OnOverlapRowFreed = [&listed](TNodeData *node) { node ? listed.Remove(node) : listed.Clear(); };

    auto walk = [this](TForEachNode selector) {
        std::vector<TNodeData *> taken;
        core->ForEach(tbTable, selector, [&taken](TNodeData *node) { taken.push_back(node); });
        return taken;
    };
    EXPECT_EQ(walk(feAll), (std::vector<TNodeData *>{first, star, unknown, hidden}));
    // The group's rows include "*" (every resource); its filtered rows are those the grid shows,
    // as the counts count them.
    EXPECT_EQ(walk(feGroupAll), (std::vector<TNodeData *>{first, star, hidden}));
    EXPECT_EQ(Count(tbTable, feGroupAll), core->GroupCount(tbTable));
    EXPECT_EQ(walk(feGroupFiltered), (std::vector<TNodeData *>{first, star, unknown}));
    EXPECT_EQ(Count(tbTable, feGroupFiltered), core->FilteredCount(tbTable));
    EXPECT_EQ(walk(feOverlapping), (std::vector<TNodeData *>{first, unknown}));
    EXPECT_EQ(walk(feSelected), (std::vector<TNodeData *>{star, hidden}));
    EXPECT_EQ(walk(feFiltered), (std::vector<TNodeData *>{first, star, unknown}));

    // The table-less form runs the tasks, then the absent days.
    std::vector<TNodeData *> all;
    core->CB_SetData_Index = 6;
    core->CB_SetData_String = "seen";
    core->ForEach(feAll, &TPlannerCore::CB_SetData);
    EXPECT_EQ(away->StringList[6], QStringLiteral("seen"));
    EXPECT_EQ(first->StringList[5], QString()); // column 6 does not exist in tasks: skipped
    core->CB_SetData_Index = 4;
    core->CB_SetData_DataIndex = 2;
    core->ForEach(tbTable, feSelected, &TPlannerCore::CB_SetDataIndex);
    EXPECT_EQ(star->StringList[4], QStringLiteral("State 3"));
    EXPECT_EQ(first->StringList[4], QStringLiteral("State 1"));

    // Deleting a row takes it out of the overlap list.
    core->DeleteNode(first, true);
    EXPECT_EQ(listed.Items(), (std::vector<TNodeData *>{unknown}));
    EXPECT_TRUE(core->OverlappingPending());
    core->OnNodeIsOverlapping = nullptr;
    core->OnAnyOverlapping = nullptr;
    core->OnOverlapRowFreed = nullptr;
}

TEST_F(CoreTest, DeleteAndAddActions)
{
    // Nothing selected: no question, but the status bar is refreshed.
    window.status[0] = QStringLiteral("stale");
    core->ActionDeleteNodeExecute();
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 0"));

    TNodeData *a = AddTask("Position 1", "04.03.2024", "1");
    TNodeData *b = AddTask("Position 1", "05.03.2024", "1");
    AddTask("Position 2", "05.03.2024", "1");
    tasks->SetSelected(a->VNode, true);
    tasks->SetSelected(b->VNode, true);

    core->ActionDeleteNodeExecute(true); // typing in an edit: Delete belongs to the edit
    EXPECT_TRUE(window.questions.isEmpty());

    window.answers = {mrCancel};
    core->ActionDeleteNodeExecute();
    EXPECT_EQ(window.questions.value(0), QStringLiteral("Delete all 2 selected tasks?"));
    EXPECT_EQ(core->GetTableRowCount(tbTable), 3);

    window.answers = {mrOk};
    const auto entries = undo.UndoList().size();
    core->ActionDeleteNodeExecute();
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
    ASSERT_EQ(undo.UndoList().size(), entries + 2);
    // One group for the whole command, and back to none afterwards.
    EXPECT_EQ(undo.UndoList()[entries]->FGroupIndex, undo.UndoList()[entries + 1]->FGroupIndex);
    EXPECT_GE(undo.UndoList()[entries]->FGroupIndex, 1);
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 1"));

    // One selected row gets the singular question.
    tasks->SetSelected(tasks->GetFirst(), true);
    window.answers = {mrOk};
    core->ActionDeleteNodeExecute();
    EXPECT_EQ(window.questions.last(), QStringLiteral("Delete selected task?"));
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);

    // A new row in the active table lands on the first position, selected and focused, and
    // takes the filtered cells of the first visible row.
    TNodeData *model = AddTask("Position 2", "04.03.2024", "1");
    core->SetData_(model, cnColor, "State 3");
    core->GetHeader(tbTable, 4)->Filter.FilterType = ftList;
    core->ActionAddNodeExecute();
    TNodeData *added = core->FindNode(UserIdentity() + "." + QString::number(core->FLastFreeID));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->StringList[0], QStringLiteral("Position 1"));
    EXPECT_EQ(added->StringList[4], QStringLiteral("State 3"));
    EXPECT_TRUE(tasks->Selected(added->VNode));
    EXPECT_FALSE(tasks->Selected(model->VNode));
    EXPECT_EQ(tasks->FocusedNode(), added->VNode);

    core->SetActiveTable(tbExclude);
    core->ActionAddNodeExecute();
    EXPECT_EQ(core->GetTableRowCount(tbExclude), 1);
    EXPECT_EQ(absent->SelectedCount(), 1);
}

TEST_F(CoreTest, InvalidateCallbackRepaintsEachTakenRowOutsideBrackets)
{
    TNodeData *valid = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *invalid = AddTask("Position 1", "", "2");
    EXPECT_TRUE(core->GetNodeValid(valid));
    EXPECT_FALSE(core->GetNodeValid(invalid));
    EXPECT_FALSE(core->GetNodeValid(nullptr));
    for (int column = 0; column < core->GetTableColCount(tbTable); ++column)
        EXPECT_FALSE(core->GetColumnReadOnly(tbTable, column));

    window.rowsInvalidated = 0;
    core->ForEach(tbTable, feAll, &TPlannerCore::CB_InvalidateNode);
    EXPECT_EQ(window.rowsInvalidated, 2);
    // Inside an update bracket the outermost end repaints everything at once.
    core->BeginUpdate(QString());
    core->ForEach(tbTable, feAll, &TPlannerCore::CB_InvalidateNode);
    EXPECT_EQ(window.rowsInvalidated, 2);
    core->EndUpdate();
}

// The chart's range spans every valid row of both tables, whatever position it stands at ("*"
// and absent days included), and none that is not valid; it follows when the rows at its ends
// go.
TEST_F(CoreTest, TheDataRangeSpansEveryValidRowAndFollowsItsEnds)
{
    const auto range = [&] {
        core->UpdateBounds(false);
        return std::pair{core->DataMinDate(), core->DataMaxDate()};
    };
    TNodeData *middle = AddTask("Position 2", "04.03.2024", "2");
    TNodeData *all = AddTask("*", "12.02.2024", "1");
    TNodeData *late = AddTask("Position 1", "20.05.2024", "3");
    TNodeData *incomplete = AddTask("Position 3", "01.01.2020", "");
    ASSERT_TRUE(middle->nodeValid && all->nodeValid && late->nodeValid);
    ASSERT_FALSE(incomplete->nodeValid);
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Position 2");
    core->SetData_(away, cnStart, "29.01.2024");
    core->SetData_(away, cnLength, "1");
    ASSERT_TRUE(away->nodeValid);

    auto [lo, hi] = range();
    EXPECT_EQ(lo, away->nodeStart - 14);
    EXPECT_EQ(hi, late->nodeEnd + 14);
    core->DeleteNode(away, true);
    core->DeleteNode(late, true);
    std::tie(lo, hi) = range();
    EXPECT_EQ(lo, all->nodeStart - 14);
    EXPECT_GE(hi, middle->nodeEnd + 14);
}
