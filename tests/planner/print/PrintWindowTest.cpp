// Printing through the main window's File menu: the chart and the table dialogs, their
// options, the preview (cancelled and printed) and the PDF file it prints into.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QPrintDialog>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "chart/TimeChartView.h"
#include "dialogs/DateField.h"
#include "dialogs/PrintListDialog.h"
#include "dialogs/PrintTarget.h"
#include "dialogs/PrintTimeChartDialog.h"
#include "planner/print/PrintTestSupport.h"
#include "planner/window/WindowTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "editor/PropertyEditor.h"
#include "window/SettingsKeeper.h"

using namespace printtest;

namespace {

const QString BitmapQuestion = QStringLiteral("Print in screen resolution to improve printing performance?");

class PrintWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TScriptedMainForm>(mrNo);
        pdf = dir.filePath(QStringLiteral("print.pdf"));
        UsePdf(*form->PrintPreview().Printer(), pdf);
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    TPlannerCore &Core() { return form->Core(); }
    TNodeData *AddTask(const QString &position, const QString &start, const QString &length, const QString &comment)
    {
        TNodeData *node = Core().AddNode(Core().GetFreeID(), tbTable, true);
        Core().SetData_(node, cnPosition, position);
        Core().SetData_(node, cnStart, start);
        Core().SetData_(node, cnLength, length);
        Core().SetData_(node, cnTextCenterMiddle, comment);
        return node;
    }
    // Clicks a button of the preview window once it shows (as the preview is modal, the click
    // is queued before the preview is opened).
    void ClickPreviewLater(const char *button)
    {
        QTimer::singleShot(0, form.get(), [this, button] {
            QDialog *preview = form->PrintPreview().Form();
            if (auto *b = preview->findChild<QPushButton *>(QString::fromLatin1(button)))
                QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
            else
                preview->done(2);
        });
    }
    // Works a modal dialog from inside its own loop; it is closed afterwards in any case. The
    // command's state is brought up to date first, as the idle processing does.
    void Work(QDialog *dialog, const std::function<void()> &act, QAction *trigger)
    {
        bool worked = false;
        QTimer::singleShot(0, form.get(), [dialog, act, &worked] {
            worked = true;
            act();
            if (dialog->isVisible())
                dialog->reject();
        });
        form->ActionPrintUpdate();
        trigger->trigger();
        EXPECT_TRUE(worked);
    }

    QTemporaryDir dir;
    QString pdf;
    std::unique_ptr<TScriptedMainForm> form;
};

} // namespace

TEST_F(PrintWindowTest, PrintCommandsAreInTheFileMenuWhileThereAreTasks)
{
    auto *file = form->menuBar()->findChild<QMenu *>(QStringLiteral("File1"));
    ASSERT_TRUE(file);
    const QList<QAction *> actions = file->actions();
    for (QAction *action : {form->ActionPrintTimechart, form->ActionPrintList, form->ActionPrinterSetup})
        EXPECT_TRUE(actions.contains(action)) << action->objectName().toStdString();
    EXPECT_LT(actions.indexOf(form->ActionPrintTimechart), actions.indexOf(form->ActionClose));
    form->ActionPrintUpdate();
    EXPECT_FALSE(form->ActionPrintTimechart->isEnabled());
    EXPECT_FALSE(form->ActionPrintList->isEnabled());
    EXPECT_TRUE(form->ActionPrinterSetup->isEnabled());
    // Disabled, the commands do nothing (no dialog opens).
    form->ActionPrintTimechart->trigger();
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("2"), QString());
    form->ActionPrintUpdate();
    EXPECT_TRUE(form->ActionPrintTimechart->isEnabled());
    EXPECT_TRUE(form->ActionPrintList->isEnabled());

    // The printer set-up keeps the chosen orientation for the next jobs.
    form->OnPrinterSetupDialog = [](QPrinter &printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    form->ActionPrinterSetup->trigger();
    EXPECT_EQ(form->PrintOptions().Orientation, 1);
    EXPECT_EQ(form->PrintPreview().Orientation(), QPageLayout::Landscape);
    TPrintOptions options = form->PrintOptions();
    options.Orientation = 0;
    form->SetPrintOptions(options);
    EXPECT_EQ(form->PrintPreview().Orientation(), QPageLayout::Portrait);
}

