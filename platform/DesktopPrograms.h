#pragma once

#include <QString>

// The desktop's programs for a kind of file, as the XDG desktop entries and mimeapps.list files
// name them. Opening a document through the desktop's launcher reports success as soon as the
// launcher starts, whether or not a program then opens the file; asking first lets the caller
// tell the user where the file is when none will.

namespace platform {

// Whether a program is named for files like this one (by its MIME type, from its name and
// content): a desktop entry that lists the type (or one of its aliases) and is neither hidden
// nor removed for it, or a default or added association with an existing desktop entry; in
// either case an entry whose TryExec program is not installed, or that is not meant for the
// current desktop (OnlyShowIn, NotShowIn against XDG_CURRENT_DESKTOP), names none.
bool desktopHasProgramFor(const QString &fileName);

// Opens the file with the desktop's program for it; false when none is named or the desktop's
// launcher could not be started. Where the kind of file is unknown, or the programs are out of
// sight (a Flatpak or Snap sandbox), the launcher is asked all the same.
bool openWithDesktopProgram(const QString &fileName);

} // namespace platform
