// The task table's setup as a user works it in the main window: the list's menu, the column
// editor refusing a blank name, a pick list that keeps its values through another type, the
// table after OK with every caption readable and a new column wide enough to reach, and a big
// table fitted to the rows in view after OK.

#include "planner/window/WindowTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <set>

#include "CommaText.h"
#include "common/RepaintCheck.h"
#include "dialogs/EditTableColumnDialog.h"
#include "dialogs/FilterPopup.h"
#include "dialogs/ListGrid.h"
#include "dialogs/SetupDialogs.h"
#include "dialogs/SetupTableDialog.h"
#include "document/DocumentSettings.h"
#include "editor/PropertyEditor.h"
#include "setup/SetupRules.h"
#include "table/ColumnFitter.h"
#include "table/FilterEngine.h"
#include "table/LazyColumnFit.h"
#include "table/PlannerTables.h"
#include "table/TableCommands.h"
#include "treegrid/StringTreeGrid.h"
#include "window/SettingsKeeper.h"

using namespace userinput;
using testsupport::ShowsFullRender;

namespace {

class SetupWindowTest : public windowtest::MainWindowTest
{
protected:
    SetupWindowTest() : MainWindowTest(mrOk) {}
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        for (int i = 0; i < 3; ++i)
            AddTask(QStringLiteral("Position %1").arg(1 + i), QStringLiteral("2%1.10.2026").arg(7 + i),
                    QStringLiteral("1"));
        QApplication::processEvents();
        dialog = form->SetupDialogs().SetupTableDialog;
        editor = dialog->EditTableColumnDialog;
    }
    // Opens "Edit Table "Tasks"..." from the Setup menu and works the dialog with `act`.
    void WorkSetup(const std::function<void()> &act)
    {
        bool worked = false;
        WhenShown(form.get(), [this] { return static_cast<QWidget *>(dialog); }, [&](QWidget *) { act(); }, &worked);
        ClickMenuItem(*form, form->Format1, form->Tabellebearbeiten1);
        ASSERT_TRUE(WaitUntil([&] { return worked && !dialog->isVisible(); }));
    }
    // Works the column editor, which `open` shows from inside the setup dialog.
    void WorkEditor(const std::function<void()> &open, const std::function<void()> &act)
    {
        bool worked = false;
        WhenShown(form.get(), [this] { return static_cast<QWidget *>(editor); }, [&](QWidget *) { act(); }, &worked);
        open();
        EXPECT_TRUE(WaitUntil([&] { return worked && !editor->isVisible(); }));
    }
    void TypeName(const QString &name)
    {
        editor->Edit1->setFocus();
        QTest::keyClick(editor->Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor->Edit1, Qt::Key_Delete);
        QTest::keyClicks(editor->Edit1, name);
    }
    // Chooses a column type in the editor with the keyboard.
    void ChooseType(TColumnType type)
    {
        editor->ComboBox1->setFocus();
        QTest::keyClick(editor->ComboBox1, Qt::Key_Home);
        for (int i = 0; i < int(type); ++i)
            QTest::keyClick(editor->ComboBox1, Qt::Key_Down);
        ASSERT_EQ(editor->Type(), type);
    }
    void ClickRow(int row) { ClickCell(dialog->ListView1, dialog->ListView1->RowNode(row), 0); }
    // A right click on the column list and a click on an item of its menu.
    void ListMenu(QAction *item)
    {
        const QPoint at(20, dialog->ListView1->viewport()->height() - 10);
        QTest::mouseClick(dialog->ListView1->viewport(), Qt::RightButton, {}, at);
        ASSERT_TRUE(WaitUntil([this] { return dialog->ListMenu->isVisible(); }));
        ClickOpenMenuItem(dialog->ListMenu, item);
    }
    // The values of a column's pick list.
    QStringList Values(int column)
    {
        QStringList values;
        for (const QString &entry : core->GetColumnStrings(tbTable, column))
            values.append(ParseCommaText(entry).value(0));
        return values;
    }
    int Column(const QString &caption)
    {
        for (int i = 0; i < core->GetTableColCount(tbTable); ++i)
            if (core->GetColumnCaption(tbTable, i) == caption)
                return i;
        return -1;
    }

