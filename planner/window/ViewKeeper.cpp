#include "window/ViewKeeper.h"

#include <vector>

#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
#include "treegrid/BaseTreeGrid.h"

TViewKeeper::TViewKeeper(TPlannerCore &core, TPlannerTables &tables, TPropertyEditor &editor, TTimeChartView *chart,
                         QObject *parent)
    : QObject(parent), FCore(core), FTables(tables), FEditor(editor), FChart(chart)
{
}

void TViewKeeper::Capture(TKeepScope scope)
{
    if (FDepth++ > 0)
        return;
    FScope = scope;
    FView = TView();
    FView.active = FCore.GetActiveTable();
    FView.activeColumn = FTables.ActiveColumn();
    for (const TWhichTable table : {tbTable, tbExclude})
        CaptureTable(table);
    if (FChart) {
        // Where the chart is sliding to, should a scroll be under way: the reload ends it.
        const TTimeChartGeometry &geometry = FChart->Geometry();
        const bool sliding = FChart->SliderTimer.isActive();
        FView.chartStart = sliding ? geometry.StartDestination() : geometry.Start();
        FView.chartTop = sliding ? geometry.TopDestination() : geometry.Top();
    }
    FView.field = FEditor.FieldState();
    // The editor's lines are built anew meanwhile; the field comes back at the end.
    FEditor.HoldField(true);
}

void TViewKeeper::CaptureTable(TWhichTable table)
{
    TTableView &view = FView.tables[table];
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    const auto id = [grid](TGridNode *node) {
        const TNodeData *data = node ? TPlannerCore::NodeData(grid, node) : nullptr;
        return data ? data->ID.Value() : QString();
    };
    TGridNode *anchor = grid->RangeAnchor();
    if (anchor && grid->Selected(anchor))
        view.selected.append(id(anchor));
    for (TGridNode *node = grid->GetFirstSelected(); node; node = grid->GetNextSelected(node))
        if (node != anchor)
            view.selected.append(id(node));
    view.selected.removeAll(QString());
    view.focused = id(grid->FocusedNode());
    if (grid->FocusedColumn() >= 0)
        view.focusedColumn = FCore.GetColumnCaption(table, grid->FocusedColumn());
    view.offset = grid->OffsetXY();
}

void TViewKeeper::Restore()
{
    if (FDepth == 0 || --FDepth > 0)
        return;
    FEditor.HoldField(false);
    if (FCore.GetActiveTable() != FView.active)
        FCore.SetActiveTable(FView.active);
    for (const TWhichTable table : {tbTable, tbExclude})
        RestoreTable(table);
    // Set by the focused column on the way; the commands act on the one the user chose.
    FTables.SetActiveColumn(FView.activeColumn);
    // The editor shows the rows again; the chart stays where the user had it.
    FTables.Selection().FlushQuietly();
    // Also when the user's settings could not be written, which place it as well. Rebuilt
    // rows leave it where it is, or where it is sliding to.
    if (FScope == ksDocument && FChart)
        FChart->PlaceAt(FView.chartStart, FView.chartTop);
    // Keys pressed meanwhile reach the control that has the focus when the reload returns:
    // the editor's field again. The tables and the chart keep theirs.
    FEditor.ReturnFocus(FView.field);
    FView = TView();
}

void TViewKeeper::RestoreTable(TWhichTable table)
{
    const TTableView &view = FView.tables[table];
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (!grid)
        return;
    const auto node = [this, table](const QString &id) -> TGridNode * {
        TNodeData *data = id.isEmpty() ? nullptr : FCore.FindNode(id, table);
        return data ? data->VNode : nullptr;
    };
    std::vector<TGridNode *> selected;
    for (const QString &id : view.selected)
        if (TGridNode *found = node(id))
            selected.push_back(found);
    if (!selected.empty()) {
        // The first one is the range anchor again; the others join in one step.
        grid->SetSelected(selected.front(), true);
        if (selected.size() > 1)
            grid->AddToSelection(selected.data() + 1, int(selected.size() - 1));
    }
    if (TGridNode *focused = node(view.focused)) {
        const int column = view.focusedColumn.isEmpty() ? -1 : FCore.GetHeaderIndex(table, view.focusedColumn);
        grid->SetFocusedNodeAndColumn(focused, column >= 0 ? column : grid->FocusedColumn());
    }
    // Focusing scrolled the row into view; the table shows what it showed.
    grid->SetOffsetXY(view.offset);
}
