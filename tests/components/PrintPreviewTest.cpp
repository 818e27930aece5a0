#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "Canvas.h"
#include "DialogPrintPreview.h"
#include "DialogPrintPreviewFullScreen.h"
#include "PreviewPaintBox.h"
#include "PrintMetafile.h"

namespace {

int PdfPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString data = QString::fromLatin1(file.readAll());
    return int(data.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}

struct RecorderFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath(QStringLiteral("out.pdf"));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        recorder.SetPrinter(&printer);
        QObject::connect(&recorder, &TPrintPreviewDialog::OnChange, [this](const QString &m) { messages << m; });
    }
    void RecordPages(int count)
    {
        recorder.NewJob();
        for (int i = 1; i <= count; ++i) {
            ASSERT_EQ(recorder.NewPage(), i);
            recorder.TextOut(0, 0, QStringLiteral("Body %1").arg(i));
        }
    }
    // The texts of a page (after DonePrinting).
    QList<TRecordedText> Texts(int page) const { return recorder.GetMetafile(page)->Texts(); }
    static const TRecordedText *Find(const QList<TRecordedText> &texts, const QString &prefix)
    {
        for (const TRecordedText &t : texts)
            if (t.Text.startsWith(prefix))
                return &t;
        return nullptr;
    }
    static int Top(const TRecordedText &t) { return qRound(t.Position.y()) - QFontMetrics(t.Font).ascent(); }
    // From within the open preview: a click on its page opens the full-screen view, where look
    // runs before a click there goes back; then the preview is cancelled.
    void LookInFullScreen(const std::function<void(TPrintPreviewFullScreenDialog &)> &look)
    {
        QTimer::singleShot(0, &recorder, [this, look] {
            TPrintPreviewFullScreenDialog *full = recorder.FullScreen();
            look(*full);
            QTest::mouseClick(full->PaintBox(), Qt::LeftButton, {}, QPoint(5, 5));
        });
        QTest::mouseClick(recorder.Form()->findChild<TPreviewPaintBox *>(QStringLiteral("PaintBox1")), Qt::LeftButton,
                          {}, QPoint(5, 5));
        QTimer::singleShot(0, &recorder, [this] {
            recorder.Form()->findChild<QPushButton *>(QStringLiteral("Button3"))->click();
        });
    }

    QTemporaryDir dir;
    QString pdf;
    QPrinter printer{QPrinter::HighResolution};
    TPrintPreviewDialog recorder;
    QStringList messages;
};

} // namespace

TEST_F(RecorderFixture, PageGeometryAndPunchMargin)
{
    recorder.NewJob();
    const QPoint full = recorder.PrintableSize(false, false);
    EXPECT_EQ(full, QPoint(printer.width(), printer.height()));
    EXPECT_EQ(recorder.PixelsPerInch(), QPoint(1200, 1200));
    EXPECT_EQ(recorder.PrintableOffset(), QPoint(0, 0));
    recorder.SetLochrand(true);
    // 12 mm at 1200 dpi.
    EXPECT_NEAR(recorder.PunchMargin(), 567, 2);
    EXPECT_EQ(recorder.PrintableSize(false, true).x(), full.x() - recorder.PunchMargin());
    EXPECT_EQ(recorder.PrintableSize(false, false).x(), full.x());
    EXPECT_EQ(recorder.PrintableOffset().x(), recorder.PunchMargin());

    // Body coordinates start behind the punch margin.
    ASSERT_EQ(recorder.NewPage(), 1);
    recorder.TextOut(0, 0, QStringLiteral("Start"));
    recorder.DonePrinting();
    const QList<TRecordedText> texts = Texts(1);
    const TRecordedText *start = Find(texts, QStringLiteral("Start"));
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(qRound(start->Position.x()), recorder.PunchMargin());
    // The page's default font is 10 pt at the printer's resolution.
    EXPECT_EQ(start->Font.pixelSize(), (10 * 1200 + 36) / 72);
}

