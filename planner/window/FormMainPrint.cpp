// The main window's print commands: the chart and the table through their dialogs and the
// print preview, and the printer set-up.

#include "window/FormMain.h"

#include <QAction>
#include <QMenu>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>

#include "DialogPrintPreview.h"
#include "Language.h"
#include "chart/TimeChartView.h"
#include "dialogs/PrintListDialog.h"
#include "dialogs/PrintTarget.h"
#include "dialogs/PrintTimeChartDialog.h"

void TMainForm::CreatePrintActions(QMenu *file)
{
    MakeAction(ActionPrintTimechart, "ActionPrintTimechart", "Print Timechart...", &TMainForm::ActionPrintTimechartExecute);
    MakeAction(ActionPrintList, "ActionPrintList", "Print Table...", &TMainForm::ActionPrintListExecute);
    MakeAction(ActionPrinterSetup, "ActionPrinterSetup", "Printer Setup...", &TMainForm::ActionPrinterSetupExecute);
    QAction *exitSeparator = file->insertSeparator(ActionClose);
    file->insertActions(exitSeparator, {ActionPrintTimechart, ActionPrintList, ActionPrinterSetup});
    connect(file, &QMenu::aboutToShow, this, &TMainForm::ActionPrintUpdate);

    FPrintPreview = new TPrintPreviewDialog(this);
    // Progress and failures of printing show in the status bar for a while.
    connect(FPrintPreview, &TPrintPreviewDialog::OnChange, this, &TMainForm::ShowStatusMessage);
    // Once a job went out, the bar shows the counts again instead of its last page; a failure
    // (no job ended) stays a while.
    connect(FPrintPreview, &TPrintPreviewDialog::JobPrinted, statusBar(), &QStatusBar::clearMessage);
    OnPrinterSetupDialog = [this](QPrinter &printer) {
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(Translate(QStringLiteral("Printer setup")));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
        return dialog.exec() == QDialog::Accepted;
    };
    SetPrintOptions(FPrintOptions);
    ActionPrintUpdate();
}

void TMainForm::SetPrintOptions(const TPrintOptions &options)
{
    FPrintOptions = options;
    FPrintOptions.Orientation = options.Orientation == 1 ? 1 : 0;
    const auto orientation = FPrintOptions.Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait;
    FPrintPreview->SetOrientation(orientation);
    FPrintPreview->Printer()->setPageOrientation(orientation);
}

void TMainForm::ActionPrintUpdate()
{
    // Only a plan with tasks has something to print.
    const bool any = FCore->GetTableRowCount(tbTable) > 0;
    ActionPrintTimechart->setEnabled(any);
    ActionPrintList->setEnabled(any);
}

TPrintTimeChartDialog *TMainForm::PrintTimeChartDialog()
{
    if (!FPrintTimeChartDialog) {
        FPrintTimeChartDialog = new TPrintTimeChartDialog(*TimeChartView, Sync(), *FPrintPreview, this);
        FPrintTimeChartDialog->OnPrinterSetup = [this] { return PrinterSetup(); };
    }
    return FPrintTimeChartDialog;
}

TPrintListDialog *TMainForm::PrintListDialog()
{
    if (!FPrintListDialog) {
        FPrintListDialog = new TPrintListDialog(*FCore, Sync(), *FPrintPreview, this);
        FPrintListDialog->OnPrinterSetup = [this] { return PrinterSetup(); };
    }
    return FPrintListDialog;
}

void TMainForm::ActionPrintTimechartExecute()
{
    ApplyTypedDate();
    ActionPrintUpdate();
    if (!ActionPrintTimechart->isEnabled())
        return;
    TPrintTimeChartDialog *dialog = PrintTimeChartDialog();
    dialog->SetOptions(FPrintOptions);
    if (dialog->exec() == QDialog::Accepted)
        FPrintOptions = dialog->Options(FPrintOptions);
    TimeChartView->InvalidateTimeChart(true);
}

void TMainForm::ActionPrintListExecute()
{
    ApplyTypedDate();
    ActionPrintUpdate();
    if (!ActionPrintList->isEnabled())
        return;
    TPrintListDialog *dialog = PrintListDialog();
    dialog->SetOptions(FPrintOptions);
    if (dialog->exec() == QDialog::Accepted)
        FPrintOptions = dialog->Options(FPrintOptions);
}

void TMainForm::ActionPrinterSetupExecute()
{
    PrinterSetup();
}

bool TMainForm::PrinterSetup()
{
    // Without a printer the set-up offers the document's PDF file, not an empty name.
    FPrintPreview->ProposeOutputFile(TPrintTarget::ProposedPdfName(Sync()));
    QPrinter &printer = *FPrintPreview->Printer();
    if (!OnPrinterSetupDialog || !OnPrinterSetupDialog(printer))
        return false;
    // The recorder sets its orientation on the printer for every job: it keeps the chosen one.
    const auto orientation = printer.pageLayout().orientation();
    FPrintPreview->SetOrientation(orientation);
    FPrintOptions.Orientation = orientation == QPageLayout::Landscape ? 1 : 0;
    return true;
}
