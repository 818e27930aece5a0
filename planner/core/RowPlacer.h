#pragma once

// Puts rows at wanted places in a table. While a batch is open, moves only change the order
// the rows will stand in (a list linked beside the grid), and the batch's rows go into their
// places in one pass when it closes: undoing many deletions, or taking many rows from another
// instance's journal, would otherwise renumber the table once per row. Rows appended to the
// grid meanwhile join that order at its end.

#include <QPointer>

#include <memory>
#include <vector>

#include "core/PointerMap.h"
#include "treegrid/BaseTreeGrid.h"

class TRowPlacer
{
public:
    // Batches nest; the outermost End places what was held back.
    void Begin()
    {
        if (FDepth++ == 0)
            FDirectMoves = 0;
    }
    void End();
    // Puts a top-level row right before `before` (another top-level row; nullptr: last).
    void MoveBefore(TBaseTreeGrid &grid, PGridNode node, PGridNode before);
    // Puts a top-level row at a place (0 = top); a place past the end means the last.
    void MoveTo(TBaseTreeGrid &grid, PGridNode node, int index);
    // The top-level rows next to `node` as they will stand; nullptr at the ends. Previous
    // of nullptr is the last row.
    PGridNode Next(TBaseTreeGrid &grid, PGridNode node);
    PGridNode Previous(TBaseTreeGrid &grid, PGridNode node);
    // Places what is held back now: before a row's place is read or a row goes.
    void Flush();

private:
    struct TLink
    {
        PGridNode prev = nullptr;
        PGridNode next = nullptr;
    };
    // The order the rows of one grid will stand in.
    struct TPending
    {
        QPointer<TBaseTreeGrid> grid;
        // An undo of many deletions links each row it brings back.
        TPointerMap<TGridNode, TLink> links;
        PGridNode first = nullptr;
        PGridNode last = nullptr;
        bool moved = false;
    };
    // The grid's pending order, made on first need (nullptr outside a batch); rows the grid
    // got since join it at the end.
    TPending *Pending(TBaseTreeGrid &grid, bool make);
    static void Append(TPending &pending, PGridNode node);
    // Both take the row's own link, found once by the caller.
    static void Unlink(TPending &pending, TLink &link);
    static void LinkBefore(TPending &pending, PGridNode node, TLink &link, PGridNode before);
    static void Place(TPending &pending);
    static void MoveNow(TBaseTreeGrid &grid, PGridNode node, int index);

    // The first moves of a batch go to the grid at once: linking every row of a large table
    // costs more than renumbering it a few times.
    static constexpr int DirectMoves = 8;
    TPending *BatchFor(TBaseTreeGrid &grid);

    int FDepth = 0;
    int FDirectMoves = 0;
    std::vector<std::unique_ptr<TPending>> FPending;
};
