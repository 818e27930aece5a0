// What the editor's fields do with what the user types, in the main window as a user works it:
// a field takes typing only for selected rows; a date half typed stays unwritten while the
// user is in another program or a menu; a save, or another document opened, writes the date
// typed in the field first; and a text that is no date stays in its field, marked, unwritten.

#include "planner/window/WindowTestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include "editor/PropertyEditor.h"
#include "sync/DirWatchThread.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
#include "window/RecentFiles.h"

using namespace userinput;

namespace {

class EditorTypingTest : public windowtest::MainWindowTest
{
protected:
    EditorTypingTest() : MainWindowTest(mrOk) {}

    int Column(TConnection cn) const { return core->GetConnection(tbTable, cn); }
    QLineEdit *Field(TConnection cn) const
    {
        const QString prefix = core->GetColumnType(tbTable, Column(cn)) == ctDate ? QStringLiteral("__date")
                                                                                  : QStringLiteral("__edit");
        return qobject_cast<QLineEdit *>(form->Editor().Control(prefix, Column(cn)));
    }
    // The selection answered: what the event loop does between two actions of a user.
    bool SelectionAnswered()
    {
        return WaitUntil([this] { return !form->Tables().Selection().Pending(); });
    }
    // A click on the row's comment cell, the editor showing it.
    void SelectByClick(TNodeData *row, Qt::KeyboardModifiers modifiers = {})
    {
        ClickCell(form->StringTreeGrid1, row->VNode, Column(cnTextCenterMiddle), modifiers);
        ASSERT_TRUE(SelectionAnswered());
        ASSERT_TRUE(WaitUntil([this] { return form->EditorPanel->isVisible() && form->Editor().EditorVisible(); }));
    }
    // A click into a field; the field has the keys.
    QLineEdit *ClickInto(TConnection cn)
    {
        QLineEdit *field = Field(cn);
        EXPECT_NE(field, nullptr);
        if (!field)
            return nullptr;
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        EXPECT_EQ(QApplication::focusWidget(), field);
        return field;
    }
    QStringList Cells(TConnection cn) const
    {
        QStringList cells;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { cells.append(core->GetData_(node, cn)); });
        return cells;
    }
    // Right after a road that took the selected rows away, the user clicks into the comment
    // field and types: no field takes it, no row changes, and the editor hides.
    void ExpectNoFieldTakesTyping(const char *road)
    {
        SCOPED_TRACE(road);
        ASSERT_TRUE(SelectionAnswered());
        const QStringList comments = Cells(cnTextCenterMiddle);
        QLineEdit *comment = Field(cnTextCenterMiddle);
        ASSERT_NE(comment, nullptr);
        const QString shown = comment->text();
        QTest::mouseClick(comment, Qt::LeftButton, {}, comment->rect().center());
        EXPECT_NE(QApplication::focusWidget(), comment);
        if (QWidget *focus = QApplication::focusWidget()) {
            QTest::keyClicks(focus, "zz");
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        EXPECT_EQ(comment->text(), shown);
        EXPECT_EQ(Cells(cnTextCenterMiddle), comments);
        EXPECT_TRUE(WaitUntil([this] { return !form->EditorPanel->isVisible(); }));
        EXPECT_TRUE(form->Editor().SelectedRows().empty());
    }
};

} // namespace

