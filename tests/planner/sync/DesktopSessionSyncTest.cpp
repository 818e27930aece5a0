// The shared window in a desktop session: B's user types into the editor, switches to another
// program, and A saves meanwhile; B's window follows A into the new generation while it is not
// the active window, and the keys B's user types on coming back land in the field left.

#include "planner/sync/SharedWindowTest.h"

#include "common/DesktopSession.h"

namespace {

class DesktopSessionSyncTest : public SharedWindowTest
{
protected:
    void SetUp() override
    {
        if (!desktop::Active())
            GTEST_SKIP() << "needs a desktop session";
        SharedWindowTest::SetUp();
    }
};

TEST_F(DesktopSessionSyncTest, AColleaguesSaveWhileThisWindowIsInactiveKeepsTheFieldForTyping)
{
    Share(2);
    ASSERT_TRUE(desktop::Activate(form.get()));
    const QString row = ids[0];
    const int comment = Column("Comment");
    ASSERT_TRUE(desktop::Click(form->StringTreeGrid1->viewport(),
                               userinput::CellPoint(form->StringTreeGrid1, core->FindNode(row)->VNode, comment)));
    ASSERT_TRUE(desktop::WaitFor([this] { return form->EditorPanel->isVisible(); }));
    QLineEdit *field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(desktop::Click(field, field->rect().center()));
    ASSERT_TRUE(desktop::WaitFor([field] { return QApplication::focusWidget() == field; }));
    ASSERT_TRUE(desktop::Keys({QStringLiteral("End")}));
    ASSERT_TRUE(desktop::Type(QStringLiteral("ab")));
    ASSERT_TRUE(desktop::WaitFor([&] { return Cell(row, "Comment") == QLatin1String("task 0ab"); }));

    desktop::TOtherProgram other;
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(other.Activate());
    SaveInA();

    ASSERT_TRUE(desktop::Activate(form.get()));
    QLineEdit *now = Field("__edit", "Comment");
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), now);
    ASSERT_TRUE(desktop::Type(QStringLiteral("ef")));
    EXPECT_TRUE(desktop::WaitFor([&] { return Cell(row, "Comment") == QLatin1String("task 0abef"); }))
        << Cell(row, "Comment").toStdString();
    EXPECT_TRUE(SeenInA(row, "Comment", QStringLiteral("task 0abef")));
}

} // namespace
