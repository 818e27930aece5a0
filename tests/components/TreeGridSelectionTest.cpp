#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

using treegridtest::Children;

namespace {

// Exposes the selection array and the rectangle fields to the tests.
class TSelectionTestTree : public TBaseTreeGrid
{
public:
    ~TSelectionTestTree() override { DestroyTree(); }

    const std::vector<PGridNode> &SelectionArray() const { return FSelection; }
    void BeginRectangle(QPoint start, Qt::KeyboardModifiers shift)
    {
        FNewSelRect = QRect(start, QSize(0, 0));
        FLastSelRect = FNewSelRect;
        FDrawSelShiftState = shift;
        DoStateChange({tsDrawSelecting});
    }
    using TBaseTreeGrid::InternalRemoveFromSelection;
};

// The selection array must be ascending by address, hold exactly the selected nodes and agree
// with SelectedCount.
::testing::AssertionResult SelectionIsConsistent(TSelectionTestTree &tree)
{
    const auto &array = tree.SelectionArray();
    std::set<PGridNode> inArray;
    for (size_t i = 0; i < array.size(); ++i) {
        const auto address = reinterpret_cast<std::uintptr_t>(array[i]);
        if (address & 1u)
            continue;
        if (i > 0 && reinterpret_cast<std::uintptr_t>(array[i - 1]) >= address)
            return ::testing::AssertionFailure() << "array not ascending at " << i;
        inArray.insert(array[i]);
    }
    std::set<PGridNode> flagged;
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        if (run->States.contains(vsSelected))
            flagged.insert(run);
    if (inArray != flagged)
        return ::testing::AssertionFailure() << "array holds " << inArray.size() << ", flagged " << flagged.size();
    if (int(flagged.size()) != tree.SelectedCount())
        return ::testing::AssertionFailure() << "SelectedCount " << tree.SelectedCount() << ", flagged " << flagged.size();
    return ::testing::AssertionSuccess();
}

// Sibling links and indices after deletions.
::testing::AssertionResult TreeIsConsistent(TBaseTreeGrid &tree)
{
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run)) {
        std::uint32_t index = 0;
        PGridNode previous = nullptr;
        for (PGridNode child = run->FirstChild; child; child = child->NextSibling, ++index) {
            if (child->Index != index || child->PrevSibling != previous || child->Parent != run)
                return ::testing::AssertionFailure() << "bad links below a node at index " << run->Index;
            previous = child;
        }
        if (run->ChildCount != index || run->LastChild != previous)
            return ::testing::AssertionFailure() << "bad child count";
    }
    return ::testing::AssertionSuccess();
}

std::vector<PGridNode> selectedInOrder(TBaseTreeGrid &tree)
{
    std::vector<PGridNode> result;
    for (PGridNode run = tree.GetFirstSelected(); run; run = tree.GetNextSelected(run))
        result.push_back(run);
    return result;
}

struct TSelectionFixture {
    TSelectionTestTree tree;
    std::vector<PGridNode> top;

    // Top-level nodes; every one gets three children, all expanded.
    explicit TSelectionFixture(int count, bool withChildren = false)
    {
        tree.AfterConstruction();
        tree.SetRootNodeCount(std::uint32_t(count));
        top = Children(tree.RootNode());
        if (withChildren) {
            for (PGridNode node : top) {
                tree.SetChildCount(node, 3);
                tree.SetExpanded(node, true);
            }
        }
    }
    void setSelectionOptions(TTGSelectionOptions options) { tree.TreeOptions().SetSelectionOptions(options); }
};

} // namespace

