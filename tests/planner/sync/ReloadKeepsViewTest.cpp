// What a user is doing while another instance saves: the real main window of this process
// (user B) works on a document that a driver process (user A) shares and saves. B's reload of
// the new generation must not be noticed: the editor field keeps the focus, its caret and a
// typed date, keys pressed before, during and after the reload all land, and the selection,
// the focused cells, the tables' and the chart's positions stay where B had them. Nor does
// A's change of B's selection in the other table close the field B types in.

#include "planner/sync/SharedWindowTest.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>
#include <stdexcept>
#include <utility>
#include <memory>

#include "CanvasPanel.h"
#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"
#include "chart/TimeChartView.h"
#include "editor/PropertyEditor.h"
#include "sync/DirWatchThread.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
#include "window/PlannerApplication.h"

using userinput::ClickCell;
using userinput::WaitUntil;

namespace {

class ReloadKeepsViewTest : public SharedWindowTest
{
protected:
    // B types `typed` into the comment field of the last of `rows` tasks A shares.
    void TypeIntoTheLastTask(int rows, const char *typed)
    {
        ASSERT_NO_FATAL_FAILURE(Share(rows));
        ASSERT_NO_FATAL_FAILURE(Select(ids.last()));
        ASSERT_NE(ClickInto("__edit", "Comment"), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), typed);
    }
};

} // namespace

TEST_F(ReloadKeepsViewTest, TypingInAnEditorFieldGoesOnAtItsCaretAfterAnotherInstanceSaves)
{
    ASSERT_NO_FATAL_FAILURE(Share(2));
    // The tables get little room under the chart: the editor beside them scrolls.
    const int height = form->Splitter1->height();
    form->Splitter1->setSizes({height - 120, 120});
    const QString row = ids[1];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QScrollArea *box = form->Editor().ScrollBox();
    const auto wheel = [](QWidget *widget) {
        const QPoint at = widget->rect().center();
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    };
    const auto commentShown = [&] {
        QLineEdit *comment = Field("__edit", "Comment");
        return box->viewport()->rect().contains(QRect(comment->mapTo(box->viewport(), QPoint()), comment->size()));
    };
    for (int notch = 0; notch < 20 && !commentShown(); ++notch)
        wheel(box->viewport());
    const int scrolled = box->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    QPointer<QLineEdit> before = ClickInto("__edit", "Comment");
    ASSERT_TRUE(before);
    QTest::keyClicks(before, "-ab");
    QTest::keyClick(before, Qt::Key_Left);
    ASSERT_EQ(Cell(row, "Comment"), "task 1-ab");

    TTimeChartView &chart = *form->TimeChartView;
    ASSERT_TRUE(Idle([&] { return !chart.SliderTimer.isActive() && !chart.FlashSelectedTimer.isActive(); }, 3000));
    const TDateTime chartStart = chart.Geometry().Start();

    ASSERT_NO_FATAL_FAILURE(SaveInA());
    // The selection came back without a flash or a scroll of the chart to the row.
    EXPECT_FALSE(chart.SliderTimer.isActive());
    EXPECT_FALSE(chart.FlashSelectedTimer.isActive());
    EXPECT_EQ(chart.Geometry().Start(), chartStart);
    // The lines were built anew for the new document; the same field has the focus and the
    // caret stands where it stood.
    EXPECT_TRUE(form->EditorPanel->isVisible());
    QLineEdit *field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(Focused(), field);
    EXPECT_EQ(field->text(), "task 1-ab");
    EXPECT_EQ(field->cursorPosition(), 8);
    EXPECT_EQ(box->verticalScrollBar()->value(), scrolled);
    EXPECT_TRUE(commentShown());
    const std::vector<TNodeData *> selected = form->Editor().SelectedRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected.front()->ID.Value(), row);

    // The next keys go on typing there: into the document, and to A.
    QTest::keyClick(QApplication::focusWidget(), 'X');
    EXPECT_EQ(field->text(), "task 1-aXb");
    EXPECT_EQ(Cell(row, "Comment"), "task 1-aXb");
    EXPECT_EQ(Cell(ids[0], "Comment"), "task 0");
    EXPECT_TRUE(SeenInA(row, "Comment", "task 1-aXb"));
}

