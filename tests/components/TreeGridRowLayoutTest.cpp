// Where things stand inside a row: multi-line text measured as wide as it is painted, no half
// line at the bottom, the expand button where its hit zone is, and images that repaint when
// their list changes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

#include <memory>

#include "Canvas.h"
#include "ImageList.h"
#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {

using treegridtest::Render;

std::unique_ptr<TStringTreeGrid> MakeTree()
{
    auto tree = treegridtest::ShowTree<TStringTreeGrid>(400, 400);
    treegridtest::KeepTexts(*tree);
    return tree;
}

// The bands of rows holding dark (text) pixels within x from left to right and y from top to
// bottom; each band is one line of text.
int InkBands(const QImage &image, int left, int right, int top, int bottom)
{
    int bands = 0;
    bool inBand = false;
    for (int y = top; y < bottom; ++y) {
        bool ink = false;
        for (int x = left; x < right && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 100;
        if (ink && !inBand)
            ++bands;
        inBand = ink;
    }
    return bands;
}

QImage Square(QColor color)
{
    QImage square(16, 16, QImage::Format_RGB32);
    square.fill(color);
    return square;
}

} // namespace

TEST(TreeGridRowLayoutTest, MultiLineRowsAreMeasuredAsWideAsTheirTextIsPainted)
{
    auto tree = MakeTree();
    tree->Header()->Columns()->Add()->SetWidth(230);
    tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
    // An indented row with a check box and an image: all of it narrows the text.
    TImageList checks(16, 16);
    TImageList images(16, 16);
    for (int i = 0; i < 25; ++i)
        checks.Add(Square(QColor(200, 220, 255)));
    images.Add(Square(QColor(120, 230, 120)));
    tree->SetCustomCheckImages(&checks);
    tree->SetCheckImageKind(ckCustom);
    tree->SetImages(&images);
    tree->OnGetImage = [](TBaseTreeGrid *, PGridNode, TTGImageKind kind, TColumnIndex, bool &, int &index) {
        index = kind == ikNormal ? 0 : -1;
    };
    auto &options = tree->TreeOptions();
    options.SetMiscOptions(options.MiscOptions() + toCheckSupport + toVariableNodeHeight);
    tree->OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &states) {
        states.include(ivsMultiline);
    };
    // Words without ascenders or descenders: the lines of text lie apart.
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("mamman ");
    int height = 400;
    tree->OnMeasureItem = [&](TBaseTreeGrid *sender, QPainter *, PGridNode node, int &nodeHeight) {
        nodeHeight = height > 0 ? height
                                : static_cast<TStringTreeGrid *>(sender)->ComputeNodeHeight(nullptr, node, 0);
    };
    PGridNode parent = treegridtest::AddText(*tree, nullptr, QStringLiteral("mmm"));
    PGridNode level1 = treegridtest::AddText(*tree, parent, QStringLiteral("mmm"));
    PGridNode row = treegridtest::AddText(*tree, level1, text);
    tree->SetCheckType(row, TCheckType::ctCheckBox);
    tree->FullExpand();
    const int lineHeight = QFontMetrics(tree->font()).height();

    auto bandsOf = [&](PGridNode node) {
        const QImage image = Render(*tree);
        const QRect r = tree->GetDisplayRect(node, 0, false);
        return InkBands(image, r.left(), r.right(), std::max(r.top(), 0), std::min(r.bottom() + 1, image.height()));
    };
    auto remeasure = [&] {
        for (PGridNode node : {parent, level1, row}) {
            tree->InvalidateNode(node);
            tree->NodeHeight(node);
        }
    };

    // As high as it needs: every line of the text shows.
    tree->SetOffsetY(-tree->GetDisplayRect(row, 0, false).top());
    const int lines = bandsOf(row);
    ASSERT_GT(lines, 3);
    ASSERT_LT(lines * lineHeight, 380) << "the row is higher than the text";

    // Measured: exactly those lines, none cut off.
    height = 0;
    remeasure();
    EXPECT_EQ(bandsOf(row), lines);
    EXPECT_EQ(int(tree->NodeHeight(row)), lines * lineHeight);

    // A row that ends inside a line shows only the lines that fit whole.
    height = 2 * lineHeight + lineHeight / 2;
    remeasure();
    EXPECT_EQ(int(tree->NodeHeight(row)), height);
    EXPECT_EQ(bandsOf(row), 2);
    tree->SetCustomCheckImages(nullptr);
    tree->SetImages(nullptr);
}

