#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A small set over an enumeration whose members are bit numbers (0 = lowest bit), in the
// manner of the tree-grid's option and state sets: s + e, s - e, s.contains(e), s * t.
template <typename E, typename Bits = std::uint32_t>
class TTGSet
{
    static_assert(std::is_enum_v<E>);
    static_assert(std::is_unsigned_v<Bits>);

public:
    using storage_type = Bits;

    constexpr TTGSet() = default;
    constexpr TTGSet(E e) : FBits(bit(e)) {}
    constexpr TTGSet(std::initializer_list<E> list)
    {
        for (E e : list)
            FBits |= bit(e);
    }

    static constexpr TTGSet fromBits(Bits bits)
    {
        TTGSet s;
        s.FBits = bits;
        return s;
    }

    constexpr Bits bits() const { return FBits; }
    constexpr bool empty() const { return FBits == 0; }
    constexpr bool contains(E e) const { return (FBits & bit(e)) != 0; }
    // True when every member of other is in this set.
    constexpr bool containsAll(TTGSet other) const { return (FBits & other.FBits) == other.FBits; }
    constexpr bool intersects(TTGSet other) const { return (FBits & other.FBits) != 0; }

    constexpr TTGSet &include(TTGSet other) { FBits |= other.FBits; return *this; }
    constexpr TTGSet &exclude(TTGSet other) { FBits &= ~other.FBits; return *this; }

    constexpr TTGSet operator+(TTGSet other) const { return fromBits(FBits | other.FBits); }
    constexpr TTGSet operator-(TTGSet other) const { return fromBits(FBits & ~other.FBits); }
    constexpr TTGSet operator*(TTGSet other) const { return fromBits(FBits & other.FBits); }
    constexpr TTGSet &operator+=(TTGSet other) { return include(other); }
    constexpr TTGSet &operator-=(TTGSet other) { return exclude(other); }
    constexpr TTGSet &operator*=(TTGSet other) { FBits &= other.FBits; return *this; }
    constexpr bool operator==(const TTGSet &) const = default;

private:
    static constexpr Bits bit(E e) { return Bits(1) << static_cast<unsigned>(e); }

    Bits FBits = 0;
};

// The state word of a node. The validation worker reads it while the GUI thread may set
// unrelated bits (selection, initialisation), so every access is a relaxed atomic one; the
// structural bits the worker depends on only change after validation was interrupted.
template <typename E>
class TTGAtomicSet
{
public:
    using Set = TTGSet<E, std::uint16_t>;

    TTGAtomicSet() = default;
    TTGAtomicSet(Set s) : FBits(s.bits()) {}
    TTGAtomicSet(const TTGAtomicSet &other) : FBits(other.load().bits()) {}
    TTGAtomicSet &operator=(const TTGAtomicSet &other) { store(other.load()); return *this; }
    TTGAtomicSet &operator=(Set s) { store(s); return *this; }

    Set load() const { return Set::fromBits(ref().load(std::memory_order_relaxed)); }
    void store(Set s) { ref().store(s.bits(), std::memory_order_relaxed); }
    operator Set() const { return load(); }

    bool contains(E e) const { return load().contains(e); }
    bool intersects(Set s) const { return load().intersects(s); }
    bool containsAll(Set s) const { return load().containsAll(s); }
    bool empty() const { return load().empty(); }

    TTGAtomicSet &include(Set s) { ref().fetch_or(s.bits(), std::memory_order_relaxed); return *this; }
    TTGAtomicSet &exclude(Set s)
    {
        ref().fetch_and(std::uint16_t(~s.bits()), std::memory_order_relaxed);
        return *this;
    }
    TTGAtomicSet &operator+=(Set s) { return include(s); }
    TTGAtomicSet &operator-=(Set s) { return exclude(s); }
    Set operator+(Set s) const { return load() + s; }
    Set operator-(Set s) const { return load() - s; }
    Set operator*(Set s) const { return load() * s; }

private:
    // Nodes live in zero-filled raw blocks, so the word stays a plain integer.
    std::atomic_ref<std::uint16_t> ref() const { return std::atomic_ref<std::uint16_t>(FBits); }

    mutable std::uint16_t FBits = 0;
};
