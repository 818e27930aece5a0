#pragma once

#include <QByteArray>
#include <QIODevice>

namespace platform {

// One read or write may move fewer bytes than asked; these loop until the count is reached.

// Returns the bytes read (fewer only at the end of the device), or -1 on a read error.
qint64 readFully(QIODevice &dev, char *data, qint64 size);
// Returns the bytes written; fewer than `size` means the device refused the rest.
qint64 writeFully(QIODevice &dev, const char *data, qint64 size);
bool writeAll(QIODevice &dev, const QByteArray &bytes);

} // namespace platform
