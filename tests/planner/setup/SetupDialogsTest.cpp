// The setup dialogs on the user's road: opened from the Setup menu, changed, confirmed, and the
// document shows the change; Cancel changes nothing.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "Color.h"
#include "dialogs/DefineHolidayDialog.h"
#include "dialogs/EditTableColumnDialog.h"
#include "dialogs/EditTimeDialog.h"
#include "dialogs/ListGrid.h"
#include "dialogs/OrganizePositionsDialog.h"
#include "dialogs/SetupAbsentDaysDialog.h"
#include "dialogs/SetupDialogs.h"
#include "dialogs/SetupPositionsDialog.h"
#include "dialogs/SetupTableDialog.h"
#include "setup/PositionEntry.h"
#include "setup/SetupRules.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {

class SetupDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        form = std::make_unique<TScriptedMainForm>();
        dialogs = &form->SetupDialogs();
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    TPlannerCore &Core() { return form->Core(); }
    TNodeData *AddTask(const QString &position, const QString &start, const QString &length)
    {
        TNodeData *node = Core().AddNode(Core().GetFreeID(), tbTable, true);
        Core().SetData_(node, cnPosition, position);
        Core().SetData_(node, cnStart, start);
        Core().SetData_(node, cnLength, length);
        return node;
    }
    QString Cell(TNodeData *node, TConnection cn) { return Core().GetData_(node, cn); }
    // Triggers a Setup menu entry; `act` works the dialog it opens, which is closed afterwards
    // in any case so that a failing test cannot hang.
    void Run(QAction *action, QDialog *dialog, const std::function<void()> &act)
    {
        bool ran = false;
        QTimer::singleShot(0, form.get(), [&] {
            ran = true;
            EXPECT_TRUE(dialog->isVisible());
            act();
            if (dialog->isVisible())
                dialog->reject();
        });
        action->trigger();
        EXPECT_TRUE(ran);
    }
    // Works a dialog that `open` opens modally from inside another.
    static void Nested(QDialog *dialog, const std::function<void()> &act, const std::function<void()> &open)
    {
        QTimer::singleShot(0, dialog, [dialog, act] {
            act();
            if (dialog->isVisible())
                dialog->reject();
        });
        open();
    }
    QStringList Captions()
    {
        QStringList captions;
        for (int i = 0; i < Core().GetTableColCount(tbTable); ++i)
            captions.append(Core().GetColumnCaption(tbTable, i));
        return captions;
    }
    static std::uint32_t ShapeColour(QFrame *shape)
    {
        return std::uint32_t(FromQColor(shape->palette().color(QPalette::Window)));
    }

    std::unique_ptr<TScriptedMainForm> form;
    TSetupDialogs *dialogs = nullptr;
};

} // namespace

