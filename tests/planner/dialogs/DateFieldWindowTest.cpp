// Dates typed into the dialogs are read as the editor reads them; a text that names no date is
// refused where the user sees it, and nothing goes elsewhere.

#include "planner/window/WindowTestSupport.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QTableView>

#include "DialogPrintPreview.h"
#include "dialogs/DateField.h"
#include "dialogs/GotoDialog.h"
#include "dialogs/PrintTimeChartDialog.h"
#include "planner/chart/GotoTestSupport.h"
#include "planner/table/FilterPopupTestSupport.h"

using namespace userinput;

namespace {

class DateFieldWindowTest : public windowtest::MainWindowTest
{
protected:
    // Works the dialog a menu item shows modally, with the dialog active.
    template <class T>
    void Work(const char *menu, QAction *item, const std::function<void(T &)> &act)
    {
        ASSERT_TRUE(WorkDialog(form->menuBar()->findChild<QMenu *>(QString::fromLatin1(menu)), item,
                               [this] { return static_cast<QWidget *>(form->findChild<T *>()); },
                               [&](QWidget *window) { act(*static_cast<T *>(window)); }));
    }
    static void TypeOver(TDateField *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, field->height() / 2));
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // The text stays, marked, with a note that names it; the date stays; the focus is back.
    static void ExpectRefused(TDateField *field, const QString &text, QDate kept)
    {
        EXPECT_EQ(field->text(), text);
        EXPECT_EQ(field->date(), kept);
        EXPECT_EQ(field->palette().color(QPalette::Base), QColor(255, 214, 214));
        ASSERT_NE(field->Note(), nullptr);
        EXPECT_TRUE(field->Note()->text().contains(text));
        EXPECT_TRUE(field->hasFocus());
    }
};

} // namespace

