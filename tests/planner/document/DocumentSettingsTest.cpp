// The per-user settings of a document: every key written and read back, defaults, the font
// size of old files, hostile values and the saved filters.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "DateTime.h"
#include "MemIniFile.h"
#include "common/TestSupport.h"
#include "planner/SettingsTestSupport.h"
#include "document/DocumentSettings.h"

namespace {

class DocumentSettingsTest : public ::testing::Test
{
protected:
    QString File(const QString &name = QStringLiteral("user.ini")) const { return dir.filePath(name); }
    // An ini file with the given text.
    QString Written(const QByteArray &text)
    {
        const QString path = File(QStringLiteral("given.ini"));
        EXPECT_TRUE(testsupport::writeFile(path, text));
        return path;
    }

    static TDocumentSettings Changed()
    {
        TDocumentSettings s;
        s.Footer = QStringLiteral("Footer line 1\nline 2");
        s.PrintToday = true;
        s.Header = QStringLiteral("Plan = 2026");
        s.PrintHeader = true;
        s.PrintFooter = true;
        s.PrintFilename = false;
        s.PrintLochrand = true;
        s.Orientation = 1;
        s.DenyMoveBeforeNow = true;
        s.EditorWidth = 410;
        s.EditorHeight = 520;
        s.EditorWidthExclude = 330;
        s.EditorHeightExclude = 340;
        s.TimeChartHeight = 275;
        s.FontName = QStringLiteral("DejaVu Sans");
        s.FontSize = 12;
        s.SmallTimeChartRowHeight = 4;
        s.SmallTimeChartShownRowHeight = 4;
        s.LastTimeChartStart = EncodeDate(2026, 3, 9);
        s.LastTimeChartTop = 360;
        s.RowHeight = 66;
        s.ColWidth = 24;
        s.Zoom = 150;
        s.Transparency = 80;
        s.Filters = {{3, 4, QStringLiteral("Mül*"), QString(), 0, QStringLiteral("all"), QStringLiteral("Name")},
                     {1, 3, QStringLiteral("01.03.2026"), QStringLiteral("31.03.2026"), 0, QStringLiteral("North"),
                      QStringLiteral("Start")},
                     {2, 0, QStringLiteral("\"a\",\"b\""), QString(), 1, QStringLiteral("all"), QStringLiteral("Reason")}};
        s.ColumnWidths = {{0, QStringLiteral("Comment"), 120}, {1, QStringLiteral("Absent reason = why"), 75}};
        return s;
    }

