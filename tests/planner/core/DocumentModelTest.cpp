#include "planner/CoreTestSupport.h"

#include <QSet>

#include "CommaText.h"
#include "DateTime.h"
#include "WeekInfo.h"
#include "treegrid/TreeGridHeader.h"

TEST(DocumentTypesTest, NameTablesAndColumnTypeLookup)
{
    EXPECT_EQ(TableNames[tbExclude], QStringLiteral("tbExclude"));
    EXPECT_EQ(ConnectionNames[cnTextcenterTop], QStringLiteral("TextcenterTop"));
    EXPECT_EQ(ConnectionNames[cnInterval], QStringLiteral("Interval"));
    EXPECT_EQ(ConnectionNames[cnLengthWithWeekend], QStringLiteral("LengthWithWeekend"));
    EXPECT_EQ(BoolName(false), QStringLiteral("Nein"));
    EXPECT_EQ(BoolName(true), QStringLiteral("Ja"));
    EXPECT_EQ(ColumnTypeName2Type(QStringLiteral("Number")), ctNumber);
    EXPECT_EQ(ColumnTypeName2Type(QStringLiteral("number")), ctText);
    EXPECT_EQ(ColumnTypeName2Type(QStringLiteral("Link")), ctLink);
    EXPECT_EQ(ColumnTypeName2Type(QString()), ctText);

    THeaderData header;
    EXPECT_EQ(header.ColumnType, ctText);
    EXPECT_TRUE(header.SortAscending);
    EXPECT_FALSE(header.IsFiltered());
    header.Filter.FilterType = ftList;
    EXPECT_TRUE(header.IsFiltered());
}

TEST_F(CoreTest, BasicTaskTable)
{
    ASSERT_EQ(core->GetTableColCount(tbTable), 6);
    const QStringList captions{"Position", "Start", "End", "Length", "State", "Comment"};
    const TColumnType types[] = {ctPulldown, ctDate, ctDate, ctNumber, ctPulldown, ctText};
    const TConnection connections[] = {cnPosition, cnStart, cnEnd, cnLength, cnColor, cnTextCenterMiddle};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(core->GetColumnCaption(tbTable, i), captions[i]);
        EXPECT_EQ(core->GetColumnCaptionHack(tbTable, i), captions[i]);
        EXPECT_EQ(core->GetColumnType(tbTable, i), types[i]);
        EXPECT_EQ(core->GetConnection(tbTable, connections[i]), i);
        EXPECT_EQ(core->GetColumnConnection(tbTable, i), connections[i]);
    }
    EXPECT_EQ(core->GetConnection(tbTable, cnTermin), -1);
    EXPECT_EQ(core->GetConnection(tbTable, cnLengthWithWeekend), -1);
    EXPECT_EQ(tasks->Header()->Columns()->Items(3)->Alignment(), taRightJustify);
    EXPECT_EQ(tasks->Header()->Columns()->Items(1)->Alignment(), taLeftJustify);
    EXPECT_EQ(core->ColumnAlwaysWritable().size(), 6);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);

    const QStringList positions = core->GetColumnStrings(tbTable, 0);
    EXPECT_EQ(FirstItems(positions), (QStringList{"Position 1", "Position 2", "Position 3"}));
    // Every position got the default working week as its second item.
    for (const QString &entry : positions) {
        tWeekInfo week;
        EXPECT_TRUE(String2WeekInfo(TCommaText(entry).Item(1), week)) << entry.toStdString();
        EXPECT_EQ(week, DefaultWeekInfo());
    }
    EXPECT_EQ(FirstItems(core->GetColumnStrings(tbTable, 4)), (QStringList{"State 1", "State 2", "State 3"}));
    EXPECT_TRUE(core->GetColumnStrings(tbTable, 5).isEmpty());
    EXPECT_TRUE(core->GetColumnStrings(tbTable, 6).isEmpty());
    EXPECT_EQ(core->GetRowCount(), 3);
}

