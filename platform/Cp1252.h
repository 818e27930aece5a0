#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Windows-1252, the "ANSI" encoding of every file the program shares with other instances.
// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character; they decode to U+0081.. as the
// C1 control of the same value so that no byte is lost.
QString fromCp1252(const QByteArray &bytes);
QString fromCp1252(const char *data, qsizetype size);

// Encodes a text; a character Windows-1252 cannot hold becomes `replacement`.
QByteArray toCp1252(const QString &text, char replacement = '?');

// The byte for one UTF-16 unit, or -1 when Windows-1252 cannot hold it.
int cp1252Byte(char16_t unit);

// True when every character of the text has a Windows-1252 byte.
bool canEncodeCp1252(const QString &text);

} // namespace platform
