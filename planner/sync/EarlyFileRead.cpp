#include "sync/EarlyFileRead.h"

TEarlyFileRead::~TEarlyFileRead()
{
    Drop();
}

void TEarlyFileRead::Start(const QString &path)
{
    Drop();
    FPath = path;
    FRead = std::async(std::launch::async, [path] {
        TRead read;
        read.Result = TWatcherThread::ReadXMLFile(path, read.File, read.Reason);
        return read;
    });
}

std::optional<TEarlyFileRead::TRead> TEarlyFileRead::Take(const QString &path)
{
    if (!FRead.valid())
        return std::nullopt;
    if (path != FPath) {
        Drop();
        return std::nullopt;
    }
    FPath.clear();
    return FRead.get();
}

void TEarlyFileRead::Drop()
{
    if (FRead.valid())
        FRead.wait();
    FRead = {};
    FPath.clear();
}
