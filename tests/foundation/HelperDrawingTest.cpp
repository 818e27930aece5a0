#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <memory>

#include "Canvas.h"
#include "HelperDrawing.h"

namespace {

class RegionRecorder : public QWidget
{
public:
    QRegion painted;

protected:
    void paintEvent(QPaintEvent *event) override { painted += event->region(); }
};

bool Finite(const TArrowPoints &points)
{
    for (const QPoint &p : points)
        if (std::abs(p.x()) > 100000 || std::abs(p.y()) > 100000)
            return false;
    return true;
}

// The arrow limited to `limit` (upwards: its top, else its bottom): the drawn outline ends at
// the limit or up to two pixels short of it; both ends, every x and every height on the near
// side of the nearer end stay.
TArrowPoints ExpectLimited(const TArrowPoints &free, int limit, bool upwards)
{
    TArrowPoints limited = free;
    if (upwards) {
        LimitArrowRise(limited, limit);
        EXPECT_GE(ArrowBounds(limited).top(), limit);
        EXPECT_LE(ArrowBounds(limited).top(), limit + 2);
    } else {
        LimitArrowDrop(limited, limit);
        EXPECT_LE(ArrowBounds(limited).bottom(), limit);
        EXPECT_GE(ArrowBounds(limited).bottom(), limit - 2);
    }
    EXPECT_EQ(limited[0], free[0]);
    EXPECT_EQ(limited[5], free[5]);
    const int base = upwards ? std::min(free[0].y(), free[5].y()) : std::max(free[0].y(), free[5].y());
    for (std::size_t i = 0; i < free.size(); ++i) {
        EXPECT_EQ(limited[i].x(), free[i].x()) << i;
        if (upwards ? free[i].y() >= base : free[i].y() <= base) {
            EXPECT_EQ(limited[i].y(), free[i].y()) << i;
        }
    }
    return limited;
}

} // namespace

TEST(HelperDrawingTest, ArrowPointsFollowTheDirectionAndStayFinite)
{
    TCanvas canvas(200, 200);
    TArrowPoints down;
    ConstructArrowPoints(canvas, QPoint(100, 20), QPoint(100, 150), down, 1.0);
    EXPECT_EQ(down[0], QPoint(100, 20));
    EXPECT_EQ(down[10], QPoint(100, 20));
    EXPECT_EQ(down[5], QPoint(100, 150));
    // The head's base lies 30 pixels back along the shaft.
    EXPECT_EQ(down[4], QPoint(100, 120));

    TArrowPoints up;
    ConstructArrowPoints(canvas, QPoint(100, 150), QPoint(100, 20), up, 1.0);
    EXPECT_EQ(up[5], QPoint(100, 20));
    EXPECT_EQ(up[4], QPoint(100, 50));
    // Pointing up is the same outline turned around its tip: every head point mirrored.
    for (int i : {3, 4, 6, 7})
        EXPECT_EQ(up[i] - up[5], down[5] - down[i]) << i;

    // Twice the size, twice the head.
    TArrowPoints big;
    ConstructArrowPoints(canvas, QPoint(0, 0), QPoint(200, 0), big, 2.0);
    EXPECT_EQ(big[4], QPoint(140, 0));

    // A point to itself stays finite and drawable.
    TArrowPoints none;
    ConstructArrowPoints(canvas, QPoint(50, 50), QPoint(50, 50), none, 1.0);
    EXPECT_TRUE(Finite(none));
    EXPECT_DOUBLE_EQ(ArrowAngle(QPoint(50, 50), QPoint(50, 50)), -M_PI / 2);
    canvas.Brush().SetColor(clYellow);
    DrawArrow(canvas, QPoint(50, 50), QPoint(50, 50), fsStrokeAndFill, 1.0);
    EXPECT_FALSE(ArrowRgn(canvas, QPoint(50, 50), QPoint(50, 50), 1.0).isEmpty());
}

TEST(HelperDrawingTest, ArrowIsDrawnAndHitWhereItsOutlineIs)
{
    TCanvas canvas(300, 100);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(QRect(0, 0, 300, 100));
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(clRed);
    DrawArrow(canvas, QPoint(10, 50), QPoint(250, 50), fsStrokeAndFill, 1.0);
    const QRegion hit = ArrowRgn(canvas, QPoint(10, 50), QPoint(250, 50), 1.0);
    // Inside the head: filled and hit; far above the shaft: neither.
    EXPECT_TRUE(hit.contains(QPoint(235, 47)));
    EXPECT_EQ(canvas.Pixel(235, 47), clRed);
    EXPECT_FALSE(hit.contains(QPoint(150, 5)));
    EXPECT_EQ(canvas.Pixel(150, 5), clWhite);
    // Only the outline with fsStroke.
    TCanvas outline(300, 100);
    outline.Brush().SetColor(clWhite);
    outline.FillRect(QRect(0, 0, 300, 100));
    outline.Brush().SetColor(clRed);
    DrawArrow(outline, QPoint(10, 50), QPoint(250, 50), fsStroke, 1.0);
    EXPECT_EQ(outline.Pixel(235, 47), clWhite);
}

