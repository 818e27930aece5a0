// Bars on the chart panel: their colours, texts, the picture cache, the translucent filtered
// rows and the selection's flash and shadow.

#include "planner/chart/ChartTestSupport.h"

#include "ColorHSV.h"
#include "treegrid/AlphaBlend.h"

namespace {

const TDateTime Monday = EncodeDate(2024, 3, 4);

class BarPainterTest : public ChartCoreTest
{
protected:
    void SetUp() override
    {
        ChartCoreTest::SetUp();
        SetPositions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        Show(Monday, 20, 400, 200);
        canvas = std::make_unique<TCanvas>(400, 200);
        first = AddTask(QStringLiteral("A"), QStringLiteral("05.03.2024"), QStringLiteral("3"));
        second = AddTask(QStringLiteral("B"), QStringLiteral("06.03.2024"), QStringLiteral("2"));
        core->SetData_(first, cnColor, QStringLiteral("State 2"));  // yellow
        core->SetData_(second, cnColor, QStringLiteral("State 3")); // green
    }
    // One paint of the chart panel, with its bar cache.
    void PaintChart()
    {
        TChartPaintParams p = ScreenParams(*canvas, TChartTarget::Chart);
        p.scratch = &scratch;
        Paint(p);
    }
    // A pixel inside a bar, away from its frame and texts.
    TColor Inside(TNodeData *node)
    {
        const QRect r = geometry->ScreenItemRect(*node);
        return canvas->Pixel(r.left() + 3, RectBottom(r) - 3);
    }
    // What a blend of `over` on `under` at the given constant alpha gives.
    static TColor Blended(TColor under, TColor over, int alpha)
    {
        QImage source(1, 1, QImage::Format_RGB32);
        QImage target(1, 1, QImage::Format_RGB32);
        source.setPixel(0, 0, ToQRgb(over));
        target.setPixel(0, 0, ToQRgb(under));
        AlphaBlend(&source, &target, QRect(0, 0, 1, 1), QPoint(0, 0), bmConstantAlpha, alpha, 0);
        return FromQRgb(target.pixel(0, 0));
    }

    std::unique_ptr<TCanvas> canvas;
    TCanvas scratch{8, 8};
    TNodeData *first = nullptr;
    TNodeData *second = nullptr;
};

} // namespace

TEST_F(BarPainterTest, PicturesAreRenderedOnceAndAgainWhenStale)
{
    PaintChart();
    EXPECT_EQ(stats.barsRendered, 2);
    EXPECT_EQ(first->Bitmap.size(), geometry->ScreenItemRect(*first).size());
    EXPECT_EQ(Inside(first), TColor(0x00FFFF));
    EXPECT_EQ(Inside(second), TColor(0x00BF00));
    // A second paint copies the pictures only.
    PaintChart();
    EXPECT_EQ(stats.barsRendered, 2);
    EXPECT_EQ(stats.barsDrawn, 4);
    // A cell written through the write path marks the row's picture stale.
    core->SetData_(second, cnTextCenterMiddle, QStringLiteral("new text"));
    EXPECT_TRUE(second->RecalcBitmap);
    EXPECT_FALSE(first->RecalcBitmap);
    PaintChart();
    EXPECT_EQ(stats.barsRendered, 3);
    // Another day width changes every bar's size: all rendered anew.
    Show(Monday, 24, 400, 200);
    PaintChart();
    EXPECT_EQ(stats.barsRendered, 5);
    // Pictures and printouts never touch the cache.
    const QImage kept = first->Bitmap;
    first->RecalcBitmap = true;
    TCanvas picture(400, 200);
    Paint(ScreenParams(picture, TChartTarget::Other));
    EXPECT_TRUE(first->RecalcBitmap);
    EXPECT_EQ(first->Bitmap, kept);
    EXPECT_EQ(stats.barsRendered, 5);
}

