#include "SystemInfo.h"

#include <QSysInfo>
#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace platform {

QString shortHostName()
{
    QString host = QSysInfo::machineHostName().trimmed();
    const qsizetype dot = host.indexOf(u'.');
    if (dot >= 0)
        host.truncate(dot);
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

QString loginName()
{
    // getpwuid_r so that a second thread asking at the same time gets no torn entry.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_name && found->pw_name[0])
        return QString::fromLocal8Bit(found->pw_name);
    for (const char *name : {"USER", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QString::number(geteuid());
}

QString userIdentity()
{
    static const QString identity = shortHostName() + u'.' + loginName();
    return identity;
}

} // namespace platform
