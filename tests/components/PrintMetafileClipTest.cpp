#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Canvas.h"
#include "PrintMetafile.h"

// A clip that was set and removed again while recording no longer hides what follows when
// the page is replayed, and the page still never paints outside its own area.
TEST(PrintMetafileClipTest, ARemovedClipEndsOnReplay)
{
    TPrintMetafile page(QSize(200, 100), 96, 96);
    {
        TCanvas canvas(&page);
        canvas.Brush().SetStyle(bsSolid);
        canvas.SaveDC();
        canvas.IntersectClipRect(QRect(0, 0, 50, 50));
        canvas.Brush().SetColor(clRed);
        canvas.FillRect(QRect(0, 0, 200, 100)); // only its top-left quarter shows
        canvas.RestoreDC();
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect(QRect(150, 50, 50, 50));
        canvas.RemoveClip();
        canvas.FillRect(QRect(100, 0, 400, 40)); // reaches beyond the page
    }
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.Play(painter, QRectF(0, 0, 200, 100));
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(60, 60), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(170, 80), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(120, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(250, 20), QColor(Qt::white));
}
