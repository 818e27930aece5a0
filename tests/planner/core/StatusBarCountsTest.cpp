// The status bar's three counts follow every way rows come, go and move between positions:
// Edit > New Entry on any group tab, rows added one by one, position cells written, deletions,
// undo and redo, brackets, and rows arriving from another instance.

#include "planner/CoreTestSupport.h"
#include "planner/window/WindowTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
#include <QLabel>
#include <QTest>
#include <QTabBar>
#include <QTabWidget>

#include <cstdlib>

#include "CommaText.h"
#include "XmlTree.h"
#include "chart/ChartCommands.h"
#include "editor/PropertyEditor.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// The rows whose position cell names "*" or a position the current group shows, read from
// the cells themselves.
int RowsShownInGroup(TPlannerCore &core, TWhichTable table)
{
    const int column = core.GetConnection(table, cnPosition);
    const QStringList &entries = core.FGlobalPositionFilter.isEmpty()
                                     ? core.GetColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition))
                                     : core.FGlobalPositionFilter;
    const QStringList shown = FirstItems(entries);
    int count = 0;
    core.ForEach(table, feAll, [&](TNodeData *node) {
        const QString position = core.GetData(node, column);
        count += position == QStringLiteral("*") || (!position.isEmpty() && shown.contains(position)) ? 1 : 0;
    });
    return count;
}

// A group tab "Two" of the second and third position.
void AddGroupTwo(TPlannerCore &core)
{
    const QStringList &entries = core.GetColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
    core.AddPositionGroup(QStringLiteral("Two"), CommaTextOf({entries[1], entries[2]}));
}

// One event of another instance's journal, applied as the idle step applies it.
void ApplyForeign(TDocumentSync &sync, int index, const QString &event)
{
    TXMLTree tree;
    tree.setText(QStringLiteral("<document><setup /><data /><diff index=\"%1\">%2</diff></document>")
                     .arg(index)
                     .arg(event));
    int last = index - 1;
    sync.LoadDiffElement(*tree.namedNode(QStringList{"document", "diff"}), last);
}

QString Foreign(const QString &kind, int number, int index, const QString &body)
{
    return QStringLiteral("<%1 id=\"h.ann.%2\" index=\"%3\"><__change__>%3</__change__><__user__>h.ann</__user__>%4</%1>")
        .arg(kind)
        .arg(number)
        .arg(index)
        .arg(body);
}

// The real main window as the user works it, and what its status panels show.
class StatusBarCountsTest : public windowtest::MainWindowTest
{
protected:
    QString Panel(int i) const
    {
        const QLabel *label = form->findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(i));
        return label ? label->text() : QString();
    }
};

} // namespace

TEST_F(StatusBarCountsTest, NewEntryOnEachGroupTabAndPage)
{
    auto newEntries = [this] {
        for (int i = 0; i < 5; ++i)
            form->ActionAddNode->trigger();
        QApplication::processEvents();
    };
    AddGroupTwo(*core);
    QApplication::processEvents();

    newEntries();
    EXPECT_EQ(Panel(0), QStringLiteral("Table total: 5"));
    EXPECT_EQ(Panel(1), QStringLiteral("in all: 5"));
    EXPECT_EQ(Panel(2), QStringLiteral("filtered: 5"));

    // On the group tab new rows go to its first position; the earlier ones stay outside it.
    form->TabControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(Panel(1), QStringLiteral("in Two: 0"));
    newEntries();
    EXPECT_EQ(Panel(0), QStringLiteral("Table total: 10"));
    EXPECT_EQ(Panel(1), QStringLiteral("in Two: 5"));

    form->PageControl1->setCurrentIndex(1);
    newEntries();
    EXPECT_EQ(Panel(0), QStringLiteral("Table total: 5"));
    EXPECT_EQ(Panel(1), QStringLiteral("in Two: 5"));
    EXPECT_EQ(core->GroupCount(tbExclude), RowsShownInGroup(*core, tbExclude));

    // A row moved into the group, as the editor writes it, counts at once.
    form->PageControl1->setCurrentIndex(0);
    TNodeData *first = TPlannerCore::NodeData(core->GetTable(tbTable), core->GetTable(tbTable)->GetFirst());
    ASSERT_NE(first, nullptr);
    core->SetData_(first, cnPosition, QStringLiteral("Position 3"));
    QApplication::processEvents();
    EXPECT_EQ(Panel(1), QStringLiteral("in Two: 6"));
    form->TabControl1->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(Panel(1), QStringLiteral("in all: 10"));
}

