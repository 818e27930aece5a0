#include "Version.h"

#include "velmora_version.h"

namespace platform {

QString versionString() { return QStringLiteral(VELMORA_VERSION_STRING); }
int versionMajor() { return VELMORA_VERSION_MAJOR; }
int versionMinor() { return VELMORA_VERSION_MINOR; }
int versionRelease() { return VELMORA_VERSION_RELEASE; }
int versionBuild() { return VELMORA_VERSION_BUILD; }

QString creditLine()
{
    return QStringLiteral("Velmora %1 (2025), https://velmora.org").arg(versionString());
}

} // namespace platform
