#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cstring>
#include <memory>
#include <map>
#include <set>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridRoutines.h"

using treegridtest::Children;
using treegridtest::TreeIsConsistent;

namespace {

// A record like the planner's row data: owns heap memory, so a missed destructor leaks and a
// missed constructor crashes.
struct TRowRecord {
    static inline int Live = 0;
    QStringList Cells;
    QString Id;
    std::unique_ptr<int> Extra = std::make_unique<int>(7);
    TRowRecord() { ++Live; }
    ~TRowRecord() { --Live; }
};

// Exposes a few protected members to the tests.
class TTestTree : public TBaseTreeGrid
{
public:
    using TBaseTreeGrid::AllocateInternalDataArea;
    using TBaseTreeGrid::MoveTo;
    ~TTestTree() override { DestroyTree(); }
};

} // namespace

TEST(TreeGridNodesTest, NewTreeAndFirstChild)
{
    TTestTree tree;
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_EQ(tree.TotalCount(), 0u);
    EXPECT_EQ(tree.RootNode()->TotalHeight, tree.DefaultNodeHeight());
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    EXPECT_EQ(tree.NodeDataSize(), -1);
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.RangeY(), 0);
    EXPECT_EQ(tree.GetNodeData(nullptr), nullptr);
    EXPECT_EQ(tree.GetNodeData(tree.RootNode()), nullptr);

    int asked = 0;
    tree.OnGetNodeDataSize = [&](TBaseTreeGrid *, int &size) {
        ++asked;
        size = 24;
    };
    PGridNode node = tree.AddChild(nullptr);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(tree.NodeDataSize(), 24);
    EXPECT_EQ(node->Index, 0u);
    EXPECT_EQ(TGridNodeStates(node->States), TGridNodeStates{vsVisible});
    EXPECT_EQ(node->Align, 50);
    EXPECT_EQ(node->NodeHeight, 18);
    EXPECT_EQ(tree.TotalCount(), 1u);
    auto *bytes = static_cast<unsigned char *>(tree.GetNodeData(node));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % TBaseTreeGrid::NodeBlockAlignment, 0u);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.RangeY(), 18);
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridNodesTest, InitialUserPointerNeedsPointerSizedData)
{
    int target = 0;
    {
        TTestTree tree;
        tree.SetNodeDataSize(2);
        try {
            tree.AddChild(nullptr, &target);
            FAIL() << "expected an error";
        } catch (const ETreeGridError &e) {
            EXPECT_EQ(e.HelpContext(), 2008);
            EXPECT_EQ(e.Message(),
                      QStringLiteral("Cannot set initial user data because there is not enough user data space allocated."));
        }
        // The node was added all the same, with its bookkeeping done.
        EXPECT_EQ(tree.RootNodeCount(), 1u);
        EXPECT_TRUE(TreeIsConsistent(tree));
    }
    {
        // Four bytes cannot hold a pointer on this platform.
        TTestTree tree;
        tree.SetNodeDataSize(4);
        EXPECT_THROW(tree.AddChild(nullptr, &target), ETreeGridError);
    }
    {
        TTestTree tree;
        tree.SetNodeDataSize(int(sizeof(void *)));
        int freed = 0;
        tree.OnFreeNode = [&](TBaseTreeGrid *sender, PGridNode node) {
            void *stored = nullptr;
            std::memcpy(&stored, sender->GetNodeData(node), sizeof stored);
            EXPECT_EQ(stored, &target);
            ++freed;
        };
        PGridNode node = tree.AddChild(nullptr, &target);
        EXPECT_TRUE(node->States.contains(vsInitialUserData));
        EXPECT_FALSE(node->States.contains(vsInitialized));
        tree.Clear();
        // Not initialised, but it carries user data: the owner must see it go.
        EXPECT_EQ(freed, 1);
    }
}

