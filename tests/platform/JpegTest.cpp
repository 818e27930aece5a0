// JPEG pictures: what is written is a baseline colour file of the asked quality that reads back
// as the same picture; sizes beyond the caps, damaged, empty and hostile files fail with a
// reason and never leave a half file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>

#include "Jpeg.h"
#include "common/TestSupport.h"

namespace {

// The luminance table of the JPEG standard's example tables (Annex K), which encoders scale
// by the quality.
constexpr int StandardLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                       14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                       18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                       49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// The quality a luminance table was scaled for.
int QualityOf(const platform::TJpegInfo &info)
{
    double sum = 0;
    double standard = 0;
    for (int i = 0; i < 64; ++i) {
        sum += info.quantTable0[i];
        standard += StandardLuminance[i];
    }
    const double scale = 100.0 * sum / standard;
    return int(std::lround((200.0 - scale) / 2.0));
}

QImage Blocks(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(200, 30, 30));
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(30, 160, 40));
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(20, 40, 210));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::white);
    return image;
}

int Distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Offset of the frame header's height field (after FF C0, length and precision).
qsizetype FrameSizeOffset(const QByteArray &bytes)
{
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    return sof < 0 ? -1 : sof + 5;
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(Jpeg, WritesABaselineColourFileOfQuality90ThatReadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage picture = Blocks(96, 64);
    const QString name = dir.filePath(QStringLiteral("chart.jpg"));
    QString error;
    ASSERT_TRUE(platform::writeJpeg(name, picture, 90, &error)) << error.toStdString();
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("chart.jpg")});

    const QByteArray bytes = testsupport::readFile(name);
    platform::TJpegInfo info;
    ASSERT_TRUE(platform::readJpegInfo(bytes, info, &error)) << error.toStdString();
    EXPECT_EQ(info.width, 96);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(info.components, 3); // colour, not greyscale
    EXPECT_FALSE(info.progressive);
    EXPECT_TRUE(info.baseline);
    EXPECT_EQ(QualityOf(info), 90);

    const QImage back = platform::readJpeg(name, &error);
    ASSERT_FALSE(back.isNull()) << error.toStdString();
    EXPECT_EQ(back.size(), picture.size());
    // Inside each block (away from the edges JPEG softens) the colour is kept.
    for (const QPoint p : {QPoint(20, 15), QPoint(70, 15), QPoint(20, 50), QPoint(70, 50)})
        EXPECT_LE(Distance(back.pixel(p), picture.pixel(p)), 8) << p.x() << "," << p.y();

    // Another quality gives other tables: the quality is really the one asked for.
    platform::TJpegInfo low;
    ASSERT_TRUE(platform::readJpegInfo(platform::encodeJpeg(picture, 50), low));
    EXPECT_EQ(QualityOf(low), 50);
}

TEST(Jpeg, SizesBeyondTheCapsAreRefusedOnBothRoads)
{
    EXPECT_TRUE(platform::jpegSizeAllowed(platform::MaxJpegSide, 6000));
    EXPECT_FALSE(platform::jpegSizeAllowed(platform::MaxJpegSide + 1, 1));
    EXPECT_FALSE(platform::jpegSizeAllowed(1, platform::MaxJpegSide + 1));
    EXPECT_TRUE(platform::jpegSizeAllowed(10000, 10000));
    EXPECT_FALSE(platform::jpegSizeAllowed(10000, 10001)); // beyond 100 megapixels
    EXPECT_FALSE(platform::jpegSizeAllowed(0, 10));
    EXPECT_FALSE(platform::jpegSizeAllowed(10, -1));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("wide.jpg"));
    QString error;
    EXPECT_FALSE(platform::writeJpeg(name, QImage(platform::MaxJpegSide + 1, 2, QImage::Format_RGB32), 90, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(Entries(dir.path()).isEmpty());

    // A file whose header claims a huge picture is refused before any pixel is decoded.
    QByteArray bytes = platform::encodeJpeg(Blocks(16, 16), 90);
    const qsizetype size = FrameSizeOffset(bytes);
    ASSERT_GT(size, 0);
    bytes[size] = char(0x7F); // height 0x7F10
    error.clear();
    EXPECT_TRUE(platform::decodeJpeg(bytes, &error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("too large"))) << error.toStdString();
}

TEST(Jpeg, DamagedEmptyAndZeroSizedFilesFailWithAReason)
{
    const QByteArray good = platform::encodeJpeg(Blocks(64, 64), 90);
    ASSERT_FALSE(good.isEmpty());
    ASSERT_FALSE(platform::decodeJpeg(good).isNull());

    QString error;
    EXPECT_TRUE(platform::decodeJpeg(QByteArray(), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_TRUE(platform::decodeJpeg(QByteArray("not a picture at all, only text"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    // Cut in the middle of the picture data: the library would fill the rest with grey.
    error.clear();
    EXPECT_TRUE(platform::decodeJpeg(good.left(good.size() * 2 / 3), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    // A header of zero height.
    QByteArray zero = good;
    const qsizetype size = FrameSizeOffset(zero);
    ASSERT_GT(size, 0);
    zero[size] = 0;
    zero[size + 1] = 0;
    error.clear();
    EXPECT_TRUE(platform::decodeJpeg(zero, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    platform::TJpegInfo info;
    EXPECT_FALSE(platform::readJpegInfo(zero, info));

    error.clear();
    EXPECT_TRUE(platform::readJpeg(QStringLiteral("/nonexistent/Logo.jpg"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(Jpeg, AFailedWriteLeavesThePreviousFileAndNoHalfFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    EXPECT_FALSE(platform::writeJpeg(dir.filePath(QStringLiteral("missing/chart.jpg")), Blocks(8, 8), 90, &error));
    EXPECT_FALSE(error.isEmpty());

    testsupport::TSmallFileSystem disk(256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString name = disk.Path() + QStringLiteral("/chart.jpg");
    ASSERT_TRUE(platform::writeJpeg(name, Blocks(32, 32), 90, &error)) << error.toStdString();
    const QByteArray before = testsupport::readFile(name);
    ASSERT_TRUE(disk.FillUp(4 * 1024));
    // A noisy picture does not compress into the space left.
    QImage noise(600, 600, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 256, (x * 31 + y * 17) % 256, (x ^ y) % 256));
    error.clear();
    EXPECT_FALSE(platform::writeJpeg(name, noise, 90, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(testsupport::readFile(name), before);
    disk.Release();
    QStringList left = Entries(disk.Path());
    left.removeAll(QStringLiteral("chart.jpg"));
    for (const QString &entry : left)
        EXPECT_FALSE(entry.endsWith(QStringLiteral(".tmp"))) << entry.toStdString();
}
