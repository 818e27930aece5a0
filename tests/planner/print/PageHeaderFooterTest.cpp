#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPrinter>
#include <QTemporaryDir>

#include "DateFormat.h"
#include "DialogPrintPreview.h"
#include "PrintMetafile.h"
#include "Version.h"
#include "print/PageHeaderFooter.h"

namespace {

class PageHeaderFooterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        recorder.SetPrinter(&printer);
    }
    void TearDown() override { ResetDateFormats(); }

    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    TPrintPreviewDialog recorder;
};

const TDateTime Stand = EncodeDate(2026, 3, 2) + EncodeTime(14, 30, 5, 0);

QRectF TextBox(const TRecordedText &t)
{
    const QFontMetricsF metrics(t.Font);
    return QRectF(t.Position.x(), t.Position.y() - metrics.ascent(), metrics.horizontalAdvance(t.Text), metrics.height());
}

// The credit and the page number of a recorded page do not cover each other.
bool FooterTextsApart(const TPrintMetafile &page)
{
    QRectF credit, number;
    for (const TRecordedText &t : page.Texts()) {
        if (t.Text.startsWith(QStringLiteral("Created with ")))
            credit = TextBox(t);
        else if (t.Text.startsWith(QStringLiteral("Page ")))
            number = TextBox(t);
    }
    // Lines that merely touch are apart.
    return !credit.isEmpty() && !number.isEmpty() && !credit.adjusted(1, 1, -1, -1).intersects(number);
}

} // namespace

TEST_F(PageHeaderFooterTest, LinesWithHeaderFooterAndFileName)
{
    const QString credit = QStringLiteral("Created with ") + platform::creditLine();
    EXPECT_EQ(TPageHeaderFooter::Lines(QStringLiteral("Fuss"), QStringLiteral("Kopf"), QStringLiteral("/tmp/plan.zop"), Stand),
              (std::vector<TPageLine>{
                  {QStringLiteral("Kopf"), 2, paCenter, 20, clBlack},
                  {QString(), 1, paLeft, 10, clBlack},
                  {QStringLiteral("Stand: 02.03.2026 14:30:05"), 2, paRight, 10, 0x808080},
                  {QStringLiteral("Fuss"), -1, paLeft, 11, clBlack},
                  {QStringLiteral("/tmp/plan.zop"), -2, paLeft, 11, clBlack},
                  {credit, -3, paRight, 11, clBlack},
                  {QStringLiteral("Page $PAGE_NO$/$PAGE_COUNT$"), -3, paCenter, 11, clBlack},
              }));
    // Without any of them: the date on line 1, credit and page number right under the body.
    EXPECT_EQ(TPageHeaderFooter::Lines(QString(), QString(), QString(), Stand),
              (std::vector<TPageLine>{
                  {QStringLiteral("Stand: 02.03.2026 14:30:05"), 1, paRight, 10, 0x808080},
                  {credit, -1, paRight, 11, clBlack},
                  {QStringLiteral("Page $PAGE_NO$/$PAGE_COUNT$"), -1, paCenter, 11, clBlack},
              }));
    // On a narrow page the page number goes on a line of its own below the credit.
    EXPECT_EQ(TPageHeaderFooter::Lines(QStringLiteral("Fuss"), QString(), QString(), Stand, true),
              (std::vector<TPageLine>{
                  {QStringLiteral("Stand: 02.03.2026 14:30:05"), 1, paRight, 10, 0x808080},
                  {QStringLiteral("Fuss"), -1, paLeft, 11, clBlack},
                  {credit, -2, paRight, 11, clBlack},
                  {QStringLiteral("Page $PAGE_NO$/$PAGE_COUNT$"), -3, paCenter, 11, clBlack},
              }));
    EXPECT_TRUE(platform::creditLine().startsWith(QStringLiteral("Velmora ")));
}

