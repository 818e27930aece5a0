#include "StreamIO.h"

namespace platform {

qint64 readFully(QIODevice &dev, char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = dev.read(data + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 writeFully(QIODevice &dev, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 put = dev.write(data + done, size - done);
        if (put <= 0)
            return done;
        done += put;
    }
    return done;
}

bool writeAll(QIODevice &dev, const QByteArray &bytes)
{
    return writeFully(dev, bytes.constData(), bytes.size()) == bytes.size();
}

} // namespace platform
