// Undo, Redo, Cut and Paste settle only the rows they touch, and leave the plan as recalculating
// all of it would: for every kind of write an undo step can hold (each connected cell of a task
// or of an absent day, a new row, a deleted row), taken back and brought again from the Edit
// menu, and for rows cut and pasted, the rows' cells, ends, validity, resources and visibility
// in the group tab shown, the counts and what the chart, the overview and the table show equal
// what the whole plan recalculated gives.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "CommaText.h"
#include "common/RepaintCheck.h"
#include "core/ActionScope.h"
#include "planner/UserInput.h"
#include "treegrid/StringTreeGrid.h"

namespace {

struct TRowState
{
    QStringList cells;
    TDateTime start = 0;
    TDateTime end = 0;
    bool valid = false;
    int position = 0;
    bool shown = false;
    bool operator==(const TRowState &) const = default;
};

std::ostream &operator<<(std::ostream &out, const TRowState &row)
{
    return out << row.cells.join(QLatin1Char('|')).toStdString() << " start " << row.start << " end " << row.end
               << (row.valid ? " valid" : " invalid") << " position " << row.position
               << (row.shown ? " shown" : " hidden");
}

struct TPlanState
{
    std::map<QString, TRowState> rows;
    int shownTasks = 0;
    bool operator==(const TPlanState &) const = default;
};

std::ostream &operator<<(std::ostream &out, const TPlanState &plan)
{
    out << plan.shownTasks << " tasks shown\n";
    for (const auto &[id, row] : plan.rows)
        out << "  " << id.toStdString() << ": " << row << "\n";
    return out;
}

class UndoSettlesRowsTest : public ChartMouseTest
{
protected:
    // Three resources, the first two in a group tab of their own (shown), six tasks (or as many
    // as asked) over them and two absent days, one of which lies under a task.
    void OpenGroupedPlan(int taskCount = 6)
    {
        std::vector<TTask> tasks;
        for (int i = 0; i < taskCount; ++i)
            tasks.push_back(TTask{i % 3, 2 * (i % 20), 3});
        OpenPlan(3, tasks);
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        const QStringList positions = core.GetColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
        core.AddPositionGroup(QStringLiteral("First two"), CommaTextOf(positions.mid(0, 2)));
        for (const auto &[row, day] : {std::pair{0, 1}, std::pair{1, 20}}) {
            TNodeData *absent = core.AddNode(core.GetFreeID(), tbExclude, true);
            core.SetData_(absent, cnPosition, RowName(row));
            core.SetData_(absent, cnStart, DateToStr(Base() + day));
            core.SetData_(absent, cnLength, QStringLiteral("2"));
        }
        core.EndUpdate();
        form->TabControl1->setCurrentIndex(1);
        Settle();
        ASSERT_EQ(core.GroupTabIndex(), 1);
        core.UndoStack().Clear();
    }

    // The plan shown in the active window; the chart, the overview and the table watched.
    void ShowGroupedPlan(testsupport::TRepaintCheck &check, int taskCount = 6)
    {
        ASSERT_NO_FATAL_FAILURE(OpenGroupedPlan(taskCount));
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        for (QWidget *widget : {static_cast<QWidget *>(view->TimeChart), static_cast<QWidget *>(view->SmallTimeChart),
                                static_cast<QWidget *>(form->StringTreeGrid1->viewport())})
            check.Watch(widget);
    }

    TPlanState State()
    {
        TPlanState plan;
        for (const TWhichTable table : {tbTable, tbExclude})
            Core().ForEach(table, feAll, [&](TNodeData *node) {
                plan.rows[node->ID.Value()] = TRowState{node->StringList, node->nodeStart, node->nodeEnd, node->nodeValid,
                                                       node->nodePosition, node->VNodeTable->IsVisible(node->VNode)};
            });
        plan.shownTasks = Core().GroupCount(tbTable);
        return plan;
    }

    // Put back rows have new identities: a plan is compared by its rows' contents.
    static std::multiset<std::pair<QString, bool>> Contents(const TPlanState &plan)
    {
        std::multiset<std::pair<QString, bool>> rows;
        for (const auto &[id, row] : plan.rows)
            rows.insert({row.cells.join(QLatin1Char('|')) + QString::number(row.end) + QString::number(row.valid),
                         row.shown});
        return rows;
    }

