#pragma once

// Reads the document's setup for the setup dialogs and applies what they hand back: the task
// table's columns and connections, the positions and the time unit, the position groups, the
// public holidays and the absence reasons. Applying is one update bracket with the journal
// and undo off; the undo lists are cleared after it (their entries name columns by index), and
// the saves before and after carry the new setup to the other instances.

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "setup/SetupTypes.h"

class TDocumentFile;
class TPlannerCore;

class TSetupApplier
{
public:
    // A named document is saved through `file` before and after the setup is applied.
    TSetupApplier(TPlannerCore &core, TDocumentFile &file);

    TDocumentSetup Read() const;
    TTableSetup ReadTable() const;
    TPositionsSetup ReadPositions() const;
    TGroupsSetup ReadGroups() const;
    std::vector<THolidayData> ReadHolidays() const;
    TAbsenceSetup ReadAbsence() const;

    // Applies the parts given, their texts cleaned (Cleaned). Nothing happens (false) when the
    // table part cannot be applied (TableSetupProblem) or nothing is given.
    bool Apply(const TSetupChanges &changes);
    // The parts' texts as the document keeps them (CleanSetupText): column captions and
    // values, the positions' descriptions, group captions, holiday names and the absence
    // reasons, whether or not the dialog edited them. The position column's values are the
    // positions' entries: only the positions part cleans them.
    static TSetupChanges Cleaned(TSetupChanges changes);

    // The chart's first date and top row are remembered before and restored after.
    std::function<void()> OnRememberView;
    std::function<void()> OnRestoreView;
    // The task table's columns were applied (the rows are recalculated): the window fits them.
    std::function<void()> OnTableApplied;

    // The names a position list gives its chart rows: entry k with r rows gives "name" and
    // "name (2)" ... "name (r)"; as (entry, row within the entry) pairs by name.
    struct TPositionRow
    {
        int entry = -1;
        int row = 0;
    };
    static QHash<QString, TPositionRow> PositionRows(const QStringList &entries);
    // The name of row `row` of an entry; the last row when the entry has fewer.
    static QString PositionRowName(const QString &entry, int row);

private:
    // Cells of a pick-list column whose value only the cleaning changed: the old text and the
    // clean one, by (table, column after applying).
    struct TValueRename
    {
        TWhichTable table = tbTable;
        int column = -1;
        QHash<QString, QString> values;
    };
    std::vector<TValueRename> CleanedValues(const TSetupChanges &changes) const;
    void RenameValues(const std::vector<TValueRename> &renames);
    void ApplyAbsence(const TAbsenceSetup &absence);
    void ApplyTable(const TTableSetup &table);
    // Returns, per entry of the position list before, its entry index after (-1: deleted).
    std::vector<int> ApplyPositions(const TPositionsSetup &positions);
    void ConvertLengths(TMinUnit unit);
    void ApplyGroups(const TGroupsSetup &groups, const std::vector<int> *positionMap);
    void ApplyHolidays(const std::vector<THolidayData> &holidays);
    void SaveIfNamed();

    TPlannerCore &FCore;
    TDocumentFile &FFile;
};
