#include "BlockCompress.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <future>
#include <new>
#include <thread>
#include <vector>

#include "StreamIO.h"

using platform::readFully;
using platform::writeFully;

namespace {

quint32 getLe32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void putLe32(uchar *p, quint32 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
    p[2] = uchar(v >> 16);
    p[3] = uchar(v >> 24);
}

} // namespace

TLZR::TLZR()
{
    SRCBuf.reset(new (std::nothrow) quint8[SrcBufSize]);
    DSTBuf.reset(new (std::nothrow) quint8[DstBufSize]);
    Hash.reset(new (std::nothrow) quint16[HashSize]);
    if (!SRCBuf || !DSTBuf || !Hash)
        throw EBlockCompressor("no memory for HASH table");
    // Bytes past a piece are hashed at its last positions; keep them defined.
    std::memset(SRCBuf.get(), 0, SrcBufSize);
    std::memset(DSTBuf.get(), 0, DstBufSize);
}

TLZR::~TLZR() = default;

int TLZR::GetMatch(int pos, int n, int &distance)
{
    const quint8 *src = SRCBuf.get();
    const quint32 b0 = src[pos];
    const quint32 b1 = src[pos + 1];
    const quint32 b2 = src[pos + 2];
    const quint32 index = ((((((b0 << 4) ^ b1) << 4) ^ b2) * 40543u) >> 4) & 0xFFFu;
    const quint16 candidate = Hash[index];
    Hash[index] = quint16(pos); // the newest position wins
    if (candidate == HashEmpty || pos - candidate >= 4096)
        return 0;
    int len = 0;
    while (len < 18 && pos + len < n && src[pos + len] == src[candidate + len])
        ++len;
    if (len < 3)
        return 0;
    distance = pos - candidate;
    return len;
}

int TLZR::Compression(int n)
{
    const quint8 *src = SRCBuf.get();
    quint8 *dst = DSTBuf.get();
    std::fill_n(Hash.get(), HashSize, HashEmpty);

    dst[0] = FlagCoded;
    int controlPos = 1;
    int out = 3;
    quint32 control = 0;
    int items = 0;
    int pos = 0;
    while (pos < n) {
        // Checked before each item, so the coded form may overrun n by a control word
        // and one run item before it is given up; DSTBuf has room for that.
        if (out > n)
            break;
        if (items == 16) {
            dst[controlPos] = quint8(control >> 8);
            dst[controlPos + 1] = quint8(control);
            controlPos = out;
            out += 2;
            items = 0;
            control = 0;
        }
        const quint8 byte = src[pos];
        int count = 1;
        while (count < 4095 && pos + count < n && src[pos + count] == byte)
            ++count;
        if (count >= 16) {
            const int c = count - 16;
            dst[out++] = 0;
            dst[out++] = quint8(c >> 8);
            dst[out++] = quint8(c);
            dst[out++] = byte;
            pos += count;
            control = (control << 1) | 1;
        } else {
            int distance = 0;
            const int len = GetMatch(pos, n, distance);
            if (len >= 3) {
                const quint32 value = quint32(distance) * 16 + quint32(len - 3);
                dst[out++] = quint8(value >> 8);
                dst[out++] = quint8(value);
                pos += len;
                control = (control << 1) | 1;
            } else {
                dst[out++] = byte;
                pos += 1;
                control <<= 1;
            }
        }
        ++items;
    }
    control <<= (16 - items);
    dst[controlPos] = quint8(control >> 8);
    dst[controlPos + 1] = quint8(control);

    if (out > n) {
        dst[0] = FlagStored;
        std::memcpy(dst + 1, src, size_t(n));
        return n + 1;
    }
    return out;
}

int TLZR::Decompression(int L)
{
    return ExpandBlock(SRCBuf.get(), L, DSTBuf.get());
}