TEST_F(PageHeaderFooterTest, LongPathsLoseTheirFoldersFirst)
{
    const auto chars = [](const QString &text) { return int(text.size()); };
    const QString path = QStringLiteral("/home/anna/projects/plans/2026/plan.zop");
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 100, chars), path);
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 35, chars), QStringLiteral("/.../projects/plans/2026/plan.zop"));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 30, chars), QStringLiteral("/.../plans/2026/plan.zop"));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 20, chars), QStringLiteral("/.../2026/plan.zop"));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 13, chars), QStringLiteral("/.../plan.zop"));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 12, chars), QStringLiteral(".../plan.zop"));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 8, chars), QStringLiteral("plan.zop"));
    // Never wider than asked, even for a long name alone.
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(path, 6, chars), QStringLiteral("pla..."));
    EXPECT_EQ(TPageHeaderFooter::MinimizeName(QStringLiteral("a-very-long-name.zop"), 10, chars),
              QStringLiteral("a-very-..."));
}

// The lines on recorded pages: page numbers filled in per page, the header above the body,
// the file name shortened to its share of the width, the page font as it was.
TEST_F(PageHeaderFooterTest, EveryPageGetsItsNumberAndTheHeader)
{
    recorder.NewJob();
    recorder.NewPage();
    const QString longName = QStringLiteral("/") + QStringLiteral("folder/").repeated(60) + QStringLiteral("plan.zop");
    TPageHeaderFooter::AddDefaultHeaderAndFooter(recorder, QStringLiteral("Fuss"), QStringLiteral("Kopf"), true,
                                                 longName);
    EXPECT_EQ(recorder.GetFont()->Size(), 10);
    EXPECT_EQ(recorder.GetFont()->Color(), clBlack);
    // Line 2 holds the 20-point header, the line 1 below it is empty.
    EXPECT_GT(recorder.HeaderLineSize(2), recorder.HeaderLineSize(1));
    EXPECT_GT(recorder.HeaderLineSize(1), 0);
    // Portrait A4 is too narrow for the credit and the page number on one line.
    EXPECT_GT(recorder.HeaderLineSize(-4), 0);
    EXPECT_EQ(recorder.HeaderLineSize(-5), 0);
    const int bodyWidth = recorder.PrintableSize(false, true).x();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            recorder.NewPage();
        recorder.TextOut(0, 0, QStringLiteral("Body %1").arg(page));
    }
    recorder.PrintHeaderAndFooter();
    recorder.DonePrinting();
    for (int page = 1; page <= 3; ++page) {
        QStringList texts;
        QString name;
        int nameWidth = 0;
        for (const TRecordedText &t : recorder.GetMetafile(page)->Texts()) {
            texts.append(t.Text);
            if (t.Text.endsWith(QStringLiteral("plan.zop"))) {
                name = t.Text;
                nameWidth = QFontMetrics(t.Font).horizontalAdvance(t.Text);
            }
        }
        EXPECT_TRUE(texts.contains(QStringLiteral("Page %1/3").arg(page))) << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(FooterTextsApart(*recorder.GetMetafile(page))) << page;
        EXPECT_TRUE(texts.contains(QStringLiteral("Kopf")));
        EXPECT_TRUE(texts.contains(QStringLiteral("Fuss")));
        EXPECT_TRUE(name.startsWith(QStringLiteral("/.../folder/"))) << name.toStdString();
        EXPECT_GT(nameWidth, 0);
        EXPECT_LE(nameWidth, bodyWidth * 45 / 100 + 2);
    }
}

// Landscape leaves room for the credit and the page number on one line.
TEST_F(PageHeaderFooterTest, AWidePageKeepsThePageNumberBesideTheCredit)
{
    recorder.SetOrientation(QPageLayout::Landscape);
    recorder.NewJob();
    recorder.NewPage();
    TPageHeaderFooter::AddDefaultHeaderAndFooter(recorder, QString(), QString(), false, QString());
    EXPECT_GT(recorder.HeaderLineSize(-1), 0);
    EXPECT_EQ(recorder.HeaderLineSize(-2), 0);
    recorder.PrintHeaderAndFooter();
    recorder.DonePrinting();
    EXPECT_TRUE(FooterTextsApart(*recorder.GetMetafile(1)));
}
