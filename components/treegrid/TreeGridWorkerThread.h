#pragma once

#include <QEvent>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "treegrid/TreeGridTypes.h"

class TBaseTreeGrid;

// The event queue hands the worker's events to the GUI thread under Qt's own lock, which the
// thread sanitizer cannot see (Qt is not instrumented); these annotations tell it about that
// hand-over and are empty in every other build.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TREEGRID_HANDOVER_RELEASE(address) __tsan_release(address)
#define TREEGRID_HANDOVER_ACQUIRE(address) __tsan_acquire(address)
#else
#define TREEGRID_HANDOVER_RELEASE(address) ((void)(address))
#define TREEGRID_HANDOVER_ACQUIRE(address) ((void)(address))
#endif

// The event by which the worker reports validation states to a tree. It is posted, never
// sent, so the worker neither blocks on the GUI thread nor touches a widget; events left over
// from an interrupted validation carry an old generation and are ignored.
class TTGChangeStateEvent : public QEvent
{
public:
    static constexpr QEvent::Type EventType = QEvent::Type(QEvent::User + 0x20);

    TTGChangeStateEvent(TValidationChangeStates enter, TValidationChangeStates leave, std::uint64_t generation)
        : QEvent(EventType), Enter(enter), Leave(leave), Generation(generation) {}

    TValidationChangeStates Enter;
    TValidationChangeStates Leave;
    std::uint64_t Generation;
};

// The validation worker shared by every tree of the process: it fills the position caches of
// queued trees on its own thread. Trees take a reference when they are made and release it
// when they go; the last release ends the thread.
class TWorkerThread
{
public:
    static void AddThreadReference();
    static void ReleaseThreadReference(TBaseTreeGrid *tree);
    // The process-wide worker, or nullptr while no tree exists.
    static TWorkerThread *Instance();

    void AddTree(TBaseTreeGrid *tree);
    void RemoveTree(TBaseTreeGrid *tree);
    // Takes the tree out of the queue, or waits until the worker has left it when it is the
    // one being validated. The caller has already raised the tree's stop flag.
    void WaitForTree(TBaseTreeGrid *tree);
    // Wakes the worker (the auto-reset wake event).
    void Wake();

    // Queued or being validated right now.
    bool IsBusyWith(TBaseTreeGrid *tree);
    std::uint32_t RefCount() const { return FRefCount; }

private:
    TWorkerThread();
    ~TWorkerThread();

    void Execute();
    void ChangeTreeStates(TBaseTreeGrid *tree, std::uint64_t generation, TValidationChangeStates enter,
                          TValidationChangeStates leave);

    std::mutex FLock;                  // guards the queue, the current tree and the wake flag
    std::condition_variable FWakeCondition;
    std::condition_variable FIdleCondition;  // signalled whenever the current tree is left
    std::deque<TBaseTreeGrid *> FWaiterList;
    TBaseTreeGrid *FCurrentTree = nullptr;
    bool FWakeSignalled = false;
    bool FTerminated = false;
    std::uint32_t FRefCount = 0;       // GUI thread only
    std::thread FThread;
};
