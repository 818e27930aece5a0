#include "CompletingComboBox.h"

#include <QApplication>
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
    FTyped.clear();
    if (editable) {
        setCompleter(nullptr);
        connect(lineEdit(), &QLineEdit::textEdited, this, &TCompletingComboBox::OnChange, Qt::UniqueConnection);
        lineEdit()->removeEventFilter(this);
        lineEdit()->installEventFilter(this);
    }
}

void TCompletingComboBox::keyPressEvent(QKeyEvent *event)
{
    if (!isEditable() && TypeAhead(event)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool TCompletingComboBox::TypeAhead(const QKeyEvent *event)
{
    const QString text = event->text();
    // Keys without a character (Tab, arrows, F4) and shortcuts keep their meaning and end the
    // search; a blank is a character of the items here, not the key that opens the list.
    if (!FTextCompletion || text.isEmpty() || !text.at(0).isPrint()
        || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        FTyped.clear();
        return false;
    }
    // A pause starts a new search. The events' own times count, not when a busy program got
    // to them; keys without a time (made by the program) continue the search.
    const quint64 at = event->timestamp();
    if (at != 0 && FTypedAt != 0 && at - FTypedAt > quint64(QApplication::keyboardInputInterval()))
        FTyped.clear();
    FTypedAt = at;
    FTyped += text;
    const int match = findText(FTyped, Qt::MatchStartsWith); // case-insensitive, first match
    if (match >= 0 && match != currentIndex()) {
        setCurrentIndex(match);
        emit OnChange();
    }
    return true;
}

void TCompletingComboBox::focusInEvent(QFocusEvent *event)
{
    FTyped.clear();
    QComboBox::focusInEvent(event);
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
