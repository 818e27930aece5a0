// Absences for all resources ("*") in the absence evaluation, as the user opens it from the
// Absent Days page: each resource's days include them, a resource of several chart rows once.

#include "planner/window/WindowTestSupport.h"

#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include "dialogs/DateField.h"
#include "dialogs/HolidayDialog.h"
#include "setup/PositionEntry.h"
#include "table/AbsenceReport.h"

using namespace userinput;

namespace {

class AbsenceOfEveryoneTest : public windowtest::MainWindowTest
{
protected:
    // The report the evaluation shows for the whole range, then for the range from `from` to
    // the end of that year, typed into its pickers.
    QStringList Reports(const QDate &from)
    {
        QStringList reports;
        WhenShown(form.get(), [this] { return static_cast<QWidget *>(form->findChild<THolidayDialog *>()); },
                  [&](QWidget *window) {
                      auto *dialog = static_cast<THolidayDialog *>(window);
                      reports.append(dialog->Memo1->toPlainText());
                      QTest::mouseClick(dialog->RadioButton3, Qt::LeftButton);
                      dialog->DateTimePickerEnd->setDate(QDate(from.year(), 12, 31));
                      dialog->DateTimePickerStart->setDate(from);
                      reports.append(dialog->Memo1->toPlainText());
                      QTest::mouseClick(dialog->Button1, Qt::LeftButton);
                  });
        QMenu *evaluation = form->menuBar()->findChild<QMenu *>(QStringLiteral("Auswertung1"));
        ClickMenuItem(*form, evaluation, form->ActionHolidayStatistic);
        EXPECT_TRUE(WaitUntil([&] { return reports.size() == 2; }));
        return reports;
    }
    static QString Block(const QString &name, double days)
    {
        const QString shown = TAbsenceReport::TwoDecimals(days);
        return name + "\n==============================\n" + shown + " days Holiday\ntotal " + shown + " absent days\n";
    }
};

} // namespace

TEST_F(AbsenceOfEveryoneTest, EachResourceCountsTheAbsencesOfEveryone)
{
    // Position 2 takes two chart rows.
    const int positions = core->GetConnection(tbTable, cnPosition);
    QStringList &entries = core->ColumnStrings(tbTable, positions);
    TPositionEntry second(entries[1]);
    second.SetRows(2);
    entries[1] = second.Text();
    // Position 1 is away for four working days of its own, everyone for three (Monday 16 March
    // to Wednesday 18 March 2026).
    AddAbsenceRow(*core, QStringLiteral("Position 1"), EncodeDate(2026, 3, 2), 4, true);
    AddAbsenceRow(*core, QStringLiteral("*"), EncodeDate(2026, 3, 16), 3, true);
    core->BeginUpdate(QString());
    core->EndUpdate();
    QApplication::processEvents();
    ASSERT_EQ(core->GetRowCount(), 4);

    QTabBar *pages = form->PageControl1->tabBar();
    QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(1).center());
    ASSERT_EQ(core->GetActiveTable(), tbExclude);
    const QStringList reports = Reports(QDate(2026, 3, 17));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0], Block("Position 1", 7) + "\n" + Block("Position 2", 3) + "\n" + Block("Position 3", 3));
    // A range that holds only the last two days of everyone's absence.
    EXPECT_EQ(reports[1], Block("Position 1", 2) + "\n" + Block("Position 2", 2) + "\n" + Block("Position 3", 2));
}