// The chart: the options go into the dialog, a cancelled preview keeps the dialog open,
// printing again makes a new job, the printed preview closes it and the options come back.
TEST_F(PrintWindowTest, ChartThroughTheDialogAndThePreview)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QStringLiteral("Montage"));
    AddTask(QStringLiteral("Position 2"), QStringLiteral("09.03.2026"), QStringLiteral("2"), QStringLiteral("Abnahme"));
    TPrintOptions options;
    options.Footer = QStringLiteral("Werk Nord");
    options.Header = QStringLiteral("Wochenplan");
    options.PrintHeader = true;
    options.PrintFooter = false;
    options.PrintFilename = false;
    form->SetPrintOptions(options);
    form->answers = {mrNo, mrYes};

    TPrintTimeChartDialog *dialog = form->PrintTimeChartDialog();
    bool openAfterCancel = false;
    int pagesAfterCancel = 0;
    Work(dialog, [&] {
        EXPECT_EQ(dialog->Tagline->text(), QStringLiteral("Werk Nord"));
        EXPECT_FALSE(dialog->Fusszeile->isChecked());
        EXPECT_TRUE(dialog->Header->isChecked());
        dialog->RadioButton3->setChecked(true);
        dialog->startpicker->setDate(QDate(2026, 3, 2));
        dialog->EditTage->setValue(10);
        EXPECT_EQ(dialog->endepicker->date(), QDate(2026, 3, 12));
        dialog->Edit2->setValue(2);
        dialog->HeaderText->setText(QStringLiteral("Plan März"));
        ClickPreviewLater("Button3");
        dialog->OKButton->click();
        openAfterCancel = dialog->isVisible();
        pagesAfterCancel = form->PrintPreview().GetPageCount();
        ClickPreviewLater("Button1");
        dialog->OKButton->click();
    }, form->ActionPrintTimechart);

    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(pagesAfterCancel, 2);
    EXPECT_EQ(form->questions, QStringList({BitmapQuestion, BitmapQuestion}));
    EXPECT_TRUE(dialog->printAsBitmap);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(form->TimeChartView->FPrinting);
    EXPECT_EQ(PdfPageCount(pdf), 2);
    const QStringList texts = PageTexts(form->PrintPreview(), 2);
    EXPECT_TRUE(texts.contains(QStringLiteral("ZOP (07.03.2026 bis 12.03.2026)")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Plan März")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Page 2/2")));
    // The footer was not printed but stays for the next time; the changed header is kept.
    EXPECT_FALSE(texts.contains(QStringLiteral("Werk Nord")));
    EXPECT_EQ(form->PrintOptions().Footer, QStringLiteral("Werk Nord"));
    EXPECT_FALSE(form->PrintOptions().PrintFooter);
    EXPECT_EQ(form->PrintOptions().Header, QStringLiteral("Plan März"));

    // Cancelling the dialog keeps the options as they were.
    Work(dialog, [&] { dialog->HeaderText->setText(QStringLiteral("verworfen")); }, form->ActionPrintTimechart);
    EXPECT_EQ(form->PrintOptions().Header, QStringLiteral("Plan März"));
}

