// Applying the task table's columns and connections, and the positions with the time unit.

#include "setup/SetupApplier.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "CommaText.h"
#include "core/DocumentColors.h"
#include "core/PlannerCore.h"
#include "setup/PositionEntry.h"
#include "setup/SetupRules.h"
#include "table/TableImages.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

constexpr int MinutesPerDay = 480;

// The row's cell of a column, or nil.
QString *CellOf(TNodeData *node, int column)
{
    return column >= 0 && column < node->StringList.size() ? &node->StringList[column] : nullptr;
}

} // namespace

// ---- columns

void TSetupApplier::ApplyTable(const TTableSetup &table)
{
    const int oldCount = FCore.GetTableColCount(tbTable);
    QStringList oldCaptions;
    for (int k = 0; k < oldCount; ++k)
        oldCaptions.append(FCore.GetColumnCaption(tbTable, k));

    // A source the document no longer has (it changed while the dialog was open) makes a new
    // column rather than taking another column's cells.
    std::vector<int> sources;
    std::vector<bool> taken(std::size_t(oldCount), false);
    for (const TTableSetupColumn &column : table.Columns) {
        int k = column.SourceIndex;
        if (k < 0 || k >= oldCount || taken[std::size_t(k)])
            k = -1;
        else
            taken[std::size_t(k)] = true;
        sources.push_back(k);
    }
    FCore.ArrangeColumns(tbTable, sources);

    TTreeGridHeader *header = FCore.GetTable(tbTable)->Header();
    for (int i = 0; i < int(table.Columns.size()); ++i) {
        const TTableSetupColumn &column = table.Columns[std::size_t(i)];
        FCore.SetColumnCaption(tbTable, i, column.Caption);
        FCore.SetColumnType(tbTable, i, column.Type);
        FCore.GetHeader(tbTable, i)->Strings = column.Strings;
        if (TTreeGridColumn *item = header->Columns()->Items(i))
            item->SetImageIndex(TableImages::NoFilter);
    }

    // Connections the setup shows go where their fields point; the others stayed with their
    // columns.
    for (const TConnectionField &field : ConnectionFields) {
        const int row = table.Connections[std::size_t(field.Connection)];
        FCore.SetConnection(tbTable, field.Connection, row >= 0 && row < int(table.Columns.size()) ? row : -1);
    }

    std::vector<std::pair<QString, QString>> renames;
    for (int k = 0; k < oldCount; ++k) {
        const auto at = std::find(sources.begin(), sources.end(), k);
        const QString now = at == sources.end() ? QString() : table.Columns[std::size_t(at - sources.begin())].Caption;
        if (now != oldCaptions[k])
            renames.emplace_back(oldCaptions[k], now);
    }
    if (!renames.empty() && FCore.OnColumnsRenamed)
        FCore.OnColumnsRenamed(tbTable, renames);

    const int colors = FCore.GetConnection(tbTable, cnColor);
    if (colors >= 0)
        FillUpColors(FCore.FColors, int(FCore.GetColumnStrings(tbTable, colors).size()));
    FCore.Window().InvalidateChart();
}

// ---- positions

QHash<QString, TSetupApplier::TPositionRow> TSetupApplier::PositionRows(const QStringList &entries)
{
    QHash<QString, TPositionRow> rows;
    for (int k = 0; k < entries.size(); ++k) {
        const TPositionEntry entry(entries[k]);
        for (int r = 0; r < entry.Rows(); ++r) {
            const QString name = PositionRowName(entries[k], r);
            if (!rows.contains(name))
                rows.insert(name, TPositionRow{k, r});
        }
    }
    return rows;
}

QString TSetupApplier::PositionRowName(const QString &entry, int row)
{
    const TPositionEntry position(entry);
    row = std::clamp(row, 0, position.Rows() - 1);
    if (row == 0)
        return position.Name();
    return position.Name() + QStringLiteral(" (") + QString::number(row + 1) + QLatin1Char(')');
}

