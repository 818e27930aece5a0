#include "Jpeg.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "AtomicFile.h"

namespace platform {

namespace {

// The library reports errors by calling error_exit, which must not return: it jumps back to
// the call that started the work. Warnings (damaged data the library would paper over with
// grey) are counted, so that a damaged file counts as unreadable.
struct TJpegError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

void ErrorExit(j_common_ptr cinfo)
{
    auto *error = reinterpret_cast<TJpegError *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    auto *error = reinterpret_cast<TJpegError *>(cinfo->err);
    if (level < 0 && error->warnings++ == 0)
        (*cinfo->err->format_message)(cinfo, error->message);
}

void OutputMessage(j_common_ptr) {}

void InitError(TJpegError &error)
{
    jpeg_std_error(&error.pub);
    error.pub.error_exit = ErrorExit;
    error.pub.emit_message = EmitMessage;
    error.pub.output_message = OutputMessage;
    error.message[0] = '\0';
    error.warnings = 0;
}

// The decoder never needs more than this, whatever the file claims.
constexpr long MaxDecoderMemory = 1024L * 1024 * 1024;

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The scanlines of a 32-bit image as the library's four-byte pixel layout.
constexpr J_COLOR_SPACE PixelSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Runs the compressor over an RGB32 image; only plain data lives across the jump.
bool Compress(const QImage &image, int quality, unsigned char *&buffer, unsigned long &size, char *message)
{
    jpeg_compress_struct cinfo;
    TJpegError error;
    InitError(error);
    cinfo.err = &error.pub;
    if (setjmp(error.jump)) {
        std::strncpy(message, error.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = PixelSpace;
    jpeg_set_defaults(&cinfo);
    // 24-bit colour in YCbCr, baseline tables and standard Huffman codes: a plain SOF0 file.
    jpeg_set_colorspace(&cinfo, JCS_YCbCr);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Reads the header; with `image` also the pixels into that image (sized by the caller's
// callback once the header is known).
struct TDecodeTarget
{
    QImage *image = nullptr;
    TJpegInfo *info = nullptr;
};

bool Decompress(const QByteArray &bytes, TDecodeTarget target, char *message)
{
    jpeg_decompress_struct cinfo;
    TJpegError error;
    InitError(error);
    cinfo.err = &error.pub;
    if (setjmp(error.jump)) {
        std::strncpy(message, error.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (!jpegSizeAllowed(cinfo.image_width, cinfo.image_height)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "picture of %u x %u pixels is too large", cinfo.image_width,
                      cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (target.info) {
        TJpegInfo &info = *target.info;
        info.width = int(cinfo.image_width);
        info.height = int(cinfo.image_height);
        info.components = cinfo.num_components;
        info.progressive = cinfo.progressive_mode;
        info.baseline = false;
        if (cinfo.quant_tbl_ptrs[0])
            for (int i = 0; i < 64; ++i)
                info.quantTable0[i] = cinfo.quant_tbl_ptrs[0]->quantval[i];
    }
    if (!target.image) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : PixelSpace;
    jpeg_start_decompress(&cinfo);
    QImage &image = *target.image;
    image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        std::snprintf(message, JMSG_LENGTH_MAX, "not enough memory for the picture");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(int(cinfo.output_scanline)));
        JSAMPROW row = reinterpret_cast<JSAMPROW>(line);
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            // Four bytes C, M, Y, K in place; files of this kind store them inverted.
            const auto *bytes = reinterpret_cast<const unsigned char *>(line);
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                const unsigned char *p = bytes + 4 * x;
                const int k = p[3];
                line[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    const int warnings = error.warnings;
    if (warnings > 0)
        std::strncpy(message, error.message, JMSG_LENGTH_MAX);
    jpeg_destroy_decompress(&cinfo);
    return warnings == 0;
}

QString MessageText(const char *message)
{
    const QString text = QString::fromLocal8Bit(message);
    return text.isEmpty() ? QStringLiteral("unreadable JPEG data") : text;
}

// A baseline file's frame header is SOF0 (FF C0): the first frame marker decides.
bool HasBaselineFrame(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 2;
    while (i + 4 <= size) {
        if (data[i] != 0xFF)
            return false;
        const unsigned char marker = data[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker == 0xC0;
        if (marker == 0xD9 || marker == 0xDA)
            return false;
        const int length = (data[i + 2] << 8) | data[i + 3];
        i += 2 + length;
    }
    return false;
}

} // namespace

bool jpegSizeAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= MaxJpegSide && height <= MaxJpegSide
           && width * height <= MaxJpegPixels;
}

QByteArray encodeJpeg(const QImage &image, int quality, QString *error)
{
    if (image.isNull() || !jpegSizeAllowed(image.width(), image.height())) {
        Fail(error, QStringLiteral("a picture of %1 x %2 pixels cannot be written").arg(image.width()).arg(image.height()));
        return {};
    }
    const QImage pixels = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull()) {
        Fail(error, QStringLiteral("not enough memory for the picture"));
        return {};
    }
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = Compress(pixels, std::clamp(quality, 1, 100), buffer, size, message);
    QByteArray bytes;
    if (ok && buffer)
        bytes = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    if (!ok)
        Fail(error, MessageText(message));
    return bytes;
}

bool writeJpeg(const QString &fileName, const QImage &image, int quality, QString *error)
{
    const QByteArray bytes = encodeJpeg(image, quality, error);
    if (bytes.isEmpty())
        return false;
    return writeFileAtomically(fileName, bytes, error);
}

QImage decodeJpeg(const QByteArray &bytes, QString *error)
{
    if (bytes.isEmpty()) {
        Fail(error, QStringLiteral("empty file"));
        return {};
    }
    QImage image;
    char message[JMSG_LENGTH_MAX] = {};
    if (!Decompress(bytes, TDecodeTarget{&image, nullptr}, message)) {
        Fail(error, MessageText(message));
        return {};
    }
    return image;
}

QImage readJpeg(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(error, file.errorString());
        return {};
    }
    // Nothing larger than the biggest sensible file of the largest picture is read.
    if (file.size() > MaxJpegPixels * 3) {
        Fail(error, QStringLiteral("file too large"));
        return {};
    }
    return decodeJpeg(file.readAll(), error);
}

bool readJpegInfo(const QByteArray &bytes, TJpegInfo &info, QString *error)
{
    info = TJpegInfo();
    if (bytes.isEmpty())
        return Fail(error, QStringLiteral("empty file"));
    char message[JMSG_LENGTH_MAX] = {};
    if (!Decompress(bytes, TDecodeTarget{nullptr, &info}, message))
        return Fail(error, MessageText(message));
    info.baseline = HasBaselineFrame(bytes);
    return true;
}

} // namespace platform
