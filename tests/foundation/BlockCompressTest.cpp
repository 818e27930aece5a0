#include <gtest/gtest.h>

#include "BlockCompress.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <vector>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray packed(const QByteArray &plain)
{
    return TLZR::compressBytes(plain);
}

bool unpack(const QByteArray &data, QByteArray &out, bool checkMagic = true)
{
    return TLZR::decompressBytes(data, out, checkMagic);
}

// Splits a compressed stream into its blocks; fails the test when the framing is off.
std::vector<QByteArray> blocksOf(const QByteArray &stream)
{
    std::vector<QByteArray> blocks;
    qsizetype pos = 8;
    while (pos < stream.size()) {
        EXPECT_LE(pos + 2, stream.size());
        const int len = uchar(stream[pos]) | uchar(stream[pos + 1]) << 8;
        pos += 2;
        EXPECT_LE(pos + len, stream.size());
        blocks.push_back(stream.mid(pos, len));
        pos += len;
    }
    return blocks;
}

// Text with the mixture a document has: tags, repeated words, numbers, dates.
QByteArray documentLikeText(int bytes, quint32 seed)
{
    QRandomGenerator rng(seed);
    static const char *words[] = {"Task", "Caption", "Start", "End", "Length", "Position", "Mueller",
                                  "Schmidt", "review", "install", "2024-03-", "&nbsp;", "Colour"};
    QByteArray out;
    while (out.size() < bytes) {
        out += "  <Node id=\"";
        out += QByteArray::number(rng.bounded(100000));
        out += "\">";
        for (int i = 0, n = rng.bounded(1, 6); i < n; ++i) {
            out += words[rng.bounded(int(std::size(words)))];
            out += QByteArray::number(rng.bounded(31));
        }
        out += "</Node>\r\n";
    }
    out.truncate(bytes);
    return out;
}

QByteArray randomBytes(int bytes, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out(bytes, Qt::Uninitialized);
    for (char &c : out)
        c = char(rng.bounded(256));
    return out;
}

// A device that accepts only a limited number of bytes, to see every write checked.
class LimitedDevice : public QIODevice
{
public:
    explicit LimitedDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray data;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *d, qint64 len) override
    {
        const qint64 room = m_limit - data.size();
        if (room <= 0)
            return -1;
        const qint64 n = qMin(room, len);
        data.append(d, n);
        return n;
    }

private:
    qint64 m_limit;
};

// A random-access device whose reads deliver at most a few bytes at a time.
class TrickleBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;

protected:
    qint64 readData(char *d, qint64 len) override { return QBuffer::readData(d, qMin<qint64>(len, 7)); }
};

} // namespace

TEST(BlockCompress, ByteExamplesOfTheFormat)
{
    // Short inputs are stored.
    EXPECT_EQ(packed("abc"), hex("7A69700003000000040080616263"));
    // The empty input: header, then the one-byte empty block.
    EXPECT_EQ(packed(QByteArray()), hex("7A69700000000000010080"));
    // A repeated pattern: three literals, then one copy of 18 bytes at distance 3.
    EXPECT_EQ(packed("abcabcabcabcabcabcabc"), hex("7A69700015000000080040100061626300 3F").replace(' ', ""));

    // 5000 equal bytes: two runs (4095 and 905) behind one control word.
    const QByteArray runs = packed(QByteArray(5000, 'A'));
    EXPECT_EQ(runs, hex("7A69700088130000" "0B00" "40C000" "000FEF41" "00037941"));

    QByteArray out;
    ASSERT_TRUE(unpack(runs, out));
    EXPECT_EQ(out, QByteArray(5000, 'A'));
}

