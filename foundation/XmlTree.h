#pragma once

// The program's own small XML layer for documents and diff files. It reads and writes
// the subset of XML it produces itself (plus a prolog line): elements with attributes in
// double quotes, escaped texts and CDATA sections. Text is UTF-16 in memory and Windows-1252
// in files, optionally framed in the TLZR compressed stream. Names may hold blanks: a
// space is always written as "&nbsp;".
//
//   TXMLTree tree;
//   tree.setText(QStringLiteral("<document><setup /></document>"));
//   TXMLNode *setup = tree.namedNode(QStringList{"document", "setup"});
//   setup->AddNode("Version", "3");
//   tree.SaveToFile(path, true, [](const QString &msg) { log(msg); });
//
// The reader raises EXMLError on texts it cannot take apart (an unknown entity, a CDATA
// section without end, compressed data that does not expand); the tree then holds what
// was read so far. Closing tags are not matched against their opening tags.

#include "HashedString.h"
#include "XmlAttribute.h"
#include "XmlEscape.h"
#include "XmlNode.h"

#include <QString>

#include <functional>

class QIODevice;

using TXMLErrorHandler = std::function<void(const QString &message)>;

// A whole document: an element named "root" without parent that is never written itself;
// its children are the document's top-level elements.
class TXMLTree final : public TXMLNode
{
public:
    TXMLTree();

    // The written forms of the top-level elements, each at level 0, concatenated.
    QString getText() const;
    // Replaces the tree by the parse of text.
    void setText(const QString &text) { ProcessXML(text); }

    // Elements the last parse opened with a separate closing tag.
    int NodeCount() const { return FNodeCount; }

    // Removes all children and attributes.
    void Clear();

    // Reads from the stream's position to its end, compressed (recognised by the magic) or
    // plain. Returns true when the data was compressed. Raises EXMLError on bad data.
    bool LoadFromStream(QIODevice &stream);
    // Opens and reads a file; raises EXMLError when it cannot be opened or read.
    bool LoadFromFile(const QString &fileName);

    // Writes the text as Windows-1252 at the stream's position, through TLZR when compress
    // is set (plain text when compression fails). Never raises: on failure the stream is
    // seeked back to where it started, onError gets the message and the result is false.
    bool SaveToStream(QIODevice &stream, bool compress, const TXMLErrorHandler &onError);
    // Replaces the file atomically (temporary file in the same folder, then rename); the
    // old file stays as it was when anything fails.
    bool SaveToFile(const QString &fileName, bool compress, const TXMLErrorHandler &onError);

    // Deepest nesting the reader accepts; more only comes from damaged files.
    static constexpr int MaxDepth = 1000;

protected:
    void ProcessXML(const QString &text);
    // The bytes of a file, Windows-1252.
    void ProcessXML(const QByteArray &cp1252);

private:
    template <class Units>
    void Parse(const Units &all);
    template <class Units>
    void Parse(const Units &all, TXMLTreeBuilder &builder);
    // Reads a big text in pieces at once (see XmlReader.cpp); false when it cannot be read
    // so, and then nothing of it is in builder.
    template <class Units>
    bool ParseInPieces(const Units &all, TXMLTreeBuilder &builder);

    int FNodeCount = 0;
};
