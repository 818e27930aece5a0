#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

#include "core/DocumentTypes.h"

class TBaseTreeGrid;
class TPlannerCore;
class TPlannerTables;
struct TGridNode;

// The columns of a big table, fitted to the rows in view when a document opens, widen as
// further rows come into view: measuring every text of a big table at once would hold up the
// opening. A column keeps what fits every row it has shown (measured as TColumnFitter
// measures); a column the user resized, or that was fitted again otherwise, is left alone
// from then on.
class TLazyColumnFit : public QObject
{
public:
    TLazyColumnFit(TPlannerCore &core, TPlannerTables &tables, TWhichTable table, QObject *parent = nullptr);

    // Tables of more rows are fitted lazily.
    static constexpr int LazyRows = 2000;

    // The columns have just been fitted to the rows in view: from now on they follow the
    // rows that come into view.
    void Start();
    // The columns are left as they are.
    void Stop();
    bool Active() const { return !FWidths.empty(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Widens the columns still at the width set here to the rows in view.
    void FollowRowsInView();

    TPlannerCore &FCore;
    TPlannerTables &FTables;
    TWhichTable FTable;
    QPointer<TBaseTreeGrid> FGrid;
    // Per column, the width it was given here; -1 for a column left alone.
    std::vector<int> FWidths;
    // The rows in view when they were measured last.
    TGridNode *FTop = nullptr;
    TGridNode *FBottom = nullptr;
};
