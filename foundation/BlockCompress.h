#pragma once

// TLZR: the block compressor behind compressed documents, diff files and ini files.
//
// Stream layout (little-endian header):
//   4 bytes  magic 0x0070697A ("zip\0")
//   4 bytes  length of the uncompressed data
//   blocks   one per 32768-byte piece of the input: 16-bit length L, then L bytes.
//            The sequence ends after the first piece shorter than 32768 bytes, so an
//            input of an exact multiple of 32768 bytes (and the empty input) ends with
//            the one-byte empty block 0x80.
// A block is stored (flag 0x80 + the piece) or LZ77-coded (flag 0x40, then groups of up
// to 16 items behind a big-endian control word, top bit first: 0 = literal byte,
// 1 = code: a back-reference of 3..18 bytes within 4095 bytes, or a run of one byte).
// Other instances read what we write, so the output must stay byte-exact.
//
// Typical use:
//   TLZR lzr;
//   bool ok = lzr.Compress(plainDevice, fileDevice);          // from src's position to its end
//   bool ok = lzr.DeCompress(fileDevice, plainDevice, true);  // false: not compressed or broken
// or the byte-array helpers TLZR::compressBytes / TLZR::decompressBytes.

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <stdexcept>

class QIODevice;

class EBlockCompressor : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TLZR
{
public:
    static constexpr quint32 Magic = 0x0070697A;
    static constexpr int PieceSize = 32768;      // input bytes per block
    static constexpr int MaxBlockSize = 32769;   // a stored full piece
    static constexpr quint8 FlagStored = 0x80;
    static constexpr quint8 FlagCoded = 0x40;

    // Allocates the work buffers; throws EBlockCompressor when memory is short.
    TLZR();
    ~TLZR();
    TLZR(const TLZR &) = delete;
    TLZR &operator=(const TLZR &) = delete;

    // Writes the compressed form of src (current position to end) at dst's position.
    // False when a read or write fails, or src delivers a different number of bytes
    // than its size promised.
    bool Compress(QIODevice &src, QIODevice &dst);

    // Expands a compressed stream at src's position into dst. False on any malformed
    // or truncated input. With checkMagic, a stream without the magic leaves src where
    // it was; without it, the first four bytes are taken as the length.
    bool DeCompress(QIODevice &src, QIODevice &dst, bool checkMagic = true);

    // Whole-buffer helpers over the same format. compressBytes gives an empty array on
    // failure (a compressed stream is never shorter than 11 bytes).
    static QByteArray compressBytes(const QByteArray &plain);
    static bool decompressBytes(const QByteArray &packed, QByteArray &plain, bool checkMagic = true);
    // True when the bytes start with the magic.
    static bool hasMagic(const QByteArray &bytes);

protected:
    // Codes the n bytes in SRCBuf into DSTBuf; returns the block length.
    int Compression(int n);
    // Expands the L-byte block in SRCBuf into DSTBuf; returns the expanded length, or -1
    // when the block is malformed (items past the block, a copy before the start, more
    // than PieceSize bytes).
    int Decompression(int L);
    // The same for the L-byte block at src into the PieceSize bytes at dst.
    static int ExpandBlock(const quint8 *src, int L, quint8 *dst);
    // Match finder at pos; returns the length (>= 3) and sets distance, or 0.
    int GetMatch(int pos, int n, int &distance);
    static bool Check(qint64 done, qint64 asked) { return done == asked; }

private:
    // SRCBuf has slack behind a full block because the match finder hashes two bytes
    // past the last position; DSTBuf has slack because coding may overrun a piece by a
    // control word and a run item before it is abandoned for the stored form.
    static constexpr int SrcBufSize = MaxBlockSize + 16;
    static constexpr int DstBufSize = MaxBlockSize + 64;
    static constexpr int HashSize = 4096;
    static constexpr quint16 HashEmpty = 0xFFFF;
    // Blocks expanded together (16 MB); a batch of at least ParallelBlocks blocks is
    // expanded on several threads, at most MaxWorkers.
    static constexpr std::size_t BatchBlocks = 512;
    static constexpr std::size_t ParallelBlocks = 64;
    static constexpr std::size_t MaxWorkers = 4;

    std::unique_ptr<quint8[]> SRCBuf;
    std::unique_ptr<quint8[]> DSTBuf;
    std::unique_ptr<quint16[]> Hash;
};
