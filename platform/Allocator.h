#pragma once

namespace platform {

// Tunes the C library's allocator for this program's pattern before anything is allocated:
// a document is millions of small blocks made and freed in waves (a file's tree, then the
// rows), and glibc's fast bins make every larger request afterwards sweep all of them.
// Without fast bins a freed block joins its free neighbours at once. Call first in main.
void tuneAllocator();

// Gives the memory of freed blocks back to the system. A big file's tree, freed once read,
// leaves its pages with the allocator of whichever thread made them, where the rows made
// next cannot take them.
void releaseFreeMemory();

} // namespace platform
