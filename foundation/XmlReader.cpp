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
#include <future>
#include <memory>
#include <thread>
#include <type_traits>
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

// The caches of one parse know a text by its raw units, before any decoding: a hash of
// them, whether a copy of them matches, and such a copy.
template <class Units>
quint32 RawHash(const Units &s)
{
    quint32 hash = 5381;
    for (qsizetype i = 0; i < s.size; ++i)
        hash = (hash * 33) ^ Raw(s, i);
    return hash;
}

template <class Units>
bool SameRaw(const char16_t *copy, const Units &s)
{
    for (qsizetype i = 0; i < s.size; ++i)
        if (copy[i] != Raw(s, i))
            return false;
    return true;
}

template <class Units>
void CopyRaw(char16_t *copy, const Units &s)
{
    for (qsizetype i = 0; i < s.size; ++i)
        copy[i] = Raw(s, i);
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

// The unit type of a run of characters: char16_t, or char for the bytes of a file.
template <class Units>
using TCharOf = std::remove_cv_t<std::remove_pointer_t<decltype(Units::data)>>;

// A tag or text segment cleaned: CR LF and TAB as spaces, ends trimmed. storage holds a
// changed copy.
template <class Units>
Units CleanSegment(const Units &tag, std::vector<TCharOf<Units>> &storage)
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

// The text of a segment, cleaned, with its entities resolved.
template <class Units>
QString Unescaped(const Units &s)
{
    std::vector<TCharOf<Units>> storage;
    const Units cleaned = CleanSegment(s, storage);
    return XMLUnescapeUnits(cleaned.size, [&cleaned](qsizetype i) { return cleaned[i]; });
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
        const quint32 hash = RawHash(s);
        // The value depends on the raw text alone, entities and line breaks included.
        Slot &slot = FSlots[hash % Slots];
        if (slot.hash == hash && slot.size == s.size && SameRaw(slot.raw, s))
            return slot.value;
        QString value = Unescaped(s);
        CopyRaw(slot.raw, s);
        slot.hash = hash;
        slot.size = s.size;
        slot.value = value;
        return value;
    }

private:
    static constexpr qsizetype MaxLength = 48;
    static constexpr quint32 Slots = 4096;
    // The raw text lies in the slot itself: a lookup touches one place.
    struct Slot
    {
        quint32 hash = 0;
        qsizetype size = -1;
        char16_t raw[MaxLength];
        QString value;
    };
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
        const quint32 hash = RawHash(raw);
        // Open addressing over a table twice the size of the entries it may hold.
        quint32 slot = hash % Slots;
        for (; FTable[slot] != 0; slot = (slot + 1) % Slots) {
            const Entry &e = FEntries[FTable[slot] - 1];
            if (e.hash == hash && qsizetype(e.raw.size()) == raw.size && SameRaw(e.raw.data(), raw))
                return e.name;
        }
        THashedString name(XMLUnescapeUnits(raw.size, [&raw](qsizetype i) { return raw[i]; }));
        if (FEntries.size() < MaxEntries) {
            std::u16string key(std::size_t(raw.size), u'\0');
            CopyRaw(key.data(), raw);
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

// Reads an opening tag's text into sink: the name up to the first blank, then name="value"
// pairs; a missing "=" or quote ends the attributes silently. When a name or value cannot be
// read, the element keeps the attributes before it and the error goes on.
template <class Units, class Sink>
void ReadTag(Sink &sink, const Units &tag, TXMLNameCache &names, bool opens)
{
    const qsizetype space = Find(tag, u' ', 0);
    sink.BeginElement(names.get(space < 0 ? tag : tag.mid(0, space)));
    try {
        qsizetype pos = space < 0 ? tag.size : space;
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
            THashedString name = names.get(TrimControl(tag.mid(pos, equals - pos)));
            sink.Attribute(std::move(name), XMLUnescapeUnits(value.size, [&value](qsizetype i) { return value[i]; }));
            pos = close + 1;
        }
    } catch (...) {
        sink.EndElement(false);
        throw;
    }
    sink.EndElement(opens);
}

// Appends the element straight to a parent, as the tag is read.
class TDirectSink
{
public:
    explicit TDirectSink(TXMLNode &parent) : FParent(parent) {}
    void BeginElement(const THashedString &name) { FElement = FParent.AddNode(name.Value()); }
    void Attribute(const THashedString &name, const QString &value) { FElement->AddAttribute(name, value); }
    void EndElement(bool) {}
    TXMLNode *Element() const { return FElement; }

private:
    TXMLNode &FParent;
    TXMLNode *FElement = nullptr;
};

} // namespace

