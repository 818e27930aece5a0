#include "core/TextPool.h"

#include <cstring>

#include "core/TextHash.h"

namespace {

// Texts that do not repeat (every row its own) must not grow the pool without end.
constexpr std::size_t MaxTexts = 300000;
constexpr std::size_t FirstSlots = 1024;
// A text whose search runs this long is handed back unpooled: equal texts then merely take
// memory twice, and texts made to collide cannot make the search slow.
constexpr std::size_t MaxProbe = 64;

} // namespace

QString TTextPool::Shared(const QString &text)
{
    if (text.isEmpty())
        return QString();
    if (FSlots.empty()) {
        FSlots.assign(FirstSlots, TSlot());
        FSeed = TextHashSeed();
    }
    const size_t hash = TextHash(text, FSeed);
    const size_t mask = FSlots.size() - 1;
    const QChar *data = text.constData();
    const qsizetype size = text.size();
    std::size_t probe = 0;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const TSlot &slot = FSlots[at];
        if (slot.text == 0)
            break;
        if (++probe > MaxProbe)
            return text;
        if (slot.hash != hash)
            continue;
        const QString &known = FTexts[slot.text - 1];
        if (known.size() == size
            && (known.constData() == data || std::memcmp(known.constData(), data, std::size_t(size) * sizeof(QChar)) == 0))
            return known;
    }
    if (FTexts.size() >= MaxTexts) {
        Clear();
        FSlots.assign(FirstSlots, TSlot());
    }
    // At most half the slots are taken, so that a search soon meets an empty one.
    if (2 * (FTexts.size() + 1) > FSlots.size())
        Grow();
    const size_t newMask = FSlots.size() - 1;
    size_t at = hash & newMask;
    while (FSlots[at].text != 0)
        at = (at + 1) & newMask;
    FTexts.push_back(text);
    FSlots[at] = {hash, quint32(FTexts.size())};
    return text;
}

void TTextPool::Grow()
{
    std::vector<TSlot> grown(FSlots.size() * 2);
    const size_t mask = grown.size() - 1;
    for (const TSlot &slot : FSlots) {
        if (slot.text == 0)
            continue;
        size_t at = slot.hash & mask;
        while (grown[at].text != 0)
            at = (at + 1) & mask;
        grown[at] = slot;
    }
    FSlots.swap(grown);
}

void TTextPool::Clear()
{
    std::vector<TSlot>().swap(FSlots);
    std::vector<QString>().swap(FTexts);
}
