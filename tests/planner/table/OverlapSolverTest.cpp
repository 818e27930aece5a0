// The overlap list and both solve commands on a real core: detection per row in both time
// units, the chains of "Solve Interleaving", row blocks growing in "Solve Interleaving in
// each resource", and the guards that keep a run finite and in one undo group.

#include "planner/CoreTestSupport.h"

#include <QTemporaryDir>

#include <cmath>

#include "CommaText.h"
#include "DateTime.h"
#include "table/OverlapSolver.h"
#include "common/TestSupport.h"

namespace {

QString Entry(const QString &name, int rows)
{
    return CommaTextOf({name, WeekInfo2String(DefaultWeekInfo()), QString::number(rows)});
}

} // namespace

class OverlapTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        solver = std::make_unique<TOverlapSolver>(*core);
        // A: one row; Team: two rows; C: one row.
        core->ColumnStrings(tbTable, 0) = QStringList{Entry("A", 1), Entry("Team", 2), Entry("C", 1)};
        core->BeginUpdate(QString());
        core->EndUpdate();
        core->ClearDelayedFlags();
    }
    void TearDown() override
    {
        solver.reset();
        CoreTest::TearDown();
    }
    void Recompute() { core->UpdateOverlapping(false); }
    QString Start(const TNodeData *node) const { return core->GetData_(node, cnStart); }
    QString End(const TNodeData *node) const { return core->GetData_(node, cnEnd); }
    std::vector<TNodeData *> Listed() const { return solver->OverlappingNodes().Items(); }
    // The day after a task's last day, in the cells' form.
    QString DayAfter(const TNodeData *node) const { return core->FormatDateTime(node->nodeEnd + 1); }

    std::unique_ptr<TOverlapSolver> solver;
};

TEST_F(OverlapTest, DetectionPerRowInDaysAndMinutes)
{
    // Day mode: A ends on Tuesday (its last day); a task from Wednesday follows it, one from
    // Tuesday overlaps it.
    TNodeData *a = AddTask("A", "04.03.2024", "2");
    TNodeData *wednesday = AddTask("A", "06.03.2024", "1");
    TNodeData *elsewhere = AddTask("C", "04.03.2024", "5");
    Recompute();
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(core->AnyOverlapping());
    TNodeData *tuesday = AddTask("A", "05.03.2024", "1");
    Recompute();
    EXPECT_EQ(Listed(), (std::vector<TNodeData *>{a, tuesday}));
    EXPECT_TRUE(core->GetNodeIsOverlapping(a));
    EXPECT_TRUE(core->GetNodeIsOverlapping(tuesday));
    EXPECT_FALSE(core->GetNodeIsOverlapping(wednesday));
    EXPECT_FALSE(core->GetNodeIsOverlapping(elsewhere));
    EXPECT_TRUE(solver->ActionSolveOverlappingUpdate());
    // The iterator walks the list in table order.
    EXPECT_EQ(Count(tbTable, feOverlapping), 2);

    // Deleting a listed task takes it out at once; the next recomputation empties the list.
    core->DeleteNode(tuesday, true);
    EXPECT_EQ(Listed(), (std::vector<TNodeData *>{a}));
    Recompute();
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(solver->ActionSolveOverlappingUpdate());

    // Minute mode: a task ending at 14:00 and one starting at 14:00 do not overlap.
    core->SetMinUnit(muMinute);
    core->BeginUpdate(QString());
    core->EndUpdate();
    core->SetData_(a, cnStart, "04.03.2024 13:00");
    core->SetData_(a, cnLength, "1");
    core->SetData_(wednesday, cnStart, "04.03.2024 14:00");
    core->SetData_(wednesday, cnLength, "1");
    core->SetData_(elsewhere, cnStart, "01.03.2024 07:00");
    ASSERT_EQ(End(a), QStringLiteral("04.03.2024 14:00"));
    Recompute();
    EXPECT_TRUE(Listed().empty());
    core->SetData_(wednesday, cnStart, "04.03.2024 13:59");
    Recompute();
    EXPECT_EQ(Listed(), (std::vector<TNodeData *>{a, wednesday}));
}

