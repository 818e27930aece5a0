#include "Allocator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__GLIBC__)
// Small freed blocks must not wait in fast bins: with them, a later large request sweeps them
// all. Freed small blocks beyond the per-thread cache join their neighbours at once instead.
TEST(Allocator, SmallFreedBlocksAreNotHeldInFastBins)
{
    platform::tuneAllocator();
    std::vector<void *> blocks;
    for (int i = 0; i < 2000; ++i)
        blocks.push_back(std::malloc(48));
    // Every other block, so that freed blocks have live neighbours and cannot all merge away.
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        std::free(blocks[i]);
    const struct mallinfo2 info = mallinfo2();
    for (std::size_t i = 1; i < blocks.size(); i += 2)
        std::free(blocks[i]);
    EXPECT_EQ(info.fsmblks, 0u);
}
#endif
