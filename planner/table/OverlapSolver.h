#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "DateTime.h"
#include "core/ActionScope.h"
#include "table/OverlapList.h"

class TPlannerCore;
struct TNodeData;

// Tasks on one chart row that occupy the same time overlap. This keeps the list of
// overlapping tasks (the chart and the tables mark them; the core asks through its hooks)
// and the two commands that move tasks apart: later in time on their row, or onto other rows
// of their resource's row block, adding rows with the user's consent.
//
// It ties itself to the core's hooks when made and takes them back when it goes; it must
// not outlive the core.
class TOverlapSolver : public QObject
{
    Q_OBJECT
public:
    explicit TOverlapSolver(TPlannerCore &core, QObject *parent = nullptr);
    ~TOverlapSolver() override;

    const TOverlapList &OverlappingNodes() const { return FOverlappingNodes; }
    const TOverlapList &IgnoreOverlappingNodes() const { return FIgnoreOverlappingNodes; }
    bool GetNodeIsOverlapping(const TNodeData *node) const { return FOverlappingNodes.Contains(node); }

    // Rebuilds the overlap list from the tasks of the rows shown; nothing inside an update
    // bracket. Only the positions whose tasks changed since are looked at again. With
    // AutoArrange the first solve command follows.
    void UpdateOverlappingProc();
    // "Solve Interleaving": later tasks of a row follow each other.
    void ActionSolveOverlappingExecute();
    // "Solve Interleaving in each resource": tasks move to other rows of their block.
    void ActionSolveOverlappingSingleExecute();
    // Both solve commands are enabled exactly while a task overlaps.
    bool ActionSolveOverlappingUpdate() const { return !FOverlappingNodes.IsEmpty(); }
    // Splitting a bar needs one selected row of the active table and no overlap.
    bool ActionSplitUpdate() const;

    // The menu option "Automatically arrange items".
    bool AutoArrange() const { return FAutoArrange; }
    void SetAutoArrange(bool value) { FAutoArrange = value; }

    // Row blocks over the entries of the position list (name, week, row count; a missing or
    // invalid count is 1). Rows are counted from 0 over all entries.
    static int RowCountOfEntry(const QString &entry);
    // The entry whose rows hold `row` (the last entry for rows past the end; -1 without any).
    static int MultiRowIndex(const QStringList &entries, int row);
    static int FirstRowInMultiRow(const QStringList &entries, int row);
    static int LastRowInMultiRow(const QStringList &entries, int row);
    // Adds a row to the block of entry `blockIndex`; the groups that list the entry follow.
    // With refreshGroups the current group tab is applied again.
    void AddMultiRow(int blockIndex, bool refreshGroups);

    // The distance two tasks on a row keep: a day in day mode (ends are last days), nothing in
    // minute mode.
    TDateTime Gap() const;
    bool Solving() const { return FSolving; }
    // Passes the last run of either command made (a pass moves every row's chain once).
    int LastRunPasses() const { return FLastRunPasses; }

signals:
    // The list changed from empty to not empty or back: actions follow.
    void OverlappingChanged();

private:
    // Marks a command as running for its lifetime; the run is one user action (one undo
    // group, the views refreshed once at its end).
    class TRunScope
    {
    public:
        explicit TRunScope(TOverlapSolver &solver);
        ~TRunScope();
        TRunScope(const TRunScope &) = delete;
        TRunScope &operator=(const TRunScope &) = delete;

    private:
        TOverlapSolver &FSolver;
        TActionScope FAction;
    };

    // One pass over every row with an overlap; false when no task moved.
    bool SolvePass(bool &failed);
    bool MoveChain(const std::vector<TNodeData *> &chain, bool &failed);
    // The listed task with the earliest start; the one listed first on equal starts.
    TNodeData *EarliestListed() const;
    // "Solve Interleaving in each resource" for one task; false ends the command.
    bool SolveSingle(TNodeData *node, int &answer);
    bool MoveToRow(TNodeData *node, int row);
    QStringList PositionEntries() const;
    void FinishSingle(bool hideRows, bool hideMultiRows);
    void ForgetRow(TNodeData *node);
    // The overlapping tasks of one position, in the order the list takes them.
    void FindOverlaps(int position, std::vector<TNodeData *> &listed) const;
    // The positions whose tasks changed are looked at again; the list follows.
    void UpdatePositions();
    // Bars whose mark changed since `previous` are drawn anew.
    void RepaintChanged(const TOverlapList &previous);
    void RepaintAll();

    TPlannerCore &FCore;
    // The overlapping tasks of each position with any, as found when its tasks last changed,
    // and the position each listed task is kept under.
    std::unordered_map<int, std::vector<TNodeData *>> FPositionOverlaps;
    std::unordered_map<const TNodeData *, int> FListedAt;
    std::unordered_set<int> FChangedPositions;
    bool FAllChanged = true;
    TDateTime FFoundWithGap = -1;
    TOverlapList FOverlappingNodes;
    TOverlapList FIgnoreOverlappingNodes;
    bool FAutoArrange = false;
    bool FSolving = false;
    int FLastRunPasses = 0;
    int FRunGroup = -1;
};