TEST(TreeGridSelectionTest, SingleSelectionReplacesThePreviousNode)
{
    TSelectionFixture f(4);
    int changes = 0;
    f.tree.OnChange = [&](TBaseTreeGrid *, PGridNode) { ++changes; };

    f.tree.SetSelected(f.top[1], true);
    EXPECT_EQ(changes, 1) << "without a change delay OnChange fires at once";
    EXPECT_EQ(f.tree.RangeAnchor(), f.top[1]) << "the first selected node is the anchor";
    f.tree.SetSelected(f.top[3], true);
    EXPECT_FALSE(f.tree.Selected(f.top[1]));
    EXPECT_TRUE(f.tree.Selected(f.top[3]));
    EXPECT_EQ(f.tree.SelectedCount(), 1);
    EXPECT_EQ(f.tree.RangeAnchor(), f.top[3]);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    // The root, nil and an unchanged value are ignored.
    f.tree.SetSelected(f.tree.RootNode(), true);
    f.tree.SetSelected(nullptr, true);
    f.tree.SetSelected(f.top[3], true);
    EXPECT_EQ(f.tree.SelectedCount(), 1);

    // Removing the last selected node hands the anchor back to the focused node.
    f.tree.SetFocusedNode(f.top[0]);
    f.tree.SetSelected(f.top[3], false);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_EQ(f.tree.RangeAnchor(), f.top[0]);
    EXPECT_EQ(f.tree.GetFirstSelected(), nullptr);
}

TEST(TreeGridSelectionTest, MultiSelectionKeepsTreeOrderAndAddressOrder)
{
    TSelectionFixture f(6, true);
    f.setSelectionOptions({toMultiSelect});
    const std::vector<PGridNode> second = Children(f.top[1]);
    f.tree.SetSelected(f.top[4], true);
    f.tree.SetSelected(second[2], true);
    f.tree.SetSelected(f.top[0], true);
    f.tree.SetSelected(f.top[1], true);
    EXPECT_EQ(f.tree.SelectedCount(), 4);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[0], f.top[1], second[2], f.top[4]}));
    // Trimmed: the child of a selected node is left out.
    EXPECT_EQ(f.tree.GetSortedSelection(true), (std::vector<PGridNode>{f.top[0], f.top[1], f.top[4]}));
    EXPECT_EQ(f.tree.GetSortedSelection(false).size(), 4u);

    f.tree.ClearSelection();
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));
    EXPECT_TRUE(f.tree.GetSortedSelection(false).empty());
}

TEST(TreeGridSelectionTest, BulkAdditionsMergeIntoTheSortedArray)
{
    TSelectionFixture f(500);
    f.setSelectionOptions({toMultiSelect});
    std::vector<PGridNode> shuffled = f.top;
    std::mt19937 random(42);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    // Chunks of different sizes, some overlapping, some with duplicates inside.
    size_t at = 0;
    for (int size : {1, 7, 60, 3, 129, 200}) {
        std::vector<PGridNode> chunk(shuffled.begin() + at, shuffled.begin() + std::min(at + size, shuffled.size()));
        if (!chunk.empty())
            chunk.push_back(chunk.front());
        if (at >= 5)
            chunk.push_back(shuffled[at - 5]);
        f.tree.AddToSelection(chunk.data(), int(chunk.size()));
        at += size;
        ASSERT_TRUE(SelectionIsConsistent(f.tree));
    }
    EXPECT_EQ(f.tree.SelectedCount(), 400);
    int index = -1;
    EXPECT_TRUE(f.tree.FindNodeInSelection(shuffled[0], index, -1, -1));
    EXPECT_FALSE(f.tree.FindNodeInSelection(shuffled[450], index, -1, -1));

    // Removals inside an update only mark entries; EndUpdate packs them.
    f.tree.BeginUpdate();
    for (size_t i = 0; i < 100; ++i)
        f.tree.InternalRemoveFromSelection(shuffled[i]);
    EXPECT_EQ(f.tree.SelectedCount(), 300);
    EXPECT_EQ(f.tree.SelectionArray().size(), 400u);
    f.tree.EndUpdate();
    EXPECT_EQ(f.tree.SelectionArray().size(), 300u);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    f.tree.SelectAll(false);
    EXPECT_EQ(f.tree.SelectedCount(), 500);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));
}

