#include "Canvas.h"

#include <algorithm>
#include <cstdlib>

#include <QPaintDevice>
#include <QPaintEngine>

namespace {

// The outline of a round shape through the pixel centres, so that it stays inside the right
// and bottom edges; nothing for a rectangle too small to draw one.
std::optional<QRectF> shapeOutline(const QRect &rect)
{
    const QRect r = rect.normalized();
    if (r.width() < 2 || r.height() < 2)
        return std::nullopt;
    return QRectF(r.x() + 0.5, r.y() + 0.5, r.width() - 1, r.height() - 1);
}

} // namespace

struct TCanvas::TSavedState {
    QPoint windowOrg;
    QPoint brushOrg;
    QPoint penPos;
    bool hasClip;
    QRegion clip;
    TBkMode bkMode;
    TColor bkColor;
    TColor textColor;
    bool textColorSet;
    std::unique_ptr<TPen> pen;
    std::unique_ptr<TBrush> brush;
    std::unique_ptr<TFont> font;
};

TCanvas::TCanvas(int width, int height, QImage::Format format)
    : FOwned(std::make_unique<QImage>(qMax(0, width), qMax(0, height), format))
{
    FImage = FOwned.get();
    FDevice = FImage;
    Init();
}

TCanvas::TCanvas(QImage *image)
    : FImage(image)
    , FDevice(image)
{
    Init();
}

TCanvas::TCanvas(QPaintDevice *device)
    : FDevice(device)
{
    if (device && device->devType() == QInternal::Image)
        FImage = static_cast<QImage *>(device);
    Init();
}

TCanvas::~TCanvas()
{
    End();
}

void TCanvas::Init()
{
    FFont.SetPixelsPerInch(PixelsPerInch());
    // A fresh canvas starts from the font's colour and the brush's background.
    FFontVersionForText = FFont.Version();
    FTextColor = FFont.Color();
    FBrushVersionForBk = FBrush.Version();
    FBkColor = FBrush.Color();
    FBkMode = bkOpaque;
    Begin();
}

void TCanvas::Begin()
{
    if (!FDevice || FPainter.isActive())
        return;
    if (FDevice->width() <= 0 || FDevice->height() <= 0)
        return;
    FPainter.begin(FDevice);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
    FPainter.setTransform(QTransform::fromTranslate(-FWindowOrg.x(), -FWindowOrg.y()));
    ApplyClip();
}

void TCanvas::End()
{
    if (FPainter.isActive())
        FPainter.end();
}

int TCanvas::Width() const { return FDevice ? FDevice->width() : 0; }
int TCanvas::Height() const { return FDevice ? FDevice->height() : 0; }

void TCanvas::SetSize(int width, int height)
{
    if (!FOwned)
        return;
    width = qMax(0, width);
    height = qMax(0, height);
    if (FOwned->width() == width && FOwned->height() == height)
        return;
    End();
    *FOwned = QImage(width, height, FOwned->format());
    // A bitmap's clip does not survive a new size.
    FHasClip = false;
    FClip = QRegion();
    Begin();
}

int TCanvas::PixelsPerInch() const
{
    if (FPixelsPerInch > 0)
        return FPixelsPerInch;
    if (FImage || !FDevice)
        return TFont::ScreenPixelsPerInch();
    const int dpi = FDevice->logicalDpiY();
    return dpi > 0 ? dpi : TFont::ScreenPixelsPerInch();
}

void TCanvas::SetPixelsPerInch(int value)
{
    FPixelsPerInch = std::max(value, 0);
    FFont.SetPixelsPerInch(PixelsPerInch());
}

bool TCanvas::KeepsRasterOps() const
{
    const QPaintEngine *engine = FPainter.isActive() ? FPainter.paintEngine() : nullptr;
    return engine && engine->type() == QPaintEngine::Raster;
}

// ---- background and text colours follow brush and font until set explicitly

void TCanvas::SetBkMode(TBkMode mode)
{
    (void)BkMode();
    FBkMode = mode;
}

void TCanvas::SetBkColor(TColor color)
{
    (void)BkMode();
    FBkColor = color;
}

TBkMode TCanvas::BkMode() const
{
    auto *self = const_cast<TCanvas *>(this);
    if (FBrushVersionForBk != FBrush.Version()) {
        self->FBrushVersionForBk = FBrush.Version();
        self->FBkColor = FBrush.Color();
        self->FBkMode = FBrush.Style() == bsClear ? bkTransparent : bkOpaque;
    }
    return FBkMode;
}

