#include "dialogs/PrintTarget.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QToolButton>

#include "DialogPrintPreview.h"
#include "Language.h"
#include "core/PlannerWindow.h"
#include "dialogs/NamedControl.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

TPrintTarget::TPrintTarget(TPrintPreviewDialog &recorder, const TDocumentSync &sync, QWidget *parent)
    : QWidget(parent)
    , FRecorder(recorder)
    , FSync(sync)
{
    setObjectName(QStringLiteral("PrintTarget"));
    PrintTargetLabel = Named(new QLabel(this), "PrintTargetLabel");
    PrinterName = Named(new QLabel(this), "PrinterName");
    PdfFileName = Named(new QLineEdit(this), "PdfFileName");
    PdfFileButton = Named(new QToolButton(this), "PdfFileButton");
    PdfFileButton->setText(QStringLiteral("..."));
    // Their texts follow the printer; Refresh translates them.
    for (QObject *object : {static_cast<QObject *>(PrintTargetLabel), static_cast<QObject *>(PrinterName)})
        object->setProperty("noTranslate", true);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(PrintTargetLabel);
    row->addWidget(PrinterName, 1);
    row->addWidget(PdfFileName, 1);
    row->addWidget(PdfFileButton);
    connect(PdfFileButton, &QToolButton::clicked, this, &TPrintTarget::ChooseFile);
    Refresh();
}

QString TPrintTarget::ProposedPdfName(const TDocumentSync &sync)
{
    const TDirWatchThread *journal = sync.DirWatchThread();
    const QString document = journal ? journal->Filename() : QString();
    const QFileInfo file(document.isEmpty() ? (journal ? journal->GetPossibleFileName() : QString()) : document);
    const QString name = (file.completeBaseName().isEmpty() ? QStringLiteral("print") : file.completeBaseName())
                         + QStringLiteral(".pdf");
    const QDir folder = document.isEmpty() ? QDir::home() : file.dir();
    return folder.filePath(name);
}

void TPrintTarget::Refresh()
{
    FRecorder.ProposeOutputFile(ProposedPdfName(FSync));
    const QPrinter &printer = *FRecorder.Printer();
    const bool toFile = FRecorder.PrintsToFile();
    PrintTargetLabel->setText(Translate(toFile ? QStringLiteral("PDF file:") : QStringLiteral("Printer:")));
    PrinterName->setText(printer.printerName());
    PdfFileName->setText(QDir::toNativeSeparators(printer.outputFileName()));
    PrinterName->setVisible(!toFile);
    PdfFileName->setVisible(toFile);
    PdfFileButton->setVisible(toFile);
    // A file named in the printer set-up was agreed to there.
    if (toFile && printer.outputFileName() != ProposedPdfName(FSync))
        FConfirmed = printer.outputFileName();
}

bool TPrintTarget::Apply(IPlannerWindow &window)
{
    if (!FRecorder.PrintsToFile())
        return true;
    const QString file = QDir::fromNativeSeparators(PdfFileName->text().trimmed());
    if (file.isEmpty()) {
        window.Ask(Translate(QStringLiteral("Please name the PDF file to print into.")), mtWarning, {mbOK});
        return false;
    }
    // A file the user has not agreed to replace is not printed over: it may be another one
    // that happens to bear the document's name.
    if (file != FConfirmed && QFileInfo::exists(file)) {
        if (window.Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {file}),
                       mtConfirmation, {mbOK, mbCancel})
            != mrOk)
            return false;
        FConfirmed = file;
    }
    QPrinter &printer = *FRecorder.Printer();
    if (printer.outputFileName() != file) {
        printer.setOutputFileName(file);
        // A name without ".pdf" still means a PDF file.
        printer.setOutputFormat(QPrinter::PdfFormat);
    }
    return true;
}

void TPrintTarget::ChooseFile()
{
    const QString current = QDir::fromNativeSeparators(PdfFileName->text().trimmed());
    const QString chosen = OnChooseFile ? OnChooseFile(current)
                                        : QFileDialog::getSaveFileName(window(), Translate(QStringLiteral("Print into PDF file")),
                                                                       current, QStringLiteral("PDF (*.pdf)"));
    if (!chosen.isEmpty()) {
        // The file dialog asked before a file was chosen to be replaced.
        FConfirmed = chosen;
        PdfFileName->setText(QDir::toNativeSeparators(chosen));
    }
}
