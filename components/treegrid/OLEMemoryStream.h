#pragma once

#include <QByteArray>
#include <QIODevice>

// Exchanged data read as a stream: reading, seeking and the size work as on a buffer, over the
// very bytes received (shared, not copied). It is open for reading only and cannot be opened for
// writing, so a write fails and a stream writer over it raises "Stream write error".
class TOLEMemoryStream : public QIODevice
{
public:
    explicit TOLEMemoryStream(const QByteArray &data, QObject *parent = nullptr);

    const QByteArray &Memory() const { return FMemory; }

    bool open(OpenMode mode) override;
    qint64 size() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    const QByteArray FMemory;
};
