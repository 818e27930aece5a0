// Position entries, multi-row blocks, per-position weeks and absences, the index maps, the
// group tabs and the timed group switch while a bar is dragged.

#include "planner/CoreTestSupport.h"

#include <QSignalSpy>

#include "CommaText.h"
#include "CursorRegistry.h"

namespace {

QString Entry(const QString &name, const tWeekInfo &week, int rows)
{
    return CommaTextOf({name, WeekInfo2String(week), QString::number(rows)});
}

tWeekInfo MondayToThursday()
{
    tWeekInfo week = DefaultWeekInfo();
    week[5].active = false; // Friday off
    return week;
}

} // namespace

class PositionTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        // A: one row, default week; Team: three rows, no Fridays; C: one row, default week.
        core->ColumnStrings(tbTable, 0) = QStringList{Entry("A", DefaultWeekInfo(), 1),
                                                      Entry("Team", MondayToThursday(), 3),
                                                      CommaTextOf({"C"})};
        core->BeginUpdate(QString());
        core->EndUpdate();
    }
};

TEST_F(PositionTest, ExpandedListBlocksAndWeeks)
{
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "Team", "Team (2)", "Team (3)", "C"}));
    EXPECT_EQ(core->Positiongroups(false, true).size(), 3);
    const auto &blocks = core->PositionsInHolidayGroup();
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0], (std::vector<int>{0}));
    EXPECT_EQ(blocks[2], (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(blocks[3], (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(blocks[4], (std::vector<int>{4}));
    // The further rows of a block share its week; a missing week is the default one.
    EXPECT_EQ(core->GetWeekInfo(3), MondayToThursday());
    EXPECT_EQ(core->GetWeekInfo(4), DefaultWeekInfo());
    EXPECT_EQ(core->GetWeekInfo(5), DefaultWeekInfo()); // no row there
    EXPECT_EQ(core->FMinDayStart, TTimeOfDay::FromHM(7, 0));
    EXPECT_EQ(core->FMaxDayEnd, TTimeOfDay::FromHM(15, 45));
    EXPECT_EQ(core->PositionInPositionGroup(), (std::vector<qint32>{0, 1, 2, 3, 4}));

    // A task on the block's second row lands there and takes the block's week.
    TNodeData *task = AddTask("Team (2)", "07.03.2024", "2"); // Thursday
    EXPECT_EQ(core->GetPositionOf(task), 2);
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("11.03.2024"));
    // Writing a chart row writes the name shown there.
    core->SetPositionOf(task, 3);
    EXPECT_EQ(core->GetData_(task, cnPosition), QStringLiteral("Team (3)"));
    EXPECT_TRUE(core->findNodeWithPosition(tbTable, "Team (3)"));
    EXPECT_FALSE(core->findNodeWithPosition(tbTable, "Team"));
}

TEST_F(PositionTest, AbsenceOfABlockHoldsForEveryRowOfIt)
{
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnLengthWithWeekend, BoolName(false));
    core->SetData_(away, cnPosition, "Team");
    core->SetData_(away, cnStart, "05.03.2024");
    core->SetData_(away, cnLength, "1");
    ASSERT_TRUE(away->nodeValid);
    TNodeData *third = AddTask("Team (3)", "04.03.2024", "2");
    TNodeData *other = AddTask("A", "04.03.2024", "2");
    EXPECT_EQ(core->GetData_(third, cnEnd), QStringLiteral("06.03.2024"));
    EXPECT_EQ(core->GetData_(other, cnEnd), QStringLiteral("05.03.2024"));
}

TEST_F(PositionTest, GroupTabsHideRowsButNeverMoveEnds)
{
    TNodeData *team = AddTask("Team", "07.03.2024", "2");
    TNodeData *c = AddTask("C", "08.03.2024", "1");
    TNodeData *all = AddTask("*", "08.03.2024", "1");
    ASSERT_EQ(core->GetData_(team, cnEnd), QStringLiteral("11.03.2024"));

    int tabsChanged = 0;
    QList<int> applied;
    core->OnGroupTabsChanged = [&] { ++tabsChanged; };
    core->OnGroupTabApplied = [&](int index) { applied.append(index); };
    core->AddPositionGroup("Only C", CommaTextOf({core->Positiongroups(false, true)[2]}));
    core->AddPositionGroup("Empty filter", QString());
    EXPECT_EQ(tabsChanged, 2);
    EXPECT_EQ(core->GroupTabCaptions(), (QStringList{"all", "Only C", "Empty filter"}));

    core->SelectGroupTab(1);
    EXPECT_EQ(applied, QList<int>{1});
    EXPECT_EQ(VisibleNames(), QStringList{"C"});
    EXPECT_EQ(core->GetRowCount(), 1); // the chart shows the group's rows only
    EXPECT_EQ(core->GetPositionOf(c), 0);
    EXPECT_LT(core->GetPositionOf(team), 0);
    EXPECT_EQ(core->GetPositionOf(all), -9);
    // The group's rows are those on C and on "*", as many as its count says.
    EXPECT_EQ(Count(tbTable, feGroupAll), 2);
    EXPECT_EQ(core->GroupCount(tbTable), 2);
    core->UpdateStatusBar();
    EXPECT_EQ(window.status[1], QStringLiteral("in Only C: 2"));
    // The hidden row keeps the week and absences of its own position.
    core->SetData_(team, cnLength, "3");
    EXPECT_EQ(core->GetData_(team, cnEnd), QStringLiteral("12.03.2024")); // no Fridays
    core->BeginUpdate(QString());
    core->EndUpdate();
    EXPECT_EQ(core->GetData_(team, cnEnd), QStringLiteral("12.03.2024")); // no Fridays
    EXPECT_TRUE(team->nodeValid);
    // Chart row 0 is C now: its week, and writing row 0 writes C.
    EXPECT_EQ(core->GetWeekInfo(0), DefaultWeekInfo());
    core->SetPositionOf(team, 0);
    EXPECT_EQ(core->GetData_(team, cnPosition), QStringLiteral("C"));

    // A group with an empty filter shows everything.
    core->SelectGroupTab(2);
    EXPECT_EQ(VisibleNames().size(), 5);
    EXPECT_EQ(core->GetRowCount(), 5);
    // Resetting keeps tab 0 and selects it.
    core->ResetPositionGroups();
    EXPECT_EQ(core->GroupTabCaptions(), QStringList{"all"});
    EXPECT_EQ(core->GroupTabIndex(), 0);
    EXPECT_EQ(core->FPositionGroup, QStringList{QString()});
    core->SelectGroupTab(5); // no such tab
    EXPECT_EQ(core->GroupTabIndex(), 0);
}

TEST_F(PositionTest, PickListChangesReachTheMapsWithoutATabChange)
{
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    positions.prepend(CommaTextOf({"New"}));
    // The visible list still names the old rows; indexes follow the pick list at once.
    TNodeData *task = AddTask("C", "04.03.2024", "1");
    EXPECT_EQ(task->nodePosition, 5);
    EXPECT_EQ(core->GetPositionOf(task), 4);
    core->TabControl1Change();
    EXPECT_EQ(core->GetPositionOf(task), 5);
    EXPECT_EQ(VisibleNames().first(), QStringLiteral("New"));
}

TEST_F(PositionTest, DraggedBarsSwitchTheGroupAfterNineTicks)
{
    core->AddPositionGroup("Only C", CommaTextOf({core->Positiongroups(false, true)[2]}));
    TNodeData *task = AddTask("A", "04.03.2024", "1");
    tasks->SetSelected(task->VNode, true);
    int tabUnderMouse = 1;
    core->OnTabUnderMouse = [&] { return tabUnderMouse; };

    core->StartChangeGroupTimer();
    EXPECT_TRUE(core->TimeChartChangeGroupTimer().isActive());
    EXPECT_EQ(core->TimeChartChangeGroupTimer().interval(), 60);
    for (int tick = 1; tick <= 8; ++tick) {
        core->TimeChartChangeGroupTimerTimer();
        EXPECT_EQ(TCursorRegistry::ScreenCursor(), tick);
    }
    EXPECT_EQ(core->GroupTabIndex(), 0); // 480 ms are not enough
    core->StartChangeGroupTimer();          // still running: the count goes on
    EXPECT_EQ(core->ChangeGroupTimerTag(), 8);
    core->TimeChartChangeGroupTimerTimer();
    EXPECT_EQ(TCursorRegistry::ScreenCursor(), 9);
    EXPECT_FALSE(core->TimeChartChangeGroupTimer().isActive());
    EXPECT_EQ(core->GroupTabIndex(), 1);
    EXPECT_EQ(core->GetData_(task, cnPosition), QStringLiteral("C"));
    EXPECT_TRUE(tasks->Selected(task->VNode));

    // Over no tab, or back over the current one, nothing switches.
    for (int target : {-1, 1}) {
        tabUnderMouse = target;
        core->StartChangeGroupTimer();
        EXPECT_EQ(core->ChangeGroupTimerTag(), 0);
        for (int tick = 0; tick < 9; ++tick)
            core->TimeChartChangeGroupTimerTimer();
        EXPECT_EQ(core->GroupTabIndex(), 1);
    }
    TCursorRegistry::SetScreenCursor(crDefault);
}

TEST_F(PositionTest, NoPositionColumnMeansOneRow)
{
    core->RemoveColumn(tbTable, 0);
    core->TabControl1Change();
    TNodeData *task = core->AddNode(core->GetFreeID(), tbTable, true);
    core->SetData_(task, cnStart, "04.03.2024");
    core->SetData_(task, cnLength, "1");
    EXPECT_EQ(core->GetPositionOf(task), 0);
    EXPECT_TRUE(task->nodeValid);
    EXPECT_TRUE(core->Positiongroups(true, true).isEmpty());
    EXPECT_EQ(core->GetWeekInfo(0), DefaultWeekInfo());
}
