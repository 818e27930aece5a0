#include <gtest/gtest.h>

#include "CSVData.h"
#include "Cp1252.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

// A customer list as a spreadsheet program saves it with ";" as separator: quotes only where
// a field holds the separator, a quote or a line break (LF inside the cell), CR LF per row.
const QString kCustomers = QStringLiteral(
    "Kunde;Straße;Ort;Bemerkung\r\n"
    "Müller GmbH;\"Hauptstr. 1; Hof\";Köln;\"sagt \"\"hallo\"\"\"\r\n"
    "Bäckerei Groß;Am Markt 3;Düsseldorf;\"Lieferung bis 7 Uhr\nSamstag geschlossen\"\r\n"
    "\"Weber & Söhne\";;Münster;Preis 5 €\r\n"
    "Kurz;Weg 2\r\n");

class CSVFileTest : public ::testing::Test
{
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = QDir(dir.path()).filePath(name);
        EXPECT_TRUE(testsupport::writeFile(path, bytes));
        return path;
    }

    void expectCustomers(const TCSVData &csv)
    {
        ASSERT_EQ(csv.Rows(), 5);
        ASSERT_EQ(csv.GetCols(), 4);
        EXPECT_EQ(csv.Cell(0, 0), QStringLiteral("Kunde"));
        EXPECT_EQ(csv.Cell(1, 0), QStringLiteral("Straße"));
        EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("Hauptstr. 1; Hof"));
        EXPECT_EQ(csv.Cell(3, 1), QStringLiteral("sagt \"hallo\""));
        EXPECT_EQ(csv.Cell(0, 2), QStringLiteral("Bäckerei Groß"));
        EXPECT_EQ(csv.Cell(3, 2), QStringLiteral("Lieferung bis 7 Uhr\r\nSamstag geschlossen"));
        EXPECT_EQ(csv.Cell(0, 3), QStringLiteral("Weber & Söhne"));
        EXPECT_EQ(csv.Cell(1, 3), QString());
        EXPECT_EQ(csv.Cell(3, 3), QStringLiteral("Preis 5 €"));
        // The short last row is padded.
        EXPECT_EQ(csv.Cell(1, 4), QStringLiteral("Weg 2"));
        EXPECT_EQ(csv.Cell(2, 4), QString());
        EXPECT_EQ(csv.Cell(3, 4), QString());
        // The first caption carries no byte order mark.
        EXPECT_EQ(csv.FindCol(QStringLiteral("kunde")), 0);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CSVFileTest, ReadsWindows1252AndUtf8WithBom)
{
    const QByteArray ansi = platform::toCp1252(kCustomers);
    ASSERT_TRUE(ansi.contains('\x80')); // the euro sign as Windows-1252 writes it
    TCSVData fromAnsi;
    fromAnsi.LoadFromFile(write(QStringLiteral("kunden.autofill"), ansi));
    expectCustomers(fromAnsi);

    TCSVData fromUtf8;
    fromUtf8.LoadFromFile(write(QStringLiteral("kunden-utf8.csv"), "\xEF\xBB\xBF" + kCustomers.toUtf8()));
    expectCustomers(fromUtf8);

    QByteArray utf16("\xFF\xFE");
    for (const QChar c : kCustomers) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    TCSVData fromUtf16;
    fromUtf16.LoadFromFile(write(QStringLiteral("kunden-utf16.csv"), utf16));
    expectCustomers(fromUtf16);
}

TEST_F(CSVFileTest, LineEndsAreAllAlike)
{
    QString lf = kCustomers;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString cr = lf;
    cr.replace(u'\n', u'\r');
    QString mixed = kCustomers;
    mixed.replace(QStringLiteral("Hof\";Köln;\"sagt \"\"hallo\"\"\"\r\n"),
                  QStringLiteral("Hof\";Köln;\"sagt \"\"hallo\"\"\"\r"));
    for (const QString &text : {lf, cr, mixed}) {
        TCSVData csv;
        csv.LoadFromData(platform::toCp1252(text));
        expectCustomers(csv);
    }
    // A line break inside quotes is one CR LF whatever the file used.
    TCSVData csv;
    csv.LoadFromText(QStringLiteral("a\n\"1\r2\";\"3\r\n4\";\"5\n6\"\n"));
    ASSERT_EQ(csv.Rows(), 2);
    EXPECT_EQ(csv.Cell(0, 1), QStringLiteral("1\r\n2"));
    EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("3\r\n4"));
    EXPECT_EQ(csv.Cell(2, 1), QStringLiteral("5\r\n6"));
}

TEST(CSVData, QuotingRules)
{
    TCSVData csv;
    csv.LoadFromText(QStringLiteral("x;y;z\r\na;\"b;c\";\"d\"\"e\"\r\n\"\";\"\"\"\"\r\nbare\"q;r\"s;t\r\n"));
    ASSERT_EQ(csv.Rows(), 4);
    EXPECT_EQ(csv.Cell(0, 1), QStringLiteral("a"));
    EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("b;c"));
    EXPECT_EQ(csv.Cell(2, 1), QStringLiteral("d\"e"));
    EXPECT_EQ(csv.Cell(0, 2), QString());
    EXPECT_EQ(csv.Cell(1, 2), QStringLiteral("\""));
    // A quote inside a bare field starts quoting there.
    EXPECT_EQ(csv.Cell(0, 3), QStringLiteral("bareq;rs"));
    EXPECT_EQ(csv.Cell(1, 3), QStringLiteral("t"));

    // Another delimiter and quote character.
    TCSVData tabs;
    tabs.SetDelim(u'\t');
    tabs.SetQuote(u'\'');
    tabs.LoadFromText(QStringLiteral("a\t'b\tc'\t'it''s'\n"));
    ASSERT_EQ(tabs.GetCols(), 3);
    EXPECT_EQ(tabs.Cell(1, 0), QStringLiteral("b\tc"));
    EXPECT_EQ(tabs.Cell(2, 0), QStringLiteral("it's"));
}

