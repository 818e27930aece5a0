#include "exchange/SpreadsheetExchange.h"

#include <QFileInfo>
#include <QLocale>

#include "DateFormat.h"
#include "Helper.h"
#include "Language.h"
#include "Version.h"
#include "Workbook.h"
#include "WorkbookReader.h"
#include "WorkbookWriter.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

constexpr TWhichTable kTables[] = {tbTable, tbExclude};
// Cells named one by one when an export is refused; the rest are counted.
constexpr int kProblemsNamed = 5;

// A data cell as a sheet gets it.
QString exportedText(const QString &text)
{
    // A leading "=" would make the spreadsheet program evaluate the cell.
    return text.startsWith(u'=') ? QLatin1Char(' ') + text : text;
}

// Whether a caption read from a sheet names the column. Captions are written unchanged;
// workbooks written before that gave a caption starting with "=" a blank in front.
bool SameCaption(const QString &found, const QString &expected)
{
    if (SameText(found, expected))
        return true;
    return expected.startsWith(u'=') && found.startsWith(QStringLiteral(" =")) && SameText(found.mid(1), expected);
}

// Restores the undo group and closes the update bracket on every way out.
class TImportBracket
{
public:
    explicit TImportBracket(TPlannerCore &core) : FCore(core)
    {
        FCore.BeginUpdate(Translate(QStringLiteral("Import")));
        FCore.FUndoRedoGroupIndex = FCore.UndoStack().GetGroupIndex();
    }
    ~TImportBracket()
    {
        FCore.FUndoRedoGroupIndex = -1;
        FCore.EndUpdate();
    }
    TImportBracket(const TImportBracket &) = delete;
    TImportBracket &operator=(const TImportBracket &) = delete;

private:
    TPlannerCore &FCore;
};

class TBusy
{
public:
    explicit TBusy(TPlannerCore &core) : FCore(core) { FCore.Window().SetBusyCursor(true); }
    ~TBusy() { FCore.Window().SetBusyCursor(false); }
    TBusy(const TBusy &) = delete;
    TBusy &operator=(const TBusy &) = delete;

private:
    TPlannerCore &FCore;
};

} // namespace

TSpreadsheetExchange::TSpreadsheetExchange(TPlannerCore &core, const TDocumentSync &sync)
    : FCore(core), FSync(sync), FMaxPartSize(platform::TWorkbookReader::DefaultMaxPartSize)
{
}

QStringList TSpreadsheetExchange::SheetNames()
{
    return platform::SanitizeSheetNames({Translate(QStringLiteral("ZOP Table")),
                                         Translate(QStringLiteral("ZOP Table (Absent days)")),
                                         Translate(QStringLiteral("Dateiinformation"))});
}

QString TSpreadsheetExchange::DefaultExportFileName() const
{
    const QFileInfo document(FSync.DirWatchThread()->GetPossibleFileName());
    const QString name = document.completeBaseName() + QStringLiteral(" export.xlsx");
    return document.path() == QLatin1String(".") ? name : document.path() + QLatin1Char('/') + name;
}

void TSpreadsheetExchange::Tell(const QString &text, TMsgDlgType type)
{
    FCore.Window().Ask(text, type, {mbOK});
}

QString TSpreadsheetExchange::CellText(const platform::TSheetCell &cell)
{
    switch (cell.Kind) {
    case platform::skNumber: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(cell.Value, 'g', 15);
    }
    case platform::skDate:
        // A time alone has no day.
        if (cell.Value >= 0 && cell.Value < 1)
            return ShortTimeToStr(cell.Value);
        return DateTimeToShortStr(cell.Value);
    default:
        return cell.Text;
    }
}

// ---- export

