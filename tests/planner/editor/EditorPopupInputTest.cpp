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
    bool EditorShown() const
    {
        TEditorForm *window = form->Editor().EditorForm();
        return form->Editor().EditorAsForm() ? window && window->isVisible() : form->EditorPanel->isVisible();
    }
    static void Type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
};

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
