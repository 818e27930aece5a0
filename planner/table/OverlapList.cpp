#include "table/OverlapList.h"

#include <utility>

void TOverlapList::Add(TNodeData *node)
{
    if (!node || Contains(node))
        return;
    FIndex.insert(node, FOrder.size());
    FOrder.push_back(node);
}

void TOverlapList::Remove(const TNodeData *node)
{
    const auto found = FIndex.constFind(node);
    if (found == FIndex.constEnd())
        return;
    FOrder[found.value()] = nullptr;
    FIndex.erase(found);
    ++FHoles;
    if (FHoles > std::size_t(FIndex.size()))
        Compact();
}

void TOverlapList::Clear()
{
    FOrder.clear();
    FIndex.clear();
    FHoles = 0;
}

void TOverlapList::Swap(TOverlapList &other) noexcept
{
    FOrder.swap(other.FOrder);
    FIndex.swap(other.FIndex);
    std::swap(FHoles, other.FHoles);
}

void TOverlapList::Reserve(int count)
{
    FOrder.reserve(std::size_t(count));
    FIndex.reserve(count);
}

std::vector<TNodeData *> TOverlapList::Items() const
{
    std::vector<TNodeData *> items;
    items.reserve(FIndex.size());
    for (TNodeData *node : FOrder)
        if (node)
            items.push_back(node);
    return items;
}

void TOverlapList::Compact()
{
    std::vector<TNodeData *> order = Items();
    FOrder.swap(order);
    for (std::size_t i = 0; i < FOrder.size(); ++i)
        FIndex[FOrder[i]] = i;
    FHoles = 0;
}