TEST_F(SetupDialogsTest, TheSetupMenuOffersTheDialogs)
{
    QStringList names;
    for (QAction *action : form->Format1->actions())
        names.append(action->objectName());
    for (const char *name : {"Tabellebearbeiten1", "Fehltagebearbeiten1", "ositionengruppieren1",
                             "Arbeitspltzebearbeiten1", "EditHoliday1"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(names.contains(form->Sprache1->menuAction()->objectName()));
    EXPECT_EQ(form->Tabellebearbeiten1->text(), "Edit Table \"Tasks\"...");
}

// Moving a column and renaming the start column keeps every row's cells with their column and
// the start connected; undo cannot reach behind the new setup.
TEST_F(SetupDialogsTest, TableColumnsMovedAndRenamedKeepTheirCells)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    Core().SetData(task, 5, "first comment");
    ASSERT_EQ(Captions(), (QStringList{"Position", "Start", "End", "Length", "State", "Comment"}));
    TSetupTableDialog *dialog = dialogs->SetupTableDialog;
    Run(form->Tabellebearbeiten1, dialog, [&] {
        EXPECT_EQ(dialog->ListView1->RowCount(), 6);
        EXPECT_EQ(dialog->ConnectionLabel(cnStart)->text(), "Start");
        dialog->SelectRow(5);
        dialog->UpDownUp->click();
        dialog->UpDownUp->click();
        EXPECT_EQ(dialog->SelectedRow(), 3);
        // The start's type is bound to its meaning; its name is free.
        dialog->SelectRow(1);
        Nested(dialog->EditTableColumnDialog, [&] {
            TEditTableColumnDialog *editor = dialog->EditTableColumnDialog;
            EXPECT_FALSE(editor->ComboBox1->isEnabled());
            EXPECT_FALSE(editor->Memo1->isVisible());
            EXPECT_FALSE(editor->Button3->isVisible());
            editor->Edit1->setText("Begin");
            editor->ButtonOK->click();
        }, [&] { dialog->ButtonEdit->click(); });
        EXPECT_EQ(dialog->ConnectionLabel(cnStart)->text(), "Begin");
        EXPECT_EQ(dialog->ListView1->OnRowText(1, 0), "Begin");
        dialog->ButtonOK->click();
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join('|').toStdString();
    EXPECT_EQ(Captions(), (QStringList{"Position", "Begin", "End", "Comment", "Length", "State"}));
    EXPECT_EQ(Core().GetData(task, 3), "first comment");
    EXPECT_EQ(Core().GetConnection(tbTable, cnStart), 1);
    EXPECT_EQ(Core().GetConnection(tbTable, cnLength), 4);
    EXPECT_EQ(Cell(task, cnLength), "2");
    EXPECT_EQ(Cell(task, cnEnd), "05.03.2024");
    EXPECT_FALSE(Core().UndoStack().GetCanUndo());
    // Shown so at once.
    EXPECT_EQ(form->StringTreeGrid1->Header()->Columns()->Items(3)->Text(), "Comment");
}

TEST_F(SetupDialogsTest, CancelChangesNothingAndTheNextOpeningStartsAfresh)
{
    TSetupTableDialog *dialog = dialogs->SetupTableDialog;
    Run(form->Tabellebearbeiten1, dialog, [&] {
        dialog->SelectRow(5);
        dialog->DeleteColumnClick();
        dialog->AddColumn();
        EXPECT_EQ(dialog->Setup().Columns.back().Caption, "New Column");
        dialog->ButtonCancel->click();
    });
    EXPECT_EQ(Captions(), (QStringList{"Position", "Start", "End", "Length", "State", "Comment"}));
    // Another setup dialog confirmed later does not carry the cancelled table with it.
    TSetupAbsentDaysDialog *absent = dialogs->SetupAbsentDaysDialog;
    Run(form->Fehltagebearbeiten1, absent, [&] { absent->ButtonOK->click(); });
    EXPECT_EQ(Captions(), (QStringList{"Position", "Start", "End", "Length", "State", "Comment"}));
    Run(form->Tabellebearbeiten1, dialog, [&] { EXPECT_EQ(dialog->ListView1->RowCount(), 6); });
}

// One column cannot be both start and end, nor can a required meaning stay unconnected: the
// user is told why and the dialog stays open with nothing applied.
TEST_F(SetupDialogsTest, RefusedConfigurationsKeepTheDialogOpen)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    TSetupTableDialog *dialog = dialogs->SetupTableDialog;
    Run(form->Tabellebearbeiten1, dialog, [&] {
        EXPECT_TRUE(dialog->Drop(cnEnd, 1));
        EXPECT_EQ(dialog->ConnectionLabel(cnEnd)->text(), "Start");
        dialog->ButtonOK->click();
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(form->questions.size(), 1);
        EXPECT_TRUE(form->questions[0].contains("\"Start\"")) << form->questions[0].toStdString();
        EXPECT_TRUE(form->questions[0].contains("\"End\"")) << form->questions[0].toStdString();

        // Deleting the position column leaves its label empty and red.
        dialog->Drop(cnEnd, 2);
        dialog->SelectRow(0);
        dialog->ButtonDelete->click();
        EXPECT_EQ(dialog->ConnectionLabel(cnPosition)->text(), "");
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnPosition)), TSetupTableDialog::MissingColour);
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnStart)), TSetupTableDialog::SelectedColour);
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnEnd)), TSetupTableDialog::SetColour);
        EXPECT_FALSE(dialog->ValidConfiguration());
        // The start column now stands first.
        EXPECT_EQ(dialog->Setup().Connections[cnStart], 0);
        dialog->ButtonOK->click();
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(form->questions.size(), 2);
        EXPECT_EQ(form->questions[1], MissingConnectionsMessage());
    });
    EXPECT_EQ(Core().GetTableColCount(tbTable), 6);
    EXPECT_EQ(Core().GetConnection(tbTable, cnEnd), 2);
    EXPECT_EQ(Cell(task, cnEnd), "05.03.2024");
}