int TLZR::ExpandBlock(const quint8 *src, int L, quint8 *dst)
{
    if (L < 2)
        return 0;
    if (L > MaxBlockSize)
        return -1;
    if (src[0] == FlagStored) {
        std::memcpy(dst, src + 1, size_t(L - 1));
        return L - 1;
    }
    if (L < 4)
        return 0;

    quint32 control = quint32(src[1]) << 8 | src[2];
    int in = 3;
    int out = 0;
    int items = 0;
    while (in < L) {
        if (items == 16) {
            if (in + 2 > L)
                return -1;
            control = quint32(src[in]) << 8 | src[in + 1];
            in += 2;
            items = 0;
            if (in >= L)
                break;
        }
        const bool code = control & 0x8000u;
        control <<= 1;
        ++items;
        if (!code) {
            if (out >= PieceSize)
                return -1;
            dst[out++] = src[in++];
            continue;
        }
        if (in + 2 > L)
            return -1;
        const quint32 b0 = src[in];
        const quint32 b1 = src[in + 1];
        in += 2;
        const int offset = int(b0 * 16 + (b1 >> 4));
        if (offset != 0) {
            const int len = int(b1 & 15) + 3;
            if (offset > out || out + len > PieceSize)
                return -1;
            // One byte at a time: a distance below the length repeats the pattern.
            for (int i = 0; i < len; ++i, ++out)
                dst[out] = dst[out - offset];
        } else {
            if (in + 2 > L)
                return -1;
            const int count = int(b1 * 256 + src[in]) + 16;
            const quint8 byte = src[in + 1];
            in += 2;
            if (out + count > PieceSize)
                return -1;
            std::memset(dst + out, byte, size_t(count));
            out += count;
        }
    }
    return out;
}

bool TLZR::Compress(QIODevice &src, QIODevice &dst)
{
    if (src.isSequential()) {
        // The header needs the length up front; take the whole stream into memory.
        QByteArray all = src.readAll();
        QBuffer buffer(&all);
        buffer.open(QIODevice::ReadOnly);
        return Compress(buffer, dst);
    }
    try {
        const qint64 length = src.size() - src.pos();
        if (length < 0 || length > qint64(0xFFFFFFFFu))
            return false;
        uchar header[8];
        putLe32(header, Magic);
        putLe32(header + 4, quint32(length));
        if (!Check(writeFully(dst, reinterpret_cast<const char *>(header), 8), 8))
            return false;

        qint64 total = 0;
        for (;;) {
            const qint64 n = readFully(src, reinterpret_cast<char *>(SRCBuf.get()), PieceSize);
            if (n < 0)
                return false;
            total += n;
            std::memset(SRCBuf.get() + n, 0, 2);
            const int blockLength = Compression(int(n));
            const uchar lengthBytes[2] = {uchar(blockLength), uchar(blockLength >> 8)};
            if (!Check(writeFully(dst, reinterpret_cast<const char *>(lengthBytes), 2), 2))
                return false;
            if (!Check(writeFully(dst, reinterpret_cast<const char *>(DSTBuf.get()), blockLength), blockLength))
                return false;
            if (n != PieceSize)
                break;
        }
        // A source that changed size while being read would leave a wrong header.
        return total == length;
    } catch (...) {
        return false;
    }
}

bool TLZR::DeCompress(QIODevice &src, QIODevice &dst, bool checkMagic)
{
    uchar word[4];
    if (checkMagic) {
        if (src.isSequential()) {
            const QByteArray head = src.peek(4);
            if (head.size() < 4 || getLe32(reinterpret_cast<const uchar *>(head.constData())) != Magic)
                return false;
            src.skip(4);
        } else {
            const qint64 start = src.pos();
            const qint64 got = readFully(src, reinterpret_cast<char *>(word), 4);
            if (got != 4 || getLe32(word) != Magic) {
                src.seek(start);
                return false;
            }
        }
    }
    if (!Check(readFully(src, reinterpret_cast<char *>(word), 4), 4))
        return false;
    const qint64 length = getLe32(word);

    try {
        qint64 total = 0;
        int expanded = 0;
        do {
            uchar lengthBytes[2];
            if (!Check(readFully(src, reinterpret_cast<char *>(lengthBytes), 2), 2))
                return false;
            const int blockLength = lengthBytes[0] | lengthBytes[1] << 8;
            if (blockLength > MaxBlockSize)
                return false;
            if (!Check(readFully(src, reinterpret_cast<char *>(SRCBuf.get()), blockLength), blockLength))
                return false;
            expanded = Decompression(blockLength);
            if (expanded < 0)
                return false;
            total += expanded;
            if (total > length)
                return false;
            if (!Check(writeFully(dst, reinterpret_cast<const char *>(DSTBuf.get()), expanded), expanded))
                return false;
        } while (expanded == PieceSize);
        return total == length;
    } catch (...) {
        return false;
    }
}

