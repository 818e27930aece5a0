#include "table/LazyColumnFit.h"

#include <QEvent>
#include <QHash>
#include <QMouseEvent>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/PlannerCore.h"
#include "table/ColumnFitter.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"

TLazyColumnFit::TLazyColumnFit(TPlannerCore &core, TPlannerTables &tables, TWhichTable table, QObject *parent)
    : QObject(parent)
    , FCore(core)
    , FTables(tables)
    , FTable(table)
    , FGrid(core.GetTable(table))
{
    if (!FGrid)
        return;
    // Rows come into view or change by scrolling, resizing, filtering or editing: all of them
    // paint.
    FGrid->viewport()->installEventFilter(this);
    FHeaderWidget = FGrid->Header()->Widget();
    if (FHeaderWidget)
        FHeaderWidget->installEventFilter(this);
    // The user dragged a column's border: that width stays.
    FGrid->OnColumnWidthTracking = [this](TTreeGridHeader *, TColumnIndex, TTGShiftState, QPoint &, QPoint, bool &) {
        FTracked = true;
    };
    FGrid->OnAfterColumnWidthTracking = [this](TTreeGridHeader *header, TColumnIndex column) {
        const bool tracked = std::exchange(FTracked, false);
        if (const TTreeGridColumn *item = header->Columns()->Items(column); item && tracked)
            FHandWidths[Name(column)] = item->Width();
    };
    // A double click on the border fits the column as the fits do (bold rows, the whole
    // header cell) rather than as the header would: it follows its rows again.
    FGrid->OnColumnWidthDblClickResize = [this](TTreeGridHeader *, TColumnIndex column, TTGShiftState, QPoint,
                                                bool &allowed) {
        allowed = false;
        FHandWidths.erase(Name(column));
        TColumnFitter(FCore, FTables).FitColumn(FTable, column, FCore.GetTableRowCount(FTable) > LazyRows);
    };
    // Fits of the whole header pass over the columns sized by hand.
    FGrid->OnBeforeAutoFitColumn = [this](TTreeGridHeader *, TColumnIndex column, TSmartAutoFitType &, bool &allowed) {
        if (FHandWidths.count(Name(column)))
            allowed = false;
    };
}

TLazyColumnFit::~TLazyColumnFit()
{
    if (!FGrid)
        return;
    FGrid->OnColumnWidthTracking = nullptr;
    FGrid->OnAfterColumnWidthTracking = nullptr;
    FGrid->OnColumnWidthDblClickResize = nullptr;
    FGrid->OnBeforeAutoFitColumn = nullptr;
}

void TLazyColumnFit::Start(bool everyRow)
{
    FActive = FGrid != nullptr;
    FFitting.clear();
    FFittedWidths.clear();
    if (!FActive)
        return;
    // The fit gave every header cell its room.
    FFittedCaptions = Captions();
    FFittedSortColumn = SortGlyphColumn();
    std::vector<TGridNode *> rows;
    if (everyRow)
        for (TGridNode *node = FGrid->GetFirstVisible(nullptr, true); node; node = FGrid->GetNextVisible(node, true))
            rows.push_back(node);
    else
        rows = RowsInView();
    NoteFitting(rows);
}

QString TLazyColumnFit::Name(int column) const
{
    return FCore.GetColumnCaptionHack(FTable, column);
}

std::map<QString, int> TLazyColumnFit::HandWidths() const
{
    std::map<QString, int> widths;
    if (!FGrid)
        return widths;
    for (int i = 0; i < FGrid->Header()->Columns()->Count(); ++i) {
        const auto kept = FHandWidths.find(Name(i));
        if (kept != FHandWidths.end())
            widths.insert(*kept);
    }
    return widths;
}

void TLazyColumnFit::SetHandWidths(const std::map<QString, int> &widths)
{
    FHandWidths.clear();
    for (const auto &[kept, width] : widths) {
        // Kept by caption: an absent-days column under its translated caption.
        const int named = FCore.IndexOfColumnHack(FTable, kept);
        const int column = named >= 0 ? named : FCore.GetHeaderIndex(FTable, kept);
        const QString name = column >= 0 ? Name(column) : kept;
        // A name written as a name wins over a caption that happens to equal it.
        if (named >= 0 || !FHandWidths.count(name))
            FHandWidths[name] = width;
    }
    ApplyHandWidths();
}

void TLazyColumnFit::ApplyHandWidths()
{
    if (!FGrid)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TTreeGridColumn *column = columns->Items(i);
        const auto kept = FHandWidths.find(Name(i));
        if (kept != FHandWidths.end() && column->Width() != kept->second)
            column->SetWidth(kept->second);
    }
    // Sized by hand or not, the column sorted by shows its whole caption beside the sort glyph.
    const int sorted = SortGlyphColumn();
    if (sorted >= 0 && sorted < columns->Count()) {
        std::vector<bool> marked(std::size_t(columns->Count()), false);
        marked[std::size_t(sorted)] = true;
        TColumnFitter(FCore, FTables).FitHeaders(FTable, marked);
    }
}

void TLazyColumnFit::ColumnsRenamed(const std::vector<std::pair<QString, QString>> &renames)
{
    // All at once: two columns may swap their names.
    std::map<QString, int> moved;
    for (const auto &[from, to] : renames) {
        const auto kept = FHandWidths.find(from);
        if (kept == FHandWidths.end())
            continue;
        if (!to.isEmpty())
            moved[to] = kept->second;
        FHandWidths.erase(kept);
    }
    for (const auto &[name, width] : moved)
        FHandWidths[name] = width;
}

void TLazyColumnFit::MeasureAgain()
{
    FFitting.clear();
    if (FGrid)
        FGrid->viewport()->update();
}

