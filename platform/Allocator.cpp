#include "Allocator.h"

#include <cstdlib> // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void tuneAllocator()
{
#if defined(__GLIBC__)
    // Small blocks still come back quickly through the per-thread cache.
    mallopt(M_MXFAST, 0);
#endif
}

void releaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform
