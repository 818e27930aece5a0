// A user action that changes many rows refreshes the editor and the status bar as often as one
// that changes two, whatever road it takes: the menu's solve commands, Delete, Cut, Paste,
// Undo, a colour swatch, a key typed into the editor, a drag of the selected bars.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QMenu>
#include <QMenuBar>

#include <functional>

#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"
#include "editor/PropertyEditor.h"
#include "planner/UserInput.h"
#include "treegrid/StringTreeGrid.h"

namespace {

// The main window counting the refreshes of its editor and of its status bar's counts; every
// question is answered as a user who wants the command done.
class TCountingMainForm : public TMainForm
{
public:
    void UpdateEditor() override
    {
        ++editor;
        TMainForm::UpdateEditor();
    }
    void SetStatusText(int panel, const QString &text) override
    {
        if (panel == 0)
            ++statusBar;
        TMainForm::SetStatusText(panel, text);
    }
    int Ask(const QString &, TMsgDlgType, TMsgDlgButtons buttons) override
    {
        return buttons.contains(mbYesToAll) ? mrYesToAll : buttons.contains(mbYes) ? mrYes : mrOk;
    }
    int editor = 0;
    int statusBar = 0;
};

class ActionRefreshTest : public ChartMouseTest
{
protected:
    // A new window for each run: the plan of the run before does not come along.
    void NewWindow()
    {
        form.reset();
        form = std::make_unique<TCountingMainForm>();
        form->resize(1000, 700);
        view = form->TimeChartView;
        mouse = form->TimeChartMouse;
    }
    TCountingMainForm &Form() { return static_cast<TCountingMainForm &>(*form); }

    // One user action on `rows` selected tasks, all on the first resource at the same time.
    struct TRoad
    {
        const char *name;
        std::function<void()> before; // not counted
        std::function<void()> act;
        std::function<bool()> done;
    };
    struct TCounts
    {
        int editor = 0;
        int statusBar = 0;
    };

    // A new window opening a document of its own: `rows` tasks on the first resource at the
    // same time and one on the third, the first `rows` selected by clicks in the table, the
    // editor shown.
    void OpenSelected(int rows)
    {
        NewWindow();
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
        positions.clear();
        for (int r = 0; r < 3; ++r)
            positions.append(CommaTextOf({RowName(r), WeekInfo2String(EveryDayWeek())}));
        for (int i = 0; i <= rows; ++i) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, RowName(i < rows ? 0 : 2));
            core.SetData_(node, cnStart, DateToStr(Base() + (i < rows ? 0 : 20)));
            core.SetData_(node, cnLength, QStringLiteral("2"));
        }
        core.EndUpdate();
        FRunFolder = std::make_unique<QTemporaryDir>();
        const QString file = FRunFolder->filePath(QStringLiteral("plan.zop"));
        ASSERT_TRUE(form->File().SaveTo(file));
        form->ActionNewExecute();
        form->Open(file);
        form->show();
        Settle();
        view->SetTimeChartColWidth(20);
        view->SetTimeChartDestination(Base() - 2, 0, true);
        Settle();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        TBaseTreeGrid *grid = form->StringTreeGrid1;
        const std::vector<TNodeData *> all = Tasks();
        userinput::ClickCell(grid, all.front()->VNode, 1);
        userinput::ClickCell(grid, all[std::size_t(rows - 1)]->VNode, 1, Qt::ShiftModifier);
        ASSERT_EQ(Core().SelectedCount(tbTable), rows);
        ASSERT_TRUE(userinput::WaitUntil([this] { return form->EditorPanel->isVisible(); }));
        // The overlap check has run, as it does once the user rests.
        ASSERT_TRUE(userinput::IdleUntil([this] { return form->ActionSolveOverlapping->isEnabled(); }));
        Settle();
    }
    TCounts Run(const TRoad &road, int rows)
    {
        [&] { ASSERT_NO_FATAL_FAILURE(OpenSelected(rows)); }();
        if (road.before)
            road.before();
        Settle();
        Form().editor = 0;
        Form().statusBar = 0;
        road.act();
        Settle();
        Core().IdleTimerTimer();
        Settle();
        EXPECT_TRUE(road.done()) << road.name << " with " << rows << " rows did not do its work";
        return {Form().editor, Form().statusBar};
    }
    QMenu *Menu(const char *name) { return form->menuBar()->findChild<QMenu *>(QString::fromLatin1(name)); }
    void KeyToTable(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        form->StringTreeGrid1->setFocus();
        QTest::keyClick(form->StringTreeGrid1, Qt::Key(key), modifiers);
    }
    int Count() { return Core().GetTableRowCount(tbTable); }
    std::unique_ptr<QTemporaryDir> FRunFolder;
    // The tasks on the first resource overlap no more.
    bool NoOverlap() { return !form->ActionSolveOverlapping->isEnabled() || Core().AnyOverlapping() == false; }
};

