#pragma once

// The synchronisation scan: touches the user's presence file, writes the own events handed to
// the journal's writer, and reads the working copy and the other users' diff files that
// changed (in size, write time or identity). It runs on a short-lived thread of its own and never touches the document; of the
// journal it uses only the writer's side, which the GUI thread leaves alone while a scan
// runs. The GUI thread takes the result once the thread has finished (Finished() is the
// hand-over point).

#include <QString>
#include <QStringList>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "XmlTree.h"
#include "sync/WorkingFolder.h"

class TDirWatchThread;

// What one scan needs to know, copied on the GUI thread when it starts.
struct TScanInput
{
    QString UserFile;     // the presence file to touch
    QString WorkingDir;   // the current generation folder, ending in "/"
    QString WorkingCopy;  // read when ReadWorkingCopy is set
    bool ReadWorkingCopy = false;
    QString OwnDiffFile;  // the user's own diff file: never read back
    // The journal whose handed-over events the scan writes (StorePending). The journal stops
    // the scan before it changes generation or ends, so it outlives every use here.
    TDirWatchThread *Journal = nullptr;
    std::map<QString, TFileStamp> KnownFiles; // diff files read before, by path: their stamps then
    // Looking out for a newer generation and for the diff files of the users present: the
    // document folder (ending in "/"), the working copy's file name and the current
    // generation's number.
    QString TmpDirectory;
    QString DocumentName;
    qint64 Generation = -1;
};

// One file read completely.
struct TScannedFile
{
    QString Path;
    TFileStamp Stamp; // of the version read
    std::unique_ptr<TXMLTree> Tree;
    bool Compressed = false; // it was written compressed
};

struct TScanResult
{
    std::unique_ptr<TScannedFile> WorkingCopy;
    std::vector<TScannedFile> Files; // diff files new or changed since the stamps known
    // Files that changed but could not be taken whole this time (path, size, why).
    struct TSkipped
    {
        QString Path;
        qint64 Size = 0;
        QString Reason;
    };
    std::vector<TSkipped> Skipped;
    bool AnyDiff = false; // the generation holds at least one diff file
    bool StoreAttempted = false;
    bool Stored = false;           // the handed-over own events are in the own diff file
    bool Halted = false;
    // The newest generation above the current one that has a working copy, -1 when none.
    qint64 NewerGeneration = -1;
};

class TWatcherThread
{
public:
    // Starts the scan at once.
    explicit TWatcherThread(TScanInput input);
    // Asks the scan to stop and waits for it.
    ~TWatcherThread();

    TWatcherThread(const TWatcherThread &) = delete;
    TWatcherThread &operator=(const TWatcherThread &) = delete;

    // The scan is over; its result may be taken.
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    // Asks the scan to stop at its next step.
    void Terminate() { FHalt.store(true, std::memory_order_relaxed); }
    // Waits for the end of the scan.
    void WaitFor();
    // The result; only once Finished() (waits for the thread's end first).
    TScanResult TakeResult();

    // One scan on the calling thread.
    static TScanResult Scan(const TScanInput &input, const std::atomic<bool> &halt);

    enum TReadResult { rrRead, rrMissing, rrIncomplete };
    // How a file is read on a share whose client caches what it shows (see FreshFileStamp):
    // past the client, as the file server has it, for files that are rewritten under their
    // names (diff files, lock copies); through the client's cache, in its larger read-ahead
    // requests, for those written once and never again (working copies).
    enum TReadWay { rwFresh, rwCached };
    // Reads a document or diff file whole: compressed or plain, and a plain one only when it
    // ends with its root element's closing tag; a diff element whose index runs ahead of its
    // events is incomplete too. On rrIncomplete, `reason` says why. `bytes`, when given,
    // gets the file's bytes as read.
    static TReadResult ReadXMLFile(const QString &path, TScannedFile &file, QString &reason, TReadWay way = rwFresh,
                                   QByteArray *bytes = nullptr);
    // Parses bytes read from `path` before (see ReadXMLFile).
    static TReadResult ParseXMLFile(const QString &path, QByteArray bytes, const TFileStamp &stamp,
                                    TScannedFile &file, QString &reason);
    // How many files ReadXMLFile was asked for so far; tests measure the idle work with it.
    static quint64 FilesRead();
    // How many scans started so far (in this process).
    static quint64 ScansStarted();

private:
    void Execute();

    TScanInput FInput;
    TScanResult FResult;
    std::atomic<bool> FHalt{false};
    std::atomic<bool> FFinished{false};
    std::thread FThread;
};
