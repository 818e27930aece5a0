// The language chosen in the Setup menu: the View menu's zoom and transparency captions show
// the values in force in the new language at once, and group tab 0 is translated again,
// keeping the filters set in it.

#include "planner/window/WindowTestSupport.h"

#include <QActionGroup>
#include <QDir>
#include <QPointer>
#include <QScopeGuard>
#include <QFile>
#include <QStandardPaths>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include "CommaText.h"
#include "Language.h"
#include "chart/ChartCommands.h"
#include "chart/TimeChartView.h"
#include "table/FilterEngine.h"
#include "table/PlannerTables.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "MemIniFile.h"
#include "treegrid/StringTreeGrid.h"
#include "window/SettingsKeeper.h"

using namespace userinput;

namespace {

class LanguageSwitchTest : public windowtest::MainWindowTest
{
protected:
    void SetUp() override
    {
        // A language file where the program looks for them (the user's data folder).
        folder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                     .filePath(QStringLiteral("velmora/languages"));
        ASSERT_TRUE(QDir().mkpath(folder));
        language = QDir(folder).filePath(QStringLiteral("deutsch.lng"));
        QFile file(language);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[translated]\r\n"
                   "Timechart zoom (%s %)=Zoom der Zeitleiste (%s %)\r\n"
                   "Transparency for filtered Tasks (%s %)=Transparenz gefilterter Auftr\xE4ge (%s %)\r\n"
                   "all=alle\r\n"
                   "&View=&Ansicht\r\n"
                   "Search=Suchen\r\n"
                   "%s items selected=%s Eintr\xE4ge ausgew\xE4hlt\r\n");
        file.close();
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        Language::CloseFile();
        QFile::remove(language);
    }
    QMenu *View() { return form->menuBar()->findChild<QMenu *>(QStringLiteral("View1")); }
    QAction *LanguageItem(const QString &name, TMainForm *window = nullptr)
    {
        for (QAction *item : (window ? window : form.get())->Sprache1->actions())
            if (item->text() == name)
                return item;
        return nullptr;
    }
    void ChooseLanguage(const QString &name, TMainForm *window = nullptr)
    {
        TMainForm &w = window ? *window : *form;
        ASSERT_TRUE(OpenMenu(w, w.Format1));
        ASSERT_TRUE(OpenSubMenu(w.Format1, w.Sprache1));
        QAction *item = LanguageItem(name, &w);
        ASSERT_NE(item, nullptr) << name.toStdString();
        ClickOpenMenuItem(w.Sprache1, item);
        ASSERT_TRUE(WaitUntil([&w] { return !w.Format1->isVisible(); }));
    }

    QString folder;
    QString language;
};

} // namespace

TEST_F(LanguageSwitchTest, ZoomTransparencyAndTheFirstTabFollowTheLanguage)
{
    TChartCommands &chart = *form->ChartCommands;
    // Zoom 150 % and transparency 70 % chosen in the View menu.
    ClickMenuItem(*form, View(), chart.KalendarZoom1->findChild<QAction *>(QStringLiteral("KalendarZoom1150")),
                  chart.KalendarZoom1);
    ClickMenuItem(*form, View(),
                  chart.transparenzfrgefiltertAuftrge1->findChild<QAction *>(QStringLiteral("transparenzfrgefiltertAuftrge170")),
                  chart.transparenzfrgefiltertAuftrge1);
    ASSERT_EQ(form->TimeChartView->Geometry().Zoom(), 150);
    ASSERT_EQ(chart.GetTransparency(), 70);

    // A task (the document is no longer untouched), a second group tab and a filter set in tab 0.
    AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("1"));
    core->AddPositionGroup(QStringLiteral("Second"), CommaTextOf({core->Positiongroups(false, true)[0]}));
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    TFilterParams filter;
    filter.FilterType = ftText;
    filter.FilterSubType = fsEmpty;
    form->Tables().Filters().SetFilter(tbTable, comment, filter);
    ASSERT_TRUE(core->GetHeader(tbTable, comment)->IsFiltered());
    QTabBar *tabs = form->TabControl1;
    ASSERT_EQ(tabs->tabText(0), QStringLiteral("all"));

    ChooseLanguage(QStringLiteral("deutsch"));
    EXPECT_EQ(form->Settings().Language(), QStringLiteral("deutsch"));
    // The captions as the menus show them, before anything opens them again.
    EXPECT_EQ(View()->title(), QStringLiteral("&Ansicht"));
    EXPECT_EQ(chart.KalendarZoom1->title(), QStringLiteral("Zoom der Zeitleiste (150 %)"));
    EXPECT_EQ(chart.transparenzfrgefiltertAuftrge1->title(), QString::fromUtf8("Transparenz gefilterter Aufträge (70 %)"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("alle"));
    EXPECT_EQ(core->GroupTabCaptions().value(0), QStringLiteral("alle"));
    EXPECT_EQ(form->TimeChartView->Geometry().Zoom(), 150);

    // Tab 0 keeps its filter: to the second tab and back with clicks.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(core->GroupTabIndex(), 1);
    EXPECT_FALSE(core->GetHeader(tbTable, comment)->IsFiltered());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    ASSERT_EQ(core->GroupTabIndex(), 0);
    EXPECT_TRUE(core->GetHeader(tbTable, comment)->IsFiltered());

    // Back to the built-in texts (a name without a language file).
    form->Settings().SetLanguage(QStringLiteral("default"));
    EXPECT_EQ(chart.KalendarZoom1->title(), QStringLiteral("Timechart zoom (150 %)"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("all"));
    EXPECT_TRUE(core->GetHeader(tbTable, comment)->IsFiltered());
}

// The language menu is filled anew each time the Setup menu opens: opening it again and again
// neither grows it nor keeps the items of earlier openings alive.
TEST_F(LanguageSwitchTest, ReopeningTheMenuKeepsOneItemPerLanguage)
{
    QPointer<QAction> first;
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(OpenMenu(*form, form->Format1));
        ASSERT_TRUE(OpenSubMenu(form->Format1, form->Sprache1));
        QAction *item = LanguageItem(QStringLiteral("deutsch"));
        ASSERT_NE(item, nullptr);
        if (round == 0)
            first = item;
        EXPECT_EQ(form->Sprache1->actions().count(item), 1);
        EXPECT_EQ(form->Sprache1->findChildren<QActionGroup *>().size(), 1);
        QTest::keyClick(form->Sprache1, Qt::Key_Escape);
        QTest::keyClick(form->Format1, Qt::Key_Escape);
        ASSERT_TRUE(WaitUntil([this] { return !form->Format1->isVisible(); }));
    }
    // The items of the first opening are gone, not merely taken out of the menu.
    EXPECT_TRUE(first.isNull());
}

