#include "sync/WatcherThread.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <exception>
#include <utility>
#include <vector>

#include "BlockCompress.h"
#include "sync/DirWatchThread.h"
#include "Log.h"
#include "sync/WorkingFolder.h"

#include <fcntl.h>

namespace {

int MaxChildIndex(const TXMLNode &diff)
{
    int highest = -1;
    for (const auto &child : diff.Nodes())
        highest = std::max(highest, TXMLAttribute::ToIntOf(child->namedAttribute(QStringLiteral("index")), -1));
    return highest;
}

// One diff file of a scan: its stamp, and the file when it is read.
struct TLook
{
    TLook(const QString &name, bool probed) : Name(name), Probed(probed) {}

    QString Name;
    bool Probed = false; // asked for by name: it may not be there
    TFileStamp Seen;
    TWatcherThread::TReadResult Read = TWatcherThread::rrMissing;
    TScannedFile File;
    QString Reason;
};

// Runs `work` on every item, on up to eight threads at once (this one among them).
template<typename Item, typename Work>
void InParallel(std::vector<Item> &items, Work work)
{
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i = next++; i < items.size(); i = next++)
            work(items[i]);
    };
    std::vector<std::thread> helpers;
    for (std::size_t n = 1; n < std::min<std::size_t>(items.size(), 8); ++n)
        helpers.emplace_back(run);
    run();
    for (std::thread &helper : helpers)
        helper.join();
}

} // namespace

TWatcherThread::TWatcherThread(TScanInput input)
    : FInput(std::move(input)), FThread([this] { Execute(); })
{
}

TWatcherThread::~TWatcherThread()
{
    Terminate();
    WaitFor();
}

void TWatcherThread::WaitFor()
{
    if (FThread.joinable())
        FThread.join();
}

TScanResult TWatcherThread::TakeResult()
{
    WaitFor();
    return std::move(FResult);
}

void TWatcherThread::Execute()
{
    try {
        FResult = Scan(FInput, FHalt);
    } catch (const std::exception &e) {
        // The step collects the scan as finished; nothing of it is applied.
        Log(QStringLiteral("Synchronisation scan: ") + QString::fromLocal8Bit(e.what()));
        FResult = TScanResult();
        FResult.Halted = true;
    } catch (...) {
        Log(QStringLiteral("Synchronisation scan: unknown error"));
        FResult = TScanResult();
        FResult.Halted = true;
    }
    FFinished.store(true, std::memory_order_release);
}

namespace {

std::atomic<quint64> FilesAsked{0};
std::atomic<quint64> ScansMade{0};

} // namespace

quint64 TWatcherThread::FilesRead()
{
    return FilesAsked.load();
}

quint64 TWatcherThread::ScansStarted()
{
    return ScansMade.load();
}

