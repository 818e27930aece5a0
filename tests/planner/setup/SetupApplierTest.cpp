// Reading the document's setup and applying it back: columns with their cells and header
// settings, connections, positions with their rows, the time unit, groups, holidays and
// absence reasons, all without journal or undo.

#include "planner/CoreTestSupport.h"

#include "core/PlannerCore.h"
#include "setup/PositionEntry.h"
#include "setup/SetupApplier.h"
#include "setup/SetupRules.h"
#include "sync/DirWatchThread.h"
#include "table/FilterEngine.h"

class SetupApplierTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        applier = std::make_unique<TSetupApplier>(*core, *documentFile);
    }
    bool Apply(const TSetupChanges &changes)
    {
        sync->ForceStorePending();
        const int events = sync->DirWatchThread()->NumPendingEvents();
        const bool applied = applier->Apply(changes);
        // Setup changes travel by the document file, never by the journal or undo.
        EXPECT_EQ(sync->DirWatchThread()->NumPendingEvents(), events);
        EXPECT_FALSE(core->UndoStack().GetCanUndo());
        return applied;
    }
    QString Cell(TNodeData *node, TConnection cn) { return core->GetData_(node, cn); }
    std::unique_ptr<TSetupApplier> applier;
};

TEST_F(SetupApplierTest, ColumnsKeepCellsAndHeaderSettingsWhenMovedRenamedDeletedAndAdded)
{
    // An extra column to delete and a filter, sort and autofill flags on the comment column.
    core->InsertColumn(tbTable, 6);
    core->SetColumnCaption(tbTable, 6, "Extra");
    TNodeData *a = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *b = AddTask("Position 2", "05.03.2024", "3");
    core->SetData_(a, cnTextCenterMiddle, "first");
    core->SetData_(b, cnTextCenterMiddle, "second");
    core->SetData(a, 6, "gone");
    THeaderData *comment = core->GetHeader(tbTable, 5);
    comment->Filter = TFilterParams{ftText, fsText, "f*", ""};
    comment->SortAscending = false;
    comment->HasAutofill = true;
    TFilterEngine filters(*core);
    filters.AddFilter(TFilter{comment->Filter, core->GroupTabCaption(), "Comment", tbTable});
    filters.AddFilter(TFilter{TFilterParams{ftText, fsText, "x", ""}, core->GroupTabCaption(), "Extra", tbTable});
    core->OnColumnsRenamed = [&](TWhichTable table, const std::vector<std::pair<QString, QString>> &renames) {
        filters.ColumnsRenamed(table, renames);
    };

    TTableSetup setup = applier->ReadTable();
    ASSERT_EQ(setup.Columns.size(), 7u);
    EXPECT_EQ(setup.Connections[cnStart], 1);
    // Comment first, Start renamed, Extra deleted, a new column at the end.
    TTableSetupColumn moved = setup.Columns[5];
    moved.Caption = "Remark";
    setup.Columns.erase(setup.Columns.begin() + 5, setup.Columns.end());
    setup.Columns.insert(setup.Columns.begin(), moved);
    setup.Columns[2].Caption = "Begin";
    setup.Columns.push_back({"Notes", ctText, {}, -1});
    // Connections name the rows they stand for.
    setup.Connections.fill(-1);
    setup.Connections[cnPosition] = 1;
    setup.Connections[cnStart] = 2;
    setup.Connections[cnEnd] = 3;
    setup.Connections[cnLength] = 4;
    setup.Connections[cnColor] = 5;
    setup.Connections[cnTextCenterMiddle] = 0;
    TSetupChanges changes;
    changes.Table = setup;
    ASSERT_TRUE(Apply(changes));

    ASSERT_EQ(core->GetTableColCount(tbTable), 7);
    const QStringList captions = {"Remark", "Position", "Begin", "End", "Length", "State", "Notes"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(core->GetColumnCaption(tbTable, i), captions[i]) << i;
    EXPECT_EQ(a->StringList.size(), 7);
    EXPECT_EQ(core->GetData(a, 0), "first");
    EXPECT_EQ(core->GetData(b, 0), "second");
    EXPECT_EQ(core->GetData(a, 1), "Position 1");
    EXPECT_EQ(core->GetData(a, 2), "04.03.2024");
    EXPECT_EQ(core->GetData(a, 6), "");
    EXPECT_FALSE(a->StringList.contains("gone"));
    EXPECT_EQ(core->GetConnection(tbTable, cnStart), 2);
    EXPECT_EQ(core->GetConnection(tbTable, cnTextCenterMiddle), 0);
    // The end is still computed into its column.
    EXPECT_EQ(Cell(a, cnEnd), "05.03.2024");
    // The header settings went with the comment column.
    const THeaderData *remark = core->GetHeader(tbTable, 0);
    EXPECT_EQ(remark->Filter.Text1, "f*");
    EXPECT_FALSE(remark->SortAscending);
    EXPECT_TRUE(remark->HasAutofill);
    EXPECT_FALSE(core->GetHeader(tbTable, 5)->IsFiltered());
    EXPECT_EQ(core->GetColumnType(tbTable, 2), ctDate);
    // The filter kept for the group follows the new caption; that of the deleted column goes.
    ASSERT_EQ(filters.Filters().size(), 1u);
    EXPECT_EQ(filters.Filters()[0]->header, "Remark");
    // Shown in the new order.
    TTreeGridColumns *columns = tasks->Header()->Columns();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(columns->ColumnFromPosition(TColumnPosition(i)), i);
}

TEST_F(SetupApplierTest, LabelsMapToTheirRowsEvenWithDuplicateCaptions)
{
    TTableSetup setup = applier->ReadTable();
    // Two columns captioned alike: the comment one is the text place.
    setup.Columns.push_back({"Comment", ctText, {}, -1});
    setup.Connections[cnTextCenterMiddle] = 6;
    TSetupChanges changes;
    changes.Table = setup;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->GetConnection(tbTable, cnTextCenterMiddle), 6);
}

