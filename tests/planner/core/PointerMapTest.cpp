#include "core/PointerMap.h"

#include <gtest/gtest.h>

#include <QHash>

#include <random>
#include <vector>

namespace {

struct TItem
{
    char bytes[64];
};

} // namespace

// The map answers as QHash does for keys spread as allocations are (one apart by a page, by a
// node's size, side by side), through growth and reservation; looking up a key it has moves
// nothing, so that a reference to another value stays good.
TEST(PointerMap, AnswersAsAHashOfPointersAndALookupMovesNothing)
{
    std::vector<TItem> items(20000);
    std::mt19937 random(4711);
    const int strides[] = {1, 64, 7};
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const int stride = strides[round];
        auto key = [&] { return &items[std::size_t(random() % (items.size() / std::size_t(stride))) * std::size_t(stride)]; };
        TPointerMap<TItem, int> map;
        QHash<TItem *, int> expected;
        if (round == 1)
            map.reserve(200);
        for (int step = 0; step < 30000; ++step) {
            TItem *item = key();
            if (random() % 3 == 0) {
                const int number = int(random() % 1000);
                map[item] = number;
                expected[item] = number;
            } else {
                ASSERT_EQ(map.contains(item), expected.contains(item));
                if (expected.contains(item)) {
                    // Another known key looked up: the first reference still names its value.
                    int &value = map[item];
                    TItem *other = expected.begin().key();
                    const qsizetype size = map.size();
                    EXPECT_EQ(map[other], expected.value(other));
                    EXPECT_EQ(map.size(), size);
                    EXPECT_EQ(&value, &map[item]);
                    EXPECT_EQ(value, expected.value(item));
                }
            }
        }
        EXPECT_EQ(map.size(), expected.size());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            ASSERT_EQ(map[it.key()], it.value());
        EXPECT_FALSE(map.contains(nullptr));
    }
}
