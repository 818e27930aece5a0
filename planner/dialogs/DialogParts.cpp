#include "dialogs/DialogParts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

#include "Language.h"

QPushButton *MakeDialogButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(Translate(QString::fromLatin1(caption)), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

void MakeUpDown(QWidget *parent, QToolButton *&up, QToolButton *&down)
{
    up = new QToolButton(parent);
    up->setObjectName(QStringLiteral("UpDown1Up"));
    up->setArrowType(Qt::UpArrow);
    down = new QToolButton(parent);
    down->setObjectName(QStringLiteral("UpDown1Down"));
    down->setArrowType(Qt::DownArrow);
}

QHBoxLayout *OkCancelRow(QWidget *parent, QPushButton *&ok, QPushButton *&cancel, const char *okName,
                         const char *cancelName)
{
    ok = MakeDialogButton(parent, okName, "OK");
    ok->setDefault(true);
    cancel = MakeDialogButton(parent, cancelName, "Cancel");
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}
