#include "document/DocumentFile.h"

#include <QFileInfo>

#include "Language.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

TDocumentFile::TDocumentFile(TPlannerCore &core, TDocumentSync &sync) : FCore(core), FSync(sync)
{
    FSync.SetStore(this);
    FCore.AddObserver(*this);
}

TDocumentFile::~TDocumentFile()
{
    FCore.RemoveObserver(*this);
    FSync.SetStore(nullptr);
}

void TDocumentFile::DocumentCleared()
{
    FInitialDeOverlap = false;
    FImportedSettings = TImportedSettings();
}

// ---- document life

bool TDocumentFile::Open(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        FCore.Window().Ask(Translate(QStringLiteral("File %s does not exist."), {fileName}), mtInformation, {mbOK});
        return false;
    }
    if (FCore.Window().ActivateOtherInstance(fileName))
        return false;
    if (!MayCloseDocument())
        return false;
    FCore.SetLoading(true);
    FCore.BeginUpdate(Translate(QStringLiteral("Open File %s..."), {fileName}));
    bool loaded = false;
    try {
        FCore.ActionNewExecute();
        if (fileName.right(4).toUpper() == QStringLiteral(".ZOP"))
            loaded = Load(fileName);
    } catch (...) {
        loaded = false;
    }
    if (!loaded) {
        FCore.ActionNewExecute();
        FCore.Window().Ask(Translate(QStringLiteral("File cannot be loaded. The Filetype is unknown.")),
                           mtInformation, {mbOK});
    }
    FCore.EndUpdate();
    FCore.SetLoading(false);
    if (!loaded)
        throw EPlannerError(QStringLiteral("unknown filetype"));
    if (FInitialDeOverlap)
        FCore.InitialDeOverlap();
    return true;
}

int TDocumentFile::MessageFileNotSaved()
{
    const QString name = FSync.DirWatchThread()->Filename();
    const QString text = name.isEmpty()
                             ? Translate(QStringLiteral("Do you want to save changes?"))
                             : Translate(QStringLiteral("Do you want to save changes to %s?"), {name});
    const int answer = FCore.Window().Ask(text, mtConfirmation, {mbYes, mbNo, mbCancel});
    return answer == mrYes || answer == mrNo ? answer : mrCancel;
}

bool TDocumentFile::FormClose()
{
    return MayCloseDocument();
}

bool TDocumentFile::MayCloseDocument()
{
    if (FSync.DirWatchThread()->HasUnwrittenEvents()) {
        FCore.Window().SetBusyCursor(true);
        FSync.ForceStorePending();
        FCore.Window().SetBusyCursor(false);
    }
    // Still unwritten: the shared folder could not be written (or the document has no name);
    // or a change that no journal carries waits for a save.
    if (!FSync.HasUnsavedChanges())
        return true;
    switch (MessageFileNotSaved()) {
    case mrNo:
        return true;
    case mrYes:
        // Nothing may be lost: a document that could not be saved stays.
        if (!Save())
            return false;
        // The saved document holds every change; the journal of the new generation gets
        // them too when it can.
        FSync.ForceStorePending();
        return true;
    default:
        return false;
    }
}
