#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Canvas.h"
#include "TreeGridTestSupport.h"
#include "ImageList.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

constexpr TColor Grid = 0xFF0000;    // blue
constexpr TColor Fill = 0x00FF00;    // green
constexpr TColor Unfocused = 0x808080;

class TPaintTree : public TStringTreeGrid
{
public:
    using TStringTreeGrid::DoStateChange;
    using TStringTreeGrid::FEditColumn;
    using TStringTreeGrid::FEditNode;
    using TStringTreeGrid::FLastDropMode;
    using TStringTreeGrid::FDropTargetNode;
};

// A shown tree with plain colours and solid lines, so that pixels can be compared exactly.
std::unique_ptr<TPaintTree> MakeTree(int width = 300, int height = 200)
{
    auto tree = treegridtest::ShowTree<TPaintTree>(width, height);
    tree->SetColor(clWhite);
    tree->SetLineStyle(lsSolid);
    tree->Colors().SetColor(TTGColors::GridLineColor, Grid);
    tree->Colors().SetColor(TTGColors::FocusedSelectionColor, Fill);
    tree->Colors().SetColor(TTGColors::FocusedSelectionBorderColor, Fill);
    tree->Colors().SetColor(TTGColors::UnfocusedSelectionColor, Unfocused);
    tree->Colors().SetColor(TTGColors::UnfocusedSelectionBorderColor, Unfocused);
    return tree;
}

void AddColumns(TBaseTreeGrid &tree, std::initializer_list<int> widths)
{
    for (int width : widths)
        tree.Header()->Columns()->Add()->SetWidth(width);
    tree.UpdateScrollBars(true);
}

void SetColumnColor(TBaseTreeGrid &tree, TColumnIndex index, TColor color)
{
    TTreeGridColumn *column = tree.Header()->Columns()->Items(index);
    column->SetColor(color);
    column->SetOptions(column->Options() - coParentColor);
}

void AddPaintOptions(TBaseTreeGrid &tree, TTGPaintOptions options)
{
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() + options);
}

using treegridtest::At;
using treegridtest::Render;

// Pixels that differ between two pictures.
std::vector<QPoint> Differences(const QImage &a, const QImage &b)
{
    std::vector<QPoint> result;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                result.emplace_back(x, y);
    return result;
}

} // namespace

TEST(TreeGridPaintTest, EmptyTreeShowsColumnBandsWithFullGridLines)
{
    auto tree = MakeTree();
    AddColumns(*tree, {50, 60, 70});
    SetColumnColor(*tree, 1, clRed);
    AddPaintOptions(*tree, {toShowVertGridLines, toFullVertGridLines});
    QImage image = Render(*tree);
    for (int y : {0, 100, 199}) {
        EXPECT_EQ(At(image, 10, y), clWhite);
        EXPECT_EQ(At(image, 49, y), Grid);
        EXPECT_EQ(At(image, 50, y), clRed);
        EXPECT_EQ(At(image, 108, y), clRed);
        EXPECT_EQ(At(image, 109, y), Grid);
        EXPECT_EQ(At(image, 110, y), clWhite); // a parent-colour column takes the tree's colour
        EXPECT_EQ(At(image, 179, y), Grid);
        EXPECT_EQ(At(image, 180, y), clWhite);
        EXPECT_EQ(At(image, 299, y), clWhite);
    }

    // Without grid lines, and with the last column auto-sized (no line at its edge).
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toFullVertGridLines);
    image = Render(*tree);
    EXPECT_EQ(At(image, 49, 100), clWhite);
    EXPECT_EQ(At(image, 109, 100), clRed);
    AddPaintOptions(*tree, {toFullVertGridLines});
    tree->Header()->SetAutoSizeIndex(2);
    tree->Header()->SetOptions(tree->Header()->Options() + hoAutoResize);
    image = Render(*tree);
    EXPECT_EQ(At(image, 49, 100), Grid);
    EXPECT_EQ(At(image, tree->ClientWidth() - 1, 100), clWhite);

    // Scrolled sideways: the bands move with the columns.
    tree->Header()->SetOptions(tree->Header()->Options() - hoAutoResize);
    tree->Header()->Columns()->Items(2)->SetWidth(400);
    tree->UpdateScrollBars(true);
    tree->SetOffsetX(-30);
    image = Render(*tree);
    EXPECT_EQ(At(image, 19, 50), Grid);
    EXPECT_EQ(At(image, 20, 50), clRed);
    EXPECT_EQ(At(image, 79, 50), Grid);
}

