#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

struct TKeyed {
    int Key = 0;
    int Original = 0; // position before any sort
};

class TSortTestTree : public TBaseTreeGrid
{
public:
    TSortTestTree()
    {
        SetNodeDataType<TKeyed>();
        OnCompareNodes = [this](TBaseTreeGrid *, PGridNode a, PGridNode b, TColumnIndex column, int &result) {
            ++Comparisons;
            LastColumn = column;
            if (!a->States.contains(vsInitialized) || !b->States.contains(vsInitialized))
                ++UninitialisedSeen;
            result = Data(a)->Key - Data(b)->Key;
        };
    }
    ~TSortTestTree() override { DestroyTree(); }

    TKeyed *Data(PGridNode node) { return GetNodeData<TKeyed>(node); }
    // Appends children with the given keys below the node.
    void AddKeyed(PGridNode parent, const std::vector<int> &keys)
    {
        for (int key : keys) {
            PGridNode node = AddChild(parent);
            Data(node)->Key = key;
            Data(node)->Original = int(node->Index);
        }
    }
    std::vector<int> Keys(PGridNode parent)
    {
        std::vector<int> keys;
        for (PGridNode run = (parent ? parent : RootNode())->FirstChild; run; run = run->NextSibling)
            keys.push_back(Data(run)->Key);
        return keys;
    }
    std::vector<int> Originals(PGridNode parent)
    {
        std::vector<int> result;
        for (PGridNode run = (parent ? parent : RootNode())->FirstChild; run; run = run->NextSibling)
            result.push_back(Data(run)->Original);
        return result;
    }

    int Comparisons = 0;
    int UninitialisedSeen = 0;
    TColumnIndex LastColumn = InvalidColumn;
};

// Links, indices and the last child after a sort.
::testing::AssertionResult ChildrenAreLinked(PGridNode parent)
{
    std::uint32_t index = 0;
    PGridNode previous = nullptr;
    for (PGridNode run = parent->FirstChild; run; run = run->NextSibling, ++index) {
        if (run->Index != index)
            return ::testing::AssertionFailure() << "index " << run->Index << " at " << index;
        if (run->PrevSibling != previous || run->Parent != parent)
            return ::testing::AssertionFailure() << "broken links at " << index;
        previous = run;
    }
    if (index != parent->ChildCount || parent->LastChild != previous)
        return ::testing::AssertionFailure() << "child count or last child wrong";
    return ::testing::AssertionSuccess();
}

// What a stable sort gives: equal keys in their original order, in both directions.
std::vector<int> expectedOriginals(const std::vector<int> &keys, bool descending)
{
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return descending ? keys[a] > keys[b] : keys[a] < keys[b];
    });
    return order;
}

} // namespace

TEST(TreeGridSortTest, EqualKeysKeepTheirOrderInBothDirections)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    const std::vector<int> keys{2, 1, 2, 3, 1, 1, 3, 2, 1, 3, 2, 2, 1};
    tree.AddKeyed(nullptr, keys);

    tree.Sort(nullptr, 0, sdAscending);
    EXPECT_EQ(tree.Originals(nullptr), expectedOriginals(keys, false));
    EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));
    EXPECT_EQ(tree.LastColumn, 0);

    // Descending is not the reverse of ascending: equal keys still come in their first order.
    tree.Sort(nullptr, 0, sdDescending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{3, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1}));
    EXPECT_EQ(tree.Originals(nullptr), expectedOriginals(keys, true));
    EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));

    // Three children that all compare equal keep their order either way.
    TSortTestTree same;
    same.AfterConstruction();
    same.AddKeyed(nullptr, {5, 5, 5});
    same.Sort(nullptr, NoColumn, sdAscending);
    EXPECT_EQ(same.Originals(nullptr), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(same.LastColumn, NoColumn) << "no column is handed over unchanged";
    same.Sort(nullptr, NoColumn, sdDescending);
    EXPECT_EQ(same.Originals(nullptr), (std::vector<int>{0, 1, 2}));
}

