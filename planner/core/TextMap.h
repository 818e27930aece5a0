#pragma once

// A value per text: the rows by their identity, the places of names in pick lists, the pooled
// cell texts. Read once per row or cell while a document opens. Open addressing over the
// texts' hashes, so that a search touches the text it finds and no other. Names as QHash has
// them, so that callers read alike.

#include <QString>

#include <cstring>
#include <utility>
#include <vector>

#include "core/TextHash.h"

template <typename T>
class TTextMap
{
    struct TEntry
    {
        QString key;
        T value;
    };

public:
    class const_iterator
    {
    public:
        const QString &key() const { return FMap->FEntries[FEntry - 1].key; }
        const T &value() const { return FMap->FEntries[FEntry - 1].value; }
        bool operator==(const const_iterator &other) const = default;

    private:
        friend class TTextMap;
        const_iterator(const TTextMap *map, quint32 entry) : FMap(map), FEntry(entry) {}
        const TTextMap *FMap;
        quint32 FEntry; // the place in FEntries plus one, 0: the end
    };

    T value(const QString &key, const T &fallback = T()) const
    {
        const quint32 entry = Find(key);
        return entry ? FEntries[entry - 1].value : fallback;
    }
    bool contains(const QString &key) const { return Find(key) != 0; }
    // The key held equal to `key`, nullptr when none.
    const QString *keyOf(const QString &key) const
    {
        const quint32 entry = Find(key);
        return entry ? &FEntries[entry - 1].key : nullptr;
    }
    const_iterator constFind(const QString &key) const { return const_iterator(this, Find(key)); }
    const_iterator constEnd() const { return const_iterator(this, 0); }

    // Sets the value of a key, replacing the one it had.
    void insert(const QString &key, const T &value)
    {
        Prepare();
        const size_t hash = TextHash(key, FSeed);
        std::size_t at = 0;
        if (const quint32 entry = Find(key, hash, at)) {
            FEntries[entry - 1].value = value;
            return;
        }
        // At most half the slots are taken, so that a search soon meets an empty one.
        if (2 * (FEntries.size() + 1) > FSlots.size()) {
            Rehash(FSlots.size() * 2);
            Find(key, hash, at);
        }
        FEntries.push_back({key, value});
        FSlots[at] = {hash, quint32(FEntries.size())};
    }

    void erase(const_iterator it)
    {
        if (it.FMap != this || it.FEntry == 0)
            return;
        const quint32 entry = it.FEntry;
        RemoveSlot(SlotOf(entry));
        const quint32 last = quint32(FEntries.size());
        if (entry != last) {
            // The last entry takes the place of the erased one.
            const std::size_t at = SlotOf(last);
            FEntries[entry - 1] = std::move(FEntries.back());
            FSlots[at].entry = entry;
        }
        FEntries.pop_back();
    }

    void reserve(qsizetype count)
    {
        Prepare();
        std::size_t wanted = FSlots.size();
        while (wanted < 2 * std::size_t(count))
            wanted *= 2;
        if (wanted > FSlots.size())
            Rehash(wanted);
        FEntries.reserve(std::size_t(count));
    }

    // Forgets every key and gives the memory back.
    void clear()
    {
        std::vector<TSlot>().swap(FSlots);
        std::vector<TEntry>().swap(FEntries);
    }
    qsizetype size() const { return qsizetype(FEntries.size()); }

private:
    struct TSlot
    {
        size_t hash = 0;
        quint32 entry = 0; // the place in FEntries plus one, 0: empty
    };
    static constexpr std::size_t FirstSlots = 64;

    void Prepare()
    {
        if (FSlots.empty()) {
            FSlots.assign(FirstSlots, TSlot());
            FSeed = TextHashSeed();
        }
    }

    quint32 Find(const QString &key) const
    {
        if (FEntries.empty())
            return 0;
        std::size_t at = 0;
        return Find(key, TextHash(key, FSeed), at);
    }

    // The entry of a key plus one, 0 when it has none; `at` the slot it has or would take.
    quint32 Find(const QString &key, size_t hash, std::size_t &at) const
    {
        const size_t mask = FSlots.size() - 1;
        const qsizetype size = key.size();
        for (at = hash & mask;; at = (at + 1) & mask) {
            const TSlot &slot = FSlots[at];
            if (slot.entry == 0)
                return 0;
            if (slot.hash != hash)
                continue;
            const QString &known = FEntries[slot.entry - 1].key;
            if (known.size() == size
                && (known.constData() == key.constData()
                    || std::memcmp(known.constData(), key.constData(), std::size_t(size) * sizeof(QChar)) == 0))
                return slot.entry;
        }
    }

    // The slot that names an entry.
    std::size_t SlotOf(quint32 entry) const
    {
        const size_t mask = FSlots.size() - 1;
        std::size_t at = TextHash(FEntries[entry - 1].key, FSeed) & mask;
        while (FSlots[at].entry != entry)
            at = (at + 1) & mask;
        return at;
    }

    // Empties a slot and moves later slots of its run back, so that no search stops short.
    void RemoveSlot(std::size_t hole)
    {
        const size_t mask = FSlots.size() - 1;
        for (std::size_t at = (hole + 1) & mask; FSlots[at].entry != 0; at = (at + 1) & mask) {
            const std::size_t home = FSlots[at].hash & mask;
            // The slot may move to the hole when its home does not lie in (hole, at].
            const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
            if (stays)
                continue;
            FSlots[hole] = FSlots[at];
            hole = at;
        }
        FSlots[hole] = TSlot();
    }

    void Rehash(std::size_t count)
    {
        std::vector<TSlot> grown(count);
        const size_t mask = count - 1;
        for (const TSlot &slot : FSlots) {
            if (slot.entry == 0)
                continue;
            size_t at = slot.hash & mask;
            while (grown[at].entry != 0)
                at = (at + 1) & mask;
            grown[at] = slot;
        }
        FSlots.swap(grown);
    }

    std::vector<TSlot> FSlots;
    std::vector<TEntry> FEntries;
    quint64 FSeed = 0;
};