TEST(HelperDrawingTest, SnakeLineFocusRectAndCharacterSize)
{
    TCanvas canvas(40, 20);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(QRect(0, 0, 40, 20));
    SnakeLine(canvas, 5, 10, 0, 7);
    // Columns 5..12: (phase + column) mod 4 in {0, 1} on row 9, else row 8.
    for (int x = 5; x <= 12; ++x) {
        const int row = (x % 4) < 2 ? 9 : 8;
        EXPECT_EQ(canvas.Pixel(x, row), clRed) << x;
        EXPECT_EQ(canvas.Pixel(x, row == 9 ? 8 : 9), clWhite) << x;
    }
    EXPECT_EQ(canvas.Pixel(4, 9), clWhite);
    EXPECT_EQ(canvas.Pixel(13, 8), clWhite);
    SnakeLine(canvas, 20, 15, 1, -1); // negative length: nothing
    EXPECT_EQ(canvas.Pixel(20, 14), clWhite);
    EXPECT_EQ(canvas.Pixel(20, 13), clWhite);

    // Corners in any order give the same frame; a second call removes it again.
    TCanvas a(30, 30), b(30, 30);
    for (TCanvas *c : {&a, &b}) {
        c->Brush().SetColor(clWhite);
        c->FillRect(QRect(0, 0, 30, 30));
    }
    FocusRect(a, MakeRect(5, 5, 20, 25));
    FocusRect(b, MakeRect(20, 25, 5, 5));
    EXPECT_EQ(*a.Image(), *b.Image());
    FocusRect(b, MakeRect(5, 25, 20, 5));
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(b.Pixel(x, 5), clWhite);

    TCanvas text(10, 10);
    text.Font().SetName(QStringLiteral("DejaVu Sans"));
    text.Font().SetHeight(-13);
    const QPoint size = GetAveCharSize(text);
    EXPECT_GT(size.x(), 4);
    EXPECT_LT(size.x(), 13);
    EXPECT_EQ(size.y(), text.TextHeight(QStringLiteral("Ag")));
}

TEST(HelperDrawingTest, BitmapStretchedAndEllipseInvalidated)
{
    QImage source(2, 2, QImage::Format_ARGB32);
    source.fill(qRgba(0, 0, 255, 0)); // alpha is dropped: devices get plain colour
    TCanvas canvas(20, 20);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(QRect(0, 0, 20, 20));
    BltTBitmapAsDib(canvas, 4, 4, 10, 8, source);
    EXPECT_EQ(canvas.Pixel(8, 8), clBlue);
    EXPECT_EQ(canvas.Pixel(15, 8), clWhite);
    EXPECT_EQ(canvas.Pixel(8, 13), clWhite);

    RegionRecorder window;
    window.resize(60, 60);
    window.show();
    QApplication::processEvents();
    window.painted = QRegion();
    InvalidateEllipse(&window, QRect(10, 10, 30, 30));
    QApplication::processEvents();
    // The ellipse's middle is repainted, the corners of its box are not.
    EXPECT_TRUE(window.painted.contains(QPoint(25, 25)));
    EXPECT_FALSE(window.painted.contains(QPoint(11, 11)));
    EXPECT_FALSE(window.painted.contains(QPoint(50, 50)));
    InvalidateEllipse(nullptr, QRect(0, 0, 20, 20));
}

