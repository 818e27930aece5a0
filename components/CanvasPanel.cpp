#include "CanvasPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

TCanvasPanel::TCanvasPanel(QWidget *parent)
    : QWidget(parent)
{
    // Every pixel is painted here; the parent's background never shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

TCanvasPanel::~TCanvasPanel() = default;

QRect TCanvasPanel::GetClientRect() const
{
    return QRect(0, 0, width(), height());
}

void TCanvasPanel::EnsureCanvas()
{
    const QSize size = GetClientRect().size().expandedTo(QSize(0, 0));
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(size.width(), size.height());
    else
        FCanvas->SetSize(size.width(), size.height());
}

TCanvas &TCanvasPanel::Canvas()
{
    EnsureCanvas();
    return *FCanvas;
}

void TCanvasPanel::SetColor(TColor value)
{
    if (FColor != value) {
        FColor = value;
        update();
    }
}

void TCanvasPanel::Paint()
{
    TCanvas &canvas = Canvas();
    canvas.Font().Assign(font());
    if (OnPaint)
        OnPaint(this);
}

void TCanvasPanel::PaintNonClient(QPainter &)
{
}

void TCanvasPanel::paintEvent(QPaintEvent *event)
{
    const QPoint origin = ClientOrigin();
    TCanvas &canvas = Canvas();
    canvas.SetWindowOrg(0, 0);
    canvas.SelectClipRegion(event->region().translated(-origin));
    // Erase, then let the owner paint on top.
    canvas.Brush().SetColor(FColor);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(GetClientRect());
    Paint();
    canvas.SetWindowOrg(0, 0);
    canvas.RemoveClip();

    QPainter painter(this);
    PaintNonClient(painter);
    // The whole client picture in one copy.
    painter.drawImage(origin, *canvas.Image());
}

void TCanvasPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (OnResize)
        OnResize(this);
}

void TCanvasPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TCanvasPanel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TCanvasPanel::ForwardMouse(const TPanelMouseEvent &handler, QMouseEvent *event)
{
    if (!handler)
        return;
    const QPoint origin = ClientOrigin();
    if (origin.isNull()) {
        handler(this, event);
        return;
    }
    QMouseEvent client(event->type(), event->position() - QPointF(origin), event->scenePosition(),
                       event->globalPosition(), event->button(), event->buttons(), event->modifiers(),
                       event->pointingDevice());
    handler(this, &client);
    event->setAccepted(client.isAccepted());
}

void TCanvasPanel::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    ForwardMouse(OnMouseDown, event);
}

void TCanvasPanel::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    ForwardMouse(OnMouseMove, event);
}

void TCanvasPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    ForwardMouse(OnMouseUp, event);
}

void TCanvasPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    ForwardMouse(OnDblClick, event);
}

void TCanvasPanel::wheelEvent(QWheelEvent *event)
{
    if (OnMouseWheel) {
        event->accept();
        OnMouseWheel(this, event);
    } else {
        QWidget::wheelEvent(event);
    }
}

void TCanvasPanel::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown)
        OnKeyDown(this, event);
    else
        QWidget::keyPressEvent(event);
}

void TCanvasPanel::keyReleaseEvent(QKeyEvent *event)
{
    if (OnKeyUp)
        OnKeyUp(this, event);
    else
        QWidget::keyReleaseEvent(event);
}
