#pragma once

// A value per pointer, for maps that hold a value for every row of a large table while one
// action runs: open addressing over one array of slots, so that a lookup touches the slot it
// finds and, mostly, no other. Nothing is ever removed. Names as QHash has them.

#include <QtGlobal>

#include <cstdint>
#include <vector>

template <typename K, typename T>
class TPointerMap
{
public:
    // The value of a key, made (value-initialised) when the key has none.
    // Only a key made anew moves the others, as in QHash.
    T &operator[](K *key)
    {
        if (FSlots.empty())
            Grow(64);
        std::size_t at = SlotOf(key);
        if (FSlots[at].key)
            return FSlots[at].value;
        if (2 * (FCount + 1) > FSlots.size()) {
            Grow(2 * FSlots.size());
            at = SlotOf(key);
        }
        FSlots[at].key = key;
        FSlots[at].value = T();
        ++FCount;
        return FSlots[at].value;
    }
    bool contains(K *key) const { return key && !FSlots.empty() && FSlots[SlotOf(key)].key == key; }
    qsizetype size() const { return qsizetype(FCount); }
    void reserve(qsizetype count)
    {
        std::size_t wanted = FSlots.empty() ? 64 : FSlots.size();
        while (wanted < 2 * std::size_t(count))
            wanted *= 2;
        if (wanted > FSlots.size())
            Grow(wanted);
    }

private:
    struct TSlot
    {
        K *key = nullptr;
        T value{};
    };

    // The slot that holds the key, or the empty one it would take.
    std::size_t SlotOf(K *key) const
    {
        const std::size_t mask = FSlots.size() - 1;
        // Allocations lie apart by a multiple of their alignment: the bits are mixed first.
        std::uint64_t bits = std::uint64_t(reinterpret_cast<std::uintptr_t>(key));
        bits = (bits ^ (bits >> 29)) * 0x9E3779B97F4A7C15ull;
        std::size_t at = std::size_t(bits >> 32) & mask;
        while (FSlots[at].key && FSlots[at].key != key)
            at = (at + 1) & mask;
        return at;
    }

    void Grow(std::size_t count)
    {
        std::vector<TSlot> old(count);
        old.swap(FSlots);
        for (const TSlot &slot : old)
            if (slot.key)
                FSlots[SlotOf(slot.key)] = slot;
    }

    std::vector<TSlot> FSlots;
    std::size_t FCount = 0;
};