TEST_F(ActionRefreshTest, AnActionOnManyRowsRefreshesTheViewsAsOftenAsOnTwo)
{
    int rows = 0;
    int before = 0;
    const std::vector<TRoad> roads = {
        {"Solve Interleaving", {},
         [&] { userinput::ClickMenuItem(*form, Menu("Extras1"), form->ActionSolveOverlapping); },
         [&] { return NoOverlap(); }},
        {"Solve Interleaving in each resource", {},
         [&] { userinput::ClickMenuItem(*form, Menu("Extras1"), form->ActionSolveOverlappingSingle); },
         [&] { return NoOverlap(); }},
        {"Delete", {}, [&] { KeyToTable(Qt::Key_Delete); }, [&] { return Count() == 1; }},
        {"Cut", {}, [&] { KeyToTable(Qt::Key_X, Qt::ControlModifier); }, [&] { return Count() == 1; }},
        {"Paste", [&] { KeyToTable(Qt::Key_C, Qt::ControlModifier); },
         [&] { KeyToTable(Qt::Key_V, Qt::ControlModifier); }, [&] { return Count() == 2 * rows + 1; }},
        {"Undo of a delete", [&] { KeyToTable(Qt::Key_Delete); },
         [&] { KeyToTable(Qt::Key_Z, Qt::ControlModifier); }, [&] { return Count() == rows + 1; }},
        {"Colour swatch",
         {},
         [&] {
             TColorPanel *panel = form->ChartCommands->ItemColorPanel;
             QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(panel->CellWidth() + 1, panel->height() / 2));
         },
         [&] {
             int coloured = 0;
             for (TNodeData *node : Tasks())
                 coloured += node->nodeColor == 1 ? 1 : 0;
             return coloured == rows;
         }},
        {"Key in the editor",
         [&] {
             const int column = Core().GetConnection(tbTable, cnTextCenterMiddle);
             QWidget *field = form->Editor().Control(QStringLiteral("__edit"), column);
             QTest::mouseClick(field, Qt::LeftButton);
         },
         [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_X); },
         [&] {
             int written = 0;
             for (TNodeData *node : Tasks())
                 written += Core().GetData_(node, cnTextCenterMiddle) == QStringLiteral("x") ? 1 : 0;
             return written == rows;
         }},
        {"Drag of the selected bars", [&] { before = int(Tasks().front()->nodeStart); },
         [&] {
             const QPoint from = At(Base(), 0);
             Hover(from);
             Press(from);
             Drag(from + QPoint(2 * view->Geometry().GetTimeChartColWidth(), 0));
             Release(from + QPoint(2 * view->Geometry().GetTimeChartColWidth(), 0));
         },
         [&] {
             for (TNodeData *node : Tasks())
                 if (Core().GetPositionOf(node) == 0 && int(node->nodeStart) != before + 2)
                     return false;
             return true;
         }},
    };
    for (const TRoad &road : roads) {
        rows = 2;
        const TCounts few = Run(road, rows);
        rows = 24;
        const TCounts many = Run(road, rows);
        EXPECT_EQ(many.editor, few.editor) << road.name;
        EXPECT_EQ(many.statusBar, few.statusBar) << road.name;
        EXPECT_LE(many.editor, 2) << road.name;
        EXPECT_LE(many.statusBar, 2) << road.name;
    }
}

} // namespace