TEST_F(CoreTest, StatusBarFollowsRowsAddedOneByOneDeletedUndoneAndForeign)
{
    auto expectStatus = [&](int total, int group, const char *when) {
        QApplication::processEvents();
        EXPECT_EQ(window.status[0], QStringLiteral("Table total: %1").arg(total)) << when;
        EXPECT_EQ(window.status[1], QStringLiteral("in %1: %2").arg(core->GroupTabCaption()).arg(group)) << when;
        EXPECT_EQ(core->GroupCount(tbTable), RowsShownInGroup(*core, tbTable)) << when;
    };
    // Added without a position, outside any bracket: counted in the table, not in the group.
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back(core->AddNode(core->GetFreeID(), tbTable, true));
    expectStatus(5, 0, "added without positions");
    const QStringList positions = {"Position 1", "Position 2", "Position 3", "*", "Nowhere"};
    for (int i = 0; i < 5; ++i) {
        core->SetData_(rows[std::size_t(i)], cnPosition, positions[i]);
        expectStatus(5, std::min(i + 1, 4), "positions written one by one");
    }
    core->SetData_(rows[4], cnPosition, QStringLiteral("Position 2"));
    core->SetData_(rows[0], cnPosition, QString());
    expectStatus(5, 4, "a position emptied");

    core->DeleteNode(rows[1], true);
    expectStatus(4, 3, "deleted");
    core->Undo();
    expectStatus(5, 4, "deletion undone");
    core->Undo();
    expectStatus(5, 5, "emptying undone");
    core->Redo();
    expectStatus(5, 4, "emptying redone");

    AddGroupTwo(*core);
    core->SelectGroupTab(1);
    expectStatus(5, 4, "group Two: Position 2 twice, Position 3 and \"*\"");

    ApplyForeign(*sync, 1, Foreign("new", 1, 1, "<__table__>tbTable</__table__><Position>Position 3</Position>"));
    expectStatus(6, 5, "a foreign row");
    ApplyForeign(*sync, 2, Foreign("change", 1, 2, "<Position>Position 1</Position>"));
    expectStatus(6, 4, "a foreign row moved out of the group");
    ApplyForeign(*sync, 3, Foreign("delete", 1, 3, QString()));
    expectStatus(5, 4, "a foreign row deleted");

    core->BeginUpdate("paste");
    for (int i = 0; i < 3; ++i)
        AddTask("Position 2", "04.03.2024", "1");
    core->EndUpdate();
    expectStatus(8, 7, "pasted in a bracket");
}

