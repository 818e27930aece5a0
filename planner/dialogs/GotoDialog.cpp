#include "dialogs/GotoDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DateField.h"

TGotoDialog::TGotoDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GotoDialog"));
    setWindowTitle(QStringLiteral("Goto Date"));
    setModal(true);

    DateTimePicker1 = new TDateField(this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &TGotoDialog::OkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto *label = new QLabel(QStringLiteral("Date:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(DateTimePicker1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

TDateTime TGotoDialog::Date() const
{
    return QDateToDateTime(DateTimePicker1->date());
}

void TGotoDialog::SetDate(TDateTime date)
{
    DateTimePicker1->setDate(DateTimeToQDate(date));
}

void TGotoDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The date offered is typed over at once.
    DateTimePicker1->setFocus(Qt::OtherFocusReason);
    DateTimePicker1->selectAll();
}

void TGotoDialog::OkClick()
{
    // A text that names no date goes nowhere: the user mends it.
    if (CommitDateFields(this))
        accept();
}
