#include "dialogs/ArchivDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "Language.h"
#include "core/PlannerCore.h"
#include "dialogs/DateField.h"
#include "document/DocumentFile.h"
#include "exchange/Archiver.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

TDateField *makeDateEdit(QWidget *parent, const char *name, bool readOnly)
{
    auto *edit = new TDateField(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(readOnly);
    return edit;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char *text)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TArchivDialog::TArchivDialog(TPlannerCore &core, TDocumentFile &file, QWidget *parent)
    : QDialog(parent), FCore(core), FFile(file)
{
    setObjectName(QStringLiteral("ArchivDialog"));
    setWindowTitle(QStringLiteral("Archiv Table"));
    setModal(true);

    DateTimePickerFrom = makeDateEdit(this, "DateTimePickerFrom", true);
    DateTimePickerTo = makeDateEdit(this, "DateTimePickerTo", true);
    DateTimePicker1 = makeDateEdit(this, "DateTimePicker1", false);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));

    auto *grid = new QGridLayout;
    grid->addWidget(makeLabel(this, "Label1", "Tasks available from"), 0, 0);
    grid->addWidget(DateTimePickerFrom, 0, 1);
    grid->addWidget(makeLabel(this, "Label2", "till"), 0, 2);
    grid->addWidget(DateTimePickerTo, 0, 3);
    grid->addWidget(makeLabel(this, "Label3", "all Tasks before "), 1, 0);
    grid->addWidget(DateTimePicker1, 1, 1);
    grid->addWidget(makeLabel(this, "Label4", "archiv."), 1, 2);
    grid->addWidget(makeLabel(this, "Label5", "No. of selected Tasks: "), 2, 0);
    grid->addWidget(Edit1, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(DateTimePicker1, &TDateField::dateChanged, this, [this](QDate date) {
        // The picker shows the day; the time of day set with it stays.
        FArchiveDate = QDateToDateTime(date) + Frac(FArchiveDate);
        DateTimePicker1Change();
    });
    connect(Button1, &QPushButton::clicked, this, &TArchivDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    Translate(this);
}

void TArchivDialog::SetRange(TDateTime from, TDateTime to)
{
    DateTimePickerFrom->setDate(DateTimeToQDate(from));
    DateTimePickerTo->setDate(DateTimeToQDate(to));
}

void TArchivDialog::SetArchiveDate(TDateTime date)
{
    FArchiveDate = date;
    const QSignalBlocker blocker(DateTimePicker1);
    DateTimePicker1->setDate(DateTimeToQDate(date));
}

void TArchivDialog::DateTimePicker1Change()
{
    TArchiver(FCore, FFile.Sync()).Count(FArchiveDate, Fcount, FTotal);
    Edit1->setText(QString::number(Fcount) + QStringLiteral(" von ") + QString::number(FTotal));
    Button1->setEnabled(Fcount >= 1);
}

QString TArchivDialog::DefaultArchiveFileName() const
{
    const QFileInfo document(FFile.Sync().DirWatchThread()->GetPossibleFileName());
    const QString name = document.completeBaseName() + QStringLiteral(" archive.ini");
    return document.path() == QLatin1String(".") ? name : document.path() + QLatin1Char('/') + name;
}

void TArchivDialog::Button1Click()
{
    // The count shown must be that of the date typed.
    if (!CommitDateFields(this))
        return;
    IPlannerWindow &window = FCore.Window();
    if (Fcount == FTotal
        && window.Ask(Translate(QString::fromUtf8("Alle %s Einträge archivieren?"), {QString::number(Fcount)}),
                      mtConfirmation, {mbOK, mbCancel})
               != mrOk)
        return;
    const QString notArchived = Translate(QStringLiteral("File could not be saved. The selected tasks were not archieved."));
    if (!FFile.ActionSaveExecute()) {
        window.Ask(notArchived, mtWarning, {mbOK});
        return;
    }
    const QString fileName = OnChooseArchiveFile ? OnChooseArchiveFile(DefaultArchiveFileName()) : QString();
    if (fileName.isEmpty()) {
        window.Ask(notArchived, mtWarning, {mbOK});
        return;
    }
    QString error;
    if (TArchiver(FCore, FFile.Sync()).Archive(fileName, FArchiveDate, FCore.FSaveFileCompressed, error) < 0) {
        window.Ask(notArchived + QLatin1Char('\n') + error, mtWarning, {mbOK});
        return;
    }
    accept();
}
