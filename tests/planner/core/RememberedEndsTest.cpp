// Shortcuts of the recalculation against the long way. A row's end is remembered with what it
// was computed from, and the outermost EndUpdate takes it back while nothing of it changed;
// the chart rows of positions are kept in maps checked by shared lists. After every kind of
// change the rows must be what a document read afresh from the same cells has, and the
// position lookups what the lists say when they are read from scratch.

#include "planner/CoreTestSupport.h"

#include <QTemporaryDir>

#include <map>
#include <random>

#include "CommaText.h"

namespace {

struct TRowState
{
    QString end;
    TDateTime start = 0;
    TDateTime endValue = 0;
    int length = 0;
    int position = 0;
    bool valid = false;
    bool operator==(const TRowState &) const = default;
};

std::map<QString, TRowState> RowStates(TPlannerCore &core)
{
    std::map<QString, TRowState> states;
    for (TWhichTable table : {tbTable, tbExclude})
        core.ForEach(table, feAll, [&](TNodeData *node) {
            states[node->ID.Value()] = {core.GetData_(node, cnEnd), node->nodeStart, node->nodeEnd,
                                        node->nodeLength,         node->nodePosition, node->nodeValid};
        });
    return states;
}

tWeekInfo RandomWeek(std::mt19937 &random)
{
    tWeekInfo week = DefaultWeekInfo();
    for (int d = 0; d < 7; ++d)
        week[d].active = random() % 4 != 0;
    return week;
}

} // namespace

class RememberedEndsTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        core->SetTimeChartBounds(EncodeDate(2023, 1, 1), EncodeDate(2026, 12, 31));
    }

    // The document read afresh from its own file: no row of it has an end to take back.
    void ExpectLikeAFreshDocument(const std::string &after)
    {
        const QString file = dir.filePath(QStringLiteral("fresh.zop"));
        ASSERT_TRUE(testsupport::writeFile(file, core->SaveToBuffer(false)));
        TScriptedWindow otherWindow;
        TUndoRedo otherUndo;
        std::unique_ptr<TStringTreeGrid> otherTasks(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        std::unique_ptr<TStringTreeGrid> otherAbsent(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        TPlannerCore fresh(otherTasks.get(), otherAbsent.get(), otherWindow, &otherUndo);
        fresh.ActionNewExecute();
        ASSERT_TRUE(fresh.LoadFrom(file)) << after;
        const auto mine = RowStates(*core);
        const auto theirs = RowStates(fresh);
        ASSERT_EQ(mine.size(), theirs.size()) << after;
        for (const auto &[id, state] : mine) {
            ASSERT_TRUE(theirs.count(id)) << after << " " << id.toStdString();
            const TRowState &other = theirs.at(id);
            EXPECT_EQ(state.end, other.end) << after << " " << id.toStdString();
            EXPECT_EQ(state.endValue, other.endValue) << after << " " << id.toStdString();
            EXPECT_EQ(state.valid, other.valid) << after << " " << id.toStdString();
            EXPECT_EQ(state, other) << after << " " << id.toStdString();
        }
    }

    TNodeData *Absence(const QString &position, TDateTime start, int days, bool workDays)
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, true);
        core->SetData_(node, cnLengthWithWeekend, BoolName(workDays));
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, core->FormatDateTime(start));
        core->SetData_(node, cnLength, QString::number(days));
        return node;
    }

    QTemporaryDir dir;
};