    TSetupTableDialog *dialog = nullptr;
    TEditTableColumnDialog *editor = nullptr;
};

} // namespace

// A new column through the list's menu: a blank name is refused with a message; after OK the
// table shows every caption whole and the new, empty column wide enough for its caption and
// its filter symbol, which opens its filter.
TEST_F(SetupWindowTest, ANewColumnAndEveryCaptionShowAfterOK)
{
    WorkSetup([&] {
        WorkEditor([&] { ListMenu(dialog->ListMenuNew); }, [&] {
            EXPECT_EQ(editor->Edit1->text(), QStringLiteral("New Column"));
            for (const QString &blank : {QString(), QStringLiteral("   ")}) {
                TypeName(blank);
                QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
                EXPECT_TRUE(editor->isVisible());
                EXPECT_EQ(form->questions.value(form->questions.size() - 1), EmptyColumnNameMessage());
            }
            TypeName(QStringLiteral("Confirmed"));
            ChooseType(ctCheckBox);
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        EXPECT_EQ(dialog->ListView1->OnRowText(6, 0), QStringLiteral("Confirmed"));
        // The list's menu edits the selected column as well.
        ClickRow(6);
        WorkEditor([&] { ListMenu(dialog->ListMenuEdit); }, [&] {
            EXPECT_EQ(editor->Edit1->text(), QStringLiteral("Confirmed"));
            EXPECT_EQ(editor->Type(), ctCheckBox);
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    EXPECT_EQ(form->questions.size(), 2);
    const int confirmed = Column(QStringLiteral("Confirmed"));
    ASSERT_EQ(confirmed, 6);
    EXPECT_EQ(core->GetColumnType(tbTable, confirmed), ctCheckBox);

    // Every caption whole in its header cell, the new column no narrower than the minimum.
    TStringTreeGrid *grid = form->StringTreeGrid1;
    TTreeGridHeader *header = grid->Header();
    EXPECT_EQ(CutCaptions(header), QStringList());
    EXPECT_GE(header->Columns()->Items(confirmed)->Width(), TColumnFitter::MinimumWidth);
    EXPECT_TRUE(ShowsFullRender(grid));

    // Its filter symbol opens its filter.
    TFilterPopup *popup = form->TableCommands().FilterPopup();
    popup->SetRollDownSpeed(0);
    QString caption;
    WhenShown(form.get(), [popup] { return static_cast<QWidget *>(popup); }, [&](QWidget *) {
        caption = popup->LabelCaption->text();
        QTest::keyClick(popup->RadioButtonNoFilter, Qt::Key_Escape);
    });
    QTest::mouseClick(header->Widget(), Qt::LeftButton, {}, HeaderPoint(grid, confirmed, 5));
    EXPECT_EQ(caption, QStringLiteral("Filter Column Confirmed"));
}

// A pick list made a text column and then a pick list again gets its values back; the text
// column offers its cells, not the old values, in its list filter.
TEST_F(SetupWindowTest, APickListKeepsItsValuesThroughAnotherType)
{
    WorkSetup([&] {
        WorkEditor([&] { QTest::mouseClick(dialog->ButtonNew, Qt::LeftButton); }, [&] {
            TypeName(QStringLiteral("Priority"));
            ChooseType(ctPulldown);
            EXPECT_TRUE(editor->Memo1->isVisible());
            editor->Memo1->setFocus();
            QTest::keyClicks(editor->Memo1, QStringLiteral("low"));
            QTest::keyClick(editor->Memo1, Qt::Key_Return);
            QTest::keyClicks(editor->Memo1, QStringLiteral("high"));
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    const int priority = Column(QStringLiteral("Priority"));
    ASSERT_GE(priority, 0);
    EXPECT_EQ(Values(priority), (QStringList{QStringLiteral("low"), QStringLiteral("high")}));

    WorkSetup([&] {
        ClickRow(priority);
        WorkEditor([&] { QTest::mouseClick(dialog->ButtonEdit, Qt::LeftButton); }, [&] {
            ChooseType(ctText);
            EXPECT_FALSE(editor->Memo1->isVisible());
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    EXPECT_EQ(core->GetColumnType(tbTable, priority), ctText);
    const QStringList offered = form->Tables().Filters().PopupValues(tbTable, priority).ListValues;
    EXPECT_FALSE(offered.contains(QStringLiteral("low")));

    WorkSetup([&] {
        ClickRow(priority);
        WorkEditor([&] { QTest::mouseClick(dialog->ButtonEdit, Qt::LeftButton); }, [&] {
            ChooseType(ctPulldown);
            EXPECT_TRUE(editor->Memo1->isVisible());
            EXPECT_EQ(editor->Memo1->toPlainText(), QStringLiteral("low\nhigh"));
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    EXPECT_EQ(core->GetColumnType(tbTable, priority), ctPulldown);
    EXPECT_EQ(Values(priority), (QStringList{QStringLiteral("low"), QStringLiteral("high")}));
}

// OK on a big table fits its columns once, to the rows in view: a row far below is not
// measured, and its long comment widens the column only when it scrolls into view.
TEST_F(SetupWindowTest, OKOnABigTableFitsTheRowsInView)
{
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    ASSERT_GE(comment, 0);
    core->BeginUpdate(QStringLiteral("filling"));
    TNodeData *last = nullptr;
    for (int i = 0; i < TLazyColumnFit::LazyRows + 200; ++i) {
        last = AddTask(QStringLiteral("Position 1"), QStringLiteral("27.10.2026"), QStringLiteral("1"));
        core->SetData_(last, cnTextCenterMiddle, QStringLiteral("Task %1").arg(i));
    }
    core->SetData_(last, cnTextCenterMiddle, QStringLiteral("a remark that runs on and on").repeated(4));
    core->EndUpdate();
    QApplication::processEvents();

    // The rows whose texts the table asks for while the setup is applied.
    TStringTreeGrid *grid = form->StringTreeGrid1;
    std::set<TGridNode *> asked;
    const auto getText = grid->OnGetText;
    grid->OnGetText = [&](TBaseTreeGrid *sender, TGridNode *node, TColumnIndex column, TVSTTextType type,
                          QString &text) {
        asked.insert(node);
        getText(sender, node, column, type, text);
    };
    WorkSetup([&] { QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton); });
    grid->OnGetText = getText;
    EXPECT_EQ(asked.count(last->VNode), 0u);
    EXPECT_LT(asked.size(), 200u);

    TTreeGridHeader *header = grid->Header();
    for (int i = 0; i < header->Columns()->Count(); ++i) {
        const TCaptionRoom room = CaptionRoom(header, i);
        EXPECT_GE(room.space, room.needed) << header->Columns()->Items(i)->Text().toStdString();
    }
    TTreeGridColumn *column = header->Columns()->Items(comment);
    const int fitted = column->Width();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_GT(column->Width(), fitted);
    EXPECT_TRUE(ShowsFullRender(grid));
}

// A column narrowed by hand and renamed in the table setup keeps its width, also in the
// user's settings, where it is kept under its new name.
TEST_F(SetupWindowTest, AColumnSizedByHandKeepsItsWidthThroughARename)
{
    TStringTreeGrid *grid = form->StringTreeGrid1;
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    TTreeGridColumn *column = grid->Header()->Columns()->Items(comment);
    DragHeaderBorder(grid, column, -15);
    const int narrowed = column->Width();
    ASSERT_EQ(form->Settings().CurrentDocumentSettings().ColumnWidths,
              (std::vector<TSavedColumnWidth>{{tbTable, QStringLiteral("Comment"), narrowed}}));

    WorkSetup([&] {
        ClickRow(comment);
        WorkEditor([&] { QTest::mouseClick(dialog->ButtonEdit, Qt::LeftButton); }, [&] {
            TypeName(QStringLiteral("Remark"));
            QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    ASSERT_EQ(Column(QStringLiteral("Remark")), comment);
    EXPECT_EQ(grid->Header()->Columns()->Items(comment)->Width(), narrowed);
    EXPECT_EQ(form->Settings().CurrentDocumentSettings().ColumnWidths,
              (std::vector<TSavedColumnWidth>{{tbTable, QStringLiteral("Remark"), narrowed}}));
}