TEST_F(ReloadKeepsViewTest, KeysPressedWhileTheReloadRunsReachTheField)
{
    ASSERT_NO_FATAL_FAILURE(TypeIntoTheLastTask(1, " by B"));
    const QString row = ids[0];

    // Keys pressed while the reload runs wait in the window's queue, as the window system
    // delivers them: to whatever has the focus when they are taken.
    int reloads = 0;
    const std::function<void()> before = form->Sync().OnBeforeReload;
    form->Sync().OnBeforeReload = [&] {
        ++reloads;
        before();
        for (const auto &[key, text] : {std::pair{Qt::Key_Exclam, "!"}, std::pair{Qt::Key_Question, "?"}})
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(form->windowHandle(),
                                            new QKeyEvent(type, key, Qt::ShiftModifier, QString::fromLatin1(text)));
    };
    ASSERT_NO_FATAL_FAILURE(SaveInA());
    EXPECT_EQ(reloads, 1);
    ASSERT_TRUE(Idle([&] { return Cell(row, "Comment") == "task 0 by B!?"; }, 5000)) << Cell(row, "Comment").toStdString();
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused(), Field("__edit", "Comment"));
    EXPECT_EQ(Focused()->text(), "task 0 by B!?");
    EXPECT_TRUE(SeenInA(row, "Comment", "task 0 by B!?"));
}

TEST_F(ReloadKeepsViewTest, AReloadThatFailsHalfWayLeavesTheFieldToTheUserAndSoDoesTheNextOne)
{
    ASSERT_NO_FATAL_FAILURE(TypeIntoTheLastTask(2, "-a"));
    const QString row = ids[1];

    // B's settings cannot be written once, as the reload of A's save begins: the reload
    // stops there, and the program's event handling logs what it threw.
    bool failing = false;
    const std::function<void()> settings = form->Sync().OnSaveFileIni;
    form->Sync().OnSaveFileIni = [&] {
        if (std::exchange(failing, false))
            throw std::runtime_error("the settings cannot be written");
        settings();
    };
    const QString before = form->Sync().DirWatchThread()->WorkingDir();
    ASSERT_EQ(a->Command({"save"}), "");
    failing = true;
    // The steps as the program's event handling delivers them, until the reload begins (its
    // working copy is read beside them first).
    bool delivered = true;
    for (QDeadlineTimer deadline(10000); failing && !deadline.hasExpired(); QThread::msleep(20))
        delivered = TPlannerApplication::DeliverGuarded([&] {
            form->Core().IdleTimerTimer();
            return true;
        });
    ASSERT_FALSE(failing);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(form->Sync().DirWatchThread()->WorkingDir(), before);
    QTest::keyClicks(QApplication::focusWidget(), "b");
    EXPECT_EQ(Cell(row, "Comment"), "task 1-ab");

    // The next step follows A, and the field is still the user's, with its caret.
    ASSERT_NO_FATAL_FAILURE(FollowA());
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused(), Field("__edit", "Comment"));
    QTest::keyClicks(QApplication::focusWidget(), "c");
    EXPECT_EQ(Cell(row, "Comment"), "task 1-abc");
    EXPECT_TRUE(SeenInA(row, "Comment", "task 1-abc"));
}

TEST_F(ReloadKeepsViewTest, ADateTypedButNotConfirmedStaysUntilItIsConfirmed)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QLineEdit *date = ClickInto("__date", "Start");
    ASSERT_NE(date, nullptr);
    const QString start = Cell(row, "Start");
    QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(date, "05.03.20");

    // Half a date is no date: the reload neither writes it nor drops it.
    ASSERT_NO_FATAL_FAILURE(SaveInA());
    QLineEdit *field = Field("__date", "Start");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(Focused(), field);
    EXPECT_EQ(field->text(), "05.03.20");
    EXPECT_EQ(field->cursorPosition(), 8);
    EXPECT_EQ(Cell(row, "Start"), start);

    // The user finishes it and confirms: written, and A has it.
    QTest::keyClicks(field, "26");
    ConfirmDate(field, row, "05.03.2026");
}

