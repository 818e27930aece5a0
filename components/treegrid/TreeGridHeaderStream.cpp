#include <algorithm>
#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridStream.h"

// A stream is read completely and checked before anything changes, so that a damaged stream
// leaves header and columns as they were.

namespace {

constexpr qint32 HeaderStreamMarker = -1;
constexpr qint32 HeaderStreamVersion = 6;
constexpr int MaxColumnWidth = 10000;
constexpr int MaxHeaderHeight = 10000;
constexpr qint32 MaxStreamColumns = 1 << 16;
// Two lengths and ten values: the least a column takes in any version.
constexpr qint64 MinColumnBytes = 12 * 4;

} // namespace

struct TTGColumnRecord {
    QString Text;
    QString Hint;
    int Width = 50;
    int MinWidth = 10;
    int MaxWidth = MaxColumnWidth;
    TTreeGridColumnStyle Style = vsText;
    int ImageIndex = -1;
    TTGHeaderColumnLayout Layout = blGlyphLeft;
    int Margin = 4;
    int Spacing = 4;
    TColumnBiDiMode BiDiMode = bdLeftToRight;
    TTGColumnOptions Options = DefaultColumnOptions;
    int Tag = 0;
    TColumnAlignment Alignment = taLeftJustify;
    TColor Color = clWindow;
    TColumnAlignment CaptionAlignment = taLeftJustify;
};

struct TTGColumnsImage {
    std::vector<TTGColumnRecord> Columns;
    std::vector<TColumnIndex> PositionMap;
    bool HasDefaultWidth = false;
    int DefaultWidth = 50;
};

namespace {

TTGColumnOptions OptionsOfVersion(qint32 bits, int version)
{
    quint32 value = quint32(bits) & 0xFFFF;
    if (version == 2) {
        value &= 0xFF;
    } else if (version < 2) {
        // One option was inserted at bit 4 since.
        value = (value & 0x0F) | ((value & 0x70) << 1);
    }
    return TTGColumnOptions::fromBits(std::uint16_t(value & 0x7FFF));
}

TTGColumnsImage ReadColumnsImage(TTGStreamReader &reader, int version, qint32 count)
{
    TTGColumnsImage image;
    if (count < 0 || count > MaxStreamColumns || qint64(count) * MinColumnBytes > reader.BytesLeft())
        throw EReadError("Stream holds an impossible column count");
    image.Columns.resize(size_t(count));
    for (TTGColumnRecord &column : image.Columns) {
        column.Text = reader.ReadUtf16();
        column.Hint = reader.ReadUtf16();
        column.Width = reader.ReadInt32();
        column.MinWidth = reader.ReadInt32();
        column.MaxWidth = reader.ReadInt32();
        column.Style = TTreeGridColumnStyle(reader.ReadInt32(vsText, vsOwnerDraw));
        column.ImageIndex = std::max(-1, reader.ReadInt32());
        column.Layout = TTGHeaderColumnLayout(reader.ReadInt32(blGlyphLeft, blGlyphBottom));
        column.Margin = reader.ReadInt32();
        column.Spacing = reader.ReadInt32(-MaxColumnWidth, MaxColumnWidth);
        column.BiDiMode = TColumnBiDiMode(reader.ReadInt32(bdLeftToRight, bdRightToLeftReadingOnly));
        column.Options = OptionsOfVersion(reader.ReadInt32(), version);
        if (version > 0) {
            column.Tag = reader.ReadInt32();
            column.Alignment = TColumnAlignment(reader.ReadInt32(taLeftJustify, taCenter));
        }
        if (version > 1)
            column.Color = reader.ReadInt32();
        column.CaptionAlignment = column.Alignment;
        if (version > 5 && column.Options.contains(coUseCaptionAlignment))
            column.CaptionAlignment = TColumnAlignment(reader.ReadInt32(taLeftJustify, taCenter));

        // Sizes are kept in their ranges.
        column.MaxWidth = std::clamp(column.MaxWidth, 0, MaxColumnWidth);
        column.MinWidth = std::clamp(column.MinWidth, 0, column.MaxWidth);
        column.Width = std::clamp(column.Width, column.MinWidth, column.MaxWidth);
        if (column.Margin < 0 || column.Margin > MaxColumnWidth)
            column.Margin = 4;
    }
    if (count > 0) {
        image.PositionMap.resize(size_t(count));
        std::vector<bool> seen(size_t(count), false);
        bool permutation = true;
        for (TColumnIndex &entry : image.PositionMap) {
            entry = reader.ReadInt32();
            if (entry < 0 || entry >= count || seen[size_t(entry)])
                permutation = false;
            else
                seen[size_t(entry)] = true;
        }
        if (!permutation) {
            for (qint32 i = 0; i < count; ++i)
                image.PositionMap[size_t(i)] = i;
        }
    }
    if (version > 4) {
        image.HasDefaultWidth = true;
        image.DefaultWidth = std::clamp(reader.ReadInt32(), 0, MaxColumnWidth);
    }
    return image;
}

} // namespace

