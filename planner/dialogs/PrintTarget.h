#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;
class IPlannerWindow;
class TDocumentSync;
class TPrintPreviewDialog;

// Where a printout goes, shown in both print dialogs beside "Printer setup...": the printer's
// name, or the PDF file it prints into, typed or chosen with "...". Without any printer on the
// machine the output is a PDF file beside the document from the start.
class TPrintTarget : public QWidget
{
    Q_OBJECT

public:
    TPrintTarget(TPrintPreviewDialog &recorder, const TDocumentSync &sync, QWidget *parent);

    // On showing the dialog and after the printer set-up: proposes the document's PDF file and
    // shows the output as it is now.
    void Refresh();
    // Before recording: the typed file goes to the printer. False, after telling the user,
    // when the output is a PDF file and none is named, or the user keeps a file of that name.
    bool Apply(IPlannerWindow &window);

    // The document's name with ".pdf", in its folder; a new document's in the home folder.
    static QString ProposedPdfName(const TDocumentSync &sync);

    // The file dialog of "..." (empty: cancelled); tests answer it.
    std::function<QString(const QString &current)> OnChooseFile;

    QLabel *PrintTargetLabel = nullptr; // "Printer:" or "PDF file:"
    QLabel *PrinterName = nullptr;
    QLineEdit *PdfFileName = nullptr;
    QToolButton *PdfFileButton = nullptr;

private:
    void ChooseFile();

    TPrintPreviewDialog &FRecorder;
    const TDocumentSync &FSync;
    // The file the user agreed to replace, in a file dialog or by answering the question.
    QString FConfirmed;
};