// Random edits of every kind that moves an end, some inside a bracket, some one write at a
// time; after each the ends are those of a document read afresh.
TEST_F(RememberedEndsTest, EndsFollowEveryChangeAsIfComputedAfresh)
{
    std::mt19937 random(4711);
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    positions.clear();
    for (int p = 0; p < 6; ++p)
        positions.append(CommaTextOf({QStringLiteral("R%1").arg(p), WeekInfo2String(RandomWeek(random))}));
    positions.append(CommaTextOf({"Team", WeekInfo2String(DefaultWeekInfo()), "3"}));
    const QStringList names = {"R0", "R1", "R2", "R3", "R4", "R5", "Team", "Team (2)", "Team (3)", "*", "Nowhere"};
    core->AddHoliday("Founding Day", 12, 3, true, false);
    core->AddHoliday("Easter Monday", 1, 0, true, true);
    core->AddHoliday("Good Friday", -2, 0, true, true);

    const TDateTime first = EncodeDate(2024, 2, 26);
    core->BeginUpdate(QStringLiteral("Loading"));
    std::vector<TNodeData *> tasks;
    for (int i = 0; i < 240; ++i) {
        TNodeData *task = AddTask(names[int(random() % names.size())], core->FormatDateTime(first + random() % 70),
                                  QString::number(1 + random() % 12));
        tasks.push_back(task);
    }
    // Rows that cannot be computed: no start, no length, a length of zero.
    AddTask("R1", QString(), "3");
    AddTask("R2", "04.03.2024", QString());
    AddTask("R3", "04.03.2024", "0");
    std::vector<TNodeData *> absences;
    for (int i = 0; i < 12; ++i)
        absences.push_back(Absence(names[int(random() % 10)], first + random() % 60, 1 + int(random() % 5), random() % 2));
    core->EndUpdate();
    ExpectLikeAFreshDocument("loading");

    auto anyTask = [&]() -> TNodeData * { return tasks[random() % tasks.size()]; };
    auto anyAbsence = [&]() -> TNodeData * { return absences[random() % absences.size()]; };
    for (int step = 0; step < 60; ++step) {
        const int kind = int(random() % 12);
        // A typed end stands until the next outermost EndUpdate computes it again; the unit
        // is switched inside a bracket (the set-up does so), every length then reads anew.
        const bool bracket = kind == 10 || kind == 8 || random() % 2;
        if (bracket)
            core->BeginUpdate(QStringLiteral("Step"));
        std::string what;
        switch (kind) {
        case 0:
            what = "a start moved";
            core->SetStartOf(anyTask(), first + random() % 70);
            break;
        case 1:
            what = "a length changed";
            core->SetData_(anyTask(), cnLength, QString::number(1 + random() % 12));
            break;
        case 2:
            what = "a task to another position";
            core->SetData_(anyTask(), cnPosition, names[int(random() % names.size())]);
            break;
        case 3:
            what = "an absent day moved";
            core->SetStartOf(anyAbsence(), first + random() % 60);
            break;
        case 4:
            what = "an absent day counted the other way";
            core->SetData_(anyAbsence(), cnLengthWithWeekend, BoolName(random() % 2));
            break;
        case 5:
            what = "an absent day to another position";
            core->SetData_(anyAbsence(), cnPosition, names[int(random() % 10)]);
            break;
        case 6:
            what = "a holiday switched";
            core->GetHolidayData(int(random() % 3))->enabled = random() % 2;
            core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
            break;
        case 7: {
            what = "a week changed";
            const int p = int(random() % 6);
            QStringList items = ParseCommaText(positions[p]);
            items[1] = WeekInfo2String(RandomWeek(random));
            positions[p] = CommaTextOf(items);
            core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
            break;
        }
        case 8:
            what = "the unit switched";
            core->SetMinUnit(core->GetMinUnit() == muDay ? muMinute : muDay);
            break;
        case 9: {
            what = "an absent day deleted and another added";
            TNodeData *gone = anyAbsence();
            std::erase(absences, gone);
            core->DeleteNode(gone, true);
            absences.push_back(Absence(names[int(random() % 10)], first + random() % 60, 1 + int(random() % 5), random() % 2));
            break;
        }
        case 10:
            what = "an end cell typed over";
            core->SetData_(anyTask(), cnEnd, core->FormatDateTime(first + random() % 90));
            break;
        default:
            what = "nothing";
            break;
        }
        if (bracket)
            core->EndUpdate();
        ExpectLikeAFreshDocument("step " + std::to_string(step) + ": " + what + (bracket ? " (bracket)" : ""));
        if (HasFailure())
            return;
    }
}

class PositionLookupTest : public CoreTest
{
protected:
    // Every row's chart row and every chart row's week, from the lists read from scratch.
    void ExpectLookupsOfTheLists(const std::string &after)
    {
        const int column = core->GetConnection(tbTable, cnPosition);
        ASSERT_GE(column, 0) << after;
        // The expanded full list: a position of n rows is followed by "name (2)" ... "name (n)".
        QStringList names;
        std::vector<tWeekInfo> weeks;
        for (const QString &entry : core->GetColumnStrings(tbTable, column)) {
            const QStringList items = ParseCommaText(entry);
            bool ok = false;
            int rows = items.value(2).trimmed().toInt(&ok);
            rows = ok && rows > 0 ? rows : 1;
            tWeekInfo week;
            String2WeekInfo(items.value(1), week);
            for (int k = 1; k <= rows; ++k) {
                names.append(k == 1 ? items.value(0) : items.value(0) + QStringLiteral(" (%1)").arg(k));
                weeks.push_back(week);
            }
        }
        QStringList shown;
        for (const QString &entry : core->FGlobalPositionFilter)
            shown.append(ParseCommaText(entry).value(0));
        for (TWhichTable table : {tbTable, tbExclude})
            core->ForEach(table, feAll, [&](TNodeData *node) {
                const int position = node->nodePosition;
                int expected = -1;
                if (position == -9)
                    expected = -9;
                else if (position >= 0 && position < names.size())
                    expected = shown.isEmpty() ? position : (shown.contains(names[position]) ? int(shown.indexOf(names[position])) : -2);
                EXPECT_EQ(core->GetPositionOf(node), expected) << after << " " << core->GetData_(node, cnPosition).toStdString();
            });
        for (int row = 0; row < std::max<qsizetype>(1, shown.size()) + 1; ++row) {
            int position = -1;
            if (shown.isEmpty())
                position = row < names.size() ? row : -1;
            else if (row < shown.size())
                position = int(names.indexOf(shown[row]));
            const tWeekInfo expected = position >= 0 ? weeks[std::size_t(position)] : DefaultWeekInfo();
            EXPECT_EQ(WeekInfo2String(core->GetWeekInfo(row)), WeekInfo2String(expected)) << after << " row " << row;
        }
    }
};

