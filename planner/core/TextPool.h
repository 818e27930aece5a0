#pragma once

// Equal texts held once. Cells of the scheduling columns repeat a few hundred positions,
// states, lengths and dates over thousands of rows: shared, they take memory once and stay
// in the cache while every row is read.

#include <QSet>
#include <QString>

#include <array>

class TTextPool
{
public:
    // The pooled text equal to `text` (`text` itself the first time).
    QString Shared(const QString &text);
    void Clear();
    qsizetype Count() const { return FTexts.size(); }

private:
    QSet<QString> FTexts;
    // Texts lately handed out, by their buffer: a text that shares a pooled buffer (a date
    // shown once and written into many rows) is found without hashing or comparing it.
    std::array<QString, 256> FRecent;
};