TEST(TreeGridPaintTest, FixedColumnStaysWhenScrolledSideways)
{
    auto tree = MakeTree();
    AddColumns(*tree, {80, 100, 300});
    SetColumnColor(*tree, 0, clLime);
    SetColumnColor(*tree, 1, clYellow);
    SetColumnColor(*tree, 2, clAqua);
    TTreeGridColumn *fixed = tree->Header()->Columns()->Items(0);
    fixed->SetOptions(fixed->Options() + coFixed);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text.clear(); };
    tree->SetRootNodeCount(5);
    tree->UpdateScrollBars(true);
    QImage image = Render(*tree);
    EXPECT_EQ(At(image, 10, 5), clLime);
    EXPECT_EQ(At(image, 85, 5), clYellow);
    EXPECT_EQ(At(image, 185, 5), clAqua);

    tree->SetOffsetX(-30);
    EXPECT_EQ(tree->OffsetX(), -30);
    image = Render(*tree);
    EXPECT_EQ(At(image, 10, 5), clLime);   // unmoved
    EXPECT_EQ(At(image, 79, 5), clLime);
    EXPECT_EQ(At(image, 80, 5), clYellow); // column 1 scrolled under the fixed one
    EXPECT_EQ(At(image, 149, 5), clYellow);
    EXPECT_EQ(At(image, 150, 5), clAqua);
    // Below the rows the column bands do the same.
    const int below = image.height() - 1;
    EXPECT_EQ(At(image, 10, below), clLime);
    EXPECT_EQ(At(image, 80, below), clYellow);
    EXPECT_EQ(At(image, 149, below), clYellow);
    EXPECT_EQ(At(image, 150, below), clAqua);

    // Through the window's own paint: the same picture.
    const QImage grabbed = tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(At(grabbed, 10, 5), clLime);
    EXPECT_EQ(At(grabbed, 150, 5), clAqua);
}

TEST(TreeGridPaintTest, WindowTopInsideARowPaintsItsLowerPart)
{
    auto tree = MakeTree(200, 100);
    const TColor colors[] = {clRed, clLime, clBlue, clYellow, clAqua};
    tree->OnBeforeItemErase = [&](TBaseTreeGrid *, TCanvas &, PGridNode node, const QRect &, TColor &color,
                                  TItemEraseAction &action) {
        color = colors[node->Index % 5];
        action = eaColor;
    };
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text.clear(); };
    tree->SetRootNodeCount(10);
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    TCanvas canvas(&image);
    tree->PaintTree(canvas, QRect(0, 9, 200, 100), QPoint(0, 0), DefaultPaintOptionsOfPaint);
    EXPECT_EQ(At(image, 50, 0), clRed);
    EXPECT_EQ(At(image, 50, 8), clRed);
    EXPECT_EQ(At(image, 50, 9), clLime);
    EXPECT_EQ(At(image, 50, 26), clLime);
    EXPECT_EQ(At(image, 50, 27), clBlue);

    // Scrolling by a fraction of a row shows the same through the offsets.
    tree->SetOffsetY(-9);
    const QImage scrolled = Render(*tree);
    EXPECT_EQ(At(scrolled, 50, 8), clRed);
    EXPECT_EQ(At(scrolled, 50, 9), clLime);
}

