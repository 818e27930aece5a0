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
// "&#n;", one per UTF-16 unit, so that every text survives a save and a load unchanged.
QString XMLEscape(QStringView s);
QString XMLEscape(const QString &s); // shares s when nothing needs escaping
// Appends the escaped form of s to out.
void XMLEscapeTo(QString &out, QStringView s);

// The inverse: "&amp;" "&lt;" "&gt;" "&quot;" "&nbsp;" and "&#n;" (decimal, 0..65535).
// Anything else after "&" raises EXMLError("XMLUnescape format error").
QString XMLUnescape(QStringView s);
QString XMLUnescape(const QString &s); // shares s when it holds no entity

// Names go through XMLEscape, plus what the reader would take for tag syntax: in element
// names a leading "/" or "!" and a trailing "/" or "?", in attribute names "=".
QString XMLEscapeElementName(QStringView name);
QString XMLEscapeAttributeName(QStringView name);

// All bytes from the device's position to its end, decoded as Windows-1252.
QString ReadString(QIODevice &stream);
// The Windows-1252 bytes of s written at the device's position; false when not all were
// written. Characters Windows-1252 cannot hold become "?": escape texts first.
bool WriteString(QIODevice &stream, const QString &s);
