#include "table/LazyColumnFit.h"

#include <QEvent>
#include <QHash>
#include <QMouseEvent>

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

void TLazyColumnFit::Start()
{
    FActive = FGrid != nullptr;
    FStamp = FActive ? RowsInViewStamp() : 0;
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

std::size_t TLazyColumnFit::RowsInViewStamp() const
{
    std::size_t stamp = 0;
    const TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        stamp = qHashMulti(stamp, columns->Items(i)->Width(), Follows(columns->Items(i)));
    TGridNode *last = FGrid->BottomNode();
    for (TGridNode *node = FGrid->TopNode(); node; node = FGrid->GetNextVisible(node, true)) {
        stamp = qHashMulti(stamp, quintptr(node));
        if (const TNodeData *data = TPlannerCore::NodeData(FGrid, node))
            for (const QString &cell : data->StringList)
                stamp = qHash(cell, stamp);
        if (node == last)
            break;
    }
    return stamp;
}

void TLazyColumnFit::FollowRowsInView()
{
    if (!FGrid)
        return;
    // The same rows showing the same texts need no second look.
    const std::size_t stamp = RowsInViewStamp();
    if (stamp == FStamp)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    std::vector<bool> followed;
    bool following = false;
    for (int i = 0; i < columns->Count(); ++i) {
        followed.push_back(Follows(columns->Items(i)));
        following = following || followed.back();
    }
    if (following) {
        const std::vector<int> needed = TColumnFitter(FCore, FTables).RowsInViewWidths(FTable, followed);
        for (int i = 0; i < columns->Count() && std::size_t(i) < needed.size(); ++i) {
            TTreeGridColumn *column = columns->Items(i);
            if (followed[std::size_t(i)] && needed[std::size_t(i)] > column->Width())
                column->SetWidth(needed[std::size_t(i)]);
        }
    }
    FStamp = RowsInViewStamp();
}