TEST(TreeGridSelectionTest, DisabledAndHiddenNodes)
{
    TSelectionFixture f(0);
    f.tree.OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (node->Index == 2)
            states += ivsDisabled;
    };
    f.tree.SetRootNodeCount(6);
    f.top = Children(f.tree.RootNode());
    f.tree.SetChildCount(f.top[5], 2); // collapsed children
    f.setSelectionOptions({toMultiSelect});
    f.tree.SetIsVisible(f.top[3], false);

    f.tree.SetSelected(f.top[2], true);
    EXPECT_FALSE(f.tree.Selected(f.top[2])) << "disabled nodes are never selected";

    f.tree.SelectAll(true);
    // 0, 1, 4, 5: the disabled, the hidden node and the collapsed children stay out.
    EXPECT_EQ(f.tree.SelectedCount(), 4);
    EXPECT_FALSE(f.tree.Selected(f.top[3]));
    EXPECT_FALSE(f.tree.Selected(f.top[5]->FirstChild));

    f.tree.SelectAll(false);
    EXPECT_EQ(f.tree.SelectedCount(), 7) << "all nodes but the disabled one";
    EXPECT_TRUE(f.tree.Selected(f.top[3]));

    // A range selection walks visible nodes only.
    f.tree.SelectNodes(f.top[1], f.top[5], false);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[1], f.top[4], f.top[5]}));
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    // Without toMultiSelect SelectAll does nothing; switching it off clears the selection.
    f.setSelectionOptions({});
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    f.tree.SelectAll(false);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
}

TEST(TreeGridSelectionTest, LevelAndSiblingConstraints)
{
    TSelectionFixture f(3, true);
    const std::vector<PGridNode> first = Children(f.top[0]);
    const std::vector<PGridNode> second = Children(f.top[1]);

    f.setSelectionOptions({toMultiSelect, toLevelSelectConstraint});
    f.tree.SetSelected(first[1], true);
    f.tree.SetSelected(f.top[2], true);
    EXPECT_FALSE(f.tree.Selected(f.top[2])) << "another level than the first selected node";
    f.tree.SetSelected(second[0], true);
    EXPECT_TRUE(f.tree.Selected(second[0]));
    EXPECT_EQ(f.tree.LastSelectionLevel(), 1);

    // Shift-selecting across two parents selects only the anchor's siblings.
    f.setSelectionOptions({toMultiSelect, toSiblingSelectConstraint});
    EXPECT_EQ(f.tree.SelectedCount(), 0) << "adding a constraint clears the selection";
    f.tree.HandleClickSelection(nullptr, first[1], Qt::NoModifier, false);
    EXPECT_EQ(f.tree.RangeAnchor(), first[1]);
    f.tree.HandleClickSelection(first[1], second[1], Qt::ShiftModifier, false);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{first[1], first[2]}));
    EXPECT_EQ(f.tree.RangeAnchor(), first[1]);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));
}

TEST(TreeGridSelectionTest, RangesAddToggleAndUnselect)
{
    TSelectionFixture f(8);
    f.setSelectionOptions({toMultiSelect});
    const auto &n = f.top;

    // Backwards ranges are ordered first.
    f.tree.SelectNodes(n[5], n[2], false);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{n[2], n[3], n[4], n[5]}));
    f.tree.SelectNodes(n[0], n[0], true);
    EXPECT_EQ(f.tree.SelectedCount(), 5);
    f.tree.SelectNodes(n[6], n[7], false);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{n[6], n[7]}));

    // Ctrl-click and Ctrl-Shift-click.
    f.tree.HandleClickSelection(nullptr, n[1], Qt::ControlModifier, false);
    EXPECT_EQ(f.tree.RangeAnchor(), n[1]);
    EXPECT_TRUE(f.tree.Selected(n[1]));
    f.tree.HandleClickSelection(n[1], n[3], Qt::ControlModifier | Qt::ShiftModifier, false);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{n[1], n[2], n[3], n[6], n[7]}));
    f.tree.HandleClickSelection(n[3], n[7], Qt::ControlModifier, false);
    EXPECT_FALSE(f.tree.Selected(n[7])) << "ctrl-click inverts";
    f.tree.HandleClickSelection(n[7], n[0], Qt::ControlModifier, true);
    EXPECT_FALSE(f.tree.Selected(n[0])) << "with a drag pending the inversion waits for mouse up";
    EXPECT_TRUE(f.tree.TreeStates().contains(tsToggleFocusedSelection));

    // Toggling 2..6 from the anchor 2 inverts 3..6 and keeps the anchor selected.
    f.tree.ClearSelection();
    f.tree.SelectNodes(n[2], n[4], false);
    f.tree.HandleClickSelection(nullptr, n[2], Qt::NoModifier, false);
    ASSERT_EQ(f.tree.RangeAnchor(), n[2]);
    f.tree.ToggleSelection(n[2], n[6]);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{n[2], n[5], n[6]}));
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    f.tree.UnselectNodes(n[6], n[1]);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    // A locked selection does not change.
    f.tree.SetSelectionLocked(true);
    f.tree.SelectNodes(n[0], n[7], false);
    f.tree.SetSelected(n[0], true);
    f.tree.SelectAll(false);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
}

