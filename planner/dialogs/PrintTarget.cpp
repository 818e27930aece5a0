#include "dialogs/PrintTarget.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QToolButton>

#include <utility>

#include "DialogPrintPreview.h"
#include "Language.h"
#include "core/PlannerWindow.h"
#include "dialogs/NamedControl.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

struct TWrittenPrintout
{
    QString document;
    TPrintout printout = poChart;
    TPrintTarget::TFileState state;
};

// The PDF files this program wrote since it started, by their canonical names.
QHash<QString, TWrittenPrintout> &WrittenFiles()
{
    static QHash<QString, TWrittenPrintout> files;
    return files;
}

TPrintTarget::TFileState StateOf(const QString &file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    return {true, info.size(), info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch()};
}

} // namespace

TPrintTarget::TPrintTarget(TPrintPreviewDialog &recorder, const TDocumentSync &sync, TPrintout printout,
                           QWidget *parent)
    : QWidget(parent)
    , FRecorder(recorder)
    , FSync(sync)
    , FPrintout(printout)
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
    Shown();
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

void TPrintTarget::Shown()
{
    FAgreed.clear();
    Refresh();
}

void TPrintTarget::SetupClosed(bool confirmed)
{
    Refresh();
    // Confirmed, the set-up asked itself before it kept an existing file, whether or not its
    // name changed there; cancelled, it agreed to nothing.
    if (confirmed && FRecorder.PrintsToFile())
        Agree(FRecorder.Printer()->outputFileName());
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
}

bool TPrintTarget::Apply(IPlannerWindow &window)
{
    FJobFile.clear();
    if (!FRecorder.PrintsToFile())
        return true;
    const QString file = QDir::fromNativeSeparators(PdfFileName->text().trimmed());
    if (file.isEmpty()) {
        window.Ask(Translate(QStringLiteral("Please name the PDF file to print into.")), mtWarning, {mbOK});
        return false;
    }
    // Any other file is the user's until they agree: another printout, or one that happens to
    // bear the proposed name.
    if (QFileInfo::exists(file) && !Agreed(file) && !WrittenAsThisPrintout(file)) {
        if (window.Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {file}),
                       mtConfirmation, {mbOK, mbCancel})
            != mrOk)
            return false;
        Agree(file);
    }
    QPrinter &printer = *FRecorder.Printer();
    if (printer.outputFileName() != file) {
        printer.setOutputFileName(file);
        // A name without ".pdf" still means a PDF file.
        printer.setOutputFormat(QPrinter::PdfFormat);
    }
    FJobFile = file;
    FJobBefore = StateOf(file);
    return true;
}

void TPrintTarget::Printed()
{
    const QString file = std::exchange(FJobFile, QString());
    if (file.isEmpty())
        return;
    const TFileState now = StateOf(file);
    if (now.exists && now != FJobBefore)
        WrittenFiles().insert(QFileInfo(file).canonicalFilePath(), {Document(), FPrintout, now});
}

void TPrintTarget::Agree(const QString &file)
{
    FAgreed = file;
    FAgreedState = StateOf(file);
}

bool TPrintTarget::Agreed(const QString &file) const
{
    return !FAgreed.isEmpty() && file == FAgreed && StateOf(file) == FAgreedState;
}

bool TPrintTarget::WrittenAsThisPrintout(const QString &file) const
{
    const auto written = WrittenFiles().constFind(QFileInfo(file).canonicalFilePath());
    return written != WrittenFiles().constEnd() && written->document == Document() && written->printout == FPrintout
           && written->state == StateOf(file);
}

QString TPrintTarget::Document() const
{
    const TDirWatchThread *journal = FSync.DirWatchThread();
    if (!journal)
        return QString();
    return journal->Filename().isEmpty() ? journal->GetPossibleFileName() : journal->Filename();
}

void TPrintTarget::ChooseFile()
{
    const QString current = QDir::fromNativeSeparators(PdfFileName->text().trimmed());
    const QString chosen = OnChooseFile ? OnChooseFile(current)
                                        : QFileDialog::getSaveFileName(window(), Translate(QStringLiteral("Print into PDF file")),
                                                                       current, QStringLiteral("PDF (*.pdf)"));
    if (!chosen.isEmpty()) {
        // The file dialog asked before an existing file was chosen to be replaced.
        Agree(chosen);
        PdfFileName->setText(QDir::toNativeSeparators(chosen));
    }
}
