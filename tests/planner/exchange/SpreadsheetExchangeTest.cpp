#include "planner/CoreTestSupport.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

#include "CSVData.h"
#include "Workbook.h"
#include "WorkbookReader.h"
#include "WorkbookWriter.h"
#include "exchange/SpreadsheetExchange.h"
#include "sync/DirWatchThread.h"

namespace {

using TTable = QList<QStringList>;

// A table as readable text for the failure messages: one line per row, cells between "|".
std::string Dump(const TTable &rows)
{
    QString text;
    for (const QStringList &row : rows)
        text += QLatin1Char('|') + row.join(u'|') + QStringLiteral("|\n");
    return text.toStdString();
}

TTable Sorted(TTable rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

class SpreadsheetExchangeTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        book = temp.filePath(QStringLiteral("plan export.xlsx"));
    }

    // Every row of a table, cell texts in column order.
    TTable Rows(TWhichTable table)
    {
        TTable rows;
        core->ForEach(table, feAll, [&](TNodeData *node) { rows.append(node->StringList); });
        return rows;
    }
    QStringList Captions(TWhichTable table) const
    {
        QStringList captions;
        for (int column = 0; column < core->GetTableColCount(table); ++column)
            captions.append(core->GetColumnCaption(table, column));
        return captions;
    }
    TNodeData *AddRow(TWhichTable table, const QStringList &cells)
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), table, true);
        for (int column = 0; column < cells.size(); ++column)
            core->SetData(node, column, cells[column]);
        return node;
    }
    // A document with awkward texts, a filtered row and both tables filled.
    void FillDocument()
    {
        AddRow(tbTable, {QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QString(), QStringLiteral("2"),
                         QString(), QStringLiteral("=A1")});
        AddRow(tbTable, {QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QString(), QStringLiteral("1"),
                         QString(), QString::fromUtf8("Grüße 日本語 Ελληνικά 😀")});
        TNodeData *hidden = AddRow(tbTable, {QStringLiteral("Position 1"), QStringLiteral("11.03.2024"), QString(),
                                             QStringLiteral("3"), QString(),
                                             QStringLiteral("two\nlines\twith tab ") + QChar(u'\x01') + QStringLiteral("_x0041_")});
        core->SetNodeFiltered(hidden, true);
        AddRow(tbTable, {});
        AddRow(tbExclude, {QStringLiteral("Position 1"), QStringLiteral("06.03.2024"), QString(), QStringLiteral("1"),
                           BoolName(true), QStringLiteral("Urlaub"), QStringLiteral("=SUM(A1:A2)")});
    }
    // The rows as an import gives them back: a text starting with "=" keeps its blank.
    static TTable AsImported(TTable rows)
    {
        for (QStringList &row : rows)
            for (QString &cell : row)
                if (cell.startsWith(u'='))
                    cell.prepend(u' ');
        return rows;
    }
    bool WriteBook(const QString &file, const QList<QPair<QString, TTable>> &sheets)
    {
        platform::TWorkbookWriter writer(file);
        for (const auto &sheet : sheets) {
            writer.AddSheet(sheet.first);
            for (const QStringList &row : sheet.second)
                writer.AppendRow(row);
        }
        return writer.Commit();
    }
    // A workbook with both table sheets as given.
    bool WriteTables(const QString &file, const TTable &tasks, const TTable &absent)
    {
        return WriteBook(file, {{QStringLiteral("ZOP Table"), tasks}, {QStringLiteral("ZOP Table (Absent days)"), absent}});
    }

    QTemporaryDir temp;
    QString book;
};

} // namespace

