#include "editor/EditorForm.h"

#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "Language.h"
#include "dialogs/FramePlacement.h"

TEditorForm::TEditorForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("EditorForm"));
    setWindowTitle(Translate(QStringLiteral("ZOP Editor")));
    FPlacement = new TFramePlacement(this);
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
    // place: shown before, or placed from the settings, it goes where it was left.
    if (!isVisible() && (FShownBefore || testAttribute(Qt::WA_Moved)))
        FPlacement->Place(pos());
    show();
    FShownBefore = true;
}

void TEditorForm::PlaceAt(QPoint topLeft)
{
    FPlacement->Place(topLeft);
}

void TEditorForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit SizeChanged();
}

void TEditorForm::closeEvent(QCloseEvent *event)
{
    emit Closing();
    QWidget::closeEvent(event);
}
