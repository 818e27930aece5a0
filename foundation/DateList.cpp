#include "DateList.h"

#include <algorithm>
#include <compare>
#include <stdexcept>
#include <string>

TDateListItem::TDateListItem(TDateTime start, TDateTime ende, int position, TNodeData *node,
                             const QString &name)
    : start(start), ende(ende), position(position), node(node), name(name)
{
}

std::unique_ptr<TDateListItem> TDateListItem::create(TDateTime start, TDateTime ende, int position,
                                                     TNodeData *node, const QString &name)
{
    return std::make_unique<TDateListItem>(start, ende, position, node, name);
}

int tDateList::Add(std::unique_ptr<TDateListItem> item)
{
    if (!item)
        return -1;
    FItems.push_back(std::move(item));
    return int(FItems.size()) - 1;
}

TDateListItem *tDateList::Add(TDateTime start, TDateTime ende, int position, TNodeData *node,
                              const QString &name)
{
    FItems.push_back(TDateListItem::create(start, ende, position, node, name));
    return FItems.back().get();
}

void tDateList::Delete(int i)
{
    if (i < 0 || i >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
    FItems.erase(FItems.begin() + i);
}

TDateListItem *tDateList::GetItems(int i) const
{
    if (i < 0 || i >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
    return FItems[std::size_t(i)].get();
}

void tDateList::SortDate()
{
    // weak_order keeps the ordering strict even for a NaN that slipped in from a bad cell.
    std::stable_sort(FItems.begin(), FItems.end(), [](const auto &a, const auto &b) {
        const auto byStart = std::weak_order(a->start, b->start);
        if (byStart != 0)
            return byStart < 0;
        return std::weak_order(a->ende, b->ende) < 0;
    });
}
