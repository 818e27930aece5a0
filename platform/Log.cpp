#include "Log.h"

#include <QDateTime>
#include <QFile>

#include <mutex>

#include "Locations.h"

namespace {

std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString &overridePath()
{
    static QString path;
    return path;
}

} // namespace

void Log(const QString &text)
{
    try {
        QString body = text;
        body.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        body.replace(u'\n', u' ');
        body.replace(u'\r', u' ');

        // The clock is read under the lock too: the C library's time-zone set-up is not
        // something to race on, and lines then appear in time order.
        std::lock_guard lock(logMutex());
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QByteArray bytes = (stamp + QStringLiteral(" - ") + body + u'\n').toUtf8();
        const QString path = overridePath().isEmpty() ? platform::logFilePath() : overridePath();
        platform::ensureParentFolder(path);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        file.write(bytes);
        file.close();
    } catch (...) {
        // Logging is the last resort of error reporting; it must never raise by itself.
    }
}

namespace platform {

void setLogFilePath(const QString &path)
{
    std::lock_guard lock(logMutex());
    overridePath() = path;
}

} // namespace platform
