// The editor's pop-ups and lists as a user works them with keys and mouse: the date pop-up
// that gives the keyboard back, the pull-downs that are typed into, the colour list after a
// palette change, and the editor's own window shown again where it was left.

#include "planner/window/WindowTestSupport.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTableView>
#include <QWindow>

#include "CompletingComboBox.h"
#include "PopupColorPicker.h"
#include "PopupDateTime.h"
#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"
#include "common/RepaintCheck.h"
#include "editor/EditorCalendarButton.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"

using namespace userinput;

namespace {

class EditorPopupInputTest : public windowtest::MainWindowTest
{
protected:
    QWidget *Field(const QString &prefix, TConnection cn) const
    {
        return form->Editor().Control(prefix, core->GetConnection(tbTable, cn));
    }
    // A click into the table selects the row; the editor shows it, docked or in its window.
    void SelectByClick(TNodeData *row, Qt::KeyboardModifiers modifiers = {})
    {
        ClickCell(form->StringTreeGrid1, row->VNode, core->GetConnection(tbTable, cnTextCenterMiddle), modifiers);
        ASSERT_TRUE(WaitUntil([this] { return EditorShown(); }));
    }
    // Shown as the user sees it: its window laid out, so that its fields lie where they show.
    bool EditorShown() const
    {
        TEditorForm *window = form->Editor().EditorForm();
        const bool shown = form->Editor().EditorAsForm() ? window && window->isVisible() : form->EditorPanel->isVisible();
        QWidget *field = Field(QStringLiteral("__date"), cnStart);
        return shown && field && field->isVisible() && !field->size().isEmpty()
               && field->window()->rect().contains(QRect(field->mapTo(field->window(), QPoint(0, 0)), field->size()));
    }
    static void Type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
};

// Runs `shown` each time the widget shows, before anything else sees it shown.
class TShowWatch : public QObject
{
public:
    TShowWatch(QWidget *widget, std::function<void()> shown) : FShown(std::move(shown))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            FShown();
        return false;
    }

private:
    std::function<void()> FShown;
};

// The pixels of a picture in one colour.
int CountColor(const QImage &image, QColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == color.rgb();
    return count;
}

} // namespace

// The calendar button opens the pop-up, which takes the keyboard; a day picked or Escape gives
// it back to the date field, at its caret, so that the next key lands there. Docked and in the
// editor's own window.
TEST_F(EditorPopupInputTest, TheDatePopUpGivesTheKeyboardBackToTheDateField)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    for (const bool asWindow : {false, true}) {
        SCOPED_TRACE(asWindow ? "editor window" : "docked editor");
        if (asWindow)
            form->EditorAsForm->trigger();
        SelectByClick(task);
        auto *field = qobject_cast<QLineEdit *>(Field(QStringLiteral("__date"), cnStart));
        auto *button = qobject_cast<TEditorCalendarButton *>(Field(QStringLiteral("__button"), cnStart));
        ASSERT_NE(field, nullptr);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(field->window()));
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        ASSERT_TRUE(WaitUntil([field] { return QApplication::focusWidget() == field; }));
        // The caret after the day's dot.
        for (const Qt::Key key : {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right})
            Press(key);
        ASSERT_EQ(field->cursorPosition(), 3);
        const QString before = field->text();

        for (const bool pick : {false, true}) {
            SCOPED_TRACE(pick ? "a day picked" : "Escape");
            bool popupHadTheKeys = false;
            bool worked = false;
            WhenShown(
                form.get(), [this] { return form->Editor().DateTimePopup(); },
                [&](QWidget *window) {
                    auto *popup = static_cast<TDateTimePopup *>(window);
                    popupHadTheKeys = WaitUntil([popup] {
                        QWidget *focus = QApplication::focusWidget();
                        return focus && popup->isAncestorOf(focus);
                    });
                    if (!pick) {
                        Press(Qt::Key_Escape);
                        return;
                    }
                    auto *view = popup->Calendar()->findChild<QTableView *>();
                    // The day beside the one the field shows.
                    const QModelIndex current = view->currentIndex();
                    const QModelIndex day = view->model()->index(current.row(), current.column() == 1 ? 2 : 1);
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(day).center());
                },
                &worked);
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            ASSERT_TRUE(WaitUntil([&] {
                return worked && form->Editor().DateTimePopup()->DropDownState() == ddsHidden;
            }));
            EXPECT_TRUE(popupHadTheKeys);
            ASSERT_TRUE(WaitUntil([field] { return QApplication::focusWidget() == field; }));
            EXPECT_TRUE(field->window()->isActiveWindow());
            // Escape leaves the caret where it was; a picked day is written and the caret
            // stands after it.
            const QString shown = field->text();
            const int caret = field->cursorPosition();
            if (pick) {
                EXPECT_NE(shown, before);
                EXPECT_EQ(core->GetData_(task, cnStart), shown);
                EXPECT_EQ(caret, shown.size());
            } else {
                EXPECT_EQ(shown, before);
                EXPECT_EQ(caret, 3);
            }
            Type(QStringLiteral("7"));
            EXPECT_EQ(field->text(), QString(shown).insert(caret, QLatin1Char('7')));
            Press(Qt::Key_Backspace);
            EXPECT_EQ(field->text(), shown);
        }
    }
}