// The range controls keep start, end and day count consistent; a range of no days is refused.
TEST_F(PrintWindowTest, ChartRangeControls)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QString());
    AddTask(QStringLiteral("Position 2"), QStringLiteral("20.03.2026"), QStringLiteral("2"), QString());
    Core().UpdateBoundsProc();
    TPrintTimeChartDialog *dialog = form->PrintTimeChartDialog();
    Work(dialog, [&] {
        // The whole plan: the document's range, pickers locked.
        EXPECT_TRUE(dialog->RadioButton1->isChecked());
        EXPECT_EQ(dialog->StartDate(), Core().MinDate());
        EXPECT_EQ(dialog->EndDate(), Core().MaxDate());
        EXPECT_EQ(dialog->Days(), int(Core().MaxDate() - Core().MinDate()));
        EXPECT_FALSE(dialog->startpicker->isEnabled());
        EXPECT_FALSE(dialog->EditTage->isEnabled());
        // The visible part of the chart.
        dialog->RadioButton2->setChecked(true);
        const TTimeChartGeometry &geometry = form->TimeChartView->Geometry();
        EXPECT_EQ(dialog->StartDate(), Trunc(geometry.Start()));
        EXPECT_EQ(dialog->EndDate(), Trunc(geometry.GetTimeChartEnd()));
        // Free input: an end before the start follows the start and the other way round.
        dialog->RadioButton3->setChecked(true);
        EXPECT_TRUE(dialog->startpicker->isEnabled());
        dialog->startpicker->setDate(QDate(2026, 3, 10));
        dialog->endepicker->setDate(QDate(2026, 3, 20));
        EXPECT_EQ(dialog->Days(), 10);
        dialog->startpicker->setDate(QDate(2026, 3, 25));
        EXPECT_EQ(dialog->endepicker->date(), QDate(2026, 3, 26));
        EXPECT_EQ(dialog->Days(), 1);
        dialog->endepicker->setDate(QDate(2026, 3, 5));
        EXPECT_EQ(dialog->startpicker->date(), QDate(2026, 3, 4));
        EXPECT_EQ(dialog->Days(), 1);
        dialog->EditTage->setValue(0);
        EXPECT_EQ(dialog->endepicker->date(), QDate(2026, 3, 4));
        // No days: refused with a message, nothing recorded, the dialog stays.
        form->questions.clear();
        dialog->OKButton->click();
        EXPECT_EQ(form->questions, QStringList({QStringLiteral("Please choose between 1 and 10000 days to print.")}));
        EXPECT_EQ(form->PrintPreview().GetPageCount(), 0);
        EXPECT_TRUE(dialog->isVisible());
        // More days than a printout holds: the day count stops at its limit, the range is refused.
        dialog->startpicker->setDate(QDate(2000, 1, 1));
        dialog->endepicker->setDate(QDate(2030, 1, 1));
        EXPECT_EQ(dialog->Days(), 10000);
        form->questions.clear();
        dialog->OKButton->click();
        EXPECT_EQ(form->questions, QStringList({QStringLiteral("Please choose between 1 and 10000 days to print.")}));
        EXPECT_EQ(form->PrintPreview().GetPageCount(), 0);
    }, form->ActionPrintTimechart);
}

