#include "table/TableImages.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include "ImageList.h"

namespace {

QImage Blank()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A 16 by 16 picture drawn with smooth edges on a transparent ground.
template <class Draw>
QImage Painted(Draw draw)
{
    QImage image = Blank();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

QImage Arrow(bool up)
{
    return Painted([up](QPainter &painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 40, 40));
        painter.drawPolygon(up ? QPolygonF({QPointF(3, 11), QPointF(13, 11), QPointF(8, 4)})
                               : QPolygonF({QPointF(3, 5), QPointF(13, 5), QPointF(8, 12)}));
    });
}

QImage Funnel()
{
    return Painted([](QPainter &painter) {
        painter.setPen(QPen(QColor(30, 30, 30), 1));
        painter.setBrush(QColor(90, 130, 200));
        painter.drawPolygon(QPolygonF({QPointF(1.5, 2.5), QPointF(14.5, 2.5), QPointF(9.5, 8.5), QPointF(9.5, 14.5),
                                       QPointF(6.5, 12.5), QPointF(6.5, 8.5)}));
    });
}

QImage Check()
{
    return Painted([](QPainter &painter) {
        painter.setPen(QPen(QColor(30, 30, 30), 2));
        painter.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
    });
}

} // namespace

std::unique_ptr<TImageList> TableImages::Create()
{
    auto images = std::make_unique<TImageList>(16, 16);
    for (int index = 0; index <= NoFilter; ++index) {
        switch (index) {
        case SortColumn:
            images->Add(Check());
            break;
        case Ascending:
            images->Add(Arrow(true));
            break;
        case Descending:
            images->Add(Arrow(false));
            break;
        case Filter:
            images->Add(Funnel());
            break;
        default:
            images->Add(Blank());
            break;
        }
    }
    return images;
}
