#pragma once

// Escaping and stream helpers of the XML layer (see XmlTree.h).

#include <QString>

#include <stdexcept>

class QIODevice;

// Raised by the reader on text it cannot take apart.
class EXMLError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// "&" "<" ">" and the double quote become entities, the space becomes "&nbsp;". Characters
// below 32 (CR, LF and TAB among them) and characters that Windows-1252 cannot hold become
// "&#n;", one per character (a UTF-16 pair gives one reference to its code point, as XML
// asks; a lone half keeps a reference of its own), so that every text survives a save and a
// load unchanged.
QString XMLEscape(QStringView s);
QString XMLEscape(const QString &s); // shares s when nothing needs escaping
// Appends the escaped form of s to out.
void XMLEscapeTo(QString &out, QStringView s);
// The code point of the UTF-16 pair that starts at s[i], 0 when none starts there.
char32_t XMLPairAt(QStringView s, qsizetype i);
// Appends "&#n;" for a code point.
void XMLAppendReference(QString &out, char32_t code);

// The inverse: "&amp;" "&lt;" "&gt;" "&quot;" "&nbsp;" and "&#n;" (decimal, 0..0x10FFFF; a
// code point beyond the basic plane gives its UTF-16 pair, and the references to the two
// halves that earlier files hold still give the same pair).
// Anything else after "&" raises EXMLError("XMLUnescape format error").
QString XMLUnescape(QStringView s);
QString XMLUnescape(const QString &s); // shares s when it holds no entity
// The same over `size` UTF-16 units handed out by unit(i): the reader unescapes the bytes of
// a file this way without making a text of them first.
template <typename Unit>
QString XMLUnescapeUnits(qsizetype size, Unit unit);
[[noreturn]] void XMLUnescapeFormatError();

// Names go through XMLEscape, plus what the reader would take for tag syntax: in element
// names a leading "/" or "!" and a trailing "/" or "?", in attribute names "=".
QString XMLEscapeElementName(QStringView name);
QString XMLEscapeAttributeName(QStringView name);

// All bytes from the device's position to its end, decoded as Windows-1252.
QString ReadString(QIODevice &stream);
// The Windows-1252 bytes of s written at the device's position; false when not all were
// written. Characters Windows-1252 cannot hold become "?": escape texts first.
bool WriteString(QIODevice &stream, const QString &s);

template <typename Unit>
QString XMLUnescapeUnits(qsizetype size, Unit unit)
{
    QString out(size, Qt::Uninitialized);
    QChar *to = out.data();
    qsizetype n = 0;
    struct TEntity
    {
        const char *name; // after the "&"
        qsizetype length;
        char16_t unit;
    };
    static constexpr TEntity entities[] = {
        {"amp;", 4, u'&'}, {"lt;", 3, u'<'}, {"gt;", 3, u'>'}, {"quot;", 5, u'"'}, {"nbsp;", 5, u' '}};
    // The named entity that unit(at..) spells, nullptr when none.
    auto named = [&](qsizetype at) -> const TEntity * {
        for (const TEntity &entity : entities) {
            if (size - at < entity.length)
                continue;
            qsizetype k = 0;
            while (k < entity.length && unit(at + k) == char16_t(entity.name[k]))
                ++k;
            if (k == entity.length)
                return &entity;
        }
        return nullptr;
    };
    for (qsizetype i = 0; i < size;) {
        const char16_t c = unit(i);
        if (c != u'&') {
            to[n++] = QChar(c);
            ++i;
            continue;
        }
        const qsizetype at = i + 1;
        if (const TEntity *entity = named(at)) {
            to[n++] = QChar(entity->unit);
            i = at + entity->length;
        } else if (at < size && unit(at) == u'#') {
            qsizetype j = at + 1;
            quint32 value = 0;
            while (j < size && unit(j) >= u'0' && unit(j) <= u'9') {
                value = value * 10 + quint32(unit(j) - u'0');
                if (value > 0x10FFFF)
                    XMLUnescapeFormatError(); // no character; also keeps the sum from overflowing
                ++j;
            }
            if (j == at + 1 || j >= size || unit(j) != u';')
                XMLUnescapeFormatError();
            // "&#65536;" is eight units: the pair it gives always fits in the room it took.
            if (value > 0xFFFF) {
                to[n++] = QChar(QChar::highSurrogate(value));
                to[n++] = QChar(QChar::lowSurrogate(value));
            } else {
                to[n++] = QChar(char16_t(value));
            }
            i = j + 1;
        } else {
            XMLUnescapeFormatError();
        }
    }
    out.truncate(n);
    return out;
}
