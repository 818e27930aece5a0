#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QFile>
#include <QPointer>
#include <QStatusBar>

#include "sync/DirWatchThread.h"
#include "window/FormMain.h"
#include "Helper.h"
#include "common/TestSupport.h"

namespace {

QString TempFile(const QString &name, const QByteArray &content)
{
    const QString path = QDir(testsupport::testRoot()).filePath(name);
    testsupport::writeFile(path, content);
    return path;
}

} // namespace

TEST_F(CoreTest, NewDocumentResetsEverything)
{
    AddTask("Position 1", "04.03.2024", "1");
    core->SetMinUnit(muMinute);
    core->FUndoRedoGroupIndex = -1;
    core->FDefaultCalcWorkdays = false;
    core->FColors = {0x123456};
    core->FSaveFileCompressed = false; // as after opening a plain file
    core->AddPositionGroup("Only one", QString());
    ASSERT_FALSE(undo.UndoList().empty());
    ASSERT_TRUE(sync->DirWatchThread()->HasUnwrittenEvents());

    core->ActionNewExecute();
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    EXPECT_EQ(core->GetMinUnit(), muDay);
    EXPECT_TRUE(undo.UndoList().empty());
    EXPECT_TRUE(undo.GetAcceptUndo());
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents()); // dropped without a question
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(core->FDefaultHolidayReason, QStringLiteral("Holiday"));
    EXPECT_TRUE(core->FDefaultCalcWorkdays);
    EXPECT_TRUE(core->FSaveFileCompressed);
    EXPECT_EQ(core->GroupTabCaptions(), QStringList{"all"});
    EXPECT_EQ(core->FColors, (QVector<TColor>{0xFFFFFF, 0x00FFFF, 0x00BF00}));
    EXPECT_EQ(core->FHolidayColors, (QVector<TColor>{0xF0E5CC, 0xE0CA92, 0x978762}));
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_FALSE(window.busy);
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 0"));
    EXPECT_EQ(sync->DirWatchThread()->GetPossibleFileName(), QStringLiteral("New Table.zop"));
}

TEST_F(CoreTest, UpdateBracketNestsAndRestoresTheStatusText)
{
    core->BeginUpdate("outer");
    core->BeginUpdate("inner");
    EXPECT_EQ(window.status[3], QStringLiteral("inner"));
    EXPECT_TRUE(window.busy);
    core->EndUpdate();
    EXPECT_EQ(window.status[3], QStringLiteral("outer"));
    EXPECT_TRUE(core->IsUpdating());
    EXPECT_TRUE(window.busy);
    core->EndUpdate();
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_FALSE(window.busy);
    core->EndUpdate(); // one too many does no harm
    EXPECT_FALSE(core->IsUpdating());
}

TEST_F(CoreTest, BoundsFollowTheValidRows)
{
    core->UpdateBoundsProc();
    const TDateTime today = Date();
    // No valid row: now - 14 to now + the visible width + 14.
    EXPECT_EQ(core->MinDate(), today - 14);
    EXPECT_EQ(core->MaxDate(), today + 60 + 14);
    TNodeData *task = AddTask("Position 1", core->FormatDateTime(today + 400), "1");
    ASSERT_TRUE(task->nodeValid);
    core->UpdateBoundsProc();
    // The row widened to the visible width, and the date the user looked at stays inside.
    EXPECT_EQ(core->MinDate(), today);
    EXPECT_EQ(core->MaxDate(), today + 400 + 60 + 14);
}

TEST_F(CoreTest, OpenChecksTheFileFirst)
{
    window.answers = {mrOk};
    documentFile->Open(QDir(testsupport::testRoot()).filePath("missing.zop"));
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_TRUE(window.questions[0].startsWith("File ")) << window.questions[0].toStdString();
    EXPECT_TRUE(window.questions[0].endsWith("missing.zop does not exist."));

    // A file of another type leaves a new document and reports the unknown type.
    TNodeData *node = AddTask("Position 1", "04.03.2024", "1");
    core->FUndoRedoGroupIndex = -1;
    const QString text = TempFile("notes.txt", "hello");
    window.answers = {mrNo, mrOk};
    EXPECT_THROW(documentFile->Open(text), EPlannerError);
    ASSERT_EQ(window.questions.size(), 3);
    EXPECT_EQ(window.questions[1], QStringLiteral("Do you want to save changes?"));
    EXPECT_EQ(window.questions[2], QStringLiteral("File cannot be loaded. The Filetype is unknown."));
    EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
    EXPECT_FALSE(core->IsLoading());
    EXPECT_FALSE(core->IsUpdating());
    (void)node;

    // Cancel at the save question keeps the document as it is.
    AddTask("Position 1", "04.03.2024", "1");
    window.answers = {mrCancel};
    documentFile->Open(text);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
    // Yes without a way to save keeps it too: nothing is lost.
    window.answers = {mrYes};
    documentFile->Open(text);
    EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
    EXPECT_EQ(window.questions.size(), 5);
}

