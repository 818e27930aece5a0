// Nothing a drawing routine sets on the painter under a canvas reaches the next call: every
// canvas call draws with its own state, and the raw painter's guard gives the state back.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Canvas.h"
#include "ImageList.h"

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

TEST(CanvasState, ShapesAndImageListPicturesLeaveNothingBehind)
{
    auto c = GreyCanvas();
    // Shapes in a combining pen mode, a half-transparent picture of an image list.
    c->Pen().SetMode(pmXor);
    c->Pen().SetColor(clWhite);
    c->Brush().SetColor(clWhite);
    c->RoundRect(QRect(0, 0, 10, 10), 4, 4);
    c->Ellipse(QRect(10, 0, 10, 10));
    EXPECT_EQ(c->Pixel(5, 5), TColor(0x7F7F7F)); // grey XOR white
    EXPECT_EQ(c->Pixel(15, 5), TColor(0x7F7F7F));
    TImageList list(4, 4);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(qRgb(0xFF, 0, 0));
    list.AddMasked(red, clFuchsia);
    list.DrawEx(*c, 30, 0, 0, ILD_TRANSPARENT | ILD_BLEND50, clNone, clNone);
    const TColor blended = c->Pixel(31, 1);
    EXPECT_NE(blended, TColor(0x0000FF));
    EXPECT_NE(blended, TColor(0x808080));
    // The calls after them copy, whole and opaque, whatever mode the pen is left in.
    QImage green(4, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    c->Draw(30, 10, green);
    EXPECT_EQ(c->Pixel(31, 11), TColor(0x00FF00));
    list.DrawEx(*c, 30, 20, 0, ILD_TRANSPARENT, clNone, clNone);
    EXPECT_EQ(c->Pixel(31, 21), TColor(0x0000FF));
    c->Brush().SetColor(clBlue);
    c->FillRect(QRect(0, 20, 10, 10));
    EXPECT_EQ(CountOf(*c->Image(), clBlue), 10 * 10);
    const TCanvasPainter raw = c->Painter();
    EXPECT_DOUBLE_EQ(raw->opacity(), 1.0);
    EXPECT_TRUE(raw->transform().isIdentity());
}

TEST(CanvasState, AnImageListPictureLeavesARawPainterAsItWas)
{
    auto c = GreyCanvas();
    c->Pen().SetMode(pmXor);
    TImageList list(4, 4);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(qRgb(0xFF, 0, 0));
    list.AddMasked(red, clFuchsia);
    const TCanvasPainter raw = c->Painter();
    ASSERT_EQ(raw->compositionMode(), QPainter::RasterOp_SourceXorDestination);
    raw->setOpacity(0.75);
    // The picture goes over what lies below, not combined with it; blended at its own opacity.
    list.DrawEx(*c, 0, 0, 0, ILD_TRANSPARENT, clNone, clNone);
    list.DrawEx(*c, 10, 0, 0, ILD_TRANSPARENT | ILD_BLEND50, clNone, clNone);
    EXPECT_EQ(raw->compositionMode(), QPainter::RasterOp_SourceXorDestination);
    EXPECT_DOUBLE_EQ(raw->opacity(), 0.75);
    raw->setOpacity(1.0);
    list.DrawEx(*c, 20, 0, 0, ILD_TRANSPARENT, clNone, clNone);
    EXPECT_EQ(c->Pixel(21, 1), TColor(0x0000FF));
}

TEST(CanvasState, RoundRectAndEllipseDrawWhatTheRawPainterDrawsWithTheCanvasState)
{
    struct TCase
    {
        TPenMode mode;
        TPenStyle penStyle;
        int penWidth;
        TBrushStyle brushStyle;
    };
    const TCase cases[] = {
        {pmCopy, psSolid, 1, bsSolid}, {pmCopy, psSolid, 3, bsSolid},     {pmXor, psSolid, 1, bsSolid},
        {pmCopy, psClear, 1, bsSolid}, {pmCopy, psDash, 1, bsClear},      {pmMask, psSolid, 2, bsDiagCross},
        {pmWhite, psSolid, 1, bsClear}, {pmCopy, psSolid, 1, bsHorizontal},
    };
    for (const TCase &k : cases) {
        std::unique_ptr<TCanvas> shapes = GreyCanvas();
        std::unique_ptr<TCanvas> raw = GreyCanvas();
        for (TCanvas *c : {shapes.get(), raw.get()}) {
            c->SetWindowOrg(-3, -2); // patterns and outlines follow the origin
            c->Pen().SetMode(k.mode);
            c->Pen().SetStyle(k.penStyle);
            c->Pen().SetWidth(k.penWidth);
            c->Pen().SetColor(TColor(0x203040));
            c->Brush().SetColor(TColor(0x00C0FF));
            c->Brush().SetStyle(k.brushStyle);
        }
        shapes->RoundRect(QRect(1, 1, 16, 12), 6, 4);
        shapes->Ellipse(QRect(18, 3, 15, 20));
        if (const TCanvasPainter painter = raw->Painter()) {
            painter->drawRoundedRect(QRectF(1.5, 1.5, 15, 11), 3, 2);
            painter->drawEllipse(QRectF(18.5, 3.5, 14, 19));
        }
        EXPECT_EQ(*shapes->Image(), *raw->Image()) << int(k.mode) << " " << int(k.penStyle) << " " << k.penWidth
                                                    << " " << int(k.brushStyle);
    }
}

TEST(CanvasState, AnInactiveCanvasHandsOutNoPainter)
{
    TCanvas empty(0, 0);
    const TCanvasPainter painter = empty.Painter();
    EXPECT_FALSE(painter);
    EXPECT_EQ(painter.get(), nullptr);
    const TCanvasImagePainter pictures = empty.ImagePainter();
    EXPECT_FALSE(pictures);
    // Nothing to draw on: shapes and pictures do nothing.
    empty.RoundRect(QRect(0, 0, 10, 10), 4, 4);
    empty.Ellipse(QRect(0, 0, 10, 10));
    TImageList list(4, 4);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    list.AddMasked(red, clFuchsia);
    list.DrawEx(empty, 0, 0, 0, ILD_NORMAL, clNone, clNone);
}