TEST(BlockCompress, HandMadeBlocksExpand)
{
    QByteArray out;
    // Literal 'x', then distance 1 length 18: one byte repeated.
    ASSERT_TRUE(unpack(hex("7A69700013000000" "0600" "40" "4000" "78" "001F"), out));
    EXPECT_EQ(out, QByteArray(19, 'x'));

    // "ab" then distance 2 length 7 repeats the pattern.
    ASSERT_TRUE(unpack(hex("7A69700009000000" "0700" "40" "2000" "6162" "0024"), out));
    EXPECT_EQ(out, QByteArray("ababababa"));

    // Any flag other than 0x80 is read as coded.
    ASSERT_TRUE(unpack(hex("7A69700002000000" "0500" "00" "0000" "7172"), out));
    EXPECT_EQ(out, QByteArray("qr"));

    // Seventeen literals need a second control word after the sixteenth.
    QByteArray block = hex("40" "0000") + QByteArray("ABCDEFGHIJKLMNOP") + hex("0000") + "Q";
    QByteArray stream = hex("7A69700011000000");
    stream += char(block.size());
    stream += char(0);
    stream += block;
    ASSERT_TRUE(unpack(stream, out));
    EXPECT_EQ(out, QByteArray("ABCDEFGHIJKLMNOPQ"));
}

TEST(BlockCompress, BlockStructureAtPieceBoundaries)
{
    struct Case { int size; size_t blocks; };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 1}, Case{3, 1}, Case{4, 1}, Case{5, 1},
                         Case{32767, 1}, Case{32768, 2}, Case{32769, 2}, Case{65536, 3}}) {
        SCOPED_TRACE(c.size);
        for (const QByteArray &plain : {randomBytes(c.size, 7), documentLikeText(c.size, 8)}) {
            const QByteArray stream = packed(plain);
            ASSERT_TRUE(TLZR::hasMagic(stream));
            const quint32 stored = uchar(stream[4]) | uchar(stream[5]) << 8 | uchar(stream[6]) << 16
                                   | quint32(uchar(stream[7])) << 24;
            EXPECT_EQ(stored, quint32(c.size));
            const auto blocks = blocksOf(stream);
            ASSERT_EQ(blocks.size(), c.blocks);
            for (const QByteArray &b : blocks)
                EXPECT_LE(b.size(), TLZR::MaxBlockSize);
            if (c.size % TLZR::PieceSize == 0) {
                EXPECT_EQ(blocks.back(), hex("80"));
            }
            // Random bytes never shrink, so every block is stored; so are tiny inputs.
            if ((plain == randomBytes(c.size, 7) && c.size > 0) || c.size < 4) {
                EXPECT_EQ(uchar(blocks.front()[0]), TLZR::FlagStored);
            }
            QByteArray back;
            ASSERT_TRUE(unpack(stream, back));
            EXPECT_EQ(back, plain);
        }
    }
}

TEST(BlockCompress, LongRunsAndText)
{
    QByteArray plain(100000, 'z');
    plain.replace(40000, 3, "abc");
    plain += documentLikeText(50000, 3);
    plain += QByteArray(4111, '\0');
    QByteArray stream = packed(plain);
    EXPECT_LT(stream.size(), plain.size() / 3);
    QByteArray back;
    ASSERT_TRUE(unpack(stream, back));
    EXPECT_EQ(back, plain);

    // A run of exactly 15 bytes is no run item; 16 is.
    for (int len : {15, 16, 17, 4094, 4095, 4096}) {
        const QByteArray p = QByteArray("xy") + QByteArray(len, 'r') + "xy";
        ASSERT_TRUE(unpack(packed(p), back));
        EXPECT_EQ(back, p) << len;
    }

    const QByteArray text = documentLikeText(200000, 11);
    stream = packed(text);
    EXPECT_LT(stream.size(), text.size() * 6 / 10);
    ASSERT_TRUE(unpack(stream, back));
    EXPECT_EQ(back, text);
}

TEST(BlockCompress, RealFilesRoundTrip)
{
    QStringList files;
    for (const char *dir : {"/usr/share/common-licenses", "/usr/share/misc", "/usr/share/X11/locale"}) {
        QDirIterator it(QString::fromLatin1(dir), QDir::Files, QDirIterator::Subdirectories);
        for (int i = 0; it.hasNext() && i < 12; ++i)
            files << it.next();
    }
    files << QStringLiteral("/bin/ls");
    qint64 total = 0;
    int tested = 0;
    for (const QString &name : files) {
        QFile f(name);
        if (f.size() > 4 * 1024 * 1024 || !f.open(QIODevice::ReadOnly))
            continue;
        // Compress straight from the file device, expand into memory.
        QByteArray stream;
        QBuffer out(&stream);
        out.open(QIODevice::WriteOnly);
        TLZR lzr;
        ASSERT_TRUE(lzr.Compress(f, out)) << name.toStdString();
        f.seek(0);
        const QByteArray plain = f.readAll();
        QByteArray back;
        ASSERT_TRUE(unpack(stream, back)) << name.toStdString();
        ASSERT_EQ(back, plain) << name.toStdString();
        total += plain.size();
        ++tested;
    }
    EXPECT_GE(tested, 3);
    EXPECT_GT(total, 10000);
}

