#include "core/RowPlacer.h"

#include <algorithm>

#include "Log.h"

void TRowPlacer::End()
{
    if (FDepth > 0 && --FDepth == 0)
        Flush();
}

TRowPlacer::TPending *TRowPlacer::Pending(TBaseTreeGrid &grid, bool make)
{
    if (FDepth == 0)
        return nullptr;
    auto found = std::find_if(FPending.begin(), FPending.end(),
                              [&grid](const std::unique_ptr<TPending> &p) { return p->grid == &grid; });
    TPending *pending = found == FPending.end() ? nullptr : found->get();
    if (!pending) {
        if (!make)
            return nullptr;
        FPending.push_back(std::make_unique<TPending>());
        pending = FPending.back().get();
        pending->grid = &grid;
        pending->links.reserve(grid.RootNode()->ChildCount);
    }
    // Rows appended since: from the end back to the first one known, then joined in order.
    PGridNode root = grid.RootNode();
    PGridNode firstAdded = nullptr;
    for (PGridNode run = root->LastChild; run && !pending->links.contains(run); run = run->PrevSibling)
        firstAdded = run;
    for (PGridNode run = firstAdded; run; run = run->NextSibling)
        Append(*pending, run);
    return pending;
}

TRowPlacer::TPending *TRowPlacer::BatchFor(TBaseTreeGrid &grid)
{
    if (TPending *pending = Pending(grid, false))
        return pending;
    if (FDepth == 0 || FDirectMoves < DirectMoves) {
        ++FDirectMoves;
        return nullptr;
    }
    return Pending(grid, true);
}

void TRowPlacer::Append(TPending &pending, PGridNode node)
{
    pending.links[node] = TLink{pending.last, nullptr};
    if (pending.last)
        pending.links[pending.last].next = node;
    else
        pending.first = node;
    pending.last = node;
}

void TRowPlacer::Unlink(TPending &pending, TLink &link)
{
    if (link.prev)
        pending.links[link.prev].next = link.next;
    else
        pending.first = link.next;
    if (link.next)
        pending.links[link.next].prev = link.prev;
    else
        pending.last = link.prev;
    link = TLink();
}

void TRowPlacer::LinkBefore(TPending &pending, PGridNode node, TLink &link, PGridNode before)
{
    if (!before) {
        link = TLink{pending.last, nullptr};
        if (pending.last)
            pending.links[pending.last].next = node;
        else
            pending.first = node;
        pending.last = node;
        return;
    }
    const qsizetype linked = pending.links.size();
    TLink &next = pending.links[before];
    // A row the order did not hold yet moves the others: the row's link is found again.
    TLink &own = pending.links.size() == linked ? link : pending.links[node];
    const PGridNode prev = next.prev;
    own = TLink{prev, before};
    next.prev = node;
    if (prev)
        pending.links[prev].next = node;
    else
        pending.first = node;
}

void TRowPlacer::MoveBefore(TBaseTreeGrid &grid, PGridNode node, PGridNode before)
{
    PGridNode root = grid.RootNode();
    if (!node || node->Parent != root || node == before || (before && before->Parent != root))
        return;
    if (TPending *pending = BatchFor(grid)) {
        // Every row of the grid is linked already: the references stay valid, nothing is added.
        TLink &link = pending->links[node];
        if (link.next == before && (before || pending->last == node))
            return;
        Unlink(*pending, link);
        LinkBefore(*pending, node, link, before);
        pending->moved = true;
        return;
    }
    if (before)
        grid.MoveTo(node, before, amInsertBefore);
    else if (node != root->LastChild)
        grid.MoveTo(node, root->LastChild, amInsertAfter);
}

void TRowPlacer::MoveTo(TBaseTreeGrid &grid, PGridNode node, int index)
{
    PGridNode root = grid.RootNode();
    if (!node || node->Parent != root || index < 0)
        return;
    TPending *pending = BatchFor(grid);
    if (!pending) {
        MoveNow(grid, node, index);
        return;
    }
    // The row now at that place among the others, walked to from the nearer end.
    const int others = int(root->ChildCount) - 1;
    PGridNode target = nullptr;
    if (index < others / 2) {
        int i = 0;
        for (PGridNode run = pending->first; run; run = pending->links[run].next)
            if (run != node && i++ == index) {
                target = run;
                break;
            }
    } else if (index < others) {
        int i = others - 1;
        for (PGridNode run = pending->last; run; run = pending->links[run].prev)
            if (run != node && i-- == index) {
                target = run;
                break;
            }
    }
    MoveBefore(grid, node, target);
}

PGridNode TRowPlacer::Next(TBaseTreeGrid &grid, PGridNode node)
{
    if (!node || node->Parent != grid.RootNode())
        return nullptr;
    if (TPending *pending = Pending(grid, false))
        return pending->links[node].next;
    return node->NextSibling;
}

PGridNode TRowPlacer::Previous(TBaseTreeGrid &grid, PGridNode node)
{
    if (node && node->Parent != grid.RootNode())
        return nullptr;
    if (TPending *pending = Pending(grid, false))
        return node ? pending->links[node].prev : pending->last;
    return node ? node->PrevSibling : grid.RootNode()->LastChild;
}

void TRowPlacer::Flush()
{
    std::vector<std::unique_ptr<TPending>> pending;
    pending.swap(FPending);
    for (const auto &p : pending)
        if (p->grid && p->moved)
            Place(*p);
}

void TRowPlacer::Place(TPending &pending)
{
    TBaseTreeGrid &grid = *pending.grid;
    PGridNode root = grid.RootNode();
    // Rows appended at the very end are still to join.
    for (PGridNode run = root->LastChild; run && !pending.links.contains(run); run = run->PrevSibling)
        Append(pending, run);
    std::vector<PGridNode> order;
    order.reserve(root->ChildCount);
    for (PGridNode run = pending.first; run && order.size() <= root->ChildCount; run = pending.links[run].next)
        order.push_back(run);
    // Something else changed the table meanwhile: its rows stand as they are.
    bool intact = order.size() == root->ChildCount;
    for (PGridNode child = root->FirstChild; intact && child; child = child->NextSibling)
        intact = pending.links.contains(child);
    if (!intact) {
        Log(QStringLiteral("Rows could not be placed: the table changed meanwhile"));
        return;
    }
    grid.ReorderChildren(root, order);
}

void TRowPlacer::MoveNow(TBaseTreeGrid &grid, PGridNode node, int index)
{
    PGridNode root = grid.RootNode();
    const int count = int(root->ChildCount);
    if (index >= count - 1) {
        if (node != root->LastChild)
            grid.MoveTo(node, root->LastChild, amInsertAfter);
        return;
    }
    if (int(node->Index) == index)
        return;
    // The row now at that place, walked to from the nearer end of the table.
    PGridNode target = nullptr;
    if (index < count / 2) {
        target = root->FirstChild;
        for (int i = 0; i < index && target; ++i)
            target = target->NextSibling;
    } else {
        target = root->LastChild;
        for (int i = count - 1; i > index && target; --i)
            target = target->PrevSibling;
    }
    if (!target || target == node)
        return;
    // A row moving down takes the target's place by going after it.
    grid.MoveTo(node, target, node->Index < target->Index ? amInsertAfter : amInsertBefore);
}
