#pragma once

#include <QComboBox>

// A combo box that completes its text inline from its own items as the user types.
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
    // The focused box gets the keys and hands them to its edit part without passing the
    // edit's event filters; keys sent to the edit part itself come through the filter.
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Runs after a key is released in the edit part.
    void DoComplete(const class QKeyEvent *event);

private:
    bool FTextCompletion = true;
};
