#pragma once

#include <QPainter>
#include <QtGlobal>

class TCanvas;

// The canvas's raw painter, for drawing the canvas has no call for (styles, paths, pictures
// scaled onto a device). While the object lives the painter carries the canvas's pen, brush,
// font and pen mode; when it goes, everything set on the painter meanwhile is undone and the
// canvas's origin and clip hold again, so nothing leaks into the next call or the next paint.
// Keep it in a local scope: it must not outlive the canvas.
class TCanvasPainter
{
public:
    ~TCanvasPainter();
    TCanvasPainter(const TCanvasPainter &) = delete;
    TCanvasPainter &operator=(const TCanvasPainter &) = delete;
    TCanvasPainter(TCanvasPainter &&) = delete;
    TCanvasPainter &operator=(TCanvasPainter &&) = delete;

    // Null when the canvas has nothing to paint on.
    QPainter *get() const { return FPainter; }
    QPainter *operator->() const { return FPainter; }
    QPainter &operator*() const { return *FPainter; }
    explicit operator bool() const { return FPainter != nullptr; }

private:
    friend class TCanvas;
    explicit TCanvasPainter(TCanvas &canvas);

    TCanvas &FCanvas;
    QPainter *FPainter = nullptr;
    quint64 FPlacement = 0;
};

// The canvas's painter for pictures and colour fills that need none of its pen, brush or font
// (images of an image list, once per cell): cheap to take. It draws over what lies below; when
// it goes, composition and opacity are what they were before.
class TCanvasImagePainter
{
public:
    ~TCanvasImagePainter();
    TCanvasImagePainter(const TCanvasImagePainter &) = delete;
    TCanvasImagePainter &operator=(const TCanvasImagePainter &) = delete;
    TCanvasImagePainter(TCanvasImagePainter &&) = delete;
    TCanvasImagePainter &operator=(TCanvasImagePainter &&) = delete;

    // Null when the canvas has nothing to paint on.
    QPainter *get() const { return FPainter; }
    QPainter *operator->() const { return FPainter; }
    QPainter &operator*() const { return *FPainter; }
    explicit operator bool() const { return FPainter != nullptr; }

private:
    friend class TCanvas;
    explicit TCanvasImagePainter(QPainter *painter);

    QPainter *FPainter = nullptr;
    QPainter::CompositionMode FMode = QPainter::CompositionMode_SourceOver;
    qreal FOpacity = 1.0;
};
