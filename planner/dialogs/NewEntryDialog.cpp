#include "dialogs/NewEntryDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/FramePlacement.h"

namespace {

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(Translate(QString::fromLatin1(caption)), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

TNewEntryDialog::TNewEntryDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("NewEntryDialog"));
    setWindowTitle(Translate(QStringLiteral("new Task")));
    setModal(true);
    FPlacement = new TFramePlacement(this);

    LabelBegin = MakeLabel(this, "LabelBegin", QString());
    LabelEnd = MakeLabel(this, "LabelEnd", QString());
    LabelPos = MakeLabel(this, "LabelPos", QString());
    Button1 = MakeButton(this, "Button1", "Tasks");
    Button2 = MakeButton(this, "Button2", "Absent Days");
    Button3 = MakeButton(this, "Button3", "Cancel");
    connect(Button1, &QPushButton::clicked, this, [this] { Choose(tbTable); });
    connect(Button2, &QPushButton::clicked, this, [this] { Choose(tbExclude); });
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, "Label2", Translate(QStringLiteral("Begin:"))), 0, 0);
    grid->addWidget(LabelBegin, 0, 1);
    grid->addWidget(MakeLabel(this, "Label3", Translate(QStringLiteral("End:"))), 1, 0);
    grid->addWidget(LabelEnd, 1, 1);
    grid->addWidget(MakeLabel(this, "Label4", Translate(QStringLiteral("Position:"))), 2, 0);
    grid->addWidget(LabelPos, 2, 1);
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    buttons->addWidget(Button3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(this, "Label1", Translate(QStringLiteral("Where should the Task be placed?"))));
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TNewEntryDialog::Prepare(const QString &begin, const QString &end, const QString &position, TWhichTable active)
{
    LabelBegin->setText(begin);
    LabelEnd->setText(end);
    LabelPos->setText(position);
    table = active;
    Button1->setDefault(active == tbTable);
    Button2->setDefault(active == tbExclude);
    (active == tbTable ? Button1 : Button2)->setFocus();
}

void TNewEntryDialog::PlaceAt(QPoint bottomLeft)
{
    adjustSize();
    FPlacement->Place(bottomLeft, true);
}

void TNewEntryDialog::Choose(TWhichTable chosen)
{
    table = chosen;
    accept();
}
