// The toolbar's search in the main window finds only rows the table shows: rows of resources
// the group tab leaves out and rows a filter hides are passed over, by typing and by Enter.

#include "planner/window/WindowTestSupport.h"

#include <QLineEdit>
#include <QTabBar>

#include "CommaText.h"
#include "editor/PropertyEditor.h"
#include "table/FilterEngine.h"
#include "table/PlannerTables.h"

using namespace userinput;

namespace {

class SearchWindowTest : public windowtest::MainWindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        const struct {
            const char *position;
            const char *comment;
        } tasks[] = {{"Position 2", "Bern"}, {"Position 1", "Berlin"}, {"Position 1", "Bergen"},
                     {"Position 2", "Berg"}, {"Position 1", "Bernau"}};
        for (const auto &task : tasks) {
            TNodeData *node =
                AddTask(QString::fromLatin1(task.position), QStringLiteral("04.03.2024"), QStringLiteral("1"));
            core->SetData_(node, cnTextCenterMiddle, QString::fromLatin1(task.comment));
            rows.push_back(node);
        }
        // A group tab that shows Position 1 only.
        core->AddPositionGroup(QStringLiteral("First"), CommaTextOf({core->Positiongroups(false, true)[0]}));
        QApplication::processEvents();
    }
    std::vector<TNodeData *> Selected()
    {
        std::vector<TNodeData *> selected;
        core->ForEach(tbTable, feSelected, [&](TNodeData *node) { selected.push_back(node); });
        return selected;
    }
    // Types `text` into the emptied search field, as a new search.
    void Search(const QString &text)
    {
        form->Edit2->clear();
        QTest::keyClicks(form->Edit2, text);
    }
    // Enter in the search field: the next row found.
    void SearchNext() { QTest::keyClick(form->Edit2, Qt::Key_Return); }
    QString EditorComment()
    {
        auto *edit = qobject_cast<QLineEdit *>(
            form->Editor().Control(QStringLiteral("__edit"), core->GetConnection(tbTable, cnTextCenterMiddle)));
        return edit ? edit->text() : QStringLiteral("<none>");
    }

    std::vector<TNodeData *> rows;
};

} // namespace

TEST_F(SearchWindowTest, OnlyRowsTheTableShowsAreFound)
{
    // All rows shown: typing finds the first, Enter the next ones and wraps.
    QTest::mouseClick(form->Edit2, Qt::LeftButton);
    QTest::keyClicks(form->Edit2, QStringLiteral("ber"));
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[0]});
    SearchNext();
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[1]});

    // The tab "First" leaves out Position 2: its rows are not found, by typing or by Enter.
    QTabBar *tabs = form->TabControl1;
    ASSERT_EQ(tabs->count(), 2);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(core->GroupTabIndex(), 1);
    EXPECT_TRUE(core->GetNodeFiltered(rows[0]));
    EXPECT_TRUE(core->GetNodeFiltered(rows[3]));
    Search(QStringLiteral("bern"));
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[4]}); // Bernau, not the hidden Bern
    for (TNodeData *expected : {rows[4], rows[4]}) {
        SearchNext();
        EXPECT_EQ(Selected(), std::vector<TNodeData *>{expected});
    }
    Search(QStringLiteral("berg"));
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[2]}); // Bergen, not the hidden Berg
    for (TNodeData *expected : {rows[2], rows[2]}) {
        SearchNext();
        EXPECT_EQ(Selected(), std::vector<TNodeData *>{expected});
    }
    // The editor shows the row the table shows selected.
    ASSERT_TRUE(WaitUntil([this] { return form->EditorPanel->isVisible(); }));
    EXPECT_EQ(EditorComment(), QStringLiteral("Bergen"));

    // A filter hides Bergen as well: "berg" finds nothing and selects nothing.
    TFilterParams only;
    only.FilterType = ftText;
    only.FilterSubType = fsText;
    only.Text1 = QStringLiteral("*lin*");
    form->Tables().Filters().SetFilter(tbTable, core->GetConnection(tbTable, cnTextCenterMiddle), only);
    ASSERT_TRUE(core->GetNodeFiltered(rows[2]));
    Search(QStringLiteral("berg"));
    EXPECT_TRUE(Selected().empty());
    SearchNext();
    EXPECT_TRUE(Selected().empty());
    Search(QStringLiteral("ber"));
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[1]});
    SearchNext();
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[1]});

    // Back on the first tab without the filter, every row is found again.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    form->Tables().Filters().SetFilter(tbTable, core->GetConnection(tbTable, cnTextCenterMiddle), TFilterParams());
    Search(QStringLiteral("berg"));
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[2]});
    SearchNext();
    EXPECT_EQ(Selected(), std::vector<TNodeData *>{rows[3]});
}
