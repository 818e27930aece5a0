// The journal's events: merging, the hand-over to the writer and writing the diff file.

#include "sync/DirWatchThread.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <stdexcept>

#include "Helper.h"
#include "Log.h"
#include "sync/WorkingFolder.h"

void TDirWatchThread::PushDiff(std::unique_ptr<TNodeEvent> event)
{
    if (!event)
        return;
    FChanged = true;
    // Only the row's newest event may absorb it: merging into an older change across a
    // deletion would write the later texts before the row is deleted. Only cell changes merge.
    if (dynamic_cast<const TSetNodeDataEvent *>(event.get()))
        if (TNodeEvent *newest = NewestPending(event->ID()); newest && newest->CanAppend(*event))
            return;
    FPendingEvents.push_back(std::move(event));
}

TNodeEvent *TDirWatchThread::NewestPending(const QString &id)
{
    // The event pushed last is its row's newest.
    if (!FPendingEvents.empty() && FPendingEvents.back()->ID() == id)
        return FPendingEvents.back().get();
    for (; FIndexedPending < FPendingEvents.size(); ++FIndexedPending)
        FNewestPending.insert(FPendingEvents[FIndexedPending]->ID(), FPendingEvents[FIndexedPending].get());
    return FNewestPending.value(id);
}

void TDirWatchThread::PushCells(const QString &id, qint32 changeIndex, TWhichTable table,
                                const QVector<int> &columns, const QStringList &texts, qint64 stamp)
{
    if (columns.isEmpty() || columns.size() != texts.size())
        return;
    if (auto *change = dynamic_cast<TSetNodeDataEvent *>(NewestPending(id))) {
        FChanged = true;
        for (qsizetype i = 0; i < columns.size(); ++i)
            change->AppendCell(columns[i], texts[i], changeIndex, stamp);
        return;
    }
    auto event = std::make_unique<TSetNodeDataEvent>(id, changeIndex, table, columns, texts);
    event->SetStamp(stamp);
    PushDiff(std::move(event));
}

TNodeEventList TDirWatchThread::TakeHandedOverEvents()
{
    TNodeEventList events;
    MoveEvents(events, FPendingThreadEvents);
    return events;
}

void TDirWatchThread::DropUnwrittenEvents()
{
    FPendingEvents.clear();
    FPendingThreadEvents.clear();
    ForgetNewestPending();
}

QString TDirWatchThread::StoreError() const
{
    std::lock_guard<std::mutex> guard(FStoreErrorLock);
    return FStoreError;
}

