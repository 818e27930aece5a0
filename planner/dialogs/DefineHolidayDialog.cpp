#include "dialogs/DefineHolidayDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/DialogParts.h"
#include "dialogs/ListGrid.h"
#include "setup/SetupRules.h"

TDefineHolidayDialog::TDefineHolidayDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DefineHolidayDialog"));
    setWindowTitle(Translate(QStringLiteral("Setup Holiday")));
    TreeGrid1 = TBaseTreeGrid::Create<TListGrid>(this);
    TreeGrid1->setObjectName(QStringLiteral("TreeGrid1"));
    TreeGrid1->SetCheckBoxes(true);
    TreeGrid1->SetColumns({Translate(QStringLiteral("Name")), Translate(QStringLiteral("Date"))}, {190, 120});
    TreeGrid1->OnRowText = [this](int row, int column) {
        if (row < 0 || row >= Count())
            return QString();
        return column == 0 ? FRows[std::size_t(row)].name : DateText(row);
    };
    TreeGrid1->OnCurrentRowChanged = [this](int) { RowSelected(); };
    TreeGrid1->OnCheckClicked = [this](int row) { FRows[std::size_t(row)].enabled = TreeGrid1->Checked(row); };
    TreeGrid1->setMinimumSize(340, 260);

    RadioButtonEaster = new QRadioButton(Translate(QStringLiteral("special Day")), this);
    RadioButtonEaster->setObjectName(QStringLiteral("RadioButtonEaster"));
    RadioButtonDate = new QRadioButton(Translate(QStringLiteral("Date")), this);
    RadioButtonDate->setObjectName(QStringLiteral("RadioButtonDate"));
    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditOffset = new QSpinBox(this);
    EditOffset->setObjectName(QStringLiteral("EditOffset"));
    EditOffset->setRange(-365, 365);
    EditDay = new QSpinBox(this);
    EditDay->setObjectName(QStringLiteral("EditDay"));
    EditDay->setRange(1, 31);
    ComboBoxMonth = new QComboBox(this);
    ComboBoxMonth->setObjectName(QStringLiteral("ComboBoxMonth"));
    ComboBoxMonth->addItems(MonthNames());

    ButtonNew = MakeDialogButton(this, "ButtonNew", "new Holiday");
    ButtonDelete = MakeDialogButton(this, "ButtonDelete", "delete Holiday");
    ButtonGerman = MakeDialogButton(this, "ButtonGerman", "add german public Holiday");
    ButtonEnableAll = MakeDialogButton(this, "ButtonEnableAll", "enable all");
    ButtonDisableAll = MakeDialogButton(this, "ButtonDisableAll", "disable all");

    auto *edits = new QGridLayout;
    edits->addWidget(new QLabel(Translate(QStringLiteral("Name")), this), 0, 0);
    edits->addWidget(EditName, 0, 1, 1, 3);
    edits->addWidget(RadioButtonEaster, 1, 0);
    edits->addWidget(new QLabel(Translate(QStringLiteral("Easter Sunday plus")), this), 1, 1);
    edits->addWidget(EditOffset, 1, 2);
    edits->addWidget(new QLabel(Translate(QStringLiteral("days")), this), 1, 3);
    edits->addWidget(RadioButtonDate, 2, 0);
    edits->addWidget(EditDay, 2, 1);
    edits->addWidget(ComboBoxMonth, 2, 2, 1, 2);
    auto *side = new QVBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{ButtonNew, ButtonDelete, ButtonGerman, ButtonEnableAll,
                                                      ButtonDisableAll})
        side->addWidget(w);
    side->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(TreeGrid1, 1);
    top->addLayout(side);
    QHBoxLayout *bottom = OkCancelRow(this, ButtonOK, ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(edits);
    layout->addLayout(bottom);
    resize(560, 480);

    connect(RadioButtonEaster, &QRadioButton::toggled, this, &TDefineHolidayDialog::KindChanged);
    connect(EditName, &QLineEdit::textEdited, this, &TDefineHolidayDialog::Edited);
    EndRenameOnEnter(EditName, TreeGrid1);
    connect(EditOffset, &QSpinBox::valueChanged, this, [this](int value) {
        if (FShowing || !RadioButtonEaster->isChecked())
            return;
        FShowing = true;
        EditDay->setValue(value);
        FShowing = false;
        Edited();
    });
    connect(EditDay, &QSpinBox::valueChanged, this, [this](int value) {
        if (FShowing || !RadioButtonDate->isChecked())
            return;
        FShowing = true;
        EditOffset->setValue(value);
        FShowing = false;
        Edited();
    });
    connect(ComboBoxMonth, &QComboBox::currentIndexChanged, this, &TDefineHolidayDialog::Edited);
    connect(ButtonNew, &QPushButton::clicked, this, &TDefineHolidayDialog::NewHolidayClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TDefineHolidayDialog::DeleteHolidayClick);
    connect(ButtonGerman, &QPushButton::clicked, this, &TDefineHolidayDialog::AddGermanHolidaysClick);
    connect(ButtonEnableAll, &QPushButton::clicked, this, [this] { SetAllChecked(true); });
    connect(ButtonDisableAll, &QPushButton::clicked, this, [this] { SetAllChecked(false); });
    connect(ButtonOK, &QPushButton::clicked, this, &TDefineHolidayDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    RowSelected();
}

void TDefineHolidayDialog::Fill(const std::vector<THolidayData> &holidays)
{
    FRows = holidays;
    FWasActive = false;
    TreeGrid1->SetCurrentRow(-1);
    RowsChanged();
    RowSelected();
}

std::vector<THolidayData> TDefineHolidayDialog::Holidays() const
{
    return FRows;
}

void TDefineHolidayDialog::RowsChanged()
{
    TreeGrid1->SetRowCount(Count());
    for (int i = 0; i < Count(); ++i)
        TreeGrid1->SetChecked(i, FRows[std::size_t(i)].enabled);
    TreeGrid1->Refresh();
}

bool TDefineHolidayDialog::Append(const THolidayData &holiday)
{
    if (!AddHolidayUnlessNamed(FRows, holiday))
        return false;
    const int selected = GetSelected();
    RowsChanged();
    TreeGrid1->SetCurrentRow(selected);
    return true;
}

bool TDefineHolidayDialog::AddHoliday(const QString &name, int offset, bool checked)
{
    return Append(THolidayData{name, offset, 0, checked, true});
}

bool TDefineHolidayDialog::AddHoliday(const QString &name, int day, int month, bool checked)
{
    return Append(THolidayData{name, day, month, checked, false});
}

THolidayData TDefineHolidayDialog::GetItem(int i) const
{
    return i >= 0 && i < Count() ? FRows[std::size_t(i)] : THolidayData();
}

bool TDefineHolidayDialog::GetChecked(int i) const
{
    return TreeGrid1->Checked(i);
}

int TDefineHolidayDialog::FindHoliday(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FRows[std::size_t(i)].name == name)
            return i;
    return -1;
}