TEST_F(OverlapTest, RowsTheGroupHidesAndInvalidTasksAreNotChecked)
{
    TNodeData *c1 = AddTask("C", "04.03.2024", "3");
    TNodeData *c2 = AddTask("C", "05.03.2024", "3");
    TNodeData *invalid = AddTask("A", "04.03.2024", "3");
    TNodeData *a = AddTask("A", "05.03.2024", "3");
    core->SetData_(invalid, cnLength, QString());
    ASSERT_FALSE(invalid->nodeValid);
    TNodeData *star = AddTask("*", "04.03.2024", "5");
    (void)star;
    Recompute();
    EXPECT_EQ(Listed(), (std::vector<TNodeData *>{c1, c2}));

    core->AddPositionGroup("Only A", CommaTextOf({core->Positiongroups(false, true)[0]}));
    core->SelectGroupTab(1);
    ASSERT_LT(core->GetPositionOf(c1), 0);
    Recompute();
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(core->GetNodeIsOverlapping(a));
}

TEST_F(OverlapTest, SolvingPutsContainedTasksBehindEachOtherAsOneUndoStep)
{
    // A spans the week and contains B and C; D on another row overlaps nothing.
    TNodeData *a = AddTask("A", "04.03.2024", "5");
    TNodeData *c = AddTask("A", "07.03.2024", "1");
    TNodeData *b = AddTask("A", "05.03.2024", "1");
    TNodeData *d = AddTask("C", "05.03.2024", "1");
    Recompute();
    EXPECT_EQ(solver->OverlappingNodes().Count(), 3);
    const std::size_t entries = undo.UndoList().size();

    solver->ActionSolveOverlappingExecute();
    EXPECT_TRUE(Listed().empty());
    // In the order of their starts, each on the working day after the one before.
    EXPECT_EQ(Start(a), QStringLiteral("04.03.2024"));
    EXPECT_EQ(End(a), QStringLiteral("08.03.2024"));
    EXPECT_EQ(Start(b), QStringLiteral("09.03.2024"));
    EXPECT_EQ(End(b), QStringLiteral("11.03.2024")); // Saturday start: Monday is its day
    EXPECT_EQ(Start(c), DayAfter(b));
    EXPECT_EQ(Start(d), QStringLiteral("05.03.2024"));
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);

    // One undo step takes the whole run back.
    ASSERT_GT(undo.UndoList().size(), entries);
    const int group = undo.UndoList().back()->FGroupIndex;
    for (std::size_t i = entries; i < undo.UndoList().size(); ++i)
        EXPECT_EQ(undo.UndoList()[i]->FGroupIndex, group);
    core->Undo();
    EXPECT_EQ(Start(b), QStringLiteral("05.03.2024"));
    EXPECT_EQ(Start(c), QStringLiteral("07.03.2024"));
}

TEST_F(OverlapTest, InvalidTasksNeverJoinAChain)
{
    TNodeData *a = AddTask("A", "04.03.2024", "3");
    TNodeData *b = AddTask("A", "05.03.2024", "1");
    // Starts after A but has no length: it has no end and must stay where it is.
    TNodeData *broken = AddTask("A", "05.03.2024", "1");
    core->SetData_(broken, cnLength, "x");
    ASSERT_FALSE(broken->nodeValid);
    Recompute();
    solver->ActionSolveOverlappingExecute();
    EXPECT_EQ(Start(b), DayAfter(a));
    EXPECT_EQ(Start(broken), QStringLiteral("05.03.2024"));
    EXPECT_TRUE(Listed().empty());
}

TEST_F(OverlapTest, AutoArrangePacksFutureTasksAndLeavesStartedOnes)
{
    const TDateTime today = Date();
    TNodeData *first = AddTask("A", core->FormatDateTime(today + 10), "2");
    TNodeData *overlapping = AddTask("A", core->FormatDateTime(std::trunc(first->nodeEnd)), "1");
    TNodeData *far = AddTask("A", core->FormatDateTime(today + 40), "1");
    TNodeData *started = AddTask("C", core->FormatDateTime(today - 1), "1");
    const QString startedStart = Start(started);
    solver->SetAutoArrange(true);
    // The recomputation itself starts the command.
    Recompute();
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(Start(first), core->FormatDateTime(today + 10));
    EXPECT_EQ(Start(overlapping), DayAfter(first));
    // The task with a gap of weeks now follows directly.
    EXPECT_EQ(Start(far), DayAfter(overlapping));
    EXPECT_EQ(Start(started), startedStart);
    EXPECT_EQ(solver->LastRunPasses(), 1);
}

