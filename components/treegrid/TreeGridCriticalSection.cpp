#include "treegrid/TreeGridCriticalSection.h"

TCriticalSection &TCriticalSection::Watcher()
{
    static TCriticalSection instance;
    return instance;
}