TWatcherThread::TReadResult TWatcherThread::ReadXMLFile(const QString &path, TScannedFile &file, QString &reason,
                                                        TReadWay way, QByteArray *read)
{
    ++FilesAsked;
    QFile source(path);
    if (!source.exists())
        return rrMissing;
    if (!source.open(QIODevice::ReadOnly)) {
        reason = source.errorString();
        return rrIncomplete;
    }
    // Taken from the open file before reading: a later rewrite shows as another stamp.
    const TFileStamp stamp = FileStampOf(source.handle());
    // One read of the whole file: writers replace it by renaming, so this is one version. A
    // share's client may still hold the version before: read past it.
    QByteArray bytes;
    if (way == rwFresh && ReadsBesideTheClient(source.handle())) {
        const bool done = ReadFromServer(source.handle(), bytes, reason);
        source.close();
        if (!done)
            return rrIncomplete;
    } else {
        // Read-ahead as wide as the system allows: a share answers it in requests under way
        // at once.
        ::posix_fadvise(source.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
        bytes = source.readAll();
        if (source.error() != QFileDevice::NoError) {
            reason = source.errorString();
            return rrIncomplete;
        }
        source.close();
    }
    if (read)
        *read = bytes;
    return ParseXMLFile(path, std::move(bytes), stamp, file, reason);
}

TWatcherThread::TReadResult TWatcherThread::ParseXMLFile(const QString &path, QByteArray bytes,
                                                         const TFileStamp &stamp, TScannedFile &file,
                                                         QString &reason)
{
    auto tree = std::make_unique<TXMLTree>();
    bool compressed = false;
    if (bytes.isEmpty()) {
        // Nothing written yet: no events.
        tree->setText(QStringLiteral("<document><setup /><data /><diff index=\"0\" /></document>"));
    } else {
        compressed = TLZR::hasMagic(bytes);
        if (!compressed) {
            // A plain file cut short may still parse into a smaller tree: take it only when
            // it ends as every writer ends it.
            const QByteArray tail = bytes.right(64).trimmed();
            if (!tail.endsWith("</document>")) {
                reason = QStringLiteral("the file ends before its closing tag");
                return rrIncomplete;
            }
        }
        try {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            tree->LoadFromStream(buffer);
        } catch (const std::exception &e) {
            reason = QString::fromLocal8Bit(e.what());
            return rrIncomplete;
        }
        if (const TXMLNode *diff = tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")})) {
            // Writers set the element's index to the last event written: a higher one means
            // events are missing.
            const int declared = TXMLAttribute::ToIntOf(diff->namedAttribute(QStringLiteral("index")), -1);
            if (declared > 0 && declared > MaxChildIndex(*diff)) {
                reason = QStringLiteral("events up to index %1 are missing").arg(declared);
                return rrIncomplete;
            }
        }
    }
    file.Path = path;
    file.Stamp = stamp;
    file.Tree = std::move(tree);
    file.Compressed = compressed;
    return rrRead;
}

TScanResult TWatcherThread::Scan(const TScanInput &input, const std::atomic<bool> &halt)
{
    ++ScansMade;
    TScanResult result;
    const auto halted = [&] {
        result.Halted = result.Halted || halt.load(std::memory_order_relaxed);
        return result.Halted;
    };
    if (halted())
        return result;
    Touch(input.UserFile);

    if (halted())
        return result;
    if (input.ReadWorkingCopy) {
        auto file = std::make_unique<TScannedFile>();
        QString reason;
        // Written once, never again: through the share's cache.
        const TReadResult read = ReadXMLFile(input.WorkingCopy, *file, reason, rwCached);
        if (read == rrRead)
            result.WorkingCopy = std::move(file);
        else if (read == rrIncomplete)
            result.Skipped.push_back({input.WorkingCopy, -1, reason});
    }

    QString ownDiffFile = input.OwnDiffFile;
    if (input.Journal) {
        if (halted())
            return result;
        result.StoreAttempted = true;
        result.Stored = input.Journal->StorePending();
        // A first write names the own file: it is never read back.
        ownDiffFile = input.Journal->DiffFile();
    }

    // The document folder: the generations and who is present. A share may list new entries
    // long after it answers for them by name: the next generations are asked for by number.
    std::vector<qint64> newer;
    QStringList present;
    if (!input.TmpDirectory.isEmpty() && !halted()) {
        qint64 highest = input.Generation;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        ListDirectories(input.TmpDirectory, QStringLiteral("*.*"), [&](const TSearchRec &rec) {
            qint64 n = 0;
            if ((rec.Attr & faDirectory) != 0) {
                if (ParseGenerationName(rec.Name, n)) {
                    highest = std::max(highest, n);
                    if (n > input.Generation)
                        newer.push_back(n);
                }
            } else if (rec.Name.endsWith(QStringLiteral(".user")) && rec.LastWriteTime.isValid()
                       && rec.LastWriteTime.msecsTo(now) < 60 * 1000) {
                present.append(rec.Name.chopped(5));
            }
        });
        if (input.Generation >= 0)
            for (const qint64 n : ProbeGenerations(input.TmpDirectory, highest))
                newer.push_back(n);
    }

    // Only names ending in ".diff": the mask alone would let "x.diffy" through.
    QStringList names;
    ListFiles(input.WorkingDir, QStringLiteral("*.diff"), [&](const TSearchRec &rec) {
        if (rec.Name.endsWith(QStringLiteral(".diff")))
            names.append(rec.Name);
    });
    // The diff file a present user starts in a generation may be listed late as well: looked
    // for by its name.
    std::vector<TLook> looks;
    for (const QString &name : std::as_const(names)) {
        result.AnyDiff = true;
        if (input.WorkingDir + name != ownDiffFile)
            looks.emplace_back(name, false);
    }
    for (const QString &user : std::as_const(present)) {
        const QString name = user + QStringLiteral(".1.diff");
        if (!names.contains(name) && input.WorkingDir + name != ownDiffFile)
            looks.emplace_back(name, true);
    }
    // A share answers each look a round trip later: the files are looked at, and read when
    // they changed, several at once.
    InParallel(looks, [&](TLook &look) {
        if (halt.load(std::memory_order_relaxed))
            return;
        const QString path = input.WorkingDir + look.Name;
        // Read again whenever the file is another version: the same size is no sign that
        // nothing changed. The stamp is taken with the file open, as a share may answer
        // from a stale cache otherwise.
        look.Seen = FreshFileStamp(path);
        if (look.Seen.Size < 0 && look.Probed)
            return;
        const auto known = input.KnownFiles.find(path);
        if (known != input.KnownFiles.end() && known->second == look.Seen)
            return;
        look.Read = ReadXMLFile(path, look.File, look.Reason);
    });
    for (TLook &look : looks) {
        if (halted())
            return result;
        if (look.Probed && look.Seen.Size >= 0)
            result.AnyDiff = true;
        if (look.Read == rrRead) {
            // Kept as the stamp that made it read: the version read is that one or newer,
            // and a share may show the open file's own stamp as stale as the path's.
            if (look.Seen.Size >= 0)
                look.File.Stamp = look.Seen;
            result.Files.push_back(std::move(look.File));
        } else if (look.Read == rrIncomplete) {
            result.Skipped.push_back({input.WorkingDir + look.Name, look.Seen.Size, look.Reason});
        }
    }

    // Another instance's save shows as a newer generation with a working copy; on a share
    // the document's own time may lag far behind.
    std::sort(newer.rbegin(), newer.rend());
    for (const qint64 n : newer) {
        if (halted())
            return result;
        if (FileExistsInView(input.TmpDirectory + QString::number(n) + QLatin1Char('/') + input.DocumentName)) {
            result.NewerGeneration = n;
            break;
        }
    }
    return result;
}