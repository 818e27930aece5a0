// Sibling positions: a node leaving its siblings marks the run after it, and a read of a
// position in that run renumbers the run up to the node read. Taking rows out one by one,
// from whatever end, so costs each removal a constant number of steps.

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridRoutines.h"

std::uint32_t RenumberedSiblingIndex(const TGridNode *node)
{
    TBaseTreeGrid *tree = TreeFromNode(node->Parent);
    return tree ? tree->RenumberTo(node) : node->Index.Value;
}

std::uint32_t TBaseTreeGrid::RenumberTo(const TGridNode *node)
{
    const PGridNode parent = node->Parent;
    const auto it = FStaleIndexes.find(parent);
    if (it == FStaleIndexes.end()) {
        parent->StaleChildIndexes = 0;
        return node->Index.Value;
    }
    TStaleIndexes &stale = it->second;
    // Before the run, or no longer among the children (unlinked, not yet freed): as stored.
    if (node->Index.Value < stale.Index || (!node->PrevSibling && parent->FirstChild != node))
        return node->Index.Value;
    std::uint32_t index = stale.Index;
    PGridNode run = stale.Node;
    while (run && run != node) {
        run->Index.Value = index++;
        run = run->NextSibling;
    }
    TGAssert(run != nullptr, "A stale sibling position must follow the marked node.");
    run->Index.Value = index;
    if (run->NextSibling) {
        stale.Node = run->NextSibling;
        stale.Index = index + 1;
    } else {
        ForgetStaleIndexes(parent);
    }
    return index;
}

void TBaseTreeGrid::MarkIndexesStale(PGridNode parent, PGridNode node, std::uint32_t index)
{
    FStaleIndexes[parent] = TStaleIndexes{node, index};
    parent->StaleChildIndexes = 1;
}

void TBaseTreeGrid::ForgetStaleIndexes(PGridNode parent)
{
    if (!parent->StaleChildIndexes)
        return;
    FStaleIndexes.erase(parent);
    parent->StaleChildIndexes = 0;
}

void TBaseTreeGrid::NoteUnlinking(PGridNode node)
{
    const PGridNode parent = node->Parent;
    const std::uint32_t stored = node->Index.Value;
    const auto it = parent->StaleChildIndexes ? FStaleIndexes.find(parent) : FStaleIndexes.end();
    if (it == FStaleIndexes.end() || stored < it->second.Index) {
        // The node holds its right position: everything after it moves up by one.
        if (node->NextSibling)
            MarkIndexesStale(parent, node->NextSibling, stored);
        else
            ForgetStaleIndexes(parent);
        return;
    }
    // Inside the stale run: the run's start stays where it is unless the node is that start.
    if (it->second.Node == node) {
        if (node->NextSibling)
            it->second.Node = node->NextSibling;
        else
            ForgetStaleIndexes(parent);
    }
}
