#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "DateTime.h"

class TDocumentSync;
class TPlannerCore;
struct TNodeData;

// Moves finished tasks out of the document into an archive file, an ini file (compressed
// when asked) that is only ever written:
//
//   [Archiv]
//   count=<number of archived tasks>
//   [ArchivItem<n>]             one per task, numbered on from earlier runs
//   <caption>=<cell text>       every column of the task table, in column order
//   __table=tbTable
//
// Keys are the column captions made safe for the file: "%" "=" and control characters as
// "%XX", a leading ";" or "[" escaped (they would read as a comment or a section), a leading
// "__" escaped (it belongs to the file's own keys), and a caption equal to an earlier one
// without regard to case (ini keys ignore case) numbered "%#<column>".
class TArchiver
{
public:
    // `sync` names the document the archive lies beside.
    TArchiver(TPlannerCore &core, const TDocumentSync &sync);

    // The tasks that would be archived at `before`, and all tasks.
    void Count(TDateTime before, int &count, int &total);
    // Writes the valid tasks that end on or before `before` into the file and then deletes
    // them from the document (journalled for the other instances; not undoable, as the rows
    // live on in the archive). The file is written whole before any row is deleted: when it
    // cannot be, nothing is deleted. Only a missing or empty file or an archive (its "Archiv"
    // section) is written to, never the document or another file. Returns the number of
    // archived tasks, -1 with `error` on failure.
    int Archive(const QString &fileName, TDateTime before, bool compress, QString &error);

    // The keys of the columns with these captions.
    static QStringList ColumnKeys(const QStringList &captions);

    // The row callback: whether a task is archived at the date.
    bool CB_Count(TNodeData *node, TDateTime before);

private:
    std::vector<TNodeData *> TasksToArchive(TDateTime before);

    TPlannerCore &FCore;
    const TDocumentSync &FSync;
};
