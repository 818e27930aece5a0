// "Optimize width of Table" from the header's menu: afterwards every caption shows whole in
// its header cell, and no cell of a selected row, drawn bold, is shortened.

#include "planner/window/WindowTestSupport.h"

#include <QMenu>

#include "Canvas.h"
#include "common/RepaintCheck.h"
#include "table/TableCommands.h"
#include "treegrid/StringTreeGrid.h"

using namespace userinput;
using testsupport::ShowsFullRender;

namespace {

class ColumnFitWindowTest : public windowtest::MainWindowTest
{
protected:
    ColumnFitWindowTest() : MainWindowTest(mrCancel, QStringLiteral("dd MMM yyyy")) {}
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        grid = form->StringTreeGrid1;
        // Whatever a paint shortens is noted, and shortened as before.
        grid->OnShortenString = [this](TBaseTreeGrid *, TCanvas &, TGridNode *, TColumnIndex column, const QString &text,
                                       int, QString &, bool &) {
            shortened.append(QStringLiteral("%1: %2").arg(core->GetColumnCaption(tbTable, column), text));
        };
    }
    void TearDown() override
    {
        grid->OnShortenString = nullptr;
        MainWindowTest::TearDown();
    }
    // "Optimize width of Table" from the menu of a right click on the header.
    void OptimizeWidth()
    {
        QTest::mouseClick(grid->Header()->Widget(), Qt::RightButton, {},
                          HeaderPoint(grid, core->GetConnection(tbTable, cnStart)));
        QMenu *menu = form->TableCommands().HeaderPopupMenu;
        ASSERT_TRUE(WaitUntil([menu] { return menu->isVisible(); }));
        ClickOpenMenuItem(menu, form->TableCommands().ActionAutoSize);
        ASSERT_TRUE(WaitUntil([menu] { return !menu->isVisible(); }));
    }
    QStringList CutCaptions() { return userinput::CutCaptions(grid->Header()); }

    TStringTreeGrid *grid = nullptr;
    QStringList shortened;
};

} // namespace

TEST_F(ColumnFitWindowTest, CaptionsAndBoldRowsFitAfterOptimizing)
{
    // Rows with dates of different widths, two narrow ones selected with Ctrl+click; the
    // widest date is in a row that is not selected while the widths are fitted.
    std::vector<TNodeData *> rows;
    const char *starts[] = {"29 Oct 2026", "21 Jul 2026", "13 Jul 2026", "01 Jul 2026", "17 Jul 2026"};
    for (int i = 0; i < 5; ++i)
        rows.push_back(AddTask(QStringLiteral("Position %1").arg(1 + i % 3), QString::fromLatin1(starts[i]),
                               QStringLiteral("1")));
    QApplication::processEvents();
    for (TNodeData *row : {rows[1], rows[3]})
        ClickCell(grid, row->VNode, core->GetConnection(tbTable, cnLength), Qt::ControlModifier);
    ASSERT_TRUE(grid->Selected(rows[1]->VNode));
    ASSERT_TRUE(grid->Selected(rows[3]->VNode));

    OptimizeWidth();
    EXPECT_TRUE(CutCaptions().isEmpty()) << CutCaptions().join(QStringLiteral(", ")).toStdString();
    shortened.clear();
    grid->viewport()->repaint();
    EXPECT_TRUE(shortened.isEmpty()) << shortened.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));

    // Selecting the other rows afterwards shortens nothing either: any row may be drawn bold.
    ClickCell(grid, rows[0]->VNode, core->GetConnection(tbTable, cnLength));
    ClickCell(grid, rows[4]->VNode, core->GetConnection(tbTable, cnLength), Qt::ShiftModifier);
    ASSERT_TRUE(grid->Selected(rows[2]->VNode));
    shortened.clear();
    grid->viewport()->repaint();
    EXPECT_TRUE(shortened.isEmpty()) << shortened.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));
}