int TDirWatchThread::OwnLastIndex() const
{
    const auto found = FXMLFiles.find(FDiffFile);
    if (FDiffFile.isEmpty() || found == FXMLFiles.end() || !found->second)
        return -1;
    return getIndex(found->second->xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")}));
}

TNodeEventList TDirWatchThread::TakePendingEvents()
{
    TNodeEventList events;
    MoveEvents(events, FPendingEvents);
    ForgetNewestPending();
    return events;
}

void TDirWatchThread::HandOverPendingEvents(const IJournalFormat &format, bool compressed)
{
    for (auto &event : FPendingEvents)
        event->MakeRecord(format);
    MoveEvents(FPendingThreadEvents, FPendingEvents);
    ForgetNewestPending();
    FThreadCompressed = compressed;
}

bool TDirWatchThread::ForceStorePending(const IJournalFormat &format, bool compressed)
{
    StopBackgroundThread();
    HandOverPendingEvents(format, compressed);
    return StorePending();
}

namespace {

const QString DiffSuffix = QStringLiteral(".diff");
// An own diff file that could not be read: kept for inspection, invisible to "*.diff".
const QString DamagedSuffix = QStringLiteral(".diff.damaged");

} // namespace

QString TDirWatchThread::ChooseDiffFile() const
{
    const QString prefix = UserIdentity() + QLatin1Char('.');
    int highest = 0;
    bool highestUsable = false;
    ListFiles(GetWorkingDir(), prefix + QLatin1Char('*'), [&](const TSearchRec &rec) {
        if (!rec.Name.startsWith(prefix))
            return;
        const QString rest = rec.Name.mid(prefix.size());
        bool usable = true;
        QString number;
        if (rest.endsWith(DamagedSuffix)) {
            number = rest.chopped(DamagedSuffix.size());
            usable = false;
        } else if (rest.endsWith(DiffSuffix)) {
            number = rest.chopped(DiffSuffix.size());
        } else {
            return;
        }
        bool ok = false;
        const int n = number.toInt(&ok, 10);
        if (!ok || n < 1)
            return;
        if (n > highest || (n == highest && !usable)) {
            highest = n;
            highestUsable = usable;
        }
    });
    // Never a number used before: other instances skip the indices they have seen in it.
    const int n = highest == 0 ? 1 : (highestUsable ? highest : highest + 1);
    return GetWorkingDir() + prefix + QString::number(n) + DiffSuffix;
}

bool TDirWatchThread::MoveDiffFileAside(const QString &reason)
{
    Log(reason);
    const QString aside = FDiffFile.chopped(DiffSuffix.size()) + DamagedSuffix;
    QFile::remove(aside);
    if (QFileInfo::exists(FDiffFile) && !QFile::rename(FDiffFile, aside)) {
        Log(QStringLiteral("Cannot move \"%1\" aside").arg(FDiffFile));
        return false;
    }
    FXMLFiles.erase(FDiffFile);
    FDiffFile = ChooseDiffFile();
    Log(QStringLiteral("Continuing in ") + FDiffFile);
    return true;
}

void TDirWatchThread::ForgetOwnDiffFile()
{
    FXMLFiles.erase(FDiffFile);
    FDiffFile.clear();
}

bool TDirWatchThread::StorePending()
{
    return Store({}, false);
}

bool TDirWatchThread::StoreCarried(const std::vector<TDiffRecord> &records)
{
    return Store(records, true);
}

bool TDirWatchThread::Store(const std::vector<TDiffRecord> &carried, bool makeFile)
{
    const auto failed = [this](const QString &error) {
        std::lock_guard<std::mutex> guard(FStoreErrorLock);
        FStoreError = error;
        return false;
    };
    failed(QString());
    if (FFileName.isEmpty())
        return true;
    if (carried.empty() && FPendingThreadEvents.empty()
        && (!makeFile || (!FDiffFile.isEmpty() && FXMLFiles.count(FDiffFile))))
        return true;
    // A generation closed by another instance's save is still written until its successor
    // is found: the events are safe on disk meanwhile. Moving on (a reload, or the end of
    // the journal) journals again exactly those of them the new working copy lacks.
    if (!AcquireIdentityLock()) {
        if (FJournalRefused)
            return failed(QStringLiteral("another instance of %1 journals the document").arg(UserIdentity()));
        // A read-only disk or a shared folder this user may not write into: nobody else is
        // in the way.
        const QString problem = FolderWriteProblem(GetTmpDirectory());
        return failed(problem.isEmpty()
                          ? QStringLiteral("the lock file \"%1\" cannot be made").arg(GetIdentityLockFileName())
                          : problem);
    }
    if (!FFolderError.isEmpty())
        return failed(FFolderError);

    TXMLNode *diff = nullptr;
    int oldChildCount = 0;
    QList<std::pair<QString, QString>> oldAttributes;
    // Takes the appended events out of the tree again, so the next attempt writes them once.
    const auto rollBack = [&] {
        if (!diff)
            return;
        while (diff->ChildCount() > oldChildCount)
            diff->DeleteNode(diff->GetNode(diff->ChildCount() - 1));
        diff->ClearAttributes();
        for (const auto &[name, value] : oldAttributes)
            diff->AddAttribute(name, value);
    };

    try {
        if (FDiffFile.isEmpty())
            FDiffFile = ChooseDiffFile();
        TXMLFile *file = nullptr;
        // At most two rounds: a damaged own file is moved aside once, then a fresh one follows.
        for (int round = 0; round < 2 && !diff; ++round) {
            auto found = FXMLFiles.find(FDiffFile);
            if (found == FXMLFiles.end() || found->second->ReadState() == TXMLFile::rsUnreadable) {
                auto made = std::make_unique<TXMLFile>(FDiffFile, false);
                if (made->ReadState() == TXMLFile::rsUnreadable) {
                    // Perhaps only for now (a share that went away): try again later.
                    return failed(QStringLiteral("Cannot read \"%1\"").arg(FDiffFile));
                }
                found = FXMLFiles.insert_or_assign(FDiffFile, std::move(made)).first;
            }
            file = found->second.get();
            file->SetReadOnly(false);
            if (file->ReadState() == TXMLFile::rsDamaged) {
                // Overwriting it with a fresh file would restart its indices, and every other
                // instance would skip the new events as already seen.
                if (!MoveDiffFileAside(QStringLiteral("Own diff file %1 is damaged").arg(FDiffFile)))
                    return failed(QStringLiteral("Cannot move the damaged \"%1\" aside").arg(FDiffFile));
                continue;
            }
            diff = file->xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
            if (!diff && !MoveDiffFileAside(QStringLiteral("connot locate node in StorePending")))
                return failed(QStringLiteral("connot locate node in StorePending"));
        }
        if (!diff)
            throw std::runtime_error("connot locate node in StorePending");

        oldChildCount = diff->ChildCount();
        for (const auto &attribute : diff->Attributes())
            oldAttributes.append({attribute->GetName(), attribute->GetValue()});

        std::vector<const TDiffRecord *> records;
        for (const TDiffRecord &record : carried)
            records.push_back(&record);
        for (const auto &event : FPendingThreadEvents) {
            if (!event->Record())
                throw std::logic_error("an event reached the writer without its file record");
            records.push_back(event->Record());
        }
        int last = getIndex(diff);
        for (const TDiffRecord *record : records) {
            const int i = updateIndex(diff);
            if (i < 0) {
                rollBack();
                MoveDiffFileAside(QStringLiteral("The index of %1 cannot grow any further").arg(FDiffFile));
                return failed(QStringLiteral("The index of \"%1\" cannot grow any further").arg(FDiffFile));
            }
            record->AppendTo(*diff, i);
            last = i;
        }

        file->FCompressed = FThreadCompressed;
        QString error;
        if (!file->Flush(&error)) {
            rollBack();
            return failed(error);
        }
        file->FLastIndex = last;
        FPendingThreadEvents.clear();
        return true;
    } catch (const std::exception &e) {
        rollBack();
        return failed(QString::fromLocal8Bit(e.what()));
    }
}
