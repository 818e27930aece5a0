#pragma once

#include <mutex>

// A plain lock with the control's Enter/Leave naming. One process-wide instance guards the
// conversion of image lists for painting.
class TCriticalSection
{
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection &) = delete;
    TCriticalSection &operator=(const TCriticalSection &) = delete;

    void Enter() { FMutex.lock(); }
    void Leave() { FMutex.unlock(); }

    // The process-wide instance of the tree-grid unit.
    static TCriticalSection &Watcher();

private:
    std::mutex FMutex;
};
