#pragma once

// A test driver for synchronisation between real processes. The planner test executable runs
// itself again as a driver: the test SyncDriverMode.Run does the work only when the
// environment names a driver host. A driver holds one planner core on one document, runs a
// real event loop with the idle step and the scan, and takes commands on its standard input,
// one line each, answering each with one line that starts with "@@ ":
//
//   create <path>            a new empty document saved under path
//   open <path>              the road of opening
//   add <caption> <text>     a new task row with one cell set, as one user action (one undo
//                            step); answers its id
//   set <id> <caption> <text>
//   delete <id>
//   deleteall                every task row, as one user action
//   order <caption>          the task rows' texts of a column, top to bottom, as a JSON array
//   column <caption> <new caption> <type>
//                            the task column renamed and typed anew ("Text", "Date",
//                            "CheckBox" ...) through the table setup, confirmed as OK does
//                            (saved before and after); an unknown caption adds a last column
//   undo                     takes back the newest undo step
//   new                      a new empty document (File > New)
//   save                     the road of saving under the document's name
//   saveto <path>            the road of saving under another name (Save As)
//   saveasname <path>        the name the save dialog answers from now on
//   saveas                   Save As, answered by that name
//   slowsave <ms>            the same, resting ms at every step of the save
//   crashsave <step>         the save road up to its step ("claimed", "based", "locked",
//                            "working", "document"), then the process dies
//   waitfor <id> <caption> <text> <ms>
//                            answers with the time it saw the text in the cell
//                            (milliseconds since 1970) and the id, "error timeout" after ms
//   dump                     every row as JSON: {"id": {"caption": "text", ...}, ...}
//   state                    JSON: unwritten events, scan running, reload asked, generation,
//                            identity, the sharing notice and how often it changed, the
//                            number of undo and redo entries, and how many files the scans
//                            read and how many scans started so far
//   log <text>               how many lines of the driver's log contain the text (questions
//                            asked are logged as "driver asked: ", status bar texts as
//                            "driver status: ")
//   quit                     the window's close handler, then the end; "error close refused"
//                            when it refuses (the driver goes on then)
//
// Fields are separated by tabs. The driver's user identity is "<host>.<login>", the host
// taken from VELMORA_SYNC_HOST, so that several drivers on one machine are several users.
// VELMORA_SYNC_VIEW_DELAY (ms) makes it see the shared folder as late as a network share
// would, VELMORA_SYNC_LISTING_DELAY (ms) makes only its folder listings that late,
// VELMORA_SYNC_STALE_STAMPS (ms) makes it see file stamps as stale as a share's attribute
// cache unless it opens the file, VELMORA_SYNC_GRACE (ms) sets how long a closed generation is
// waited for,
// VELMORA_SYNC_LOG names its log file, and VELMORA_SYNC_UMASK (octal) sets its umask. A driver
// started by root becomes another user with VELMORA_SYNC_UID, VELMORA_SYNC_GID and the
// supplementary groups VELMORA_SYNC_GROUPS (comma-separated numbers).

#include <QString>

#include "planner/sync/SyncDriverProcess.h"

// The driver's own side; runs until "quit" or end of input. Returns the exit code.
int RunSyncDriver(const QString &host);