TEST_F(SetupDialogsTest, ConnectionsFollowTheTypeRules)
{
    TSetupTableDialog *dialog = dialogs->SetupTableDialog;
    Run(form->Tabellebearbeiten1, dialog, [&] {
        dialog->AddColumn();
        dialog->AddColumn();
        const TTableSetup &setup = dialog->Setup();
        EXPECT_EQ(setup.Columns[6].Caption, "New Column");
        EXPECT_EQ(setup.Columns[7].Caption, "New Column 1");
        // A text column cannot be the start; a date column can show in any text place.
        EXPECT_FALSE(dialog->CanDrop(cnStart, 6));
        EXPECT_FALSE(dialog->Drop(cnStart, 6));
        EXPECT_FALSE(dialog->CanDrop(cnLength, 1));
        // An empty text place is there to drop onto, without a frame on the bar.
        EXPECT_TRUE(dialog->ConnectionLabel(cnTextLeftTop)->isVisible());
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnTextLeftTop)), TSetupTableDialog::BarColour);
        EXPECT_TRUE(dialog->Drop(cnTextLeftTop, 1));
        EXPECT_EQ(dialog->ConnectionLabel(cnTextLeftTop)->text(), "Start");
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnTextLeftTop)), TSetupTableDialog::SetColour);
        dialog->SelectRow(1);
        EXPECT_EQ(ShapeColour(dialog->ConnectionShape(cnTextLeftTop)), TSetupTableDialog::SelectedColour);
        // Dragged from one label onto another: the two swap when each suits the other.
        EXPECT_TRUE(dialog->Drop(cnStart, setup.Connections[cnEnd], cnEnd));
        EXPECT_EQ(dialog->ConnectionLabel(cnStart)->text(), "End");
        EXPECT_EQ(dialog->ConnectionLabel(cnEnd)->text(), "Start");
        // A text column dragged from a text place onto the deadline is refused.
        EXPECT_TRUE(dialog->Drop(cnTextRightTop, 6));
        EXPECT_FALSE(dialog->Drop(cnTermin, 6, cnTextRightTop));
        // The label's menu offers only columns that suit it.
        QMenu *menu = dialog->ConnectionMenu(cnLength);
        int enabled = 0;
        for (QAction *action : menu->actions())
            enabled += action->isEnabled() && !action->isSeparator() ? 1 : 0;
        EXPECT_EQ(enabled, 2); // "Delete Connection" and the length column
        menu->actions().first()->trigger();
        EXPECT_EQ(dialog->ConnectionLabel(cnLength)->text(), "");
        EXPECT_FALSE(dialog->ValidConfiguration());
        delete menu;
    });
}

// A pick list's values with quotes and commas reach the document whole.
TEST_F(SetupDialogsTest, PickListValuesWithQuotesAndCommas)
{
    TSetupTableDialog *dialog = dialogs->SetupTableDialog;
    Run(form->Tabellebearbeiten1, dialog, [&] {
        dialog->SelectRow(4);
        Nested(dialog->EditTableColumnDialog, [&] {
            TEditTableColumnDialog *editor = dialog->EditTableColumnDialog;
            EXPECT_TRUE(editor->Memo1->isVisible());
            editor->Memo1->setPlainText("say \"hi\", then go\n\nplain\na,b");
            editor->ButtonOK->click();
        }, [&] { dialog->EditColumnClick(); });
        // A new column that becomes a pick list shows its values.
        dialog->AddColumn();
        Nested(dialog->EditTableColumnDialog, [&] {
            TEditTableColumnDialog *editor = dialog->EditTableColumnDialog;
            EXPECT_FALSE(editor->Memo1->isVisible());
            editor->ComboBox1->setCurrentIndex(ctPulldown);
            EXPECT_TRUE(editor->Memo1->isVisible());
            editor->Memo1->setPlainText("x\ny");
            editor->ButtonOK->click();
        }, [&] { dialog->EditColumnClick(); });
        dialog->ButtonOK->click();
    });
    EXPECT_EQ(FirstItems(Core().GetColumnStrings(tbTable, 4)), (QStringList{"say \"hi\", then go", "plain", "a,b"}));
    EXPECT_EQ(Core().GetColumnType(tbTable, 6), ctPulldown);
    EXPECT_EQ(FirstItems(Core().GetColumnStrings(tbTable, 6)), (QStringList{"x", "y"}));
}

