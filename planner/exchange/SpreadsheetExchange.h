#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "core/DocumentTypes.h"
#include "MessageDialog.h"

class TDocumentSync;
class TPlannerCore;

namespace platform {
class TWorkbookReader;
class TWorkbookWriter;
struct TSheetCell;
}

// Both tables of the document to and from a spreadsheet workbook (.xlsx). Sheet 1 holds the
// tasks, sheet 2 the absent days, each with the column captions in its first row and one
// table row per further row; sheet 3 says where the data came from. A data cell's text
// starting with "=" is written with a blank in front, so that a spreadsheet program does not
// take it for a formula; import keeps that blank. Captions are written as they are.
//
// Import reads and checks the whole workbook before it asks anything or changes a row: a
// workbook that cannot be read changes nothing. A table's sheet that is missing, or whose
// caption row differs from the table's columns, is reported and left out; the others are
// imported as new rows through the write path, in one update bracket and one undo group.
// Questions and messages go through the core's window.
class TSpreadsheetExchange
{
public:
    // `sync` names the document for proposed names and the sheet header.
    TSpreadsheetExchange(TPlannerCore &core, const TDocumentSync &sync);

    // The workbook's sheet names in the interface language, made valid for a workbook:
    // the task sheet, the absent-days sheet and the information sheet.
    static QStringList SheetNames();
    // "<document> export.xlsx" beside the document.
    QString DefaultExportFileName() const;

    // Writes both tables and the information sheet into a new workbook. False when nothing
    // was written; the user has been told why.
    bool Exportieren1Click(const QString &fileName);
    // Appends the rows of a workbook to both tables. False when nothing changed.
    bool ExcelImport1Click(const QString &fileName);

    // The largest size a part of an imported workbook may expand to.
    void SetMaxPartSize(qint64 bytes) { FMaxPartSize = bytes; }

    // The cell text a read cell stands for: numbers in the user's notation, dates in the
    // short date format (with the time when it is not midnight).
    static QString CellText(const platform::TSheetCell &cell);

private:
    struct TImportSheet
    {
        TWhichTable table = tbTable;
        QString name;
        std::vector<QStringList> rows; // the caption row first
        bool missing = false;          // the workbook has no sheet of that name
        bool accepted = false;
    };

    // The texts a table's sheet gets: the captions, then every row (hidden ones too).
    bool puttable(platform::TWorkbookWriter &book, TWhichTable table);
    // Cells and rows a workbook cannot hold, as lines for the user; empty when none.
    QStringList ExportProblems();
    // Reads one table's sheet (a missing one is marked); the message for the user when it
    // cannot be read.
    QString ReadSheet(platform::TWorkbookReader &reader, TImportSheet &sheet);
    // The caption check: true when the sheet's first row names the table's columns in order
    // (a caption starting with "=" may have one blank in front, as older exports wrote it).
    bool importtable(const TImportSheet &sheet);
    void AddRows(TImportSheet &sheet);
    void Tell(const QString &text, TMsgDlgType type);

    TPlannerCore &FCore;
    const TDocumentSync &FSync;
    qint64 FMaxPartSize;
};
