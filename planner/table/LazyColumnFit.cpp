#include "table/LazyColumnFit.h"

#include <QEvent>
#include <QHash>
#include <QMouseEvent>

#include <algorithm>
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
    const auto caption = [this](TColumnIndex column) {
        const TTreeGridColumn *item = FGrid ? FGrid->Header()->Columns()->Items(column) : nullptr;
        return item ? item->Text() : QString();
    };
    // The user dragged a column's border: that width stays.
    FGrid->OnAfterColumnWidthTracking = [this](TTreeGridHeader *header, TColumnIndex column) {
        if (const TTreeGridColumn *item = header->Columns()->Items(column))
            FHandWidths[item->Text()] = item->Width();
    };
    // A double click on the border fits the column: it follows its rows again.
    FGrid->OnColumnWidthDblClickResize = [this, caption](TTreeGridHeader *, TColumnIndex column, TTGShiftState, QPoint,
                                                         bool &) { FHandWidths.erase(caption(column)); };
    // Fits of the whole header pass over the columns sized by hand.
    FGrid->OnBeforeAutoFitColumn = [this, caption](TTreeGridHeader *, TColumnIndex column, TSmartAutoFitType &,
                                                   bool &allowed) {
        if (FHandWidths.count(caption(column)))
            allowed = false;
    };
}

TLazyColumnFit::~TLazyColumnFit()
{
    if (!FGrid)
        return;
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
    std::vector<TGridNode *> rows;
    if (everyRow)
        for (TGridNode *node = FGrid->GetFirstVisible(nullptr, true); node; node = FGrid->GetNextVisible(node, true))
            rows.push_back(node);
    else
        rows = RowsInView();
    NoteFitting(rows);
}

std::map<QString, int> TLazyColumnFit::HandWidths() const
{
    std::map<QString, int> widths;
    if (!FGrid)
        return widths;
    const TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        const auto kept = FHandWidths.find(columns->Items(i)->Text());
        if (kept != FHandWidths.end())
            widths.insert(*kept);
    }
    return widths;
}

void TLazyColumnFit::SetHandWidths(const std::map<QString, int> &widths)
{
    FHandWidths = widths;
    ApplyHandWidths();
}

void TLazyColumnFit::ApplyHandWidths()
{
    if (!FGrid)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TTreeGridColumn *column = columns->Items(i);
        const auto kept = FHandWidths.find(column->Text());
        if (kept != FHandWidths.end() && column->Width() != kept->second)
            column->SetWidth(kept->second);
    }
}

bool TLazyColumnFit::Follows(const TTreeGridColumn *column) const
{
    return column->Options().containsAll({coVisible, coResizable}) && !FHandWidths.count(column->Text());
}

bool TLazyColumnFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FHeaderWidget) {
        switch (event->type()) {
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
