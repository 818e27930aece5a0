#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

#include "CSVData.h"

class TDocumentSync;
class TPlannerCore;
struct TNodeData;

// The autofill file beside a document: a CSV table whose columns are named like columns of
// the task table. Its values complete text entries, and a column whose values are unique
// serves as a key that fills every column of the selected tasks the file also has. Columns
// are matched by caption without regard to case, for the flags and for the fill alike.
class TAutofill
{
public:
    // `sync` names the document the file lies beside.
    TAutofill(TPlannerCore &core, const TDocumentSync &sync);

    // Larger files are refused (and logged): the whole file is read into memory.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    // The document's path with its extension replaced by ".autofill".
    static QString FileNameFor(const QString &document);

    // With the task table active: the file of the current document is read again when it
    // changed since it was last read (no file, no data), and every task column's flags are set
    // from it.
    void LoadAutofill();
    // Reads the given file (empty: none) and sets the flags.
    void LoadFrom(const QString &fileName);
    const TCSVData &Data() const { return FAutofill; }

    // The file column of a task column, -1 when the file has none.
    int FileColumnOf(int column) const;
    // Every record's cell of the task column's file column, for completion.
    QStringList Values(int column) const;

    enum TFillResult { frNothing, frFilled, frNotFound, frNotUnique };
    // Looks `key` up in the file column of task column `column` (exactly, then as part of a
    // cell) and fills the rows from the record found, as one undo step. Tells the user when
    // the key is not found or not unique.
    TFillResult AutofillPanelClick(int column, const QString &key, const std::vector<TNodeData *> &rows);
    // Writes every file column of a record into the task column of the same caption.
    void CB_AutofillData(TNodeData *node, int record);

private:
    // The first task column whose caption matches the caption, -1 when none.
    int TaskColumnOf(const QString &caption) const;
    void SetFlags();

    TPlannerCore &FCore;
    const TDocumentSync &FSync;
    TCSVData FAutofill;
    // The file as it was when read: the editor asks after every bulk change.
    QString FReadName;
    qint64 FReadSize = -1;
    QDateTime FReadTime;
    bool FReadValid = false;
};
