// The selection bookkeeping: one answer per user action, bars drawn anew when their selection
// ends, the chart centred only for changes made in the table, and no row kept after it is freed.

#include "planner/table/TableTestSupport.h"

#include <QApplication>

namespace {

class SelectionTrackerTest : public TableTest
{
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        tables->OnChangeFromTable = [this] { return fromTable; };
        for (int i = 0; i < 4; ++i)
            rows.push_back(AddTask("Position 1", "02.03.2026", "1", QString::number(i)));
        QApplication::processEvents();
        window.centred.clear();
        window.editorUpdates = 0;
        window.flashes = 0;
    }
    // One user action: the selection replaced by the given rows, the focus on the last one.
    void SelectOnly(std::initializer_list<TNodeData *> selection)
    {
        tasks->ClearSelection();
        for (TNodeData *row : selection) {
            tasks->SetSelected(row->VNode, true);
            tasks->SetFocusedNode(row->VNode);
        }
    }
    const std::vector<TNodeData *> &List() { return tables->Selection().SelectedList(tbTable); }

    bool fromTable = true;
    std::vector<TNodeData *> rows;
};

} // namespace

TEST_F(SelectionTrackerTest, OneAnswerPerUserActionAndTheChartFollowsOnlyTheTable)
{
    SelectOnly({rows[0], rows[2], rows[1]});
    EXPECT_TRUE(tables->Selection().Pending());
    EXPECT_EQ(window.editorUpdates, 0);
    QApplication::processEvents();
    EXPECT_EQ(window.editorUpdates, 1);
    EXPECT_EQ(window.editorVisibilityRequests, 1);
    EXPECT_TRUE(window.editorVisible);
    EXPECT_EQ(window.flashes, 1);
    EXPECT_EQ(List(), (std::vector<TNodeData *>{rows[0], rows[1], rows[2]})); // table order
    ASSERT_EQ(window.centred.size(), 1u);
    EXPECT_EQ(window.centred[0], rows[1]);

    // The deselected bars are drawn anew.
    rows[0]->RecalcBitmap = rows[2]->RecalcBitmap = rows[3]->RecalcBitmap = false;
    const int before = window.rowsInvalidated;
    fromTable = false; // the chart selects now
    SelectOnly({rows[3]});
    tables->Selection().Flush();
    EXPECT_TRUE(rows[0]->RecalcBitmap);
    EXPECT_TRUE(rows[2]->RecalcBitmap);
    EXPECT_TRUE(rows[3]->RecalcBitmap);
    EXPECT_EQ(window.rowsInvalidated - before, 4); // three that ended, one that began
    EXPECT_EQ(List(), (std::vector<TNodeData *>{rows[3]}));
    EXPECT_EQ(window.centred.size(), 1u); // not centred again
    EXPECT_EQ(window.editorUpdates, 2);

    // Everything unselected: the editor goes.
    tasks->ClearSelection();
    tables->Selection().Flush();
    EXPECT_TRUE(List().empty());
    EXPECT_FALSE(window.editorVisible);
    EXPECT_FALSE(tables->Selection().Pending());
}

TEST_F(SelectionTrackerTest, FreedRowsLeaveTheListsAndTheWaitingAnswer)
{
    SelectOnly({rows[0], rows[1], rows[2]});
    tables->Selection().Flush();
    ASSERT_EQ(List().size(), 3u);

    // Deleted by the user: the list forgets the rows at once.
    window.answers = {mrOk};
    core->SetActiveTable(tbTable);
    tasks->ClearSelection();
    tasks->SetSelected(rows[1]->VNode, true);
    tasks->SetSelected(rows[2]->VNode, true);
    core->ActionDeleteNodeExecute();
    EXPECT_EQ(List(), (std::vector<TNodeData *>{rows[0]}));
    // Then the selection changes again: nothing freed is touched (AddressSanitizer watches).
    SelectOnly({rows[3]});
    QApplication::processEvents();
    EXPECT_EQ(List(), (std::vector<TNodeData *>{rows[3]}));

    // A row freed while its change waits (another instance deleted it) is not centred.
    window.centred.clear();
    SelectOnly({rows[0]});
    core->DeleteNode(rows[0], false);
    QApplication::processEvents();
    EXPECT_TRUE(window.centred.empty());
    EXPECT_TRUE(List().empty());
    // A new document drops every row.
    SelectOnly({rows[3]});
    tables->Selection().Flush();
    core->ActionNewExecute();
    EXPECT_TRUE(List().empty());
    QApplication::processEvents();
}

TEST_F(SelectionTrackerTest, ManyFreedRowsLeaveAndNewRowsInTheirPlaceAreListed)
{
    for (int i = 0; i < 196; ++i)
        rows.push_back(AddTask("Position 2", "02.03.2026", "1", QString::number(i + 4)));
    tasks->SelectAll(false);
    tables->Selection().Flush();
    ASSERT_EQ(List().size(), 200u);

    // Freed from the top, one by one, with a look at the list halfway.
    for (int i = 0; i < 150; ++i) {
        core->DeleteNode(rows[std::size_t(i)], true);
        if (i == 74) {
            EXPECT_EQ(List(), std::vector<TNodeData *>(rows.begin() + 75, rows.end()));
        }
    }
    EXPECT_EQ(List(), std::vector<TNodeData *>(rows.begin() + 150, rows.end()));

    // New rows may take the freed rows' memory; selected, they are listed after the kept ones.
    std::vector<TNodeData *> added;
    for (int i = 0; i < 100; ++i)
        added.push_back(AddTask("Position 3", "02.03.2026", "1", QStringLiteral("new %1").arg(i)));
    tasks->ClearSelection();
    std::vector<TNodeData *> expected;
    for (std::size_t i = 150; i < rows.size(); i += 2) {
        tasks->SetSelected(rows[i]->VNode, true);
        expected.push_back(rows[i]);
    }
    for (TNodeData *row : added) {
        tasks->SetSelected(row->VNode, true);
        expected.push_back(row);
    }
    tables->Selection().Flush();
    EXPECT_EQ(List(), expected);
}