QByteArray TLZR::compressBytes(const QByteArray &plain)
{
    try {
        QByteArray input = plain;
        QBuffer in(&input);
        in.open(QIODevice::ReadOnly);
        QByteArray packed;
        packed.reserve(plain.size() / 2 + 64);
        QBuffer out(&packed);
        out.open(QIODevice::WriteOnly);
        TLZR lzr;
        if (!lzr.Compress(in, out))
            return {};
        out.close();
        return packed;
    } catch (...) {
        return {};
    }
}

bool TLZR::decompressBytes(const QByteArray &packed, QByteArray &plain, bool checkMagic)
{
    plain.clear();
    const auto fail = [&plain] {
        plain.clear();
        return false;
    };
    try {
        const auto *bytes = reinterpret_cast<const uchar *>(packed.constData());
        const qsizetype size = packed.size();
        qsizetype pos = 0;
        if (checkMagic) {
            if (size < 4 || getLe32(bytes) != Magic)
                return fail();
            pos = 4;
        }
        if (size - pos < 4)
            return fail();
        const qint64 length = getLe32(bytes + pos);
        pos += 4;

        // Each block expands on its own (its references never reach before it), so the blocks
        // of a batch expand at once, each into the place of its piece. A batch is read from
        // the headers alone, no further than the length has pieces, and the data grows batch
        // by batch, so a damaged stream never takes more memory than one batch beyond what it
        // really expands to.
        struct TBlock
        {
            qsizetype at = 0;
            int length = 0;
            bool readable = false;
        };
        const qint64 pieces = length / PieceSize + 1;
        plain.reserve(qsizetype(std::min<qint64>(length, qint64(size) * 8)));
        qint64 total = 0;
        std::vector<TBlock> blocks;
        std::vector<int> expanded;
        for (qint64 first = 0; first < pieces; first += qint64(BatchBlocks)) {
            blocks.clear();
            while (blocks.size() < BatchBlocks && first + qint64(blocks.size()) < pieces) {
                TBlock block;
                if (size - pos >= 2) {
                    block.length = bytes[pos] | bytes[pos + 1] << 8;
                    block.at = pos + 2;
                    block.readable = block.length <= MaxBlockSize && size - block.at >= block.length;
                }
                blocks.push_back(block);
                if (!block.readable)
                    break;
                pos = block.at + block.length;
            }
            expanded.assign(blocks.size(), -1);
            plain.resize(qsizetype(total) + qsizetype(blocks.size()) * PieceSize);
            auto *out = reinterpret_cast<quint8 *>(plain.data()) + total;
            auto expand = [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    if (blocks[i].readable)
                        expanded[i] = ExpandBlock(bytes + blocks[i].at, blocks[i].length, out + i * PieceSize);
            };
            const std::size_t workers =
                blocks.size() < ParallelBlocks ? 1 : std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), MaxWorkers);
            if (workers <= 1) {
                expand(0, blocks.size());
            } else {
                std::vector<std::future<void>> parts;
                const std::size_t share = (blocks.size() + workers - 1) / workers;
                for (std::size_t from = share; from < blocks.size(); from += share)
                    parts.push_back(std::async(std::launch::async, expand, from, std::min(blocks.size(), from + share)));
                expand(0, std::min(blocks.size(), share));
                for (auto &part : parts)
                    part.get();
            }
            // Taken in order, as a stream reads them: the first piece shorter than a full one
            // ends the data, and what lies behind it does not count.
            for (std::size_t i = 0; i < blocks.size(); ++i) {
                if (!blocks[i].readable || expanded[i] < 0)
                    return fail();
                total += expanded[i];
                if (total > length)
                    return fail();
                if (expanded[i] != PieceSize) {
                    if (total != length)
                        return fail();
                    plain.resize(qsizetype(total));
                    return true;
                }
            }
        }
        return fail();
    } catch (...) {
        return fail();
    }
}

bool TLZR::hasMagic(const QByteArray &bytes)
{
    return bytes.size() >= 4 && getLe32(reinterpret_cast<const uchar *>(bytes.constData())) == Magic;
}
