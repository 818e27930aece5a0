#include "CompletingComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>

TCompletingComboBox::TCompletingComboBox(QWidget *parent)
    : QComboBox(parent)
{
    SetEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TCompletingComboBox::SetEditable(bool editable)
{
    setEditable(editable);
    if (editable) {
        setCompleter(nullptr);
        connect(lineEdit(), &QLineEdit::textEdited, this, &TCompletingComboBox::OnChange, Qt::UniqueConnection);
        lineEdit()->removeEventFilter(this);
        lineEdit()->installEventFilter(this);
    }
}

void TCompletingComboBox::keyReleaseEvent(QKeyEvent *event)
{
    QComboBox::keyReleaseEvent(event);
    if (lineEdit())
        DoComplete(event);
}

bool TCompletingComboBox::eventFilter(QObject *watched, QEvent *event)
{
    const bool handled = QComboBox::eventFilter(watched, event);
    if (event->type() == QEvent::KeyRelease && lineEdit() && watched == lineEdit())
        DoComplete(static_cast<QKeyEvent *>(event));
    return handled;
}

void TCompletingComboBox::DoComplete(const QKeyEvent *event)
{
    const int key = event->key();
    if (!FTextCompletion || !isEditable() || !lineEdit() || key == Qt::Key_Backspace || key == Qt::Key_Delete
        || key == Qt::Key_Shift)
        return;
    QLineEdit *edit = lineEdit();
    const QString typed = edit->text();
    if (typed.isEmpty() || edit->hasSelectedText() || event->text().isEmpty())
        return;
    const int match = findText(typed, Qt::MatchStartsWith); // case-insensitive, first match
    if (match < 0)
        return;
    setCurrentIndex(match);
    const QString item = itemText(match);
    edit->setText(item);
    edit->setSelection(item.size(), -(item.size() - typed.size()));
    emit OnChange();
}
