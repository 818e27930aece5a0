// The writer half of the XML layer: the written form of elements and of a whole tree.

#include "XmlEscape.h"
#include "XmlNode.h"
#include "XmlTree.h"

#include "Cp1252.h"

namespace {

const QLatin1String kCrLf("\r\n");

// A CDATA text keeps "\n " and "\t " in memory. The reader unescapes CDATA contents, so
// "&" must go out as "&amp;" (a bare "&" would make the file unreadable); characters
// Windows-1252 cannot hold and raw controls (which the reader would fold into "\n " and
// "\t ") go out as references; "]]&gt;" keeps the section from ending early.
void appendCData(QString &out, const QString &text)
{
    QString body;
    body.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (const char32_t code = XMLPairAt(text, i)) {
            XMLAppendReference(body, code);
            ++i;
        } else if (u == '&') {
            body += QLatin1String("&amp;");
        } else if (u < 0x20 || (u >= 0x80 && platform::cp1252Byte(u) < 0)) {
            XMLAppendReference(body, u);
        } else {
            body += c;
        }
    }
    body.replace(QLatin1String("]]>"), QLatin1String("]]&gt;"));
    body.replace(QLatin1String("\\n "), kCrLf);
    body.replace(QLatin1String("\\t "), QLatin1String("\t"));
    out += QLatin1String("<![CDATA[");
    out += body;
    out += QLatin1String("]]>");
}

} // namespace

QString TXMLNode::document(int level) const
{
    QString out;
    appendDocument(out, level);
    return out;
}

void TXMLNode::appendDocument(QString &out, int level) const
{
    const QString indent(2 * level, QLatin1Char(' '));
    const QString name = XMLEscapeElementName(FName.Value());
    out += indent;
    out += QLatin1Char('<');
    out += name;
    for (const auto &attribute : FAttributes) {
        out += QLatin1Char(' ');
        out += attribute->document();
    }
    // An empty name cannot take the " />" form: "< />" would read as a closing tag.
    if (FNodes.empty() && FValue.isEmpty() && !name.isEmpty()) {
        out += QLatin1String(" />");
        out += kCrLf;
        return;
    }
    out += QLatin1Char('>');
    if (!FNodes.empty())
        out += kCrLf;
    if (!FValue.isEmpty()) {
        if (FValueType == xvtCDATA)
            appendCData(out, FValue);
        else
            XMLEscapeTo(out, FValue);
    }
    for (const auto &child : FNodes)
        child->appendDocument(out, level + 1);
    if (!FNodes.empty())
        out += indent;
    out += QLatin1String("</");
    out += name;
    out += QLatin1Char('>');
    out += kCrLf;
}

QString TXMLTree::getText() const
{
    QString out;
    for (const auto &child : FNodes)
        child->appendDocument(out, 0);
    return out;
}
