// The property editor in the main window as a user works it: the calendar button clicked with
// the mouse and opened with Alt+Down, a day picked, Escape and a click outside; a cell
// written through the editor that the table shows at once; and a typed date left for the
// other table.

#include "planner/window/WindowTestSupport.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include "PopupDateTime.h"
#include "common/RepaintCheck.h"
#include "dialogs/SetupDialogs.h"
#include "editor/EditorCalendarButton.h"
#include "editor/PropertyEditor.h"
#include "setup/SetupApplier.h"

using namespace userinput;
using testsupport::FreshRender;
using testsupport::SameShown;
using testsupport::ShownAfterEvents;
using testsupport::ShowsFullRender;

namespace {

class EditorWindowInputTest : public windowtest::MainWindowTest
{
protected:
    // Selects a row with a click into the table and waits for the editor to show it.
    void SelectByClick(TNodeData *row)
    {
        ClickCell(form->StringTreeGrid1, row->VNode, core->GetConnection(tbTable, cnTextCenterMiddle));
        ASSERT_TRUE(WaitUntil([this] { return form->EditorPanel->isVisible(); }));
    }
    QLineEdit *DateField(TConnection cn)
    {
        return qobject_cast<QLineEdit *>(form->Editor().Control(QStringLiteral("__date"), core->GetConnection(tbTable, cn)));
    }
    // The middle of a day's cell in the calendar of the open pop-up.
    static QPoint DayPoint(QTableView *view, int day)
    {
        QAbstractItemModel *model = view->model();
        for (int row = 1; row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                if (model->data(index).toInt() == day)
                    return view->visualRect(index).center();
            }
        return QPoint(-1, -1);
    }
    // Runs `act` once the date pop-up has rolled down, inside its loop; afterwards it is closed
    // in any case, so that a failing test cannot hang (unless `act` goes on with a timer of its
    // own: `more`).
    void WhenPopupShown(const std::function<void(TDateTimePopup &)> &act, bool more = false)
    {
        acted = false;
        auto *poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, form.get(), [this, poll, act, more] {
            TDateTimePopup *popup = form->Editor().DateTimePopup();
            if (!popup || popup->DropDownState() != ddsShown)
                return;
            poll->stop();
            poll->deleteLater();
            act(*popup);
            if (more)
                return;
            if (popup->DropDownState() != ddsHidden)
                popup->CloseDropDown();
            acted = true;
        });
        poll->start(10);
    }
    // Waits until the pop-up was worked and has closed.
    bool PopupDone()
    {
        return WaitUntil([this] {
            return acted && form->Editor().DateTimePopup()->DropDownState() == ddsHidden;
        });
    }

    bool acted = false;
};

} // namespace

// A click on the calendar button opens the pop-up and leaves it open (the release of that
// click does not close it); a day clicked in it is written. Escape and a click outside close
// it without writing; Alt+Down on the date field opens it as well.
TEST_F(EditorWindowInputTest, TheCalendarButtonOpensAPopUpThatStaysUntilADayIsPicked)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    SelectByClick(task);
    const int start = core->GetConnection(tbTable, cnStart);
    auto *button = qobject_cast<TEditorCalendarButton *>(form->Editor().Control(QStringLiteral("__button"), start));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());

    bool openAfterTheClick = false;
    bool buttonPressed = false;
    bool released = false;
    const QPoint middle = button->rect().center();
    QDate shownDay;
    // A moment after the click the pop-up still shows; then a day is clicked in it.
    const auto pickLater = [&] {
        TDateTimePopup *popup = form->Editor().DateTimePopup();
        openAfterTheClick = popup->isVisible() && popup->DropDownState() == ddsShown;
        if (openAfterTheClick) {
            auto *view = popup->Calendar()->findChild<QTableView *>();
            ASSERT_NE(view, nullptr);
            const QPoint day = DayPoint(view, 18);
            QTest::mousePress(view->viewport(), Qt::LeftButton, {}, day);
            QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, day);
        }
        if (popup->DropDownState() != ddsHidden)
            popup->CloseDropDown();
        acted = true;
    };
    WhenPopupShown(
        [&](TDateTimePopup &popup) {
            // A pop-up that opened on the press sees the hand let go of the button now.
            if (!released) {
                released = true;
                QTest::mouseRelease(button, Qt::LeftButton, {}, middle);
            }
            buttonPressed = button->Pressed();
            shownDay = popup.Calendar()->selectedDate();
            QTimer::singleShot(150, form.get(), pickLater);
        },
        true);
    QTest::mousePress(button, Qt::LeftButton, {}, middle);
    if (!released) {
        released = true;
        QTest::mouseRelease(button, Qt::LeftButton, {}, middle);
    }
    ASSERT_TRUE(WaitUntil([this] { return form->Editor().DateTimePopup() != nullptr; }));
    ASSERT_TRUE(PopupDone());
    EXPECT_TRUE(openAfterTheClick);
    EXPECT_TRUE(buttonPressed);
    EXPECT_EQ(shownDay, QDate(2024, 3, 4));
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("18.03.2024"));
    EXPECT_EQ(DateField(cnStart)->text(), QStringLiteral("18.03.2024"));
    EXPECT_FALSE(button->Pressed());

    // Escape: nothing written.
    WhenPopupShown([&](TDateTimePopup &popup) { QTest::keyClick(popup.Calendar(), Qt::Key_Escape); });
    QTest::mouseClick(button, Qt::LeftButton, {}, middle);
    ASSERT_TRUE(PopupDone());
    EXPECT_EQ(form->Editor().DateTimePopup()->ModalResult(), mrCancel);
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("18.03.2024"));

    // A click outside, on another row of the table, only closes it.
    TNodeData *other = AddTask(QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QStringLiteral("1"));
    QApplication::processEvents();
    WhenPopupShown([&](TDateTimePopup &) {
        ClickCell(form->StringTreeGrid1, other->VNode, core->GetConnection(tbTable, cnTextCenterMiddle));
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, middle);
    ASSERT_TRUE(PopupDone());
    EXPECT_FALSE(form->StringTreeGrid1->Selected(other->VNode));
    EXPECT_TRUE(form->StringTreeGrid1->Selected(task->VNode));
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("18.03.2024"));

    // Alt+Down in the date field, then a day: the field's time of day stays.
    QLineEdit *field = DateField(cnStart);
    field->setFocus();
    WhenPopupShown([&](TDateTimePopup &popup) {
        auto *view = popup.Calendar()->findChild<QTableView *>();
        ASSERT_NE(view, nullptr);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, DayPoint(view, 20));
    });
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(PopupDone());
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("20.03.2024"));
    // The end of a task has no button and no calendar.
    EXPECT_EQ(form->Editor().Control(QStringLiteral("__button"), core->GetConnection(tbTable, cnEnd)), nullptr);
}

