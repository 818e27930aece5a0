#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;
class IPlannerWindow;
class TDocumentSync;
class TPrintPreviewDialog;

// The two printouts, which never replace each other's file unasked.
enum TPrintout { poChart, poTable };

// Where a printout goes, shown in both print dialogs beside "Printer setup...": the printer's
// name, or the PDF file it prints into, typed or chosen with "...". Without any printer on the
// machine the output is a PDF file beside the document from the start.
//
// An existing file is printed over only after a question, unless the user agreed to replace
// it while the dialog shows (its question answered, or a file or set-up dialog that asked), or this
// program wrote it, since it started, as the same printout of the same document; either holds
// only while the file stays as it was then.
class TPrintTarget : public QWidget
{
    Q_OBJECT

public:
    TPrintTarget(TPrintPreviewDialog &recorder, const TDocumentSync &sync, TPrintout printout, QWidget *parent);

    // On showing the dialog: nothing is agreed yet; then as Refresh.
    void Shown();
    // Proposes the document's PDF file and shows the output as it is now.
    void Refresh();
    // The printer set-up opened from the dialog closed: shown as Refresh. Confirmed, it asked
    // itself before it kept an existing file, so the file it names is agreed to; cancelled, it
    // agreed to nothing.
    void SetupClosed(bool confirmed);
    // Before recording: the typed file goes to the printer. False, after telling the user,
    // when the output is a PDF file and none is named, or the user keeps a file of that name.
    bool Apply(IPlannerWindow &window);
    // After the preview: a PDF file the job wrote is known as this printout of this document.
    void Printed();

    // The document's name with ".pdf", in its folder; a new document's in the home folder.
    static QString ProposedPdfName(const TDocumentSync &sync);

    // The file dialog of "..." (empty: cancelled); tests answer it.
    std::function<QString(const QString &current)> OnChooseFile;

    QLabel *PrintTargetLabel = nullptr; // "Printer:" or "PDF file:"
    QLabel *PrinterName = nullptr;
    QLineEdit *PdfFileName = nullptr;
    QToolButton *PdfFileButton = nullptr;

    // How a file is on the disk: an agreement or a printout holds only while it stays so.
    struct TFileState
    {
        bool exists = false;
        qint64 size = 0;
        qint64 modified = 0;
        bool operator==(const TFileState &) const = default;
    };

private:
    void ChooseFile();
    void Agree(const QString &file);
    bool Agreed(const QString &file) const;
    bool WrittenAsThisPrintout(const QString &file) const;
    QString Document() const;

    TPrintPreviewDialog &FRecorder;
    const TDocumentSync &FSync;
    const TPrintout FPrintout;
    // The file the user agreed to replace, and how it was then.
    QString FAgreed;
    TFileState FAgreedState;
    // The PDF file of the job under way, and how it was before.
    QString FJobFile;
    TFileState FJobBefore;
};
