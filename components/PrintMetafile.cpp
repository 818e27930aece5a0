#include "PrintMetafile.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <variant>

namespace {

struct TStateOp {
    QPaintEngine::DirtyFlags Flags;
    QPen Pen;
    QBrush Brush;
    QPointF BrushOrigin;
    QFont Font;
    QTransform Transform;
    Qt::ClipOperation ClipOperation = Qt::NoClip;
    QRegion ClipRegion;
    QPainterPath ClipPath;
    bool ClipEnabled = false;
    QPainter::CompositionMode Composition = QPainter::CompositionMode_SourceOver;
    QPainter::RenderHints Hints;
    QBrush Background;
    Qt::BGMode BackgroundMode = Qt::TransparentMode;
    qreal Opacity = 1.0;
};
struct TPathOp { QPainterPath Path; };
struct TPolygonOp { QPolygonF Points; QPaintEngine::PolygonDrawMode Mode; };
struct TLinesOp { std::vector<QLineF> Lines; };
struct TRectsOp { std::vector<QRectF> Rects; };
struct TEllipseOp { QRectF Rect; };
struct TPointsOp { QPolygonF Points; };
struct TPixmapOp { QRectF Target; QPixmap Pixmap; QRectF Source; };
struct TImageOp { QRectF Target; QImage Image; QRectF Source; Qt::ImageConversionFlags Flags; };
struct TTiledOp { QRectF Target; QPixmap Pixmap; QPointF Offset; };
struct TTextOp { QPointF Position; QString Text; QFont Font; QPointF PagePosition; };

using TOp = std::variant<TStateOp, TPathOp, TPolygonOp, TLinesOp, TRectsOp, TEllipseOp, TPointsOp, TPixmapOp,
                         TImageOp, TTiledOp, TTextOp>;

} // namespace

class TPrintMetafileEngine : public QPaintEngine
{
public:
    TPrintMetafileEngine() : QPaintEngine(AllFeatures) {}

    bool begin(QPaintDevice *) override
    {
        setActive(true);
        return true;
    }
    bool end() override
    {
        setActive(false);
        return true;
    }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override
    {
        TStateOp op;
        op.Flags = state.state();
        if (op.Flags & DirtyPen)
            op.Pen = state.pen();
        if (op.Flags & DirtyBrush)
            op.Brush = state.brush();
        if (op.Flags & DirtyBrushOrigin)
            op.BrushOrigin = state.brushOrigin();
        if (op.Flags & DirtyFont)
            op.Font = state.font();
        if (op.Flags & DirtyTransform) {
            op.Transform = state.transform();
            Current = op.Transform;
        }
        if (op.Flags & (DirtyClipRegion | DirtyClipPath))
            op.ClipOperation = state.clipOperation();
        if (op.Flags & DirtyClipRegion)
            op.ClipRegion = state.clipRegion();
        if (op.Flags & DirtyClipPath)
            op.ClipPath = state.clipPath();
        if (op.Flags & DirtyClipEnabled)
            op.ClipEnabled = state.isClipEnabled();
        if (op.Flags & DirtyCompositionMode)
            op.Composition = state.compositionMode();
        if (op.Flags & DirtyHints)
            op.Hints = state.renderHints();
        if (op.Flags & DirtyBackground)
            op.Background = state.backgroundBrush();
        if (op.Flags & DirtyBackgroundMode)
            op.BackgroundMode = state.backgroundMode();
        if (op.Flags & DirtyOpacity)
            op.Opacity = state.opacity();
        Ops.push_back(std::move(op));
    }

