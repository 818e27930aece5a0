#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// A forward-only reader of the XML parts other programs write into a workbook: UTF-8 text,
// elements with attributes in either quote, namespace prefixes, entity and character
// references, CDATA sections, comments and processing instructions. It is strict where
// damage shows: an end tag that does not match, an element left open, an unknown entity, a
// character XML does not allow, markup it cannot take apart. Document type declarations are
// refused (they can define entities that expand without bound).
//
//   TXmlScanner xml(bytes);
//   while (xml.Next() == TXmlScanner::xtStartElement || ...) {
//       if (xml.Token() == TXmlScanner::xtStartElement && xml.IsName("c")) ...
//   }
//   if (xml.Token() == TXmlScanner::xtError) report(xml.ErrorString());
//
// The bytes must outlive the scanner. Names are compared by their local part: "x:row" and
// "row" are the same element.
class TXmlScanner
{
public:
    enum TToken { xtStartElement, xtEndElement, xtText, xtEndOfDocument, xtError };

    explicit TXmlScanner(QByteArrayView data);

    // The next token. An empty element gives its start and then its end. Once the end of the
    // document or an error is reached, that token stays.
    TToken Next();
    TToken Token() const { return FToken; }

    // The local name of the element just started or ended.
    QByteArrayView Name() const { return FName; }
    bool IsName(const char *localName) const { return FName == QByteArrayView(localName); }
    // Elements open around the current token; the start of a top-level element is depth 1.
    int Depth() const { return int(FOpen.size()); }

    // An attribute of the element just started, by local name; false when it has none.
    bool Attribute(QByteArrayView localName, QString &value) const;
    QString Attribute(QByteArrayView localName) const;
    // The attribute's bytes as written (no references resolved): for short numeric values.
    QByteArrayView RawAttribute(QByteArrayView localName) const;

    // The text of a text token with references resolved and line ends made "\n".
    QString Text() const;
    void AppendText(QString &out) const;

    // Reads on to the end of the element just started; false on an error.
    bool SkipElement();

    const QString &ErrorString() const { return FError; }

private:
    struct TAttribute
    {
        QByteArrayView name;  // local name
        QByteArrayView value; // as written
    };

    TToken Fail(const QString &message);
    TToken ReadMarkup();
    TToken ReadStartTag();
    TToken ReadEndTag();
    TToken ReadText();
    bool SkipPast(const char *terminator);
    QByteArrayView ReadName();
    void SkipBlanks();
    qsizetype Offset() const { return FPos - FBegin; }
    // Resolves references and line ends of raw into out; false on a bad reference.
    static bool Decode(QByteArrayView raw, bool attribute, QByteArray &out, QString *error);

    const char *FBegin;
    const char *FPos;
    const char *FEnd;
    TToken FToken = xtError;
    QByteArrayView FName;
    std::vector<QByteArrayView> FOpen; // qualified names of the open elements
    std::vector<TAttribute> FAttributes;
    QByteArrayView FText;   // a text token as written
    QByteArray FDecoded;    // its resolved form when it needed one
    bool FTextDecoded = false;
    bool FPendingEnd = false; // an empty element's end comes next
    bool FRootSeen = false;
    QString FError;

    static constexpr int MaxDepth = 256;
};