TEST(BlockCompress, StreamPositionsAndMagicCheck)
{
    // Compress from the middle of a source into the middle of a target.
    QByteArray source = "HEADER" + documentLikeText(40000, 5);
    QBuffer src(&source);
    src.open(QIODevice::ReadOnly);
    src.seek(6);
    QByteArray target = "prefix";
    QBuffer dst(&target);
    dst.open(QIODevice::ReadWrite);
    dst.seek(6);
    TLZR lzr;
    ASSERT_TRUE(lzr.Compress(src, dst));
    EXPECT_TRUE(target.startsWith("prefix"));

    dst.seek(6);
    QByteArray plain;
    QBuffer expanded(&plain);
    expanded.open(QIODevice::WriteOnly);
    ASSERT_TRUE(lzr.DeCompress(dst, expanded, true));
    EXPECT_EQ(plain, source.mid(6));
    EXPECT_TRUE(dst.atEnd());

    // Plain text with the magic check: false and the source stays where it was.
    QByteArray text = "<?xml version=\"1.0\" ?>";
    QBuffer plainSrc(&text);
    plainSrc.open(QIODevice::ReadOnly);
    plainSrc.seek(2);
    QByteArray sink;
    QBuffer sinkDev(&sink);
    sinkDev.open(QIODevice::WriteOnly);
    EXPECT_FALSE(lzr.DeCompress(plainSrc, sinkDev, true));
    EXPECT_EQ(plainSrc.pos(), 2);
    // Fewer than four bytes are no magic either.
    QByteArray tiny = "zi";
    QBuffer tinyDev(&tiny);
    tinyDev.open(QIODevice::ReadOnly);
    EXPECT_FALSE(lzr.DeCompress(tinyDev, sinkDev, true));
    EXPECT_EQ(tinyDev.pos(), 0);

    // Without the check the first four bytes are the length.
    const QByteArray stream = packed("hello");
    QByteArray back;
    EXPECT_TRUE(unpack(stream.mid(4), back, false));
    EXPECT_EQ(back, QByteArray("hello"));
    EXPECT_FALSE(unpack(stream, back, false));
}

TEST(BlockCompress, ShortReadsAndFailedWrites)
{
    const QByteArray plain = documentLikeText(70000, 9);
    const QByteArray expected = packed(plain);

    // Reads that deliver a few bytes at a time give the same stream.
    QByteArray source = plain;
    TrickleBuffer trickle(&source);
    trickle.open(QIODevice::ReadOnly);
    QByteArray stream;
    QBuffer out(&stream);
    out.open(QIODevice::WriteOnly);
    TLZR lzr;
    ASSERT_TRUE(lzr.Compress(trickle, out));
    EXPECT_EQ(stream, expected);

    QByteArray packedCopy = expected;
    TrickleBuffer tricklePacked(&packedCopy);
    tricklePacked.open(QIODevice::ReadOnly);
    QByteArray back;
    QBuffer backDev(&back);
    backDev.open(QIODevice::WriteOnly);
    ASSERT_TRUE(lzr.DeCompress(tricklePacked, backDev, true));
    EXPECT_EQ(back, plain);

    // A target that fills up at any point, header included, makes Compress fail.
    for (qint64 limit : {qint64(0), qint64(3), qint64(7), qint64(9), qint64(100), expected.size() - 1}) {
        QBuffer src(&source);
        src.open(QIODevice::ReadOnly);
        LimitedDevice full(limit);
        EXPECT_FALSE(lzr.Compress(src, full)) << limit;
    }
    QBuffer src(&source);
    src.open(QIODevice::ReadOnly);
    LimitedDevice roomy(expected.size());
    EXPECT_TRUE(lzr.Compress(src, roomy));
    EXPECT_EQ(roomy.data, expected);

    // And a target that takes nothing while expanding.
    LimitedDevice none(0);
    QByteArray again = expected;
    QBuffer againDev(&again);
    againDev.open(QIODevice::ReadOnly);
    EXPECT_FALSE(lzr.DeCompress(againDev, none, true));
}

