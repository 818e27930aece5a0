#pragma once

#include <QWidget>

// The small button beside an editor date field that opens the calendar: drawn as the drop-down
// button of a combo box, pressed while its calendar is open and hot under the mouse. It clicks
// as buttons do, when the left button is released over it, so that the pop-up it opens does
// not take the release of the same click for a click outside.
class TEditorCalendarButton : public QWidget
{
    Q_OBJECT
public:
    explicit TEditorCalendarButton(QWidget *parent = nullptr);

    bool Pressed() const { return FPressed; }
    void SetPressed(bool value);
    bool Hot() const { return FHot; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool FPressed = false;
    bool FMouseDown = false;
    bool FHot = false;
};