// The absent days, printed with some columns unchecked: the captions and texts of the
// checked columns only, as the table shows them, on every page; "selected" needs a selection.
TEST_F(PrintWindowTest, TableWithSomeColumnsUnchecked)
{
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QString());
    TPlannerCore &core = Core();
    for (int i = 0; i < 120; ++i) {
        TNodeData *node = core.AddNode(core.GetFreeID(), tbExclude, true);
        core.SetData_(node, cnPosition, QStringLiteral("Position %1").arg(1 + i % 3));
        core.SetData_(node, cnStart, DateToStr(EncodeDate(2026, 4, 1) + i));
        core.SetData_(node, cnLength, QStringLiteral("1"));
        core.SetData_(node, cnLengthWithWeekend, BoolName(i % 2 == 0));
        core.SetData_(node, cnTextCenterMiddle, QStringLiteral("Abwesend %1").arg(i));
    }
    form->PageControl1->setCurrentIndex(1);
    ASSERT_EQ(core.GetActiveTable(), tbExclude);
    const int working = core.GetConnection(tbExclude, cnLengthWithWeekend);
    const int comment = core.GetConnection(tbExclude, cnTextCenterMiddle);
    const int reason = core.GetConnection(tbExclude, cnColor);
    const int end = core.GetConnection(tbExclude, cnEnd);

    TPrintListDialog *dialog = form->PrintListDialog();
    Work(dialog, [&] {
        EXPECT_EQ(dialog->EditCount->text(), QStringLiteral("120"));
        for (int column = 0; column < core.GetTableColCount(tbExclude); ++column)
            EXPECT_TRUE(dialog->GetChecked(column));
        // Nothing selected: nothing to print.
        dialog->RadioButton3->click();
        EXPECT_EQ(dialog->EditCount->text(), QStringLiteral("0"));
        EXPECT_FALSE(dialog->OKButton->isEnabled());
        dialog->RadioButton1->click();
        EXPECT_TRUE(dialog->OKButton->isEnabled());
        dialog->SetChecked(comment, false);
        dialog->SetChecked(reason, false);
        dialog->SetChecked(end, false);
        ClickPreviewLater("Button1");
        dialog->OKButton->click();
    }, form->ActionPrintList);
    EXPECT_FALSE(dialog->isVisible());

    const TPrintPreviewDialog &recorder = form->PrintPreview();
    const int pages = recorder.GetPageCount();
    EXPECT_GE(pages, 2);
    EXPECT_EQ(PdfPageCount(pdf), pages);
    QStringList all;
    for (int page = 1; page <= pages; ++page) {
        const QStringList texts = PageTexts(recorder, page);
        // The captions of the printed columns on every page, not the others.
        EXPECT_TRUE(texts.contains(core.GetColumnCaption(tbExclude, working))) << page;
        EXPECT_TRUE(texts.contains(core.GetColumnCaption(tbExclude, 0))) << page;
        EXPECT_FALSE(texts.contains(core.GetColumnCaption(tbExclude, comment))) << page;
        EXPECT_TRUE(texts.contains(QStringLiteral("Page %1/%2").arg(page).arg(pages)));
        all += texts;
    }
    // Yes/no cells as the table shows them, dates formatted, no text of unchecked columns.
    EXPECT_TRUE(all.contains(QStringLiteral("yes")));
    EXPECT_TRUE(all.contains(QStringLiteral("no")));
    EXPECT_FALSE(all.contains(BoolName(true)));
    EXPECT_TRUE(all.contains(QStringLiteral("01.04.2026")));
    EXPECT_FALSE(all.contains(QStringLiteral("Abwesend 7")));
    // The caption band is filled on the page (the button face colour).
    const QImage page = PageImage(recorder, 1, 0.1);
    EXPECT_GT(CountNear(page, page.rect(), ToQColor(clBtnFace), 2), 1000);
    const int grid = dialog->grid().RowCount();
    EXPECT_EQ(grid, 121);
    EXPECT_EQ(dialog->grid().ColWidth(comment), 0);
    EXPECT_EQ(dialog->grid().ColWidth(working), 1);
}

// Two selected rows of the task table, with one column left: a one-column table.
TEST_F(PrintWindowTest, SelectedRowsInOneColumn)
{
    TNodeData *first = AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QStringLiteral("Montage"));
    AddTask(QStringLiteral("Position 2"), QStringLiteral("04.03.2026"), QStringLiteral("1"), QStringLiteral("Lager"));
    TNodeData *third = AddTask(QStringLiteral("Position 3"), QStringLiteral("05.03.2026"), QStringLiteral("2"), QStringLiteral("Abnahme"));
    form->StringTreeGrid1->AddToSelection(first->VNode);
    form->StringTreeGrid1->AddToSelection(third->VNode);
    TPlannerCore &core = Core();
    const int comment = core.GetConnection(tbTable, cnTextCenterMiddle);
    TPrintListDialog *dialog = form->PrintListDialog();
    Work(dialog, [&] {
        dialog->RadioButton3->click();
        EXPECT_EQ(dialog->EditCount->text(), QStringLiteral("2"));
        for (int column = 0; column < core.GetTableColCount(tbTable); ++column)
            dialog->SetChecked(column, column == comment);
        EXPECT_TRUE(dialog->OKButton->isEnabled());
        dialog->SetChecked(comment, false);
        EXPECT_FALSE(dialog->OKButton->isEnabled());
        dialog->SetChecked(comment, true);
        ClickPreviewLater("Button1");
        dialog->OKButton->click();
    }, form->ActionPrintList);
    const QStringList texts = PageTexts(form->PrintPreview(), 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("Montage")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Abnahme")));
    EXPECT_FALSE(texts.contains(QStringLiteral("Lager")));
    EXPECT_FALSE(texts.contains(QStringLiteral("03.03.2026")));
    EXPECT_EQ(PdfPageCount(pdf), 1);
}

