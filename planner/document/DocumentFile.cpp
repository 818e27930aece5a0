#include "document/DocumentFile.h"

#include <QFileInfo>

#include "Language.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "sync/SyncBracket.h"

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
    // A save elsewhere is followed first; events not written yet are asked about.
    SettleJournal(false);
    if (FSync.HasUnsavedChanges()) {
        const int answer = MessageFileNotSaved();
        if (answer == mrCancel)
            return false;
        if (answer == mrYes && !Save())
            return false; // nothing may be lost: an unsaved document stays open
    }
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

void TDocumentFile::SettleJournal(bool write)
{
    // Also when everything was written: a save elsewhere may have closed the generation it
    // went into, and only following that save keeps it.
    const TSyncBracket busy([this] { FCore.Window().SetBusyCursor(true); },
                            [this] { FCore.Window().SetBusyCursor(false); });
    if (write)
        FSync.ForceStorePending();
    else
        FSync.FollowBeforeLeaving();
}

bool TDocumentFile::FormClose()
{
    SettleJournal(true);
    // Still unwritten: the shared folder could not be written (or the document has no name),
    // own events stay in a generation another save closed that cannot be followed now; or a
    // change that no journal carries waits for a save.
    if (!FSync.HasUnsavedChanges())
        return true;
    switch (MessageFileNotSaved()) {
    case mrNo:
        return true;
    case mrYes:
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
