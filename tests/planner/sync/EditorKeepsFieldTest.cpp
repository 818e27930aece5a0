// What a user types into the editor while another user's edits arrive without a save: the
// real main window of this process (user B) and a driver process (user A) share a document.
// A's edit of B's row refills the editor without touching the date B is typing, also when it
// was made at the same time as B's and the row is rebuilt; many of A's events at once, and
// B's own undo and redo, build the editor anew, and the field B types in keeps the focus,
// its caret and selection and the typed date.

#include "planner/sync/SharedWindowTest.h"

#include <QMenu>
#include <QMenuBar>
#include <QThread>

namespace {

class EditorKeepsFieldTest : public SharedWindowTest
{
protected:
    // B clicks into the start date of its row and types half a date over what it showed.
    QLineEdit *TypeHalfADate(const QString &row)
    {
        Select(row);
        QLineEdit *date = ClickInto("__date", "Start");
        if (!date)
            return nullptr;
        QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(date, "05.03.20");
        return date;
    }
    // A's edit arrives in B's document through B's scans.
    bool Arrived(const QString &id, const char *caption, const QString &text)
    {
        return Idle([&] { return Cell(id, caption) == text; }, 8000);
    }
    // A adds `count` tasks in one go (and runs `more` too) and has written them all before
    // B scans again: B meets them all in one step.
    void ManyEventsOfA(int count, const QStringList &more = {})
    {
        // No scan of B may read half of them: B's loop stands still until A is done.
        QDeadlineTimer deadline(5000);
        while (form->Sync().ScanRunning() && !deadline.hasExpired())
            QThread::msleep(10);
        ASSERT_FALSE(form->Sync().ScanRunning());
        for (int i = 0; i < count; ++i)
            a->Send({"add", "Comment", QStringLiteral("more %1").arg(i)});
        if (!more.isEmpty())
            a->Send(more);
        for (int i = 0; i < count; ++i)
            added.append(a->Receive());
        if (!more.isEmpty()) {
            ASSERT_EQ(a->Receive(), "");
        }
        ASSERT_TRUE(Eventually([&] { return a->Json("state").value("unwritten").toInt() == 0; }, 8000))
            << a->Output().toStdString();
        ASSERT_TRUE(Idle([&] { return core->FindNode(added.back()) != nullptr; }, 8000));
        // The window's rest of the step: the editor shown or hidden.
        ASSERT_TRUE(Settled());
    }

    // B's next key goes on typing in the field with the focus: into the document, and to A.
    void TypeOn(char key, const QString &row, const QString &comment)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(Cell(row, "Comment"), comment);
        EXPECT_TRUE(SeenInA(row, "Comment", comment));
    }

    QStringList added;
};

} // namespace

TEST_F(EditorKeepsFieldTest, AnotherUsersEditOfTheRowKeepsADateBeingTypedAndItsCaret)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    QLineEdit *date = TypeHalfADate(row);
    ASSERT_NE(date, nullptr);
    QTest::keyClick(date, Qt::Key_Left);
    const QString start = Cell(row, "Start");

    ASSERT_EQ(a->Command({"set", row, "Comment", "changed by A"}), "");
    ASSERT_TRUE(Arrived(row, "Comment", "changed by A"));
    // The editor shows A's comment; B's half date stays as typed, unwritten, caret and all.
    EXPECT_EQ(Field("__edit", "Comment")->text(), "changed by A");
    EXPECT_EQ(Focused(), date);
    EXPECT_EQ(date->text(), "05.03.20");
    EXPECT_EQ(date->cursorPosition(), 7);
    EXPECT_EQ(Cell(row, "Start"), start);

    // B finishes the date and confirms it: written, A has it, and A's comment stays.
    QTest::keyClick(date, Qt::Key_End);
    QTest::keyClicks(date, "26");
    ConfirmDate(date, row, "05.03.2026");
    EXPECT_EQ(Cell(row, "Comment"), "changed by A");
}

TEST_F(EditorKeepsFieldTest, TheDateBeingTypedWinsOverAnotherUsersEditOfTheSameCell)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    QLineEdit *date = TypeHalfADate(row);
    ASSERT_NE(date, nullptr);

    // A sets the very start B is typing: B's document has it, B's field keeps B's typing.
    ASSERT_EQ(a->Command({"set", row, "Start", "01.02.2030"}), "");
    ASSERT_TRUE(Arrived(row, "Start", "01.02.2030"));
    EXPECT_EQ(Focused(), date);
    EXPECT_EQ(date->text(), "05.03.20");
    EXPECT_EQ(date->cursorPosition(), 8);

    // Confirming writes B's date, the later edit, here and at A.
    QTest::keyClicks(date, "26");
    ConfirmDate(date, row, "05.03.2026");
}

