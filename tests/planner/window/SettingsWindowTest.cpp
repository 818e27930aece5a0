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
#include <QMenuBar>
#include <QSizeGrip>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWindow>

#include "MemIniFile.h"
#include "chart/TimeChartView.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "sync/DirWatchThread.h"
#include "table/FilterEngine.h"
#include "table/OverlapSolver.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
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
    ASSERT_EQ(form->Sync().DirWatchThread()->Filename(), plan);
    form->ActionAddNodeExecute();
    TDirWatchThread *journal = form->Sync().DirWatchThread();
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
    EXPECT_TRUE(form->Sync().DirWatchThread()->Filename().isEmpty());
    form->RecentFiles().Action(1)->trigger();
    ASSERT_EQ(form->Sync().DirWatchThread()->Filename(), plan);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + plan);
    EXPECT_EQ(form->Settings().CurrentDocumentSettings(), kept);
    // The filter of the tab shown is in its column again.
    const THeaderData *comment = form->Core().GetHeader(tbTable, form->Core().GetConnection(tbTable, cnTextCenterMiddle));
    EXPECT_EQ(comment->Filter.FilterType, ftText);
    EXPECT_EQ(comment->Filter.Text1, QStringLiteral("a*"));
}

TEST_F(SettingsWindowTest, TheUsersViewComesBackWhenTheDocumentIsOpenedAgain)
{
    const QString plan = dir.filePath(QStringLiteral("rows.zop"));
    {
        auto form = Form();
        TPlannerCore &core = form->Core();
        for (const char *comment : {"apple", "berry", "avocado"}) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, QStringLiteral("Position 1"));
            core.SetData_(node, cnStart, QStringLiteral("02.03.2026"));
            core.SetData_(node, cnLength, QStringLiteral("2"));
            core.SetData_(node, cnTextCenterMiddle, QString::fromLatin1(comment));
        }
        ASSERT_TRUE(form->File().Save(plan));
    }
    const auto shown = [](TMainForm &form) {
        QStringList texts;
        form.Core().ForEach(tbTable, feFiltered,
                            [&](TNodeData *node) { texts.append(form.Core().GetData_(node, cnTextCenterMiddle)); });
        return texts;
    };
    TDateTime start = 0;
    {
        auto form = Form();
        form->LoadIni();
        form->resize(900, 600);
        form->show();
        form->Open(plan);
        ASSERT_EQ(shown(*form), (QStringList{QStringLiteral("apple"), QStringLiteral("berry"), QStringLiteral("avocado")}));
        // What the user does: a filter from the column's pop-up, a zoom, a scroll, the panes
        // dragged, the editor made a window and items arranged by themselves.
        const int comment = form->Core().GetConnection(tbTable, cnTextCenterMiddle);
        TFilterParams filter;
        filter.FilterType = ftText;
        filter.FilterSubType = fsText;
        filter.Text1 = QStringLiteral("a*");
        form->Tables().Filters().SetFilter(tbTable, comment, filter);
        QApplication::processEvents();
        ASSERT_EQ(shown(*form), (QStringList{QStringLiteral("apple"), QStringLiteral("avocado")}));
        form->TimeChartView->SetZoom(150);
        const int panes = form->Splitter1->sizes().value(0) + form->Splitter1->sizes().value(1);
        form->Splitter1->setSizes({250, panes - 250});
        TNodeData *row = nullptr;
        form->Core().ForEach(tbTable, feFiltered, [&row](TNodeData *node) { row = row ? row : node; });
        ASSERT_NE(row, nullptr);
        form->StringTreeGrid1->SetSelected(row->VNode, true);
        // The chart follows a row picked in the table once the pick is answered; the scroll
        // comes after that, as the user's last move.
        ASSERT_TRUE(userinput::WaitUntil([&] { return !form->Tables().Selection().Pending(); }));
        QApplication::processEvents();
        form->TimeChartView->SetTimeChartDestination(EncodeDate(2026, 2, 20), 0, true);
        start = form->TimeChartView->Geometry().Start();
        const TTimeChartGeometry &geometry = form->TimeChartView->Geometry();
        ASSERT_GT(std::abs(start - geometry.ClampStartDestination(Now() - geometry.VisibleDays() / 3)), 2.0);
        form->EditorAsForm->trigger();
        ASSERT_TRUE(form->Editor().EditorForm() && form->Editor().EditorForm()->isVisible());
        form->Editor().EditorForm()->resize(360, form->Editor().EditorForm()->height());
        QApplication::processEvents();
        form->AutoArrange->trigger();
        ASSERT_TRUE(form->close());
    }
    // Started again with the document on the command line: it is opened before the window
    // has its size, and the chart still starts where the user left it.
    auto form = Form();
    form->LoadIni();
    form->OpenCommandLine({plan});
    form->show();
    userinput::WaitUntil([&] { return form->TimeChartView->Geometry().ChartWidth() > 0; });
    QApplication::processEvents();
    EXPECT_EQ(form->TimeChartView->Geometry().Start(), start);
    EXPECT_EQ(form->TimeChartView->Geometry().Zoom(), 150);
    EXPECT_EQ(form->Splitter1->sizes().value(0), 250);
    EXPECT_TRUE(form->EditorAsForm->isChecked());
    EXPECT_TRUE(form->Editor().EditorAsForm());
    EXPECT_EQ(form->Editor().FEditorSize[tbTable].width(), 360);
    EXPECT_TRUE(form->AutoArrange->isChecked());
    EXPECT_TRUE(form->OverlapSolver().AutoArrange());
    EXPECT_EQ(shown(*form), (QStringList{QStringLiteral("apple"), QStringLiteral("avocado")}));
    const THeaderData *header = form->Core().GetHeader(tbTable, form->Core().GetConnection(tbTable, cnTextCenterMiddle));
    EXPECT_EQ(header->Filter.Text1, QStringLiteral("a*"));

    // A document the user never set up starts at the default view, a third of it before now.
    form->ActionNewExecute();
    const QString fresh = Document(QStringLiteral("fresh.zop"));
    form->Open(fresh);
    const TTimeChartGeometry &geometry = form->TimeChartView->Geometry();
    EXPECT_NEAR(geometry.Start(), geometry.ClampStartDestination(Now() - geometry.VisibleDays() / 3), 1.0);
    EXPECT_EQ(geometry.Top(), 0);
    // So does one whose kept start cannot be read.
    {
        TMemIniFile file(form->Sync().DirWatchThread()->GetUserSettingsFileName());
        file.WriteString(QStringLiteral("setup"), QStringLiteral("LastTimeChartStart"), QStringLiteral("no date"));
        ASSERT_TRUE(file.UpdateFile(false));
    }
    form->TimeChartView->SetTimeChartDestination(geometry.Start() + 30, 0, true);
    form->Open(fresh);
    EXPECT_NEAR(geometry.Start(), geometry.ClampStartDestination(Now() - geometry.VisibleDays() / 3), 1.0);
}