// The search box's hint and the editor window's count of selected rows follow the language:
// at start-up from the program ini, and at once when the user switches, with no new
// selection. The title keeps naming the document opened since the last switch.
TEST_F(LanguageSwitchTest, HintsAndCountsFollowTheLanguageAtOnce)
{
    // A language of the built-in texts, to come back to through the menu.
    const QString english = QDir(folder).filePath(QStringLiteral("english.lng"));
    {
        QFile file(english);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[translated]\r\n");
    }
    const auto removeEnglish = qScopeGuard([&] { QFile::remove(english); });
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("velmora.ini"));
    {
        TMemIniFile file(ini);
        file.WriteString(QStringLiteral("view"), QStringLiteral("language"), QStringLiteral("deutsch"));
        ASSERT_TRUE(file.UpdateFile(false));
    }
    {
        TScriptedMainForm started;
        started.Settings().SetIniFileName(ini);
        EXPECT_EQ(started.Edit2->placeholderText(), QStringLiteral("Search"));
        started.LoadIni();
        EXPECT_EQ(started.Edit2->placeholderText(), QStringLiteral("Suchen"));
        EXPECT_EQ(started.ToolBar1->windowTitle(), QStringLiteral("Suchen"));
    }
    ChooseLanguage(QStringLiteral("english"));

    // The editor in its own window counts two rows picked with clicks.
    const QString plan = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    ASSERT_FALSE(plan.isEmpty());
    form->Open(plan);
    const QString title = form->windowTitle();
    ASSERT_TRUE(title.endsWith(QStringLiteral("plan.zop")));
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 3; ++i)
        rows.push_back(AddTask(QStringLiteral("Position 1"), QStringLiteral("0%1.03.2024").arg(4 + i), QStringLiteral("1")));
    QApplication::processEvents();
    ClickMenuItem(*form, View(), form->EditorAsForm);
    ASSERT_TRUE(form->Editor().EditorAsForm());
    TBaseTreeGrid *grid = form->StringTreeGrid1;
    ClickCell(grid, rows[0]->VNode, 1);
    ClickCell(grid, rows[2]->VNode, 1, Qt::ControlModifier);
    TEditorForm *editor = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        editor = form->Editor().EditorForm();
        return editor && editor->isVisible() && editor->StatusText().startsWith(QLatin1Char('2'));
    }));
    ASSERT_EQ(editor->StatusText(), QStringLiteral("2 items selected"));
    ChooseLanguage(QStringLiteral("deutsch"));
    EXPECT_EQ(form->Edit2->placeholderText(), QStringLiteral("Suchen"));
    EXPECT_EQ(editor->StatusText(), QString::fromUtf8("2 Einträge ausgewählt"));
    EXPECT_EQ(form->windowTitle(), title);

    // Another document, and back to the built-in texts: nothing returns to what it showed
    // at the first switch.
    const QString other = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("other.zop")));
    form->answers.append(mrNo); // the tasks of the first stay unsaved
    form->Open(other);
    ASSERT_TRUE(form->windowTitle().endsWith(QStringLiteral("other.zop"))) << form->questions.join('|').toStdString();
    const QString otherTitle = form->windowTitle();
    TNodeData *row = AddTask(QStringLiteral("Position 2"), QStringLiteral("11.03.2024"), QStringLiteral("1"));
    QApplication::processEvents();
    ClickCell(grid, row->VNode, 1);
    ASSERT_TRUE(WaitUntil([&] { return editor->isVisible() && editor->StatusText().startsWith(QLatin1Char('1')); }));
    ASSERT_EQ(editor->StatusText(), QString::fromUtf8("1 Einträge ausgewählt"));
    ChooseLanguage(QStringLiteral("english"));
    EXPECT_EQ(form->Edit2->placeholderText(), QStringLiteral("Search"));
    EXPECT_EQ(form->ToolBar1->windowTitle(), QStringLiteral("Search"));
    EXPECT_EQ(editor->StatusText(), QStringLiteral("1 items selected"));
    EXPECT_EQ(form->windowTitle(), otherTitle);
}

