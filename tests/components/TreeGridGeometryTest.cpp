#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>

#include <memory>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

using treegridtest::LookupsAgree;
using treegridtest::WaitForValidation;

namespace {

// A shown string tree without frame, so that the client area is the widget less its bars.
class TGeometryTree : public TStringTreeGrid
{
public:
    using TStringTreeGrid::DoValidateCache;
    using TStringTreeGrid::FVisibleCount;
    using TStringTreeGrid::DoStateChange;
    using TStringTreeGrid::FStates;
    using TStringTreeGrid::FStopValidationFlag;
    void ThumbTrackingForTest(bool tracking) { ThumbTracking(tracking); }
};

std::unique_ptr<TGeometryTree> MakeTree(int width = 300, int height = 200)
{
    return treegridtest::ShowTree<TGeometryTree>(width, height);
}

// Top-level rows of varying height, some with three expanded children.
void FillVaried(TBaseTreeGrid &tree, std::uint32_t count)
{
    tree.BeginUpdate();
    tree.SetRootNodeCount(count);
    std::uint32_t i = 0;
    for (PGridNode run = tree.GetFirstNoInit(); run; run = run->NextSibling, ++i) {
        tree.SetNodeHeight(run, 10 + i % 7);
        if (i % 50 == 0) {
            tree.SetChildCount(run, 3);
            tree.SetExpanded(run, true);
        }
    }
    tree.EndUpdate();
}

} // namespace

TEST(TreeGridGeometryTest, OffsetsClampAndTheBarsFollowBothWays)
{
    auto tree = MakeTree();
    tree->SetRootNodeCount(100); // 1800 pixels of rows
    QApplication::processEvents();
    QScrollBar *bar = tree->verticalScrollBar();
    const int clientHeight = tree->ClientHeight();
    EXPECT_EQ(tree->RangeY(), 1800);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 1800 - clientHeight);

    tree->SetOffsetY(100);
    EXPECT_EQ(tree->OffsetY(), 0);
    tree->SetOffsetY(-1000000);
    EXPECT_EQ(tree->OffsetY(), clientHeight - 1800);
    EXPECT_EQ(bar->value(), 1800 - clientHeight);
    tree->SetOffsetY(-250);
    EXPECT_EQ(bar->value(), 250);

    // The bar moves the offset: a line step is 20 pixels, a page the client height.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(tree->OffsetY(), -270);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(tree->OffsetY(), std::min(0, -270 + clientHeight));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(tree->OffsetY(), clientHeight - 1800);
    bar->setValue(40);
    EXPECT_EQ(tree->OffsetY(), -40);

    // Thumb tracking leaves the bar alone until the thumb is released.
    tree->ThumbTrackingForTest(true);
    tree->SetOffsetY(-60);
    EXPECT_EQ(bar->value(), 40);
    tree->ThumbTrackingForTest(false);
    EXPECT_EQ(bar->value(), 60);

    // Horizontally the range is the columns' total width.
    TTreeGridColumns *columns = tree->Header()->Columns();
    for (int i = 0; i < 4; ++i)
        columns->Add()->SetWidth(150);
    QApplication::processEvents();
    EXPECT_EQ(tree->RangeX(), 600);
    QScrollBar *hbar = tree->horizontalScrollBar();
    EXPECT_TRUE(hbar->isVisible());
    tree->SetOffsetX(-100000);
    EXPECT_EQ(tree->OffsetX(), tree->ClientWidth() - 600);
    EXPECT_EQ(tree->EffectiveOffsetX(), 600 - tree->ClientWidth());
    EXPECT_EQ(hbar->value(), 600 - tree->ClientWidth());
    hbar->setValue(30);
    EXPECT_EQ(tree->OffsetX(), -30);
    tree->SetOffsetX(5);
    EXPECT_EQ(tree->OffsetX(), 0);

    // Fewer rows than the client height: the offset snaps back and the bar goes.
    tree->SetOffsetY(-500);
    tree->SetRootNodeCount(3);
    QApplication::processEvents();
    EXPECT_EQ(tree->OffsetY(), 0);
    EXPECT_FALSE(bar->isVisible());
}

