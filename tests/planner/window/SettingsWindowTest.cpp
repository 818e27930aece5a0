// The program ini and the user's document settings as the main window writes and reads them:
// the order of closing, and what comes back after closing and starting again.

#include "planner/CoreTestSupport.h"
#include "planner/SettingsTestSupport.h"
#include "planner/window/WindowTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QSplitter>
#include <QTemporaryDir>

#include "MemIniFile.h"
#include "chart/TimeChartView.h"
#include "editor/PropertyEditor.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "sync/DirWatchThread.h"
#include "window/RecentFiles.h"
#include "window/SettingsKeeper.h"

namespace {

class SettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath(QStringLiteral("velmora.ini"));
    }
    QString Document(const QString &name)
    {
        const QString path = windowtest::WriteEmptyDocument(dir.filePath(name));
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    std::unique_ptr<TScriptedMainForm> Form()
    {
        auto form = std::make_unique<TScriptedMainForm>(mrNo);
        form->Settings().SetIniFileName(ini);
        return form;
    }

    QTemporaryDir dir;
    QString ini;
};

TEST_F(SettingsWindowTest, ClosingWritesTheEventsThenTheUsersSettingsThenTheProgramIni)
{
    const QString plan = Document(QStringLiteral("plan.zop"));
    auto form = Form();
    form->Open(plan);
    ASSERT_EQ(form->Core().DirWatchThread()->Filename(), plan);
    form->ActionAddNodeExecute();
    TDirWatchThread *journal = form->Core().DirWatchThread();
    ASSERT_TRUE(journal->HasUnwrittenEvents());
    const QString userSettings = journal->GetUserSettingsFileName();

    QStringList written;
    form->Settings().OnWritten = [&](const QString &which) {
        written.append(which);
        // Each file after the one before it.
        EXPECT_FALSE(journal->HasUnwrittenEvents()) << which.toStdString();
        if (which == QStringLiteral("file ini"))
            EXPECT_FALSE(QFileInfo::exists(ini));
        else
            EXPECT_TRUE(QFileInfo::exists(userSettings));
    };
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(written, (QStringList{QStringLiteral("file ini"), QStringLiteral("program ini")}));
    EXPECT_TRUE(form->questions.isEmpty());
    // The event reached the user's diff file.
    EXPECT_TRUE(testsupport::readFile(journal->DiffFile()).size() > 0);
}

TEST_F(SettingsWindowTest, AnUnnamedDocumentWritesNoUsersSettings)
{
    auto form = Form();
    QStringList written;
    form->Settings().OnWritten = [&](const QString &which) { written.append(which); };
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(written, QStringList{QStringLiteral("program ini")});
    // Saving it under a name writes the settings of no other document either.
    EXPECT_FALSE(form->Settings().SaveFileIni());
}

