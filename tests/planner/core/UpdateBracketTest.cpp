// The nested update bracket, the one recalculation at its outermost end, the time bounds
// with the holidays of their years, and hiding empty rows.

#include "planner/FreshDocument.h"

#include <QTemporaryDir>

#include <map>

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

using namespace freshdocument;

// The outermost EndUpdate reads again only rows whose cells were written; whatever else
// changed (holidays, weeks, lists, unit, date formats, columns, absent days) must give what
// a document read afresh from the same cells gives.
TEST_F(UpdateBracketTest, RowsNotReadAgainFollowEveryOtherChange)
{
    QTemporaryDir dir;
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    tWeekInfo saturdays = DefaultWeekInfo();
    saturdays[6].active = true;
    positions.append(CommaTextOf({"Team", WeekInfo2String(saturdays), "2"}));
    core->InsertColumn(tbTable, 6);
    core->SetColumnType(tbTable, 6, ctDate);
    core->SetConnection(tbTable, cnTermin, 6);
    core->AddHoliday("Founding Day", 12, 3, true, false);
    core->AddHoliday("Easter Monday", 1, 0, true, true);
    core->BeginUpdate("Loading");
    const QStringList names = {"Position 1", "Position 2", "Team", "Team (2)", "*"};
    for (int i = 0; i < 40; ++i) {
        TNodeData *task = AddTask(names[i % 5], core->FormatDateTime(Day(2024, 3, 1) + i % 23), QString::number(1 + i % 7));
        core->SetData_(task, cnColor, QStringLiteral("State %1").arg(1 + i % 3));
        if (i % 4 == 0)
            core->SetData_(task, cnTermin, core->FormatDateTime(Day(2024, 4, 1) + i));
    }
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Team");
    core->SetData_(away, cnStart, "13.03.2024");
    core->SetData_(away, cnLength, "3");
    core->EndUpdate();

    auto expectLikeAFreshDocument = [&](const char *after) {
        core->BeginUpdate(QString());
        core->EndUpdate();
        freshdocument::ExpectLikeAFreshDocument(*core, *documentFile, dir.filePath(QStringLiteral("fresh.zop")), after);
    };
    expectLikeAFreshDocument("nothing");
    const auto before = RowStates(*core);

    core->GetHolidayData(0)->enabled = false;
    expectLikeAFreshDocument("a holiday switched off");
    EXPECT_NE(RowStates(*core), before);

    QStringList items = ParseCommaText(positions[0]);
    items[1] = WeekInfo2String(saturdays);
    positions[0] = CommaTextOf(items);
    expectLikeAFreshDocument("a week changed");

    QStringList &states = core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnColor));
    states.move(0, 2);
    expectLikeAFreshDocument("the states reordered");

    core->BeginUpdate("Absent");
    core->SetData_(away, cnLength, "6");
    core->EndUpdate();
    expectLikeAFreshDocument("an absent day longer");

    core->SetMinUnit(muMinute);
    expectLikeAFreshDocument("minute mode");

    SetDateFormats(QStringLiteral("MM/dd/yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    expectLikeAFreshDocument("other date formats");

    core->InsertColumn(tbTable, 0);
    expectLikeAFreshDocument("a column in front");
    core->RemoveColumn(tbTable, 0);
    core->SetConnection(tbTable, cnLength, 5); // the comment column, empty
    expectLikeAFreshDocument("the length from another column");
    // The start column replaced by an empty one at the same place, with the same meaning.
    const int start = core->GetConnection(tbTable, cnStart);
    core->SetConnection(tbTable, cnLength, 3);
    expectLikeAFreshDocument("the length back");
    core->RemoveColumn(tbTable, start);
    core->InsertColumn(tbTable, start);
    core->SetColumnType(tbTable, start, ctDate);
    core->SetConnection(tbTable, cnStart, start);
    expectLikeAFreshDocument("an empty start column");
    EXPECT_EQ(core->FilteredCount(tbTable), 40);
}

// The group and filter counts of the status bar are kept without walking the rows; they
// must be what a walk over the rows counts, through writes, deletions, groups and filters.
TEST_F(UpdateBracketTest, StatusCountsAreThoseOfAWalk)
{
    auto check = [&](const char *when) {
        for (TWhichTable table : {tbTable, tbExclude}) {
            int group = 0;
            int shown = 0;
            core->ForEach(table, feAll, [&](TNodeData *node) {
                const int position = core->GetPositionOf(node);
                group += position >= 0 || position == -9 ? 1 : 0;
                shown += core->GetNodeFiltered(node) ? 0 : 1;
            });
            EXPECT_EQ(core->GroupCount(table), group) << when << " table " << table;
            EXPECT_EQ(core->FilteredCount(table), shown) << when << " table " << table;
        }
    };
    std::vector<TNodeData *> rows;
    const QStringList names = {"Position 1", "Position 2", "Position 3", "*", "Nowhere", ""};
    for (int i = 0; i < 30; ++i)
        rows.push_back(AddTask(names[i % 6], "04.03.2024", "1"));
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Position 2");
    check("added");
    core->SetData_(rows[0], cnPosition, "Position 3");
    core->SetData_(rows[4], cnPosition, "Position 1");
    core->DeleteNode(rows[1], true);
    core->DeleteNode(rows[3], true);
    check("moved and deleted");
    core->AddPositionGroup("Two", CommaTextOf({"Position 2"}));
    core->SelectGroupTab(1);
    check("a group of one position");
    core->SetNodeFiltered(rows[2], true);
    core->SetNodeFiltered(rows[5], true);
    check("filtered");
    core->BeginUpdate("paste");
    for (int i = 0; i < 5; ++i)
        AddTask("Position 2", "05.03.2024", "2");
    core->EndUpdate();
    check("pasted");
    core->SelectGroupTab(0);
    core->ActionNewExecute();
    check("a new document");
    EXPECT_EQ(core->GroupCount(tbTable), 0);
}
