#include "treegrid/TreeGridHeaderOverlays.h"

#include <QPainter>

#include "treegrid/AlphaBlend.h"

namespace {

// A transparent child of the host that paints the drag picture half see-through.
class TDragImageView : public QWidget
{
public:
    TDragImageView(QWidget *host, const QImage &image) : QWidget(host), FImage(image)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        resize(image.size());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setOpacity(TTGHeaderDragImage::Transparency / 255.0);
        painter.drawImage(0, 0, FImage);
    }

private:
    QImage FImage;
};

} // namespace

TTGHeaderDragImage::TTGHeaderDragImage(QWidget *host) : FHost(host) {}

TTGHeaderDragImage::~TTGHeaderDragImage()
{
    EndDrag();
}

void TTGHeaderDragImage::PrepareDrag(const QImage &image, QPoint screenTopLeft, QPoint screenHotSpot,
                                     bool horizontalOnly)
{
    FImage = image.convertToFormat(QImage::Format_RGB32);
    if (PreBlendBias != 0 && !FImage.isNull()) {
        const QImage source = FImage;
        AlphaBlend(&source, &FImage, FImage.rect(), QPoint(0, 0), bmConstantAlpha, 255, PreBlendBias);
    }
    FTopLeft = screenTopLeft;
    FHotSpot = screenHotSpot;
    FHorizontalOnly = horizontalOnly;
}

void TTGHeaderDragImage::ShowDragImage()
{
    if (!FHost || FImage.isNull() || FView)
        return;
    FView = new TDragImageView(FHost, FImage);
    FView->move(FHost->mapFromGlobal(FTopLeft));
    FView->raise();
    FView->show();
}

void TTGHeaderDragImage::DragTo(QPoint screenPoint)
{
    QPoint delta = screenPoint - FHotSpot;
    if (FHorizontalOnly)
        delta.setY(0);
    FHotSpot += delta;
    FTopLeft += delta;
    if (FView && FHost)
        FView->move(FHost->mapFromGlobal(FTopLeft));
}

void TTGHeaderDragImage::EndDrag()
{
    delete FView.data();
}

bool TTGHeaderDragImage::Visible() const
{
    return FView && FView->isVisible();
}

QRect TTGHeaderDragImage::GetDragImageRect() const
{
    return Visible() ? QRect(FTopLeft, FImage.size()) : QRect();
}

// ---- column resize animation

TTGColumnResizeAnimation::TTGColumnResizeAnimation(QWidget *parent, const QImage &picture, const QRect &area,
                                                   int start, int step)
    : QWidget(parent), FPicture(picture), FStart(start), FStep(step)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(area);
    FTimer.setInterval(1);
    connect(&FTimer, &QTimer::timeout, this, &TTGColumnResizeAnimation::Tick);
    FTimer.start();
    raise();
    show();
}

void TTGColumnResizeAnimation::Tick()
{
    if (++FDone >= Steps) {
        Finish();
        return;
    }
    update();
}

void TTGColumnResizeAnimation::Finish()
{
    if (FDone >= Steps && !FTimer.isActive())
        return;
    FTimer.stop();
    FDone = Steps;
    hide();
    deleteLater();
}

void TTGColumnResizeAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(FStart + FDone * FStep, 0, FPicture);
}