    // What the plan is after `step`, and what it is once the whole plan is recalculated.
    void ExpectSettledAsWhole(const QString &step, testsupport::TRepaintCheck &check)
    {
        // What shows at once, and once the idle work has run.
        Settle();
        check.Check(step);
        Core().IdleTimerTimer();
        Settle();
        check.Check(step + QStringLiteral(", idle"));
        const TPlanState settled = State();
        Core().BeginUpdate(QStringLiteral("whole"));
        Core().EndUpdate();
        Settle();
        Core().IdleTimerTimer();
        Settle();
        EXPECT_EQ(settled, State()) << step.toStdString();
    }

    void ChooseFromEditMenu(QAction *action)
    {
        QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(action->isEnabled()) << action->text().toStdString();
        userinput::ClickMenuItem(*form, edit, action);
    }

    struct TWrite
    {
        QString name;
        std::function<void(TPlannerCore &)> act;
    };

    // A write of each connected cell of both tables, and the rows that come and go.
    static std::vector<TWrite> Writes()
    {
        const auto task = [](TPlannerCore &core, int index) {
            std::vector<TNodeData *> rows;
            core.ForEach(tbTable, feAll, [&rows](TNodeData *node) { rows.push_back(node); });
            return rows.at(std::size_t(index));
        };
        const auto absent = [](TPlannerCore &core, int index) {
            std::vector<TNodeData *> rows;
            core.ForEach(tbExclude, feAll, [&rows](TNodeData *node) { rows.push_back(node); });
            return rows.at(std::size_t(index));
        };
        std::vector<TWrite> writes;
        const auto cell = [&writes, task, absent](const char *name, bool ofTask, int index, TConnection cn, std::function<QString()> text) {
            writes.push_back({QString::fromLatin1(name), [=](TPlannerCore &core) {
                                  TNodeData *node = ofTask ? task(core, index) : absent(core, index);
                                  core.SetData_(node, cn, text());
                              }});
        };
        cell("task start", true, 0, cnStart, [] { return DateToStr(Base() + 3); });
        cell("task length", true, 1, cnLength, [] { return QStringLiteral("9"); });
        cell("task to a resource of another tab", true, 0, cnPosition, [] { return RowName(2); });
        cell("task to a resource of this tab", true, 2, cnPosition, [] { return RowName(1); });
        cell("task colour", true, 3, cnColor, [] { return QStringLiteral("1"); });
        cell("task text", true, 4, cnTextCenterMiddle, [] { return QStringLiteral("changed"); });
        cell("task start emptied", true, 5, cnStart, [] { return QString(); });
        cell("absent day start", false, 0, cnStart, [] { return DateToStr(Base() + 5); });
        cell("absent day length", false, 0, cnLength, [] { return QStringLiteral("6"); });
        cell("absent day to another resource", false, 1, cnPosition, [] { return RowName(0); });
        writes.push_back({QStringLiteral("task deleted"), [=](TPlannerCore &core) { core.DeleteNode(task(core, 0), true); }});
        writes.push_back(
            {QStringLiteral("absent day deleted"), [=](TPlannerCore &core) { core.DeleteNode(absent(core, 0), true); }});
        writes.push_back({QStringLiteral("task added"), [=](TPlannerCore &core) {
                              TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
                              core.SetData_(node, cnPosition, RowName(0));
                              core.SetData_(node, cnStart, DateToStr(Base() + 1));
                              core.SetData_(node, cnLength, QStringLiteral("4"));
                          }});
        return writes;
    }
};

TEST_F(UndoSettlesRowsTest, EveryWriteUndoneAndRedoneLeavesWhatTheWholeRecalculationGives)
{
    const std::vector<TWrite> writes = Writes();
    // Every write alone, then all of them as one step.
    for (std::size_t round = 0; round <= writes.size(); ++round) {
        const QString name = round < writes.size() ? writes[round].name : QStringLiteral("all writes at once");
        SCOPED_TRACE(name.toStdString());
        form.reset();
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        view = form->TimeChartView;
        mouse = form->TimeChartMouse;
        testsupport::TRepaintCheck check;
        ASSERT_NO_FATAL_FAILURE(ShowGroupedPlan(check));
        const TPlanState before = State();

        TPlannerCore &core = Core();
        {
            TActionScope action(core);
            for (std::size_t i = 0; i < writes.size(); ++i)
                if (i == round || round == writes.size())
                    writes[i].act(core);
        }
        // Written as the tables do it, which then show the rows by the group tab again.
        core.BeginUpdate(QStringLiteral("written"));
        core.EndUpdate();
        ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(name + QStringLiteral(", written"), check));
        const TPlanState written = State();
        ASSERT_NE(written, before);

        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionUndo));
        ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(name + QStringLiteral(", undone"), check));
        EXPECT_EQ(Contents(State()), Contents(before));

        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionRedo));
        ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(name + QStringLiteral(", redone"), check));
        EXPECT_EQ(Contents(State()), Contents(written));
    }
}

