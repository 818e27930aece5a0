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

    // Starts reading `path` (a working copy: through the share's cache); an earlier read not
    // taken is dropped.
    void Start(const QString &path);
    // Starts parsing the bytes read from `path` before, as a read of it.
    void StartParse(const QString &path, const QByteArray &bytes, const TFileStamp &stamp);
    // A read of `path` was started and has not been taken.
    bool Started(const QString &path) const { return FRead.valid() && path == FPath; }
    // That read is over: Take does not wait.
    bool Ready() const;
    // The read of `path`, when one was started for it and not dropped: waits for its end.
    // Nothing for another path (that read is dropped too).
    struct TRead
    {
        TWatcherThread::TReadResult Result = TWatcherThread::rrMissing;
        TScannedFile File;
        QString Reason;
        QByteArray Bytes; // the file as read
    };
    std::optional<TRead> Take(const QString &path);
    // Drops a read not taken (waits for its thread).
    void Drop();

private:
    template<typename Read>
    void Run(const QString &path, Read read);

    QString FPath;
    std::future<TRead> FRead;
};
