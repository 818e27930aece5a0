// "Solve Interleaving in each resource": overlapping tasks move to other rows of their
// resource's row block, and the block grows by a row when the user agrees.

#include "table/OverlapSolver.h"

#include <algorithm>

#include "CommaText.h"
#include "Language.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"

// ---- row blocks

int TOverlapSolver::RowCountOfEntry(const QString &entry)
{
    bool ok = false;
    const int rows = ParseCommaText(entry).value(2).trimmed().toInt(&ok);
    return ok && rows >= 1 ? rows : 1;
}

int TOverlapSolver::MultiRowIndex(const QStringList &entries, int row)
{
    int sum = 0;
    for (int i = 0; i < entries.size(); ++i) {
        sum += RowCountOfEntry(entries[i]);
        if (sum > row)
            return i;
    }
    return int(entries.size()) - 1;
}

int TOverlapSolver::FirstRowInMultiRow(const QStringList &entries, int row)
{
    const int index = MultiRowIndex(entries, row);
    int sum = 0;
    for (int i = 0; i < index; ++i)
        sum += RowCountOfEntry(entries[i]);
    return sum;
}

int TOverlapSolver::LastRowInMultiRow(const QStringList &entries, int row)
{
    const int index = MultiRowIndex(entries, row);
    int sum = 0;
    for (int i = 0; i <= index; ++i)
        sum += RowCountOfEntry(entries[i]);
    return sum - 1;
}

QStringList TOverlapSolver::PositionEntries() const
{
    const int column = FCore.GetConnection(tbTable, cnPosition);
    return column >= 0 ? FCore.GetColumnStrings(tbTable, column) : QStringList();
}

void TOverlapSolver::AddMultiRow(int blockIndex, bool refreshGroups)
{
    const int column = FCore.GetConnection(tbTable, cnPosition);
    if (column < 0)
        return;
    QStringList &entries = FCore.ColumnStrings(tbTable, column);
    if (blockIndex < 0 || blockIndex >= entries.size())
        return;
    const QString oldEntry = entries[blockIndex];
    QStringList items = ParseCommaText(oldEntry);
    while (items.size() < 3)
        items.append(QString());
    items[2] = QString::number(RowCountOfEntry(oldEntry) + 1);
    const QString newEntry = CommaTextOf(items);
    entries[blockIndex] = newEntry;
    for (QString &group : FCore.FPositionGroup) {
        QStringList members = ParseCommaText(group);
        if (!members.contains(oldEntry))
            continue;
        std::replace(members.begin(), members.end(), oldEntry, newEntry);
        group = CommaTextOf(members);
    }
    // Cells hold the names of their rows, which stay where they are within their blocks; only
    // the rows' cached places follow the longer list.
    FCore.ForEach(feAll, &TPlannerCore::CB_CheckValid);
    if (refreshGroups)
        FCore.TabControl1Change();
}

// ---- the command

void TOverlapSolver::ActionSolveOverlappingSingleExecute()
{
    if (FCore.GroupTabIndex() != 0) {
        FCore.Window().Ask(Translate(QStringLiteral("Please call this function from Summary view.")), mtInformation,
                           {mbOK});
        return;
    }
    if (FSolving || FCore.IsUpdating())
        return;
    // Every row must be shown while tasks move between the rows of their blocks.
    const bool hideRows = FCore.FHideEmptyRows;
    const bool hideMultiRows = FCore.FHideEmptyMultiRows;
    FCore.FHideEmptyRows = false;
    FCore.FHideEmptyMultiRows = false;
    FCore.UpdateEmptyRowsProc();
    struct TFinish
    {
        TOverlapSolver &solver;
        bool hideRows;
        bool hideMultiRows;
        ~TFinish() { solver.FinishSingle(hideRows, hideMultiRows); }
    } finish{*this, hideRows, hideMultiRows};
    TRunScope run(*this);
    // The list as it is now, with every row shown (the recomputation cannot start the other
    // command: this one runs).
    FCore.UpdateOverlapping(false);
    int answer = mrNone;
    // Each round settles one task or adds one row; a task that keeps coming back ends the
    // command at the latest after a few rounds per task.
    const int limit = 4 * std::max(1, FCore.GetTableRowCount(tbTable)) + 16;
    while (!FOverlappingNodes.IsEmpty() && FLastRunPasses < limit) {
        ++FLastRunPasses;
        if (!SolveSingle(EarliestListed(), answer))
            break;
    }
}

bool TOverlapSolver::MoveToRow(TNodeData *node, int row)
{
    const int before = FCore.GetPositionOf(node);
    FCore.SetPositionOf(node, row);
    FCore.UpdateOverlapping(false);
    return FCore.GetPositionOf(node) != before;
}

bool TOverlapSolver::SolveSingle(TNodeData *node, int &answer)
{
    const QStringList entries = PositionEntries();
    const int p0 = FCore.GetPositionOf(node);
    if (!node || p0 < 0 || entries.isEmpty()) {
        // Nowhere to move it: it stays as it is for the rest of the run.
        FIgnoreOverlappingNodes.Add(node);
        FCore.UpdateOverlapping(false);
        return true;
    }
    int row = p0;
    const int first = FirstRowInMultiRow(entries, p0);
    const int last = LastRowInMultiRow(entries, p0);
    while (row > first && GetNodeIsOverlapping(node))
        if (!MoveToRow(node, --row))
            break;
    row = FCore.GetPositionOf(node);
    while (row >= 0 && row < last && GetNodeIsOverlapping(node))
        if (!MoveToRow(node, ++row))
            break;
    if (!GetNodeIsOverlapping(node))
        return true;

    row = FCore.GetPositionOf(node);
    const int block = MultiRowIndex(entries, row);
    if (answer != mrYesToAll)
        answer = FCore.Window().Ask(Translate(QStringLiteral("Need to add a Row to \"%s\". Proceed?"),
                                              {ParseCommaText(entries.value(block)).value(0)}),
                                    mtConfirmation, {mbYes, mbCancel, mbIgnore, mbYesToAll});
    switch (answer) {
    case mrCancel: {
        // The newest move is taken back, but never a change made before this command.
        const TUndoRedoEntry *newest = TUndoRedo::Last(FCore.UndoStack().UndoList());
        if (newest && newest->FGroupIndex == FRunGroup)
            FCore.PopUndo();
        return false;
    }
    case mrYes:
    case mrYesToAll:
        AddMultiRow(block, true);
        MoveToRow(node, LastRowInMultiRow(PositionEntries(), row));
        return true;
    case mrIgnore:
        MoveToRow(node, p0);
        FIgnoreOverlappingNodes.Add(node);
        FCore.UpdateOverlapping(false);
        return true;
    default:
        FCore.UpdateOverlapping(false);
        return true;
    }
}

void TOverlapSolver::FinishSingle(bool hideRows, bool hideMultiRows)
{
    FIgnoreOverlappingNodes.Clear();
    FCore.UpdateOverlapping(true);
    FCore.FHideEmptyRows = hideRows;
    FCore.FHideEmptyMultiRows = hideMultiRows;
    FCore.UpdateEmptyRows(true);
}