std::vector<int> TLazyColumnFit::HandWidthsByIndex() const
{
    std::vector<int> widths;
    const int count = FGrid ? FGrid->Header()->Columns()->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const auto kept = FHandWidths.find(Name(i));
        widths.push_back(kept == FHandWidths.end() ? -1 : kept->second);
    }
    return widths;
}

void TLazyColumnFit::SetHandWidthsByIndex(const std::vector<int> &widths)
{
    const int count = FGrid ? FGrid->Header()->Columns()->Count() : 0;
    for (int i = 0; i < count && std::size_t(i) < widths.size(); ++i)
        if (widths[std::size_t(i)] > 0)
            FHandWidths[Name(i)] = widths[std::size_t(i)];
    ApplyHandWidths();
}

bool TLazyColumnFit::Follows(const TTreeGridColumn *column) const
{
    return column->Options().containsAll({coVisible, coResizable}) && !FHandWidths.count(Name(column->Index()));
}

bool TLazyColumnFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FHeaderWidget) {
        switch (event->type()) {
        case QEvent::Paint:
            // Not within the header's own paint, which would leave the parts that move
            // unpainted: right after it.
            if (FActive && !FHeld && HeadersChanged())
                QMetaObject::invokeMethod(this, &TLazyColumnFit::FollowHeaders, Qt::QueuedConnection);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            FHeld = true;
            break;
        case QEvent::MouseButtonRelease:
            FHeld = static_cast<QMouseEvent *>(event)->buttons() != Qt::NoButton;
            // What waited for the release follows now.
            if (!FHeld && FActive && FGrid)
                FGrid->viewport()->update();
            break;
        case QEvent::MouseMove:
            // A release that went elsewhere.
            if (static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton)
                FHeld = false;
            break;
        case QEvent::Hide:
            FHeld = false;
            break;
        default:
            break;
        }
        return false;
    }
    // Before the rows are painted, so that they are painted at the width they need.
    if (event->type() == QEvent::Paint && FActive && !FHeld)
        FollowRowsInView();
    return false;
}

QStringList TLazyColumnFit::Captions() const
{
    QStringList captions;
    const TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        captions.append(columns->Items(i)->Text());
    return captions;
}

int TLazyColumnFit::SortGlyphColumn() const
{
    const TTreeGridHeader *header = FGrid->Header();
    return header->Options().contains(hoShowSortGlyphs) ? header->SortColumn() : NoColumn;
}

bool TLazyColumnFit::HeadersChanged() const
{
    return FGrid && (SortGlyphColumn() != FFittedSortColumn || Captions() != FFittedCaptions);
}

void TLazyColumnFit::FollowHeaders()
{
    if (!FActive || FHeld || !HeadersChanged())
        return;
    FFittedCaptions = Captions();
    FFittedSortColumn = SortGlyphColumn();
    // A column sized by hand that the sort left goes back to its width.
    ApplyHandWidths();
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    std::vector<bool> following;
    for (int i = 0; i < columns->Count(); ++i)
        following.push_back(Follows(columns->Items(i)));
    TColumnFitter(FCore, FTables).FitHeaders(FTable, following);
}

std::vector<TGridNode *> TLazyColumnFit::RowsInView() const
{
    std::vector<TGridNode *> rows;
    TGridNode *last = FGrid->BottomNode();
    for (TGridNode *node = FGrid->TopNode(); node; node = FGrid->GetNextVisible(node, true)) {
        rows.push_back(node);
        if (node == last)
            break;
    }
    return rows;
}

std::size_t TLazyColumnFit::TextsStamp(TGridNode *node) const
{
    std::size_t stamp = 0;
    if (const TNodeData *data = TPlannerCore::NodeData(FGrid, node))
        for (const QString &cell : data->StringList)
            stamp = qHash(cell, stamp);
    return stamp;
}

void TLazyColumnFit::NoteFitting(const std::vector<TGridNode *> &rows)
{
    const TTreeGridColumns *columns = FGrid->Header()->Columns();
    FFittedWidths.clear();
    for (int i = 0; i < columns->Count(); ++i)
        FFittedWidths.push_back(Follows(columns->Items(i)) ? columns->Items(i)->Width() : -1);
    for (TGridNode *node : rows)
        FFitting[node] = TextsStamp(node);
}

void TLazyColumnFit::FollowRowsInView()
{
    if (!FGrid)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    std::vector<bool> followed;
    bool following = false;
    // The rows noted fit while every following column followed then and is at least as wide
    // as it was.
    bool stale = columns->Count() != int(FFittedWidths.size());
    for (int i = 0; i < columns->Count(); ++i) {
        followed.push_back(Follows(columns->Items(i)));
        following = following || followed.back();
        const int fitted = stale ? -1 : FFittedWidths[std::size_t(i)];
        stale = stale || (followed.back() && (fitted < 0 || columns->Items(i)->Width() < fitted));
    }
    if (stale)
        FFitting.clear();
    if (!following)
        return;
    // Only a row not noted yet, or with other texts than when it was noted, can need more room.
    const std::vector<TGridNode *> rows = RowsInView();
    const bool noted = std::all_of(rows.begin(), rows.end(), [this](TGridNode *node) {
        const auto row = FFitting.find(node);
        return row != FFitting.end() && row->second == TextsStamp(node);
    });
    if (noted)
        return;
    const std::vector<int> needed = TColumnFitter(FCore, FTables).RowsInViewWidths(FTable, followed);
    for (int i = 0; i < columns->Count() && std::size_t(i) < needed.size(); ++i) {
        TTreeGridColumn *column = columns->Items(i);
        if (followed[std::size_t(i)] && needed[std::size_t(i)] > column->Width())
            column->SetWidth(needed[std::size_t(i)]);
    }
    NoteFitting(rows);
}
