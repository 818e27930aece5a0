#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>

#include "Canvas.h"
#include "CursorRegistry.h"
#include "ImageList.h"
#include "treegrid/CheckImages.h"
#include "treegrid/TreeGridRoutines.h"
#include "treegrid/TreeGridTypes.h"

namespace {

struct TFixedFontCanvas {
    TCanvas canvas{10, 10};
    TFixedFontCanvas()
    {
        canvas.Font().SetName(QStringLiteral("DejaVu Sans"));
        canvas.Font().SetHeight(-12);
    }
    QFontMetrics Metrics() { return QFontMetrics(canvas.Font().ToQFont()); }
};

bool Opaque(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

TEST(TreeGridText, ShortenStringKeepsTheLongestPrefixThatFits)
{
    TFixedFontCanvas f;
    const QFontMetrics fm = f.Metrics();
    const QString text = QStringLiteral("Scheduling overview");
    const int ellipsis = fm.horizontalAdvance(QStringLiteral("..."));

    EXPECT_EQ(ShortenString(f.canvas, QString(), 100), QString());
    EXPECT_EQ(ShortenString(f.canvas, text, 0), QString());
    EXPECT_EQ(ShortenString(f.canvas, text, -5), QString());
    EXPECT_EQ(ShortenString(f.canvas, text, ellipsis), QString());
    // Room for the ellipsis but not for the first character with it: the ellipsis alone.
    EXPECT_EQ(ShortenString(f.canvas, text, ellipsis + 1), QStringLiteral("..."));

    for (int width = ellipsis + 1; width < fm.horizontalAdvance(text) + ellipsis; width += 3) {
        // The longest prefix by a plain scan.
        int n = 0;
        while (n + 1 < text.size() && fm.horizontalAdvance(text.left(n + 1)) + ellipsis <= width)
            ++n;
        EXPECT_EQ(ShortenString(f.canvas, text, width), text.left(n) + QStringLiteral("...")) << width;
    }
    // A caller's own ellipsis width takes the place of the measured one.
    const int w = fm.horizontalAdvance(QStringLiteral("Sched")) + 40;
    EXPECT_EQ(ShortenString(f.canvas, text, w, 40), QStringLiteral("Sched..."));
}

TEST(TreeGridText, ShortenStringNeverSplitsASurrogatePair)
{
    TFixedFontCanvas f;
    const QString text = QStringLiteral("a") + QString::fromUcs4(U"\U0001D11E\U0001D11E") + QStringLiteral("bcdef");
    const int full = f.Metrics().horizontalAdvance(text);
    for (int width = 1; width < full + 30; ++width) {
        const QString s = ShortenString(f.canvas, text, width);
        if (s.size() > 3) {
            EXPECT_FALSE(s[s.size() - 4].isHighSurrogate()) << width;
        }
    }
}

TEST(TreeGridText, WrapStringBreaksAtSpacesAndCutsLongWords)
{
    TFixedFontCanvas f;
    const QFontMetrics fm = f.Metrics();
    const QRect bounds = MakeRect(0, 0, fm.horizontalAdvance(QStringLiteral("three two")), 50);
    EXPECT_EQ(WrapString(f.canvas, QStringLiteral("  one two three  "), bounds, false, DT_LEFT),
              QStringLiteral("one two\nthree"));
    // Right-to-left takes the words in the opposite order.
    EXPECT_EQ(WrapString(f.canvas, QStringLiteral("one two three"), bounds, true, DT_LEFT),
              QStringLiteral("three two\none"));
    // Measuring with word break in the format does not change the result.
    EXPECT_EQ(WrapString(f.canvas, QStringLiteral("one two three"), bounds, false, DT_WORDBREAK),
              QStringLiteral("one two\nthree"));

    // A word wider than the bounds is cut into pieces that each fit.
    const QString word = QStringLiteral("Ressourcenplanung");
    const QRect narrow = MakeRect(0, 0, fm.horizontalAdvance(QStringLiteral("Resso")), 50);
    const QStringList pieces = WrapString(f.canvas, word, narrow, false, DT_LEFT).split(u'\n');
    EXPECT_GT(pieces.size(), 2);
    EXPECT_EQ(pieces.join(QString()), word);
    for (const QString &piece : pieces) {
        EXPECT_FALSE(piece.isEmpty());
        EXPECT_LE(fm.horizontalAdvance(piece), narrow.width());
    }

    // Bounds narrower than any character still give one character per line, never an endless
    // or empty line.
    const QString tiny = WrapString(f.canvas, QStringLiteral("abc de"), MakeRect(0, 0, 1, 10), false, DT_LEFT);
    EXPECT_EQ(tiny, QStringLiteral("a\nb\nc\nd\ne"));
    EXPECT_EQ(WrapString(f.canvas, QStringLiteral("   "), bounds, false, DT_LEFT), QString());
}

TEST(TreeGridText, GetStringDrawRectMeasuresFromTheTopLeft)
{
    TFixedFontCanvas f;
    const QFontMetrics fm = f.Metrics();
    QRect r = MakeRect(7, 9, 500, 500);
    GetStringDrawRect(f.canvas, QStringLiteral("Gantt"), r, DT_SINGLELINE);
    EXPECT_EQ(r, QRect(7, 9, fm.horizontalAdvance(QStringLiteral("Gantt")), fm.ascent() + fm.descent()));
    r = MakeRect(0, 0, 500, 500);
    GetStringDrawRect(f.canvas, QStringLiteral("a\nbb"), r, DT_LEFT);
    EXPECT_EQ(r.height(), 2 * (fm.ascent() + fm.descent()));
}

TEST(TreeGridRoutines, SmallHelpers)
{
    EXPECT_EQ(OrderRect(MakeRect(10, 8, 2, 3)), MakeRect(2, 3, 10, 8));
    EXPECT_EQ(OrderRect(MakeRect(2, 3, 10, 8)), MakeRect(2, 3, 10, 8));
    EXPECT_EQ(OrderRect(MakeRect(5, 1, 5, 0)), MakeRect(5, 0, 5, 1));

    EXPECT_EQ(GetRGBColor(clNone), 0xFFFFFFFFu);
    EXPECT_EQ(GetRGBColor(clDefault), 0xFF000000u);
    EXPECT_EQ(GetRGBColor(clRed), 0x0000FFu);
    EXPECT_EQ(GetRGBColor(clHighlight), quint32(ColorToRGB(clHighlight)));

    try {
        ShowError(QStringLiteral("Broken."), 42);
        FAIL();
    } catch (const ETreeGridError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Broken."));
        EXPECT_EQ(e.HelpContext(), 42);
    }
}

TEST(TreeGridRoutines, TreeFromNodeWalksUpToTheRoot)
{
    auto *tree = reinterpret_cast<TBaseTreeGrid *>(0x1000);
    TGridNode root{}, child{}, grandchild{};
    root.NextSibling = &root;
    child.Parent = &root;
    grandchild.Parent = &child;

    // A root that keeps its parent link nil is found through the registry.
    EXPECT_EQ(TreeFromNode(&grandchild), nullptr);
    RegisterTreeRoot(&root, tree);
    EXPECT_EQ(TreeFromNode(&grandchild), tree);
    EXPECT_EQ(TreeFromNode(&root), tree);
    UnregisterTreeRoot(&root);

    // A root whose parent link holds the tree answers directly.
    root.Parent = reinterpret_cast<TGridNode *>(tree);
    EXPECT_EQ(TreeFromNode(&child), tree);

    try {
        TreeFromNode(nullptr);
        FAIL();
    } catch (const ETreeGridError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Node must not be nil."));
    }
    TGridNode orphan{};
    EXPECT_THROW(TreeFromNode(&orphan), ETreeGridError);
}

TEST(TreeGridImages, CheckListsKeepTheIndexLayout)
{
    TImageList list;
    ConvertImageList(list, QStringLiteral("TG_CHECK_LIGHT"), false);
    ASSERT_EQ(list.Count(), 25);
    EXPECT_EQ(list.Width(), 16);
    EXPECT_EQ(list.Height(), 16);
    // Image 0 is empty; every other image shows something.
    EXPECT_FALSE(Opaque(list.GetImage(0)));
    for (int i = 1; i < 25; ++i)
        EXPECT_TRUE(Opaque(list.GetImage(i))) << i;
    // Unchecked, checked and mixed boxes differ; so do the states of one box.
    EXPECT_NE(list.GetImage(9), list.GetImage(13));
    EXPECT_NE(list.GetImage(13), list.GetImage(17));
    EXPECT_NE(list.GetImage(1), list.GetImage(5));
    EXPECT_NE(list.GetImage(9), list.GetImage(11));
    EXPECT_NE(list.GetImage(21), list.GetImage(23));

    for (const char *name : {"TG_CHECK_DARK", "TG_TICK_LIGHT", "TG_TICK_DARK", "TG_FLAT", "TG_XP"}) {
        TImageList other;
        ConvertImageList(other, QString::fromLatin1(name), true);
        EXPECT_EQ(other.Count(), 25) << name;
    }
    TImageList utilities;
    ConvertImageList(utilities, QStringLiteral("TG_UTILITIES"), true);
    EXPECT_EQ(utilities.Count(), 6);
}

TEST(TreeGridImages, RemappingAndMissingPictures)
{
    const QPalette saved = QGuiApplication::palette();
    QPalette p = saved;
    p.setColor(QPalette::Base, QColor(250, 240, 10));
    QGuiApplication::setPalette(p);
    TImageList remapped, plain;
    ConvertImageList(remapped, QStringLiteral("TG_CHECK_DARK"), true);
    ConvertImageList(plain, QStringLiteral("TG_CHECK_DARK"), false);
    QGuiApplication::setPalette(saved);
    // The inside of an unchecked box is white in the picture and the window colour after remapping.
    EXPECT_EQ(plain.GetImage(9).pixel(7, 7), qRgb(255, 255, 255));
    EXPECT_EQ(remapped.GetImage(9).pixel(7, 7), qRgb(250, 240, 10));

    try {
        ConvertImageList(plain, QStringLiteral("TG_NOTHING"), false);
        FAIL();
    } catch (const ETreeGridError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Internal image \"TG_NOTHING\" is missing or corrupt."));
    }
}

