#pragma once

// Equal texts held once. Cells of the scheduling columns repeat a few hundred positions,
// states, lengths and dates over thousands of rows: shared, they take memory once and stay
// in the cache while every row is read.

#include <QString>

#include "core/TextMap.h"

class TTextPool
{
public:
    // The pooled text equal to `text` (`text` itself the first time).
    QString Shared(const QString &text);
    void Clear() { FTexts.clear(); }
    qsizetype Count() const { return FTexts.size(); }

private:
    TTextMap<bool> FTexts;
};
