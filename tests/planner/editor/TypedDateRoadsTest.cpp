// Every road by which a date typed into the editor can leave its field, in the main window as a
// user works it, the editor docked and in its own window: the date is written into the task it
// was typed for, or the user is told, or it stays in the field; never is it dropped without a
// word. A text that is no date stays marked with a note until it is mended.

#include "planner/window/WindowTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include "CanvasPanel.h"
#include "DateFormat.h"
#include "chart/TimeChartView.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "window/RecentFiles.h"
#include "planner/editor/TypedDateOutcome.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"

using namespace userinput;

namespace {

class TypedDateRoadsTest : public windowtest::MainWindowTest
{
protected:
    TypedDateRoadsTest() : MainWindowTest(mrOk) {}

    int Start() const { return core->GetConnection(tbTable, cnStart); }
    QLineEdit *StartField() const
    {
        return qobject_cast<QLineEdit *>(form->Editor().Control(QStringLiteral("__date"), Start()));
    }
    QWidget *EditorWindow() const
    {
        return form->Editor().EditorAsForm() ? static_cast<QWidget *>(form->Editor().EditorForm()) : form.get();
    }
    bool EditorShown() const
    {
        const TEditorForm *window = form->Editor().EditorForm();
        return form->Editor().EditorAsForm() ? window && window->isVisible() : form->EditorPanel->isVisible();
    }
    bool Answered()
    {
        return WaitUntil([this] {
            return !form->Tables().Selection().Pending() && !form->Editor().ChangeEditorVisibleTimer().isActive();
        });
    }
    // The user clicks a task's row in the table (turning to the main window first, as the window
    // manager activates a window clicked); the editor shows it.
    void ClickRow(TNodeData *row)
    {
        Activate(form.get());
        ClickCell(form->StringTreeGrid1, row->VNode, core->GetConnection(tbTable, cnTextCenterMiddle));
        ASSERT_TRUE(Answered());
        ASSERT_TRUE(WaitUntil([this] { return EditorShown(); }));
    }
    // The user clicks into the start field and types `text` over what it shows.
    void TypeIntoStart(const QString &text)
    {
        Activate(EditorWindow());
        QLineEdit *field = StartField();
        ASSERT_NE(field, nullptr);
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        ASSERT_EQ(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // A right click on the task's bar, then an item of the chart's menu.
    void ChartMenu(TNodeData *row, QAction *item)
    {
        Activate(form.get());
        TCanvasPanel *chart = form->TimeChartView->TimeChart;
        const QPoint at = form->TimeChartView->Geometry().ScreenItemRect(*row).center();
        QTest::mouseMove(chart, at);
        QTest::mousePress(chart, Qt::RightButton, {}, at);
        QTest::mouseRelease(chart, Qt::RightButton, {}, at);
        ASSERT_TRUE(WaitUntil([this] { return form->TimeChartPopupMenu->isVisible(); }));
        ClickOpenMenuItem(form->TimeChartPopupMenu, item);
    }
    QMenu *Menu(const char *name) const { return form->menuBar()->findChild<QMenu *>(QString::fromLatin1(name)); }

    QString otherDocument;
};

struct TRoad
{
    const char *name;
    bool window;            // also with the editor in its own window
    const char *date;       // the outcome for a date
    const char *noDate;     // for a text that is no date
    std::function<void(TNodeData *typedFor, TNodeData *other)> go;
};

} // namespace

TEST_F(TypedDateRoadsTest, EveryRoadThatTakesATypedDateFromItsFieldWritesItOrSaysSo)
{
    using namespace typeddate;
    const std::vector<TRoad> roads = {
        {"Tab", true, Written, Kept, [](TNodeData *, TNodeData *) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
         }},
        {"Return", true, Written, Kept, [](TNodeData *, TNodeData *) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
         }},
        {"Save with its keys", true, Written, Kept, [](TNodeData *, TNodeData *) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
         }},
        {"another task clicked in the table", true, Written, Told, [this](TNodeData *, TNodeData *other) {
             ClickRow(other);
         }},
        {"Cut in the chart's menu", true, Written, Told, [this](TNodeData *typedFor, TNodeData *) {
             ChartMenu(typedFor, form->ActionCut);
         }},
        {"Delete Entry in the chart's menu", false, Written, Told, [this](TNodeData *typedFor, TNodeData *) {
             ChartMenu(typedFor, form->ActionDeleteNode);
         }},
        {"the absent days' tab", true, Written, Told, [this](TNodeData *, TNodeData *) {
             QTabBar *tabs = form->PageControl1->tabBar();
             QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
         }},
        {"Editor as Window", true, Written, Told, [this](TNodeData *, TNodeData *) {
             ClickMenuItem(*form, Menu("View1"), form->EditorAsForm);
         }},
        {"Undo from the menu until the task is gone", false, Told, Told, [this](TNodeData *typedFor, TNodeData *) {
             const QString id = typedFor->ID.Value();
             QMenu *edit = Menu("Edit1");
             for (int step = 0; step < 8 && core->FindNode(id); ++step)
                 ClickMenuItem(*form, edit, form->ActionUndo);
         }},
        {"another document from the recent files", true, Written, Told, [this](TNodeData *, TNodeData *) {
             // Whether to save this one first: no.
             form->answers = {mrNo};
             form->RecentFiles().AddToLastFiles(otherDocument);
             ClickMenuItem(*form, form->Datei1, form->RecentFiles().Action(1), form->LastFiles1);
         }},
        {"File > New", true, Written, Told, [this](TNodeData *, TNodeData *) {
             // Whether to save this one first (when something is not in its journal): no.
             form->answers = {mrNo};
             ClickMenuItem(*form, form->Datei1, form->ActionNew);
         }},
        {"File > Exit", true, Written, Told, [this](TNodeData *, TNodeData *) {
             ClickMenuItem(*form, form->Datei1, form->ActionClose);
         }},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString document = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    ASSERT_FALSE(document.isEmpty());
    otherDocument = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("other.zop")));
    ASSERT_FALSE(otherDocument.isEmpty());
    const QString start = core->GetColumnCaption(tbTable, Start());
    int cases = 0;
    for (const TRoad &road : roads)
        for (const bool window : {false, true})
            for (const QString &typed : {DateText, NoDateText}) {
                if (window && !road.window)
                    continue;
                SCOPED_TRACE(std::string(road.name) + (window ? ", editor window, " : ", docked, ") + typed.toStdString());
                ++cases;
                // A fresh window for each: some roads close it or start a new document.
                TearDown();
                SetUp();
                form->Open(document);
                if (window)
                    ClickMenuItem(*form, Menu("View1"), form->EditorAsForm);
                const QString day = DateToStr(Date() + 3);
                // The task typed for is the newest: the undo road takes it back.
                TNodeData *other = AddTask(QStringLiteral("Position 2"), day, QStringLiteral("3"));
                TNodeData *typedFor = AddTask(QStringLiteral("Position 1"), day, QStringLiteral("2"));
                const QString id = typedFor->ID.Value();
                ASSERT_NO_FATAL_FAILURE(ClickRow(typedFor));
                const TWrites writes(*core);
                ASSERT_NO_FATAL_FAILURE(TypeIntoStart(typed));
                form->questions.clear();

                road.go(typedFor, other);
                ASSERT_TRUE(Answered());
                const QString expected = QLatin1String(typed == DateText ? road.date : road.noDate);
                // A word to the user comes once the event that dropped the text is done.
                if (expected == QLatin1String(Told))
                    WaitUntil([this] { return !form->questions.isEmpty(); });
                EXPECT_EQ(Outcome(writes, form->questions, id, Start(), start, typed, StartField()).toStdString(),
                          expected.toStdString());
                // A text that is no date left in the field has its mark, and its note while the
                // field has the keys.
                if (expected == QLatin1String(Kept) && typed == NoDateText) {
                    QLineEdit *field = StartField();
                    const QLabel *note = field->findChild<QLabel *>(QStringLiteral("DateRefusal"));
                    EXPECT_EQ(note && note->isVisible(), QApplication::focusWidget() == field);
                    EXPECT_NE(field->palette().color(QPalette::Base), QColor(Qt::white));
                }
            }
    EXPECT_EQ(cases, 44);
}
