#pragma once

// Printing in tests: the recorder prints into a PDF file, whose pages are counted, and a
// recorded page is turned into a picture through the recorder's own replay.

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringList>

#include "DialogPrintPreview.h"
#include "PrintMetafile.h"

namespace printtest {

inline int PdfPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString data = QString::fromLatin1(file.readAll());
    return int(data.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}

// A4 into a PDF file.
inline void UsePdf(QPrinter &printer, const QString &fileName)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
}

// A recorded page (after DonePrinting) drawn into a picture `scale` times the printer's size,
// as the preview shows it. With VELMORA_PRINT_PICTURE set, the picture is also saved there.
inline QImage PageImage(const TPrintPreviewDialog &recorder, int page, double scale)
{
    const TPrintMetafile *metafile = recorder.GetMetafile(page);
    if (!metafile)
        return QImage();
    const QSize size = (QSizeF(metafile->Size()) * scale).toSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    metafile->Play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    const QString keep = qEnvironmentVariable("VELMORA_PRINT_PICTURE");
    if (!keep.isEmpty())
        image.save(keep);
    return image;
}

// How many pixels of a picture inside a rectangle are near a colour.
inline int CountNear(const QImage &image, const QRect &rect, QColor colour, int tolerance = 24)
{
    int count = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    return count;
}

inline QStringList PageTexts(const TPrintPreviewDialog &recorder, int page)
{
    QStringList texts;
    if (const TPrintMetafile *metafile = recorder.GetMetafile(page))
        for (const TRecordedText &t : metafile->Texts())
            texts.append(t.Text);
    return texts;
}

} // namespace printtest
