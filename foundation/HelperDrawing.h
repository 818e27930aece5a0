#pragma once

// Small drawing helpers over any canvas: the curved deadline arrow of the chart (outline,
// region and the points behind both), focus rectangles with ordered corners, the red
// spelling zigzag, the average character size of a font, invalidating an ellipse, and
// drawing a picture stretched onto any device.

#include <array>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

class TCanvas;
class QWidget;

enum TFillStyle { fsStroke, fsFill, fsStrokeAndFill };

// The eleven points of the arrow outline: P0 = P10 = from, P5 = to (the tip).
using TArrowPoints = std::array<QPoint, 11>;

// `size` scales the head (1 at 100 % zoom); the canvas's resolution scales it further
// against the screen's, so printed arrows keep their physical size.
void ConstructArrowPoints(TCanvas &canvas, QPoint from, QPoint to, TArrowPoints &points, double size);
// A control point of the shaft's curve: from `origin` along the angle by `distance`.
QPoint ControlPoint(QPointF origin, double angle, double distance);
// The direction of the vector from `from` to `to`; a point to itself points up.
double ArrowAngle(QPoint from, QPoint to);
// Draws the arrow with the canvas's pen (a one-pixel outline) and brush (solid) and pen mode.
// Its pixels follow from the points alone: a paint of any part of the canvas draws there what
// a paint of the whole draws, and the arrow shifted by whole pixels draws the same pixels shifted.
void DrawArrow(TCanvas &canvas, QPoint from, QPoint to, TFillStyle style, double size);
// The same from points already made (and perhaps limited); a non-empty `clip` (logical) keeps
// the drawing inside it.
void DrawArrowPoints(TCanvas &canvas, const TArrowPoints &points, TFillStyle style, const QRect &clip = QRect());
// Keeps the drawn outline at or below `top`: what rises above the higher of its two ends is
// pressed towards that height, so a long arrow arcs lower; an arrow that fits is left as it is.
void LimitArrowRise(TArrowPoints &points, int top);
// The same downwards: the drawn outline stays at or above `bottom`.
void LimitArrowDrop(TArrowPoints &points, int bottom);
// The box of every pixel the drawn arrow sets.
QRect ArrowBounds(const TArrowPoints &points);
// The same outline as a region, for hit testing.
QRegion ArrowRgn(TCanvas &canvas, QPoint from, QPoint to, double size);

// The focus rectangle after ordering the corners (left <= right, top <= bottom).
void FocusRect(TCanvas &canvas, QRect rect);

// A red zigzag under a text: for every column from x to x + length, one pixel on row y - 1 or
// y - 2 by (phase + column) mod 4. Nothing for a negative length.
void SnakeLine(TCanvas &canvas, int x, int y, int phase, int length);

// x: the average width of "A".."Z" and "a".."z" in the canvas's font; y: their height.
QPoint GetAveCharSize(TCanvas &canvas);

// Repaints the ellipse inscribed in the rectangle grown by one pixel to the right and bottom.
void InvalidateEllipse(QWidget *window, const QRect &rect);

// Draws a picture stretched into (x, y, width, height) as plain 24-bit colour, so that devices
// without alpha (printers) receive it unchanged.
void BltTBitmapAsDib(TCanvas &canvas, int x, int y, int width, int height, const QImage &bitmap);
