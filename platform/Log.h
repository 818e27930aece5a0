#pragma once

#include <QString>

// Appends one line "yyyy-mm-dd hh:nn:ss - text" to the log file (platform::logFilePath()).
// Line breaks inside the text become blanks so that one call stays one line. Safe to call
// from any thread; never throws, and a log that cannot be written is silently skipped.
void Log(const QString &text);

namespace platform {
// Sends the log somewhere else (tests); an empty path goes back to the default.
void setLogFilePath(const QString &path);
} // namespace platform
