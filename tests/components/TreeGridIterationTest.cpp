#include <gtest/gtest.h>

#include <QString>

#include <map>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/BaseTreeGrid.h"

using treegridtest::TreeIsConsistent;

namespace {

// A fixed tree, named by path:
//   A (A1, A2 (A21, A22)), B, C (C1)
class TNamedTree : public TBaseTreeGrid
{
public:
    TNamedTree()
    {
        SetNodeDataSize(4);
        OnInitNode = [this](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &) { ++Inits; };
        // Child counts create nodes without initialising anything.
        SetRootNodeCount(3);
        A = RootNode()->FirstChild;
        B = A->NextSibling;
        C = B->NextSibling;
        SetChildCount(A, 2);
        A1 = A->FirstChild;
        A2 = A->LastChild;
        SetChildCount(A2, 2);
        A21 = A2->FirstChild;
        A22 = A2->LastChild;
        SetChildCount(C, 1);
        C1 = C->FirstChild;
        Names = {{A, "A"}, {B, "B"}, {C, "C"}, {A1, "A1"}, {A2, "A2"}, {A21, "A21"}, {A22, "A22"}, {C1, "C1"}};
        Inits = 0;
    }
    ~TNamedTree() override { DestroyTree(); }

    using Step = PGridNode (TBaseTreeGrid::*)(PGridNode, bool);
    QString Walk(PGridNode start, Step step, bool considerChildrenAbove = false)
    {
        QStringList names;
        for (PGridNode run = start; run; run = (this->*step)(run, considerChildrenAbove))
            names << Names.at(run);
        return names.join(' ');
    }
    QString WalkVisible(bool considerChildrenAbove = true)
    {
        return Walk(GetFirstVisible(nullptr, considerChildrenAbove), &TBaseTreeGrid::GetNextVisible,
                    considerChildrenAbove);
    }
    QString WalkVisibleBack(bool considerChildrenAbove = true)
    {
        return Walk(GetLastVisible(nullptr, considerChildrenAbove), &TBaseTreeGrid::GetPreviousVisible,
                    considerChildrenAbove);
    }

    PGridNode A, B, C, A1, A2, A21, A22, C1;
    std::map<PGridNode, const char *> Names;
    int Inits = 0;
};

} // namespace

TEST(TreeGridIterationTest, AllNodesInTreeOrderAndPostOrder)
{
    TNamedTree tree;
    EXPECT_EQ(tree.Walk(tree.GetFirstNoInit(), &TBaseTreeGrid::GetNextNoInit), "A A1 A2 A21 A22 B C C1");
    EXPECT_EQ(tree.Inits, 0); // links only
    EXPECT_EQ(tree.Walk(tree.GetFirst(), &TBaseTreeGrid::GetNext), "A A1 A2 A21 A22 B C C1");
    EXPECT_EQ(tree.Inits, 8);
    EXPECT_EQ(tree.Walk(tree.GetLast(), &TBaseTreeGrid::GetPrevious), "C1 C B A22 A21 A2 A1 A");
    EXPECT_EQ(tree.GetLastNoInit(tree.A), tree.A22);
    EXPECT_EQ(tree.GetNext(tree.C1), nullptr);
    EXPECT_EQ(tree.GetNext(nullptr), nullptr);
    EXPECT_EQ(tree.GetPrevious(tree.A), nullptr);
    EXPECT_EQ(tree.GetNodeLevel(nullptr), 0u);
    EXPECT_EQ(tree.GetNodeLevel(tree.A21), 2u);

    // Children painted above their parent: post-order, but only when asked for.
    auto paint = tree.TreeOptions().PaintOptions();
    tree.TreeOptions().SetPaintOptions(paint + toChildrenAbove);
    EXPECT_EQ(tree.Walk(tree.GetFirst(false), &TBaseTreeGrid::GetNext, false), "A A1 A2 A21 A22 B C C1");
    EXPECT_EQ(tree.Walk(tree.GetFirst(true), &TBaseTreeGrid::GetNext, true), "A1 A21 A22 A2 A B C1 C");
    EXPECT_EQ(tree.Walk(tree.GetLast(nullptr, true), &TBaseTreeGrid::GetPrevious, true), "C C1 B A A2 A22 A21 A1");
    EXPECT_EQ(tree.Walk(tree.GetFirstNoInit(true), &TBaseTreeGrid::GetNextNoInit, true), "A1 A21 A22 A2 A B C1 C");
}

