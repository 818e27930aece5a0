// Importing documents of the old ini-style format.

#include "planner/CoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "common/TestSupport.h"

namespace {

const QString ConvertBox = QStringLiteral("Import will convert the file to new fileformat!");
const QString TooOldBox =
    QStringLiteral("Version of file too old. Please contact brenik-software support for instructions.");

class OldFormatTest : public CoreTest
{
protected:
    // A copy of the hand-written old document with some lines replaced.
    QString OldDocument(const QString &name, const QList<QPair<QString, QString>> &replace = {})
    {
        QString text = QString::fromLatin1(testsupport::readFile(testsupport::dataFile(QStringLiteral("old-document.zop"))));
        EXPECT_FALSE(text.isEmpty());
        for (const auto &pair : replace)
            text.replace(pair.first, pair.second);
        const QString path = dir.filePath(name);
        testsupport::writeFile(path, text.toLatin1());
        return path;
    }

    TNodeData *RowWith(TWhichTable table, int column, const QString &text)
    {
        TNodeData *found = nullptr;
        core->ForEach(table, feAll, [&](TNodeData *node) {
            if (!found && node->StringList.value(column) == text)
                found = node;
        });
        return found;
    }

    QTemporaryDir dir;
};

TEST_F(OldFormatTest, ImportThroughTheOpeningRoad)
{
    const QString file = OldDocument(QStringLiteral("old.zop"));
    const QByteArray oldBytes = testsupport::readFile(file);
    window.answers = {mrOk};
    documentFile->Open(file);
    EXPECT_EQ(window.questions, QStringList{ConvertBox});

    // Setup
    ASSERT_EQ(core->GetTableColCount(tbTable), 5);
    EXPECT_EQ(core->GetColumnCaption(tbTable, 0), QStringLiteral("Machine"));
    EXPECT_EQ(core->GetColumnType(tbTable, 1), ctDate);
    EXPECT_EQ(core->GetColumnType(tbTable, 3), ctNumber);
    EXPECT_EQ(core->GetColumnStrings(tbTable, 0), (QStringList{QStringLiteral("Mill"), QStringLiteral("Lathe")}));
    EXPECT_EQ(core->GetConnection(tbTable, cnPosition), 0);
    EXPECT_EQ(core->GetConnection(tbTable, cnColor), 4);
    EXPECT_EQ(core->GetConnection(tbTable, cnTextCenterMiddle), -1);
    EXPECT_EQ(core->FDefaultHolidayReason, QStringLiteral("Vacation"));
    EXPECT_FALSE(core->FDefaultCalcWorkdays);
    EXPECT_FALSE(core->FSaveFileCompressed);
    EXPECT_EQ(core->FColors, (QVector<TColor>{0xFFFFFF, 0x00FFFF}));
    EXPECT_EQ(core->FHolidayColors, QVector<TColor>{15787468});
    EXPECT_EQ(core->GetColumnStrings(tbExclude, core->GetConnection(tbExclude, cnColor)),
              (QStringList{QStringLiteral("Vacation"), QStringLiteral("Sick")}));
    EXPECT_EQ(core->GroupTabCaptions().mid(1), QStringList{QStringLiteral("Workshop")});
    EXPECT_EQ(core->FPositionGroup.value(1), QStringLiteral("Mill"));
    EXPECT_EQ(core->FRowSets, (QVector<qint32>{1, 2}));
    ASSERT_EQ(core->HolidayCount(), 1);
    EXPECT_EQ(*core->GetHolidayData(0), (THolidayData{QStringLiteral("New Year"), 1, 1, true, false}));
    // What belongs to the per-user settings: the font size from the row height (46 -> 8).
    const auto &settings = documentFile->FImportedSettings;
    EXPECT_EQ(settings.Footer, QStringLiteral("Page footer"));
    EXPECT_TRUE(settings.PrintToday);
    EXPECT_TRUE(settings.PrintFilename);
    EXPECT_EQ(settings.FontSize, 8);
    EXPECT_EQ(settings.ColWidth, 12);
    EXPECT_EQ(settings.Zoom, 150);
    EXPECT_EQ(settings.FontName, QStringLiteral("DejaVu Sans"));
    ASSERT_EQ(settings.Filters.size(), 1);
    EXPECT_EQ(settings.Filters[0].Text1, QStringLiteral("Mill"));
    EXPECT_EQ(settings.Filters[0].Header, QStringLiteral("Machine"));

    // Rows: dates converted from the storage form; new identities of this user.
    EXPECT_EQ(Count(tbTable, feAll), 2);
    TNodeData *mill = RowWith(tbTable, 0, QStringLiteral("Mill"));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->StringList, (QStringList{QStringLiteral("Mill"), QStringLiteral("02.03.2026"),
                                             QStringLiteral("04.03.2026"), QStringLiteral("3"), QStringLiteral("open")}));
    EXPECT_TRUE(mill->ID.Value().startsWith(UserIdentity() + QLatin1Char('.')));
    EXPECT_EQ(Count(tbExclude, feAll), 1);
    TNodeData *trip = RowWith(tbExclude, 6, QStringLiteral("Trip"));
    ASSERT_NE(trip, nullptr);
    EXPECT_EQ(core->GetData_(trip, cnStart), QStringLiteral("09.03.2026"));
    EXPECT_FALSE(documentFile->FInitialDeOverlap);
    EXPECT_TRUE(undo.UndoList().empty());

