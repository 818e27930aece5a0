#include "dialogs/DialogParts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "Language.h"

namespace {

// Takes Enter from a rename field before the field passes it on to its dialog. The field
// writes as it is typed; leaving it ends the renaming.
class TRenameEnter : public QObject
{
public:
    TRenameEnter(QLineEdit *field, QWidget *list) : QObject(field), FList(list) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        if (FList && FList->isEnabled())
            FList->setFocus(Qt::OtherFocusReason);
        return true;
    }

private:
    QPointer<QWidget> FList;
};

} // namespace

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

QHBoxLayout *BesidePicture(QVBoxLayout *settings, QWidget *picture, QWidget *below, bool pictureGrows)
{
    settings->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(picture, 1);
    right->addWidget(below);
    auto *body = new QHBoxLayout;
    body->addLayout(settings, pictureGrows ? 0 : 1);
    body->addLayout(right, pictureGrows ? 1 : 0);
    return body;
}

void EndRenameOnEnter(QLineEdit *field, QWidget *list)
{
    field->installEventFilter(new TRenameEnter(field, list));
}
