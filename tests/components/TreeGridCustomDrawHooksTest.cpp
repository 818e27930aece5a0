// The owner of a custom-drawn tree gives the margins of its cells' content and sizes and draws
// the hints of its nodes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>

#include <algorithm>
#include <memory>

#include <vector>

#include "Canvas.h"
#include "TreeGridTestSupport.h"
#include "treegrid/CustomDrawTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHintWindow.h"

namespace {

std::unique_ptr<TCustomDrawTreeGrid> MakeTree()
{
    auto tree = treegridtest::ShowTree<TCustomDrawTreeGrid>(300, 200);
    tree->Header()->Columns()->Add()->SetWidth(150);
    tree->Header()->Columns()->Add()->SetWidth(150);
    tree->SetRootNodeCount(3);
    tree->activateWindow();
    QApplication::setActiveWindow(tree.get());
    tree->setFocus();
    QApplication::processEvents();
    return tree;
}

// What a pointer resting at a client point of the rows brings up.
TTreeGridHintWindow *HintAt(TBaseTreeGrid &tree, QPoint p)
{
    QHelpEvent help(QEvent::ToolTip, p, tree.viewport()->mapToGlobal(p));
    QApplication::sendEvent(tree.viewport(), &help);
    TTreeGridHintWindow *window = tree.HintWindow();
    return window && window->isVisible() ? window : nullptr;
}

} // namespace

TEST(TreeGridCustomDrawHooksTest, TheOwnerGivesTheContentMargins)
{
    auto tree = MakeTree();
    PGridNode node = tree->GetFirst();
    const QRect plain = tree->GetDisplayRect(node, 1, true, false, true);
    const int plainWidth = tree->GetMaxColumnWidth(1);

    std::vector<TTGCellContentMarginType> asked;
    tree->OnGetCellContentMargin = [&](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex column,
                                       TTGCellContentMarginType type, QPoint &margin) {
        asked.push_back(type);
        EXPECT_EQ(margin, QPoint(0, 0)) << "the margins start at none";
        if (column != 1)
            return;
        switch (type) {
        case ccmtTopLeftOnly: margin = QPoint(3, 2); break;
        case ccmtBottomRightOnly: margin = QPoint(5, 4); break;
        default: margin = QPoint(8, 6); break;
        }
    };
    // The cell's content rectangle (as hints place it) loses the margins on every side.
    const QRect inside = tree->GetDisplayRect(node, 1, true, false, true);
    EXPECT_EQ(inside.top(), plain.top() + 2);
    EXPECT_EQ(inside.bottom(), plain.bottom() - 4);
    EXPECT_GE(inside.left(), plain.left() + 3);
    // Fitting a column makes room for both sides.
    EXPECT_EQ(tree->GetMaxColumnWidth(1), plainWidth + 8);
    for (TTGCellContentMarginType type : {ccmtTopLeftOnly, ccmtBottomRightOnly, ccmtAllSides})
        EXPECT_NE(std::find(asked.begin(), asked.end(), type), asked.end());
}

TEST(TreeGridCustomDrawHooksTest, TheOwnerSizesAndDrawsTheHintsOfNodes)
{
    auto tree = MakeTree();
    tree->SetHintMode(hmHint);
    const QPoint overSecond = tree->GetDisplayRect(tree->GetFirst()->NextSibling, 0, false).center();

    // Without a text and without the owner's drawing there is nothing to show.
    EXPECT_EQ(HintAt(*tree, overSecond), nullptr);

    std::vector<std::pair<PGridNode, TColumnIndex>> drawn;
    tree->OnGetHintSize = [](TBaseTreeGrid *, PGridNode, TColumnIndex, QRect &r) { r = QRect(0, 0, 50, 20); };
    tree->OnDrawHint = [&](TBaseTreeGrid *, TCanvas &canvas, PGridNode node, const QRect &r, TColumnIndex column) {
        drawn.emplace_back(node, column);
        canvas.Brush().SetColor(clRed);
        canvas.FillRect(r);
    };
    TTreeGridHintWindow *window = HintAt(*tree, overSecond);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(50, 20));
    EXPECT_EQ(drawn, (std::vector<std::pair<PGridNode, TColumnIndex>>{{tree->GetFirst()->NextSibling, 0}}));
    const QImage shown = window->grab().toImage();
    EXPECT_EQ(shown.pixelColor(25, 10), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::red)) << "the owner drew the whole hint";

    // The tree's own hint belongs to no node: it is drawn as usual.
    tree->CancelHint();
    tree->SetHintMode(hmDefault);
    tree->SetHint(QStringLiteral("The tree's own hint"));
    window = HintAt(*tree, overSecond);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Text(), QStringLiteral("The tree's own hint"));
    EXPECT_EQ(drawn.size(), 1u);
}