TColor TCanvas::TextColor() const
{
    auto *self = const_cast<TCanvas *>(this);
    if (FFontVersionForText != FFont.Version()) {
        self->FFontVersionForText = FFont.Version();
        self->FTextColor = FFont.Color();
    }
    return FTextColor;
}

void TCanvas::SetTextColor(TColor color)
{
    (void)TextColor();
    FTextColor = color;
}

QColor TCanvas::TextQColor() const
{
    return ToQColor(TextColor());
}

// The colour the pen puts down: the black and white modes ignore the pen's own colour.
QColor TCanvas::PenQColor() const
{
    if (FPen.Mode() == pmBlack)
        return Qt::black;
    if (FPen.Mode() == pmWhite)
        return Qt::white;
    return ToQColor(FPen.Color());
}

// ---- origins and clipping

void TCanvas::SetWindowOrg(QPoint origin)
{
    FWindowOrg = origin;
    ++FPlacementVersion;
    if (FPainter.isActive())
        FPainter.setTransform(QTransform::fromTranslate(-origin.x(), -origin.y()));
}

void TCanvas::ApplyClip()
{
    ++FPlacementVersion;
    if (!FPainter.isActive())
        return;
    // The clip lives in device pixels: set it without the origin's translation.
    const QTransform t = FPainter.transform();
    FPainter.resetTransform();
    if (FHasClip) {
        // Turned off before, clipping must be on again before a region of several
        // rectangles is set, or the raster engine ignores that region.
        FPainter.setClipping(true);
        FPainter.setClipRegion(FClip);
    } else {
        FPainter.setClipping(false);
    }
    FPainter.setTransform(t);
}

QRegion TCanvas::ClipRegion() const
{
    const QRegion surface(0, 0, Width(), Height());
    return FHasClip ? FClip.intersected(surface) : surface;
}

QRect TCanvas::ClipRect() const
{
    return ClipRegion().boundingRect().translated(FWindowOrg);
}

void TCanvas::SelectClipRegion(const QRegion &deviceRegion)
{
    FHasClip = true;
    FClip = deviceRegion;
    ApplyClip();
}

void TCanvas::RemoveClip()
{
    FHasClip = false;
    FClip = QRegion();
    ApplyClip();
}

void TCanvas::IntersectClipRect(const QRect &r)
{
    const QRegion device(r.translated(-FWindowOrg).normalized());
    FClip = FHasClip ? FClip.intersected(device) : device.intersected(QRegion(0, 0, Width(), Height()));
    FHasClip = true;
    ApplyClip();
}

bool TCanvas::RectVisible(const QRect &r) const
{
    if (IsRectEmpty(r))
        return false;
    return ClipRegion().intersects(r.translated(-FWindowOrg));
}

void TCanvas::SaveDC()
{
    TSavedState s;
    s.windowOrg = FWindowOrg;
    s.brushOrg = FBrushOrg;
    s.penPos = FPenPos;
    s.hasClip = FHasClip;
    s.clip = FClip;
    s.bkMode = BkMode();
    s.bkColor = FBkColor;
    s.textColor = TextColor();
    s.textColorSet = FTextColorSet;
    s.pen = std::make_unique<TPen>();
    s.pen->Assign(FPen);
    s.brush = std::make_unique<TBrush>();
    s.brush->Assign(FBrush);
    s.font = std::make_unique<TFont>();
    s.font->Assign(FFont);
    FSaved.push_back(std::move(s));
}

void TCanvas::RestoreDC()
{
    if (FSaved.empty())
        return;
    TSavedState s = std::move(FSaved.back());
    FSaved.pop_back();
    FPen.Assign(*s.pen);
    FBrush.Assign(*s.brush);
    FFont.Assign(*s.font);
    (void)BkMode();
    (void)TextColor();
    FBkMode = s.bkMode;
    FBkColor = s.bkColor;
    FTextColor = s.textColor;
    FBrushOrg = s.brushOrg;
    FPenPos = s.penPos;
    SetWindowOrg(s.windowOrg);
    FHasClip = s.hasClip;
    FClip = s.clip;
    ApplyClip();
}

// ---- painter state