TEST_F(BarPainterTest, HugeBarsKeepNoPicture)
{
    // A year on every row: far bigger than four panels, so nothing is kept.
    TNodeData *year = AddTask(QStringLiteral("*"), QStringLiteral("01.01.2024"), QStringLiteral("365"));
    core->SetData_(year, cnColor, QStringLiteral("State 3"));
    ASSERT_EQ(year->nodePosition, -9);
    ASSERT_TRUE(year->nodeValid);
    const QRect r = geometry->ScreenItemRect(*year);
    ASSERT_GT(qint64(r.width()) * r.height(), 4LL * 400 * 200);
    PaintChart();
    EXPECT_TRUE(year->Bitmap.isNull());
    EXPECT_FALSE(first->Bitmap.isNull());
    // It is drawn all the same, below the small bars drawn after it.
    EXPECT_EQ(canvas->Pixel(300, 190 - 50), TColor(0x00BF00));
}

TEST_F(BarPainterTest, FilteredRowsShowThroughAtTheirTransparency)
{
    EXPECT_EQ(TBarPainter::FilteredAlpha(100), 0);
    EXPECT_EQ(TBarPainter::FilteredAlpha(50), 128);
    EXPECT_EQ(TBarPainter::FilteredAlpha(90), 25);
    EXPECT_EQ(TBarPainter::FilteredAlpha(150), 0);
    EXPECT_EQ(TBarPainter::FilteredAlpha(-20), 256);
    core->SetNodeFiltered(first, true);
    ASSERT_TRUE(model->IsFiltered(*first));
    for (const auto &[transparency, alpha] : {std::pair{100, 0}, std::pair{50, 128}, std::pair{90, 25}}) {
        options.transparency = transparency;
        PaintChart();
        EXPECT_EQ(Inside(first), Blended(ChartColor::Background, 0x00FFFF, alpha)) << transparency;
        EXPECT_EQ(Inside(second), TColor(0x00BF00));
    }
}

TEST_F(BarPainterTest, OverlapColoursFlashAndShadow)
{
    // The overlap list says the first row overlaps another.
    core->OnAnyOverlapping = [] { return true; };
    core->OnNodeIsOverlapping = [this](const TNodeData *node) { return node == first; };
    PaintChart();
    EXPECT_EQ(Inside(first), ChartColor::Overlapping);
    EXPECT_EQ(Inside(second), ChartColor::NotOverlapping);
    core->OnAnyOverlapping = nullptr;
    core->OnNodeIsOverlapping = nullptr;
    first->RecalcBitmap = second->RecalcBitmap = true;

    // Selected in the active table: at phase 4 the fill is the full contrast colour.
    tasks->SetSelected(second->VNode, true);
    options.flashPhase = 4;
    PaintChart();
    EXPECT_EQ(Inside(second), VisibleContrast(0x00BF00));
    EXPECT_EQ(Inside(first), TColor(0x00FFFF));
    // Below and right of it, the shadow darkens the chart.
    const QRect r = geometry->ScreenItemRect(*second);
    const TColor below = canvas->Pixel(r.left() + 12, RectBottom(r) + 1);
    EXPECT_LT(below & 0xFF, 0xFF);
    EXPECT_EQ(canvas->Pixel(r.left() + 2, RectBottom(r) + 1), ChartColor::Background);
    // Phase 0: its own colour again.
    options.flashPhase = 0;
    second->RecalcBitmap = true;
    PaintChart();
    EXPECT_EQ(Inside(second), TColor(0x00BF00));
    // The flash strengths of the seven phases.
    EXPECT_EQ(FadeColorRGB(0x00BF00, 0xFFFFFF, FlashStrength[2]), FadeColorRGB(0x00BF00, 0xFFFFFF, 55));
}

TEST_F(BarPainterTest, AbsencesWithoutAColourAreGrey)
{
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, QStringLiteral("C"));
    core->SetData_(away, cnStart, QStringLiteral("07.03.2024"));
    core->SetData_(away, cnLength, QStringLiteral("1"));
    // A reason the list does not know (a new row starts with the default reason).
    core->SetData_(away, cnColor, QStringLiteral("no such reason"));
    ASSERT_TRUE(away->nodeValid);
    PaintChart();
    EXPECT_EQ(Inside(away), ChartColor::UnknownBar);
    const QRect r = geometry->ScreenItemRect(*away);
    EXPECT_EQ(r.width(), 21); // one day and the extra pixel
    EXPECT_EQ(canvas->Pixel(r.left(), r.top() + 10), FlashColor(ChartColor::UnknownBar, -25));
    core->SetData_(away, cnColor, QStringLiteral("Sick"));
    PaintChart();
    EXPECT_EQ(Inside(away), core->FHolidayColors[1]);
}