// Renaming a position keeps its tasks, deleting one leaves its tasks without position, the
// last one stays, and days become minutes.
TEST_F(SetupDialogsTest, PositionsRenamedDeletedAndTheUnitSwitched)
{
    TNodeData *first = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *second = AddTask("Position 2", "04.03.2024", "1");
    TSetupPositionsDialog *dialog = dialogs->SetupPositionsDialog;
    Run(form->Arbeitspltzebearbeiten1, dialog, [&] {
        EXPECT_EQ(dialog->ListView1->RowCount(), 3);
        EXPECT_EQ(dialog->SelectedRow(), 0);
        EXPECT_EQ(dialog->ComboBox1->currentIndex(), 0);
        EXPECT_FALSE(dialog->ButtonEditDay->isVisible());
        dialog->Memo1->setPlainText("Alpha\nthe first one");
        EXPECT_EQ(dialog->ListView1->OnRowText(0, 0), "Alpha");
        dialog->Edit1->setValue(2);
        dialog->SelectRow(1);
        dialog->ButtonDelete->click();
        dialog->ComboBox1->setCurrentIndex(1);
        EXPECT_TRUE(dialog->ButtonEditDay->isVisible());
        dialog->ButtonOK->click();
    });
    EXPECT_EQ(Cell(first, cnPosition), "Alpha");
    EXPECT_EQ(Cell(second, cnPosition), "");
    const QStringList entries = Core().GetColumnStrings(tbTable, 0);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(TPositionEntry(entries[0]).Description(), (QStringList{"Alpha", "the first one"}));
    EXPECT_EQ(TPositionEntry(entries[0]).Rows(), 2);
    EXPECT_EQ(Core().GetMinUnit(), muMinute);
    EXPECT_EQ(Cell(first, cnLength), "16");

    Run(form->Arbeitspltzebearbeiten1, dialog, [&] {
        dialog->ButtonDelete->click();
        EXPECT_EQ(dialog->ListView1->RowCount(), 1);
        EXPECT_FALSE(dialog->ButtonDelete->isEnabled());
        dialog->DeleteClick();
        EXPECT_EQ(dialog->ListView1->RowCount(), 1);
        dialog->NewClick();
        dialog->NewClick();
        EXPECT_EQ(dialog->ListView1->OnRowText(1, 0), "New Resource");
        EXPECT_EQ(dialog->ListView1->OnRowText(2, 0), "New Resource 1");
        dialog->ComboBox1->setCurrentIndex(0);
        dialog->ButtonOK->click();
    });
    EXPECT_EQ(FirstItems(Core().GetColumnStrings(tbTable, 0)), (QStringList{"Position 3", "New Resource", "New Resource 1"}));
    EXPECT_EQ(Core().GetMinUnit(), muDay);
    EXPECT_EQ(Cell(first, cnLength), "2");
}

// The working hours of a day through "Edit Day": 08:00 to 17:00 with breaks of 30 and 15
// minutes gives 8,15 h; a day without working time is refused.
TEST_F(SetupDialogsTest, WorkingHoursOfADayThroughTheDayDialog)
{
    TSetupPositionsDialog *dialog = dialogs->SetupPositionsDialog;
    TEditTimeDialog *day = dialog->EditTimeDialog;
    Run(form->Arbeitspltzebearbeiten1, dialog, [&] {
        dialog->ComboBox1->setCurrentIndex(1);
        EXPECT_FALSE(dialog->ButtonEditDay->isEnabled());
        dialog->SelectDay(1);
        EXPECT_EQ(dialog->ButtonEditDay->text(), "Edit Monday");
        Nested(day, [&] {
            day->EditBegin->setText("08:00");
            day->EditEnd->setText("17:00");
            day->EditPauseTime[0]->setText("12:00");
            day->EditPauseLength[0]->setText("30");
            day->EditPauseTime[1]->setText("15:00");
            day->EditPauseLength[1]->setText("15");
            day->EditPauseLength[2]->setText("0");
            day->ButtonOK->click();
        }, [&] { dialog->ButtonEditDay->click(); });
        EXPECT_EQ(dialog->StringTreeGrid1->OnRowText(1, 3), "8,15 h");
        EXPECT_EQ(dialog->StringTreeGrid1->OnRowText(1, 1), "08:00");
        // A negative day is refused and changes nothing.
        Nested(day, [&] {
            day->EditEnd->setText("07:00");
            day->ButtonOK->click();
            EXPECT_TRUE(day->isVisible());
        }, [&] { dialog->EditDayClick(); });
        EXPECT_EQ(form->questions.size(), 1);
        EXPECT_EQ(dialog->StringTreeGrid1->OnRowText(1, 3), "8,15 h");
        // Sunday is no working day and stays so when the hours go to every day.
        const bool sundayWorked = dialog->StringTreeGrid1->Checked(0);
        dialog->ButtonApplyAll->click();
        for (int d = 0; d < 7; ++d)
            EXPECT_EQ(dialog->StringTreeGrid1->OnRowText(d, 3), "8,15 h") << d;
        EXPECT_EQ(dialog->StringTreeGrid1->Checked(0), sundayWorked);
        // Saturday becomes a working day by its check mark.
        dialog->StringTreeGrid1->SetCheckState(dialog->StringTreeGrid1->RowNode(6), csCheckedNormal);
        dialog->ButtonCopyAll->click();
        dialog->ButtonOK->click();
    });
    for (const QString &entry : Core().GetColumnStrings(tbTable, 0)) {
        const tWeekInfo week = TPositionEntry(entry).Week();
        EXPECT_EQ(week[1].length, 495);
        EXPECT_EQ(week[3].pause[1].length, 15);
        EXPECT_TRUE(week[6].active);
    }
}