TEST(TreeGridGeometryTest, EmptyTreeBottomSpaceAndAlwaysVisibleBars)
{
    auto tree = MakeTree();
    tree->UpdateScrollBars(true);
    EXPECT_EQ(tree->RangeY(), 0);
    EXPECT_FALSE(tree->verticalScrollBar()->isVisible());
    tree->ScrollBarOptions().SetAlwaysVisible(true);
    QApplication::processEvents();
    EXPECT_TRUE(tree->verticalScrollBar()->isVisible());
    EXPECT_FALSE(tree->verticalScrollBar()->isEnabled());
    tree->ScrollBarOptions().SetAlwaysVisible(false);
    EXPECT_THROW(tree->ScrollBarOptions().SetScrollBarStyle(sbmFlat), ETreeGridAssertion);

    std::vector<bool> shown;
    tree->OnShowScrollbar = [&](TBaseTreeGrid *, TScrollBarKind bar, bool show) {
        if (bar == sbVertical)
            shown.push_back(show);
    };
    tree->SetRootNodeCount(40);
    tree->SetBottomSpace(50);
    QApplication::processEvents();
    EXPECT_EQ(tree->RangeY(), 40 * 18 + 50);
    tree->SetOffsetY(-1000000);
    // The last row's bottom stands 50 pixels above the client bottom.
    const QRect last = tree->GetDisplayRect(tree->GetLastVisible(), NoColumn, false);
    EXPECT_EQ(RectBottom(last), tree->ClientHeight() - 50);
    EXPECT_EQ(shown, std::vector<bool>{true});

    tree->ScrollBarOptions().SetScrollBars(ssNone);
    QApplication::processEvents();
    EXPECT_FALSE(tree->verticalScrollBar()->isVisible());
    EXPECT_EQ(shown, (std::vector<bool>{true, false}));
    EXPECT_EQ(tree->OffsetY(), tree->ClientHeight() - tree->RangeY());
}

TEST(TreeGridGeometryTest, NodeAtAndDisplayRectAgreeBelowAndAboveTheCacheLimit)
{
    for (std::uint32_t count : {600u, 2300u}) {
        SCOPED_TRACE(count);
        auto tree = MakeTree();
        FillVaried(*tree, count);
        ASSERT_TRUE(WaitForValidation(*tree));
        EXPECT_EQ(tree->TreeStates().contains(tsUseCache), tree->VisibleCount() > TBaseTreeGrid::PositionCacheStep);
        // Scrolled, so that rows above, inside and below the view are looked up.
        tree->SetOffsetY(-int(tree->RangeY() / 2));
        EXPECT_TRUE(LookupsAgree(*tree));
        // Negative positions count as the top.
        tree->SetOffsetY(0);
        EXPECT_EQ(tree->GetNodeAt(0, -5), tree->GetFirstVisible());
        EXPECT_EQ(tree->TopNode(), tree->GetFirstVisible());
    }
}

TEST(TreeGridGeometryTest, ChildrenAboveTheirParentAgreeToo)
{
    auto tree = MakeTree();
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() + toChildrenAbove);
    FillVaried(*tree, 2100);
    ASSERT_TRUE(WaitForValidation(*tree));
    ASSERT_TRUE(tree->TreeStates().contains(tsUseCache));
    EXPECT_TRUE(LookupsAgree(*tree, 7));
}

TEST(TreeGridGeometryTest, ATailEntryHoldingABottomIsNeverAStart)
{
    // A walk that ends before the promised count appends the last node with its bottom.
    auto tree = MakeTree();
    tree->SetRootNodeCount(2500);
    ASSERT_TRUE(WaitForValidation(*tree));
    tree->InterruptValidation();
    tree->FVisibleCount = 6500;
    tree->FStopValidationFlag = false;
    ASSERT_TRUE(tree->DoValidateCache());
    tree->FVisibleCount = 2500;
    tree->DoStateChange({tsUseCache});
    const auto &cache = tree->PositionCache();
    ASSERT_EQ(cache.size(), 3u);
    EXPECT_TRUE(cache[2].HoldsBottom);
    EXPECT_EQ(cache[2].Node, tree->GetLastVisible());
    EXPECT_EQ(cache[2].AbsoluteTop, 2500 * 18);

    EXPECT_EQ(tree->GetNodeTop(tree->GetLastVisible()), 2499 * 18);
    int top = 0;
    EXPECT_EQ(tree->GetNodeAt(0, 2499 * 18 + 3, false, top), tree->GetLastVisible());
    EXPECT_EQ(top, 2499 * 18);
    EXPECT_EQ(tree->GetNodeAt(0, 2500 * 18, false, top), nullptr);
    EXPECT_EQ(tree->GetNodeAt(0, 2500 * 18 + 100, false, top), nullptr);
}

