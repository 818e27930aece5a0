#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "treegrid/BaseTreeGrid.h"

class TCanvas;

enum TVSTTextType : std::uint8_t { ttNormal, ttStatic };
// Which nodes an export walks.
enum TVSTTextSourceType : std::uint8_t { tstAll, tstInitialized, tstSelected, tstCutCopySet, tstVisible };
// What an export produces, as the export events see it.
enum TTGExportType : std::uint8_t { etRTF, etHTML, etText, etExcel, etWord, etCustom };

class TTreeGridColumn;

// A tree-grid whose cells show text. It stores no text: the owner answers OnGetText per node,
// column and text type and receives edited text through OnNewText. The pixel width of the main
// column's text is cached per node (0 = not measured).
//   CustomStringTreeGrid.cpp       texts, widths, heights and the width cache
//   CustomStringTreeGridPaint.cpp  painting of normal and static text
//   CustomStringTreeGridInput.cpp  hints, tooltips and the incremental search
//   CustomStringTreeGridStream.cpp captions in node streams
//   CustomStringTreeGridExport.cpp text, CSV, HTML and RTF renderings of the content
class TCustomStringTreeGrid : public TBaseTreeGrid
{
    Q_OBJECT

public:
    using TTGGetTextEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                               TVSTTextType textType, QString &cellText)>;
    using TTGNewTextEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                               const QString &newText)>;
    using TTGPaintTextEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                 TColumnIndex column, TVSTTextType textType)>;
    using TTGShortenStringEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                     TColumnIndex column, const QString &s, int textMaxWidth,
                                                     QString &result, bool &done)>;
    using TTGMeasureTextWidthEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                        TColumnIndex column, const QString &text, int &extent)>;
    using TTGDrawTextEvent = std::function<void(TBaseTreeGrid *sender, TCanvas &canvas, PGridNode node,
                                                TColumnIndex column, const QString &text, const QRect &cellRect,
                                                bool &defaultDraw)>;

    explicit TCustomStringTreeGrid(QWidget *parent = nullptr);
    ~TCustomStringTreeGrid() override;

    TTGGetTextEvent OnGetText;
    TTGNewTextEvent OnNewText;
    TTGPaintTextEvent OnPaintText;
    TTGShortenStringEvent OnShortenString;
    TTGMeasureTextWidthEvent OnMeasureTextWidth;
    TTGDrawTextEvent OnDrawText;
    using TTGGetHintEvent = std::function<void(TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                               TTGTooltipLineBreakStyle &lineBreakStyle, QString &hintText)>;
    // The hint of a node (and, with hmTooltip, the text of its tooltip).
    TTGGetHintEvent OnGetHint;

    // ---- content export (CustomStringTreeGridExport.cpp)
    using TTGBeforeNodeExportEvent = std::function<void(TBaseTreeGrid *sender, TTGExportType exportType,
                                                        PGridNode node, bool &allowed)>;
    using TTGNodeExportEvent = std::function<void(TBaseTreeGrid *sender, TTGExportType exportType, PGridNode node)>;
    using TTGHeaderExportEvent = std::function<void(TBaseTreeGrid *sender, TTGExportType exportType)>;
    using TTGColumnExportEvent = std::function<void(TBaseTreeGrid *sender, TTGExportType exportType,
                                                    TTreeGridColumn *column)>;
    TTGBeforeNodeExportEvent OnBeforeNodeExport;
    TTGNodeExportEvent OnAfterNodeExport;
    TTGHeaderExportEvent OnBeforeHeaderExport;
    TTGHeaderExportEvent OnAfterHeaderExport;
    TTGColumnExportEvent OnBeforeColumnExport;
    TTGColumnExportEvent OnAfterColumnExport;

    // The nodes of a source with the visible columns as separated text, a header line first
    // when columns are used. A field holding the separator, a quote, CR or LF is quoted with
    // inner quotes doubled. ContentToText gives Windows-1252 bytes.
    QByteArray ContentToText(TVSTTextSourceType source, QChar separator);
    QByteArray ContentToText(TVSTTextSourceType source, const QString &separator);
    QString ContentToUnicode(TVSTTextSourceType source, QChar separator);
    QString ContentToUnicode(TVSTTextSourceType source, const QString &separator);
    // An HTML table (UTF-8) with the header row and one row per node.
    QByteArray ContentToHTML(TVSTTextSourceType source, const QString &caption = QString());
    // An RTF document with one table row per node.
    QByteArray ContentToRTF(TVSTTextSourceType source);
    // One clipboard rendering by format description ("Plain text", "Unicode text", "CSV",
    // "HTML Format", "Rich Text Format", "Rich Text Format Without Objects"), zero-terminated;
    // empty for any other format.
    QByteArray ContentToClipboard(const QString &format, TVSTTextSourceType source);
    // The HTML clipboard block around an HTML text: the offsets header and the fragment marks.
    static QByteArray MakeHTMLFragment(const QByteArray &html);
    // The export mode's filter by check state.
    bool CanExportNode(PGridNode node) const;

    QString DefaultText() const { return FDefaultText; }
    void SetDefaultText(const QString &value);

    TCustomStringTreeOptions &StringTreeOptions() const
    {
        return static_cast<TCustomStringTreeOptions &>(TreeOptions());
    }

    // The cell text: DefaultText as changed by OnGetText.
    QString Text(PGridNode node, TColumnIndex column);
    // Hands the text to OnNewText (the tree stores nothing) and repaints the node.
    void SetText(PGridNode node, TColumnIndex column, const QString &value);
    // The line height and the width of "..." in the window font.
    int TextHeight() const { return FTextHeight; }
    int EllipsisWidth() const { return FEllipsisWidth; }

    int DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas = nullptr) override;
    // The height a multi-line text needs in the cell (the cell text when s is empty).
    virtual int ComputeNodeHeight(TCanvas *canvas, PGridNode node, TColumnIndex column, QString s = QString());
    // The font a cell really uses (after OnPaintText), its text and the text's rectangle, for an
    // editor or a hint.
    virtual void GetTextInfo(PGridNode node, TColumnIndex column, TFont &font, QRect &r, QString &text);
    QRect InvalidateNode(PGridNode node) override;
    void ReinitNode(PGridNode node, bool recursive) override;
    // The first node and the step function an export walks for a source.
    void GetRenderStartValues(TVSTTextSourceType source, PGridNode &node,
                              std::function<PGridNode(PGridNode)> &getNextNode);
    // The node's cached main-column text width (0 = not measured); nil for nil or the root.
    std::uint32_t *InternalData(PGridNode node) const;
    // Forgets every node's cached main-column text width.
    void ClearCachedWidths();

