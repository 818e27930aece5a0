// The reader half of the XML layer: taking tag texts and whole documents apart. One parser
// serves both a text in memory (UTF-16) and the bytes of a file (Windows-1252), so that a
// file is read without first turning all of it into a text of twice its size: the markup is
// ASCII in both, and only names and values are decoded, each once, entities included.

#include "XmlEscape.h"
#include "XmlNode.h"
#include "XmlTree.h"

#include "Cp1252.h"

#include <QByteArrayView>

#include <array>
#include <cstring>
#include <vector>

namespace {

// The UTF-16 unit of every Windows-1252 byte.
const std::array<char16_t, 256> &Cp1252Units()
{
    static const std::array<char16_t, 256> units = [] {
        std::array<char16_t, 256> table{};
        char bytes[256];
        for (int i = 0; i < 256; ++i)
            bytes[i] = char(i);
        const QString text = platform::fromCp1252(bytes, 256);
        for (int i = 0; i < 256; ++i)
            table[std::size_t(i)] = text[i].unicode();
        return table;
    }();
    return units;
}

// A run of characters of either kind, read as UTF-16 units.
struct TUnits16
{
    const char16_t *data;
    qsizetype size;
    char16_t operator[](qsizetype i) const { return data[i]; }
    TUnits16 mid(qsizetype from, qsizetype count) const { return {data + from, count}; }
    QString toString() const { return QString(reinterpret_cast<const QChar *>(data), size); }
};

struct TUnits8
{
    const char *data;
    qsizetype size;
    char16_t operator[](qsizetype i) const { return Cp1252Units()[uchar(data[i])]; }
    TUnits8 mid(qsizetype from, qsizetype count) const { return {data + from, count}; }
    QString toString() const { return platform::fromCp1252(data, size); }
};

// The raw byte (or unit) at i, for the markup characters, which are ASCII in both.
inline char16_t Raw(const TUnits16 &s, qsizetype i)
{
    return s.data[i];
}

inline char16_t Raw(const TUnits8 &s, qsizetype i)
{
    return char16_t(uchar(s.data[i]));
}

// The first markup character c at or after from, -1 when there is none.
qsizetype Find(const TUnits16 &s, char16_t c, qsizetype from)
{
    return QStringView(s.data, s.size).indexOf(QChar(c), from);
}

qsizetype Find(const TUnits8 &s, char16_t c, qsizetype from)
{
    if (from >= s.size)
        return -1;
    const void *at = std::memchr(s.data + from, int(c), std::size_t(s.size - from));
    return at ? static_cast<const char *>(at) - s.data : -1;
}

template <class Units>
qsizetype FindText(const Units &s, QLatin1String what, qsizetype from)
{
    for (qsizetype i = from; i + what.size() <= s.size; ++i) {
        qsizetype k = 0;
        while (k < what.size() && Raw(s, i + k) == what[k].unicode())
            ++k;
        if (k == what.size())
            return i;
    }
    return -1;
}

// Leading and trailing characters up to SPACE go; U+00A0 and other blanks stay.
template <class Units>
Units TrimControl(Units s)
{
    qsizetype begin = 0;
    qsizetype end = s.size;
    while (begin < end && Raw(s, begin) <= 0x20)
        ++begin;
    while (end > begin && Raw(s, end - 1) <= 0x20)
        --end;
    return s.mid(begin, end - begin);
}

template <class Units>
bool NeedsCleaning(const Units &s)
{
    for (qsizetype i = 0; i < s.size; ++i)
        if (Raw(s, i) == u'\t' || (Raw(s, i) == u'\r' && i + 1 < s.size && Raw(s, i + 1) == u'\n'))
            return true;
    return false;
}

// CR LF and TAB become spaces, then the ends are trimmed (a copy only when needed).
QString CleanCopy(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

QStringView TrimControlView(QStringView s)
{
    const TUnits16 units = TrimControl(TUnits16{reinterpret_cast<const char16_t *>(s.data()), s.size()});
    return QStringView(units.data, units.size);
}

// The text of a cleaned segment with its entities resolved.
template <class Units>
QString Unescaped(const Units &s)
{
    if (!NeedsCleaning(s))
        return XMLUnescapeUnits(s.size, [&s](qsizetype i) { return s[i]; });
    const QString cleaned = CleanCopy(s.toString());
    return XMLUnescape(TrimControlView(cleaned));
}

// Short values of one parse by their raw text. A document repeats its dates, names and
// numbers over and over; equal values then share one string instead of allocating one each.
class TXMLValueCache
{
public:
    template <class Units>
    QString get(const Units &s)
    {
        if (s.size > MaxLength)
            return Unescaped(s);
        quint32 hash = 5381;
        for (qsizetype i = 0; i < s.size; ++i)
            hash = (hash * 33) ^ Raw(s, i);
        // The value depends on the raw text alone, entities and line breaks included.
        Slot &slot = FSlots[hash % Slots];
        if (slot.filled && qsizetype(slot.raw.size()) == s.size) {
            qsizetype i = 0;
            while (i < s.size && slot.raw[std::size_t(i)] == Raw(s, i))
                ++i;
            if (i == s.size)
                return slot.value;
        }
        QString value = Unescaped(s);
        slot.raw.resize(std::size_t(s.size));
        for (qsizetype i = 0; i < s.size; ++i)
            slot.raw[std::size_t(i)] = Raw(s, i);
        slot.value = value;
        slot.filled = true;
        return value;
    }

private:
    struct Slot
    {
        std::u16string raw;
        QString value;
        bool filled = false;
    };
    static constexpr qsizetype MaxLength = 48;
    static constexpr quint32 Slots = 4096;
    std::vector<Slot> FSlots = std::vector<Slot>(Slots);
};

} // namespace

// Unescaped names of one parse by their raw text. A document repeats a few dozen names
// over and over; sharing them saves an allocation and a hash per element.
class TXMLNameCache
{
public:
    template <class Units>
    THashedString get(const Units &raw)
    {
        quint32 hash = 5381;
        for (qsizetype i = 0; i < raw.size; ++i)
            hash = (hash * 33) ^ Raw(raw, i);
        // Open addressing over a table twice the size of the entries it may hold.
        quint32 slot = hash % Slots;
        for (; FTable[slot] != 0; slot = (slot + 1) % Slots) {
            const Entry &e = FEntries[FTable[slot] - 1];
            if (e.hash != hash || qsizetype(e.raw.size()) != raw.size)
                continue;
            qsizetype i = 0;
            while (i < raw.size && e.raw[std::size_t(i)] == Raw(raw, i))
                ++i;
            if (i == raw.size)
                return e.name;
        }
        THashedString name(XMLUnescapeUnits(raw.size, [&raw](qsizetype i) { return raw[i]; }));
        if (FEntries.size() < MaxEntries) {
            std::u16string key(std::size_t(raw.size), u'\0');
            for (qsizetype i = 0; i < raw.size; ++i)
                key[std::size_t(i)] = Raw(raw, i);
            FEntries.push_back({hash, std::move(key), name});
            FTable[slot] = quint16(FEntries.size());
        }
        return name;
    }

private:
    struct Entry
    {
        quint32 hash;
        std::u16string raw;
        THashedString name;
    };
    static constexpr std::size_t MaxEntries = 256;
    static constexpr quint32 Slots = 2 * MaxEntries;
    std::vector<Entry> FEntries;
    // Entry index + 1 per slot; 0 is free.
    std::array<quint16, Slots> FTable{};
};

namespace {

// Appends a child made from an opening tag's text: the name up to the first blank, then
// name="value" pairs; a missing "=" or quote ends the attributes silently.
template <class Units>
TXMLNode *AppendElement(TXMLNode &parent, std::vector<std::unique_ptr<TXMLNode>> &children, const Units &tag,
                        TXMLNameCache &names)
{
    const qsizetype space = Find(tag, u' ', 0);
    children.push_back(std::make_unique<TXMLNode>(names.get(space < 0 ? tag : tag.mid(0, space)), QString(), &parent));
    TXMLNode *child = children.back().get();
    if (space < 0)
        return child;
    qsizetype pos = space;
    while (pos < tag.size) {
        const qsizetype equals = Find(tag, u'=', pos);
        if (equals < 0)
            break;
        const qsizetype open = Find(tag, u'"', equals + 1);
        if (open < 0)
            break;
        const qsizetype close = Find(tag, u'"', open + 1);
        if (close < 0)
            break;
        const Units value = tag.mid(open + 1, close - open - 1);
        child->AddAttribute(names.get(TrimControl(tag.mid(pos, equals - pos))),
                                  XMLUnescapeUnits(value.size, [&value](qsizetype i) { return value[i]; }));
        pos = close + 1;
    }
    return child;
}

// The cleaned tag text: CR LF and TAB as spaces, ends trimmed. storage holds a changed copy.
template <class Units>
Units CleanTag(const Units &tag, std::vector<typename std::remove_cv_t<std::remove_pointer_t<decltype(Units::data)>>> &storage)
{
    Units s = TrimControl(tag);
    if (!NeedsCleaning(s))
        return s;
    storage.clear();
    for (qsizetype i = 0; i < s.size; ++i) {
        const char16_t c = Raw(s, i);
        if (c == u'\r' && i + 1 < s.size && Raw(s, i + 1) == u'\n') {
            storage.push_back(' ');
            ++i;
        } else {
            storage.push_back(c == u'\t' ? ' ' : s.data[i]);
        }
    }
    return TrimControl(Units{storage.data(), qsizetype(storage.size())});
}

} // namespace

template <class Units>
void TXMLTree::Parse(const Units &all)
{
    using TChar = std::remove_cv_t<std::remove_pointer_t<decltype(Units::data)>>;
    Clear();
    TXMLNameCache names;
    TXMLValueCache values;
    std::vector<TChar> storage;
    TXMLNode *current = this;
    int depth = 0;
    qsizetype pos = 0;
    // Once no ">" follows, none follows any later "<" either; remembering that keeps a
    // damaged text full of "<" from costing quadratic time.
    bool noMoreGt = false;
    const QLatin1String cdataOpen("<![CDATA[");
    auto setText = [&](const Units &segment) {
        current->SetValue(values.get(segment));
        current->SetValueType(xvtString);
    };
    while (pos <= all.size) {
        const qsizetype lt = Find(all, u'<', pos);
        if (lt < 0) {
            const Units rest = TrimControl(all.mid(pos, all.size - pos));
            if (rest.size > 0)
                setText(rest);
            break;
        }
        const Units between = TrimControl(all.mid(pos, lt - pos));
        if (between.size > 0)
            setText(between);

        if (lt + 1 < all.size && Raw(all, lt + 1) == u'!' && lt + cdataOpen.size() <= all.size) {
            qsizetype k = 0;
            while (k < cdataOpen.size()) {
                char16_t c = Raw(all, lt + k);
                if (c >= u'a' && c <= u'z')
                    c = char16_t(c - u'a' + u'A');
                if (c != cdataOpen[k].unicode())
                    break;
                ++k;
            }
            if (k == cdataOpen.size()) {
                const qsizetype end = FindText(all, QLatin1String("]]>"), lt + cdataOpen.size());
                if (end < 0)
                    throw EXMLError("XML format error: unterminated CDATA section");
                QString body = all.mid(lt + cdataOpen.size(), end - lt - cdataOpen.size()).toString();
                body.replace(QLatin1String("\r\n"), QLatin1String("\\n "));
                body.replace(QLatin1Char('\t'), QLatin1String("\\t "));
                current->SetValue(XMLUnescape(body));
                current->SetValueType(xvtCDATA);
                pos = end + 3;
                continue;
            }
        }

        const qsizetype gt = noMoreGt ? -1 : Find(all, u'>', lt + 1);
        if (gt < 0) {
            noMoreGt = true;
            pos = lt + 1;
            continue;
        }
        const Units tag = all.mid(lt + 1, gt - lt - 1);
        pos = gt + 1;
        if (tag.size > 0 && Raw(tag, 0) == u'/') {
            // More closing tags than opening ones stay at the top.
            if (current->parentNode()) {
                current = current->parentNode();
                --depth;
            }
        } else if (tag.size > 0 && (Raw(tag, tag.size - 1) == u'?' || Raw(tag, tag.size - 1) == u'/')) {
            AppendElement(*current, current->FNodes.grow(), CleanTag(tag, storage), names);
        } else {
            if (depth >= MaxDepth)
                throw EXMLError("XML format error: elements nested too deep");
            current = AppendElement(*current, current->FNodes.grow(), CleanTag(tag, storage), names);
            ++depth;
            ++FNodeCount;
        }
    }
}

void TXMLTree::ProcessXML(const QString &text)
{
    Parse(TUnits16{reinterpret_cast<const char16_t *>(text.constData()), text.size()});
}

void TXMLTree::ProcessXML(const QByteArray &cp1252)
{
    Parse(TUnits8{cp1252.constData(), cp1252.size()});
}

TXMLNode *TXMLNode::AddNodeEx(const QString &tagText, const QString &value)
{
    TXMLNameCache names;
    const TUnits16 tag{reinterpret_cast<const char16_t *>(tagText.constData()), tagText.size()};
    TXMLNode *child = AppendElement(*this, FNodes.grow(), tag, names);
    child->SetValue(value);
    return child;
}
