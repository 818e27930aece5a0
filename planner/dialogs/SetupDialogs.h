#pragma once

// The five setup dialogs of a document and the pair that joins them to it: before any of them
// opens, all five are filled from the document; the OK of any of them applies every one that
// was shown since, in one go (TSetupApplier).

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "setup/SetupApplier.h"

class QWidget;
class TDocumentFile;
class TPlannerCore;
class TSetupTableDialog;
class TSetupPositionsDialog;
class TOrganizePositionsDialog;
class TDefineHolidayDialog;
class TSetupAbsentDaysDialog;

class TSetupDialogs : public QObject
{
    Q_OBJECT

public:
    // The dialogs are children of `parent` and live as long as it.
    TSetupDialogs(TPlannerCore &core, TDocumentFile &file, QWidget *parent);
    ~TSetupDialogs() override;

    void MainFormToSetupDialog();
    // Applies what the shown dialogs hold; false when nothing could be applied.
    bool SetupDialogToMainForm();
    // What would be applied now.
    TSetupChanges Changes() const;

    TSetupApplier &Applier() { return *FApplier; }

    TSetupTableDialog *SetupTableDialog = nullptr;
    TSetupPositionsDialog *SetupPositionsDialog = nullptr;
    TOrganizePositionsDialog *OrganizePositionsDialog = nullptr;
    TDefineHolidayDialog *DefineHolidayDialog = nullptr;
    TSetupAbsentDaysDialog *SetupAbsentDaysDialog = nullptr;

private:
    TPlannerCore &FCore;
    std::unique_ptr<TSetupApplier> FApplier;
};
