#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>

#include "Canvas.h"
#include "ImageList.h"
#include "TreeGridHeaderTestSupport.h"
#include "treegrid/TreeGridRoutines.h"

using headertest::THeaderFixture;

namespace {

// A header whose font and glyph list are fixed, painted into an image.
struct TPaintFixture : THeaderFixture {
    TImageList images{16, 16};

    explicit TPaintFixture(const std::vector<int> &widths, int height = 40) : THeaderFixture(widths, QSize(400, 200), height)
    {
        TFont font;
        font.SetName(QStringLiteral("DejaVu Sans"));
        font.SetHeight(-12);
        font.SetColor(clBlack);
        header->SetFont(font);
        QImage glyph(16, 16, QImage::Format_ARGB32);
        glyph.fill(QColor(0, 0, 255));
        images.Add(glyph);
        header->SetImages(&images);
        header->SetOptions(header->Options() + hoShowImages);
        tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toThemeAware);
    }
    ~TPaintFixture() { header->SetImages(nullptr); }

    QImage Paint()
    {
        const QRect r = header->HeaderRect();
        QImage image(r.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        TCanvas canvas(&image);
        columns->PaintHeader(canvas, r, -header->TreeEffectiveOffsetX());
        return image;
    }

    // The canvas the header measures with.
    struct TMeasure {
        QImage image{1, 1, QImage::Format_RGB32};
        TCanvas canvas{&image};
    };
    std::unique_ptr<TMeasure> Measure()
    {
        auto m = std::make_unique<TMeasure>();
        m->canvas.Font().Assign(header->Font());
        return m;
    }
};

QRgb Rgb(TColor color)
{
    return ToQRgb(color) | 0xFF000000u;
}

// Leftmost and rightmost x in the rectangle whose pixel is dark (text), -1 when none.
std::pair<int, int> DarkSpan(const QImage &image, const QRect &r)
{
    int first = -1, last = -1;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (std::max({qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)), qBlue(image.pixel(x, y))}) < 100) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST(TreeGridHeaderPaintTest, GlyphLayoutsWithTheSortGlyph)
{
    TPaintFixture f({200});
    TTreeGridColumn *column = f.columns->Items(0);
    column->SetText(QStringLiteral("Name"));
    column->SetImageIndex(0);
    auto m = f.Measure();
    const int tw = m->canvas.TextWidth(QStringLiteral("Name")) + 2;
    const int th = m->canvas.TextHeight(QStringLiteral("Name"));
    const QRect client(2, 2, 196, 36);
    QPoint glyph, sort;
    QRect text;

    column->SetLayout(blGlyphLeft);
    column->ComputeHeaderLayout(m->canvas, client, true, true, glyph, sort, text, DT_LEFT);
    EXPECT_EQ(glyph, QPoint(6, 12));
    EXPECT_EQ(text, QRect(26, 2 + (36 - th) / 2, tw, th));
    EXPECT_EQ(sort, QPoint(26 + tw + 4, 12));

    column->SetLayout(blGlyphRight);
    column->ComputeHeaderLayout(m->canvas, client, true, true, glyph, sort, text, DT_LEFT);
    EXPECT_EQ(text.topLeft(), QPoint(6, 2 + (36 - th) / 2));
    EXPECT_EQ(glyph, QPoint(6 + tw + 4, 12));
    EXPECT_EQ(sort, QPoint(6 + tw + 4 + 16 + 4, 12));

    column->SetLayout(blGlyphTop);
    column->ComputeHeaderLayout(m->canvas, client, true, true, glyph, sort, text, DT_LEFT);
    const int top = 2 + (36 - 16 - th - 4) / 2;
    EXPECT_EQ(glyph, QPoint(2 + 90, top));
    EXPECT_EQ(text.topLeft(), QPoint(6, top + 16 + 4));
    EXPECT_EQ(sort.x(), 2 + std::max(90 + 16 + 4, 4 + tw + 4));

    column->SetLayout(blGlyphBottom);
    column->ComputeHeaderLayout(m->canvas, client, true, true, glyph, sort, text, DT_LEFT);
    EXPECT_EQ(text.topLeft(), QPoint(6, top));
    EXPECT_EQ(glyph, QPoint(2 + 90, top + th + 4));

    // Narrow: the sort glyph keeps the right end, the text is cut in front of it.
    column->SetLayout(blGlyphLeft);
    const QRect narrow(2, 2, 56, 36);
    column->ComputeHeaderLayout(m->canvas, narrow, true, true, glyph, sort, text, DT_LEFT);
    EXPECT_EQ(sort.x(), 2 + 56 - 4 - 16);
    EXPECT_EQ(glyph.x(), 6);
    EXPECT_EQ(text.left(), 26);
    EXPECT_EQ(RectRight(text), sort.x() - 4);

    // Only a sort glyph: centred.
    column->SetText(QString());
    column->ComputeHeaderLayout(m->canvas, client, false, true, glyph, sort, text, DT_LEFT);
    EXPECT_EQ(sort, QPoint(2 + (196 - 16) / 2, 12));
}

