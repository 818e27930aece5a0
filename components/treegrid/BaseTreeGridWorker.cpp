#include "treegrid/BaseTreeGrid.h"

#include <QScopedValueRollback>

#include "treegrid/TreeGridWorkerThread.h"

// Position cache and the hand-over with the validation worker. The worker only ever runs
// DoValidateCache; every other member here runs on the GUI thread.

void TBaseTreeGrid::InvalidateCache()
{
    FLastTop = TCacheEntry();
    ++FRowsGeneration;
    DoStateChange({tsValidationNeeded}, {tsUseCache});
}

void TBaseTreeGrid::ValidateCache()
{
    InterruptValidation();
    FStartIndex = 0;
    // A tree that is going away must never be queued again.
    if (!FStates.contains(tsValidationNeeded) || FDestroying)
        return;
    TWorkerThread *worker = TWorkerThread::Instance();
    if (!worker)
        return;
    // Under variable node heights the measuring events must run here, never on the worker.
    if (FOptions->MiscOptions().contains(toVariableNodeHeight)) {
        // Initialising and measuring may change heights and even structure; with the update
        // count raised none of that starts another validation, and what it owes the owner
        // is reported afterwards.
        {
            const QScopedValueRollback<bool> measuring(FInValidateCache, true);
            const TUpdateCountHold hold(*this);
            for (PGridNode run = GetFirstVisibleNoInit(); run; run = GetNextVisibleNoInit(run)) {
                if (run->States.contains(vsHeightMeasured))
                    continue;
                if (!run->States.contains(vsInitialized))
                    InitNode(run);
                MeasureItemHeight(nullptr, run);
                // A handler removed the row: the rows after it are measured when painted.
                if (IsRemoved(run))
                    break;
            }
        }
        if (FUpdateCount == 0) {
            if (FStates.contains(tsStructureChangePending))
                StructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
            if (FStates.contains(tsChangePending))
                Change(FLastChangedNode);
        }
        InterruptValidation(); // measuring may have changed heights
        FStartIndex = 0;
    }
    DoStateChange({}, {tsStopValidation});
    FStopValidationFlag.store(false, std::memory_order_release);
    worker->AddTree(this);
    worker->Wake();
}

void TBaseTreeGrid::ValidateCacheNow()
{
    if (FStates.contains(tsUseCache) || !FStates.contains(tsValidationNeeded) || FUpdateCount > 0
        || FInValidateCache || FDestroying || FVisibleCount <= PositionCacheStep
        || FOptions->MiscOptions().contains(toVariableNodeHeight))
        return;
    // The worker leaves the tree first; what it reports of it afterwards is out of date.
    InterruptValidation();
    FStartIndex = 0;
    FStopValidationFlag.store(false, std::memory_order_release);
    const bool complete = DoValidateCache();
    DoStateChange(complete ? TTreeGridStates{tsUseCache} : TTreeGridStates{},
                  {tsStopValidation, tsValidating, tsValidationNeeded});
    if (!complete)
        DoStateChange({tsValidationNeeded});
}

void TBaseTreeGrid::InterruptValidation()
{
    FLastTop = TCacheEntry();
    DoStateChange({tsStopValidation}, {tsUseCache});
    FStopValidationFlag.store(true, std::memory_order_release);
    TWorkerThread *worker = TWorkerThread::Instance();
    if (!worker)
        return;
    const bool wasValidating = FStates.contains(tsValidating);
    // Waits without pumping messages: the worker posts its reports and never waits for us.
    worker->WaitForTree(this);
    if (wasValidating || FStates.contains(tsValidating))
        DoStateChange({tsValidationNeeded}, {tsValidating});
}

bool TBaseTreeGrid::DoValidateCache()
{
    auto stopped = [this] { return FStopValidationFlag.load(std::memory_order_acquire); };

    if (FStartIndex == 0)
        FPositionCache.clear();
    std::size_t entryCount = 0;
    if (FVisibleCount > PositionCacheStep)
        entryCount = (std::size_t(FVisibleCount) + PositionCacheStep - 1) / PositionCacheStep;
    FPositionCache.resize(entryCount);
    if (FStartIndex > entryCount)
        FStartIndex = std::uint32_t(entryCount);
    if (entryCount == 0 || stopped())
        return false;

    std::size_t index = 0;
    std::int64_t currentTop = 0;
    PGridNode node = nullptr;
    if (FStartIndex > 0 && FPositionCache[FStartIndex - 1].Node) {
        index = FStartIndex - 1;
        node = FPositionCache[index].Node;
        currentTop = FPositionCache[index].AbsoluteTop;
    } else {
        node = GetFirstVisibleNoInit(nullptr, true);
    }

    std::uint32_t count = 0;
    PGridNode lastNode = nullptr;
    while (node && index < entryCount) {
        if (stopped())
            return false;
        if (count % PositionCacheStep == 0) {
            FPositionCache[index].Node = node;
            FPositionCache[index].AbsoluteTop = currentTop;
            FPositionCache[index].HoldsBottom = false;
            ++index;
        }
        // Heights were measured on the GUI thread before queuing; read them as they are.
        currentTop += node->NodeHeight;
        ++count;
        lastNode = node;
        node = GetNextVisibleNoInit(node, true);
    }
    if (stopped())
        return false;
    if (index < entryCount && lastNode) {
        FPositionCache.resize(index + 1);
        FPositionCache[index].Node = lastNode;
        FPositionCache[index].AbsoluteTop = currentTop;
        FPositionCache[index].HoldsBottom = true;
    }
    return count > 1;
}

void TBaseTreeGrid::WMChangeState(TValidationChangeStates enter, TValidationChangeStates leave)
{
    auto toTree = [](TValidationChangeStates states) {
        TTreeGridStates result;
        if (states.contains(csStopValidation))
            result += tsStopValidation;
        if (states.contains(csUseCache))
            result += tsUseCache;
        if (states.contains(csValidating))
            result += tsValidating;
        if (states.contains(csValidationNeeded))
            result += tsValidationNeeded;
        return result;
    };
    DoStateChange(toTree(enter), toTree(leave));
    // Heights may have grown while validating: the scroll range follows here, on this thread.
    if (enter.contains(csUseCache) && FOptions->MiscOptions().contains(toVariableNodeHeight))
        UpdateScrollBars(true);
}

bool TBaseTreeGrid::event(QEvent *e)
{
    // Nodes removed while the tree handles an event stay readable until it returns.
    const THandlerScope scope(FRemovedNodes);
    TREEGRID_HANDOVER_ACQUIRE(e);
    if (e->type() == TTGChangeStateEvent::EventType) {
        auto *change = static_cast<TTGChangeStateEvent *>(e);
        // Reports of a validation that was interrupted since are out of date.
        if (change->Generation == FValidationGeneration.load(std::memory_order_relaxed) && !FDestroying)
            WMChangeState(change->Enter, change->Leave);
        return true;
    }
    return QAbstractScrollArea::event(e);
}
