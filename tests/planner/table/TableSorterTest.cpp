// Sorting the tables by header clicks: directions, several keys, the comparison per column
// type, rows that cannot be drawn, ties, and the keys each table keeps.

#include "planner/table/TableTestSupport.h"

#include "treegrid/TreeGridColumns.h"

namespace {

class TableSorterTest : public TableTest
{
protected:
    // Valid tasks, one per comment, all on position 1 unless told otherwise.
    void AddTasks(const QStringList &comments, const QString &start = "02.03.2026")
    {
        for (const QString &comment : comments)
            AddTask("Position 1", start, "1", comment);
    }
    void Click(int column, TWhichTable table = tbTable)
    {
        core->SetActiveTable(table);
        tables->SetActiveColumn(column);
        tables->ActionSortExecute();
    }
    TTexts Comments() { return Column(ColumnOf(cnTextCenterMiddle)); }
    TTreeGridHeader *Header(TWhichTable table = tbTable) { return core->GetTable(table)->Header(); }
};

} // namespace

TEST_F(TableSorterTest, ClicksAlternateTheDirectionAndEqualTextsKeepTheirOrder)
{
    AddTasks({"b", "ABC", "c", "abc", "Abc", "a"});
    const int comment = ColumnOf(cnTextCenterMiddle);
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"a", "ABC", "abc", "Abc", "b", "c"}));
    EXPECT_EQ(Header()->SortColumn(), comment);
    EXPECT_EQ(Header()->SortDirection(), sdAscending);
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"c", "b", "ABC", "abc", "Abc", "a"}));
    EXPECT_EQ(Header()->SortDirection(), sdDescending);
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"a", "ABC", "abc", "Abc", "b", "c"}));
    // One key of the same column asks nothing.
    EXPECT_TRUE(window.questions.isEmpty());
    ASSERT_EQ(sorter().Keys(tbTable).size(), 1u);
    EXPECT_EQ(sorter().Keys(tbTable)[0], (TTableSorter::TSortKey{comment, sdAscending}));
    // Only ASCII letters fold: other letters order by their code.
    TNodeData *umlaut = AddTask("Position 1", "02.03.2026", "1", "Ä");
    (void)umlaut;
    Click(comment);
    Click(comment);
    EXPECT_EQ(Comments().back(), "Ä");
}

TEST_F(TableSorterTest, AFurtherKeyOrdersRowsEqualInTheMainKeyWhenTheUserKeepsTheSort)
{
    AddTask("Position 2", "03.03.2026", "1", "x");
    AddTask("Position 1", "03.03.2026", "1", "y");
    AddTask("Position 2", "02.03.2026", "1", "z");
    AddTask("Position 1", "02.03.2026", "1", "w");
    const int position = ColumnOf(cnPosition);
    const int start = ColumnOf(cnStart);
    Click(position);
    EXPECT_EQ(Comments(), (TTexts{"y", "w", "x", "z"}));

    window.answers = {mrYes};
    Click(start);
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_EQ(window.questions[0], "Keep existing sort?\n\nPosition  Main Index");
    EXPECT_EQ(Comments(), (TTexts{"w", "y", "z", "x"}));
    EXPECT_EQ(Header()->SortColumn(), position); // the header shows the main key
    // Clicking the further key again turns it around within the main key.
    window.answers = {mrYes};
    Click(start);
    EXPECT_EQ(window.questions[1], "Keep existing sort?\n\nPosition  Main Index\nStart");
    EXPECT_EQ(Comments(), (TTexts{"y", "w", "x", "z"}));
    EXPECT_EQ(TTableSorter::UnpackKey(TTableSorter::PackKey(sorter().Keys(tbTable)[1])),
              (TTableSorter::TSortKey{start, sdDescending}));
    EXPECT_EQ(TTableSorter::PackKey({start, sdDescending}), 0x10000 | start);

    // Any other answer starts over with the clicked column alone.
    window.answers = {mrNo};
    Click(ColumnOf(cnTextCenterMiddle));
    EXPECT_EQ(Comments(), (TTexts{"w", "x", "y", "z"}));
    EXPECT_EQ(sorter().Keys(tbTable).size(), 1u);
}