// Export and import give every row of both tables back, filtered ones included, with "="
// texts behind a blank; clearing and importing is one undo step.
TEST_F(SpreadsheetExchangeTest, ExportImportRoundTripAndUndo)
{
    FillDocument();
    const TTable tasks = Rows(tbTable);
    const TTable absent = Rows(tbExclude);
    TSpreadsheetExchange exchange(*core, *sync);
    ASSERT_TRUE(exchange.Exportieren1Click(book)) << window.questions.join(u'\n').toStdString();
    EXPECT_TRUE(window.questions.isEmpty());

    // The workbook: both tables with their captions, then the information sheet.
    platform::TWorkbookReader reader;
    ASSERT_TRUE(reader.Open(book));
    EXPECT_EQ(reader.SheetNames(), QStringList({QStringLiteral("ZOP Table"), QStringLiteral("ZOP Table (Absent days)"),
                                                QStringLiteral("Dateiinformation")}));
    platform::TSheetData sheet;
    ASSERT_TRUE(reader.ReadSheet(0, 100, sheet));
    EXPECT_EQ(sheet.RowCount, tasks.size() + 1);
    ASSERT_TRUE(reader.ReadSheet(2, 10, sheet));
    ASSERT_EQ(sheet.Cells.size(), 3u);
    EXPECT_TRUE(sheet.Cells[0].Text.startsWith(QStringLiteral("Daten erstellt mit: Velmora")));
    EXPECT_TRUE(sheet.Cells[1].Text.startsWith(QStringLiteral("exportiert am: ")));
    EXPECT_EQ(sheet.Cells[2].Text, QStringLiteral("Dateiname: ") + sync->DirWatchThread()->GetPossibleFileName());

    // Clear and import: the document holds the exported rows again, "=" texts with a blank.
    const std::size_t undoBefore = undo.UndoList().size();
    window.answers = {mrYes};
    ASSERT_TRUE(exchange.ExcelImport1Click(book));
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_TRUE(window.questions[0].startsWith(QStringLiteral("Clear table before import?")));
    EXPECT_EQ(Dump(Rows(tbTable)), Dump(AsImported(tasks)));
    EXPECT_EQ(Dump(Rows(tbExclude)), Dump(AsImported(absent)));
    EXPECT_EQ(Rows(tbTable)[0][5], QStringLiteral(" =A1"));
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    EXPECT_GT(undo.UndoList().size(), undoBefore);

    // One undo takes back the clearing and the import together.
    core->Undo();
    EXPECT_EQ(Dump(Sorted(Rows(tbTable))), Dump(Sorted(tasks)));
    EXPECT_EQ(Dump(Rows(tbExclude)), Dump(absent));
    EXPECT_EQ(undo.UndoList().size(), undoBefore);

    // Without clearing the rows are added behind the present ones.
    window.answers = {mrNo};
    ASSERT_TRUE(exchange.ExcelImport1Click(book));
    const TTable both = Rows(tbTable);
    ASSERT_EQ(both.size(), 2 * tasks.size());
    EXPECT_EQ(Dump(both.mid(tasks.size())), Dump(AsImported(tasks)));
    // Closing the question imports nothing.
    window.answers = {mrCancel};
    EXPECT_FALSE(exchange.ExcelImport1Click(book));
    EXPECT_EQ(Dump(Rows(tbTable)), Dump(both));
}

// Captions are compared without regard to case; another order refuses that sheet only, and
// clearing then spares the refused sheet's table. Empty rows up to the last used one count.
TEST_F(SpreadsheetExchangeTest, CaptionRowsDecideWhatIsImported)
{
    FillDocument();
    const TTable absentBefore = Rows(tbExclude);
    QStringList lower = Captions(tbTable);
    for (QString &caption : lower)
        caption = caption.toLower();
    QStringList reordered = Captions(tbExclude);
    reordered.swapItemsAt(1, 2);
    ASSERT_TRUE(WriteTables(book, {lower + QStringList{QStringLiteral("extra column"), QStringLiteral("ignored")},
                                   {QStringLiteral("P1"), QStringLiteral("01.02.2024")},
                                   {},
                                   {QString(), QString(), QString(), QString(), QString(), QStringLiteral("last")}},
                            {reordered, {QStringLiteral("Position 1"), QStringLiteral("06.03.2024")}}));
    window.answers = {mrOk, mrYes};
    ASSERT_TRUE(TSpreadsheetExchange(*core, *sync).ExcelImport1Click(book));
    ASSERT_EQ(window.questions.size(), 2);
    EXPECT_EQ(window.questions[0], QStringLiteral("Caution, table setup differs.\nTable: ZOP Table (Absent days)\n"
                                                  "expected column Start\nwas column End\n"
                                                  "Hint: Export the current table, insert your data to that table and reimport it."));
    const TTable tasks = Rows(tbTable);
    ASSERT_EQ(tasks.size(), 3);
    EXPECT_EQ(tasks[0].mid(0, 2), QStringList({QStringLiteral("P1"), QStringLiteral("01.02.2024")}));
    EXPECT_EQ(tasks[1].join(QString()), QString());
    EXPECT_EQ(tasks[2][5], QStringLiteral("last"));
    EXPECT_EQ(Dump(Rows(tbExclude)), Dump(absentBefore));

    // Both sheets refused: nothing is asked and nothing changes.
    window.questions.clear();
    window.answers = {mrOk, mrOk};
    ASSERT_TRUE(WriteTables(book, {{QStringLiteral("Start")}}, {reordered}));
    EXPECT_FALSE(TSpreadsheetExchange(*core, *sync).ExcelImport1Click(book));
    EXPECT_EQ(window.questions.size(), 2);
    EXPECT_EQ(Dump(Rows(tbTable)), Dump(tasks));
}

