#pragma once

#include <QComboBox>

// A combo box that completes its text inline from its own items as the user types. Without an
// edit part (a drop-down list) the typed characters, blanks included, pick the first item that
// starts with them.
class TCompletingComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TCompletingComboBox(QWidget *parent = nullptr);

    bool TextCompletion() const { return FTextCompletion; }
    void SetTextCompletion(bool value) { FTextCompletion = value; }

    // Qt installs its own list completer whenever the box becomes editable; this keeps it off.
    void SetEditable(bool editable);

signals:
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The focused box gets the keys and hands them to its edit part without passing the
    // edit's event filters; keys sent to the edit part itself come through the filter.
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    // Runs after a key is released in the edit part.
    void DoComplete(const class QKeyEvent *event);

private:
    // A drop-down list: a typed character extends the search; true when the key was used.
    bool TypeAhead(const QKeyEvent *event);

    bool FTextCompletion = true;
    QString FTyped;
    quint64 FTypedAt = 0; // the time of the last typed key's event
};
