// What the cells show: texts per column type, the font of a row, the background of the
// columns the chart reads and the mark of rows that cannot be drawn.

#include "planner/table/TableTestSupport.h"

#include "table/OverlapList.h"

TEST_F(TableTest, CellTextsPerColumnType)
{
    const TTableEvents &events = tables->Events();
    TNodeData *task = AddTask("Position 2", "02.03.2026", "3", "a comment");
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnPosition)), "Position 2");
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnStart)), "02.03.2026");
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnEnd)), "04.03.2026"); // written by the scheduler
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnLength)), "3");
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnColor)), "State 1");
    EXPECT_EQ(events.GetText(tbTable, task, ColumnOf(cnTextCenterMiddle)), "a comment");
    EXPECT_EQ(events.GetText(tbTable, task, -1), "");
    EXPECT_EQ(events.GetText(tbTable, task, 99), "");

    // The yes/no column of the absent days: "Ja" reads yes, anything else no.
    TNodeData *absence = core->AddNode(core->GetFreeID(), tbExclude, true);
    const int workdays = ColumnOf(cnLengthWithWeekend, tbExclude);
    ASSERT_EQ(core->GetColumnType(tbExclude, workdays), ctCheckBox);
    EXPECT_EQ(core->GetData(absence, workdays), "Ja");
    EXPECT_EQ(events.GetText(tbExclude, absence, workdays), "yes");
    core->SetData(absence, workdays, "Nein");
    EXPECT_EQ(events.GetText(tbExclude, absence, workdays), "no");
    core->SetData(absence, workdays, "");
    EXPECT_EQ(events.GetText(tbExclude, absence, workdays), "no");
    core->SetData(absence, workdays, "ja");
    EXPECT_EQ(events.GetText(tbExclude, absence, workdays), "no");
    EXPECT_EQ(events.GetText(tbExclude, absence, ColumnOf(cnColor, tbExclude)), "Holiday");
}

TEST_F(TableTest, RowFontsBackgroundsAndTheMarkOfRowsThatCannotBeDrawn)
{
    const TTableEvents &events = tables->Events();
    TNodeData *plain = AddTask("Position 1", "02.03.2026", "3");
    TNodeData *overlapping = AddTask("Position 1", "03.03.2026", "3");
    TNodeData *broken = AddTask("Position 1", "no date", "3");
    TOverlapList listed;
    listed.Add(overlapping);
    core->OnNodeIsOverlapping = [&listed](const TNodeData *node) { return listed.Contains(node); };
    core->OnOverlapRowFreed = [&listed](TNodeData *node) { node ? listed.Remove(node) : listed.Clear(); };
    EXPECT_EQ(events.TextStyle(plain, false), TTableEvents::TTextStyle{});
    EXPECT_EQ(events.TextStyle(plain, true), (TTableEvents::TTextStyle{false, false, true}));
    EXPECT_EQ(events.TextStyle(overlapping, false), (TTableEvents::TTextStyle{true, false, false}));
    EXPECT_EQ(events.TextStyle(broken, true), (TTableEvents::TTextStyle{false, true, true}));
    EXPECT_FALSE(TTableEvents::HasInvalidMark(plain));
    EXPECT_TRUE(TTableEvents::HasInvalidMark(broken));
    // Deleting the row takes it out of the overlap list.
    core->DeleteNode(overlapping, true);
    EXPECT_TRUE(listed.IsEmpty());
    core->OnNodeIsOverlapping = nullptr;
    core->OnOverlapRowFreed = nullptr;

    // The columns the chart reads have their own background.
    for (TConnection cn : {cnPosition, cnStart, cnEnd, cnLength, cnColor})
        EXPECT_TRUE(events.HasChartBackground(tbTable, ColumnOf(cn))) << cn;
    EXPECT_FALSE(events.HasChartBackground(tbTable, ColumnOf(cnTextCenterMiddle)));
    EXPECT_FALSE(events.HasChartBackground(tbTable, -1));
    EXPECT_TRUE(events.HasChartBackground(tbExclude, ColumnOf(cnColor, tbExclude)));
    EXPECT_FALSE(events.HasChartBackground(tbExclude, ColumnOf(cnLengthWithWeekend, tbExclude)));
    EXPECT_EQ(TTableEvents::ChartColumnColor, TColor(204 | 229 << 8 | 240 << 16));
    EXPECT_EQ(TTableEvents::OverlapTextColor, TColor(255));
}
