#pragma once

// A document or diff file read on a thread of its own while the GUI thread does something
// else, for a scan that would otherwise read the same file right after: opening a document
// reads its working copy for the synchronisation while the document itself is loaded.

#include <QString>

#include <future>
#include <optional>

#include "sync/WatcherThread.h"

class TEarlyFileRead
{
public:
    TEarlyFileRead() = default;
    TEarlyFileRead(const TEarlyFileRead &) = delete;
    TEarlyFileRead &operator=(const TEarlyFileRead &) = delete;
    ~TEarlyFileRead();

    // Starts reading `path`; an earlier read not taken is dropped.
    void Start(const QString &path);
    // The read of `path`, when one was started for it and not dropped: waits for its end.
    // Nothing for another path (that read is dropped too).
    struct TRead
    {
        TWatcherThread::TReadResult Result = TWatcherThread::rrMissing;
        TScannedFile File;
        QString Reason;
    };
    std::optional<TRead> Take(const QString &path);
    // Drops a read not taken (waits for its thread).
    void Drop();

private:
    QString FPath;
    std::future<TRead> FRead;
};