namespace {

// A language file of the given lines beside the others, removed with the guard.
auto ExtraLanguage(const QString &folder, const QString &name, const QByteArray &lines)
{
    const QString path = QDir(folder).filePath(name + QStringLiteral(".lng"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[translated]\r\n" + lines);
    file.close();
    return qScopeGuard([path] { QFile::remove(path); });
}

// Shows a page of the tables with a click on its tab.
void ShowPage(TMainForm &window, int page)
{
    QTabBar *tabs = window.PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    ASSERT_EQ(window.PageControl1->currentIndex(), page);
    QApplication::processEvents();
}

} // namespace

// Columns narrowed by hand keep their widths when the language changes: in a new document,
// which is made again with translated captions, and in a saved one opened again in the other
// language, where the absent days' columns show other captions.
TEST_F(LanguageSwitchTest, ColumnsSizedByHandKeepTheirWidthsInAnotherLanguage)
{
    const auto removeLanguage = ExtraLanguage(folder, QStringLiteral("bemerkung"), "Comment=Bemerkung\r\n");
    QTemporaryDir dir;
    const QString plan = dir.filePath(QStringLiteral("plan.zop"));
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    const int absentComment = core->GetConnection(tbExclude, cnTextCenterMiddle);
    int task = 0;
    int absent = 0;
    {
        TScriptedMainForm window(mrNo);
        ASSERT_NO_FATAL_FAILURE(windowtest::ShowActive(window));
        TBaseTreeGrid *tasks = window.StringTreeGrid1;
        DragHeaderBorder(tasks, tasks->Header()->Columns()->Items(comment), -15);
        task = tasks->Header()->Columns()->Items(comment)->Width();

        // Untouched, the new document is made again in the language chosen.
        ASSERT_NO_FATAL_FAILURE(ChooseLanguage(QStringLiteral("bemerkung"), &window));
        ASSERT_EQ(window.Core().GetColumnCaption(tbTable, comment), QStringLiteral("Bemerkung"));
        EXPECT_EQ(tasks->Header()->Columns()->Items(comment)->Width(), task);

        ASSERT_TRUE(window.File().Save(plan));
        ASSERT_NO_FATAL_FAILURE(ShowPage(window, 1));
        TBaseTreeGrid *days = window.StringTreeGrid2;
        ASSERT_EQ(window.Core().GetColumnCaption(tbExclude, absentComment), QStringLiteral("Bemerkung"));
        DragHeaderBorder(days, days->Header()->Columns()->Items(absentComment), -15);
        absent = days->Header()->Columns()->Items(absentComment)->Width();
        ASSERT_TRUE(window.close());
    }

    form->Settings().SetLanguage(QStringLiteral("default"));
    form->Open(plan);
    ASSERT_EQ(core->GetColumnCaption(tbExclude, absentComment), QStringLiteral("Comment"));
    EXPECT_EQ(form->StringTreeGrid2->Header()->Columns()->Items(absentComment)->Width(), absent);
    EXPECT_EQ(form->StringTreeGrid1->Header()->Columns()->Items(comment)->Width(), task);
}

// A yes/no column shows other words in another language: the rows shown are measured again,
// so that no word is cut.
TEST_F(LanguageSwitchTest, YesNoColumnsAreMeasuredAgainInAnotherLanguage)
{
    const auto removeLanguage = ExtraLanguage(folder, QStringLiteral("lang"), "no=auf gar keinen Fall und niemals\r\n");
    AddAbsenceRow(*core, QStringLiteral("Position 1"), EncodeDate(2024, 3, 4), 1, false);
    ASSERT_NO_FATAL_FAILURE(ShowPage(*form, 1));
    TStringTreeGrid *days = form->StringTreeGrid2;
    QStringList shortened;
    days->OnShortenString = [&](TBaseTreeGrid *, TCanvas &, TGridNode *, TColumnIndex, const QString &text, int,
                                QString &, bool &) { shortened.append(text); };
    const auto cut = [&] {
        QApplication::processEvents();
        shortened.clear();
        days->viewport()->repaint();
        return shortened;
    };
    ASSERT_EQ(cut(), QStringList());

    ChooseLanguage(QStringLiteral("lang"));
    EXPECT_EQ(cut(), QStringList());
    days->OnShortenString = nullptr;
}
