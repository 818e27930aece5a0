// The document file: exact text, round trips, the version question and hand-written files.

#include "planner/CoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Color.h"
#include "CommaText.h"
#include "sync/DirWatchThread.h"
#include "Log.h"
#include "Version.h"
#include "common/TestSupport.h"

namespace {

class DocumentFileTest : public CoreTest
{
protected:
    QString Path(const QString &name) const { return dir.filePath(name); }

    void AddColumn(const QString &caption, TColumnType type, TConnection cn = cnNone)
    {
        const int index = core->GetTableColCount(tbTable);
        core->InsertColumn(tbTable, index);
        core->SetColumnCaption(tbTable, index, caption);
        core->SetColumnType(tbTable, index, type);
        if (cn != cnNone)
            core->SetConnection(tbTable, cn, index);
    }

    TNodeData *Row(TWhichTable table, const QString &id, const QStringList &cells)
    {
        TNodeData *node = core->AddNode(id, table, false);
        for (int i = 0; i < cells.size(); ++i)
            core->DoSetData(node, i, cells[i], false);
        return node;
    }

    // Everything a document file carries, one line per fact.
    QStringList Snapshot()
    {
        QStringList out;
        out << QStringLiteral("unit %1 history %2 reason %3 workdays %4")
                   .arg(core->GetMinUnit())
                   .arg(core->FMaxHistoryFiles)
                   .arg(core->FDefaultHolidayReason)
                   .arg(core->FDefaultCalcWorkdays);
        for (TWhichTable table : {tbTable, tbExclude}) {
            for (int i = 0; i < core->GetTableColCount(table); ++i)
                out << QStringLiteral("col %1 %2 %3 %4 %5 [%6]")
                           .arg(table)
                           .arg(i)
                           .arg(core->GetColumnCaption(table, i))
                           .arg(core->GetColumnType(table, i))
                           .arg(core->GetColumnConnection(table, i))
                           .arg(core->GetColumnStrings(table, i).join(QLatin1Char('|')));
            core->ForEach(table, feAll, [&](TNodeData *node) {
                out << QStringLiteral("row %1 %2: %3").arg(table).arg(node->ID.Value(), node->StringList.join(QLatin1Char('|')));
            });
        }
        for (TColor c : core->FColors)
            out << QStringLiteral("color %1").arg(c);
        for (TColor c : core->FHolidayColors)
            out << QStringLiteral("holiday color %1").arg(c);
        for (int i = 0; i < core->HolidayCount(); ++i) {
            const THolidayData *h = core->GetHolidayData(i);
            out << QStringLiteral("holiday %1 %2 %3 %4 %5").arg(h->name).arg(h->day).arg(h->month).arg(h->enabled).arg(h->easter);
        }
        out << QStringLiteral("groups ") + core->GroupTabCaptions().mid(1).join(QLatin1Char('|')) + QStringLiteral(" / ")
                   + core->FPositionGroup.mid(1).join(QLatin1Char('|'));
        QStringList rowSets;
        for (qint32 r : core->FRowSets)
            rowSets << QString::number(r);
        out << QStringLiteral("rowsets ") + rowSets.join(QLatin1Char(','));
        return out;
    }