TEST_F(ReloadKeepsViewTest, SelectionFocusedCellsAndPositionsStayAsTheUserHadThem)
{
    ASSERT_NO_FATAL_FAILURE(Share(40));
    TStringTreeGrid *tasks = form->StringTreeGrid1;
    TStringTreeGrid *absent = form->StringTreeGrid2;
    // B's own absent days, a quarter before and half a year ahead, not yet in any saved
    // document.
    const TDateTime today = std::trunc(Now());
    AddAbsenceRow(*core, QStringLiteral("Position 2"), today - 90, 2, true);
    TNodeData *day = AddAbsenceRow(*core, QStringLiteral("Position 1"), today + 180, 2, true);
    const QString dayId = day->ID.Value();
    // The idle processing takes them into the chart's range.
    ASSERT_TRUE(Idle([&] { return core->MinDate() < today - 90 && core->MaxDate() > today + 180; }, 10000))
        << core->MinDate() << " " << core->MaxDate();

    // The task table scrolled down by the wheel, two rows picked in it with the mouse.
    for (int notch = 0; notch < 3; ++notch) {
        const QPoint at = tasks->viewport()->rect().center();
        QWheelEvent wheel(at, tasks->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tasks->viewport(), &wheel);
    }
    const QPoint offset = tasks->OffsetXY();
    ASSERT_LT(offset.y(), 0);
    QStringList shown;
    for (const QString &id : ids)
        if (tasks->viewport()->rect().contains(userinput::CellPoint(tasks, core->FindNode(id)->VNode, 0)))
            shown.append(id);
    ASSERT_GE(shown.size(), 4);
    ClickCell(tasks, core->FindNode(shown[1])->VNode, Column("Comment"));
    ClickCell(tasks, core->FindNode(shown[3])->VNode, Column("Length"), Qt::ControlModifier);
    // Then the absent days, and a day picked there.
    QTabBar *tabs = form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(core->GetActiveTable(), tbExclude);
    ClickCell(absent, day->VNode, Column("Position", tbExclude));
    // And the chart moved back by a week and three days with the keys.
    TTimeChartView &chart = *form->TimeChartView;
    ASSERT_TRUE(Idle([&] { return !form->Tables().Selection().Pending() && !chart.SliderTimer.isActive(); }, 3000));
    chart.TimeChart->setFocus();
    const TDateTime startBefore = chart.Geometry().Start();
    QTest::keyClick(chart.TimeChart, Qt::Key_Left, Qt::ShiftModifier);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(chart.TimeChart, Qt::Key_Left);
    const TDateTime chartStart = chart.Geometry().Start();
    ASSERT_EQ(chartStart, startBefore - 10);
    // The user's settings for the document cannot be written (a folder stands in the way):
    // the view does not come from them.
    const QString settings = form->Sync().DirWatchThread()->GetUserSettingsFileName();
    QFile::remove(settings);
    ASSERT_TRUE(QDir().mkpath(settings));
    const int chartTop = chart.Geometry().Top();
    const int activeColumn = form->Tables().ActiveColumn();
    const QPoint tasksOffset = tasks->OffsetXY();
    ASSERT_EQ(tasksOffset, offset);
    ASSERT_NE(tasks->RangeAnchor(), nullptr);
    const QString anchor = TPlannerCore::NodeData(tasks, tasks->RangeAnchor())->ID.Value();

    ASSERT_NO_FATAL_FAILURE(SaveInA());
    const auto selectedIds = [this](TWhichTable table) {
        QStringList list;
        for (TNodeData *node : form->Tables().Selection().SelectedList(table))
            list.append(node->ID.Value());
        list.sort();
        return list;
    };
    QStringList expected{shown[1], shown[3]};
    expected.sort();
    EXPECT_EQ(selectedIds(tbTable), expected);
    EXPECT_EQ(selectedIds(tbExclude), QStringList{dayId});
    EXPECT_EQ(core->GetActiveTable(), tbExclude);
    EXPECT_EQ(form->PageControl1->currentIndex(), 1);
    ASSERT_NE(tasks->FocusedNode(), nullptr);
    EXPECT_EQ(TPlannerCore::NodeData(tasks, tasks->FocusedNode())->ID.Value(), shown[3]);
    EXPECT_EQ(tasks->FocusedColumn(), Column("Length"));
    ASSERT_NE(tasks->RangeAnchor(), nullptr);
    EXPECT_EQ(TPlannerCore::NodeData(tasks, tasks->RangeAnchor())->ID.Value(), anchor);
    ASSERT_NE(absent->FocusedNode(), nullptr);
    EXPECT_EQ(TPlannerCore::NodeData(absent, absent->FocusedNode())->ID.Value(), dayId);
    EXPECT_EQ(absent->FocusedColumn(), Column("Position", tbExclude));
    EXPECT_EQ(tasks->OffsetXY(), tasksOffset);
    EXPECT_EQ(form->Tables().ActiveColumn(), activeColumn);
    EXPECT_EQ(chart.Geometry().Start(), chartStart);
    EXPECT_EQ(chart.Geometry().Top(), chartTop);
    EXPECT_FALSE(chart.SliderTimer.isActive());
    EXPECT_EQ(QApplication::focusWidget(), chart.TimeChart);
    // The editor shows the absent day again.
    EXPECT_TRUE(form->Editor().EditorVisible());
    EXPECT_TRUE(Idle([this] { return form->EditorPanel->isVisible(); }, 2000));
    EXPECT_EQ(form->Editor().SelectedRows(), std::vector<TNodeData *>{core->FindNode(dayId)});
}

