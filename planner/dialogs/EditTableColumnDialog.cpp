#include "dialogs/EditTableColumnDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Language.h"
#include "dialogs/DialogParts.h"
#include "setup/SetupRules.h"

TEditTableColumnDialog::TEditTableColumnDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditTableColumnDialog"));
    setWindowTitle(Translate(QStringLiteral("Edit Column")));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const QString &name : ColumnTypeNames)
        ComboBox1->addItem(name);
    Memo1 = new TDialogMemo(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Label3 = new QLabel(Translate(QStringLiteral("Format")), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->hide();
    Button3 = new QPushButton(Translate(QStringLiteral("Edit resources...")), this);
    Button3->setObjectName(QStringLiteral("Button3"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(Translate(QStringLiteral("Name")), this), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(Translate(QStringLiteral("Type")), this), 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(Label3, 2, 0, Qt::AlignTop);
    grid->addWidget(Memo1, 2, 1);
    grid->addWidget(Button3, 3, 1, Qt::AlignLeft);
    QHBoxLayout *buttons = OkCancelRow(this, ButtonOK, ButtonCancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(2, 1);
    resize(360, 300);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TEditTableColumnDialog::ComboBox1Change);
    connect(ButtonOK, &QPushButton::clicked, this, &TEditTableColumnDialog::OkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] {
        if (OnEditResources)
            OnEditResources();
    });
}

void TEditTableColumnDialog::Fill(const QString &caption, TColumnType type, const QStringList &values, bool typeLocked,
                                  bool positionColumn)
{
    FPositionColumn = positionColumn;
    Edit1->setText(caption);
    Memo1->SetLines(values);
    Edit2->setText(values.join(QLatin1Char(',')));
    ComboBox1->setCurrentIndex(int(type));
    ComboBox1->setEnabled(!typeLocked);
    Button3->setVisible(positionColumn);
    ComboBox1Change();
}

void TEditTableColumnDialog::OkClick()
{
    if (Edit1->text().trimmed().isEmpty()) {
        if (OnMessage)
            OnMessage(EmptyColumnNameMessage());
        Edit1->setFocus();
        return;
    }
    accept();
}

QString TEditTableColumnDialog::Caption() const
{
    return Edit1->text();
}

TColumnType TEditTableColumnDialog::Type() const
{
    return TColumnType(std::max(ComboBox1->currentIndex(), 0));
}

QStringList TEditTableColumnDialog::Values() const
{
    QStringList values;
    for (const QString &line : Memo1->Lines())
        if (!line.isEmpty())
            values.append(line);
    return values;
}

void TEditTableColumnDialog::ComboBox1Change()
{
    const bool list = Type() == ctPulldown && !FPositionColumn;
    Memo1->setVisible(list);
    Label3->setVisible(list);
}