// The positions dialog opened from the table setup only keeps its edits: the table setup's
// OK applies them with the columns, its Cancel drops both.
TEST_F(SetupDialogsTest, PositionsEditedFromTheTableSetupWaitForItsOK)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    TSetupTableDialog *table = dialogs->SetupTableDialog;
    TSetupPositionsDialog *positions = dialogs->SetupPositionsDialog;
    const auto renameFirst = [&](const QString &name, bool confirm) {
        Nested(positions, [&] {
            positions->SelectRow(0);
            positions->Memo1->setPlainText(name);
            if (confirm)
                positions->ButtonOK->click();
        }, [&] { table->EditTableColumnDialog->Button3->click(); });
    };
    Run(form->Tabellebearbeiten1, table, [&] {
        renameFirst("Alpha", true);
        EXPECT_EQ(Cell(task, cnPosition), "Position 1");
        table->ButtonCancel->click();
    });
    EXPECT_EQ(Cell(task, cnPosition), "Position 1");

    Run(form->Tabellebearbeiten1, table, [&] {
        renameFirst("Beta", false); // cancelled: taken back
        EXPECT_EQ(positions->ListView1->OnRowText(0, 0), "Position 1");
        renameFirst("Alpha", true);
        table->ButtonOK->click();
    });
    EXPECT_EQ(Cell(task, cnPosition), "Alpha");
}

TEST_F(SetupDialogsTest, GroupsMadeAndAnEmptyOneKept)
{
    TOrganizePositionsDialog *dialog = dialogs->OrganizePositionsDialog;
    Run(form->ositionengruppieren1, dialog, [&] {
        ASSERT_EQ(dialog->GroupCount(), 1);
        EXPECT_FALSE(dialog->ButtonDelete->isEnabled());
        EXPECT_FALSE(dialog->Tree(0)->isEnabled());
        EXPECT_TRUE(dialog->GetChecked(0, 2));
        EXPECT_EQ(dialog->GetItems(), (QStringList{"Position 1", "Position 2", "Position 3"}));
        dialog->ButtonNew->click();
        EXPECT_EQ(dialog->PageControl1->currentIndex(), 1);
        dialog->SetGroupName(1, "Front");
        EXPECT_EQ(dialog->PageControl1->tabText(1), "Front");
        dialog->SetChecked(1, 2, true);
        dialog->SetChecked(1, 0, true);
        dialog->ButtonNew->click();
        dialog->ButtonNew->click();
        dialog->ButtonDelete->click();
        dialog->PageControl1->setCurrentIndex(0);
        dialog->DeleteGroupClick();
        EXPECT_EQ(dialog->GroupCount(), 3);
        dialog->ButtonOK->click();
    });
    EXPECT_EQ(Core().GroupTabCaptions().mid(1), (QStringList{"Front", "new Group"}));
    EXPECT_EQ(form->TabControl1->count(), 3);
    EXPECT_EQ(FirstItems(ParseCommaText(Core().FPositionGroup[1])), (QStringList{"Position 1", "Position 3"}));
    EXPECT_EQ(Core().FPositionGroup[2], "");
    // Read back when opened again.
    Run(form->ositionengruppieren1, dialog, [&] {
        EXPECT_EQ(dialog->GroupCount(), 3);
        EXPECT_TRUE(dialog->GetChecked(1, 2));
        EXPECT_FALSE(dialog->GetChecked(1, 1));
    });
}