QStringList TSpreadsheetExchange::ExportProblems()
{
    const QStringList names = SheetNames();
    QStringList problems;
    int more = 0;
    for (const TWhichTable table : kTables) {
        const QString sheet = names[table];
        const int columns = FCore.GetTableColCount(table);
        const int rows = FCore.GetTableRowCount(table);
        if (rows > platform::WorkbookMaxRows - 1)
            problems.append(Translate(QStringLiteral("The table %s has %s rows; a sheet holds at most %s below its captions."),
                                      {sheet, QString::number(rows), QString::number(platform::WorkbookMaxRows - 1)}));
        if (columns > platform::WorkbookMaxColumns)
            problems.append(Translate(QStringLiteral("The table %s has %s columns; a sheet holds at most %s."),
                                      {sheet, QString::number(columns), QString::number(platform::WorkbookMaxColumns)}));
        // `text` as its cell gets it.
        const auto check = [&](int row, int column, const QString &text) {
            if (text.size() <= platform::WorkbookMaxCellLength)
                return;
            if (problems.size() >= kProblemsNamed) {
                ++more;
                return;
            }
            problems.append(Translate(QStringLiteral("Table %s, row %s, column %s: %s characters; a cell holds at most %s."),
                                      {sheet, QString::number(row), FCore.GetColumnCaption(table, column),
                                       QString::number(text.size()),
                                       QString::number(platform::WorkbookMaxCellLength)}));
        };
        for (int column = 0; column < columns; ++column)
            check(1, column, FCore.GetColumnCaption(table, column));
        int row = 1;
        FCore.ForEach(table, feAll, [&](TNodeData *node) {
            ++row;
            for (int column = 0; column < columns; ++column)
                check(row, column, exportedText(FCore.GetData(node, column)));
        });
    }
    if (more > 0)
        problems.append(Translate(QStringLiteral("... and %s more cells."), {QString::number(more)}));
    return problems;
}

bool TSpreadsheetExchange::puttable(platform::TWorkbookWriter &book, TWhichTable table)
{
    const int columns = FCore.GetTableColCount(table);
    QStringList cells;
    cells.reserve(columns);
    // The captions as they are: the import compares them with the columns.
    for (int column = 0; column < columns; ++column)
        cells.append(FCore.GetColumnCaption(table, column));
    book.AppendRow(cells);
    FCore.ForEach(table, feAll, [&](TNodeData *node) {
        cells.clear();
        for (int column = 0; column < columns; ++column)
            cells.append(exportedText(FCore.GetData(node, column)));
        book.AppendRow(cells);
    });
    return !book.Failed();
}

bool TSpreadsheetExchange::Exportieren1Click(const QString &fileName)
{
    const QStringList problems = ExportProblems();
    if (!problems.isEmpty()) {
        Tell(Translate(QStringLiteral("Error during export:\n%s"), {problems.join(u'\n')}), mtWarning);
        return false;
    }
    const QStringList names = SheetNames();
    bool written = false;
    QString error;
    {
        TBusy busy(FCore);
        platform::TWorkbookWriter book(fileName);
        book.AddSheet(names[0]);
        puttable(book, tbTable);
        book.AddSheet(names[1]);
        puttable(book, tbExclude);
        book.AddSheet(names[2]);
        book.AppendRow({Translate(QStringLiteral("Daten erstellt mit: ")) + platform::creditLine()});
        book.AppendRow({Translate(QStringLiteral("exportiert am: %s"), {DateTimeToStr(Now())})});
        book.AppendRow({Translate(QStringLiteral("Dateiname: %s"), {FSync.DirWatchThread()->GetPossibleFileName()})});
        written = book.Commit();
        error = book.ErrorString();
    }
    if (!written)
        Tell(Translate(QStringLiteral("Error during export:\n%s"), {error}), mtWarning);
    return written;
}

// ---- import

