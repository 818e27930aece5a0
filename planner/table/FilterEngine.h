#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "core/DocumentTypes.h"
#include "table/Filter.h"
#include "table/FilterEvaluator.h"
#include "table/FilterPopupValues.h"

class TPlannerCore;

// The column filters of both tables: which rows are shown, the texts in the column headers,
// the Filter and Clear commands, what the filter pop-up shows and gives back, and the filters
// each group tab keeps. A row that fails a filter of its table, or whose resource the current
// group tab does not show, is hidden in its table (the tree-grid node's visibility is the one
// flag) and drawn faded in the chart.
class TFilterEngine
{
public:
    explicit TFilterEngine(TPlannerCore &core);
    ~TFilterEngine();
    TFilterEngine(const TFilterEngine &) = delete;
    TFilterEngine &operator=(const TFilterEngine &) = delete;

    // ---- the filters kept per group tab (saved with the per-user settings)
    const std::vector<std::unique_ptr<TFilter>> &Filters() const { return FFilters; }
    void ClearFilters();
    void AddFilter(const TFilter &filter);
    // The entry of a (table, group caption, column caption) combination; nil when none.
    TFilter *FindFilter(TWhichTable table, const QString &group, const QString &header) const;
    // Columns of the table were renamed (pairs of old and new caption, all at once, so two
    // columns may swap names) or removed (an empty new caption): the kept filters follow
    // their columns, and those of removed columns go, so no later column of that caption
    // inherits them.
    void ColumnsRenamed(TWhichTable table, const std::vector<std::pair<QString, QString>> &renames);

    // ---- evaluation
    // Shows or hides one row; a row that ends hidden is deselected.
    void CB_FilterNode(TNodeData *node);
    // Every row of the table, then the chart, the status bar and the header texts. Nothing
    // while an update bracket is open.
    void FilterData(TWhichTable table);
    void FilterTables();
    // Whether the row is to be shown, without changing anything.
    bool NodePasses(const TNodeData *node);

    // The tab captioned `group` was chosen: every column filter of both tables is cleared and
    // the filters kept for that tab go back into their columns, found by caption (the first
    // column included).
    void RestoreGroupFilters(const QString &group);

    // ---- commands on one column of a table
    // Sets the column's filter, keeps it for the current group tab and filters the table.
    void SetFilter(TWhichTable table, int column, const TFilterParams &params);
    void ClearFilter(TWhichTable table, int column);
    void ClearAllFilters(TWhichTable table);
    // Some column of the table has a filter ("Clear all Filters" is enabled then).
    bool AnyFilter(TWhichTable table) const;

    // ---- the pop-up
    // What the pop-up shows for the column's current filter.
    TFilterPopupValues PopupValues(TWhichTable table, int column) const;
    // The column's new filter from the pop-up's choice; texts the choice does not set stay
    // as they were in `previous`.
    TFilterParams ParamsFromPopup(const TFilterParams &previous, const TFilterPopupValues &values) const;
    // The values a list filter offers: the pick list's shown values, or else the distinct
    // cell texts of the column, sorted.
    QStringList ListValues(TWhichTable table, int column) const;
    // The distinct texts the column's cells show (yes/no cells their words), sorted without
    // regard to case.
    QStringList DistinctCells(TWhichTable table, int column) const;

    // The header text of the column's filter ("" for none).
    QString Description(TWhichTable table, int column) const;

private:
    struct TColumnTest
    {
        TFilterParams params;
        TColumnType type = ctText;
        std::unique_ptr<TFilterEvaluator> evaluator;
    };
    struct TTableTests
    {
        std::vector<TColumnTest> columns;
        TMinUnit unit = muDay;
        QString dateFormat;
        QString yesNo;
    };
    // The filters of the table made ready; made anew when a filter or the date reading
    // changed, or when `fresh` asks for it.
    const std::vector<TColumnTest> &Tests(TWhichTable table, bool fresh);
    bool Passes(const TNodeData *node, const std::vector<TColumnTest> &tests) const;
    void SetFiltered(TNodeData *node, bool filtered);
    void UpdateHeaders(TWhichTable table);
    void StoreForGroup(TWhichTable table, int column);

    TPlannerCore &FCore;
    std::vector<std::unique_ptr<TFilter>> FFilters;
    std::array<TTableTests, WhichTableCount> FTests;
};
