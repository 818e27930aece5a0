// Many rows deleted in one step, in the orders the commands delete them: the table's order and
// row numbers, the core's counts, focus and selection, before and after undo and redo.

#include "planner/CoreTestSupport.h"

#include <functional>
#include <set>
#include <vector>

namespace {

constexpr int RowCount = 1500;

class RowDeletionOrderTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        core->FLocalUndo = true;
        core->SetActiveTable(tbTable);
        auto options = tasks->TreeOptions().SelectionOptions();
        tasks->TreeOptions().SetSelectionOptions(options + toMultiSelect);
        core->BeginUpdate(QStringLiteral("fill"));
        for (int i = 0; i < RowCount; ++i) {
            TNodeData *row = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(row, cnTextCenterMiddle, QStringLiteral("row %1").arg(i));
            // Every fourth row has no position: counted in the table, not in the group.
            if (i % 4 != 0)
                core->SetData_(row, cnPosition, QStringLiteral("Position %1").arg(i % 3 + 1));
        }
        core->EndUpdate();
        undo.Clear();
    }

    struct TState {
        QStringList texts;
        int withPosition = 0;
        bool operator==(const TState &other) const = default;
    };

    // The rows top to bottom; links, numbers and the core's counts must agree with them.
    TState State()
    {
        TState state;
        const TGridNode *root = tasks->RootNode();
        const TGridNode *previous = nullptr;
        for (const TGridNode *run = root->FirstChild; run; run = run->NextSibling) {
            EXPECT_EQ(run->PrevSibling, previous);
            EXPECT_EQ(run->Index, std::uint32_t(state.texts.size()));
            TNodeData *node = TPlannerCore::NodeData(tasks.get(), const_cast<TGridNode *>(run));
            EXPECT_NE(node, nullptr);
            if (!node)
                break;
            EXPECT_EQ(core->RowIndexOf(node), int(state.texts.size()));
            EXPECT_EQ(core->FindNode(node->ID.Value()), node);
            state.texts.append(core->GetData_(node, cnTextCenterMiddle));
            if (!core->GetData_(node, cnPosition).isEmpty())
                ++state.withPosition;
            previous = run;
        }
        EXPECT_EQ(root->LastChild, previous);
        EXPECT_EQ(root->ChildCount, std::uint32_t(state.texts.size()));
        EXPECT_EQ(core->GetTableRowCount(tbTable), int(state.texts.size()));
        EXPECT_EQ(core->GroupCount(tbTable), state.withPosition);
        return state;
    }

    std::vector<TNodeData *> Rows()
    {
        std::vector<TNodeData *> rows;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { rows.push_back(node); });
        return rows;
    }
};

struct TOrder {
    const char *name;
    // The places of the rows to delete, in the order they go.
    std::function<std::vector<int>()> places;
};

std::vector<int> Range(int first, int last, int step = 1)
{
    std::vector<int> result;
    for (int i = first; i < last; i += step)
        result.push_back(i);
    return result;
}

} // namespace

TEST_F(RowDeletionOrderTest, RowsAndCountsStayRightInEveryOrderAndComeBackWithUndo)
{
    const std::vector<TOrder> orders = {
        {"all from the top", [] { return Range(0, RowCount); }},
        {"from the bottom", [] {
             auto places = Range(200, RowCount);
             std::reverse(places.begin(), places.end());
             return places;
         }},
        {"every other from the top", [] { return Range(1, RowCount, 2); }},
        {"a block in the middle", [] { return Range(400, 1100); }},
    };
    const TState before = State();
    ASSERT_EQ(before.texts.size(), RowCount);
    for (const TOrder &order : orders) {
        SCOPED_TRACE(order.name);
        const std::vector<int> places = order.places();
        const std::set<int> doomed(places.begin(), places.end());
        const std::vector<TNodeData *> rows = Rows();
        // The focus on a doomed row, a selection over doomed and kept rows.
        tasks->ClearSelection();
        tasks->SetFocusedNode(rows[std::size_t(places[places.size() / 2])]->VNode);
        int keptSelected = 0;
        for (int i = 0; i < RowCount; i += 3) {
            tasks->SetSelected(rows[std::size_t(i)]->VNode, true);
            keptSelected += doomed.count(i) ? 0 : 1;
        }

        core->FUndoRedoGroupIndex = undo.GetGroupIndex();
        for (int place : places)
            core->DeleteNode(rows[std::size_t(place)], true);
        core->FUndoRedoGroupIndex = -1;

        TState expected = before;
        for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
            expected.texts.removeAt(*it);
            expected.withPosition -= *it % 4 != 0 ? 1 : 0;
        }
        const TState after = State();
        EXPECT_EQ(after, expected);
        EXPECT_EQ(tasks->FocusedNode(), nullptr);
        EXPECT_EQ(tasks->SelectedCount(), keptSelected);

        core->Undo();
        EXPECT_EQ(State(), before);
        core->Redo();
        EXPECT_EQ(State(), after);
        core->Undo();
        ASSERT_EQ(State(), before);
    }
}

TEST_F(RowDeletionOrderTest, DeleteCommandOnEveryOtherRowAndItsUndo)
{
    const TState before = State();
    tasks->ClearSelection();
    TState expected = before;
    int row = 0;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (row % 2 == 0 || (row >= 600 && row < 900))
            tasks->SetSelected(node->VNode, true);
        ++row;
    });
    for (int i = RowCount - 1; i >= 0; --i) {
        if (i % 2 == 0 || (i >= 600 && i < 900)) {
            expected.texts.removeAt(i);
            expected.withPosition -= i % 4 != 0 ? 1 : 0;
        }
    }
    window.answers = {mrOk};
    core->ActionDeleteNodeExecute();
    const TState after = State();
    EXPECT_EQ(after, expected);
    EXPECT_EQ(tasks->SelectedCount(), 0);

    // A later step takes rows from all over what is left, in an order of its own: from the
    // bottom, then every 7th from the top. Both steps go back and come again in turn.
    const std::vector<TNodeData *> rows = Rows();
    const int left = int(rows.size());
    core->FUndoRedoGroupIndex = undo.GetGroupIndex();
    for (int i = left - 1; i >= left - 40; i -= 3)
        core->DeleteNode(rows[std::size_t(i)], true);
    for (int i = 0; i < left - 40; i += 7)
        core->DeleteNode(rows[std::size_t(i)], true);
    core->FUndoRedoGroupIndex = -1;
    const TState later = State();
    ASSERT_EQ(later.texts.size(), left - 14 - (left - 40 + 6) / 7);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        core->Undo();
        EXPECT_EQ(State(), after);
        core->Undo();
        EXPECT_EQ(State(), before);
        core->Redo();
        EXPECT_EQ(State(), after);
        core->Redo();
        EXPECT_EQ(State(), later);
    }
}
