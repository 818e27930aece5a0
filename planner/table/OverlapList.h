#pragma once

#include <QHash>

#include <cstddef>
#include <vector>

struct TNodeData;

// A list of rows that answers "is this row listed" in constant time and keeps the order in
// which rows were added. A row is listed once however often it is added.
class TOverlapList
{
public:
    bool Contains(const TNodeData *node) const { return FIndex.contains(node); }
    bool IsEmpty() const { return FIndex.isEmpty(); }
    int Count() const { return int(FIndex.size()); }

    // Appends the row unless it is listed already.
    void Add(TNodeData *node);
    void Remove(const TNodeData *node);
    void Clear();
    void Swap(TOverlapList &other) noexcept;
    void Reserve(int count);

    // The listed rows in the order they were added.
    std::vector<TNodeData *> Items() const;

private:
    // Removed rows leave a hole (nil) until the holes outnumber the rows.
    void Compact();

    std::vector<TNodeData *> FOrder;
    QHash<const TNodeData *, std::size_t> FIndex;
    std::size_t FHoles = 0;
};
