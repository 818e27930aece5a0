#pragma once

#include <QString>

namespace platform {

// The host name up to its first dot ("pc17" of "pc17.example.org"); "localhost" when the
// system gives none.
QString shortHostName();

// The login name of the process's user (from the password database, else $USER / $LOGNAME,
// else the numeric user id).
QString loginName();

// Host "." user, e.g. "pc17.anna": names this user in shared working folders. Built once
// on first use and kept for the life of the process.
QString userIdentity();

} // namespace platform