TEST_F(SetupApplierTest, ConnectionRulesAndRefusedSetups)
{
    EXPECT_FALSE(ConnectionSuitsType(cnStart, ctText));
    EXPECT_TRUE(ConnectionSuitsType(cnStart, ctDate));
    EXPECT_TRUE(ConnectionSuitsType(cnTextRightBottom, ctDate));
    EXPECT_TRUE(ConnectionSuitsType(cnTextLeftTop, ctCheckBox));
    EXPECT_FALSE(ConnectionSuitsType(cnLength, ctText));
    EXPECT_TRUE(ConnectionSuitsType(cnLength, ctNumber));
    EXPECT_TRUE(ConnectionSuitsType(cnPosition, ctPulldown));
    EXPECT_FALSE(ConnectionSuitsType(cnColor, ctDate));
    EXPECT_FALSE(ConnectionSuitsType(cnInterval, ctDate)); // not offered by the setup

    const TTableSetup read = applier->ReadTable();
    EXPECT_EQ(TableSetupProblem(read), QString());
    TTableSetup noPosition = read;
    noPosition.Connections[cnPosition] = -1;
    EXPECT_EQ(TableSetupProblem(noPosition), MissingConnectionsMessage());
    // A deadline and the text places may stay empty.
    TTableSetup optional = read;
    optional.Connections[cnTermin] = -1;
    optional.Connections[cnTextCenterMiddle] = -1;
    EXPECT_EQ(TableSetupProblem(optional), QString());
    // The same column as start and end would have its start overwritten by the end.
    TTableSetup clash = read;
    clash.Connections[cnEnd] = clash.Connections[cnStart];
    const QString problem = TableSetupProblem(clash);
    EXPECT_TRUE(problem.contains("\"Start\"")) << problem.toStdString();
    EXPECT_TRUE(problem.contains("\"End\"")) << problem.toStdString();
    // A text place may show a column that has another meaning.
    TTableSetup shown = read;
    shown.Connections[cnTextLeftTop] = shown.Connections[cnStart];
    EXPECT_EQ(TableSetupProblem(shown), QString());

    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    TSetupChanges changes;
    changes.Table = clash;
    EXPECT_FALSE(applier->Apply(changes));
    EXPECT_EQ(core->GetConnection(tbTable, cnEnd), 2);
    EXPECT_EQ(Cell(task, cnEnd), "05.03.2024");
    EXPECT_FALSE(applier->Apply(TSetupChanges()));
}

