#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridWorkerThread.h"

using treegridtest::ExpectedCache;
using treegridtest::TreeIsConsistent;
using treegridtest::WaitForValidation;

namespace {

::testing::AssertionResult cacheIsCurrent(TBaseTreeGrid &tree)
{
    if (!tree.TreeStates().contains(tsUseCache))
        return ::testing::AssertionFailure() << "cache not in use";
    const auto expected = ExpectedCache(tree);
    const auto &actual = tree.PositionCache();
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "entries " << actual.size() << ", expected " << expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (actual[i].Node != expected[i].Node || actual[i].AbsoluteTop != expected[i].AbsoluteTop)
            return ::testing::AssertionFailure() << "entry " << i << " differs";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(TreeGridWorkerTest, CacheOnlyAboveTwoThousandVisibleNodes)
{
    TBaseTreeGrid tree;
    tree.SetNodeDataSize(4);
    tree.SetRootNodeCount(2000);
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_TRUE(tree.PositionCache().empty());
    EXPECT_FALSE(tree.TreeStates().contains(tsUseCache));
    EXPECT_TRUE(tree.TreeStates().contains(tsValidationNeeded));

    tree.AddChild(nullptr);
    ASSERT_TRUE(WaitForValidation(tree));
    ASSERT_EQ(tree.PositionCache().size(), 2u);
    EXPECT_EQ(tree.PositionCache()[0].Node, tree.GetFirstNoInit());
    EXPECT_EQ(tree.PositionCache()[0].AbsoluteTop, 0);
    EXPECT_EQ(tree.PositionCache()[1].Node, tree.RootNode()->LastChild);
    EXPECT_EQ(tree.PositionCache()[1].AbsoluteTop, 2000 * 18);
    EXPECT_TRUE(tree.TreeStates().contains(tsUseCache));
    EXPECT_FALSE(tree.TreeStates().intersects({tsValidating, tsValidationNeeded, tsStopValidation}));

    // Heights before an entry move its top; nested expanded rows count in tree order.
    PGridNode first = tree.GetFirstNoInit();
    tree.SetNodeHeight(first, 40);
    tree.SetChildCount(first, 2000);
    tree.SetExpanded(first, true);
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_EQ(tree.VisibleCount(), 4001u);
    ASSERT_EQ(tree.PositionCache().size(), 3u);
    EXPECT_EQ(tree.PositionCache()[1].AbsoluteTop, 40 + 1999 * 18);
    EXPECT_EQ(tree.PositionCache()[1].Node, first->LastChild);
    EXPECT_TRUE(cacheIsCurrent(tree));

    // Any structural change drops the cache until it was validated again.
    tree.DeleteNode(first->FirstChild);
    EXPECT_FALSE(tree.TreeStates().contains(tsUseCache));
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_TRUE(cacheIsCurrent(tree));
}

TEST(TreeGridWorkerTest, ChildrenAboveOrderAndBracketedChanges)
{
    TBaseTreeGrid tree;
    tree.SetNodeDataSize(4);
    auto paint = tree.TreeOptions().PaintOptions();
    tree.TreeOptions().SetPaintOptions(paint + toChildrenAbove);
    tree.BeginUpdate();
    tree.SetRootNodeCount(30);
    for (PGridNode run = tree.GetFirstNoInit(); run; run = run->NextSibling) {
        tree.SetChildCount(run, 100);
        tree.SetExpanded(run, true);
    }
    // Nothing is validated while the bracket is open.
    EXPECT_FALSE(tree.TreeStates().contains(tsUseCache));
    tree.EndUpdate();
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_EQ(tree.VisibleCount(), 3030u);
    // Post-order: the first row is the first child of the first node.
    EXPECT_EQ(tree.PositionCache()[0].Node, tree.GetFirstNoInit()->FirstChild);
    EXPECT_TRUE(cacheIsCurrent(tree));
}

TEST(TreeGridWorkerTest, ReportsOfAnInterruptedValidationAreIgnored)
{
    TBaseTreeGrid tree;
    tree.SetNodeDataSize(4);
    tree.SetRootNodeCount(50000);
    ASSERT_TRUE(WaitForValidation(tree));
    ASSERT_TRUE(cacheIsCurrent(tree));

    // Change the tree many times without letting the reports in between arrive; the cache is
    // used only once it matches the last state.
    for (int round = 0; round < 20; ++round) {
        tree.ValidateCache();
        tree.SetIsVisible(tree.GetFirstNoInit(), round % 2 == 0);
        tree.DeleteNode(tree.RootNode()->LastChild);
    }
    EXPECT_FALSE(tree.TreeStates().contains(tsUseCache));
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_TRUE(cacheIsCurrent(tree));
}

TEST(TreeGridWorkerTest, StressDeletingAndHidingWhileValidating)
{
    std::mt19937 random(12345);
    auto tree = std::make_unique<TBaseTreeGrid>();
    auto second = std::make_unique<TBaseTreeGrid>();
    tree->SetNodeDataSize(8);
    second->SetNodeDataSize(8);
    tree->SetRootNodeCount(300);
    second->SetRootNodeCount(5000);
    for (PGridNode run = tree->GetFirstNoInit(); run; run = run->NextSibling) {
        tree->SetChildCount(run, 40);
        tree->SetExpanded(run, true);
    }
    EXPECT_TRUE(TreeIsConsistent(*tree));

    auto pick = [&](TBaseTreeGrid &t) -> PGridNode {
        if (t.RootNodeCount() == 0)
            return nullptr;
        std::uniform_int_distribution<std::uint32_t> top(0, t.RootNodeCount() - 1);
        PGridNode node = t.RootNode()->FirstChild;
        for (std::uint32_t i = top(random); i > 0 && node; --i)
            node = node->NextSibling;
        if (node && node->FirstChild && random() % 2)
            node = node->FirstChild->NextSibling ? node->FirstChild->NextSibling : node->FirstChild;
        return node;
    };

    for (int step = 0; step < 400; ++step) {
        // Queue both trees, then change them while the worker walks.
        tree->InvalidateCache();
        tree->ValidateCache();
        second->InvalidateCache();
        second->ValidateCache();
        // Sometimes give the worker a head start so that it is inside the walk.
        if (step % 3 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
        switch (random() % 6) {
        case 0:
            tree->DeleteNode(pick(*tree));
            break;
        case 1:
            if (PGridNode node = pick(*tree))
                tree->SetIsVisible(node, !tree->IsVisible(node));
            break;
        case 2:
            if (PGridNode node = pick(*tree))
                tree->ToggleNode(node);
            break;
        case 3:
            if (PGridNode node = pick(*tree))
                tree->SetNodeHeight(node, 10 + random() % 30);
            break;
        case 4:
            if (PGridNode node = pick(*tree))
                tree->SetChildCount(node, random() % 50);
            break;
        default:
            second->DeleteNode(pick(*second));
            break;
        }
        if (step % 25 == 0)
            QCoreApplication::processEvents();
    }
    EXPECT_TRUE(TreeIsConsistent(*tree));
    tree->ValidateCache();
    second->ValidateCache();
    ASSERT_TRUE(WaitForValidation(*tree));
    ASSERT_TRUE(WaitForValidation(*second));
    if (tree->VisibleCount() > TBaseTreeGrid::PositionCacheStep) {
        EXPECT_TRUE(cacheIsCurrent(*tree));
    }
    EXPECT_TRUE(cacheIsCurrent(*second));

    // Destroying a tree while it is queued or being validated waits for the worker.
    tree->InvalidateCache();
    tree->ValidateCache();
    tree.reset();
    second->InvalidateCache();
    second->ValidateCache();
    second.reset();
    QCoreApplication::processEvents();
}

TEST(TreeGridWorkerTest, LastTreeEndsTheWorker)
{
    {
        TBaseTreeGrid a;
        ASSERT_NE(TWorkerThread::Instance(), nullptr);
        {
            TBaseTreeGrid b;
            EXPECT_EQ(TWorkerThread::Instance()->RefCount(), 2u);
        }
        EXPECT_EQ(TWorkerThread::Instance()->RefCount(), 1u);
    }
    EXPECT_EQ(TWorkerThread::Instance(), nullptr);
    // A later tree gets a new worker.
    TBaseTreeGrid c;
    c.SetNodeDataSize(4);
    c.SetRootNodeCount(2500);
    ASSERT_NE(TWorkerThread::Instance(), nullptr);
    ASSERT_TRUE(WaitForValidation(c));
    EXPECT_TRUE(cacheIsCurrent(c));
}

TEST(TreeGridWorkerTest, VariableHeightsAreMeasuredOnTheGuiThread)
{
    TBaseTreeGrid tree;
    tree.SetNodeDataSize(4);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() + toVariableNodeHeight);
    const auto gui = std::this_thread::get_id();
    int offThread = 0;
    int initialised = 0;
    tree.OnInitNode = [&](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &) { ++initialised; };
    tree.OnMeasureItem = [&](TBaseTreeGrid *, QPainter *, PGridNode node, int &height) {
        if (std::this_thread::get_id() != gui)
            ++offThread;
        height = 10 + int(node->Index % 7);
    };
    tree.SetRootNodeCount(6000);
    ASSERT_TRUE(WaitForValidation(tree));
    EXPECT_EQ(offThread, 0);
    EXPECT_EQ(initialised, 6000);
    EXPECT_TRUE(cacheIsCurrent(tree));
    std::int64_t expectedTop = 0;
    for (PGridNode run = tree.GetFirstNoInit(); run && run->Index < 2000; run = run->NextSibling)
        expectedTop += 10 + run->Index % 7;
    EXPECT_EQ(tree.PositionCache()[1].AbsoluteTop, expectedTop);
    EXPECT_TRUE(TreeIsConsistent(tree));
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.RangeY(), std::int64_t(tree.RootNode()->TotalHeight) - tree.RootNode()->NodeHeight);
}
