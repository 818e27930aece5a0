#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include "TreeGridHeaderTestSupport.h"
#include "treegrid/TreeGridStream.h"

using headertest::THeaderFixture;

namespace {

QByteArray Save(const TTreeGridHeader &header)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    header.SaveToStream(buffer);
    return bytes;
}

void Load(TTreeGridHeader &header, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    header.LoadFromStream(buffer);
}

// A header stream written by hand, value by value.
struct TStreamWriter {
    QByteArray bytes;
    TStreamWriter &Int(qint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
        return *this;
    }
    TStreamWriter &Text(const QString &s)
    {
        Int(qint32(s.size()));
        for (QChar c : s) {
            char b[2];
            qToLittleEndian<quint16>(c.unicode(), b);
            bytes.append(b, 2);
        }
        return *this;
    }
    TStreamWriter &Utf8(const QByteArray &s)
    {
        Int(qint32(s.size()));
        bytes.append(s);
        return *this;
    }
    // One column as old versions wrote it; options as given.
    TStreamWriter &Column(const QString &caption, int width, qint32 options, int version)
    {
        Text(caption).Text(QString()).Int(width).Int(10).Int(10000).Int(0).Int(-1).Int(0).Int(4).Int(4).Int(0);
        Int(options);
        if (version > 0)
            Int(7).Int(taRightJustify);
        if (version > 1)
            Int(0x123456);
        return *this;
    }
    // The header fields after the columns as version -1 and 0 have them.
    TStreamWriter &OldHeaderTail(int version)
    {
        Int(1).Int(clBtnFace).Int(23).Int(TTGHeaderOptions{hoVisible, hoDrag}.bits()).Int(hsFlatButtons);
        Int(clBlack).Int(-11).Utf8("DejaVu Sans").Int(0).Int(fsBold);
        if (version > 0)
            Int(1).Int(0).Int(sdDescending);
        return *this;
    }
};

void Configure(THeaderFixture &f)
{
    TTreeGridColumn *a = f.columns->Items(0);
    TTreeGridColumn *b = f.columns->Items(1);
    TTreeGridColumn *c = f.columns->Items(2);
    a->SetText(QStringLiteral("Start \u03A3"));
    a->SetHint(QStringLiteral("filtered: > 2024"));
    a->SetMinWidth(20);
    a->SetMaxWidth(300);
    a->SetImageIndex(22);
    a->SetLayout(blGlyphRight);
    a->SetMargin(6);
    a->SetSpacing(3);
    a->SetTag(42);
    a->SetAlignment(taCenter);
    a->SetCaptionAlignment(taRightJustify);
    b->SetColor(0x00FF00);
    b->SetStyle(vsOwnerDraw);
    b->SetOptions(b->Options() + coSmartResize + coWrapCaption - coDraggable);
    c->SetBiDiMode(bdRightToLeft);
    c->SetPosition(0);
    f.columns->SetDefaultWidth(77);
    f.header->SetAutoSizeIndex(2);
    f.header->SetBackground(0x112233);
    f.header->SetHeight(26);
    f.header->SetOptions(f.header->Options() + hoHotTrack + hoShowHint + hoHeightResize);
    f.header->SetStyle(hsPlates);
    TFont font;
    font.SetName(QStringLiteral("DejaVu Sans"));
    font.SetHeight(-13);
    font.SetColor(0x0000AA);
    font.SetStyle(fsItalic);
    f.header->SetFont(font);
    f.header->SetMainColumn(1);
    f.header->SetSortColumn(2);
    f.header->SetSortDirection(sdDescending);
    f.header->SetMaxHeight(60);
    f.header->SetMinHeight(12);
    f.header->FixedAreaConstraints().SetMaxHeightPercent(40);
    f.header->FixedAreaConstraints().SetMinWidthPercent(5);
}