TEST_F(CoreTest, CloseAsksOnlyWithUnwrittenChanges)
{
    EXPECT_TRUE(documentFile->FormClose());
    EXPECT_TRUE(window.questions.isEmpty());
    AddTask("Position 1", "04.03.2024", "1");
    window.answers = {mrCancel, mrYes, mrNo};
    EXPECT_FALSE(documentFile->FormClose());
    EXPECT_FALSE(documentFile->FormClose()); // saving is not possible yet: the window stays
    EXPECT_TRUE(documentFile->FormClose());
    EXPECT_EQ(window.questions.size(), 3);
    EXPECT_EQ(window.questions[0], QStringLiteral("Do you want to save changes?"));
}

TEST(MainFormTest, StartsWithANewDocumentAndClosesOffscreen)
{
    auto *form = new TScriptedMainForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TMainForm> guard(form);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - New Table.zop"));
    EXPECT_EQ(form->Core().GetTableColCount(tbTable), 6);
    EXPECT_EQ(form->Core().GetTableColCount(tbExclude), 7);
    for (const char *name : {"ActionNew", "ActionOpen", "ActionClose", "ActionAddNode", "ActionDeleteNode",
                             "ActionUndo", "ActionRedo", "localUndo", "Dateikomprimiertspeichern1",
                             "StringTreeGrid1", "StringTreeGrid2", "PageControl1", "StatusBar1"})
        EXPECT_NE(form->findChild<QObject *>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_TRUE(form->Dateikomprimiertspeichern1->isChecked());
    form->show();
    QApplication::processEvents();

    // Two arguments open nothing and ask nothing; one missing file is reported.
    form->OpenCommandLine({QStringLiteral("/no/such/a.zop"), QStringLiteral("/no/such/b.zop")});
    EXPECT_TRUE(form->questions.isEmpty());
    form->DropFiles({QStringLiteral("/no/such/a.zop"), QStringLiteral("/no/such/b.zop")});
    EXPECT_TRUE(form->questions.isEmpty());
    form->OpenCommandLine({QStringLiteral("/no/such/a.zop")});
    EXPECT_EQ(form->questions.size(), 1);

    // Switching the page switches the active table.
    form->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(form->Core().GetActiveTable(), tbExclude);
    form->ActionAddNode->trigger();
    EXPECT_EQ(form->Core().GetTableRowCount(tbExclude), 1);
    // Keys reach the window before the grid: Delete asks, Page Down moves the only selection.
    form->ActionAddNode->trigger();
    TBaseTreeGrid *grid = form->Core().GetTable(tbExclude);
    TGridNode *second = grid->FocusedNode();
    ASSERT_NE(second, nullptr);
    TGridNode *first = grid->GetFirst();
    grid->ClearSelection();
    grid->SetSelected(first, true);
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(grid, &pageDown);
    EXPECT_TRUE(grid->Selected(second));
    EXPECT_FALSE(grid->Selected(first));
    const auto asked = form->questions.size();
    form->answers = {mrCancel};
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(grid, &del);
    EXPECT_EQ(form->questions.size(), asked + 1);
    EXPECT_EQ(form->questions.last(), QStringLiteral("Delete selected task?"));
    EXPECT_EQ(form->Core().GetTableRowCount(tbExclude), 2);

    // Delete with nothing selected asks nothing, but the status bar is brought up to date.
    grid->ClearSelection();
    auto *total = form->findChild<QLabel *>(QStringLiteral("StatusPanel0"));
    ASSERT_NE(total, nullptr);
    total->setText(QStringLiteral("stale"));
    form->ActionDeleteNode->trigger();
    EXPECT_EQ(form->questions.size(), asked + 1);
    EXPECT_EQ(total->text(), QStringLiteral("Table total: 2"));

    // The new rows are unwritten: closing asks, and No closes without saving.
    form->answers = {mrNo};
    EXPECT_TRUE(form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(CoreTest, StatusBarCountsTheActiveTable)
{
    TNodeData *a = AddTask("Position 1", "04.03.2024", "1");
    AddTask("*", "04.03.2024", "1");
    AddTask("Nowhere", "04.03.2024", "1");
    core->SetNodeFiltered(a, true);
    // Row changes refresh the status bar once the event loop is idle.
    QApplication::processEvents();
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 3"));
    EXPECT_EQ(window.status[1], QStringLiteral("in all: 2"));
    EXPECT_EQ(window.status[2], QStringLiteral("filtered: 2"));
    core->SetActiveTable(tbExclude);
    core->UpdateStatusBar();
    EXPECT_EQ(window.status[0], QStringLiteral("Table total: 0"));
}