TEST(HelperDrawingTest, ALimitedArrowStaysBelowItsTopAndLeavesTheFillAsItWas)
{
    TCanvas canvas(700, 200);
    // A long arrow arcs high above its start; limited, it stays at or below the top.
    TArrowPoints free;
    ConstructArrowPoints(canvas, QPoint(20, 150), QPoint(660, 170), free, 1.0);
    ASSERT_LT(ArrowBounds(free).top(), 100);
    // Both ends and everything below the start (150) stay; the order of heights is kept.
    const TArrowPoints limited = ExpectLimited(free, 120, true);
    EXPECT_LT(limited[2].y(), limited[3].y());
    // An arrow that fits is left alone.
    TArrowPoints fits = free;
    LimitArrowRise(fits, ArrowBounds(free).top());
    EXPECT_EQ(fits, free);

    // Drawn, nothing lies above the limit, and the fill after it is the plain brush again.
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(QRect(0, 0, 700, 200));
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetMode(pmMask);
    canvas.Brush().SetColor(TColor(0xC0C0C0));
    DrawArrowPoints(canvas, limited, fsStrokeAndFill, MakeRect(0, 0, 700, 171));
    int above = 0, drawn = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 700; ++x) {
            const bool ink = canvas.Pixel(x, y) != clWhite;
            drawn += ink;
            above += ink && y < 120;
        }
    EXPECT_GT(drawn, 500);
    EXPECT_EQ(above, 0);
    canvas.Pen().SetMode(pmCopy);
    canvas.Brush().SetColor(TColor(0x00FFFF));
    canvas.FillRect(QRect(0, 0, 700, 200));
    EXPECT_EQ(canvas.Pixel(300, 150), TColor(0x00FFFF));
    EXPECT_EQ(canvas.Pixel(655, 168), TColor(0x00FFFF));
}

// Painted strip by strip under the strips' clips, or moved by whole pixels, an arrow sets the
// pixels a paint of the whole sets: nothing shifts at a strip's border.
TEST(HelperDrawingTest, AnArrowPaintedInStripsOrMovedIsTheSameArrow)
{
    const auto draw = [](TCanvas &canvas, QPoint from, QPoint to, const QRect &clip) {
        canvas.SaveDC();
        if (!clip.isNull())
            canvas.IntersectClipRect(clip);
        canvas.Pen().SetColor(clBlack);
        canvas.Pen().SetMode(pmMask);
        canvas.Brush().SetColor(TColor(0x11CCFF));
        DrawArrow(canvas, from, to, fsStrokeAndFill, 0.7);
        canvas.RestoreDC();
    };
    const auto sheet = [] {
        auto canvas = std::make_unique<TCanvas>(420, 240);
        canvas->Brush().SetColor(clWhite);
        canvas->FillRect(QRect(0, 0, 420, 240));
        // Stripes under the arrow, for the mask to show through.
        canvas->Brush().SetColor(TColor(0x80C0F0));
        for (int y = 0; y < 240; y += 9)
            canvas->FillRect(QRect(0, y, 420, 3));
        return canvas;
    };
    // Pointing back and down: the shaft bows far below its ends.
    const QPoint from(360, 60), to(40, 90);
    const auto whole = sheet();
    draw(*whole, from, to, QRect());
    const auto strips = sheet();
    for (int y = 0; y < 240; y += 7)
        draw(*strips, from, to, QRect(0, y, 420, 7));
    for (int x = 0; x < 420; x += 11)
        draw(*strips, from, to, QRect(x, 0, 11, 240)); // over again: the mask keeps it
    const auto blank = sheet();
    int drawn = 0, differ = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 420; ++x) {
            drawn += whole->Pixel(x, y) != blank->Pixel(x, y);
            differ += whole->Pixel(x, y) != strips->Pixel(x, y);
        }
    EXPECT_GT(drawn, 2000);
    EXPECT_EQ(differ, 0);

    // Moved 5 right and 9 (a stripe) down: the same pixels, moved.
    const auto moved = sheet();
    draw(*moved, from + QPoint(5, 9), to + QPoint(5, 9), QRect());
    int shifted = 0;
    for (int y = 0; y < 240 - 9; ++y)
        for (int x = 0; x < 420 - 5; ++x)
            shifted += whole->Pixel(x, y) != moved->Pixel(x + 5, y + 9);
    EXPECT_EQ(shifted, 0);
}

TEST(HelperDrawingTest, ALimitedArrowStaysAboveItsBottom)
{
    TCanvas canvas(700, 300);
    // Pointing back: the shaft bows far below both ends.
    TArrowPoints free;
    ConstructArrowPoints(canvas, QPoint(660, 40), QPoint(20, 60), free, 1.0);
    ASSERT_GT(ArrowBounds(free).bottom(), 120);
    // Both ends and everything above the tip (60) stay.
    ExpectLimited(free, 90, false);
    // An arrow that fits is left alone; a bottom above both ends flattens what lies below.
    TArrowPoints fits = free;
    LimitArrowDrop(fits, ArrowBounds(free).bottom());
    EXPECT_EQ(fits, free);
    TArrowPoints flat = free;
    LimitArrowDrop(flat, 50);
    EXPECT_LE(ArrowBounds(flat).bottom(), 60);
}
