#pragma once

#include "XmlArena.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>

// One entry of a TXMLList: behaves like the owning pointer it stands for.
template <class T>
class TXMLItem
{
public:
    T *get() const noexcept { return FItem; }
    T *operator->() const noexcept { return FItem; }
    T &operator*() const noexcept { return *FItem; }
    explicit operator bool() const noexcept { return FItem != nullptr; }

private:
    template <class>
    friend class TXMLList;
    friend class TXMLTreeBuilder;
    T *FItem;
};

// The owned children or attributes of an element, in order: one pointer while there are
// none (most elements of a document have neither), otherwise a block that holds its count
// and the items' addresses. T::Destroy(T *) destroys an item.
template <class T>
class TXMLList
{
public:
    using const_iterator = const TXMLItem<T> *;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    TXMLList() = default;
    ~TXMLList() { clear(); }
    TXMLList(const TXMLList &) = delete;
    TXMLList &operator=(const TXMLList &) = delete;

    std::size_t size() const noexcept { return FBlock ? FBlock->count : 0; }
    bool empty() const noexcept { return size() == 0; }
    const_iterator begin() const noexcept { return FBlock ? FBlock->items() : nullptr; }
    const_iterator end() const noexcept { return begin() + size(); }
    const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }
    const TXMLItem<T> &operator[](std::size_t i) const noexcept { return begin()[i]; }
    const TXMLItem<T> &at(std::size_t i) const
    {
        if (i >= size())
            throw std::out_of_range("TXMLList::at");
        return begin()[i];
    }

    // Takes ownership of item (also when growing fails: it is destroyed then).
    T *append(T *item)
    {
        try {
            reserveOneMore();
        } catch (...) {
            T::Destroy(item);
            throw;
        }
        FBlock->items()[FBlock->count++].FItem = item;
        return item;
    }
    // Destroys the item at i and closes the gap.
    void erase(std::size_t i) noexcept
    {
        TXMLItem<T> *items = FBlock->items();
        T *item = items[i].FItem;
        std::memmove(static_cast<void *>(items + i), items + i + 1, (FBlock->count - i - 1) * sizeof(TXMLItem<T>));
        --FBlock->count;
        T::Destroy(item);
    }
    void clear() noexcept
    {
        TBlock *block = FBlock;
        if (!block)
            return;
        FBlock = nullptr;
        for (std::uint32_t i = 0; i < block->count; ++i)
            T::Destroy(block->items()[i].FItem);
        Free(block);
    }

private:
    friend class TXMLTreeBuilder;

    struct TBlock
    {
        std::uint32_t count;
        std::uint32_t capacity : 31;
        std::uint32_t inArena : 1;
        TXMLItem<T> *items() noexcept { return reinterpret_cast<TXMLItem<T> *>(this + 1); }
    };
    static_assert(sizeof(TBlock) == 8);

    static std::size_t BlockBytes(std::size_t capacity) { return sizeof(TBlock) + capacity * sizeof(TXMLItem<T>); }
    static void Free(TBlock *block) noexcept
    {
        if (block->inArena)
            TXMLArena::Release(block);
        else
            std::free(block);
    }
    // An exactly sized block for count items, from the arena when it fits there.
    static TBlock *MakeBlock(std::size_t count, TXMLArena *arena, TXMLArena::TStream stream)
    {
        void *memory = arena ? arena->Allocate(BlockBytes(count), stream) : nullptr;
        const bool inArena = memory != nullptr;
        if (!memory)
            memory = std::malloc(BlockBytes(count));
        if (!memory)
            throw std::bad_alloc();
        TBlock *block = ::new (memory) TBlock;
        block->count = 0;
        block->capacity = std::uint32_t(count);
        block->inArena = inArena ? 1 : 0;
        return block;
    }
    void reserveOneMore()
    {
        if (!FBlock) {
            FBlock = MakeBlock(4, nullptr, TXMLArena::asLasting);
            return;
        }
        if (FBlock->count < FBlock->capacity)
            return;
        const std::size_t capacity = std::max<std::size_t>(4, std::size_t(FBlock->capacity) * 2);
        if (capacity >= (std::size_t(1) << 31))
            throw std::length_error("TXMLList: too many items");
        if (!FBlock->inArena) {
            void *grown = std::realloc(FBlock, BlockBytes(capacity));
            if (!grown)
                throw std::bad_alloc();
            FBlock = static_cast<TBlock *>(grown);
            FBlock->capacity = std::uint32_t(capacity);
            return;
        }
        TBlock *grown = MakeBlock(capacity, nullptr, TXMLArena::asLasting);
        std::memcpy(static_cast<void *>(grown->items()), FBlock->items(), FBlock->count * sizeof(TXMLItem<T>));
        grown->count = FBlock->count;
        Free(FBlock);
        FBlock = grown;
    }

    TBlock *FBlock = nullptr;
};
