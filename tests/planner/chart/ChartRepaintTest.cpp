// What the chart area shows after the paints that follow a user's clicks, drags, keys, wheel,
// scroll bars, zoom, window sizes and view options is what a full paint of it draws: the chart,
// its caption, the overview, its caption and the task table.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QEventLoop>
#include <QKeySequence>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>

#include <functional>
#include <set>

#include "chart/ChartCommands.h"
#include "common/RepaintCheck.h"
#include "FontCombobox.h"
#include "SVFontCombos.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class ChartRepaintTest : public ChartMouseTest
{
protected:
    struct TPlanTask
    {
        int row;
        double start;   // days after Base(), with the time of day in minute mode
        double length;  // days in day mode, minutes in minute mode
        int lateBy = 0; // days the deadline lies before the end (negative: after it)
        bool deadline = false;
    };

    // `rows` resources working every day (or in `week`) and the tasks; with `minutes` the
    // document counts in minutes. Saved and opened through the window, shown at `dayWidth`
    // pixels per day.
    void OpenDeadlinePlan(int rows, const std::vector<TPlanTask> &tasks, bool minutes, int dayWidth,
                          const tWeekInfo &week = EveryDayWeek(7 * 60, 17 * 60))
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        if (minutes)
            core.SetMinUnit(muMinute);
        const int deadline = core.GetTableColCount(tbTable);
        core.SetTableColCount(tbTable, deadline + 1);
        core.SetColumnType(tbTable, deadline, ctDate);
        core.SetConnection(tbTable, cnTermin, deadline);
        QStringList &positions = core.ColumnStrings(tbTable, core.GetConnection(tbTable, cnPosition));
        positions.clear();
        for (int r = 0; r < rows; ++r)
            positions.append(CommaTextOf({RowName(r), WeekInfo2String(week)}));
        for (const TPlanTask &task : tasks) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, RowName(task.row));
            core.SetData_(node, cnColor, QStringLiteral("State %1").arg(1 + task.row % 3));
            if (minutes) {
                core.SetStartOf(node, Base() + task.start);
                core.SetLengthOf(node, int(task.length));
            } else {
                core.SetData_(node, cnStart, DateToStr(Base() + task.start));
                core.SetData_(node, cnLength, QString::number(task.length));
            }
        }
        core.EndUpdate();
        // The deadlines relative to the ends the plan computed.
        core.BeginUpdate(QStringLiteral("deadlines"));
        std::size_t i = 0;
        for (TNodeData *node : Tasks()) {
            const TPlanTask &task = tasks[i++];
            if (task.deadline)
                core.SetData_(node, cnTermin, DateToStr(Trunc(core.GetEndOf(node)) - task.lateBy));
        }
        core.EndUpdate();
        ASSERT_TRUE(ReopenThroughWindow());
        Settle();
        view->SetTimeChartColWidth(dayWidth);
        // The range as the new day width makes it.
        Core().UpdateBoundsProc();
        view->SetTimeChartDestination(Base() - 2, 0, true);
        Settle();
    }
    // The event loop waits as it does between a user's moves, so that idle work runs.
    static void Idle()
    {
        QEventLoop loop;
        QTimer::singleShot(130, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Six resources, the last without tasks; every third task late, most others in time with
    // a deadline (an arrow only while selected).
    void OpenDayPlan()
    {
        std::vector<TPlanTask> tasks;
        for (int i = 0; i < 40; ++i) {
            TPlanTask task{i % 5, double((i / 5) * 5 + i % 3 - 3), double(2 + i % 3)};
            task.deadline = i % 4 != 3;
            task.lateBy = i % 3 == 0 ? 1 + i % 4 : -3;
            tasks.push_back(task);
        }
        OpenDeadlinePlan(6, tasks, false, 20);
    }
    void OpenMinutePlan()
    {
        std::vector<TPlanTask> tasks;
        for (int i = 0; i < 24; ++i) {
            TPlanTask task{i % 4, (i / 4) + (8 + (i % 5)) / 24.0, double(90 + 60 * (i % 4))};
            task.deadline = i % 4 == 0;
            tasks.push_back(task);
        }
        OpenDeadlinePlan(4, tasks, true, 160);
    }
    void Watch(testsupport::TRepaintCheck &check)
    {
        check.Watch(view->TimeChart);
        check.Watch(view->TimeChartCaption);
        // The overview draws the rows that changed into the picture it keeps.
        check.Watch(view->SmallTimeChart, {}, [this] { view->InvalidateTimeChart(false); });
        check.Watch(view->SmallTimeChartCaption);
        check.Watch(form->StringTreeGrid1);
    }
    // Watched from the start: "-" down to one pixel a day, then "+" up to three; at each width
    // six steps (`step` gets their number), each shown as a full paint draws it.
    void AtNarrowDays(const QString &steps, const std::function<void(int)> &step)
    {
        testsupport::TRepaintCheck check;
        Watch(check);
        check.Check(QStringLiteral("opened"));
        TChartCommands &commands = *form->ChartCommands;
        while (view->Geometry().ColWidth() > 1) {
            QTest::mouseClick(commands.ToolButton20, Qt::LeftButton);
            Settle();
        }
        for (int width = 1; width <= 3; ++width) {
            if (width > 1) {
                QTest::mouseClick(commands.ToolButton16, Qt::LeftButton);
                Settle();
            }
            ASSERT_EQ(view->Geometry().GetTimeChartColWidth(), width);
            check.Check(QStringLiteral("%1 px a day").arg(width));
            for (int i = 0; i < 6; ++i) {
                step(i);
                check.Check(QStringLiteral("%1 px a day, %2 %3").arg(width).arg(steps).arg(i));
            }
        }
    }
    // A task on screen that has (or has not) a deadline arrow now.
    TNodeData *ShownTask(bool arrow)
    {
        for (TNodeData *node : Tasks()) {
            const QRect r = BarRect(node);
            if (r.width() < 12 || r.center().x() < view->TimeChart->width() / 4
                || !view->TimeChart->rect().contains(r.center()))
                continue;
            if (ShownArrowRect(view->Geometry(), *node).isNull() != arrow)
                return node;
        }
        return nullptr;
    }
    // Points at the middle of the bar and presses there; that point.
    QPoint GrabBar(TNodeData *node)
    {
        const QPoint at = BarRect(node).center();
        Hover(at);
        Press(at);
        return at;
    }
    void ClickBar(TNodeData *node)
    {
        Release(GrabBar(node));
        Settle();
    }
    void Wheel(QWidget *target, QPoint at, bool down)
    {
        TurnWheel(target, at, down);
        Settle();
    }
    // The chart's scroll bar of that orientation.
    QScrollBar *ChartBar(Qt::Orientation kind)
    {
        QScrollBar *bar = nullptr;
        for (QScrollBar *child : view->findChildren<QScrollBar *>())
            if (child->orientation() == kind && view->TimeChart->parentWidget()->isAncestorOf(child))
                bar = child;
        return bar;
    }
    // The scroll bars show where the chart goes.
    void ExpectBarsAtTheDestination()
    {
        const TTimeChartGeometry &g = view->Geometry();
        QScrollBar *horizontal = ChartBar(Qt::Horizontal);
        QScrollBar *vertical = ChartBar(Qt::Vertical);
        ASSERT_TRUE(horizontal && vertical);
        EXPECT_EQ(horizontal->value(), g.HorzRange().pos);
        EXPECT_EQ(horizontal->pageStep(), g.HorzRange().page);
        EXPECT_EQ(vertical->value(), g.VertRange().pos);
        EXPECT_EQ(vertical->pageStep(), g.VertRange().page);
    }
    // A click into the scroll bar's trough, before or after its handle: a page.
    void Page(Qt::Orientation kind, bool forward)
    {
        QScrollBar *bar = ChartBar(kind);
        ASSERT_TRUE(bar && bar->isVisible());
        const int length = kind == Qt::Horizontal ? bar->width() : bar->height();
        const int along = forward ? length - 24 : 24;
        const QPoint at = kind == Qt::Horizontal ? QPoint(along, bar->height() / 2) : QPoint(bar->width() / 2, along);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, at);
        Settle();
    }
    QAction *ZoomAction(int percent)
    {
        for (QAction *action : form->ChartCommands->KalendarZoom1->actions())
            if (action->text().startsWith(QString::number(percent) + QLatin1Char(' ')))
                return action;
        return nullptr;
    }
    // The share of white pixels the user sees in the rows right of the captions.
    double WhiteShare()
    {
        const QImage shown = testsupport::ShownPixels(view->TimeChart);
        const TTimeChartGeometry &g = view->Geometry();
        const int bottom = std::min<qint64>(shown.height(), g.RowsHeight(0) - g.Top());
        qint64 white = 0, all = 0;
        for (int y = 0; y < bottom; ++y)
            for (int x = shown.width() / 6; x < shown.width(); ++x) {
                ++all;
                white += (shown.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
            }
        return all > 0 ? double(white) / double(all) : 0;
    }
};

} // namespace

