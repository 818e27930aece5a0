#include "treegrid/TreeGridDragImage.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "treegrid/BaseTreeGrid.h"

namespace {

// Shows the blended picture as it is: opaque, and transparent for the mouse and for drops,
// which go to the rows beneath.
class TDragImageView : public QWidget
{
public:
    explicit TDragImageView(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

    void SetPicture(const QImage &picture)
    {
        FPicture = picture;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, FPicture);
    }

private:
    QImage FPicture;
};

// Alpha of a picture pixel: a bell falling off from the middle, distances measured in the
// picture's larger side.
std::uint8_t FadeAlpha(int x, int y, int halfWidth, int halfHeight, int maxDimension)
{
    const double dx = double(x - halfWidth) / maxDimension;
    const double dy = double(y - halfHeight) / maxDimension;
    return std::uint8_t(std::nearbyint(255.0 * std::exp(-8.0 * std::sqrt(dx * dx + dy * dy))));
}

} // namespace

TTGDragImage::TTGDragImage() = default;

TTGDragImage::~TTGDragImage()
{
    delete FView.data();
}

bool TTGDragImage::Visible() const
{
    return (FStates * TTGDragImageStates{disHidden, disInDrag, disPrepared, disSystemSupport})
           == TTGDragImageStates{disInDrag, disPrepared};
}

TBlendMode TTGDragImage::BlendMode() const
{
    return FFade || FColorKey != clNone ? bmMasterAlpha : bmConstantAlpha;
}

void TTGDragImage::PrepareDrag(const QImage &image, QPoint imagePosition, QPoint hotSpot)
{
    EndDrag();
    if (image.isNull())
        return;
    const QImage painted = image.convertToFormat(QImage::Format_RGB32);
    QImage picture = painted;
    if (FPreBlendBias != 0)
        AlphaBlend(&painted, &picture, painted.rect(), QPoint(0, 0), bmConstantAlpha, 255, FPreBlendBias);
    picture = picture.convertToFormat(QImage::Format_ARGB32);

    // The colour key is compared with the picture as painted, before any bias.
    const bool useColorKey = FColorKey != clNone;
    const QRgb key = ToQRgb(ColorToRGB(FColorKey)) & 0xFFFFFFu;
    const int width = picture.width();
    const int height = picture.height();
    const int maxDimension = std::max(width, height);
    for (int y = 0; y < height; ++y) {
        const auto *source = reinterpret_cast<const QRgb *>(painted.constScanLine(y));
        auto *target = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::uint8_t alpha = useColorKey && (source[x] & 0xFFFFFFu) == key
                                           ? 0
                                           : FadeAlpha(x, y, width / 2, height / 2, maxDimension);
            target[x] = (QRgb(alpha) << 24) | (target[x] & 0xFFFFFFu);
        }
    }
    FDragImage = picture;
    FImagePosition = imagePosition;
    FHotSpot = hotSpot - imagePosition;
    FStates = {disHidden, disInDrag, disPrepared};
}

void TTGDragImage::ShowDragImage(TBaseTreeGrid *host)
{
    if (!host
        || (FStates * TTGDragImageStates{disHidden, disInDrag, disPrepared, disSystemSupport})
               != TTGDragImageStates{disHidden, disInDrag, disPrepared})
        return;
    FHost = host;
    FBackImage = QImage(FDragImage.size(), QImage::Format_RGB32);
    FBackImage.fill(Qt::black);
    CaptureBackground(FBackImage.rect());
    FStates.exclude(disHidden);
    InternalShowDragImage();
}

void TTGDragImage::HideDragImage()
{
    if (!Visible())
        return;
    FStates.include(disHidden);
    // The rows beneath paint themselves again where the picture was.
    if (FView)
        FView->hide();
    delete FView.data();
    FHost = nullptr;
}

QPoint TTGDragImage::Restricted(QPoint p) const
{
    QPoint next = p - FHotSpot;
    if (FMoveRestriction == dmrHorizontalOnly)
        next.setY(FImagePosition.y());
    else if (FMoveRestriction == dmrVerticalOnly)
        next.setX(FImagePosition.x());
    return next;
}

bool TTGDragImage::WillMove(QPoint p) const
{
    return FStates.contains(disPrepared) && Restricted(p) != FImagePosition;
}