void ExpectSameHeader(const TTreeGridHeader &a, const TTreeGridHeader &b)
{
    EXPECT_TRUE(a.Columns()->Equals(*b.Columns()));
    EXPECT_EQ(a.Columns()->DefaultWidth(), b.Columns()->DefaultWidth());
    for (int i = 0; i < a.Columns()->Count(); ++i) {
        EXPECT_EQ(a.Columns()->Items(i)->Left(), b.Columns()->Items(i)->Left());
        EXPECT_EQ(a.Columns()->Items(i)->CaptionAlignment(), b.Columns()->Items(i)->CaptionAlignment());
    }
    EXPECT_EQ(a.AutoSizeIndex(), b.AutoSizeIndex());
    EXPECT_EQ(a.Background(), b.Background());
    EXPECT_EQ(a.Height(), b.Height());
    EXPECT_EQ(a.Options(), b.Options());
    EXPECT_EQ(a.Style(), b.Style());
    EXPECT_EQ(a.Font().Name(), b.Font().Name());
    EXPECT_EQ(a.Font().Height(), b.Font().Height());
    EXPECT_EQ(a.Font().Color(), b.Font().Color());
    EXPECT_EQ(a.Font().Style(), b.Font().Style());
    EXPECT_EQ(a.MainColumn(), b.MainColumn());
    EXPECT_EQ(a.SortColumn(), b.SortColumn());
    EXPECT_EQ(a.SortDirection(), b.SortDirection());
    EXPECT_EQ(a.ParentFont(), b.ParentFont());
    EXPECT_EQ(a.MaxHeight(), b.MaxHeight());
    EXPECT_EQ(a.MinHeight(), b.MinHeight());
    EXPECT_EQ(a.DefaultHeight(), b.DefaultHeight());
    EXPECT_EQ(a.FixedAreaConstraints().MaxHeightPercent(), b.FixedAreaConstraints().MaxHeightPercent());
    EXPECT_EQ(a.FixedAreaConstraints().MaxWidthPercent(), b.FixedAreaConstraints().MaxWidthPercent());
    EXPECT_EQ(a.FixedAreaConstraints().MinHeightPercent(), b.FixedAreaConstraints().MinHeightPercent());
    EXPECT_EQ(a.FixedAreaConstraints().MinWidthPercent(), b.FixedAreaConstraints().MinWidthPercent());
}

TEST(TreeGridHeaderStreamTest, HeaderAndColumnsReadBackAsWritten)
{
    THeaderFixture source({60, 70, 80});
    Configure(source);
    const QByteArray bytes = Save(*source.header);
    ASSERT_EQ(qFromLittleEndian<qint32>(bytes.constData()), -1);
    ASSERT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 4), 6);

    THeaderFixture target({10});
    int resized = 0;
    target.tree->OnColumnResize = [&](TTreeGridHeader *, TColumnIndex column) {
        EXPECT_EQ(column, NoColumn);
        ++resized;
    };
    Load(*target.header, bytes);
    ExpectSameHeader(*source.header, *target.header);
    EXPECT_EQ(target.Order(), source.Order());
    EXPECT_EQ(resized, 1);
    EXPECT_FALSE(target.header->States().contains(hsLoading));
    EXPECT_EQ(target.strip->height(), 26);
    // Written again, the same bytes.
    EXPECT_EQ(Save(*target.header), bytes);

    // A header without columns, too.
    THeaderFixture empty({});
    Load(*target.header, Save(*empty.header));
    EXPECT_EQ(target.columns->Count(), 0);
    EXPECT_EQ(target.header->MainColumn(), NoColumn);
}

TEST(TreeGridHeaderStreamTest, OldVersionsShiftTheirOptionBitsAndLackLaterFields)
{
    // Version -1: no marker; the options of old streams had no bit 4 yet.
    const qint32 oldOptions = 0x7F; // bits 0-6 of the old numbering
    TStreamWriter v1;
    v1.Int(2).Column(QStringLiteral("A"), 30, oldOptions, -1).Column(QStringLiteral("B"), 40, 0x05, -1);
    v1.Int(1).Int(0); // position map
    v1.OldHeaderTail(-1);
    THeaderFixture f({10, 10, 10});
    f.header->SetSortColumn(2);
    f.header->SetMainColumn(2);
    Load(*f.header, v1.bytes);
    ASSERT_EQ(f.columns->Count(), 2);
    EXPECT_EQ(f.Order(), "BA");
    const TTGColumnOptions expected = TTGColumnOptions::fromBits(0x0F | 0xE0);
    EXPECT_EQ(f.columns->Items(0)->Options(), expected);
    EXPECT_FALSE(f.columns->Items(0)->Options().contains(coParentColor)); // the inserted bit 4
    EXPECT_EQ(f.columns->Items(0)->Tag(), 0);
    EXPECT_EQ(f.columns->Items(0)->Alignment(), taLeftJustify);
    EXPECT_EQ(f.columns->Items(1)->Width(), 40);
    EXPECT_EQ(f.header->Height(), 23);
    EXPECT_EQ(f.header->Style(), hsFlatButtons);
    EXPECT_TRUE(f.header->Font().Style().testFlag(fsBold));
    // Without main and sort column in the stream, they stay in range.
    EXPECT_EQ(f.header->SortColumn(), 1);
    EXPECT_EQ(f.header->MainColumn(), 1);

    // Version 1 brings tag and alignment, and main and sort column.
    for (int version : {0, 1}) {
        TStreamWriter w;
        w.Int(-1).Int(version).Int(1).Column(QStringLiteral("C"), 55, 0x70, version).Int(0);
        w.OldHeaderTail(version);
        Load(*f.header, w.bytes);
        ASSERT_EQ(f.columns->Count(), 1);
        EXPECT_EQ(f.columns->Items(0)->Options(), TTGColumnOptions::fromBits(0xE0)) << version;
        EXPECT_EQ(f.columns->Items(0)->Tag(), version > 0 ? 7 : 0);
        EXPECT_EQ(f.columns->Items(0)->Alignment(), version > 0 ? taRightJustify : taLeftJustify);
        EXPECT_EQ(f.columns->Items(0)->Color(), TColor(clWindow));
        EXPECT_EQ(f.header->SortDirection(), version > 0 ? sdDescending : sdAscending) << version;
    }

    // Version 2 keeps only the low byte; colour is there.
    TStreamWriter v2;
    v2.Int(-1).Int(2).Int(1).Column(QStringLiteral("D"), 55, 0x1FFF, 2).Int(0).OldHeaderTail(2);
    Load(*f.header, v2.bytes);
    EXPECT_EQ(f.columns->Items(0)->Options(), TTGColumnOptions::fromBits(0xFF));
    EXPECT_EQ(f.columns->Items(0)->Color(), TColor(0x123456));
}

