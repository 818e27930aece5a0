// Incremental search: typing jumps to the next node whose text begins with what was typed.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>

void TBaseTreeGrid::SetIncrementalSearch(TTGIncrementalSearch value)
{
    if (FIncrementalSearch == value)
        return;
    FIncrementalSearch = value;
    if (value == isNone)
        StopIncrementalSearch();
}

void TBaseTreeGrid::StopIncrementalSearch()
{
    FSearchTimer.stop();
    FSearchBuffer.clear();
    FLastSearchNode = nullptr;
    DoStateChange({}, {tsIncrementalSearching});
}

int TBaseTreeGrid::DoIncrementalSearch(PGridNode node, const QString &text)
{
    int result = 0;
    Raise(OnIncrementalSearch, node, text, result);
    return result;
}

void TBaseTreeGrid::IncrementalSearchFailed()
{
    QApplication::beep();
}

PGridNode TBaseTreeGrid::SearchStep(PGridNode node, bool forward)
{
    switch (FIncrementalSearch) {
    case isInitializedOnly: {
        // Nodes the owner has not set up yet are passed over, and stay as they are.
        PGridNode run = node;
        do {
            if (!run)
                run = forward ? GetFirstNoInit() : GetLastNoInit();
            else
                run = forward ? GetNextNoInit(run) : GetPreviousNoInit(run);
        } while (run && !run->States.contains(vsInitialized));
        return run;
    }
    case isVisibleOnly:
        if (!node)
            return forward ? GetFirstVisible() : GetLastVisible();
        return forward ? GetNextVisible(node) : GetPreviousVisible(node);
    default:
        if (!node)
            return forward ? GetFirst() : GetLast();
        return forward ? GetNext(node) : GetPrevious(node);
    }
}

void TBaseTreeGrid::HandleIncrementalSearch(char16_t charCode)
{
    FSearchTimer.stop();
    if (FIncrementalSearch == isNone || charCode == 0)
        return;
    DoStateChange({tsIncrementalSearching});
    const QChar character(charCode);
    const bool back = charCode == 8;

    // Backspace into an empty buffer only keeps the search alive.
    if (!(back && FSearchBuffer.isEmpty())) {
        PGridNode start = nullptr;
        switch (FIncrementalSearchStart) {
        case ssFocusedNode: start = FFocusedNode; break;
        case ssLastHit: start = FLastSearchNode; break;
        case ssAlwaysStartOver: break;
        }
        if (start && FIncrementalSearch == isInitializedOnly && !start->States.contains(vsInitialized))
            start = nullptr;
        if (start && FIncrementalSearch == isVisibleOnly && (!FullyVisible(start) || IsEffectivelyHidden(start)))
            start = nullptr;
        const PGridNode stop = start;

        bool forward = FIncrementalSearchDirection == sdForward;
        if (back)
            forward = !forward;
        bool singleLetter = FSearchBuffer.size() == 1 && !back && FSearchBuffer.at(0) == character;
        // A doubled letter that still matches the current node extends the match.
        if (singleLetter && start && DoIncrementalSearch(start, FSearchBuffer + character) == 0)
            singleLetter = false;
        // The handlers asked may change the tree; the search ends where its node went.
        if (IsRemoved(start)) {
            FSearchTimer.start(int(FIncrementalSearchTimeout));
            return;
        }
        const bool findNext = FSearchBuffer.isEmpty() || !start || singleLetter || back;
        if (findNext) {
            start = SearchStep(start, forward);
            if (!start)
                start = SearchStep(nullptr, forward);
        }

        QString searchText;
        if (singleLetter) {
            searchText = FSearchBuffer;
        } else if (back) {
            FSearchBuffer.chop(1);
            searchText = FSearchBuffer;
        } else {
            searchText = FSearchBuffer + character;
        }

        // One round at most: back to where the search started, or, with no such node, back to
        // the first node it looked at. The node count bounds it should the walk never get there.
        const PGridNode end = stop ? stop : start;
        std::uint64_t budget = std::uint64_t(FRoot->TotalCount) + 1;
        PGridNode hit = nullptr;
        for (PGridNode run = start; run && budget > 0; --budget) {
            const int found = DoIncrementalSearch(run, searchText);
            if (IsRemoved(run) || IsRemoved(end))
                break;
            if (found == 0) {
                hit = run;
                break;
            }
            run = SearchStep(run, forward);
            if (!run)
                run = SearchStep(nullptr, forward);
            if (run == end)
                break;
        }

        if (hit) {
            ClearSelection();
            if (!IsRemoved(hit)) {
                FSearchBuffer = searchText;
                FLastSearchNode = hit;
                SetFocusedNode(hit);
                SetSelected(hit, true);
            }
        } else if (stop && !IsRemoved(stop) && DoIncrementalSearch(stop, searchText) != 0 && !IsRemoved(stop)) {
            // Nothing matches, not even the node the search started from. A search that had no
            // node to start from stays silent.
            IncrementalSearchFailed();
        }
    }
    FSearchTimer.start(int(FIncrementalSearchTimeout));
}

void TBaseTreeGrid::SearchTimerTick()
{
    DoStateChange({}, {tsIncrementalSearching});
    FSearchTimer.stop();
    FSearchBuffer.clear();
    FLastSearchNode = nullptr;
}