TEST_F(ChartRepaintTest, DayPlanShowsWhatAFullPaintDraws)
{
    OpenDayPlan();
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));

    TNodeData *arrowed = ShownTask(true);
    TNodeData *plain = ShownTask(false);
    ASSERT_TRUE(arrowed && plain);
    ClickBar(arrowed);
    check.Check(QStringLiteral("click on a bar with an arrow"));
    ClickBar(plain);
    check.Check(QStringLiteral("click on a bar without an arrow"));
    // A selected task in time shows its arrow; selecting another takes it away again.
    TStringTreeGrid *grid = form->StringTreeGrid1;
    const int h = int(grid->DefaultNodeHeight());
    // The table's rows that show: one in time with a deadline (an arrow only while selected),
    // one late.
    std::vector<TNodeData *> rows;
    for (int y = h / 2; y < grid->viewport()->height() - h; y += h)
        if (TGridNode *run = grid->GetNodeAt(30, y))
            rows.push_back(TPlannerCore::NodeData(grid, run));
    int inTime = -1, late = -1;
    for (int i = 0; i < int(rows.size()); ++i) {
        TPlannerCore &core = Core();
        const TDateTime termin = core.GetTerminOf(rows[std::size_t(i)]);
        if (termin != 0 && core.GetEndOf(rows[std::size_t(i)]) <= termin && inTime < 0)
            inTime = i;
        if (termin != 0 && core.GetEndOf(rows[std::size_t(i)]) > termin && late < 0)
            late = i;
    }
    ASSERT_GE(inTime, 0);
    ASSERT_GE(late, 0);
    for (int row : {inTime, late, inTime == 0 ? 1 : 0}) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, row * h + h / 2));
        Settle();
        if (row == inTime) {
            const QRect arrow = ShownArrowRect(view->Geometry(), *rows[std::size_t(row)]);
            ASSERT_FALSE(arrow.isNull());
            ASSERT_TRUE(view->TimeChart->rect().intersects(arrow.normalized()));
        }
        check.Check(QStringLiteral("table row %1 selected").arg(row));
    }
    // A deadline moved elsewhere (another instance's edit arrives through the same write).
    TNodeData *lateTask = rows[std::size_t(late)];
    Core().SetData_(lateTask, cnTermin, DateToStr(Core().GetTerminOf(lateTask) - 10));
    check.Check(QStringLiteral("deadline moved earlier"));
    Core().SetData_(lateTask, cnTermin, DateToStr(Core().GetTerminOf(lateTask) + 10));
    check.Check(QStringLiteral("deadline moved later"));
    Wheel(view->TimeChart, QPoint(200, 40), true);
    check.Check(QStringLiteral("wheel down"));
    Wheel(view->TimeChart, QPoint(200, 40), false);
    check.Check(QStringLiteral("wheel up"));
    Wheel(view->SmallTimeChart, QPoint(20, 5), true);
    check.Check(QStringLiteral("wheel on the overview"));
    Page(Qt::Horizontal, true);
    check.Check(QStringLiteral("page right"));
    Page(Qt::Horizontal, false);
    check.Check(QStringLiteral("page left"));
    Page(Qt::Vertical, true);
    check.Check(QStringLiteral("page down"));
    view->TimeChart->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_Down}) {
        QTest::keyClick(view->TimeChart, key);
        Settle();
        check.Check(QKeySequence(key).toString());
    }
    for (int percent : {150, 50, 100}) {
        QAction *zoom = ZoomAction(percent);
        ASSERT_NE(zoom, nullptr);
        zoom->trigger();
        Settle();
        check.Check(QStringLiteral("zoom %1").arg(percent));
    }
    form->resize(1250, 820);
    Settle();
    check.Check(QStringLiteral("window larger"));
    form->resize(900, 620);
    Settle();
    check.Check(QStringLiteral("window smaller"));

    // A bar dragged two days and a row, then given back with Escape.
    view->SetTimeChartDestination(Base() - 2, 0, true);
    Settle();
    TNodeData *moved = ShownTask(false);
    ASSERT_NE(moved, nullptr);
    const QPoint from = GrabBar(moved);
    ASSERT_EQ(mouse->State(), msMoveItem);
    check.Check(QStringLiteral("bar grabbed"));
    Drag(from + QPoint(20, 0));
    Drag(from + QPoint(45, view->Geometry().TimeChartRowHeight(0)));
    Settle();
    check.Check(QStringLiteral("bar dragged"));
    Key(Qt::Key_Escape);
    Settle();
    check.Check(QStringLiteral("drag given back with Escape"));
    Release(from + QPoint(45, 0));
    Settle();
    check.Check(QStringLiteral("released after Escape"));

    // A rubber band with Shift, then the view options.
    const QPoint band(BarRect(plain).left() - 30, 5);
    Press(band, Qt::LeftButton, Qt::ShiftModifier);
    Drag(band + QPoint(120, 80), Qt::LeftButton, Qt::ShiftModifier);
    check.Check(QStringLiteral("rubber band"));
    Release(band + QPoint(120, 80), Qt::LeftButton, Qt::ShiftModifier);
    Settle();
    check.Check(QStringLiteral("rubber band released"));
    TChartCommands &commands = *form->ChartCommands;
    for (QAction *option : {commands.LinienzwischenArbeitspltze1, commands.leereArbeitspltzeausblenden1,
                            commands.leereArbeitspltzeausblenden1, commands.LinienzwischenArbeitspltze1}) {
        option->trigger();
        Settle();
        check.Check(option->objectName() + (option->isChecked() ? QStringLiteral(" on") : QStringLiteral(" off")));
    }
    EXPECT_GT(check.Checks(), 25);
}

