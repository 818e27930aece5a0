// The language chosen in the Setup menu: the View menu's zoom and transparency captions show
// the values in force in the new language at once, and group tab 0 is translated again,
// keeping the filters set in it.

#include "planner/window/WindowTestSupport.h"

#include <QActionGroup>
#include <QDir>
#include <QPointer>
#include <QFile>
#include <QStandardPaths>
#include <QTabBar>

#include "CommaText.h"
#include "Language.h"
#include "chart/ChartCommands.h"
#include "chart/TimeChartView.h"
#include "table/FilterEngine.h"
#include "table/PlannerTables.h"
#include "editor/PropertyEditor.h"
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
                   "&View=&Ansicht\r\n");
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
    QAction *LanguageItem(const QString &name)
    {
        for (QAction *item : form->Sprache1->actions())
            if (item->text() == name)
                return item;
        return nullptr;
    }
    void ChooseLanguage(const QString &name)
    {
        ASSERT_TRUE(OpenMenu(*form, form->Format1));
        ASSERT_TRUE(OpenSubMenu(form->Format1, form->Sprache1));
        QAction *item = LanguageItem(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        ClickOpenMenuItem(form->Sprache1, item);
        ASSERT_TRUE(WaitUntil([this] { return !form->Format1->isVisible(); }));
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
