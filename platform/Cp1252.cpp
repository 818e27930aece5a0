#include "Cp1252.h"

namespace platform {

namespace {

// Characters of the bytes 0x80..0x9F; the five unassigned bytes map to their C1 controls.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString fromCp1252(const char *data, qsizetype size)
{
    QString result;
    result.resize(size);
    QChar *out = result.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[i] = (byte >= 0x80 && byte <= 0x9F) ? QChar(kHigh[byte - 0x80]) : QChar(char16_t(byte));
    }
    return result;
}

QString fromCp1252(const QByteArray &bytes)
{
    return fromCp1252(bytes.constData(), bytes.size());
}

int cp1252Byte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == unit)
            return 0x80 + i;
    }
    return -1;
}

QByteArray toCp1252(const QString &text, char replacement)
{
    QByteArray result;
    result.resize(text.size());
    char *out = result.data();
    const QChar *in = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = cp1252Byte(in[i].unicode());
        out[i] = byte < 0 ? replacement : static_cast<char>(byte);
    }
    return result;
}

bool canEncodeCp1252(const QString &text)
{
    for (const QChar ch : text) {
        if (cp1252Byte(ch.unicode()) < 0)
            return false;
    }
    return true;
}

} // namespace platform