TEST(TreeGridHeaderPaintTest, CaptionsAreLaidOutLeftEvenWhenCentredOrRight)
{
    TPaintFixture f({150, 150});
    f.columns->Items(0)->SetText(QStringLiteral("Wide"));
    f.columns->Items(1)->SetText(QStringLiteral("Wide"));
    f.columns->Items(1)->SetAlignment(taCenter);
    auto m = f.Measure();
    QPoint glyph, sort;
    QRect left, centred;
    f.columns->Items(0)->ComputeHeaderLayout(m->canvas, QRect(2, 2, 146, 36), false, false, glyph, sort, left, DT_LEFT);
    f.columns->Items(1)->ComputeHeaderLayout(m->canvas, QRect(152, 2, 146, 36), false, false, glyph, sort, centred,
                                             DT_CENTER);
    EXPECT_EQ(centred.left() - 150, left.left());

    const QImage image = f.Paint();
    const auto a = DarkSpan(image, QRect(0, 5, 150, 30));
    const auto b = DarkSpan(image, QRect(150, 5, 150, 30));
    ASSERT_GE(a.first, 0);
    // Inside its bounds the centred caption moves by the one pixel the bounds have to spare.
    EXPECT_NEAR(b.first - 150, a.first, 1);
    EXPECT_LT(a.first, 12);

    // The caption alignment of its own wins when set; still placed from the left.
    f.columns->Items(0)->SetCaptionAlignment(taRightJustify);
    EXPECT_EQ(f.columns->Items(0)->CaptionAlignment(), taRightJustify);
    EXPECT_EQ(f.columns->Items(0)->Alignment(), taLeftJustify);
    EXPECT_NEAR(DarkSpan(f.Paint(), QRect(0, 5, 150, 30)).first, a.first, 2);
}

TEST(TreeGridHeaderPaintTest, DisplayNameAndCaptionOfWideCharacters)
{
    TPaintFixture f({100, 100});
    f.columns->Items(0)->SetText(QStringLiteral("Gr\u00F6\u00DFe"));
    f.columns->Items(1)->SetText(QStringLiteral("\u03A3 Summe"));
    EXPECT_EQ(f.columns->Items(0)->GetDisplayName(), QStringLiteral("Gr\u00F6\u00DFe"));
    EXPECT_EQ(f.columns->Items(1)->GetDisplayName(), QStringLiteral("Column 1"));
    // The header still shows the caption itself.
    const QImage image = f.Paint();
    EXPECT_GE(DarkSpan(image, QRect(100, 5, 100, 30)).first, 100);
}

