// The chart as a picture: the logo beside the captions, the range window and "Save Graphics..."
// writing a JPEG file that reads back.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

#include "Canvas.h"
#include "Jpeg.h"
#include "chart/ChartPicture.h"
#include "chart/SaveGraphics.h"
#include "common/RepaintCheck.h"
#include "dialogs/Form1.h"
#include "planner/UserInput.h"

namespace {

class ChartPictureTest : public ChartMouseTest
{
protected:
    // Draws a picture of 40 days at (10, 5) and returns the picture painter.
    std::unique_ptr<TChartPicture> Draw(QImage &image)
    {
        image = QImage(900, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        TCanvas canvas(&image);
        auto picture = std::make_unique<TChartPicture>(view->Model(), view->Geometry(), view->Options());
        TChartPictureParams p;
        p.canvas = &canvas;
        p.rangeStart = Base();
        p.rangeEnd = Base() + 40;
        p.width = 880;
        p.height = 290;
        p.left = 10;
        p.top = 5;
        picture->DrawBitmap(p);
        return picture;
    }
    // The program's own config folder is looked in first, and each test process has its own:
    // tests running beside this one never see its logo.
    static QString LogoPath()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(folder);
        return QDir(folder).filePath(QString::fromLatin1(TChartPicture::LogoFileName));
    }
    // Works the range dialog from inside its own loop as "Save Graphics..." shows it; a
    // message box meanwhile is noted in `questions` and answered.
    void WorkSaveGraphics(const QString &file, const std::function<void(TForm1 &)> &act)
    {
        QTimer boxes;
        QObject::connect(&boxes, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<TMessageForm *>(QApplication::activeModalWidget())) {
                questions.append(box->Message()->text());
                box->Button(mbOK)->click();
            }
        });
        boxes.start(20);
        TSaveGraphics *save = form->SaveGraphics;
        save->OnChooseFile = [file](const QString &) { return file; };
        QTimer::singleShot(0, form.get(), [save, act] {
            act(save->Form1());
            if (save->Form1().isVisible())
                save->Form1().reject();
        });
        save->Grafikspeichern1->trigger();
    }
    // Types a day count over the box's content and waits until the preview is made anew.
    static bool TypeDays(TForm1 &form1, int days)
    {
        const qint64 before = form1.PreviewImage().cacheKey();
        form1.EditTage->selectAll();
        QTest::keyClick(form1.EditTage, Qt::Key_Delete);
        QTest::keyClicks(form1.EditTage, QString::number(days));
        return userinput::WaitUntil([&] { return form1.PreviewImage().cacheKey() != before; });
    }
    static void Click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }
};

