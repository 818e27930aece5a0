#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/BaseTreeGrid.h"

using treegridtest::TreeIsConsistent;

namespace {

struct TStructureCall {
    PGridNode Node;
    TChangeReason Reason;
};

class TUpdateTree : public TBaseTreeGrid
{
public:
    TUpdateTree()
    {
        SetNodeDataSize(4);
        OnUpdating = [this](TBaseTreeGrid *, TTGUpdateState state) { Updating.push_back(state); };
        OnStructureChange = [this](TBaseTreeGrid *, PGridNode node, TChangeReason reason) {
            Structure.push_back({node, reason});
        };
        OnChange = [this](TBaseTreeGrid *, PGridNode node) { Changes.push_back(node); };
    }
    ~TUpdateTree() override { DestroyTree(); }

    using TBaseTreeGrid::Change;

    std::vector<TTGUpdateState> Updating;
    std::vector<TStructureCall> Structure;
    std::vector<PGridNode> Changes;
};

// Runs the event loop for a while so that the change timers can fire.
void spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(TreeGridUpdateTest, BracketNestsAndReportsEachLevel)
{
    TUpdateTree tree;
    tree.BeginUpdate();
    tree.BeginUpdate();
    EXPECT_EQ(tree.UpdateCount(), 2u);
    EXPECT_TRUE(tree.TreeStates().contains(tsUpdating));
    tree.EndUpdate();
    tree.EndUpdate();
    EXPECT_EQ(tree.Updating, (std::vector<TTGUpdateState>{usBegin, usUpdate, usUpdate, usEnd}));
    EXPECT_FALSE(tree.TreeStates().contains(tsUpdating));

    // An unmatched EndUpdate keeps the depth at 0 and still reports the end.
    tree.Updating.clear();
    tree.EndUpdate();
    EXPECT_EQ(tree.UpdateCount(), 0u);
    EXPECT_EQ(tree.Updating, (std::vector<TTGUpdateState>{usEnd}));
}

TEST(TreeGridUpdateTest, StructureChangesAccumulateInsideTheBracket)
{
    TUpdateTree tree;
    tree.BeginUpdate();
    PGridNode first = tree.AddChild(nullptr);
    EXPECT_TRUE(tree.Structure.empty());
    tree.EndUpdate();
    ASSERT_EQ(tree.Structure.size(), 1u);
    EXPECT_EQ(tree.Structure[0].Reason, crChildAdded);
    EXPECT_EQ(tree.Structure[0].Node, nullptr);

    tree.Structure.clear();
    tree.BeginUpdate();
    tree.AddChild(first);
    tree.AddChild(nullptr);
    tree.EndUpdate();
    ASSERT_EQ(tree.Structure.size(), 1u);
    EXPECT_EQ(tree.Structure[0].Reason, crAccumulated);
    EXPECT_EQ(tree.Structure[0].Node, nullptr); // the last recorded node wins

    // Outside a bracket each change reports at once.
    tree.Structure.clear();
    tree.AddChild(first);
    ASSERT_EQ(tree.Structure.size(), 1u);
    EXPECT_EQ(tree.Structure[0].Node, first);
    EXPECT_EQ(tree.Structure[0].Reason, crChildAdded);
    tree.Structure.clear();
    tree.DeleteNode(first->LastChild);
    ASSERT_EQ(tree.Structure.size(), 1u);
    EXPECT_EQ(tree.Structure[0].Reason, crChildDeleted);
    EXPECT_EQ(tree.Structure[0].Node, first);

    // Plain changes are held the same way: one OnChange with the last node.
    tree.BeginUpdate();
    tree.Change(first);
    tree.Change(first->FirstChild);
    EXPECT_TRUE(tree.Changes.empty());
    tree.EndUpdate();
    EXPECT_EQ(tree.Changes, std::vector<PGridNode>{first->FirstChild});
}

TEST(TreeGridUpdateTest, ChangeDelayMergesBurstsIntoOneNotification)
{
    TUpdateTree tree;
    tree.SetRootNodeCount(3);
    tree.Structure.clear();
    tree.SetChangeDelay(40);
    PGridNode first = tree.GetFirst();
    tree.SetChildCount(first, 2);
    tree.SetChildCount(first, 4);
    tree.Change(first);
    tree.Change(first->FirstChild);
    EXPECT_TRUE(tree.Structure.empty());
    EXPECT_TRUE(tree.Changes.empty());
    EXPECT_TRUE(tree.TreeStates().containsAll({tsChangePending, tsStructureChangePending}));
    spin(150);
    ASSERT_EQ(tree.Structure.size(), 1u);
    EXPECT_EQ(tree.Structure[0].Node, first);
    EXPECT_EQ(tree.Structure[0].Reason, crAccumulated); // two child additions
    EXPECT_EQ(tree.Changes, std::vector<PGridNode>{first->FirstChild});
    EXPECT_FALSE(tree.TreeStates().intersects({tsChangePending, tsStructureChangePending}));

    // In synchronous mode the delay does not apply.
    tree.Changes.clear();
    tree.BeginSynch();
    tree.Change(first);
    EXPECT_EQ(tree.Changes, std::vector<PGridNode>{first});
    tree.EndSynch();

    // A node freed while its notification waits is never handed out.
    tree.Changes.clear();
    tree.Change(first->LastChild);
    tree.SetChangeDelay(0);
    tree.DeleteNode(first->LastChild);
    spin(80);
    for (PGridNode node : tree.Changes)
        EXPECT_NE(node, first->LastChild);
}

TEST(TreeGridUpdateTest, SelectingFiresChangeAtOnceWithoutDelay)
{
    TUpdateTree tree;
    tree.SetRootNodeCount(2);
    PGridNode node = tree.GetFirst();
    tree.Changes.clear();
    tree.SetSelected(node, true);
    EXPECT_EQ(tree.Changes, std::vector<PGridNode>{node});

    // Deleting a selected node leaves no trace of it in the selection.
    tree.DeleteNode(node);
    EXPECT_EQ(tree.SelectedCount(), 0);
    EXPECT_EQ(tree.GetFirstSelected(), nullptr);

    // Switching multi-selection off clears a selection.
    auto options = tree.TreeOptions().SelectionOptions();
    tree.TreeOptions().SetSelectionOptions(options + toMultiSelect);
    tree.SetRootNodeCount(4);
    tree.SelectAll(false);
    EXPECT_EQ(tree.SelectedCount(), 4);
    tree.TreeOptions().SetSelectionOptions(options);
    EXPECT_EQ(tree.SelectedCount(), 0);

    // Deleting selected nodes inside a bracket packs the selection at the end.
    tree.TreeOptions().SetSelectionOptions(options + toMultiSelect);
    tree.SelectAll(false);
    tree.BeginUpdate();
    tree.DeleteNode(tree.GetFirst());
    tree.DeleteNode(tree.GetFirst());
    tree.EndUpdate();
    EXPECT_EQ(tree.SelectedCount(), 2);
    tree.Clear();
    EXPECT_EQ(tree.SelectedCount(), 0);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
}

TEST(TreeGridUpdateTest, OptionsAndSimpleProperties)
{
    TUpdateTree tree;
    EXPECT_EQ(tree.TreeOptions().PaintOptions(), DefaultPaintOptions);
    EXPECT_TRUE(tree.TreeOptions().MiscOptions().containsAll({toAcceptOLEDrop, toEditOnClick}));
    EXPECT_EQ(tree.TreeOptions().ExportMode(), emAll);
    EXPECT_EQ(tree.Indent(), 18u);
    EXPECT_EQ(tree.Margin(), 4);
    EXPECT_EQ(tree.TextMargin(), 4);
    EXPECT_EQ(tree.AnimationDuration(), 200u);
    EXPECT_EQ(tree.SelectionBlendFactor(), 128);
    EXPECT_EQ(tree.FocusedColumn(), -1);
    EXPECT_EQ(tree.Colors().Color(TTGColors::TreeLineColor), TTGColors::clBtnShadow);
    EXPECT_EQ(tree.Colors().Color(TTGColors::HotColor), TTGColors::clWindowText);

    tree.SetAnimationDuration(0);
    EXPECT_FALSE(tree.TreeOptions().AnimationOptions().contains(toAnimatedToggle));
    tree.SetAnimationDuration(150);
    EXPECT_TRUE(tree.TreeOptions().AnimationOptions().contains(toAnimatedToggle));

    // State changes report only real changes.
    std::vector<std::pair<TTreeGridStates, TTreeGridStates>> reported;
    tree.OnStateChange = [&](TBaseTreeGrid *, TTreeGridStates enter, TTreeGridStates leave) {
        reported.emplace_back(enter, leave);
    };
    tree.BeginUpdate();
    tree.BeginUpdate();
    tree.EndUpdate();
    tree.EndUpdate();
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(reported.front().first.contains(tsUpdating));
    int updatingEntered = 0;
    for (const auto &[enter, leave] : reported)
        updatingEntered += enter.contains(tsUpdating) ? 1 : 0;
    EXPECT_EQ(updatingEntered, 1);

    // Assign copies settings and options.
    TUpdateTree copy;
    tree.SetIndent(25);
    tree.SetChangeDelay(30);
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() + toAutoExpand);
    tree.SetRootNodeCount(3);
    copy.Assign(tree);
    EXPECT_EQ(copy.Indent(), 25u);
    EXPECT_EQ(copy.ChangeDelay(), 30);
    EXPECT_TRUE(copy.TreeOptions().AutoOptions().contains(toAutoExpand));
    EXPECT_EQ(copy.RootNodeCount(), 3u);
}

