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
        const QDateTime now = QDateTime::currentDateTime();
        QString line = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" - ") + text;
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        line.replace(u'\n', u' ');
        line.replace(u'\r', u' ');
        line += u'\n';
        const QByteArray bytes = line.toUtf8();

        std::lock_guard lock(logMutex());
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
