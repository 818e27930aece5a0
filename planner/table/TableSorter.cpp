#include "table/TableSorter.h"

#include <QHash>
#include <QLocale>

#include "Language.h"
#include "MessageDialog.h"
#include "core/PlannerCore.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// Texts compared with only the ASCII letters folded to upper case, code unit by code unit.
int CompareAsciiText(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if (ca >= u'a' && ca <= u'z')
            ca = char16_t(ca - 32);
        if (cb >= u'a' && cb <= u'z')
            cb = char16_t(cb - 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

const QString EmptyText;

// Appends the text with its ASCII letters folded to upper case: folded texts compare code unit
// by code unit as CompareAsciiText compares the texts.
void AppendFolded(std::u16string &to, const QString &text)
{
    const QChar *p = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = p[i].unicode();
        to.push_back(c >= u'a' && c <= u'z' ? char16_t(c - 32) : c);
    }
}

int Sign(double a, double b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

} // namespace

TTableSorter::TTableSorter(TPlannerCore &core)
    : FCore(core)
{
}

qint32 TTableSorter::PackKey(const TSortKey &key)
{
    const quint32 column = quint16(qint16(key.column));
    const quint32 direction = key.direction == sdDescending ? 1u : 0u;
    return qint32(column | (direction << 16));
}

TTableSorter::TSortKey TTableSorter::UnpackKey(qint32 value)
{
    TSortKey key;
    key.column = qint16(quint16(quint32(value) & 0xFFFFu));
    key.direction = (quint32(value) >> 16) == 1 ? sdDescending : sdAscending;
    return key;
}

void TTableSorter::ClearKeys(TWhichTable table)
{
    FKeys[table].clear();
    if (TBaseTreeGrid *grid = FCore.GetTable(table))
        grid->Header()->SetSortColumn(NoColumn);
}

void TTableSorter::DropKeysOutside(TWhichTable table)
{
    const int count = FCore.GetTableColCount(table);
    std::erase_if(FKeys[table], [count](const TSortKey &key) { return key.column < 0 || key.column >= count; });
}

void TTableSorter::SortBy(TWhichTable table, int column)
{
    THeaderData *header = FCore.GetHeader(table, column);
    if (!header)
        return;
    header->SortAscending = !header->SortAscending;
    DropKeysOutside(table);
    std::vector<TSortKey> &keys = FKeys[table];
    if (keys.size() > 1 || (keys.size() == 1 && keys.front().column != column)) {
        QString question = Translate(QStringLiteral("Keep existing sort?")) + QLatin1Char('\n');
        for (std::size_t i = 0; i < keys.size(); ++i) {
            question += QLatin1Char('\n') + FCore.GetColumnCaption(table, keys[i].column);
            if (i == 0)
                question += QStringLiteral("  ") + Translate(QStringLiteral("Main Index"));
        }
        if (FCore.Window().Ask(question, mtConfirmation, {mbYes, mbNo}) != mrYes)
            keys.clear();
    }
    bool found = false;
    for (TSortKey &key : keys) {
        if (key.column == column) {
            key.direction = key.direction == sdAscending ? sdDescending : sdAscending;
            found = true;
        }
    }
    if (!found)
        keys.push_back({column, header->SortAscending ? sdDescending : sdAscending});
    ApplyKeys(table);
}

void TTableSorter::ApplyKeys(TWhichTable table)
{
    DropKeysOutside(table);
    TBaseTreeGrid *grid = FCore.GetTable(table);
    const std::vector<TSortKey> keys = FKeys[table];
    if (!grid || keys.empty())
        return;
    // The header shows the main key (the grid sorts by itself only under toAutoSort, which
    // the tables leave off: they sort by all keys when an update bracket ends).
    grid->Header()->SetSortColumn(keys.front().column);
    grid->Header()->SetSortDirection(keys.front().direction);
    // One stable pass over all keys orders like one pass per key from the last to the first.
    TSortRun run;
    const bool prepared = Prepare(table, grid, keys, run);
    FRun = prepared ? &run : nullptr;
    try {
        if (prepared) // every row read is initialised: the grid need not walk them again first
            grid->Sort(nullptr, keys.front().column, sdAscending, false);
        else
            for (auto key = keys.rbegin(); key != keys.rend(); ++key)
                grid->Sort(nullptr, key->column, key->direction);
    } catch (...) {
        FRun = nullptr;
        throw;
    }
    FRun = nullptr;
}

bool TTableSorter::ReadValue(TColumnType type, const QString &text, double &value) const
{
    if (type == ctDate) {
        // Unreadable dates count as day zero, as everywhere in the document.
        value = FCore.StrToDateTime(text, 0);
        return true;
    }
    bool ok = false;
    value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = 0;
    return ok;
}

bool TTableSorter::Prepare(TWhichTable table, TBaseTreeGrid *grid, const std::vector<TSortKey> &keys, TSortRun &run)
{
    const std::size_t count = grid->RootNodeCount();
    run.valid.assign(count, 0);
    run.keys.resize(keys.size());
    std::vector<TColumnType> types(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        TKeyCells &cells = run.keys[k];
        cells.key = keys[k];
        types[k] = FCore.GetColumnType(table, keys[k].column);
        cells.byValue = types[k] == ctDate || types[k] == ctNumber;
        if (cells.byValue) {
            cells.values.assign(count, 0);
            cells.ok.assign(count, 0);
        } else {
            // The folded texts of all rows one after the other: no string made per row.
            cells.starts.reserve(count + 1);
            cells.starts.push_back(0);
        }
    }
    // Each distinct text is read once.
    std::vector<QHash<QString, std::pair<double, bool>>> read(keys.size());
    std::size_t index = 0;
    // Every row is initialised when it is added (AddNode), so the chain is walked as it is.
    for (TGridNode *node = grid->RootNode()->FirstChild; node; node = node->NextSibling, ++index) {
        // The rows are found by their index while the grid sorts them; a row not yet
        // initialised leaves the sort to the grid's own walk.
        if (index >= count || node->Index != index || !node->States.contains(vsInitialized))
            return false;
        const TNodeData *data = TPlannerCore::NodeData(grid, node);
        run.valid[index] = data->nodeValid;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            TKeyCells &cells = run.keys[k];
            const QString &text = cells.key.column < data->StringList.size() ? data->StringList.at(cells.key.column)
                                                                             : EmptyText;
            if (!cells.byValue) {
                // Folded once here rather than in each of the sort's comparisons.
                AppendFolded(cells.chars, text);
                cells.starts.push_back(cells.chars.size());
                continue;
            }
            auto found = read[k].constFind(text);
            if (found == read[k].constEnd()) {
                double value = 0;
                const bool ok = ReadValue(types[k], text, value);
                found = read[k].insert(text, {value, ok});
            }
            cells.values[index] = found->first;
            cells.ok[index] = found->second;
        }
    }
    return index == count;
}