std::vector<int> TSetupApplier::ApplyPositions(const TPositionsSetup &positions)
{
    const int column = FCore.GetConnection(tbTable, cnPosition);
    const QStringList before = column >= 0 ? FCore.GetColumnStrings(tbTable, column) : QStringList();
    // Where each entry of the list before went.
    std::vector<int> moved(std::size_t(before.size()), -1);
    QStringList after;
    for (const TPositionSetupEntry &entry : positions.Entries) {
        const int k = entry.SourceIndex;
        if (k >= 0 && k < before.size() && moved[std::size_t(k)] < 0)
            moved[std::size_t(k)] = int(after.size());
        after.append(entry.Entry);
    }

    if (column >= 0) {
        // Every row's position as (entry, row of the entry) before the list changes.
        const QHash<QString, TPositionRow> rows = PositionRows(before);
        struct TRowPosition
        {
            TNodeData *node;
            int column;
            TPositionRow position;
        };
        std::vector<TRowPosition> found;
        for (TWhichTable table : {tbTable, tbExclude}) {
            const int cells = FCore.GetConnection(table, cnPosition);
            if (cells < 0)
                continue;
            FCore.ForEach(table, feAll, [&](TNodeData *node) {
                const QString *cell = CellOf(node, cells);
                // "*" (every position) stays; a name the list never had stays as typed.
                if (!cell || *cell == QStringLiteral("*"))
                    return;
                const auto at = rows.constFind(*cell);
                if (at != rows.constEnd())
                    found.push_back({node, cells, *at});
            });
        }
        FCore.ColumnStrings(tbTable, column) = after;
        for (const TRowPosition &row : found) {
            const int now = moved[std::size_t(row.position.entry)];
            const QString name = now < 0 ? QString() : PositionRowName(after[now], row.position.row);
            FCore.DoSetData(row.node, row.column, name, false);
        }

        // The groups name their positions by entry: renamed ones follow, deleted ones drop out.
        QHash<QString, int> beforeByName;
        for (int k = 0; k < before.size(); ++k) {
            const QString name = TPositionEntry(before[k]).Name();
            if (!beforeByName.contains(name))
                beforeByName.insert(name, k);
        }
        for (int group = 1; group < FCore.FPositionGroup.size(); ++group) {
            QStringList members;
            for (const QString &member : ParseCommaText(FCore.FPositionGroup[group])) {
                const int k = beforeByName.value(TPositionEntry(member).Name(), -1);
                if (k < 0)
                    members.append(member);
                else if (moved[std::size_t(k)] >= 0)
                    members.append(after[moved[std::size_t(k)]]);
            }
            FCore.FPositionGroup[group] = CommaTextOf(members);
        }
    }

    if (positions.Unit != FCore.GetMinUnit())
        ConvertLengths(positions.Unit);
    return moved;
}

void TSetupApplier::ConvertLengths(TMinUnit unit)
{
    const int column = FCore.GetConnection(tbTable, cnLength);
    // Lengths are read in the unit they were written in: whole days, or hours with minutes
    // after a comma. Texts that are no length stay as they are.
    static const QRegularExpression days(QStringLiteral("^\\s*-?\\d+\\s*$"));
    static const QRegularExpression hours(QStringLiteral("^\\s*-?\\d+\\s*(,\\s*\\d+\\s*)?$"));
    const QRegularExpression &readable = FCore.GetMinUnit() == muMinute ? hours : days;
    std::vector<std::pair<TNodeData *, qint64>> lengths;
    if (column >= 0)
        FCore.ForEach(tbTable, feAll, [&](TNodeData *node) {
            const QString *cell = CellOf(node, column);
            if (cell && readable.match(*cell).hasMatch())
                lengths.emplace_back(node, FCore.calcNodeLength(tbTable, *cell));
        });
    FCore.SetMinUnit(unit);
    for (const auto &[node, minutes] : lengths) {
        QString text;
        if (unit == muMinute)
            text = FCore.LengthText(tbTable, int(minutes));
        else
            text = QString::number(qint64(std::nearbyint(double(minutes) / MinutesPerDay)));
        FCore.DoSetData(node, column, text, false);
        FCore.SetRecalcEndOf(node, true);
    }
}