TEST(TreeGridHeaderPaintTest, XPButtonsPressedHotAndDropMark)
{
    TPaintFixture f({100, 100, 100});
    f.header->SetStyle(hsXPStyle);
    f.header->SetOptions(f.header->Options() + hoHotTrack);
    for (int i = 0; i < 3; ++i)
        f.columns->Items(i)->SetText(QStringLiteral("Column"));
    f.tree->Colors().SetColor(TTGColors::HeaderHotColor, clRed);
    f.columns->SetDownIndex(1);
    f.columns->SetHoverIndex(2);
    QImage image = f.Paint();
    // Normal: the fill and the three bottom lines.
    EXPECT_EQ(image.pixel(50, 3), Rgb(0xDBEAEB));
    EXPECT_EQ(image.pixel(50, 37), Rgb(0xCFDEE0));
    EXPECT_EQ(image.pixel(50, 38), Rgb(0xC3D2D5));
    EXPECT_EQ(image.pixel(50, 39), Rgb(0xB8C7CB));
    // The splitter of a normal button.
    EXPECT_EQ(image.pixel(98, 10), Rgb(0xB2C5C7));
    EXPECT_EQ(image.pixel(99, 10), Rgb(clWhite));
    // Pressed: its fill and the outer frame; its text one pixel down and right.
    EXPECT_EQ(image.pixel(190, 30), Rgb(0xD8DFDE));
    EXPECT_EQ(image.pixel(150, 0), Rgb(0x97A5A5));
    EXPECT_EQ(image.pixel(100, 20), Rgb(0x97A5A5));
    EXPECT_EQ(DarkSpan(image, QRect(100, 5, 100, 30)).first - 100, DarkSpan(image, QRect(0, 5, 100, 30)).first + 1);
    // Hot: the light fill and the caption in the hot colour.
    EXPECT_EQ(image.pixel(295, 3), Rgb(0xF3F8FA));
    bool red = false;
    for (int x = 200; x < 260 && !red; ++x)
        for (int y = 10; y < 30 && !red; ++y)
            red = qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 60;
    EXPECT_TRUE(red);

    // While the first column is dragged over the left half of the third: a drop mark there.
    f.columns->SetDownIndex(NoColumn);
    f.columns->SetHoverIndex(NoColumn);
    f.header->SetOptions(f.header->Options() + hoDrag);
    f.Press(QPoint(20, -10));
    f.Move(QPoint(40, -10));
    f.Move(QPoint(210, -10));
    ASSERT_EQ(f.columns->DropTarget(), 2);
    ASSERT_TRUE(f.columns->DropBefore());
    image = f.Paint();
    EXPECT_EQ(image.pixel(203, 20), Rgb(clBlack));
    f.Key(f.strip, Qt::Key_Escape);
    f.Release(QPoint(210, -10));
}

TEST(TreeGridHeaderPaintTest, SortAndHeaderGlyphsAndDisabledColumns)
{
    TPaintFixture f({120, 120});
    TTreeGridColumn *first = f.columns->Items(0);
    first->SetText(QStringLiteral("Name"));
    first->SetImageIndex(0);
    f.header->SetSortColumn(0);
    auto m = f.Measure();
    QPoint glyph, sort;
    QRect text;
    first->ComputeHeaderLayout(m->canvas, QRect(2, 2, 116, 36), true, true, glyph, sort, text, DT_LEFT);
    QImage image = f.Paint();
    EXPECT_EQ(image.pixel(glyph + QPoint(8, 8)), qRgb(0, 0, 255));
    EXPECT_EQ(first->ImageRect(), QRect(glyph, QSize(16, 16)));
    // The ascending arrow points up: its top row is narrower than its bottom row.
    auto darkInRow = [&](int y) {
        int n = 0;
        for (int x = sort.x(); x < sort.x() + 16; ++x)
            n += qGray(image.pixel(x, y)) < 160;
        return n;
    };
    EXPECT_GT(darkInRow(sort.y() + 9), darkInRow(sort.y() + 6));
    f.header->SetSortDirection(sdDescending);
    image = f.Paint();
    EXPECT_LT(darkInRow(sort.y() + 9), darkInRow(sort.y() + 6));

    // Without hoShowSortGlyphs and hoShowImages neither glyph shows.
    f.header->SetOptions(f.header->Options() - hoShowSortGlyphs - hoShowImages);
    image = f.Paint();
    EXPECT_NE(image.pixel(glyph + QPoint(8, 8)), qRgb(0, 0, 255));
    EXPECT_FALSE(first->HasImage());

    // A disabled column: grey, embossed text (no black).
    f.columns->Items(1)->SetText(QStringLiteral("Off"));
    f.columns->Items(1)->SetOptions(f.columns->Items(1)->Options() - coEnabled);
    image = f.Paint();
    EXPECT_LT(DarkSpan(image, QRect(120, 5, 120, 30)).first, 0);
}