    void drawPath(const QPainterPath &path) override { Add(TPathOp{path}); }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        Add(TPolygonOp{QPolygonF(QList<QPointF>(points, points + count)), mode});
    }
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        Add(TPolygonOp{polygon, mode});
    }
    void drawLines(const QLineF *lines, int count) override { Add(TLinesOp{{lines, lines + count}}); }
    void drawLines(const QLine *lines, int count) override
    {
        TLinesOp op;
        for (int i = 0; i < count; ++i)
            op.Lines.push_back(QLineF(lines[i]));
        Add(std::move(op));
    }
    void drawRects(const QRectF *rects, int count) override { Add(TRectsOp{{rects, rects + count}}); }
    void drawRects(const QRect *rects, int count) override
    {
        TRectsOp op;
        for (int i = 0; i < count; ++i)
            op.Rects.push_back(QRectF(rects[i]));
        Add(std::move(op));
    }
    void drawEllipse(const QRectF &r) override { Add(TEllipseOp{r}); }
    void drawEllipse(const QRect &r) override { Add(TEllipseOp{QRectF(r)}); }
    void drawPoints(const QPointF *points, int count) override
    {
        Add(TPointsOp{QPolygonF(QList<QPointF>(points, points + count))});
    }
    void drawPoints(const QPoint *points, int count) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        Add(TPointsOp{polygon});
    }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override { Add(TPixmapOp{r, pm, sr}); }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags flags) override
    {
        Add(TImageOp{r, image, sr, flags});
    }
    void drawTiledPixmap(const QRectF &r, const QPixmap &pixmap, const QPointF &s) override
    {
        Add(TTiledOp{r, pixmap, s});
    }
    void drawTextItem(const QPointF &p, const QTextItem &textItem) override
    {
        Add(TTextOp{p, textItem.text(), textItem.font(), Current.map(p)});
    }

    std::vector<TOp> Ops;
    int Draws = 0;
    QTransform Current;

private:
    template <typename T> void Add(T &&op)
    {
        Ops.emplace_back(std::forward<T>(op));
        ++Draws;
    }
};

TPrintMetafile::TPrintMetafile(const QSize &size, int dpiX, int dpiY)
    : FSize(size)
    , FDpiX(qMax(1, dpiX))
    , FDpiY(qMax(1, dpiY))
    , FEngine(std::make_unique<TPrintMetafileEngine>())
{
}

TPrintMetafile::~TPrintMetafile() = default;

QPaintEngine *TPrintMetafile::paintEngine() const
{
    return FEngine.get();
}

int TPrintMetafile::DrawCount() const
{
    return FEngine->Draws;
}

int TPrintMetafile::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return FSize.width();
    case PdmHeight: return FSize.height();
    case PdmWidthMM: return int(FSize.width() * 25.4 / FDpiX);
    case PdmHeightMM: return int(FSize.height() * 25.4 / FDpiY);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX: return FDpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY: return FDpiY;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    default: return 0;
    }
}

QList<TRecordedText> TPrintMetafile::Texts() const
{
    QList<TRecordedText> texts;
    for (const TOp &op : FEngine->Ops)
        if (const auto *t = std::get_if<TTextOp>(&op))
            texts.append({t->PagePosition, t->Text, t->Font});
    return texts;
}