TEST(BlockCompress, MalformedInputIsRejected)
{
    QByteArray out;
    const QByteArray head = hex("7A69700010270000"); // length 10000
    // Block length above the largest block.
    EXPECT_FALSE(unpack(head + hex("0280") + QByteArray(32770, 'a'), out));
    // A code item cut after its first byte.
    EXPECT_FALSE(unpack(head + hex("0400" "40" "8000" "00"), out));
    // A run item cut after three bytes.
    EXPECT_FALSE(unpack(head + hex("0600" "40" "8000" "000001"), out));
    // A copy reaching before the start of the piece.
    EXPECT_FALSE(unpack(head + hex("0500" "40" "8000" "001F"), out));
    EXPECT_FALSE(unpack(head + hex("0600" "40" "0000" "61" "002F"), out));
    // Runs expanding past one piece.
    QByteArray block = hex("40" "FF80");
    for (int i = 0; i < 9; ++i)
        block += hex("000FEF41");
    QByteArray stream = hex("7A69700040900000");
    stream += char(block.size());
    stream += char(0);
    EXPECT_FALSE(unpack(stream + block, out));
    // A second control word cut in half.
    block = hex("40" "0000") + QByteArray(16, 'a') + hex("00");
    stream = hex("7A69700011000000");
    stream += char(block.size());
    stream += char(0);
    EXPECT_FALSE(unpack(stream + block, out));
    // A stored length that disagrees with the data, both ways.
    EXPECT_FALSE(unpack(hex("7A69700004000000040080616263"), out));
    EXPECT_FALSE(unpack(hex("7A69700002000000040080616263"), out));
    // A full piece as the last block: the next block is missing.
    EXPECT_FALSE(unpack(packed(QByteArray(32768, 'q')).chopped(3), out));

    // Every truncation of a valid stream fails.
    const QByteArray valid = packed(documentLikeText(40000, 4));
    for (qsizetype cut = 0; cut < valid.size(); cut += (cut < 64 ? 1 : 97))
        EXPECT_FALSE(unpack(valid.left(cut), out)) << cut;
    EXPECT_TRUE(unpack(valid, out));
}

// Flipped bits and cut streams must fail or expand, never touch memory they do not own.
// Run under AddressSanitizer as well (-DVELMORA_SANITIZE=ON).
TEST(BlockCompress, FuzzedStreamsNeverCrash)
{
    QRandomGenerator rng(20261206);
    const QByteArray bases[] = {packed(documentLikeText(70000, 1)), packed(QByteArray(40000, 'k')),
                                packed("abcabcabcabcabcabcabcabcabcabc"), packed(randomBytes(3000, 2))};
    TLZR lzr;
    int rounds = 0;
    int accepted = 0;
    QElapsedTimer clock;
    clock.start();
    for (; rounds < 40000 && (rounds < 500 || clock.elapsed() < 1000); ++rounds) {
        QByteArray data = bases[rounds % 4];
        if (rounds % 16 == 0) {
            // Mangled plain data still travels through the coder unchanged.
            QByteArray plain = data.repeated(rng.bounded(1, 3)).mid(rng.bounded(int(data.size())));
            QByteArray back;
            ASSERT_TRUE(unpack(packed(plain), back));
            ASSERT_EQ(back, plain);
        }
        const int flips = rng.bounded(1, 8);
        for (int i = 0; i < flips; ++i) {
            const int at = rng.bounded(int(data.size()));
            data[at] = char(data[at] ^ (1 << rng.bounded(8)));
        }
        if (rng.bounded(3) == 0)
            data.truncate(rng.bounded(int(data.size())));
        QBuffer src(&data);
        src.open(QIODevice::ReadOnly);
        QByteArray plain;
        QBuffer dst(&plain);
        dst.open(QIODevice::WriteOnly);
        const bool checkMagic = rounds % 5 != 0;
        if (lzr.DeCompress(src, dst, checkMagic)) {
            ++accepted;
            if (checkMagic) {
                const quint32 stored = uchar(data[4]) | uchar(data[5]) << 8 | uchar(data[6]) << 16
                                       | quint32(uchar(data[7])) << 24;
                EXPECT_EQ(quint32(plain.size()), stored);
            }
        }
    }
    // Most flips land in literal bytes, which expand fine: both outcomes must occur.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, rounds);
}