TEST(TreeGridImages, SetUpBuildsTheSharedListsAndCursorsOnceAndTheLastEndTearsDown)
{
    const int held = TreeGridUnitReferences();
    ASSERT_GE(held, 1);
    InitializeGlobalStructures();
    ASSERT_TRUE(GlobalStructuresInitialized());
    TImageList *light = LightCheckImages();
    ASSERT_NE(light, nullptr);
    InitializeGlobalStructures();
    EXPECT_EQ(LightCheckImages(), light); // runs once
    for (TImageList *list : {DarkCheckImages(), LightTickImages(), DarkTickImages(), FlatImages(), XPImages()})
        ASSERT_NE(list, nullptr);
    ASSERT_NE(UtilityImages(), nullptr);

    // The system sets: menu check size + 3, image 0 empty, 20 styled images, 4 push buttons.
    for (TImageList *set : {SystemCheckImages(), SystemFlatCheckImages()}) {
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->Width(), MenuCheckSize() + 3);
        EXPECT_EQ(set->Count(), 25);
        EXPECT_FALSE(Opaque(set->GetImage(0)));
        EXPECT_NE(set->GetImage(9), set->GetImage(13)); // unchecked and checked box
        EXPECT_NE(set->GetImage(1), set->GetImage(5));  // unchecked and checked radio
    }
    EXPECT_TRUE(TCursorRegistry::Has(crHeaderSplit));
    EXPECT_EQ(TCursorRegistry::Cursor(crHeaderSplit).shape(), Qt::SplitHCursor);
    EXPECT_EQ(TCursorRegistry::Cursor(crVertSplit).shape(), Qt::SplitVCursor);

    // Another start and its end change nothing; the last end frees everything.
    TreeGridUnitStart();
    TreeGridUnitEnd();
    EXPECT_TRUE(GlobalStructuresInitialized());
    for (int i = 0; i < held; ++i)
        TreeGridUnitEnd();
    EXPECT_EQ(TreeGridUnitReferences(), 0);
    EXPECT_FALSE(GlobalStructuresInitialized());
    EXPECT_EQ(LightCheckImages(), nullptr);
    EXPECT_FALSE(TCursorRegistry::Has(crHeaderSplit));
    TreeGridUnitEnd(); // an unmatched end is ignored
    EXPECT_EQ(TreeGridUnitReferences(), 0);
    for (int i = 0; i < held; ++i)
        TreeGridUnitStart();
    InitializeGlobalStructures();
    EXPECT_NE(LightCheckImages(), nullptr);
}

TEST(TreeGridImages, SplitCursorsCanBecomeTheScreenCursor)
{
    InitializeGlobalStructures();
    TCursorRegistry::SetScreenCursor(crVertSplit);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SplitVCursor);
    EXPECT_EQ(TCursorRegistry::ScreenCursor(), crVertSplit);
    TCursorRegistry::SetScreenCursor(crHourGlass);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    TCursorRegistry::SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Unknown numbers give the arrow rather than nothing.
    EXPECT_EQ(TCursorRegistry::Cursor(4711).shape(), Qt::ArrowCursor);
}