TEST(TreeGridSortTest, ManyKeysAgainstAStableSort)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    std::mt19937 random(7);
    std::vector<int> keys(5000);
    for (int &key : keys)
        key = int(random() % 40);
    tree.BeginUpdate();
    tree.AddKeyed(nullptr, keys);
    tree.EndUpdate();
    for (const bool descending : {false, true}) {
        // Back to the original order first.
        for (PGridNode run = tree.RootNode()->FirstChild; run; run = run->NextSibling)
            tree.Data(run)->Key = tree.Data(run)->Original;
        tree.Sort(nullptr, 0, sdAscending);
        for (PGridNode run = tree.RootNode()->FirstChild; run; run = run->NextSibling)
            tree.Data(run)->Key = keys[size_t(tree.Data(run)->Original)];
        tree.Comparisons = 0;
        tree.Sort(nullptr, 0, descending ? sdDescending : sdAscending);
        EXPECT_EQ(tree.Originals(nullptr), expectedOriginals(keys, descending));
        EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));
        EXPECT_LE(tree.Comparisons, 5000 * 13) << "n log n comparisons";
    }
}

// Rows already in order or in the reverse order (a sort toggled) come out as a stable sort
// gives them, with about one comparison per row; any other order still sorts stably.
TEST(TreeGridSortTest, OrderedAndReversedRowsSortStablyWithOneComparisonPerRow)
{
    std::mt19937 random(11);
    const int n = 3000;
    struct TShape {
        const char *name;
        std::vector<int> keys;
        bool ordered; // in order or reversed for one of the directions
    };
    std::vector<TShape> shapes;
    std::vector<int> distinct(n), fewKeys(n), oneKey(n, 4), nearly(n), randomKeys(n);
    for (int i = 0; i < n; ++i) {
        distinct[size_t(i)] = i;
        fewKeys[size_t(i)] = i / 97;
        nearly[size_t(i)] = i;
        randomKeys[size_t(i)] = int(random() % 50);
    }
    std::swap(nearly[10], nearly[2000]);
    shapes.push_back({"distinct", distinct, true});
    shapes.push_back({"equal runs", fewKeys, true});
    shapes.push_back({"one key", oneKey, true});
    shapes.push_back({"two out of place", nearly, false});
    shapes.push_back({"random", randomKeys, false});
    for (TShape shape : shapes) {
        for (const bool reversedStart : {false, true}) {
            if (reversedStart)
                std::reverse(shape.keys.begin(), shape.keys.end());
            for (const bool descending : {false, true}) {
                SCOPED_TRACE(std::string(shape.name) + (reversedStart ? ", reversed" : "")
                             + (descending ? ", descending" : ", ascending"));
                TSortTestTree tree;
                tree.AfterConstruction();
                tree.AddKeyed(nullptr, shape.keys);
                // Toggled twice over: each sort starts from the order the last one left.
                std::vector<int> expected = expectedOriginals(shape.keys, descending);
                for (int round = 0; round < 3; ++round) {
                    const bool down = round % 2 ? !descending : descending;
                    tree.Comparisons = 0;
                    tree.Sort(nullptr, 0, down ? sdDescending : sdAscending);
                    EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));
                    std::vector<int> keys = tree.Keys(nullptr);
                    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(),
                                               [down](int a, int b) { return down ? a > b : a < b; }));
                    if (round == 0) {
                        EXPECT_EQ(tree.Originals(nullptr), expected);
                        if (shape.ordered) {
                            EXPECT_LT(tree.Comparisons, n) << "one comparison per row";
                        }
                    } else {
                        EXPECT_LT(tree.Comparisons, n) << "a toggled sort compares each row once";
                    }
                }
                // Equal keys keep the order the first sort gave them through the toggles.
                tree.Sort(nullptr, 0, descending ? sdDescending : sdAscending);
                EXPECT_EQ(tree.Originals(nullptr), expected);
            }
        }
    }
}

