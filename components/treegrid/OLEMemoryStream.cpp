#include "treegrid/OLEMemoryStream.h"

#include <algorithm>
#include <cstring>

TOLEMemoryStream::TOLEMemoryStream(const QByteArray &data, QObject *parent) : QIODevice(parent), FMemory(data)
{
    QIODevice::open(QIODevice::ReadOnly);
}

bool TOLEMemoryStream::open(OpenMode mode)
{
    if (mode.testFlag(QIODevice::WriteOnly) || mode.testFlag(QIODevice::Append)
        || mode.testFlag(QIODevice::Truncate)) {
        setErrorString(QStringLiteral("Stream write error"));
        return false;
    }
    return QIODevice::open(mode);
}

qint64 TOLEMemoryStream::size() const
{
    return FMemory.size();
}

qint64 TOLEMemoryStream::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 count = std::clamp<qint64>(FMemory.size() - at, 0, maxSize);
    if (count > 0)
        std::memcpy(data, FMemory.constData() + at, std::size_t(count));
    return count;
}

qint64 TOLEMemoryStream::writeData(const char *, qint64)
{
    setErrorString(QStringLiteral("Stream write error"));
    return -1;
}
