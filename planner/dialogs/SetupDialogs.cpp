#include "dialogs/SetupDialogs.h"

#include <QWidget>

#include "core/PlannerCore.h"
#include "dialogs/DefineHolidayDialog.h"
#include "dialogs/OrganizePositionsDialog.h"
#include "dialogs/SetupAbsentDaysDialog.h"
#include "dialogs/SetupPositionsDialog.h"
#include "dialogs/SetupTableDialog.h"

TSetupDialogs::TSetupDialogs(TPlannerCore &core, TDocumentFile &file, QWidget *parent)
    : QObject(parent), FCore(core), FApplier(std::make_unique<TSetupApplier>(core, file))
{
    setObjectName(QStringLiteral("SetupDialogs"));
    SetupTableDialog = new TSetupTableDialog(parent);
    SetupPositionsDialog = new TSetupPositionsDialog(parent);
    OrganizePositionsDialog = new TOrganizePositionsDialog(parent);
    DefineHolidayDialog = new TDefineHolidayDialog(parent);
    SetupAbsentDaysDialog = new TSetupAbsentDaysDialog(parent);

    const auto confirm = [this] { return SetupDialogToMainForm(); };
    SetupTableDialog->OnConfirm = confirm;
    SetupPositionsDialog->OnConfirm = confirm;
    OrganizePositionsDialog->OnConfirm = confirm;
    DefineHolidayDialog->OnConfirm = confirm;
    SetupAbsentDaysDialog->OnConfirm = confirm;
    const auto message = [this](const QString &text) { FCore.Window().Ask(text, mtWarning, {mbOK}); };
    SetupTableDialog->OnMessage = message;
    SetupPositionsDialog->OnMessage = message;
    // From the table setup, the positions only keep their edits: that dialog's OK applies
    // them together with the columns.
    SetupTableDialog->OnEditResources = [this] { SetupPositionsDialog->ExecNested(); };
}

TSetupDialogs::~TSetupDialogs() = default;

void TSetupDialogs::MainFormToSetupDialog()
{
    const TDocumentSetup setup = FApplier->Read();
    SetupAbsentDaysDialog->Fill(setup.Absence);
    OrganizePositionsDialog->Fill(setup.Groups);
    DefineHolidayDialog->Fill(setup.Holidays);
    SetupTableDialog->Fill(setup.Table);
    SetupPositionsDialog->Fill(setup.Positions);
}

TSetupChanges TSetupDialogs::Changes() const
{
    TSetupChanges changes;
    if (SetupAbsentDaysDialog->WasActive())
        changes.Absence = SetupAbsentDaysDialog->Setup();
    if (SetupTableDialog->WasActive())
        changes.Table = SetupTableDialog->Setup();
    if (SetupPositionsDialog->WasActive())
        changes.Positions = SetupPositionsDialog->Setup();
    if (OrganizePositionsDialog->WasActive())
        changes.Groups = OrganizePositionsDialog->Setup();
    if (DefineHolidayDialog->WasActive())
        changes.Holidays = DefineHolidayDialog->Holidays();
    return changes;
}

bool TSetupDialogs::SetupDialogToMainForm()
{
    return FApplier->Apply(Changes());
}