TEST_F(SettingsWindowTest, AnImportedDocumentBringsItsViewUntilTheUserHasSettings)
{
    const QString old = dir.filePath(QStringLiteral("old.zop"));
    // Items were arranged by themselves, and the filter belonged to the first tab.
    QByteArray content = testsupport::readFile(testsupport::dataFile(QStringLiteral("old-document.zop")));
    content.replace("[Setup]\r\n", "[Setup]\r\nAutoArrange=1\r\n");
    content.replace("[Filter0]\r\n", "[Filter0]\r\nGroup=all\r\n");
    ASSERT_TRUE(testsupport::writeFile(old, content));
    auto form = std::make_unique<TScriptedMainForm>(mrOk);
    form->Settings().SetIniFileName(ini);
    ASSERT_FALSE(form->AutoArrange->isChecked());
    form->Open(old);
    ASSERT_EQ(form->questions.value(0), QStringLiteral("Import will convert the file to new fileformat!"));
    EXPECT_TRUE(form->AutoArrange->isChecked());
    EXPECT_TRUE(form->OverlapSolver().AutoArrange());
    // The filter took effect: only the mill's task shows.
    QStringList machines;
    form->Core().ForEach(tbTable, feFiltered, [&](TNodeData *node) { machines.append(form->Core().GetData(node, 0)); });
    EXPECT_EQ(machines, QStringList{QStringLiteral("Mill")});
    TDocumentSettings s = form->Settings().CurrentDocumentSettings();
    EXPECT_EQ(s.Footer, QStringLiteral("Page footer"));
    EXPECT_TRUE(s.PrintToday);
    EXPECT_EQ(s.FontName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(s.FontSize, 8);
    EXPECT_EQ(s.Zoom, 150);
    EXPECT_EQ(s.ColWidth, 12);
    ASSERT_EQ(s.Filters.size(), 1u);
    EXPECT_EQ(s.Filters[0], (TSavedFilter{3, 4, QStringLiteral("Mill"), QString(), 0, QStringLiteral("all"), QStringLiteral("Machine")}));

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
        ASSERT_TRUE(form->File().Save(plan));
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

    // While the item is disabled (the table hidden) the editor stays docked; the option is
    // kept for the next start.
    auto docked = Form();
    docked->EditorAsForm->setEnabled(false);
    docked->LoadIni();
    EXPECT_FALSE(docked->EditorAsForm->isChecked());
    EXPECT_FALSE(docked->Editor().EditorAsForm());
    EXPECT_TRUE(docked->Settings().CurrentProgramSettings().EditorAsForm);
}

TEST_F(SettingsWindowTest, AChoiceSurvivesItsItemBeingDisabledByAnotherOption)
{
    {
        auto form = Form();
        form->LoadIni();
        form->show();
        auto *lines = form->findChild<QAction *>(QStringLiteral("LinienzwischenArbeitspltze1"));
        auto *multi = form->findChild<QAction *>(QStringLiteral("LinienzwischenmultiArbeitspltze1"));
        ASSERT_TRUE(lines && multi);
        if (!lines->isChecked())
            lines->trigger();
        QApplication::processEvents();
        ASSERT_TRUE(multi->isEnabled());
        multi->trigger();
        const bool chosen = multi->isChecked();
        // Lines between resources off: the multi-row item is disabled, the choice stays.
        lines->trigger();
        QApplication::processEvents();
        ASSERT_FALSE(multi->isEnabled());
        EXPECT_EQ(form->Settings().CurrentProgramSettings().DrawLinesMultiRow, chosen);
        ASSERT_TRUE(form->close());
    }
    auto form = Form();
    form->LoadIni();
    const TProgramSettings s = form->Settings().CurrentProgramSettings();
    EXPECT_FALSE(s.DrawLines);
    EXPECT_EQ(s.DrawLinesMultiRow, !TProgramSettings().DrawLinesMultiRow);
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

// The editor window comes back at the size the settings hold: the size they start with before
// the user ever sized it, and the size the user dragged it to, taller than its lines need.
TEST_F(SettingsWindowTest, TheEditorWindowComesBackAtTheSizeKept)
{
    const QString plan = dir.filePath(QStringLiteral("editor.zop"));
    {
        auto form = Form();
        TNodeData *node = AddTaskRow(form->Core(), QStringLiteral("Position 1"), QStringLiteral("02.03.2026"),
                                     QStringLiteral("2"));
        ASSERT_NE(node, nullptr);
        ASSERT_TRUE(form->File().Save(plan));
    }
    // The document opened in a started window, its row clicked: the editor shows.
    const auto editorOf = [&](TScriptedMainForm &form) -> TEditorForm * {
        form.LoadIni();
        form.resize(1000, 700);
        form.show();
        form.Open(plan);
        QApplication::processEvents();
        TNodeData *row = nullptr;
        form.Core().ForEach(tbTable, feAll, [&row](TNodeData *node) { row = node; });
        if (!row)
            return nullptr;
        userinput::ClickCell(form.StringTreeGrid1, row->VNode, 1);
        TEditorForm *editor = nullptr;
        userinput::WaitUntil([&] {
            editor = form.Editor().EditorForm();
            return editor && editor->isVisible();
        });
        return editor && editor->isVisible() ? editor : nullptr;
    };
    {
        auto form = Form();
        form->EditorAsForm->trigger();
        TEditorForm *editor = editorOf(*form);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->size(), QSize(300, 300));
        // The user drags the size grip 30 pixels right and 20 up: the grip moves with the
        // window, the pointer goes on over the screen.
        auto *grip = editor->findChild<QSizeGrip *>();
        ASSERT_NE(grip, nullptr);
        // Pressed where the user sees it: the status bar lays the grip out after the window
        // shows, into the bottom-right corner, where it sizes to the right and down.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
        ASSERT_TRUE(userinput::WaitUntil([&] {
            const QRect placed(grip->mapTo(editor, QPoint(0, 0)), grip->size());
            return placed.left() > editor->width() / 2 && placed.top() > editor->height() / 2;
        }));
        const QPoint pressed = grip->mapToGlobal(grip->rect().center());
        QTest::mousePress(grip, Qt::LeftButton, {}, grip->mapFromGlobal(pressed));
        for (const QPoint step : {QPoint(15, -10), QPoint(30, -20)})
            QTest::mouseMove(grip, grip->mapFromGlobal(pressed + step));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(pressed + QPoint(30, -20)));
        QApplication::processEvents();
        ASSERT_EQ(editor->size(), QSize(330, 280));
        ASSERT_TRUE(form->close());
    }
    auto form = Form();
    TEditorForm *editor = editorOf(*form);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->size(), QSize(330, 280));
    const TMemIniFile settings(form->Sync().DirWatchThread()->GetUserSettingsFileName());
    EXPECT_EQ(settings.ReadInteger(QStringLiteral("setup"), QStringLiteral("editorheight"), 0), 280);
}