TEST_F(UndoSettlesRowsTest, CutAndPasteOfTasksAndAbsentDaysLeaveWhatTheWholeRecalculationGives)
{
    testsupport::TRepaintCheck check;
    ASSERT_NO_FATAL_FAILURE(ShowGroupedPlan(check));
    TPlannerCore &core = Core();
    for (const TWhichTable table : {tbTable, tbExclude}) {
        for (const int count : {1, 2}) {
            const QString name = QStringLiteral("%1 %2").arg(table == tbTable ? "tasks" : "absent days").arg(count);
            SCOPED_TRACE(name.toStdString());
            core.SetActiveTable(table);
            TBaseTreeGrid *grid = core.GetTable(table);
            grid->ClearSelection();
            TGridNode *node = grid->GetFirst();
            for (int i = 0; node && i < count; ++i, node = grid->GetNext(node))
                grid->SetSelected(node, true);
            Settle();
            const int rows = core.GetTableRowCount(table);
            ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionCut));
            ASSERT_EQ(core.GetTableRowCount(table), rows - count);
            ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(name + QStringLiteral(", cut"), check));
            ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionPaste));
            ASSERT_EQ(core.GetTableRowCount(table), rows);
            ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(name + QStringLiteral(", pasted"), check));
        }
    }
}

// A cut of more tasks than an undo settles row by row, undone from the Edit menu: the rows come
// back with what was read of them when they went, and the plan, the counts and what the chart,
// the overview and the table show are what the whole plan recalculated gives, also after Redo
// and Undo again.
TEST_F(UndoSettlesRowsTest, ALargeCutUndoneLeavesWhatTheWholeRecalculationGives)
{
    testsupport::TRepaintCheck check;
    ASSERT_NO_FATAL_FAILURE(ShowGroupedPlan(check, 150));
    TPlannerCore &core = Core();
    const TPlanState before = State();
    core.SetActiveTable(tbTable);
    TBaseTreeGrid *grid = core.GetTable(tbTable);
    // All but the first ten, shown or hidden by the group tab.
    int index = 0;
    for (TGridNode *node = grid->GetFirst(); node; node = grid->GetNext(node))
        grid->SetSelected(node, index++ >= 10);
    Settle();
    ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionCut));
    ASSERT_EQ(core.GetTableRowCount(tbTable), 10);
    ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(QStringLiteral("cut"), check));
    const TPlanState cut = State();
    // Every row as it was, to the minute: the whole recalculation takes back what the rows
    // carried, so only the plan before the cut tells a wrong reading.
    const auto rows = [](const TPlanState &plan) {
        std::vector<std::pair<QString, TRowState>> list;
        for (const auto &[id, row] : plan.rows)
            list.emplace_back(row.cells.join(QLatin1Char('|')), row);
        std::sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        return list;
    };
    for (int round = 0; round < 2; ++round) {
        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionUndo));
        ASSERT_EQ(core.GetTableRowCount(tbTable), 150);
        ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(QStringLiteral("undone %1").arg(round), check));
        EXPECT_EQ(rows(State()), rows(before));
        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(form->ActionRedo));
        ASSERT_NO_FATAL_FAILURE(ExpectSettledAsWhole(QStringLiteral("redone %1").arg(round), check));
        EXPECT_EQ(Contents(State()), Contents(cut));
    }
}

} // namespace
