// Deleting many nodes one by one, in the orders users and the planner delete rows: every
// remaining node's position, the order, the selection and focus, and the row lookups must be
// right after (and during) each run.

#include <gtest/gtest.h>

#include <QApplication>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"

using treegridtest::Children;
using treegridtest::LookupsAgree;
using treegridtest::TreeIsConsistent;
using treegridtest::WaitForValidation;

namespace {

// Above the position cache's step, so that lookups go through the cache.
constexpr std::uint32_t RowCount = 2400;

class TDeleteTree : public TStringTreeGrid
{
};

struct TFixture {
    std::vector<PGridNode> rows;   // the top-level rows as they should stand
    std::set<PGridNode> freed;
    // Last, so that freeing its nodes still finds the set.
    std::unique_ptr<TDeleteTree> tree = treegridtest::ShowTree<TDeleteTree>(300, 200);

    TFixture()
    {
        auto &options = tree->TreeOptions();
        options.SetSelectionOptions(options.SelectionOptions() + toMultiSelect);
        tree->OnFreeNode = [this](TBaseTreeGrid *, PGridNode node) { freed.insert(node); };
        tree->BeginUpdate();
        for (std::uint32_t i = 0; i < RowCount; ++i) {
            PGridNode row = tree->AddChild(nullptr);
            tree->SetNodeHeight(row, 16 + i % 3 * 4);
            // Some rows carry expanded children, which move with them.
            if (i % 97 == 5) {
                for (int c = 0; c < 3; ++c)
                    tree->AddChild(row);
                tree->SetExpanded(row, true);
            }
            rows.push_back(row);
        }
        tree->EndUpdate();
    }

    // Deletes the rows at the given places of the original order, in the order given, and
    // checks a stale-prone read now and then: the position of a row far below.
    ::testing::AssertionResult DeleteInOrder(const std::vector<std::size_t> &places)
    {
        const std::vector<PGridNode> original = rows;
        std::size_t done = 0;
        for (std::size_t place : places) {
            PGridNode row = original[place];
            tree->DeleteNode(row);
            rows.erase(std::find(rows.begin(), rows.end(), row));
            if (++done % 50 == 0 && !rows.empty()) {
                const std::size_t probe = rows.size() * 2 / 3;
                if (rows[probe]->Index != probe)
                    return ::testing::AssertionFailure()
                           << "after " << done << " deletions, row at " << probe << " reads " << rows[probe]->Index;
            }
        }
        return ::testing::AssertionSuccess();
    }

    // A new row may take the block of one freed before.
    PGridNode AddRow()
    {
        PGridNode row = tree->AddChild(nullptr);
        freed.erase(row);
        return row;
    }

    ::testing::AssertionResult Agrees()
    {
        if (Children(tree->RootNode()) != rows)
            return ::testing::AssertionFailure() << "rows out of order";
        auto consistent = TreeIsConsistent(*tree);
        if (!consistent)
            return consistent;
        for (PGridNode row : rows)
            if (freed.count(row))
                return ::testing::AssertionFailure() << "a remaining row was freed";
        // Without waiting (the lookups walk) and once the cache is built again.
        auto lookups = LookupsAgree(*tree, 41);
        if (!lookups)
            return lookups;
        if (!WaitForValidation(*tree))
            return ::testing::AssertionFailure() << "validation did not finish";
        return LookupsAgree(*tree, 13);
    }
};

struct TOrder {
    const char *name;
    std::function<std::vector<std::size_t>()> places;
};

std::vector<std::size_t> Range(std::size_t first, std::size_t last, std::size_t step = 1)
{
    std::vector<std::size_t> result;
    for (std::size_t i = first; i < last; i += step)
        result.push_back(i);
    return result;
}

const std::vector<TOrder> &Orders()
{
    static const std::vector<TOrder> orders = {
        {"from the top", [] { return Range(0, RowCount - 300); }},
        {"from the bottom", [] {
             auto places = Range(300, RowCount);
             std::reverse(places.begin(), places.end());
             return places;
         }},
        {"every other from the top", [] { return Range(0, RowCount, 2); }},
        {"a block in the middle", [] { return Range(700, 1900); }},
        {"both ends in turn", [] {
             std::vector<std::size_t> places;
             for (std::size_t i = 0; i < 600; ++i) {
                 places.push_back(i);
                 places.push_back(RowCount - 1 - i);
             }
             return places;
         }},
        {"scattered", [] {
             std::vector<std::size_t> places = Range(0, RowCount);
             std::uint32_t seed = 7;
             for (std::size_t i = places.size(); i > 1; --i) {
                 seed = seed * 1103515245u + 12345u;
                 std::swap(places[i - 1], places[(seed >> 8) % i]);
             }
             places.resize(1500);
             return places;
         }},
    };
    return orders;
}

} // namespace