namespace {

QPainter::CompositionMode CompositionOf(TPenMode mode)
{
    using Q = QPainter;
    switch (mode) {
    case pmNot: return Q::RasterOp_NotDestination;
    case pmNotCopy: return Q::RasterOp_NotSource;
    case pmMergePenNot: return Q::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return Q::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return Q::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return Q::RasterOp_NotSourceAndDestination;
    case pmMerge: return Q::RasterOp_SourceOrDestination;
    case pmNotMerge: return Q::RasterOp_NotSourceAndNotDestination;
    case pmMask: return Q::RasterOp_SourceAndDestination;
    case pmNotMask: return Q::RasterOp_NotSourceOrNotDestination;
    case pmXor: return Q::RasterOp_SourceXorDestination;
    case pmNotXor: return Q::RasterOp_NotSourceXorDestination;
    default: return Q::CompositionMode_SourceOver;
    }
}

// Cosmetic pen patterns in pixels: on, off, on, off...
const std::vector<int> &DashPattern(TPenStyle style)
{
    static const std::vector<int> none;
    static const std::vector<int> dash{18, 6};
    static const std::vector<int> dot{3, 3};
    static const std::vector<int> dashDot{9, 6, 3, 6};
    static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return none;
    }
}

} // namespace

void TCanvas::ApplyPenMode()
{
    FPainter.setCompositionMode(CompositionOf(FPen.Mode()));
}

