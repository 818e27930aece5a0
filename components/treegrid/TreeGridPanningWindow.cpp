#include "treegrid/TreeGridPanningWindow.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace {

constexpr int Side = 32;
constexpr QRgb Magenta = 0xFFFF00FF;

// Arrow directions in eighths of a turn, clockwise from north.
enum TArrow : std::uint8_t { aN, aNE, aE, aSE, aS, aSW, aW, aNW };

void DrawArrow(QPainter &painter, TArrow arrow, double inner, double outer, double halfWidth)
{
    const double angle = int(arrow) * std::numbers::pi / 4;
    const QPointF direction(std::sin(angle), -std::cos(angle));
    const QPointF across(-direction.y(), direction.x());
    const QPointF centre(Side / 2.0, Side / 2.0);
    QPainterPath path;
    path.moveTo(centre + direction * outer);
    path.lineTo(centre + direction * inner + across * halfWidth);
    path.lineTo(centre + direction * inner - across * halfWidth);
    path.closeSubpath();
    painter.drawPath(path);
}

std::vector<TArrow> ArrowsOf(TTGPanningKind kind)
{
    switch (kind) {
    case pkMoveAll: return {aN, aE, aS, aW};
    case pkMoveEW: return {aE, aW};
    case pkMoveNS: return {aN, aS};
    case pkMoveN: return {aN};
    case pkMoveNE: return {aNE};
    case pkMoveE: return {aE};
    case pkMoveSE: return {aSE};
    case pkMoveS: return {aS};
    case pkMoveSW: return {aSW};
    case pkMoveW: return {aW};
    case pkMoveNW: return {aNW};
    }
    return {};
}

} // namespace

const char *PanningResourceName(TTGPanningKind kind)
{
    static const char *const names[] = {"TG_MOVEALL", "TG_MOVEEW", "TG_MOVENS", "TG_MOVEN", "TG_MOVENE", "TG_MOVEE",
                                        "TG_MOVESE", "TG_MOVES", "TG_MOVESW", "TG_MOVEW", "TG_MOVENW"};
    return names[kind];
}

QImage PanningImage(TTGPanningKind kind)
{
    QImage image(Side, Side, QImage::Format_RGB32);
    image.fill(Magenta);
    QPainter painter(&image);
    // No smoothing: the edge must not blend into magenta, or the cut region would show it.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(1, 1, Side - 3, Side - 3));
    painter.setBrush(Qt::black);
    for (TArrow arrow : ArrowsOf(kind))
        DrawArrow(painter, arrow, 5, 12, 4);
    painter.drawEllipse(QRect(Side / 2 - 2, Side / 2 - 2, 4, 4));
    return image;
}

QCursor PanningCursor(TTGPanningKind kind)
{
    QImage image(Side, Side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(Side / 2.0, Side / 2.0), 2.5, 2.5);
    for (TArrow arrow : ArrowsOf(kind))
        DrawArrow(painter, arrow, 5, 13, 4.5);
    painter.end();
    return QCursor(QPixmap::fromImage(image), Side / 2, Side / 2);
}

QRegion OpaqueRegion(const QImage &image)
{
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && image.pixel(x, y) == Magenta)
                ++x;
            const int start = x;
            while (x < image.width() && image.pixel(x, y) != Magenta)
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

TTreeGridPanningWindow::TTreeGridPanningWindow(TTGPanningKind kind, QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                          | Qt::WindowTransparentForInput)
    , FKind(kind)
    , FImage(PanningImage(kind))
{
    setObjectName(QStringLiteral("PanningWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(Side, Side);
    setMask(OpaqueRegion(FImage));
}

void TTreeGridPanningWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, FImage);
}