// The print options are the user's per document: what the dialog was left with and the
// printer's orientation come back when the document is opened again, in the next dialog too.
TEST_F(PrintWindowTest, OptionsComeBackWithTheDocument)
{
    const QString plan = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    ASSERT_FALSE(plan.isEmpty());
    form->Open(plan);
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QString());
    form->OnPrinterSetupDialog = [](QPrinter &printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    form->ActionPrinterSetup->trigger();
    TPrintListDialog *list = form->PrintListDialog();
    Work(list, [&] {
        list->Header->setChecked(true);
        list->HeaderText->setText(QStringLiteral("Abwesenheiten"));
        list->Fusszeile->setChecked(true);
        list->TagLine->setText(QStringLiteral("Werk Süd"));
        list->PrintFilename->setChecked(false);
        list->Lochrand->setChecked(true);
        ClickPreviewLater("Button1");
        list->OKButton->click();
    }, form->ActionPrintList);
    TPrintTimeChartDialog *chart = form->PrintTimeChartDialog();
    // The chart replaces the table's printout: the user agrees.
    form->answers = {mrOk};
    Work(chart, [&] {
        EXPECT_EQ(chart->HeaderText->text(), QStringLiteral("Abwesenheiten"));
        chart->heutehervorheben->setChecked(true);
        ClickPreviewLater("Button1");
        chart->OKButton->click();
    }, form->ActionPrintTimechart);
    const TPrintOptions printed = form->PrintOptions();
    EXPECT_EQ(printed.Footer, QStringLiteral("Werk Süd"));
    EXPECT_TRUE(printed.PrintToday);
    EXPECT_TRUE(printed.PrintLochrand);
    EXPECT_FALSE(printed.PrintFilename);
    EXPECT_EQ(printed.Orientation, 1);
    ASSERT_TRUE(form->Settings().SaveFileIni());
    form.reset();

    form = std::make_unique<TScriptedMainForm>(mrNo);
    EXPECT_EQ(form->PrintOptions(), TPrintOptions());
    form->Open(plan);
    EXPECT_EQ(form->PrintOptions(), printed);
    EXPECT_EQ(form->PrintPreview().Orientation(), QPageLayout::Landscape);
    AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QString());
    chart = form->PrintTimeChartDialog();
    Work(chart, [&] {
        EXPECT_TRUE(chart->Header->isChecked());
        EXPECT_EQ(chart->HeaderText->text(), QStringLiteral("Abwesenheiten"));
        EXPECT_EQ(chart->Tagline->text(), QStringLiteral("Werk Süd"));
        EXPECT_TRUE(chart->Lochrand->isChecked());
        EXPECT_FALSE(chart->PrintFilename->isChecked());
        EXPECT_TRUE(chart->heutehervorheben->isChecked());
    }, form->ActionPrintTimechart);
}

namespace {

const QString NotStarted = QStringLiteral("Druckauftrag konnte nicht gestartet werden");

// Types a text over the whole content of an edit, as the user does.
void Retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void Click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// A document beside which the PDF file is proposed, printed on a machine without a printer:
// its printer starts as a PDF output without a file.
class PrintTargetTest : public PrintWindowTest
{
protected:
    void SetUp() override
    {
        PrintWindowTest::SetUp();
        QPrinter &printer = *form->PrintPreview().Printer();
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::PdfFormat);
        form->Open(windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop"))));
        AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"), QString());
    }
    QString Status() const { return form->statusBar()->currentMessage(); }
};

} // namespace

