#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// The picture of a dragged header column, following the mouse over the tree's window:
// darkened once (pre-blend bias -50) and shown with a constant transparency of 140 of 255.
class TTGHeaderDragImage
{
public:
    explicit TTGHeaderDragImage(QWidget *host);
    ~TTGHeaderDragImage();

    TTGHeaderDragImage(const TTGHeaderDragImage &) = delete;
    TTGHeaderDragImage &operator=(const TTGHeaderDragImage &) = delete;

    // The picture's top-left corner lies at screenTopLeft while the mouse is at screenHotSpot.
    void PrepareDrag(const QImage &image, QPoint screenTopLeft, QPoint screenHotSpot, bool horizontalOnly);
    void ShowDragImage();
    // Moves the picture with the mouse (keeping its y with horizontal-only moves).
    void DragTo(QPoint screenPoint);
    void EndDrag();
    bool Visible() const;
    // The picture's place on the screen, empty while hidden.
    QRect GetDragImageRect() const;

    static constexpr int Transparency = 140;
    static constexpr int PreBlendBias = -50;

private:
    QPointer<QWidget> FHost;
    QPointer<QWidget> FView;
    QImage FImage;
    QPoint FTopLeft;      // screen
    QPoint FHotSpot;      // screen point the picture was placed for
    bool FHorizontalOnly = false;
};

// Shows the header and rows right of a resized column's old edge sliding to its new edge in
// 32 steps of 1 ms, driven by a timer. The new width is in force already; the overlay only
// covers the repaint while it slides.
class TTGColumnResizeAnimation : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Steps = 32;

    // picture: what lay right of the old edge (header and rows). The overlay covers area of the
    // parent; the picture starts at x offset start inside it and moves by step per tick. What it
    // does not cover shows the widgets below (the new layout).
    TTGColumnResizeAnimation(QWidget *parent, const QImage &picture, const QRect &area, int start, int step);

    int StepsDone() const { return FDone; }
    // Ends the slide at once.
    void Finish();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Tick();

    QImage FPicture;
    QTimer FTimer;
    int FStart;
    int FStep;
    int FDone = 0;
};
