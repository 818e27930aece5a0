#include "table/LazyColumnFit.h"

#include <QEvent>

#include "core/PlannerCore.h"
#include "table/ColumnFitter.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

TLazyColumnFit::TLazyColumnFit(TPlannerCore &core, TPlannerTables &tables, TWhichTable table, QObject *parent)
    : QObject(parent)
    , FCore(core)
    , FTables(tables)
    , FTable(table)
    , FGrid(core.GetTable(table))
{
    // Rows come into view by scrolling, resizing, filtering or editing: all of them paint.
    if (FGrid)
        FGrid->viewport()->installEventFilter(this);
}

void TLazyColumnFit::Start()
{
    FWidths.clear();
    if (!FGrid)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        const TTreeGridColumn *column = columns->Items(i);
        const bool fitted = column->Options().containsAll({coVisible, coResizable});
        FWidths.push_back(fitted ? column->Width() : -1);
    }
    FTop = FGrid->TopNode();
    FBottom = FGrid->BottomNode();
}

void TLazyColumnFit::Stop()
{
    FWidths.clear();
}

bool TLazyColumnFit::eventFilter(QObject *, QEvent *event)
{
    // Before the rows are painted, so that they are painted at the width they need.
    if (event->type() == QEvent::Paint && Active())
        FollowRowsInView();
    return false;
}

void TLazyColumnFit::FollowRowsInView()
{
    if (!FGrid)
        return;
    TTreeGridColumns *columns = FGrid->Header()->Columns();
    if (columns->Count() != int(FWidths.size())) {
        // The table was set up anew: its columns were fitted then.
        Stop();
        return;
    }
    bool following = false;
    std::vector<bool> followed;
    for (int i = 0; i < columns->Count(); ++i) {
        int &width = FWidths[std::size_t(i)];
        if (width >= 0 && columns->Items(i)->Width() != width)
            width = -1;
        followed.push_back(width >= 0);
        following = following || width >= 0;
    }
    if (!following) {
        Stop();
        return;
    }
    // The same rows once more need no second look.
    TGridNode *top = FGrid->TopNode();
    TGridNode *bottom = FGrid->BottomNode();
    if (top == FTop && bottom == FBottom)
        return;
    FTop = top;
    FBottom = bottom;
    const std::vector<int> needed = TColumnFitter(FCore, FTables).RowsInViewWidths(FTable, followed);
    for (int i = 0; i < columns->Count() && std::size_t(i) < needed.size(); ++i) {
        int &width = FWidths[std::size_t(i)];
        if (width < 0 || needed[std::size_t(i)] <= width)
            continue;
        TTreeGridColumn *column = columns->Items(i);
        column->SetWidth(needed[std::size_t(i)]);
        width = column->Width();
    }
}
