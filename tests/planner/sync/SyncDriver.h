#pragma once

// A test driver for synchronisation between real processes. The planner test executable runs
// itself again as a driver: the test SyncDriverMode.Run does the work only when the
// environment names a driver host. A driver holds one planner core on one document, runs a
// real event loop with the idle step and the scan, and takes commands on its standard input,
// one line each, answering each with one line that starts with "@@ ":
//
//   create <path>            a new empty document saved under path
//   open <path>              the road of opening
//   add <caption> <text>     a new task row with one cell set; answers its id
//   set <id> <caption> <text>
//   delete <id>
//   save                     the road of saving under the document's name
//   crashsave                writes the lock copy and the next generation folder, then dies
//   dump                     every row as JSON: {"id": {"caption": "text", ...}, ...}
//   state                    JSON: unwritten events, scan running, reload asked, generation
//   quit                     writes the pending events and ends
//
// Fields are separated by tabs. The driver's user identity is "<host>.<login>", the host
// taken from VELMORA_SYNC_HOST, so that several drivers on one machine are several users.

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// The parent's handle on one driver process.
class TSyncDriverProcess
{
public:
    // Starts the driver as host `host`; false when it does not come up.
    bool Start(const QString &host);
    ~TSyncDriverProcess();

    // Sends one command and waits for its answer (at most timeoutMs); the answer's text
    // without the "@@ ok " prefix, or a text starting with "error" / "timeout".
    QString Command(const QStringList &fields, int timeoutMs = 10000);
    QJsonObject Json(const QString &command, int timeoutMs = 10000);
    // Waits for the process to end on its own; false when it does not.
    bool WaitForExit(int timeoutMs);
    void Kill();
    bool Running() const;
    const QString &Host() const { return FHost; }
    // Everything the driver wrote that was no answer (for failure messages).
    QString Output() const { return FOutput; }

private:
    std::unique_ptr<QProcess> FProcess;
    QString FHost;
    QString FOutput;
    QByteArray FBuffer;
};

// The driver's own side; runs until "quit" or end of input. Returns the exit code.
int RunSyncDriver(const QString &host);