TEST_F(OverlapTest, AutoArrangeOnAHundredRowsIsOneUndoGroupOfBoundedDepth)
{
    QStringList entries;
    for (int i = 0; i < 100; ++i)
        entries.append(Entry(QStringLiteral("R%1").arg(i), 1));
    core->ColumnStrings(tbTable, 0) = entries;
    core->BeginUpdate(QString());
    for (int i = 0; i < 100; ++i)
        for (int k = 0; k < 3; ++k)
            AddTask(QStringLiteral("R%1").arg(i), core->FormatDateTime(Date() + 20 + k), "3");
    core->EndUpdate();
    core->ClearDelayedFlags();
    undo.Clear();

    // Every recomputation inside the run would start it again: the run stays one, with one
    // recomputation per pass.
    int runs = 0;
    const auto previous = core->OnUpdateOverlappingProc;
    core->OnUpdateOverlappingProc = [&] {
        ++runs;
        previous();
    };
    solver->SetAutoArrange(true);
    Recompute();
    core->OnUpdateOverlappingProc = previous;
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(solver->LastRunPasses(), 1);
    EXPECT_EQ(runs, solver->LastRunPasses() + 1);
    ASSERT_FALSE(undo.UndoList().empty());
    const int group = undo.UndoList().front()->FGroupIndex;
    for (const auto &entry : undo.UndoList())
        EXPECT_EQ(entry->FGroupIndex, group);
    solver->SetAutoArrange(false);
    core->Undo();
    EXPECT_TRUE(undo.UndoList().empty());
    Recompute();
    EXPECT_EQ(solver->OverlappingNodes().Count(), 300);
}

TEST_F(OverlapTest, AFailingWriteEndsTheRun)
{
    TNodeData *a = AddTask("A", "04.03.2024", "3");
    TNodeData *b = AddTask("A", "05.03.2024", "1");
    Recompute();
    ASSERT_EQ(solver->OverlappingNodes().Count(), 2);

    // Inside an update bracket nothing moves (the caches would not follow the cells).
    core->BeginUpdate(QString());
    solver->ActionSolveOverlappingExecute();
    EXPECT_EQ(solver->LastRunPasses(), 0);
    core->EndUpdate();
    core->ClearDelayedFlags();
    Recompute();

    // A damaged row whose start cannot be written: one pass, then the run ends.
    b->StringList = QStringList{QStringLiteral("A")};
    solver->ActionSolveOverlappingExecute();
    EXPECT_EQ(solver->LastRunPasses(), 1);
    EXPECT_FALSE(solver->Solving());
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    EXPECT_EQ(Start(a), QStringLiteral("04.03.2024"));
}

