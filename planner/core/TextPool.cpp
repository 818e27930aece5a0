#include "core/TextPool.h"

namespace {

// Texts that do not repeat (every row its own) must not grow the pool without end.
constexpr qsizetype MaxTexts = 300000;

std::size_t RecentSlot(const QString &text)
{
    return (reinterpret_cast<quintptr>(text.constData()) >> 4) % 256;
}

} // namespace

QString TTextPool::Shared(const QString &text)
{
    if (text.isEmpty())
        return QString();
    // The slot holds a reference, so a buffer it names cannot have changed or moved.
    const QString &recent = FRecent[RecentSlot(text)];
    if (recent.constData() == text.constData() && recent.size() == text.size())
        return recent;
    const auto found = FTexts.constFind(text);
    if (found != FTexts.constEnd()) {
        FRecent[RecentSlot(*found)] = *found;
        return *found;
    }
    if (FTexts.size() >= MaxTexts)
        Clear();
    FTexts.insert(text);
    FRecent[RecentSlot(text)] = text;
    return text;
}

void TTextPool::Clear()
{
    FTexts.clear();
    for (QString &recent : FRecent)
        recent = QString();
}