// Builds a tree as the reader goes, with elements made when they close: an element's
// children are then known, so they get one block of the right size, and an element without
// children can go where such elements are freed together (see TXMLArena).
class TXMLTreeBuilder
{
public:
    explicit TXMLTreeBuilder(TXMLNode &root) : FRoot(root) { FOpen.push_back({}); }
    // A builder for a piece of a document that starts inside baseDepth open elements, which
    // it stands in for: whatever would close them or give them text breaks the piece.
    TXMLTreeBuilder(TXMLNode &root, int baseDepth) : TXMLTreeBuilder(root)
    {
        FBaseDepth = baseDepth;
        for (int i = 0; i < baseDepth; ++i)
            FOpen.push_back({});
    }
    // Only when Finish could not end (no memory): what was not placed goes.
    ~TXMLTreeBuilder()
    {
        for (TXMLNode *child : FChildren)
            TXMLNode::Destroy(child);
    }

    int Depth() const { return int(FOpen.size()) - 1; }
    bool Broken() const { return FBroken; }
    void SetText(QString value, TXMLValueType type)
    {
        if (Depth() <= FBaseDepth && FBaseDepth > 0) {
            FBroken = true;
            return;
        }
        FOpen.back().value = std::move(value);
        FOpen.back().type = type;
    }
    // The complete children of the innermost open element, taken out; whether they have
    // no children themselves.
    std::vector<TXMLNode *> TakeChildren(bool &onlyLeaves)
    {
        onlyLeaves = FOpen.back().onlyLeaves;
        std::vector<TXMLNode *> children(FChildren.begin() + std::ptrdiff_t(FOpen.back().firstChild), FChildren.end());
        FChildren.resize(FOpen.back().firstChild);
        return children;
    }
    // Complete children read elsewhere, after those of the innermost open element.
    void AdoptChildren(const std::vector<TXMLNode *> &children, bool onlyLeaves)
    {
        FChildren.insert(FChildren.end(), children.begin(), children.end());
        FOpen.back().onlyLeaves = FOpen.back().onlyLeaves && onlyLeaves;
    }

    void BeginElement(THashedString name)
    {
        FPendingName = std::move(name);
        FPendingAttributes = FAttributes.size();
    }
    void Attribute(THashedString name, QString value) { FAttributes.push_back({std::move(name), std::move(value)}); }
    // An element that opens stays open for children and text; any other is complete.
    void EndElement(bool opens)
    {
        if (opens) {
            FOpen.push_back({std::move(FPendingName), QString(), xvtString, FPendingAttributes, FChildren.size(), true});
            return;
        }
        TOpen leaf{std::move(FPendingName), QString(), xvtString, FPendingAttributes, FChildren.size(), true};
        FChildren.push_back(Make(leaf));
    }
    // A closing tag; more of them than opening ones stay at the top.
    void Close()
    {
        if (FOpen.size() <= 1)
            return;
        if (Depth() <= FBaseDepth && FBaseDepth > 0) {
            FBroken = true;
            return;
        }
        TOpen element = std::move(FOpen.back());
        FOpen.pop_back();
        TXMLNode *node = Make(element);
        FOpen.back().onlyLeaves = FOpen.back().onlyLeaves && node->FNodes.empty();
        FChildren.push_back(node);
    }
    // Closes what is still open and hands the top-level elements and text to the root.
    void Finish()
    {
        while (FOpen.size() > 1)
            Close();
        TOpen &top = FOpen.back();
        FRoot.FValue = std::move(top.value);
        FRoot.FValueType = quint8(top.type);
        for (TXMLNode *child : FChildren)
            child->FParentNode = &FRoot;
        if (!FChildren.empty()) {
            // The root starts empty; a heap block, as it is not cleared with any rows.
            FRoot.FNodes.clear();
            FRoot.FNodes.FBlock = Block(FRoot.FNodes, FChildren.size(), nullptr, TXMLArena::asLasting);
            Fill(FRoot.FNodes, FChildren.data());
        }
        FChildren.clear();
        FAttributes.clear();
        top = TOpen{};
    }

private:
    struct TOpen
    {
        THashedString name;
        QString value;
        TXMLValueType type = xvtString;
        std::size_t firstAttribute = 0;
        std::size_t firstChild = 0;
        bool onlyLeaves = true;
    };
    struct TAttribute
    {
        THashedString name;
        QString value;
    };

    template <class T>
    static typename TXMLList<T>::TBlock *Block(TXMLList<T> &, std::size_t count, TXMLArena *arena, TXMLArena::TStream stream)
    {
        return TXMLList<T>::MakeBlock(count, arena, stream);
    }
    template <class T>
    static void Fill(TXMLList<T> &list, T *const *items)
    {
        auto *block = list.FBlock;
        for (std::uint32_t i = 0; i < block->capacity; ++i)
            block->items()[i].FItem = items[i];
        block->count = block->capacity;
    }

