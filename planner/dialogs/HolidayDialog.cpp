#include "dialogs/HolidayDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "core/PlannerCore.h"
#include "dialogs/DateField.h"
#include "dialogs/NamedControl.h"
#include "table/AbsenceReport.h"

namespace {

constexpr int FirstYear = 1;
constexpr int LastYear = 9999;

} // namespace

THolidayDialog::THolidayDialog(TPlannerCore &core, QWidget *parent)
    : QDialog(parent), FCore(core), FReport(std::make_unique<TAbsenceReport>(core))
{
    setObjectName(QStringLiteral("HolidayDialog"));
    setWindowTitle(QStringLiteral("Evaluation"));
    setModal(true);
    resize(460, 420);

    RadioButton1 = Named(new QRadioButton(QStringLiteral("complete Range"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("complete Year"), this), "RadioButton2");
    RadioButton3 = Named(new QRadioButton(QStringLiteral("free Input"), this), "RadioButton3");
    DateTimePickerStart = Named(new TDateField(this), "DateTimePickerStart");
    DateTimePickerEnd = Named(new TDateField(this), "DateTimePickerEnd");
    UpDown1 = Named(new QSpinBox(this), "UpDown1");
    UpDown1->setRange(FirstYear, LastYear);
    Memo1 = Named(new QPlainTextEdit(this), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button1 = Named(new QPushButton(QStringLiteral("Close"), this), "Button1");
    Button1->setDefault(true);

    auto *label1 = Named(new QLabel(QStringLiteral("from"), this), "Label1");
    auto *label2 = Named(new QLabel(QStringLiteral("till"), this), "Label2");
    auto *grid = new QGridLayout;
    grid->addWidget(RadioButton1, 0, 0);
    grid->addWidget(RadioButton2, 1, 0);
    grid->addWidget(UpDown1, 1, 1);
    grid->addWidget(RadioButton3, 2, 0);
    grid->addWidget(label1, 3, 0);
    grid->addWidget(DateTimePickerStart, 3, 1);
    grid->addWidget(label2, 3, 2);
    grid->addWidget(DateTimePickerEnd, 3, 3);
    grid->setColumnStretch(4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);

    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                RadioButton1Click();
        });
    connect(UpDown1, &QSpinBox::valueChanged, this, &THolidayDialog::UpDown1ChangingEx);
    connect(DateTimePickerStart, &TDateField::dateChanged, this, &THolidayDialog::DateTimePickerChange);
    connect(DateTimePickerEnd, &TDateField::dateChanged, this, &THolidayDialog::DateTimePickerChange);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

THolidayDialog::~THolidayDialog() = default;

TDateTime THolidayDialog::RangeStart() const
{
    return QDateToDateTime(DateTimePickerStart->date());
}

TDateTime THolidayDialog::RangeEnd() const
{
    return QDateToDateTime(DateTimePickerEnd->date());
}

void THolidayDialog::SetRange(TDateTime from, TDateTime to)
{
    // One report for both pickers.
    FSettingRange = true;
    DateTimePickerStart->setDate(DateTimeToQDate(from));
    DateTimePickerEnd->setDate(DateTimeToQDate(to));
    {
        // The year shown follows the range without reporting again.
        const QSignalBlocker blocker(UpDown1);
        UpDown1->setValue(DateTimePickerStart->date().year());
    }
    FSettingRange = false;
    DateTimePickerChange();
}

void THolidayDialog::SelectFirstView()
{
    if (RadioButton1->isChecked())
        RadioButton1Click();
    else
        RadioButton1->setChecked(true); // reports through its click handler
}

void THolidayDialog::RadioButton1Click()
{
    UpDown1->setEnabled(RadioButton2->isChecked());
    DateTimePickerStart->setEnabled(RadioButton3->isChecked());
    DateTimePickerEnd->setEnabled(RadioButton3->isChecked());
    if (RadioButton1->isChecked()) {
        SetRange(FCore.MinDate(), FCore.MaxDate());
    } else if (RadioButton2->isChecked()) {
        const int year = std::clamp(DateTimePickerStart->date().year(), FirstYear, LastYear);
        if (UpDown1->value() != year)
            UpDown1->setValue(year); // reports through UpDown1ChangingEx
        else
            UpDown1ChangingEx(year);
    } else {
        DateTimePickerChange();
    }
}

void THolidayDialog::UpDown1ChangingEx(int year)
{
    year = std::clamp(year, FirstYear, LastYear);
    SetRange(QDateToDateTime(QDate(year, 1, 1)), QDateToDateTime(QDate(year, 12, 31)));
}

void THolidayDialog::DateTimePickerChange()
{
    if (FSettingRange)
        return;
    Memo1->setPlainText(FReport->Lines(RangeStart(), RangeEnd()).join(QLatin1Char('\n')));
}