TEST(TreeGridSelectionTest, DeletedNodesLeaveTheSelection)
{
    TSelectionFixture f(6, true);
    f.setSelectionOptions({toMultiSelect});
    const std::vector<PGridNode> kids = Children(f.top[2]);
    f.tree.SelectAll(false);
    ASSERT_EQ(f.tree.SelectedCount(), 24);

    f.tree.DeleteNode(f.top[0]);
    EXPECT_EQ(f.tree.SelectedCount(), 20) << "the node and its three children";
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    f.tree.BeginUpdate();
    f.tree.DeleteNode(f.top[1]);
    f.tree.DeleteChildren(f.top[3]);
    EXPECT_EQ(f.tree.SelectedCount(), 13);
    f.tree.EndUpdate();
    EXPECT_TRUE(SelectionIsConsistent(f.tree));
    EXPECT_EQ(f.tree.SelectionArray().size(), 13u) << "packed at the end of the update";

    // Deleting the selected nodes goes from the last to the first.
    f.tree.ClearSelection();
    std::vector<PGridNode> freed;
    f.tree.OnFreeNode = [&](TBaseTreeGrid *, PGridNode node) { freed.push_back(node); };
    f.tree.SetSelected(kids[0], true);
    f.tree.SetSelected(kids[1], true);
    f.tree.SetSelected(kids[2], true);
    f.tree.DeleteSelectedNodes();
    EXPECT_EQ(freed, (std::vector<PGridNode>{kids[2], kids[1], kids[0]}));
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_EQ(f.tree.ChildCount(f.top[2]), 0u);
    EXPECT_TRUE(TreeIsConsistent(f.tree));

    // Mixed levels: a selected parent takes its selected children with it; indices stay right.
    freed.clear();
    const std::vector<PGridNode> rest = Children(f.tree.RootNode());
    ASSERT_EQ(rest.size(), 4u);
    f.tree.SetSelected(rest[2], true);
    f.tree.SetSelected(rest[2]->FirstChild, true);
    f.tree.SetSelected(rest[3]->LastChild, true);
    f.tree.SetSelected(rest[0], true);
    f.tree.DeleteSelectedNodes();
    EXPECT_EQ(Children(f.tree.RootNode()), (std::vector<PGridNode>{rest[1], rest[3]}));
    EXPECT_EQ(f.tree.ChildCount(rest[3]), 2u);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_TRUE(TreeIsConsistent(f.tree));

    // Read-only trees keep their nodes.
    f.tree.SetSelected(rest[1], true);
    f.tree.TreeOptions().SetMiscOptions(f.tree.TreeOptions().MiscOptions() + toReadOnly);
    f.tree.DeleteSelectedNodes();
    EXPECT_EQ(f.tree.RootNodeCount(), 2u);

    f.tree.TreeOptions().SetMiscOptions(f.tree.TreeOptions().MiscOptions() - toReadOnly);
    f.tree.Clear();
    EXPECT_EQ(f.tree.SelectedCount(), 0);
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
}

