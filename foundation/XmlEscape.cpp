#include "XmlEscape.h"

#include "Cp1252.h"
#include "StreamIO.h"

#include <QIODevice>

namespace {

bool needsEscape(char16_t c)
{
    if (c < 0x80)
        return c <= 0x20 || c == '&' || c == '<' || c == '>' || c == '"';
    return platform::cp1252Byte(c) < 0;
}

void appendEscaped(QString &out, char16_t c)
{
    switch (c) {
    case '&': out += QLatin1String("&amp;"); return;
    case '<': out += QLatin1String("&lt;"); return;
    case '>': out += QLatin1String("&gt;"); return;
    case '"': out += QLatin1String("&quot;"); return;
    case ' ': out += QLatin1String("&nbsp;"); return;
    default: break;
    }
    if (c < 0x20 || platform::cp1252Byte(c) < 0) {
        XMLAppendReference(out, c);
        return;
    }
    out += QChar(c);
}

[[noreturn]] void formatError()
{
    throw EXMLError("XMLUnescape format error");
}

} // namespace

namespace {

qsizetype firstToEscape(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && !needsEscape(s[i].unicode()))
        ++i;
    return i;
}

} // namespace

void XMLEscapeTo(QString &out, QStringView s)
{
    const qsizetype first = firstToEscape(s);
    out += s.left(first);
    for (qsizetype i = first; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (const char32_t code = XMLPairAt(s, i)) {
            XMLAppendReference(out, code);
            ++i;
        } else if (needsEscape(c)) {
            appendEscaped(out, c);
        } else {
            out += QChar(c);
        }
    }
}

char32_t XMLPairAt(QStringView s, qsizetype i)
{
    if (i + 1 >= s.size() || !s[i].isHighSurrogate() || !s[i + 1].isLowSurrogate())
        return 0;
    return QChar::surrogateToUcs4(s[i], s[i + 1]);
}

void XMLAppendReference(QString &out, char32_t code)
{
    out += QLatin1String("&#");
    out += QString::number(uint(code));
    out += QLatin1Char(';');
}

QString XMLEscape(QStringView s)
{
    QString out;
    out.reserve(s.size() + 16);
    XMLEscapeTo(out, s);
    return out;
}

QString XMLEscape(const QString &s)
{
    if (firstToEscape(s) == s.size())
        return s;
    return XMLEscape(QStringView(s));
}

void XMLUnescapeFormatError()
{
    formatError();
}

QString XMLUnescape(QStringView s)
{
    if (!s.contains(QLatin1Char('&')))
        return s.toString();
    return XMLUnescapeUnits(s.size(), [s](qsizetype i) { return s[i].unicode(); });
}

QString XMLUnescape(const QString &s)
{
    if (!s.contains(QLatin1Char('&')))
        return s;
    return XMLUnescape(QStringView(s));
}

QString XMLEscapeElementName(QStringView name)
{
    QString out = XMLEscape(name);
    if (out.startsWith(QLatin1Char('/')) || out.startsWith(QLatin1Char('!')))
        out.replace(0, 1, out.startsWith(QLatin1Char('/')) ? QLatin1String("&#47;") : QLatin1String("&#33;"));
    if (out.endsWith(QLatin1Char('/')))
        out.replace(out.size() - 1, 1, QLatin1String("&#47;"));
    else if (out.endsWith(QLatin1Char('?')))
        out.replace(out.size() - 1, 1, QLatin1String("&#63;"));
    return out;
}

QString XMLEscapeAttributeName(QStringView name)
{
    // No entity contains "=", so it can be replaced after escaping.
    return XMLEscape(name).replace(QLatin1Char('='), QLatin1String("&#61;"));
}

QString ReadString(QIODevice &stream)
{
    return platform::fromCp1252(stream.readAll());
}

bool WriteString(QIODevice &stream, const QString &s)
{
    return platform::writeAll(stream, platform::toCp1252(s));
}
