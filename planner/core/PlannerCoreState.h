#pragma once

// What the document model holds beside its grids. The document's settings and state that the
// planner's parts read and set directly are public; the model's own caches and bookkeeping are
// for TPlannerCore's members alone, which keep all of it consistent.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <array>
#include <limits>
#include <map>
#include <unordered_set>
#include <memory>
#include <vector>

#include "Color.h"
#include "DateList.h"
#include "core/DocumentTypes.h"
#include "core/HolidayData.h"
#include "core/RowsByPosition.h"
#include "core/TextMap.h"
#include "WeekInfo.h"

class IDocumentObserver;
class IPlannerWindow;
class TBaseTreeGrid;
class TRowPlacer;
class TRowPlacing;
class TMessageQueue;
class TViewRefresh;
class TUndoRedo;

class TPlannerCoreState
{
public:
    // ---- the document's state
    // The bar text layout of every group tab (0 = three text rows).  // moves to the chart
    QVector<qint32> FRowSets;
    qint32 FLastFreeID = 0;
    int FUndoRedoGroupIndex = -1;
    bool FFocusNewNode = false;
    int FMaxHistoryFiles = 30;
    QString FDefaultHolidayReason;
    bool FDefaultCalcWorkdays = true;
    TDateTime FUserDate = 0;
    bool FLocalUndo = true; // the menu option "Undo local changes only"
    tDateList FAutoExcludeList; // public holidays, one item per day
    // Bar colours of the task states and of the absence reasons, by pick-list index ($BBGGRR).
    QVector<TColor> FColors;
    QVector<TColor> FHolidayColors;

    // ---- the document's storage
    // The menu option "Save File compressed": documents and diff files follow it.
    bool FSaveFileCompressed = true;

    // ---- positions and groups
    // One filter text per group tab (tab 0: empty, all positions).
    QStringList FPositionGroup;
    // The expanded entries of the current group, and those of them shown as chart rows.
    QStringList FNoAutoGlobalPositionFilter;
    QStringList FGlobalPositionFilter;
    TTimeOfDay FMinDayStart{1440};
    TTimeOfDay FMaxDayEnd{0};

    // ---- the update bracket and the idle processing
    // The view options "Hide empty resources" and "Hide empty multi-row resources".
    bool FHideEmptyRows = false;
    bool FHideEmptyMultiRows = false;
    // The storage error was told and the folder has not been reachable since.
    bool FOfflineErrorSignalled = false;

protected:
    friend class TRowPlacing;
    TPlannerCoreState(IPlannerWindow &window, TUndoRedo &undoRedo);
    ~TPlannerCoreState();

    TPlannerCoreState(const TPlannerCoreState &) = delete;
    TPlannerCoreState &operator=(const TPlannerCoreState &) = delete;

    // ---- undo and redo
    std::unique_ptr<TRowPlacer> FRowPlacer;

    // ---- the views' refreshes, held during actions and brackets
    std::unique_ptr<TViewRefresh> FViewRefresh;
    TMessageQueue *FMessages = nullptr; // a child of the core

    // ---- positions and groups
    // The expanded full position list with its blocks and weeks, cached while the pick list
    // stays the same.
    struct TPositionCache
    {
        QStringList source;
        QStringList names;
        QStringList entries;
        TTextMap<int> index;
        std::vector<std::vector<int>> blocks;
        std::vector<tWeekInfo> weeks;
        quint64 generation = 0;
        int column = -1; // the position column the list was taken from
        bool valid = false;
    };
    // The pick-list index of a column: entry by the first item of its texts.
    struct TPickListIndex
    {
        QStringList source;
        TTextMap<int> index;
        bool valid = false;
    };
    mutable std::array<std::vector<TPickListIndex>, WhichTableCount> FPickListIndex;
    mutable TPositionCache FPositionCache;
    mutable std::vector<qint32> FPositionInPositionGroup;
    // The other way round: the expanded full index of each visible row, -1 when none.
    mutable std::vector<qint32> FRowPositions;
    mutable quint64 FPositionMapGeneration = 0;
    mutable QStringList FPositionMapFilter;
    QStringList FGroupTabCaptions;
    int FGroupTabIndex = 0;
    QTimer FTimeChartChangeGroupTimer;
    int FChangeGroupTimerTag = 0;

