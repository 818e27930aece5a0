#include "document/DocumentRevert.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryFile>

#include <functional>
#include <utility>

#include "Language.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"

namespace {

// Saves without writing the per-user settings: the window's state belongs to the document
// before the revert until the settings are read again.
bool SaveQuietly(TPlannerCore &core, const QString &fileName)
{
    std::function<void()> settings = std::exchange(core.OnSaveFileIni, nullptr);
    const bool saved = core.Save(fileName);
    core.OnSaveFileIni = std::move(settings);
    return saved;
}

// Back to the document as its file holds it.
void ReloadDocument(TPlannerCore &core, const QString &fileName)
{
    core.ActionNewExecute();
    if (!core.Load(fileName))
        core.ActionNewExecute();
}

} // namespace

TDocumentRevert::TResult TDocumentRevert::RevertToFile(TPlannerCore &core, const QString &generation)
{
    IPlannerWindow &window = core.Window();
    const QString fileName = core.DirWatchThread()->Filename();
    if (fileName.isEmpty() || generation.isEmpty())
        return rvCancelled;
    if (window.Ask(Translate(QStringLiteral("Revert to last stored file?")), mtConfirmation, {mbOK, mbCancel}) != mrOk)
        return rvCancelled;
    QCoreApplication::processEvents();

    // Read before saving: the save may move old generations to the recycle bin.
    const QString lockCopy = core.DirWatchThread()->GetLockedFileName(generation);
    QFile source(lockCopy);
    QByteArray bytes;
    if (source.open(QIODevice::ReadOnly))
        bytes = source.readAll();
    if (bytes.isEmpty()) {
        Log(QStringLiteral("Revert: %1 cannot be read: %2").arg(lockCopy, source.errorString()));
        window.Ask(Translate(QStringLiteral("Load failed")), mtInformation, {mbOK});
        return rvLoadFailed;
    }

    core.BeginUpdate(QString());
    TResult result = rvReverted;
    if (!core.Save(fileName)) {
        // Told by the save; the document stays as it is, nothing is lost.
        core.EndUpdate();
        return rvSaveFailed;
    }
    core.ActionNewExecute();
    core.NewDirWatchThread(fileName);
    QTemporaryFile copy;
    const bool copied = copy.open() && copy.write(bytes) == bytes.size() && copy.flush();
    if (!copied || !core.LoadFrom(copy.fileName())) {
        Log(QStringLiteral("Revert: generation %1 of %2 cannot be loaded").arg(generation, fileName));
        ReloadDocument(core, fileName);
        window.Ask(Translate(QStringLiteral("Load failed")), mtInformation, {mbOK});
        result = rvLoadFailed;
    } else if (!SaveQuietly(core, fileName)) {
        // Told by the save. The file still holds the state saved a moment ago.
        ReloadDocument(core, fileName);
        result = rvSaveRevertedFailed;
    }
    core.EndUpdate();
    return result;
}
