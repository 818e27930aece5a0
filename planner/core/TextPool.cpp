#include "core/TextPool.h"

namespace {

// Texts that do not repeat (every row its own) must not grow the pool without end.
constexpr qsizetype MaxTexts = 300000;

} // namespace

QString TTextPool::Shared(const QString &text)
{
    if (text.isEmpty())
        return QString();
    const auto found = FTexts.constFind(text);
    if (found != FTexts.constEnd())
        return *found;
    if (FTexts.size() >= MaxTexts)
        FTexts.clear();
    FTexts.insert(text);
    return text;
}
