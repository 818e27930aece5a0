#include "TestSupport.h"

#include <QFile>

namespace testsupport {

namespace {
QString &root()
{
    static QString value;
    return value;
}
} // namespace

QString testRoot() { return root(); }
void setTestRoot(const QString &path) { root() = path; }

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

QString dataFile(const QString &name)
{
    return QStringLiteral(VELMORA_TEST_DATA_DIR "/") + name;
}

} // namespace testsupport