// ---- columns

void TTreeGridColumns::SaveToStream(QIODevice &stream) const
{
    TTGStreamWriter writer(stream);
    writer.WriteInt32(Count());
    for (const auto &column : FItems) {
        writer.WriteUtf16(column->FText);
        writer.WriteUtf16(column->FHint);
        writer.WriteInt32(column->FWidth);
        writer.WriteInt32(column->FMinWidth);
        writer.WriteInt32(column->FMaxWidth);
        writer.WriteInt32(column->FStyle);
        writer.WriteInt32(column->FImageIndex);
        writer.WriteInt32(column->FLayout);
        writer.WriteInt32(column->FMargin);
        writer.WriteInt32(column->FSpacing);
        writer.WriteInt32(column->FBiDiMode);
        writer.WriteInt32(column->FOptions.bits());
        writer.WriteInt32(column->FTag);
        writer.WriteInt32(column->FAlignment);
        writer.WriteInt32(column->FColor);
        if (column->FOptions.contains(coUseCaptionAlignment))
            writer.WriteInt32(column->FCaptionAlignment);
    }
    if (Count() > 0) {
        for (TColumnIndex index : FPositionToIndex)
            writer.WriteInt32(index);
    }
    writer.WriteInt32(FDefaultWidth);
}

void TTreeGridColumns::LoadFromStream(QIODevice &stream, int version)
{
    TTGStreamReader reader(stream);
    const TTGColumnsImage image = ReadColumnsImage(reader, version, reader.ReadInt32());
    const bool wasLoading = FHeader && FHeader->IsLoading();
    if (FHeader && !wasLoading)
        FHeader->FStates += hsLoading;
    ApplyImage(image);
    if (FHeader && !wasLoading) {
        FHeader->FStates -= hsLoading;
        FHeader->TreeDoColumnResize(NoColumn);
    }
}

void TTreeGridColumns::ApplyImage(const TTGColumnsImage &image)
{
    Clear();
    if (image.HasDefaultWidth)
        FDefaultWidth = image.DefaultWidth;
    for (const TTGColumnRecord &record : image.Columns) {
        TTreeGridColumn *column = Add();
        column->FText = record.Text;
        column->FHint = record.Hint;
        column->FCaptionText.clear();
        column->FMaxWidth = record.MaxWidth;
        column->FMinWidth = record.MinWidth;
        column->FWidth = record.Width;
        column->FLastWidth = record.Width;
        column->FStyle = record.Style;
        column->FImageIndex = record.ImageIndex;
        column->FLayout = record.Layout;
        column->FMargin = record.Margin;
        column->FSpacing = record.Spacing;
        column->FBiDiMode = record.BiDiMode;
        column->FOptions = record.Options;
        column->FTag = record.Tag;
        column->FAlignment = record.Alignment;
        column->FColor = record.Color;
        column->FCaptionAlignment = record.CaptionAlignment;
        column->FBonusPixel = false;
        column->FSpringRest = 0.0f;
    }
    for (size_t position = 0; position < image.PositionMap.size(); ++position)
        FItems[size_t(image.PositionMap[position])]->FPosition = TColumnPosition(position);
    FixPositions();
}

// ---- header

void TTreeGridHeader::SaveToStream(QIODevice &stream) const
{
    TTGStreamWriter writer(stream);
    writer.WriteInt32(HeaderStreamMarker);
    writer.WriteInt32(HeaderStreamVersion);
    FColumns->SaveToStream(stream);
    writer.WriteInt32(FAutoSizeIndex);
    writer.WriteInt32(FBackground);
    writer.WriteInt32(FHeight);
    writer.WriteInt32(FOptions.bits());
    writer.WriteInt32(FStyle);
    writer.WriteInt32(FFont.Color());
    writer.WriteInt32(FFont.Height());
    writer.WriteUtf8(FFont.Name());
    writer.WriteInt32(0); // pitch: the family decides
    writer.WriteInt32(int(FFont.Style()));
    writer.WriteInt32(FMainColumn);
    writer.WriteInt32(FSortColumn);
    writer.WriteInt32(FSortDirection);
    writer.WriteInt32(FParentFont ? 1 : 0);
    writer.WriteInt32(FMaxHeight);
    writer.WriteInt32(FMinHeight);
    writer.WriteInt32(FDefaultHeight);
    writer.WriteInt32(FFixedAreaConstraints.MaxHeightPercent());
    writer.WriteInt32(FFixedAreaConstraints.MaxWidthPercent());
    writer.WriteInt32(FFixedAreaConstraints.MinHeightPercent());
    writer.WriteInt32(FFixedAreaConstraints.MinWidthPercent());
}

