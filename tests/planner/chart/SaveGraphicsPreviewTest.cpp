// "Save Graphics..." through the window: the range dialog shows the picture it will write and
// follows the range the user types; a picture too large for a file shows none.

#include "planner/chart/ChartMouseTestSupport.h"
#include "planner/UserInput.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "Jpeg.h"
#include "MessageDialog.h"
#include "PreviewPaintBox.h"
#include "chart/SaveGraphics.h"
#include "dialogs/Form1.h"

namespace {

void Click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Types a day count over the whole content of the box, as the user does.
void TypeDays(QSpinBox *box, int days)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, QString::number(days));
}

// How many pixels of two pictures of one size differ, leaving out the last `skipRows` rows.
int Differing(const QImage &a, const QImage &b, int skipRows)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height() - skipRows; ++y)
        for (int x = 0; x < a.width(); ++x)
            count += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return count;
}

class SaveGraphicsPreviewTest : public ChartMouseTest
{
protected:
    void SetUp() override
    {
        ChartMouseTest::SetUp();
        // A message box would stop the test: it is noted and answered.
        QObject::connect(&FBoxes, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<TMessageForm *>(QApplication::activeModalWidget())) {
                boxes.append(box->Message()->text());
                box->Button(mbOK)->click();
            }
        });
        FBoxes.start(20);
    }
    // Works the range dialog from inside its own loop, as "Save Graphics..." shows it.
    void WorkSaveGraphics(const QString &file, const std::function<void(TForm1 &)> &act)
    {
        TSaveGraphics *save = form->SaveGraphics;
        save->OnChooseFile = [file](const QString &) { return file; };
        bool worked = false;
        QTimer::singleShot(0, form.get(), [this, save, act, &worked] {
            TForm1 &form1 = save->Form1();
            worked = true;
            act(form1);
            if (form1.isVisible())
                form1.reject();
        });
        save->Grafikspeichern1->trigger();
        EXPECT_TRUE(worked);
    }
    // Waits for the preview to be made anew (it follows a change after a short pause).
    static bool PreviewChanges(TForm1 &form1, const QImage &before)
    {
        return userinput::WaitUntil([&] { return form1.PreviewImage().cacheKey() != before.cacheKey(); });
    }

    QStringList boxes;
    QTimer FBoxes;
};

} // namespace

// Shown, the dialog makes its picture; typed days make it anew at their width; OK writes the
// picture the preview showed (to the signature's minute).
TEST_F(SaveGraphicsPreviewTest, TheDialogShowsThePictureItWillWrite)
{
    OpenPlan(3, {{0, 2, 3}, {1, 5, 4}, {2, 9, 2}});
    const TTimeChartGeometry &g = view->Geometry();
    const int height = int(g.RowsHeight(0)) + g.TimeChartFullRowHeight(0);
    const QString file = dir.filePath(QStringLiteral("picture.jpg"));
    QImage shown;
    QImage typed;
    QString size;
    QImage boxPainted;
    QRect boxRect;
    WorkSaveGraphics(file, [&](TForm1 &form1) {
        ASSERT_TRUE(form1.isVisible());
        ASSERT_TRUE(PreviewChanges(form1, QImage()));
        shown = form1.PreviewImage();
        Click(form1.RadioButton3);
        TypeDays(form1.EditTage, 30);
        ASSERT_TRUE(PreviewChanges(form1, shown));
        typed = form1.PreviewImage();
        size = form1.PictureSizeLabel->text();
        boxPainted = form1.PreviewBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
        boxRect = form1.PreviewBox->rect();
        Click(form1.OKButton);
    });
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('\n')).toStdString();
    // The whole plan's view first, then 30 days of the chart's day width.
    EXPECT_EQ(shown.height(), height);
    EXPECT_EQ(typed.size(), QSize(30 * g.GetTimeChartColWidth(), height));
    EXPECT_EQ(size, QStringLiteral("%1 x %2 pixels").arg(30 * g.GetTimeChartColWidth()).arg(height));

    // What OK wrote is what the preview showed.
    const QImage &bitmap = form->SaveGraphics->Form1().Bitmap();
    EXPECT_EQ(Differing(typed, bitmap, 20), 0);
    const QImage back = platform::readJpeg(file);
    EXPECT_EQ(back.size(), typed.size());

    // The box shows that picture fitted into it, its proportions kept.
    const QRect inner = boxRect.adjusted(4, 4, -4, -4);
    const QSize fitted = typed.size().scaled(inner.size(), Qt::KeepAspectRatio);
    const QRect target(inner.x() + (inner.width() - fitted.width()) / 2, inner.y() + (inner.height() - fitted.height()) / 2,
                       fitted.width(), fitted.height());
    QImage expected(boxRect.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, typed);
    }
    ASSERT_EQ(boxPainted.size(), expected.size());
    EXPECT_EQ(Differing(boxPainted.copy(target), expected.copy(target), 0), 0);
}

// A range too large for a picture shows no preview and asks nothing until OK; a small range
// afterwards has its preview again, and Cancel writes nothing.
TEST_F(SaveGraphicsPreviewTest, TooLargeShowsNoPictureAndAsksNothing)
{
    OpenPlan(2, {{0, 2, 3}});
    view->SetTimeChartColWidth(200);
    const QString file = dir.filePath(QStringLiteral("large.jpg"));
    bool previewWhileLarge = true;
    QString sizeWhileLarge;
    QStringList boxesWhileLarge;
    QImage small;
    WorkSaveGraphics(file, [&](TForm1 &form1) {
        ASSERT_TRUE(PreviewChanges(form1, QImage()));
        Click(form1.RadioButton3);
        const QImage before = form1.PreviewImage();
        TypeDays(form1.EditTage, 10000);
        ASSERT_TRUE(PreviewChanges(form1, before));
        previewWhileLarge = !form1.PreviewImage().isNull();
        sizeWhileLarge = form1.PictureSizeLabel->text();
        boxesWhileLarge = boxes;
        TypeDays(form1.EditTage, 3);
        ASSERT_TRUE(PreviewChanges(form1, QImage()));
        small = form1.PreviewImage();
        Click(form1.CancelButton);
    });
    EXPECT_FALSE(previewWhileLarge);
    EXPECT_TRUE(sizeWhileLarge.startsWith(QStringLiteral("2000000 x ")));
    EXPECT_TRUE(boxesWhileLarge.isEmpty());
    EXPECT_EQ(small.width(), 600);
    EXPECT_FALSE(QFile::exists(file));
}