TEST(TreeGridGeometryTest, HitPositionsInsideACell)
{
    auto tree = MakeTree(400, 200);
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toCheckSupport);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) { text = "Text"; };
    tree->SetRootNodeCount(3);
    PGridNode first = tree->GetFirst();
    tree->SetChildCount(first, 2);
    tree->SetExpanded(first, true);
    tree->SetCheckType(first, TCheckType::ctCheckBox);
    PGridNode child = tree->GetFirstChild(first);

    // First row: indentation of one level (toShowRoot), button in it, then margin and check box.
    const int indent = int(tree->Indent());
    const int textWidth = tree->DoGetNodeWidth(first, NoColumn);
    auto hit = [&](int x, int y) { return tree->GetHitTestInfoAt(x, y); };
    EXPECT_TRUE(hit(indent / 2, 5).HitPositions.contains(hiOnItemButton));
    EXPECT_TRUE(hit(indent / 2, 5).HitPositions.contains(hiOnItemButtonExact));
    EXPECT_FALSE(hit(1, 5).HitPositions.contains(hiOnItemButtonExact));
    EXPECT_EQ(hit(indent / 2, 5).HitNode, first);
    const int checkLeft = indent + tree->Margin();
    EXPECT_TRUE(hit(checkLeft + 3, 5).HitPositions.contains(hiOnItemCheckbox));
    const int textLeft = checkLeft + 16 + 2;
    EXPECT_TRUE(hit(textLeft + 2, 5).HitPositions.contains(hiOnItemLabel));
    EXPECT_TRUE(hit(textLeft + textWidth + 10, 5).HitPositions.contains(hiOnItemRight));

    // The child: two levels of indentation without a button.
    const int childY = 18 + 5;
    EXPECT_EQ(hit(indent + 3, childY).HitNode, child);
    EXPECT_TRUE(hit(indent + 3, childY).HitPositions.contains(hiOnItemIndent));
    EXPECT_TRUE(hit(2 * indent + tree->Margin() + 3, childY).HitPositions.contains(hiOnItemLabel));

    // A right-aligned text leaves space on its left.
    tree->SetAlignment(Qt::AlignRight);
    EXPECT_TRUE(hit(2 * indent + tree->Margin() + 3, childY).HitPositions.contains(hiOnItemLeft));
    tree->SetAlignment(Qt::AlignLeft);

    // Outside the rows.
    EXPECT_TRUE(hit(-1, 5).HitPositions.contains(hiToLeft));
    EXPECT_EQ(hit(-1, 5).HitNode, nullptr);
    EXPECT_TRUE(hit(5, 5 * 18 + 2).HitPositions.contains(hiNowhere));
    EXPECT_TRUE(hit(5, -3).HitPositions.contains(hiAbove));

    // Columns: the hit column and offsets inside it.
    TTreeGridColumns *columns = tree->Header()->Columns();
    columns->Add()->SetWidth(150);
    columns->Add()->SetWidth(150);
    const THitInfo second = hit(160, 5);
    EXPECT_EQ(second.HitColumn, 1);
    EXPECT_TRUE(second.HitPositions.contains(hiOnItemLabel)) << second.HitPositions.bits();
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toReportMode);
    EXPECT_EQ(hit(160, 5).HitPositions, THitPositions{hiOnItem});
}

