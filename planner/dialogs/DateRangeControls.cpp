#include "dialogs/DateRangeControls.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "Language.h"
#include "dialogs/DateField.h"
#include "dialogs/NamedControl.h"

namespace {

QRadioButton *MakeRadio(QWidget *parent, const char *name, const char *caption)
{
    return Named(new QRadioButton(Translate(QString::fromLatin1(caption)), parent), name);
}

QLabel *MakeLabel(QWidget *parent, const char *name, const char *caption)
{
    return Named(new QLabel(Translate(QString::fromLatin1(caption)), parent), name);
}

} // namespace

TDateRangeControls::TDateRangeControls(QWidget *parent, const char *wholeCaption, const char *viewCaption,
                                       int checked, int minDays, int maxDays)
    : QObject(parent)
{
    RadioButton1 = MakeRadio(parent, "RadioButton1", wholeCaption);
    RadioButton2 = MakeRadio(parent, "RadioButton2", viewCaption);
    RadioButton3 = MakeRadio(parent, "RadioButton3", "Free input");
    (checked == 1 ? RadioButton1 : checked == 2 ? RadioButton2 : RadioButton3)->setChecked(true);
    startpicker = Named(new TDateField(parent), "startpicker");
    endepicker = Named(new TDateField(parent), "endepicker");
    EditTage = Named(new QSpinBox(parent), "EditTage");
    EditTage->setRange(minDays, maxDays);
    FLabels[0] = MakeLabel(parent, "Label1", "Start Date");
    FLabels[1] = MakeLabel(parent, "Label2", "End Date");
    FLabels[2] = MakeLabel(parent, "Label3", "Days");

    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ApplyRange();
        });
    for (TDateField *picker : {startpicker, endepicker})
        connect(picker, &TDateField::dateChanged, this, [this, picker] { PickerChange(picker); });
    connect(EditTage, &QSpinBox::valueChanged, this, &TDateRangeControls::EditTageChange);
}

void TDateRangeControls::AddTo(QGridLayout *grid) const
{
    grid->addWidget(RadioButton1, 0, 0, 1, 2);
    grid->addWidget(RadioButton2, 1, 0, 1, 2);
    grid->addWidget(RadioButton3, 2, 0, 1, 2);
    grid->addWidget(FLabels[0], 3, 0);
    grid->addWidget(startpicker, 3, 1);
    grid->addWidget(FLabels[1], 4, 0);
    grid->addWidget(endepicker, 4, 1);
    grid->addWidget(FLabels[2], 5, 0);
    grid->addWidget(EditTage, 5, 1);
}

void TDateRangeControls::ApplyRange()
{
    const bool free = RadioButton3->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(startpicker), static_cast<QWidget *>(endepicker),
                             static_cast<QWidget *>(EditTage)})
        control->setEnabled(free);
    if (RadioButton1->isChecked() && WholeRange)
        SetRangeDates(WholeRange());
    else if (RadioButton2->isChecked() && ViewRange)
        SetRangeDates(ViewRange());
}

void TDateRangeControls::Shown()
{
    ApplyRange();
}

TDateTime TDateRangeControls::StartDate() const
{
    return QDateToDateTime(startpicker->date());
}

TDateTime TDateRangeControls::EndDate() const
{
    return QDateToDateTime(endepicker->date());
}

int TDateRangeControls::Days() const
{
    return EditTage->value();
}

void TDateRangeControls::SetRangeDates(const TRange &range)
{
    FChanging = true;
    startpicker->setDate(DateTimeToQDate(range.first));
    endepicker->setDate(DateTimeToQDate(range.second));
    ShowDays();
    FChanging = false;
    Changed();
}

void TDateRangeControls::PickerChange(const TDateField *moved)
{
    if (FChanging)
        return;
    FChanging = true;
    // Crossed over: the other picker follows, a day away.
    if (endepicker->date() < startpicker->date()) {
        if (moved == startpicker)
            endepicker->setDate(startpicker->date().addDays(1));
        else
            startpicker->setDate(endepicker->date().addDays(-1));
    }
    ShowDays();
    FChanging = false;
    Changed();
}

void TDateRangeControls::EditTageChange()
{
    if (FChanging || !EditTage->isEnabled())
        return;
    FChanging = true;
    endepicker->setDate(startpicker->date().addDays(EditTage->value()));
    FChanging = false;
    Changed();
}

void TDateRangeControls::ShowDays()
{
    // The box holds the count to its limits; the pickers may span more.
    EditTage->setValue(int(startpicker->date().daysTo(endepicker->date())));
}

void TDateRangeControls::Changed() const
{
    if (OnChange)
        OnChange();
}
