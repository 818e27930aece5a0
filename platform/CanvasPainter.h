#pragma once

#include <QPainter>
#include <QtGlobal>

class TCanvas;

// What the two guards below share: a painter handed out for one local scope, neither copied
// nor moved, null when the canvas has nothing to paint on.
class TScopedPainter
{
public:
    TScopedPainter(const TScopedPainter &) = delete;
    TScopedPainter &operator=(const TScopedPainter &) = delete;
    TScopedPainter(TScopedPainter &&) = delete;
    TScopedPainter &operator=(TScopedPainter &&) = delete;

    QPainter *get() const { return FPainter; }
    QPainter *operator->() const { return FPainter; }
    QPainter &operator*() const { return *FPainter; }
    explicit operator bool() const { return FPainter != nullptr; }

protected:
    explicit TScopedPainter(QPainter *painter) : FPainter(painter) {}
    ~TScopedPainter() = default;

    QPainter *FPainter = nullptr;
};

// The canvas's raw painter, for drawing the canvas has no call for (styles, paths, pictures
// scaled onto a device). While the object lives the painter carries the canvas's pen, brush,
// font and pen mode; when it goes, everything set on the painter meanwhile is undone and the
// canvas's origin and clip hold again, so nothing leaks into the next call or the next paint.
// Keep it in a local scope: it must not outlive the canvas.
class TCanvasPainter : public TScopedPainter
{
public:
    ~TCanvasPainter();

private:
    friend class TCanvas;
    explicit TCanvasPainter(TCanvas &canvas);

    TCanvas &FCanvas;
    quint64 FPlacement = 0;
};

// The canvas's painter for pictures and colour fills that need none of its pen, brush or font
// (images of an image list, once per cell): cheap to take. It draws over what lies below; when
// it goes, composition and opacity are what they were before.
class TCanvasImagePainter : public TScopedPainter
{
public:
    ~TCanvasImagePainter();

private:
    friend class TCanvas;
    explicit TCanvasImagePainter(QPainter *painter);

    QPainter::CompositionMode FMode = QPainter::CompositionMode_SourceOver;
    qreal FOpacity = 1.0;
};
