#include "treegrid/TreeGridStream.h"

#include <algorithm>

#include <QtEndian>

#include "StreamIO.h"

qint64 TTGStreamReader::BytesLeft() const
{
    if (FDevice.isSequential())
        return FDevice.bytesAvailable();
    return std::max<qint64>(0, FDevice.size() - FDevice.pos());
}

void TTGStreamReader::ReadExactly(char *data, qint64 size)
{
    if (size < 0 || platform::readFully(FDevice, data, size) != size)
        throw EReadError();
}

qint32 TTGStreamReader::ReadInt32()
{
    char bytes[4];
    ReadExactly(bytes, 4);
    return qFromLittleEndian<qint32>(bytes);
}

qint32 TTGStreamReader::ReadInt32(qint32 low, qint32 high)
{
    const qint32 value = ReadInt32();
    if (value < low || value > high)
        throw EReadError("Stream holds a value out of range");
    return value;
}

qint32 TTGStreamReader::ReadCount(qint64 minItemSize, qint32 limit)
{
    const qint32 count = ReadInt32();
    if (count < 0 || count > limit || (minItemSize > 0 && qint64(count) * minItemSize > BytesLeft()))
        throw EReadError("Stream holds an impossible count");
    return count;
}

QByteArray Utf16LEBytes(const QString &text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString Utf16LEText(const char *bytes, qsizetype units)
{
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(bytes + 2 * i));
    return text;
}

QString TTGStreamReader::ReadUtf16()
{
    const qint32 length = ReadCount(2, INT32_MAX / 2);
    QByteArray bytes(qsizetype(length) * 2, Qt::Uninitialized);
    ReadExactly(bytes.data(), bytes.size());
    return Utf16LEText(bytes.constData(), length);
}

QString TTGStreamReader::ReadUtf8()
{
    const qint32 length = ReadCount(1, INT32_MAX);
    QByteArray bytes(length, Qt::Uninitialized);
    ReadExactly(bytes.data(), bytes.size());
    return QString::fromUtf8(bytes);
}

void TTGStreamWriter::WriteExactly(const char *data, qint64 size)
{
    if (platform::writeFully(FDevice, data, size) != size)
        throw EWriteError();
}

void TTGStreamWriter::WriteInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    WriteExactly(bytes, 4);
}

void TTGStreamWriter::WriteUtf16(const QString &text)
{
    WriteInt32(qint32(text.size()));
    const QByteArray bytes = Utf16LEBytes(text);
    WriteExactly(bytes.constData(), bytes.size());
}

void TTGStreamWriter::WriteUtf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    WriteInt32(qint32(bytes.size()));
    WriteExactly(bytes.constData(), bytes.size());
}