TEST_F(EditorKeepsFieldTest, ManyEventsOfAnotherUserAtOnceLeaveTheFieldItsFocusCaretAndSelection)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QPointer<QLineEdit> before = ClickInto("__edit", "Comment");
    ASSERT_TRUE(before);
    // "task 0" with "sk" selected from its end backwards: the caret stands at 2.
    QTest::keyClick(before, Qt::Key_Left);
    QTest::keyClick(before, Qt::Key_Left);
    QTest::keyClick(before, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(before, Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_EQ(before->selectedText(), "sk");

    ASSERT_NO_FATAL_FAILURE(ManyEventsOfA(210));
    // The editor was built anew; its Comment field has the focus, the selection and caret.
    QLineEdit *field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    EXPECT_NE(field, before.data());
    EXPECT_EQ(Focused(), field);
    EXPECT_EQ(field->selectedText(), "sk");
    EXPECT_EQ(field->cursorPosition(), 2);

    // B's next key replaces the selection.
    TypeOn('X', row, "taX 0");
}

TEST_F(EditorKeepsFieldTest, ManyEventsOfAnotherUserAtOnceKeepADateTypedButNotConfirmed)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    QPointer<QLineEdit> before = TypeHalfADate(row);
    ASSERT_TRUE(before);
    // A whole date, typed but not confirmed: the rebuild neither writes nor drops it.
    QTest::keyClicks(before, "26");
    const QString start = Cell(row, "Start");
    ASSERT_NE(start, "05.03.2026");

    ASSERT_NO_FATAL_FAILURE(ManyEventsOfA(210));
    QLineEdit *date = Field("__date", "Start");
    ASSERT_NE(date, nullptr);
    EXPECT_NE(date, before.data());
    EXPECT_EQ(Focused(), date);
    EXPECT_EQ(date->text(), "05.03.2026");
    EXPECT_EQ(date->cursorPosition(), 10);
    EXPECT_EQ(Cell(row, "Start"), start);

    // B changes its mind before confirming: what B confirms is written.
    QTest::keyClick(date, Qt::Key_Backspace);
    QTest::keyClicks(date, "7");
    ConfirmDate(date, row, "05.03.2027");
}

TEST_F(EditorKeepsFieldTest, AFieldWhoseRowIsDeletedAmongManyEventsLeavesTheKeysToTheTable)
{
    ASSERT_NO_FATAL_FAILURE(Share(2));
    const QString gone = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(gone));
    ASSERT_NE(ClickInto("__edit", "Comment"), nullptr);

    ASSERT_NO_FATAL_FAILURE(ManyEventsOfA(210, {"delete", gone}));
    ASSERT_EQ(core->FindNode(gone), nullptr);
    ExpectTheKeysGoToTheTable(ids[1], "task 1");
}

TEST_F(EditorKeepsFieldTest, UndoAndRedoFromTheMenuLeaveTheFieldItsFocusAndCaret)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QPointer<QLineEdit> before = ClickInto("__edit", "Comment");
    ASSERT_TRUE(before);
    QTest::keyClicks(before, "-ab");
    QTest::keyClick(before, Qt::Key_Left);
    ASSERT_EQ(Cell(row, "Comment"), "task 0-ab");
    QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);

    // Undo takes the "b" back; the field built anew has the focus, the caret stays at the
    // end of what is left.
    userinput::ClickMenuItem(*form, edit, form->ActionUndo);
    EXPECT_EQ(Cell(row, "Comment"), "task 0-a");
    QLineEdit *field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    EXPECT_NE(field, before.data());
    EXPECT_EQ(Focused(), field);
    EXPECT_EQ(field->text(), "task 0-a");
    EXPECT_EQ(field->cursorPosition(), 8);

    // Redo brings it back; the caret goes on standing where it stood.
    QTest::keyClick(field, Qt::Key_Left);
    userinput::ClickMenuItem(*form, edit, form->ActionRedo);
    EXPECT_EQ(Cell(row, "Comment"), "task 0-ab");
    field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(Focused(), field);
    EXPECT_EQ(field->cursorPosition(), 7);

    // The next key goes on typing there.
    TypeOn('X', row, "task 0-Xab");
}

TEST_F(EditorKeepsFieldTest, ADateBeingTypedStaysWhenItsRowIsRebuiltAfterAConflict)
{
    ASSERT_NO_FATAL_FAILURE(Share(2));
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    // B writes the row four times, then starts a date in it.
    QLineEdit *comment = ClickInto("__edit", "Comment");
    ASSERT_NE(comment, nullptr);
    QTest::keyClicks(comment, "-bcd");
    QLineEdit *date = ClickInto("__date", "Start");
    ASSERT_NE(date, nullptr);
    QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(date, "05.03.20");
    QTest::keyClick(date, Qt::Key_Left);
    int rebuilt = 0;
    const std::function<void()> rebuild = form->Sync().OnBeforeRowsRebuilt;
    form->Sync().OnBeforeRowsRebuilt = [&] {
        ++rebuilt;
        rebuild();
    };

    // A changes the row before it has seen B's edits: both instances rebuild it from every
    // record.
    ASSERT_EQ(a->Command({"set", row, "Length", "7"}), "");
    ASSERT_TRUE(Arrived(row, "Length", "7"));
    ASSERT_EQ(rebuilt, 1);
    // The selection does not ask for the editor to be hidden half a second later.
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(form->EditorPanel->isVisible());
    const std::vector<TNodeData *> selected = form->Editor().SelectedRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected.front()->ID.Value(), row);
    date = Field("__date", "Start");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(Focused(), date);
    EXPECT_EQ(date->text(), "05.03.20");
    EXPECT_EQ(date->cursorPosition(), 7);

    QTest::keyClick(date, Qt::Key_End);
    QTest::keyClicks(date, "26");
    ConfirmDate(date, row, "05.03.2026");
    EXPECT_TRUE(SeenInA(row, "Comment", "task 0-bcd"));
    EXPECT_EQ(Cell(row, "Length"), "7");
}
