#pragma once

#include <QDialog>

#include <functional>

#include "DateTime.h"

class QLineEdit;
class QPushButton;
class TDateField;
class TDocumentFile;
class TPlannerCore;

// "Archiv Table": chooses the date before which finished tasks leave the document, shows how
// many that are, and moves them into an archive file (TArchiver).
class TArchivDialog : public QDialog
{
    Q_OBJECT

public:
    // The document is saved through `file` before its tasks are archived.
    TArchivDialog(TPlannerCore &core, TDocumentFile &file, QWidget *parent = nullptr);

    // The document's date range, shown read-only.
    void SetRange(TDateTime from, TDateTime to);
    // The date (and time) on or before which tasks end to be archived.
    void SetArchiveDate(TDateTime date);
    TDateTime ArchiveDate() const { return FArchiveDate; }
    // Counts the tasks concerned; OK only while there is one at least.
    void DateTimePicker1Change();
    // Archives, after the document was saved and an archive file was chosen; closes the
    // dialog when the tasks were archived.
    void Button1Click();
    // "<document> archive.ini" beside the document.
    QString DefaultArchiveFileName() const;

    // The file dialog for the archive file (empty: none chosen). Set by the window.
    std::function<QString(const QString &proposed)> OnChooseArchiveFile;

    int Fcount = 0;
    int FTotal = 0;

    TDateField *DateTimePickerFrom = nullptr;
    TDateField *DateTimePickerTo = nullptr;
    TDateField *DateTimePicker1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Cancel

private:
    TPlannerCore &FCore;
    TDocumentFile &FFile;
    TDateTime FArchiveDate = 0;
};
