#include "document/DocumentRevert.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryFile>

#include <functional>
#include <utility>

#include "Bracket.h"
#include "Language.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "document/DocumentFile.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

// Saves without writing the per-user settings: the window's state belongs to the document
// before the revert until the settings are read again.
bool SaveQuietly(TDocumentFile &file, const QString &fileName)
{
    std::function<void()> settings;
    const TBracket quiet([&] { settings = std::exchange(file.Sync().OnSaveFileIni, nullptr); },
                         [&] { file.Sync().OnSaveFileIni = std::move(settings); });
    return file.Save(fileName);
}

// Back to the document as its file holds it.
void ReloadDocument(TDocumentFile &file, const QString &fileName)
{
    file.Core().ActionNewExecute();
    if (!file.Load(fileName))
        file.Core().ActionNewExecute();
}

} // namespace

TDocumentRevert::TResult TDocumentRevert::RevertToFile(TDocumentFile &file, const QString &generation)
{
    TPlannerCore &core = file.Core();
    IPlannerWindow &window = core.Window();
    const QString fileName = file.Sync().DirWatchThread()->Filename();
    if (fileName.isEmpty() || generation.isEmpty())
        return rvCancelled;
    if (window.Ask(Translate(QStringLiteral("Revert to last stored file?")), mtConfirmation, {mbOK, mbCancel}) != mrOk)
        return rvCancelled;
    QCoreApplication::processEvents();

    // Read before saving: the save may move old generations to the recycle bin.
    const QString lockCopy = file.Sync().DirWatchThread()->GetLockedFileName(generation);
    QFile source(lockCopy);
    QByteArray bytes;
    if (source.open(QIODevice::ReadOnly))
        bytes = source.readAll();
    if (bytes.isEmpty()) {
        Log(QStringLiteral("Revert: %1 cannot be read: %2").arg(lockCopy, source.errorString()));
        window.Ask(Translate(QStringLiteral("Load failed")), mtInformation, {mbOK});
        return rvLoadFailed;
    }

    const TBracket update([&core] { core.BeginUpdate(QString()); }, [&core] { core.EndUpdate(); });
    TResult result = rvReverted;
    if (!file.Save(fileName))
        return rvSaveFailed; // told by the save; the document stays as it is, nothing is lost
    core.ActionNewExecute();
    file.Sync().NewDirWatchThread(fileName);
    QTemporaryFile copy;
    const bool copied = copy.open() && copy.write(bytes) == bytes.size() && copy.flush();
    if (!copied || !file.LoadFrom(copy.fileName())) {
        Log(QStringLiteral("Revert: generation %1 of %2 cannot be loaded").arg(generation, fileName));
        ReloadDocument(file, fileName);
        window.Ask(Translate(QStringLiteral("Load failed")), mtInformation, {mbOK});
        result = rvLoadFailed;
    } else if (!SaveQuietly(file, fileName)) {
        // Told by the save. The file still holds the state saved a moment ago.
        ReloadDocument(file, fileName);
        result = rvSaveRevertedFailed;
    }
    return result;
}