// Without a printer, "Print Table" offers the PDF file beside the document; an emptied name is
// refused before anything is recorded, "..." names another, and the job prints into it.
TEST_F(PrintTargetTest, WithoutAPrinterTheFirstJobGoesIntoAPdfFile)
{
    TPrintListDialog *dialog = form->PrintListDialog();
    const QString chosen = dir.filePath(QStringLiteral("chosen.pdf"));
    dialog->Target->OnChooseFile = [&](const QString &) { return chosen; };
    QString offered;
    bool openAfterRefusal = false;
    Work(dialog, [&] {
        offered = dialog->Target->PrintTargetLabel->text() + dialog->Target->PdfFileName->text();
        Retype(dialog->Target->PdfFileName, QString());
        Click(dialog->OKButton);
        openAfterRefusal = dialog->isVisible();
        Click(dialog->Target->PdfFileButton);
        ClickPreviewLater("Button1");
        Click(dialog->OKButton);
    }, form->ActionPrintList);
    EXPECT_EQ(offered, QStringLiteral("PDF file:") + dir.filePath(QStringLiteral("plan.pdf")));
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(form->questions, QStringList({QStringLiteral("Please name the PDF file to print into.")}));
    EXPECT_NE(Status(), NotStarted);
    EXPECT_EQ(PdfPageCount(chosen), 1);
}

// The road of the fault: a chart job that cannot start (its file cannot be made), the system's
// printer set-up worked to another PDF file, the chart again: it prints into that file.
TEST_F(PrintTargetTest, AJobThatCannotStartThenAPdfFileInTheSameSession)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString impossible = dir.filePath(QStringLiteral("blocker/plan.pdf"));
    TPrintTimeChartDialog *dialog = form->PrintTimeChartDialog();
    const auto printChart = [&](const QString &file) {
        Work(dialog, [&] {
            if (!file.isEmpty())
                Retype(dialog->Target->PdfFileName, file);
            ClickPreviewLater("Button1");
            Click(dialog->OKButton);
        }, form->ActionPrintTimechart);
    };
    printChart(impossible);
    EXPECT_EQ(Status(), NotStarted);

    const QString chart = dir.filePath(QStringLiteral("chart.pdf"));
    QString offered;
    QTimer::singleShot(0, form.get(), [&] {
        auto *setup = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(setup);
        auto *name = setup->findChild<QLineEdit *>(QStringLiteral("filename"));
        offered = name->text();
        Retype(name, chart);
        Click(setup->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok));
    });
    form->ActionPrinterSetup->trigger();
    EXPECT_EQ(offered, impossible);

    printChart(QString());
    EXPECT_NE(Status(), NotStarted);
    QFile file(chart);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), QByteArray("%PDF-"));
    EXPECT_EQ(PdfPageCount(chart), 1);
}

// A file that already bears the proposed name is another one until the user agrees: Cancel
// keeps it and the dialog open, OK prints over it, and the next job asks no more.
TEST_F(PrintTargetTest, AnExistingPdfFileIsPrintedOverOnlyWhenTheUserAgrees)
{
    const QString proposed = dir.filePath(QStringLiteral("plan.pdf"));
    ASSERT_TRUE(testsupport::writeFile(proposed, QByteArray("the user's own file")));
    const QString question = QStringLiteral("File %1 already exists.\nOverwrite this file?").arg(proposed);
    TPrintListDialog *dialog = form->PrintListDialog();
    form->answers = {mrCancel, mrOk};
    bool openAfterCancel = false;
    Work(dialog, [&] {
        Click(dialog->OKButton);
        openAfterCancel = dialog->isVisible();
        ClickPreviewLater("Button1");
        Click(dialog->OKButton);
    }, form->ActionPrintList);
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(form->questions, QStringList({question, question}));
    EXPECT_EQ(PdfPageCount(proposed), 1);

    form->questions.clear();
    Work(dialog, [&] {
        ClickPreviewLater("Button1");
        Click(dialog->OKButton);
    }, form->ActionPrintList);
    EXPECT_TRUE(form->questions.isEmpty());
    EXPECT_EQ(PdfPageCount(proposed), 1);
}