TEST_F(PositionLookupTest, LookupsFollowTheListsWhateverTouchedThem)
{
    std::mt19937 random(99);
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    positions.clear();
    for (int p = 0; p < 8; ++p)
        positions.append(CommaTextOf({QStringLiteral("P%1").arg(p), WeekInfo2String(RandomWeek(random)),
                                      QString::number(p % 3 == 0 ? 2 : 1)}));
    const QStringList names = {"P0", "P0 (2)", "P1", "P2", "P3", "P3 (2)", "P4", "P5", "P6", "P6 (2)", "P7", "*", "Gone"};
    core->BeginUpdate(QStringLiteral("Loading"));
    for (int i = 0; i < 60; ++i)
        AddTask(names[i % names.size()], "04.03.2024", "2");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "P3");
    core->EndUpdate();
    ExpectLookupsOfTheLists("loading");

    core->AddPositionGroup("Odd", CommaTextOf({positions[1], positions[3], positions[5], positions[7]}));
    core->AddPositionGroup("Empty", QString());
    core->SelectGroupTab(1);
    ExpectLookupsOfTheLists("a group of four");

    // The same entries in a list of their own (written through the reference, unchanged).
    positions = QStringList(positions.begin(), positions.end());
    ExpectLookupsOfTheLists("the list copied");
    positions[3] = positions[3];
    ExpectLookupsOfTheLists("an entry written over with itself");

    // An entry renamed in place: its rows name nothing now until read again.
    positions[3] = CommaTextOf({"P3 new", WeekInfo2String(DefaultWeekInfo())});
    ExpectLookupsOfTheLists("an entry renamed");
    core->BeginUpdate(QString());
    core->EndUpdate();
    ExpectLookupsOfTheLists("renamed, read again");

    // The shown rows replaced by an equal list of their own, then by a shorter one.
    core->FGlobalPositionFilter = QStringList(core->FGlobalPositionFilter.begin(), core->FGlobalPositionFilter.end());
    ExpectLookupsOfTheLists("the shown rows copied");
    core->FHideEmptyRows = true;
    core->UpdateEmptyRowsProc();
    ExpectLookupsOfTheLists("empty rows hidden");
    core->SelectGroupTab(2);
    ExpectLookupsOfTheLists("the empty group");
    core->SelectGroupTab(0);
    ExpectLookupsOfTheLists("all positions");

    // The position column moved by a column in front.
    core->InsertColumn(tbTable, 0);
    core->SetConnection(tbTable, cnPosition, 1);
    core->BeginUpdate(QString());
    core->EndUpdate();
    ExpectLookupsOfTheLists("a column in front");
    core->ColumnStrings(tbTable, 1).append(CommaTextOf({"P8"}));
    ExpectLookupsOfTheLists("a position appended");
}

// An absent day whose "Working Days" flag alone changes: nothing else tells its end to move.
TEST_F(RememberedEndsTest, AnAbsentDayCountedTheOtherWayMovesItsEnd)
{
    // Friday 8 March 2024, three days.
    TNodeData *away = Absence("Position 1", EncodeDate(2024, 3, 8), 3, false);
    EXPECT_EQ(core->GetData_(away, cnEnd), QStringLiteral("10.03.2024"));
    for (const bool bracket : {true, false}) {
        // Computed again with nothing changed: the end stays, nothing else moves.
        core->BeginUpdate(QString());
        core->EndUpdate();
        if (bracket)
            core->BeginUpdate(QStringLiteral("Flag"));
        core->SetData_(away, cnLengthWithWeekend, BoolName(true));
        if (bracket)
            core->EndUpdate();
        EXPECT_EQ(core->GetData_(away, cnEnd), QStringLiteral("12.03.2024")) << bracket;
        core->BeginUpdate(QString());
        core->EndUpdate();
        if (bracket)
            core->BeginUpdate(QStringLiteral("Flag"));
        core->SetData_(away, cnLengthWithWeekend, BoolName(false));
        if (bracket)
            core->EndUpdate();
        EXPECT_EQ(core->GetData_(away, cnEnd), QStringLiteral("10.03.2024")) << bracket;
    }
    ExpectLikeAFreshDocument("the flag back");
}