TEST(CSVData, KeepsTheLastRowOfAnUnfinishedFile)
{
    TCSVData csv;
    csv.LoadFromText(QStringLiteral("Name;Notiz\r\nA;eins\r\nB;\"offen\r\nbis zum Ende\r\n"));
    ASSERT_EQ(csv.Rows(), 3);
    EXPECT_EQ(csv.Cell(0, 2), QStringLiteral("B"));
    EXPECT_EQ(csv.Cell(1, 2), QStringLiteral("offen\r\nbis zum Ende"));

    // Without any final line break, quoted or not.
    csv.LoadFromText(QStringLiteral("Name;Notiz\nA;\"eins"));
    ASSERT_EQ(csv.Rows(), 2);
    EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("eins"));
    csv.LoadFromText(QStringLiteral("Name;Notiz\nA;zwei"));
    ASSERT_EQ(csv.Rows(), 2);
    EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("zwei"));

    // A final line break adds no row; an empty line inside keeps its (empty) row.
    csv.LoadFromText(QStringLiteral("h1;h2\r\n\r\nv1;v2\r\n"));
    ASSERT_EQ(csv.Rows(), 3);
    EXPECT_EQ(csv.Cell(0, 1), QString());
    EXPECT_EQ(csv.Cell(1, 2), QStringLiteral("v2"));

    csv.LoadFromData(QByteArray());
    EXPECT_EQ(csv.Rows(), 0);
    EXPECT_EQ(csv.GetCols(), 0);
    csv.LoadFromData(QByteArray("\xEF\xBB\xBF"));
    EXPECT_EQ(csv.Rows(), 0);
    EXPECT_EQ(csv.FindCol(QStringLiteral("x")), -1);
}

TEST(CSVData, LookupsOfTheAutofillFile)
{
    TCSVData csv;
    csv.LoadFromText(QStringLiteral("Auftrag;Kunde;Ort\r\n"
                                    "A-100;Müller;Köln\r\n"
                                    "A-101;Schmidt;Bonn\r\n"
                                    "B-200;MÜLLER;Aachen\r\n"
                                    "B-201;Meyer;\r\n"
                                    "C-300;;\r\n"));
    EXPECT_EQ(csv.FindCol(QStringLiteral("KUNDE")), 1);
    EXPECT_EQ(csv.FindCol(QStringLiteral("ort")), 2);
    EXPECT_EQ(csv.FindCol(QStringLiteral("Kunden")), -1);

    EXPECT_EQ(csv.FindRow(1, QStringLiteral("müller")), 1); // the first of two
    EXPECT_EQ(csv.FindRow(0, QStringLiteral("b-201")), 4);
    EXPECT_EQ(csv.FindRow(0, QStringLiteral("Auftrag")), -1); // captions are no data
    EXPECT_EQ(csv.FindRow(7, QStringLiteral("A-100")), -1);
    EXPECT_EQ(csv.FindRow(-1, QStringLiteral("A-100")), -1);

    bool ambiguous = true;
    EXPECT_EQ(csv.FindRowRelaxed(0, QStringLiteral("a-10"), ambiguous), 2); // the last match
    EXPECT_TRUE(ambiguous);
    EXPECT_EQ(csv.FindRowRelaxed(1, QStringLiteral("chm"), ambiguous), 2);
    EXPECT_FALSE(ambiguous);
    EXPECT_EQ(csv.FindRowRelaxed(1, QStringLiteral("üll"), ambiguous), 3);
    EXPECT_TRUE(ambiguous);
    EXPECT_EQ(csv.FindRowRelaxed(1, QStringLiteral("Schulz"), ambiguous), -1);
    EXPECT_FALSE(ambiguous);
    EXPECT_EQ(csv.FindRowRelaxed(9, QStringLiteral("x"), ambiguous), -1);

    EXPECT_TRUE(csv.HasUniqueRows(0));
    EXPECT_TRUE(csv.HasUniqueRows(1)); // exact comparison: Müller and MÜLLER differ
    EXPECT_TRUE(csv.HasUniqueRows(2)); // empty cells do not count
    csv.LoadFromText(QStringLiteral("K\r\nx\r\n\r\ny\r\nx\r\n"));
    EXPECT_FALSE(csv.HasUniqueRows(0));

    EXPECT_EQ(csv.GetCell(0, 99), QString());
    EXPECT_EQ(csv.GetCell(5, 1), QString());
    EXPECT_EQ(csv.GetCell(-1, -1), QString());
}

TEST_F(CSVFileTest, MissingFileThrowsAndKeepsTheData)
{
    TCSVData csv;
    csv.LoadFromText(QStringLiteral("a;b\r\n1;2\r\n"));
    EXPECT_THROW(csv.LoadFromFile(QDir(dir.path()).filePath(QStringLiteral("none.autofill"))), std::runtime_error);
    EXPECT_THROW(csv.LoadFromFile(dir.path()), std::runtime_error); // a folder
    EXPECT_EQ(csv.Rows(), 2);
    EXPECT_EQ(csv.Cell(1, 1), QStringLiteral("2"));
}
