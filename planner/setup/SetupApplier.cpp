// Reading the setup, the order of applying it, and the small parts: absence reasons, groups
// and public holidays. Columns and positions are in SetupApplierTable.cpp.

#include "setup/SetupApplier.h"

#include <algorithm>

#include "CommaText.h"
#include "Language.h"
#include "core/DocumentColors.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "document/DocumentFile.h"
#include "setup/SetupRules.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

QStringList FirstItems(const QStringList &entries)
{
    QStringList names;
    names.reserve(entries.size());
    for (const QString &entry : entries)
        names.append(ParseCommaText(entry).value(0));
    return names;
}

// The outermost bracket of applying; closes on every way out.
class TApplyBracket
{
public:
    explicit TApplyBracket(TPlannerCore &core) : FCore(core), FSuspend(core.UndoStack())
    {
        FCore.BeginUpdate(Translate(QStringLiteral("setting up...")));
    }
    ~TApplyBracket()
    {
        // Undo entries name columns by index and rows by positions that may have moved.
        FCore.ClearUndo();
        FCore.EndUpdate();
    }
    TApplyBracket(const TApplyBracket &) = delete;
    TApplyBracket &operator=(const TApplyBracket &) = delete;

private:
    TPlannerCore &FCore;
    TSuspendUndo FSuspend;
};

} // namespace

TSetupApplier::TSetupApplier(TPlannerCore &core, TDocumentFile &file) : FCore(core), FFile(file) {}

// ---- reading

TDocumentSetup TSetupApplier::Read() const
{
    TDocumentSetup setup;
    setup.Table = ReadTable();
    setup.Positions = ReadPositions();
    setup.Groups = ReadGroups();
    setup.Holidays = ReadHolidays();
    setup.Absence = ReadAbsence();
    return setup;
}

TTableSetup TSetupApplier::ReadTable() const
{
    TTableSetup table;
    const int count = FCore.GetTableColCount(tbTable);
    for (int i = 0; i < count; ++i)
        table.Columns.push_back({FCore.GetColumnCaption(tbTable, i), FCore.GetColumnType(tbTable, i),
                                 FCore.GetColumnStrings(tbTable, i), i});
    for (int cn = cnPosition; cn < ConnectionCount; ++cn) {
        const int column = FCore.GetConnection(tbTable, TConnection(cn));
        table.Connections[std::size_t(cn)] = column >= 0 && column < count ? column : -1;
    }
    return table;
}

TPositionsSetup TSetupApplier::ReadPositions() const
{
    TPositionsSetup positions;
    positions.Unit = FCore.GetMinUnit();
    const int column = FCore.GetConnection(tbTable, cnPosition);
    if (column < 0)
        return positions;
    const QStringList &entries = FCore.GetColumnStrings(tbTable, column);
    for (int i = 0; i < entries.size(); ++i)
        positions.Entries.push_back({entries[i], i});
    return positions;
}

TGroupsSetup TSetupApplier::ReadGroups() const
{
    TGroupsSetup groups;
    const int column = FCore.GetConnection(tbTable, cnPosition);
    if (column >= 0)
        groups.Names = FirstItems(FCore.GetColumnStrings(tbTable, column));
    const QStringList &captions = FCore.GroupTabCaptions();
    groups.FirstCaption = captions.value(0);
    for (int tab = 1; tab < captions.size(); ++tab) {
        TGroupSetup group;
        group.Caption = captions[tab];
        // A position belongs to the group when the group names it; the rest of a stored entry
        // (its week) may be older than the position list.
        const QStringList members = FirstItems(ParseCommaText(FCore.FPositionGroup.value(tab)));
        for (int i = 0; i < groups.Names.size(); ++i)
            if (members.contains(groups.Names[i]))
                group.Checked.push_back(i);
        groups.Groups.push_back(group);
    }
    return groups;
}

std::vector<THolidayData> TSetupApplier::ReadHolidays() const
{
    std::vector<THolidayData> holidays;
    for (int i = 0; i < FCore.HolidayCount(); ++i)
        holidays.push_back(*FCore.GetHolidayData(i));
    return holidays;
}