    // A document with every column type, connections, pick lists, holidays, groups and
    // rows in both tables whose texts need escaping.
    void BuildRichDocument()
    {
        AddColumn(QStringLiteral("Due date"), ctDate, cnTermin);
        AddColumn(QStringLiteral("Count"), ctNumber);
        AddColumn(QStringLiteral("Done"), ctCheckBox, cnTextLeftTop);
        AddColumn(QStringLiteral("Link"), ctLink);
        AddColumn(QStringLiteral("Kind <a&b>"), ctPulldown, cnInterval);
        core->ColumnStrings(tbTable, core->GetTableColCount(tbTable) - 1) =
            QStringList{QStringLiteral("one, two"), QStringLiteral("say \"hi\""), QStringLiteral("plain")};
        core->FColors = {0xFFFFFF, 0x123456, TColor(clSystemColor | 5)};
        core->FHolidayColors = {0xF0E5CC, 0x0000FF};
        core->FMaxHistoryFiles = 17;
        core->FDefaultHolidayReason = QStringLiteral("Sick");
        core->FDefaultCalcWorkdays = false;
        core->AddHoliday(QStringLiteral("New Year"), 1, 1, true, false);
        core->AddHoliday(QStringLiteral("Good Friday"), -2, 0, false, true);
        const QStringList positions = core->GetColumnStrings(tbTable, 0);
        core->AddPositionGroup(QStringLiteral("Shop floor"), CommaTextOf(positions.mid(0, 2)));
        core->AddPositionGroup(QStringLiteral("Office"), CommaTextOf(positions.mid(2, 1)));
        core->FRowSets = {0, 2, 1};

        Row(tbTable, QStringLiteral("host.anna.1"),
            {QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("04.03.2026"), QStringLiteral("3"),
             QStringLiteral("State 2"), QStringLiteral("a <b> & \"c\"  d"), QStringLiteral("10.03.2026"),
             QStringLiteral("12"), QStringLiteral("Ja"), QStringLiteral("http://x/y?a=1&b=2"), QStringLiteral("one, two")});
        Row(tbTable, QStringLiteral("host.ben.7"),
            {QStringLiteral("Position 3"), QStringLiteral("05.03.2026"), QString(), QStringLiteral("1"),
             QStringLiteral("State 1"), QStringLiteral(" two\nlines\t€ \u2713 "), QString(), QString(),
             QStringLiteral("Nein"), QString(), QStringLiteral("say \"hi\"")});
        Row(tbExclude, QStringLiteral("host.anna.2"),
            {QStringLiteral("Position 2"), QStringLiteral("09.03.2026"), QStringLiteral("10.03.2026"), QStringLiteral("2"),
             QStringLiteral("Ja"), QStringLiteral("Sick"), QStringLiteral("flu")});
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(DocumentFileTest, PlainTextIsExact)
{
    core->ResetConnections(tbTable);
    core->ResizeTable(tbTable, 2);
    core->SetColumnCaption(tbTable, 0, QStringLiteral("Start date"));
    core->SetColumnType(tbTable, 0, ctDate);
    core->GetHeader(tbTable, 0)->Strings.clear();
    core->SetConnection(tbTable, cnStart, 0);
    core->SetColumnCaption(tbTable, 1, QStringLiteral("Note"));
    core->SetColumnType(tbTable, 1, ctText);
    core->GetHeader(tbTable, 1)->Strings.clear();
    core->FColors = {0xFFFFFF, 0xABCDEF};
    core->FHolidayColors = {0x978762};
    core->FRowSets = {0};
    core->AddHoliday(QStringLiteral("New Year"), 1, 1, true, false);
    Row(tbTable, QStringLiteral("host.anna.1"), {QStringLiteral("02.03.2026"), QStringLiteral("a & b")});

    QStringList connections;
    for (int cn = cnPosition; cn <= cnInterval; ++cn)
        connections << QStringLiteral("      <%1>%2</%1>").arg(ConnectionNames[cn], cn == cnStart ? QStringLiteral("0") : QStringLiteral("-1"));
    const QStringList expected = QStringList{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" />"),
        QStringLiteral("<document>"),
        QStringLiteral("  <setup>"),
        QStringLiteral("    <Version>%1</Version>").arg(platform::versionMajor()),
        QStringLiteral("    <SubVersion>%1</SubVersion>").arg(platform::versionMinor()),
        QStringLiteral("    <Ausgabe>%1</Ausgabe>").arg(platform::versionRelease()),
        QStringLiteral("    <Build>%1</Build>").arg(platform::versionBuild()),
        QStringLiteral("    <MinUnit>0</MinUnit>"),
        QStringLiteral("    <MaxHistoryFiles>30</MaxHistoryFiles>"),
        QStringLiteral("    <DefaultHolidayReason>Holiday</DefaultHolidayReason>"),
        QStringLiteral("    <DefaultCalcWorkdays>1</DefaultCalcWorkdays>"),
        QStringLiteral("    <Connections>")}
        + connections
        + QStringList{
            QStringLiteral("    </Connections>"),
            QStringLiteral("    <Headers>"),
            QStringLiteral("      <0>"),
            QStringLiteral("        <Caption>Start&nbsp;date</Caption>"),
            QStringLiteral("        <Type>1</Type>"),
            QStringLiteral("        <Strings />"),
            QStringLiteral("        <AlwaysWritable>0</AlwaysWritable>"),
            QStringLiteral("      </0>"),
            QStringLiteral("      <1>"),
            QStringLiteral("        <Caption>Note</Caption>"),
            QStringLiteral("        <Type>0</Type>"),
            QStringLiteral("        <Strings />"),
            QStringLiteral("        <AlwaysWritable>0</AlwaysWritable>"),
            QStringLiteral("      </1>"),
            QStringLiteral("    </Headers>"),
            QStringLiteral("    <Color>"),
            QStringLiteral("      <0>0x00FFFFFF</0>"),
            QStringLiteral("      <1>0x00ABCDEF</1>"),
            QStringLiteral("    </Color>"),
            QStringLiteral("    <HolidayColor>"),
            QStringLiteral("      <0>0x00978762</0>"),
            QStringLiteral("    </HolidayColor>"),
            QStringLiteral("    <HolidayReason>&quot;&quot;&quot;Holiday&quot;&quot;&quot;,&quot;&quot;&quot;Sick&quot;&quot;&quot;,"
                           "&quot;&quot;&quot;Other&quot;&quot;&quot;</HolidayReason>"),
            QStringLiteral("    <PositionGroup />"),
            QStringLiteral("    <RowHeight>54</RowHeight>"),
            QStringLiteral("    <ColWidth>8</ColWidth>"),
            QStringLiteral("    <Zoom>100</Zoom>"),
            QStringLiteral("    <RowSet>"),
            QStringLiteral("      <0>0</0>"),
            QStringLiteral("    </RowSet>"),
            QStringLiteral("    <Public&nbsp;Holiday>"),
            QStringLiteral("      <0>"),
            QStringLiteral("        <Name>New&nbsp;Year</Name>"),
            QStringLiteral("        <Day>1</Day>"),
            QStringLiteral("        <Month>1</Month>"),
            QStringLiteral("        <Enabled>1</Enabled>"),
            QStringLiteral("        <Easter>0</Easter>"),
            QStringLiteral("      </0>"),
            QStringLiteral("    </Public&nbsp;Holiday>"),
            QStringLiteral("  </setup>"),
            QStringLiteral("  <data>"),
            QStringLiteral("    <new id=\"host.anna.1\">"),
            QStringLiteral("      <__table__>tbTable</__table__>"),
            QStringLiteral("      <Start&nbsp;date>2026-03-02&nbsp;00:00:00</Start&nbsp;date>"),
            QStringLiteral("      <Note>a&nbsp;&amp;&nbsp;b</Note>"),
            QStringLiteral("    </new>"),
            QStringLiteral("  </data>"),
            QStringLiteral("  <diff index=\"0\" />"),
            QStringLiteral("</document>"),
            QString()};
    const QByteArray bytes = documentFile->SaveToBuffer(false);
    const QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), expected.size());
    for (qsizetype i = 0; i < std::min(lines.size(), expected.size()); ++i)
        EXPECT_EQ(lines[i].toStdString(), expected[i].toStdString()) << "line " << i;

