// The search over the active table, "Find next" with its wrap-around and past hidden rows,
// select all past a filter, and the rows of a chart row.

#include "planner/table/TableTestSupport.h"

#include "table/TableSearch.h"
#include "treegrid/BaseTreeGrid.h"

class TableSearchTest : public TableTest
{
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        search = std::make_unique<TTableSearch>(*core);
        berlin = AddTask("Position 1", "02.03.2026", "1", "Berlin");
        hamburg = AddTask("Position 2", "03.03.2026", "1", "Hamburg");
        bern = AddTask("Position 3", "04.03.2026", "1", "Trip to BERN");
        strasse = AddTask("Position 1", "05.03.2026", "1", QString::fromUtf8("Hauptstraße"));
    }
    TNodeData *Selected() { return core->NodeData(tasks.get(), tasks->GetFirstSelected()); }
    TNodeData *Focused() { return core->NodeData(tasks.get(), tasks->FocusedNode()); }

    std::unique_ptr<TTableSearch> search;
    TNodeData *berlin = nullptr;
    TNodeData *hamburg = nullptr;
    TNodeData *bern = nullptr;
    TNodeData *strasse = nullptr;
};

TEST_F(TableSearchTest, TypingFindsAndFindNextWraps)
{
    // "b", "be", "ber": Berlin all along, so the selection stays as it is.
    search->Edit2Change("b");
    EXPECT_EQ(Selected(), berlin);
    search->Edit2Change("ber");
    EXPECT_EQ(Selected(), berlin);
    EXPECT_EQ(Focused(), berlin);
    EXPECT_EQ(tasks->SelectedCount(), 1);
    EXPECT_EQ(search->FindString(), "BER");

    // Enter: the next match, then around to the first one again.
    search->ToolButton17Click();
    EXPECT_EQ(Selected(), bern);
    search->ToolButton17Click();
    EXPECT_EQ(Selected(), berlin);
    EXPECT_EQ(tasks->SelectedCount(), 1);

    // No match: nothing stays selected; Find next then does nothing.
    search->Edit2Change("Munich");
    EXPECT_EQ(tasks->SelectedCount(), 0);
    search->ToolButton17Click();
    EXPECT_EQ(tasks->SelectedCount(), 0);

    // Upper case of the cells: "STRASSE" is in "Hauptstraße"; the empty text matches the first row.
    search->Edit2Change("strasse");
    EXPECT_EQ(Selected(), strasse);
    search->Edit2Change("");
    EXPECT_EQ(Selected(), berlin);
    // Cells of every column count: the position too.
    EXPECT_EQ(search->FindFirst("position 2"), hamburg);
    EXPECT_EQ(search->FindNext(hamburg), nullptr);
}

TEST_F(TableSearchTest, FindNextAmongSelectedRowsMovesTheFocusOnly)
{
    tasks->SetSelected(berlin->VNode, true);
    tasks->SetSelected(bern->VNode, true);
    tasks->SetFocusedNode(berlin->VNode);
    search->FindFirst("ber");
    search->ToolButton17Click();
    EXPECT_EQ(tasks->SelectedCount(), 2);
    EXPECT_EQ(Focused(), bern);
    // Again: past the focused row, around to Berlin, still both selected.
    search->ToolButton17Click();
    EXPECT_EQ(tasks->SelectedCount(), 2);
    EXPECT_EQ(Focused(), berlin);
}

TEST_F(TableSearchTest, SelectAllLeavesFilteredRowsOut)
{
    filters().SetFilter(tbTable, ColumnOf(cnTextCenterMiddle), MakeFilter(ftText, fsText, "*B*"));
    ASSERT_EQ(Shown(), (TTexts{"Berlin", "Hamburg", "Trip to BERN"}));
    search->ActionSelectAllExecute();
    EXPECT_TRUE(search->GetSelected(berlin));
    EXPECT_TRUE(search->GetSelected(hamburg));
    EXPECT_TRUE(search->GetSelected(bern));
    EXPECT_FALSE(search->GetSelected(strasse));
    EXPECT_EQ(Count(tbTable, feSelected), 3);

    // The absent-day table when it is the active one.
    core->SetActiveTable(tbExclude);
    TNodeData *absence = core->AddNode(core->GetFreeID(), tbExclude, true);
    search->ActionSelectAllExecute();
    EXPECT_TRUE(search->GetSelected(absence));
    EXPECT_EQ(search->FindFirst("ber"), nullptr);
}

// From a row a filter has hidden since, the search goes on with the rows after it and passes
// the hidden ones by.
TEST_F(TableSearchTest, FindNextGoesOnAfterAHiddenRow)
{
    filters().SetFilter(tbTable, ColumnOf(cnTextCenterMiddle), MakeFilter(ftText, fsText, "*a*"));
    ASSERT_EQ(Shown(), (TTexts{"Hamburg", "Hauptstraße"}));
    EXPECT_EQ(search->FindFirst("haupt"), strasse);
    EXPECT_EQ(search->FindNext(berlin), strasse);
    EXPECT_EQ(search->FindFirst("h"), hamburg);
    EXPECT_EQ(search->FindNext(bern), strasse);
    EXPECT_EQ(search->FindNext(strasse), nullptr);
}

TEST_F(TableSearchTest, RowsOfAChartRow)
{
    EXPECT_EQ(search->FindFirstInRow(0), berlin);
    EXPECT_EQ(search->FindNextInRow(0, berlin), strasse);
    EXPECT_EQ(search->FindNextInRow(0, strasse), nullptr);
    EXPECT_EQ(search->FindFirstInRow(2), bern);
    // Under a group of the second and third position, rows are counted within the group.
    const QStringList entries = core->Positiongroups(false, true);
    core->AddPositionGroup("Two", CommaTextOf({entries[1], entries[2]}));
    core->SelectGroupTab(1);
    EXPECT_EQ(search->FindFirstInRow(0), hamburg);
    EXPECT_EQ(search->FindFirstInRow(1), bern);
    EXPECT_EQ(search->FindFirstInRow(2), nullptr);
}
