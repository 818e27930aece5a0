#include "dialogs/SetupAbsentDaysDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/DialogParts.h"

TSetupAbsentDaysDialog::TSetupAbsentDaysDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupAbsentDaysDialog"));
    setWindowTitle(Translate(QStringLiteral("Edit Table \"Absent days\"")));
    Memo1 = new TDialogMemo(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    CheckBox1 = new QCheckBox(Translate(QStringLiteral("Count Working Days")), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    QHBoxLayout *bottom = OkCancelRow(this, ButtonOK, ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Translate(QStringLiteral("Reason")), this));
    layout->addWidget(Memo1, 1);
    layout->addWidget(new QLabel(Translate(QStringLiteral("Default for new Items")), this));
    layout->addWidget(ComboBox1);
    layout->addWidget(CheckBox1);
    layout->addLayout(bottom);
    resize(340, 380);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TSetupAbsentDaysDialog::Memo1Change);
    connect(ButtonOK, &QPushButton::clicked, this, &TSetupAbsentDaysDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSetupAbsentDaysDialog::Fill(const TAbsenceSetup &setup)
{
    Memo1->SetLines(setup.Reasons);
    ComboBox1->clear();
    ComboBox1->addItems(setup.Reasons);
    ComboBox1->setCurrentIndex(int(setup.Reasons.indexOf(setup.DefaultReason)));
    ComboBox1->setEditText(setup.DefaultReason);
    CheckBox1->setChecked(setup.CalcWorkdays);
    wasActive = false;
}

TAbsenceSetup TSetupAbsentDaysDialog::Setup() const
{
    TAbsenceSetup setup;
    setup.Reasons = Memo1->Lines();
    setup.DefaultReason = ComboBox1->currentText();
    setup.CalcWorkdays = CheckBox1->isChecked();
    return setup;
}

void TSetupAbsentDaysDialog::Memo1Change()
{
    const int index = ComboBox1->currentIndex();
    ComboBox1->clear();
    for (const QString &line : Memo1->Lines())
        if (!line.trimmed().isEmpty())
            ComboBox1->addItem(line.trimmed());
    ComboBox1->setCurrentIndex(std::min(index, ComboBox1->count() - 1));
}

void TSetupAbsentDaysDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    wasActive = true;
}

void TSetupAbsentDaysDialog::OkClick()
{
    if (!OnConfirm || OnConfirm())
        accept();
}
