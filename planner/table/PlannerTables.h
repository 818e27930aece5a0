#pragma once

#include <QObject>

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/DocumentTypes.h"

class TBaseTreeGrid;
class TFilterEngine;
class TPlannerCore;
class TSelectionTracker;
class TTableEvents;
class TTableSorter;

// The two tables' behaviour behind the main window: filters, sorting, cell texts and the
// selection bookkeeping, tied to the core's hooks and to both tree-grids' compare and change
// events. It lives shorter than the core and takes its hooks back when it goes.
class TPlannerTables : public QObject
{
    Q_OBJECT
public:
    explicit TPlannerTables(TPlannerCore &core, QObject *parent = nullptr);
    ~TPlannerTables() override;

    TFilterEngine &Filters() const { return *FFilters; }
    TTableSorter &Sorter() const { return *FSorter; }
    TTableEvents &Events() const { return *FEvents; }
    TSelectionTracker &Selection() const { return *FSelection; }

    // The column the Filter and Sort commands act on: set by a click into a table or its
    // header and by the Filter and Sort menus; -1 for none.
    int ActiveColumn() const { return FActiveColumn; }
    void SetActiveColumn(int column) { FActiveColumn = column; }

    // The commands on the active column of the active table.
    void ActionSortExecute();
    void ActionClearFilterExecute();
    void ActionClearAllFiltersExecute();
    bool ActionClearAllFiltersUpdate() const;

    // What a click on a column header does.
    enum THeaderClick { hcNone, hcFilter, hcMenu, hcSort };
    // The clicked column becomes the active one. A left click within the first 18 pixels of
    // the column opens its filter, a right click the header menu, any other left click sorts.
    // `x` is counted from the column's left edge.
    THeaderClick HeaderClick(int column, int x, Qt::MouseButton button);
    static constexpr int FilterSymbolWidth = 18;

    // While set, every row measures and paints its texts bold, as a selected row does: column
    // widths fitted meanwhile hold any row, whether it is selected or not.
    void SetMeasureBold(bool value) { FMeasureBold = value; }

    // Whether a selection change reported now comes from the user acting in a table (not
    // from the chart); the window answers it. Without it no change counts as from the table.
    std::function<bool()> OnChangeFromTable;
    // Columns were renamed or removed, after the filters followed: what else keeps columns by
    // caption follows too (pairs of old and new caption, empty when removed).
    std::function<void(TWhichTable, const std::vector<std::pair<QString, QString>> &)> OnColumnsRenamed;

private:
    void Wire();
    void Unwire();
    // Texts, fonts, backgrounds and marks of the cells of one table's grid.
    void WireCells(TWhichTable table, TBaseTreeGrid *grid);

    TPlannerCore &FCore;
    std::unique_ptr<TFilterEngine> FFilters;
    std::unique_ptr<TTableSorter> FSorter;
    std::unique_ptr<TTableEvents> FEvents;
    TSelectionTracker *FSelection; // owned as a child
    int FActiveColumn = -1;
    bool FMeasureBold = false;
};
