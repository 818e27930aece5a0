// The property editor's editable pull-down as the user types into it: the keys reach the
// focused box, the box completes from its items and the completed value reaches the row.

#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "CompletingComboBox.h"
#include "editor/PropertyEditor.h"

class PropertyEditorPullDownTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        kind = core->GetTableColCount(tbTable);
        core->InsertColumn(tbTable, kind);
        core->SetColumnCaption(tbTable, kind, QStringLiteral("Kind"));
        core->SetColumnType(tbTable, kind, ctPulldown);
        core->ColumnStrings(tbTable, kind) = QStringList{QStringLiteral("Apple"), QStringLiteral("Apricot"),
                                                         QStringLiteral("Banana")};
        panel = std::make_unique<QWidget>();
        panel->resize(320, 400);
        editor = std::make_unique<TPropertyEditor>(*core, *sync, panel.get(), panel.get());
        editor->PageControl1Change();
    }
    void TearDown() override
    {
        editor.reset();
        panel.reset();
        CoreTest::TearDown();
    }

    int kind = -1;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<TPropertyEditor> editor;
};

TEST_F(PropertyEditorPullDownTest, TypingIntoThePullDownCompletesAndWritesTheRow)
{
    TNodeData *row = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    TBaseTreeGrid *grid = core->GetTable(tbTable);
    grid->ClearSelection();
    grid->SetSelected(row->VNode, true);
    editor->SeteditorVisible(true);
    editor->UpdateEditor();

    auto *box = qobject_cast<TCompletingComboBox *>(editor->Control(QStringLiteral("__edit"), kind));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isEditable());
    panel->show();
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    box->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), box);

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Ap"));
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Apple"));
    EXPECT_EQ(box->lineEdit()->selectedText(), QStringLiteral("ple"));
    EXPECT_EQ(core->GetData(row, kind), QStringLiteral("Apple"));

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("r"));
    EXPECT_EQ(box->lineEdit()->text(), QStringLiteral("Apricot"));
    EXPECT_EQ(core->GetData(row, kind), QStringLiteral("Apricot"));
}
