#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "Canvas.h"
#include "Color.h"

class QMouseEvent;
class QWheelEvent;
class QKeyEvent;

using TNotifyEvent = std::function<void(QObject *sender)>;
using TPanelMouseEvent = std::function<void(QObject *sender, QMouseEvent *event)>;
using TPanelWheelEvent = std::function<void(QObject *sender, QWheelEvent *event)>;
using TPanelKeyEvent = std::function<void(QObject *sender, QKeyEvent *event)>;
using TPanelOverlayEvent = std::function<void(QObject *sender, QPainter &painter)>;

// A panel whose owner paints it: each paint erases the background into an off-screen picture,
// lets OnPaint draw on Canvas() and then shows the finished picture in one copy, so no half-drawn
// frame is ever seen. The picture persists between paints, so its pixels can be read back.
// Coordinates given to the owner are client coordinates (the client area's top-left is 0, 0).
class TCanvasPanel : public QWidget
{
public:
    explicit TCanvasPanel(QWidget *parent = nullptr);
    ~TCanvasPanel() override;

    // The canvas over the off-screen picture, sized to the client area.
    TCanvas &Canvas();
    // The drawing area in client coordinates: (0, 0, width, height) for the plain panel.
    virtual QRect GetClientRect() const;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);

    // Moves what is shown by dx, dy pixels (the kept picture and the screen alike) and repaints
    // only the strips that were uncovered.
    void ScrollContents(int dx, int dy);

    TNotifyEvent OnPaint;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TPanelMouseEvent OnMouseDown;
    TPanelMouseEvent OnMouseMove;
    TPanelMouseEvent OnMouseUp;
    TPanelMouseEvent OnDblClick;
    TPanelWheelEvent OnMouseWheel;
    TPanelKeyEvent OnKeyDown;
    TPanelKeyEvent OnKeyUp;
    // Drawn over the finished picture on the screen only, never into the kept picture (rubber
    // bands and other transient marks); client coordinates.
    TPanelOverlayEvent OnPaintOverlay;

protected:
    // Fires OnPaint with the canvas font set to the control's font; without a handler the
    // erased background is the whole picture.
    virtual void Paint();
    // Where the client area's top-left lies in the widget.
    virtual QPoint ClientOrigin() const { return QPoint(0, 0); }
    // Frame or other decoration outside the client area, painted straight onto the widget.
    virtual void PaintNonClient(QPainter &painter);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void EnsureCanvas();
    void ForwardMouse(const TPanelMouseEvent &handler, QMouseEvent *event);

    std::unique_ptr<TCanvas> FCanvas;
    TColor FColor = clBtnFace;
};
