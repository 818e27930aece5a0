#pragma once

// A number per text (the place of a name in a pick list), read once per cell while every
// row is read. Names as QHash<QString, int> has them, so that callers read alike.

#include <QString>

#include <vector>

class TTextIndex
{
public:
    int value(const QString &text, int fallback = 0) const;
    bool contains(const QString &text) const;
    // Sets the number of a text, replacing the one it had.
    void insert(const QString &text, int number);
    void clear();
    qsizetype size() const { return qsizetype(FEntries.size()); }

private:
    // The entry of a text plus one, 0 when it has none; `at` the slot it has or would take.
    quint32 Find(const QString &text, size_t hash, std::size_t &at) const;
    void Grow();

    struct TSlot
    {
        size_t hash = 0;
        quint32 entry = 0; // the place in FEntries plus one, 0: empty
    };
    struct TEntry
    {
        QString text;
        int number = 0;
    };
    std::vector<TSlot> FSlots;
    std::vector<TEntry> FEntries;
    quint64 FSeed = 0;
};
