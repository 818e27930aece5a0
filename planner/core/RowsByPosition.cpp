#include "core/RowsByPosition.h"

#include <algorithm>

void TRowsByPosition::Place(TNodeData &node, int position)
{
    if (node.nodeIndexSlot >= 0 && node.nodeIndexedPosition == position)
        return;
    Remove(node);
    std::vector<TNodeData *> &rows = FRows[node.NodeTable][position];
    node.nodeIndexedPosition = position;
    node.nodeIndexSlot = qint32(rows.size());
    rows.push_back(&node);
}

void TRowsByPosition::Remove(TNodeData &node)
{
    if (node.nodeIndexSlot < 0)
        return;
    auto &table = FRows[node.NodeTable];
    const auto found = table.find(node.nodeIndexedPosition);
    if (found != table.end()) {
        std::vector<TNodeData *> &rows = found->second;
        auto slot = std::size_t(node.nodeIndexSlot);
        if (slot >= rows.size() || rows[slot] != &node)
            slot = std::size_t(std::find(rows.begin(), rows.end(), &node) - rows.begin());
        if (slot < rows.size()) {
            // The last row takes the place of the one leaving.
            rows[slot] = rows.back();
            rows[slot]->nodeIndexSlot = qint32(slot);
            rows.pop_back();
        }
        if (rows.empty())
            table.erase(found);
    }
    node.nodeIndexSlot = -1;
}

void TRowsByPosition::Clear(TWhichTable table)
{
    // The rows are gone already: only the lists go.
    FRows[table].clear();
}

const std::vector<TNodeData *> &TRowsByPosition::Rows(TWhichTable table, int position) const
{
    static const std::vector<TNodeData *> none;
    const auto found = FRows[table].find(position);
    return found != FRows[table].end() ? found->second : none;
}