// A column without a meaning for the chart ("Confirmed"), written through the editor: the
// table row shows the new value at once, without being selected again.
TEST_F(EditorWindowInputTest, ACellWrittenInTheEditorShowsInTheTableAtOnce)
{
    TSetupApplier &applier = form->SetupDialogs().Applier();
    TSetupChanges changes;
    changes.Table = applier.ReadTable();
    changes.Table->Columns.push_back({QStringLiteral("Confirmed"), ctCheckBox, {}, -1});
    ASSERT_TRUE(applier.Apply(changes));
    const int confirmed = core->GetTableColCount(tbTable) - 1;
    ASSERT_EQ(core->GetColumnCaption(tbTable, confirmed), QStringLiteral("Confirmed"));
    ASSERT_EQ(core->GetColumnConnection(tbTable, confirmed), cnNone);
    TNodeData *first = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    TNodeData *second = AddTask(QStringLiteral("Position 2"), QStringLiteral("05.03.2024"), QStringLiteral("1"));
    SelectByClick(first);

    TStringTreeGrid *grid = form->StringTreeGrid1;
    auto *box = qobject_cast<QCheckBox *>(form->Editor().Control(QStringLiteral("__edit"), confirmed));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));
    const QImage before = ShownAfterEvents(grid->viewport());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_EQ(core->GetData(first, confirmed), QStringLiteral("Ja"));
    EXPECT_EQ(grid->Text(first->VNode, confirmed), QStringLiteral("yes"));
    const QImage after = ShownAfterEvents(grid->viewport());
    EXPECT_FALSE(SameShown(after, before));
    EXPECT_TRUE(SameShown(after, FreshRender(grid->viewport())));

    // Two rows selected, then the box clicked: both rows show it.
    ClickCell(grid, second->VNode, core->GetConnection(tbTable, cnTextCenterMiddle), Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return form->Editor().SelectedRows().size() == 2; }));
    QApplication::processEvents();
    box = qobject_cast<QCheckBox *>(form->Editor().Control(QStringLiteral("__edit"), confirmed));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_EQ(core->GetData(second, confirmed), core->GetData(first, confirmed));
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));
    // Ctrl+Z takes it back, and the table shows that too.
    const QString written = core->GetData(second, confirmed);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(core->GetData(second, confirmed), written);
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));
}

// A date typed but not confirmed, then the tab of the absent days clicked: the field is left,
// so the date is written into the task it was typed for, and the keys go to the absent days.
TEST_F(EditorWindowInputTest, ADateTypedWhenTheOtherTableIsPickedIsWrittenIntoItsRows)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    SelectByClick(task);
    QLineEdit *date = DateField(cnStart);
    ASSERT_NE(date, nullptr);
    QTest::mouseClick(date, Qt::LeftButton, {}, date->rect().center());
    ASSERT_EQ(QApplication::focusWidget(), date);
    QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(date, "11.03.2024");

    QTabBar *tabs = form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(core->GetActiveTable(), tbExclude);
    EXPECT_EQ(core->GetData(task, core->GetConnection(tbTable, cnStart)), QStringLiteral("11.03.2024"));
    EXPECT_EQ(QApplication::focusWidget(), form->StringTreeGrid2);
}
