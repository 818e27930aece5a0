// The main window's spreadsheet exchange and archive commands.

#include "window/FormMain.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "DateTime.h"
#include "DesktopPrograms.h"
#include "Language.h"
#include "dialogs/ArchivDialog.h"
#include "exchange/SpreadsheetExchange.h"

void TMainForm::CreateExchangeActions(QMenu *file)
{
    MakeAction(Exportieren1, "Exportieren1", QStringLiteral("Excel Export"), &TMainForm::Exportieren1Click);
    MakeAction(ExcelImport1, "ExcelImport1", QStringLiteral("Excel Import..."), &TMainForm::ExcelImport1Click);
    MakeAction(Auftrgearchivieren1, "Auftrgearchivieren1", QString::fromUtf8("Tabelle archivieren..."), &TMainForm::Auftrgearchivieren1Click);
    QAction *exitSeparator = file->insertSeparator(ActionClose);
    file->insertActions(exitSeparator, {Exportieren1, ExcelImport1});
    QMenu *archive = menuBar()->addMenu(Translate(QStringLiteral("Archive")));
    archive->setObjectName(QStringLiteral("Archiv1"));
    archive->addAction(Auftrgearchivieren1);
    // Nothing reads an archive back and nothing deletes one: these two stay hidden and
    // disabled; the archive command itself is the menu's one visible item.
    MakeAction(Archivierungrckgngigmachen1, "Archivierungrckgngigmachen1", QString::fromUtf8("Archivierung rückgängig machen..."), &TMainForm::Archivierungrckgngigmachen1Click);
    MakeAction(Archivlschen1, "Archivlschen1", QString::fromUtf8("Archiv löschen"), &TMainForm::Archivlschen1Click);
    for (QAction *hidden : {Archivierungrckgngigmachen1, Archivlschen1}) {
        hidden->setVisible(false);
        hidden->setEnabled(false);
        archive->addAction(hidden);
    }

    const QString workbooks = Translate(QStringLiteral("Excel Tabellen")) + QStringLiteral(" (*.xlsx)");
    OnChooseExportFile = [this, workbooks](const QString &proposed) {
        QString name = QFileDialog::getSaveFileName(this, Translate(QStringLiteral("Excel Export")), proposed, workbooks);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".xlsx");
        return name;
    };
    OnChooseImportFile = [this, workbooks] {
        return QFileDialog::getOpenFileName(this, Translate(QStringLiteral("Excel Import")),
                                            QFileInfo(FLastOpenFileName).path(),
                                            workbooks + QStringLiteral(";;") + Translate(QStringLiteral("alle Dateien"))
                                                + QStringLiteral(" (*)"));
    };
    // An existing archive is continued, so choosing one is no overwrite.
    OnChooseArchiveFile = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, Translate(QStringLiteral("Archive file")), proposed,
                                            Translate(QStringLiteral("Archive files")) + QStringLiteral(" (*.ini)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    };
    // The desktop's launcher reports success whether or not a program opens the workbook:
    // without a program for it, the user is told where it is.
    OnShowWorkbook = [](const QString &fileName) { return platform::openWithDesktopProgram(fileName); };
}

void TMainForm::Exportieren1Click()
{
    ApplyTypedDate();
    TSpreadsheetExchange exchange(*FCore, Sync());
    const QString fileName = OnChooseExportFile(exchange.DefaultExportFileName());
    if (fileName.isEmpty() || !exchange.Exportieren1Click(fileName))
        return;
    // The spreadsheet program shows the workbook, as the user expects after an export.
    if (!OnShowWorkbook(fileName))
        Ask(Translate(QStringLiteral("The workbook was written to %s, but no program to show it was found."), {fileName}),
            mtInformation, {mbOK});
}

void TMainForm::ExcelImport1Click()
{
    const QString fileName = OnChooseImportFile();
    if (!fileName.isEmpty())
        TSpreadsheetExchange(*FCore, Sync()).ExcelImport1Click(fileName);
}

TArchivDialog *TMainForm::ArchivDialog()
{
    if (!FArchivDialog) {
        FArchivDialog = new TArchivDialog(*FCore, File(), this);
        FArchivDialog->OnChooseArchiveFile = [this](const QString &proposed) { return OnChooseArchiveFile(proposed); };
    }
    return FArchivDialog;
}

void TMainForm::Archivierungrckgngigmachen1Click()
{
    // There is no un-archiving: archive files are written only.
}

void TMainForm::Archivlschen1Click()
{
}

void TMainForm::Auftrgearchivieren1Click()
{
    ApplyTypedDate();
    TArchivDialog *dialog = ArchivDialog();
    dialog->SetRange(FCore->MinDate(), FCore->MaxDate());
    dialog->SetArchiveDate(Now());
    dialog->DateTimePicker1Change();
    dialog->exec();
}