TEST(TreeGridUpdateTest, CountedOperations)
{
    TUpdateTree tree;
    EXPECT_FALSE(tree.OperationCanceled());
    tree.BeginOperation();
    tree.BeginOperation();
    tree.CancelOperation();
    EXPECT_TRUE(tree.OperationCanceled());
    tree.EndOperation();
    tree.EndOperation();
    EXPECT_FALSE(tree.OperationCanceled());
    try {
        tree.EndOperation();
        FAIL();
    } catch (const ETreeGridAssertion &e) {
        EXPECT_STREQ(e.what(), "EndOperation must not be called when no operation in progress.");
    }
    // A new operation starts uncancelled.
    tree.BeginOperation();
    EXPECT_FALSE(tree.OperationCanceled());
    tree.EndOperation();
}

TEST(TreeGridUpdateTest, ShowingHiddenNodesRecountsRowsAndHeights)
{
    TUpdateTree tree;
    tree.SetRootNodeCount(4);
    PGridNode first = tree.GetFirst();
    tree.SetChildCount(first, 3);
    tree.SetExpanded(first, true);
    tree.SetIsHidden(first->FirstChild, true);
    tree.SetIsHidden(tree.RootNode()->LastChild, true);
    EXPECT_EQ(tree.VisibleCount(), 5u);
    EXPECT_TRUE(TreeIsConsistent(tree));

    auto paint = tree.TreeOptions().PaintOptions();
    tree.TreeOptions().SetPaintOptions(paint + toShowHiddenNodes);
    EXPECT_EQ(tree.VisibleCount(), 7u);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 8);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // A hidden node with an expanded subtree hides and shows the subtree with it.
    tree.TreeOptions().SetPaintOptions(paint);
    tree.SetIsHidden(first, true);
    EXPECT_EQ(tree.VisibleCount(), 2u);
    EXPECT_TRUE(TreeIsConsistent(tree));
    tree.TreeOptions().SetPaintOptions(paint + toShowHiddenNodes);
    EXPECT_EQ(tree.VisibleCount(), 7u);
    EXPECT_TRUE(TreeIsConsistent(tree));
}