    QTemporaryDir dir;
};

TEST_F(DocumentSettingsTest, EveryKeyComesBackAndMissingKeysGiveTheirDefaults)
{
    const TDocumentSettings saved = Changed();
    {
        TMemIniFile ini(File());
        WriteDocumentSettings(ini, saved);
        ASSERT_TRUE(ini.UpdateFile(false));
    }
    const TMemIniFile ini(File());
    // The file is plain text, in the sections the settings have always used.
    const QString text = QString::fromLatin1(testsupport::readFile(File()));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Setup]\r\nFooter=Footer line 1\\nline 2\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[printer]\r\norientation=1\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("[view]\r\nsmalltimechartheight=4\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("[Filter2]\r\nType=2\r\nSubType=0\r\n")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("setup"), QStringLiteral("filters"), 0), 3);
    EXPECT_EQ(ReadDocumentSettings(ini, TDocumentSettings()), saved);

    // A missing and an empty file read as the defaults; the present state where the settings
    // keep it.
    TDocumentSettings current;
    current.Footer = QStringLiteral("current footer");
    current.EditorWidth = 333;
    current.TimeChartHeight = 222;
    current.FontName = QStringLiteral("Current Font");
    current.SmallTimeChartRowHeight = 3;
    current.LastTimeChartStart = EncodeDate(2026, 1, 2);
    current.LastTimeChartTop = 999; // not kept: 0
    current.Zoom = 75;              // not kept: 100
    current.Filters = saved.Filters; // cleared
    current.DenyMoveBeforeNow = true;
    TDocumentSettings expected = current;
    expected.LastTimeChartTop = 0;
    expected.Zoom = 100;
    expected.Filters.clear();
    expected.SmallTimeChartShownRowHeight = 3;
    const TMemIniFile missing(File(QStringLiteral("missing.ini")));
    EXPECT_EQ(ReadDocumentSettings(missing, current), expected);
    const TMemIniFile empty(Written(""));
    EXPECT_EQ(ReadDocumentSettings(empty, current), expected);
}

TEST_F(DocumentSettingsTest, SectionsAndKeysAreFoundWhateverTheirCase)
{
    const TMemIniFile ini(Written("[SETUP]\r\nZOOM=150\r\nfontsize=14\r\neditorWIDTH=400\r\nfilters=1\r\n"
                                  "[Printer]\r\nOrientation=1\r\n[VIEW]\r\nSmallTimeChartHeight=5\r\n"
                                  "[filter0]\r\ntype=3\r\nsubtype=4\r\ntext1=x\r\n"));
    const TDocumentSettings s = ReadDocumentSettings(ini, TDocumentSettings());
    EXPECT_EQ(s.Zoom, 150);
    EXPECT_EQ(s.FontSize, 14);
    EXPECT_EQ(s.EditorWidth, 400);
    EXPECT_EQ(s.Orientation, 1);
    EXPECT_EQ(s.SmallTimeChartRowHeight, 5);
    ASSERT_EQ(s.Filters.size(), 1u);
    EXPECT_EQ(s.Filters[0].Text1, QStringLiteral("x"));
}

TEST_F(DocumentSettingsTest, FontSizeOfFilesThatStoredOnlyTheRowHeight)
{
    const auto fontSize = [&](const QByteArray &text) {
        return ReadDocumentSettings(TMemIniFile(Written(text)), TDocumentSettings()).FontSize;
    };
    // 46 div 4 = 11; 11 * 72 = 792; 792 div 92 = 8.
    EXPECT_EQ(fontSize("[Setup]\r\nRowHeight=46\r\n"), 8);
    // The font size wins over the row height; with neither it is 10.
    EXPECT_EQ(fontSize("[Setup]\r\nRowHeight=46\r\nFontsize=13\r\n"), 13);
    EXPECT_EQ(fontSize("[Setup]\r\nZoom=100\r\n"), 10);
    // A row height that names no number counts as 30: 7 * 72 div 92 = 5.
    EXPECT_EQ(fontSize("[Setup]\r\nRowHeight=tall\r\n"), 5);
}

TEST_F(DocumentSettingsTest, HostileValuesAreHeldToTheirRanges)
{
    const TDocumentSettings s = ReadDocumentSettings(
        TMemIniFile(Written("[Setup]\r\nZoom=0\r\nColWidth=-5\r\nTransparency=2147483647\r\nRowHeight=2147483647\r\n"
                            "editorwidth=-2147483648\r\neditorheight=99999999\r\nTimeChartHeight=-1\r\n"
                            "SmallTimeChartRowheight=0\r\nLastTimeChartTop=-40\r\n"
                            "LastTimeChartStart=99.99.99999\r\n[printer]\r\norientation=7\r\n")),
        TDocumentSettings());
    EXPECT_EQ(s.Zoom, 1);
    EXPECT_EQ(s.ColWidth, 1);
    EXPECT_EQ(s.Transparency, 100);
    EXPECT_EQ(s.RowHeight, SettingsRange::MaxRowHeight);
    // The font size from the largest row height stays a font size.
    EXPECT_EQ(s.FontSize, SettingsRange::MaxFontSize);
    EXPECT_EQ(s.EditorWidth, SettingsRange::MinEditorSize);
    EXPECT_EQ(s.EditorHeight, SettingsRange::MaxWindowSize);
    EXPECT_EQ(s.TimeChartHeight, 0);
    EXPECT_EQ(s.SmallTimeChartRowHeight, 1);
    EXPECT_EQ(s.LastTimeChartTop, 0);
    EXPECT_EQ(s.LastTimeChartStart, TDocumentSettings().LastTimeChartStart);
    EXPECT_EQ(s.Orientation, 0);

    const TDocumentSettings huge = ReadDocumentSettings(
        TMemIniFile(Written("[Setup]\r\nZoom=2147483647\r\nColWidth=2147483647\r\nFontsize=-3\r\n")), TDocumentSettings());
    EXPECT_EQ(huge.Zoom, SettingsRange::MaxZoom);
    EXPECT_EQ(huge.ColWidth, SettingsRange::MaxColWidth);
    EXPECT_EQ(huge.FontSize, SettingsRange::MinFontSize);
}

TEST_F(DocumentSettingsTest, FiltersAreReadInOrderOnlyWhileTheirSectionsExist)
{
    // A count far beyond the sections there are.
    const TDocumentSettings s = ReadDocumentSettings(
        TMemIniFile(Written("[Setup]\r\nFilters=2147483647\r\n"
                            "[Filter0]\r\nType=3\r\nSubType=4\r\nText1=first\r\nTable=0\r\nGroup=all\r\nHeader=Name\r\n"
                            "[Filter1]\r\nType=4\r\nSubType=3\r\nText1=1\r\nText2=9\r\nTable=1\r\nHeader=Days\r\n"
                            "[Filter2]\r\nType=9\r\nText1=unknown kind\r\n"
                            "[Filter3]\r\nType=1\r\nTable=5\r\nText1=unknown table\r\n"
                            "[Filter4]\r\nType=2\r\nText1=last\r\n"
                            "[Filter6]\r\nType=2\r\nText1=after a gap\r\n")),
        TDocumentSettings());
    ASSERT_EQ(s.Filters.size(), 3u);
    EXPECT_EQ(s.Filters[0], (TSavedFilter{3, 4, QStringLiteral("first"), QString(), 0, QStringLiteral("all"),
                                          QStringLiteral("Name")}));
    EXPECT_EQ(s.Filters[1], (TSavedFilter{4, 3, QStringLiteral("1"), QStringLiteral("9"), 1, QString(),
                                          QStringLiteral("Days")}));
    EXPECT_EQ(s.Filters[2].Text1, QStringLiteral("last"));

    // Writing fewer filters removes the sections of the longer list.
    TMemIniFile ini(File(QStringLiteral("given.ini")));
    TDocumentSettings fewer;
    fewer.Filters = {s.Filters[1]};
    WriteDocumentSettings(ini, fewer);
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_TRUE(sections.contains(QStringLiteral("Filter0")));
    for (const char *gone : {"Filter1", "Filter2", "Filter3", "Filter4", "Filter6"})
        EXPECT_FALSE(sections.contains(QString::fromLatin1(gone))) << gone;
    EXPECT_EQ(ReadDocumentSettings(ini, TDocumentSettings()).Filters, fewer.Filters);
}

TEST_F(DocumentSettingsTest, ColumnWidthsAreReadWhileTheirSectionsExistAndHeldToTheirRange)
{
    const TDocumentSettings s = ReadDocumentSettings(
        TMemIniFile(Written("[Setup]\r\nColumnWidths=2147483647\r\n"
                            "[ColumnWidth0]\r\nTable=0\r\nHeader=Comment\r\nWidth=2147483647\r\n"
                            "[ColumnWidth1]\r\nTable=1\r\nHeader=Reason\r\nWidth=-4\r\n"
                            "[ColumnWidth2]\r\nTable=7\r\nHeader=Elsewhere\r\nWidth=50\r\n"
                            "[ColumnWidth3]\r\nTable=1\r\nWidth=50\r\n"
                            "[ColumnWidth4]\r\nTable=1\r\nHeader=Start\r\nWidth=90\r\n"
                            "[ColumnWidth6]\r\nTable=0\r\nHeader=after a gap\r\nWidth=90\r\n")),
        TDocumentSettings());
    // A width of nothing, an unknown table and a column without a caption are left out.
    EXPECT_EQ(s.ColumnWidths, (std::vector<TSavedColumnWidth>{
                                  {0, QStringLiteral("Comment"), SettingsRange::MaxTableColumnWidth},
                                  {1, QStringLiteral("Start"), 90}}));

    // Writing fewer removes the sections of the longer list; the filters' sections stay.
    TMemIniFile ini(File(QStringLiteral("given.ini")));
    TDocumentSettings fewer = Changed();
    fewer.ColumnWidths = {s.ColumnWidths[1]};
    WriteDocumentSettings(ini, fewer);
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_TRUE(sections.contains(QStringLiteral("ColumnWidth0")));
    EXPECT_TRUE(sections.contains(QStringLiteral("Filter2")));
    for (const char *gone : {"ColumnWidth1", "ColumnWidth2", "ColumnWidth3", "ColumnWidth4", "ColumnWidth6"})
        EXPECT_FALSE(sections.contains(QString::fromLatin1(gone))) << gone;
    EXPECT_EQ(ReadDocumentSettings(ini, TDocumentSettings()), fewer);
}

} // namespace