TEST(TreeGridRowLayoutTest, WordsWiderThanTheColumnAreMeasuredAsTheyArePaintedAtEveryLevel)
{
    auto tree = MakeTree();
    tree->Header()->Columns()->Add()->SetWidth(105);
    tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
    auto &options = tree->TreeOptions();
    options.SetMiscOptions(options.MiscOptions() + toVariableNodeHeight);
    tree->OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &states) {
        states.include(ivsMultiline);
    };
    int height = 390;
    tree->OnMeasureItem = [&](TBaseTreeGrid *sender, QPainter *, PGridNode node, int &nodeHeight) {
        nodeHeight = height > 0 ? height
                                : static_cast<TStringTreeGrid *>(sender)->ComputeNodeHeight(nullptr, node, 0);
    };
    // Two words are wider than the column, the more so the deeper the row.
    const QString text = QStringLiteral("Reconfiguration of the interconnection infrastructure");
    std::vector<PGridNode> rows;
    PGridNode parent = nullptr;
    for (int level = 0; level < 3; ++level) {
        rows.push_back(treegridtest::AddText(*tree, parent, text));
        parent = rows.back();
    }
    tree->FullExpand();

    // The picture of a row's text, the row brought to the top of the view.
    auto textOf = [&](PGridNode node) {
        tree->SetOffsetY(tree->OffsetY() - tree->GetDisplayRect(node, 0, false).top());
        const QRect cell = tree->GetDisplayRect(node, 0, false);
        const QRect textRect = tree->GetDisplayRect(node, 0, true);
        return Render(*tree).copy(QRect(textRect.left(), cell.top(), textRect.width(), cell.height()));
    };
    auto remeasure = [&] {
        for (PGridNode node : rows) {
            tree->InvalidateNode(node);
            tree->NodeHeight(node);
        }
    };
    const int lineHeight = QFontMetrics(tree->font()).height();
    std::vector<QImage> unbounded;
    for (PGridNode node : rows)
        unbounded.push_back(textOf(node));

    height = 0;
    remeasure();
    for (std::size_t level = 0; level < rows.size(); ++level) {
        SCOPED_TRACE(level);
        const QImage measured = textOf(rows[level]);
        const QImage &all = unbounded[level];
        ASSERT_LT(measured.height(), all.height());
        ASSERT_EQ(measured.width(), all.width());
        // Every line shows as in a row high enough for all of them, and nothing lies below.
        EXPECT_EQ(measured, all.copy(0, 0, all.width(), measured.height()));
        EXPECT_EQ(InkBands(all, 0, all.width(), measured.height(), measured.height() + 3 * lineHeight), 0);
        EXPECT_GT(InkBands(measured, 0, measured.width(), 0, measured.height()), 0);
    }
}

TEST(TreeGridRowLayoutTest, TheExpandButtonIsCentredByRoundingAndHitWhereItIsPainted)
{
    for (std::uint32_t indent : {18u, 17u, 20u}) {
        for (int align : {50, 30, 83}) {
            for (std::uint32_t rowHeight : {18u, 25u}) {
                SCOPED_TRACE(QStringLiteral("indent %1, align %2, height %3").arg(indent).arg(align).arg(rowHeight).toStdString());
                auto tree = MakeTree();
                tree->SetIndent(indent);
                tree->SetDefaultNodeHeight(rowHeight);
                auto &options = tree->TreeOptions();
                options.SetPaintOptions(options.PaintOptions() - toShowTreeLines - toThemeAware);
                tree->SetButtonFillMode(fmWindowColor);
                PGridNode parent = treegridtest::AddText(*tree, nullptr, QStringLiteral("p"));
                treegridtest::AddText(*tree, parent, QStringLiteral("c"));
                parent->Align = std::uint8_t(align);

                // The button is all there is in the indentation: its pixels differ from the paper.
                const QImage image = Render(*tree);
                const QRgb paper = image.pixel(0, 0);
                QRect button;
                for (int y = 0; y < int(rowHeight); ++y)
                    for (int x = 0; x < int(indent); ++x)
                        if (image.pixel(x, y) != paper)
                            button |= QRect(x, y, 1, 1);
                ASSERT_FALSE(button.isEmpty());
                // Its top follows the rounded middle: (height - button) * align / 100, halves up.
                const int expectedTop = int(std::floor((int(rowHeight) - button.height()) * align / 100.0 + 0.5));
                EXPECT_EQ(button.top(), expectedTop);

                // Exactly on the button means on its pixels, and only there.
                for (int y = 0; y < int(rowHeight); ++y)
                    for (int x = 0; x < int(indent); ++x) {
                        const THitInfo hit = tree->GetHitTestInfoAt(x, y);
                        ASSERT_EQ(hit.HitPositions.contains(hiOnItemButtonExact), button.contains(x, y)) << x << "," << y;
                        ASSERT_TRUE(hit.HitPositions.contains(hiOnItemButton));
                    }
            }
        }
    }
}

TEST(TreeGridRowLayoutTest, AChangedImageListRepaintsTheRowsThatShowIt)
{
    auto tree = MakeTree();
    TImageList images(16, 16);
    images.Add(Square(QColor(0, 160, 0)));
    tree->SetImages(&images);
    tree->OnGetImage = [](TBaseTreeGrid *, PGridNode, TTGImageKind kind, TColumnIndex, bool &, int &index) {
        index = kind == ikNormal ? 0 : -1;
    };
    for (int i = 0; i < 3; ++i)
        treegridtest::AddText(*tree, nullptr, QStringLiteral("Row %1").arg(i));
    auto fresh = [&] { return tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto shown = [&] {
        QApplication::processEvents();
        const QImage shot = tree->screen()->grabWindow(tree->winId()).toImage();
        return shot.copy(QRect(tree->viewport()->mapTo(tree.get(), QPoint(0, 0)), tree->viewport()->size()))
            .convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = shown();
    EXPECT_EQ(before, fresh());

    // The owner draws the image anew: every tree that shows it follows.
    images.Delete(0);
    images.Add(Square(QColor(200, 0, 0)));
    const QImage after = shown();
    EXPECT_EQ(after, fresh());
    EXPECT_NE(after, before);

    // A list the tree no longer uses is none of its business.
    tree->SetImages(nullptr);
    const QImage without = shown();
    images.Delete(0);
    images.Add(Square(QColor(0, 0, 200)));
    tree->viewport()->update(); // would repaint anyway: the picture must stay the same
    EXPECT_EQ(shown(), without);
}