TEST_F(SetupApplierTest, RenamedAndDeletedPositionsRewriteTheirRows)
{
    QStringList &list = core->ColumnStrings(tbTable, 0);
    list[1] = TPositionEntry(list[1]).Text(); // Position 2
    TPositionEntry team(list[2]);
    team.SetRows(3);
    list[2] = team.Text(); // Position 3 with three rows
    core->BeginUpdate(QString());
    core->EndUpdate();
    TNodeData *one = AddTask("Position 1", "04.03.2024", "1");
    TNodeData *two = AddTask("Position 2", "04.03.2024", "1");
    TNodeData *third = AddTask("Position 3 (3)", "04.03.2024", "1");
    TNodeData *all = AddTask("*", "04.03.2024", "1");
    TNodeData *unknown = AddTask("Nobody", "04.03.2024", "1");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Position 1");
    core->AddPositionGroup("Two", CommaTextOf({list[0], list[1]}));

    TPositionsSetup positions = applier->ReadPositions();
    ASSERT_EQ(positions.Entries.size(), 3u);
    // Position 1 renamed and moved last, Position 2 deleted, Position 3 down to two rows.
    TPositionEntry renamed(positions.Entries[0].Entry);
    renamed.SetDescription({"Alpha", "the first one"});
    TPositionEntry shorter(positions.Entries[2].Entry);
    shorter.SetRows(2);
    positions.Entries = {{shorter.Text(), 2}, {TPositionEntry::Make({"New"}).Text(), -1}, {renamed.Text(), 0}};
    TSetupChanges changes;
    changes.Positions = positions;
    ASSERT_TRUE(Apply(changes));

    EXPECT_EQ(Cell(one, cnPosition), "Alpha");
    EXPECT_EQ(Cell(away, cnPosition), "Alpha");
    EXPECT_EQ(Cell(two, cnPosition), "");
    EXPECT_EQ(Cell(third, cnPosition), "Position 3 (2)");
    EXPECT_EQ(Cell(all, cnPosition), "*");
    EXPECT_EQ(Cell(unknown, cnPosition), "Nobody");
    EXPECT_EQ(VisibleNames(), (QStringList{"Position 3", "Position 3 (2)", "New", "Alpha"}));
    EXPECT_EQ(core->GetPositionOf(one), 3);
    // The description travels in the entry; the name stays its first item.
    const QString stored = core->GetColumnStrings(tbTable, 0).last();
    EXPECT_EQ(ParseCommaText(stored).value(0), "Alpha");
    EXPECT_EQ(TPositionEntry(stored).Description(), (QStringList{"Alpha", "the first one"}));
    // The group follows the rename and loses the deleted position.
    ASSERT_EQ(core->FPositionGroup.size(), 2);
    const QStringList members = ParseCommaText(core->FPositionGroup[1]);
    ASSERT_EQ(members.size(), 1);
    EXPECT_EQ(TPositionEntry(members[0]).Name(), "Alpha");
}

TEST_F(SetupApplierTest, TheTimeUnitConvertsLengthsBothWays)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *odd = AddTask("Position 1", "04.03.2024", "about two");
    TNodeData *empty = AddTask("Position 1", "04.03.2024", "");
    TPositionsSetup positions = applier->ReadPositions();
    positions.Unit = muMinute;
    TSetupChanges changes;
    changes.Positions = positions;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->GetMinUnit(), muMinute);
    EXPECT_EQ(Cell(task, cnLength), "16");
    EXPECT_EQ(Cell(odd, cnLength), "about two");
    EXPECT_EQ(Cell(empty, cnLength), "");
    EXPECT_EQ(core->GetLengthOf(task), 960);

    core->SetData_(task, cnLength, "12,30"); // 750 minutes: 1.56 days
    positions.Unit = muDay;
    changes.Positions = positions;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->GetMinUnit(), muDay);
    EXPECT_EQ(Cell(task, cnLength), "2");
    EXPECT_EQ(Cell(task, cnEnd), "05.03.2024");
}

TEST_F(SetupApplierTest, GroupsAreRebuiltAndAnEmptyGroupIsKept)
{
    core->AddPositionGroup("Old", CommaTextOf({core->GetColumnStrings(tbTable, 0)[0]}));
    TGroupsSetup groups = applier->ReadGroups();
    EXPECT_EQ(groups.Names, (QStringList{"Position 1", "Position 2", "Position 3"}));
    ASSERT_EQ(groups.Groups.size(), 1u);
    EXPECT_EQ(groups.Groups[0].Checked, (std::vector<int>{0}));
    groups.Groups = {{"Front", {2, 0}}, {"Nothing", {}}, {"Front", {1}}};
    TSetupChanges changes;
    changes.Groups = groups;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->GroupTabCaptions(), (QStringList{groups.FirstCaption, "Front", "Nothing", "Front"}));
    const QStringList front = ParseCommaText(core->FPositionGroup[1]);
    ASSERT_EQ(front.size(), 2);
    EXPECT_EQ(ParseCommaText(front[0]).value(0), "Position 1");
    EXPECT_EQ(ParseCommaText(front[1]).value(0), "Position 3");
    EXPECT_EQ(core->FPositionGroup[2], "");

    // Groups and positions confirmed together: checks follow the positions' new order.
    TDocumentSetup setup = applier->Read();
    std::reverse(setup.Positions.Entries.begin(), setup.Positions.Entries.end());
    setup.Groups.Groups = {{"Two", {0, 1}}};
    changes = TSetupChanges();
    changes.Positions = setup.Positions;
    changes.Groups = setup.Groups;
    ASSERT_TRUE(Apply(changes));
    const QStringList two = ParseCommaText(core->FPositionGroup[1]);
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(ParseCommaText(two[0]).value(0), "Position 2");
    EXPECT_EQ(ParseCommaText(two[1]).value(0), "Position 1");
}

