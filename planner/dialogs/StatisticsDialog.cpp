#include "dialogs/StatisticsDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "Language.h"
#include "core/PlannerCore.h"
#include "dialogs/NamedControl.h"
#include "table/ColumnStatistics.h"
#include "treegrid/StringTreeGrid.h"

TStatisticsDialog::TStatisticsDialog(TPlannerCore &core, QWidget *parent)
    : QDialog(parent), FCore(core), FStatistics(std::make_unique<TColumnStatistics>(core))
{
    setObjectName(QStringLiteral("StatisticsDialog"));
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(true);
    resize(520, 400);

    const auto radio = [this](const char *name, const char *caption) {
        auto *button = Named(new QRadioButton(QString::fromLatin1(caption), this), name);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                DoStatistics();
        });
        return button;
    };
    RadioButton1 = radio("RadioButton1", "all Tasks");
    RadioButton2 = radio("RadioButton2", "filtered Tasks");
    RadioButton3 = radio("RadioButton3", "selected Tasks");
    RadioButton1->setChecked(true);
    Edit1 = Named(new QLineEdit(this), "Edit1");
    Edit1->setReadOnly(true);
    Edit1->setMaximumWidth(100);
    auto *label = Named(new QLabel(QStringLiteral("No. Tasks: "), this), "Label1");

    StringTreeGrid1 = Named(TStringTreeGrid::Create<TStringTreeGrid>(this), "StringTreeGrid1");
    StringTreeGrid1->TreeOptions().SetMiscOptions(StringTreeGrid1->TreeOptions().MiscOptions() + toCheckSupport);
    StringTreeGrid1->OnGetText = [this](TBaseTreeGrid *, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = FCaptions.value(int(node->Index));
    };
    StringTreeGrid1->OnChecked = [this](TBaseTreeGrid *, PGridNode node) {
        const std::size_t column = node->Index;
        if (column < FChecked.size())
            FChecked[column] = node->CheckState == csCheckedNormal || node->CheckState == csCheckedPressed;
        DoStatistics();
    };
    StringTreeGrid1->setMinimumWidth(180);

    Memo1 = Named(new QPlainTextEdit(this), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button1 = Named(new QPushButton(QStringLiteral("Close"), this), "Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *choice = new QVBoxLayout;
    choice->addWidget(RadioButton1);
    choice->addWidget(RadioButton2);
    choice->addWidget(RadioButton3);
    auto *count = new QHBoxLayout;
    count->addWidget(label);
    count->addWidget(Edit1);
    count->addStretch(1);
    choice->addLayout(count);
    choice->addWidget(StringTreeGrid1, 1);
    auto *body = new QHBoxLayout;
    body->addLayout(choice);
    body->addWidget(Memo1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
}

TStatisticsDialog::~TStatisticsDialog() = default;

void TStatisticsDialog::FillColumns()
{
    const TWhichTable table = FCore.GetActiveTable();
    QStringList captions;
    for (int column = 0; column < FCore.GetTableColCount(table); ++column)
        captions.append(FCore.GetColumnCaption(table, column));
    if (table != FTable || captions != FCaptions)
        FChecked.assign(std::size_t(captions.size()), false);
    FTable = table;
    FCaptions = captions;
    StringTreeGrid1->Clear();
    StringTreeGrid1->SetRootNodeCount(std::uint32_t(FCaptions.size()));
    for (PGridNode node = StringTreeGrid1->GetFirst(); node; node = StringTreeGrid1->GetNext(node)) {
        const int column = int(node->Index);
        StringTreeGrid1->SetCheckType(node, TCheckType::ctCheckBox);
        if (FCore.GetColumnType(table, column) != ctNumber) {
            FChecked[std::size_t(column)] = false;
            node->States.include(vsDisabled);
        } else if (FChecked[std::size_t(column)]) {
            node->CheckState = csCheckedNormal;
        }
    }
    StringTreeGrid1->update();
}

TForEachNode TStatisticsDialog::ChosenSet() const
{
    if (RadioButton2->isChecked())
        return feGroupFiltered;
    if (RadioButton3->isChecked())
        return feSelected;
    return feGroupAll;
}

std::vector<int> TStatisticsDialog::CheckedColumns() const
{
    std::vector<int> columns;
    for (std::size_t i = 0; i < FChecked.size(); ++i)
        if (FChecked[i])
            columns.push_back(int(i));
    return columns;
}

void TStatisticsDialog::SetColumnChecked(int column, bool checked)
{
    for (PGridNode node = StringTreeGrid1->GetFirst(); node; node = StringTreeGrid1->GetNext(node))
        if (int(node->Index) == column)
            StringTreeGrid1->SetCheckState(node, checked ? csCheckedNormal : csUncheckedNormal);
}

void TStatisticsDialog::DoStatistics()
{
    if (FCaptions.isEmpty())
        return;
    const TForEachNode set = ChosenSet();
    const int count = FStatistics->Count(FTable, set);
    Edit1->setText(QString::number(count));
    const std::vector<int> columns = CheckedColumns();
    if (count == 0) {
        Memo1->setEnabled(false);
        Memo1->setPlainText(Translate(QStringLiteral("%s items selected"), {QStringLiteral("0")}));
        return;
    }
    if (columns.empty()) {
        Memo1->setEnabled(false);
        Memo1->setPlainText(Translate(QStringLiteral("No column selected for statistics")));
        return;
    }
    Memo1->setEnabled(true);
    Memo1->setPlainText(FStatistics->Lines(FTable, set, columns).join(QLatin1Char('\n')));
}

void TStatisticsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FillColumns();
    DoStatistics();
}
