#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include "Canvas.h"

namespace {

// A white canvas of the given size.
std::unique_ptr<TCanvas> WhiteCanvas(int w, int h)
{
    auto c = std::make_unique<TCanvas>(w, h);
    c->Image()->fill(Qt::white);
    return c;
}

// A white canvas that writes in a 12-pixel DejaVu Sans without painting the text background.
std::unique_ptr<TCanvas> TextCanvas(int w, int h)
{
    auto c = WhiteCanvas(w, h);
    c->Font().SetName(QStringLiteral("DejaVu Sans"));
    c->Font().SetHeight(-12);
    c->Brush().SetStyle(bsClear);
    return c;
}

// Bounding box of the pixels that differ from white, in device coordinates.
QRect Painted(const QImage &img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(CanvasShapes, RectangleExcludesRightAndBottomEdges)
{
    auto c = WhiteCanvas(20, 20);
    c->Pen().SetColor(clBlack);
    c->Brush().SetColor(clRed);
    c->Rectangle(2, 3, 10, 8);
    const QImage &img = *c->Image();
    EXPECT_EQ(Painted(img), MakeRect(2, 3, 10, 8));
    // Frame in the pen, inside in the brush, and right/bottom edges excluded.
    EXPECT_EQ(c->Pixel(2, 3), clBlack);
    EXPECT_EQ(c->Pixel(9, 7), clBlack);
    EXPECT_EQ(c->Pixel(9, 3), clBlack);
    EXPECT_EQ(c->Pixel(3, 4), clRed);
    EXPECT_EQ(c->Pixel(8, 6), clRed);
    EXPECT_EQ(c->Pixel(10, 5), clWhite);
    EXPECT_EQ(c->Pixel(5, 8), clWhite);

    // FillRect covers exactly the half-open rectangle, FrameRect its one-pixel border.
    c->Image()->fill(Qt::white);
    c->Brush().SetColor(clBlue);
    c->FillRect(MakeRect(4, 4, 7, 6));
    EXPECT_EQ(Painted(img), MakeRect(4, 4, 7, 6));
    c->Image()->fill(Qt::white);
    c->FrameRect(MakeRect(4, 4, 9, 9));
    EXPECT_EQ(Painted(img), MakeRect(4, 4, 9, 9));
    EXPECT_EQ(c->Pixel(6, 6), clWhite);
    EXPECT_EQ(c->Pixel(8, 8), clBlue);
}

TEST(CanvasShapes, LineToLeavesOutItsEndPoint)
{
    auto c = WhiteCanvas(20, 20);
    c->Pen().SetColor(clBlack);
    c->MoveTo(2, 5);
    c->LineTo(10, 5);
    EXPECT_EQ(Painted(*c->Image()), MakeRect(2, 5, 10, 6));
    EXPECT_EQ(c->PenPos(), QPoint(10, 5));

    // Backwards and vertical lines keep their start and drop their end too.
    c->Image()->fill(Qt::white);
    c->MoveTo(10, 12);
    c->LineTo(10, 2);
    EXPECT_EQ(Painted(*c->Image()), MakeRect(10, 3, 11, 13));

    // A diagonal: the start is set, the end is not, and no pixel lies beyond the end.
    c->Image()->fill(Qt::white);
    c->MoveTo(1, 1);
    c->LineTo(6, 6);
    EXPECT_EQ(c->Pixel(1, 1), clBlack);
    EXPECT_EQ(c->Pixel(5, 5), clBlack);
    EXPECT_EQ(c->Pixel(6, 6), clWhite);
    EXPECT_EQ(Painted(*c->Image()), MakeRect(1, 1, 6, 6));
}

TEST(CanvasShapes, DottedPenFollowsItsPattern)
{
    auto c = WhiteCanvas(30, 3);
    c->Pen().SetStyle(psDot);
    c->MoveTo(0, 1);
    c->LineTo(30, 1);
    // Three on, three off from the start of the line.
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(c->Pixel(x, 1), (x % 6) < 3 ? clBlack : clWhite) << x;
}

TEST(CanvasShapes, PenModesCombineWithThePicture)
{
    auto c = WhiteCanvas(10, 10);
    c->Brush().SetColor(RGBToColor(0x12, 0x34, 0x56));
    c->FillRect(MakeRect(0, 0, 10, 10));
    c->Pen().SetColor(RGBToColor(0xF0, 0x0F, 0xFF));
    c->Brush().SetColor(RGBToColor(0xF0, 0x0F, 0xFF));
    c->Pen().SetMode(pmMask);
    c->Rectangle(0, 0, 5, 5);
    EXPECT_EQ(c->Pixel(0, 0), RGBToColor(0x12 & 0xF0, 0x34 & 0x0F, 0x56));
    EXPECT_EQ(c->Pixel(2, 2), RGBToColor(0x12 & 0xF0, 0x34 & 0x0F, 0x56));
    c->Pen().SetMode(pmXor);
    c->MoveTo(6, 6);
    c->LineTo(9, 6);
    EXPECT_EQ(c->Pixel(7, 6), RGBToColor(0x12 ^ 0xF0, 0x34 ^ 0x0F, 0x56 ^ 0xFF));
    // The picture stays opaque whatever the operation did to the unused byte.
    EXPECT_EQ(qAlpha(c->Image()->pixel(7, 6)), 255);
    c->Pen().SetMode(pmNot);
    c->MoveTo(6, 8);
    c->LineTo(7, 8);
    EXPECT_EQ(c->Pixel(6, 8), RGBToColor(0xFF - 0x12, 0xFF - 0x34, 0xFF - 0x56));
}

TEST(CanvasShapes, WindowOriginAndClipAreInDevicePixels)
{
    auto c = WhiteCanvas(20, 20);
    c->SetWindowOrg(10, 5);
    c->Brush().SetColor(clBlack);
    c->FillRect(MakeRect(10, 5, 12, 7));
    EXPECT_EQ(Painted(*c->Image()), MakeRect(0, 0, 2, 2));
    EXPECT_EQ(c->Pixel(10, 5), clBlack);
    EXPECT_EQ(c->ClipRect(), MakeRect(10, 5, 30, 25));

    c->Image()->fill(Qt::white);
    c->IntersectClipRect(MakeRect(12, 7, 15, 10)); // device (2,2)-(5,5)
    c->SetWindowOrg(0, 0);                           // the clip does not move with the origin
    EXPECT_EQ(c->ClipRect(), MakeRect(2, 2, 5, 5));
    EXPECT_TRUE(c->RectVisible(MakeRect(4, 4, 8, 8)));
    EXPECT_FALSE(c->RectVisible(MakeRect(5, 5, 8, 8)));
    c->FillRect(MakeRect(0, 0, 20, 20));
    EXPECT_EQ(Painted(*c->Image()), MakeRect(2, 2, 5, 5));
    c->SaveDC();
    c->RemoveClip();
    EXPECT_FALSE(c->HasClip());
    c->RestoreDC();
    EXPECT_EQ(c->ClipRect(), MakeRect(2, 2, 5, 5));

    // A region of several rectangles after the clip was removed (each paint of a panel that
    // repaints two strips does this) clips to exactly those rectangles.
    c->Image()->fill(Qt::white);
    c->RemoveClip();
    QRegion strips(0, 0, 20, 2);
    strips += QRect(17, 2, 3, 18);
    c->SelectClipRegion(strips);
    c->FillRect(MakeRect(0, 0, 20, 20));
    EXPECT_EQ(c->Pixel(10, 10), clWhite);
    EXPECT_EQ(c->Pixel(10, 1), clBlack);
    EXPECT_EQ(c->Pixel(18, 10), clBlack);
}

TEST(CanvasPatterns, MonoPatternUsesTextAndBackgroundColoursAlignedToTheDevice)
{
    auto c = WhiteCanvas(16, 16);
    c->Brush().SetMonoPattern({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA});
    c->SetBkColor(clRed);
    c->SetTextColor(clBlue);
    c->SetWindowOrg(3, 1); // patterns do not shift with the origin
    c->FillRect(MakeRect(3, 1, 19, 17));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool set = ((y % 2 == 0) ? 0x55 : 0xAA) & (0x80 >> (x % 8));
            ASSERT_EQ(c->Pixel(x + 3, y + 1), set ? clRed : clBlue) << x << "," << y;
        }

    // A colour pattern tiles the same way.
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, qRgb(x * 10, y * 10, 0));
    c->SetWindowOrg(0, 0);
    c->Brush().SetBitmap(tile);
    c->FillRect(MakeRect(0, 0, 16, 16));
    EXPECT_EQ(c->Pixel(11, 13), RGBToColor(30, 50, 0));
}