TEST(TreeGridSelectionTest, FocusChangesAndRefusals)
{
    TSelectionFixture f(4);
    std::vector<std::pair<PGridNode, TColumnIndex>> changed;
    f.tree.OnFocusChanged = [&](TBaseTreeGrid *, PGridNode node, TColumnIndex column) {
        changed.emplace_back(node, column);
    };
    bool allow = true;
    f.tree.OnFocusChanging = [&](TBaseTreeGrid *, PGridNode, PGridNode, TColumnIndex, TColumnIndex, bool &allowed) {
        if (!allow)
            allowed = false;
    };

    f.tree.SetFocusedNode(f.top[1]);
    EXPECT_EQ(f.tree.FocusedNode(), f.top[1]);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].first, f.top[1]);
    EXPECT_EQ(f.tree.RangeAnchor(), f.top[1]) << "with nothing selected the anchor follows the focus";
    f.tree.SetFocusedNode(f.top[1]);
    EXPECT_EQ(changed.size(), 1u) << "an unchanged focus fires nothing";

    allow = false;
    f.tree.SetFocusedNode(f.top[2]);
    EXPECT_EQ(f.tree.FocusedNode(), f.top[1]);
    EXPECT_EQ(changed.size(), 1u);

    // Columns: focus only moves to a column that allows it.
    allow = true;
    TTreeGridColumns *columns = f.tree.Header()->Columns();
    columns->Add();
    columns->Add();
    columns->Add()->SetOptions(DefaultColumnOptions - coAllowFocus);
    f.tree.SetFocusedNodeAndColumn(f.top[2], 1);
    EXPECT_EQ(f.tree.FocusedNode(), f.top[2]);
    EXPECT_EQ(f.tree.FocusedColumn(), 1);
    EXPECT_EQ(changed.back(), std::make_pair(f.top[2], TColumnIndex(1)));
    f.tree.SetFocusedColumn(2);
    EXPECT_EQ(f.tree.FocusedColumn(), 1) << "column 2 does not take the focus";

    allow = false;
    f.tree.SetFocusedNodeAndColumn(f.top[3], 0);
    EXPECT_EQ(f.tree.FocusedNode(), f.top[2]);
    EXPECT_EQ(f.tree.FocusedColumn(), 1) << "a refused focus keeps the old column";

    // Deleting the focused node moves the focus to nothing and says so.
    allow = true;
    const size_t before = changed.size();
    f.tree.DeleteNode(f.top[2]);
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
    ASSERT_EQ(changed.size(), before + 1);
    EXPECT_EQ(changed.back().first, nullptr);
}

TEST(TreeGridSelectionTest, FocusTakesTheMainColumnAndAutoExpands)
{
    TSelectionFixture f(3);
    for (PGridNode node : f.top)
        f.tree.SetChildCount(node, 2);
    f.tree.TreeOptions().SetSelectionOptions({toExtendedFocus});
    TTreeGridColumns *columns = f.tree.Header()->Columns();
    columns->Add();
    columns->Add();
    f.tree.Header()->SetMainColumn(1);
    ASSERT_EQ(f.tree.FocusedColumn(), NoColumn);
    f.tree.SetFocusedNode(f.top[0]);
    EXPECT_EQ(f.tree.FocusedColumn(), 1) << "an invalid focused column becomes the main column";

    // Under toAutoExpand focusing expands the node and collapses the sibling it came from.
    f.tree.TreeOptions().SetAutoOptions(f.tree.TreeOptions().AutoOptions() + toAutoExpand);
    f.tree.SetFocusedNode(f.top[1]);
    EXPECT_TRUE(f.tree.Expanded(f.top[1]));
    f.tree.SetFocusedNode(f.top[2]);
    EXPECT_TRUE(f.tree.Expanded(f.top[2]));
    EXPECT_FALSE(f.tree.Expanded(f.top[1]));
    f.tree.SetFocusedNode(f.top[2]->FirstChild);
    EXPECT_TRUE(f.tree.Expanded(f.top[2])) << "a parent is no sibling of its child";

    // The root counts as no node.
    f.tree.SetFocusedNode(f.tree.RootNode());
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
    EXPECT_EQ(f.tree.GetFirstSelected(), nullptr);
}