TEST(TreeGridPaintTest, FullRowSelectionFillsTheWholeRow)
{
    auto tree = MakeTree();
    AddColumns(*tree, {100, 100});
    SetColumnColor(*tree, 1, clYellow);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text = "x"; };
    tree->SetRootNodeCount(5);
    PGridNode second = tree->GetNextSibling(tree->GetFirst());
    AddPaintOptions(*tree, {toPopupMode});
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() + toFullRowSelect);
    tree->SetSelected(second, true);
    QImage image = Render(*tree);
    const int y = 18 + 17;
    for (int x : {60, 150, 199, 250, 299})
        EXPECT_EQ(At(image, x, y), Fill) << x;
    EXPECT_EQ(At(image, 150, 5), clYellow); // column colour in other rows
    EXPECT_EQ(At(image, 250, 5), clWhite);

    // Unfocused (no popup mode, no focus): the unfocused colours.
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toPopupMode);
    tree->clearFocus();
    ASSERT_FALSE(tree->hasFocus());
    image = Render(*tree);
    EXPECT_EQ(At(image, 150, y), Unfocused);
    EXPECT_EQ(At(image, 250, y), Unfocused);

    // Without full-row select only the focused column's text gets the fill.
    AddPaintOptions(*tree, {toPopupMode});
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() - toFullRowSelect);
    tree->SetFocusedColumn(0);
    image = Render(*tree);
    EXPECT_EQ(At(image, 150, y), clYellow);
    EXPECT_EQ(At(image, 90, y), clWhite);
    const int textLeft = tree->Margin() + int(tree->Indent());
    EXPECT_EQ(At(image, textLeft + 1, y), Fill);

    // Hidden selection when asked.
    AddPaintOptions(*tree, {toAlwaysHideSelection});
    image = Render(*tree);
    EXPECT_EQ(At(image, textLeft + 1, y), clWhite);
}

TEST(TreeGridPaintTest, FocusRectangleFollowsTheOptions)
{
    auto tree = MakeTree();
    AddColumns(*tree, {120, 120});
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text = "Wide text"; };
    tree->SetRootNodeCount(3);
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() + toExtendedFocus);
    tree->clearFocus();
    PGridNode node = tree->GetFirst();
    const QImage plain = Render(*tree);
    tree->SetFocusedNode(node);
    tree->SetFocusedColumn(1);

    // Not focused: no rectangle.
    EXPECT_TRUE(Differences(plain, Render(*tree)).empty());

    AddPaintOptions(*tree, {toPopupMode});
    auto bounds = [&](const QImage &image) {
        QRect box;
        for (const QPoint &p : Differences(plain, image))
            box = box.united(QRect(p, QSize(1, 1)));
        return box;
    };
    // Around the text of the focused cell (text width plus both text margins).
    QRect box = bounds(Render(*tree));
    const int width = tree->DoGetNodeWidth(node, 1);
    EXPECT_EQ(box.left(), 120 + tree->Margin());
    EXPECT_EQ(box.width(), width);
    EXPECT_EQ(box.top(), 0);
    EXPECT_EQ(box.height(), 18);

    // Grid extensions: around the whole cell.
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toGridExtensions);
    box = bounds(Render(*tree));
    EXPECT_EQ(box, QRect(120, 0, 120, 18));
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() - toGridExtensions);

    // Full-row select still marks only the focused cell.
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() + toFullRowSelect);
    box = bounds(Render(*tree));
    EXPECT_EQ(box.left(), 120 + tree->Margin());

    AddPaintOptions(*tree, {toHideFocusRect});
    EXPECT_TRUE(Differences(plain, Render(*tree)).empty());
}