TEST_F(ChartRepaintTest, FullTextsBeyondTheirBarsShowWhatAFullPaintDraws)
{
    OpenDayPlan();
    // Long texts that run on far beyond their bars, also into the view from bars left of it.
    Core().BeginUpdate(QStringLiteral("texts"));
    int i = 0;
    for (TNodeData *node : Tasks())
        Core().SetData_(node, cnTextCenterMiddle,
                        QStringLiteral("task %1 with a text that runs on well beyond its bar").arg(i++));
    Core().EndUpdate();
    view->Options().drawFullText = true;
    view->InvalidateTimeChart(true);
    Settle();
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));
    view->TimeChart->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(view->TimeChart, key);
        Settle();
        check.Check(QKeySequence(key).toString());
    }
    Wheel(view->TimeChart, QPoint(200, 40), true);
    check.Check(QStringLiteral("wheel down"));
    Page(Qt::Horizontal, true);
    check.Check(QStringLiteral("page right"));
    Page(Qt::Horizontal, false);
    check.Check(QStringLiteral("page left"));
    TNodeData *plain = ShownTask(false);
    ASSERT_NE(plain, nullptr);
    ClickBar(plain);
    check.Check(QStringLiteral("click on a bar"));
    const QPoint from = GrabBar(plain);
    ASSERT_EQ(mouse->State(), msMoveItem);
    Drag(from + QPoint(-45, 0));
    Settle();
    check.Check(QStringLiteral("bar dragged"));
    Key(Qt::Key_Escape);
    Release(from + QPoint(-45, 0));
    Settle();
    check.Check(QStringLiteral("drag given back"));
    EXPECT_GT(check.Checks(), 10);
}

