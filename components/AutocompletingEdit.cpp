#include "AutocompletingEdit.h"

#include <QKeyEvent>

#include <algorithm>

TAutocompletingEdit::TAutocompletingEdit(QWidget *parent)
    : QLineEdit(parent)
{
    // Text typed normally reports its change through the same event as a completion.
    connect(this, &QLineEdit::textEdited, this, [this] { emit OnChange(); });
}

void TAutocompletingEdit::SetItems(const QStringList &items)
{
    FItems = items;
    // Sorting and matching must agree, or the scan could miss a match.
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    FItemIndex = -1;
}

void TAutocompletingEdit::SetItemIndex(int index)
{
    if (index >= 0 && index < FItems.size()) {
        FItemIndex = index;
        QLineEdit::setText(FItems.at(index));
    } else {
        FItemIndex = -1;
        QLineEdit::clear();
    }
}

void TAutocompletingEdit::SetText(const QString &text)
{
    if (!FLimitToList) {
        QLineEdit::setText(text);
        return;
    }
    // The same check as for a typed key, with a NUL that is dropped again.
    if (!Complete(text + QChar(0), false))
        QLineEdit::setText(text);
}

void TAutocompletingEdit::Clear()
{
    QLineEdit::clear();
    FItems.clear();
    FItemIndex = -1;
    FAutoCompleted = false;
}

int TAutocompletingEdit::FindPrefix(const QString &prefix) const
{
    // Locale collation is not monotone in prefixes (it may ignore punctuation), so the whole
    // sorted list is scanned; the first hit in sorted order wins.
    for (int i = 0; i < FItems.size(); ++i) {
        if (FItems.at(i).startsWith(prefix, Qt::CaseSensitive))
            return i;
    }
    return -1;
}

bool TAutocompletingEdit::Complete(QString candidate, bool fromTyping)
{
    candidate.remove(QChar(0));
    if (candidate.isEmpty()) {
        FItemIndex = -1;
        if (!fromTyping)
            QLineEdit::setText(candidate);
        return !fromTyping;
    }
    const int match = FindPrefix(candidate);
    if (match >= 0) {
        FItemIndex = match;
        const QString item = FItems.at(match);
        QLineEdit::setText(item);
        setSelection(item.size(), -(item.size() - candidate.size()));
        FAutoCompleted = true;
        emit OnChange();
        return true;
    }
    if (!FLimitToList) {
        FItemIndex = -1;
        return false; // typed normally
    }
    FItemIndex = -1;
    QLineEdit::clear();
    emit OnChange();
    return true;
}

void TAutocompletingEdit::keyPressEvent(QKeyEvent *event)
{
    if (!FAutoComplete || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    FAutoCompleted = false;
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Backspace) {
        if (!FLimitToList) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        // Keep the text a prefix of a candidate: step back and select the rest.
        if (hasSelectedText())
            del();
        const int caret = qMax(0, cursorPosition() - 1);
        setSelection(text().size(), -(text().size() - caret));
        emit OnChange();
        return;
    }
    const QString typed = event->text();
    const bool isCharacter = !typed.isEmpty() && typed.at(0).isPrint()
                             && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (!isCharacter) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString current = text();
    const QString candidate = hasSelectedText() ? current.left(selectionStart()) + typed : current + typed;
    if (!Complete(candidate, true))
        QLineEdit::keyPressEvent(event);
}

void TAutocompletingEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    DoExit();
}

void TAutocompletingEdit::DoExit()
{
    emit OnExit();
    if (FAutoCompleted) {
        FAutoCompleted = false;
        emit OnChange();
    }
}