int TDefineHolidayDialog::GetSelected() const
{
    return TreeGrid1->CurrentRow();
}

void TDefineHolidayDialog::SetSelected(int row)
{
    TreeGrid1->SetCurrentRow(row);
    RowSelected();
}

THolidayData *TDefineHolidayDialog::Selected()
{
    const int row = GetSelected();
    return row >= 0 && row < Count() ? &FRows[std::size_t(row)] : nullptr;
}

QString TDefineHolidayDialog::DateText(int row) const
{
    return HolidayDateText(GetItem(row));
}

void TDefineHolidayDialog::RowSelected()
{
    const THolidayData *row = Selected();
    FShowing = true;
    const bool easter = row && row->easter;
    RadioButtonEaster->setChecked(easter);
    RadioButtonDate->setChecked(!easter);
    EditName->setText(row ? row->name : QString());
    EditOffset->setValue(row ? row->day : 0);
    EditDay->setValue(row ? row->day : 1);
    ComboBoxMonth->setCurrentIndex(row && row->month >= 1 ? row->month - 1 : 0);
    FShowing = false;
    for (QWidget *w : std::initializer_list<QWidget *>{RadioButtonEaster, RadioButtonDate, EditName, ButtonDelete})
        w->setEnabled(row);
    EditOffset->setEnabled(row && easter);
    EditDay->setEnabled(row && !easter);
    ComboBoxMonth->setEnabled(row && !easter);
}

void TDefineHolidayDialog::KindChanged()
{
    if (FShowing)
        return;
    THolidayData *row = Selected();
    if (!row)
        return;
    row->easter = RadioButtonEaster->isChecked();
    // A fixed holiday needs a day and month; one relative to Easter has no month.
    if (row->easter)
        row->month = 0;
    EditOffset->setEnabled(row->easter);
    EditDay->setEnabled(!row->easter);
    ComboBoxMonth->setEnabled(!row->easter);
    Edited();
}

void TDefineHolidayDialog::Edited()
{
    if (FShowing)
        return;
    THolidayData *row = Selected();
    if (!row)
        return;
    row->name = EditName->text();
    if (row->easter) {
        row->day = EditOffset->value();
    } else {
        row->day = EditDay->value();
        row->month = ComboBoxMonth->currentIndex() + 1;
    }
    TreeGrid1->Refresh();
}

void TDefineHolidayDialog::NewHolidayClick()
{
    const QString name = Translate(QStringLiteral("new Holiday"));
    if (!AddHoliday(name, 1, 1, false)) {
        SetSelected(FindHoliday(name));
    } else {
        SetSelected(Count() - 1);
    }
    EditName->setFocus();
    EditName->selectAll();
}

void TDefineHolidayDialog::DeleteHolidayClick()
{
    const int row = GetSelected();
    if (row < 0)
        return;
    FRows.erase(FRows.begin() + row);
    TreeGrid1->SetCurrentRow(-1);
    RowsChanged();
    SetSelected(std::min(row, Count() - 1));
}

void TDefineHolidayDialog::AddGermanHolidaysClick()
{
    for (const THolidayData &holiday : GermanHolidays())
        Append(holiday);
}

void TDefineHolidayDialog::SetAllChecked(bool checked)
{
    for (THolidayData &row : FRows)
        row.enabled = checked;
    RowsChanged();
}

void TDefineHolidayDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const int month = ComboBoxMonth->currentIndex();
    FShowing = true;
    ComboBoxMonth->clear();
    ComboBoxMonth->addItems(MonthNames());
    ComboBoxMonth->setCurrentIndex(month);
    FShowing = false;
    FWasActive = true;
    TreeGrid1->SetColumnCaption(0, Translate(QStringLiteral("Name")));
    TreeGrid1->SetColumnCaption(1, Translate(QStringLiteral("Date")));
    SetSelected(Count() > 0 ? 0 : -1);
}

void TDefineHolidayDialog::OkClick()
{
    if (!OnConfirm || OnConfirm())
        accept();
}
