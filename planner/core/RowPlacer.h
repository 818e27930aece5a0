#pragma once

// Puts rows at wanted places in a table. While a batch is open, a row placed right after it
// was appended is only remembered, and the batch's rows go into their places in one pass
// when it closes: undoing many deletions would otherwise renumber the table once per row.

#include <QPointer>

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "treegrid/BaseTreeGrid.h"

class TRowPlacer
{
public:
    // Batches nest; the outermost End places what was held back.
    void Begin() { ++FDepth; }
    void End();
    // Puts a top-level row at a place (0 = top); a place past the end means the last.
    void MoveTo(TBaseTreeGrid &grid, PGridNode node, int index);
    // Places what is held back now: before a row's place is read or a row goes.
    void Flush();

private:
    struct TPending
    {
        QPointer<TBaseTreeGrid> grid;
        // Rows from this place down were appended in the batch, in the order they came.
        std::uint32_t firstAppended = 0;
        std::unordered_map<PGridNode, int> wanted;
        std::vector<std::pair<PGridNode, int>> moves;
    };
    static void Place(TPending &pending);
    static void MoveNow(TBaseTreeGrid &grid, PGridNode node, int index);

    int FDepth = 0;
    std::vector<TPending> FPending;
};
