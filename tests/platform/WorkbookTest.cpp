#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "DateTime.h"
#include "common/TestSupport.h"
#include "Workbook.h"
#include "WorkbookReader.h"
#include "WorkbookWriter.h"
#include "ZipTestSupport.h"

using namespace platform;

namespace {

// The cells of a read sheet as a grid of texts (rows x columns, empty where none).
QList<QStringList> grid(const TSheetData &sheet)
{
    QList<QStringList> rows(sheet.RowCount);
    for (const TSheetCell &cell : sheet.Cells) {
        QStringList &row = rows[cell.Row];
        while (row.size() <= cell.Column)
            row.append(QString());
        row[cell.Column] = cell.Text;
    }
    return rows;
}

const TSheetCell *cellAt(const TSheetData &sheet, int row, int column)
{
    for (const TSheetCell &cell : sheet.Cells)
        if (cell.Row == row && cell.Column == column)
            return &cell;
    return nullptr;
}

// A minimal package as other programs write it, with the given sheet and extra parts.
testsupport::TZipParts package(const QByteArray &sheet, const QByteArray &sharedStrings = {},
                               const QByteArray &styles = {}, const QByteArray &workbookPr = {})
{
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    testsupport::TZipParts parts;
    parts.append({QStringLiteral("_rels/.rels"),
                  "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"xl/workbook.xml\"/></Relationships>"});
    parts.append({QStringLiteral("xl/workbook.xml"),
                  "<?xml version=\"1.0\"?><workbook " + ns + ">" + workbookPr
                      + "<sheets><sheet name=\"Data &amp; more\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"});
    QByteArray rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                      "Target=\"/xl/worksheets/../worksheets/sheet1.xml\"/>";
    if (!sharedStrings.isEmpty()) {
        rels += "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                "Target=\"sharedStrings.xml\"/>";
        parts.append({QStringLiteral("xl/sharedStrings.xml"), sharedStrings});
    }
    if (!styles.isEmpty()) {
        rels += "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                "Target=\"styles.xml\"/>";
        parts.append({QStringLiteral("xl/styles.xml"), styles});
    }
    parts.append({QStringLiteral("xl/_rels/workbook.xml.rels"), rels + "</Relationships>"});
    parts.append({QStringLiteral("xl/worksheets/sheet1.xml"),
                  "<?xml version=\"1.0\"?><worksheet " + ns + "><sheetData>" + sheet + "</sheetData></worksheet>"});
    return parts;
}

class WorkbookTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString &name) const { return dir.filePath(name); }
    // The files of the folder, hidden ones included.
    QStringList files() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    bool writeBook(const QString &file, const QList<QPair<QString, QList<QStringList>>> &sheets, QString *error = nullptr)
    {
        TWorkbookWriter book(file);
        for (const auto &sheet : sheets) {
            book.AddSheet(sheet.first);
            for (const QStringList &row : sheet.second)
                book.AppendRow(row);
        }
        const bool ok = book.Commit();
        if (error)
            *error = book.ErrorString();
        return ok;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(WorkbookNamesTest, SheetNamesAreSanitisedAndUnique)
{
    EXPECT_EQ(SanitizeSheetName(QStringLiteral("ZOP Table (Absent days)")), QStringLiteral("ZOP Table (Absent days)"));
    EXPECT_EQ(SanitizeSheetName(QStringLiteral("a[b]c:d*e?f/g\\h")), QStringLiteral("a_b_c_d_e_f_g_h"));
    EXPECT_EQ(SanitizeSheetName(QStringLiteral("''quoted''")), QStringLiteral("quoted"));
    EXPECT_EQ(SanitizeSheetName(QStringLiteral("tab\there")), QStringLiteral("tab_here"));
    EXPECT_EQ(SanitizeSheetName(QString()), QStringLiteral("Sheet"));
    EXPECT_EQ(SanitizeSheetName(QStringLiteral("'''")), QStringLiteral("Sheet"));
    const QString longName = QStringLiteral("Tabelle der abwesenden Mitarbeiterinnen");
    EXPECT_EQ(SanitizeSheetName(longName), longName.left(31));
    // A character outside the basic plane is never cut in half.
    const QString emoji = QString(30, u'x') + QString::fromUtf8("😀");
    EXPECT_EQ(SanitizeSheetName(emoji), QString(30, u'x'));

    const QStringList names = SanitizeSheetNames({QStringLiteral("Plan"), QStringLiteral("plan"), QStringLiteral("PLAN"),
                                                  longName, longName + QStringLiteral("!")});
    EXPECT_EQ(names, QStringList({QStringLiteral("Plan"), QStringLiteral("plan (2)"), QStringLiteral("PLAN (3)"),
                                  longName.left(31), longName.left(27) + QStringLiteral(" (2)")}));
    for (const QString &name : names)
        EXPECT_LE(name.size(), WorkbookMaxSheetNameLength);
}

// Everything a cell can hold comes back exactly, in every sheet, in order.
TEST_F(WorkbookTest, TextCellsRoundTrip)
{
    const QString tricky[] = {
        QStringLiteral("=A1"),
        QString::fromUtf8("Grüße, Ελληνικά, 日本語, עברית, 😀"),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("line 1\r\nline 2\nline 3\rline 4"),
        QStringLiteral("tab\there"),
        QString(u'\x01') + QStringLiteral("bell") + QChar(u'\x07') + QChar(u'\x1F'),
        QStringLiteral("_x0041_ stays _X00e4_ and _x005F_ too"),
        QStringLiteral("<tag attr=\"v\"> & 'q'"),
        QString(QChar(0xD800)) + QStringLiteral("half") + QChar(0xFFFF),
        QString(WorkbookMaxCellLength, u'w'),
    };
    QList<QStringList> rows = {{QStringLiteral("Caption A"), QStringLiteral("Caption B")}};
    for (const QString &text : tricky)
        rows.append({text, QString(), text});
    rows.append(QStringList());
    rows.append({QString(), QString(), QStringLiteral("last")});
    const QString file = path(QStringLiteral("book.xlsx"));
    QString error;
    ASSERT_TRUE(writeBook(file, {{QStringLiteral("First"), rows}, {QStringLiteral("Second"), {{QStringLiteral("x")}}},
                                 {QStringLiteral("Empty"), {}}}, &error))
        << error.toStdString();
    EXPECT_EQ(files(), QStringList{QStringLiteral("book.xlsx")}); // no temporary file left

    TWorkbookReader reader;
    ASSERT_TRUE(reader.Open(file)) << reader.ErrorString().toStdString();
    EXPECT_EQ(reader.SheetNames(), QStringList({QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Empty")}));
    EXPECT_EQ(reader.IndexOfSheet(QStringLiteral("second")), 1);
    EXPECT_EQ(reader.IndexOfSheet(QStringLiteral("Third")), -1);
    TSheetData sheet;
    ASSERT_TRUE(reader.ReadSheet(0, 100, sheet)) << reader.ErrorString().toStdString();
    const QList<QStringList> back = grid(sheet);
    ASSERT_EQ(back.size(), rows.size());
    EXPECT_EQ(back.first(), rows.first());
    for (int i = 0; i < int(std::size(tricky)); ++i) {
        // Line ends other than LF travel escaped, so they come back as they were.
        EXPECT_EQ(back[i + 1].value(0), tricky[i]) << i;
        EXPECT_EQ(back[i + 1].value(2), tricky[i]) << i;
        EXPECT_TRUE(back[i + 1].value(1).isEmpty());
    }
    EXPECT_TRUE(back[rows.size() - 2].isEmpty());
    EXPECT_EQ(back.last().value(2), QStringLiteral("last"));
    for (const TSheetCell &cell : sheet.Cells)
        EXPECT_EQ(cell.Kind, skText);

    // Columns beyond the limit count for the rows but are not kept.
    ASSERT_TRUE(reader.ReadSheet(0, 1, sheet));
    EXPECT_EQ(sheet.RowCount, rows.size());
    for (const TSheetCell &cell : sheet.Cells)
        EXPECT_EQ(cell.Column, 0);
    ASSERT_TRUE(reader.ReadSheet(2, 100, sheet));
    EXPECT_EQ(sheet.RowCount, 0);
    EXPECT_TRUE(sheet.Cells.empty());
    EXPECT_FALSE(reader.ReadSheet(3, 100, sheet));
}

// A workbook that cannot be written whole is not written at all, and the previous file stays.
TEST_F(WorkbookTest, FailedWritesLeaveThePreviousFile)
{
    const QString file = path(QStringLiteral("book.xlsx"));
    ASSERT_TRUE(testsupport::writeFile(file, "previous"));

    QString error;
    EXPECT_FALSE(writeBook(file, {{QStringLiteral("S"), {{QString(WorkbookMaxCellLength + 1, u'x')}}}}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("32767"))) << error.toStdString();
    EXPECT_FALSE(writeBook(file, {{QStringLiteral("S"), {QStringList(WorkbookMaxColumns + 1, QStringLiteral("c"))}}}, &error));
    EXPECT_FALSE(writeBook(file, {{QStringLiteral("bad[name]"), {{QStringLiteral("c")}}}}, &error));
    EXPECT_FALSE(writeBook(file, {{QStringLiteral("Same"), {}}, {QStringLiteral("same"), {}}}, &error));
    {
        TWorkbookWriter book(file);
        EXPECT_FALSE(book.AppendRow({QStringLiteral("no sheet yet")}));
        EXPECT_FALSE(book.Commit());
    }
    {
        // The row after the last one a sheet holds.
        TWorkbookWriter book(file);
        ASSERT_TRUE(book.AddSheet(QStringLiteral("Full")));
        for (int row = 0; row < WorkbookMaxRows; ++row)
            ASSERT_TRUE(book.AppendRow({}));
        EXPECT_FALSE(book.AppendRow({QStringLiteral("one too many")}));
        EXPECT_TRUE(book.ErrorString().contains(QStringLiteral("1048576")));
        EXPECT_FALSE(book.Commit());
    }
    EXPECT_EQ(testsupport::readFile(file), QByteArray("previous"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("book.xlsx")});

    EXPECT_FALSE(writeBook(path(QStringLiteral("missing/book.xlsx")), {{QStringLiteral("S"), {{QStringLiteral("c")}}}}, &error));
    EXPECT_FALSE(writeBook(dir.path(), {{QStringLiteral("S"), {{QStringLiteral("c")}}}}, &error));

    // A good write replaces the file and keeps its rights.
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    ASSERT_TRUE(writeBook(file, {{QStringLiteral("S"), {{QStringLiteral("new")}}}}, &error)) << error.toStdString();
    const int ownerGroupOther = 0x7077;
    EXPECT_EQ(int(QFile::permissions(file)) & ownerGroupOther,
              int(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    TWorkbookReader reader;
    TSheetData sheet;
    ASSERT_TRUE(reader.Open(file));
    ASSERT_TRUE(reader.ReadSheet(0, 10, sheet));
    EXPECT_EQ(grid(sheet), QList<QStringList>{{QStringLiteral("new")}});
}

// Workbooks of spreadsheet programs: shared texts with runs and phonetic hints, inline texts,
// numbers, dates by built-in and own formats, flags, errors, formula results, prefixes,
// cells and rows without references.
TEST_F(WorkbookTest, ReadsForeignWorkbooks)
{
    const QByteArray shared = "<sst xmlns=\"x\" count=\"3\" uniqueCount=\"3\">"
                              "<si><t>plain</t></si>"
                              "<si><r><rPr><b/></rPr><t>bo</t></r><r><t xml:space=\"preserve\">ld </t></r><rPh sb=\"0\" eb=\"1\"><t>HINT</t></rPh></si>"
                              "<si><t>esc_x000D__x000A_aped</t></si></sst>";
    const QByteArray styles = "<styleSheet><numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/>"
                              "<numFmt numFmtId=\"165\" formatCode=\"&quot;day&quot;\\ 0.00;[Red]0\"/></numFmts>"
                              "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
                              "<cellXfs count=\"4\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/></cellXfs>"
                              "</styleSheet>";
    const QByteArray sheet = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c></row>"
                             "<row r=\"3\"><c t=\"inlineStr\"><is><t>in&amp;line</t></is></c><c><v>42</v></c><c s=\"3\"><v>-1.5E3</v></c>"
                             "<c s=\"1\"><v>45352</v></c><c s=\"2\"><v>45352.75</v></c><c t=\"b\"><v>1</v></c><c t=\"e\"><v>#N/A</v></c>"
                             "<c t=\"str\"><f>A1&amp;\"x\"</f><v>plainx</v></c><c s=\"2\"/><c t=\"d\"><v>2024-03-01T18:00:00</v></c></row>"
                             "<row><c r=\"E4\"><v>0.1</v></c></row>"
                             "<row r=\"9\"><c r=\"A9\" s=\"1\"/></row>";
    const QString file = path(QStringLiteral("foreign.xlsx"));
    ASSERT_TRUE(testsupport::writeZip(file, package(sheet, shared, styles)));

    TWorkbookReader reader;
    ASSERT_TRUE(reader.Open(file)) << reader.ErrorString().toStdString();
    EXPECT_EQ(reader.SheetNames(), QStringList{QStringLiteral("Data & more")});
    TSheetData data;
    ASSERT_TRUE(reader.ReadSheet(0, 100, data)) << reader.ErrorString().toStdString();
    EXPECT_EQ(data.RowCount, 9); // the styled empty cell in row 9 is used
    const QList<QStringList> rows = grid(data);
    EXPECT_EQ(rows[0], QStringList({QStringLiteral("plain"), QStringLiteral("bold "), QStringLiteral("esc\r\naped")}));
    EXPECT_TRUE(rows[1].isEmpty());
    EXPECT_EQ(rows[2].value(0), QStringLiteral("in&line"));
    const TSheetCell *number = cellAt(data, 2, 1);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->Kind, skNumber);
    EXPECT_EQ(number->Value, 42);
    EXPECT_EQ(cellAt(data, 2, 2)->Kind, skNumber); // a number format, not a date one
    EXPECT_EQ(cellAt(data, 2, 2)->Value, -1500);
    EXPECT_EQ(cellAt(data, 2, 3)->Kind, skDate);
    EXPECT_EQ(cellAt(data, 2, 3)->Value, EncodeDate(2024, 3, 1));
    EXPECT_EQ(cellAt(data, 2, 4)->Kind, skDate);
    EXPECT_EQ(cellAt(data, 2, 4)->Value, EncodeDateTime(2024, 3, 1, 18, 0, 0, 0));
    EXPECT_EQ(cellAt(data, 2, 5)->Kind, skBoolean);
    EXPECT_EQ(cellAt(data, 2, 5)->Text, QStringLiteral("TRUE"));
    EXPECT_EQ(cellAt(data, 2, 6)->Kind, skError);
    EXPECT_EQ(cellAt(data, 2, 6)->Text, QStringLiteral("#N/A"));
    EXPECT_EQ(cellAt(data, 2, 7)->Text, QStringLiteral("plainx"));
    EXPECT_EQ(cellAt(data, 2, 8), nullptr); // no value
    EXPECT_EQ(cellAt(data, 2, 9)->Kind, skDate);
    EXPECT_EQ(cellAt(data, 2, 9)->Value, EncodeDateTime(2024, 3, 1, 18, 0, 0, 0));
    EXPECT_EQ(cellAt(data, 3, 4)->Text, QStringLiteral("0.1"));

    // The 1904 date system and the days before March 1900.
    ASSERT_TRUE(testsupport::writeZip(file, package("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c></row>", {}, styles,
                                                    "<workbookPr date1904=\"1\"/>")));
    ASSERT_TRUE(reader.Open(file));
    ASSERT_TRUE(reader.ReadSheet(0, 10, data));
    EXPECT_EQ(cellAt(data, 0, 0)->Value, EncodeDate(1904, 1, 1));
    ASSERT_TRUE(testsupport::writeZip(file, package("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c><c r=\"B1\" s=\"1\"><v>61</v></c></row>",
                                                    {}, styles)));
    ASSERT_TRUE(reader.Open(file));
    ASSERT_TRUE(reader.ReadSheet(0, 10, data));
    EXPECT_EQ(cellAt(data, 0, 0)->Value, EncodeDate(1900, 1, 1));
    EXPECT_EQ(cellAt(data, 0, 1)->Value, EncodeDate(1900, 3, 1));
}

// Nothing a damaged or hostile file holds gets past the checks, and a failed sheet gives no
// half of its cells.
TEST_F(WorkbookTest, RefusesDamagedWorkbooks)
{
    const QString file = path(QStringLiteral("bad.xlsx"));
    TWorkbookReader reader;
    TSheetData data;
    const auto sheetFails = [&](const QByteArray &sheet, const QByteArray &shared, const char *expected) {
        ASSERT_TRUE(testsupport::writeZip(file, package(sheet, shared)));
        ASSERT_TRUE(reader.Open(file)) << reader.ErrorString().toStdString();
        EXPECT_FALSE(reader.ReadSheet(0, 100, data)) << sheet.constData();
        EXPECT_TRUE(reader.ErrorString().contains(QLatin1String(expected))) << reader.ErrorString().toStdString();
        EXPECT_TRUE(data.Cells.empty());
        EXPECT_EQ(data.RowCount, 0);
    };
    const QByteArray oneShared = "<sst><si><t>only</t></si></sst>";
    sheetFails("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>", oneShared, "shared text 1");
    sheetFails("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>-1</v></c></row>", oneShared, "shared text");
    sheetFails("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>99999999999999999999</v></c></row>", oneShared, "shared text");
    sheetFails("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>", {}, "XFE1");
    sheetFails("<row r=\"1\"><c r=\"A1048577\"><v>1</v></c></row>", {}, "A1048577");
    sheetFails("<row r=\"1\"><c r=\"A0\"><v>1</v></c></row>", {}, "A0");
    sheetFails("<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>", {}, "1A");
    sheetFails("<row r=\"2000000\"><c><v>1</v></c></row>", {}, "2000000");
    sheetFails("<row r=\"1\"><c r=\"A1\"><v>1</v></row>", {}, "does not match");
    sheetFails("<row r=\"1\"><c r=\"A1\"><v>&bad;</v></c></row>", {}, "reference");

    // A part larger than the reader accepts is refused before it is read.
    ASSERT_TRUE(testsupport::writeZip(file, package("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + QByteArray(5000, 'z')
                                                    + "</t></is></c></row>")));
    TWorkbookReader small(4096);
    ASSERT_TRUE(small.Open(file)) << small.ErrorString().toStdString();
    EXPECT_FALSE(small.ReadSheet(0, 10, data));
    EXPECT_TRUE(small.ErrorString().contains(QLatin1String("more than"))) << small.ErrorString().toStdString();
    EXPECT_EQ(TWorkbookReader::DefaultMaxPartSize, qint64(256) * 1024 * 1024);

    // Old binary workbooks, other files, missing parts.
    ASSERT_TRUE(testsupport::writeFile(file, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0')));
    EXPECT_FALSE(reader.Open(file));
    EXPECT_TRUE(reader.IsOldFormat());
    ASSERT_TRUE(testsupport::writeFile(file, "Name;Start\nA;B\n"));
    EXPECT_FALSE(reader.Open(file));
    EXPECT_FALSE(reader.IsOldFormat());
    EXPECT_FALSE(reader.ErrorString().isEmpty());
    EXPECT_FALSE(reader.Open(path(QStringLiteral("none.xlsx"))));
    testsupport::TZipParts parts = package("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    parts.removeIf([](const auto &part) { return part.first == QLatin1String("xl/workbook.xml"); });
    ASSERT_TRUE(testsupport::writeZip(file, parts));
    EXPECT_FALSE(reader.Open(file));
    EXPECT_TRUE(reader.ErrorString().contains(QLatin1String("xl/workbook.xml")));
}

// Cut or scrambled files fail with a message or read as something, but never crash or hang.
TEST_F(WorkbookTest, TruncatedAndScrambledFilesAreSafe)
{
    const QString good = path(QStringLiteral("good.xlsx"));
    QList<QStringList> rows;
    for (int i = 0; i < 50; ++i)
        rows.append({QStringLiteral("row %1").arg(i), QStringLiteral("x")});
    ASSERT_TRUE(writeBook(good, {{QStringLiteral("S"), rows}}));
    const QByteArray bytes = testsupport::readFile(good);
    const QString bad = path(QStringLiteral("bad.xlsx"));
    int refused = 0;
    for (int step = 1; step < 40; ++step) {
        QByteArray damaged = bytes;
        if (step % 2)
            damaged.truncate(damaged.size() * step / 40);
        else
            for (qsizetype i = step * 37; i < damaged.size(); i += 97)
                damaged[i] = char(damaged[i] ^ 0x5A);
        ASSERT_TRUE(testsupport::writeFile(bad, damaged));
        TWorkbookReader reader;
        TSheetData data;
        if (!reader.Open(bad) || !reader.ReadSheet(0, 10, data)) {
            ++refused;
            EXPECT_FALSE(reader.ErrorString().isEmpty());
        }
    }
    EXPECT_GT(refused, 30);
}
