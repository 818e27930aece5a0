// The reader half of the XML layer: taking tag texts and whole documents apart.

#include "XmlEscape.h"
#include "XmlNode.h"
#include "XmlTree.h"

#include <vector>

// Unescaped names of one parse by their raw text. A document repeats a few dozen names
// over and over; sharing them saves an allocation and a hash per element.
class TXMLNameCache
{
public:
    THashedString get(QStringView raw)
    {
        const quint32 hash = THashedString::Hash(raw);
        for (const Entry &e : FEntries) {
            if (e.hash == hash && QStringView(e.raw) == raw)
                return e.name;
        }
        THashedString name(XMLUnescape(raw));
        if (FEntries.size() < 256)
            FEntries.push_back({hash, raw.toString(), name});
        return name;
    }

private:
    struct Entry
    {
        quint32 hash;
        QString raw;
        THashedString name;
    };
    std::vector<Entry> FEntries;
};

namespace {

// Leading and trailing characters up to SPACE go; U+00A0 and other blanks stay.
QStringView trimControl(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && s[end - 1].unicode() <= 0x20)
        --end;
    return s.mid(begin, end - begin);
}

// CR LF and TAB become spaces, then the ends are trimmed. storage holds the text when it
// had to be changed.
QStringView clean(QStringView s, QString &storage)
{
    s = trimControl(s);
    if (!s.contains(QLatin1Char('\t')) && !s.contains(QLatin1String("\r\n")))
        return s;
    storage = s.toString();
    storage.replace(QLatin1String("\r\n"), QLatin1String(" "));
    storage.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return trimControl(storage);
}

void storeText(TXMLNode *node, QStringView segment)
{
    QString storage;
    node->SetValue(XMLUnescape(clean(segment, storage)));
    node->SetValueType(xvtString);
}

} // namespace

TXMLNode *TXMLNode::AddNodeEx(const QString &tagText, const QString &value)
{
    TXMLNameCache names;
    TXMLNode *child = AddNodeEx(QStringView(tagText), names);
    child->SetValue(value);
    return child;
}

TXMLNode *TXMLNode::AddNodeEx(QStringView tag, TXMLNameCache &names)
{
    const qsizetype space = tag.indexOf(QLatin1Char(' '));
    FNodes.push_back(std::make_unique<TXMLNode>(names.get(space < 0 ? tag : tag.left(space)), QString(), this));
    TXMLNode *child = FNodes.back().get();
    if (space < 0)
        return child;
    qsizetype pos = space;
    while (pos < tag.size()) {
        const qsizetype equals = tag.indexOf(QLatin1Char('='), pos);
        if (equals < 0)
            break;
        const qsizetype open = tag.indexOf(QLatin1Char('"'), equals + 1);
        if (open < 0)
            break;
        const qsizetype close = tag.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0)
            break;
        child->FAttributes.push_back(std::make_unique<TXMLAttribute>(
            names.get(trimControl(tag.mid(pos, equals - pos))), XMLUnescape(tag.mid(open + 1, close - open - 1))));
        pos = close + 1;
    }
    return child;
}

void TXMLTree::ProcessXML(const QString &text)
{
    Clear();
    TXMLNameCache names;
    QString storage;
    const QStringView all(text);
    TXMLNode *current = this;
    int depth = 0;
    qsizetype pos = 0;
    // Once no ">" follows, none follows any later "<" either; remembering that keeps a
    // damaged text full of "<" from costing quadratic time.
    bool noMoreGt = false;
    const QLatin1String cdataOpen("<![CDATA[");
    while (pos <= all.size()) {
        const qsizetype lt = all.indexOf(QLatin1Char('<'), pos);
        if (lt < 0) {
            const QStringView rest = trimControl(all.mid(pos));
            if (!rest.isEmpty())
                storeText(current, rest);
            break;
        }
        const QStringView between = trimControl(all.mid(pos, lt - pos));
        if (!between.isEmpty())
            storeText(current, between);

        if (lt + 1 < all.size() && all[lt + 1] == QLatin1Char('!')
            && all.mid(lt, cdataOpen.size()).compare(cdataOpen, Qt::CaseInsensitive) == 0) {
            const qsizetype end = all.indexOf(QLatin1String("]]>"), lt + cdataOpen.size());
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

        const qsizetype gt = noMoreGt ? -1 : all.indexOf(QLatin1Char('>'), lt + 1);
        if (gt < 0) {
            noMoreGt = true;
            pos = lt + 1;
            continue;
        }
        const QStringView tag = all.mid(lt + 1, gt - lt - 1);
        pos = gt + 1;
        if (tag.startsWith(QLatin1Char('/'))) {
            // More closing tags than opening ones stay at the top.
            if (current->parentNode()) {
                current = current->parentNode();
                --depth;
            }
        } else if (tag.endsWith(QLatin1Char('?')) || tag.endsWith(QLatin1Char('/'))) {
            current->AddNodeEx(clean(tag, storage), names);
        } else {
            if (depth >= MaxDepth)
                throw EXMLError("XML format error: elements nested too deep");
            current = current->AddNodeEx(clean(tag, storage), names);
            ++depth;
            ++FNodeCount;
        }
    }
}