QString TSpreadsheetExchange::ReadSheet(platform::TWorkbookReader &reader, TImportSheet &sheet)
{
    const int index = reader.IndexOfSheet(sheet.name);
    sheet.missing = index < 0;
    if (sheet.missing)
        return QString();
    const int columns = FCore.GetTableColCount(sheet.table);
    platform::TSheetData data;
    if (!reader.ReadSheet(index, columns, data))
        return Translate(QStringLiteral("Error during import:\n%s"), {reader.ErrorString()});
    sheet.rows.assign(std::size_t(std::max(data.RowCount, 1)), QStringList(columns));
    for (const platform::TSheetCell &cell : data.Cells)
        sheet.rows[std::size_t(cell.Row)][cell.Column] = CellText(cell);
    return QString();
}

bool TSpreadsheetExchange::importtable(const TImportSheet &sheet)
{
    const QStringList &captions = sheet.rows.front();
    for (int column = 0; column < FCore.GetTableColCount(sheet.table); ++column) {
        const QString expected = FCore.GetColumnCaption(sheet.table, column);
        const QString found = captions.value(column);
        if (!SameCaption(found, expected)) {
            Tell(Translate(QStringLiteral("Caution, table setup differs.\nTable: %s\nexpected column %s\nwas column %s\n"
                                          "Hint: Export the current table, insert your data to that table and reimport it."),
                           {sheet.name, expected, found}),
                 mtInformation);
            return false;
        }
    }
    return true;
}

void TSpreadsheetExchange::AddRows(TImportSheet &sheet)
{
    const int columns = FCore.GetTableColCount(sheet.table);
    for (std::size_t row = 1; row < sheet.rows.size(); ++row) {
        TNodeData *node = FCore.AddNode(FCore.GetFreeID(), sheet.table, true);
        // Each row is let go once it is in the table, so that a large import needs its
        // memory only once.
        const QStringList cells = std::move(sheet.rows[row]);
        for (int column = 0; column < columns; ++column)
            FCore.SetData(node, column, cells.at(column));
    }
    sheet.rows.clear();
}

bool TSpreadsheetExchange::ExcelImport1Click(const QString &fileName)
{
    // Everything is read and checked before anything is asked or changed.
    const QStringList names = SheetNames();
    std::vector<TImportSheet> sheets;
    QString error;
    {
        TBusy busy(FCore);
        platform::TWorkbookReader reader(FMaxPartSize);
        if (!reader.Open(fileName)) {
            error = reader.IsOldFormat()
                        ? Translate(QStringLiteral("Error during import:\nThe file %s is an old Excel workbook (.xls) or an "
                                                   "encrypted one. Save it as an Excel workbook (.xlsx) and import that."),
                                    {fileName})
                        : Translate(QStringLiteral("Error during import:\n%s"), {reader.ErrorString()});
        }
        for (const TWhichTable table : kTables) {
            if (!error.isEmpty())
                break;
            TImportSheet &sheet = sheets.emplace_back();
            sheet.table = table;
            sheet.name = names[table];
            error = ReadSheet(reader, sheet);
        }
    }
    if (!error.isEmpty()) {
        Tell(error, mtWarning);
        return false;
    }
    bool any = false;
    for (TImportSheet &sheet : sheets) {
        // A workbook with one of the sheets still brings that one.
        if (sheet.missing) {
            Tell(Translate(QStringLiteral("Sheet %s not found."), {sheet.name}), mtWarning);
            continue;
        }
        sheet.accepted = importtable(sheet);
        any = any || sheet.accepted;
    }
    if (!any)
        return false;

    const int answer = FCore.Window().Ask(
        Translate(QStringLiteral("Clear table before import?\nOtherwise all imported tasks will be added to the current list.")),
        mtConfirmation, {mbYes, mbNo});
    if (answer != mrYes && answer != mrNo)
        return false;
    TImportBracket bracket(FCore);
    for (TImportSheet &sheet : sheets) {
        if (!sheet.accepted)
            continue;
        // Only a table that receives rows is cleared: a refused sheet loses nothing.
        if (answer == mrYes)
            FCore.ForEach(sheet.table, feAll, [this](TNodeData *node) { FCore.DeleteNode(node, true); });
        AddRows(sheet);
    }
    return true;
}
