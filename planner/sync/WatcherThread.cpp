#include "sync/WatcherThread.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <exception>
#include <vector>

#include "BlockCompress.h"
#include "sync/DirWatchThread.h"
#include "Log.h"
#include "sync/WorkingFolder.h"

namespace {

int MaxChildIndex(const TXMLNode &diff)
{
    int highest = -1;
    for (const auto &child : diff.Nodes())
        highest = std::max(highest, TXMLAttribute::ToIntOf(child->namedAttribute(QStringLiteral("index")), -1));
    return highest;
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

TWatcherThread::TReadResult TWatcherThread::ReadXMLFile(const QString &path, TScannedFile &file, QString &reason)
{
    QFile source(path);
    if (!source.exists())
        return rrMissing;
    if (!source.open(QIODevice::ReadOnly)) {
        reason = source.errorString();
        return rrIncomplete;
    }
    // One read of the whole file: writers replace it by renaming, so this is one version.
    QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        reason = source.errorString();
        return rrIncomplete;
    }
    source.close();

    auto tree = std::make_unique<TXMLTree>();
    if (bytes.isEmpty()) {
        // Nothing written yet: no events.
        tree->setText(QStringLiteral("<document><setup /><data /><diff index=\"0\" /></document>"));
    } else {
        if (!TLZR::hasMagic(bytes)) {
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
    file.Size = bytes.size();
    file.Tree = std::move(tree);
    return rrRead;
}

TScanResult TWatcherThread::Scan(const TScanInput &input, const std::atomic<bool> &halt)
{
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
        const TReadResult read = ReadXMLFile(input.WorkingCopy, *file, reason);
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

    // Only names ending in ".diff": the mask alone would let "x.diffy" through.
    std::vector<TSearchRec> entries;
    ListFiles(input.WorkingDir, QStringLiteral("*.diff"), [&](const TSearchRec &rec) {
        if (rec.Name.endsWith(QStringLiteral(".diff")))
            entries.push_back(rec);
    });
    for (const TSearchRec &entry : entries) {
        result.AnyDiff = true;
        if (halted())
            return result;
        const QString path = input.WorkingDir + entry.Name;
        if (path == ownDiffFile)
            continue;
        const auto known = input.KnownSizes.find(path);
        if (known != input.KnownSizes.end() && known->second == entry.Size)
            continue;
        TScannedFile file;
        QString reason;
        const TReadResult read = ReadXMLFile(path, file, reason);
        if (read == rrRead) {
            // Read again only because its size moved: a file equal in size to what is known
            // brings nothing new either.
            if (known == input.KnownSizes.end() || known->second != file.Size)
                result.Files.push_back(std::move(file));
        } else if (read == rrIncomplete) {
            result.Skipped.push_back({path, entry.Size, reason});
        }
    }
    // Another instance's save shows as a newer generation with a working copy; on a share
    // the document's own time may lag far behind.
    if (!input.TmpDirectory.isEmpty() && !halted()) {
        std::vector<qint64> newer;
        ListDirectories(input.TmpDirectory, QStringLiteral("*.*"), [&](const TSearchRec &rec) {
            qint64 n = 0;
            if ((rec.Attr & faDirectory) != 0 && ParseGenerationName(rec.Name, n) && n > input.Generation)
                newer.push_back(n);
        });
        std::sort(newer.rbegin(), newer.rend());
        for (const qint64 n : newer) {
            if (FileExistsInView(input.TmpDirectory + QString::number(n) + QLatin1Char('/') + input.DocumentName)) {
                result.NewerGeneration = n;
                break;
            }
        }
    }
    return result;
}