void TPrintMetafile::Play(QPainter &painter, const QRectF &target) const
{
    if (FSize.isEmpty())
        return;
    painter.save();
    // The page starts from a fresh painter's state, as it was recorded: what the target
    // painter drew with before (a light grey grid in the preview) must not colour the first
    // texts and lines, which were drawn with the default black pen and so recorded no pen.
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    painter.setBrushOrigin(QPointF());
    painter.setBackground(QBrush(Qt::white));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setOpacity(1.0);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QTransform base = painter.worldTransform();
    base.translate(target.x(), target.y());
    base.scale(target.width() / FSize.width(), target.height() / FSize.height());
    painter.setWorldTransform(base);
    // The page never paints outside its own area.
    painter.setClipRect(QRectF(0, 0, FSize.width(), FSize.height()), Qt::IntersectClip);
    const QRegion pageClip(0, 0, FSize.width(), FSize.height());
    QTransform current;

    for (const TOp &op : FEngine->Ops) {
        if (const auto *s = std::get_if<TStateOp>(&op)) {
            using E = QPaintEngine;
            if (s->Flags & E::DirtyTransform) {
                current = s->Transform;
                painter.setWorldTransform(current * base);
            }
            if (s->Flags & E::DirtyPen)
                painter.setPen(s->Pen);
            if (s->Flags & E::DirtyBrush)
                painter.setBrush(s->Brush);
            if (s->Flags & E::DirtyBrushOrigin)
                painter.setBrushOrigin(s->BrushOrigin);
            if (s->Flags & E::DirtyFont)
                painter.setFont(s->Font);
            if (s->Flags & E::DirtyCompositionMode)
                painter.setCompositionMode(s->Composition);
            if (s->Flags & E::DirtyHints)
                painter.setRenderHints(s->Hints);
            if (s->Flags & E::DirtyBackground)
                painter.setBackground(s->Background);
            if (s->Flags & E::DirtyBackgroundMode)
                painter.setBackgroundMode(s->BackgroundMode);
            if (s->Flags & E::DirtyOpacity)
                painter.setOpacity(s->Opacity);
            if (s->Flags & (E::DirtyClipRegion | E::DirtyClipPath)) {
                // Clips are recorded in the page's coordinates at the time; the page area stays.
                painter.setWorldTransform(current * base);
                if (s->ClipOperation == Qt::NoClip) {
                    painter.setWorldTransform(base);
                    painter.setClipRegion(pageClip);
                    painter.setWorldTransform(current * base);
                } else if (s->Flags & E::DirtyClipRegion) {
                    painter.setClipRegion(s->ClipRegion, s->ClipOperation);
                } else {
                    painter.setClipPath(s->ClipPath, s->ClipOperation);
                }
            }
            if (s->Flags & E::DirtyClipEnabled) {
                if (s->ClipEnabled) {
                    painter.setClipping(true);
                } else {
                    // Clipping switched off: back to the page's own area.
                    painter.setWorldTransform(base);
                    painter.setClipRegion(pageClip);
                    painter.setWorldTransform(current * base);
                }
            }
        } else if (const auto *p = std::get_if<TPathOp>(&op)) {
            painter.drawPath(p->Path);
        } else if (const auto *p = std::get_if<TPolygonOp>(&op)) {
            switch (p->Mode) {
            case QPaintEngine::PolylineMode: painter.drawPolyline(p->Points); break;
            case QPaintEngine::OddEvenMode: painter.drawPolygon(p->Points, Qt::OddEvenFill); break;
            case QPaintEngine::ConvexMode: painter.drawConvexPolygon(p->Points); break;
            default: painter.drawPolygon(p->Points, Qt::WindingFill); break;
            }
        } else if (const auto *p = std::get_if<TLinesOp>(&op)) {
            painter.drawLines(p->Lines.data(), int(p->Lines.size()));
        } else if (const auto *p = std::get_if<TRectsOp>(&op)) {
            painter.drawRects(p->Rects.data(), int(p->Rects.size()));
        } else if (const auto *p = std::get_if<TEllipseOp>(&op)) {
            painter.drawEllipse(p->Rect);
        } else if (const auto *p = std::get_if<TPointsOp>(&op)) {
            painter.drawPoints(p->Points);
        } else if (const auto *p = std::get_if<TPixmapOp>(&op)) {
            painter.drawPixmap(p->Target, p->Pixmap, p->Source);
        } else if (const auto *p = std::get_if<TImageOp>(&op)) {
            painter.drawImage(p->Target, p->Image, p->Source, p->Flags);
        } else if (const auto *p = std::get_if<TTiledOp>(&op)) {
            painter.drawTiledPixmap(p->Target, p->Pixmap, p->Offset);
        } else if (const auto *p = std::get_if<TTextOp>(&op)) {
            painter.setFont(p->Font);
            painter.drawText(p->Position, p->Text);
        }
    }
    painter.restore();
}