// Any mix of the ways rows change keeps the kept counts equal to a count over the cells, and
// the status bar showing them.
TEST_F(CoreTest, StatusCountsStayThoseOfTheCellsThroughAnyMix)
{
    AddGroupTwo(*core);
    std::srand(7);
    const QStringList names = {"Position 1", "Position 2", "Position 3", "*", "Nowhere", ""};
    int bracket = 0;
    int index = 0;
    int foreign = 0;
    for (int step = 0; step < 1200; ++step) {
        const int op = std::rand() % 13;
        const TWhichTable table = TWhichTable(std::rand() % 2);
        std::vector<TNodeData *> rows;
        core->ForEach(table, feAll, [&](TNodeData *node) { rows.push_back(node); });
        TNodeData *some = rows.empty() ? nullptr : rows[std::size_t(std::rand()) % rows.size()];
        const QString name = names[std::rand() % names.size()];
        switch (op) {
        case 0: core->AddNode(core->GetFreeID(), table, true); break;
        case 1: core->SetActiveTable(table); core->ActionAddNodeExecute(); break;
        case 2: if (some) core->SetData_(some, cnPosition, name); break;
        case 3: if (some) core->SetPositionOf(some, std::rand() % 4); break;
        case 4: if (some) core->DeleteNode(some, true); break;
        case 5: core->Undo(); break;
        case 6: core->Redo(); break;
        case 7: if (!bracket) core->SelectGroupTab(std::rand() % 2); break;
        case 8: if (bracket < 2) { core->BeginUpdate("x"); ++bracket; } break;
        case 9: if (bracket) { core->EndUpdate(); --bracket; } break;
        case 10: if (some) core->SetData_(some, cnStart, "04.03.2024"); break;
        default: {
            const int kind = std::rand() % 3;
            ++index;
            if (kind == 0 || foreign == 0)
                ApplyForeign(*sync, index, Foreign("new", ++foreign, index,
                                                   QStringLiteral("<__table__>%1</__table__><Position>%2</Position>")
                                                       .arg(table == tbTable ? "tbTable" : "tbExclude", name)));
            else if (kind == 1)
                ApplyForeign(*sync, index, Foreign("change", 1 + std::rand() % foreign, index,
                                                   QStringLiteral("<Position>%1</Position>").arg(name)));
            else
                ApplyForeign(*sync, index, Foreign("delete", 1 + std::rand() % foreign, index, QString()));
        }
        }
        if (bracket)
            continue;
        QApplication::processEvents();
        const TWhichTable active = core->GetActiveTable();
        ASSERT_EQ(window.status[0], QStringLiteral("Table total: %1").arg(core->TotalCount(active))) << step;
        ASSERT_EQ(window.status[1], QStringLiteral("in %1: %2").arg(core->GroupTabCaption()).arg(core->GroupCount(active)))
            << step;
        ASSERT_EQ(window.status[2], QStringLiteral("filtered: %1").arg(core->FilteredCount(active))) << step;
        for (TWhichTable t : {tbTable, tbExclude})
            ASSERT_EQ(core->GroupCount(t), RowsShownInGroup(*core, t)) << step << " table " << t;
    }
}

// With empty resources hidden, a task moved in the editor onto a hidden resource shows that
// resource again and hides the one it left: "in all" still counts every task, at once, not
// only after the next undo.
TEST_F(StatusBarCountsTest, AMoveOntoAHiddenResourceKeepsTheGroupCount)
{
    // Idle moments as between a user's steps: the empty resources are worked out anew.
    const auto idle = [] {
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
    };
    AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("09.03.2024"), QStringLiteral("2"));
    TNodeData *moved = AddTask(QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QStringLiteral("3"));
    form->ChartCommands->leereArbeitspltzeausblenden1->trigger();
    idle();
    ASSERT_EQ(core->FGlobalPositionFilter.size(), 2) << "Position 3 has no tasks and is hidden";
    EXPECT_EQ(Panel(1), QStringLiteral("in all: 3"));

    // The third row selected in the table, its resource chosen in the editor by keys.
    TBaseTreeGrid *grid = core->GetTable(tbTable);
    const int h = int(grid->DefaultNodeHeight());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 2 * h + h / 2));
    idle();
    ASSERT_TRUE(grid->Selected(moved->VNode));
    auto *position = qobject_cast<QComboBox *>(
        form->Editor().Control(QStringLiteral("__edit"), core->GetConnection(tbTable, cnPosition)));
    ASSERT_NE(position, nullptr);
    ASSERT_EQ(position->currentText(), QStringLiteral("Position 2"));
    position->setFocus();
    QTest::keyClick(position, Qt::Key_Down);
    ASSERT_EQ(core->GetData_(moved, cnPosition), QStringLiteral("Position 3"));
    idle();
    EXPECT_EQ(FirstItems(core->FGlobalPositionFilter),
              (QStringList{QStringLiteral("Position 1"), QStringLiteral("Position 3")}));
    EXPECT_EQ(Panel(0), QStringLiteral("Table total: 3"));
    EXPECT_EQ(Panel(1), QStringLiteral("in all: 3"));

    // Undone: back on Position 2, which shows again, and the count stays.
    core->Undo();
    idle();
    EXPECT_EQ(FirstItems(core->FGlobalPositionFilter),
              (QStringList{QStringLiteral("Position 1"), QStringLiteral("Position 2")}));
    EXPECT_EQ(Panel(1), QStringLiteral("in all: 3"));
}