void TCanvas::ResetCompositionMode()
{
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QBrush TCanvas::MakeBrush() const
{
    QBrush b;
    switch (FBrush.Style()) {
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsSolid:
        if (FBrush.HasMonoPattern()) {
            QImage tile(8, 8, QImage::Format_RGB32);
            const QRgb fore = ToQRgb(TextColor());
            const QRgb back = ToQRgb(BkColor());
            const TMonoPattern &rows = FBrush.MonoPattern();
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    tile.setPixel(x, y, (rows[y] & (0x80 >> x)) ? back : fore);
            return QBrush(tile);
        }
        if (!FBrush.Bitmap().isNull())
            return QBrush(FBrush.Bitmap());
        return QBrush(ToQColor(FBrush.Color()));
    case bsHorizontal: return QBrush(ToQColor(FBrush.Color()), Qt::HorPattern);
    case bsVertical: return QBrush(ToQColor(FBrush.Color()), Qt::VerPattern);
    case bsFDiagonal: return QBrush(ToQColor(FBrush.Color()), Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(ToQColor(FBrush.Color()), Qt::BDiagPattern);
    case bsCross: return QBrush(ToQColor(FBrush.Color()), Qt::CrossPattern);
    case bsDiagCross: return QBrush(ToQColor(FBrush.Color()), Qt::DiagCrossPattern);
    }
    return b;
}

void TCanvas::FillWithBrush(const QRect &r)
{
    if (!FPainter.isActive() || IsRectEmpty(r) || !BrushVisible())
        return;
    const TBrushStyle style = FBrush.Style();
    if (style != bsSolid && BkMode() == bkOpaque)
        FPainter.fillRect(r, ToQColor(BkColor()));
    // Patterns stay aligned to the device pixels, whatever the window origin.
    FPainter.setBrushOrigin(FWindowOrg + FBrushOrg);
    FPainter.fillRect(r, MakeBrush());
}

void TCanvas::FillSolid(const QRect &r, const QColor &color)
{
    if (FPainter.isActive() && !IsRectEmpty(r))
        FPainter.fillRect(r, color);
}

TCanvasPainter TCanvas::Painter()
{
    return TCanvasPainter(*this);
}

TCanvasImagePainter TCanvas::ImagePainter()
{
    return TCanvasImagePainter(FPainter.isActive() ? &FPainter : nullptr);
}

QPainter *TCanvas::BeginRawPainting()
{
    if (!FPainter.isActive())
        return nullptr;
    FPainter.save();
    QPen pen(PenQColor());
    pen.setWidth(FPen.Width() <= 1 ? 0 : FPen.Width());
    if (FPen.Style() == psClear)
        pen = QPen(Qt::NoPen);
    FPainter.setPen(pen);
    FPainter.setBrush(MakeBrush());
    FPainter.setBrushOrigin(FWindowOrg + FBrushOrg);
    FPainter.setFont(CurrentQFont());
    ApplyPenMode();
    return &FPainter;
}

void TCanvas::EndRawPainting(quint64 placement)
{
    if (!FPainter.isActive())
        return;
    FPainter.restore();
    // The canvas moved its origin or clip meanwhile: the restored painter has the old ones.
    if (placement != FPlacementVersion) {
        FPainter.setTransform(QTransform::fromTranslate(-FWindowOrg.x(), -FWindowOrg.y()));
        ApplyClip();
    }
}

// ---- lines

void TCanvas::PlotLine(QPoint from, QPoint to)
{
    if (from == to)
        return;
    const TPenStyle style = FPen.Style();
    if (style == psClear || FPen.Mode() == pmNop)
        return;
    const QColor color = PenQColor();

    if (FPen.Width() > 1) {
        // Geometric pens: round ends, the end point included as the window system does.
        QPen pen(color, FPen.Width(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        FPainter.setPen(pen);
        FPainter.drawLine(from, to);
        return;
    }

    const std::vector<int> &dashes = DashPattern(style);
    if (dashes.empty() && (from.x() == to.x() || from.y() == to.y())) {
        // Straight solid lines: one filled run without the end point.
        QRect run;
        if (from.y() == to.y())
            run = to.x() > from.x() ? MakeRect(from.x(), from.y(), to.x(), from.y() + 1)
                                    : MakeRect(to.x() + 1, from.y(), from.x() + 1, from.y() + 1);
        else
            run = to.y() > from.y() ? MakeRect(from.x(), from.y(), from.x() + 1, to.y())
                                    : MakeRect(from.x(), to.y() + 1, from.x() + 1, from.y() + 1);
        FPainter.fillRect(run, color);
        return;
    }

    // Bresenham from the start, leaving out the end point; dashes count along the line.
    std::vector<QPoint> points;
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1, sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    int period = 0;
    for (int v : dashes)
        period += v;
    int step = 0;
    while (x != to.x() || y != to.y()) {
        bool on = true;
        if (period > 0) {
            int pos = step % period;
            for (size_t i = 0; i < dashes.size(); ++i) {
                if (pos < dashes[i]) {
                    on = (i % 2) == 0;
                    break;
                }
                pos -= dashes[i];
            }
        }
        if (on)
            points.emplace_back(x, y);
        ++step;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    if (points.empty())
        return;
    FPainter.setPen(QPen(color, 0));
    FPainter.drawPoints(points.data(), int(points.size()));
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint to(x, y);
    if (FPainter.isActive()) {
        ApplyPenMode();
        PlotLine(FPenPos, to);
        ResetCompositionMode();
    }
    FPenPos = to;
}

void TCanvas::Polygon(const QPolygon &points)
{
    if (!FPainter.isActive() || points.size() < 2 || FPen.Mode() == pmNop)
        return;
    ApplyPenMode();
    FPainter.setBrushOrigin(FWindowOrg + FBrushOrg);
    if (FPen.Style() == psClear)
        FPainter.setPen(Qt::NoPen);
    else
        FPainter.setPen(QPen(ToQColor(FPen.Color()), FPen.Width() <= 1 ? 0 : FPen.Width()));
    if (FBrush.Style() != bsSolid && BrushVisible() && BkMode() == bkOpaque) {
        FPainter.setBrush(ToQColor(BkColor()));
        FPainter.drawPolygon(points, Qt::OddEvenFill);
    }
    FPainter.setBrush(MakeBrush());
    FPainter.drawPolygon(points, Qt::OddEvenFill);
    ResetCompositionMode();
}

// ---- shapes

void TCanvas::Rectangle(const QRect &rect)
{
    if (!FPainter.isActive() || FPen.Mode() == pmNop)
        return;
    const QRect r = rect.normalized();
    if (r.isEmpty())
        return;
    ApplyPenMode();
    const bool penVisible = FPen.Style() != psClear;
    const int w = penVisible ? qMax(1, FPen.Width()) : 0;
    // The frame of a wide pen sits on the outline, half of it outside, unless inside-frame.
    QRect outer = r;
    if (w > 1 && FPen.Style() != psInsideFrame)
        outer = r.adjusted(-(w / 2), -(w / 2), (w - 1) / 2, (w - 1) / 2);
    const QRect inner = outer.adjusted(w, w, -w, -w);
    if (BrushVisible())
        FillWithBrush(penVisible ? inner : r);
    if (penVisible) {
        const QColor color = PenQColor();
        if (FPen.Style() == psSolid || FPen.Style() == psInsideFrame || w > 1) {
            const int L = outer.left(), T = outer.top(), R = RectRight(outer), B = RectBottom(outer);
            const int t = qMin(w, qMin(outer.width(), outer.height()));
            FillSolid(MakeRect(L, T, R, T + t), color);
            if (B - t > T + t) {
                FillSolid(MakeRect(L, T + t, L + t, B - t), color);
                if (R - t >= L + t)
                    FillSolid(MakeRect(R - t, T + t, R, B - t), color);
            }
            if (B - t >= T + t)
                FillSolid(MakeRect(L, B - t, R, B), color);
        } else {
            const int L = r.left(), T = r.top(), R = RectRight(r) - 1, B = RectBottom(r) - 1;
            PlotLine(QPoint(L, T), QPoint(R, T));
            PlotLine(QPoint(R, T), QPoint(R, B));
            PlotLine(QPoint(R, B), QPoint(L, B));
            PlotLine(QPoint(L, B), QPoint(L, T));
        }
    }
    ResetCompositionMode();
}

void TCanvas::ApplyShapeState()
{
    ApplyPenMode();
    if (FPen.Style() == psClear)
        FPainter.setPen(Qt::NoPen);
    else
        FPainter.setPen(QPen(PenQColor(), FPen.Width() <= 1 ? 0 : FPen.Width()));
    FPainter.setBrush(MakeBrush());
    FPainter.setBrushOrigin(FWindowOrg + FBrushOrg);
}

void TCanvas::RoundRect(const QRect &rect, int cornerWidth, int cornerHeight)
{
    if (!FPainter.isActive() || FPen.Mode() == pmNop)
        return;
    const std::optional<QRectF> outline = shapeOutline(rect);
    if (!outline)
        return;
    ApplyShapeState();
    FPainter.drawRoundedRect(*outline, cornerWidth / 2.0, cornerHeight / 2.0);
    ResetCompositionMode();
}

void TCanvas::Ellipse(const QRect &rect)
{
    if (!FPainter.isActive() || FPen.Mode() == pmNop)
        return;
    const std::optional<QRectF> outline = shapeOutline(rect);
    if (!outline)
        return;
    ApplyShapeState();
    FPainter.drawEllipse(*outline);
    ResetCompositionMode();
}

void TCanvas::FillRect(const QRect &r)
{
    // Brush fills ignore the pen mode, as the window system's do.
    if (FPainter.isActive())
        ResetCompositionMode();
    FillWithBrush(r);
}

void TCanvas::FrameRect(const QRect &r)
{
    if (!FPainter.isActive() || IsRectEmpty(r) || !BrushVisible())
        return;
    ResetCompositionMode();
    const int L = r.left(), T = r.top(), R = RectRight(r), B = RectBottom(r);
    FillWithBrush(MakeRect(L, T, R, T + 1));
    if (B - 1 > T) {
        FillWithBrush(MakeRect(L, B - 1, R, B));
        FillWithBrush(MakeRect(L, T + 1, L + 1, B - 1));
        if (R - 1 > L)
            FillWithBrush(MakeRect(R - 1, T + 1, R, B - 1));
    }
}

// ---- pixels

TColor TCanvas::Pixel(int x, int y) const
{
    if (!FImage)
        return clBlack;
    const QPoint d = QPoint(x, y) - FWindowOrg;
    if (!FImage->rect().contains(d))
        return clBlack;
    return FromQRgb(FImage->pixel(d));
}

// ---- pictures

void TCanvas::Draw(int x, int y, const QImage &image)
{
    if (FPainter.isActive() && !image.isNull()) {
        ResetCompositionMode();
        FPainter.drawImage(QPoint(x, y), image);
    }
}

void TCanvas::CopyRect(const QRect &destRect, TCanvas &source, const QRect &srcRect)
{
    if (!FPainter.isActive() || !source.FImage || IsRectEmpty(destRect) || IsRectEmpty(srcRect))
        return;
    const QRect deviceSrc = srcRect.translated(-source.FWindowOrg);
    // Copying inside one picture needs the source taken out first.
    const QImage src = (&source == this) ? FImage->copy(deviceSrc) : QImage();
    FPainter.setCompositionMode(QPainter::CompositionMode_Source);
    if (&source == this)
        FPainter.drawImage(destRect, src);
    else
        FPainter.drawImage(destRect, *source.FImage, deviceSrc);
    ResetCompositionMode();
}
