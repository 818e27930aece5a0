// Nothing a drawing routine sets on the painter under a canvas reaches the next call: every
// canvas call draws with its own state, and the raw painter's guard gives the state back.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Canvas.h"

namespace {

// How many pixels of the image have exactly this colour.
int CountOf(const QImage &img, TColor color)
{
    const QRgb want = ToQRgb(color) & 0xFFFFFF;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == want;
    return n;
}

// A grey canvas of 40 x 30.
std::unique_ptr<TCanvas> GreyCanvas()
{
    auto c = std::make_unique<TCanvas>(40, 30);
    c->Image()->fill(QColor(0x80, 0x80, 0x80));
    return c;
}

} // namespace

TEST(CanvasState, TheRawPainterLeavesNothingBehind)
{
    auto c = GreyCanvas();
    {
        // A routine that leaves every kind of state on the painter it was given.
        const TCanvasPainter painter = c->Painter();
        ASSERT_TRUE(painter);
        painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter->setOpacity(0.25);
        painter->translate(7, 9);
        painter->setClipRect(QRect(0, 0, 3, 3));
        painter->setBrush(Qt::black);
        painter->setRenderHint(QPainter::Antialiasing, true);
    }
    // The next fills and texts are whole and opaque, where the canvas says.
    c->Brush().SetColor(clWhite);
    c->FillRect(QRect(0, 0, 40, 30));
    EXPECT_EQ(CountOf(*c->Image(), clWhite), 40 * 30);
    c->Brush().SetColor(clRed);
    c->Pen().SetColor(clBlue);
    c->Rectangle(QRect(10, 10, 10, 10));
    EXPECT_EQ(c->Pixel(10, 10), clBlue);
    EXPECT_EQ(c->Pixel(15, 15), clRed);
    EXPECT_EQ(CountOf(*c->Image(), clRed), 8 * 8);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    c->Draw(30, 0, picture);
    EXPECT_EQ(c->Pixel(30, 0), TColor(0x00FF00));
    EXPECT_EQ(c->Pixel(33, 3), TColor(0x00FF00));
}

TEST(CanvasState, EveryCallDrawsWithItsOwnMode)
{
    auto c = GreyCanvas();
    // The pen mode combines lines and shapes with the picture; brush fills and pictures
    // copy, as the window system's do, whatever mode the pen is left in.
    c->Pen().SetMode(pmMask);
    c->Pen().SetColor(TColor(0x0000FF));
    c->Brush().SetColor(TColor(0x0000FF));
    c->FillRect(QRect(0, 0, 10, 10));
    EXPECT_EQ(c->Pixel(5, 5), TColor(0x0000FF));
    c->FrameRect(QRect(0, 20, 10, 10));
    EXPECT_EQ(c->Pixel(0, 20), TColor(0x0000FF));
    c->Rectangle(QRect(20, 0, 10, 10));
    EXPECT_EQ(c->Pixel(25, 5), TColor(0x000080)); // red AND grey
    // The rectangle's mode does not stay for the fill after it.
    c->FillRect(QRect(20, 20, 5, 5));
    EXPECT_EQ(c->Pixel(22, 22), TColor(0x0000FF));
    // Nor does a raw painter's mode stay after the guard.
    c->Pen().SetMode(pmCopy);
    {
        const TCanvasPainter painter = c->Painter();
        painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter->fillRect(QRect(30, 20, 5, 5), Qt::white);
    }
    c->Brush().SetColor(clWhite);
    c->FillRect(QRect(30, 20, 5, 5));
    EXPECT_EQ(c->Pixel(32, 22), clWhite);
}

TEST(CanvasState, TheGuardKeepsWhatTheCanvasChangedMeanwhile)
{
    auto c = GreyCanvas();
    {
        const TCanvasPainter painter = c->Painter();
        // The canvas moves its origin and clip while the raw painter lives: they hold after it.
        c->SetWindowOrg(10, 0);
        c->IntersectClipRect(QRect(10, 0, 10, 10));
        painter->fillRect(QRect(10, 0, 40, 40), Qt::black); // through the new origin and clip
    }
    c->Brush().SetColor(clWhite);
    c->FillRect(QRect(0, 0, 100, 100));
    const QImage &img = *c->Image();
    EXPECT_EQ(CountOf(img, clWhite), 10 * 10);
    EXPECT_EQ(c->Pixel(10, 0), clWhite);  // device (0, 0)
    EXPECT_EQ(c->Pixel(19, 9), clWhite);  // device (9, 9)
    EXPECT_EQ(c->Pixel(20, 0), TColor(0x808080)); // outside the clip
    // Nested guards undo in order.
    c->RemoveClip();
    c->SetWindowOrg(0, 0);
    {
        const TCanvasPainter outer = c->Painter();
        outer->setOpacity(0.5);
        {
            const TCanvasPainter inner = c->Painter();
            inner->setCompositionMode(QPainter::RasterOp_NotDestination);
        }
        EXPECT_EQ(outer->compositionMode(), QPainter::CompositionMode_SourceOver);
        EXPECT_DOUBLE_EQ(outer->opacity(), 0.5);
    }
    c->FillRect(QRect(0, 0, 40, 30));
    EXPECT_EQ(CountOf(img, clWhite), 40 * 30);
}

TEST(CanvasState, AnInactiveCanvasHandsOutNoPainter)
{
    TCanvas empty(0, 0);
    const TCanvasPainter painter = empty.Painter();
    EXPECT_FALSE(painter);
    EXPECT_EQ(painter.get(), nullptr);
}