TEST(TreeGridNodesTest, ShrinkingRootCountFreesOnlyInitialisedNodes)
{
    TTestTree tree;
    tree.SetNodeDataSize(8);
    std::vector<PGridNode> freed;
    tree.OnFreeNode = [&](TBaseTreeGrid *, PGridNode node) { freed.push_back(node); };
    tree.SetRootNodeCount(5);
    EXPECT_EQ(tree.RootNodeCount(), 5u);
    auto nodes = Children(tree.RootNode());
    tree.InitNode(nodes[0]);
    tree.InitNode(nodes[3]);
    tree.SetRootNodeCount(2);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    ASSERT_EQ(freed.size(), 1u);
    EXPECT_EQ(freed[0], nodes[3]);
    EXPECT_EQ(tree.RootNode()->LastChild, nodes[1]);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Changing the size rebuilds the nodes: the initialised one is freed with its data.
    tree.SetNodeDataSize(16);
    EXPECT_EQ(freed.size(), 2u);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    EXPECT_TRUE(TreeIsConsistent(tree));

    TTestTree empty;
    empty.SetNodeDataSize(-5);
    EXPECT_EQ(empty.NodeDataSize(), -1);
}

TEST(TreeGridNodesTest, DeletingRenumbersAndKeepsTotals)
{
    TTestTree tree;
    tree.SetNodeDataSize(4);
    PGridNode a = tree.AddChild(nullptr);
    PGridNode b = tree.AddChild(nullptr);
    PGridNode c = tree.AddChild(nullptr);
    tree.SetChildCount(a, 3);
    tree.SetChildCount(b, 2);
    tree.SetExpanded(a, true);
    EXPECT_EQ(tree.TotalCount(), 8u);
    EXPECT_EQ(tree.VisibleCount(), 6u);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 7);
    EXPECT_TRUE(TreeIsConsistent(tree));

    tree.DeleteNode(b);
    EXPECT_EQ(c->Index, 1u);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    EXPECT_EQ(tree.TotalCount(), 5u);
    EXPECT_EQ(tree.VisibleCount(), 5u);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Heights follow a changed row, and a collapsed parent hides the change from the root.
    PGridNode a2 = a->FirstChild->NextSibling;
    tree.SetNodeHeight(a2, 30);
    EXPECT_EQ(tree.NodeHeight(a2), 30u);
    EXPECT_EQ(a->TotalHeight, 18u + 18 + 30 + 18);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u + a->TotalHeight + 18);
    tree.SetExpanded(a, false);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 3);
    tree.SetNodeHeight(a2, 10);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 3);
    tree.SetExpanded(a, true);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 5 + 10);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Deleting the last child collapses the parent and drops its child flag.
    tree.DeleteChildren(a);
    EXPECT_FALSE(a->States.contains(vsExpanded));
    EXPECT_EQ(a->ChildCount, 0u);
    EXPECT_EQ(tree.TotalCount(), 2u);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Nil, the root and read-only trees are left alone.
    tree.DeleteNode(nullptr);
    tree.DeleteNode(tree.RootNode());
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() + toReadOnly);
    tree.DeleteNode(c);
    EXPECT_EQ(tree.AddChild(nullptr), nullptr);
    tree.Clear();
    EXPECT_EQ(tree.RootNodeCount(), 2u);
}