// A new entry typed with the keyboard alone, as the user did: each pull-down takes the whole
// typed entry, blanks included, and Tab goes on to the next field with nothing lost.
TEST_F(EditorPopupInputTest, ANewEntryTypedWithTheKeyboardGetsWhatWasTyped)
{
    ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1")), form->ActionAddNode);
    auto *position = qobject_cast<TCompletingComboBox *>(Field(QStringLiteral("__edit"), cnPosition));
    ASSERT_NE(position, nullptr);
    ASSERT_TRUE(WaitUntil([position] { return QApplication::focusWidget() == position; }));
    TNodeData *row = form->Editor().SelectedRows().at(0);

    Type(QStringLiteral("Position 3"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(position->currentText(), QStringLiteral("Position 3"));
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Field(QStringLiteral("__date"), cnStart));
    Type(QStringLiteral("5 Jan 2027"));
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Field(QStringLiteral("__edit"), cnLength));
    Type(QStringLiteral("3"));
    Press(Qt::Key_Tab);
    // The state, whose entries have blanks too.
    ASSERT_EQ(QApplication::focusWidget(), Field(QStringLiteral("__edit"), cnColor));
    Type(QStringLiteral("state 2"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Field(QStringLiteral("__edit"), cnTextCenterMiddle));
    Type(QStringLiteral("ok"));
    Press(Qt::Key_Tab);

    EXPECT_EQ(core->GetData_(row, cnPosition), QStringLiteral("Position 3"));
    EXPECT_EQ(core->GetData_(row, cnStart), QStringLiteral("05.01.2027"));
    EXPECT_EQ(core->GetData_(row, cnLength), QStringLiteral("3"));
    EXPECT_EQ(core->GetData_(row, cnColor), QStringLiteral("State 2"));
    EXPECT_EQ(core->GetData_(row, cnTextCenterMiddle), QStringLiteral("ok"));
    EXPECT_EQ(core->SelectedCount(tbTable), 1);
}

// A colour chosen anew on the colour panel shows at once in the editor's colour list: in the
// closed box as the user sees it, and in the list opened afterwards.
TEST_F(EditorPopupInputTest, TheColourListShowsAColourChosenOnThePanel)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    core->SetData(task, core->GetConnection(tbTable, cnColor), QStringLiteral("State 2"));
    SelectByClick(task);
    auto *box = qobject_cast<QComboBox *>(Field(QStringLiteral("__edit"), cnColor));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->currentIndex(), 1);
    const QColor magenta(255, 0, 255);
    ASSERT_EQ(CountColor(testsupport::FreshRender(box), magenta), 0);

    // A right click on the second swatch; the picker that opens is answered with Pink.
    TColorPanel *panel = form->ChartCommands->ItemColorPanel;
    const int c = panel->CellWidth();
    ASSERT_GT(c, 3);
    int pink = -1;
    for (int i = 0; i < 40 && pink < 0; ++i)
        if (TColorPickerPopup::CellName(i) == QStringLiteral("Pink"))
            pink = i;
    ASSERT_GE(pink, 0);
    bool picked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto *picker = qobject_cast<TColorPickerPopup *>(QApplication::activePopupWidget())) {
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->CellCenter(pink));
            picked = true;
        }
    });
    watch.start(10);
    const QPoint at = panel->mapTo(form.get(), QPoint(c + 1, panel->height() / 2));
    QTest::mousePress(form->windowHandle(), Qt::RightButton, {}, at);
    QTest::mouseRelease(form->windowHandle(), Qt::RightButton, {}, at);
    ASSERT_TRUE(WaitUntil([&] { return picked && !QApplication::activePopupWidget(); }));
    watch.stop();
    ASSERT_EQ(panel->Palette()[1], TColor(0xFF00FF));

    // What the user sees of the closed box, not only what it would draw afresh.
    EXPECT_GT(CountColor(testsupport::ShownAfterEvents(box), magenta), 20);
    // The list opened with a click shows it beside "State 2", and only there.
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QAbstractItemView *list = box->view();
    ASSERT_TRUE(WaitUntil([list] { return list->isVisible(); }));
    const QRect second = list->visualRect(list->model()->index(1, 0));
    const QImage shown = list->viewport()->grab().toImage();
    EXPECT_GT(CountColor(shown.copy(second), magenta), 20);
    EXPECT_EQ(CountColor(shown, magenta), CountColor(shown.copy(second), magenta));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([list] { return !list->isVisible(); }));
}