TEST(TreeGridSortTest, NoHandlerAndSmallFamiliesChangeNothing)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    tree.AddKeyed(nullptr, {3, 1, 2});
    PGridNode only = tree.RootNode()->FirstChild;
    tree.AddKeyed(only, {9});
    tree.OnCompareNodes = nullptr;
    tree.Sort(nullptr, 0, sdAscending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{3, 1, 2}));
    tree.Sort(nullptr, 0, sdDescending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{3, 1, 2}));
    tree.Sort(only, 0, sdDescending);
    EXPECT_EQ(tree.Keys(only), (std::vector<int>{9}));
    EXPECT_TRUE(ChildrenAreLinked(only));
    // A leaf has nothing to sort.
    tree.Sort(only->FirstChild, 0, sdAscending);
}

TEST(TreeGridSortTest, SortTreeSortsEveryLevel)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    tree.AddKeyed(nullptr, {30, 10, 20});
    for (PGridNode top = tree.RootNode()->FirstChild; top; top = top->NextSibling) {
        tree.AddKeyed(top, {3, 1, 2, 1});
        for (PGridNode child = top->FirstChild; child; child = child->NextSibling)
            tree.AddKeyed(child, {2, 1});
    }
    tree.SortTree(0, sdAscending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{10, 20, 30}));
    EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));
    for (PGridNode top = tree.RootNode()->FirstChild; top; top = top->NextSibling) {
        EXPECT_EQ(tree.Keys(top), (std::vector<int>{1, 1, 2, 3}));
        EXPECT_EQ(tree.Originals(top), (std::vector<int>{1, 3, 2, 0}));
        EXPECT_TRUE(ChildrenAreLinked(top));
        for (PGridNode child = top->FirstChild; child; child = child->NextSibling)
            EXPECT_EQ(tree.Keys(child), (std::vector<int>{1, 2}));
    }
    // Each node's own subtree moved with it.
    EXPECT_EQ(tree.Data(tree.RootNode()->FirstChild)->Original, 1);
    EXPECT_EQ(tree.UpdateCount(), 0u);

    // An invalid column sorts nothing.
    tree.SortTree(InvalidColumn, sdDescending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{10, 20, 30}));

    tree.SortTree(0, sdDescending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(tree.Keys(tree.RootNode()->FirstChild), (std::vector<int>{3, 2, 1, 1}));
    EXPECT_EQ(tree.Originals(tree.RootNode()->FirstChild), (std::vector<int>{0, 2, 1, 3}));
}

TEST(TreeGridSortTest, ChildrenAreCreatedAndInitialisedBeforeComparing)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    int next = 0;
    const std::vector<int> keys{4, 2, 5, 1, 3};
    tree.OnInitNode = [&](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (node == tree.RootNode()->FirstChild)
            states += ivsHasChildren;
        else
            tree.Data(node)->Key = keys[size_t(next++ % 5)];
    };
    tree.OnInitChildren = [](TBaseTreeGrid *, PGridNode, std::uint32_t &count) { count = 5; };
    tree.SetRootNodeCount(1);
    PGridNode parent = tree.GetFirst(); // initialised: it may have children now
    ASSERT_EQ(parent->ChildCount, 0u);
    tree.Sort(parent, 0, sdAscending);
    EXPECT_EQ(parent->ChildCount, 5u);
    EXPECT_EQ(tree.Keys(parent), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(tree.UninitialisedSeen, 0);
    EXPECT_TRUE(ChildrenAreLinked(parent));
}

TEST(TreeGridSortTest, HeaderSortsTheTreeUnderAutoSort)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    tree.Header()->Columns()->Add();
    tree.AddKeyed(nullptr, {2, 3, 1});
    // Without toAutoSort the header only records the choice.
    tree.Header()->SetSortColumn(0);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{2, 3, 1}));

    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() + toAutoSort);
    tree.Header()->SetSortDirection(sdDescending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{3, 2, 1}));
    tree.Header()->SetSortColumn(NoColumn);
    EXPECT_EQ(tree.LastColumn, NoColumn);

    // Inside an update bracket the header waits.
    tree.BeginUpdate();
    tree.Header()->SetSortDirection(sdAscending);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{3, 2, 1}));
    tree.EndUpdate();
}