TEST(TreeGridSelectionTest, CompareNodePositions)
{
    TSelectionFixture f(3, true);
    const std::vector<PGridNode> first = Children(f.top[0]);
    const std::vector<PGridNode> last = Children(f.top[2]);
    EXPECT_EQ(f.tree.CompareNodePositions(first[1], first[1]), 0);
    EXPECT_LT(f.tree.CompareNodePositions(f.top[0], first[2]), 0) << "a parent comes before its children";
    EXPECT_GT(f.tree.CompareNodePositions(first[2], f.top[0]), 0);
    EXPECT_LT(f.tree.CompareNodePositions(first[2], last[0]), 0);
    EXPECT_GT(f.tree.CompareNodePositions(last[0], f.top[1]), 0);
    f.tree.TreeOptions().SetPaintOptions(f.tree.TreeOptions().PaintOptions() + toChildrenAbove);
    EXPECT_GT(f.tree.CompareNodePositions(f.top[0], first[2], true), 0) << "children painted above";
    EXPECT_LT(f.tree.CompareNodePositions(f.top[0], first[2], false), 0);
    EXPECT_THROW(f.tree.CompareNodePositions(nullptr, first[0]), ETreeGridAssertion);
    EXPECT_THROW(f.tree.AddToSelection(static_cast<PGridNode>(nullptr)), ETreeGridAssertion);
    EXPECT_THROW(f.tree.SelectNodes(first[0], nullptr, false), ETreeGridAssertion);
}

TEST(TreeGridSelectionTest, RectangleSelection)
{
    TSelectionFixture f(10);
    f.setSelectionOptions({toMultiSelect, toSimpleDrawSelection});
    f.tree.resize(300, 400);
    const int h = int(f.tree.DefaultNodeHeight());

    // Drag from the middle of row 1 down into row 3: rows 1..3 are touched.
    f.tree.BeginRectangle(QPoint(5, h + h / 2), Qt::NoModifier);
    EXPECT_TRUE(f.tree.IsMouseSelecting());
    EXPECT_TRUE(f.tree.HandleDrawSelection(40, 3 * h + 2));
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[1], f.top[2], f.top[3]}));
    // Back up into row 2: row 3 leaves the rectangle and the selection.
    EXPECT_TRUE(f.tree.HandleDrawSelection(40, 2 * h + 2));
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[1], f.top[2]}));
    EXPECT_FALSE(f.tree.HandleDrawSelection(40, 2 * h + 2)) << "an unchanged rectangle changes nothing";
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    // With Ctrl held at the start the touched rows are inverted.
    f.tree.BeginRectangle(QPoint(5, 2 * h + 1), Qt::ControlModifier);
    f.tree.HandleDrawSelection(5, 4 * h + 1);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[1], f.top[3], f.top[4]}));
    EXPECT_TRUE(SelectionIsConsistent(f.tree));

    // Dragging above the top is clamped to 0.
    f.tree.ClearSelection();
    f.tree.BeginRectangle(QPoint(5, h + 1), Qt::NoModifier);
    f.tree.HandleDrawSelection(5, -50);
    EXPECT_EQ(selectedInOrder(f.tree), (std::vector<PGridNode>{f.top[0], f.top[1]}));

    // Without simple drawing a row counts only where its content lies; the base tree's nodes
    // have no width, so nothing is touched right of their indentation.
    f.tree.ClearSelection();
    f.setSelectionOptions({toMultiSelect});
    f.tree.BeginRectangle(QPoint(200, 1), Qt::NoModifier);
    f.tree.HandleDrawSelection(250, 5 * h);
    EXPECT_EQ(f.tree.SelectedCount(), 0);
}

// The selection in tree order is asked for again and again by whoever follows it; after every
// road that changes the selection or the rows it is what a walk of the tree finds, from every
// starting selection.
static std::vector<PGridNode> walked(TBaseTreeGrid &tree, bool trim)
{
    // The truth: a walk of every node, a selected node's subtree left out when trimming.
    std::vector<PGridNode> result;
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run)) {
        if (!run->States.contains(vsSelected))
            continue;
        bool under = false;
        for (PGridNode up = run->Parent; trim && up && up != tree.RootNode(); up = up->Parent)
            under = under || up->States.contains(vsSelected);
        if (!under)
            result.push_back(run);
    }
    return result;
}