TEST_F(ChartRepaintTest, MinutePlanShowsWhatAFullPaintDraws)
{
    OpenMinutePlan();
    ASSERT_EQ(Core().GetMinUnit(), muMinute);
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));
    TNodeData *arrowed = ShownTask(true);
    ASSERT_NE(arrowed, nullptr);
    ClickBar(arrowed);
    check.Check(QStringLiteral("click on a bar with an arrow"));
    view->TimeChart->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left}) {
        QTest::keyClick(view->TimeChart, key);
        Settle();
        check.Check(QKeySequence(key).toString());
    }
    Wheel(view->TimeChart, QPoint(100, 30), true);
    check.Check(QStringLiteral("wheel"));
    Page(Qt::Horizontal, true);
    check.Check(QStringLiteral("page right"));
    view->SetTimeChartDestination(Base() - 1, 0, true);
    Settle();
    check.Check(QStringLiteral("back to the start"));
    // Dragging shows the clock of the bar's start; Escape gives the move back.
    TNodeData *moved = ShownTask(false);
    ASSERT_NE(moved, nullptr);
    const QPoint from = GrabBar(moved);
    ASSERT_EQ(mouse->State(), msMoveItem);
    Drag(from + QPoint(35, 0));
    Settle();
    check.Check(QStringLiteral("bar dragged"));
    Key(Qt::Key_Escape);
    Release(from + QPoint(35, 0));
    Settle();
    check.Check(QStringLiteral("drag given back"));
    QAction *zoom = ZoomAction(75);
    ASSERT_NE(zoom, nullptr);
    zoom->trigger();
    Settle();
    check.Check(QStringLiteral("zoom 75"));
    form->resize(1200, 760);
    Settle();
    check.Check(QStringLiteral("window larger"));
}

TEST_F(ChartRepaintTest, TheRowsStayWhiteAfterAnArrowedBarIsSelectedAndPaged)
{
    OpenDayPlan();
    const double opened = WhiteShare();
    ASSERT_GT(opened, 0.3);
    TNodeData *arrowed = ShownTask(true);
    ASSERT_NE(arrowed, nullptr);
    const TDateTime start = view->Geometry().Start();
    ClickBar(arrowed);
    testsupport::FlushPaints();
    // The selected bar's shadow and flash take a little white; nothing more.
    EXPECT_GT(WhiteShare(), opened - 0.03);
    Page(Qt::Horizontal, true);
    EXPECT_NE(view->Geometry().Start(), start);
    Page(Qt::Horizontal, false);
    view->SetTimeChartDestination(start, 0, true);
    Settle();
    testsupport::FlushPaints();
    EXPECT_GT(WhiteShare(), opened - 0.03);
    EXPECT_LE(WhiteShare(), opened + 0.001);
}