TEST_F(SettingsWindowTest, ProgramAndDocumentComeBackAfterClosingAndStartingAgain)
{
    const QString plan = Document(QStringLiteral("plan.zop"));
    const QString other = Document(QStringLiteral("other.zop"));
    TDocumentSettings kept;
    {
        auto form = Form();
        form->LoadIni();
        form->setGeometry(QRect(30, 40, 700, 500));
        form->show();
        form->localUndo->setChecked(false);
        form->Open(other);
        form->Open(plan);
        // What the document's settings hold: print options, editor sizes, the chart's view.
        TDocumentSettings wanted = form->Settings().CurrentDocumentSettings();
        wanted.Footer = QStringLiteral("Page $PAGE_NO$");
        wanted.PrintToday = true;
        wanted.EditorWidthExclude = 444;
        wanted.TimeChartHeight = 312;
        wanted.FontName = QStringLiteral("DejaVu Sans");
        wanted.FontSize = 11;
        wanted.SmallTimeChartRowHeight = wanted.SmallTimeChartShownRowHeight = 3;
        wanted.LastTimeChartStart = Date() - 10;
        wanted.ColWidth = 12;
        wanted.Zoom = 150;
        wanted.Transparency = 70;
        wanted.Filters = {{3, 4, QStringLiteral("a*"), QString(), 0, QStringLiteral("all"), QStringLiteral("Comment")},
                          {3, 4, QStringLiteral("b*"), QString(), 0, QStringLiteral("North"), QStringLiteral("Comment")}};
        form->Settings().ApplyDocumentSettings(wanted);
        kept = form->Settings().CurrentDocumentSettings();
        // The chart took them.
        EXPECT_EQ(form->TimeChartView->Geometry().Zoom(), 150);
        EXPECT_EQ(form->TimeChartView->Geometry().ColWidth(), 12);
        EXPECT_EQ(form->TimeChartView->Geometry().FontSize(), 11);
        EXPECT_EQ(form->TimeChartView->Geometry().Start(), Date() - 10);
        EXPECT_EQ(form->TimeChartView->Options().transparency, 70);
        EXPECT_EQ(form->TimeChartView->SmallTimeChartRowHeight(), 3);
        EXPECT_EQ(form->Splitter1->sizes().value(0), 312);
        wanted.RowHeight = kept.RowHeight; // follows from the font
        EXPECT_EQ(kept, wanted);
        ASSERT_TRUE(form->close());
    }
    auto form = Form();
    form->LoadIni();
    form->show();
    EXPECT_EQ(form->geometry(), QRect(30, 40, 700, 500));
    EXPECT_FALSE(form->localUndo->isChecked());
    EXPECT_FALSE(form->Core().FLocalUndo);
    EXPECT_EQ(form->RecentFiles().Files(), (QStringList{plan, other}));
    EXPECT_EQ(form->RecentFiles().Action(1)->text(), QStringLiteral("1. ") + plan);
    // The last document is not opened again by itself; through the recent files it is.
    EXPECT_TRUE(form->Core().DirWatchThread()->Filename().isEmpty());
    form->RecentFiles().Action(1)->trigger();
    ASSERT_EQ(form->Core().DirWatchThread()->Filename(), plan);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + plan);
    EXPECT_EQ(form->Settings().CurrentDocumentSettings(), kept);
    // The filter of the tab shown is in its column again.
    const THeaderData *comment = form->Core().GetHeader(tbTable, form->Core().GetConnection(tbTable, cnTextCenterMiddle));
    EXPECT_EQ(comment->Filter.FilterType, ftText);
    EXPECT_EQ(comment->Filter.Text1, QStringLiteral("a*"));
}