TEST_F(CoreTest, BasicAbsentDaysTable)
{
    ASSERT_EQ(core->GetTableColCount(tbExclude), 7);
    const QStringList captions{"Position", "Start", "End", "Length", "Working Days", "Absent reason", "Comment"};
    const TColumnType types[] = {ctPulldown, ctDate, ctDate, ctNumber, ctCheckBox, ctPulldown, ctText};
    const TConnection connections[] = {cnPosition, cnStart, cnEnd, cnLength, cnLengthWithWeekend, cnColor,
                                       cnTextCenterMiddle};
    EXPECT_EQ(core->ExcludeHeaderStrings(), captions);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(core->GetColumnCaption(tbExclude, i), captions[i]);
        EXPECT_EQ(core->GetColumnType(tbExclude, i), types[i]);
        EXPECT_EQ(core->GetConnection(tbExclude, connections[i]), i);
    }
    EXPECT_EQ(FirstItems(core->GetColumnStrings(tbExclude, 5)), (QStringList{"Holiday", "Sick", "Other"}));
    // Each reason is a quoted entry of its own: the list's comma text is pinned to the byte.
    EXPECT_EQ(core->GetColumnStrings(tbExclude, 5), (QStringList{"\"Holiday\"", "\"Sick\"", "\"Other\""}));
    EXPECT_EQ(CommaTextOf(core->GetColumnStrings(tbExclude, 5)),
              QStringLiteral(R"("""Holiday""","""Sick""","""Other""")"));
    // The position list of the task table serves the absent days as well.
    EXPECT_EQ(core->GetColumnStrings(tbExclude, 0), core->GetColumnStrings(tbTable, 0));
    // Files name absent-day cells by the untranslated captions, whatever the grid shows.
    core->SetColumnCaption(tbExclude, 5, QStringLiteral("Abwesenheitsgrund"));
    EXPECT_EQ(core->GetColumnCaptionHack(tbExclude, 5), QStringLiteral("Absent reason"));
    EXPECT_EQ(core->IndexOfColumnHack(tbExclude, QStringLiteral("Absent reason")), 5);
    EXPECT_EQ(core->GetHeaderIndex(tbExclude, QStringLiteral("Abwesenheitsgrund")), 5);
    EXPECT_EQ(core->GetHeaderIndex(tbExclude, QStringLiteral("Absent reason")), -1);
    EXPECT_EQ(core->IndexOfColumnHack(tbExclude, QStringLiteral("nothing")), -1);
}

TEST_F(CoreTest, ConnectionRules)
{
    core->SetConnection(tbTable, cnTermin, 6); // equal to the column count
    EXPECT_EQ(core->GetConnection(tbTable, cnTermin), -1);
    core->SetConnection(tbTable, cnNone, 3);
    EXPECT_EQ(core->GetConnection(tbTable, cnNone), -1);
    EXPECT_EQ(core->GetColumnConnection(tbTable, 3), cnLength);
    core->SetConnection(tbTable, cnTermin, 5);
    EXPECT_EQ(core->GetConnection(tbTable, cnTermin), 5);
    // The first connection that names the column wins.
    EXPECT_EQ(core->GetColumnConnection(tbTable, 5), cnTermin);
    core->ResetConnections(tbTable);
    EXPECT_EQ(core->GetConnection(tbTable, cnStart), -1);
    EXPECT_EQ(core->GetRowCount(), 1); // without a position column, never 0
}

TEST_F(CoreTest, InsertRemoveAndResizeKeepCellsAndMeanings)
{
    TNodeData *a = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *b = AddTask("Position 2", "05.03.2024", "1");
    core->SetData_(a, cnTextCenterMiddle, "first");
    core->GetHeader(tbTable, 4)->Filter.FilterType = ftList;

    core->InsertColumn(tbTable, 2);
    ASSERT_EQ(core->GetTableColCount(tbTable), 7);
    EXPECT_EQ(a->StringList.size(), 7);
    EXPECT_EQ(a->StringList[2], QString());
    EXPECT_EQ(core->GetData_(a, cnStart), QStringLiteral("04.03.2024"));
    EXPECT_EQ(core->GetData_(a, cnLength), QStringLiteral("2"));
    EXPECT_EQ(core->GetData_(a, cnTextCenterMiddle), QStringLiteral("first"));
    EXPECT_EQ(core->GetConnection(tbTable, cnEnd), 3);
    EXPECT_EQ(core->GetConnection(tbTable, cnStart), 1);
    EXPECT_EQ(core->GetColumnConnection(tbTable, 2), cnNone);
    // Descriptions travel with their columns.
    EXPECT_TRUE(core->GetHeader(tbTable, 5)->IsFiltered());
    EXPECT_EQ(core->GetColumnType(tbTable, 4), ctNumber);
    EXPECT_EQ(core->GetColumnType(tbTable, 2), ctText);
    EXPECT_EQ(core->ColumnAlwaysWritable().size(), 7);

    // A write into the new, unconnected column changes no cached field.
    core->SetData(b, 2, "extra");
    EXPECT_EQ(b->StringList[2], QStringLiteral("extra"));

    core->RemoveColumn(tbTable, 2);
    EXPECT_EQ(core->GetTableColCount(tbTable), 6);
    EXPECT_EQ(b->StringList, (QStringList{"Position 2", "05.03.2024", "05.03.2024", "1", "State 1", ""}));
    EXPECT_EQ(core->GetConnection(tbTable, cnEnd), 2);
    EXPECT_TRUE(core->GetHeader(tbTable, 4)->IsFiltered());

    // Removing a connected column drops just that meaning.
    core->RemoveColumn(tbTable, 2);
    EXPECT_EQ(core->GetConnection(tbTable, cnEnd), -1);
    EXPECT_EQ(core->GetConnection(tbTable, cnLength), 2);
    EXPECT_EQ(core->GetData_(a, cnLength), QStringLiteral("2"));

    core->ResizeTable(tbTable, 3);
    EXPECT_EQ(core->GetTableColCount(tbTable), 3);
    EXPECT_EQ(a->StringList, (QStringList{"Position 1", "04.03.2024", "2"}));
    EXPECT_EQ(core->GetConnection(tbTable, cnColor), -1); // beyond the last column
    EXPECT_EQ(core->GetConnection(tbTable, cnLength), 2);
    core->ResizeTable(tbTable, 5);
    EXPECT_EQ(a->StringList, (QStringList{"Position 1", "04.03.2024", "2", "", ""}));
    EXPECT_EQ(core->ColumnAlwaysWritable().size(), 5);
    EXPECT_FALSE(core->GetHeader(tbTable, 4)->IsFiltered());

    // Shrinking the column count takes columns from the front.
    core->SetColumnCaption(tbTable, 1, "Second");
    core->SetTableColCount(tbTable, 4);
    EXPECT_EQ(core->GetColumnCaption(tbTable, 0), QStringLiteral("Second"));
    EXPECT_EQ(core->GetTableRowCount(tbTable), 2);
}

TEST_F(CoreTest, WideTablesAreLaidOutOnceAndCompletely)
{
    // Twenty thousand columns in one call (a crafted or very wide file): every column gets its
    // index, display position and left edge as if added one by one.
    constexpr int wide = 20000;
    core->SetTableColCount(tbTable, wide);
    ASSERT_EQ(core->GetTableColCount(tbTable), wide);
    TTreeGridColumns *columns = tasks->Header()->Columns();
    int left = 0;
    for (int i = 0; i < wide; ++i) {
        const TTreeGridColumn *column = columns->Items(i);
        ASSERT_EQ(column->Index(), i);
        ASSERT_EQ(column->Position(), TColumnPosition(i));
        ASSERT_EQ(column->Left(), left) << i;
        left += column->Width();
    }
    EXPECT_EQ(columns->TotalWidth(), left);
    EXPECT_EQ(core->ColumnAlwaysWritable().size(), wide);

}

TEST_F(CoreTest, NarrowingKeepsTheLastColumnsLaidOutFromTheLeft)
{
    core->SetTableColCount(tbTable, 2000);
    TTreeGridColumns *columns = tasks->Header()->Columns();
    core->SetColumnCaption(tbTable, 1998, QStringLiteral("Kept"));
    core->SetTableColCount(tbTable, 2);
    ASSERT_EQ(core->GetTableColCount(tbTable), 2);
    EXPECT_EQ(core->GetColumnCaption(tbTable, 0), QStringLiteral("Kept"));
    EXPECT_EQ(columns->Items(1)->Left(), columns->Items(0)->Width());
    core->ResizeTable(tbTable, 6);
    EXPECT_EQ(columns->TotalWidth(), 6 * columns->Items(0)->Width());
}

TEST_F(CoreTest, ClearTableFreesDescriptionsAndRows)
{
    AddTask("Position 1", "04.03.2024", "2");
    core->ClearTable(tbTable);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    EXPECT_EQ(core->GetConnection(tbTable, cnStart), -1);
    EXPECT_EQ(core->GetColumnType(tbTable, 1), ctText);
    EXPECT_TRUE(core->GetColumnStrings(tbTable, 0).isEmpty());
    EXPECT_EQ(core->GetTableColCount(tbTable), 6);
    EXPECT_EQ(core->FindNode(UserIdentity() + ".1"), nullptr);
}

// A new identity names no row there is: rows of this user come in under every kind of
// identity (as a file or another of the user's sessions brings them, in either table, with a
// number far ahead, written with a leading zero, or ending in no number) and go again.
TEST_F(CoreTest, ANewIdentityNeverNamesARowThereIs)
{
    const QString own = UserIdentity() + QLatin1Char('.');
    QSet<QString> ids;
    const auto take = [&](const QString &id, TWhichTable table) {
        ASSERT_EQ(core->FindNode(id), nullptr) << id.toStdString();
        ASSERT_NE(core->AddNode(id, table, false), nullptr);
        ids.insert(id);
    };
    for (int i = 0; i < 3; ++i)
        take(core->GetFreeID(), tbTable);
    take(own + "7", tbExclude);
    take(own + "05", tbTable);
    take(own + "6", tbTable);
    for (int i = 0; i < 6; ++i)
        take(core->GetFreeID(), i % 2 ? tbTable : tbExclude);
    core->DeleteNode(core->FindNode(own + "6"), true);
    ids.remove(own + "6");
    take(own + "40", tbTable);
    take(own + "draft", tbTable);
    for (int i = 0; i < 40; ++i)
        take(core->GetFreeID(), tbTable);
    EXPECT_EQ(core->GetTableRowCount(tbTable) + core->GetTableRowCount(tbExclude), ids.size());
}

TEST_F(CoreTest, DataIndexOfPositionsAndPickLists)
{
    TNodeData *node = AddTask("Position 2", "04.03.2024", "1");
    EXPECT_EQ(core->GetDataIndex_(node, cnPosition), 1);
    EXPECT_EQ(core->GetDataIndex_(node, cnColor), 0);
    core->SetData_(node, cnPosition, "*");
    EXPECT_EQ(core->GetDataIndex_(node, cnPosition), -9);
    EXPECT_EQ(node->nodePosition, -9);
    core->SetData_(node, cnPosition, "Nowhere");
    EXPECT_EQ(core->GetDataIndex_(node, cnPosition), -1);
    core->SetData_(node, cnColor, "state 2"); // case matters
    EXPECT_EQ(core->GetDataIndex_(node, cnColor), -1);
    EXPECT_EQ(core->GetDataIndex(node, -1), -1);
    EXPECT_EQ(core->GetData(node, -1), QString());

    // A position of three rows: its further rows are "name (2)" and "name (3)".
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    TCommaText big(positions[0]);
    big.SetItem(2, "3");
    positions[0] = big.AsString();
    core->SetData_(node, cnPosition, "Position 1 (3)");
    EXPECT_EQ(core->GetDataIndex_(node, cnPosition), 2);
    core->SetData_(node, cnPosition, "Position 2");
    EXPECT_EQ(core->GetDataIndex_(node, cnPosition), 3);
    EXPECT_EQ(core->GetRowCount(), 3); // pick-list entries while no visible list exists
    core->SetDataIndex_(node, cnPosition, 1);
    EXPECT_EQ(core->GetData_(node, cnPosition), QStringLiteral("Position 1 (2)"));
}

TEST_F(CoreTest, DateTextsGermanAndUS)
{
    const TDateTime day = EncodeDate(2024, 3, 5);
    const TDateTime afternoon = day + EncodeTime(14, 30, 0, 0);
    EXPECT_EQ(core->FormatDateTime(day), QStringLiteral("05.03.2024"));
    EXPECT_EQ(core->FormatDateTime(afternoon), QStringLiteral("05.03.2024"));
    EXPECT_EQ(core->StrToDateTime("05.03.2024", -1), day);
    // Day mode reads a date with a time as midnight of that day.
    EXPECT_EQ(core->StrToDateTime("05.03.2024 14:30", -1), day);
    core->SetMinUnit(muMinute);
    EXPECT_EQ(core->FormatDateTime(afternoon), QStringLiteral("05.03.2024 14:30"));
    EXPECT_EQ(core->FormatDateTime(day), QStringLiteral("05.03.2024"));
    EXPECT_DOUBLE_EQ(core->StrToDateTime("05.03.2024 14:30", -1), afternoon);
    core->SetMinUnit(muDay);

    // A two-digit year pattern still writes the century.
    SetDateFormats(QStringLiteral("M/d/yy"), QStringLiteral("h:mm AP"));
    EXPECT_EQ(core->FormatDateTime(day), QStringLiteral("3/5/2024"));
    EXPECT_EQ(core->StrToDateTime("3/5/2024", -1), day);
    EXPECT_EQ(core->StrToDateTime("12/31/1999", -1), EncodeDate(1999, 12, 31));

    // Nothing turns into day 0 or today: empty and unreadable texts give the default.
    EXPECT_EQ(core->StrToDateTime(QString(), -1), -1);
    EXPECT_EQ(core->StrToDateTime("   ", -1), -1);
    EXPECT_EQ(core->StrToDateTime("next week", -1), -1);
    EXPECT_EQ(core->StrToDateTime("2/30/2024", -1), -1);
}

TEST_F(CoreTest, ValidityOfRows)
{
    // Monday 4 March 2024, one day: start and end are the same day.
    TNodeData *task = AddTask("Position 1", "04.03.2024", "1");
    EXPECT_TRUE(task->nodeValid);
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("04.03.2024"));
    EXPECT_EQ(task->nodeStart, EncodeDate(2024, 3, 4));
    EXPECT_EQ(task->nodeEnd, EncodeDate(2024, 3, 4));
    EXPECT_EQ(task->nodeLength, 480);
    EXPECT_EQ(task->nodePosition, 0);
    EXPECT_EQ(task->nodeColor, 0);
    EXPECT_FALSE(task->RecalcEndOf);

    // Friday plus two working days ends on Monday: the default week skips the weekend.
    TNodeData *weekend = AddTask("Position 2", "08.03.2024", "2");
    EXPECT_EQ(core->GetData_(weekend, cnEnd), QStringLiteral("11.03.2024"));
    EXPECT_TRUE(weekend->nodeValid);

    // A row on "*" runs on the calendar.
    TNodeData *all = AddTask("*", "08.03.2024", "2");
    EXPECT_EQ(core->GetData_(all, cnEnd), QStringLiteral("09.03.2024"));
    EXPECT_TRUE(all->nodeValid);

    core->SetData_(task, cnLength, "0");
    EXPECT_FALSE(task->nodeValid);
    core->SetData_(task, cnLength, "");
    EXPECT_FALSE(task->nodeValid);
    core->SetData_(task, cnLength, "lots");
    EXPECT_FALSE(task->nodeValid);
    EXPECT_EQ(core->GetData_(task, cnLength), QStringLiteral("lots"));
    core->SetData_(task, cnLength, "3");
    EXPECT_TRUE(task->nodeValid);

    // An unreadable start stays as typed and makes the row invalid.
    core->SetData_(task, cnStart, "someday");
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("someday"));
    EXPECT_FALSE(task->nodeValid);
    EXPECT_EQ(task->nodeStart, 0);
    core->SetData_(task, cnStart, "");
    EXPECT_EQ(core->GetData_(task, cnStart), QString());
    EXPECT_FALSE(task->nodeValid);

    // Thirty years after the data range is out of range.
    const TDateTime far = core->MaxDate() + 30 * 365;
    core->SetData_(task, cnStart, core->FormatDateTime(far));
    EXPECT_FALSE(task->nodeValid);
    core->SetData_(task, cnStart, "04.03.2024");
    EXPECT_TRUE(task->nodeValid);

    // A position that is not in the list has no chart row, and no group shows the row.
    core->SetData_(task, cnPosition, "Nowhere");
    EXPECT_EQ(task->nodePosition, -1);
    EXPECT_EQ(core->GetPositionOf(task), -1);
    // Only the rows on "Position 2" and on "*" (every resource), as the group's count counts.
    EXPECT_EQ(Count(tbTable, feGroupAll), 2);
    EXPECT_EQ(core->GroupCount(tbTable), 2);
}

TEST_F(CoreTest, DeadlineIsCachedOnlyInRange)
{
    core->InsertColumn(tbTable, 6);
    core->SetConnection(tbTable, cnTermin, 6);
    TNodeData *task = AddTask("Position 1", "04.03.2024", "1");
    core->SetData_(task, cnTermin, "15.03.2024");
    EXPECT_EQ(task->nodeTermin, EncodeDate(2024, 3, 15));
    core->SetData_(task, cnTermin, "15.03.2124");
    EXPECT_EQ(task->nodeTermin, 0);
    core->SetData_(task, cnTermin, "soon");
    EXPECT_EQ(task->nodeTermin, 0);
    EXPECT_TRUE(task->nodeValid);
}

TEST_F(CoreTest, AbsentDaysAreValidatedBeforeTasks)
{
    core->BeginUpdate("loading");
    TNodeData *task = AddTask("Position 1", "04.03.2024", "1");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Position 1");
    core->SetData_(away, cnStart, "04.03.2024");
    core->SetData_(away, cnLength, "1");
    EXPECT_FALSE(task->nodeValid); // nothing is judged inside the bracket
    core->EndUpdate();
    EXPECT_TRUE(away->nodeValid);
    EXPECT_EQ(core->GetData_(away, cnEnd), QStringLiteral("04.03.2024"));
    // The task cannot use Monday: its resource is away.
    EXPECT_TRUE(task->nodeValid);
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("05.03.2024"));
}

TEST_F(CoreTest, TableWithoutColourOrPositionColumn)
{
    core->RemoveColumn(tbTable, core->GetConnection(tbTable, cnColor));
    core->RemoveColumn(tbTable, core->GetConnection(tbTable, cnPosition));
    EXPECT_EQ(core->GetRowCount(), 1);
    TNodeData *task = core->AddNode(core->GetFreeID(), tbTable, true);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->StringList.size(), 4);
    core->SetData_(task, cnColor, "red");       // no such meaning: skipped
    core->SetDataIndex_(task, cnPosition, 0);   // the same
    core->SetPositionOf(task, 0);
    core->SetData_(task, cnStart, "04.03.2024");
    core->SetData_(task, cnLength, "2");
    EXPECT_EQ(task->StringList, (QStringList{"04.03.2024", "05.03.2024", "2", ""}));
    EXPECT_TRUE(task->nodeValid);
    EXPECT_EQ(core->GetPositionOf(task), 0);
    EXPECT_EQ(task->nodeColor, -1);

    core->RemoveColumn(tbExclude, core->GetConnection(tbExclude, cnColor));
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    ASSERT_NE(away, nullptr);
    EXPECT_EQ(away->StringList[4], QStringLiteral("Ja"));
}

TEST_F(CoreTest, LengthTextsAndTimeUnit)
{
    EXPECT_EQ(core->calcNodeLength(tbTable, "2"), 960);
    EXPECT_EQ(core->calcNodeLength(tbTable, "x"), 0);
    core->SetMinUnit(muMinute);
    EXPECT_EQ(core->calcNodeLength(tbTable, "1,30"), 90);
    EXPECT_EQ(core->calcNodeLength(tbTable, "1,5"), 65);
    EXPECT_EQ(core->calcNodeLength(tbTable, "2"), 120);
    EXPECT_EQ(core->calcNodeLength(tbTable, "a,b"), 0);
    EXPECT_EQ(core->calcNodeLength(tbExclude, "2"), 960); // absences count days in any mode
    core->SetMinUnit(2);
    EXPECT_EQ(core->GetMinUnit(), muMinute);
}

TEST_F(CoreTest, MinuteModeEndSkipsThePause)
{
    tWeekInfo week;
    TDayInfo &monday = week[1];
    monday.active = true;
    monday.start = TTimeOfDay::FromHM(8, 0);
    monday.ende = TTimeOfDay::FromHM(16, 30);
    monday.length = 480;
    monday.pause[0] = {TTimeOfDay::FromHM(12, 0), 30};
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    TCommaText entry(positions[0]);
    entry.SetItem(1, WeekInfo2String(week));
    positions[0] = entry.AsString();

    core->SetMinUnit(muMinute);
    TNodeData *task = AddTask("Position 1", "04.03.2024 11:00", "1,30");
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("04.03.2024 13:00"));
    EXPECT_TRUE(task->nodeValid);
    // A start inside the pause begins at its end.
    core->SetData_(task, cnStart, "04.03.2024 12:10");
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("04.03.2024 14:00"));
    // Only Mondays are worked: a Tuesday start ends on the next Monday.
    core->SetData_(task, cnStart, "05.03.2024 09:00");
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("11.03.2024 09:30"));
    // A week without a working day cannot end: the end stays empty, the row invalid.
    entry.SetItem(1, WeekInfo2String(tWeekInfo()));
    positions[0] = entry.AsString();
    core->SetData_(task, cnStart, "04.03.2024 09:00");
    EXPECT_EQ(core->GetData_(task, cnEnd), QString());
    EXPECT_FALSE(task->nodeValid);
}
