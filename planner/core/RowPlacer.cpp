#include "core/RowPlacer.h"

#include <algorithm>

namespace {

// Free slots counted by a Fenwick tree: the k-th free slot in log time.
class TFreeSlots
{
public:
    explicit TFreeSlots(std::size_t count) : FTree(count + 1, 0)
    {
        for (std::size_t i = 1; i <= count; ++i) {
            FTree[i] += 1;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= count)
                FTree[parent] += FTree[i];
        }
        FTop = 1;
        while (FTop * 2 <= count)
            FTop *= 2;
    }

    // Takes the free slot with k free slots before it.
    std::size_t Take(std::size_t k)
    {
        std::size_t position = 0;
        for (std::size_t step = FTop; step > 0; step /= 2) {
            const std::size_t next = position + step;
            if (next < FTree.size() && FTree[next] <= k) {
                position = next;
                k -= FTree[next];
            }
        }
        for (std::size_t i = position + 1; i < FTree.size(); i += i & (~i + 1))
            FTree[i] -= 1;
        return position;
    }

private:
    std::vector<std::size_t> FTree;
    std::size_t FTop = 1;
};

} // namespace

void TRowPlacer::End()
{
    if (FDepth > 0 && --FDepth == 0)
        Flush();
}

void TRowPlacer::MoveTo(TBaseTreeGrid &grid, PGridNode node, int index)
{
    PGridNode root = grid.RootNode();
    if (!node || node->Parent != root || index < 0)
        return;
    if (FDepth > 0 && node == root->LastChild) {
        auto pending = std::find_if(FPending.begin(), FPending.end(),
                                    [&grid](const TPending &p) { return p.grid == &grid; });
        // A row held back already has left the end: it is moved for real.
        if (pending == FPending.end() || !pending->wanted.contains(node)) {
            // The last row, and a place past the end keeps it there.
            if (std::uint32_t(index) >= node->Index)
                return;
            if (pending == FPending.end()) {
                FPending.push_back({&grid, node->Index, {}, {}});
                pending = std::prev(FPending.end());
            }
            pending->wanted.emplace(node, index);
            pending->moves.emplace_back(node, index);
            return;
        }
    }
    Flush();
    MoveNow(grid, node, index);
}

void TRowPlacer::Flush()
{
    std::vector<TPending> pending;
    pending.swap(FPending);
    for (TPending &p : pending)
        if (p.grid)
            Place(p);
}

void TRowPlacer::Place(TPending &pending)
{
    TBaseTreeGrid &grid = *pending.grid;
    PGridNode root = grid.RootNode();
    const std::uint32_t first = pending.firstAppended;
    const std::uint32_t count = root->ChildCount;
    bool intact = first <= count;
    // The appended rows, from the bottom up.
    std::vector<PGridNode> appended;
    if (intact) {
        appended.resize(count - first);
        PGridNode run = root->LastChild;
        for (std::uint32_t i = count; i > first; --i, run = run->PrevSibling) {
            if (!run || run->Index != i - 1) {
                intact = false;
                break;
            }
            appended[i - 1 - first] = run;
        }
    }
    for (const auto &[node, index] : pending.moves)
        if (!intact || node->Parent != root || node->Index < first || appended[node->Index - first] != node) {
            intact = false;
            break;
        }
    if (!intact) {
        // Something else changed the table meanwhile: the moves one by one, as they came.
        for (const auto &[node, index] : pending.moves)
            if (node->Parent == root)
                MoveNow(grid, node, index);
        return;
    }

    // Each appended row went in at its place among the rows before it; the later ones
    // pushed it down. Taken newest first, a row gets the free slot at its place.
    std::vector<PGridNode> order(count, nullptr);
    TFreeSlots free(count);
    for (std::size_t i = appended.size(); i-- > 0;) {
        const std::uint32_t appendedAt = first + std::uint32_t(i);
        const auto wanted = pending.wanted.find(appended[i]);
        const std::uint32_t place =
            wanted == pending.wanted.end() ? appendedAt : std::min(std::uint32_t(wanted->second), appendedAt);
        order[free.Take(place)] = appended[i];
    }
    PGridNode run = root->FirstChild;
    for (PGridNode &slot : order)
        if (!slot) {
            slot = run;
            run = run->NextSibling;
        }
    grid.ReorderChildren(root, order);
}

void TRowPlacer::MoveNow(TBaseTreeGrid &grid, PGridNode node, int index)
{
    PGridNode root = grid.RootNode();
    const int count = int(root->ChildCount);
    if (index >= count - 1) {
        if (node != root->LastChild)
            grid.MoveTo(node, root->LastChild, amInsertAfter);
        return;
    }
    if (int(node->Index) == index)
        return;
    // The row now at that place, walked to from the nearer end of the table.
    PGridNode target = nullptr;
    if (index < count / 2) {
        target = root->FirstChild;
        for (int i = 0; i < index && target; ++i)
            target = target->NextSibling;
    } else {
        target = root->LastChild;
        for (int i = count - 1; i > index && target; --i)
            target = target->PrevSibling;
    }
    if (!target || target == node)
        return;
    // A row moving down takes the target's place by going after it.
    grid.MoveTo(node, target, node->Index < target->Index ? amInsertAfter : amInsertBefore);
}
