// A date typed into the editor while another program is in front, in a desktop session: the
// window is inactive when a colleague's instance deletes the row it was typed for, and the user
// comes back to it by a click on another row, by the keys, or closes a window with Alt+F4. The
// date is written into the task it was typed for or the user is told, never dropped without a
// word; and when the rows of the field in use go, the keys go to the table.

#include "planner/sync/SharedWindowTest.h"
#include "planner/window/WindowTestSupport.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

#include "CanvasPanel.h"
#include "DateFormat.h"
#include "chart/TimeChartView.h"
#include "common/DesktopSession.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "planner/editor/TypedDateOutcome.h"

using namespace typeddate;

namespace {

// Where the editor's own window stands: beside the main window, clear of the table.
const QPoint EditorPlace(1230, 120);

// The user's steps, the same in both fixtures: through the X server, to the window the window
// manager gives the focus.
struct TDesktopUser
{
    TMainForm &form;
    TPlannerCore &core;

    // Shown, and in window mode framed at its place: clicks land where its fields are drawn.
    bool EditorShown() const
    {
        const TEditorForm *window = form.Editor().EditorForm();
        if (!form.Editor().EditorAsForm())
            return form.EditorPanel->isVisible();
        return window && window->isVisible() && window->windowHandle()->isExposed()
               && window->frameGeometry().topLeft() == EditorPlace;
    }
    QLineEdit *Field(TConnection cn) const
    {
        const int column = core.GetConnection(tbTable, cn);
        const QString prefix = core.GetColumnType(tbTable, column) == ctDate ? QStringLiteral("__date")
                                                                                : QStringLiteral("__edit");
        return qobject_cast<QLineEdit *>(form.Editor().Control(prefix, column));
    }
    // A click on a task's row in the table (the window manager brings the window forward).
    bool ClickRow(TNodeData *row) const
    {
        return desktop::Click(form.StringTreeGrid1->viewport(),
                              userinput::CellPoint(form.StringTreeGrid1, row->VNode,
                                                   core.GetConnection(tbTable, cnTextCenterMiddle)))
               && desktop::WaitFor([this] { return EditorShown(); });
    }
    // The row clicked, then a click into its field and `text` typed over what it shows.
    bool TypeInto(TNodeData *row, TConnection cn, const QString &text) const
    {
        if (!ClickRow(row))
            return false;
        QLineEdit *field = Field(cn);
        return field && desktop::Click(field, field->rect().center())
               && desktop::WaitFor([field] { return QApplication::focusWidget() == field; })
               && desktop::Keys({QStringLiteral("ctrl+a")}) && desktop::Type(text)
               && desktop::WaitFor([field, text] { return field->text() == text; });
    }
    // The window manager's Alt+F4 to the active window; the window closes.
    static bool AltF4(QWidget *window)
    {
        return desktop::Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")})
               && desktop::WaitFor([window] { return !window->isVisible(); });
    }
};

// The editor's own window, at a place clear of the main window's table.
void EditorAsWindow(TMainForm &form, QMenuBar *bar)
{
    form.Editor().SetEditorPos(EditorPlace);
    userinput::ClickMenuItem(form, bar->findChild<QMenu *>(QStringLiteral("View1")), form.EditorAsForm);
}

class DesktopSessionTypedDateTest : public windowtest::MainWindowTest
{
protected:
    DesktopSessionTypedDateTest() : MainWindowTest(mrNo) {}
    void SetUp() override
    {
        if (!desktop::Active())
            GTEST_SKIP() << "needs a desktop session";
        MainWindowTest::SetUp();
        // Where the window manager keeps it, clear of the other program and the editor window.
        form->move(0, 160);
        ASSERT_TRUE(desktop::Activate(form.get()));
    }
};

class DesktopSessionColleagueTest : public SharedWindowTest
{
protected:
    void SetUp() override
    {
        if (!desktop::Active())
            GTEST_SKIP() << "needs a desktop session";
        SharedWindowTest::SetUp();
    }
};

struct TReturn
{
    const char *name;
    bool docked;
    const char *date;
    const char *noDate;
    // Back from the other program; false when a step failed.
    std::function<bool(TDesktopUser &, TNodeData *other)> back;
};

} // namespace