TEST_F(SetupApplierTest, HolidaysRenamedDeletedAndDisabledChangeEnds)
{
    core->AddHoliday("Labour Day", 1, 5, true, false);
    core->AddHoliday("Good Friday", -2, 0, true, true);
    core->BeginUpdate(QString());
    core->EndUpdate();
    // 30 April 2024 for three days: 1 May is off, so it ends on 3 May.
    TNodeData *may = AddTask("Position 1", "30.04.2024", "3");
    TNodeData *easter = AddTask("Position 1", "28.03.2024", "2");
    EXPECT_EQ(Cell(may, cnEnd), "03.05.2024");
    EXPECT_EQ(Cell(easter, cnEnd), "01.04.2024");

    std::vector<THolidayData> holidays = applier->ReadHolidays();
    ASSERT_EQ(holidays.size(), 2u);
    holidays[0].enabled = false;
    holidays[1].name = "Karfreitag";
    TSetupChanges changes;
    changes.Holidays = holidays;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(Cell(may, cnEnd), "02.05.2024");
    EXPECT_EQ(Cell(easter, cnEnd), "01.04.2024");
    ASSERT_EQ(core->HolidayCount(), 2);
    EXPECT_FALSE(core->GetHolidayData(0)->enabled);
    EXPECT_EQ(core->GetHolidayData(1)->name, "Karfreitag");

    holidays.erase(holidays.begin() + 1);
    changes.Holidays = holidays;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(Cell(easter, cnEnd), "29.03.2024");
}

TEST_F(SetupApplierTest, ValuesWithQuotesAndCommasSurviveTheDocumentFile)
{
    TTableSetup setup = applier->ReadTable();
    const QStringList values = {"say \"hi\", then go", "plain", "a,b"};
    QStringList entries;
    for (const QString &value : values)
        entries.append(CommaTextOf({value}));
    setup.Columns[4].Strings = entries;
    TAbsenceSetup absence = applier->ReadAbsence();
    absence.Reasons = QStringList{"Ill, at home", "", "  ", "\"Training\""};
    absence.DefaultReason = "Ill, at home";
    absence.CalcWorkdays = false;
    TSetupChanges changes;
    changes.Table = setup;
    changes.Absence = absence;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->FHolidayColors.size(), 3);
    EXPECT_EQ(core->FColors.size() >= 3, true);

    QTemporaryDir dir;
    const QString file = dir.path() + "/values.zop";
    ASSERT_TRUE(documentFile->SaveTo(file));
    core->ActionNewExecute();
    ASSERT_TRUE(documentFile->LoadFrom(file));
    const TDocumentSetup read = applier->Read();
    QStringList shown;
    for (const QString &entry : read.Table.Columns[4].Strings)
        shown.append(ParseCommaText(entry).value(0));
    EXPECT_EQ(shown, values);
    EXPECT_EQ(read.Absence.Reasons, (QStringList{"Ill, at home", "\"Training\""}));
    EXPECT_EQ(read.Absence.DefaultReason, "Ill, at home");
    EXPECT_FALSE(read.Absence.CalcWorkdays);
}

TEST_F(SetupApplierTest, AbsenceReasonsWithoutAColourColumnAreSkipped)
{
    core->SetConnection(tbExclude, cnColor, -1);
    TAbsenceSetup absence = applier->ReadAbsence();
    EXPECT_TRUE(absence.Reasons.isEmpty());
    absence.Reasons = QStringList{"Away"};
    absence.DefaultReason = "Away";
    TSetupChanges changes;
    changes.Absence = absence;
    ASSERT_TRUE(Apply(changes));
    EXPECT_EQ(core->FDefaultHolidayReason, "Away");
}

TEST_F(SetupApplierTest, ANamedDocumentIsSavedWithItsNewSetup)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/plan.zop";
    ASSERT_TRUE(documentFile->Save(file));
    TTableSetup setup = applier->ReadTable();
    setup.Columns[5].Caption = "Remark";
    TSetupChanges changes;
    changes.Table = setup;
    ASSERT_TRUE(Apply(changes));
    EXPECT_FALSE(sync->DirWatchThread()->Changed());
    // Another window opening the file sees the new caption.
    TOtherDocument other;
    ASSERT_TRUE(other.file->LoadFrom(file));
    EXPECT_EQ(other.core.GetColumnCaption(tbTable, 5), "Remark");
}