TEST_F(OverlapTest, RowBlocksAndAddingARow)
{
    const QStringList entries = core->GetColumnStrings(tbTable, 0); // A, Team (2 rows), C
    EXPECT_EQ(TOverlapSolver::MultiRowIndex(entries, 0), 0);
    EXPECT_EQ(TOverlapSolver::MultiRowIndex(entries, 2), 1);
    EXPECT_EQ(TOverlapSolver::MultiRowIndex(entries, 3), 2);
    EXPECT_EQ(TOverlapSolver::FirstRowInMultiRow(entries, 2), 1);
    EXPECT_EQ(TOverlapSolver::LastRowInMultiRow(entries, 1), 2);
    EXPECT_EQ(TOverlapSolver::RowCountOfEntry(CommaTextOf({"X", "", "zwei"})), 1);

    TNodeData *team2 = AddTask("Team (2)", "04.03.2024", "1");
    TNodeData *c = AddTask("C", "04.03.2024", "1");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "C");
    core->SetData_(away, cnStart, "11.03.2024");
    core->SetData_(away, cnLength, "1");
    core->AddPositionGroup("Team and C", CommaTextOf({entries[1], entries[2]}));
    ASSERT_EQ(core->GetPositionOf(c), 3);

    solver->AddMultiRow(1, true);
    EXPECT_EQ(TOverlapSolver::RowCountOfEntry(core->GetColumnStrings(tbTable, 0)[1]), 3);
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "Team", "Team (2)", "Team (3)", "C"}));
    // The cells keep their names; the rows below the block are one row further down.
    EXPECT_EQ(core->GetData_(c, cnPosition), QStringLiteral("C"));
    EXPECT_EQ(core->GetData_(team2, cnPosition), QStringLiteral("Team (2)"));
    EXPECT_EQ(core->GetPositionOf(c), 4);
    EXPECT_EQ(core->GetPositionOf(away), 4);
    EXPECT_EQ(core->GetPositionOf(team2), 2);
    // The group still lists the grown resource.
    core->SelectGroupTab(1);
    EXPECT_EQ(VisibleNames(), (QStringList{"Team", "Team (2)", "Team (3)", "C"}));
}

TEST_F(OverlapTest, EachResourceMovesWithinTheBlockAndAsksForRows)
{
    // Two tasks on Team's first row overlap; the second row is free.
    TNodeData *t1 = AddTask("Team", "04.03.2024", "3");
    TNodeData *t2 = AddTask("Team", "05.03.2024", "3");
    Recompute();
    solver->ActionSolveOverlappingSingleExecute();
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(core->GetData_(t1, cnPosition), QStringLiteral("Team (2)"));
    EXPECT_EQ(core->GetData_(t2, cnPosition), QStringLiteral("Team"));
    Recompute();
    EXPECT_TRUE(Listed().empty());

    // Four more on the same days: both rows are taken. Yes to All adds rows without asking
    // again.
    std::vector<TNodeData *> more;
    for (int i = 0; i < 3; ++i)
        more.push_back(AddTask("Team", "05.03.2024", "2"));
    Recompute();
    window.answers = {mrYesToAll};
    solver->ActionSolveOverlappingSingleExecute();
    EXPECT_EQ(window.questions.size(), 1);
    EXPECT_EQ(window.questions.value(0), QStringLiteral("Need to add a Row to \"Team\". Proceed?"));
    EXPECT_EQ(TOverlapSolver::RowCountOfEntry(core->GetColumnStrings(tbTable, 0)[1]), 5);
    Recompute();
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
}

TEST_F(OverlapTest, IgnoreAndCancelInEachResource)
{
    // A single-row resource: the only way out is a new row.
    TNodeData *a1 = AddTask("A", "04.03.2024", "3");
    TNodeData *a2 = AddTask("A", "05.03.2024", "3");
    Recompute();
    core->FHideEmptyRows = true;
    // Each of the two is asked about: the first one ignored still overlaps the second.
    window.answers = {mrIgnore, mrIgnore};
    solver->ActionSolveOverlappingSingleExecute();
    EXPECT_EQ(window.questions.size(), 2);
    // Ignored: it stays overlapping on its row; the ignore list lives only during the run.
    EXPECT_EQ(core->GetData_(a1, cnPosition), QStringLiteral("A"));
    EXPECT_EQ(core->GetData_(a2, cnPosition), QStringLiteral("A"));
    EXPECT_TRUE(solver->IgnoreOverlappingNodes().IsEmpty());
    EXPECT_TRUE(core->FHideEmptyRows);
    Recompute();
    EXPECT_EQ(solver->OverlappingNodes().Count(), 2);

    // Cancel takes back only this run's newest change; an edit made before stays.
    core->SetData_(a2, cnTextCenterMiddle, "kept");
    window.questions.clear();
    window.answers = {mrCancel};
    solver->ActionSolveOverlappingSingleExecute();
    EXPECT_EQ(window.questions.size(), 1);
    EXPECT_EQ(core->GetData_(a2, cnTextCenterMiddle), QStringLiteral("kept"));
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    EXPECT_TRUE(core->FHideEmptyRows);

    // Only from the summary view.
    core->AddPositionGroup("Only A", CommaTextOf({core->Positiongroups(false, true)[0]}));
    core->SelectGroupTab(1);
    window.questions.clear();
    window.answers = {mrOk};
    const std::size_t entries = undo.UndoList().size();
    solver->ActionSolveOverlappingSingleExecute();
    EXPECT_EQ(window.questions, QStringList{"Please call this function from Summary view."});
    EXPECT_EQ(undo.UndoList().size(), entries);
}

