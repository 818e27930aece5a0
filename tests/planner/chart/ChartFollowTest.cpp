// The chart follows the user: a bar held at the chart's edge is brought to the middle with the
// pointer on it.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QCursor>
#include <QElapsedTimer>

namespace {

class ChartFollowTest : public ChartMouseTest
{
protected:
    // The smooth scroll runs on its own timer until it arrives; true when it did.
    bool LetScrollRun()
    {
        QElapsedTimer waited;
        waited.start();
        while (view->SliderTimer.isActive() && waited.elapsed() < 3000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::processEvents();
        return !view->SliderTimer.isActive();
    }
    // Where the pointer is on the chart.
    QPoint Pointer() const { return view->TimeChart->mapFromGlobal(QCursor::pos()); }
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