TEST(TreeGridSelectionTest, TheSortedSelectionFollowsEveryRoadThatChangesIt)
{
    using TRoad = std::function<void(TSelectionFixture &)>;
    const std::vector<std::pair<const char *, TRoad>> roads = {
        {"select all", [](TSelectionFixture &f) { f.tree.SelectAll(false); }},
        {"select all shown", [](TSelectionFixture &f) {
             f.tree.SetExpanded(f.top[3], false);
             f.tree.SelectAll(true);
         }},
        {"clear", [](TSelectionFixture &f) { f.tree.ClearSelection(); }},
        {"one more", [](TSelectionFixture &f) { f.tree.SetSelected(f.top[7]->LastChild, true); }},
        {"one less", [](TSelectionFixture &f) { f.tree.SetSelected(f.top[5], false); }},
        {"a range", [](TSelectionFixture &f) { f.tree.ToggleSelection(f.top[2], f.top[9]); }},
        {"a selected node deleted", [](TSelectionFixture &f) { f.tree.DeleteNode(f.top[5]); }},
        {"a node deleted", [](TSelectionFixture &f) { f.tree.DeleteNode(f.top[8]); }},
        {"deleted in an update", [](TSelectionFixture &f) {
             f.tree.BeginUpdate();
             f.tree.DeleteNode(f.top[5]->FirstChild);
             f.tree.DeleteNode(f.top[6]);
             EXPECT_EQ(f.tree.GetSortedSelection(false), walked(f.tree, false));
             f.tree.EndUpdate();
         }},
        {"the selected nodes deleted", [](TSelectionFixture &f) { f.tree.DeleteSelectedNodes(); }},
        {"moved to the top", [](TSelectionFixture &f) {
             f.tree.MoveTo(f.top[9], f.top[0], amInsertBefore, false);
             f.tree.MoveTo(f.top[5]->LastChild, f.top[1], amAddChildFirst, false);
         }},
        {"sorted", [](TSelectionFixture &f) {
             f.tree.OnCompareNodes = [](TBaseTreeGrid *, PGridNode a, PGridNode b, TColumnIndex, int &result) {
                 result = int(b->Index) - int(a->Index);
             };
             f.tree.SortTree(NoColumn, sdAscending, false);
         }},
        {"a node added and selected", [](TSelectionFixture &f) {
             PGridNode added = f.tree.AddChild(nullptr);
             f.tree.MoveTo(added, f.top[4], amInsertBefore, false);
             f.tree.SetSelected(added, true);
         }},
        {"Shift+End", [](TSelectionFixture &f) {
             f.tree.SetFocusedNode(f.top[6]);
             QTest::keyClick(&f.tree, Qt::Key_End, Qt::ShiftModifier);
         }},
        {"Ctrl+A", [](TSelectionFixture &f) { QTest::keyClick(&f.tree, Qt::Key_A, Qt::ControlModifier); }},
    };
    const std::vector<std::pair<const char *, TRoad>> starts = {
        {"nothing selected", [](TSelectionFixture &) {}},
        {"one selected", [](TSelectionFixture &f) { f.tree.SetSelected(f.top[5], true); }},
        {"all selected", [](TSelectionFixture &f) { f.tree.SelectAll(false); }},
    };
    for (const auto &[startName, start] : starts) {
        for (const auto &[roadName, road] : roads) {
            for (const bool trim : {false, true}) {
                SCOPED_TRACE(std::string(startName) + ", " + roadName + (trim ? ", trimmed" : ""));
                TSelectionFixture f(12, true);
                f.setSelectionOptions({toMultiSelect});
                start(f);
                // Asked for before the road, as the views do; the last question is this one.
                EXPECT_EQ(f.tree.GetSortedSelection(!trim), walked(f.tree, !trim));
                EXPECT_EQ(f.tree.GetSortedSelection(trim), walked(f.tree, trim));
                road(f);
                EXPECT_EQ(f.tree.GetSortedSelection(trim), walked(f.tree, trim));
                EXPECT_EQ(f.tree.GetSortedSelection(trim), walked(f.tree, trim)) << "asked again";
                EXPECT_EQ(f.tree.GetSortedSelection(!trim), walked(f.tree, !trim));
                EXPECT_TRUE(SelectionIsConsistent(f.tree));
            }
        }
    }
}