TEST_F(ChartRepaintTest, AGrownChartKeepsItsStartUnlessTheRangeEndsThere)
{
    OpenDayPlan();
    TTimeChartGeometry &g = view->Geometry();
    // Inside the range: a larger window leaves the start where the user put it.
    view->SetTimeChartDestination(Core().MinDate() + 3, 0, true);
    Settle();
    const TDateTime inside = g.Start();
    form->resize(1300, 760);
    Settle();
    EXPECT_EQ(g.Start(), inside);
    ExpectBarsAtTheDestination();
    form->resize(1000, 700);
    Settle();

    // At the end of the range the start goes back at once when the window grows, so the next
    // wheel notch scrolls the rows only.
    view->SetTimeChartDestination(Core().MaxDate(), 0, true);
    Settle();
    const TDateTime atEnd = g.Start();
    form->resize(1500, 700);
    QApplication::processEvents();
    EXPECT_LE(g.Start(), atEnd);
    EXPECT_EQ(g.Start(), g.ClampStart(g.Start()));
    EXPECT_EQ(g.StartDestination(), g.Start());
    ExpectBarsAtTheDestination();
    const TDateTime grown = g.Start();
    TurnWheel(view->TimeChart, QPoint(100, 20), true);
    LetScrollRun();
    EXPECT_EQ(g.Start(), grown);
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("grown at the end"));

    // A bar under a drag stays under the pointer while the window grows again.
    form->resize(1000, 700);
    Settle();
    view->SetTimeChartDestination(Core().MaxDate(), 0, true);
    Settle();
    TNodeData *node = nullptr;
    for (TNodeData *task : Tasks()) {
        const QRect r = BarRect(task);
        if (r.width() >= 30 && view->TimeChart->rect().contains(r.center()))
            node = task;
    }
    ASSERT_NE(node, nullptr);
    const QPoint from = GrabBar(node);
    ASSERT_EQ(mouse->State(), msMoveItem);
    Drag(from + QPoint(3, 0));
    const int grip = from.x() + 3 - BarRect(node).left();
    const TDateTime before = g.Start();
    form->resize(1500, 700);
    QApplication::processEvents();
    ASSERT_NE(g.Start(), before) << "the range must force the start back for this check";
    EXPECT_NEAR(from.x() + 3 - BarRect(node).left(), grip, g.GetTimeChartColWidth());
    Release(from + QPoint(3, 0));
    Settle();
}

TEST_F(ChartRepaintTest, AWindowGrownBelowTheLastRowShowsItAtTheBottom)
{
    OpenDayPlan();
    TTimeChartGeometry &g = view->Geometry();
    // A low window scrolled down to the last row.
    form->resize(1000, 420);
    Settle();
    const TTimeChartGeometry::TScrollRange low = g.VertRange();
    ASSERT_GT(low.max, low.page) << "the rows must not fit for this check";
    view->SetTimeChartDestination(g.Start(), low.max, true);
    Settle();
    ASSERT_EQ(g.Top(), low.max - low.page);
    ExpectBarsAtTheDestination();
    testsupport::TRepaintCheck check;
    Watch(check);
    // Taller: no space is left below the last row, the bars follow.
    form->resize(1000, 560);
    QApplication::processEvents();
    const TTimeChartGeometry::TScrollRange tall = g.VertRange();
    ASSERT_GT(tall.page, low.page);
    EXPECT_EQ(g.Top(), std::max(0, tall.max - tall.page));
    EXPECT_EQ(g.TopDestination(), g.Top());
    ExpectBarsAtTheDestination();
    Settle();
    check.Check(QStringLiteral("grown below the last row"));
}

TEST_F(ChartRepaintTest, ABarDraggedPastTheLastDateLandsUnderThePointerInAGrownWindow)
{
    OpenDayPlan();
    TTimeChartGeometry &g = view->Geometry();
    // The user looks at the end of the plan, then makes the window larger.
    view->SetTimeChartDestination(Core().MaxDate(), 0, true);
    Settle();
    form->resize(1400, 700);
    Idle();
    // The last bar, dragged to the right edge and beyond; the chart follows it.
    TNodeData *last = nullptr;
    for (TNodeData *task : Tasks())
        if (!last || Core().GetStartOf(task) > Core().GetStartOf(last))
            last = task;
    const QRect bar = BarRect(last);
    ASSERT_TRUE(view->TimeChart->rect().contains(bar.center()));
    const QPoint from = bar.center();
    const int grip = from.x() - bar.left();
    Send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier, from);
    Idle();
    Press(from);
    ASSERT_EQ(mouse->State(), msMoveItem);
    const TDateTime pressedAt = g.Start();
    TDateTime lowest = pressedAt;
    // The pointer goes on from where it is: a scroll carries it with the bar.
    QPoint at = from;
    for (int step = 0; step < 6; ++step) {
        at = QPoint(std::min(at.x() + 80, view->TimeChart->width() + 5), from.y());
        Drag(at);
        const TDateTime before = g.Start();
        Idle(); // the plan's range takes in the moved bar
        LetScrollRun();
        if (g.Start() != before)
            at = view->TimeChart->mapFromGlobal(QCursor::pos());
        lowest = std::min(lowest, g.Start());
    }
    Release(at);
    LetScrollRun();
    // The chart never jumped back, it went on with the bar, and the bar lies where the
    // pointer let go of it.
    EXPECT_EQ(lowest, pressedAt);
    EXPECT_GT(g.Start(), pressedAt);
    EXPECT_NEAR(at.x() - BarRect(last).left(), grip, g.GetTimeChartColWidth());
}

