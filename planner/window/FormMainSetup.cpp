// The Setup menu's dialogs: the task table, the absence reasons, the position groups, the
// positions and the public holidays.

#include "window/FormMain.h"

#include <QAction>
#include <QMenu>

#include "Language.h"
#include "chart/TimeChartGeometry.h"
#include "chart/TimeChartView.h"
#include "dialogs/DefineHolidayDialog.h"
#include "dialogs/OrganizePositionsDialog.h"
#include "dialogs/SetupAbsentDaysDialog.h"
#include "dialogs/SetupDialogs.h"
#include "dialogs/SetupPositionsDialog.h"
#include "dialogs/SetupTableDialog.h"
#include "table/TableCommands.h"

void TMainForm::CreateSetupActions()
{
    FSetupDialogs = new TSetupDialogs(*FCore, File(), this);
    // Applying keeps the chart where it was.
    FSetupDialogs->Applier().OnRememberView = [this] {
        FSetupChartStart = TimeChartView->Geometry().Start();
        FSetupChartTop = TimeChartView->Geometry().Top();
    };
    FSetupDialogs->Applier().OnRestoreView = [this] {
        TimeChartView->SetTimeChartStart(FSetupChartStart);
        TimeChartView->SetTimeChartTop(FSetupChartTop);
    };
    // The columns fit once, as after opening: a big table fits the rows in view and the rows
    // to come when they come; captions and filter symbols stay visible.
    FSetupDialogs->Applier().OnTableApplied = [this] { FTableCommands->AutoFitColumns(tbTable, true); };

    MakeAction(Tabellebearbeiten1, "Tabellebearbeiten1", QStringLiteral("Edit Table \"Tasks\"..."), &TMainForm::Tabellebearbeiten1Click);
    MakeAction(Fehltagebearbeiten1, "Fehltagebearbeiten1", QStringLiteral("Edit Table \"Days absent\"..."), &TMainForm::Fehltagebearbeiten1Click);
    MakeAction(ositionengruppieren1, "ositionengruppieren1", QStringLiteral("Group resources..."), &TMainForm::ositionengruppieren1Click);
    MakeAction(Arbeitspltzebearbeiten1, "Arbeitspltzebearbeiten1", QStringLiteral("Edit resources..."), &TMainForm::Arbeitspltzebearbeiten1Click);
    MakeAction(EditHoliday1, "EditHoliday1", QStringLiteral("Edit Holiday..."), &TMainForm::EditHoliday1Click);
    QAction *languages = Sprache1->menuAction();
    Format1->insertActions(languages, {Tabellebearbeiten1, Fehltagebearbeiten1, ositionengruppieren1,
                                       Arbeitspltzebearbeiten1, EditHoliday1});
    Format1->insertSeparator(languages);
}

void TMainForm::Tabellebearbeiten1Click()
{
    ExecSetupDialog(FSetupDialogs->SetupTableDialog);
}

void TMainForm::Fehltagebearbeiten1Click()
{
    ExecSetupDialog(FSetupDialogs->SetupAbsentDaysDialog);
}

void TMainForm::ositionengruppieren1Click()
{
    ExecSetupDialog(FSetupDialogs->OrganizePositionsDialog);
}

void TMainForm::Arbeitspltzebearbeiten1Click()
{
    ExecSetupDialog(FSetupDialogs->SetupPositionsDialog);
}

void TMainForm::EditHoliday1Click()
{
    ExecSetupDialog(FSetupDialogs->DefineHolidayDialog);
}

void TMainForm::ExecSetupDialog(QDialog *dialog)
{
    // Applying a setup saves the document: a date typed into the editor goes with it.
    ApplyTypedDate();
    FSetupDialogs->MainFormToSetupDialog();
    dialog->exec();
}
