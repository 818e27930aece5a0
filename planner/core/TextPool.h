#pragma once

// Equal texts held once. Cells of the scheduling columns repeat a few hundred positions,
// states, lengths and dates over thousands of rows: shared, they take memory once and stay
// in the cache while every row is read.

#include <QString>

#include <vector>

class TTextPool
{
public:
    // The pooled text equal to `text` (`text` itself the first time).
    QString Shared(const QString &text);
    void Clear();
    qsizetype Count() const { return qsizetype(FTexts.size()); }

private:
    void Grow();

    // Open addressing over the texts: a slot holds a text's hash and its place in FTexts
    // plus one (0: empty). The hash is compared before any text, so that a lookup touches
    // the text it finds and no other.
    struct TSlot
    {
        size_t hash = 0;
        quint32 text = 0;
    };
    std::vector<TSlot> FSlots;
    std::vector<QString> FTexts;
    quint64 FSeed = 0;
};