protected:
    virtual void DoGetText(PGridNode node, TColumnIndex column, TVSTTextType textType, QString &text);
    virtual void DoNewText(PGridNode node, TColumnIndex column, const QString &text);
    virtual void DoPaintText(PGridNode node, TCanvas &canvas, TColumnIndex column, TVSTTextType textType);
    virtual QString DoShortenString(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &s, int width,
                                    int ellipsisWidth = 0);
    virtual void DoTextDrawing(TTGPaintInfo &paintInfo, const QString &text, QRect cellRect, uint drawFormat);
    virtual int DoTextMeasuring(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &text);
    virtual int CalculateTextWidth(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &text);
    bool ColumnIsEmpty(PGridNode node, TColumnIndex column) override;
    void AdjustPaintCellRect(TTGPaintInfo &paintInfo, TColumnIndex &nextNonEmpty) override;
    void DoPaintNode(TTGPaintInfo &paintInfo) override;
    void MainColumnChanged() override;
    void WindowFontChanged() override;
    void StringOptionsChanged(TTGStringOptions oldOptions, TTGStringOptions newOptions) override;
    // CustomStringTreeGridInput.cpp: hints and the incremental search by cell texts.
    QString DoGetNodeHint(PGridNode node, TColumnIndex column, TTGTooltipLineBreakStyle &lineBreakStyle) override;
    QString DoGetNodeTooltip(PGridNode node, TColumnIndex column, TTGTooltipLineBreakStyle &lineBreakStyle) override;
    int DoIncrementalSearch(PGridNode node, const QString &text) override;

    // CustomStringTreeGridExport.cpp: the export events.
    virtual bool DoBeforeNodeExport(TTGExportType exportType, PGridNode node);
    virtual void DoAfterNodeExport(TTGExportType exportType, PGridNode node);
    // The export's columns (visible, display order; none without columns) and its nodes.
    std::vector<TTreeGridColumn *> ExportColumns();
    std::vector<PGridNode> ExportNodes(TVSTTextSourceType source, bool exportableOnly, int &maxLevel);

    // A TStringEditLink unless the owner brings its own editor.
    std::shared_ptr<ITGEditLink> DoCreateEditor(PGridNode node, TColumnIndex column) override;
    bool AutoAcceptEditChange() const override;
    // The tree's own data formats plus the text renderings.
    QByteArray RenderOLEData(const QString &format, const std::vector<PGridNode> &nodes, bool forClipboard) override;

    // CustomStringTreeGridStream.cpp: the main column's text travels as a caption chunk.
    void WriteChunks(QByteArray &out, PGridNode node) override;
    void ReadChunk(PGridNode node, qint32 type, const QByteArray &data, qsizetype offset, qint32 size) override;

    // How a multi-line cell lays out its text, painted and measured alike: words wrap, a word
    // wider than the line breaks as an edit control breaks it, a cut text ends in an ellipsis.
    static constexpr uint MultilineTextFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS;

    void InitializeTextProperties(TTGPaintInfo &paintInfo);
    void PaintNormalText(TTGPaintInfo &paintInfo, const QString &text);
    void PaintStaticText(TTGPaintInfo &paintInfo, const QString &text);
    // The canvas measuring is done on when none is given.
    TCanvas &MeasureCanvas();
    // Shaping text is the costly part of shortening: results are kept per font and width (a
    // bounded store; the texts of a view repeat from paint to paint). Widths are kept by
    // CachedTextWidth.
    QString ShortenedText(TCanvas &canvas, const QString &text, int width, int ellipsisWidth);

    // Offset of the cached text width (4 bytes) in every node's internal area.
    std::uint32_t FInternalDataOffset = 0;
    QString FDefaultText;
    int FTextHeight = 0;
    int FEllipsisWidth = 0;
    std::unique_ptr<TCanvas> FMeasureCanvas;

private:
    struct TTextStore;
    TTextStore &TextStore(const TFont &font);
    std::vector<std::unique_ptr<TTextStore>> FTextStores;
};

// Takes over the font only where it differs, so that an unchanged font keeps its measurements.
void AssignFontIfChanged(TFont &target, const TFont &source);
