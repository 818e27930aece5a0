// The nested update bracket, the one recalculation at its outermost end, the time bounds
// with the holidays of their years, and hiding empty rows.

#include "planner/CoreTestSupport.h"

#include "CommaText.h"

namespace {

TDateTime Day(int y, int m, int d)
{
    return EncodeDate(y, m, d);
}

} // namespace

using UpdateBracketTest = CoreTest;

TEST_F(UpdateBracketTest, OnlyTheOutermostEndRecalculates)
{
    core->BeginUpdate("Loading");
    TNodeData *task = AddTask("Position 1", "08.03.2024", "2");
    core->BeginUpdate("Pasting");
    TNodeData *second = AddTask("Position 2", "04.03.2024", "1");
    EXPECT_EQ(window.status[3], QStringLiteral("Pasting"));
    core->UpdateBounds(true);
    core->UpdateEmptyRows(true);
    core->UpdateOverlapping(true);
    EXPECT_FALSE(core->DelayedUpdateBounds());
    EXPECT_FALSE(core->DelayedUpdateEmptyRows());
    EXPECT_FALSE(core->OverlappingPending());
    core->EndUpdate();
    EXPECT_EQ(window.status[3], QStringLiteral("Loading"));
    // Nothing is judged inside the bracket.
    EXPECT_TRUE(core->GetData_(task, cnEnd).isEmpty());
    EXPECT_FALSE(task->nodeValid);
    const int pageChanges = window.pageChanges;
    int windowEnds = 0;
    core->OnEndUpdate = [&] { ++windowEnds; };
    core->EndUpdate();
    EXPECT_EQ(window.status[3], QString());
    EXPECT_EQ(windowEnds, 1);
    EXPECT_EQ(window.pageChanges, pageChanges + 1);
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("11.03.2024"));
    EXPECT_EQ(core->GetData_(second, cnEnd), QStringLiteral("04.03.2024"));
    EXPECT_TRUE(task->nodeValid && second->nodeValid);
    EXPECT_FALSE(task->RecalcEndOf || second->RecalcEndOf);
    // The deferred work is requested once for the idle timer.
    EXPECT_TRUE(core->DelayedUpdateBounds());
    EXPECT_TRUE(core->DelayedUpdateEmptyRows());
    EXPECT_TRUE(core->OverlappingPending());
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 2"));
    EXPECT_EQ(window.status[1], QStringLiteral("in all: 2"));
}

TEST_F(UpdateBracketTest, DataFarFromThePreviousRangeBecomesValid)
{
    // Loaded rows fifty years apart and far from today's range.
    core->BeginUpdate("Loading");
    TNodeData *early = AddTask("Position 1", "04.03.1960", "1");
    TNodeData *late = AddTask("Position 2", "04.03.2010", "1");
    TNodeData *broken = AddTask("Position 3", "04.03.1960", "0");
    core->EndUpdate();
    EXPECT_TRUE(early->nodeValid);
    EXPECT_TRUE(late->nodeValid);
    EXPECT_FALSE(broken->nodeValid);
    EXPECT_EQ(core->GetData_(early, cnEnd), QStringLiteral("04.03.1960"));
    EXPECT_TRUE(core->isDateOK(core->FUserDate));
    // The idle bounds pass keeps them all inside.
    core->UpdateBoundsProc();
    EXPECT_LE(core->MinDate(), Day(1960, 3, 4) - 14);
    EXPECT_GE(core->MaxDate(), Day(2010, 3, 4) + 14);
    core->CheckAllValid();
    EXPECT_TRUE(early->nodeValid && late->nodeValid);
}