// A whole buffer expands its blocks in batches and on several threads; whatever the stream
// holds, it must give what reading it as a stream gives: the same bytes, or a failure.
TEST(BlockCompress, BufferExpansionAgreesWithTheStream)
{
    auto viaStream = [](const QByteArray &data, bool checkMagic, QByteArray &plain) {
        QByteArray copy = data;
        QBuffer src(&copy);
        src.open(QIODevice::ReadOnly);
        plain.clear();
        QBuffer dst(&plain);
        dst.open(QIODevice::WriteOnly);
        TLZR lzr;
        const bool ok = lzr.DeCompress(src, dst, checkMagic);
        if (!ok)
            plain.clear();
        return ok;
    };
    auto expectAgreement = [&](const QByteArray &data, const char *what) {
        for (const bool checkMagic : {true, false}) {
            QByteArray fromStream;
            QByteArray fromBuffer;
            const bool streamOk = viaStream(data, checkMagic, fromStream);
            const bool bufferOk = unpack(data, fromBuffer, checkMagic);
            ASSERT_EQ(bufferOk, streamOk) << what << " magic " << checkMagic << " size " << data.size();
            ASSERT_EQ(fromBuffer, fromStream) << what << " magic " << checkMagic;
        }
    };
    // Sizes around pieces and around batches of blocks (512 pieces), several batches included.
    const int piece = TLZR::PieceSize;
    for (const int size : {0, 1, piece - 1, piece, piece + 1, 64 * piece, 512 * piece, 512 * piece + 7, 1030 * piece + 123}) {
        // Fewer damaged copies of the big ones: each is expanded twice.
        const int variants = size > 64 * piece ? 2 : 6;
        const QByteArray valid = packed(size % 3 == 0 ? documentLikeText(size, quint32(size)) : randomBytes(size, quint32(size)));
        expectAgreement(valid, "valid");
        // Cut at block borders and inside blocks, a longer and a shorter length, bytes behind.
        QRandomGenerator rng(quint32(size) + 1);
        for (int i = 0; i < variants && valid.size() > 8; ++i)
            expectAgreement(valid.left(8 + rng.bounded(int(valid.size() - 8))), "cut");
        for (const int delta : {-1, 1, piece, -piece}) {
            QByteArray wrong = valid;
            const quint32 stored = uchar(wrong[4]) | uchar(wrong[5]) << 8 | uchar(wrong[6]) << 16 | quint32(uchar(wrong[7])) << 24;
            const quint32 length = stored + quint32(delta);
            for (int b = 0; b < 4; ++b)
                wrong[4 + b] = char(length >> (8 * b));
            expectAgreement(wrong, "another length");
        }
        expectAgreement(valid + packed(documentLikeText(5000, 9)), "bytes behind");
        // Bits flipped here and there.
        for (int round = 0; round < variants + 2; ++round) {
            QByteArray flipped = valid;
            for (int f = 0; f < 1 + round % 3; ++f) {
                const int at = rng.bounded(int(flipped.size()));
                flipped[at] = char(flipped[at] ^ (1 << rng.bounded(8)));
            }
            expectAgreement(flipped, "flipped");
        }
    }
    // A header promising four gigabytes over a few tiny blocks.
    expectAgreement(hex("7A697000FFFFFFFF") + hex("0000") + hex("0100") + hex("80"), "huge length");
    QByteArray empties = hex("7A697000FFFFFFFF");
    for (int i = 0; i < 2000; ++i)
        empties += hex("0000");
    expectAgreement(empties, "empty blocks behind a huge length");
}