TEST_F(OverlapTest, AnAbsentDayRepaintsAndRecomputesTheTasksItTouches)
{
    TNodeData *touched = AddTask("Team (2)", "04.03.2024", "2");
    TNodeData *later = AddTask("Team", "11.03.2024", "1");
    TNodeData *other = AddTask("C", "04.03.2024", "2");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "Team");
    core->SetData_(away, cnStart, "05.03.2024");
    core->SetData_(away, cnLength, "1");
    // The absence of the block's first row holds for its second row too.
    EXPECT_EQ(End(touched), QStringLiteral("06.03.2024"));
    for (TNodeData *node : {touched, later, other})
        node->RecalcBitmap = false;
    core->SetData_(away, cnTextCenterMiddle, "doctor");
    EXPECT_TRUE(touched->RecalcBitmap);
    EXPECT_FALSE(later->RecalcBitmap);
    EXPECT_FALSE(other->RecalcBitmap);

    // An absence for everyone touches every task of its days.
    TNodeData *everyone = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(everyone, cnPosition, "*");
    core->SetData_(everyone, cnStart, "11.03.2024");
    core->SetData_(everyone, cnLength, "1");
    EXPECT_EQ(core->GetData_(later, cnStart), QStringLiteral("11.03.2024"));
    EXPECT_EQ(End(later), QStringLiteral("12.03.2024"));
    for (TNodeData *node : {touched, later, other})
        node->RecalcBitmap = false;
    core->SetData_(everyone, cnTextCenterMiddle, "holiday");
    EXPECT_TRUE(later->RecalcBitmap);
    EXPECT_FALSE(other->RecalcBitmap);
}

// An old plan imported with an offset is solved once when it opens, and nothing of that is
// left to undo.
TEST_F(OverlapTest, OpeningAMovedImportSolvesItsOverlaps)
{
    QTemporaryDir dir;
    QString text = QString::fromLatin1(testsupport::readFile(testsupport::dataFile(QStringLiteral("old-document.zop"))));
    ASSERT_FALSE(text.isEmpty());
    text.replace(QStringLiteral("0=Lathe\r\n1=2026-03-05"), QStringLiteral("0=Mill\r\n1=2026-03-03"));
    text.replace(QStringLiteral("SubVersion=0\r\n"), QStringLiteral("SubVersion=0\r\nOffset=")
                                                        + FormatDateTimeForStorage(Date() - 7) + QStringLiteral("\r\n"));
    const QString file = dir.filePath(QStringLiteral("moved.zop"));
    ASSERT_TRUE(testsupport::writeFile(file, text.toLatin1()));
    window.answers = {mrOk};
    documentFile->Open(file);
    ASSERT_EQ(core->GetTableRowCount(tbTable), 2);
    TNodeData *first = nullptr;
    TNodeData *second = nullptr;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) { (first ? second : first) = node; });
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(Start(second), DayAfter(first));
    EXPECT_TRUE(undo.UndoList().empty());
}

