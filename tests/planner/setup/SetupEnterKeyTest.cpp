// Enter in the setup dialogs as a user presses it: in a field that renames a row (a holiday,
// a group) it ends the renaming and leaves the dialog open; pressed again from the list it is
// the dialog's OK. In the other dialogs' editors it ends the edit or starts a new line.

#include "planner/window/WindowTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "dialogs/DefineHolidayDialog.h"
#include "dialogs/EditTableColumnDialog.h"
#include "dialogs/ListGrid.h"
#include "dialogs/OrganizePositionsDialog.h"
#include "dialogs/SetupAbsentDaysDialog.h"
#include "dialogs/SetupDialogs.h"
#include "dialogs/SetupPositionsDialog.h"
#include "dialogs/SetupTableDialog.h"
#include "setup/PositionEntry.h"

using namespace userinput;

namespace {

class SetupEnterKeyTest : public windowtest::MainWindowTest
{
protected:
    SetupEnterKeyTest() : MainWindowTest(mrOk) {}
    // Opens a dialog from the Setup menu and works it with `act`; true once it closed.
    bool Work(QAction *item, QWidget *dialog, const std::function<void()> &act)
    {
        bool worked = false;
        WhenShown(form.get(), [dialog] { return dialog; }, [&](QWidget *) {
            Activate(dialog);
            act();
        }, &worked);
        ClickMenuItem(*form, form->Format1, item);
        return WaitUntil([&] { return worked && !dialog->isVisible(); });
    }
    // The window takes the keyboard, as a window the user works in has it.
    static void Activate(QWidget *window)
    {
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(WaitUntil([window] { return QApplication::activeWindow() == window; }));
    }
    // Enter pressed on the widget that has the focus, as the keyboard sends it.
    static void PressEnter()
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }
    // A dialog's memo from the Setup menu: Enter after its last line, a new line typed, OK.
    // `open` tells whether the dialog was still open after Enter; `first` goes before.
    void NewLineInMemo(QAction *item, QWidget *dialog, QPlainTextEdit *memo, QPushButton *ok, const QString &line,
                       bool &open, const std::function<void()> &first = {})
    {
        ASSERT_TRUE(Work(item, dialog, [&] {
            if (first)
                first();
            QTest::mouseClick(memo->viewport(), Qt::LeftButton);
            QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
            PressEnter();
            QTest::keyClicks(memo, line);
            open = dialog->isVisible();
            QTest::mouseClick(ok, Qt::LeftButton);
        }));
    }
};

} // namespace

TEST_F(SetupEnterKeyTest, EnterEndsTheRenamingOfAHolidayOnly)
{
    TDefineHolidayDialog *dialog = form->SetupDialogs().DefineHolidayDialog;
    bool openAfterRename = false;
    QString listed;
    bool focusInList = false;
    ASSERT_TRUE(Work(form->EditHoliday1, dialog, [&] {
        QTest::mouseClick(dialog->ButtonNew, Qt::LeftButton);
        ASSERT_EQ(QApplication::focusWidget(), dialog->EditName);
        QTest::keyClicks(dialog->EditName, QStringLiteral("Works outing"));
        PressEnter();
        openAfterRename = dialog->isVisible();
        listed = dialog->TreeGrid1->OnRowText(dialog->GetSelected(), 0);
        focusInList = dialog->TreeGrid1->isAncestorOf(QApplication::focusWidget())
                      || QApplication::focusWidget() == dialog->TreeGrid1;
        // No field is being edited now: Enter is the dialog's OK.
        PressEnter();
    }));
    EXPECT_TRUE(openAfterRename);
    EXPECT_EQ(listed, QStringLiteral("Works outing"));
    EXPECT_TRUE(focusInList);
    EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
    ASSERT_EQ(core->HolidayCount(), 1);
    EXPECT_EQ(core->GetHolidayData(0)->name, QStringLiteral("Works outing"));
}

TEST_F(SetupEnterKeyTest, EnterEndsTheRenamingOfAGroupOnly)
{
    TOrganizePositionsDialog *dialog = form->SetupDialogs().OrganizePositionsDialog;
    bool openAfterRename = false;
    QString tab;
    ASSERT_TRUE(Work(form->ositionengruppieren1, dialog, [&] {
        QTest::mouseClick(dialog->ButtonNew, Qt::LeftButton);
        QWidget *page = dialog->PageControl1->currentWidget();
        auto *name = page->findChild<QLineEdit *>();
        ASSERT_NE(name, nullptr);
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, QStringLiteral("North"));
        PressEnter();
        openAfterRename = dialog->isVisible();
        tab = dialog->PageControl1->tabText(dialog->PageControl1->currentIndex());
        EXPECT_TRUE(page->findChild<TListGrid *>()->hasFocus());
        PressEnter();
    }));
    EXPECT_TRUE(openAfterRename);
    EXPECT_EQ(tab, QStringLiteral("North"));
    EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
    EXPECT_EQ(core->GroupTabCaptions().value(1), QStringLiteral("North"));
}

// The reasons and a resource's description take Enter as a new line; the column editor's name
// field ends with the column editor, and the table setup stays open.
TEST_F(SetupEnterKeyTest, EnterInTheOtherEditorsEndsOnlyTheirEdit)
{
    TSetupAbsentDaysDialog *reasons = form->SetupDialogs().SetupAbsentDaysDialog;
    bool open = false;
    ASSERT_NO_FATAL_FAILURE(NewLineInMemo(form->Fehltagebearbeiten1, reasons, reasons->Memo1, reasons->ButtonOK,
                                          QStringLiteral("Training"), open));
    EXPECT_TRUE(open);
    const QStringList names = FirstItems(core->GetColumnStrings(tbExclude, core->GetConnection(tbExclude, cnColor)));
    EXPECT_EQ(names.value(names.size() - 1), QStringLiteral("Training"));

    TSetupPositionsDialog *positions = form->SetupDialogs().SetupPositionsDialog;
    open = false;
    ASSERT_NO_FATAL_FAILURE(NewLineInMemo(form->Arbeitspltzebearbeiten1, positions, positions->Memo1,
                                          positions->ButtonOK, QStringLiteral("second line"), open,
                                          [&] { ClickCell(positions->ListView1, positions->ListView1->RowNode(0), 0); }));
    EXPECT_TRUE(open);
    const QString first = core->GetColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition)).value(0);
    EXPECT_EQ(TPositionEntry(first).Description().value(1), QStringLiteral("second line"));

    TSetupTableDialog *table = form->SetupDialogs().SetupTableDialog;
    TEditTableColumnDialog *editor = table->EditTableColumnDialog;
    bool tableOpen = false;
    ASSERT_TRUE(Work(form->Tabellebearbeiten1, table, [&] {
        ClickCell(table->ListView1, table->ListView1->RowNode(5), 0);
        bool edited = false;
        WhenShown(form.get(), [editor] { return static_cast<QWidget *>(editor); }, [&](QWidget *) {
            Activate(editor);
            QTest::mouseClick(editor->Edit1, Qt::LeftButton);
            QTest::keyClick(editor->Edit1, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(editor->Edit1, QStringLiteral("Remark"));
            PressEnter();
        }, &edited);
        QTest::mouseClick(table->ButtonEdit, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return edited && !editor->isVisible(); }));
        tableOpen = table->isVisible();
        EXPECT_EQ(editor->result(), int(QDialog::Accepted));
        QTest::mouseClick(table->ButtonOK, Qt::LeftButton);
    }));
    EXPECT_TRUE(tableOpen);
    EXPECT_EQ(core->GetColumnCaption(tbTable, 5), QStringLiteral("Remark"));
}
