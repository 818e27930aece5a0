#include "PreviewPaintBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

TPreviewPaintBox::TPreviewPaintBox(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(false);
}

void TPreviewPaintBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (OnPaint)
        OnPaint(painter);
}

void TPreviewPaintBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TPreviewPaintBox::wheelEvent(QWheelEvent *event)
{
    // High-resolution wheels send parts of a notch; whole notches move a page.
    FWheelRest += event->angleDelta().y();
    const int notches = FWheelRest / 120;
    FWheelRest -= notches * 120;
    if (notches != 0)
        emit Wheel(notches);
    event->accept();
}
