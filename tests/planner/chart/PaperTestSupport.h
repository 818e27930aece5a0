#pragma once

// Paper in a picture: a device that draws everything as a printer does, pen modes that combine
// with what lies below included: it ignores them, as the printer's page description does.

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>

#include <memory>

namespace papertest {

class TPaperEngine : public QPaintEngine
{
public:
    explicit TPaperEngine(QImage &image) : QPaintEngine(AllFeatures), FImage(image) {}

    bool begin(QPaintDevice *) override { return FPainter.begin(&FImage); }
    bool end() override { return FPainter.end(); }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override
    {
        // The state holds every value, changed or not: all of them are taken over but the
        // clip, which is given as a change of the one before.
        FPainter.setWorldTransform(state.transform());
        FPainter.setPen(state.pen());
        FPainter.setBrush(state.brush());
        FPainter.setBrushOrigin(state.brushOrigin());
        FPainter.setFont(state.font());
        FPainter.setRenderHints(state.renderHints());
        FPainter.setBackground(state.backgroundBrush());
        FPainter.setBackgroundMode(state.backgroundMode());
        FPainter.setOpacity(state.opacity());
        // Paper knows no raster operations: what is drawn with one covers what lies below.
        const QPainter::CompositionMode mode = state.compositionMode();
        FPainter.setCompositionMode(mode >= QPainter::RasterOp_SourceOrDestination ? QPainter::CompositionMode_SourceOver
                                                                                    : mode);
        const DirtyFlags flags = state.state();
        if (flags & (DirtyClipRegion | DirtyClipPath)) {
            if (state.clipOperation() == Qt::NoClip)
                FPainter.setClipping(false);
            else if (flags & DirtyClipRegion)
                FPainter.setClipRegion(state.clipRegion(), state.clipOperation());
            else
                FPainter.setClipPath(state.clipPath(), state.clipOperation());
        }
        if (flags & DirtyClipEnabled)
            FPainter.setClipping(state.isClipEnabled());
    }

    void drawPath(const QPainterPath &path) override { FPainter.drawPath(path); }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            FPainter.drawPolyline(points, count);
        else
            FPainter.drawPolygon(points, count, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    }
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            FPainter.drawPolyline(points, count);
        else
            FPainter.drawPolygon(points, count, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    }
    void drawLines(const QLineF *lines, int count) override { FPainter.drawLines(lines, count); }
    void drawLines(const QLine *lines, int count) override { FPainter.drawLines(lines, count); }
    void drawRects(const QRectF *rects, int count) override { FPainter.drawRects(rects, count); }
    void drawRects(const QRect *rects, int count) override { FPainter.drawRects(rects, count); }
    void drawEllipse(const QRectF &r) override { FPainter.drawEllipse(r); }
    void drawPoints(const QPointF *points, int count) override { FPainter.drawPoints(points, count); }
    void drawPixmap(const QRectF &r, const QPixmap &pixmap, const QRectF &source) override
    {
        FPainter.drawPixmap(r, pixmap, source);
    }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &source, Qt::ImageConversionFlags flags) override
    {
        FPainter.drawImage(r, image, source, flags);
    }
    void drawTiledPixmap(const QRectF &r, const QPixmap &pixmap, const QPointF &offset) override
    {
        FPainter.drawTiledPixmap(r, pixmap, offset);
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override { FPainter.drawTextItem(p, item); }

private:
    QImage &FImage;
    QPainter FPainter;
};

// A white sheet of the given size at screen resolution.
class TPaper : public QPaintDevice
{
public:
    explicit TPaper(QSize size) : FImage(size, QImage::Format_RGB32), FEngine(std::make_unique<TPaperEngine>(FImage))
    {
        FImage.fill(Qt::white);
    }
    ~TPaper() override = default;
    QPaintEngine *paintEngine() const override { return FEngine.get(); }
    const QImage &Image() const { return FImage; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return FImage.width();
        case PdmHeight: return FImage.height();
        case PdmWidthMM: return FImage.width() * 254 / 960;
        case PdmHeightMM: return FImage.height() * 254 / 960;
        case PdmNumColors: return 0x7FFFFFFF;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    QImage FImage;
    std::unique_ptr<TPaperEngine> FEngine;
};

} // namespace papertest
