// The chart printed into the page recorder: pages, their ranges and titles, the size the chart
// is drawn at, the picture variant, and the pages printed into a PDF file and looked at.

#include <QPrinter>
#include <QTemporaryDir>

#include "planner/chart/ChartTestSupport.h"
#include "planner/print/PrintTestSupport.h"
#include "print/ChartPrinter.h"

using namespace printtest;

namespace {

const TDateTime Monday = EncodeDate(2026, 3, 2);

class ChartPrintTest : public ChartCoreTest
{
protected:
    void SetUp() override
    {
        ChartCoreTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath(QStringLiteral("chart.pdf"));
        UsePdf(printer, pdf);
        recorder.SetPrinter(&printer);
        SetPositions({QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cleo")});
        const QStringList colours = core->GetColumnStrings(tbTable, core->GetConnection(tbTable, cnColor));
        ASSERT_GE(colours.size(), 2);
        for (auto [name, start, length, colour] :
             {std::tuple{"Anna", "03.03.2026", "3", 0}, {"Bert", "05.03.2026", "2", 1}, {"Cleo", "09.03.2026", "4", 1}}) {
            TNodeData *node = AddTask(QString::fromLatin1(name), QString::fromLatin1(start), QString::fromLatin1(length));
            core->SetData_(node, cnColor, ParseCommaText(colours[colour]).value(0));
        }
        Show(Monday, 40);
    }
    TChartPrintJob Job(int days, int pages) const
    {
        TChartPrintJob job;
        job.start = Monday;
        job.days = days;
        job.pages = pages;
        job.page.footer = QStringLiteral("Werk Nord");
        job.page.fileName = QStringLiteral("/plans/plan.zop");
        job.page.printFilename = true;
        return job;
    }
    TChartPrinter Printer() const { return TChartPrinter(*model, *geometry, options); }

    QTemporaryDir dir;
    QString pdf;
    QPrinter printer{QPrinter::HighResolution};
    TPrintPreviewDialog recorder;
};

} // namespace

// 10 days on 2 pages: two pages of five days, each titled with its range, the chart with its
// rows on both; printed into a PDF file of two pages. A page turned into a picture shows the
// caption bands, the bars and the footer.
TEST_F(ChartPrintTest, TenDaysOnTwoPages)
{
    ASSERT_EQ(Printer().Record(recorder, Job(10, 2)), 2);
    recorder.DonePrinting();
    ASSERT_EQ(recorder.GetPageCount(), 2);
    const QStringList first = PageTexts(recorder, 1);
    const QStringList second = PageTexts(recorder, 2);
    EXPECT_TRUE(first.contains(QStringLiteral("ZOP (02.03.2026 bis 07.03.2026)"))) << first.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("ZOP (07.03.2026 bis 12.03.2026)")));
    for (const QStringList &texts : {first, second}) {
        for (const QString &name : {QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cleo")})
            EXPECT_TRUE(texts.contains(name)) << name.toStdString();
        EXPECT_TRUE(texts.contains(QStringLiteral("Werk Nord")));
        EXPECT_TRUE(texts.contains(QStringLiteral("/plans/plan.zop")));
    }
    EXPECT_TRUE(first.contains(QStringLiteral("Page 1/2")));
    EXPECT_TRUE(second.contains(QStringLiteral("Page 2/2")));

    const QImage page = PageImage(recorder, 1, 0.1);
    ASSERT_FALSE(page.isNull());
    // The caption bands, the bars (default colours of the task table) and the row lines.
    EXPECT_GT(CountNear(page, page.rect(), ToQColor(0x978662), 8), 500);
    EXPECT_GT(CountNear(page, page.rect(), ToQColor(0x706449), 8), 200);
    int coloured = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
        }
    EXPECT_GT(coloured, 2000);

    ASSERT_TRUE(recorder.PrintAll());
    EXPECT_EQ(PdfPageCount(pdf), 2);
}

TEST_F(ChartPrintTest, ThreeDaysOnFivePagesEnds)
{
    EXPECT_EQ(Printer().Record(recorder, Job(3, 5)), 3);
    recorder.DonePrinting();
    EXPECT_TRUE(PageTexts(recorder, 3).contains(QStringLiteral("ZOP (04.03.2026 bis 05.03.2026)")));
    // Nothing to print records nothing.
    TPrintPreviewDialog other;
    other.SetPrinter(&printer);
    EXPECT_EQ(Printer().Record(other, Job(0, 2)), 0);
    EXPECT_EQ(other.GetPageCount(), 0);
}

// The chart stands centred in the body below the title, at the largest step that fits.
TEST_F(ChartPrintTest, TheChartTakesTheLargestStepThatFits)
{
    const TChartPrinter chart = Printer();
    // 60 days at 40 pixels a day: the width decides long before the zoom's limit.
    const QSize body(4000, 3000);
    const TChartFit fit = chart.Layout(body, 60, 50);
    EXPECT_EQ(fit.scale, 1.0);
    EXPECT_LT(fit.step, chart.MaxStep());
    const TChartExtent at = chart.CalcSize(fit.step, 60);
    const TChartExtent next = chart.CalcSize(fit.step + 1, 60);
    EXPECT_LE(at.width, body.width());
    EXPECT_LE(at.height, body.height() - 100);
    EXPECT_TRUE(next.width > body.width() || next.height > body.height() - 100);
    EXPECT_EQ(fit.rect.width(), at.width);
    EXPECT_GE(fit.rect.top(), 100);
    EXPECT_EQ(fit.rect.left(), (body.width() - at.width) / 2);
    // The size is the day width times the days and the rows plus their caption.
    EXPECT_EQ(chart.CalcSize(0, 60).width, 40 * 60);
    EXPECT_EQ(chart.CalcSize(0, 60).height, 3 * geometry->TimeChartRowHeight(0) + geometry->TimeChartFullRowHeight(0));
}

// 1,000 days at 40 pixels a day are far wider than the page even at the first step: the chart is
// drawn at that step and shrunk to fit, never smaller than asked, its texts still recorded.
TEST_F(ChartPrintTest, AChartTooWideForThePageIsShrunk)
{
    const QSize body(recorder.PrintableSize(true, true).x(), recorder.PrintableSize(true, true).y());
    const TChartFit fit = Printer().Layout(body, 1000, 100);
    EXPECT_EQ(fit.step, 0);
    EXPECT_LT(fit.scale, 0.3);
    EXPECT_GT(fit.scale, 0.0);
    EXPECT_EQ(fit.rect.width(), body.width());

    ASSERT_EQ(Printer().Record(recorder, Job(1000, 1)), 1);
    recorder.DonePrinting();
    const QStringList texts = PageTexts(recorder, 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("Anna")));
    EXPECT_TRUE(texts.contains(QStringLiteral("ZOP (02.03.2026 bis 26.11.2028)")));
    // The shrunk chart is a thin strip across the body's width.
    const QImage page = PageImage(recorder, 1, 0.1);
    int strip = 0;
    for (int y = 0; y < page.height(); ++y)
        strip += page.width() - CountNear(page, QRect(0, y, page.width(), 1), Qt::white, 4) > page.width() * 9 / 10;
    EXPECT_GE(strip, 1);
    EXPECT_LE(strip, int(fit.rect.height() * 0.1) + 3);
    ASSERT_TRUE(recorder.PrintAll());
    EXPECT_EQ(PdfPageCount(pdf), 1);
}