// The user's road: the overlap timer's recomputation runs when the window is idle, the Tools
// menu's commands follow the list, and "Solve Interleaving" moves the task.
TEST(OverlapWindowTest, SolveFromTheToolsMenu)
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    {
        TScriptedMainForm form;
        TPlannerCore &core = form.Core();
        EXPECT_FALSE(form.ActionSolveOverlapping->isEnabled());
        TNodeData *a = core.AddNode(core.GetFreeID(), tbTable, true);
        TNodeData *b = core.AddNode(core.GetFreeID(), tbTable, true);
        for (TNodeData *node : {a, b}) {
            core.SetData_(node, cnPosition, QStringLiteral("Position 2"));
            core.SetData_(node, cnLength, QStringLiteral("2"));
        }
        core.SetData_(a, cnStart, QStringLiteral("04.03.2024"));
        core.SetData_(b, cnStart, QStringLiteral("05.03.2024"));
        ASSERT_TRUE(core.OverlappingPending());
        // The 400 ms quiet time, then the idle step.
        core.OverlappingTimerTimer();
        core.IdleTimerTimer();
        EXPECT_TRUE(core.GetNodeIsOverlapping(b));
        EXPECT_TRUE(form.ActionSolveOverlapping->isEnabled());
        EXPECT_TRUE(form.ActionSolveOverlappingSingle->isEnabled());
        EXPECT_FALSE(form.OverlapSolver().ActionSplitUpdate());
        form.ActionSolveOverlapping->trigger();
        EXPECT_EQ(core.GetData_(b, cnStart), QStringLiteral("06.03.2024"));
        EXPECT_FALSE(form.ActionSolveOverlapping->isEnabled());
        EXPECT_FALSE(core.AnyOverlapping());
    }
    ResetDateFormats();
}

// The list is kept up by looking again only at the positions whose tasks changed; after any
// mix of edits it is the list a solver finds looking at every task.
TEST_F(OverlapTest, TheListAfterEditsIsTheListOfAWholeLook)
{
    std::mt19937 random(7);
    const QStringList rows{QStringLiteral("A"), QStringLiteral("Team"), QStringLiteral("C")};
    const TDateTime first = EncodeDate(2024, 3, 4);
    const auto day = [&](int offset) { return core->FormatDateTime(first + offset); };
    for (int i = 0; i < 30; ++i)
        AddTask(rows[int(random() % 3)], day(int(random() % 20)), QString::number(1 + random() % 4));
    const QStringList entries = core->Positiongroups(false, true);
    core->AddPositionGroup(QStringLiteral("A and C"), CommaTextOf({entries[0], entries[2]}));
    Recompute();
    const auto anyTask = [&]() -> TNodeData * {
        std::vector<TNodeData *> tasks;
        core->ForEach(tbTable, feAll, [&tasks](TNodeData *node) { tasks.push_back(node); });
        return tasks.empty() ? nullptr : tasks[random() % tasks.size()];
    };
    const auto ids = [](const std::vector<TNodeData *> &nodes) {
        QStringList list;
        for (const TNodeData *node : nodes)
            list.append(node->ID.Value());
        return list;
    };
    TNodeData *absence = nullptr;
    const std::vector<std::pair<const char *, std::function<void()>>> edits = {
        {"start", [&] { if (TNodeData *t = anyTask()) core->SetStartOf(t, first + double(random() % 20)); }},
        {"length", [&] { if (TNodeData *t = anyTask()) core->SetData_(t, cnLength, QString::number(1 + random() % 5)); }},
        {"row", [&] { if (TNodeData *t = anyTask()) core->SetData_(t, cnPosition, rows[int(random() % 3)]); }},
        {"delete", [&] { if (TNodeData *t = anyTask()) core->DeleteNode(t, true); }},
        {"new", [&] { AddTask(rows[int(random() % 3)], day(int(random() % 20)), QStringLiteral("2")); }},
        {"absence", [&] {
             if (absence)
                 core->DeleteNode(absence, true);
             absence = AddAbsence(rows[int(random() % 3)], first + double(random() % 20), 3, true);
         }},
        {"undo", [&] { core->Undo(); absence = nullptr; }},
        {"group", [&] { core->SelectGroupTab(int(random() % 2)); }},
    };
    for (int round = 0; round < 40; ++round) {
        std::string done;
        for (int step = 0; step < 3; ++step) {
            const auto &[name, edit] = edits[random() % edits.size()];
            edit();
            done += std::string(name) + " ";
        }
        Recompute();
        const QStringList kept = ids(Listed());
        // A new solver (it takes the hooks the old one gives back) looks at every task.
        solver.reset();
        solver = std::make_unique<TOverlapSolver>(*core);
        Recompute();
        ASSERT_EQ(kept, ids(Listed())) << "round " << round << ": " << done;
    }
}
