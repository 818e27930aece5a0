#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;
class TFramePlacement;

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
    // Shows the window; shown before or given a place, where it was left, pulled fully onto
    // the screen.
    void ShowOnScreen();
    // The frame's top-left corner at a point, pulled fully onto the screen there.
    void PlaceAt(QPoint topLeft);

signals:
    // The window's size changed (by the user or by the program).
    void SizeChanged();
    // The user closes the window.
    void Closing();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    TFramePlacement *FPlacement = nullptr;
    QVBoxLayout *FLayout = nullptr;
    QLabel *FStatus = nullptr;
    bool FShownBefore = false;
};