// Printed again, a printout's own file is replaced without a question. The other printout
// asks first, also when the name was only left in the field by the last job; chosen with "..."
// (whose file dialog asked), the file is printed over.
TEST_F(PrintTargetTest, AFileIsReplacedUnaskedOnlyByTheSamePrintoutOrWhenChosen)
{
    const QString chosen = dir.filePath(QStringLiteral("t2.pdf"));
    TPrintListDialog *table = form->PrintListDialog();
    TPrintTimeChartDialog *chart = form->PrintTimeChartDialog();
    table->Target->OnChooseFile = chart->Target->OnChooseFile = [&](const QString &) { return chosen; };
    const auto print = [&](QDialog *dialog, QAbstractButton *choose, QAbstractButton *ok, QAction *command) {
        Work(dialog, [&] {
            if (choose)
                Click(choose);
            ClickPreviewLater("Button1");
            Click(ok);
        }, command);
    };
    print(table, nullptr, table->OKButton, form->ActionPrintList);
    print(table, nullptr, table->OKButton, form->ActionPrintList);
    print(table, table->Target->PdfFileButton, table->OKButton, form->ActionPrintList);
    EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join(QLatin1Char('\n')).toStdString();
    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray tablePrintout = file.readAll();
    file.close();

    form->answers = {mrCancel};
    Work(chart, [&] { Click(chart->OKButton); }, form->ActionPrintTimechart);
    print(chart, chart->Target->PdfFileButton, chart->OKButton, form->ActionPrintTimechart);
    EXPECT_EQ(form->questions,
              QStringList({QStringLiteral("File %1 already exists.\nOverwrite this file?").arg(chosen), BitmapQuestion}));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_NE(file.readAll(), tablePrintout);
}

// With an existing PDF file shown, "Printer setup..." of either print dialog: confirmed after
// its own "overwrite?" question, the file is printed over without a second question; cancelled,
// the printout still asks.
TEST_F(PrintTargetTest, ThePrinterSetupsOverwriteAnswerCountsOnlyWhenConfirmed)
{
    const QString proposed = dir.filePath(QStringLiteral("plan.pdf"));
    const QString question = QStringLiteral("File %1 already exists.\nOverwrite this file?").arg(proposed);
    TPrintTimeChartDialog *chart = form->PrintTimeChartDialog();
    TPrintListDialog *table = form->PrintListDialog();
    struct TPrintout
    {
        const char *name;
        QDialog *dialog;
        QAbstractButton *setup;
        QAbstractButton *ok;
        QAction *command;
    };
    const std::vector<TPrintout> printouts = {
        {"chart", chart, chart->PrinterSetupButton, chart->OKButton, form->ActionPrintTimechart},
        {"table", table, table->PrinterSetupButton, table->OKButton, form->ActionPrintList},
    };
    for (const TPrintout &printout : printouts) {
        for (const bool confirmed : {true, false}) {
            SCOPED_TRACE(std::string(printout.name) + (confirmed ? ", set-up confirmed" : ", set-up cancelled"));
            ASSERT_TRUE(testsupport::writeFile(proposed, QByteArray("the user's own file")));
            form->questions.clear();
            form->answers = {mrOk};
            QStringList setupQuestions;
            Work(printout.dialog, [&] {
                // The system's set-up: OK, then its own question answered Yes; or Cancel.
                QTimer::singleShot(0, form.get(), [&] {
                    auto *setup = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
                    ASSERT_TRUE(setup);
                    EXPECT_EQ(setup->findChild<QLineEdit *>(QStringLiteral("filename"))->text(), proposed);
                    if (confirmed)
                        QTimer::singleShot(0, form.get(), [&] {
                            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                            ASSERT_TRUE(box);
                            setupQuestions << box->text();
                            Click(box->button(QMessageBox::Yes));
                        });
                    Click(setup->findChild<QDialogButtonBox *>()->button(confirmed ? QDialogButtonBox::Ok
                                                                                  : QDialogButtonBox::Cancel));
                });
                Click(printout.setup);
                ClickPreviewLater("Button1");
                Click(printout.ok);
            }, printout.command);
            EXPECT_EQ(setupQuestions.size(), confirmed ? 1 : 0);
            QStringList expected;
            if (!confirmed)
                expected << question;
            if (printout.dialog == chart)
                expected << BitmapQuestion;
            EXPECT_EQ(form->questions, expected);
            EXPECT_EQ(PdfPageCount(proposed), 1);
        }
    }
}