TEST_F(RecorderFixture, HeadersAndFootersWithPageNumbers)
{
    // Headers come first, so that the body below them is known while drawing.
    recorder.NewJob();
    recorder.NewPage();
    recorder.GetFont()->SetSize(20);
    recorder.AddHeader(QStringLiteral("Kopf zwei"), 2, paCenter);
    recorder.GetFont()->SetSize(10);
    recorder.AddHeader(QStringLiteral("Kopf eins"), 1, paLeft);
    recorder.AddHeader(QStringLiteral("Seite $PAGE_NO$ von $PAGE_COUNT$ $PAGE_NO$"), -1, paCenter);
    recorder.AddHeader(QStringLiteral("Fuss zwei"), -2, paRight);
    try {
        recorder.AddHeader(QStringLiteral("nie"), 0, paLeft);
        FAIL() << "line 0 accepted";
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "line muss grösser oder kleiner 0 sein");
    }
    EXPECT_EQ(recorder.Headers().size(), 4u);
    recorder.GetFont()->SetSize(10);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            recorder.NewPage();
        recorder.TextOut(0, 0, QStringLiteral("Body %1").arg(page));
    }
    const int line1 = recorder.HeaderLineSize(1);
    const int line2 = recorder.HeaderLineSize(2);
    EXPECT_GT(line2, line1); // the bigger font makes line 2 taller
    EXPECT_EQ(recorder.HeaderSize(), line1 + line2);
    EXPECT_EQ(recorder.FooterSize(), recorder.HeaderLineSize(-1) + recorder.HeaderLineSize(-2));
    EXPECT_EQ(recorder.PrintableOffset().y(), line1 + line2);

    recorder.PrintHeaderAndFooter();
    recorder.DonePrinting();
    const QPoint body = recorder.PrintableSize(true, true);
    for (int page = 1; page <= 3; ++page) {
        const QList<TRecordedText> texts = Texts(page);
        const TRecordedText *footer = Find(texts, QStringLiteral("Seite"));
        ASSERT_NE(footer, nullptr);
        EXPECT_EQ(footer->Text, QStringLiteral("Seite %1 von 3 $PAGE_NO$").arg(page));
        const TRecordedText *h1 = Find(texts, QStringLiteral("Kopf eins"));
        const TRecordedText *h2 = Find(texts, QStringLiteral("Kopf zwei"));
        const TRecordedText *f2 = Find(texts, QStringLiteral("Fuss zwei"));
        const TRecordedText *bodyText = Find(texts, QStringLiteral("Body"));
        ASSERT_TRUE(h1 && h2 && f2 && bodyText);
        // Line 2 at the top, line 1 right above the body, the body below them.
        EXPECT_EQ(Top(*h2), 0);
        EXPECT_EQ(Top(*h1), line2);
        EXPECT_EQ(Top(*bodyText), line1 + line2);
        EXPECT_EQ(Top(*footer), line1 + line2 + body.y());
        EXPECT_EQ(Top(*f2), line1 + line2 + body.y() + recorder.HeaderLineSize(-1));
        EXPECT_EQ(h2->Font.pixelSize(), (20 * 1200 + 36) / 72);
        // Right and centred alignment against the body width.
        EXPECT_NEAR(f2->Position.x() + QFontMetrics(f2->Font).horizontalAdvance(f2->Text), body.x(), 2);
        EXPECT_NEAR(footer->Position.x() + QFontMetrics(footer->Font).horizontalAdvance(footer->Text) / 2.0,
                    body.x() / 2.0, 2);
    }
    EXPECT_EQ(TPrintPreviewDialog::ReplacePageMarkers(QStringLiteral("$PAGE_COUNT$/$PAGE_COUNT$"), 1, 9),
              QStringLiteral("9/$PAGE_COUNT$"));
}

TEST_F(RecorderFixture, HeaderBeforeAnyPageAndDrawingAfterDone)
{
    recorder.NewJob();
    recorder.AddHeader(QStringLiteral("früh"), 1, paLeft);
    EXPECT_GT(recorder.HeaderLineSize(1), 0);
    EXPECT_EQ(recorder.TextHeight(), -1);
    recorder.NewPage();
    EXPECT_EQ(recorder.HeaderLineSize(1), recorder.TextHeight());
    recorder.DonePrinting();
    EXPECT_EQ(recorder.NewPage(), -1);
    EXPECT_EQ(recorder.TextWidth(QStringLiteral("x")), -1);
    EXPECT_EQ(recorder.GetCanvas(1), nullptr);
    recorder.TextOut(0, 0, QStringLiteral("ignored"));
    EXPECT_EQ(recorder.GetPageCount(), 1);
    EXPECT_NE(recorder.GetMetafile(1), nullptr);
    EXPECT_EQ(recorder.GetMetafile(2), nullptr);
}

