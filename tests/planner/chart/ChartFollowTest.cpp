// The chart follows the user: a bar held at the chart's edge is brought to the middle with the
// pointer on it, and a row selected in the table is scrolled into the middle while one
// selected in the chart leaves the chart where it is. Over the group tabs it stands still.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTabBar>
#include <QWindow>

#include "CommaText.h"
#include "planner/UserInput.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class ChartFollowTest : public ChartMouseTest
{
protected:
    // Where the pointer is on the chart.
    QPoint Pointer() const { return view->TimeChart->mapFromGlobal(QCursor::pos()); }
    // Four resources with the tasks, in two groups of two besides the first tab, in an
    // active window.
    void OpenPlanInTwoGroups(const std::vector<TTask> &tasks, const QString &first, const QString &second)
    {
        OpenPlan(4, tasks);
        const QStringList positions = Core().Positiongroups(false, true);
        Core().AddPositionGroup(first, CommaTextOf(positions.mid(0, 2)));
        Core().AddPositionGroup(second, CommaTextOf(positions.mid(2, 2)));
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

} // namespace

// Dragged to the right edge and held there, a bar keeps its date: the chart scrolls until the
// bar stands in the middle, the pointer goes along on the same point of the bar, and then
// everything rests. Let go there, the bar lies where it was held.
TEST_F(ChartFollowTest, ABarHeldAtTheEdgeIsCentredWithThePointerOnIt)
{
    OpenPlan(3, {{0, 4, 3}, {1, 6, 2}});
    TNodeData *node = Tasks()[0];
    const TTimeChartGeometry &g = view->Geometry();
    const int dayWidth = g.GetTimeChartColWidth();
    const int chartWidth = view->TimeChart->width();
    const QPoint grab = BarRect(node).center();
    Hover(grab);
    Press(grab);
    ASSERT_EQ(mouse->State(), msMoveItem);

    // To the edge: the bar goes under the pointer there, and the chart starts to scroll.
    const QPoint edge(chartWidth - 3, grab.y());
    Drag(edge);
    const TDateTime held = Core().GetStartOf(node);
    // Whole days: the point of the bar under the pointer.
    const int grip = edge.x() - BarRect(node).left();
    ASSERT_GT(held, Base() + 4 + double(edge.x() - grab.x()) / dayWidth - 2);
    const TDateTime startBefore = g.Start();
    ASSERT_TRUE(view->SliderTimer.isActive());
    ASSERT_TRUE(LetScrollRun());

    EXPECT_EQ(Core().GetStartOf(node), held) << "the bar keeps its date while the pointer rests";
    EXPECT_EQ(mouse->State(), msMoveItem);
    const QRect bar = BarRect(node);
    EXPECT_NEAR(bar.center().x(), chartWidth / 2, 2 * dayWidth) << "the bar stands in the middle";
    // The chart scrolled as far as the middle asks, not on and on.
    const double scrolled = g.Start() - startBefore;
    EXPECT_NEAR(scrolled, double(chartWidth / 2 - 3) / dayWidth, 3.0);
    EXPECT_EQ(Pointer(), QPoint(bar.left() + grip, edge.y()));

    // Resting on, nothing moves.
    const TDateTime rested = g.Start();
    QElapsedTimer rest;
    rest.start();
    while (rest.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(g.Start(), rested);
    EXPECT_EQ(Core().GetStartOf(node), held);

    // Let go where the pointer is: the bar stays on the date it was held at, one undo step.
    const int undoBefore = Core().UndoStack().GetGroupIndex();
    Release(Pointer());
    Settle();
    EXPECT_EQ(mouse->State(), msNone);
    EXPECT_EQ(Core().GetStartOf(node), held);
    Core().Undo();
    EXPECT_EQ(Core().GetStartOf(node), Base() + 4);
    EXPECT_LE(Core().UndoStack().GetGroupIndex(), undoBefore);
}

// Selecting in the table scrolls the chart to the row; selecting in the chart, by a click or
// a rubber band, leaves the chart where the user is looking.
TEST_F(ChartFollowTest, ATableSelectionIsCentredAChartSelectionIsNot)
{
    OpenPlan(30, {{0, 2, 3}, {25, 60, 2}, {1, 5, 2}});
    const TTimeChartGeometry &g = view->Geometry();
    TStringTreeGrid *grid = form->StringTreeGrid1;
    const int h = int(grid->DefaultNodeHeight());
    // The far task, out of sight, selected by a click on its table row.
    TNodeData *far = Tasks()[1];
    ASSERT_FALSE(view->TimeChart->rect().intersects(BarRect(far)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, h + h / 2));
    ASSERT_TRUE(view->Model().IsSelected(*far));
    // The smooth scroll runs to where it stops by itself.
    ASSERT_TRUE(userinput::WaitUntil([&] { return view->SliderTimer.isActive(); }));
    ASSERT_TRUE(LetScrollRun());
    EXPECT_TRUE(view->TimeChart->rect().contains(BarRect(far).center()));
    EXPECT_NEAR(BarRect(far).center().x(), view->TimeChart->width() / 2, 2 * g.GetTimeChartColWidth());

    // Back to the start; a click on a bar near the chart's corner selects it and scrolls nothing.
    view->SetTimeChartDestination(Base() - 2, 0, true);
    Settle();
    TNodeData *near = Tasks()[0];
    const TDateTime start = g.Start();
    const int top = g.Top();
    Hover(BarRect(near).center());
    Press(BarRect(near).center());
    Release(BarRect(near).center());
    Settle();
    ASSERT_TRUE(view->Model().IsSelected(*near));
    EXPECT_EQ(g.Start(), start);
    EXPECT_EQ(g.Top(), top);
    EXPECT_FALSE(view->SliderTimer.isActive());

    // A rubber band over the third task selects it and leaves the view too.
    const QRect third = BarRect(Tasks()[2]);
    const QPoint from(third.left() - 5, third.top() - 3);
    Press(from, Qt::LeftButton, Qt::ShiftModifier);
    Drag(from + QPoint(20, 10), Qt::LeftButton, Qt::ShiftModifier);
    Release(from + QPoint(20, 10), Qt::LeftButton, Qt::ShiftModifier);
    Settle();
    ASSERT_TRUE(view->Model().IsSelected(*Tasks()[2]));
    EXPECT_EQ(g.Start(), start);
    EXPECT_EQ(g.Top(), top);
}

// A bar dragged onto the group tabs and held there: the chart and the pointer stay, the bar
// keeps its date, and the tab under the pointer takes it after its moment. One Undo and one
// Redo take the whole drag.
TEST_F(ChartFollowTest, ABarHeldOverAGroupTabGoesIntoThatGroupWithItsDate)
{
    ASSERT_NO_FATAL_FAILURE(OpenPlanInTwoGroups({{1, 10, 2}}, QStringLiteral("Day"), QStringLiteral("Night")));
    const TTimeChartGeometry &g = view->Geometry();
    TNodeData *node = Tasks()[0];
    QWindow *window = form->windowHandle();
    QTabBar *tabs = form->TabControl1;
    const auto onTab = [&](int tab) { return tabs->mapTo(form.get(), tabs->tabRect(tab).center()); };
    // Three days to the right in the chart, then straight up onto the tabs and along them.
    const QPoint grab = view->TimeChart->mapTo(form.get(), BarRect(node).center());
    const int dayWidth = g.GetTimeChartColWidth();
    QTest::mousePress(window, Qt::LeftButton, {}, grab);
    QTest::mouseMove(window, grab + QPoint(3 * dayWidth + dayWidth / 4, 0));
    QTest::mouseMove(window, QPoint(grab.x() + 3 * dayWidth, onTab(0).y()));
    const TDateTime viewStart = g.Start();
    const int viewTop = g.Top();
    QTest::mouseMove(window, onTab(1));
    QTest::mouseMove(window, onTab(2));
    const QPoint pointer = QCursor::pos();
    ASSERT_TRUE(userinput::WaitUntil([&] { return Core().GroupTabIndex() == 2; }));
    QTest::mouseRelease(window, Qt::LeftButton, {}, onTab(2));
    EXPECT_EQ(QCursor::pos(), pointer);
    EXPECT_EQ(g.Start(), viewStart);
    EXPECT_EQ(g.Top(), viewTop);
    EXPECT_EQ(Core().GetData_(node, cnPosition) + DateToStr(Core().GetStartOf(node)),
              QStringLiteral("R03") + DateToStr(Base() + 13));

    form->ActionUndo->trigger();
    EXPECT_EQ(Core().GetData_(node, cnPosition) + DateToStr(Core().GetStartOf(node)),
              QStringLiteral("R02") + DateToStr(Base() + 10));
    EXPECT_FALSE(Core().UndoStack().GetCanUndo());
    form->ActionRedo->trigger();
    EXPECT_EQ(Core().GetData_(node, cnPosition), QStringLiteral("R03"));
    EXPECT_FALSE(Core().UndoStack().GetCanRedo());
}

// A bar below the "Team B" tab but far from the chart's middle, carried straight up over the
// date rows to the tab, as a hand moves: the chart scrolls neither at the chart's top edge nor
// over the date rows, the pointer stays where the hand puts it, and the bar lands in the group
// with the date it had when the pointer left the rows.
TEST_F(ChartFollowTest, ABarCarriedUpOverTheDateRowsKeepsTheChartThePointerAndItsDate)
{
    ASSERT_NO_FATAL_FAILURE(OpenPlanInTwoGroups({{0, 10, 2}}, QStringLiteral("Team A"), QStringLiteral("Team B")));
    const TTimeChartGeometry &g = view->Geometry();
    TNodeData *node = Tasks()[0];
    QWindow *window = form->windowHandle();
    QTabBar *tabs = form->TabControl1;
    const QPoint teamB = tabs->mapTo(form.get(), tabs->tabRect(2).center());
    ASSERT_LT(teamB.y(), view->TimeChartCaption->mapTo(form.get(), QPoint()).y()) << "the tabs stand above the date rows";
    // The bar's days under the tab.
    const int tabX = view->TimeChart->mapFrom(form.get(), teamB).x();
    ASSERT_GE(tabX, 0);
    Core().SetStartOf(node, g.Start() + std::floor(double(tabX) / g.GetTimeChartColWidth()));
    Settle();
    const QRect bar = BarRect(node);
    ASSERT_TRUE(bar.left() <= tabX && tabX <= bar.right());
    ASSERT_GT(std::abs(bar.center().x() - view->TimeChart->width() / 2), view->TimeChart->width() / 4)
        << "centred, the bar would move the chart";
    const QPoint grab(teamB.x(), view->TimeChart->mapTo(form.get(), bar.center()).y());
    // Where the hand is, the window system has the pointer.
    const auto handAt = [&](QPoint at) {
        QCursor::setPos(form->mapToGlobal(at));
        QTest::mouseMove(window, at);
    };
    handAt(grab);
    Settle();
    QTest::mousePress(window, Qt::LeftButton, {}, grab);
    ASSERT_EQ(mouse->State(), msMoveItem);
    const TDateTime viewStart = g.Start();
    const TDateTime start = Core().GetStartOf(node);

    // Up a few pixels at a time, each step given the time a hand takes, so that any scroll
    // the step started would run.
    QStringList moved;
    for (int y = grab.y() - 4; y > teamB.y(); y -= 4) {
        const QPoint at(grab.x(), y);
        handAt(at);
        QElapsedTimer step;
        step.start();
        while (step.elapsed() < 40)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (g.Start() != viewStart || g.StartDestination() != viewStart)
            moved << QStringLiteral("the chart scrolled at y %1").arg(y);
        if (QCursor::pos() != form->mapToGlobal(at))
            moved << QStringLiteral("the pointer was moved at y %1").arg(y);
        if (Core().GetStartOf(node) != start)
            moved << QStringLiteral("the bar moved in time at y %1").arg(y);
    }
    EXPECT_TRUE(moved.isEmpty()) << moved.join(QLatin1Char('\n')).toStdString();

    // Held on "Team B", the bar goes into its first resource with its date.
    handAt(teamB);
    ASSERT_TRUE(userinput::WaitUntil([&] { return Core().GroupTabIndex() == 2; }));
    QTest::mouseRelease(window, Qt::LeftButton, {}, teamB);
    EXPECT_EQ(g.Start(), viewStart);
    EXPECT_EQ(Core().GetData_(node, cnPosition) + QLatin1Char(' ') + DateToStr(Core().GetStartOf(node)),
              QStringLiteral("R03 ") + DateToStr(start));
    // The status bar counts the row the table lists in the group.
    ASSERT_EQ(form->StringTreeGrid1->VisibleCount(), 1u);
    auto *group = form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel1"));
    auto *filtered = form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel2"));
    ASSERT_TRUE(group && filtered);
    EXPECT_TRUE(userinput::WaitUntil([&] {
        return group->text() == QStringLiteral("in Team B: 1") && filtered->text() == QStringLiteral("filtered: 1");
    })) << (group->text() + QLatin1Char(' ') + filtered->text()).toStdString();
}