TEST_F(ChartRepaintTest, TheNoteUnderTheRowsFollowsHideEmptyResourcesAtOnce)
{
    // Every resource has work: hiding changes no row, the note says it is suppressed.
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 8; ++i)
        tasks.push_back({i % 4, double(i), 2.0});
    OpenDeadlinePlan(4, tasks, false, 20);
    const TTimeChartGeometry &g = view->Geometry();
    ASSERT_LT(g.RowsHeight(0) + 30, view->TimeChart->height());
    const auto noteInk = [&] {
        const QImage shown = testsupport::ShownPixels(view->TimeChart);
        const int top = int(g.RowsHeight(0)) + 5;
        int ink = 0;
        for (int y = top; y < top + 15 && y < shown.height(); ++y)
            for (int x = 0; x < 300; ++x)
                ink += qGray(shown.pixel(x, y)) < 0x60;
        return ink;
    };
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));
    const int without = noteInk();
    QAction *hide = form->ChartCommands->leereArbeitspltzeausblenden1;
    hide->trigger();
    ASSERT_TRUE(hide->isChecked());
    check.Check(QStringLiteral("hide empty resources"));
    EXPECT_GT(noteInk(), without + 20);
    hide->trigger();
    ASSERT_FALSE(hide->isChecked());
    check.Check(QStringLiteral("show empty resources"));
    EXPECT_EQ(noteInk(), without);
}

// Narrow days: "-" down to one pixel a day, "+" back up, and the wheel over the chart after each
// width; every deadline arrow is drawn the same whatever strip of the chart a paint covers.
TEST_F(ChartRepaintTest, NarrowDaysShowWhatAFullPaintDrawsWhileTheWheelTurns)
{
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 300; ++i) {
        TPlanTask task{i % 60, double((i * 7) % 120 - 20), double(3 + i % 9)};
        task.deadline = true;
        task.lateBy = i % 3 == 0 ? 10 + i % 20 : -(5 + i % 15);
        tasks.push_back(task);
    }
    OpenDeadlinePlan(60, tasks, false, 4);
    // Every third task in time selected too: its arrow points back from the deadline.
    TStringTreeGrid *grid = form->StringTreeGrid1;
    grid->BeginUpdate();
    int i = 0;
    for (TNodeData *node : Tasks())
        if (i++ % 3 == 1 && node->VNode)
            grid->SetSelected(node->VNode, true);
    grid->EndUpdate();
    Settle();
    AtNarrowDays(QStringLiteral("wheel notch"), [&](int notch) {
        TurnWheel(view->TimeChart, QPoint(300, 60), notch < 4);
        LetScrollRun();
    });
}

// Narrow days with free weekends and public holidays, scrolled sideways by clicks on the
// horizontal scroll bar's arrows: the strip each step exposes continues the columns' borders
// where the scrolled picture ends, as a full paint draws them.
TEST_F(ChartRepaintTest, NarrowDaysScrolledSidewaysByTheArrowsShowWhatAFullPaintDraws)
{
    // Four years: wider than the chart even at one pixel a day.
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 240; ++i)
        tasks.push_back({i % 24, double((i * 37) % 1450 - 20), double(2 + i % 7)});
    // A holiday every few weeks over the plan, on the same day of each month it falls in.
    for (int k = 0; k < 1450; k += 41) {
        int year = 0, month = 0, day = 0;
        DecodeDate(Base() + k, year, month, day);
        Core().AddHoliday(QStringLiteral("Holiday %1").arg(k), day, month, true, false);
    }
    OpenDeadlinePlan(24, tasks, false, 4, DefaultWeekInfo());
    view->SetTimeChartDestination(Base() - 20, 0, true);
    Settle();
    // The middle of one of the horizontal scroll bar's arrow buttons.
    const auto arrow = [this](QStyle::SubControl which) {
        QScrollBar *bar = ChartBar(Qt::Horizontal);
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, which, bar).center();
    };
    AtNarrowDays(QStringLiteral("arrow click (right 4, then left)"), [&](int step) {
        QScrollBar *bar = ChartBar(Qt::Horizontal);
        ASSERT_TRUE(bar && bar->isVisible());
        const TDateTime before = view->Geometry().Start();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                          arrow(step < 4 ? QStyle::SC_ScrollBarAddLine : QStyle::SC_ScrollBarSubLine));
        LetScrollRun();
        EXPECT_NE(view->Geometry().Start(), before)
            << view->Geometry().GetTimeChartColWidth() << " px a day, step " << step;
    });
}

