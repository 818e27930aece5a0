#pragma once

// What the parts around the model plug into it: the window, the tables' filters and row lists,
// the chart's gestures, the overlap solver and the synchronisation's idle step. Each is called
// when set; the core itself never depends on one being set.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>
#include <vector>

#include "core/DocumentTypes.h"

struct TPlannerCoreHooks
{
    // ---- the update bracket and the idle processing
    // The overlap procedure, run at once or from the idle timer; set by the overlap detection.
    std::function<void()> OnUpdateOverlappingProc;
    // The window's part of the outermost EndUpdate: scroll bars, editor, chart start.
    std::function<void()> OnEndUpdate;
    // The idle timer's step of the shared-folder synchronisation; the synchronisation sets it.
    std::function<void()> OnIdleSynchronise;
    // Whether the journal's shared folder is reachable; reachable when unset.
    std::function<bool()> OnFolderReachable;
    // After the idle timer's work: the window sets its actions and caption.
    std::function<void()> OnIdleProcessed;

    // ---- group tabs and columns (window glue)
    // The tabs changed, a tab was applied (index), the tab under the mouse (-1 for none), the
    // column filters of a group caption put back, both tables filtered.
    std::function<void()> OnGroupTabsChanged;
    std::function<void(int)> OnGroupTabApplied;
    std::function<int()> OnTabUnderMouse;
    std::function<void(const QString &)> OnRestoreGroupFilters;
    std::function<void()> OnFilterTables;
    // Columns were renamed or removed (an empty new caption): what keeps columns by caption
    // (the filters of the group tabs) follows. Pairs of old and new caption.
    std::function<void(TWhichTable, const std::vector<std::pair<QString, QString>> &)> OnColumnsRenamed;

    // ---- the tables (planner/table: filters, sorting, the row lists of the tables)
    // Re-evaluate the filters of every row of a table, of one row.
    std::function<void(TWhichTable)> OnFilterData;
    std::function<void(TNodeData *)> OnFilterNode;
    // A row leaves its table, whoever deletes it: every list of rows must forget it.
    std::function<void(TNodeData *)> OnNodeFreed;
    // The columns of a table were added, removed or made anew.
    std::function<void(TWhichTable)> OnTableSetupChanged;
    // The outermost EndUpdate has computed every row anew and applied the group tab.
    std::function<void()> OnTablesChecked;

    // ---- the chart (planner/chart: the mouse gestures)
    // A row leaves its table: a gesture that holds it lets it go.
    std::function<void(TNodeData *)> OnChartNodeFreed;
    // The undo group the rows moved by the timed group switch join: the drag's own; -1 (or
    // unset) gives them the group in force.
    std::function<int()> OnGroupSwitchUndoGroup;

    // ---- overlapping (planner/table/OverlapSolver keeps the list)
    std::function<bool(const TNodeData *)> OnNodeIsOverlapping;
    std::function<bool()> OnAnyOverlapping;
    // A row leaves its table: the overlap lists forget it; nil: every row of the task table.
    std::function<void(TNodeData *)> OnOverlapRowFreed;
    // A task came into or left a position (an entry of the expanded full list), or its dates or
    // validity there changed: the overlaps of that position are looked at again.
    std::function<void(int)> OnTaskPlaceChanged;
    // Opening a plan an import moved by an offset: solve its overlaps once.
    std::function<void()> OnInitialDeOverlap;

    // ---- the document file
    // The chart's view values a document file carries (written, not read back).
    struct TFileViewValues
    {
        int RowHeight = 54; // scaled to three text rows
        int ColWidth = 8;
        int Zoom = 100;
    };
    std::function<TFileViewValues()> OnGetViewValues;
};