TEST(TreeGridNodesTest, LazyInitialisationAndChildren)
{
    TTestTree tree;
    tree.SetNodeDataSize(4);
    int inits = 0;
    tree.OnInitNode = [&](TBaseTreeGrid *, PGridNode parent, PGridNode node, TGridNodeInitStates &states) {
        ++inits;
        if (!parent && node->Index == 1)
            states += ivsHasChildren;
        if (!parent && node->Index == 2)
            states += {ivsHasChildren, ivsExpanded, ivsDisabled};
    };
    tree.OnInitChildren = [&](TBaseTreeGrid *, PGridNode node, std::uint32_t &count) { count = node->Index + 2; };
    tree.SetRootNodeCount(3);
    EXPECT_EQ(inits, 0);
    EXPECT_EQ(tree.RootNode()->TotalCount, 4u);

    auto top = Children(tree.RootNode());
    // Initialising the third node expands it, which creates its children.
    tree.InitNode(top[2]);
    EXPECT_TRUE(top[2]->States.contains(vsDisabled));
    EXPECT_TRUE(top[2]->States.contains(vsExpanded));
    EXPECT_EQ(top[2]->ChildCount, 4u);
    EXPECT_EQ(tree.VisibleCount(), 7u);

    // The second node is only marked; iterating into it creates its children.
    tree.InitNode(top[1]);
    EXPECT_TRUE(top[1]->States.contains(vsHasChildren));
    EXPECT_EQ(top[1]->ChildCount, 0u);
    EXPECT_EQ(tree.GetNext(top[1]), top[1]->FirstChild);
    EXPECT_EQ(top[1]->ChildCount, 3u);

    // TotalCount initialises every node.
    EXPECT_EQ(tree.TotalCount(), 10u);
    EXPECT_EQ(inits, 10);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // An answer of 0 children clears the flag.
    tree.OnInitChildren = [](TBaseTreeGrid *, PGridNode, std::uint32_t &count) { count = 0; };
    tree.ReinitChildren(top[1], false);
    EXPECT_EQ(top[1]->ChildCount, 0u);
    EXPECT_FALSE(top[1]->States.contains(vsHasChildren));

    // Resetting forgets initialisation and children.
    int resets = 0;
    tree.OnResetNode = [&](TBaseTreeGrid *, PGridNode) { ++resets; };
    tree.ResetNode(top[2]);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(top[2]->ChildCount, 0u);
    EXPECT_FALSE(top[2]->States.intersects({vsInitialized, vsExpanded, vsHasChildren}));
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridNodesTest, TypedUserDataIsConstructedAndDestroyedForEveryNode)
{
    TRowRecord::Live = 0;
    {
        auto *tree = new TStringTreeGrid();
        tree->SetNodeDataType<TRowRecord>();
        EXPECT_EQ(tree->NodeDataSize(), int(sizeof(TRowRecord)));
        int freedInitialised = 0;
        tree->OnFreeNode = [&](TBaseTreeGrid *sender, PGridNode node) {
            // The record is still alive while the owner sees the node go.
            auto *record = sender->GetNodeData<TRowRecord>(node);
            EXPECT_EQ(*record->Extra, 7);
            EXPECT_EQ(record->Cells.value(0), QStringLiteral("row"));
            ++freedInitialised;
        };
        tree->OnInitNode = [](TBaseTreeGrid *sender, PGridNode, PGridNode node, TGridNodeInitStates &) {
            sender->GetNodeData<TRowRecord>(node)->Cells = {QStringLiteral("row"), QString::number(node->Index)};
        };
        tree->SetRootNodeCount(50);
        EXPECT_EQ(TRowRecord::Live, 50);
        PGridNode first = tree->GetFirst();
        for (int i = 0; i < 20; ++i)
            tree->SetChildCount(tree->AddChild(first), 3);
        EXPECT_EQ(TRowRecord::Live, 50 + 20 + 60);
        // Every node initialised by the walk gets its cells.
        for (PGridNode run = tree->GetFirst(); run; run = tree->GetNext(run))
            EXPECT_EQ(tree->GetNodeData<TRowRecord>(run)->Cells.size(), 2);
        tree->DeleteNode(first);
        EXPECT_EQ(TRowRecord::Live, 49);
        EXPECT_EQ(freedInitialised, 81);
        EXPECT_THROW(tree->GetNodeData<int>(tree->GetFirst()), ETreeGridAssertion);
        // Typed data leaves no room for a raw pointer.
        int target = 0;
        EXPECT_THROW(tree->AddChild(nullptr, &target), ETreeGridError);
        EXPECT_EQ(TRowRecord::Live, 50);
        delete tree; // the most-derived destructor clears, so OnFreeNode still fires
        EXPECT_EQ(freedInitialised, 81 + 49);
    }
    EXPECT_EQ(TRowRecord::Live, 0);

    // Switching back to plain bytes destroys the records first.
    {
        TTestTree tree;
        tree.SetNodeDataType<TRowRecord>();
        tree.SetRootNodeCount(10);
        EXPECT_EQ(TRowRecord::Live, 10);
        tree.SetNodeDataSize(16);
        EXPECT_EQ(TRowRecord::Live, 0);
        EXPECT_EQ(tree.RootNodeCount(), 10u);
        EXPECT_FALSE(tree.HasTypedNodeData());
        tree.SetNodeDataType<TRowRecord>();
        EXPECT_EQ(TRowRecord::Live, 10);
    }
    EXPECT_EQ(TRowRecord::Live, 0);
}