TEST_F(TableSorterTest, DatesAndNumbersCompareByValueAndInvalidRowsComeFirstBothWays)
{
    AddTask("Position 1", "01.02.2026", "1", "february");
    AddTask("Position 1", "15.01.2026", "1", "january");
    AddTask("Position 1", "", "1", "no start");
    AddTask("Position 1", "03.03.2025 ", "1", "last year");
    AddTask("Position 1", "also no start", "1", "broken");
    const int start = ColumnOf(cnStart);
    Click(start);
    EXPECT_EQ(Comments(), (TTexts{"no start", "broken", "last year", "january", "february"}));
    Click(start);
    EXPECT_EQ(Comments(), (TTexts{"no start", "broken", "february", "january", "last year"}));

    // A number column: cells without a number go after the numbers in both directions.
    const int comment = ColumnOf(cnTextCenterMiddle);
    core->SetColumnType(tbTable, comment, ctNumber);
    core->ForEach(tbTable, feAll, [&](TNodeData *node) { core->SetData(node, comment, "x"); });
    core->ClearTable(tbTable);
    core->CreateBasicTable(tbTable);
    core->SetColumnType(tbTable, comment, ctNumber);
    AddTasks({"10", "9", "abc", "", "2.5", "-1", "9"});
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"-1", "2.5", "9", "9", "10", "abc", ""}));
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"10", "9", "9", "2.5", "-1", "abc", ""}));
    // A changed cell is read again.
    TNodeData *first = nullptr;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (!first)
            first = node;
    });
    core->SetData(first, comment, "1");
    Click(comment);
    EXPECT_EQ(Comments(), (TTexts{"-1", "1", "2.5", "9", "9", "abc", ""}));
}

TEST_F(TableSorterTest, EachTableKeepsItsOwnKeysAndLosesThemWhenItsColumnsChange)
{
    AddTasks({"b", "a"});
    TNodeData *absence = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(absence, cnTextCenterMiddle, "z");
    TNodeData *other = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(other, cnTextCenterMiddle, "y");

    Click(ColumnOf(cnStart));
    Click(ColumnOf(cnTextCenterMiddle, tbExclude), tbExclude);
    // No question: the task table's key does not belong to the absent days.
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(Column(ColumnOf(cnTextCenterMiddle, tbExclude), tbExclude), (TTexts{"y", "z"}));
    EXPECT_EQ(sorter().Keys(tbTable).size(), 1u);
    EXPECT_EQ(sorter().Keys(tbExclude).size(), 1u);

    // New columns: the old keys would name other columns now.
    core->InsertColumn(tbTable, 0);
    EXPECT_TRUE(sorter().Keys(tbTable).empty());
    EXPECT_EQ(sorter().Keys(tbExclude).size(), 1u);
    Click(ColumnOf(cnTextCenterMiddle));
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(Comments(), (TTexts{"a", "b"}));
    // A new document starts without keys.
    core->ActionNewExecute();
    EXPECT_TRUE(sorter().Keys(tbTable).empty());
    EXPECT_TRUE(sorter().Keys(tbExclude).empty());
}

TEST_F(TableSorterTest, RowsAddedLaterAreSortedInWhenTheBracketCloses)
{
    AddTasks({"d", "b"});
    Click(ColumnOf(cnTextCenterMiddle));
    core->BeginUpdate(QString());
    for (const QString comment : {"c", "a", "e"}) {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(node, cnPosition, "Position 1");
        core->SetData_(node, cnStart, "02.03.2026");
        core->SetData_(node, cnLength, "1");
        core->SetData_(node, cnTextCenterMiddle, comment);
    }
    core->EndUpdate();
    EXPECT_EQ(Comments(), (TTexts{"a", "b", "c", "d", "e"}));
    // Filtering does not reorder.
    TNodeData *last = nullptr;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) { last = node; });
    core->SetData_(last, cnTextCenterMiddle, "0");
    core->FilterData(tbTable);
    EXPECT_EQ(Comments(), (TTexts{"a", "b", "c", "d", "0"}));
}
