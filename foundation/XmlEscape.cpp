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
        out += QLatin1String("&#");
        out += QString::number(uint(c));
        out += QLatin1Char(';');
        return;
    }
    out += QChar(c);
}

[[noreturn]] void formatError()
{
    throw EXMLError("XMLUnescape format error");
}

bool startsAt(QStringView s, qsizetype at, QLatin1String what)
{
    return s.size() - at >= what.size() && s.mid(at, what.size()) == what;
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
        if (needsEscape(c))
            appendEscaped(out, c);
        else
            out += QChar(c);
    }
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

QString XMLUnescape(QStringView s)
{
    const qsizetype amp = s.indexOf(QLatin1Char('&'));
    if (amp < 0)
        return s.toString();
    QString out;
    out.reserve(s.size());
    out += s.left(amp);
    qsizetype i = amp;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c != QLatin1Char('&')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype at = i + 1;
        if (startsAt(s, at, QLatin1String("amp;"))) {
            out += QLatin1Char('&');
            i = at + 4;
        } else if (startsAt(s, at, QLatin1String("lt;"))) {
            out += QLatin1Char('<');
            i = at + 3;
        } else if (startsAt(s, at, QLatin1String("gt;"))) {
            out += QLatin1Char('>');
            i = at + 3;
        } else if (startsAt(s, at, QLatin1String("quot;"))) {
            out += QLatin1Char('"');
            i = at + 5;
        } else if (startsAt(s, at, QLatin1String("nbsp;"))) {
            out += QLatin1Char(' ');
            i = at + 5;
        } else if (at < n && s[at] == QLatin1Char('#')) {
            qsizetype j = at + 1;
            quint32 value = 0;
            while (j < n && s[j] >= QLatin1Char('0') && s[j] <= QLatin1Char('9')) {
                value = value * 10 + quint32(s[j].unicode() - '0');
                if (value > 0xFFFF)
                    formatError(); // no UTF-16 unit; also keeps the sum from overflowing
                ++j;
            }
            if (j == at + 1 || j >= n || s[j] != QLatin1Char(';'))
                formatError();
            out += QChar(char16_t(value));
            i = j + 1;
        } else {
            formatError();
        }
    }
    return out;
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