TEST(TreeGridNodesTest, InternalAreaAndAssertions)
{
    TTestTree tree;
    const std::uint32_t offset = tree.AllocateInternalDataArea(3);
    EXPECT_EQ(offset, sizeof(TGridNode));
    EXPECT_EQ(tree.TotalInternalDataSize(), 4u);
    tree.SetNodeDataSize(0);
    PGridNode node = tree.AddChild(nullptr);
    EXPECT_THROW(tree.AllocateInternalDataArea(4), ETreeGridAssertion);
    try {
        tree.GetNodeData(node);
        FAIL();
    } catch (const ETreeGridAssertion &e) {
        EXPECT_STREQ(e.what(), "NodeDataSize not initialized.");
    }

    TStringTreeGrid strings;
    EXPECT_EQ(strings.TotalInternalDataSize(), 4u);
    EXPECT_EQ(strings.DefaultText(), QStringLiteral("Node"));
    EXPECT_TRUE(strings.TreeOptions().StringOptions().contains(toSaveCaptions));
}

TEST(TreeGridNodesTest, MovingNodesKeepsTheBookkeeping)
{
    TTestTree tree;
    tree.SetNodeDataSize(4);
    tree.SetRootNodeCount(3);
    auto top = Children(tree.RootNode());
    tree.SetChildCount(top[0], 2);
    tree.SetChildCount(top[2], 3);
    tree.SetExpanded(top[0], true);
    int moved = 0;
    tree.OnNodeMoved = [&](TBaseTreeGrid *, PGridNode) { ++moved; };

    // The last child of a collapsed parent moves to the front of an expanded one.
    PGridNode leaf = top[2]->LastChild;
    tree.MoveTo(leaf, top[0], amAddChildFirst);
    EXPECT_EQ(top[0]->FirstChild, leaf);
    EXPECT_EQ(leaf->Index, 0u);
    EXPECT_EQ(top[0]->ChildCount, 3u);
    EXPECT_EQ(top[2]->ChildCount, 2u);
    EXPECT_EQ(tree.VisibleCount(), 6u);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // A subtree moves behind another node; a move into its own subtree is an error that
    // changes nothing.
    tree.MoveTo(top[0], top[2], amInsertAfter);
    EXPECT_EQ(tree.RootNode()->LastChild, top[0]);
    EXPECT_EQ(top[1]->Index, 0u);
    try {
        tree.MoveTo(top[0], top[0]->FirstChild, amAddChildLast);
        ADD_FAILURE() << "a move into the node's own subtree must raise";
    } catch (const ETreeGridError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Target node cannot be a child node of the node to be moved."));
    }
    EXPECT_THROW(tree.MoveTo(top[0], top[0], amAddChildFirst), ETreeGridError);
    EXPECT_EQ(tree.RootNode()->LastChild, top[0]);
    EXPECT_EQ(moved, 2);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // A refusing handler stops the move.
    tree.OnNodeMoving = [](TBaseTreeGrid *, PGridNode, PGridNode, bool &allowed) { allowed = false; };
    tree.MoveTo(top[1], top[0], amAddChildLast);
    EXPECT_EQ(top[1]->Parent, tree.RootNode());
    EXPECT_EQ(moved, 2);
}