TEST_F(SetupDialogsTest, HolidaysAddedDisabledAndShownChangeEnds)
{
    Core().AddHoliday("Tag der Arbeit", 1, 5, true, false);
    Core().BeginUpdate(QString());
    Core().EndUpdate();
    TNodeData *task = AddTask("Position 1", "30.04.2024", "3");
    EXPECT_EQ(Cell(task, cnEnd), "03.05.2024");
    TDefineHolidayDialog *dialog = dialogs->DefineHolidayDialog;
    Run(form->EditHoliday1, dialog, [&] {
        ASSERT_EQ(dialog->Count(), 1);
        EXPECT_EQ(dialog->GetSelected(), 0);
        EXPECT_TRUE(dialog->GetChecked(0));
        EXPECT_TRUE(dialog->RadioButtonDate->isChecked());
        EXPECT_EQ(dialog->EditDay->value(), 1);
        EXPECT_EQ(dialog->ComboBoxMonth->currentIndex(), 4);
        dialog->ButtonGerman->click();
        EXPECT_EQ(dialog->Count(), 20);
        dialog->ButtonGerman->click();
        EXPECT_EQ(dialog->Count(), 20);
        EXPECT_EQ(dialog->DateText(dialog->FindHoliday("Karfreitag")), "Easter - 2");
        EXPECT_EQ(dialog->DateText(dialog->FindHoliday("Himmelfahrt")), "Easter + 39");
        EXPECT_FALSE(dialog->GetChecked(dialog->FindHoliday("Neujahr")));
        // A new holiday edited into one relative to Easter.
        dialog->ButtonNew->click();
        EXPECT_EQ(dialog->GetSelected(), 20);
        dialog->EditName->setText("Own");
        dialog->EditName->textEdited("Own");
        dialog->RadioButtonEaster->click();
        dialog->EditOffset->setValue(-3);
        EXPECT_EQ(dialog->TreeGrid1->OnRowText(20, 0), "Own");
        EXPECT_EQ(dialog->DateText(20), "Easter - 3");
        dialog->ButtonDisableAll->click();
        EXPECT_FALSE(dialog->GetChecked(0));
        dialog->ButtonOK->click();
    });
    ASSERT_EQ(Core().HolidayCount(), 21);
    EXPECT_FALSE(Core().GetHolidayData(0)->enabled);
    EXPECT_EQ(Core().GetHolidayData(20)->name, "Own");
    EXPECT_TRUE(Core().GetHolidayData(20)->easter);
    EXPECT_EQ(Core().GetHolidayData(20)->day, -3);
    EXPECT_EQ(Cell(task, cnEnd), "02.05.2024");

    Run(form->EditHoliday1, dialog, [&] {
        dialog->SetSelected(0);
        dialog->ButtonEnableAll->click();
        dialog->ButtonDelete->click();
        EXPECT_EQ(dialog->FindHoliday("Tag der Arbeit"), -1);
        dialog->ButtonOK->click();
    });
    EXPECT_EQ(Core().HolidayCount(), 20);
    EXPECT_TRUE(Core().GetHolidayData(0)->enabled);
    EXPECT_EQ(Cell(task, cnEnd), "02.05.2024");
}

TEST_F(SetupDialogsTest, AbsenceReasonsAndTheirDefault)
{
    TSetupAbsentDaysDialog *dialog = dialogs->SetupAbsentDaysDialog;
    Run(form->Fehltagebearbeiten1, dialog, [&] {
        EXPECT_GT(dialog->ComboBox1->count(), 0);
        dialog->Memo1->setPlainText("Ill, at home\n\nTraining \"basic\"");
        EXPECT_EQ(dialog->ComboBox1->count(), 2);
        dialog->ComboBox1->setCurrentIndex(1);
        dialog->CheckBox1->setChecked(false);
        dialog->ButtonOK->click();
    });
    const int column = Core().GetConnection(tbExclude, cnColor);
    ASSERT_GE(column, 0);
    EXPECT_EQ(FirstItems(Core().GetColumnStrings(tbExclude, column)), (QStringList{"Ill, at home", "Training \"basic\""}));
    EXPECT_EQ(Core().FDefaultHolidayReason, "Training \"basic\"");
    EXPECT_FALSE(Core().FDefaultCalcWorkdays);
    EXPECT_GE(Core().FHolidayColors.size(), 2);
}
