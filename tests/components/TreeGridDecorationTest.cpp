// Pixel tests of what the rows carry besides their texts: the rubber band in both looks, the drop
// mark, the expand buttons' fill and overlay images drawn on top of a node's image.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>

#include "Canvas.h"
#include "ImageList.h"
#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Paper = 0xE0FFFF; // light yellow

class TDecoratedTree : public TStringTreeGrid
{
public:
    using TStringTreeGrid::FDropTargetNode;
    using TStringTreeGrid::FLastDropMode;
};

std::unique_ptr<TDecoratedTree> MakeTree(std::uint32_t rows)
{
    auto tree = treegridtest::ShowTree<TDecoratedTree>(300, 200);
    tree->SetColor(Paper);
    tree->SetRootNodeCount(rows);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = QStringLiteral("R%1").arg(node->Index);
    };
    return tree;
}

using treegridtest::At;
using treegridtest::Render;

int CountColor(const QImage &image, QRect area, TColor color)
{
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += At(image, x, y) == color;
    return count;
}

TEST(TreeGridDecorationTest, TheRubberBandIsBlendedOrDottedAndScrollsWithTheRows)
{
    auto tree = MakeTree(20);
    auto &options = tree->TreeOptions();
    options.SetSelectionOptions(options.SelectionOptions() + toMultiSelect);
    tree->Colors().SetColor(TTGColors::SelectionRectangleBlendColor, Red);
    tree->Colors().SetColor(TTGColors::SelectionRectangleBorderColor, Blue);
    tree->SetSelectionBlendFactor(128);
    tree->SetDrawSelectionMode(smBlendedRectangle);

    // A band from beside the texts of row 8 up to row 5: no text lies under it.
    QWidget *viewport = tree->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(250, 150));
    QTest::mouseMove(viewport, QPoint(200, 100));
    ASSERT_TRUE(tree->TreeStates().contains(tsDrawSelecting));
    QImage image = Render(*tree);
    const TColor inside = At(image, 225, 125);
    EXPECT_NE(inside, Paper);
    EXPECT_NE(inside, Red) << "the paper shows through the band";
    EXPECT_EQ(At(image, 225, 90), Paper);
    EXPECT_EQ(At(image, 200, 125), Blue);
    EXPECT_EQ(At(image, 225, 100), Blue);
    // The band spans several rows, each painted on its own: the blend is the same in all of them.
    EXPECT_EQ(At(image, 210, 105), inside);
    EXPECT_EQ(At(image, 240, 145), inside);

    // Scrolled by a row, the band stays over the same rows.
    tree->SetOffsetY(-int(tree->DefaultNodeHeight()));
    image = Render(*tree);
    const int h = int(tree->DefaultNodeHeight());
    EXPECT_EQ(At(image, 200, 125 - h), Blue);
    EXPECT_EQ(At(image, 225, 125 - h), inside);
    tree->SetOffsetY(0);

    // The dotted look only outlines the band; a themed tree always blends.
    tree->SetDrawSelectionMode(smDottedRectangle);
    EXPECT_EQ(At(Render(*tree), 225, 125), inside);
    options.SetPaintOptions(options.PaintOptions() - toThemeAware);
    image = Render(*tree);
    EXPECT_EQ(At(image, 225, 125), Paper);
    const QRect edge(200, 100, 1, 50);
    // Every other pixel of the outline is inverted, so that it shows on any background.
    EXPECT_GE(CountColor(image, edge, Paper ^ 0xFFFFFF), 20);
    EXPECT_GE(CountColor(image, edge, Paper), 20);

    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    image = Render(*tree);
    EXPECT_EQ(CountColor(image, QRect(195, 95, 60, 60), Blue), 0);
}

