#include "treegrid/TreeGridTextWidths.h"

#include <QHash>

#include "Canvas.h"

namespace {

constexpr qsizetype MaxCachedTexts = 1 << 16;

struct TFontKey {
    QString Name;
    int Height = 0;
    int PixelsPerInch = 0;
    int Style = 0;
    int Quality = 0;
    bool operator==(const TFontKey &) const = default;
};

size_t qHash(const TFontKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.Name, key.Height, key.PixelsPerInch, key.Style, key.Quality);
}

struct TWidthStore {
    QHash<TFontKey, QHash<QString, int>> Fonts;
    qsizetype Count = 0;
    // The font asked last and its widths: most calls ask in a row with the same font, and then
    // its key need not be hashed and looked up again.
    TFontKey LastKey;
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
    const QString name = font.Name();
    const TFontKey &last = store.LastKey;
    // Names are usually one shared string: comparing where they point spares comparing them.
    const bool sameFont = store.LastWidths && font.Height() == last.Height && font.PixelsPerInch() == last.PixelsPerInch
        && int(font.Style()) == last.Style && int(font.Quality()) == last.Quality
        && (name.constData() == last.Name.constData() || name == last.Name);
    if (!sameFont) {
        TFontKey key{name, font.Height(), font.PixelsPerInch(), int(font.Style()), int(font.Quality())};
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
