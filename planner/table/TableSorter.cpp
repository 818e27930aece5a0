#include "table/TableSorter.h"

#include <QLocale>

#include "DateFormat.h"
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
    FValues[table].clear();
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
    // A changed date format reads the cells anew.
    const QString dateFormat = ShortDateFormat();
    if (dateFormat != FDateFormat) {
        FDateFormat = dateFormat;
        for (auto &values : FValues)
            values.clear();
    }
    // The header shows the main key (the grid sorts by itself only under toAutoSort, which
    // the tables leave off: they sort by all keys when an update bracket ends).
    grid->Header()->SetSortColumn(keys.front().column);
    grid->Header()->SetSortDirection(keys.front().direction);
    // One stable pass over all keys orders like one pass per key from the last to the first.
    FSorting = &keys;
    try {
        grid->Sort(nullptr, keys.front().column, sdAscending);
    } catch (...) {
        FSorting = nullptr;
        throw;
    }
    FSorting = nullptr;
}

void TTableSorter::ForgetNode(const TNodeData *node)
{
    for (auto &table : FValues)
        for (auto &[column, values] : table)
            values.cells.erase(node);
}

TTableSorter::TColumnValues &TTableSorter::ValuesOf(TWhichTable table, int column, TColumnType type)
{
    TColumnValues &values = FValues[table][column];
    if (values.type != type || values.unit != FCore.GetMinUnit()) {
        values.cells.clear();
        values.type = type;
        values.unit = FCore.GetMinUnit();
    }
    return values;
}

const TTableSorter::TCellValue &TTableSorter::Value(TColumnValues &values, const TNodeData *node, int column)
{
    const QString &text = node->StringList.at(column);
    TCellValue &cell = values.cells[node];
    if (cell.known && cell.text == text)
        return cell;
    cell.known = true;
    cell.text = text;
    if (values.type == ctDate) {
        // Unreadable dates count as day zero, as everywhere in the document.
        cell.value = FCore.StrToDateTime(text, 0);
        cell.ok = true;
    } else {
        bool ok = false;
        cell.value = QLocale().toDouble(text.trimmed(), &ok);
        cell.ok = ok;
        if (!ok)
            cell.value = 0;
    }
    return cell;
}

int TTableSorter::Order(TWhichTable table, const TNodeData *a, const TNodeData *b, int column,
                        TSortDirection direction)
{
    if (column < 0)
        return 0;
    // Rows that cannot be drawn come first, whatever the direction.
    if (a->nodeValid != b->nodeValid)
        return a->nodeValid ? 1 : -1;
    if (column >= a->StringList.size() || column >= b->StringList.size())
        return 0;
    const TColumnType type = FCore.GetColumnType(table, column);
    int result = 0;
    if (type == ctDate || type == ctNumber) {
        TColumnValues &values = ValuesOf(table, column, type);
        const TCellValue &va = Value(values, a, column);
        const bool aok = va.ok;
        const double av = va.value;
        const TCellValue &vb = Value(values, b, column);
        // Cells that hold no number go after the numbers, whatever the direction.
        if (aok != vb.ok)
            return aok ? -1 : 1;
        result = Sign(av, vb.value);
    } else {
        result = CompareAsciiText(a->StringList.at(column), b->StringList.at(column));
    }
    return direction == sdAscending ? result : -result;
}

int TTableSorter::CompareNodes(TWhichTable table, const TNodeData *a, const TNodeData *b, int column,
                               TSortDirection direction)
{
    if (!a || !b)
        return 0;
    if (FSorting) {
        for (const TSortKey &key : *FSorting)
            if (const int result = Order(table, a, b, key.column, key.direction))
                return result;
        return 0;
    }
    const int result = Order(table, a, b, column, direction);
    return direction == sdAscending ? result : -result;
}