TEST(TreeGridSortTest, AutoSortOnAddingAndAtTheEndOfAnUpdate)
{
    TSortTestTree tree;
    tree.AfterConstruction();
    tree.Header()->Columns()->Add();
    tree.Header()->SetSortColumn(0);
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() + toAutoSort);
    // Each added child is sorted in at once (its key is set by the init handler).
    int nextKey = 0;
    const std::vector<int> keys{5, 3, 4, 1, 2};
    tree.OnInitNode = [&](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &) {
        tree.Data(node)->Key = keys[size_t(nextKey++)];
    };
    for (size_t i = 0; i < keys.size(); ++i)
        tree.AddChild(nullptr);
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{1, 2, 3, 4, 5}));

    // Inside an update nothing moves until the outermost EndUpdate.
    tree.OnInitNode = nullptr;
    tree.BeginUpdate();
    tree.Header()->SetSortDirection(sdDescending);
    tree.AddKeyed(nullptr, {0, 9});
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{1, 2, 3, 4, 5, 0, 9}));
    tree.EndUpdate();
    EXPECT_EQ(tree.Keys(nullptr), (std::vector<int>{9, 5, 4, 3, 2, 1, 0}));
    EXPECT_TRUE(ChildrenAreLinked(tree.RootNode()));
}

// A new order of a node's children is taken only when it names each child once: a list with a
// stranger, a child twice or one missing changes nothing. A good one puts the children and
// their indexes in its order, at the top level and below a node, and a node whose children
// are all hidden still says so.
TEST(TreeGridSortTest, ReorderChildrenTakesOnlyAWholeOrderOfTheChildren)
{
    TSortTestTree tree;
    tree.AddKeyed(nullptr, {1, 2, 3, 4, 5});
    PGridNode parent = tree.RootNode()->FirstChild;
    tree.AddKeyed(parent, {10, 20, 30});
    const auto children = [&tree](PGridNode node) {
        std::vector<PGridNode> list;
        for (PGridNode run = (node ? node : tree.RootNode())->FirstChild; run; run = run->NextSibling)
            list.push_back(run);
        return list;
    };
    for (PGridNode node : {static_cast<PGridNode>(nullptr), parent}) {
        const std::vector<PGridNode> before = children(node);
        const std::vector<int> keys = tree.Keys(node);
        std::vector<PGridNode> twice = before;
        twice.back() = twice.front();
        std::vector<PGridNode> stranger = before;
        stranger.back() = node ? tree.RootNode()->LastChild : parent->FirstChild;
        const std::vector<PGridNode> missing(before.begin(), before.end() - 1);
        for (const auto &wrong : {twice, stranger, missing}) {
            tree.ReorderChildren(node, wrong);
            EXPECT_EQ(tree.Keys(node), keys);
        }
        std::vector<PGridNode> reversed(before.rbegin(), before.rend());
        tree.ReorderChildren(node, reversed);
        std::vector<int> expected(keys.rbegin(), keys.rend());
        EXPECT_EQ(tree.Keys(node), expected);
        const std::vector<PGridNode> now = children(node);
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_EQ(now[i]->Index, i);
            EXPECT_EQ(now[i]->PrevSibling, i ? now[i - 1] : nullptr);
        }
        EXPECT_EQ((node ? node : tree.RootNode())->LastChild, now.back());
    }
    tree.BeginUpdate();
    for (PGridNode run = parent->FirstChild; run; run = run->NextSibling)
        tree.SetIsVisible(run, false);
    tree.EndUpdate();
    ASSERT_TRUE(parent->States.contains(vsAllChildrenHidden));
    tree.BeginUpdate();
    tree.ReorderChildren(parent, children(parent));
    tree.EndUpdate();
    EXPECT_TRUE(parent->States.contains(vsAllChildrenHidden));
}