TEST_F(EditorTypingTest, EveryRoadThatEmptiesTheSelectionHidesTheEditorAndItsFieldsTakeNoTyping)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    for (int i = 0; i < 3; ++i)
        core->SetData_(AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2")),
                       cnTextCenterMiddle, QStringLiteral("task %1").arg(i));
    TStringTreeGrid *grid = form->StringTreeGrid1;
    const auto rowAt = [&](int index) {
        TGridNode *node = grid->GetFirst();
        for (int i = 0; node && i < index; ++i)
            node = grid->GetNext(node);
        return TPlannerCore::NodeData(grid, node);
    };

    // Delete in the table, answered with OK.
    ASSERT_NO_FATAL_FAILURE(SelectByClick(rowAt(0)));
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(core->TotalCount(tbTable), 2);
    ExpectNoFieldTakesTyping("delete");

    // Cut with the keys.
    ASSERT_NO_FATAL_FAILURE(SelectByClick(rowAt(0)));
    QTest::keyClick(grid, Qt::Key_X, Qt::ControlModifier);
    ASSERT_EQ(core->TotalCount(tbTable), 1);
    ExpectNoFieldTakesTyping("cut");

    // A new entry from the menu (its first field takes the keys), then Undo from the menu.
    QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    ClickMenuItem(*form, edit, form->ActionAddNode);
    ASSERT_EQ(core->TotalCount(tbTable), 2);
    ASSERT_TRUE(WaitUntil([this] { return form->EditorPanel->isVisible(); }));
    // One Undo takes the whole entry back, its position included.
    ClickMenuItem(*form, edit, form->ActionUndo);
    ASSERT_EQ(core->TotalCount(tbTable), 1);
    ExpectNoFieldTakesTyping("undo of a new entry");

    // Selecting the row that is left shows it again, and its fields take typing.
    ASSERT_NO_FATAL_FAILURE(SelectByClick(rowAt(0)));
    QLineEdit *comment = ClickInto(cnTextCenterMiddle);
    ASSERT_NE(comment, nullptr);
    QTest::keyClick(comment, Qt::Key_End);
    QTest::keyClicks(comment, "!");
    EXPECT_EQ(core->GetData_(rowAt(0), cnTextCenterMiddle), comment->text());
    EXPECT_TRUE(comment->text().endsWith(QLatin1Char('!')));
}

TEST_F(EditorTypingTest, AHalfTypedDateStaysUnwrittenWhileTheUserIsInAnotherProgramOrAMenu)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 3; ++i)
        rows.push_back(AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2")));
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_NO_FATAL_FAILURE(SelectByClick(rows[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier));
    ASSERT_TRUE(WaitUntil([this] { return form->Editor().SelectedRows().size() == 3; }));
    const QStringList ends = Cells(cnEnd);
    QLineEdit *start = ClickInto(cnStart);
    ASSERT_NE(start, nullptr);
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "05.03.20");

    // Another program's window comes to the front: nothing is written, the text stays.
    QWidget other;
    other.setWindowTitle(QStringLiteral("another program"));
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_EQ(QGuiApplication::focusWindow(), other.windowHandle());
    EXPECT_EQ(Cells(cnStart), QStringList(3, QStringLiteral("04.03.2024")));
    EXPECT_EQ(Cells(cnEnd), ends);
    EXPECT_EQ(start->text(), QStringLiteral("05.03.20"));

    // Back in the window, the field has the keys again with its caret where it was.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), start);
    EXPECT_EQ(start->cursorPosition(), 8);

    // A menu opened and closed again writes nothing either.
    QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(OpenMenu(*form, edit));
    EXPECT_EQ(Cells(cnStart), QStringList(3, QStringLiteral("04.03.2024")));
    QTest::keyClick(edit, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([edit] { return !edit->isVisible(); }));
    if (form->menuBar()->hasFocus())
        QTest::keyClick(form->menuBar(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([start] { return QApplication::focusWidget() == start; }));
    EXPECT_EQ(start->text(), QStringLiteral("05.03.20"));

    // Leaving the field inside the window writes the finished date into every selected row.
    QTest::keyClick(start, Qt::Key_End);
    QTest::keyClicks(start, "26");
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), start);
    EXPECT_EQ(Cells(cnStart), QStringList(3, QStringLiteral("05.03.2026")));
    EXPECT_EQ(start->text(), QStringLiteral("05.03.2026"));
}