TEST(TreeGridPaintTest, CheckImageIndexesFollowTypeStateAndEnabling)
{
    auto tree = MakeTree();
    using C = TCheckType;
    struct Case {
        TCheckType type;
        TCheckState state;
        bool enabled;
        int expected;
    };
    const Case cases[] = {
        {C::ctCheckBox, csUncheckedNormal, true, 9},     {C::ctCheckBox, csUncheckedPressed, true, 11},
        {C::ctCheckBox, csCheckedNormal, true, 13},      {C::ctCheckBox, csCheckedPressed, false, 16},
        {C::ctTriStateCheckBox, csMixedNormal, true, 17}, {C::ctCheckBox, csMixedPressed, true, 19},
        {C::ctRadioButton, csUncheckedNormal, true, 1},  {C::ctRadioButton, csUncheckedNormal, false, 4},
        {C::ctRadioButton, csCheckedNormal, true, 5},    {C::ctRadioButton, csCheckedPressed, true, 7},
        {C::ctRadioButton, csMixedNormal, true, 17},     {C::ctRadioButton, csMixedPressed, false, 20},
        {C::ctButton, csCheckedNormal, true, 21},        {C::ctButton, csUncheckedPressed, true, 23},
        {C::ctButton, csMixedNormal, true, 17},          {C::ctNone, csCheckedNormal, true, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(tree->GetCheckImage(nullptr, c.type, c.state, c.enabled), c.expected)
            << int(c.type) << " " << int(c.state) << " " << c.enabled;

    // A list of plain colours shows which image the cell drew.
    TImageList list(16, 16);
    for (int i = 0; i < 25; ++i) {
        QImage square(16, 16, QImage::Format_RGB32);
        square.fill(QColor(10 * i, 255 - 10 * i, 100));
        list.Add(square);
    }
    tree->SetCustomCheckImages(&list);
    tree->SetCheckImageKind(ckCustom);
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toCheckSupport);
    tree->SetRootNodeCount(3);
    PGridNode radio = tree->GetFirst();
    tree->SetCheckType(radio, TCheckType::ctRadioButton);
    radio->CheckState = csMixedNormal;
    PGridNode box = tree->GetNextSibling(radio);
    tree->SetCheckType(box, TCheckType::ctCheckBox);
    tree->SetCheckState(box, csCheckedNormal);
    const QImage image = Render(*tree);
    const int x = int(tree->Indent()) + tree->Margin() + 8;
    EXPECT_EQ(image.pixel(x, 9), QColor(170, 85, 100).rgb());     // image 17
    EXPECT_EQ(image.pixel(x, 18 + 9), QColor(130, 125, 100).rgb()); // image 13
    tree->SetCustomCheckImages(nullptr);
}

TEST(TreeGridPaintTest, BandModeGridLinesFollowTheIndentation)
{
    auto tree = MakeTree();
    AddColumns(*tree, {200});
    AddPaintOptions(*tree, {toShowHorzGridLines});
    tree->SetLineMode(lmBands);
    tree->Colors().SetColor(TTGColors::TreeLineColor, clRed);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text.clear(); };
    tree->SetRootNodeCount(2);
    PGridNode parent = tree->GetFirst();
    tree->SetChildCount(parent, 2);
    tree->SetExpanded(parent, true);
    AddPaintOptions(*tree, {toShowButtons});
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toShowButtons);
    const QImage image = Render(*tree);
    const int indent = int(tree->Indent());

    // Parent row: expanded, so its band stays open at the left; the horizontal grid line starts
    // after the indentation.
    EXPECT_EQ(At(image, 0, 5), Grid);
    EXPECT_EQ(At(image, indent / 2, 17), clWhite);
    EXPECT_EQ(At(image, indent + 5, 17), Grid);
    // First child: the outer band runs on, the child's own band is closed at its bottom.
    EXPECT_EQ(At(image, 0, 18 + 5), Grid);
    EXPECT_EQ(At(image, indent, 18 + 5), Grid);
    EXPECT_EQ(At(image, 5, 18 + 17), clWhite);
    EXPECT_EQ(At(image, indent + 5, 18 + 17), Grid);
    // The last child closes the outer band too.
    EXPECT_EQ(At(image, 5, 36 + 17), Grid);
    // No tree-line colour anywhere: band mode draws in the grid colour.
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_NE(At(image, x, y), clRed) << x << "," << y;

    // Without grid lines band mode draws no tree lines at all.
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toShowHorzGridLines);
    QImage noLines(tree->ClientWidth(), tree->ClientHeight(), QImage::Format_RGB32);
    TCanvas canvas(&noLines);
    tree->PaintTree(canvas, noLines.rect(), QPoint(0, 0), DefaultPaintOptionsOfPaint - poGridLines);
    EXPECT_EQ(At(noLines, 0, 5), clWhite);
    EXPECT_EQ(At(noLines, indent, 18 + 5), clWhite);
}