    // ---- scheduling (PlannerCoreSchedule.cpp, PlannerCoreRecalc.cpp)
    // Calendars per position, the holiday days and the absent days per position, kept while
    // the holidays, positions, absent days and time unit stay as they were (ScheduleState.h).
    struct TScheduleState;
    struct TScheduleStateDeleter
    {
        void operator()(TScheduleState *state) const;
    };
    std::unique_ptr<TScheduleState, TScheduleStateDeleter> FSchedule;
    // Whether a row refreshed is valid but for the range, and its dates.
    struct TRowSpan
    {
        bool complete = false;
        TDateTime lo = 0;
        TDateTime hi = 0;
    };
    std::vector<THolidayData> FHolidayList;
    quint64 FAbsenceGeneration = 0;
    // Positions whose absent days changed outside a bracket (-9: all); their tasks follow.
    std::vector<int> FTouchedAbsences;
    // Rows per cached position (nodePosition): the group count and the chart's bars of the
    // rows shown without a walk.
    TRowsByPosition FRowsByPosition;
    // The walks over the selection that run: the row each is at, and the other rows freed
    // meanwhile, which it passes by.
    struct TSelectionWalk
    {
        const TNodeData *current = nullptr;
        std::unordered_set<const TNodeData *> gone;
    };
    std::vector<TSelectionWalk *> FSelectionWalks;
    // Rows marked for recalculation outside a bracket, computed when the write is done.
    std::vector<TNodeData *> FMarkedEndRows;
    int FRefreshDepth = 0;
    bool FSettlingEnds = false;
    bool FRowBatch = false;
    const TNodeData *FRefreshingRow = nullptr;
    // How cells are read (columns, connections, pick lists, date formats, unit): rows read
    // under other rules are read again. Never 0.
    quint32 FCellRules = 1;

    // ---- the update bracket
    int FUpdating = 0;
    // The outermost bracket is one of rows only, and the rows it touched (forgotten when
    // they go).
    bool FRowsOnlyBracket = false;
    std::unordered_set<TNodeData *> FBracketRows;
    std::size_t FBracketRowLimit = 0;
    QStringList FUpdateStrings;
    bool fDelayedUpdateBounds = false;
    bool fDelayedUpdateEmptyRows = false;
    bool fDelayedUpdateOverlapping = false;
    QTimer FOverlappingTimer;
    QTimer FStatusBarTimer;
    QTimer FIdleTimer;
    QTimer FBackupTimer;
    TDateTime FMinDate = 0;
    TDateTime FMaxDate = 0;
    TDateTime FDataMinDate = 0;
    TDateTime FDataMaxDate = 0;
    QString FCurrentStatusText;

    // ---- tables, columns and rows
    QPointer<TBaseTreeGrid> FTables[WhichTableCount];
    IPlannerWindow &FWindow;
    TUndoRedo *FUndoRedo;
    std::vector<IDocumentObserver *> FObservers;

    // Column descriptions, parallel to the header columns of each table.
    mutable std::array<std::vector<std::unique_ptr<THeaderData>>, WhichTableCount> FHeaderData;
    std::array<std::array<int, ConnectionCount>, WhichTableCount> FConnection{};
    // The meaning of each column, made again by ConnectionsChanged whenever FConnection
    // changes (cnNone past the end).
    std::array<std::vector<TConnection>, WhichTableCount> FColumnConnections;
    QVector<bool> FColumnAlwaysWritable;
    QStringList FExcludeHeaderStrings;
    // Row identity -> row, per table, so that finding a row does not walk the table.
    std::array<TTextMap<TNodeData *>, WhichTableCount> FNodeIndex;
    // The identity GetFreeID handed out last: free, and FLastFreeID counts it, until a row is
    // added (every row joins FNodeIndex through AddNode).
    QString FIssuedID;
    // The highest number of this user's identities among the rows added since the document
    // was cleared: a number above it names no row, and GetFreeID need not search for it.
    qint32 FHighestOwnRow = 0;
    TWhichTable FActiveTable = tbTable;
    TMinUnit FMinUnit = muDay;

    bool FLoading = false;

    // The pick-list entry DoSetDataIndex took apart last and its first item: every new row
    // takes the first state, and a file brings thousands of rows.
    QString FIndexEntry;
    QString FIndexItem;
};
