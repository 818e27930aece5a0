#pragma once

#include <QObject>
#include <QPalette>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPoint;
class QSize;
class QWidget;

// A place on the screen of `anchor` for a window of `size` below it, or above it where the
// screen ends first.
QPoint BelowOrAbove(const QWidget *anchor, const QSize &size);

// The mark of a text field whose text was refused, where the user sees it: the field red, the
// reason as its tooltip and in a note under the field (above it where the screen ends) while
// the field's window is active, or, `whileFocused`, while the field has the keys.
class TRefusalMark : public QObject
{
public:
    explicit TRefusalMark(QLineEdit *field, bool whileFocused = false);

    // Marks the field with this reason, or with the new one when it is marked already.
    void Show(const QString &reason);
    // The field loses the mark and gets back the colours it had.
    void Clear();
    bool Shown() const { return FShown; }
    // The note under the field, while it shows.
    QLabel *Note() const;

    // Why a text is no date: the text, its first characters when long.
    static QString NoDate(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowNote();
    void HideNote();
    bool NoteWanted() const;

    QLineEdit *FField;
    bool FWhileFocused;
    bool FShown = false;
    QString FReason;
    QPalette FPalette; // the field's before the mark
    QPointer<QLabel> FNote;
    // The window the note follows when it moves.
    QPointer<QWidget> FWatchedWindow;
};