TEST(TreeGridHeaderStreamTest, DamagedStreamsRaiseAndLeaveTheColumnsAsTheyWere)
{
    THeaderFixture source({60, 70, 80});
    Configure(source);
    const QByteArray good = Save(*source.header);

    THeaderFixture target({11, 22});
    target.columns->Items(1)->SetPosition(0);
    const QByteArray before = Save(*target.header);
    // Every cut of a good stream is refused whole.
    for (int length = 0; length < good.size(); ++length) {
        EXPECT_THROW(Load(*target.header, good.left(length)), EReadError) << length;
        ASSERT_EQ(Save(*target.header), before) << length;
    }

    auto patched = [&](int offset, qint32 value) {
        QByteArray bytes = good;
        qToLittleEndian(value, bytes.data() + offset);
        return bytes;
    };
    // An impossible column count, caption length, enumeration value or version.
    EXPECT_THROW(Load(*target.header, patched(8, 1 << 30)), EReadError);
    EXPECT_THROW(Load(*target.header, patched(8, -3)), EReadError);
    EXPECT_THROW(Load(*target.header, patched(12, 0x7FFFFFFF)), EReadError);
    EXPECT_THROW(Load(*target.header, patched(12, 100000)), EReadError);
    EXPECT_THROW(Load(*target.header, patched(4, 7)), EReadError);
    EXPECT_THROW(Load(*target.header, patched(0, -2)), EReadError);
    const int firstCaptionChars = source.columns->Items(0)->Text().size();
    const int styleOffset = 12 + 4 + 2 * firstCaptionChars + 4 + 2 * source.columns->Items(0)->Hint().size() + 12;
    EXPECT_THROW(Load(*target.header, patched(styleOffset, 9)), EReadError);
    EXPECT_EQ(Save(*target.header), before);

    // A position map that is no permutation: the columns come in index order.
    THeaderFixture plain({60, 70});
    plain.columns->Items(1)->SetPosition(0);
    QByteArray bytes = Save(*plain.header);
    const int mapOffset = bytes.indexOf(QByteArray::fromRawData("\x01\x00\x00\x00\x00\x00\x00\x00", 8),
                                        12 + 2 * 52);
    ASSERT_GT(mapOffset, 0);
    qToLittleEndian<qint32>(1, bytes.data() + mapOffset + 4);
    Load(*target.header, bytes);
    EXPECT_EQ(target.Order(), "AB");

    // Sizes out of range are clamped.
    TStreamWriter w;
    w.Int(-1).Int(1).Int(1).Text(QStringLiteral("X")).Text(QString()).Int(50000).Int(-5).Int(20000);
    w.Int(0).Int(-1).Int(0).Int(-7).Int(4).Int(0).Int(DefaultColumnOptions.bits()).Int(0).Int(0).Int(0);
    w.OldHeaderTail(1);
    Load(*target.header, w.bytes);
    EXPECT_EQ(target.columns->Items(0)->Width(), 10000);
    EXPECT_EQ(target.columns->Items(0)->MinWidth(), 0);
    EXPECT_EQ(target.columns->Items(0)->Margin(), 4);
}

TEST(TreeGridHeaderStreamTest, ColumnsAloneAndFailedWrites)
{
    THeaderFixture source({60, 70, 80});
    Configure(source);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        source.columns->SaveToStream(buffer);
    }
    THeaderFixture target({5});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    target.columns->LoadFromStream(buffer, 6);
    EXPECT_TRUE(target.columns->Equals(*source.columns));
    EXPECT_EQ(buffer.pos(), bytes.size());

    // A device that takes nothing: the write fails loudly.
    QBuffer closed;
    closed.open(QIODevice::ReadOnly);
    EXPECT_THROW(source.header->SaveToStream(closed), EWriteError);
}

} // namespace