// At screen resolution the chart becomes a picture stretched onto the page (its texts are
// pixels then); a picture beyond the size limits is drawn directly instead.
TEST_F(ChartPrintTest, ThePictureVariantIsCapped)
{
    TChartPrintJob job = Job(10, 1);
    job.asBitmap = true;
    ASSERT_EQ(Printer().Record(recorder, job), 1);
    recorder.DonePrinting();
    QStringList texts = PageTexts(recorder, 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("ZOP (02.03.2026 bis 12.03.2026)")));
    EXPECT_FALSE(texts.contains(QStringLiteral("Anna")));
    const QImage page = PageImage(recorder, 1, 0.1);
    EXPECT_GT(CountNear(page, page.rect(), ToQColor(0x978662), 8), 500);

    EXPECT_TRUE(TChartPrinter::BitmapAllowed(16384, 6000));
    EXPECT_FALSE(TChartPrinter::BitmapAllowed(16385, 10));
    EXPECT_FALSE(TChartPrinter::BitmapAllowed(12000, 12000));
    // 500 days at 40 pixels are 20,000 pixels wide: drawn directly.
    job.days = 500;
    ASSERT_EQ(Printer().Record(recorder, job), 1);
    recorder.DonePrinting();
    texts = PageTexts(recorder, 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("Anna")));
}

// Many rows: the height decides the step and the chart is drawn directly onto the page; the
// header and footer are still written over every page.
TEST_F(ChartPrintTest, ManyRowsAreDrawnDirectly)
{
    QStringList names;
    for (int r = 0; r < 120; ++r)
        names.append(QStringLiteral("R%1").arg(r, 3, 10, QLatin1Char('0')));
    SetPositions(names);
    Show(Monday, 8);
    const QSize body(recorder.PrintableSize(true, true).x(), recorder.PrintableSize(true, true).y());
    EXPECT_EQ(Printer().Layout(body, 60, 100).scale, 1.0);
    ASSERT_EQ(Printer().Record(recorder, Job(60, 2)), 2);
    recorder.DonePrinting();
    for (int page = 1; page <= 2; ++page) {
        const QStringList texts = PageTexts(recorder, page);
        EXPECT_TRUE(texts.contains(QStringLiteral("Werk Nord"))) << page;
        EXPECT_TRUE(texts.contains(QStringLiteral("Page %1/2").arg(page))) << page;
        EXPECT_TRUE(texts.contains(QStringLiteral("R119"))) << page;
    }
    // The footer lines below the chart show on the replayed page.
    const QImage page = PageImage(recorder, 2, 0.1);
    const int footer = int((recorder.PrintableOffset().y() + recorder.PrintableSize(true, true).y()) * 0.1);
    EXPECT_GT(CountNear(page, QRect(0, footer, page.width(), page.height() - footer), Qt::black, 60), 50);
}
