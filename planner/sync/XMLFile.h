#pragma once

// One XML file of the shared working folder (a working copy or a diff file) as the journal
// keeps it in memory. No handle stays open: reading takes the whole file at once, writing
// replaces it atomically, so other instances never see a half-written file.

#include <QString>

#include <memory>

#include "XmlTree.h"

// The text of an empty document and of a fresh diff file.
extern const QString EmptyDocumentTemplate;

// The running event index of a diff element: its `index` attribute when that is an integer
// other than -1, else the greatest `index` of its children (-1 when none has one); -1 for nil.
int getIndex(const TXMLNode *diff);
// Raises the diff element's index by one and stores it; returns the new index. A diff element
// that has no index yet starts at 1. -1 for nil and when the index cannot grow any more.
int updateIndex(TXMLNode *diff);

class TXMLFile
{
public:
    enum TReadState {
        rsEmpty,      // missing or empty: the tree is the empty template
        rsRead,       // parsed
        rsUnreadable, // could not be opened or read (perhaps only for now)
        rsDamaged     // read, but not a tree: it stays so
    };

    // Reads the file (see Read); a file that cannot be read leaves the empty template.
    TXMLFile(const QString &fileName, bool readOnly);
    ~TXMLFile();

    TXMLFile(const TXMLFile &) = delete;
    TXMLFile &operator=(const TXMLFile &) = delete;

    // Reads the file anew. The tree is replaced only by a complete parse; when the file
    // cannot be read the previous tree and size stay. Returns the state of this read.
    TReadState Read(QString *error = nullptr);
    // Replaces the file by the tree (compressed when FCompressed). Read-only files are never
    // written. On failure the file stays as it was and `error` says why.
    bool Flush(QString *error = nullptr);
    void SetReadOnly(bool value) { FReadOnly = value; }

    const QString &Filename() const { return FFilename; }
    TXMLTree &xml() { return *Fxml; }
    const TXMLTree &xml() const { return *Fxml; }
    bool ReadOnly() const { return FReadOnly; }
    TReadState ReadState() const { return FReadState; }
    bool WasCompressed() const { return FWasCompressed; }

    bool FCompressed = true;
    // The highest event index already applied from or written to this file.
    int FLastIndex = -1;
    // The file's size at the last read or write.
    qint64 FLastSize = 0;
    // Read anew; its events await application.
    bool FChanged = false;

private:
    QString FFilename;
    std::unique_ptr<TXMLTree> Fxml;
    bool FReadOnly;
    bool FWasCompressed = true;
    TReadState FReadState = rsEmpty;
};