int TTableSorter::Order(const TKeyCells &cells, std::size_t a, std::size_t b)
{
    int result;
    if (cells.byValue) {
        // Cells that hold no number go after the numbers, whatever the direction.
        if (cells.ok[a] != cells.ok[b])
            return cells.ok[a] ? -1 : 1;
        result = Sign(cells.values[a], cells.values[b]);
    } else {
        const auto text = [&cells](std::size_t row) {
            return QStringView(cells.chars.data() + cells.starts[row], qsizetype(cells.starts[row + 1] - cells.starts[row]));
        };
        result = text(a).compare(text(b));
        result = result < 0 ? -1 : result > 0 ? 1 : 0;
    }
    return cells.key.direction == sdAscending ? result : -result;
}

int TTableSorter::Order(TWhichTable table, const TNodeData *a, const TNodeData *b, int column,
                        TSortDirection direction) const
{
    if (column < 0)
        return 0;
    // Rows that cannot be drawn come first, whatever the direction.
    if (a->nodeValid != b->nodeValid)
        return a->nodeValid ? 1 : -1;
    const TColumnType type = FCore.GetColumnType(table, column);
    const QString ta = FCore.GetData(a, column);
    const QString tb = FCore.GetData(b, column);
    int result = 0;
    if (type == ctDate || type == ctNumber) {
        double va = 0;
        double vb = 0;
        const bool aok = ReadValue(type, ta, va);
        const bool bok = ReadValue(type, tb, vb);
        if (aok != bok)
            return aok ? -1 : 1;
        result = Sign(va, vb);
    } else {
        result = CompareAsciiText(ta, tb);
    }
    return direction == sdAscending ? result : -result;
}

int TTableSorter::CompareNodes(TWhichTable table, TBaseTreeGrid *grid, TGridNode *a, TGridNode *b, int column)
{
    if (!a || !b)
        return 0;
    if (FRun) {
        const std::size_t ia = a->Index;
        const std::size_t ib = b->Index;
        if (FRun->valid[ia] != FRun->valid[ib])
            return FRun->valid[ia] ? 1 : -1;
        for (const TKeyCells &cells : FRun->keys)
            if (const int result = Order(cells, ia, ib))
                return result;
        return 0;
    }
    const TNodeData *da = TPlannerCore::NodeData(grid, a);
    const TNodeData *db = TPlannerCore::NodeData(grid, b);
    if (!da || !db)
        return 0;
    const TSortDirection direction = grid->Header()->SortDirection();
    const int result = Order(table, da, db, column, direction);
    return direction == sdAscending ? result : -result;
}