TAbsenceSetup TSetupApplier::ReadAbsence() const
{
    TAbsenceSetup absence;
    const int column = FCore.GetConnection(tbExclude, cnColor);
    if (column >= 0)
        absence.Reasons = FirstItems(FCore.GetColumnStrings(tbExclude, column));
    absence.DefaultReason = FCore.FDefaultHolidayReason;
    absence.CalcWorkdays = FCore.FDefaultCalcWorkdays;
    return absence;
}

// ---- applying

bool TSetupApplier::Apply(const TSetupChanges &shown)
{
    const TSetupChanges changes = Cleaned(shown);
    if (changes.Empty() || (changes.Table && !TableSetupProblem(*changes.Table).isEmpty()))
        return false;
    // Read before the lists change.
    const std::vector<TValueRename> renames = CleanedValues(changes);
    SaveIfNamed();
    // Unwritten journal events name their columns by index: they become file records now,
    // while their indexes still mean what they meant.
    FFile.Sync().ForceStorePending();
    {
        TApplyBracket bracket(FCore);
        if (OnRememberView)
            OnRememberView();
        if (changes.Absence)
            ApplyAbsence(*changes.Absence);
        if (changes.Table)
            ApplyTable(*changes.Table);
        std::vector<int> positionMap;
        if (changes.Positions)
            positionMap = ApplyPositions(*changes.Positions);
        if (changes.Groups)
            ApplyGroups(*changes.Groups, changes.Positions ? &positionMap : nullptr);
        if (changes.Holidays)
            ApplyHolidays(*changes.Holidays);
        RenameValues(renames);
    }
    if (changes.Table && OnTableApplied)
        OnTableApplied();
    // The setup travels with the document file: it must be saved even when nothing else was.
    FFile.Sync().NoteUnjournalledChange();
    SaveIfNamed();
    if (OnRestoreView)
        OnRestoreView();
    return true;
}

void TSetupApplier::SaveIfNamed()
{
    if (!FFile.Sync().DirWatchThread()->Filename().isEmpty())
        FFile.ActionSaveExecute();
}

void TSetupApplier::ApplyAbsence(const TAbsenceSetup &absence)
{
    QStringList reasons;
    for (const QString &line : absence.Reasons)
        if (!line.isEmpty())
            reasons.append(CommaTextOf({line}));
    // A table without a colour column has no reasons to keep.
    const int column = FCore.GetConnection(tbExclude, cnColor);
    if (column >= 0)
        FCore.ColumnStrings(tbExclude, column) = reasons;
    FCore.FDefaultHolidayReason = absence.DefaultReason;
    FCore.FDefaultCalcWorkdays = absence.CalcWorkdays;
    FillUpColors(FCore.FHolidayColors, int(reasons.size()));
    FCore.Window().InvalidateChart();
}

void TSetupApplier::ApplyGroups(const TGroupsSetup &groups, const std::vector<int> *positionMap)
{
    const int column = FCore.GetConnection(tbTable, cnPosition);
    const QStringList entries = column >= 0 ? FCore.GetColumnStrings(tbTable, column) : QStringList();
    FCore.ResetPositionGroups();
    for (const TGroupSetup &group : groups.Groups) {
        // The checks name positions as they were read; they go by the positions' new order.
        std::vector<int> members;
        for (const int read : group.Checked) {
            int now = read;
            if (positionMap)
                now = read >= 0 && std::size_t(read) < positionMap->size() ? (*positionMap)[std::size_t(read)] : -1;
            if (now >= 0 && now < entries.size())
                members.push_back(now);
        }
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        QStringList filter;
        for (const int member : members)
            filter.append(entries[member]);
        FCore.AddPositionGroup(group.Caption, CommaTextOf(filter));
    }
}

void TSetupApplier::ApplyHolidays(const std::vector<THolidayData> &holidays)
{
    FCore.ClearHoliday();
    for (const THolidayData &holiday : holidays)
        FCore.AddHoliday(holiday.name, holiday.day, holiday.month, holiday.enabled, holiday.easter);
    FCore.updateAutoEntries();
}
