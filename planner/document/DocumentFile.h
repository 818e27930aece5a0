#pragma once

// The document file: its format (an XML tree, plain or compressed), the roads of opening and
// saving it through the synchronisation's working folder, the import of the old ini-style
// documents, and the questions of opening and closing a document with unsaved changes. It
// builds and reads the model through the core's public API; the synchronisation reads and
// writes whole documents through it.
//
// Members are defined by concern:
//   DocumentFile.cpp        construction, opening, the save question, closing
//   DocumentFileFormat.cpp  reading and writing a file (LoadFrom, SaveToBuffer, SaveTo)
//   DocumentFileGroups.cpp  public holidays and position groups in the file
//   DocumentFileRoads.cpp   the roads of opening and saving
//   DocumentFileImport.cpp  the old ini-style format

#include <QByteArray>
#include <QString>

#include <QVector>

#include <functional>
#include <memory>

#include "core/DocumentObserver.h"
#include "core/DocumentTypes.h"
#include "document/DocumentSettings.h"
#include "document/PlannerError.h"
#include "sync/DocumentStore.h"

class TDocumentSync;
class TMemIniFile;
class TPlannerCore;
class TXMLNode;
class TXMLTree;

class TDocumentFile : public IDocumentStore, public IDocumentObserver
{
public:
    // Reads and writes `core`, whose observer it is, and saves through `sync`, whose store
    // it is, until it goes; both must outlive it.
    TDocumentFile(TPlannerCore &core, TDocumentSync &sync);
    ~TDocumentFile();

    TDocumentFile(const TDocumentFile &) = delete;
    TDocumentFile &operator=(const TDocumentFile &) = delete;

    TPlannerCore &Core() const { return FCore; }
    TDocumentSync &Sync() const { return FSync; }

    // A new document: nothing imported, nothing to de-overlap.
    void DocumentCleared() override;

    // ---- document life (DocumentFile.cpp)
    // Opens a document: checks, then the loading road; true when it was loaded. Raises
    // EPlannerError for an unknown file type (after leaving a new document behind).
    bool Open(const QString &fileName);
    // The save question: mrYes, mrNo or mrCancel.
    int MessageFileNotSaved();
    // Before the document goes (closed, or replaced by a new or another document): the
    // journal's pending events are written, and a change that still only a save keeps (a
    // colour, the setup, edits the shared folder did not take) is asked about; Yes saves.
    // False when the user cancels or the save failed: the document stays as it is.
    bool MayCloseDocument();
    // The close handler: false refuses closing.
    bool FormClose();
    // Before the document goes: follows another instance's save that closed the generation
    // the own events went into, and writes the events not written yet (the busy cursor
    // meanwhile).
    void SettleJournal();

    // ---- the file (DocumentFileFormat.cpp)
    // Reads one document file into the model; false (logged) when it cannot be read or the
    // user declines a file of another version.
    bool LoadFrom(const QString &fileName) override;
    bool LoadFrom(const QString &fileName, std::unique_ptr<TXMLTree> tree, bool compressed) override;
    // The whole document as the bytes of one file, compressed when asked; always built from
    // the empty template.
    QByteArray SaveToBuffer(bool compress) override;
    // Writes one document file from the model ("Save File compressed" decides the form);
    // false when it could not be written, the previous file then stays as it was.
    bool SaveTo(const QString &fileName);

    // ---- the roads (DocumentFileRoads.cpp)
    // The road of opening a ".zop" file through its working folder; false when nothing
    // could be loaded (a new document is left then).
    virtual bool Load(const QString &fileName);
    // Save, or Save As for a document without a name; false when nothing was saved.
    virtual bool Save();
    // The road of saving; false when nothing was saved (the user has been told).
    bool Save(const QString &fileName);
    // Save under the document's name, or Save As for a document without one.
    bool ActionSaveExecute();
    bool ActionSaveAsExecute();
    // The save dialog: the chosen name, empty when cancelled. Set by the window; without it
    // Save As saves nothing.
    std::function<QString(const QString &proposed)> OnChooseSaveFileName;
    // After every save that wrote the document, with its name (the recent-files list).
    std::function<void(const QString &fileName)> OnSaved;
    static bool FilesAreIdentical(const QString &a, const QString &b);
    // Why a document could not be loaded: the system's error number of reading `where` (the
    // file, or a folder on its way), worded with what helps.
    static QString LoadFailureText(int code, const QString &where);
    // Why an existing file must not be replaced: EROFS when its disk is read-only, EACCES when
    // its user protected it (no write permission for its owner, which holds for root as well,
    // or none for this user); 0 when it may be written or does not exist.
    static int WriteProtection(const QString &fileName);

    // ---- the old format (DocumentFileImport.cpp)
    // Reads an old ini-style document and saves it in the current format.
    bool ImportFrom(const QString &fileName);
    // The reading part of ImportFrom: the version check and its questions, then setup, public
    // holidays and both tables into the model (rows moved by the file's offset). False when
    // the file is no old document or the user declines; raises on a file it cannot read.
    bool ReadOldDocument(const QString &fileName);
    // What an old-format document carried beside the document: print options, view values
    // and saved filters, read by the import for the per-user settings to take over.
    using TImportedFilter = TSavedFilter;
    struct TImportedSettings
    {
        bool Imported = false; // the open document was converted from the old format
        QString Footer;
        QString Header;
        bool PrintToday = false;
        bool PrintHeader = false;
        bool PrintFooter = false;
        bool PrintFilename = true;
        bool PrintLochrand = false;
        int FontSize = 10;
        QString FontName;
        int ColWidth = 8;
        int Zoom = 100;
        int Transparency = 50;
        bool DenyMoveBeforeNow = false;
        bool AutoArrange = false;
        int SmallTimeChartRowHeight = 0; // 0: not in the file
        QVector<TImportedFilter> Filters;
    };
    TImportedSettings FImportedSettings;
    // The import moved the plan by an offset: opening solves its overlaps once.
    bool FInitialDeOverlap = false;

private:
    void LoadSetup(const TXMLNode *setup, bool compressed);
    void LoadPublicHoliday(const TXMLNode *holidays);
    void LoadPositionGroups(const TXMLNode *groups);
    void LoadTable(TXMLNode *data);
    void SaveSetup(TXMLNode *setup);
    void SavePositionGroups(TXMLNode *groups);
    void SavePublicHoliday(TXMLNode *holidays);
    void SaveTable(TXMLNode *data, TWhichTable table);
    // Removes what killed writes and saves of this user left beside the document and in its
    // shared folder; `opening`: the folders holding previous versions too.
    static void RemoveLeftovers(const QString &fileName, bool opening);
    // The readers of the old ini-style format.
    void ImportSetup(const TMemIniFile &ini);
    void ImportPublicHoliday(const TMemIniFile &ini);
    void ImportTable(const TMemIniFile &ini, TWhichTable table, bool datesAsStored);

    TPlannerCore &FCore;
    TDocumentSync &FSync;
    // Why the last Load failed, when the file could not be read (empty otherwise).
    QString FLoadFailure;
};