    // The view values come from the window when it has a chart.
    core->OnGetViewValues = [] { return TPlannerCore::TFileViewValues{81, 12, 150}; };
    const QString text = QString::fromLatin1(documentFile->SaveToBuffer(false));
    EXPECT_TRUE(text.contains(QStringLiteral("<RowHeight>81</RowHeight>\r\n    <ColWidth>12</ColWidth>\r\n    <Zoom>150</Zoom>")));
}

TEST_F(DocumentFileTest, RoundTripPlainAndCompressed)
{
    BuildRichDocument();
    const QStringList before = Snapshot();
    ASSERT_GT(before.size(), 20);

    for (bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        core->FSaveFileCompressed = compress;
        const QString file = Path(compress ? QStringLiteral("packed.zop") : QStringLiteral("plain.zop"));
        ASSERT_TRUE(documentFile->SaveTo(file));
        const QByteArray bytes = testsupport::readFile(file);
        EXPECT_EQ(bytes.startsWith("<?xml"), !compress);

        core->ActionNewExecute();
        core->FSaveFileCompressed = !compress;
        ASSERT_TRUE(documentFile->LoadFrom(file));
        EXPECT_TRUE(window.questions.isEmpty());
        // A system colour is stored as the colour it stands for.
        QStringList expected = before;
        expected.replaceInStrings(QStringLiteral("color %1").arg(TColor(clSystemColor | 5)),
                                  QStringLiteral("color %1").arg(ColorToRGB(TColor(clSystemColor | 5))));
        EXPECT_EQ(Snapshot(), expected);
        EXPECT_EQ(core->FSaveFileCompressed, compress); // saved again in the form it was read
        EXPECT_FALSE(core->IsUpdating());
        EXPECT_TRUE(undo.UndoList().empty());
        EXPECT_TRUE(undo.GetAcceptUndo());
        EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents()); // loading journals nothing

        // The loaded rows are whole rows: their caches are filled.
        TNodeData *task = core->FindNode(QStringLiteral("host.anna.1"));
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->nodeTermin, EncodeDate(2026, 3, 10));
        EXPECT_EQ(task->nodeStart, EncodeDate(2026, 3, 2));
        // Written again, the file is the same byte for byte.
        EXPECT_EQ(documentFile->SaveToBuffer(compress), bytes);
    }
}

