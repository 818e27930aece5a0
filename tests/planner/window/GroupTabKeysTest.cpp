// The group tabs from the keyboard: with the focus on their bar, the arrows, Home and End,
// Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+Page Down and Ctrl+Page Up choose the group, and the chart
// stays where it was; the arrows still move the chart from the table.

#include "planner/window/WindowTestSupport.h"

#include <QTabBar>

#include "CommaText.h"
#include "chart/TimeChartGeometry.h"
#include "chart/TimeChartView.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class GroupTabKeysTest : public windowtest::MainWindowTest
{
};

} // namespace

TEST_F(GroupTabKeysTest, TheKeysOfAFocusedTabBarChooseTheGroup)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("1"));
    const QString first = core->Positiongroups(false, true)[0];
    core->AddPositionGroup(QStringLiteral("Second"), CommaTextOf({first}));
    core->AddPositionGroup(QStringLiteral("Third"), CommaTextOf({first}));
    QTabBar *tabs = form->TabControl1;
    ASSERT_EQ(tabs->count(), 3);
    ASSERT_EQ(core->GroupTabIndex(), 0);
    tabs->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([tabs] { return tabs->hasFocus(); }));
    const TDateTime start = form->TimeChartView->Geometry().Start();

    struct TStep
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        int tab;
    };
    const TStep steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 1},
        {Qt::Key_Right, Qt::NoModifier, 2},
        {Qt::Key_Right, Qt::NoModifier, 2}, // the last tab stays
        {Qt::Key_Left, Qt::NoModifier, 1},
        {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_Left, Qt::NoModifier, 0}, // the first too
        {Qt::Key_End, Qt::NoModifier, 2},
        {Qt::Key_Tab, Qt::ControlModifier, 0}, // round to the first
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_PageDown, Qt::ControlModifier, 0},
    };
    for (const TStep &step : steps) {
        QTest::keyClick(tabs, Qt::Key(step.key), step.modifiers);
        EXPECT_EQ(tabs->currentIndex(), step.tab) << QKeySequence(step.key | step.modifiers).toString().toStdString();
        EXPECT_EQ(core->GroupTabIndex(), step.tab);
        EXPECT_TRUE(tabs->hasFocus());
        EXPECT_EQ(form->TimeChartView->Geometry().Start(), start);
    }

    // From the table the arrows still move the chart, and the group stays.
    QTest::mouseClick(form->StringTreeGrid1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->StringTreeGrid1->hasFocus(); }));
    QTest::keyClick(form->StringTreeGrid1, Qt::Key_Right);
    EXPECT_NE(form->TimeChartView->Geometry().Start(), start);
    EXPECT_EQ(core->GroupTabIndex(), 0);
}
