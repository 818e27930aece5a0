#include "dialogs/SetupPositionsDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/DialogParts.h"
#include "dialogs/EditTimeDialog.h"
#include "dialogs/ListGrid.h"
#include "setup/PositionEntry.h"
#include "setup/SetupRules.h"

namespace {

QString DayName(int day)
{
    static const char *const names[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    return Translate(QString::fromLatin1(names[day]));
}

QString HHMM(TTimeOfDay time)
{
    return QStringLiteral("%1:%2").arg(time.Hour(), 2, 10, QLatin1Char('0')).arg(time.Minute(), 2, 10, QLatin1Char('0'));
}

} // namespace

TSetupPositionsDialog::TSetupPositionsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupPositionsDialog"));
    setWindowTitle(Translate(QStringLiteral("Edit resources...")));
    ListView1 = TBaseTreeGrid::Create<TListGrid>(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->SetColumns({Translate(QStringLiteral("Resource"))}, {200});
    ListView1->OnRowText = [this](int row, int) {
        return row >= 0 && row < int(FSetup.Entries.size()) ? TPositionEntry(FSetup.Entries[std::size_t(row)].Entry).Name()
                                                             : QString();
    };
    ListView1->OnCurrentRowChanged = [this](int) { RowSelected(); };
    ListView1->setMinimumWidth(210);

    Memo1 = new TDialogMemo(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    StringTreeGrid1 = TBaseTreeGrid::Create<TListGrid>(this);
    StringTreeGrid1->setObjectName(QStringLiteral("StringTreeGrid1"));
    StringTreeGrid1->SetCheckBoxes(true);
    StringTreeGrid1->SetColumns({Translate(QStringLiteral("Weekday")), Translate(QStringLiteral("Begin")),
                                 Translate(QStringLiteral("End")), Translate(QStringLiteral("Working hours"))},
                                {90, 50, 50, 63});
    StringTreeGrid1->OnRowText = [this](int row, int column) { return DayText(row, column); };
    StringTreeGrid1->OnCurrentRowChanged = [this](int) { DaySelected(); };
    StringTreeGrid1->OnCheckClicked = [this](int) { WeekChecked(); };
    StringTreeGrid1->OnRowDoubleClicked = [this](int) { EditDayClick(); };
    StringTreeGrid1->setMinimumSize(280, 170);

    Edit1 = new QSpinBox(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setRange(1, 32767);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({Translate(QStringLiteral("Day")), Translate(QStringLiteral("Minute"))});

    ButtonNew = MakeDialogButton(this, "ButtonNew", "new");
    ButtonDelete = MakeDialogButton(this, "ButtonDelete", "delete");
    ButtonApplyAll = MakeDialogButton(this, "ButtonApplyAll", "Apply Time to all Days");
    ButtonEditDay = MakeDialogButton(this, "ButtonEditDay", "Edit Weekday");
    ButtonCopyAll = MakeDialogButton(this, "ButtonCopyAll", "Copy Setup to all Resources");
    MakeUpDown(this, UpDownUp, UpDownDown);

    auto *listButtons = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{ButtonNew, ButtonDelete, UpDownUp, UpDownDown})
        listButtons->addWidget(w);
    listButtons->addStretch();
    auto *left = new QVBoxLayout;
    left->addWidget(ListView1, 1);
    left->addLayout(listButtons);

    auto *right = new QGridLayout;
    right->addWidget(new QLabel(Translate(QStringLiteral("Complete Description of Resource")), this), 0, 0, 1, 2);
    right->addWidget(Memo1, 1, 0, 1, 2);
    right->addWidget(StringTreeGrid1, 2, 0, 1, 2);
    auto *dayButtons = new QHBoxLayout;
    dayButtons->addWidget(ButtonApplyAll);
    dayButtons->addWidget(ButtonEditDay);
    dayButtons->addStretch();
    right->addLayout(dayButtons, 3, 0, 1, 2);
    right->addWidget(new QLabel(Translate(QStringLiteral("Number of Rows for this Resource")), this), 4, 0);
    right->addWidget(Edit1, 4, 1);
    right->addWidget(new QLabel(Translate(QStringLiteral("Smallest Time Unit")), this), 5, 0);
    right->addWidget(ComboBox1, 5, 1);
    right->addWidget(ButtonCopyAll, 6, 0, 1, 2, Qt::AlignLeft);
    right->setRowStretch(2, 1);

    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    QHBoxLayout *bottom = OkCancelRow(this, ButtonOK, ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(640, 520);

    EditTimeDialog = new TEditTimeDialog(this);
    EditTimeDialog->OnMessage = [this](const QString &text) {
        if (OnMessage)
            OnMessage(text);
    };

    connect(Memo1, &QPlainTextEdit::textChanged, this, &TSetupPositionsDialog::MemoChanged);
    connect(Edit1, &QSpinBox::valueChanged, this, &TSetupPositionsDialog::RowsChanged);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TSetupPositionsDialog::UnitChanged);
    connect(ButtonNew, &QPushButton::clicked, this, &TSetupPositionsDialog::NewClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TSetupPositionsDialog::DeleteClick);
    connect(UpDownUp, &QToolButton::clicked, this, [this] { MoveSelected(-1); });
    connect(UpDownDown, &QToolButton::clicked, this, [this] { MoveSelected(1); });
    connect(ButtonApplyAll, &QPushButton::clicked, this, &TSetupPositionsDialog::ApplyTimeToAllDaysClick);
    connect(ButtonEditDay, &QPushButton::clicked, this, &TSetupPositionsDialog::EditDayClick);
    connect(ButtonCopyAll, &QPushButton::clicked, this, &TSetupPositionsDialog::CopySetupToAllResourcesClick);
    connect(ButtonOK, &QPushButton::clicked, this, &TSetupPositionsDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    StringTreeGrid1->SetRowCount(7);
    DaySelected();
}

void TSetupPositionsDialog::Fill(const TPositionsSetup &setup)
{
    FSetup = setup;
    FWasActive = false;
    ListView1->SetRowCount(int(FSetup.Entries.size()));
    ListView1->Refresh();
    FShowing = true;
    ComboBox1->setCurrentIndex(FSetup.Unit == muMinute ? 1 : 0);
    FShowing = false;
    UnitChanged();
    SelectRow(int(FSetup.Entries.size()) - 1);
}

int TSetupPositionsDialog::ExecNested()
{
    const TPositionsSetup before = FSetup;
    const bool wasActive = FWasActive;
    FNested = true;
    const int result = exec();
    FNested = false;
    if (result != QDialog::Accepted) {
        Fill(before);
        FWasActive = wasActive;
    }
    return result;
}

int TSetupPositionsDialog::SelectedRow() const
{
    return ListView1->CurrentRow();
}

void TSetupPositionsDialog::SelectRow(int row)
{
    ListView1->SetCurrentRow(row);
    RowSelected();
}

QString TSetupPositionsDialog::SelectedEntry() const
{
    const int row = SelectedRow();
    return row >= 0 ? FSetup.Entries[std::size_t(row)].Entry : QString();
}

void TSetupPositionsDialog::SetSelectedEntry(const QString &entry)
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    FSetup.Entries[std::size_t(row)].Entry = entry;
    ListView1->Refresh();
    StringTreeGrid1->Refresh();
}

void TSetupPositionsDialog::RowSelected()
{
    const int row = SelectedRow();
    const TPositionEntry entry(SelectedEntry());
    FShowing = true;
    Memo1->SetLines(row >= 0 ? entry.Description() : QStringList());
    Memo1->setEnabled(row >= 0);
    const tWeekInfo week = entry.Week();
    for (int day = 0; day < 7; ++day)
        StringTreeGrid1->SetChecked(day, row >= 0 && week[day].active);
    StringTreeGrid1->setEnabled(row >= 0);
    Edit1->setValue(entry.Rows());
    Edit1->setEnabled(row >= 0);
    FShowing = false;
    StringTreeGrid1->Refresh();
    UpDownUp->setEnabled(row >= 0);
    UpDownDown->setEnabled(row >= 0);
    ButtonDelete->setEnabled(row >= 0 && FSetup.Entries.size() >= 2);
    ButtonCopyAll->setEnabled(row >= 0);
    DaySelected();
}

void TSetupPositionsDialog::MemoChanged()
{
    if (FShowing || SelectedRow() < 0)
        return;
    TPositionEntry entry(SelectedEntry());
    entry.SetDescription(Memo1->Lines());
    SetSelectedEntry(entry.Text());
}

void TSetupPositionsDialog::RowsChanged(int rows)
{
    if (FShowing || SelectedRow() < 0)
        return;
    TPositionEntry entry(SelectedEntry());
    entry.SetRows(rows);
    SetSelectedEntry(entry.Text());
}

void TSetupPositionsDialog::WeekChecked()
{
    if (FShowing || SelectedRow() < 0)
        return;
    TPositionEntry entry(SelectedEntry());
    tWeekInfo week = entry.Week();
    for (int day = 0; day < 7; ++day)
        week[day].active = StringTreeGrid1->Checked(day);
    entry.SetWeek(week);
    SetSelectedEntry(entry.Text());
}

void TSetupPositionsDialog::NewClick()
{
    const QString name = UniqueName(Translate(QStringLiteral("New Resource")), [this](const QString &candidate) {
        for (const TPositionSetupEntry &entry : FSetup.Entries)
            if (TPositionEntry(entry.Entry).Name() == candidate)
                return true;
        return false;
    });
    FSetup.Entries.push_back(
        {TPositionEntry::Make({name, Translate(QStringLiteral("additional information"))}).Text(), -1});
    ListView1->SetRowCount(int(FSetup.Entries.size()));
    SelectRow(int(FSetup.Entries.size()) - 1);
    Memo1->setFocus();
    Memo1->selectAll();
}

void TSetupPositionsDialog::DeleteClick()
{
    const int row = SelectedRow();
    // Tasks need a position to stand on: the last one stays.
    if (row < 0 || FSetup.Entries.size() < 2)
        return;
    FSetup.Entries.erase(FSetup.Entries.begin() + row);
    ListView1->SetCurrentRow(-1);
    ListView1->SetRowCount(int(FSetup.Entries.size()));
    SelectRow(std::min(row, int(FSetup.Entries.size()) - 1));
}

void TSetupPositionsDialog::MoveSelected(int step)
{
    const int row = SelectedRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= int(FSetup.Entries.size()))
        return;
    std::swap(FSetup.Entries[std::size_t(row)], FSetup.Entries[std::size_t(other)]);
    ListView1->Refresh();
    SelectRow(other);
}

int TSetupPositionsDialog::SelectedDay() const
{
    return StringTreeGrid1->CurrentRow();
}

void TSetupPositionsDialog::SelectDay(int day)
{
    StringTreeGrid1->SetCurrentRow(day);
    DaySelected();
}

void TSetupPositionsDialog::DaySelected()
{
    const int day = SelectedRow() >= 0 ? SelectedDay() : -1;
    ButtonApplyAll->setEnabled(day >= 0);
    ButtonEditDay->setEnabled(day >= 0);
    ButtonEditDay->setText(day >= 0 ? Translate(QStringLiteral("Edit %s"), {DayName(day)})
                                    : Translate(QStringLiteral("Edit Weekday")));
}

bool TSetupPositionsDialog::EditDayClick()
{
    const int day = SelectedDay();
    if (day < 0 || SelectedRow() < 0)
        return false;
    TPositionEntry entry(SelectedEntry());
    tWeekInfo week = entry.Week();
    EditTimeDialog->Fill(week[day]);
    if (EditTimeDialog->exec() != QDialog::Accepted)
        return false;
    week[day] = EditTimeDialog->Day();
    entry.SetWeek(week);
    SetSelectedEntry(entry.Text());
    return true;
}

void TSetupPositionsDialog::ApplyTimeToAllDaysClick()
{
    const int day = SelectedDay();
    if (day < 0 || SelectedRow() < 0)
        return;
    TPositionEntry entry(SelectedEntry());
    tWeekInfo week = entry.Week();
    const TDayInfo model = week[day];
    for (TDayInfo &other : week.day) {
        const bool active = other.active;
        other = model;
        other.active = active;
    }
    entry.SetWeek(week);
    SetSelectedEntry(entry.Text());
}

void TSetupPositionsDialog::CopySetupToAllResourcesClick()
{
    if (SelectedRow() < 0)
        return;
    const QString week = TPositionEntry(SelectedEntry()).WeekText();
    for (TPositionSetupEntry &item : FSetup.Entries) {
        TPositionEntry entry(item.Entry);
        entry.SetWeekText(week);
        item.Entry = entry.Text();
    }
    ListView1->Refresh();
}

void TSetupPositionsDialog::UnitChanged()
{
    const bool minutes = ComboBox1->currentIndex() == 1;
    if (!FShowing)
        FSetup.Unit = minutes ? muMinute : muDay;
    // In days only the working days count; their hours matter in minutes.
    for (int column = 1; column < 4; ++column)
        StringTreeGrid1->SetColumnVisible(column, minutes);
    StringTreeGrid1->SetColumnWidth(0, minutes ? 90 : 253);
    ButtonApplyAll->setVisible(minutes);
    ButtonEditDay->setVisible(minutes);
}

QString TSetupPositionsDialog::DayText(int day, int column) const
{
    if (day < 0 || day >= 7)
        return QString();
    if (column == 0)
        return DayName(day);
    const TDayInfo info = TPositionEntry(SelectedEntry()).Week()[day];
    switch (column) {
    case 1:
        return HHMM(info.start);
    case 2:
        return HHMM(info.ende);
    default:
        return WorkingHoursText(info.length);
    }
}

void TSetupPositionsDialog::TranslateTexts()
{
    ComboBox1->setItemText(0, Translate(QStringLiteral("Day")));
    ComboBox1->setItemText(1, Translate(QStringLiteral("Minute")));
    ListView1->SetColumnCaption(0, Translate(QStringLiteral("Resource")));
    static const char *const captions[4] = {"Weekday", "Begin", "End", "Working hours"};
    for (int i = 0; i < 4; ++i)
        StringTreeGrid1->SetColumnCaption(i, Translate(QString::fromLatin1(captions[i])));
}

void TSetupPositionsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FWasActive = true;
    TranslateTexts();
    SelectRow(FSetup.Entries.empty() ? -1 : 0);
}

void TSetupPositionsDialog::OkClick()
{
    if (FNested || !OnConfirm || OnConfirm())
        accept();
}