TTGDragImage::TDragRectangles TTGDragImage::FillDragRectangles(QSize size, QPoint delta)
{
    TDragRectangles result;
    const QRect all(QPoint(0, 0), size);
    // A new pixel (x, y) had lain at (x + dx, y + dy) of the old picture.
    result.Kept = all & all.translated(-delta);
    if (result.Kept.isEmpty()) {
        result.Kept = QRect();
        result.Exposed.push_back(all);
        return result;
    }
    const int w = size.width();
    const int h = size.height();
    if (delta.y() > 0)
        result.Exposed.emplace_back(0, h - delta.y(), w, delta.y());
    else if (delta.y() < 0)
        result.Exposed.emplace_back(0, 0, w, -delta.y());
    if (delta.x() > 0)
        result.Exposed.emplace_back(w - delta.x(), result.Kept.top(), delta.x(), result.Kept.height());
    else if (delta.x() < 0)
        result.Exposed.emplace_back(0, result.Kept.top(), -delta.x(), result.Kept.height());
    return result;
}

void TTGDragImage::DragTo(QPoint p, bool forceRepaint)
{
    if (!FStates.contains(disPrepared))
        return;
    const QPoint next = Restricted(p);
    const QPoint delta = next - FImagePosition;
    if (!Visible()) {
        FImagePosition = next;
        return;
    }
    if (delta.isNull() && !forceRepaint)
        return;
    FImagePosition = next;
    const QSize size = FDragImage.size();
    if (forceRepaint || std::abs(delta.x()) >= size.width() || std::abs(delta.y()) >= size.height()) {
        FBackImage.fill(Qt::black);
        CaptureBackground(FBackImage.rect());
    } else {
        // What still lies under the picture is known: only the strips it newly covers are taken.
        const TDragRectangles rectangles = FillDragRectangles(size, delta);
        QImage moved(size, QImage::Format_RGB32);
        moved.fill(Qt::black);
        const QRect &kept = rectangles.Kept;
        for (int y = kept.top(); y <= kept.bottom(); ++y)
            std::memcpy(moved.scanLine(y) + kept.left() * 4,
                        FBackImage.constScanLine(y + delta.y()) + (kept.left() + delta.x()) * 4,
                        std::size_t(kept.width()) * 4);
        FBackImage = moved;
        for (const QRect &strip : rectangles.Exposed)
            CaptureBackground(strip);
    }
    InternalShowDragImage();
}

void TTGDragImage::EndDrag()
{
    HideDragImage();
    delete FView.data();
    FHost = nullptr;
    FStates = {disHidden};
    FDragImage = QImage();
    FBackImage = QImage();
}

QRect TTGDragImage::GetDragImageRect() const
{
    return Visible() ? QRect(FImagePosition, FDragImage.size()) : QRect();
}

void TTGDragImage::RecaptureBackground(TBaseTreeGrid *tree, const QRect &r, bool reshow)
{
    if (!Visible() || !tree || tree != FHost)
        return;
    const QPoint origin = FHost->viewport()->mapFromGlobal(FImagePosition);
    const QRect area = r.translated(-origin) & FBackImage.rect();
    if (area.isEmpty())
        return;
    CaptureBackground(area);
    if (reshow)
        InternalShowDragImage();
}

void TTGDragImage::CaptureBackground(const QRect &area)
{
    if (!FHost)
        return;
    QWidget *port = FHost->viewport();
    const QPoint origin = port->mapFromGlobal(FImagePosition);
    const QRect client = area.translated(origin) & port->rect();
    if (client.isEmpty())
        return;
    // The rows alone, without this picture or any other child.
    port->render(&FBackImage, client.topLeft() - origin, QRegion(client), QWidget::DrawWindowBackground);
}

void TTGDragImage::InternalShowDragImage()
{
    if (!FHost)
        return;
    // The picture blended over what lies under it.
    QImage shown = FBackImage.copy();
    AlphaBlend(&FDragImage, &shown, FDragImage.rect(), QPoint(0, 0), BlendMode(), FTransparency, FPostBlendBias);
    QWidget *port = FHost->viewport();
    auto *view = static_cast<TDragImageView *>(FView.data());
    if (!view) {
        view = new TDragImageView(port);
        FView = view;
    }
    view->setGeometry(QRect(port->mapFromGlobal(FImagePosition), shown.size()));
    view->SetPicture(shown);
    view->raise();
    view->show();
}