TEST_F(SettingsWindowTest, AnImportedDocumentBringsItsViewUntilTheUserHasSettings)
{
    const QString old = dir.filePath(QStringLiteral("old.zop"));
    ASSERT_TRUE(testsupport::writeFile(old, testsupport::readFile(testsupport::dataFile(QStringLiteral("old-document.zop")))));
    auto form = std::make_unique<TScriptedMainForm>(mrOk);
    form->Settings().SetIniFileName(ini);
    form->Open(old);
    ASSERT_EQ(form->questions.value(0), QStringLiteral("Import will convert the file to new fileformat!"));
    TDocumentSettings s = form->Settings().CurrentDocumentSettings();
    EXPECT_EQ(s.Footer, QStringLiteral("Page footer"));
    EXPECT_TRUE(s.PrintToday);
    EXPECT_EQ(s.FontName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(s.FontSize, 8);
    EXPECT_EQ(s.Zoom, 150);
    EXPECT_EQ(s.ColWidth, 12);
    ASSERT_EQ(s.Filters.size(), 1u);
    EXPECT_EQ(s.Filters[0], (TSavedFilter{3, 4, QStringLiteral("Mill"), QString(), 0, QString(), QStringLiteral("Machine")}));

    // Once the user's own settings exist, they hold.
    s.Zoom = 75;
    form->Settings().ApplyDocumentSettings(s);
    ASSERT_TRUE(form->Settings().SaveFileIni());
    form->ActionNewExecute();
    form->Open(old);
    EXPECT_EQ(form->Settings().CurrentDocumentSettings().Zoom, 75);
}

TEST_F(SettingsWindowTest, OpeningFitsTheColumnsToTheirContents)
{
    const QString plan = dir.filePath(QStringLiteral("wide.zop"));
    const QString text = QStringLiteral("A rather long comment that needs a wide column to be read");
    {
        auto form = Form();
        TPlannerCore &core = form->Core();
        TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
        core.SetData_(node, cnTextCenterMiddle, text);
        ASSERT_TRUE(core.Save(plan));
    }
    auto form = Form();
    TTreeGridColumns *columns = form->StringTreeGrid1->Header()->Columns();
    const int comment = form->Core().GetConnection(tbTable, cnTextCenterMiddle);
    // A new document: each column as wide as its caption at least.
    const QFontMetrics metrics(form->StringTreeGrid1->Header()->Font().ToQFont());
    for (int i = 0; i < columns->Count(); ++i)
        EXPECT_GE(columns->Items(i)->Width(), metrics.horizontalAdvance(columns->Items(i)->Text())) << i;
    const int before = columns->Items(comment)->Width();
    form->Open(plan);
    EXPECT_GT(columns->Items(comment)->Width(), before);
    EXPECT_GE(columns->Items(comment)->Width(), QFontMetrics(form->StringTreeGrid1->font()).horizontalAdvance(text));
}

TEST_F(SettingsWindowTest, TheEditorComesBackAsAWindowWhereItWas)
{
    {
        auto form = Form();
        form->LoadIni();
        form->show();
        form->EditorAsForm->trigger();
        ASSERT_TRUE(form->Editor().EditorAsForm());
        form->Editor().SetEditorPos(QPoint(210, 160));
        ASSERT_TRUE(form->close());
    }
    auto form = Form();
    EXPECT_FALSE(form->Editor().EditorAsForm());
    form->LoadIni();
    EXPECT_TRUE(form->EditorAsForm->isChecked());
    EXPECT_TRUE(form->Editor().EditorAsForm());
    EXPECT_EQ(form->Editor().GetEditorPos(), QPoint(210, 160));
    const TProgramSettings s = form->Settings().CurrentProgramSettings();
    EXPECT_EQ(QPoint(s.EditorLeft, s.EditorTop), QPoint(210, 160));
}

TEST_F(SettingsWindowTest, ViewOptionsWithoutTheirMenuItemsAreKept)
{
    {
        TMemIniFile file(ini);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("editorasform"), true);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("hiderows"), true);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("toolbar"), false);
        file.WriteBool(QStringLiteral("Setup"), QStringLiteral("AutoArrange"), true);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("smalltimechart"), false);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("drawlines"), true);
        file.WriteBool(QStringLiteral("view"), QStringLiteral("drawfulltext"), true);
        ASSERT_TRUE(file.UpdateFile(false));
    }
    auto form = Form();
    form->LoadIni();
    EXPECT_TRUE(form->Core().FHideEmptyRows);
    // The chart's options and menu items follow.
    EXPECT_FALSE(form->TimeChartView->Gesamtbersicht1->isChecked());
    EXPECT_TRUE(form->AutoArrange->isChecked());
    EXPECT_TRUE(form->TimeChartView->Options().linesBetweenResources);
    EXPECT_TRUE(form->TimeChartView->Options().drawFullText);
    const TProgramSettings s = form->Settings().CurrentProgramSettings();
    EXPECT_TRUE(s.EditorAsForm);
    EXPECT_TRUE(s.HideRows);
    EXPECT_FALSE(s.Toolbar);
    EXPECT_TRUE(s.AutoArrange);

    // A menu item that exists takes the value through its command.
    auto *item = new QAction(form.get());
    item->setObjectName(QStringLiteral("naturalscrolling"));
    item->setCheckable(true);
    int clicks = 0;
    QObject::connect(item, &QAction::triggered, [&] { ++clicks; });
    TProgramSettings natural = s;
    natural.NaturalScroll = true;
    form->Settings().ApplyProgramSettings(natural);
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(form->Settings().CurrentProgramSettings().NaturalScroll);
}

} // namespace