TEST(CanvasFrames, FocusRectFlipsEveryOtherFramePixelAndUndoesItself)
{
    auto c = WhiteCanvas(12, 12);
    c->SetTextColor(clWhite);
    c->SetBkColor(clBlack);
    const QImage before = c->Image()->copy();
    c->DrawFocusRect(MakeRect(1, 2, 9, 8));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool onFrame = x >= 1 && x < 9 && y >= 2 && y < 8 && (x == 1 || x == 8 || y == 2 || y == 7);
            const bool flipped = onFrame && (x + y) % 2 == 0;
            ASSERT_EQ(c->Pixel(x, y), flipped ? clBlack : clWhite) << x << "," << y;
        }
    c->DrawFocusRect(MakeRect(1, 2, 9, 8));
    EXPECT_EQ(*c->Image(), before);
}

TEST(CanvasFrames, RaisedEdgeUsesTheSystemColoursAndAdjusts)
{
    auto c = WhiteCanvas(10, 10);
    QRect r = MakeRect(0, 0, 10, 10);
    c->DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, MakeRect(2, 2, 8, 8));
    EXPECT_EQ(c->Pixel(0, 0), ColorToRGB(cl3DLight));
    EXPECT_EQ(c->Pixel(9, 0), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(c->Pixel(0, 9), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(c->Pixel(1, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c->Pixel(8, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c->Pixel(5, 5), clWhite);
}

TEST(CanvasText, TextOutPlacesTheTopLeftCornerAndPaintsTheBackground)
{
    auto c = WhiteCanvas(200, 60);
    c->Font().SetName(QStringLiteral("DejaVu Sans"));
    c->Font().SetHeight(-14);
    c->Font().SetColor(clBlack);
    c->Brush().SetColor(clYellow);
    const QString text = QStringLiteral("Hg Text");
    c->TextOut(10, 20, text);
    const QFontMetrics fm(c->Font().ToQFont());
    const QRect cell(10, 20, fm.horizontalAdvance(text), fm.ascent() + fm.descent());
    EXPECT_EQ(Painted(*c->Image()), cell);
    EXPECT_EQ(c->Pixel(cell.left(), cell.top()), clYellow);
    EXPECT_EQ(c->PenPos(), QPoint(10 + fm.horizontalAdvance(text), 20));

    // With a clear brush only glyph pixels change, all inside the cell.
    c->Image()->fill(Qt::white);
    c->Brush().SetStyle(bsClear);
    c->TextOut(10, 20, text);
    const QRect glyphs = Painted(*c->Image());
    EXPECT_FALSE(glyphs.isEmpty());
    EXPECT_TRUE(cell.contains(glyphs));
    EXPECT_EQ(c->Pixel(cell.left(), cell.top()), clWhite);
}

TEST(CanvasText, DrawTextAlignsAndMeasures)
{
    auto c = TextCanvas(200, 100);
    const QFontMetrics fm(c->Font().ToQFont());
    const int lh = fm.ascent() + fm.descent();
    const QString text = QStringLiteral("W&ide");
    const int w = fm.horizontalAdvance(QStringLiteral("Wide"));

    QRect calc = MakeRect(5, 5, 6, 6);
    EXPECT_EQ(c->DrawText(text, calc, DT_SINGLELINE | DT_CALCRECT), lh);
    EXPECT_EQ(calc, MakeRect(5, 5, 5 + w, 5 + lh));
    QRect calcNoPrefix = MakeRect(5, 5, 6, 6);
    c->DrawText(text, calcNoPrefix, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(calcNoPrefix.width(), fm.horizontalAdvance(text));

    // Right aligned and vertically centred: the ink sits inside the computed cell.
    QRect r = MakeRect(10, 10, 150, 50);
    c->DrawText(QStringLiteral("Wide"), r, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    const QRect cell(150 - w, (10 + 50 - lh) / 2, w, lh);
    const QRect ink = Painted(*c->Image());
    EXPECT_TRUE(cell.contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    EXPECT_GT(ink.right(), 150 - 4);

    // Multi-line: two lines, the widest decides the width.
    QRect multi = MakeRect(0, 0, 1, 1);
    c->DrawText(QStringLiteral("a\r\nlonger line"), multi, DT_CALCRECT);
    EXPECT_EQ(multi, MakeRect(0, 0, fm.horizontalAdvance(QStringLiteral("longer line")), 2 * lh));

    // Word break keeps lines inside the width.
    QRect wrap = MakeRect(0, 0, fm.horizontalAdvance(QStringLiteral("one two")) + 1, 1);
    c->DrawText(QStringLiteral("one two three four"), wrap, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(wrap.height(), 3 * lh);
}

TEST(CanvasText, EndEllipsisCutsWhatDoesNotFit)
{
    auto c = TextCanvas(300, 40);
    const QFontMetrics fm(c->Font().ToQFont());
    const QString text = QStringLiteral("A rather long caption");
    const int avail = fm.horizontalAdvance(QStringLiteral("A rather...")) + 1;
    QRect r = MakeRect(0, 0, avail, 20);
    c->DrawText(text, r, DT_SINGLELINE | DT_END_ELLIPSIS);
    const QRect ink = Painted(*c->Image());
    EXPECT_LT(ink.right(), avail);
    // Without the ellipsis the text is only clipped: ink reaches the right edge.
    c->Image()->fill(Qt::white);
    c->DrawText(text, r, DT_SINGLELINE);
    EXPECT_GE(Painted(*c->Image()).right(), avail - 3);
}

TEST(CanvasText, RotatedTextRunsDownwardLeftOfItsOrigin)
{
    auto c = TextCanvas(100, 120);
    c->Font().SetOrientation(2700);
    const QString text = QStringLiteral("Holiday");
    c->TextOut(50, 10, text);
    QFont plain = c->Font().ToQFont();
    const QFontMetrics fm(plain);
    const int h = fm.ascent() + fm.descent();
    const QRect ink = Painted(*c->Image());
    ASSERT_FALSE(ink.isEmpty());
    // The cell turns a quarter clockwise about its top-left corner.
    EXPECT_TRUE(QRect(50 - h, 10, h, fm.horizontalAdvance(text)).contains(ink));
    EXPECT_GT(ink.height(), ink.width());
}

TEST(CanvasObjects, FontSizeAndHeightFollowTheResolutionAndNotify)
{
    TFont font;
    font.SetPixelsPerInch(96);
    int changes = 0;
    font.OnChange = [&](TGraphicsObject *sender) {
        EXPECT_EQ(sender, &font);
        ++changes;
    };
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13); // 10 * 96 / 72 = 13.3
    EXPECT_EQ(font.Size(), 10);
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    EXPECT_EQ(changes, 2);
    font.SetSize(12); // no change, no notice
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(font.ToQFont().pixelSize(), 16);

    QFont q(QStringLiteral("DejaVu Sans"));
    q.setPixelSize(20);
    q.setBold(true);
    font.Assign(q);
    EXPECT_EQ(font.Name(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(font.Height(), -20);
    EXPECT_TRUE(font.Style().testFlag(fsBold));
    EXPECT_EQ(changes, 3);

    // A canvas sees changes to its objects before the next drawing.
    auto c = WhiteCanvas(4, 4);
    c->Pen().SetColor(clRed);
    c->MoveTo(0, 0);
    c->LineTo(3, 0);
    c->Pen().SetColor(clBlue);
    c->MoveTo(0, 1);
    c->LineTo(3, 1);
    EXPECT_EQ(c->Pixel(1, 0), clRed);
    EXPECT_EQ(c->Pixel(1, 1), clBlue);
    // The text colour follows the font until it is set on its own.
    c->Font().SetColor(clGreen);
    EXPECT_EQ(c->TextColor(), clGreen);
    c->SetTextColor(clRed);
    EXPECT_EQ(c->TextColor(), clRed);
    c->Font().SetColor(clNavy);
    EXPECT_EQ(c->TextColor(), clNavy);
    // The background follows the brush the same way.
    c->Brush().SetStyle(bsClear);
    EXPECT_EQ(c->BkMode(), bkTransparent);
    c->Brush().SetColor(clYellow);
    EXPECT_EQ(c->BkMode(), bkOpaque);
    EXPECT_EQ(c->BkColor(), clYellow);
}

TEST(CanvasShapes, PolygonAndEllipseStayInsideTheirBounds)
{
    auto c = WhiteCanvas(30, 30);
    c->Brush().SetColor(clRed);
    c->Polygon(QPolygon({QPoint(2, 2), QPoint(20, 2), QPoint(11, 15)}));
    const QRect tri = Painted(*c->Image());
    EXPECT_TRUE(QRect(2, 2, 19, 14).contains(tri));
    EXPECT_EQ(c->Pixel(11, 6), clRed);

    c->Image()->fill(Qt::white);
    c->Ellipse(5, 5, 25, 15);
    EXPECT_EQ(Painted(*c->Image()), MakeRect(5, 5, 25, 15));
    c->Image()->fill(Qt::white);
    c->RoundRect(MakeRect(3, 4, 20, 12), 6, 6);
    EXPECT_EQ(Painted(*c->Image()), MakeRect(3, 4, 20, 12));

    // An owned picture can change size; the canvas keeps working on the new one.
    c->SetSize(50, 40);
    EXPECT_EQ(c->Width(), 50);
    c->Brush().SetColor(clBlack);
    c->FillRect(MakeRect(45, 35, 50, 40));
    EXPECT_EQ(c->Pixel(49, 39), clBlack);
}
