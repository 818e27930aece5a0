// A row's end is remembered with what it was computed from, and the outermost EndUpdate takes
// it back while nothing of it changed. After every kind of change the rows must be what a
// document read afresh from the same cells has.

#include "planner/FreshDocument.h"

#include <QTemporaryDir>

#include "CommaText.h"
#include "core/UndoRedo.h"

using namespace freshdocument;

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
        freshdocument::ExpectLikeAFreshDocument(*core, *documentFile, dir.filePath(QStringLiteral("fresh.zop")), after);
    }

    // Six resources of their own weeks, a team of three, holidays, 243 tasks (three of them
    // that cannot be computed) and twelve absent days, loaded in one bracket.
    void LoadPlan(std::mt19937 &random)
    {
        QStringList &positions = core->ColumnStrings(tbTable, 0);
        positions.clear();
        for (int p = 0; p < 6; ++p)
            positions.append(CommaTextOf({QStringLiteral("R%1").arg(p), WeekInfo2String(RandomWorkingDays(random))}));
        positions.append(CommaTextOf({"Team", WeekInfo2String(DefaultWeekInfo()), "3"}));
        core->AddHoliday("Founding Day", 12, 3, true, false);
        core->AddHoliday("Easter Monday", 1, 0, true, true);
        core->AddHoliday("Good Friday", -2, 0, true, true);

        core->BeginUpdate(QStringLiteral("Loading"));
        for (int i = 0; i < 240; ++i)
            tasks.push_back(AddTask(names[int(random() % names.size())], core->FormatDateTime(first + random() % 70),
                                    QString::number(1 + random() % 12)));
        // Rows that cannot be computed: no start, no length, a length of zero.
        AddTask("R1", QString(), "3");
        AddTask("R2", "04.03.2024", QString());
        AddTask("R3", "04.03.2024", "0");
        for (int i = 0; i < 12; ++i)
            absences.push_back(AddAbsence(names[int(random() % 10)], first + random() % 60, 1 + int(random() % 5), random() % 2));
        core->EndUpdate();
    }

    const QStringList names = {"R0", "R1", "R2", "R3", "R4", "R5", "Team", "Team (2)", "Team (3)", "*", "Nowhere"};
    const TDateTime first = EncodeDate(2024, 2, 26);
    std::vector<TNodeData *> tasks;
    std::vector<TNodeData *> absences;
    QTemporaryDir dir;
};

// Random edits of every kind that moves an end, some inside a bracket, some one write at a
// time; after each the ends are those of a document read afresh.
TEST_F(RememberedEndsTest, EndsFollowEveryChangeAsIfComputedAfresh)
{
    std::mt19937 random(4711);
    LoadPlan(random);
    QStringList &positions = core->ColumnStrings(tbTable, 0);
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
            items[1] = WeekInfo2String(RandomWorkingDays(random));
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
            absences.push_back(AddAbsence(names[int(random() % 10)], first + random() % 60, 1 + int(random() % 5), random() % 2));
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

// A large deletion undone puts its rows back with what was read of them only while that holds:
// the rows are those of a fresh reading whatever changed between the deletion and its undo
// (outside the undo stack) or before it.
TEST_F(RememberedEndsTest, RowsPutBackByUndoAreWhatAFreshReadingGives)
{
    std::mt19937 random(815);
    LoadPlan(random);
    const std::vector<std::string> meanwhile = {"nothing", "a holiday switched", "a week changed",
                                                "the unit switched", "an absent day moved", "an end typed over before"};
    for (std::size_t kind = 0; kind < meanwhile.size(); ++kind) {
        std::vector<TNodeData *> rows;
        core->ForEach(tbTable, feAll, [&rows](TNodeData *node) { rows.push_back(node); });
        if (kind == 5)
            core->SetData_(rows[random() % rows.size()], cnEnd, core->FormatDateTime(first + random() % 90));
        // Two thirds of the tasks in one step: more than a bracket settles row by row.
        core->FUndoRedoGroupIndex = core->UndoStack().GetGroupIndex();
        core->BeginUpdate(QStringLiteral("Delete"));
        for (TNodeData *row : rows)
            if (random() % 3 != 0 || kind == 5)
                core->DeleteNode(row, true);
        core->EndUpdate();
        core->FUndoRedoGroupIndex = -1;
        {
            TSuspendUndo suspended(core->UndoStack());
            switch (kind) {
            case 1:
                core->GetHolidayData(0)->enabled = !core->GetHolidayData(0)->enabled;
                core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
                break;
            case 2: {
                QStringList &positions = core->ColumnStrings(tbTable, 0);
                QStringList items = ParseCommaText(positions[2]);
                items[1] = WeekInfo2String(RandomWorkingDays(random));
                positions[2] = CommaTextOf(items);
                core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
                break;
            }
            case 3:
                core->BeginUpdate(QStringLiteral("Unit"));
                core->SetMinUnit(core->GetMinUnit() == muDay ? muMinute : muDay);
                core->EndUpdate();
                break;
            case 4:
                core->SetStartOf(absences[random() % absences.size()], first + random() % 60);
                break;
            default:
                break;
            }
        }
        core->Undo();
        ExpectLikeAFreshDocument("undone after " + meanwhile[kind]);
        core->Redo();
        core->Undo();
        ExpectLikeAFreshDocument("undone again after " + meanwhile[kind]);
        if (HasFailure())
            return;
    }
}

// An absent day whose "Working Days" flag alone changes: nothing else tells its end to move.
TEST_F(RememberedEndsTest, AnAbsentDayCountedTheOtherWayMovesItsEnd)
{
    // Friday 8 March 2024, three days.
    TNodeData *away = AddAbsence("Position 1", EncodeDate(2024, 3, 8), 3, false);
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