void TTreeGridHeader::LoadFromStream(QIODevice &stream)
{
    TTGStreamReader reader(stream);
    int version = -1;
    qint32 first = reader.ReadInt32();
    if (first < 0) {
        if (first != HeaderStreamMarker)
            throw EReadError("Stream holds no header");
        version = reader.ReadInt32(0, HeaderStreamVersion);
        first = reader.ReadInt32();
    }
    // Without the marker the first value was already the column count.
    const TTGColumnsImage columns = ReadColumnsImage(reader, version, first);
    const TColumnIndex autoSizeIndex = reader.ReadInt32();
    const TColor background = reader.ReadInt32();
    const int height = reader.ReadInt32();
    const TTGHeaderOptions options = TTGHeaderOptions::fromBits(std::uint16_t(reader.ReadInt32() & 0xFFFF));
    const auto style = TTGHeaderStyle(reader.ReadInt32(hsThickButtons, hsXPStyle));
    const TColor fontColor = reader.ReadInt32();
    const int fontHeight = reader.ReadInt32(-1000, 1000);
    const QString fontName = reader.ReadUtf8();
    reader.ReadInt32(); // pitch
    const int fontStyle = reader.ReadInt32() & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
    TColumnIndex mainColumn = FMainColumn;
    TColumnIndex sortColumn = FSortColumn;
    TSortDirection sortDirection = FSortDirection;
    if (version > 0) {
        mainColumn = reader.ReadInt32();
        sortColumn = reader.ReadInt32();
        sortDirection = TSortDirection(reader.ReadInt32(sdAscending, sdDescending));
    }
    bool parentFont = FParentFont;
    int maxHeight = FMaxHeight, minHeight = FMinHeight, defaultHeight = FDefaultHeight;
    int percents[4] = {FFixedAreaConstraints.FMaxHeightPercent, FFixedAreaConstraints.FMaxWidthPercent,
                       FFixedAreaConstraints.FMinHeightPercent, FFixedAreaConstraints.FMinWidthPercent};
    if (version > 4) {
        parentFont = reader.ReadInt32() != 0;
        maxHeight = reader.ReadInt32();
        minHeight = reader.ReadInt32();
        defaultHeight = reader.ReadInt32();
        for (int &percent : percents)
            percent = std::clamp(reader.ReadInt32(), 0, 100);
    }

    // Everything read: apply.
    FStates += hsLoading;
    FOptions = {};
    FColumns->ApplyImage(columns);
    const int count = FColumns->Count();
    FAutoSizeIndex = std::clamp(autoSizeIndex, NoColumn, count - 1);
    FBackground = background;
    FOptions = options;
    FStyle = style;
    FFont.OnChange = nullptr;
    FFont.SetColor(fontColor);
    FFont.SetHeight(fontHeight);
    if (!fontName.isEmpty())
        FFont.SetName(fontName.left(256));
    FFont.SetStyle(TFontStyles(fontStyle));
    FFont.OnChange = [this](TGraphicsObject *) { FontChanged(); };
    FMainColumn = count == 0 ? NoColumn : std::clamp(mainColumn, 0, count - 1);
    FSortColumn = std::clamp(sortColumn, NoColumn, count - 1);
    FSortDirection = sortDirection;
    FParentFont = parentFont;
    FMaxHeight = std::clamp(maxHeight, 0, MaxHeaderHeight);
    FMinHeight = std::clamp(minHeight, 0, FMaxHeight);
    FDefaultHeight = std::clamp(defaultHeight, FMinHeight, FMaxHeight);
    FFixedAreaConstraints.FMaxHeightPercent = percents[0];
    FFixedAreaConstraints.FMaxWidthPercent = percents[1];
    FFixedAreaConstraints.FMinHeightPercent = percents[2];
    FFixedAreaConstraints.FMinWidthPercent = percents[3];
    FHeight = std::clamp(height, FMinHeight, FMaxHeight);
    FStates -= hsLoading;

    if (FParentFont) {
        TTGHeaderMessage message;
        message.Kind = hmParentFontChanged;
        HandleMessage(message);
    }
    RecalculateHeader();
    Invalidate();
    TreeDoColumnResize(NoColumn);
}