TEST_F(DocumentFileTest, VersionQuestion)
{
    const QString plain = QString::fromLatin1(documentFile->SaveToBuffer(false));
    const QString version = QStringLiteral("<Version>%1</Version>").arg(platform::versionMajor());
    const QString subVersion = QStringLiteral("<SubVersion>%1</SubVersion>").arg(platform::versionMinor());
    ASSERT_TRUE(plain.contains(version) && plain.contains(subVersion));
    auto file = [&](const QString &from, const QString &to) {
        QString text = plain;
        text.replace(from, to);
        const QString path = Path(QStringLiteral("v.zop"));
        testsupport::writeFile(path, text.toLatin1());
        return path;
    };
    const QString question = QStringLiteral("The file was created with a newer ZOP version.\nZOP version: %1.%2\nFile-version: %3\nOpen file anyway?");
    const QString program = QStringLiteral("%1.%2").arg(platform::versionMajor()).arg(platform::versionMinor());

    // Same major, lower minor: no question.
    ASSERT_GT(platform::versionMinor(), 0);
    EXPECT_TRUE(documentFile->LoadFrom(file(subVersion, QStringLiteral("<SubVersion>%1</SubVersion>").arg(platform::versionMinor() - 1))));
    EXPECT_TRUE(window.questions.isEmpty());

    // Higher minor: asked; OK reads it.
    window.answers = {mrOk};
    const QString newer = QStringLiteral("%1.%2").arg(platform::versionMajor()).arg(platform::versionMinor() + 1);
    EXPECT_TRUE(documentFile->LoadFrom(file(subVersion, QStringLiteral("<SubVersion>%1</SubVersion>").arg(platform::versionMinor() + 1))));
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_EQ(window.questions[0], question.arg(platform::versionMajor()).arg(platform::versionMinor()).arg(newer));

    // No version at all: always asked (as -1); Cancel ends reading with nothing read.
    window.questions.clear();
    window.answers = {mrCancel};
    core->ActionNewExecute();
    EXPECT_FALSE(documentFile->LoadFrom(file(version, QString())));
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_TRUE(window.questions[0].endsWith(QStringLiteral("File-version: -1.%1\nOpen file anyway?").arg(platform::versionMinor())));
    EXPECT_TRUE(window.questions[0].contains(QStringLiteral("ZOP version: ") + program));
    EXPECT_TRUE(undo.GetAcceptUndo());

    // An older major version is asked about as well.
    window.questions.clear();
    window.answers = {mrOk};
    EXPECT_TRUE(documentFile->LoadFrom(file(version, QStringLiteral("<Version>%1</Version>").arg(platform::versionMajor() - 1))));
    EXPECT_EQ(window.questions.size(), 1);
}

TEST_F(DocumentFileTest, UnreadableFilesAreRefusedAndLogged)
{
    const QString log = Path(QStringLiteral("test.log"));
    platform::setLogFilePath(log);
    const QString noSetup = Path(QStringLiteral("nosetup.zop"));
    testsupport::writeFile(noSetup, "<?xml version=\"1.0\"?><document><data /></document>");
    EXPECT_FALSE(documentFile->LoadFrom(noSetup));
    const QString broken = Path(QStringLiteral("broken.zop"));
    testsupport::writeFile(broken, "<document><setup><Version>&bogus;</Version></setup></document>");
    EXPECT_FALSE(documentFile->LoadFrom(broken));
    EXPECT_FALSE(documentFile->LoadFrom(Path(QStringLiteral("missing.zop"))));
    platform::setLogFilePath(QString());
    const QString text = QString::fromLatin1(testsupport::readFile(log));
    EXPECT_TRUE(text.contains(QStringLiteral("loadFrom() error: root node not found in xml")));
    EXPECT_EQ(text.count(QStringLiteral("loadFrom() error:")), 3);
    EXPECT_TRUE(undo.GetAcceptUndo());
    EXPECT_FALSE(core->IsUpdating());
}