TEST_F(ChartPictureTest, LogoFitsItsBoxAndMovesTheChartPart)
{
    // Both proportions of the box.
    EXPECT_EQ(TChartPicture::FitLogo(QSize(400, 100), QRect(10, 20, 100, 50)), QRect(10, 32, 100, 25));
    EXPECT_EQ(TChartPicture::FitLogo(QSize(100, 400), QRect(10, 20, 100, 40)), QRect(55, 20, 10, 40));
    EXPECT_TRUE(TChartPicture::FitLogo(QSize(0, 10), QRect(0, 0, 10, 10)).isEmpty());

    OpenPlan(3, {{0, 2, 3}, {1, 5, 4}});
    const QString logo = LogoPath();
    QFile::remove(logo);
    QImage image;
    auto picture = Draw(image);
    EXPECT_TRUE(picture->LastLogoRect().isEmpty());
    EXPECT_EQ(picture->LastChartRect(), QRect(10, 5, 880, 290));
    // Outside the picture nothing is painted.
    EXPECT_EQ(image.pixel(5, 100) & 0xFFFFFF, 0xFFFFFFu);

    // A wide logo: full box width, centred vertically; the chart starts 1.1 caption widths on.
    QImage wide(300, 30, QImage::Format_RGB32);
    wide.fill(QColor(0, 0, 255));
    ASSERT_TRUE(platform::writeJpeg(logo, wide, 90));
    picture = Draw(image);
    const QRect drawn = picture->LastLogoRect();
    ASSERT_FALSE(drawn.isEmpty());
    const int box = view->Geometry().TimeChartFullRowHeight(0);
    EXPECT_EQ(drawn.left(), 10);
    EXPECT_LT(drawn.height(), box);
    EXPECT_NEAR(drawn.top() - 5, (box - drawn.height()) / 2, 1);
    EXPECT_EQ(picture->LastChartRect().left(), 10 + int(drawn.width() * 1.1));
    const QRgb middle = image.pixel(drawn.center());
    EXPECT_GT(qBlue(middle), 200);
    EXPECT_LT(qRed(middle), 60);

    // A damaged logo is left out.
    QFile file(logo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\xFF\xD8\xFF\xE0 not a picture");
    file.close();
    picture = Draw(image);
    EXPECT_TRUE(picture->LastLogoRect().isEmpty());
    EXPECT_EQ(picture->LastChartRect().left(), 10);
    QFile::remove(logo);
}

TEST_F(ChartPictureTest, SaveGraphicsWritesAJpegUnderTheJpgName)
{
    EXPECT_EQ(TSaveGraphics::JpegName(QStringLiteral("/a/plan.jpeg")), QStringLiteral("/a/plan.jpg"));
    EXPECT_EQ(TSaveGraphics::JpegName(QStringLiteral("/a/plan")), QStringLiteral("/a/plan.jpg"));
    EXPECT_EQ(TSaveGraphics::JpegName(QStringLiteral("/a.b/plan.zop")), QStringLiteral("/a.b/plan.jpg"));

    OpenPlan(3, {{0, 2, 3}, {1, 5, 4}});
    TSaveGraphics *save = form->SaveGraphics;
    EXPECT_EQ(QFileInfo(save->ProposedName()).fileName(), QStringLiteral("plan.jpg"));
    const QString target = dir.filePath(QStringLiteral("picture.jpg"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    save->OnChooseFile = [&](const QString &) { return dir.filePath(QStringLiteral("picture.jpeg")); };
    int shown = 0;
    save->OnShowForm = [&](TForm1 &form1) {
        ++shown;
        form1.RadioButton3->setChecked(true);
        form1.EditTage->setValue(30);
        return form1.redrawGraphics() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };

    // The question names the file that would be written; Cancel keeps it.
    AnswerNext(mbCancel);
    save->Grafikspeichern1->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("picture.jpg")));
    EXPECT_EQ(shown, 0);
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    kept.close();

    AnswerNext(mbOK);
    save->Grafikspeichern1->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("picture.jpeg"))));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    platform::TJpegInfo info;
    ASSERT_TRUE(platform::readJpegInfo(bytes, info));
    EXPECT_TRUE(info.baseline);
    EXPECT_FALSE(info.progressive);
    EXPECT_EQ(info.components, 3);
    // 30 days of the chart's day width, the rows under the caption bands.
    const TTimeChartGeometry &g = view->Geometry();
    EXPECT_EQ(info.width, 30 * g.GetTimeChartColWidth());
    EXPECT_EQ(info.height, int(g.RowsHeight(0)) + g.TimeChartFullRowHeight(0));
    // Quality 90: the same tables as a picture encoded at 90.
    platform::TJpegInfo reference;
    ASSERT_TRUE(platform::readJpegInfo(platform::encodeJpeg(save->Form1().Bitmap(), 90), reference));
    EXPECT_TRUE(std::equal(std::begin(info.quantTable0), std::end(info.quantTable0), std::begin(reference.quantTable0)));
    const QImage back = platform::readJpeg(target);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), save->Form1().Bitmap().size());
}

TEST_F(ChartPictureTest, APictureTooLargeIsRefusedWithAMessage)
{
    OpenPlan(2, {{0, 2, 3}});
    view->SetTimeChartColWidth(200);
    TForm1 &form1 = form->SaveGraphics->Form1();
    form1.RadioButton3->setChecked(true);
    form1.EditTage->setValue(10000);
    AnswerNext(mbOK);
    EXPECT_FALSE(form1.redrawGraphics());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("2000000")));

    // A picture within the caps: the signature sits in its lower right corner.
    form1.EditTage->setValue(3);
    ASSERT_TRUE(form1.redrawGraphics());
    const QImage &bitmap = form1.Bitmap();
    EXPECT_EQ(bitmap.width(), 600);
    EXPECT_TRUE(form1.Signature().startsWith(QStringLiteral("Created with ")));
    EXPECT_TRUE(form1.Signature().contains(QStringLiteral("plan.zop")));
    int dark = 0;
    for (int y = bitmap.height() - 12; y < bitmap.height(); ++y)
        for (int x = bitmap.width() - 60; x < bitmap.width(); ++x)
            dark += qGray(bitmap.pixel(x, y)) < 100;
    EXPECT_GT(dark, 5);
}

