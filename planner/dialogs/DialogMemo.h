#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// A dialog's multi-line field of names or values, one a line. Tab and Shift+Tab move on to
// the other controls as everywhere in a dialog; no tab character gets into the text: one that
// is pasted or dropped, or that the field is filled with, becomes a blank.
class TDialogMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TDialogMemo(QWidget *parent = nullptr);

    // The lines shown (tabs already blanks), and the field filled with lines.
    QStringList Lines() const;
    void SetLines(const QStringList &lines);

    // The text with every tab as a blank.
    static QString WithoutTabs(QString text);

protected:
    void insertFromMimeData(const QMimeData *source) override;
    void keyPressEvent(QKeyEvent *event) override;
};
