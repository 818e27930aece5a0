// A print job that cannot start leaves a printer that takes new settings, and the next job in
// the same session prints into the PDF file chosen then.

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "DialogPrintPreview.h"

namespace {

QStringList gWarnings;

void KeepWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        gWarnings << message;
}

// The warnings Qt gives while a block runs.
struct TWarningTrap {
    TWarningTrap()
    {
        gWarnings.clear();
        FPrevious = qInstallMessageHandler(KeepWarnings);
    }
    ~TWarningTrap() { qInstallMessageHandler(FPrevious); }
    QtMessageHandler FPrevious;
};

struct TPdf {
    QByteArray data;
    int pages = -1;
    QSizeF firstMediaBox;
};

TPdf ReadPdf(const QString &path)
{
    TPdf pdf;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return pdf;
    pdf.data = file.readAll();
    const QString text = QString::fromLatin1(pdf.data);
    pdf.pages = int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([\\d.]+)\\s+([\\d.]+)")).match(text);
    if (box.hasMatch())
        pdf.firstMediaBox = QSizeF(box.captured(1).toDouble(), box.captured(2).toDouble());
    return pdf;
}

struct PrintRecoveryTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QObject::connect(&recorder, &TPrintPreviewDialog::OnChange, [this](const QString &m) { messages << m; });
    }
    void Record(int pages)
    {
        recorder.NewJob();
        for (int i = 1; i <= pages; ++i) {
            recorder.NewPage();
            recorder.TextOut(0, 0, QStringLiteral("Seite %1").arg(i));
        }
    }
    // Shows the preview and presses "alles drucken" as the user does.
    int PrintAllThroughPreview()
    {
        QTimer::singleShot(0, &recorder, [this] {
            auto *button = recorder.Form()->findChild<QPushButton *>(QStringLiteral("Button1"));
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        });
        return recorder.Preview();
    }

    QTemporaryDir dir;
    TPrintPreviewDialog recorder;
    QStringList messages;
};

const QString NotStarted = QStringLiteral("Druckauftrag konnte nicht gestartet werden");

} // namespace

// A PDF output without a file (what a machine without any printer starts with) cannot begin
// and leaves the printer's engine active: the next output file, colour mode and orientation
// still take, and the next job prints.
TEST_F(PrintRecoveryTest, AFailedStartLeavesThePrinterUsable)
{
    QPrinter *printer = recorder.Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString());
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setColorMode(QPrinter::GrayScale);
    recorder.SetOrientation(QPageLayout::Landscape);
    recorder.SetTitle(QStringLiteral("Plan"));
    Record(2);
    EXPECT_EQ(PrintAllThroughPreview(), QDialog::Accepted);
    EXPECT_TRUE(messages.contains(NotStarted));

    // The settings made before stay; new ones take without a complaint.
    printer = recorder.Printer();
    EXPECT_EQ(printer->printerState(), QPrinter::Idle);
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(printer->colorMode(), QPrinter::GrayScale);
    EXPECT_EQ(printer->resolution(), QPrinter(QPrinter::HighResolution).resolution());
    const QString pdf = dir.filePath(QStringLiteral("plan.pdf"));
    {
        TWarningTrap trap;
        printer->setOutputFileName(pdf);
        printer->setColorMode(QPrinter::Color);
        printer->setCopyCount(1);
        EXPECT_TRUE(gWarnings.isEmpty()) << gWarnings.join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(printer->outputFileName(), pdf);

    messages.clear();
    Record(3);
    EXPECT_EQ(PrintAllThroughPreview(), QDialog::Accepted);
    EXPECT_FALSE(messages.contains(NotStarted));
    const TPdf read = ReadPdf(pdf);
    ASSERT_TRUE(read.data.startsWith("%PDF-"));
    EXPECT_EQ(read.pages, 3);
    // A4 lying: wider than high.
    EXPECT_NEAR(read.firstMediaBox.width(), 842, 1);
    EXPECT_NEAR(read.firstMediaBox.height(), 595, 1);
}

// A file in a folder that cannot exist fails to start; the same printer then prints one page
// into a good file.
TEST_F(PrintRecoveryTest, AFileThatCannotBeMadeThenOneThatCan)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QPrinter *printer = recorder.Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(dir.filePath(QStringLiteral("blocker/plan.pdf")));
    Record(2);
    EXPECT_FALSE(recorder.PrintPage(1));
    EXPECT_TRUE(messages.contains(NotStarted));

    const QString pdf = dir.filePath(QStringLiteral("second.pdf"));
    recorder.Printer()->setOutputFileName(pdf);
    ASSERT_TRUE(recorder.PrintPage(2));
    const TPdf read = ReadPdf(pdf);
    ASSERT_TRUE(read.data.startsWith("%PDF-"));
    EXPECT_EQ(read.pages, 1);
}

// The proposed PDF file is taken by a printer without a file and follows the next proposal;
// a file chosen in between stays.
TEST_F(PrintRecoveryTest, TheProposedFileGivesWayToTheUsersChoice)
{
    QPrinter *printer = recorder.Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString());
    printer->setOutputFormat(QPrinter::PdfFormat);
    const QString first = dir.filePath(QStringLiteral("first.pdf"));
    recorder.ProposeOutputFile(first);
    EXPECT_TRUE(recorder.PrintsToFile());
    EXPECT_EQ(printer->outputFileName(), first);
    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    recorder.ProposeOutputFile(second);
    EXPECT_EQ(printer->outputFileName(), second);
    const QString chosen = dir.filePath(QStringLiteral("chosen.pdf"));
    printer->setOutputFileName(chosen);
    recorder.ProposeOutputFile(first);
    EXPECT_EQ(printer->outputFileName(), chosen);
}