TEST(TreeGridPaintTest, EventsComeInOrderAndNestedPaintingDoesNothing)
{
    auto tree = MakeTree(300, 30);
    AddColumns(*tree, {100, 100});
    std::vector<std::string> log;
    tree->OnBeforePaint = [&](TBaseTreeGrid *, TCanvas &) { log.push_back("before paint"); };
    tree->OnAfterPaint = [&](TBaseTreeGrid *, TCanvas &) { log.push_back("after paint"); };
    tree->OnBeforeItemPaint = [&](TBaseTreeGrid *, TCanvas &, PGridNode node, const QRect &, bool &custom) {
        log.push_back("before item " + std::to_string(node->Index));
        custom = node->Index == 1;
    };
    tree->OnAfterItemPaint = [&](TBaseTreeGrid *, TCanvas &, PGridNode, const QRect &) { log.push_back("after item"); };
    tree->OnBeforeItemErase = [&](TBaseTreeGrid *, TCanvas &, PGridNode, const QRect &, TColor &, TItemEraseAction &) {
        log.push_back("erase");
    };
    tree->OnAfterItemErase = [&](TBaseTreeGrid *, TCanvas &, PGridNode, const QRect &) { log.push_back("erased"); };
    tree->OnBeforeCellPaint = [&](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex column, TTGCellPaintMode mode,
                                  const QRect &, QRect &) {
        log.push_back((mode == cpmPaint ? "cell " : "margin ") + std::to_string(column));
    };
    tree->OnAfterCellPaint = [&](TBaseTreeGrid *sender, TCanvas &canvas, PGridNode, TColumnIndex column, const QRect &) {
        log.push_back("cell done " + std::to_string(column));
        // A nested paint run is refused.
        sender->PaintTree(canvas, QRect(0, 0, 10, 10), QPoint(0, 0), DefaultPaintOptionsOfPaint);
    };
    tree->OnPaintBackground = [&](TBaseTreeGrid *, TCanvas &, const QRect &, bool &handled) {
        log.push_back("background");
        handled = false;
    };
    tree->SetRootNodeCount(2);
    QImage image(300, 50, QImage::Format_RGB32);
    TCanvas canvas(&image);
    tree->PaintTree(canvas, QRect(0, 0, 300, 50), QPoint(0, 0), DefaultPaintOptionsOfPaint);
    const std::vector<std::string> expected = {
        "before paint", "before item 0", "erase", "erased", "cell 0", "cell done 0", "cell 1", "cell done 1",
        "after item", "before item 1", "background", "after paint"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(tree->TreeStates().contains(tsPainting));

    // An exception from a handler still ends the paint run.
    tree->OnBeforeItemPaint = [](TBaseTreeGrid *, TCanvas &, PGridNode, const QRect &, bool &) {
        throw std::runtime_error("handler");
    };
    EXPECT_THROW(tree->PaintTree(canvas, QRect(0, 0, 300, 50), QPoint(0, 0), DefaultPaintOptionsOfPaint),
                 std::runtime_error);
    EXPECT_FALSE(tree->TreeStates().contains(tsPainting));

    // Content margins are asked on a scratch canvas, in the margin mode.
    tree->OnBeforeItemPaint = nullptr;
    log.clear();
    tree->OnBeforeCellPaint = [&](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex column, TTGCellPaintMode mode,
                                  const QRect &, QRect &content) {
        log.push_back((mode == cpmPaint ? "cell " : "margin ") + std::to_string(column));
        content.adjust(3, 1, -2, 0);
    };
    EXPECT_EQ(tree->DoGetCellContentMargin(tree->GetFirst(), 1), QPoint(5, 1));
    EXPECT_EQ(tree->DoGetCellContentMargin(tree->GetFirst(), 1, ccmtTopLeftOnly), QPoint(3, 1));
    EXPECT_EQ(tree->DoGetCellContentMargin(tree->GetFirst(), 1, ccmtBottomRightOnly), QPoint(2, 0));
    EXPECT_EQ(log, (std::vector<std::string>{"margin 1", "margin 1", "margin 1"}));
}

TEST(TreeGridPaintTest, SelectedOnlyAndColumnColourRules)
{
    auto tree = MakeTree(200, 100);
    AddColumns(*tree, {100, 100});
    SetColumnColor(*tree, 0, clYellow);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text.clear(); };
    tree->SetRootNodeCount(3);
    PGridNode first = tree->GetFirst();
    tree->SetChildCount(first, 1);
    tree->SetExpanded(first, true);
    tree->SetSelected(first, true);
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    TCanvas canvas(&image);
    tree->PaintTree(canvas, image.rect(), QPoint(0, 0), DefaultPaintOptionsOfPaint + poSelectedOnly);
    EXPECT_EQ(At(image, 50, 5), clYellow);      // the selected row
    EXPECT_EQ(At(image, 50, 18 + 5), clYellow); // its child
    EXPECT_EQ(At(image, 50, 36 + 5), clBlack);  // not painted
    EXPECT_EQ(At(image, 150, 5), clWhite);

    // Main column only.
    image.fill(Qt::black);
    tree->PaintTree(canvas, image.rect(), QPoint(0, 0), DefaultPaintOptionsOfPaint + poMainOnly);
    EXPECT_EQ(At(image, 50, 36 + 5), clYellow);
    EXPECT_EQ(At(image, 150, 36 + 5), clWhite); // the row background, but no cell
}