TEST_F(EditorTypingTest, ASaveOrAnotherDocumentOpenedTakesTheDateTypedInTheFieldFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    ASSERT_FALSE(path.isEmpty());
    form->Open(path);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    const QString id = task->ID.Value();
    form->ActionSaveExecute();
    // Nothing left to save: Save waits for something new.
    ASSERT_TRUE(IdleUntil([this] { return !form->ActionSave->isEnabled(); }));

    ASSERT_NO_FATAL_FAILURE(SelectByClick(task));
    QLineEdit *start = ClickInto(cnStart);
    ASSERT_NE(start, nullptr);
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "01.06.2026");
    QTest::keyClick(start, Qt::Key_S, Qt::ControlModifier);

    // Written and saved; the field keeps the keys, and leaving it leaves nothing unsaved.
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("01.06.2026"));
    EXPECT_EQ(QApplication::focusWidget(), start);
    EXPECT_FALSE(form->Sync().DirWatchThread()->Changed());
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_FALSE(form->Sync().DirWatchThread()->Changed());
    const auto savedStart = [&] {
        TOtherDocument saved;
        TNodeData *read = saved.file->LoadFrom(path) ? saved.core.FindNode(id) : nullptr;
        return read ? saved.core.GetData_(read, cnStart) : QString();
    };
    EXPECT_EQ(savedStart(), QStringLiteral("01.06.2026"));

    // Another document opened from the recent files closes this one: the date typed meanwhile
    // is written with the other changes into the shared folder, where opening the document
    // finds it; nothing is left to ask about.
    const QString other = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("other.zop")));
    form->RecentFiles().AddToLastFiles(other);
    start = ClickInto(cnStart);
    ASSERT_NE(start, nullptr);
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "02.06.2026");
    form->answers = {mrYes};
    ClickMenuItem(*form, form->Datei1, form->RecentFiles().Action(1), form->LastFiles1);
    ASSERT_TRUE(WaitUntil([&] { return form->Sync().DirWatchThread()->Filename() == other; }));
    EXPECT_EQ(form->questions, QStringList());
    TOtherDocument reopened;
    ASSERT_TRUE(reopened.file->Load(path));
    TNodeData *read = reopened.core.FindNode(id);
    ASSERT_TRUE(read);
    EXPECT_EQ(reopened.core.GetData_(read, cnStart), QStringLiteral("02.06.2026"));
}

TEST_F(EditorTypingTest, ATextThatIsNoDateStaysMarkedAndUnwrittenUntilItIsMended)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    ASSERT_NO_FATAL_FAILURE(SelectByClick(task));
    const std::size_t steps = core->UndoStack().UndoList().size();
    QLineEdit *start = ClickInto(cnStart);
    ASSERT_NE(start, nullptr);
    const QColor white = start->palette().color(QPalette::Base);
    const auto note = [start] { return start->findChild<QLabel *>(QStringLiteral("DateRefusal")); };
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "not a date");
    // Confirmed, it is marked, with a note that says why.
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(start->text(), QStringLiteral("not a date"));
    EXPECT_NE(start->palette().color(QPalette::Base), white);
    ASSERT_NE(note(), nullptr);
    EXPECT_TRUE(note()->isVisible());
    EXPECT_TRUE(note()->text().contains(QStringLiteral("not a date")));
    // Left, it stays marked; the note goes with the keys.
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), start);
    EXPECT_EQ(start->text(), QStringLiteral("not a date"));
    EXPECT_NE(start->palette().color(QPalette::Base), white);
    EXPECT_FALSE(note()->isVisible());
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("04.03.2024"));
    EXPECT_EQ(core->UndoStack().UndoList().size(), steps);
    EXPECT_TRUE(form->questions.isEmpty());

    // Mended, the mark goes; confirmed, the date is written as one step.
    start = ClickInto(cnStart);
    ASSERT_NE(start, nullptr);
    EXPECT_TRUE(note()->isVisible());
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "5.3.24");
    EXPECT_EQ(start->palette().color(QPalette::Base), white);
    EXPECT_FALSE(note()->isVisible());
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("05.03.2024"));
    EXPECT_EQ(start->text(), QStringLiteral("05.03.2024"));
    EXPECT_EQ(core->UndoStack().UndoList().size(), steps + 1);
}
