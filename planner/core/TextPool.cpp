#include "core/TextPool.h"

namespace {

// Texts that do not repeat (every row its own) must not grow the pool without end.
constexpr qsizetype MaxTexts = 300000;

} // namespace

QString TTextPool::Shared(const QString &text)
{
    if (text.isEmpty())
        return QString();
    if (const QString *known = FTexts.keyOf(text))
        return *known;
    if (FTexts.size() >= MaxTexts)
        Clear();
    FTexts.insert(text, true);
    return text;
}