// A selected task that ends well before its deadline: its arrow points back from the deadline
// and its shaft bows below the task's row into the rows beneath, drawn whole and in one piece.
TEST_F(ChartRepaintTest, AnArrowBowingBelowItsRowIsDrawnWhole)
{
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 300; ++i) {
        TPlanTask task{i % 60, double((i * 7) % 60 - 10), double(2 + i % 4)};
        task.deadline = true;
        task.lateBy = i % 2 == 0 ? -(12 + i % 9) : 1;
        tasks.push_back(task);
    }
    OpenDeadlinePlan(60, tasks, false, 20);
    const TTimeChartGeometry &g = view->Geometry();
    const int rowHeight = g.TimeChartRowHeight(0);
    TNodeData *chosen = nullptr;
    for (TNodeData *node : Tasks()) {
        // The arrow it gets when selected, with room for its bow below and left of it.
        const QRect arrow = g.ArrowRect(*node, g.Start(), g.GetTimeChartEnd(), g.Top(), rowHeight, g.ChartWidth(), true)
                                .normalized();
        const bool inTime = Core().GetEndOf(node) + 10 < Core().GetTerminOf(node);
        if (inTime && arrow.left() > view->TimeChart->width() / 5 && RectRight(arrow) < view->TimeChart->width()
            && arrow.top() > 0 && RectBottom(arrow) + rowHeight < view->TimeChart->height()) {
            chosen = node;
            break;
        }
    }
    ASSERT_NE(chosen, nullptr);
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));
    const QImage before = testsupport::ShownPixels(view->TimeChart);
    ClickBar(chosen);
    ASSERT_TRUE(view->Model().IsSelected(*chosen));
    view->FlashSelectedTimer.stop();
    check.Check(QStringLiteral("the task in time selected"));
    const QImage after = testsupport::ShownPixels(view->TimeChart);

    // What the selection changed by the arrow's mask, outside the bar's frame: its outline
    // in black, its fill in yellow over what was there.
    const QRect bar = BarRect(chosen).adjusted(-2, -2, 2, 2);
    const QRgb fill = ToQRgb(ChartColor::ArrowSlack) & 0xFFFFFF;
    std::vector<QPoint> arrow;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb was = before.pixel(x, y) & 0xFFFFFF;
            const QRgb now = after.pixel(x, y) & 0xFFFFFF;
            if (!bar.contains(x, y) && now != was && (now == 0 || now == (was & fill)))
                arrow.emplace_back(x, y);
        }
    ASSERT_GT(arrow.size(), 100u);
    const int rowBottom = RectBottom(g.ScreenItemRect(*chosen, true));
    int below = 0;
    for (const QPoint &p : arrow)
        below += p.y() > rowBottom + 2;
    EXPECT_GT(below, 30) << "the shaft bows into the rows below";
    // One piece: every changed pixel is reached from the first through its neighbours (over
    // the one-pixel black frames of other bars, which the mask leaves as they are).
    std::set<std::pair<int, int>> left;
    for (const QPoint &p : arrow)
        left.insert({p.x(), p.y()});
    std::vector<std::pair<int, int>> todo{*left.begin()};
    left.erase(left.begin());
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (left.erase({x + dx, y + dy}))
                    todo.emplace_back(x + dx, y + dy);
    }
    QRect apart;
    for (const auto &[x, y] : left)
        apart = apart.united(QRect(x, y, 1, 1));
    EXPECT_TRUE(left.empty()) << left.size() << " pixels apart from the rest, within (" << apart.x() << ", "
                              << apart.y() << ", " << apart.width() << " x " << apart.height() << ")";

    // Scrolled a row at a time by the wheel, it stays whole in every strip painted.
    for (int notch = 0; notch < 3; ++notch) {
        TurnWheel(view->TimeChart, QPoint(300, 60), true);
        LetScrollRun();
        check.Check(QStringLiteral("wheel notch %1").arg(notch));
    }
}

// "-" down to one pixel a day from a start in the middle of the plan: the start goes back
// into the range at once, so the earliest bars show and the scroll bar reaches everything;
// "+" again keeps it there.
TEST_F(ChartRepaintTest, ZoomingOutBringsTheStartBackIntoTheRange)
{
    OpenDayPlan();
    const TTimeChartGeometry &g = view->Geometry();
    view->SetTimeChartDestination(Core().MinDate() + 30, 0, true);
    Settle();
    ASSERT_EQ(g.Start(), Core().MinDate() + 30);
    TNodeData *earliest = nullptr;
    for (TNodeData *node : Tasks())
        if (!earliest || Core().GetStartOf(node) < Core().GetStartOf(earliest))
            earliest = node;
    ASSERT_LT(BarRect(earliest).left(), 0);
    testsupport::TRepaintCheck check;
    Watch(check);
    TChartCommands &commands = *form->ChartCommands;
    while (g.ColWidth() > 1) {
        QTest::mouseClick(commands.ToolButton20, Qt::LeftButton);
        Settle();
        EXPECT_EQ(g.Start(), g.ClampStart(g.Start())) << g.ColWidth() << " pixels a day";
        ExpectBarsAtTheDestination();
    }
    check.Check(QStringLiteral("one pixel a day"));
    // The whole range fits now: it starts at the left edge.
    ASSERT_GE(g.VisibleDays(), Core().MaxDate() - Core().MinDate());
    EXPECT_EQ(g.Start(), Core().MinDate());
    EXPECT_GE(BarRect(earliest).left(), 0);
    EXPECT_EQ(ChartBar(Qt::Horizontal)->value(), 0);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(commands.ToolButton16, Qt::LeftButton);
        Settle();
        EXPECT_EQ(g.Start(), g.ClampStart(g.Start()));
        ExpectBarsAtTheDestination();
        check.Check(QStringLiteral("%1 pixels a day").arg(g.ColWidth()));
    }
}