TEST(TreeGridPaintTest, EditedCellShowsNeitherSelectionNorText)
{
    auto tree = MakeTree(200, 60);
    AddColumns(*tree, {100, 100});
    int textCalls = 0;
    tree->OnGetText = [&](TBaseTreeGrid *, PGridNode, TColumnIndex column, TVSTTextType, QString &text) {
        text = "Text";
        if (column == 1)
            ++textCalls;
    };
    tree->OnDrawText = [&](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex column, const QString &, const QRect &,
                           bool &) {
        if (column == 1)
            ++textCalls;
    };
    tree->SetRootNodeCount(1);
    PGridNode node = tree->GetFirst();
    AddPaintOptions(*tree, {toPopupMode});
    tree->SetFocusedNode(node);
    tree->SetFocusedColumn(1);
    tree->SetSelected(node, true);
    QImage image = Render(*tree);
    EXPECT_EQ(At(image, 100 + tree->Margin() + 1, 9), Fill);
    tree->FEditColumn = 1;
    tree->FEditNode = node;
    tree->DoStateChange({tsEditing});
    textCalls = 0;
    image = Render(*tree);
    EXPECT_EQ(At(image, 100 + tree->Margin() + 1, 9), clWhite);
    // Only the width measurement asked for the text; nothing was drawn.
    EXPECT_LE(textCalls, 1);
    tree->DoStateChange({}, {tsEditing});
}

TEST(TreeGridPaintTest, BackgroundPictureTilesAndAnEmptyOneIsHarmless)
{
    auto tree = MakeTree(100, 60);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text.clear(); };
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toShowTreeLines - toShowRoot);
    tree->SetRootNodeCount(1);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.setPixel(0, 0, qRgb(0, 0, 255));
    tree->SetBackground(picture);
    AddPaintOptions(*tree, {toShowBackground});
    QImage image = Render(*tree);
    for (int y : {0, 4, 20, 40})
        for (int x : {0, 8, 52})
            EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 255)) << x << "," << y;
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(9, 21), qRgb(255, 0, 0));

    tree->SetBackground(QImage());
    image = Render(*tree); // nothing to tile: plain background, no division by zero
    EXPECT_EQ(At(image, 50, 40), clWhite);
}
