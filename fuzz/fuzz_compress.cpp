// The block compressor: any bytes expand or are refused without reading or writing out of
// bounds, and whatever is compressed expands to itself.

#include <QBuffer>

#include <cstdlib>

#include "BlockCompress.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);

    // As a stream, with and without the magic.
    QByteArray plain;
    TLZR::decompressBytes(input, plain, true);
    TLZR::decompressBytes(input, plain, false);
    {
        QBuffer src;
        src.setData(input);
        src.open(QIODevice::ReadOnly);
        QBuffer dst;
        dst.open(QIODevice::WriteOnly);
        TLZR lzr;
        lzr.DeCompress(src, dst, true);
    }

    // As data: the round trip gives the bytes back.
    const QByteArray packed = TLZR::compressBytes(input);
    QByteArray back;
    if (packed.isEmpty() || !TLZR::decompressBytes(packed, back, true) || back != input)
        std::abort();
    return 0;
}