TEST(TreeGridGeometryTest, ScrollIntoViewOnlyWhenNeeded)
{
    auto tree = MakeTree(300, 200);
    tree->SetRootNodeCount(200);
    QApplication::processEvents();
    const int clientHeight = tree->ClientHeight();
    PGridNode node = tree->GetFirst();
    EXPECT_FALSE(tree->ScrollIntoView(node, false));
    EXPECT_EQ(tree->OffsetY(), 0);

    PGridNode far = tree->RootNode()->LastChild->PrevSibling; // row 198
    EXPECT_TRUE(tree->ScrollIntoView(far, false));
    QRect r = tree->GetDisplayRect(far, NoColumn, false);
    EXPECT_EQ(RectBottom(r), clientHeight);
    EXPECT_FALSE(tree->ScrollIntoView(far, false));

    // Centring puts a row above the view with its top at the middle, never both branches.
    EXPECT_TRUE(tree->ScrollIntoView(tree->RootNode()->FirstChild->NextSibling, true));
    r = tree->GetDisplayRect(tree->RootNode()->FirstChild->NextSibling, NoColumn, false);
    EXPECT_EQ(r.top(), 18); // clamped: the first rows cannot move further down
    PGridNode middle = tree->GetFirst();
    for (int i = 0; i < 100; ++i)
        middle = tree->GetNextSibling(middle);
    EXPECT_TRUE(tree->ScrollIntoView(middle, true));
    r = tree->GetDisplayRect(middle, NoColumn, false);
    EXPECT_EQ(RectBottom(r), clientHeight / 2);

    // Collapsed ancestors are expanded first.
    PGridNode parent = tree->GetFirst();
    tree->SetChildCount(parent, 3);
    PGridNode child = tree->GetLastChild(parent);
    EXPECT_TRUE(tree->ScrollIntoView(child, false));
    EXPECT_TRUE(tree->Expanded(parent));
    r = tree->GetDisplayRect(child, NoColumn, false);
    EXPECT_GE(r.top(), 0);
    EXPECT_LE(RectBottom(r), clientHeight);

    // Columns: a column right of the view comes to its right edge.
    TTreeGridColumns *columns = tree->Header()->Columns();
    for (int i = 0; i < 5; ++i)
        columns->Add()->SetWidth(120);
    QApplication::processEvents();
    EXPECT_TRUE(tree->ScrollIntoView(3, false));
    int left = 0, right = 0;
    columns->GetColumnBounds(3, left, right);
    EXPECT_EQ(right, tree->ClientWidth());
    EXPECT_FALSE(tree->ScrollIntoView(7, false));
}

TEST(TreeGridGeometryTest, TopAndBottomNode)
{
    auto tree = MakeTree(300, 200);
    tree->SetRootNodeCount(100);
    QApplication::processEvents();
    PGridNode node = tree->GetFirst();
    for (int i = 0; i < 50; ++i)
        node = tree->GetNextSibling(node);
    tree->SetTopNode(node);
    EXPECT_EQ(tree->TopNode(), node);
    EXPECT_EQ(tree->OffsetY(), -900);
    tree->SetBottomNode(node);
    EXPECT_EQ(tree->BottomNode(), node);
    EXPECT_EQ(RectBottom(tree->GetDisplayRect(node, NoColumn, false)), tree->ClientHeight());
}

TEST(TreeGridGeometryTest, FocusDefaultHeightAndExpansionKeepRowsInView)
{
    auto tree = MakeTree(300, 200);
    tree->SetRootNodeCount(100);
    QApplication::processEvents();
    const int clientHeight = tree->ClientHeight();

    PGridNode target = tree->GetFirst();
    for (int i = 0; i < 60; ++i)
        target = tree->GetNextSibling(target);
    tree->SetFocusedNode(target);
    QRect r = tree->GetDisplayRect(target, NoColumn, false);
    EXPECT_EQ(RectBottom(r), clientHeight);

    // No scrolling under toDisableAutoscrollOnFocus.
    tree->SetOffsetY(0);
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() + toDisableAutoscrollOnFocus);
    tree->SetFocusedNode(tree->GetNextSibling(target));
    EXPECT_EQ(tree->OffsetY(), 0);
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() - toDisableAutoscrollOnFocus);

    // A new default height keeps the focused node in view.
    tree->SetFocusedNode(target);
    tree->SetDefaultNodeHeight(30); // only the root changes; rows keep theirs
    for (PGridNode run = tree->GetFirst(); run; run = tree->GetNextSibling(run))
        tree->SetNodeHeight(run, 30);
    tree->SetDefaultNodeHeight(28);
    r = tree->GetDisplayRect(target, NoColumn, false);
    EXPECT_GE(r.top(), 0);
    EXPECT_LE(RectBottom(r), clientHeight);

    // Expanding near the bottom scrolls the new children into view, keeping the node.
    PGridNode parent = tree->GetFirst();
    for (int i = 0; i < 80; ++i)
        parent = tree->GetNextSibling(parent);
    tree->SetTopNode(parent);
    tree->SetOffsetY(tree->OffsetY() + clientHeight - 60); // the parent's top 60 px above the bottom
    tree->SetChildCount(parent, 10);
    tree->SetExpanded(parent, true);
    r = tree->GetDisplayRect(parent, NoColumn, false);
    EXPECT_EQ(r.top(), 0); // ten children do not fit: the parent goes to the top
    tree->SetExpanded(parent, false);
    tree->SetChildCount(parent, 2);
    tree->SetOffsetY(-(30 * 80) + clientHeight - 60);
    tree->SetExpanded(parent, true);
    EXPECT_EQ(RectBottom(tree->GetDisplayRect(tree->GetLastChild(parent), NoColumn, false)), clientHeight);
}

