// The setup's texts as the document keeps them, and the cells of the values that cleaning
// them renamed.

#include "setup/SetupApplier.h"

#include "CommaText.h"
#include "core/PlannerCore.h"
#include "setup/PositionEntry.h"
#include "setup/SetupRules.h"

namespace {

// A value list's entries with their values cleaned; an entry whose value is nothing then goes.
QStringList CleanedValueList(const QStringList &entries)
{
    QStringList cleaned;
    for (const QString &entry : entries) {
        QStringList items = ParseCommaText(entry);
        const QString value = CleanSetupText(items.value(0));
        if (value.isEmpty())
            continue;
        if (value == items.value(0)) {
            cleaned.append(entry);
            continue;
        }
        items[0] = value;
        cleaned.append(CommaTextOf(items));
    }
    return cleaned;
}

QStringList Values(const QStringList &entries)
{
    QStringList values;
    for (const QString &entry : entries)
        values.append(ParseCommaText(entry).value(0));
    return values;
}

// The values of `before` that only cleaning turned into a value of `after`.
QHash<QString, QString> Renamed(const QStringList &before, const QStringList &after)
{
    QHash<QString, QString> renamed;
    for (const QString &value : before) {
        const QString clean = CleanSetupText(value);
        if (clean != value && after.contains(clean) && !after.contains(value))
            renamed.insert(value, clean);
    }
    return renamed;
}

} // namespace

TSetupChanges TSetupApplier::Cleaned(TSetupChanges changes)
{
    if (changes.Table) {
        std::vector<TTableSetupColumn> &columns = changes.Table->Columns;
        const int positionColumn = changes.Table->Connections[cnPosition];
        for (int i = 0; i < int(columns.size()); ++i) {
            TTableSetupColumn &column = columns[std::size_t(i)];
            const QString caption = CleanSetupText(column.Caption);
            // A caption names the column's elements in the files: cleaned, it stays unique.
            if (caption != column.Caption)
                column.Caption = UniqueName(caption, [&](const QString &name) {
                    for (int other = 0; other < int(columns.size()); ++other)
                        if (other != i && columns[std::size_t(other)].Caption == name)
                            return true;
                    return false;
                });
            if (i != positionColumn)
                column.Strings = CleanedValueList(column.Strings);
        }
    }
    if (changes.Positions) {
        for (TPositionSetupEntry &position : changes.Positions->Entries) {
            TPositionEntry entry(position.Entry);
            const QStringList lines = entry.Description();
            QStringList cleaned;
            for (const QString &line : lines)
                cleaned.append(CleanSetupText(line));
            if (cleaned == lines)
                continue;
            entry.SetDescription(cleaned);
            position.Entry = entry.Text();
        }
    }
    if (changes.Groups)
        for (TGroupSetup &group : changes.Groups->Groups)
            group.Caption = CleanSetupText(group.Caption);
    if (changes.Holidays)
        for (THolidayData &holiday : *changes.Holidays)
            holiday.name = CleanSetupText(holiday.name);
    if (changes.Absence) {
        for (QString &reason : changes.Absence->Reasons)
            reason = CleanSetupText(reason);
        changes.Absence->DefaultReason = CleanSetupText(changes.Absence->DefaultReason);
    }
    return changes;
}

std::vector<TSetupApplier::TValueRename> TSetupApplier::CleanedValues(const TSetupChanges &changes) const
{
    std::vector<TValueRename> renames;
    const auto add = [&](TWhichTable table, int column, const QHash<QString, QString> &values) {
        if (!values.isEmpty())
            renames.push_back({table, column, values});
    };
    if (changes.Absence) {
        const int column = FCore.GetConnection(tbExclude, cnColor);
        if (column >= 0)
            add(tbExclude, column, Renamed(Values(FCore.GetColumnStrings(tbExclude, column)), changes.Absence->Reasons));
    }
    if (changes.Table) {
        const int count = FCore.GetTableColCount(tbTable);
        const std::vector<TTableSetupColumn> &columns = changes.Table->Columns;
        for (int i = 0; i < int(columns.size()); ++i) {
            const int source = columns[std::size_t(i)].SourceIndex;
            if (i != changes.Table->Connections[cnPosition] && source >= 0 && source < count)
                add(tbTable, i,
                    Renamed(Values(FCore.GetColumnStrings(tbTable, source)), Values(columns[std::size_t(i)].Strings)));
        }
    }
    return renames;
}

void TSetupApplier::RenameValues(const std::vector<TValueRename> &renames)
{
    for (const TValueRename &rename : renames)
        FCore.ForEach(rename.table, feAll, [&](TNodeData *node) {
            if (rename.column >= node->StringList.size())
                return;
            const auto to = rename.values.constFind(node->StringList[rename.column]);
            if (to != rename.values.constEnd())
                FCore.DoSetData(node, rename.column, *to, false);
        });
}
