#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <unordered_set>
#include <vector>

#include "core/DocumentTypes.h"

class TPlannerCore;

// The selection bookkeeping the chart and the editor follow. The tree-grids report every
// selection change, often several for one user action (clear, then select); the reports are
// gathered and answered once when the action is over: the bars whose selection began or
// ended are drawn anew, the chart's selection flash restarts, the chart scrolls to the row
// when the user picked it in the table, and the editor follows the active table's selection.
class TSelectionTracker : public QObject
{
    Q_OBJECT
public:
    explicit TSelectionTracker(TPlannerCore &core, QObject *parent = nullptr);

    // The tree-grid of `table` reported a change; `node` is the row it names (nil for many
    // rows at once); `fromTable` tells that the user acted in the table.
    void Change(TWhichTable table, TNodeData *node, bool fromTable);
    // Answers the gathered reports now.
    void Flush();
    // The same for a selection the user had already (put back after a reload): the editor
    // follows it, but the chart neither flashes its bars nor scrolls to them.
    void FlushQuietly();
    bool Pending() const { return FTimer.isActive(); }

    // The rows selected at the last answered report: those selected before first, then the
    // newly selected ones in table order.
    const std::vector<TNodeData *> &SelectedList(TWhichTable table) const
    {
        PurgeForgotten();
        return FSelectedList[table];
    }
    // A row being freed leaves every list and every waiting report; a selected one makes its
    // table's selection be answered anew.
    void ForgetNode(const TNodeData *node);

private:
    struct TPending
    {
        bool pending = false;
        TNodeData *node = nullptr;
        bool fromTable = false;
    };
    void Answer(TWhichTable table);
    // Takes the freed rows out of the lists in one pass, so that freeing many selected rows
    // one by one stays linear.
    void PurgeForgotten() const;

    TPlannerCore &FCore;
    bool FQuiet = false;
    mutable std::array<std::vector<TNodeData *>, WhichTableCount> FSelectedList;
    mutable std::unordered_set<const TNodeData *> FForgotten;
    std::array<TPending, WhichTableCount> FPending;
    QTimer FTimer;
};
