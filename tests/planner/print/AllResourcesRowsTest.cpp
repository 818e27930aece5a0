// Absences for all resources ("*") through the main window: the table printout and the
// statistics take every row their dialogs count, the "*" rows included.

#include "planner/window/WindowTestSupport.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include "DialogPrintPreview.h"
#include "dialogs/PrintListDialog.h"
#include "dialogs/StatisticsDialog.h"
#include "planner/print/PrintTestSupport.h"
#include "table/AbsenceReport.h"
#include "treegrid/StringTreeGrid.h"

using namespace userinput;

namespace {

class AllResourcesRowsTest : public windowtest::MainWindowTest
{
protected:
    AllResourcesRowsTest() : MainWindowTest(mrNo) {}
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("1"));
        // Eleven absences of single resources, one day each, and the company holiday of two
        // working days for all of them.
        for (int i = 0; i < 11; ++i)
            AddAbsence(QStringLiteral("Position %1").arg(1 + i % 3), EncodeDate(2026, 4, 6) + 7 * i,
                       QStringLiteral("Absence %1").arg(i));
        AddAbsence(QStringLiteral("*"), EncodeDate(2026, 8, 3), QStringLiteral("Company holiday"), QStringLiteral("2"));
        core->BeginUpdate(QString());
        core->EndUpdate();
        QApplication::processEvents();
    }
    void BeforeShow() override
    {
        printtest::UsePdf(*form->PrintPreview().Printer(), dir.filePath(QStringLiteral("print.pdf")));
    }
    void AddAbsence(const QString &position, TDateTime start, const QString &comment,
                    const QString &length = QStringLiteral("1"))
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, DateToStr(start));
        core->SetData_(node, cnLength, length);
        core->SetData_(node, cnTextCenterMiddle, comment);
    }
    // The absent days' page, chosen by a click on its tab.
    void ShowAbsentDays()
    {
        QTabBar *tabs = form->PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        ASSERT_EQ(core->GetActiveTable(), tbExclude);
    }
    QMenu *Menu(const char *name) { return form->menuBar()->findChild<QMenu *>(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(AllResourcesRowsTest, ThePrintoutHoldsEveryRowItCounts)
{
    ShowAbsentDays();
    QMenu *file = Menu("File1");
    ASSERT_NE(file, nullptr);
    form->ActionPrintUpdate();
    TPrintListDialog *dialog = form->PrintListDialog();
    QString counted;
    QString filteredCount;
    bool printed = false;
    WhenShown(form.get(), [&] { return static_cast<QWidget *>(dialog); }, [&](QWidget *) {
        counted = dialog->EditCount->text();
        QTest::mouseClick(dialog->RadioButton2, Qt::LeftButton);
        filteredCount = dialog->EditCount->text();
        QTest::mouseClick(dialog->RadioButton1, Qt::LeftButton);
        // The preview: printed with its first button.
        WhenShown(form.get(), [&] { return static_cast<QWidget *>(form->PrintPreview().Form()); }, [&](QWidget *preview) {
            auto *print = preview->findChild<QPushButton *>(QStringLiteral("Button1"));
            ASSERT_NE(print, nullptr);
            QTest::mouseClick(print, Qt::LeftButton);
        }, &printed);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    ClickMenuItem(*form, file, form->ActionPrintList);
    ASSERT_TRUE(WaitUntil([&] { return printed && !dialog->isVisible(); }));
    EXPECT_EQ(counted, QStringLiteral("12"));
    EXPECT_EQ(filteredCount, QStringLiteral("12"));
    // The caption row and twelve rows, the company holiday among them.
    EXPECT_EQ(dialog->grid().RowCount(), 13);
    QStringList texts;
    for (int page = 1; page <= form->PrintPreview().GetPageCount(); ++page)
        texts += printtest::PageTexts(form->PrintPreview(), page);
    EXPECT_TRUE(texts.contains(QStringLiteral("Company holiday")));
    EXPECT_TRUE(texts.contains(QStringLiteral("*")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Absence 10")));
}

TEST_F(AllResourcesRowsTest, TheStatisticsSumEveryRowTheyCount)
{
    ShowAbsentDays();
    const int length = core->GetConnection(tbExclude, cnLength);
    QMenu *evaluation = Menu("Auswertung1");
    ASSERT_NE(evaluation, nullptr);
    TStatisticsDialog *dialog = form->StatisticsDialog();
    QString counted;
    QString result;
    WhenShown(form.get(), [&] { return static_cast<QWidget *>(dialog); }, [&](QWidget *) {
        counted = dialog->Edit1->text();
        TGridNode *node = dialog->StringTreeGrid1->GetFirst();
        for (int i = 0; i < length && node; ++i)
            node = dialog->StringTreeGrid1->GetNext(node);
        ASSERT_NE(node, nullptr);
        ClickCheckBox(dialog->StringTreeGrid1, node);
        result = dialog->Memo1->toPlainText();
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
    });
    ClickMenuItem(*form, evaluation, form->Statistik1);
    ASSERT_TRUE(WaitUntil([&] { return !result.isEmpty() && !dialog->isVisible(); }));
    EXPECT_EQ(counted, QStringLiteral("12"));
    // Eleven single days and the two days of the company holiday.
    const QString expected = QStringLiteral("Length (12 items selected)\n======================\nsum: ")
                             + TAbsenceReport::TwoDecimals(13) + QStringLiteral("\nmedian: ")
                             + TAbsenceReport::TwoDecimals(13.0 / 12) + QStringLiteral("\n");
    EXPECT_EQ(result.toStdString(), expected.toStdString());
}
