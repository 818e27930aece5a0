// Enter and Tab in the setup dialogs as a user presses them: in a field that renames a row (a
// holiday, a group) Enter ends the renaming and leaves the dialog open; pressed again from the
// list it is the dialog's OK. In the other dialogs' editors it ends the edit or starts a new
// line. Tab leaves every multi-line field, and no tab character gets into the names.

#include "planner/window/WindowTestSupport.h"

#include <QClipboard>
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
        return WorkDialog(form->Format1, item, [dialog] { return dialog; }, [&](QWidget *) { act(); });
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
    // Tab from a memo goes to another control, Shift+Tab comes back; a text pasted over the
    // whole memo then comes in with its tabs as blanks.
    static void TabAndPaste(QPlainTextEdit *memo, const QString &pasted = QString())
    {
        QTest::mouseClick(memo->viewport(), Qt::LeftButton);
        const QString before = memo->toPlainText();
        QTest::keyClick(memo, Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), memo);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), memo);
        EXPECT_EQ(memo->toPlainText(), before);
        if (pasted.isEmpty())
            return;
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
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

// A keyboard user leaves the reasons (where the focus starts), a resource's description and a
// column's values with Tab. Cells pasted from a spreadsheet keep their words apart with a blank:
// no tab gets into a name or a reason.
TEST_F(SetupEnterKeyTest, TabLeavesTheMemosAndAPastedTabIsABlank)
{
    TSetupPositionsDialog *positions = form->SetupDialogs().SetupPositionsDialog;
    ASSERT_TRUE(Work(form->Arbeitspltzebearbeiten1, positions, [&] {
        ClickCell(positions->ListView1, positions->ListView1->RowNode(0), 0);
        TabAndPaste(positions->Memo1, QStringLiteral("\tR01\tAnna\nLathe 2"));
        QTest::mouseClick(positions->ButtonOK, Qt::LeftButton);
    }));
    const QString entry = core->GetColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition)).value(0);
    EXPECT_EQ(TPositionEntry(entry).Description(), QStringList({QStringLiteral("R01 Anna"), QStringLiteral("Lathe 2")}));

    TSetupAbsentDaysDialog *reasons = form->SetupDialogs().SetupAbsentDaysDialog;
    ASSERT_TRUE(Work(form->Fehltagebearbeiten1, reasons, [&] {
        TabAndPaste(reasons->Memo1, QStringLiteral("Holiday\nSick\tleave"));
        QTest::mouseClick(reasons->ButtonOK, Qt::LeftButton);
    }));
    EXPECT_EQ(FirstItems(core->GetColumnStrings(tbExclude, core->GetConnection(tbExclude, cnColor))),
              QStringList({QStringLiteral("Holiday"), QStringLiteral("Sick leave")}));

    TSetupTableDialog *table = form->SetupDialogs().SetupTableDialog;
    TEditTableColumnDialog *editor = table->EditTableColumnDialog;
    ASSERT_TRUE(Work(form->Tabellebearbeiten1, table, [&] {
        ClickCell(table->ListView1, table->ListView1->RowNode(core->GetConnection(tbTable, cnColor)), 0);
        WhenShown(form.get(), [editor] { return static_cast<QWidget *>(editor); }, [&](QWidget *) {
            Activate(editor);
            TabAndPaste(editor->Memo1);
        });
        QTest::mouseClick(table->ButtonEdit, Qt::LeftButton);
        QTest::mouseClick(table->ButtonCancel, Qt::LeftButton);
    }));
}
