#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "treegrid/BaseTreeGrid.h"

class TCanvas;

// The window a tree-grid shows its hints in: a framed hint text, or a tooltip that repeats a
// cut-off cell text in the cell's own font and colours. It fades or slides in from a timer,
// never by waiting, and stays out of the way of mouse and keyboard: a press or a turn of the
// wheel over it closes it and goes on to the window below.
class TTreeGridHintWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TTreeGridHintWindow(QWidget *parent);
    ~TTreeGridHintWindow() override;

    TTGHintData &HintData() { return FHintData; }
    const TTGHintData &HintData() const { return FHintData; }
    QString Text() const { return FText; }

    // The size the hint needs (at 0, 0): the text within maxWidth, the frame and the margins.
    virtual QRect CalcHintRect(int maxWidth, const QString &hint, TTGHintData &data);
    // Shows the hint at a screen rectangle, kept within the work area of its screen; area is the
    // screen rectangle the pointer may move in without the hint going away.
    virtual void ActivateHint(QRect rect, const QString &hint, QRect area);
    bool Animating() const { return FAnimationTimer.isActive(); }
    // The steps of an animation (fade: 255 over twice the duration, slide: the height over the
    // duration); 0 for none.
    int AnimationSteps() const { return FAnimationSteps; }

protected:
    // Step 0 draws the content; later steps show more of it.
    virtual void InternalPaint(int step, int stepSize);
    // False ends the animation.
    virtual bool AnimationCallback(int step, int stepSize);
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // The size of the hint's text: empty text, empty size.
    QRect CalcTextRect(int maxWidth, const QString &hint, TTGHintData &data);
    void DrawContent(TCanvas &canvas);
    void AnimationTick();
    void WatchTick();
    TTGHintAnimation EffectiveAnimation() const;
    // Hides the hint and hands the event to the window of ours that lies under it.
    void PassOn(QEvent *event, QPointF globalPos);

    TTGHintData FHintData;
    QString FText;
    QImage FContent;
    int FTextHeight = 0;
    TTGHintAnimation FAnimation = hatNone;
    int FAnimationSteps = 0;
    int FAnimationStep = 0;
    int FDuration = 0;
    int FVisibleHeight = 0;
    QTimer FAnimationTimer;
    QElapsedTimer FAnimationClock;
    QTimer FWatchTimer;
    QPoint FCursorAtShow;
    QRect FArea;
};
