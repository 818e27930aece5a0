#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// The property editor as a window of its own: it stays on top of the main window and its
// status line counts the selected rows.
class TEditorForm : public QWidget
{
    Q_OBJECT
public:
    explicit TEditorForm(QWidget *parent);

    // The editor's scroll box lives here in window mode.
    void TakeContent(QWidget *content);
    void SetStatusText(const QString &text);
    QString StatusText() const;
    // Shows the window with every part of it on its screen; shown again, where it was left.
    void ShowOnScreen();

signals:
    // The window's size changed (by the user or by the program).
    void SizeChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The frame moved as little as it takes to lie on the screen under its middle.
    QRect OnScreen(QRect frame) const;

    QVBoxLayout *FLayout = nullptr;
    QLabel *FStatus = nullptr;
    bool FShownBefore = false;
};