TEST_F(DesktopSessionTypedDateTest, EveryRoadBackFromAnotherProgramWritesTheTypedDateOrSaysSo)
{
    const std::vector<TReturn> roads = {
        {"a click on another task", true, Written, Told, [](TDesktopUser &user, TNodeData *other) {
             return user.ClickRow(other);
         }},
        {"Alt+F4 on the main window", true, Written, Told, [](TDesktopUser &user, TNodeData *) {
             return desktop::Activate(&user.form) && TDesktopUser::AltF4(&user.form);
         }},
        {"Alt+F4 on the editor window", false, Written, Told, [](TDesktopUser &user, TNodeData *) {
             QWidget *editor = user.form.Editor().EditorForm();
             return desktop::Activate(editor) && TDesktopUser::AltF4(editor);
         }},
        {"Down in the table", false, Written, Told, [](TDesktopUser &user, TNodeData *) {
             const TNodeData *typedFor = user.form.Editor().SelectedRows().front();
             return desktop::Activate(&user.form) && QApplication::focusWidget() == user.form.StringTreeGrid1
                    && desktop::Keys({QStringLiteral("Down")})
                    && desktop::WaitFor([&] { return user.form.Editor().SelectedRows().front() != typedFor; });
         }},
    };
    const int start = core->GetConnection(tbTable, cnStart);
    const QString caption = core->GetColumnCaption(tbTable, start);
    for (const TReturn &road : roads)
        for (const bool window : {false, true})
            for (const QString &typed : {DateText, NoDateText}) {
                if (!window && !road.docked)
                    continue;
                SCOPED_TRACE(std::string(road.name) + (window ? ", editor window, " : ", docked, ") + typed.toStdString());
                TearDown();
                SetUp();
                if (window)
                    EditorAsWindow(*form, form->menuBar());
                TDesktopUser user{*form, *core};
                const QString day = DateToStr(Date() + 3);
                TNodeData *typedFor = AddTask(QStringLiteral("Position 1"), day, QStringLiteral("2"));
                TNodeData *other = AddTask(QStringLiteral("Position 2"), day, QStringLiteral("3"));
                const QString id = typedFor->ID.Value();
                const TWrites writes(*core);
                ASSERT_TRUE(user.TypeInto(typedFor, cnStart, typed));
                desktop::TOtherProgram program;
                ASSERT_TRUE(program.Start());
                ASSERT_TRUE(program.Activate());
                EXPECT_TRUE(writes.written.isEmpty());

                ASSERT_TRUE(road.back(user, other));
                const QString expected = QLatin1String(typed == DateText ? road.date : road.noDate);
                if (expected == QLatin1String(Told))
                    desktop::WaitFor([this] { return !form->questions.isEmpty(); }, 5000);
                EXPECT_EQ(Outcome(writes, form->questions, id, start, caption, typed, user.Field(cnStart)).toStdString(),
                          expected.toStdString());
            }
}

