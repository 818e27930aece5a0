// Where the main window's printouts go: without a printer the print dialogs offer a PDF file
// beside the document at once, and a job that cannot start is followed in the same session by
// one into a PDF file chosen in the printer set-up.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "dialogs/PrintListDialog.h"
#include "dialogs/PrintTarget.h"
#include "dialogs/PrintTimeChartDialog.h"
#include "planner/print/PrintTestSupport.h"
#include "planner/window/WindowTestSupport.h"

using namespace printtest;

namespace {

QStringList gWarnings;

void KeepWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        gWarnings << message;
}

void Click(QAbstractButton *button)
{
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Types a text over the whole content of an edit, as the user does.
void Retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

class PrintTargetWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TScriptedMainForm>(mrNo);
        // What a machine without any printer starts with: a PDF output without a file.
        QPrinter &printer = *form->PrintPreview().Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        plan = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
        ASSERT_FALSE(plan.isEmpty());
        form->Open(plan);
        AddTask(QStringLiteral("Position 1"), QStringLiteral("03.03.2026"), QStringLiteral("3"));
        AddTask(QStringLiteral("Position 2"), QStringLiteral("09.03.2026"), QStringLiteral("2"));
        gWarnings.clear();
        FPrevious = qInstallMessageHandler(KeepWarnings);
    }
    void TearDown() override
    {
        qInstallMessageHandler(FPrevious);
        form.reset();
        ResetDateFormats();
    }
    void AddTask(const QString &position, const QString &start, const QString &length)
    {
        TPlannerCore &core = form->Core();
        TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
        core.SetData_(node, cnPosition, position);
        core.SetData_(node, cnStart, start);
        core.SetData_(node, cnLength, length);
    }
    // "alles drucken" in the preview once it shows.
    void PrintAllLater()
    {
        QTimer::singleShot(0, form.get(), [this] {
            Click(form->PrintPreview().Form()->findChild<QPushButton *>(QStringLiteral("Button1")));
        });
    }
    // Works a modal dialog from inside its own loop; it is closed afterwards in any case.
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
    QString Status() const { return form->statusBar()->currentMessage(); }
    QStringList ActiveWarnings() const
    {
        return gWarnings.filter(QStringLiteral("Cannot be changed while printer is active"));
    }

    QTemporaryDir dir;
    QString plan;
    std::unique_ptr<TScriptedMainForm> form;
    QtMessageHandler FPrevious = nullptr;
};

const QString NotStarted = QStringLiteral("Druckauftrag konnte nicht gestartet werden");

} // namespace

// Without a printer, "Print Table" shows the PDF file beside the document and the first job
// prints into it.
TEST_F(PrintTargetWindowTest, WithoutAPrinterTheFirstJobGoesIntoAPdfFile)
{
    const QString pdf = dir.filePath(QStringLiteral("plan.pdf"));
    TPrintListDialog *dialog = form->PrintListDialog();
    QString label;
    QString shown;
    bool browseOffered = false;
    Work(dialog, [&] {
        label = dialog->Target->PrintTargetLabel->text();
        shown = dialog->Target->PdfFileName->text();
        browseOffered = dialog->Target->PdfFileButton->isVisible();
        PrintAllLater();
        Click(dialog->OKButton);
    }, form->ActionPrintList);
    EXPECT_EQ(label, QStringLiteral("PDF file:"));
    EXPECT_EQ(shown, pdf);
    EXPECT_TRUE(browseOffered);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_NE(Status(), NotStarted);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    file.close();
    EXPECT_EQ(PdfPageCount(pdf), form->PrintPreview().GetPageCount());
    EXPECT_TRUE(ActiveWarnings().isEmpty());
}

// The user's road of the fault: a chart job that cannot start (its file cannot be made), then
// the printer set-up to a PDF file, then the chart again: it prints, and no setting was refused.
TEST_F(PrintTargetWindowTest, AJobThatCannotStartThenAPdfFileInTheSameSession)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString impossible = dir.filePath(QStringLiteral("blocker/plan.pdf"));
    TPrintTimeChartDialog *dialog = form->PrintTimeChartDialog();
    Work(dialog, [&] {
        dialog->RadioButton3->setChecked(true);
        dialog->startpicker->setDate(QDate(2026, 3, 2));
        dialog->EditTage->setValue(10);
        dialog->Edit2->setValue(2);
        Retype(dialog->Target->PdfFileName, impossible);
        PrintAllLater();
        Click(dialog->OKButton);
    }, form->ActionPrintTimechart);
    EXPECT_EQ(Status(), NotStarted);
    EXPECT_FALSE(QFile::exists(impossible));

    // The printer set-up of the system, worked as the user does: another file, OK.
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    bool setupShown = false;
    QTimer::singleShot(0, form.get(), [&] {
        auto *setup = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(setup);
        setupShown = true;
        auto *name = setup->findChild<QLineEdit *>(QStringLiteral("filename"));
        ASSERT_TRUE(name);
        EXPECT_EQ(name->text(), impossible);
        Retype(name, pdf);
        auto *buttons = setup->findChild<QDialogButtonBox *>();
        ASSERT_TRUE(buttons);
        Click(buttons->button(QDialogButtonBox::Ok));
        if (setup->isVisible())
            setup->reject();
    });
    form->ActionPrinterSetup->trigger();
    EXPECT_TRUE(setupShown);
    EXPECT_EQ(form->PrintPreview().Printer()->outputFileName(), pdf);

    QString shown;
    Work(dialog, [&] {
        shown = dialog->Target->PdfFileName->text();
        PrintAllLater();
        Click(dialog->OKButton);
    }, form->ActionPrintTimechart);
    EXPECT_EQ(shown, pdf);
    EXPECT_NE(Status(), NotStarted);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    file.close();
    EXPECT_EQ(PdfPageCount(pdf), 2);
    EXPECT_TRUE(ActiveWarnings().isEmpty()) << ActiveWarnings().join(QLatin1Char('\n')).toStdString();
}

// A PDF output without a file name is refused before anything is recorded; "..." chooses one.
TEST_F(PrintTargetWindowTest, AnEmptyPdfFileIsRefusedAndTheButtonChoosesOne)
{
    TPrintListDialog *dialog = form->PrintListDialog();
    const QString chosen = dir.filePath(QStringLiteral("chosen.pdf"));
    dialog->Target->OnChooseFile = [&](const QString &current) {
        EXPECT_TRUE(current.isEmpty());
        return chosen;
    };
    QStringList refused;
    bool stillOpen = false;
    Work(dialog, [&] {
        Retype(dialog->Target->PdfFileName, QString());
        form->questions.clear();
        Click(dialog->OKButton);
        refused = form->questions;
        stillOpen = dialog->isVisible();
        Click(dialog->Target->PdfFileButton);
        PrintAllLater();
        Click(dialog->OKButton);
    }, form->ActionPrintList);
    EXPECT_EQ(refused, QStringList({QStringLiteral("Please name the PDF file to print into.")}));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(form->PrintPreview().Printer()->outputFileName(), chosen);
    EXPECT_EQ(PdfPageCount(chosen), form->PrintPreview().GetPageCount());
}