TEST_F(ReloadKeepsViewTest, AFieldWhoseRowAnotherUserDeletedLeavesTheKeysToTheTable)
{
    ASSERT_NO_FATAL_FAILURE(Share(2));
    const QString gone = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(gone));
    ASSERT_NE(ClickInto("__edit", "Comment"), nullptr);
    // A deletes the row B works on and saves at once: B meets both in its reload.
    ASSERT_EQ(a->Command({"delete", gone}), "");
    ASSERT_NO_FATAL_FAILURE(SaveInA());
    ExpectTheKeysGoToTheTable(ids[1], "task 1");
}

TEST_F(ReloadKeepsViewTest, AnotherUserDeletingASelectedAbsentDayLeavesTheTaskFieldInUse)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    // B's absent day reaches A; B selects it, then goes back to the task and its field.
    TNodeData *day = AddAbsenceRow(*core, QStringLiteral("Position 1"), std::trunc(Now()), 2, true);
    const QString dayId = day->ID.Value();
    ASSERT_TRUE(Idle([&] { return a->Json("dump").contains(dayId); }, 8000));
    QTabBar *tabs = form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ClickCell(form->StringTreeGrid2, day->VNode, Column("Position", tbExclude));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    ASSERT_EQ(core->GetActiveTable(), tbTable);
    ASSERT_NO_FATAL_FAILURE(Select(row));
    ASSERT_NE(ClickInto("__edit", "Comment"), nullptr);
    QTest::keyClick(QApplication::focusWidget(), '+');
    ASSERT_EQ(form->StringTreeGrid2->SelectedCount(), 1);

    // A deletes the absent day: B's selection there goes, the task and its field stay.
    ASSERT_EQ(a->Command({"delete", dayId}), "");
    ASSERT_TRUE(Idle([&] { return core->FindNode(dayId) == nullptr; }, 8000));
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(form->EditorPanel->isVisible());
    ASSERT_EQ(Focused(), Field("__edit", "Comment"));
    QTest::keyClick(QApplication::focusWidget(), '!');
    EXPECT_EQ(Cell(row, "Comment"), "task 0+!");
}