// Chart menu commands take the rows of the field the user typed in; the keys that follow go to
// the table, so that Down selects the next task.
TEST_F(DesktopSessionTypedDateTest, WhenTheRowsOfTheFieldInUseGoTheKeysBelongToTheTable)
{
    const struct
    {
        const char *name;
        QAction *TMainForm::*item;
    } roads[] = {{"Cut", &TMainForm::ActionCut}, {"Delete Entry", &TMainForm::ActionDeleteNode}};
    for (const auto &road : roads)
        for (const bool window : {false, true}) {
            SCOPED_TRACE(std::string(road.name) + (window ? ", editor window" : ", docked"));
            TearDown();
            SetUp();
            if (window)
                EditorAsWindow(*form, form->menuBar());
            // Delete Entry asks first.
            form->answers = {mrOk};
            TDesktopUser user{*form, *core};
            const QString day = DateToStr(Date() + 3);
            std::vector<TNodeData *> rows;
            for (int i = 0; i < 3; ++i)
                rows.push_back(AddTask(QStringLiteral("Position %1").arg(i + 1), day, QStringLiteral("2")));
            const QString kept = rows[2]->ID.Value();
            ASSERT_TRUE(user.TypeInto(rows[1], cnTextCenterMiddle, QStringLiteral("half")));

            TCanvasPanel *chart = form->TimeChartView->TimeChart;
            const QPoint bar = form->TimeChartView->Geometry().ScreenItemRect(*rows[1]).center();
            const QPoint global = chart->mapToGlobal(bar);
            ASSERT_TRUE(desktop::Run(QStringLiteral("xdotool"),
                                     {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                                      QString::number(global.y()), QStringLiteral("click"), QStringLiteral("3")}));
            ASSERT_TRUE(desktop::WaitFor([this] { return form->TimeChartPopupMenu->isVisible(); }));
            QMenu *menu = form->TimeChartPopupMenu;
            ASSERT_TRUE(desktop::Click(menu, menu->actionGeometry((*form).*road.item).center()));
            ASSERT_TRUE(desktop::WaitFor([this] { return core->TotalCount(tbTable) == 2; }));
            ASSERT_TRUE(desktop::WaitFor([&user] { return !user.EditorShown(); }));

            EXPECT_EQ(QApplication::focusWidget(), form->StringTreeGrid1);
            ASSERT_TRUE(desktop::Keys({QStringLiteral("Down")}));
            EXPECT_TRUE(desktop::WaitFor([this] { return form->StringTreeGrid1->SelectedCount() == 1; }));
            EXPECT_EQ(core->GetData_(core->FindNode(kept), cnTextCenterMiddle), QString());
        }
}

// A colleague's instance deletes the task a date was typed for while another program is in
// front: the user is told, and back in the window the keys are the table's.
TEST_F(DesktopSessionColleagueTest, ATaskDeletedByAColleagueWhileAnotherProgramIsInFrontNamesTheTypedDate)
{
    const struct
    {
        const char *name;
        bool save;
    } roads[] = {{"deleted", false}, {"deleted and saved", true}};
    int run = 0;
    for (const auto &road : roads)
        for (const bool window : {false, true})
            for (const QString &typed : {DateText, NoDateText}) {
                SCOPED_TRACE(std::string(road.name) + (window ? ", editor window, " : ", docked, ") + typed.toStdString());
                TearDown();
                drivers.clear();
                ids.clear();
                SetUp();
                document = dir.filePath(QStringLiteral("plan%1.zop").arg(++run));
                ASSERT_NO_FATAL_FAILURE(Share(2));
                ASSERT_TRUE(desktop::Activate(form.get()));
                form->move(0, 160);
                if (window)
                    EditorAsWindow(*form, form->menuBar());
                TDesktopUser user{*form, *core};
                const TWrites writes(*core);
                const QString gone = ids[0];
                ASSERT_TRUE(user.TypeInto(core->FindNode(gone), cnStart, typed));
                desktop::TOtherProgram program;
                ASSERT_TRUE(program.Start());
                ASSERT_TRUE(program.Activate());

                ASSERT_EQ(a->Command({"delete", gone}), "");
                if (road.save) {
                    ASSERT_NO_FATAL_FAILURE(SaveInA());
                }
                ASSERT_TRUE(Idle([&] { return core->FindNode(gone) == nullptr; }, 10000));
                ASSERT_TRUE(Settled());
                Idle([this] { return !form->questions.isEmpty(); }, 3000);
                EXPECT_EQ(Outcome(writes, form->questions, gone, Column("Start"), QStringLiteral("Start"), typed,
                                  user.Field(cnStart))
                              .toStdString(),
                          Told);

                ASSERT_TRUE(desktop::Activate(form.get()));
                EXPECT_EQ(QApplication::focusWidget(), form->StringTreeGrid1);
            }
}