// The range dialog shows the picture it will write, made anew for typed days; OK writes it.
TEST_F(ChartPictureTest, SaveGraphicsShowsThePictureItWillWrite)
{
    OpenPlan(3, {{0, 2, 3}, {1, 5, 4}, {2, 9, 2}});
    const TTimeChartGeometry &g = view->Geometry();
    const QSize picture(30 * g.GetTimeChartColWidth(), int(g.RowsHeight(0)) + g.TimeChartFullRowHeight(0));
    QImage preview;
    QString size;
    WorkSaveGraphics(dir.filePath(QStringLiteral("picture.jpg")), [&](TForm1 &form1) {
        ASSERT_TRUE(userinput::WaitUntil([&] { return !form1.PreviewImage().isNull(); }));
        Click(form1.RadioButton3);
        ASSERT_TRUE(TypeDays(form1, 30));
        preview = form1.PreviewImage();
        size = form1.PictureSizeLabel->text();
        Click(form1.OKButton);
    });
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(preview.size(), picture);
    EXPECT_EQ(size, QStringLiteral("%1 x %2 pixels").arg(picture.width()).arg(picture.height()));
    // The last rows hold the signature's time.
    EXPECT_EQ(testsupport::DifferingPixels(preview, form->SaveGraphics->Form1().Bitmap(), 20), 0);
    EXPECT_EQ(platform::readJpeg(dir.filePath(QStringLiteral("picture.jpg"))).size(), picture);

}

// A range too large for a picture shows none and asks nothing until OK; a small one has its
// preview again; Cancel writes nothing.
TEST_F(ChartPictureTest, SaveGraphicsPreviewsNothingTooLarge)
{
    OpenPlan(2, {{0, 2, 3}});
    view->SetTimeChartColWidth(200);
    const QString file = dir.filePath(QStringLiteral("large.jpg"));
    bool largePreview = true;
    QString largeSize;
    int smallWidth = 0;
    WorkSaveGraphics(file, [&](TForm1 &form1) {
        ASSERT_TRUE(userinput::WaitUntil([&] { return !form1.PreviewImage().isNull(); }));
        Click(form1.RadioButton3);
        ASSERT_TRUE(TypeDays(form1, 10000));
        largePreview = !form1.PreviewImage().isNull();
        largeSize = form1.PictureSizeLabel->text();
        ASSERT_TRUE(TypeDays(form1, 3));
        smallWidth = form1.PreviewImage().width();
        Click(form1.CancelButton);
    });
    EXPECT_FALSE(largePreview);
    EXPECT_TRUE(largeSize.startsWith(QStringLiteral("2000000 x ")));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(smallWidth, 600);
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace

// The file dialog of "Save Graphics..." proposes the document's ".jpg" name under the filter of
// ".jpg" files, so that the name and the files listed agree; the name typed is the one written.
TEST_F(ChartPictureTest, TheSaveDialogsNameAndFilterAgree)
{
    OpenPlan(3, {{0, 2, 3}});
    TSaveGraphics *save = form->SaveGraphics;
    save->OnChooseFile = nullptr;
    int shown = 0;
    save->OnShowForm = [&](TForm1 &form1) {
        ++shown;
        return form1.redrawGraphics() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    QString filter;
    QString name;
    userinput::WhenShown(form.get(), [] { return qobject_cast<QFileDialog *>(QApplication::activeModalWidget()); },
                         [&](QWidget *window) {
                             auto *dialog = static_cast<QFileDialog *>(window);
                             filter = dialog->selectedNameFilter();
                             auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                             ASSERT_TRUE(edit);
                             name = edit->text();
                             edit->setFocus();
                             edit->selectAll();
                             QTest::keyClicks(edit, QStringLiteral("chosen"));
                             QTest::keyClick(edit, Qt::Key_Return);
                         });
    save->Grafikspeichern1->trigger();
    EXPECT_EQ(filter, QStringLiteral("JPEG-Grafikdatei (*.jpg)"));
    EXPECT_EQ(name, QStringLiteral("plan.jpg"));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("chosen.jpg"))));
}
