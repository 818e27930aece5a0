#include "editor/EditorForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "Language.h"

TEditorForm::TEditorForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("EditorForm"));
    setWindowTitle(Translate(QStringLiteral("ZOP Editor")));
    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(0, 0, 0, 0);
    FLayout->setSpacing(0);
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("EditorStatusBar"));
    bar->setSizeGripEnabled(true);
    FStatus = new QLabel(bar);
    FStatus->setObjectName(QStringLiteral("EditorStatusText"));
    // Its count is written anew in each language, never translated from an old count.
    FStatus->setProperty("noTranslate", true);
    bar->addWidget(FStatus, 1);
    FLayout->addWidget(bar);
    resize(300, 300);
}

void TEditorForm::TakeContent(QWidget *content)
{
    content->setParent(this);
    FLayout->insertWidget(0, content, 1);
    content->show();
}

void TEditorForm::SetStatusText(const QString &text)
{
    FStatus->setText(text);
}

QString TEditorForm::StatusText() const
{
    return FStatus->text();
}

void TEditorForm::ShowOnScreen()
{
    // A window manager places a window that is shown again anew unless the program asks for a
    // place: shown before (or placed from the settings), it asks for where it was left, pulled
    // fully onto the screen.
    if (!isVisible() && (FShownBefore || testAttribute(Qt::WA_Moved))) {
        move(OnScreen(frameGeometry()).topLeft());
        // A move to where it is already asks nothing of the window manager by itself.
        if (QWindow *window = windowHandle())
            window->setPosition(geometry().topLeft());
    }
    show();
    FShownBefore = true;
    // The first time the frame is known only now.
    const QRect frame = frameGeometry();
    const QRect placed = OnScreen(frame);
    if (placed.topLeft() != frame.topLeft())
        move(placed.topLeft());
}

QRect TEditorForm::OnScreen(QRect frame) const
{
    const QScreen *screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return frame;
    const QRect area = screen->availableGeometry();
    frame.moveRight(std::min(frame.right(), area.right()));
    frame.moveBottom(std::min(frame.bottom(), area.bottom()));
    frame.moveLeft(std::max(frame.left(), area.left()));
    frame.moveTop(std::max(frame.top(), area.top()));
    return frame;
}

void TEditorForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit SizeChanged();
}
