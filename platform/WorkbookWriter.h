#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryFile;
struct lxw_workbook;
struct lxw_worksheet;

namespace platform {

// Writes a workbook (.xlsx) of text cells, sheet after sheet and row after row, so that even
// a large one needs little memory. The file appears only on Commit, and then whole: the
// workbook is assembled in a temporary file, then replaces the target atomically
// (TAtomicFile). Every failure is kept (the first one) and makes Commit fail; the target
// then stays as it was.
//
//   TWorkbookWriter book(path);
//   book.AddSheet("Tasks");
//   book.AppendRow({"Name", "Start"});
//   if (!book.Commit()) report(book.ErrorString());
class TWorkbookWriter
{
public:
    explicit TWorkbookWriter(const QString &fileName);
    // An uncommitted workbook leaves nothing behind.
    ~TWorkbookWriter();
    TWorkbookWriter(const TWorkbookWriter &) = delete;
    TWorkbookWriter &operator=(const TWorkbookWriter &) = delete;

    // Starts the next sheet; the name must be valid (SanitizeSheetName) and new.
    bool AddSheet(const QString &name);
    // Appends a row to the current sheet, cells from column A; empty cells stay empty. A row
    // beyond the last one a sheet holds, more cells than its columns or a cell longer than
    // WorkbookMaxCellLength fails.
    bool AppendRow(const QStringList &cells);
    // Writes the file; false (with ErrorString) when anything failed on the way.
    bool Commit();

    bool Failed() const { return !FError.isEmpty(); }
    const QString &ErrorString() const { return FError; }
    const QString &FileName() const { return FFileName; }

    // A cell text in the form the file holds it: characters XML cannot carry as
    // "_xHHHH_", and an underscore that would read as the start of such an escape as "_x005F_".
    static QString EscapeText(const QString &text);

private:
    bool Fail(const QString &message);
    void Discard();

    QString FFileName;
    QString FError;
    std::unique_ptr<QTemporaryFile> FTemp;
    lxw_workbook *FWorkbook = nullptr;
    lxw_worksheet *FSheet = nullptr;
    QStringList FSheetNames;
    int FRow = 0;
};

} // namespace platform