TEST(TreeGridHeaderPaintTest, OwnerDrawnColumnsAndElements)
{
    TPaintFixture f({100, 100});
    f.columns->Items(0)->SetText(QStringLiteral("Own"));
    f.columns->Items(1)->SetText(QStringLiteral("Text"));
    f.columns->Items(0)->SetStyle(vsOwnerDraw);
    f.header->SetOptions(f.header->Options() + hoOwnerDraw);
    int drawn = 0;
    f.tree->OnHeaderDraw = [&](TTreeGridHeader *, TCanvas &canvas, TTreeGridColumn *column, const QRect &r, bool,
                               bool, TTGDropMarkMode) {
        EXPECT_EQ(column->Index(), 0);
        canvas.Brush().SetColor(clLime);
        canvas.FillRect(r);
        ++drawn;
    };
    QImage image = f.Paint();
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(image.pixel(50, 20), Rgb(clLime));
    EXPECT_GE(DarkSpan(image, QRect(100, 5, 100, 30)).first, 100);

    // Advanced: the handler takes the text of every column; the header draws the rest.
    std::vector<THeaderPaintElements> asked;
    f.tree->OnHeaderDrawQueryElements = [](TTreeGridHeader *, THeaderPaintInfo &info, THeaderPaintElements &elements) {
        if (info.Column)
            elements = {hpeText};
    };
    f.tree->OnAdvancedHeaderDraw = [&](TTreeGridHeader *, THeaderPaintInfo &info, THeaderPaintElements elements) {
        asked.push_back(elements);
        info.TargetCanvas->Brush().SetColor(clRed);
        info.TargetCanvas->FillRect(info.TextRectangle);
    };
    image = f.Paint();
    EXPECT_EQ(drawn, 1); // advanced owner drawing replaces the plain one
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], THeaderPaintElements{hpeText});
    EXPECT_LT(DarkSpan(image, QRect(100, 5, 100, 30)).first, 0);
    EXPECT_EQ(qRed(image.pixel(110, 20)) > 200 || qRed(image.pixel(108, 20)) > 200, true);
}

TEST(TreeGridHeaderPaintTest, ThemedSectionsAndScrolledHeader)
{
    TPaintFixture f({150, 150, 150});
    f.tree->TreeOptions().SetPaintOptions(f.tree->TreeOptions().PaintOptions() + toThemeAware);
    for (int i = 0; i < 3; ++i)
        f.columns->Items(i)->SetText(QString(QChar('A' + i)));
    f.columns->Items(0)->SetOptions(f.columns->Items(0)->Options() + coFixed);
    QImage image = f.Paint();
    EXPECT_NE(image.pixel(75, 20), qRgb(255, 0, 255));
    const auto b = DarkSpan(image, QRect(150, 5, 150, 30));
    ASSERT_GE(b.first, 150);
    // Scrolled by 40: the fixed column stays, the others move left and go under it.
    f.tree->SetScrolledBy(40);
    image = f.Paint();
    EXPECT_EQ(DarkSpan(image, QRect(0, 5, 150, 30)).first, DarkSpan(f.Paint(), QRect(0, 5, 60, 30)).first);
    EXPECT_EQ(DarkSpan(image, QRect(150, 5, 250, 30)).first, 300 - 40 + (b.first - 150));
    // The strip paints the same picture.
    const QImage shown = f.strip->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(75, 20), image.pixel(75, 20));
}

} // namespace
