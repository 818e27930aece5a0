// Filters set through the pop-up that drops from a column's filter symbol: a yes/no column is
// found by the words it shows (and by the texts it holds), its completion list offers those
// words; a date filter of one day in a minute-mode document shows the whole day.

#include "planner/window/WindowTestSupport.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include "AutocompletingEdit.h"
#include "DateFormat.h"
#include "dialogs/DateField.h"
#include "planner/table/FilterPopupTestSupport.h"

using namespace filtertest;
using namespace userinput;

namespace {

class FilterWindowTest : public windowtest::MainWindowTest
{
protected:
    // A text filter "equal to" the typed text, confirmed with Enter.
    void FilterText(TWhichTable table, int column, const QString &text)
    {
        WorkFilter(*form, table, column, [&](TFilterPopup &popup) {
            ClickRadio(popup.RadioButtonText);
            QTest::mouseClick(popup.EditText, Qt::LeftButton);
            QTest::keyClick(popup.EditText, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(popup.EditText, Qt::Key_Delete);
            QTest::keyClicks(popup.EditText, text);
            QTest::keyClick(popup.EditText, Qt::Key_Return);
        });
    }
    // The cells of a column in the rows the table shows.
    QStringList Shown(TWhichTable table, int column)
    {
        QStringList cells;
        core->ForEach(table, feFiltered, [&](TNodeData *node) { cells.append(core->GetData(node, column)); });
        return cells;
    }
};

} // namespace

// Filters on "Working Days" of the absent days and on a yes/no column of the tasks: "yes"
// and "no" find the rows that show them, as "Ja" and "Nein" do.
TEST_F(FilterWindowTest, AYesNoColumnIsFoundByTheWordsItShows)
{
    core->InsertColumn(tbTable, 6);
    core->SetColumnCaption(tbTable, 6, QStringLiteral("Confirmed"));
    core->SetColumnType(tbTable, 6, ctCheckBox);
    for (TWhichTable table : {tbTable, tbExclude}) {
        const int column = table == tbTable ? 6 : core->GetConnection(tbExclude, cnLengthWithWeekend);
        ASSERT_EQ(core->GetColumnType(table, column), ctCheckBox);
        for (const QString &cell : {BoolName(true), BoolName(false), BoolName(true), QString()}) {
            const QString position = QStringLiteral("Position 1");
            TNodeData *row = table == tbTable ? AddTask(position, QStringLiteral("04.03.2024"), QStringLiteral("1"))
                                              : AddAbsenceRow(*core, position, EncodeDate(2024, 3, 4), 1, false);
            core->SetData(row, column, cell);
        }
        QTabBar *pages = form->PageControl1->tabBar();
        QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(table == tbTable ? 0 : 1).center());
        QApplication::processEvents();

        QStringList offered;
        WorkFilter(*form, table, column, [&](TFilterPopup &popup) {
            offered = popup.EditText->Items();
            QTest::keyClick(popup.RadioButtonNoFilter, Qt::Key_Escape);
        });
        EXPECT_EQ(offered, (QStringList{QStringLiteral("no"), QStringLiteral("yes")}));

        FilterText(table, column, QStringLiteral("yes"));
        EXPECT_EQ(Shown(table, column), (QStringList{BoolName(true), BoolName(true)}));
        EXPECT_EQ(core->GetTable(table)->Header()->Columns()->Items(column)->Hint(), QStringLiteral("[contains yes]"));
        FilterText(table, column, QStringLiteral("no"));
        EXPECT_EQ(Shown(table, column), (QStringList{BoolName(false), QString()}));
        FilterText(table, column, QStringLiteral("ja"));
        EXPECT_EQ(Shown(table, column), (QStringList{BoolName(true), BoolName(true)}));
        FilterText(table, column, QStringLiteral("y*"));
        EXPECT_EQ(Shown(table, column), (QStringList{BoolName(true), BoolName(true)}));
    }
}

// A minute-mode document: Set Filter on the start, Date, from today till today (what the
// pickers show), Enter: the tasks starting today show, whatever their hour.
TEST_F(FilterWindowTest, AMinuteDateFilterOfOneDayShowsTheWholeDay)
{
    core->SetMinUnit(muMinute);
    const TDateTime today = Date();
    const QStringList starts = {core->FormatDateTime(today + 16.0 / 24), core->FormatDateTime(today - 1.0 / 24),
                                core->FormatDateTime(today + 1), core->FormatDateTime(today)};
    for (const QString &start : starts)
        AddTask(QStringLiteral("Position 1"), start, QStringLiteral("1"));
    QApplication::processEvents();
    const int column = core->GetConnection(tbTable, cnStart);
    ASSERT_EQ(Shown(tbTable, column), starts);

    WorkFilter(*form, tbTable, column, [&](TFilterPopup &popup) {
        ClickRadio(popup.RadioButtonDate);
        EXPECT_EQ(popup.DateTimePickerFrom->date(), DateTimeToQDate(today));
        EXPECT_EQ(popup.DateTimePickerTill->date(), DateTimeToQDate(today));
        QTest::keyClick(popup.DateTimePickerTill, Qt::Key_Return);
    });
    EXPECT_EQ(Shown(tbTable, column), (QStringList{starts[0], starts[3]}));
}
