#pragma once

// Little-endian 32-bit values and texts on a QIODevice, for the tree-grid's own streams. Reading
// trusts nothing: a length is never larger than the bytes left, and a short read is an error.

#include <cstdint>
#include <stdexcept>

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A stream ended early or holds values that cannot be right.
class EReadError : public std::runtime_error
{
public:
    explicit EReadError(const char *message = "Stream read error") : std::runtime_error(message) {}
};

// The device refused to take everything written.
class EWriteError : public std::runtime_error
{
public:
    explicit EWriteError(const char *message = "Stream write error") : std::runtime_error(message) {}
};

// A text's UTF-16 units as little-endian bytes, and such bytes (units of them) as a text.
QByteArray Utf16LEBytes(const QString &text);
QString Utf16LEText(const char *bytes, qsizetype units);

class TTGStreamReader
{
public:
    explicit TTGStreamReader(QIODevice &device) : FDevice(device) {}

    // Bytes that can still be read (for sequential devices: those already available).
    qint64 BytesLeft() const;
    qint32 ReadInt32();
    // A value that must lie in low..high.
    qint32 ReadInt32(qint32 low, qint32 high);
    // A count of items of at least minItemSize bytes each that must fit into the bytes left.
    qint32 ReadCount(qint64 minItemSize, qint32 limit);
    // Length in UTF-16 units, then the units.
    QString ReadUtf16();
    // Length in bytes, then the UTF-8 bytes.
    QString ReadUtf8();

private:
    void ReadExactly(char *data, qint64 size);

    QIODevice &FDevice;
};

class TTGStreamWriter
{
public:
    explicit TTGStreamWriter(QIODevice &device) : FDevice(device) {}

    void WriteInt32(qint32 value);
    void WriteUtf16(const QString &text);
    void WriteUtf8(const QString &text);

private:
    void WriteExactly(const char *data, qint64 size);

    QIODevice &FDevice;
};