TEST(TreeGridDecorationTest, TheDropMarkSitsAboveOrBelowTheTargetRow)
{
    auto tree = MakeTree(6);
    tree->Colors().SetColor(TTGColors::DropMarkColor, Red);
    tree->Colors().SetColor(TTGColors::DropTargetColor, Blue);
    tree->Colors().SetColor(TTGColors::DropTargetBorderColor, Blue);
    const int h = int(tree->DefaultNodeHeight());
    const QRect row(0, 2 * h, tree->ClientWidth(), h);
    tree->FDropTargetNode = tree->GetFirst()->NextSibling->NextSibling;

    tree->FLastDropMode = dmAbove;
    QImage image = Render(*tree);
    EXPECT_EQ(At(image, 100, row.top() + 1), Red);
    EXPECT_NE(At(image, 100, row.top() + 8), Red);
    EXPECT_EQ(CountColor(image, QRect(0, 0, 300, row.top()), Red), 0);
    EXPECT_EQ(CountColor(image, QRect(0, row.top() + h / 2, 300, 200), Red), 0);

    tree->FLastDropMode = dmBelow;
    image = Render(*tree);
    EXPECT_EQ(At(image, 100, row.bottom() - 1), Red);
    EXPECT_EQ(CountColor(image, QRect(0, 0, 300, row.top() + h / 2), Red), 0);
    EXPECT_EQ(CountColor(image, QRect(0, row.bottom() + 1, 300, 200), Red), 0);

    // Dropping onto the row marks the row itself, not its edges.
    tree->FLastDropMode = dmOnNode;
    image = Render(*tree);
    EXPECT_EQ(CountColor(image, image.rect(), Red), 0);
    EXPECT_GT(CountColor(image, row, Blue), 0);

    // Without the option no mark shows.
    tree->FLastDropMode = dmAbove;
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toShowDropmark);
    image = Render(*tree);
    EXPECT_EQ(CountColor(image, image.rect(), Red), 0);
    tree->FDropTargetNode = nullptr;
}

TEST(TreeGridDecorationTest, ATransparentButtonShowsTheRowBehindIt)
{
    auto tree = MakeTree(0);
    tree->SetNodeDataType<int>();
    PGridNode parent = tree->AddChild(nullptr);
    tree->AddChild(parent);
    // Themed buttons come from the style; the fill modes are for the tree's own.
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toThemeAware);
    tree->SetButtonFillMode(fmWindowColor);
    const QImage window = Render(*tree);
    tree->SetButtonFillMode(fmTransparent);
    const QImage transparent = Render(*tree);
    // The row behind the button: its background and the tree line that runs to the node.
    auto &paint = tree->TreeOptions();
    paint.SetPaintOptions(paint.PaintOptions() - toShowButtons);
    const QImage behind = Render(*tree);
    paint.SetPaintOptions(paint.PaintOptions() + toShowButtons);

    const int h = int(tree->DefaultNodeHeight());
    int inside = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < int(tree->Indent()); ++x)
            if (window.pixel(x, y) != transparent.pixel(x, y)) {
                EXPECT_EQ(At(transparent, x, y), At(behind, x, y)) << x << "," << y;
                ++inside;
            }
    EXPECT_GT(inside, 10) << "the button's inside differs between the two fills";
    EXPECT_EQ(Render(*tree), transparent);
}

TEST(TreeGridDecorationTest, AnOverlayFromFifteenOnIsDrawnOverTheImage)
{
    auto tree = MakeTree(2);
    TImageList list(16, 16);
    for (int i = 0; i < 16; ++i) {
        QImage square(16, 16, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        if (i == 0) {
            square.fill(QColor(0, 160, 0));
        } else if (i == 15) {
            for (int y = 6; y < 10; ++y)
                for (int x = 6; x < 10; ++x)
                    square.setPixelColor(x, y, QColor(255, 0, 0));
        }
        list.Add(square);
    }
    int overlay = 15;
    tree->OnGetImage = [&](TBaseTreeGrid *, PGridNode, TTGImageKind kind, TColumnIndex, bool &, int &index) {
        index = kind == ikNormal ? 0 : kind == ikOverlay ? overlay : -1;
    };
    tree->SetImages(&list);
    const QImage image = Render(*tree);
    // The image's place: right of the root indent and the margin, centred in the row.
    const int h = int(tree->DefaultNodeHeight());
    const int x = int(tree->Indent()) + tree->Margin();
    const int y = (h - 16) / 2;
    EXPECT_EQ(image.pixelColor(x + 1, y + 1), QColor(0, 160, 0));
    EXPECT_EQ(image.pixelColor(x + 8, y + 8), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(x + 8, h + y + 8), QColor(255, 0, 0));

    // Without an overlay only the image shows.
    overlay = -1;
    tree->Invalidate();
    const QImage plain = Render(*tree);
    EXPECT_EQ(plain.pixelColor(x + 8, y + 8), QColor(0, 160, 0));
    tree->SetImages(nullptr);
}

} // namespace
