#pragma once

#include <QString>

#include <array>
#include <string>
#include <vector>

#include "core/DocumentTypes.h"
#include "treegrid/TreeGridHeader.h"

class TBaseTreeGrid;
class TPlannerCore;
struct TGridNode;

// Sorting of the two tables by one or more columns. Each table keeps its own list of sort
// keys, the main key first; a click on a column alternates its direction and may keep the
// earlier keys as the more important ones. The tree-grid sorts (its merge sort is stable, so
// equal rows keep their order); this class answers its comparisons.
//
// Order of two rows for one column: rows that cannot be drawn come first in both directions;
// then the cells by the column's type: dates as dates, numbers as numbers (cells that hold no
// number after all numbers, in both directions), anything else as text without regard to
// the case of ASCII letters.
class TTableSorter
{
public:
    struct TSortKey
    {
        int column = -1;
        TSortDirection direction = sdAscending;
        bool operator==(const TSortKey &) const = default;
    };

    explicit TTableSorter(TPlannerCore &core);

    const std::vector<TSortKey> &Keys(TWhichTable table) const { return FKeys[table]; }
    // A key as one 32-bit number: the column in the low 16 bits, the direction (1 for
    // descending) in the high 16 bits.
    static qint32 PackKey(const TSortKey &key);
    static TSortKey UnpackKey(qint32 value);
    // Forgets the keys of a table (its columns changed, or a new document).
    void ClearKeys(TWhichTable table);

    // The Sort command for one column: flips the column's direction, asks whether the
    // earlier keys stay (when there are any of other columns), then sorts by all keys.
    void SortBy(TWhichTable table, int column);
    // Sorts the table by its keys again.
    void ApplyKeys(TWhichTable table);

    // The compare handler of a tree-grid for one column: negative when `a` belongs before `b`
    // in an ascending sort (the grid's header tells the direction it sorts in).
    int CompareNodes(TWhichTable table, TBaseTreeGrid *grid, TGridNode *a, TGridNode *b, int column);

private:
    // The cells of one key column read once for a whole sort, by row index.
    struct TKeyCells
    {
        TSortKey key;
        bool byValue = false;        // dates and numbers
        std::vector<double> values;
        std::vector<char> ok;        // a number could be read
        std::u16string chars;             // other types: the folded texts of all rows in a row
        std::vector<std::size_t> starts;  // where each row's text starts in chars, and the end
    };
    struct TSortRun
    {
        std::vector<char> valid;
        std::vector<TKeyCells> keys;
    };

    // Reads every row's cells of the keys; false when the rows are not numbered in order.
    bool Prepare(TWhichTable table, TBaseTreeGrid *grid, const std::vector<TSortKey> &keys, TSortRun &run);
    // A cell read as a date (day zero when unreadable) or a number.
    bool ReadValue(TColumnType type, const QString &text, double &value) const;
    // Negative when row `a` goes first in a sort of the key's direction.
    static int Order(const TKeyCells &cells, std::size_t a, std::size_t b);
    // The same for two rows read now (a sort the tables did not start).
    int Order(TWhichTable table, const TNodeData *a, const TNodeData *b, int column, TSortDirection direction) const;
    void DropKeysOutside(TWhichTable table);

    TPlannerCore &FCore;
    std::array<std::vector<TSortKey>, WhichTableCount> FKeys;
    // The sort ApplyKeys runs right now.
    const TSortRun *FRun = nullptr;
};