TEST_F(BarPainterTest, TextsArePlacedByTheRoomTheyHave)
{
    // Three pixels per letter: "A", "B", "C" fit a 20-pixel bar together (9 < 12).
    const auto narrow = [](const QString &text) { return 3 * int(text.size()); };
    auto draws = TBarPainter::LayoutTexts(narrow, QRect(0, 0, 20, 10), DT_VCENTER, QStringLiteral("A"),
                                          QStringLiteral("B"), QStringLiteral("C"), false);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].rect, QRect(0, 0, 20, 10));
    EXPECT_EQ(draws[0].flags & (DT_RIGHT | DT_CENTER), uint(DT_LEFT));
    EXPECT_EQ(draws[1].flags & DT_RIGHT, uint(DT_RIGHT));
    EXPECT_EQ(draws[2].rect, MakeRect(7, 0, 13, 10)); // what the side texts left
    EXPECT_EQ(draws[2].flags & DT_CENTER, uint(DT_CENTER));
    for (const TTextDraw &d : draws)
        EXPECT_EQ(d.flags & (DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER), DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    // Four pixels per letter (12, not below 12): the centre text keeps the middle, the others
    // get what lies beside it.
    const auto wide = [](const QString &text) { return 4 * int(text.size()); };
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 20, 10), 0, QStringLiteral("A"), QStringLiteral("B"),
                                     QStringLiteral("C"), false);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].text, QStringLiteral("B"));
    EXPECT_EQ(draws[0].rect, QRect(0, 0, 20, 10));
    EXPECT_EQ(draws[1].rect, MakeRect(0, 0, 4, 10));
    EXPECT_EQ(draws[2].rect, MakeRect(16, 0, 20, 10));
    // A centre text wider than the bar is shown alone from the left.
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 20, 10), 0, QStringLiteral("A"),
                                     QStringLiteral("centre"), QStringLiteral("C"), false);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].flags & (DT_CENTER | DT_RIGHT), uint(DT_LEFT));
    // No centre: the shorter side first when it fits in half.
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 40, 10), 0, QStringLiteral("ab"), QString(),
                                     QStringLiteral("long text"), false);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].text, QStringLiteral("ab"));
    EXPECT_EQ(draws[1].rect, MakeRect(12, 0, 40, 10));
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 40, 10), 0, QStringLiteral("left side"), QString(),
                                     QStringLiteral("rest"), false);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].text, QStringLiteral("rest"));
    EXPECT_EQ(draws[0].flags & DT_RIGHT, uint(DT_RIGHT));
    EXPECT_EQ(draws[1].rect, MakeRect(0, 0, 20, 10));
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 40, 10), 0, QStringLiteral("left side"), QString(),
                                     QStringLiteral("right side"), false);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].rect, MakeRect(22, 0, 40, 10));
    EXPECT_EQ(draws[1].rect, MakeRect(0, 0, 18, 10));
    // With the full text, the rect grows to hold everything.
    draws = TBarPainter::LayoutTexts(wide, QRect(0, 0, 20, 10), 0, QString(), QStringLiteral("long centre"),
                                     QString(), true);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].rect, QRect(0, 0, 44 + 8, 10));

    // The text rows per row set: one row centred; two rows with the middle at the bottom.
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTopMiddleBottom, 0), uint(DT_TOP));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTopMiddleBottom, 1), uint(DT_VCENTER));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTopMiddleBottom, 2), uint(DT_BOTTOM));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTopMiddle, 1), uint(DT_BOTTOM));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTopMiddle, 2), uint(DT_CALCRECT));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTop, 0), uint(DT_VCENTER));
    EXPECT_EQ(TBarPainter::TextRowFlags(rsTop, 1), uint(DT_CALCRECT));
}