// The forms the editor reads take the chart to the day typed, from year 1 to 9999; a text that
// names no day keeps the dialog open and the chart where it was.
TEST_F(DateFieldWindowTest, GotoDateGoesToTheDayTypedOrNowhere)
{
    const TTimeChartGeometry &g = form->TimeChartView->Geometry();
    const std::pair<QString, TDateTime> typed[] = {
        {QStringLiteral("1 Oct 2026"), EncodeDate(2026, 10, 1)}, {QStringLiteral("3/2/27"), EncodeDate(2027, 2, 3)},
        {QStringLiteral("1 Jan 0001"), EncodeDate(1, 1, 1)},    {QStringLiteral("31.12.9999"), EncodeDate(9999, 12, 31)}};
    for (const auto &[text, day] : typed) {
        Work<TGotoDialog>("Edit1", form->ActionGoto, [&](TGotoDialog &dialog) {
            TypeOver(dialog.DateTimePicker1, text);
            QTest::keyClick(dialog.DateTimePicker1, Qt::Key_Return);
            EXPECT_EQ(dialog.DateTimePicker1->text(), DateToStr(day));
        });
        gototest::LetScrollRun(*form->TimeChartView);
        EXPECT_LE(g.Start(), day) << text.toStdString();
        EXPECT_GT(g.Start() + g.VisibleDays(), day) << text.toStdString();
    }
    const TDateTime start = g.Start();
    Work<TGotoDialog>("Edit1", form->ActionGoto, [&](TGotoDialog &dialog) {
        const QDate offered = dialog.DateTimePicker1->date();
        TypeOver(dialog.DateTimePicker1, QStringLiteral("31.11.2026"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        ExpectRefused(dialog.DateTimePicker1, QStringLiteral("31.11.2026"), offered);
        // Mending the text takes the mark away.
        QTest::keyClick(dialog.DateTimePicker1, Qt::Key_Backspace);
        EXPECT_EQ(dialog.DateTimePicker1->Note(), nullptr);
    });
    gototest::LetScrollRun(*form->TimeChartView);
    EXPECT_EQ(g.Start(), start);
}

// Print Timechart's free range follows the dates typed; an end that names no day is refused
// when the field is left and again by OK, which prints nothing.
TEST_F(DateFieldWindowTest, ThePrintRangeTakesTheDatesTyped)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.11.2026"), QStringLiteral("3"));
    form->ActionPrintUpdate();
    Work<TPrintTimeChartDialog>("File1", form->ActionPrintTimechart, [&](TPrintTimeChartDialog &dialog) {
        filtertest::ClickRadio(dialog.RadioButton3);
        TypeOver(dialog.startpicker, QStringLiteral("20 Nov 2026"));
        TypeOver(dialog.endepicker, QStringLiteral("5-12-26"));
        QTest::keyClick(dialog.endepicker, Qt::Key_Tab);
        EXPECT_EQ(dialog.StartDate(), EncodeDate(2026, 11, 20));
        EXPECT_EQ(dialog.Days(), 15);
        TypeOver(dialog.endepicker, QStringLiteral("5.12.20266"));
        QTest::keyClick(dialog.endepicker, Qt::Key_Tab);
        EXPECT_NE(dialog.endepicker->Note(), nullptr);
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        ExpectRefused(dialog.endepicker, QStringLiteral("5.12.20266"), QDate(2026, 12, 5));
    });
    EXPECT_TRUE(form->questions.isEmpty());
    EXPECT_EQ(form->PrintPreview().GetPageCount(), 0);
}

// The filter pop-up's dates: typed, stepped with Up and Down, picked in the calendar with Enter
// (which leaves the pop-up open); a till text that names no day keeps the filter as it was.
TEST_F(DateFieldWindowTest, TheFilterPopUpTakesTheDaysTyped)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("23.11.2026"), QStringLiteral("3"));
    const int start = core->GetConnection(tbTable, cnStart);
    bool openAfterPick = false;
    filtertest::WorkFilter(*form, tbTable, start, [&](TFilterPopup &popup) {
        filtertest::ClickRadio(popup.RadioButtonDate);
        TypeOver(popup.DateTimePickerFrom, QStringLiteral("30 Nov 2026"));
        QTest::keyClick(popup.DateTimePickerFrom, Qt::Key_Up);
        TDateField *till = popup.DateTimePickerTill;
        TypeOver(till, QStringLiteral("3/12/2026"));
        QTest::keyClick(till, Qt::Key_Down, Qt::AltModifier);
        ASSERT_NE(till->Calendar(), nullptr);
        QWidget *days = till->Calendar()->findChild<QTableView *>();
        QTest::keyClick(days, Qt::Key_Right);
        QTest::keyClick(days, Qt::Key_Return);
        openAfterPick = popup.isVisible();
        QTest::keyClick(till, Qt::Key_Return);
    });
    EXPECT_TRUE(openAfterPick);
    EXPECT_EQ(core->GetHeader(tbTable, start)->Filter.Text1, QStringLiteral("01.12.2026"));
    EXPECT_EQ(core->GetHeader(tbTable, start)->Filter.text2, QStringLiteral("04.12.2026"));

    bool stayed = false;
    filtertest::WorkFilter(*form, tbTable, start, [&](TFilterPopup &popup) {
        // Home and two digits, meant as the day: no date.
        QTest::mouseClick(popup.DateTimePickerTill, Qt::LeftButton);
        QTest::keyClick(popup.DateTimePickerTill, Qt::Key_Home);
        QTest::keyClicks(popup.DateTimePickerTill, QStringLiteral("27"));
        QTest::keyClick(popup.DateTimePickerTill, Qt::Key_Return);
        stayed = popup.isVisible() && popup.DateTimePickerTill->Refused();
        QTest::keyClick(popup.DateTimePickerTill, Qt::Key_Escape);
    });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(core->GetHeader(tbTable, start)->Filter.text2, QStringLiteral("04.12.2026"));
}
