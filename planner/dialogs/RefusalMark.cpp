#include "dialogs/RefusalMark.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

#include "Language.h"

namespace {

// The field's background while it holds a refused text.
const QColor RefusedColor(255, 214, 214);
// The longest piece of a refused text a note repeats.
constexpr int NoteTextLength = 40;

} // namespace

QPoint BelowOrAbove(const QWidget *anchor, const QSize &size)
{
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height()));
    const QScreen *screen = anchor->screen();
    if (!screen)
        return at;
    const QRect area = screen->availableGeometry();
    if (at.y() + size.height() > area.bottom() + 1)
        at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - size.height());
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    return at;
}

TRefusalMark::TRefusalMark(QLineEdit *field, bool whileFocused)
    : QObject(field), FField(field), FWhileFocused(whileFocused)
{
    field->installEventFilter(this);
}

QString TRefusalMark::NoDate(const QString &text)
{
    QString typed = text.trimmed();
    if (typed.size() > NoteTextLength)
        typed = typed.left(NoteTextLength) + QStringLiteral("...");
    return typed.isEmpty() ? Translate(QStringLiteral("Please enter a date."))
                           : Translate(QStringLiteral("\"%s\" is not a date."), {typed});
}

void TRefusalMark::Show(const QString &reason)
{
    if (!FShown) {
        FPalette = FField->palette();
        QPalette palette = FPalette;
        palette.setColor(QPalette::Base, RefusedColor);
        FField->setPalette(palette);
        FShown = true;
    }
    FReason = reason;
    FField->setToolTip(reason);
    if (NoteWanted())
        ShowNote();
}

void TRefusalMark::Clear()
{
    if (!FShown)
        return;
    FShown = false;
    FField->setPalette(FPalette);
    FField->setToolTip(QString());
    HideNote();
}

QLabel *TRefusalMark::Note() const
{
    return FNote && FNote->isVisible() ? FNote.data() : nullptr;
}

bool TRefusalMark::NoteWanted() const
{
    // The note is no window of the other programs the user turns to.
    return FShown && FField->isVisible() && QApplication::activeWindow() && (!FWhileFocused || FField->hasFocus());
}

void TRefusalMark::ShowNote()
{
    if (!FNote) {
        // A window of its own, so that no layout has to make room for it; it takes no focus.
        FNote = new QLabel(FField, Qt::ToolTip);
        FNote->setObjectName(QStringLiteral("DateRefusal"));
        FNote->setProperty("noTranslate", true);
        FNote->setForegroundRole(QPalette::ToolTipText);
        FNote->setBackgroundRole(QPalette::ToolTipBase);
        FNote->setAutoFillBackground(true);
        FNote->setFrameShape(QFrame::Box);
        FNote->setMargin(2);
    }
    FNote->setText(FReason);
    FNote->adjustSize();
    FNote->move(BelowOrAbove(FField, FNote->size()));
    FNote->show();
    if (FWatchedWindow != FField->window()) {
        if (FWatchedWindow)
            FWatchedWindow->removeEventFilter(this);
        FWatchedWindow = FField->window();
        FWatchedWindow->installEventFilter(this);
    }
}

void TRefusalMark::HideNote()
{
    if (FNote)
        FNote->hide();
}

bool TRefusalMark::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FField) {
        switch (event->type()) {
        case QEvent::ActivationChange:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Show:
            if (NoteWanted())
                ShowNote();
            else
                HideNote();
            break;
        case QEvent::Hide:
            HideNote();
            break;
        default:
            break;
        }
    } else if (watched == FWatchedWindow && Note()
               && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        FNote->move(BelowOrAbove(FField, FNote->size()));
    }
    return QObject::eventFilter(watched, event);
}
