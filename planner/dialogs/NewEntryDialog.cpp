#include "dialogs/NewEntryDialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "Language.h"

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
    // The frame of a window that has none yet is taken to be that of the window it belongs
    // to: the same window manager draws both.
    winId();
    FFrame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (FFrame.isNull() && parentWidget() && parentWidget()->window()->windowHandle())
        FFrame = parentWidget()->window()->windowHandle()->frameMargins();
    FAnchor = bottomLeft;
    FPlacing = true;
    Place();
}

void TNewEntryDialog::Place()
{
    QRect frame(QPoint(0, 0), size().grownBy(FFrame));
    frame.moveBottomLeft(FAnchor - QPoint(0, 1));
    if (const QScreen *screen = QGuiApplication::screenAt(FAnchor)) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    }
    // A window's position is that of its frame.
    move(frame.topLeft());
}

void TNewEntryDialog::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    // The window manager framed the window differently than assumed: placed again, once.
    if (FPlacing && isVisible() && windowHandle()) {
        const QMargins frame = windowHandle()->frameMargins();
        if (!frame.isNull() && frame != FFrame) {
            FFrame = frame;
            FPlacing = false;
            Place();
        }
    }
}

void TNewEntryDialog::hideEvent(QHideEvent *event)
{
    FPlacing = false;
    QDialog::hideEvent(event);
}

void TNewEntryDialog::Choose(TWhichTable chosen)
{
    table = chosen;
    accept();
}
