#pragma once

// A seeded hash of a text's units for the core's own text tables. Computed inline rather than
// by qHash, whose vector code stalls the scalar code around it on some processors: the tables
// are asked once per cell when a document opens.

#include <QHashFunctions>
#include <QStringView>

#include <cstring>

namespace TextHashDetail {

inline quint64 Mix(quint64 a, quint64 b)
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return quint64(product) ^ quint64(product >> 64);
}

} // namespace TextHashDetail

// Odd, and different in every run (as QHash's), so that a file cannot be made of texts that
// all collide.
inline quint64 TextHashSeed()
{
    return quint64(QHashSeed::globalSeed()) | 1;
}

inline size_t TextHash(QStringView text, quint64 seed)
{
    using TextHashDetail::Mix;
    const char *bytes = reinterpret_cast<const char *>(text.data());
    std::size_t left = std::size_t(text.size()) * sizeof(QChar);
    quint64 hash = seed ^ (quint64(left) * 0x9E3779B97F4A7C15ull);
    while (left >= 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes, 8);
        hash = Mix(hash ^ word, seed ^ 0xA0761D6478BD642Full);
        bytes += 8;
        left -= 8;
    }
    quint64 tail = 0;
    if (left > 0)
        std::memcpy(&tail, bytes, left);
    return size_t(Mix(hash ^ tail ^ 0xE7037ED1A0B428DBull, seed ^ 0x8EBC6AF09C88C6E3ull));
}
