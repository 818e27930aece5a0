// The roads of opening and saving a document through its shared working folder: the
// working-copy check, the lock copy, the generations, the recycle bin and the history.

#include "core/PlannerCore.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

#include "sync/DirWatchThread.h"
#include "Language.h"
#include "Log.h"
#include "document/PreparedFile.h"

namespace {

QString ErrorText(const std::exception &e)
{
    return QString::fromLocal8Bit(e.what());
}

// An error of the save road, already worded for the log.
class ESaveError : public std::runtime_error
{
public:
    explicit ESaveError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

} // namespace

// ---- opening

bool TPlannerCore::Load(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        ActionNewExecute();
        return false;
    }
    // A save that died half-way left its state in a lock copy: it becomes the working copy
    // the document is compared with.
    RecoverInterruptedSave(fileName);
    NewDirWatchThread(fileName);
    const QString working = FDirWatchThread->GetWorkingFileName();

    // No working copy means none could be made (a folder without write permission): there
    // is nothing to choose between, the file is read as it is.
    if (!QFileInfo::exists(working) || FilesAreIdentical(working, fileName)) {
        if (LoadFrom(fileName)) {
            SyncLoadTransactions();
            return true;
        }
        if (ImportFrom(fileName))
            return true;
        ActionNewExecute();
        return false;
    }

    const int answer = FWindow.Ask(
        Translate(QStringLiteral("The file does not match the working copy.\nOpen the latest Working copy instead?")),
        mtConfirmation, {mbYes, mbNo, mbCancel});
    if (answer == mrYes) {
        if (!LoadFrom(working))
            return false;
        SyncLoadTransactions();
    } else if (answer == mrNo) {
        if (!LoadFrom(fileName)) {
            // The import saves the converted document itself.
            return ImportFrom(fileName);
        }
    } else {
        ActionNewExecute();
        return false;
    }
    // The loaded state becomes the document and a new generation, so both agree again.
    Save(fileName);
    return true;
}

bool TPlannerCore::FilesAreIdentical(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.exists() || !second.exists())
        return false;
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 BlockSize = 4096;
    // One read may return less than asked: fill each block before comparing.
    auto readBlock = [](QFile &file, QByteArray &block) {
        block.resize(BlockSize);
        qint64 done = 0;
        while (done < BlockSize) {
            const qint64 got = file.read(block.data() + done, BlockSize - done);
            if (got < 0)
                return false;
            if (got == 0)
                break;
            done += got;
        }
        block.resize(done);
        return true;
    };
    QByteArray blockA;
    QByteArray blockB;
    for (;;) {
        if (!readBlock(first, blockA) || !readBlock(second, blockB))
            return false;
        if (blockA != blockB)
            return false;
        if (blockA.isEmpty())
            return true;
    }
}

// ---- saving

bool TPlannerCore::Save()
{
    return ActionSaveExecute();
}

bool TPlannerCore::ActionSaveExecute()
{
    const QString name = FDirWatchThread->Filename();
    if (name.isEmpty())
        return ActionSaveAsExecute();
    return Save(name);
}

bool TPlannerCore::ActionSaveAsExecute()
{
    if (!OnChooseSaveFileName)
        return false;
    QString name = OnChooseSaveFileName(FDirWatchThread->GetPossibleFileName());
    if (name.isEmpty())
        return false;
    // Only ".zop" names can be opened again.
    if (!name.endsWith(QStringLiteral(".zop"), Qt::CaseInsensitive))
        name += QStringLiteral(".zop");
    if (QFileInfo::exists(name)
        && FWindow.Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {name}),
                       mtConfirmation, {mbOK, mbCancel}) != mrOk)
        return false;
    return Save(name);
}

bool TPlannerCore::Save(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    FWindow.SetBusyCursor(true);
    bool saved = false;
    QString error;
    try {
        saved = DoSave(fileName);
    } catch (const std::exception &e) {
        error = ErrorText(e);
    } catch (...) {
        error = QStringLiteral("unknown error");
    }
    FWindow.SetBusyCursor(IsUpdating());
    if (!saved) {
        Log(QStringLiteral("save() error: ") + error);
        // Whatever the road reached, the document still holds unsaved changes.
        FDirWatchThread->SetChanged(true);
        FWindow.Ask(Translate(QStringLiteral("File could not be saved, please try saving with a different filename")),
                    mtWarning, {mbOK});
    }
    return saved;
}

bool TPlannerCore::DoSave(const QString &fileName)
{
    // One serialised buffer for the lock copy, the working copy and the document: the three
    // are byte-identical, so the next opening finds no mismatch.
    const QByteArray bytes = SaveToBuffer(FSaveFileCompressed);

    // The document is written (not yet renamed) first: a full disk or a folder without
    // write permission stops the road before the working folder is touched.
    TPreparedFile document(fileName);
    if (!document.Prepare(bytes))
        throw ESaveError(document.ErrorString());

    if (FDirWatchThread->Filename() != fileName)
        NewDirWatchThread(fileName);
    TDirWatchThread &journal = *FDirWatchThread;

    // The lock copy closes the current generation for every instance.
    QString error;
    if (!WriteDocumentFile(journal.GetLockedFileName(), bytes, error))
        throw ESaveError(error);

    int first = 0;
    int last = 0;
    int count = 0;
    TDateTime newest = 0;
    journal.GetHistoryInfo(first, last, count, newest, ltHistory);
    if (!journal.SetWorkingDir(QString::number(last + 1)))
        throw ESaveError(QStringLiteral("Cannot make the generation folder \"%1\"").arg(journal.GetWorkingDir()));
    if (!WriteDocumentFile(journal.GetWorkingFileName(), bytes, error))
        throw ESaveError(error);

    if (!document.Commit([this](const QString &previous) { return DeleteFile(previous); }))
        throw ESaveError(document.ErrorString());

    journal.SetNeedReload(false);
    journal.SetChanged(false);
    ClearHistory();
    return true;
}

bool TPlannerCore::WriteDocumentFile(const QString &fileName, const QByteArray &bytes, QString &error)
{
    TPreparedFile file(fileName);
    if (file.Prepare(bytes) && file.Commit([this](const QString &previous) { return DeleteFile(previous); }))
        return true;
    error = file.ErrorString();
    return false;
}