TEST(TreeGridIterationTest, InitialisedOnlyWalkSkipsFreshNodes)
{
    TNamedTree tree;
    tree.InitNode(tree.A2);
    tree.InitNode(tree.C);
    EXPECT_EQ(tree.Walk(tree.GetFirstInitialized(), &TBaseTreeGrid::GetNextInitialized), "A2 C");
    EXPECT_EQ(tree.Inits, 2);
}

TEST(TreeGridIterationTest, VisibleWalksFollowExpansionAndHiding)
{
    TNamedTree tree;
    EXPECT_EQ(tree.WalkVisible(), "A B C");
    EXPECT_EQ(tree.VisibleCount(), 3u);
    tree.SetExpanded(tree.A, true);
    tree.SetExpanded(tree.A2, true);
    EXPECT_EQ(tree.WalkVisible(), "A A1 A2 A21 A22 B C");
    EXPECT_EQ(tree.WalkVisibleBack(), "C B A22 A21 A2 A1 A");
    EXPECT_EQ(tree.VisibleCount(), 7u);

    // A filtered node (not visible) takes its subtree out of the rows.
    tree.SetIsVisible(tree.A2, false);
    EXPECT_EQ(tree.WalkVisible(), "A A1 B C");
    EXPECT_EQ(tree.WalkVisibleBack(), "C B A1 A");
    EXPECT_EQ(tree.VisibleCount(), 4u);
    EXPECT_FALSE(tree.IsVisible(tree.A2));
    EXPECT_TRUE(TreeIsConsistent(tree));
    // Starting from a node that is not a row continues with the next row after it.
    EXPECT_EQ(tree.GetNextVisible(tree.A21), tree.B);
    EXPECT_EQ(tree.GetPreviousVisible(tree.A22), tree.A1);
    EXPECT_EQ(tree.GetVisibleParent(tree.A21), tree.A);

    // vsHidden counts only while hidden nodes are not shown.
    tree.SetIsVisible(tree.A2, true);
    tree.SetIsHidden(tree.B, true);
    EXPECT_EQ(tree.WalkVisible(), "A A1 A2 A21 A22 C");
    auto paint = tree.TreeOptions().PaintOptions();
    tree.TreeOptions().SetPaintOptions(paint + toShowHiddenNodes);
    EXPECT_EQ(tree.WalkVisible(), "A A1 A2 A21 A22 B C");
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Post-order visible walk, forwards and backwards.
    tree.TreeOptions().SetPaintOptions(paint + toChildrenAbove);
    EXPECT_EQ(tree.WalkVisible(true), "A1 A21 A22 A2 A C");
    EXPECT_EQ(tree.WalkVisibleBack(true), "C A A2 A22 A21 A1");
    EXPECT_EQ(tree.WalkVisible(false), "A A1 A2 A21 A22 C");

    // Children and siblings, with and without hidden ones.
    tree.TreeOptions().SetPaintOptions(paint);
    EXPECT_EQ(tree.GetNextVisibleSibling(tree.A), tree.C);
    EXPECT_EQ(tree.GetNextVisibleSibling(tree.A, true), tree.B);
    EXPECT_EQ(tree.GetPreviousVisibleSibling(tree.C), tree.A);
    EXPECT_TRUE(tree.IsFirstVisibleChild(nullptr, tree.A));
    EXPECT_TRUE(tree.IsLastVisibleChild(tree.A2, tree.A22));
    EXPECT_TRUE(tree.HasVisibleNextSibling(tree.A));
    EXPECT_FALSE(tree.HasVisiblePreviousSibling(tree.A));
    EXPECT_EQ(tree.GetLastVisibleChild(tree.A), tree.A2);
    EXPECT_EQ(tree.CountVisibleChildren(tree.A), 4u);
    EXPECT_EQ(tree.CountVisibleChildren(tree.C), 0u);
    EXPECT_EQ(tree.CountLevelDifference(tree.A, tree.A21), 2);
    EXPECT_THROW(tree.CountLevelDifference(nullptr, tree.A), ETreeGridAssertion);
    EXPECT_TRUE(tree.HasAsParent(tree.A21, tree.A));
    EXPECT_FALSE(tree.HasAsParent(tree.A, tree.A));
    EXPECT_FALSE(tree.HasAsParent(nullptr, tree.A));
    EXPECT_THROW(tree.SetIsVisible(nullptr, false), ETreeGridAssertion);
    EXPECT_THROW(tree.FullyVisible(nullptr), ETreeGridAssertion);
    EXPECT_TRUE(tree.FullyVisible(tree.A21));
    tree.SetExpanded(tree.A, false);
    EXPECT_FALSE(tree.FullyVisible(tree.A21));
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridIterationTest, CollapsingRemovesRowsAndHeights)
{
    TNamedTree tree;
    PGridNode leaves = tree.AddChild(nullptr);
    tree.SetChildCount(leaves, 3);
    tree.SetExpanded(leaves, true);
    const std::uint32_t rows = tree.VisibleCount();
    const std::uint32_t height = tree.RootNode()->TotalHeight;
    int collapsed = 0;
    tree.OnCollapsed = [&](TBaseTreeGrid *, PGridNode) { ++collapsed; };
    tree.ToggleNode(leaves);
    EXPECT_EQ(collapsed, 1);
    EXPECT_EQ(tree.VisibleCount(), rows - 3);
    EXPECT_EQ(tree.RootNode()->TotalHeight, height - 3 * 18);

    // A refusing handler keeps the node open.
    tree.OnExpanding = [](TBaseTreeGrid *, PGridNode, bool &allowed) { allowed = false; };
    tree.ToggleNode(leaves);
    EXPECT_FALSE(tree.Expanded(leaves));
    tree.OnExpanding = nullptr;

    // Collapsing can free the children, keeping the flag so they come back on demand.
    tree.ToggleNode(leaves);
    auto autoOptions = tree.TreeOptions().AutoOptions();
    tree.TreeOptions().SetAutoOptions(autoOptions + toAutoFreeOnCollapse);
    tree.ToggleNode(leaves);
    EXPECT_EQ(leaves->ChildCount, 0u);
    EXPECT_TRUE(leaves->States.contains(vsHasChildren));
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridIterationTest, FullExpandAndCollapseCreateLazyChildren)
{
    TBaseTreeGrid empty;
    empty.FullExpand();
    EXPECT_EQ(empty.TotalCount(), 0u);

    TBaseTreeGrid tree;
    tree.SetNodeDataSize(4);
    tree.OnInitNode = [](TBaseTreeGrid *sender, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (sender->GetNodeLevel(node) < 2)
            states += ivsHasChildren;
    };
    tree.OnInitChildren = [](TBaseTreeGrid *, PGridNode, std::uint32_t &count) { count = 2; };
    tree.SetRootNodeCount(2);
    tree.FullExpand();
    EXPECT_EQ(tree.VisibleCount(), 2u + 4 + 8);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 15);
    EXPECT_TRUE(TreeIsConsistent(tree));
    tree.FullCollapse();
    EXPECT_EQ(tree.VisibleCount(), 2u);
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        EXPECT_FALSE(tree.Expanded(run));
    EXPECT_TRUE(TreeIsConsistent(tree));
    tree.FullExpand(tree.GetFirst());
    EXPECT_EQ(tree.VisibleCount(), 2u + 6);
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridIterationTest, HiddenChildrenFlagWaitsForEndUpdate)
{
    TNamedTree tree;
    EXPECT_FALSE(tree.C->States.contains(vsAllChildrenHidden));
    tree.BeginUpdate();
    tree.SetIsVisible(tree.C1, false);
    EXPECT_FALSE(tree.C->States.contains(vsAllChildrenHidden));
    EXPECT_TRUE(tree.TreeStates().contains(tsUpdateHiddenChildrenNeeded));
    tree.EndUpdate();
    EXPECT_TRUE(tree.C->States.contains(vsAllChildrenHidden));
    EXPECT_FALSE(tree.TreeStates().contains(tsUpdateHiddenChildrenNeeded));

    // Outside a bracket the flag follows at once; showing a child clears it.
    tree.SetIsVisible(tree.A1, false);
    EXPECT_FALSE(tree.A->States.contains(vsAllChildrenHidden));
    tree.SetIsVisible(tree.A2, false);
    EXPECT_TRUE(tree.A->States.contains(vsAllChildrenHidden));
    tree.SetIsVisible(tree.A1, true);
    EXPECT_FALSE(tree.A->States.contains(vsAllChildrenHidden));
}
