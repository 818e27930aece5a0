#include "document/DocumentFile.h"

#include <QFileInfo>

#include <cerrno>

#include "AtomicFile.h"
#include "Bracket.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "sync/WorkingFolder.h"

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

bool TDocumentFile::Open(const QString &name)
{
    // The document is the file its links name; another instance shows it by that name.
    const QString fileName = platform::resolvedFilePath(name);
    if (!QFileInfo(fileName).isFile()) {
        QString where;
        const int code = FileReadError(fileName, &where);
        FCore.Window().Ask(code == ENOENT || code == 0 ? Translate(QStringLiteral("File %s does not exist."), {name})
                                                       : LoadFailureText(code, where),
                           mtInformation, {mbOK});
        return false;
    }
    if (FCore.Window().ActivateOtherInstance(fileName))
        return false;
    if (!MayCloseDocument())
        return false;
    FCore.SetLoading(true);
    FCore.BeginUpdate(Translate(QStringLiteral("Open File %s..."), {fileName}));
    bool loaded = false;
    FLoadFailure.clear();
    try {
        FCore.ActionNewExecute();
        // The name the user chose tells the type, wherever its link points.
        if (name.right(4).toUpper() == QStringLiteral(".ZOP"))
            loaded = Load(fileName);
    } catch (...) {
        loaded = false;
    }
    if (!loaded) {
        FCore.ActionNewExecute();
        // A file that could not be read says why; anything else is no document.
        FCore.Window().Ask(FLoadFailure.isEmpty()
                               ? Translate(QStringLiteral("File cannot be loaded. The Filetype is unknown."))
                               : FLoadFailure,
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

void TDocumentFile::SettleJournal()
{
    // Also when everything was written: a save elsewhere may have closed the generation it
    // went into, and only following that save keeps it.
    const TBracket busy([this] { FCore.Window().SetBusyCursor(true); },
                        [this] { FCore.Window().SetBusyCursor(false); });
    FSync.ForceStorePending();
}

bool TDocumentFile::FormClose()
{
    return MayCloseDocument();
}

bool TDocumentFile::MayCloseDocument()
{
    SettleJournal();
    // Still unwritten: the shared folder could not be written (or the document has no name),
    // own events stay in a generation another save closed that cannot be followed now; or a
    // change that no journal carries waits for a save.
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
