#include "dialogs/DialogMemo.h"

#include <QKeyEvent>
#include <QMimeData>

TDialogMemo::TDialogMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

QStringList TDialogMemo::Lines() const
{
    return WithoutTabs(toPlainText()).split(QLatin1Char('\n'));
}

void TDialogMemo::SetLines(const QStringList &lines)
{
    setPlainText(WithoutTabs(lines.join(QLatin1Char('\n'))));
}

QString TDialogMemo::WithoutTabs(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '));
}

void TDialogMemo::insertFromMimeData(const QMimeData *source)
{
    // Rich text or not, only the plain text comes in; a spreadsheet's cells stay apart.
    if (!source || !source->hasText())
        return;
    QMimeData plain;
    plain.setText(WithoutTabs(source->text()));
    QPlainTextEdit::insertFromMimeData(&plain);
}

void TDialogMemo::keyPressEvent(QKeyEvent *event)
{
    // A tab that Tab's focus move left over (Ctrl+Tab, a tab from an input method) goes to
    // the dialog, not into the text.
    if (event->text().contains(QLatin1Char('\t'))) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