    // The file now is a current document; the old one went to the recycle bin.
    const QByteArray converted = testsupport::readFile(file);
    EXPECT_TRUE(converted.startsWith("<?xml")); // "Komprimiert" was off
    EXPECT_NE(converted, oldBytes);
    EXPECT_EQ(sync->DirWatchThread()->Filename(), file);
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), file));

    // Opening it again reads it as XML, without any question.
    window.questions.clear();
    core->ActionNewExecute();
    documentFile->Open(file);
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(Count(tbTable, feAll), 2);
}

TEST_F(OldFormatTest, VersionGate)
{
    // Not an old document at all: refused without a word.
    const QString notOld = dir.filePath(QStringLiteral("plain.zop"));
    testsupport::writeFile(notOld, "[Other]\r\nx=1\r\n");
    EXPECT_FALSE(documentFile->ImportFrom(notOld));
    EXPECT_TRUE(window.questions.isEmpty());

    const QString tooOld = OldDocument(QStringLiteral("v22.zop"), {{QStringLiteral("Version=3"), QStringLiteral("Version=2")},
                                                                  {QStringLiteral("SubVersion=0"), QStringLiteral("SubVersion=2")}});
    window.answers = {mrOk};
    EXPECT_FALSE(documentFile->ImportFrom(tooOld));
    EXPECT_EQ(window.questions, QStringList{TooOldBox});

    // Cancel at the conversion box reads nothing.
    window.questions.clear();
    window.answers = {mrCancel};
    EXPECT_FALSE(documentFile->ImportFrom(OldDocument(QStringLiteral("v30.zop"))));
    EXPECT_EQ(window.questions, QStringList{ConvertBox});
    EXPECT_EQ(Count(tbTable, feAll), 0);

    // 2.3 is imported; its dates (version 2, sub-version below 5) are taken as stored.
    window.questions.clear();
    window.answers = {mrOk};
    const QString v23 = OldDocument(QStringLiteral("v23.zop"), {{QStringLiteral("Version=3"), QStringLiteral("Version=2")},
                                                              {QStringLiteral("SubVersion=0"), QStringLiteral("SubVersion=3")}});
    EXPECT_TRUE(documentFile->ImportFrom(v23));
    EXPECT_EQ(window.questions, QStringList{ConvertBox});
    TNodeData *mill = RowWith(tbTable, 0, QStringLiteral("Mill"));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->StringList.value(1), QStringLiteral("2026-03-02 00:00:00"));
}

TEST_F(OldFormatTest, OffsetMovesEveryRowToToday)
{
    const TDateTime weekAgo = Date() - 7;
    const QString file = OldDocument(QStringLiteral("offset.zop"),
                                     {{QStringLiteral("SubVersion=0\r\n"),
                                       QStringLiteral("SubVersion=0\r\nOffset=") + FormatDateTimeForStorage(weekAgo)
                                           + QStringLiteral("\r\n")}});
    window.answers = {mrOk};
    ASSERT_TRUE(documentFile->ImportFrom(file));
    EXPECT_TRUE(documentFile->FInitialDeOverlap);
    TNodeData *mill = RowWith(tbTable, 0, QStringLiteral("Mill"));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(core->GetData_(mill, cnStart), QStringLiteral("09.03.2026")); // a week later
    TNodeData *trip = RowWith(tbExclude, 6, QStringLiteral("Trip"));
    ASSERT_NE(trip, nullptr);
    EXPECT_EQ(core->GetData_(trip, cnStart), QStringLiteral("16.03.2026"));
    // Nothing of the move is left to undo or to journal twice.
    EXPECT_TRUE(undo.UndoList().empty());
}

