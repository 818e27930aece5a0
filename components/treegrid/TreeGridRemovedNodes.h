#pragma once

#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "treegrid/TreeGridTypes.h"

// The nodes a tree removed while its handlers ran. Any handler may delete any node. A node
// removed while a handler or an event of the tree runs is cut off from the tree at once, but
// its block stays until no handler and no event of the tree runs any more and control is back
// in the event loop: whatever still holds the node asks whether it is gone, and the tree's
// operations pass it over.
class TTreeGridRemovedNodes
{
public:
    // Node blocks are allocated with this alignment.
    explicit TTreeGridRemovedNodes(std::size_t blockAlignment);
    // Releases the blocks still kept.
    ~TTreeGridRemovedNodes();
    TTreeGridRemovedNodes(const TTreeGridRemovedNodes &) = delete;
    TTreeGridRemovedNodes &operator=(const TTreeGridRemovedNodes &) = delete;

    bool Contains(const TGridNode *node) const { return node && !FNodes.empty() && FNodes.count(node) > 0; }
    // How many nodes were removed so far.
    std::uint64_t Count() const { return FCount; }
    // A node goes: it counts as removed from now on.
    void Add(PGridNode node);
    // The tree is done with a removed node: its block is released at once unless something
    // holds the release back.
    void Done(PGridNode node);
    // Frees a node block of the tree.
    void ReleaseBlock(PGridNode node) const;

    // Holds the release of removed blocks back while it lives: around every raised event, every
    // call into an edit link and every event of the tree's window.
    class THold
    {
    public:
        explicit THold(TTreeGridRemovedNodes &nodes) : FNodes(nodes) { ++FNodes.FDepth; }
        ~THold();
        THold(const THold &) = delete;
        THold &operator=(const THold &) = delete;

    private:
        TTreeGridRemovedNodes &FNodes;
    };

private:
    // From the event loop: only where nothing of the tree runs can a removed node be held.
    void ReleaseAll();

    std::unordered_set<const TGridNode *> FNodes;
    std::size_t FAlignment;
    std::uint32_t FDepth = 0;
    std::uint64_t FCount = 0;
    QTimer FTimer;
};
