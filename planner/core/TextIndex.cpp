#include "core/TextIndex.h"

#include <cstring>

#include "core/TextHash.h"

namespace {

constexpr std::size_t FirstSlots = 64;

} // namespace

quint32 TTextIndex::Find(const QString &text, size_t hash, std::size_t &at) const
{
    const size_t mask = FSlots.size() - 1;
    const qsizetype size = text.size();
    for (at = hash & mask;; at = (at + 1) & mask) {
        const TSlot &slot = FSlots[at];
        if (slot.entry == 0)
            return 0;
        if (slot.hash != hash)
            continue;
        const QString &known = FEntries[slot.entry - 1].text;
        if (known.size() == size
            && (known.constData() == text.constData()
                || std::memcmp(known.constData(), text.constData(), std::size_t(size) * sizeof(QChar)) == 0))
            return slot.entry;
    }
}

int TTextIndex::value(const QString &text, int fallback) const
{
    if (FEntries.empty())
        return fallback;
    std::size_t at = 0;
    const quint32 entry = Find(text, TextHash(text, FSeed), at);
    return entry ? FEntries[entry - 1].number : fallback;
}

bool TTextIndex::contains(const QString &text) const
{
    if (FEntries.empty())
        return false;
    std::size_t at = 0;
    return Find(text, TextHash(text, FSeed), at) != 0;
}

void TTextIndex::insert(const QString &text, int number)
{
    if (FSlots.empty()) {
        FSlots.assign(FirstSlots, TSlot());
        FSeed = TextHashSeed();
    }
    const size_t hash = TextHash(text, FSeed);
    std::size_t at = 0;
    if (const quint32 entry = Find(text, hash, at)) {
        FEntries[entry - 1].number = number;
        return;
    }
    // At most half the slots are taken, so that a search soon meets an empty one.
    if (2 * (FEntries.size() + 1) > FSlots.size()) {
        Grow();
        Find(text, hash, at);
    }
    FEntries.push_back({text, number});
    FSlots[at] = {hash, quint32(FEntries.size())};
}

void TTextIndex::Grow()
{
    std::vector<TSlot> grown(FSlots.size() * 2);
    const size_t mask = grown.size() - 1;
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

void TTextIndex::clear()
{
    FSlots.clear();
    FEntries.clear();
}