// The editor's own window, moved by the user (partly off the screen), hidden when no row is
// selected and shown for the next selection: it shows where it was left, pulled only as far as
// it takes to lie on the screen, from the moment it shows.
TEST_F(EditorPopupInputTest, TheEditorWindowShowsAgainWhereItWasLeft)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("View1")), form->EditorAsForm);
    SelectByClick(task);
    TEditorForm *editor = form->Editor().EditorForm();
    ASSERT_NE(editor, nullptr);
    const QRect screen = editor->screen()->availableGeometry();

    // Where it is each time it shows.
    QList<QRect> shownAt;
    TShowWatch watch(editor, [&] { shownAt.append(editor->frameGeometry()); });

    const QSize frame = editor->frameGeometry().size();
    const struct
    {
        QPoint dragged;  // the frame's top left where the user leaves it
        QPoint expected; // where it shows again
    } places[] = {
        {screen.topLeft() + QPoint(140, 90), screen.topLeft() + QPoint(140, 90)},
        {QPoint(screen.right() - frame.width() / 2, screen.top() + 50),
         QPoint(screen.right() + 1 - frame.width(), screen.top() + 50)},
    };
    for (const auto &place : places) {
        // A move of the window manager reaches the window as a new position of its window.
        const QPoint client = editor->geometry().topLeft() - editor->frameGeometry().topLeft();
        editor->windowHandle()->setPosition(place.dragged + client);
        ASSERT_TRUE(WaitUntil([&] { return editor->frameGeometry().topLeft() == place.dragged; }));
        // Ctrl+click takes the row out of the selection: the editor hides; a click selects it.
        ClickCell(form->StringTreeGrid1, task->VNode, core->GetConnection(tbTable, cnTextCenterMiddle),
                  Qt::ControlModifier);
        ASSERT_TRUE(WaitUntil([editor] { return !editor->isVisible(); }));
        shownAt.clear();
        SelectByClick(task);
        ASSERT_FALSE(shownAt.isEmpty());
        EXPECT_EQ(shownAt.first().topLeft(), place.expected);
        EXPECT_EQ(editor->frameGeometry().topLeft(), place.expected);
        EXPECT_TRUE(screen.contains(editor->frameGeometry()));
    }
}
