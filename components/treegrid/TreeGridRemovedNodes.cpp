#include "treegrid/TreeGridRemovedNodes.h"

#include <new>

TTreeGridRemovedNodes::TTreeGridRemovedNodes(std::size_t blockAlignment)
    : FAlignment(blockAlignment)
{
    FTimer.setSingleShot(true);
    QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] { ReleaseAll(); });
}

TTreeGridRemovedNodes::~TTreeGridRemovedNodes()
{
    // Nothing of the tree runs on after it.
    FDepth = 0;
    ReleaseAll();
}

void TTreeGridRemovedNodes::Add(PGridNode node)
{
    FNodes.insert(node);
    ++FCount;
}

void TTreeGridRemovedNodes::Done(PGridNode node)
{
    if (FDepth > 0)
        return;
    FNodes.erase(node);
    ReleaseBlock(node);
}

void TTreeGridRemovedNodes::ReleaseBlock(PGridNode node) const
{
    ::operator delete(static_cast<void *>(node), std::align_val_t(FAlignment));
}

void TTreeGridRemovedNodes::ReleaseAll()
{
    if (FDepth > 0)
        return;
    std::unordered_set<const TGridNode *> nodes;
    nodes.swap(FNodes);
    for (const TGridNode *node : nodes)
        ReleaseBlock(const_cast<PGridNode>(node));
}

TTreeGridRemovedNodes::THold::~THold()
{
    // The roads that ran the handlers may still ask about their nodes until they return: the
    // blocks go from the event loop.
    if (--FNodes.FDepth == 0 && !FNodes.FNodes.empty() && !FNodes.FTimer.isActive())
        FNodes.FTimer.start(0);
}
