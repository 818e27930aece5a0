#include "CanvasPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>
#include <cstring>

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

void TCanvasPanel::ScrollContents(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    const QRect client = GetClientRect();
    const QRect area = client.translated(ClientOrigin());
    QImage *image = FCanvas ? FCanvas->Image() : nullptr;
    if (!image || image->size() != client.size() || std::abs(dx) >= client.width()
        || std::abs(dy) >= client.height()) {
        update(area);
        return;
    }
    // Shift the kept picture in place, rows in the order that never reads a moved row.
    const int w = image->width();
    const int h = image->height();
    const int bytes = (w - std::abs(dx)) * 4;
    const int from = dx < 0 ? -dx : 0;
    const int to = dx > 0 ? dx : 0;
    const auto moveRow = [&](int y) {
        const int sourceY = y - dy;
        auto *row = image->scanLine(y);
        const auto *source = image->constScanLine(sourceY);
        std::memmove(row + to * 4, source + from * 4, std::size_t(bytes));
    };
    if (dy > 0) {
        for (int y = h - 1; y >= dy; --y)
            moveRow(y);
    } else {
        for (int y = 0; y < h + dy; ++y)
            moveRow(y);
    }
    scroll(dx, dy, area);
    // What scrolled in is painted anew (the screen scroll asks for it too; a hidden or
    // unaccelerated panel gets it from here).
    QRegion uncovered(area);
    uncovered -= area.translated(dx, dy).intersected(area);
    update(uncovered);
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
    // Pen, brush and font set during one paint never reach the next.
    canvas.SaveDC();
    // Erase, then let the owner paint on top.
    canvas.Brush().SetColor(FColor);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(GetClientRect());
    Paint();
    canvas.RestoreDC();
    canvas.SetWindowOrg(0, 0);
    canvas.RemoveClip();

    QPainter painter(this);
    PaintNonClient(painter);
    // The whole client picture in one copy.
    painter.drawImage(origin, *canvas.Image());
    if (OnPaintOverlay) {
        painter.translate(origin);
        painter.setClipRect(GetClientRect());
        OnPaintOverlay(this, painter);
    }
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
