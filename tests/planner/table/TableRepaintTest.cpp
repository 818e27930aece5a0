// The task table in the main window shows, after each click, key and wheel turn a user makes,
// what a full paint of it draws.

#include "planner/chart/ChartWindowTestSupport.h"

#include <QKeySequence>
#include <QScrollBar>
#include <QTest>

#include "CanvasPanel.h"
#include "common/RepaintCheck.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class TableRepaintTest : public ChartWindowTest
{
protected:
    void OpenPlan(int tasks)
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        SetResources(5, [](int r) { return QStringLiteral("R%1").arg(r + 1); });
        for (int i = 0; i < tasks; ++i) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, QStringLiteral("R%1").arg(i % 5 + 1));
            core.SetData_(node, cnStart, DateToStr(Trunc(Date()) + 7 + i % 20));
            core.SetData_(node, cnLength, QString::number(1 + i % 4));
            core.SetData_(node, cnColor, QStringLiteral("State %1").arg(1 + i % 3));
            core.SetData_(node, cnTextCenterMiddle, QStringLiteral("task %1").arg(i));
        }
        core.EndUpdate();
        ASSERT_TRUE(ReopenThroughWindow());
        Settle();
    }
};

} // namespace

TEST_F(TableRepaintTest, TheTaskTableShowsWhatAFullPaintDraws)
{
    OpenPlan(80);
    TStringTreeGrid *grid = form->StringTreeGrid1;
    QWidget *viewport = grid->viewport();
    testsupport::TRepaintCheck check;
    check.Watch(grid);
    check.Watch(view->TimeChart);
    check.Check(QStringLiteral("opened"));
    const int h = int(grid->DefaultNodeHeight());
    const auto rowAt = [&](int index) { return QPoint(40, index * h + h / 2); };

    QTest::mouseMove(viewport, rowAt(2));
    Settle();
    check.Check(QStringLiteral("pointer over a row"));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowAt(1));
    Settle();
    check.Check(QStringLiteral("row clicked"));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowAt(4));
    Settle();
    check.Check(QStringLiteral("row added with Ctrl"));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, rowAt(6));
    Settle();
    check.Check(QStringLiteral("rows added with Shift"));
    grid->setFocus();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left,
                    Qt::Key_End, Qt::Key_Home}) {
        QTest::keyClick(grid, key);
        Settle();
        check.Check(QKeySequence(key).toString());
    }
    for (bool down : {true, true, false}) {
        TurnWheel(viewport, rowAt(3), down);
        Settle();
        check.Check(down ? QStringLiteral("wheel down") : QStringLiteral("wheel up"));
    }
    if (QScrollBar *bar = grid->verticalScrollBar(); bar && bar->isVisible()) {
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 24));
        Settle();
        check.Check(QStringLiteral("page down by the scroll bar"));
    }
    form->resize(1200, 800);
    Settle();
    check.Check(QStringLiteral("window larger"));
    form->resize(900, 640);
    Settle();
    check.Check(QStringLiteral("window smaller"));
    EXPECT_GT(check.Checks(), 15);
}