    TXMLNode *Make(TOpen &element)
    {
        const std::size_t children = FChildren.size() - element.firstChild;
        const TXMLArena::TStream stream = children ? TXMLArena::asLasting : TXMLArena::asBrief;
        TXMLNode *node = ::new (FArena.Allocate(sizeof(TXMLNode), stream))
            TXMLNode(std::move(element.name), std::move(element.value), nullptr);
        node->FInArena = true;
        node->FValueType = quint8(element.type);
        if (children) {
            // Children that are all leaves go when their parent is cleared.
            node->FNodes.FBlock = Block(node->FNodes, children, &FArena,
                                        element.onlyLeaves ? TXMLArena::asBrief : TXMLArena::asLasting);
            TXMLNode **first = FChildren.data() + element.firstChild;
            for (std::size_t i = 0; i < children; ++i)
                first[i]->FParentNode = node;
            Fill(node->FNodes, first);
            FChildren.resize(element.firstChild);
        }
        const std::size_t attributes = FAttributes.size() - element.firstAttribute;
        if (attributes) {
            node->FAttributes.FBlock = Block(node->FAttributes, attributes, &FArena, stream);
            auto *block = node->FAttributes.FBlock;
            for (std::size_t i = 0; i < attributes; ++i) {
                TAttribute &from = FAttributes[element.firstAttribute + i];
                auto *attribute = ::new (FArena.Allocate(sizeof(TXMLAttribute), stream))
                    TXMLAttribute(std::move(from.name), std::move(from.value));
                attribute->FInArena = true;
                block->items()[i].FItem = attribute;
                block->count = std::uint32_t(i + 1);
            }
            FAttributes.resize(element.firstAttribute);
        }
        return node;
    }

    TXMLNode &FRoot;
    TXMLArena FArena;
    std::vector<TOpen> FOpen;
    std::vector<TXMLNode *> FChildren;
    std::vector<TAttribute> FAttributes;
    THashedString FPendingName;
    std::size_t FPendingAttributes = 0;
    int FBaseDepth = 0;
    bool FBroken = false;
};

namespace {

// The caches and flags of one reader going through a text.
template <class Units>
struct TReadRun
{
    TXMLNameCache names;
    TXMLValueCache values;
    std::vector<TCharOf<Units>> storage;
    int opened = 0; // elements opened with a separate closing tag
    // Once no ">" follows, none follows any later "<" either; remembering that keeps a
    // damaged text full of "<" from costing quadratic time.
    bool noMoreGt = false;
};

// Reads all from pos to its end into builder.
template <class Units>
void ParseSpan(const Units &all, qsizetype pos, TXMLTreeBuilder &builder, TReadRun<Units> &run)
{
    const QLatin1String cdataOpen("<![CDATA[");
    auto setText = [&](const Units &segment) { builder.SetText(run.values.get(segment), xvtString); };
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
                builder.SetText(XMLUnescape(body), xvtCDATA);
                pos = end + 3;
                continue;
            }
        }

        const qsizetype gt = run.noMoreGt ? -1 : Find(all, u'>', lt + 1);
        if (gt < 0) {
            run.noMoreGt = true;
            pos = lt + 1;
            continue;
        }
        const Units tag = all.mid(lt + 1, gt - lt - 1);
        pos = gt + 1;
        if (tag.size > 0 && Raw(tag, 0) == u'/') {
            builder.Close();
        } else if (tag.size > 0 && (Raw(tag, tag.size - 1) == u'?' || Raw(tag, tag.size - 1) == u'/')) {
            ReadTag(builder, CleanSegment(tag, run.storage), run.names, false);
        } else {
            if (builder.Depth() >= TXMLTree::MaxDepth)
                throw EXMLError("XML format error: elements nested too deep");
            ReadTag(builder, CleanSegment(tag, run.storage), run.names, true);
            ++run.opened;
        }
    }
}

// A big file is read in pieces at once. Its rows are the children of the second level (a
// document's data, a diff file's events), each on a line of its own indented by four
// blanks: the text is cut before such lines. The first piece is read from the start, the
// others as if inside two open elements, each on a thread of its own. A piece counts only
// when reading it so gives what reading it in turn would: it ends at the depth it started
// at, closes nothing it did not open, gives the open elements no text, meets no CDATA
// section or tag that runs past its end. The first piece that does not count and all after
// it are read again in turn, by the reader that read everything before them.
constexpr qsizetype PieceBytes = 4 << 20;
constexpr int RowDepth = 2;
constexpr unsigned MaxReaders = 4;