TEST(TreeGridGeometryTest, HeaderMarginPushesRowsDown)
{
    auto tree = MakeTree(300, 200);
    TTreeGridHeader *header = tree->Header();
    header->Columns()->Add()->SetWidth(100);
    EXPECT_TRUE(tree->HeaderRect().isNull());
    const int before = tree->viewport()->geometry().top();
    header->SetOptions(header->Options() + hoVisible);
    QApplication::processEvents();
    EXPECT_EQ(tree->viewport()->geometry().top(), before + header->Height());
    EXPECT_EQ(tree->HeaderRect().height(), header->Height());
    EXPECT_EQ(RectBottom(tree->HeaderRect()), tree->viewport()->geometry().top());
    header->SetHeight(30);
    QApplication::processEvents();
    EXPECT_EQ(tree->viewport()->geometry().top(), before + 30);
    header->SetOptions(header->Options() - hoVisible);
    QApplication::processEvents();
    EXPECT_EQ(tree->viewport()->geometry().top(), before);
}

TEST(TreeGridGeometryTest, InvalidateNodeGivesTheRowRectangle)
{
    auto tree = MakeTree(300, 200);
    tree->SetRootNodeCount(20);
    PGridNode third = tree->GetNextSibling(tree->GetNextSibling(tree->GetFirst()));
    const QRect r = tree->InvalidateNode(third);
    EXPECT_EQ(r.top(), 36);
    EXPECT_EQ(r.height(), 18);
    EXPECT_EQ(r.left(), 0);
    EXPECT_GE(r.width(), tree->ClientWidth());
    tree->BeginUpdate();
    EXPECT_TRUE(tree->InvalidateNode(third).isNull());
    tree->EndUpdate();

    // Rows looked up one after another, then a row above them grows: tops follow.
    PGridNode tenth = third;
    for (int i = 0; i < 7; ++i)
        tenth = tree->GetNextSibling(tenth);
    EXPECT_EQ(tree->InvalidateNode(tenth).top(), 9 * 18);
    EXPECT_EQ(tree->InvalidateNode(tenth).top(), 9 * 18);
    tree->SetNodeHeight(third, 30);
    EXPECT_EQ(tree->InvalidateNode(tenth).top(), 9 * 18 + 12);
    tree->SetIsVisible(tree->GetFirst(), false);
    EXPECT_EQ(tree->InvalidateNode(tenth).top(), 8 * 18 + 12);
}

TEST(TreeGridGeometryTest, MaxColumnWidthAndRightExtend)
{
    auto tree = MakeTree(300, 200);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = QString(int(node->Index) + 1, QChar('M'));
    };
    tree->SetRootNodeCount(5);
    const int widest = tree->DoGetNodeWidth(tree->RootNode()->LastChild, NoColumn);
    EXPECT_EQ(tree->GetMaxRightExtend(), int(tree->Indent()) + widest + tree->Margin());
    tree->Header()->Columns()->Add()->SetWidth(50);
    tree->Header()->Columns()->Add()->SetWidth(50);
    EXPECT_EQ(tree->GetMaxColumnWidth(0), int(tree->Indent()) + tree->Margin() + widest);
    EXPECT_EQ(tree->GetMaxColumnWidth(1), tree->Margin() + tree->DoGetNodeWidth(tree->RootNode()->LastChild, 1));
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() + toShowVertGridLines);
    EXPECT_EQ(tree->GetMaxColumnWidth(1), tree->Margin() + tree->DoGetNodeWidth(tree->RootNode()->LastChild, 1) + 1);
}