TEST(TreeGridBulkDeleteTest, PositionsOrderAndLookupsStayRightInEveryOrder)
{
    for (const TOrder &order : Orders()) {
        SCOPED_TRACE(order.name);
        TFixture f;
        ASSERT_TRUE(WaitForValidation(*f.tree));
        const auto places = order.places();
        const std::set<std::size_t> doomed(places.begin(), places.end());
        const std::vector<PGridNode> original = f.rows;

        // Focus on a doomed row; a selection half of doomed rows, half of kept ones.
        const std::size_t focusPlace = places[places.size() / 2];
        f.tree->SetFocusedNode(original[focusPlace]);
        std::vector<PGridNode> keptSelected;
        for (std::size_t i = 0; i < RowCount; i += 5) {
            f.tree->SetSelected(original[i], true);
            if (!doomed.count(i))
                keptSelected.push_back(original[i]);
        }

        ASSERT_TRUE(f.DeleteInOrder(places));
        EXPECT_EQ(f.rows.size(), RowCount - doomed.size());
        EXPECT_TRUE(f.Agrees());

        EXPECT_EQ(f.tree->FocusedNode(), nullptr);
        EXPECT_EQ(f.tree->SelectedCount(), int(keptSelected.size()));
        std::vector<PGridNode> selected;
        for (PGridNode run = f.tree->GetFirstSelected(); run; run = f.tree->GetNextSelected(run))
            selected.push_back(run);
        EXPECT_EQ(selected, keptSelected);
    }
}

TEST(TreeGridBulkDeleteTest, DeletingTheSelectionAtOnceAndInsideAnUpdate)
{
    TFixture f;
    // Every third row and a block, deleted as one selection.
    std::vector<PGridNode> kept;
    for (std::size_t i = 0; i < RowCount; ++i) {
        if (i % 3 == 0 || (i >= 1000 && i < 1400))
            f.tree->SetSelected(f.rows[i], true);
        else
            kept.push_back(f.rows[i]);
    }
    f.tree->DeleteSelectedNodes();
    f.rows = kept;
    EXPECT_EQ(f.tree->SelectedCount(), 0);
    EXPECT_TRUE(f.Agrees());

    // Inside an update bracket, from the top, with nothing read until the end.
    f.tree->BeginUpdate();
    for (int i = 0; i < 500; ++i)
        f.tree->DeleteNode(f.rows[std::size_t(i) * 2]);
    f.tree->EndUpdate();
    std::vector<PGridNode> rest;
    for (std::size_t i = 0; i < f.rows.size(); ++i)
        if (i >= 1000 || i % 2 == 1)
            rest.push_back(f.rows[i]);
    f.rows = rest;
    EXPECT_TRUE(f.Agrees());
}

TEST(TreeGridBulkDeleteTest, StructureChangesAfterUnreadDeletionsNumberRight)
{
    TFixture f;
    // Rows gone from the top leave the rest unread; each change below must see true positions.
    for (int i = 0; i < 100; ++i) {
        f.tree->DeleteNode(f.rows.front());
        f.rows.erase(f.rows.begin());
    }
    PGridNode added = f.AddRow();
    f.rows.push_back(added);
    EXPECT_EQ(added->Index, f.rows.size() - 1);

    for (int i = 0; i < 50; ++i) {
        f.tree->DeleteNode(f.rows[10]);
        f.rows.erase(f.rows.begin() + 10);
    }
    // A move up, one down, and an insertion in front of an unread row.
    PGridNode moved = f.rows[900];
    f.tree->MoveTo(moved, f.rows[20], amInsertBefore);
    f.rows.erase(f.rows.begin() + 900);
    f.rows.insert(f.rows.begin() + 20, moved);
    for (int i = 0; i < 30; ++i) {
        f.tree->DeleteNode(f.rows[5]);
        f.rows.erase(f.rows.begin() + 5);
    }
    moved = f.rows[3];
    f.tree->MoveTo(moved, f.rows[1500], amInsertAfter);
    f.rows.erase(f.rows.begin() + 3);
    f.rows.insert(f.rows.begin() + 1500, moved);
    f.tree->DeleteNode(f.rows[0]);
    f.rows.erase(f.rows.begin());
    PGridNode inserted = f.AddRow();
    f.tree->MoveTo(inserted, f.rows[1200], amInsertBefore);
    f.rows.insert(f.rows.begin() + 1200, inserted);
    EXPECT_TRUE(f.Agrees());

    // Children of one row, deleted from their top, then the row's count set again.
    PGridNode parent = f.rows[7];
    for (int i = 0; i < 40; ++i)
        f.tree->AddChild(parent);
    for (int i = 0; i < 25; ++i)
        f.tree->DeleteNode(parent->FirstChild);
    f.tree->SetChildCount(parent, 20);
    EXPECT_EQ(parent->LastChild->Index, 19u);
    f.tree->DeleteNode(parent->FirstChild);
    f.tree->DeleteNode(parent->FirstChild);
    f.tree->Sort(parent, NoColumn, sdAscending);
    EXPECT_TRUE(f.Agrees());

    // A sort whose comparisons read the positions, right after unread deletions: it reverses.
    for (int i = 0; i < 20; ++i) {
        f.tree->DeleteNode(f.rows[std::size_t(i) * 3]);
        f.rows.erase(f.rows.begin() + i * 3);
    }
    f.tree->OnCompareNodes = [](TBaseTreeGrid *, PGridNode a, PGridNode b, TColumnIndex, int &result) {
        result = int(b->Index) - int(a->Index);
    };
    f.tree->Sort(nullptr, NoColumn, sdAscending);
    std::reverse(f.rows.begin(), f.rows.end());
    EXPECT_TRUE(f.Agrees());
}