// More resources than the overview has pixel rows: the rows of a bar that changed are drawn
// again into the overview's pixel rows they share with others, as the whole strip draws them.
TEST_F(ChartRepaintTest, AnOverviewOfMoreRowsThanPixelsDrawsChangedRowsAsTheWholeStripDoes)
{
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 900; ++i)
        tasks.push_back({i % 300, double((i * 13) % 90 - 10), double(1 + i % 6)});
    OpenDeadlinePlan(300, tasks, false, 20);
    ASSERT_LT(view->SmallTimeChart->height(), 300);
    testsupport::TRepaintCheck check;
    Watch(check);
    check.Check(QStringLiteral("opened"));
    TNodeData *node = ShownTask(false);
    ASSERT_NE(node, nullptr);
    ClickBar(node);
    check.Check(QStringLiteral("bar selected"));
    const QPoint at = GrabBar(node);
    Drag(at + QPoint(3 * view->Geometry().GetTimeChartColWidth(), view->Geometry().TimeChartRowHeight(0)));
    Release(at + QPoint(3 * view->Geometry().GetTimeChartColWidth(), view->Geometry().TimeChartRowHeight(0)));
    Settle();
    check.Check(QStringLiteral("bar dragged a row down and three days on"));
    form->StringTreeGrid1->setFocus();
    QTest::keyClick(form->StringTreeGrid1, Qt::Key_Down);
    Settle();
    check.Check(QStringLiteral("next row selected"));
    QTest::keyClick(form->StringTreeGrid1, Qt::Key_Z, Qt::ControlModifier);
    Settle();
    check.Check(QStringLiteral("drag undone"));
    EXPECT_GE(check.Checks(), 5);
}

// Every road that changes how all bars look (the zoom, the font size, the texts a bar shows,
// the day width): the bars in view show pictures made for the new look, as bars whose
// pictures are all made afresh show them.
TEST_F(ChartRepaintTest, EveryRoadThatChangesHowAllBarsLookShowsPicturesMadeForTheNewLook)
{
    std::vector<TPlanTask> tasks;
    for (int i = 0; i < 80; ++i)
        tasks.push_back({i % 20, double((i * 7) % 40), double(2 + i % 5)});
    OpenDeadlinePlan(20, tasks, false, 20);
    // Texts on the bars, which the font draws.
    Core().BeginUpdate(QStringLiteral("texts"));
    for (TNodeData *node : Tasks())
        for (TConnection place : {cnTextCenterMiddle, cnTextLeftTop})
            Core().SetData_(node, place, QStringLiteral("Wagon %1").arg(node->nodePosition));
    Core().EndUpdate();
    ASSERT_GE(Core().GetConnection(tbTable, cnTextCenterMiddle), 0);
    Settle();
    testsupport::TRepaintCheck check;
    check.Watch(view->TimeChart, {}, [this] {
        for (TWhichTable table : {tbTable, tbExclude})
            Core().ForEach(table, feAll, [](TNodeData *node) { node->RecalcBitmap = true; });
        view->InvalidateTimeChart(false);
    });
    check.Check(QStringLiteral("opened"));
    TChartCommands &commands = *form->ChartCommands;
    const auto type = [](QComboBox *box, const QString &text) {
        QLineEdit *edit = box->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    // The font box holds names only: the keys on the closed box pick another.
    const auto pick = [](QComboBox *box, Qt::Key key) {
        box->setFocus();
        QTest::keyClick(box, key);
    };
    const std::vector<std::pair<QString, std::function<void()>>> roads = {
        {QStringLiteral("zoom 80"), [&] { type(commands.ZoomComboBox, QStringLiteral("80")); }},
        {QStringLiteral("zoom 150"), [&] { type(commands.ZoomComboBox, QStringLiteral("150")); }},
        {QStringLiteral("font size 14"), [&] { type(commands.FontSizeComboBox1, QStringLiteral("14")); }},
        {QStringLiteral("the next font"), [&] { pick(commands.ScFontComboBox1, Qt::Key_Down); }},
        {QStringLiteral("the font before"), [&] { pick(commands.ScFontComboBox1, Qt::Key_Up); }},
        {QStringLiteral("one text row"), [&] { commands.ItemStruct[0]->trigger(); }},
        {QStringLiteral("three text rows"), [&] { commands.ItemStruct[2]->trigger(); }},
        {QStringLiteral("a day narrower"), [&] { QTest::mouseClick(commands.ToolButton20, Qt::LeftButton); }},
        {QStringLiteral("zoom 100"), [&] { type(commands.ZoomComboBox, QStringLiteral("100")); }},
    };
    for (const auto &[name, road] : roads) {
        road();
        Settle();
        check.Check(name);
    }
    EXPECT_GE(check.Checks(), int(roads.size()) + 1);
}
