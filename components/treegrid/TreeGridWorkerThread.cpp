#include "treegrid/TreeGridWorkerThread.h"

#include <QCoreApplication>

#include <algorithm>

#include "treegrid/BaseTreeGrid.h"

namespace {
// Created by the first tree, destroyed with the last; both happen on the GUI thread.
TWorkerThread *Worker = nullptr;
}

TWorkerThread *TWorkerThread::Instance()
{
    return Worker;
}

void TWorkerThread::AddThreadReference()
{
    if (!Worker)
        Worker = new TWorkerThread();
    ++Worker->FRefCount;
}

void TWorkerThread::ReleaseThreadReference(TBaseTreeGrid *tree)
{
    if (!Worker)
        return;
    if (Worker->FRefCount > 0)
        --Worker->FRefCount;
    if (tree)
        tree->InterruptValidation();
    if (Worker->FRefCount == 0) {
        TWorkerThread *last = Worker;
        Worker = nullptr;
        delete last; // joins the thread
    }
}

TWorkerThread::TWorkerThread()
    : FThread([this] { Execute(); })
{
}

TWorkerThread::~TWorkerThread()
{
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
        FWakeSignalled = true;
    }
    FWakeCondition.notify_all();
    if (FThread.joinable())
        FThread.join();
}

void TWorkerThread::AddTree(TBaseTreeGrid *tree)
{
    TGAssert(tree != nullptr, "Tree must not be nil.");
    std::lock_guard lock(FLock);
    if (std::find(FWaiterList.begin(), FWaiterList.end(), tree) == FWaiterList.end())
        FWaiterList.push_back(tree);
}

void TWorkerThread::RemoveTree(TBaseTreeGrid *tree)
{
    TGAssert(tree != nullptr, "Tree must not be nil.");
    std::lock_guard lock(FLock);
    FWaiterList.erase(std::remove(FWaiterList.begin(), FWaiterList.end(), tree), FWaiterList.end());
}

void TWorkerThread::WaitForTree(TBaseTreeGrid *tree)
{
    std::unique_lock lock(FLock);
    // A new generation under the lock: whatever the worker reports for earlier work on this
    // tree is stale from now on.
    tree->FValidationGeneration.fetch_add(1, std::memory_order_relaxed);
    FWaiterList.erase(std::remove(FWaiterList.begin(), FWaiterList.end(), tree), FWaiterList.end());
    FIdleCondition.wait(lock, [&] { return FCurrentTree != tree; });
}

bool TWorkerThread::IsBusyWith(TBaseTreeGrid *tree)
{
    std::lock_guard lock(FLock);
    return FCurrentTree == tree
           || std::find(FWaiterList.begin(), FWaiterList.end(), tree) != FWaiterList.end();
}

void TWorkerThread::Wake()
{
    {
        std::lock_guard lock(FLock);
        FWakeSignalled = true;
    }
    FWakeCondition.notify_one();
}

void TWorkerThread::ChangeTreeStates(TBaseTreeGrid *tree, std::uint64_t generation,
                                     TValidationChangeStates enter, TValidationChangeStates leave)
{
    // The tree cannot go away meanwhile: its destructor waits until the worker has left it.
    auto *event = new TTGChangeStateEvent(enter, leave, generation);
    TREEGRID_HANDOVER_RELEASE(event);
    QCoreApplication::postEvent(tree, event);
}

void TWorkerThread::Execute()
{
    for (;;) {
        TBaseTreeGrid *tree = nullptr;
        std::uint64_t generation = 0;
        {
            std::unique_lock lock(FLock);
            FWakeCondition.wait(lock, [this] { return FWakeSignalled; });
            FWakeSignalled = false;
            if (FTerminated)
                return;
            if (FWaiterList.empty())
                continue;
            tree = FWaiterList.front();
            FWaiterList.pop_front();
            if (!FWaiterList.empty())
                FWakeSignalled = true; // next round without waiting
            FCurrentTree = tree;
            generation = tree->FValidationGeneration.load(std::memory_order_relaxed);
        }

        ChangeTreeStates(tree, generation, {csValidating}, {csUseCache});
        bool complete = false;
        if (!tree->FStopValidationFlag.load(std::memory_order_acquire))
            complete = tree->DoValidateCache();
        if (complete)
            ChangeTreeStates(tree, generation, {csUseCache}, {csStopValidation, csValidating, csValidationNeeded});
        else
            ChangeTreeStates(tree, generation, {}, {csStopValidation, csValidating});

        {
            std::lock_guard lock(FLock);
            FCurrentTree = nullptr;
        }
        FIdleCondition.notify_all();
    }
}
