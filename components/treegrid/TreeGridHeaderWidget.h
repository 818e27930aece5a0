#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "treegrid/TreeGridHeader.h"

class TBaseTreeGrid;

// The header strip on screen: a child of the tree laid over the margin above the rows. It paints
// the header and hands its mouse input, and the tree's input that concerns the header (the
// splitters reaching into the rows, Escape, focus loss, size changes), to the header as messages
// in tree client coordinates.
class TTreeGridHeaderWidget : public QWidget
{
    Q_OBJECT

public:
    TTreeGridHeaderWidget(TTreeGridHeader *header, TBaseTreeGrid *tree);
    ~TTreeGridHeaderWidget() override;

    // Follows the viewport: as wide as the rows, as high as the header, right above them.
    void UpdatePlacement();
    // The header timer (50 ms) watches the mouse while it hovers the header.
    void StartHeaderTimer();
    void StopHeaderTimer();
    bool HeaderTimerActive() const { return FTimer.isActive(); }
    // Keyboard capture while a tracking or drag runs, so that Escape reaches the header.
    void Capture(bool capture);

    QPoint ToClient(QPoint widgetPoint) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Send(TTGHeaderMessageKind kind, QPoint clientPos, QPoint globalPos, Qt::KeyboardModifiers keys,
              Qt::MouseButtons buttons, int key = 0);
    bool HeaderInputActive() const;
    void UpdateCursor(QWidget *target, QPoint clientPos, bool &cursorSet);
    bool ViewportEvent(QEvent *event);
    void TreeEvent(QEvent *event);
    void TimerTick();

    TTreeGridHeader *FHeader;
    QPointer<TBaseTreeGrid> FTree;
    QTimer FTimer;
    QPoint FLastPos;
    bool FCursorSet = false;
    bool FViewportCursorSet = false;
    bool FKeyboardGrabbed = false;
};