// A workbook that cannot be read whole changes nothing and asks nothing.
TEST_F(SpreadsheetExchangeTest, UnreadableWorkbooksLeaveTheDocumentUntouched)
{
    FillDocument();
    const TTable tasks = Rows(tbTable);
    const TTable absent = Rows(tbExclude);
    const std::size_t undoBefore = undo.UndoList().size();
    const auto untouched = [&](const char *what) {
        EXPECT_EQ(Dump(Rows(tbTable)), Dump(tasks)) << what;
        EXPECT_EQ(Dump(Rows(tbExclude)), Dump(absent)) << what;
        EXPECT_EQ(undo.UndoList().size(), undoBefore) << what;
        ASSERT_EQ(window.questions.size(), 1) << what;
        window.questions.clear();
        window.answers = {mrOk};
    };
    TSpreadsheetExchange exchange(*core, *sync);
    window.answers = {mrOk};

    // A missing sheet is named; the sheet that is there is still offered (here without rows).
    ASSERT_TRUE(WriteBook(book, {{QStringLiteral("ZOP Table"), {Captions(tbTable)}}}));
    window.answers = {mrOk, mrNo};
    EXPECT_TRUE(exchange.ExcelImport1Click(book));
    ASSERT_EQ(window.questions.size(), 2);
    EXPECT_EQ(window.questions[0], QStringLiteral("Sheet ZOP Table (Absent days) not found."));
    EXPECT_TRUE(window.questions[1].startsWith(QStringLiteral("Clear table before import?")));
    EXPECT_EQ(Dump(Rows(tbTable)), Dump(tasks));
    EXPECT_EQ(Dump(Rows(tbExclude)), Dump(absent));
    window.questions.clear();
    window.answers = {mrOk};

    ASSERT_TRUE(exchange.Exportieren1Click(book));
    const QByteArray good = testsupport::readFile(book);
    ASSERT_TRUE(testsupport::writeFile(book, good.left(good.size() * 2 / 3)));
    EXPECT_FALSE(exchange.ExcelImport1Click(book));
    EXPECT_TRUE(window.questions.value(0).startsWith(QStringLiteral("Error during import:\n")));
    untouched("damaged");

    ASSERT_TRUE(testsupport::writeFile(book, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1024, '\0')));
    EXPECT_FALSE(exchange.ExcelImport1Click(book));
    EXPECT_TRUE(window.questions.value(0).contains(QStringLiteral("(.xls)")));
    untouched("old format");

    ASSERT_TRUE(testsupport::writeFile(book, good));
    exchange.SetMaxPartSize(512);
    EXPECT_FALSE(exchange.ExcelImport1Click(book));
    EXPECT_TRUE(window.questions.value(0).contains(QStringLiteral("more than")));
    untouched("oversize");
}

// Cells a workbook cannot hold refuse the export with the place named; nothing is written.
TEST_F(SpreadsheetExchangeTest, ExportRefusesCellsTooLong)
{
    FillDocument();
    AddRow(tbExclude, {QStringLiteral("Position 1"), QString(), QString(), QString(), QString(), QString(),
                       QString(platform::WorkbookMaxCellLength, u'x')});
    // With the blank in front, "=" plus 32766 characters is one too many.
    AddRow(tbTable, {QStringLiteral("=") + QString(platform::WorkbookMaxCellLength - 1, u'y')});
    window.answers = {mrOk};
    EXPECT_FALSE(TSpreadsheetExchange(*core, *sync).Exportieren1Click(book));
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_EQ(window.questions[0], QStringLiteral("Error during export:\nTable ZOP Table, row 6, column Position: "
                                                  "32768 characters; a cell holds at most 32767."));
    EXPECT_FALSE(QFileInfo::exists(book));
}

