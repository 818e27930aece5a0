#include "chart/ChartCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Size = 32;

// A closed hand, seen from the back: four knuckles over a palm.
void DrawFist(QPainter &painter, QPointF at, double scale)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(at.x(), at.y() + 4 * scale, 14 * scale, 10 * scale), 3 * scale, 3 * scale);
    for (int i = 0; i < 4; ++i)
        path.addEllipse(QRectF(at.x() + i * 3.5 * scale, at.y(), 4 * scale, 7 * scale));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(path.simplified());
}

QCursor TimerCursor(int step)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawFist(painter, QPointF(2, 2), 1.0);
    // The clock fills a ninth more with every step.
    const QRectF dial(14, 14, 16, 16);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(dial);
    painter.setBrush(QColor(0x40, 0x70, 0xD0));
    painter.drawPie(dial, 90 * 16, -int(360 * 16 * step / 9));
    return QCursor(pixmap, 8, 8);
}

QCursor SwitchCursor()
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawFist(painter, QPointF(2, 2), 1.0);
    // Two arrows: the bar belongs to the other table.
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(QPointF(16, 20), QPointF(28, 20));
    painter.drawLine(QPointF(24, 16), QPointF(28, 20));
    painter.drawLine(QPointF(16, 27), QPointF(28, 27));
    painter.drawLine(QPointF(16, 27), QPointF(20, 31));
    return QCursor(pixmap, 8, 8);
}

} // namespace

void RegisterChartCursors()
{
    for (int step = 1; step <= 9; ++step)
        if (!TCursorRegistry::Has(step))
            TCursorRegistry::Register(step, TimerCursor(step));
    if (!TCursorRegistry::Has(crHandOpen))
        TCursorRegistry::Register(crHandOpen, QCursor(Qt::OpenHandCursor));
    if (!TCursorRegistry::Has(crHandClosed))
        TCursorRegistry::Register(crHandClosed, QCursor(Qt::ClosedHandCursor));
    if (!TCursorRegistry::Has(crHandSwitch))
        TCursorRegistry::Register(crHandSwitch, SwitchCursor());
}

TCursor ChartCursorId(const QString &name)
{
    if (name == QLatin1String("HAND_OPEN"))
        return crHandOpen;
    if (name == QLatin1String("HAND_CLOSED"))
        return crHandClosed;
    if (name == QLatin1String("HAND_SWITCH"))
        return crHandSwitch;
    const QLatin1String prefix("HAND_TIMER_");
    if (name.startsWith(prefix) && name.size() == prefix.size() + 1) {
        const int step = name.back().digitValue();
        if (step >= 1 && step <= 9)
            return step;
    }
    return 0;
}
