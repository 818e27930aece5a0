#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Memory for the elements and attributes of a tree being read from a file. A big document
// holds millions of them; taking them in chunks spares a heap block (and its later free)
// each. Every chunk counts the items alive in it and goes back to the heap with its last
// one, so clearing or deleting parts of a tree releases memory as before, and the arena
// itself may go as soon as the reading is done.
//
// Items that die together share chunks: the reader puts elements without children (and
// what hangs on them) in the brief stream, the others in the lasting one, so that clearing
// the children of row after row frees whole chunks of the brief stream.
class TXMLArena
{
public:
    enum TStream { asLasting, asBrief };

    TXMLArena() = default;
    // Hands the chunks in use to their items.
    ~TXMLArena();
    TXMLArena(const TXMLArena &) = delete;
    TXMLArena &operator=(const TXMLArena &) = delete;

    // Room for bytes (8-aligned) that stays until Release; nullptr when the block is too big
    // for a chunk, so the caller takes it from the heap.
    void *Allocate(std::size_t bytes, TStream stream);
    // Gives back an item Allocate handed out.
    static void Release(void *item) noexcept;
    // Destroys an item made by new or, when inArena, in room from Allocate.
    template <class T>
    static void Destroy(T *item, bool inArena) noexcept
    {
        if (!inArena) {
            delete item;
            return;
        }
        item->~T();
        Release(item);
    }

    // Chunks not yet given back, of all arenas.
    static std::size_t ChunksInUse() noexcept;

    static constexpr std::size_t ChunkSize = 64 * 1024;
    static constexpr std::size_t MaxItem = ChunkSize / 8;

private:
    struct TChunk
    {
        std::uint32_t live;
        bool retired;
    };
    static constexpr std::size_t HeaderSize = 16;
    static_assert(sizeof(TChunk) <= HeaderSize);

    struct TCursor
    {
        char *next = nullptr;
        char *end = nullptr;
    };
    static TChunk *ChunkOf(const void *item) noexcept
    {
        return reinterpret_cast<TChunk *>(reinterpret_cast<std::uintptr_t>(item) & ~std::uintptr_t(ChunkSize - 1));
    }
    static void Retire(TCursor &cursor) noexcept;
    static void FreeChunk(TChunk *chunk) noexcept;

    std::array<TCursor, 2> FCursors;
};