TEST_F(BarPainterTest, TextRowsOnTheBarAndFullTextBeyondIt)
{
    // The comment is the middle text; with one text row only the top texts show.
    core->SetData_(first, cnTextCenterMiddle, QStringLiteral("MMMM"));
    const auto inkRows = [this](TNodeData *node) {
        const QRect r = geometry->ScreenItemRect(*node);
        int top = -1, bottom = -1;
        for (int y = r.top() + 2; y < RectBottom(r) - 2; ++y)
            for (int x = r.left() + 3; x < RectRight(r) - 3; ++x)
                if (canvas->Pixel(x, y) != TColor(0x00FFFF)) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                }
        return std::pair{top - r.top(), bottom - r.top()};
    };
    PaintChart();
    const auto [top, bottom] = inkRows(first);
    const int h = geometry->ScreenItemRect(*first).height();
    EXPECT_GT(top, 2);
    EXPECT_LT(bottom, h - 3);
    EXPECT_NEAR((top + bottom) / 2.0, h / 2.0, 3); // the middle row, vertically centred
    geometry->SetRowSetValue(rsTop);
    first->RecalcBitmap = true;
    PaintChart();
    EXPECT_EQ(inkRows(first).first, -1 - geometry->ScreenItemRect(*first).top());

    // Full text: a long text goes on in black to the right of its narrow bar.
    geometry->SetRowSetValue(rsTopMiddleBottom);
    core->SetData_(second, cnTextCenterMiddle, QStringLiteral("a long text beyond the bar"));
    options.drawFullText = true;
    second->RecalcBitmap = true;
    canvas->Image()->fill(Qt::white);
    PaintChart();
    const QRect r = geometry->ScreenItemRect(*second);
    int ink = 0;
    for (int y = r.top(); y < RectBottom(r); ++y)
        for (int x = RectRight(r) + 2; x < RectRight(r) + 60; ++x)
            ink += (canvas->Pixel(x, y) & 0xFF) < 0x60;
    EXPECT_GT(ink, 10);
}

TEST_F(BarPainterTest, FullTextDrawsABarLeftOfTheViewOnlyWhenItsTextReachesIn)
{
    options.drawFullText = true;
    // Two bars that end before the view: one weeks back with a short text, one just before
    // it whose long text runs on into the view.
    TNodeData *far = AddTask(QStringLiteral("A"), QStringLiteral("08.01.2024"), QStringLiteral("2"));
    core->SetData_(far, cnTextCenterMiddle, QStringLiteral("short"));
    TNodeData *near = AddTask(QStringLiteral("C"), QStringLiteral("29.02.2024"), QStringLiteral("1"));
    core->SetData_(near, cnTextCenterMiddle, QStringLiteral("a long text that runs on into the view"));
    Show(Monday, 20, 400, 200);
    ASSERT_LT(RectRight(geometry->ScreenItemRect(*far)), -500);
    const QRect nearBar = geometry->ScreenItemRect(*near);
    ASSERT_LT(RectRight(nearBar), 0);

    canvas->Image()->fill(Qt::white);
    PaintChart();
    // The two bars in the view and the one whose text reaches in; not the far one.
    EXPECT_EQ(stats.barsDrawn, 3);
    const auto inkLeftOfTheBars = [&](TCanvas &c) {
        int ink = 0;
        for (int y = nearBar.top(); y < RectBottom(nearBar); ++y)
            for (int x = 0; x < 20; ++x)
                ink += (c.Pixel(x, y) & 0xFF) < 0x60;
        return ink;
    };
    EXPECT_GT(inkLeftOfTheBars(*canvas), 10);

    // A paint of only a strip at the left edge draws in the rows what a full paint draws.
    TCanvas strip(400, 200);
    strip.Image()->fill(Qt::black);
    strip.IntersectClipRect(QRect(0, 0, 30, 200));
    TChartPaintParams p = ScreenParams(strip, TChartTarget::Chart);
    p.scratch = &scratch;
    stats = {};
    Paint(p);
    EXPECT_EQ(stats.barsDrawn, 2); // the first bar starts inside the strip
    const int rows = 3 * geometry->TimeChartRowHeight(0); // below them the panel paints
    ASSERT_LE(rows, 200);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(strip.Pixel(x, y), canvas->Pixel(x, y)) << x << "," << y;
}
