#include "treegrid/TreeGridTextWidths.h"

#include <QHash>

#include "Canvas.h"

namespace {

constexpr qsizetype MaxCachedTexts = 1 << 16;

struct TWidthStore {
    QHash<TFontShape, QHash<QString, int>> Fonts;
    qsizetype Count = 0;
    // The font asked last and its widths: most calls ask in a row with the same font, and then
    // its key need not be hashed and looked up again.
    TFontShape LastKey;
    QHash<QString, int> *LastWidths = nullptr;
};

TWidthStore &Store()
{
    thread_local TWidthStore store;
    return store;
}

} // namespace

int CachedTextWidth(TCanvas &canvas, const QString &text)
{
    if (text.isEmpty())
        return 0;
    const TFont &font = canvas.Font();
    TWidthStore &store = Store();
    if (!store.LastWidths || !font.HasShape(store.LastKey)) {
        TFontShape key = font.Shape();
        store.LastWidths = &store.Fonts[key];
        store.LastKey = std::move(key);
    }
    QHash<QString, int> &widths = *store.LastWidths;
    const auto found = widths.constFind(text);
    if (found != widths.constEnd())
        return *found;
    const int width = canvas.TextWidth(text);
    if (store.Count >= MaxCachedTexts) {
        ClearTextWidthCache();
        return width;
    }
    widths.insert(text, width);
    ++store.Count;
    return width;
}

void ClearTextWidthCache()
{
    TWidthStore &store = Store();
    store.Fonts.clear();
    store.Count = 0;
    store.LastWidths = nullptr;
}
