#pragma once

// JPEG pictures over libjpeg: written as baseline 24-bit colour, read into 32-bit images. Errors
// inside the library never end the process; they come back as a failure with a reason. Picture
// sizes are capped on both roads, so a huge or hostile file cannot take the memory.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace platform {

// The largest picture written or read: each side at most MaxJpegSide pixels and at most
// MaxJpegPixels pixels in all.
inline constexpr int MaxJpegSide = 16384;
inline constexpr qint64 MaxJpegPixels = 100'000'000;

// Whether a picture of that size may be made, written or read (zero or negative sides may not).
bool jpegSizeAllowed(qint64 width, qint64 height);

// The picture as JPEG bytes: baseline, 24-bit colour, the given quality (1..100). Empty on
// failure, with the reason in `error`.
QByteArray encodeJpeg(const QImage &image, int quality, QString *error = nullptr);
// Encodes and replaces the file atomically; on failure no file (and no half file) is left
// and the previous one still stands.
bool writeJpeg(const QString &fileName, const QImage &image, int quality, QString *error = nullptr);

// The picture of JPEG bytes as an RGB32 image; a null image on failure (damaged, empty, of
// zero size or larger than the caps), with the reason in `error`.
QImage decodeJpeg(const QByteArray &bytes, QString *error = nullptr);
QImage readJpeg(const QString &fileName, QString *error = nullptr);

// What the header of a JPEG file says.
struct TJpegInfo
{
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    // A baseline frame (SOF0): 8-bit samples, Huffman coding, sequential.
    bool baseline = false;
    // The first quantisation table in natural order (the luminance table of a colour file).
    quint16 quantTable0[64] = {};
};
bool readJpegInfo(const QByteArray &bytes, TJpegInfo &info, QString *error = nullptr);

} // namespace platform