TEST(TreeGridNodesTest, DefaultNodeHeightChangesTheRootOnly)
{
    TTestTree tree;
    tree.SetRootNodeCount(3);
    tree.SetDefaultNodeHeight(0);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    tree.SetDefaultNodeHeight(20);
    EXPECT_TRUE(tree.TreeStates().contains(tsNeedScale));
    EXPECT_EQ(tree.RootNode()->NodeHeight, 20);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 20u + 3 * 18);
    // New nodes take the new default; existing ones keep theirs.
    PGridNode added = tree.AddChild(nullptr);
    EXPECT_EQ(added->NodeHeight, 20);
    EXPECT_EQ(tree.RootNode()->FirstChild->NodeHeight, 18);
    EXPECT_TRUE(TreeIsConsistent(tree));

    // Measured heights under variable node heights.
    auto opts = tree.TreeOptions().MiscOptions();
    tree.TreeOptions().SetMiscOptions(opts + toVariableNodeHeight);
    std::map<PGridNode, int> measured;
    tree.OnMeasureItem = [&](TBaseTreeGrid *, QPainter *, PGridNode node, int &height) {
        ++measured[node];
        height = 10 + int(node->Index);
    };
    EXPECT_EQ(tree.NodeHeight(added), 13u);
    EXPECT_EQ(tree.NodeHeight(added), 13u);
    // Revalidating the cache measures the other rows on this thread, each node only once.
    for (const auto &[node, count] : measured)
        EXPECT_EQ(count, 1);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 20u + 10 + 11 + 12 + 13);
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridNodesTest, DeletedNodesLeaveFocusAndSelection)
{
    TTestTree tree;
    tree.SetNodeDataSize(4);
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() + toMultiSelect);
    tree.OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (node->Index == 1)
            states += ivsSelected;
    };
    tree.SetRootNodeCount(2);
    PGridNode parent = tree.GetFirst();
    tree.SetChildCount(parent, 3);
    // Initialising a node may select it.
    PGridNode second = tree.GetNext(tree.GetNext(parent));
    ASSERT_EQ(second->Index, 1u);
    EXPECT_TRUE(tree.Selected(second));
    EXPECT_FALSE(tree.Selected(parent->FirstChild));

    std::vector<PGridNode> focusReports;
    tree.OnFocusChanged = [&](TBaseTreeGrid *, PGridNode node, TColumnIndex) { focusReports.push_back(node); };
    PGridNode leaf = parent->LastChild;
    tree.SetFocusedNode(leaf);
    tree.SetSelected(leaf, true);
    ASSERT_EQ(tree.FocusedNode(), leaf);
    focusReports.clear();

    tree.DeleteNode(parent);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    ASSERT_FALSE(focusReports.empty());
    EXPECT_EQ(focusReports.back(), nullptr);
    EXPECT_EQ(tree.SelectedCount(), 0);
    EXPECT_EQ(tree.GetFirstSelected(), nullptr);
    EXPECT_TRUE(TreeIsConsistent(tree));
}

TEST(TreeGridNodesTest, NodesFindTheirTreeAlsoAfterTheRootBlockGrows)
{
    auto tree = std::make_unique<TTestTree>();
    // Growing the internal data area moves the root block: the lookup must follow it.
    tree->AllocateInternalDataArea(16);
    PGridNode parent = tree->AddChild(nullptr);
    PGridNode child = tree->AddChild(parent);
    EXPECT_EQ(TreeFromNode(parent), tree.get());
    EXPECT_EQ(TreeFromNode(child), tree.get());
    EXPECT_EQ(TreeFromNode(tree->RootNode()), tree.get());

    TTestTree other;
    EXPECT_EQ(TreeFromNode(other.AddChild(nullptr)), &other);
    EXPECT_EQ(TreeFromNode(child), tree.get());
}
