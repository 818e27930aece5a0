#include "XmlScanner.h"

#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c)
{
    return !isBlank(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\''
           && c != '?' && c != '!';
}

QByteArrayView localPart(QByteArrayView qualified)
{
    const qsizetype colon = qualified.lastIndexOf(':');
    return colon < 0 ? qualified : qualified.sliced(colon + 1);
}

bool isXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(QByteArray &out, uint c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The character a reference body ("amp", "#38", "#x26") stands for; 0 when none.
uint referencedChar(QByteArrayView body)
{
    if (body == "lt")
        return '<';
    if (body == "gt")
        return '>';
    if (body == "amp")
        return '&';
    if (body == "quot")
        return '"';
    if (body == "apos")
        return '\'';
    if (body.size() < 2 || body[0] != '#')
        return 0;
    const bool hex = body[1] == 'x';
    const QByteArrayView digits = body.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    uint value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return 0;
        value = value * (hex ? 16 : 10) + uint(digit);
    }
    return isXmlChar(value) ? value : 0;
}

} // namespace

TXmlScanner::TXmlScanner(QByteArrayView data)
    : FBegin(data.data()), FPos(data.data()), FEnd(data.data() + data.size())
{
    FToken = xtStartElement; // anything but the final states
    // A byte order mark of UTF-8 says nothing the reader needs.
    if (data.startsWith("\xEF\xBB\xBF"))
        FPos += 3;
}

TXmlScanner::TToken TXmlScanner::Fail(const QString &message)
{
    if (FToken != xtError)
        FError = QStringLiteral("%1 (at byte %2)").arg(message).arg(Offset());
    FToken = xtError;
    return FToken;
}

TXmlScanner::TToken TXmlScanner::Next()
{
    if (FToken == xtError || FToken == xtEndOfDocument)
        return FToken;
    FAttributes.clear();
    if (FPendingEnd) {
        FPendingEnd = false;
        FName = localPart(FOpen.back());
        FOpen.pop_back();
        return FToken = xtEndElement;
    }
    while (FPos < FEnd) {
        if (*FPos != '<') {
            const TToken token = ReadText();
            if (token == xtText || token == xtError)
                return token;
            continue; // blanks between top-level markup
        }
        const TToken token = ReadMarkup();
        if (token != xtEndOfDocument) // comments and instructions give nothing
            return token;
    }
    if (!FOpen.empty())
        return Fail(QStringLiteral("the document ends inside an element"));
    if (!FRootSeen)
        return Fail(QStringLiteral("the document holds no element"));
    return FToken = xtEndOfDocument;
}

// One piece of markup at FPos ('<'). Comments and processing instructions are skipped and
// reported as xtEndOfDocument, which the caller takes as "nothing yet".
TXmlScanner::TToken TXmlScanner::ReadMarkup()
{
    const QByteArrayView rest(FPos, FEnd - FPos);
    if (rest.startsWith("<?")) {
        if (!SkipPast("?>"))
            return Fail(QStringLiteral("unterminated processing instruction"));
        return xtEndOfDocument;
    }
    if (rest.startsWith("<!--")) {
        if (!SkipPast("-->"))
            return Fail(QStringLiteral("unterminated comment"));
        return xtEndOfDocument;
    }
    if (rest.startsWith("<![CDATA[")) {
        if (FOpen.empty())
            return Fail(QStringLiteral("character data outside the document element"));
        FPos += 9;
        const char *start = FPos;
        if (!SkipPast("]]>"))
            return Fail(QStringLiteral("unterminated CDATA section"));
        FText = QByteArrayView(start, FPos - 3 - start);
        FTextDecoded = false;
        if (FText.contains('\r')) {
            FDecoded.clear();
            for (qsizetype i = 0; i < FText.size(); ++i) {
                if (FText[i] != '\r')
                    FDecoded += FText[i];
                else if (i + 1 >= FText.size() || FText[i + 1] != '\n')
                    FDecoded += '\n';
            }
            FTextDecoded = true;
        }
        return FToken = xtText;
    }
    if (rest.startsWith("<!"))
        return Fail(QStringLiteral("document type declarations are not accepted"));
    if (rest.startsWith("</"))
        return ReadEndTag();
    return ReadStartTag();
}

TXmlScanner::TToken TXmlScanner::ReadStartTag()
{
    if (FOpen.empty() && FRootSeen)
        return Fail(QStringLiteral("a second document element"));
    ++FPos; // '<'
    const QByteArrayView qualified = ReadName();
    if (qualified.isEmpty())
        return Fail(QStringLiteral("an element without a name"));
    for (;;) {
        SkipBlanks();
        if (FPos >= FEnd)
            return Fail(QStringLiteral("unterminated start tag"));
        if (*FPos == '>') {
            ++FPos;
            break;
        }
        if (*FPos == '/') {
            if (FPos + 1 >= FEnd || FPos[1] != '>')
                return Fail(QStringLiteral("malformed empty element"));
            FPos += 2;
            FPendingEnd = true;
            break;
        }
        const QByteArrayView name = ReadName();
        if (name.isEmpty())
            return Fail(QStringLiteral("malformed attribute"));
        SkipBlanks();
        if (FPos >= FEnd || *FPos != '=')
            return Fail(QStringLiteral("attribute without a value"));
        ++FPos;
        SkipBlanks();
        if (FPos >= FEnd || (*FPos != '"' && *FPos != '\''))
            return Fail(QStringLiteral("attribute value without quotes"));
        const char quote = *FPos++;
        const char *start = FPos;
        const void *close = std::memchr(FPos, quote, size_t(FEnd - FPos));
        if (!close)
            return Fail(QStringLiteral("unterminated attribute value"));
        FPos = static_cast<const char *>(close);
        const QByteArrayView value(start, FPos - start);
        ++FPos;
        if (value.contains('<'))
            return Fail(QStringLiteral("'<' in an attribute value"));
        if (value.contains('&')) {
            QByteArray scratch;
            QString error;
            if (!Decode(value, true, scratch, &error))
                return Fail(error);
        }
        FAttributes.push_back({localPart(name), value});
    }
    if (int(FOpen.size()) >= MaxDepth)
        return Fail(QStringLiteral("elements nested too deeply"));
    FOpen.push_back(qualified);
    FRootSeen = true;
    FName = localPart(qualified);
    return FToken = xtStartElement;
}

