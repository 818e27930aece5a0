// The main window in a desktop session: a window manager, another program the user switches to
// and back from, and keys and clicks that go through the X server to whichever window has the
// focus. Skipped in the offscreen runs; the desktop-session runner runs them.

#include "planner/window/WindowTestSupport.h"

#include <QLineEdit>

#include "common/DesktopSession.h"
#include "editor/PropertyEditor.h"

using userinput::CellPoint;

namespace {

class DesktopSessionTest : public windowtest::MainWindowTest
{
protected:
    void SetUp() override
    {
        if (!desktop::Active())
            GTEST_SKIP() << "needs a desktop session";
        MainWindowTest::SetUp();
        ASSERT_TRUE(desktop::Activate(form.get()));
    }
    QString Cell(TNodeData *row, TConnection cn) const { return core->GetData(row, core->GetConnection(tbTable, cn)); }
    QLineEdit *DateField(TConnection cn) const
    {
        return qobject_cast<QLineEdit *>(form->Editor().Control(QStringLiteral("__date"), core->GetConnection(tbTable, cn)));
    }
    // The user clicks a task's row; the editor shows it.
    void ClickRow(TNodeData *row)
    {
        ASSERT_TRUE(desktop::Click(form->StringTreeGrid1->viewport(),
                                   CellPoint(form->StringTreeGrid1, row->VNode, core->GetConnection(tbTable, cnTextCenterMiddle))));
        ASSERT_TRUE(desktop::WaitFor([this] { return form->EditorPanel->isVisible(); }));
    }
    // The user clicks into an editor field; it has the focus.
    void ClickInto(QLineEdit *field)
    {
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(desktop::Click(field, field->rect().center()));
        ASSERT_TRUE(desktop::WaitFor([field] { return QApplication::focusWidget() == field; }));
    }
};

// A date half typed stays as typed, unwritten and with its caret, while the user is in another
// program; leaving the field with Tab after coming back writes it.
TEST_F(DesktopSessionTest, AHalfTypedDateStaysUnwrittenWhileAnotherProgramIsInFront)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    const QString end = Cell(task, cnEnd);
    ClickRow(task);
    QLineEdit *start = DateField(cnStart);
    ClickInto(start);
    ASSERT_TRUE(desktop::Keys({QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(desktop::Type(QStringLiteral("3.3.20")));
    ASSERT_TRUE(desktop::WaitFor([start] { return start->text() == QLatin1String("3.3.20"); })) << start->text().toStdString();

    desktop::TOtherProgram other;
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(other.Activate());
    EXPECT_EQ(Cell(task, cnStart).toStdString(), "04.03.2024");
    EXPECT_EQ(Cell(task, cnEnd).toStdString(), end.toStdString());

    ASSERT_TRUE(desktop::Activate(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), start);
    EXPECT_EQ(start->text().toStdString(), "3.3.20");
    EXPECT_EQ(start->cursorPosition(), 6);
    EXPECT_EQ(Cell(task, cnStart).toStdString(), "04.03.2024");

    ASSERT_TRUE(desktop::Keys({QStringLiteral("Tab")}));
    EXPECT_TRUE(desktop::WaitFor([&] { return Cell(task, cnStart) == QLatin1String("03.03.2020"); }))
        << Cell(task, cnStart).toStdString();
}

// A task deleted with the keyboard takes the editor with it; the keys that follow change no row.
TEST_F(DesktopSessionTest, ATaskDeletedByKeysHidesTheEditorAndLeavesTheKeysToTheTable)
{
    TNodeData *kept = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    TNodeData *gone = AddTask(QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QStringLiteral("3"));
    const QString keptId = kept->ID.Value();
    const QString keptLength = Cell(kept, cnLength);
    ClickRow(gone);
    form->answers.append(mrOk);
    ASSERT_TRUE(desktop::Keys({QStringLiteral("Delete")}));
    ASSERT_TRUE(desktop::WaitFor([this] { return form->StringTreeGrid1->RootNodeCount() == 1; }));
    EXPECT_TRUE(desktop::WaitFor([this] { return !form->EditorPanel->isVisible(); }));
    EXPECT_TRUE(form->Editor().SelectedRows().empty());

    ASSERT_TRUE(desktop::Type(QStringLiteral("12")));
    ASSERT_TRUE(desktop::Keys({QStringLiteral("Tab")}));
    TNodeData *row = core->FindNode(keptId);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(Cell(row, cnLength).toStdString(), keptLength.toStdString());
    EXPECT_EQ(Cell(row, cnStart).toStdString(), "04.03.2024");
}

} // namespace