TEST_F(ReloadKeepsViewTest, AChartScrollUnderWayWhenTheReloadStartsArrivesAtItsDestination)
{
    ASSERT_NO_FATAL_FAILURE(Share(3));
    TTimeChartView &chart = *form->TimeChartView;
    ASSERT_TRUE(Idle([&] { return !chart.SliderTimer.isActive(); }, 3000));
    const TDateTime startBefore = chart.Geometry().Start();
    // The user pages the chart on just as the reload begins: the scroll slides on.
    QScrollBar *bar = nullptr;
    for (QScrollBar *candidate : chart.findChildren<QScrollBar *>())
        if (candidate->orientation() == Qt::Horizontal && candidate->isVisible())
            bar = candidate;
    ASSERT_NE(bar, nullptr);
    TDateTime destination = 0;
    bool sliding = false;
    const std::function<void()> reloading = form->Sync().OnBeforeReload;
    form->Sync().OnBeforeReload = [&] {
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - bar->height() * 2, bar->height() / 2));
        destination = chart.Geometry().StartDestination();
        sliding = chart.SliderTimer.isActive();
        if (reloading)
            reloading();
    };
    ASSERT_NO_FATAL_FAILURE(SaveInA());
    form->Sync().OnBeforeReload = reloading;
    ASSERT_TRUE(sliding);
    ASSERT_GT(destination, startBefore);
    EXPECT_TRUE(Idle([&] { return !chart.SliderTimer.isActive(); }, 3000));
    // The chart moves by whole days.
    EXPECT_NEAR(chart.Geometry().Start(), destination, 1.0);
}

TEST_F(ReloadKeepsViewTest, AFieldInUseWhileTheUserIsInAnotherProgramHasTheKeysWhenTheyComeBack)
{
    ASSERT_NO_FATAL_FAILURE(Share(1));
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QLineEdit *comment = ClickInto("__edit", "Comment");
    ASSERT_NE(comment, nullptr);
    QTest::keyClicks(comment, "ab");
    ASSERT_EQ(Cell(row, "Comment"), "task 0ab");

    // B's user goes to another program; meanwhile A saves and B reloads.
    QWidget other;
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_NO_FATAL_FAILURE(SaveInA());
    EXPECT_EQ(QApplication::focusWidget(), nullptr);

    // Back in B's window, the field built anew has the keys, and they go on typing there.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QLineEdit *field = Field("__edit", "Comment");
    ASSERT_NE(field, nullptr);
    ASSERT_EQ(Focused(), field);
    QTest::keyClicks(field, "ef");
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(Cell(row, "Comment"), "task 0abef");
    EXPECT_TRUE(SeenInA(row, "Comment", "task 0abef"));
}

TEST_F(ReloadKeepsViewTest, ADateTypedIntoAColumnAnotherUserRenamedStaysAndOneRetypedIsNamedAsNotWritten)
{
    a = &Driver(QStringLiteral("hosta"));
    ASSERT_EQ(a->Command({"create", document}), "");
    ASSERT_EQ(a->Command({"column", "", "Due", "Date"}), "");
    ids.append(a->Command({"add", "Comment", "task 0"}));
    ASSERT_EQ(a->Command({"set", ids[0], "Due", "01.02.2026"}), "");
    ASSERT_EQ(a->Command({"save"}), "");
    ASSERT_NO_FATAL_FAILURE(Open());
    const QString row = ids[0];
    ASSERT_NO_FATAL_FAILURE(Select(row));
    QLineEdit *date = ClickInto("__date", "Due");
    ASSERT_NE(date, nullptr);
    QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(date, "05.03.20");

    // A renames the column (the setup saves): B's date stays typed in it, unwritten.
    ASSERT_EQ(a->Command({"column", "Due", "Until", "Date"}), "");
    ASSERT_NO_FATAL_FAILURE(FollowA());
    date = Field("__date", "Until");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(Focused(), date);
    EXPECT_EQ(date->text(), "05.03.20");
    EXPECT_EQ(date->cursorPosition(), 8);
    EXPECT_EQ(Cell(row, "Until"), "01.02.2026");
    EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join('\n').toStdString();

    // A makes it a text column: the date cannot be kept, and B is told it was not written.
    ASSERT_EQ(a->Command({"column", "Until", "Until", "Text"}), "");
    ASSERT_NO_FATAL_FAILURE(FollowA());
    ASSERT_TRUE(Idle([&] { return !form->questions.isEmpty(); }, 5000));
    EXPECT_TRUE(form->questions.last().contains("05.03.20")) << form->questions.last().toStdString();
    EXPECT_TRUE(form->questions.last().contains("Until")) << form->questions.last().toStdString();
    EXPECT_EQ(Cell(row, "Until"), "01.02.2026");
    EXPECT_EQ(QApplication::focusWidget(), form->StringTreeGrid1);
}