TXmlScanner::TToken TXmlScanner::ReadEndTag()
{
    FPos += 2; // "</"
    const QByteArrayView qualified = ReadName();
    SkipBlanks();
    if (FPos >= FEnd || *FPos != '>')
        return Fail(QStringLiteral("malformed end tag"));
    ++FPos;
    if (FOpen.empty() || FOpen.back() != qualified)
        return Fail(QStringLiteral("end tag </%1> does not match").arg(QString::fromUtf8(qualified)));
    FOpen.pop_back();
    FName = localPart(qualified);
    return FToken = xtEndElement;
}

// Text up to the next '<'. Outside the document element only blanks may stand; they give
// xtEndOfDocument ("nothing").
TXmlScanner::TToken TXmlScanner::ReadText()
{
    const char *start = FPos;
    const void *lt = std::memchr(FPos, '<', size_t(FEnd - FPos));
    FPos = lt ? static_cast<const char *>(lt) : FEnd;
    const QByteArrayView raw(start, FPos - start);
    if (FOpen.empty()) {
        for (const char c : raw)
            if (!isBlank(c))
                return Fail(QStringLiteral("text outside the document element"));
        return xtEndOfDocument;
    }
    FText = raw;
    FTextDecoded = false;
    if (raw.contains('&') || raw.contains('\r')) {
        QString error;
        if (!Decode(raw, false, FDecoded, &error))
            return Fail(error);
        FTextDecoded = true;
    }
    return FToken = xtText;
}

bool TXmlScanner::SkipPast(const char *terminator)
{
    const QByteArrayView rest(FPos, FEnd - FPos);
    const qsizetype at = rest.indexOf(QByteArrayView(terminator));
    if (at < 0)
        return false;
    FPos += at + qsizetype(std::strlen(terminator));
    return true;
}

QByteArrayView TXmlScanner::ReadName()
{
    const char *start = FPos;
    while (FPos < FEnd && isNameChar(*FPos))
        ++FPos;
    return QByteArrayView(start, FPos - start);
}

void TXmlScanner::SkipBlanks()
{
    while (FPos < FEnd && isBlank(*FPos))
        ++FPos;
}

bool TXmlScanner::Decode(QByteArrayView raw, bool attribute, QByteArray &out, QString *error)
{
    out.clear();
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '&') {
            const qsizetype semicolon = raw.indexOf(';', i + 1);
            const uint ch = semicolon < 0 || semicolon - i > 12 ? 0 : referencedChar(raw.sliced(i + 1, semicolon - i - 1));
            if (ch == 0) {
                if (error)
                    *error = QStringLiteral("unknown or invalid reference \"%1\"")
                                 .arg(QString::fromUtf8(raw.sliced(i, std::min<qsizetype>(12, raw.size() - i))));
                return false;
            }
            appendUtf8(out, ch);
            i = semicolon;
        } else if (c == '\r') {
            // CR LF and a lone CR are one line end; in attributes every line end is a blank.
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            out += attribute ? ' ' : '\n';
        } else if (attribute && (c == '\n' || c == '\t')) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return true;
}

bool TXmlScanner::Attribute(QByteArrayView localName, QString &value) const
{
    for (const TAttribute &a : FAttributes) {
        if (a.name != localName)
            continue;
        if (!a.value.contains('&') && !a.value.contains('\r') && !a.value.contains('\n') && !a.value.contains('\t')) {
            value = QString::fromUtf8(a.value);
        } else {
            QByteArray decoded;
            Decode(a.value, true, decoded, nullptr); // checked when the tag was read
            value = QString::fromUtf8(decoded);
        }
        return true;
    }
    return false;
}

QString TXmlScanner::Attribute(QByteArrayView localName) const
{
    QString value;
    Attribute(localName, value);
    return value;
}

QByteArrayView TXmlScanner::RawAttribute(QByteArrayView localName) const
{
    for (const TAttribute &a : FAttributes)
        if (a.name == localName)
            return a.value;
    return {};
}

QString TXmlScanner::Text() const
{
    if (FToken != xtText)
        return QString();
    return QString::fromUtf8(FTextDecoded ? QByteArrayView(FDecoded) : FText);
}

void TXmlScanner::AppendText(QString &out) const
{
    if (FToken == xtText)
        out += QString::fromUtf8(FTextDecoded ? QByteArrayView(FDecoded) : FText);
}

bool TXmlScanner::SkipElement()
{
    if (FToken != xtStartElement)
        return FToken != xtError;
    const int depth = Depth();
    while (Next() != xtError) {
        if (FToken == xtEndElement && Depth() < depth)
            return true;
        if (FToken == xtEndOfDocument)
            return false;
    }
    return false;
}
