#include "XmlArena.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Trees are read in several threads.
std::atomic<std::size_t> chunksInUse{0};
} // namespace

std::size_t TXMLArena::ChunksInUse() noexcept
{
    return chunksInUse.load(std::memory_order_relaxed);
}

void TXMLArena::FreeChunk(TChunk *chunk) noexcept
{
    std::free(chunk);
    chunksInUse.fetch_sub(1, std::memory_order_relaxed);
}

TXMLArena::~TXMLArena()
{
    for (TCursor &cursor : FCursors)
        Retire(cursor);
}

void TXMLArena::Retire(TCursor &cursor) noexcept
{
    if (!cursor.next)
        return;
    TChunk *chunk = ChunkOf(cursor.next - 1);
    chunk->retired = true;
    if (chunk->live == 0)
        FreeChunk(chunk);
    cursor = TCursor{};
}

void *TXMLArena::Allocate(std::size_t bytes, TStream stream)
{
    bytes = (bytes + 7) & ~std::size_t(7);
    if (bytes > MaxItem)
        return nullptr;
    TCursor &cursor = FCursors[stream];
    if (!cursor.next || std::size_t(cursor.end - cursor.next) < bytes) {
        Retire(cursor);
        // Aligned to its size, so that an item finds its chunk from its own address.
        char *memory = static_cast<char *>(std::aligned_alloc(ChunkSize, ChunkSize));
        if (!memory)
            throw std::bad_alloc();
        chunksInUse.fetch_add(1, std::memory_order_relaxed);
        ::new (memory) TChunk{0, false};
        cursor.next = memory + HeaderSize;
        cursor.end = memory + ChunkSize;
    }
    void *item = cursor.next;
    cursor.next += bytes;
    ++ChunkOf(item)->live;
    return item;
}

void TXMLArena::Release(void *item) noexcept
{
    TChunk *chunk = ChunkOf(item);
    if (--chunk->live == 0 && chunk->retired)
        FreeChunk(chunk);
}