TEST_F(RecorderFixture, PrintAllAndOnePageIntoPdf)
{
    RecordPages(3);
    recorder.GetCurrentCanvas()->Brush().SetStyle(bsSolid);
    recorder.GetCurrentCanvas()->Brush().SetColor(clRed);
    recorder.Rectangle(QRect(100, 100, 1000, 1000));
    recorder.SetTitle(QStringLiteral("Plan"));
    ASSERT_TRUE(recorder.PrintAll());
    EXPECT_EQ(PdfPageCount(pdf), 3);
    EXPECT_EQ(printer.docName(), QStringLiteral("Plan"));
    EXPECT_EQ(messages, (QStringList{"Drucke Seite 1 von 3", "Drucke Seite 2 von 3", "Drucke Seite 3 von 3"}));

    // The page replays the recording: the red square sits where it was drawn, scaled.
    QImage image(recorder.PrintableSize(false, false).x() / 10, recorder.PrintableSize(false, false).y() / 10,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        recorder.GetMetafile(3)->Play(painter, QRectF(image.rect()));
    }
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::red));
    // Far from the body text, whose size depends on the installed fonts.
    EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5), QColor(Qt::white));

    QFile::remove(pdf);
    messages.clear();
    ASSERT_TRUE(recorder.PrintPage(2));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_EQ(messages, (QStringList{"Drucke Seite 2 von 3", "Seite 2 von 3 gedruckt"}));
    EXPECT_FALSE(recorder.PrintPage(4));

    // A job without pages prints nothing at all.
    QFile::remove(pdf);
    recorder.NewJob();
    EXPECT_FALSE(recorder.PrintAll());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(RecorderFixture, PreviewCancelProducesNothing)
{
    RecordPages(2);
    QString caption;
    QTimer::singleShot(0, &recorder, [&] {
        caption = recorder.Form()->windowTitle();
        recorder.Form()->findChild<QPushButton *>(QStringLiteral("Button3"))->click();
    });
    EXPECT_EQ(recorder.Preview(), 2);
    EXPECT_EQ(caption, QStringLiteral("Druckvorschau - Seite 1 von 2"));
    EXPECT_EQ(messages, (QStringList{"Druckauftrag wird abgebrochen", "Druckauftrag ist abgebrochen"}));
    EXPECT_FALSE(QFile::exists(pdf));

    // A new job afterwards prints normally through "alles drucken".
    RecordPages(2);
    messages.clear();
    QTimer::singleShot(0, &recorder, [&] {
        recorder.Form()->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    EXPECT_EQ(recorder.Preview(), 1);
    EXPECT_EQ(PdfPageCount(pdf), 2);
    EXPECT_FALSE(messages.contains(QStringLiteral("Druckauftrag ist abgebrochen")));
}

// What the preview window looked like while it was open.
struct TShownPreview {
    QSize size;
    QRect screen;
    QRect panel;
    QRect box;
    QRect button1;
    QRect button2;
    QRect button3;
    QRect resizedPanel; // after the user made it 600 x 450
};

TShownPreview ShowPreview(TPrintPreviewDialog &recorder)
{
    TShownPreview shown;
    QTimer::singleShot(0, &recorder, [&] {
        QDialog *form = recorder.Form();
        shown.size = form->size();
        shown.screen = form->screen()->availableGeometry();
        shown.panel = form->findChild<QFrame *>(QStringLiteral("Panel1"))->geometry();
        shown.box = form->findChild<TPreviewPaintBox *>(QStringLiteral("PaintBox1"))->geometry();
        shown.button1 = form->findChild<QPushButton *>(QStringLiteral("Button1"))->geometry();
        shown.button2 = form->findChild<QPushButton *>(QStringLiteral("Button2"))->geometry();
        shown.button3 = form->findChild<QPushButton *>(QStringLiteral("Button3"))->geometry();
        form->resize(600, 450);
        shown.resizedPanel = form->findChild<QFrame *>(QStringLiteral("Panel1"))->geometry();
        form->findChild<QPushButton *>(QStringLiteral("Button3"))->click();
    });
    recorder.Preview();
    return shown;
}

TEST_F(RecorderFixture, PreviewComesUpAtTheSizeItWasGiven)
{
    // Untouched it comes up at its classic size and layout.
    RecordPages(1);
    TShownPreview shown = ShowPreview(recorder);
    EXPECT_EQ(shown.size, QSize(385, 401));
    EXPECT_EQ(shown.panel, QRect(8, 8, 369, 353));
    EXPECT_EQ(shown.button1.topLeft(), QPoint(8, 368));
    EXPECT_EQ(shown.button3.topLeft(), QPoint(304, 368));
    // Made larger while open, the page panel grows with it.
    EXPECT_EQ(shown.resizedPanel, QRect(8, 8, 584, 402));

    // Sized before it is shown: that size, with the buttons along the bottom and the page
    // filling the panel with the paper's proportions.
    RecordPages(1);
    recorder.Form()->resize(700, 520);
    shown = ShowPreview(recorder);
    EXPECT_EQ(shown.size, QSize(700, 520));
    EXPECT_EQ(shown.panel, QRect(8, 8, 684, 472));
    EXPECT_EQ(shown.button1.topLeft(), QPoint(8, 487));
    EXPECT_EQ(shown.button3.topLeft(), QPoint(619, 487));
    EXPECT_EQ(shown.box.height(), shown.panel.height());
    const QSizeF paper = recorder.PhysicalSize();
    EXPECT_NEAR(double(shown.box.width()) / shown.box.height(), paper.width() / paper.height(), 0.02);

    // Larger than its screen: as large as the screen allows.
    RecordPages(1);
    recorder.Form()->resize(5000, 4000);
    shown = ShowPreview(recorder);
    EXPECT_EQ(shown.size, shown.screen.size());
    EXPECT_EQ(shown.panel.bottom() + 1, shown.button3.top() - 7);
}

TEST_F(RecorderFixture, PreviewPagesWheelAndFullScreen)
{
    RecordPages(3);
    int afterWheel = 0;
    int fullScreenPage = 0;
    QString fullScreenCaption;
    QTimer::singleShot(0, &recorder, [&] {
        QDialog *form = recorder.Form();
        auto *box = form->findChild<TPreviewPaintBox *>(QStringLiteral("PaintBox1"));
        // The box keeps the paper's proportions inside the panel.
        const QSizeF paper = recorder.PhysicalSize();
        EXPECT_NEAR(double(box->width()) / box->height(), paper.width() / paper.height(), 0.02);
        QWheelEvent down(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(box, &down);
        afterWheel = recorder.GetScrollBarPosition();
        LookInFullScreen([&](TPrintPreviewFullScreenDialog &full) {
            fullScreenPage = full.Page();
            full.ScrollBar()->setValue(3);
            fullScreenCaption = full.windowTitle();
        });
    });
    recorder.Preview();
    EXPECT_EQ(afterWheel, 2);
    EXPECT_EQ(fullScreenPage, 2);
    EXPECT_EQ(fullScreenCaption, QStringLiteral("Druckvorschau - Seite 3 von 3"));
    EXPECT_EQ(recorder.GetScrollBarPosition(), 3);
    EXPECT_EQ(recorder.Form()->windowTitle(), QStringLiteral("Druckvorschau - Seite 3 von 3"));
}

// The three buttons along the bottom each show their whole text, side by side, also in a
// larger font than the classic widths were made for.
TEST_F(RecorderFixture, PreviewButtonsAreWideEnoughForTheirTexts)
{
    const QFont before = QApplication::font();
    QFont larger = before;
    larger.setPointSize(12);
    QApplication::setFont(larger);
    RecordPages(1);
    const TShownPreview shown = ShowPreview(recorder);
    for (const char *name : {"Button1", "Button2", "Button3"}) {
        // The room for the text inside the frame and margins.
        const auto *button = recorder.Form()->findChild<QPushButton *>(QLatin1String(name));
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.features |= QStyleOptionButton::AutoDefaultButton;
        EXPECT_GE(button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width(),
                  button->fontMetrics().horizontalAdvance(button->text()))
            << name;
    }
    QApplication::setFont(before);
    EXPECT_GE(shown.button2.width(), 137);
    EXPECT_LT(shown.button1.right(), shown.button2.left());
    EXPECT_LT(shown.button2.right(), shown.button3.left());
    EXPECT_LE(shown.button3.right(), shown.size.width() - 6);
}

// A text drawn with the page's default pen (the chart's title) shows black in the preview and
// in the full-screen view, as it prints, not in the light grey of the preview's grid.
TEST_F(RecorderFixture, TextsDrawnWithTheDefaultPenShowBlackInThePreviews)
{
    recorder.NewJob();
    recorder.NewPage();
    recorder.GetFont()->SetSize(48);
    const QString title = QStringLiteral("ZOP (01.03.2026 bis 31.03.2026)");
    recorder.TextOut(recorder.PrintableSize(true, true).x() / 2, 0, title, paCenter);
    const int width = recorder.TextWidth(title);
    const int height = recorder.TextHeight();
    const auto darkest = [](const QImage &image) {
        int gray = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                gray = std::min(gray, qGray(image.pixel(x, y)));
        return gray;
    };
    int inPreview = -1;
    int inFullScreen = -1;
    QTimer::singleShot(0, &recorder, [&] {
        QDialog *form = recorder.Form();
        auto *box = form->findChild<TPreviewPaintBox *>(QStringLiteral("PaintBox1"));
        inPreview = darkest(box->grab().toImage());
        LookInFullScreen([&](TPrintPreviewFullScreenDialog &full) {
            QWidget *page = full.PaintBox();
            // The title's band of the page, as the full-screen view shows it.
            const double scale = double(page->width()) / recorder.PhysicalSize().width();
            const QPoint offset = recorder.PhysicalOffset() + recorder.PrintableOffset();
            const QRect band(int((offset.x() + recorder.PrintableSize(true, true).x() / 2 - width / 2) * scale),
                             int(offset.y() * scale), std::max(1, int(width * scale)),
                             std::max(1, int(height * scale)));
            inFullScreen = darkest(page->grab(band).toImage());
        });
    });
    recorder.Preview();
    EXPECT_LT(inPreview, 100);
    EXPECT_LT(inFullScreen, 60);
}

namespace {

int CountTexts(const TPrintPreviewDialog &recorder, const QString &text)
{
    int count = 0;
    for (int page = 1; page <= recorder.GetPageCount(); ++page)
        for (const TRecordedText &t : recorder.GetMetafile(page)->Texts())
            count += t.Text == text;
    return count;
}

} // namespace

TEST_F(RecorderFixture, TableOverSeveralPagesCutsBeforeShrinking)
{
    recorder.NewJob();
    recorder.NewPage();
    TPrintStringGrid grid(3, 0);
    grid.AddRow({QStringLiteral("Nr"), QStringLiteral("Text"), QStringLiteral("Wert")});
    grid.SetColAlignment(2, paRight);
    const QString longText = QString(QStringLiteral("sehr lang ")).repeated(60);
    for (int i = 1; i <= 150; ++i)
        grid.AddRow({QStringLiteral("R%1").arg(i), i == 7 ? longText : QStringLiteral("kurz"), QString::number(i * 10)});
    const int startPixels = recorder.GetFont()->ToQFont().pixelSize();

    const QRect rect = recorder.PrintStringGrid(grid, QStringLiteral("Liste"), true, true, 0, grid.RowCount() - 1, 0);
    const int pages = recorder.GetPageCount();
    EXPECT_GE(pages, 3);
    EXPECT_LE(rect.width(), recorder.PrintableSize(true, true).x());
    EXPECT_GT(rect.bottom(), rect.top());
    EXPECT_EQ(recorder.GetFont()->ToQFont().pixelSize(), startPixels); // restored
    recorder.DonePrinting();

    // The caption and the header row repeat on every page; row 0 is not printed twice.
    EXPECT_EQ(CountTexts(recorder, QStringLiteral("Liste")), pages);
    EXPECT_EQ(CountTexts(recorder, QStringLiteral("Nr")), pages);
    EXPECT_EQ(CountTexts(recorder, QStringLiteral("R150")), 1);
    // No row runs into the space below the body.
    const int bodyBottom = recorder.PrintableOffset().y() + recorder.PrintableSize(true, true).y();
    for (int page = 1; page <= pages; ++page)
        for (const TRecordedText &t : recorder.GetMetafile(page)->Texts())
            EXPECT_LE(Top(t) + QFontMetrics(t.Font).height(), bodyBottom + 1) << page << " " << t.Text.toStdString();
    // The long column was cut, not the font: every cell keeps the starting size.
    bool cut = false;
    for (const TRecordedText &t : recorder.GetMetafile(1)->Texts()) {
        EXPECT_EQ(t.Font.pixelSize(), startPixels) << t.Text.toStdString();
        cut = cut || (t.Text.startsWith(QStringLiteral("s")) && t.Text.endsWith(QStringLiteral("...")));
    }
    EXPECT_TRUE(cut);
}

TEST_F(RecorderFixture, WideTableShrinksThenNarrows)
{
    recorder.NewJob();
    recorder.NewPage();
    // Twelve columns whose texts are all equally long: cutting does not help.
    TPrintStringGrid grid(12, 0);
    QStringList row;
    for (int c = 0; c < 12; ++c)
        row << QString(QStringLiteral("Spalte%1 ")).arg(c).repeated(3);
    grid.AddRow(row);
    grid.AddRow(row);
    grid.SetColWidth(5, 0); // not printed
    const QRect rect = recorder.PrintStringGrid(grid, QString(), false, false, 0, 1, 100);
    EXPECT_LE(rect.width(), recorder.PrintableSize(true, true).x());
    EXPECT_GE(rect.left(), 0);
    recorder.DonePrinting();
    const QList<TRecordedText> texts = recorder.GetMetafile(1)->Texts();
    ASSERT_FALSE(texts.isEmpty());
    const int pixels10 = (10 * 1200 + 36) / 72;
    const int pixels7 = (7 * 1200 + 36) / 72;
    for (const TRecordedText &t : texts) {
        EXPECT_EQ(t.Font.pixelSize(), pixels7); // shrunk to 0.7 of 10 pt, no further
        EXPECT_FALSE(t.Text.startsWith(QStringLiteral("Spalte5")));
    }
    EXPECT_LT(pixels7, pixels10);

    // A grid without rows prints only its frame.
    recorder.NewJob();
    recorder.NewPage();
    TPrintStringGrid empty(2, 0);
    const QRect none = recorder.PrintStringGrid(empty, QStringLiteral("Leer"), true, true, 0, -1, 0);
    EXPECT_GE(none.width(), 0);
    EXPECT_EQ(recorder.GetPageCount(), 1);
}

namespace {

QStringList gWarnings;

void KeepWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        gWarnings << message;
}

} // namespace

// A PDF output without a file (what a machine without any printer starts with) cannot begin
// and would leave the printer's engine active: the printer then takes a new file and colour
// mode without a complaint, keeps its page settings, and the next job prints.
TEST_F(RecorderFixture, AFailedStartLeavesThePrinterUsable)
{
    recorder.SetPrinter(nullptr);
    recorder.Printer()->setOutputFileName(QString());
    recorder.Printer()->setOutputFormat(QPrinter::PdfFormat);
    recorder.Printer()->setColorMode(QPrinter::GrayScale);
    recorder.SetOrientation(QPageLayout::Landscape);
    QPushButton *printAll = nullptr;
    for (int job = 0; job < 2; ++job) {
        RecordPages(job + 2);
        QTimer::singleShot(0, &recorder, [&] {
            printAll = recorder.Form()->findChild<QPushButton *>(QStringLiteral("Button1"));
            QTest::mouseClick(printAll, Qt::LeftButton, {}, printAll->rect().center());
        });
        recorder.Preview();
        if (job == 0) {
            EXPECT_EQ(messages.last(), QStringLiteral("Druckauftrag konnte nicht gestartet werden"));
            gWarnings.clear();
            const QtMessageHandler previous = qInstallMessageHandler(KeepWarning);
            recorder.Printer()->setOutputFileName(pdf);
            recorder.Printer()->setColorMode(QPrinter::Color);
            qInstallMessageHandler(previous);
            EXPECT_TRUE(gWarnings.isEmpty()) << gWarnings.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(recorder.Printer()->pageLayout().orientation(), QPageLayout::Landscape);
            EXPECT_EQ(recorder.Printer()->resolution(), printer.resolution());
        }
    }
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), QByteArray("%PDF-"));
    EXPECT_EQ(PdfPageCount(pdf), 3);
}