// Tiny files that claim huge counts: every count is bounded by what the file holds, and
// arithmetic on extreme values stays defined. Each import finishes at once and small.
TEST_F(OldFormatTest, HugeCountsInTinyFilesAreBoundedByTheFile)
{
    const QByteArray head = "[ZOP]\r\nVersion=3\r\nSubVersion=0\r\n";
    const QVector<TColor> colors = core->FColors;
    const QVector<TColor> holidayColors = core->FHolidayColors;
    struct TCase {
        const char *body;
        std::function<void()> check;
    };
    const TCase cases[] = {
        {"[Color]\r\nCount=1000000000\r\n", [&] { EXPECT_EQ(core->FColors, colors); }},
        {"[Color]\r\nCount=2147483647\r\nColor0=$0000FF\r\n",
         [&] { EXPECT_EQ(core->FColors.size(), std::max<qsizetype>(colors.size(), 2)); }},
        {"[HolidayColor]\r\nCount=2000000000\r\n", [&] { EXPECT_EQ(core->FHolidayColors, holidayColors); }},
        {"[tbTable]\r\nColCount=20000000\r\n", [&] { EXPECT_LE(core->GetTableColCount(tbTable), 3); }},
        {"[tbTable]\r\nRowCount=2000000000\r\n", [&] { EXPECT_LE(core->GetTableRowCount(tbTable), 2); }},
        {"[tbExclude]\r\nRowCount=2147483647\r\n", [&] { EXPECT_LE(core->GetTableRowCount(tbExclude), 2); }},
        {"[Setup]\r\nFilters=2000000000\r\n", [&] { EXPECT_LE(documentFile->FImportedSettings.Filters.size(), 2); }},
        {"[Public Holiday]\r\nCount=2147483647\r\n", [&] { EXPECT_LE(core->HolidayCount(), 1); }},
        {"[Setup]\r\nRowSetCount=2000000000\r\n", [&] { EXPECT_LE(core->FRowSets.size(), 4); }},
        {"[PositionGroup]\r\nCount=2147483647\r\n", [&] { EXPECT_LE(core->GroupTabCaptions().size(), 2); }},
        {"[Setup]\r\nRowHeight=2147483647\r\n", [&] { EXPECT_EQ(documentFile->FImportedSettings.FontSize, 400); }},
        {"[Setup]\r\nRowHeight=-2147483648\r\nZoom=-5\r\nColWidth=0\r\nTransparency=900\r\n",
         [&] {
             const auto &settings = documentFile->FImportedSettings;
             EXPECT_EQ(settings.FontSize, 1);
             EXPECT_EQ(settings.Zoom, 1);
             EXPECT_EQ(settings.ColWidth, 1);
             EXPECT_EQ(settings.Transparency, 100);
         }},
    };
    int n = 0;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.body);
        core->ActionNewExecute();
        const QString path = dir.filePath(QStringLiteral("tiny%1.zop").arg(n++));
        testsupport::writeFile(path, head + c.body);
        window.answers = {mrOk};
        ASSERT_TRUE(documentFile->ImportFrom(path));
        c.check();
    }

    // Through the opening road, a tiny file with every claim at once.
    core->ActionNewExecute();
    const QString all = dir.filePath(QStringLiteral("all.zop"));
    testsupport::writeFile(all, head
                                    + "[Setup]\r\nFilters=2000000000\r\nRowSetCount=2000000000\r\n"
                                      "[tbTable]\r\nColCount=20000000\r\nRowCount=2000000000\r\n"
                                      "[Color]\r\nCount=1000000000\r\n[Public Holiday]\r\nCount=2000000000\r\n"
                                      "[PositionGroup]\r\nCount=2000000000\r\n");
    window.questions.clear();
    window.answers = {mrOk};
    documentFile->Open(all);
    EXPECT_EQ(window.questions, QStringList{ConvertBox});
    EXPECT_LE(core->GetTableColCount(tbTable), 3);
    EXPECT_LE(core->GetTableRowCount(tbTable), 7);
    EXPECT_TRUE(testsupport::readFile(all).startsWith("<?xml") || testsupport::readFile(all).startsWith("zip"));
}

} // namespace
