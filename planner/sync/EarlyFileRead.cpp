#include "sync/EarlyFileRead.h"

#include <chrono>
#include <utility>

TEarlyFileRead::~TEarlyFileRead()
{
    Drop();
}

template<typename Read>
void TEarlyFileRead::Run(const QString &path, Read read)
{
    Drop();
    FPath = path;
    FRead = std::async(std::launch::async, std::move(read));
}

void TEarlyFileRead::Start(const QString &path)
{
    Run(path, [path] {
        TRead read;
        read.Result =
            TWatcherThread::ReadXMLFile(path, read.File, read.Reason, TWatcherThread::rwCached, &read.Bytes);
        return read;
    });
}

void TEarlyFileRead::StartParse(const QString &path, const QByteArray &bytes, const TFileStamp &stamp)
{
    Run(path, [path, bytes, stamp] {
        TRead read;
        read.Result = TWatcherThread::ParseXMLFile(path, bytes, stamp, read.File, read.Reason);
        return read;
    });
}

bool TEarlyFileRead::Ready() const
{
    return FRead.valid() && FRead.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
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
