#include "treegrid/CustomStringTreeGrid.h"

#include <QHash>

#include "Canvas.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"
#include "treegrid/TreeGridTextWidths.h"

void AssignFontIfChanged(TFont &target, const TFont &source)
{
    if (target.Name() != source.Name() || target.Height() != source.Height()
        || target.PixelsPerInch() != source.PixelsPerInch() || target.Color() != source.Color()
        || target.Style() != source.Style() || target.Orientation() != source.Orientation()
        || target.Quality() != source.Quality())
        target.Assign(source);
}

TCustomStringTreeGrid::TCustomStringTreeGrid(QWidget *parent)
    : TBaseTreeGrid(parent)
    , FDefaultText(QStringLiteral("Node"))
{
    // Replaced before any node exists, so nothing refers to the base options yet.
    auto options = std::make_unique<TCustomStringTreeOptions>(this);
    FOptions->AssignTo(*options);
    FOptions = std::move(options);
    FInternalDataOffset = AllocateInternalDataArea(4);
    WindowFontChanged();
}

TCustomStringTreeGrid::~TCustomStringTreeGrid()
{
    DestroyTree();
}

void TCustomStringTreeGrid::SetDefaultText(const QString &value)
{
    if (FDefaultText == value)
        return;
    FDefaultText = value;
    if (!FLoading)
        Invalidate();
}

TCanvas &TCustomStringTreeGrid::MeasureCanvas()
{
    if (!FMeasureCanvas)
        FMeasureCanvas = std::make_unique<TCanvas>(1, 1);
    return *FMeasureCanvas;
}

std::uint32_t *TCustomStringTreeGrid::InternalData(PGridNode node) const
{
    if (!node || node == FRoot)
        return nullptr;
    return static_cast<std::uint32_t *>(TBaseTreeGrid::InternalData(node, FInternalDataOffset));
}

