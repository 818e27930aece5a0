#pragma once

#include <QString>

namespace platform {

// The program's own version, generated from the build's project version.
QString versionString();
int versionMajor();
int versionMinor();
int versionRelease();
int versionBuild();
// The line naming the program wherever its work is signed (exports, pictures, printouts).
QString creditLine();

} // namespace platform