TEST_F(DocumentFileTest, HandWrittenDocument)
{
    ASSERT_TRUE(QFileInfo::exists(testsupport::dataFile(QStringLiteral("plain-document.zop"))));
    ASSERT_TRUE(documentFile->LoadFrom(testsupport::dataFile(QStringLiteral("plain-document.zop"))));
    EXPECT_TRUE(window.questions.isEmpty()); // 3.2 is older than this program
    EXPECT_FALSE(core->FSaveFileCompressed);
    EXPECT_EQ(core->FMaxHistoryFiles, 12);
    EXPECT_EQ(core->FDefaultHolidayReason, QStringLiteral("Vacation"));
    EXPECT_FALSE(core->FDefaultCalcWorkdays);
    ASSERT_EQ(core->GetTableColCount(tbTable), 7);
    EXPECT_EQ(core->GetColumnCaption(tbTable, 1), QStringLiteral("Start date"));
    EXPECT_EQ(core->GetColumnType(tbTable, 3), ctNumber);
    EXPECT_EQ(core->GetConnection(tbTable, cnTermin), 4);
    EXPECT_EQ(core->GetConnection(tbTable, cnTextCenterMiddle), 6);
    EXPECT_EQ(core->GetConnection(tbTable, cnTextLeftTop), -1);
    EXPECT_EQ(core->ColumnAlwaysWritable(), (QVector<bool>{false, false, false, false, true, false, false}));
    EXPECT_EQ(core->GetColumnStrings(tbTable, 5),
              (QStringList{QStringLiteral("open"), QStringLiteral("in work"), QStringLiteral("done")}));
    EXPECT_EQ(core->GetColumnStrings(tbExclude, core->GetConnection(tbExclude, cnColor)),
              (QStringList{QStringLiteral("Vacation"), QStringLiteral("Sick")}));
    // The absent days keep the columns of a new document.
    EXPECT_EQ(core->GetTableColCount(tbExclude), 7);
    EXPECT_EQ(core->FColors, (QVector<TColor>{0xFFFFFF, 0x00FFFF, 0x00BF00}));
    EXPECT_EQ(core->FHolidayColors, (QVector<TColor>{0xF0E5CC, 0x978762}));
    EXPECT_EQ(core->GroupTabCaptions().mid(1), QStringList{QStringLiteral("Workshop")});
    EXPECT_EQ(core->FPositionGroup.value(1), QStringLiteral("Mill"));
    EXPECT_EQ(core->FRowSets, (QVector<qint32>{0, 2}));
    ASSERT_EQ(core->HolidayCount(), 2);
    EXPECT_EQ(*core->GetHolidayData(1), (THolidayData{QStringLiteral("Easter Monday"), 1, 0, true, true}));

    TNodeData *task = core->FindNode(QStringLiteral("host.anna.1"), tbTable);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->StringList,
              (QStringList{QStringLiteral("Mill"), QStringLiteral("02.03.2026"), QStringLiteral("04.03.2026"),
                           QStringLiteral("3"), QStringLiteral("10.03.2026"), QStringLiteral("in work"),
                           QStringLiteral("gears & shafts")}));
    TNodeData *absence = core->FindNode(QStringLiteral("host.ben.4"), tbExclude);
    ASSERT_NE(absence, nullptr);
    EXPECT_EQ(absence->StringList,
              (QStringList{QStringLiteral("Lathe"), QStringLiteral("09.03.2026"), QStringLiteral("10.03.2026"),
                           QStringLiteral("2"), QStringLiteral("Ja"), QStringLiteral("Sick"), QString()}));
}

