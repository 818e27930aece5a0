#pragma once

#include <QString>

#include <array>
#include <unordered_map>
#include <vector>

#include "core/DocumentTypes.h"
#include "treegrid/TreeGridHeader.h"

class TPlannerCore;

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
    // in an ascending sort. `direction` is the direction the grid sorts in.
    int CompareNodes(TWhichTable table, const TNodeData *a, const TNodeData *b, int column,
                     TSortDirection direction);
    // Rows being freed leave the remembered cell values.
    void ForgetNode(const TNodeData *node);

private:
    struct TCellValue
    {
        QString text;
        double value = 0;
        bool ok = false;
        bool known = false;
    };
    struct TColumnValues
    {
        TColumnType type = ctText;
        TMinUnit unit = muDay;
        std::unordered_map<const TNodeData *, TCellValue> cells;
    };

    // Negative when `a` goes first in a sort of the given direction.
    int Order(TWhichTable table, const TNodeData *a, const TNodeData *b, int column, TSortDirection direction);
    // The cell read as a date or a number, remembered while the cell text stays the same.
    const TCellValue &Value(TColumnValues &values, const TNodeData *node, int column);
    TColumnValues &ValuesOf(TWhichTable table, int column, TColumnType type);
    void DropKeysOutside(TWhichTable table);

    TPlannerCore &FCore;
    std::array<std::vector<TSortKey>, WhichTableCount> FKeys;
    // While ApplyKeys sorts: the keys compared one after the other.
    const std::vector<TSortKey> *FSorting = nullptr;
    std::array<std::unordered_map<int, TColumnValues>, WhichTableCount> FValues;
    QString FDateFormat;
};