void TCustomStringTreeGrid::ClearCachedWidths()
{
    for (PGridNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
        *InternalData(run) = 0;
}

// ---- texts

QString TCustomStringTreeGrid::Text(PGridNode node, TColumnIndex column)
{
    TGAssert(node != nullptr, "Node must not be nil.");
    if (node != FRoot && !node->States.contains(vsInitialized))
        InitNode(node);
    QString text = FDefaultText;
    DoGetText(node, column, ttNormal, text);
    return text;
}

void TCustomStringTreeGrid::SetText(PGridNode node, TColumnIndex column, const QString &value)
{
    // The owner's handler may delete the node (or clear the tree): only a node still there is
    // repainted.
    DoNewText(node, column, value);
    if (!IsRemoved(node))
        InvalidateNode(node);
}

void TCustomStringTreeGrid::DoGetText(PGridNode node, TColumnIndex column, TVSTTextType textType, QString &text)
{
    Raise(OnGetText, node, column, textType, text);
}

void TCustomStringTreeGrid::DoNewText(PGridNode node, TColumnIndex column, const QString &text)
{
    Raise(OnNewText, node, column, text);
    if (FUpdateCount == 0)
        UpdateHorizontalScrollBar(true);
}

void TCustomStringTreeGrid::DoPaintText(PGridNode node, TCanvas &canvas, TColumnIndex column, TVSTTextType textType)
{
    Raise(OnPaintText, canvas, node, column, textType);
}

QString TCustomStringTreeGrid::DoShortenString(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &s,
                                               int width, int ellipsisWidth)
{
    QString result;
    bool done = false;
    Raise(OnShortenString, canvas, node, column, s, width, result, done);
    if (!done)
        result = ShortenedText(canvas, s, width, ellipsisWidth);
    return result;
}

bool TCustomStringTreeGrid::ColumnIsEmpty(PGridNode node, TColumnIndex column)
{
    return Text(node, column).isEmpty() && TBaseTreeGrid::ColumnIsEmpty(node, column);
}

// ---- widths and heights

struct TCustomStringTreeGrid::TTextStore {
    TFontShape shape;
    QHash<QString, QString> shortened;
};

namespace {
constexpr int MaxStoredFonts = 8;
constexpr int MaxStoredTexts = 20000;
} // namespace

TCustomStringTreeGrid::TTextStore &TCustomStringTreeGrid::TextStore(const TFont &font)
{
    for (const auto &store : FTextStores)
        if (font.HasShape(store->shape))
            return *store;
    if (int(FTextStores.size()) >= MaxStoredFonts)
        FTextStores.clear();
    auto store = std::make_unique<TTextStore>();
    store->shape = font.Shape();
    FTextStores.push_back(std::move(store));
    return *FTextStores.back();
}

QString TCustomStringTreeGrid::ShortenedText(TCanvas &canvas, const QString &text, int width, int ellipsisWidth)
{
    TTextStore &store = TextStore(canvas.Font());
    const QString key = QString::number(width) + u'/' + QString::number(ellipsisWidth) + u'/' + text;
    const auto found = store.shortened.constFind(key);
    if (found != store.shortened.constEnd())
        return *found;
    if (store.shortened.size() >= MaxStoredTexts)
        store.shortened.clear();
    const QString result = ShortenString(canvas, text, width, ellipsisWidth);
    store.shortened.insert(key, result);
    return result;
}

int TCustomStringTreeGrid::DoTextMeasuring(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &text)
{
    int width = CachedTextWidth(canvas, text);
    if (node->States.contains(vsMultiline)) {
        uint flags = DT_CALCRECT | MultilineTextFlags;
        TColumnAlignment alignment = TreeAlignment();
        if (UseColumns() && Header()->Columns()->IsValidColumn(column))
            alignment = Header()->Columns()->Items(column)->Alignment();
        flags |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
        if (UseRightToLeftReading())
            flags |= DT_RTLREADING;
        QRect r(0, 0, width, 0);
        canvas.DrawText(text, r, flags);
        width = r.width();
    }
    Raise(OnMeasureTextWidth, canvas, node, column, text, width);
    return width;
}

int TCustomStringTreeGrid::CalculateTextWidth(TCanvas &canvas, PGridNode node, TColumnIndex column, const QString &text)
{
    int result = 2 * FTextMargin;
    if (!text.isEmpty()) {
        AssignFontIfChanged(canvas.Font(), TreeFont());
        DoPaintText(node, canvas, column, ttNormal);
        result += DoTextMeasuring(canvas, node, column, text);
    }
    return result;
}

int TCustomStringTreeGrid::DoGetNodeWidth(PGridNode node, TColumnIndex column, TCanvas *canvas)
{
    if (!node || node == FRoot)
        return 0;
    if (column > NoColumn && node->States.contains(vsMultiline) && UseColumns()
        && Header()->Columns()->IsValidColumn(column))
        return Header()->Columns()->Items(column)->Width();
    if (!canvas)
        canvas = &MeasureCanvas();
    if (column != MainColumn())
        return CalculateTextWidth(*canvas, node, column, Text(node, column));
    std::uint32_t *cached = InternalData(node);
    if (*cached == 0)
        *cached = std::uint32_t(std::max(0, CalculateTextWidth(*canvas, node, column, Text(node, column))));
    return int(*cached);
}

int TCustomStringTreeGrid::ComputeNodeHeight(TCanvas *canvas, PGridNode node, TColumnIndex column, QString s)
{
    if (s.isEmpty())
        s = Text(node, column);
    if (!canvas) {
        canvas = &MeasureCanvas();
        AssignFontIfChanged(canvas->Font(), TreeFont());
    }
    // Laid out as the cell paints it, else the painted text could need more lines than were
    // measured.
    uint flags = DT_TOP | DT_CALCRECT | MultilineTextFlags;
    TTGPaintInfo paintInfo;
    paintInfo.Node = node;
    paintInfo.Column = column;
    const bool useColumns = UseColumns() && Header()->Columns()->IsValidColumn(column);
    if (useColumns) {
        const TTreeGridColumn *item = Header()->Columns()->Items(column);
        if (item->UseRightToLeftReading())
            flags |= DT_RIGHT | DT_RTLREADING;
        paintInfo.BidiMode = item->BiDiMode();
        paintInfo.CellRect = MakeRect(0, 0, item->Width(), 0);
    } else {
        if (UseRightToLeftReading())
            flags |= DT_RIGHT | DT_RTLREADING;
        paintInfo.BidiMode = UseRightToLeftReading() ? bdRightToLeft : bdLeftToRight;
        paintInfo.CellRect = MakeRect(0, 0, ClientWidth(), 0);
    }
    TColumnIndex next = InvalidColumn;
    AdjustPaintCellRect(paintInfo, next);
    // The text is laid out as wide as painting gives it: the cell less the margin, the
    // indentation, the check, state and normal images, the text margins and a vertical grid line.
    const bool mainColumn = useColumns ? column == MainColumn() : true;
    int width = paintInfo.CellRect.width() - ContentOffset(node, column, mainColumn) - 2 * FTextMargin;
    if (useColumns && FOptions->PaintOptions().contains(toShowVertGridLines)
        && !(Header()->Options().contains(hoAutoResize) && column == Header()->Columns()->GetLastVisibleColumn()))
        --width;
    QRect r = MakeRect(0, 0, std::max(width, 1), 0);
    canvas->DrawText(s, r, flags);
    return r.height();
}

void TCustomStringTreeGrid::AdjustPaintCellRect(TTGPaintInfo &paintInfo, TColumnIndex &nextNonEmpty)
{
    TBaseTreeGrid::AdjustPaintCellRect(paintInfo, nextNonEmpty);
    if (!FOptions->AutoOptions().contains(toAutoSpanColumns) || !UseColumns()
        || paintInfo.BidiMode != bdLeftToRight)
        return;
    // The cell grows over following columns that are empty for this node.
    TTreeGridColumns *columns = Header()->Columns();
    while (nextNonEmpty > NoColumn && ColumnIsEmpty(paintInfo.Node, nextNonEmpty)
           && columns->Items(nextNonEmpty)->BiDiMode() == bdLeftToRight) {
        SetRectRight(paintInfo.CellRect, RectRight(paintInfo.CellRect) + columns->Items(nextNonEmpty)->Width());
        nextNonEmpty = columns->GetNextVisibleColumn(nextNonEmpty);
    }
}

void TCustomStringTreeGrid::GetTextInfo(PGridNode node, TColumnIndex column, TFont &font, QRect &r, QString &text)
{
    TCanvas &canvas = MeasureCanvas();
    AssignFontIfChanged(canvas.Font(), TreeFont());
    const quint64 before = canvas.Font().Version();
    DoPaintText(node, canvas, column, ttNormal);
    font.Assign(canvas.Font());
    const int textHeight = canvas.Font().Version() != before ? canvas.FontHeight() : FTextHeight;
    text = Text(node, column);
    r = GetDisplayRect(node, column, true, !node->States.contains(vsMultiline), true);
    if (FOptions->PaintOptions().contains(toShowHorzGridLines))
        SetRectBottom(r, RectBottom(r) - 1);
    // Grown or shrunk to the text height, evenly on both sides as a single line is painted.
    const int textTop = r.top() + (r.height() - textHeight) / 2;
    r = MakeRect(r.left(), textTop, RectRight(r), textTop + textHeight);
}

// ---- cache upkeep

QRect TCustomStringTreeGrid::InvalidateNode(PGridNode node)
{
    const QRect result = TBaseTreeGrid::InvalidateNode(node);
    if (std::uint32_t *cached = InternalData(node)) {
        *cached = 0;
        node->States.exclude(vsHeightMeasured);
    }
    return result;
}

void TCustomStringTreeGrid::ReinitNode(PGridNode node, bool recursive)
{
    TBaseTreeGrid::ReinitNode(node, recursive);
    if (std::uint32_t *cached = InternalData(node))
        *cached = 0;
}

void TCustomStringTreeGrid::MainColumnChanged()
{
    TBaseTreeGrid::MainColumnChanged();
    ClearCachedWidths();
}

void TCustomStringTreeGrid::WindowFontChanged()
{
    TCanvas &canvas = MeasureCanvas();
    canvas.Font().Assign(TreeFont());
    FTextHeight = canvas.FontHeight();
    FEllipsisWidth = canvas.TextWidth(QStringLiteral("..."));
    if (FRoot)
        ClearCachedWidths();
}

void TCustomStringTreeGrid::StringOptionsChanged(TTGStringOptions oldOptions, TTGStringOptions newOptions)
{
    if (oldOptions.contains(toShowStaticText) != newOptions.contains(toShowStaticText) && IsLive())
        Invalidate();
}

void TCustomStringTreeGrid::GetRenderStartValues(TVSTTextSourceType source, PGridNode &node,
                                                 std::function<PGridNode(PGridNode)> &getNextNode)
{
    switch (source) {
    case tstInitialized:
        node = GetFirstInitialized();
        getNextNode = [this](PGridNode n) { return GetNextInitialized(n); };
        break;
    case tstSelected:
        node = GetFirstSelected();
        getNextNode = [this](PGridNode n) { return GetNextSelected(n); };
        break;
    case tstCutCopySet:
        node = GetFirst();
        while (node && !node->States.contains(vsCutOrCopy))
            node = GetNext(node);
        getNextNode = [this](PGridNode n) {
            for (n = GetNext(n); n && !n->States.contains(vsCutOrCopy); n = GetNext(n)) {
            }
            return n;
        };
        break;
    case tstVisible:
        node = GetFirstVisible(nullptr, true);
        getNextNode = [this](PGridNode n) { return GetNextVisible(n, true); };
        break;
    default:
        node = GetFirst();
        getNextNode = [this](PGridNode n) { return GetNext(n); };
        break;
    }
}