// The editor's window moved by the user, then docked again: the place kept in the program ini
// comes back when a later start makes the window, and a run that never makes it keeps it.
TEST_F(SettingsWindowTest, TheEditorWindowsPlaceKeptWhileDockedComesBackWhenItIsMade)
{
    const QPoint kept(399, 310);
    const auto editorPlace = [this] {
        const TMemIniFile file(ini);
        return QPoint(file.ReadInteger(QStringLiteral("setup"), QStringLiteral("editorleft"), -1),
                      file.ReadInteger(QStringLiteral("setup"), QStringLiteral("editortop"), -1));
    };
    // A run: the window started docked, the editor made a window (and moved by the user) or not.
    const auto run = [&](bool makeWindow, const std::function<void(TEditorForm &)> &shown) {
        auto form = Form();
        form->LoadIni();
        ASSERT_NO_FATAL_FAILURE(windowtest::ShowActive(*form));
        ASSERT_FALSE(form->EditorAsForm->isChecked());
        QMenu *view = form->menuBar()->findChild<QMenu *>(QStringLiteral("View1"));
        if (makeWindow) {
            userinput::ClickMenuItem(*form, view, form->EditorAsForm);
            TNodeData *task = AddTaskRow(form->Core(), QStringLiteral("Position 1"), QStringLiteral("04.03.2024"),
                                         QStringLiteral("2"));
            userinput::ClickCell(form->StringTreeGrid1, task->VNode,
                                 form->Core().GetConnection(tbTable, cnTextCenterMiddle));
            TEditorForm *editor = form->Editor().EditorForm();
            ASSERT_NE(editor, nullptr);
            ASSERT_TRUE(userinput::WaitUntil([editor] { return editor->isVisible(); }));
            shown(*editor);
            userinput::ClickMenuItem(*form, view, form->EditorAsForm);
            ASSERT_TRUE(userinput::WaitUntil([editor] { return !editor->isVisible(); }));
        }
        // Whether to save the new document: no.
        form->answers = {mrNo};
        ASSERT_TRUE(form->close());
    };
    ASSERT_NO_FATAL_FAILURE(run(true, [&](TEditorForm &editor) {
        // A move of the window manager reaches the window as a new position of its window. On a
        // busy machine the window may still be settling where it was shown (its frame, its first
        // place) after it shows: the move is made again whenever the window stands elsewhere
        // than where it stood when the move was made.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
        QRect aimedAt;
        ASSERT_TRUE(userinput::WaitUntil([&] {
            const QRect frame = editor.frameGeometry();
            if (frame.topLeft() == kept)
                return true;
            if (frame != aimedAt) {
                aimedAt = frame;
                editor.windowHandle()->setPosition(kept + editor.geometry().topLeft() - frame.topLeft());
            }
            return false;
        }));
    }));
    ASSERT_EQ(editorPlace(), kept);
    ASSERT_NO_FATAL_FAILURE(run(false, {}));
    EXPECT_EQ(editorPlace(), kept);
    ASSERT_NO_FATAL_FAILURE(run(true, [&](TEditorForm &editor) { EXPECT_EQ(editor.frameGeometry().topLeft(), kept); }));
    EXPECT_EQ(editorPlace(), kept);
}