TEST_F(SpreadsheetExchangeTest, CellTextsOfNumbersAndDates)
{
    platform::TSheetCell cell;
    cell.Kind = platform::skNumber;
    cell.Value = 2.5;
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("2.5"));
    cell.Value = 45000;
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("45000"));
    cell.Value = 0.1 + 0.2;
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("0.3"));
    cell.Kind = platform::skDate;
    cell.Value = EncodeDate(2024, 3, 4);
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("04.03.2024"));
    cell.Value = EncodeDateTime(2024, 3, 4, 9, 30, 0, 0);
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("04.03.2024 09:30"));
    cell.Value = EncodeTime(14, 15, 0, 0);
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("14:15"));
    cell.Kind = platform::skBoolean;
    cell.Text = QStringLiteral("TRUE");
    EXPECT_EQ(TSpreadsheetExchange::CellText(cell), QStringLiteral("TRUE"));
}

// The exported workbook opens in a real spreadsheet program (LibreOffice Calc, when it is
// installed): converted to CSV there, every sheet gives the cells back.
TEST_F(SpreadsheetExchangeTest, ExportOpensInLibreOffice)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    AddRow(tbTable, {QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QString(), QStringLiteral("2"),
                     QString(), QStringLiteral("=A1")});
    AddRow(tbTable, {QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QString(), QStringLiteral("1"),
                     QString(), QString::fromUtf8("Grüße; 日本語 \"quoted\"\nsecond line")});
    AddRow(tbExclude, {QStringLiteral("Position 1"), QStringLiteral("06.03.2024"), QString(), QStringLiteral("1"),
                       BoolName(true), QStringLiteral("Urlaub"), QStringLiteral("_x0041_")});
    ASSERT_TRUE(TSpreadsheetExchange(*core, *sync).Exportieren1Click(book));

    const QString out = temp.filePath(QStringLiteral("csv"));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Its own profile, so that no user setting and no running instance takes part; every
    // sheet into a file of its own, ";"-separated, UTF-8.
    process.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + temp.filePath(QStringLiteral("profile")),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                            QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76,1,,0,false,true,false,false,false,-1"),
                            QStringLiteral("--outdir"), out, book});
    ASSERT_TRUE(process.waitForFinished(180000)) << "soffice did not finish";
    ASSERT_EQ(process.exitCode(), 0) << process.readAll().constData();

    const auto sheet = [&](const QString &name) {
        TCSVData csv;
        csv.LoadFromText(QStringDecoder(QStringDecoder::Utf8)(testsupport::readFile(
            QDir(out).filePath(QFileInfo(book).completeBaseName() + QLatin1Char('-') + name + QStringLiteral(".csv")))));
        TTable rows;
        for (int row = 0; row < csv.Rows(); ++row) {
            QStringList cells;
            for (int column = 0; column < csv.GetCols(); ++column)
                cells.append(csv.Cell(column, row).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            rows.append(cells);
        }
        return rows;
    };
    const TTable tasks = sheet(QStringLiteral("ZOP Table"));
    ASSERT_EQ(tasks.size(), 3);
    EXPECT_EQ(Dump(tasks.mid(0, 1)), Dump({Captions(tbTable)}));
    EXPECT_EQ(Dump(tasks.mid(1)), Dump(AsImported(Rows(tbTable))));
    const TTable absent = sheet(QStringLiteral("ZOP Table (Absent days)"));
    ASSERT_EQ(absent.size(), 2);
    EXPECT_EQ(Dump(absent), Dump(TTable{Captions(tbExclude)} + Rows(tbExclude)));
    const TTable info = sheet(QStringLiteral("Dateiinformation"));
    ASSERT_EQ(info.size(), 3);
    EXPECT_TRUE(info[0].value(0).startsWith(QStringLiteral("Daten erstellt mit: ")));
}
