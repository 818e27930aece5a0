#pragma once

// The rows of each table by the position they are read under (TNodeData::nodePosition: an
// entry of the expanded full position list, AllPositions for "*", -1 for none), kept as rows
// come, go and move: a group's rows are counted, and the chart finds the bars of the chart
// rows it shows, without walking the table.

#include <array>
#include <unordered_map>
#include <vector>

#include "core/DocumentTypes.h"

class TRowsByPosition
{
public:
    // The row stands at `position` from now on; a new row joins.
    void Place(TNodeData &node, int position);
    // The row leaves.
    void Remove(TNodeData &node);
    // The table's rows went, freed.
    void Clear(TWhichTable table);
    // The rows at a position, in no particular order.
    const std::vector<TNodeData *> &Rows(TWhichTable table, int position) const;
    // Every position of a table that holds rows.
    const std::unordered_map<int, std::vector<TNodeData *>> &Positions(TWhichTable table) const
    {
        return FRows[table];
    }

private:
    std::array<std::unordered_map<int, std::vector<TNodeData *>>, WhichTableCount> FRows;
};