// The start of the first row line at or after from; -1 when there is none.
qsizetype RowLineAt(const TUnits8 &all, qsizetype from)
{
    for (qsizetype at = Find(all, u'\n', from); at >= 0; at = Find(all, u'\n', at + 1)) {
        const qsizetype lt = at + 1 + 2 * RowDepth;
        if (lt + 1 >= all.size)
            return -1;
        qsizetype k = at + 1;
        while (k < lt && Raw(all, k) == u' ')
            ++k;
        const char16_t next = Raw(all, lt + 1);
        if (k == lt && Raw(all, lt) == u'<' && next != u'/' && next != u'!' && next != u'?' && next > u' ')
            return lt;
    }
    return -1;
}

struct TPiece
{
    qsizetype from = 0;
    qsizetype to = 0;
    std::unique_ptr<TXMLTreeBuilder> builder;
    std::unique_ptr<TReadRun<TUnits8>> run;
    bool counts = false;
};

} // namespace

template <class Units>
void TXMLTree::Parse(const Units &all)
{
    Clear();
    auto builder = std::make_unique<TXMLTreeBuilder>(*this);
    try {
        bool done = false;
        if constexpr (std::is_same_v<Units, TUnits8>)
            done = ParseInPieces(all, *builder);
        if (!done) {
            // Nothing read in pieces stays.
            builder = std::make_unique<TXMLTreeBuilder>(*this);
            FNodeCount = 0;
            Parse(all, *builder);
        }
    } catch (...) {
        // The tree keeps what was read up to the error.
        builder->Finish();
        throw;
    }
    builder->Finish();
}

template <class Units>
void TXMLTree::Parse(const Units &all, TXMLTreeBuilder &builder)
{
    TReadRun<Units> run;
    try {
        ParseSpan(all, 0, builder, run);
    } catch (...) {
        FNodeCount += run.opened;
        throw;
    }
    FNodeCount += run.opened;
}

template <class Units>
bool TXMLTree::ParseInPieces(const Units &all, TXMLTreeBuilder &builder)
{
    const unsigned readers = std::min(std::max(1u, std::thread::hardware_concurrency()), MaxReaders);
    if (all.size < PieceBytes || readers < 2)
        return false;
    // Equal pieces for every reader, and a short rest the first reader takes at the end.
    std::vector<qsizetype> cuts;
    for (unsigned i = 1; i <= readers; ++i) {
        const qsizetype cut = RowLineAt(all, qsizetype(double(all.size) * i * 10 / (10 * readers + 1)));
        if (cut < 0 || (!cuts.empty() && cut <= cuts.back()))
            return false;
        cuts.push_back(cut);
    }
    std::vector<TPiece> pieces(readers - 1);
    std::vector<std::future<void>> reading;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        TPiece &piece = pieces[i];
        piece.from = cuts[i];
        piece.to = cuts[i + 1];
        piece.builder = std::make_unique<TXMLTreeBuilder>(*this, RowDepth);
        piece.run = std::make_unique<TReadRun<TUnits8>>();
        reading.push_back(std::async(std::launch::async, [&piece, &all] {
            try {
                ParseSpan(all.mid(0, piece.to), piece.from, *piece.builder, *piece.run);
                piece.counts = !piece.run->noMoreGt && !piece.builder->Broken() && piece.builder->Depth() == RowDepth;
            } catch (...) {
                piece.counts = false;
            }
        }));
    }
    // Every piece is waited for, whatever happens here.
    struct TJoin
    {
        std::vector<std::future<void>> &reading;
        ~TJoin()
        {
            for (auto &one : reading)
                if (one.valid())
                    one.wait();
        }
    } join{reading};

    TReadRun<Units> run;
    try {
        ParseSpan(all.mid(0, cuts.front()), 0, builder, run);
    } catch (...) {
        return false;
    }
    if (run.noMoreGt || builder.Depth() != RowDepth)
        return false;
    int opened = run.opened;
    qsizetype rest = cuts.front();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        reading[i].get();
        if (!pieces[i].counts)
            break;
        bool onlyLeaves = true;
        builder.AdoptChildren(pieces[i].builder->TakeChildren(onlyLeaves), onlyLeaves);
        opened += pieces[i].run->opened;
        rest = pieces[i].to;
    }
    run.opened = 0;
    try {
        ParseSpan(all, rest, builder, run);
    } catch (...) {
        FNodeCount = opened + run.opened;
        throw;
    }
    FNodeCount = opened + run.opened;
    return true;
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
    TDirectSink sink(*this);
    ReadTag(sink, tag, names, false);
    sink.Element()->SetValue(value);
    return sink.Element();
}