TEST_F(UpdateBracketTest, BoundsCoverTheVisibleWidthAndBringTheirHolidays)
{
    AddTask("Position 1", "04.03.2024", "1");
    AddTask("Position 1", "06.03.2024", "1");
    core->SetUserdate(Day(2024, 3, 4));
    core->UpdateBoundsProc();
    // All rows in one week: at least as wide as the chart (60 days) plus 14 on each side.
    EXPECT_EQ(core->MinDate(), Day(2024, 3, 4) - 14);
    EXPECT_EQ(core->MaxDate(), Day(2024, 3, 4) + 60 + 14);
    EXPECT_EQ(core->DataMinDate(), Day(2024, 3, 4) - 14);

    // A holiday counts for an end wherever it falls, also in a year the range does not
    // reach yet; the chart's list follows the range.
    core->AddHoliday("New Year", 1, 1, true, false);
    TNodeData *task = AddTask("Position 1", "29.12.2025", "4");
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("02.01.2026"));
    EXPECT_EQ(core->FAutoExcludeList.Count(), 0);
    core->UpdateBoundsProc();
    ASSERT_EQ(core->FAutoExcludeList.Count(), 3); // 2024 to 2026
    EXPECT_FALSE(task->RecalcEndOf);
    EXPECT_TRUE(task->RecalcBitmap);
    EXPECT_EQ(core->GetEndOf(task), Day(2026, 1, 2));
}

TEST_F(UpdateBracketTest, HidingEmptyRows)
{
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    positions.append(CommaTextOf({"Team", WeekInfo2String(DefaultWeekInfo()), "2"}));
    core->TabControl1Change();
    ASSERT_EQ(VisibleNames(), (QStringList{"Position 1", "Position 2", "Position 3", "Team", "Team (2)"}));

    // Every position empty: all stay shown.
    core->FHideEmptyRows = true;
    core->UpdateEmptyRowsProc();
    EXPECT_EQ(VisibleNames().size(), 5);

    TNodeData *task = AddTask("Position 2", "04.03.2024", "1");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Team (2)");
    core->UpdateEmptyRowsProc();
    EXPECT_EQ(VisibleNames(), (QStringList{"Position 2", "Team (2)"}));
    EXPECT_EQ(core->GetPositionOf(task), 0);
    EXPECT_EQ(core->FNoAutoGlobalPositionFilter.size(), 5);
    EXPECT_EQ(core->GetRowCount() >= 1, true);

    // Only the rows of multi-row positions.
    core->FHideEmptyRows = false;
    core->FHideEmptyMultiRows = true;
    core->UpdateEmptyRowsProc();
    EXPECT_EQ(VisibleNames(), (QStringList{"Position 1", "Position 2", "Position 3", "Team (2)"}));
    core->FHideEmptyMultiRows = false;
    core->UpdateEmptyRowsProc();
    EXPECT_EQ(VisibleNames().size(), 5);
}

TEST_F(UpdateBracketTest, DeferredRequestsRunOncePerIdleTick)
{
    int overlapRuns = 0;
    core->OnUpdateOverlappingProc = [&] { ++overlapRuns; };
    core->UpdateOverlapping(true);
    core->UpdateOverlapping(true);
    EXPECT_TRUE(core->OverlappingTimer().isActive());
    EXPECT_EQ(core->OverlappingTimer().interval(), 400);
    core->OverlappingTimerTimer();
    EXPECT_FALSE(core->OverlappingTimer().isActive());
    core->UpdateBounds(true);
    core->UpdateBounds(true);
    core->FHideEmptyRows = true;
    core->UpdateEmptyRows(true);
    AddTask("Position 1", "04.03.2024", "1");
    core->IdleTimerTimer();
    EXPECT_EQ(overlapRuns, 1);
    EXPECT_FALSE(core->DelayedUpdateBounds());
    EXPECT_FALSE(core->DelayedUpdateEmptyRows());
    EXPECT_FALSE(core->DelayedUpdateOverlapping());
    EXPECT_EQ(VisibleNames(), QStringList{"Position 1"});
    core->IdleTimerTimer();
    EXPECT_EQ(overlapRuns, 1);
    // At once when not deferred.
    core->UpdateOverlapping(false);
    EXPECT_EQ(overlapRuns, 2);
}