TEST_F(DocumentFileTest, RowsLandInTheirTables)
{
    const QString file = Path(QStringLiteral("tables.zop"));
    QString text = QString::fromLatin1(documentFile->SaveToBuffer(false));
    text.replace(QStringLiteral("<data />"),
                 QStringLiteral("<data><new id=\"a\"><__table__>tbTable</__table__><Comment>one</Comment></new>"
                                "<new id=\"b\"><__table__>tbtable</__table__><Comment>two</Comment></new>"
                                "<new id=\"c\"><Comment>three</Comment><Unknown>x</Unknown></new>"
                                "<new><__table__>tbTable</__table__><Comment>no id</Comment></new></data>"));
    testsupport::writeFile(file, text.toLatin1());
    ASSERT_TRUE(documentFile->LoadFrom(file));
    EXPECT_EQ(Count(tbTable, feAll), 2);
    EXPECT_EQ(Count(tbExclude, feAll), 2); // anything but "tbTable", a missing name too
    EXPECT_NE(core->FindNode(QStringLiteral("a"), tbTable), nullptr);
    EXPECT_NE(core->FindNode(QStringLiteral("b"), tbExclude), nullptr);
    TNodeData *c = core->FindNode(QStringLiteral("c"), tbExclude);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(core->GetData_(c, cnTextCenterMiddle), QStringLiteral("three"));
    int withoutId = 0;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (core->GetData_(node, cnTextCenterMiddle) == QStringLiteral("no id"))
            withoutId += node->ID.Value().isEmpty() ? 0 : 1;
    });
    EXPECT_EQ(withoutId, 1); // kept, with an identity of its own
}

TEST_F(DocumentFileTest, WithoutColourOrPositionColumn)
{
    core->RemoveColumn(tbTable, core->GetConnection(tbTable, cnColor));
    core->RemoveColumn(tbTable, core->GetConnection(tbTable, cnPosition));
    ASSERT_EQ(core->GetConnection(tbTable, cnPosition), -1);
    ASSERT_EQ(core->GetConnection(tbTable, cnColor), -1);
    Row(tbTable, QStringLiteral("x.1"), {QStringLiteral("02.03.2026"), QString(), QStringLiteral("2"), QStringLiteral("hi")});
    const QStringList before = Snapshot();
    const QString file = Path(QStringLiteral("bare.zop"));
    ASSERT_TRUE(documentFile->SaveTo(file));
    core->ActionNewExecute();
    ASSERT_TRUE(documentFile->LoadFrom(file));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(documentFile->SaveTo(file));
}

TEST_F(DocumentFileTest, DuplicateCaptionsAndOddDates)
{
    AddColumn(QStringLiteral("Comment"), ctText);
    AddColumn(QStringLiteral(""), ctText);
    AddColumn(QStringLiteral("Done?"), ctDate);
    Row(tbTable, QStringLiteral("x.1"),
        {QStringLiteral("Position 1"), QStringLiteral("not a date"), QString(), QStringLiteral("1"),
         QStringLiteral("State 1"), QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("no name"),
         QStringLiteral("07.03.2026")});
    const QStringList before = Snapshot();
    const QString file = Path(QStringLiteral("dup.zop"));
    ASSERT_TRUE(documentFile->SaveTo(file));
    core->ActionNewExecute();
    ASSERT_TRUE(documentFile->LoadFrom(file));
    // Two columns of one caption keep their own cells; a start that is no date and an
    // empty end come back as they were.
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(DocumentFileTest, MissingElementsTakeTheirDefaults)
{
    core->AddHoliday(QStringLiteral("Gone"), 1, 1, true, false);
    core->AddPositionGroup(QStringLiteral("Gone"), QString());
    core->FMaxHistoryFiles = 11;
    core->FDefaultCalcWorkdays = false;
    core->FRowSets = {2};
    const QString file = Path(QStringLiteral("minimal.zop"));
    testsupport::writeFile(file, QStringLiteral("<document><setup><Version>%1</Version><SubVersion>0</SubVersion></setup></document>")
                                     .arg(platform::versionMajor())
                                     .toLatin1());
    ASSERT_TRUE(documentFile->LoadFrom(file));
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(core->GetTableColCount(tbTable), 6); // no column list: the new document's columns stay
    EXPECT_EQ(core->GetConnection(tbTable, cnStart), -1);
    EXPECT_EQ(core->FMaxHistoryFiles, 30);
    EXPECT_TRUE(core->FDefaultCalcWorkdays);
    EXPECT_TRUE(core->FDefaultHolidayReason.isEmpty());
    EXPECT_EQ(core->HolidayCount(), 0);
    EXPECT_EQ(core->GroupTabCaptions().size(), 1);
    EXPECT_TRUE(core->FRowSets.isEmpty());
    EXPECT_FALSE(core->FSaveFileCompressed);
    EXPECT_EQ(core->GetMinUnit(), muDay);
}
