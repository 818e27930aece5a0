#pragma once

// The document behind the main window: two tables (tasks and absent days) held in tree-grids,
// their columns and chart connections, and the one write path every change takes. It runs
// without a shown window: it reaches its window only through IPlannerWindow.
//
// Its hooks (PlannerCoreHooks.h) are what the planner's parts plug in, its data
// (PlannerCoreState.h) what it holds beside the grids. Members are defined by concern:
//   PlannerCore.cpp          construction, the observers, a new document
//   PlannerCoreUpdate.cpp    the update bracket, deferred recalculation, idle processing
//   PlannerCorePositions.cpp positions, multi-row blocks, working weeks, group tabs
//   PlannerCoreModel.cpp     columns, connections, cell getters, date texts, validity
//   PlannerCoreWrite.cpp     the write path, row lifecycle, row identity, the iterator
//   PlannerCoreSchedule.cpp  lengths, ends, the typed getters and setters, public holidays
//   PlannerCoreRecalc.cpp    the rows' caches, validity and ends: one row, pending rows, all rows

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

#include "core/DocumentObserver.h"
#include "core/DocumentTypes.h"
#include "core/HolidayData.h"
#include "core/PlannerCoreHooks.h"
#include "core/PlannerCoreState.h"
#include "core/PlannerWindow.h"
#include "core/RowPlacing.h"
#include "WeekInfo.h"

class TBaseTreeGrid;
class TUndoRedo;
class TWorkCalendar;
class TDateTexts;

class TPlannerCore : public QObject, public TPlannerCoreHooks, public TPlannerCoreState
{
    Q_OBJECT

public:
    using TNodeCallback = void (TPlannerCore::*)(TNodeData *node, QObject *argument);
    using TNodeFunction = std::function<void(TNodeData *node)>;

    // The grids are owned by the caller (the window or a test) and must outlive the core's
    // use of them; the undo stack is the process-wide one unless a test passes its own.
    TPlannerCore(TBaseTreeGrid *table, TBaseTreeGrid *exclude, IPlannerWindow &window,
                 TUndoRedo *undoRedo = nullptr, QObject *parent = nullptr);
    ~TPlannerCore() override;

    IPlannerWindow &Window() const { return FWindow; }
    // Messages that wait for the event loop: each is dropped when its reason is gone by then,
    // and all of them once the window has closed.
    TMessageQueue &Messages() const { return *FMessages; }
    TUndoRedo &UndoStack() const { return *FUndoRedo; }
    // Every refresh of a view passes here: held during an action or a bracket (ViewRefresh.h).
    TViewRefresh &Views() const { return *FViewRefresh; }

    // ---- observers of the document (the journal, the document file)
    // Tells `observer` of the journalled edits and of every new document from now on; it
    // leaves (RemoveObserver) before the core goes.
    void AddObserver(IDocumentObserver &observer);
    void RemoveObserver(IDocumentObserver &observer);

    // ---- document life
    // A new empty document with the two basic tables.
    void ActionNewExecute();
    // A document is being opened: the deferred work waits.
    bool IsLoading() const { return FLoading; }
    void SetLoading(bool loading) { FLoading = loading; }
    // Opening a plan an import moved by an offset: after the outermost EndUpdate, its
    // overlaps are solved once, as part of the opened plan (no undo step).
    void InitialDeOverlap();

    // ---- update bracket
    // Brackets nest; the outermost EndUpdate recalculates ends, groups, validity and bounds.
    void BeginUpdate(const QString &text);
    // A bracket that writes cells and adds or deletes rows and nothing else (undo, redo): its
    // end settles the rows it touched, as the same writes outside a bracket would, unless a
    // whole bracket opens inside it or it touched a large part of the plan.
    void BeginRowUpdate(const QString &text);
    void EndUpdate();
    bool IsUpdating() const { return FUpdating > 0; }
    void UpdateBounds(bool delayed);
    void UpdateEmptyRows(bool delayed);
    void UpdateOverlapping(bool delayed);
    // The range of days the chart can show, from the valid rows.
    void UpdateBoundsProc();
    // Hides the positions no row names when the view options ask for it.
    void UpdateEmptyRowsProc();
    bool SetTimeChartBounds(TDateTime lo, TDateTime hi);
    // Expands the public holidays into single days for every year of the range.
    void updateAutoEntries();
    void CheckAllValid();
    void UpdateStatusBar();
    // Refreshes the status bar once the event loop is idle again; many row changes in a row
    // then cost one refresh.
    void RequestStatusBarUpdate();
    int FilteredCount(TWhichTable table);
    int SelectedCount(TWhichTable table) const;
    int GroupCount(TWhichTable table);
    int TotalCount(TWhichTable table) const { return GetTableRowCount(table); }
    bool DelayedUpdateBounds() const { return fDelayedUpdateBounds; }
    bool DelayedUpdateEmptyRows() const { return fDelayedUpdateEmptyRows; }
    bool DelayedUpdateOverlapping() const { return fDelayedUpdateOverlapping; }
    bool OverlappingPending() const { return FOverlappingTimer.isActive() || fDelayedUpdateOverlapping; }
    // Clears the deferred requests (the idle processing runs them).
    void ClearDelayedFlags();
    QTimer &OverlappingTimer() { return FOverlappingTimer; }
    void OverlappingTimerTimer();
    TDateTime DataMinDate() const { return FDataMinDate; }
    TDateTime DataMaxDate() const { return FDataMaxDate; }
    // ---- end

    // ---- idle processing
    // The application ran out of messages: storage check, then the idle timer.
    void ApplicationEvents1Idle();
    void IdleTimerTimer();
    // One step of the shared-folder synchronisation and the reload of a document another
    // instance saved: OnIdleSynchronise.
    void IdleSynchronise();
    QTimer &IdleTimer() { return FIdleTimer; }
    QTimer &BackupTimer() { return FBackupTimer; }
    // ---- end

    // ---- tables and columns
    TBaseTreeGrid *GetTable(TWhichTable table) const;
    TWhichTable GetTable(const TBaseTreeGrid *grid) const;
    TWhichTable GetActiveTable() const { return FActiveTable; }
    void SetActiveTable(TWhichTable table);
    int GetTableColCount(TWhichTable table) const;
    int GetTableRowCount(TWhichTable table) const;
    void SetTableColCount(TWhichTable table, int count);
    void ResizeTable(TWhichTable table, int count);
    void InsertColumn(TWhichTable table, int index);
    void RemoveColumn(TWhichTable table, int index);
    void ClearTable(TWhichTable table);
    void ResetConnections(TWhichTable table);
    void SetConnection(TWhichTable table, TConnection cn, int column);
    int GetConnection(TWhichTable table, TConnection cn) const;
    TConnection GetColumnConnection(TWhichTable table, int column) const;
    QString GetColumnCaption(TWhichTable table, int column) const;
    void SetColumnCaption(TWhichTable table, int column, const QString &text);
    QString GetColumnCaptionHack(TWhichTable table, int column) const;
    int IndexOfColumnHack(TWhichTable table, const QString &name) const;
    int GetHeaderIndex(TWhichTable table, const QString &caption) const;
    TColumnType GetColumnType(TWhichTable table, int column) const;
    void SetColumnType(TWhichTable table, int column, TColumnType type);
    // The table's columns by their names in files and their types, one text each: two
    // layouts differ when the table setup changed.
    QStringList ColumnLayout(TWhichTable table) const;
    // The column's description, made on first use; nil outside the columns.
    THeaderData *GetHeader(TWhichTable table, int column) const;
    const QStringList &GetColumnStrings(TWhichTable table, int column) const;
    QStringList &ColumnStrings(TWhichTable table, int column);
    // Every column is writable.
    bool GetColumnReadOnly(TWhichTable table, int column) const;
    int GetRowCount() const;
    void CreateBasicTable(TWhichTable table);
    const QVector<bool> &ColumnAlwaysWritable() const { return FColumnAlwaysWritable; }
    // Whether a column of the task table stays writable (a file's flag).
    void SetColumnAlwaysWritable(int column, bool writable);
    const QStringList &ExcludeHeaderStrings() const { return FExcludeHeaderStrings; }

    // ---- cells
    QString GetData(const TNodeData *node, int column) const;
    QString GetData_(const TNodeData *node, TConnection cn) const;
    int GetDataIndex(const TNodeData *node, int column) const;
    int GetDataIndex_(const TNodeData *node, TConnection cn) const;
    bool GetNodeValid(const TNodeData *node) const { return node && node->nodeValid; }
    static TNodeData *NodeData(TBaseTreeGrid *grid, TGridNode *node);

    // ---- date texts
    // The display texts of dates, made once per date and form.
    TDateTexts &DateTexts();
    QString FormatDateTime(TDateTime value) const;
    // The date of a cell; `def` when the text names none (an empty text included).
    TDateTime StrToDateTime(const QString &text, TDateTime def) const;
    bool isDateOK(TDateTime value) const;
    TDateTime MinDate() const { return FMinDate; }
    TDateTime MaxDate() const { return FMaxDate; }

    // ---- the write path
    void SetData(TNodeData *node, int column, const QString &text);
    void SetData_(TNodeData *node, TConnection cn, const QString &text);
    void DoSetData(TNodeData *node, int column, const QString &text, bool journal);
    void SetDataIndex(TNodeData *node, int column, int index);
    void SetDataIndex_(TNodeData *node, TConnection cn, int index);
    void DoSetDataIndex(TNodeData *node, int column, int index, bool journal);
    // A new row, appended, or put at `place`: the row it lands before travels with the
    // journalled row, so that every instance shows it there.
    TNodeData *AddNode(const QString &id, TWhichTable table, bool journal, const TRowPlace &place = {});
    // A row put back with its cells (an undone deletion): journalled as the new row and one
    // change of its cells, and marked for its caches once, not once per cell. What was read of
    // the row when it went, when given, is taken back with the same cells.
    TNodeData *PutBackRow(const QString &id, TWhichTable table, const TRowPlace &place, const QStringList &cells,
                          const TRowReading *reading = nullptr);
    void DeleteNode(TNodeData *node, bool journal);
    // A row's place among its table's rows (0 = top), -1 for none; MoveRowTo puts a row at a
    // place (clamped to the table), for a deleted row brought back where it stood. During an
    // undo or redo run the rows are placed together at its end.
    int RowIndexOf(const TNodeData *node) const;
    void MoveRowTo(TNodeData *node, int index);
    // Puts a row right before another row of its table (nullptr: last).
    void MoveRowBefore(TNodeData *node, const TNodeData *before);
    // The rows next to a row as they stand (or will stand at the end of the run placing them);
    // nullptr at the ends. RowBefore of nullptr is the table's last row.
    TNodeData *RowAfter(const TNodeData *node) const;
    TNodeData *RowBefore(TWhichTable table, const TNodeData *node) const;
    // Rows placed while one lives take their places together (RowPlacing.h).
    using TRowPlacing = ::TRowPlacing;
    TNodeData *FindNode(const QString &id) const;
    TNodeData *FindNode(const QString &id, TWhichTable table) const;
    QString GetFreeID();
    // Room for `count` more rows of a table in the identity index (a file brings many).
    void ReserveRows(TWhichTable table, qsizetype count);
    void SetRecalcEndOf(TNodeData *node, bool flag);
    void SetRecalcStartOf(TNodeData *node, bool flag);
    bool GetRecalcEndOf(const TNodeData *node) const { return node && node->RecalcEndOf; }
    bool GetRecalcStartOf(const TNodeData *node) const { return node && node->RecalcStartOf; }
    // Repaints a row in grid and chart; nothing inside an update bracket. An absent day
    // repaints the tasks it touches too and has their ends computed again.
    void InvalidateNode(TNodeData *node);

    // ---- the iterator; the next node is fetched before the callback runs
    void ForEach(TForEachNode selector, TNodeCallback callback, QObject *argument = nullptr);
    void ForEach(TWhichTable table, TForEachNode selector, TNodeCallback callback,
                 QObject *argument = nullptr);
    void ForEach(TWhichTable table, TForEachNode selector, const TNodeFunction &function);

    // Callbacks for ForEach; the CB_SetData_* fields are their arguments.
    void CB_SetData(TNodeData *node, QObject *argument);
    void CB_SetDataIndex(TNodeData *node, QObject *argument);
    void CB_DeleteNode(TNodeData *node, QObject *argument);
    void CB_InvalidateNode(TNodeData *node, QObject *argument);
    void CB_SetRecalcEndOf(TNodeData *node, QObject *argument);
    void CB_SetRecalcBitmap(TNodeData *node, QObject *argument);
    void CB_CheckValid(TNodeData *node, QObject *argument = nullptr);
    QString CB_SetData_String;
    int CB_SetData_Index = 0;
    int CB_SetData_DataIndex = 0;

    // ---- actions
    void ActionAddNodeExecute();
    // `editing` tells that the focused control is a text edit (then nothing happens).
    void ActionDeleteNodeExecute(bool editing = false);

    // ---- filters and overlapping as the iterator sees them
    bool GetNodeFiltered(const TNodeData *node) const;
    void SetNodeFiltered(TNodeData *node, bool filtered);

    // ---- scheduling
    TDateTime GetStartOf(const TNodeData *node) const { return node ? node->nodeStart : 0; }
    void SetStartOf(TNodeData *node, TDateTime value);
    void DoSetStartOf(TNodeData *node, bool journal, TDateTime value);
    // The end from start and length over the row's working week, the public holidays and
    // the row's absent days; 0 when it cannot be computed.
    TDateTime GetEndOf(TNodeData *node);
    // Writes the end cell; false when the table has no column for the end alone.
    bool SetEndOf(TNodeData *node, TDateTime value);
    // The chart row of the row's position: -9 for "*", -1 for an unknown position, negative
    // when the current group hides it.
    int GetPositionOf(const TNodeData *node) const;
    void SetPositionOf(TNodeData *node, int row);
    void DoSetPositionOf(TNodeData *node, int row, bool journal);
    int GetLengthOf(const TNodeData *node) const;
    void SetLengthOf(TNodeData *node, int minutes);
    void DoSetLengthOf(TNodeData *node, int minutes, bool journal);
    // The length text of a number of minutes, as DoSetLengthOf writes it.
    QString LengthText(TWhichTable table, int minutes) const;
    TDateTime GetTerminOf(const TNodeData *node) const;
    void SetTerminOf(TNodeData *node, TDateTime value);
    int calcNodeLength(TWhichTable table, const QString &text) const;
    // Working minutes from start to end in chart row `row`: the inverse of GetEndOf (in day
    // mode `end` is the day after the last one).
    int calcLengthOf(TWhichTable table, int row, TDateTime start, TDateTime end);
    // The same for an absent day counted in working days or (false) in calendar days.
    int calcLengthOf(TWhichTable table, int row, TDateTime start, TDateTime end, bool workDays);
    TMinUnit GetMinUnit() const { return FMinUnit; }
    void SetMinUnit(int unit);
    // The working week of chart row `row`; the default week when no position is shown there.
    tWeekInfo GetWeekInfo(int row) const;
    // The working week of an entry of the expanded full position list.
    tWeekInfo GetPositionWeekInfo(int position) const;
    // Gives every position the default working week.
    void CreateDefaultWeekInfo();
    // Moves a row's start, and its deadline when the table has one, by whole days.
    void CB_OffsetNode(TNodeData *node, int days);
    void SetUserdate(TDateTime value);

    // Public holidays; their days per year are in FAutoExcludeList.
    void AddHoliday(const QString &name, int day, int month, bool enabled, bool easter);
    void ClearHoliday();
    // Nil outside 0..HolidayCount() - 1.
    THolidayData *GetHolidayData(int index);
    int HolidayCount() const { return int(FHolidayList.size()); }

    // Computes every end still marked for recalculation that can be computed, with the
    // document's own holidays, weeks and absent days; inside an update bracket the rows'
    // caches are refreshed first. Whatever reads or writes end cells in bulk (saving,
    // exports) calls it first; the idle processing does too.
    void RecalcPendingEnds();
    // ---- end

    // ---- positions and groups
    // The position entries: all of them, or those of the current group; expanded into one
    // entry per chart row when `expand`.
    QStringList Positiongroups(bool expand, bool all) const;
    // Rebuilds the chart rows' index maps and day bounds from the visible rows.
    void UpdateInternalVariables();
    void AddPositionGroup(const QString &name, const QString &filter);
    void ResetPositionGroups();
    // Gives a tab another caption (the language changed); the filters kept for the tab are
    // the caller's to carry over.
    void SetGroupTabCaption(int tab, const QString &caption);
    // Applies the selected group tab: filters, visible rows, bounds.
    void TabControl1Change();
    // The user selected a tab.
    void SelectGroupTab(int index);
    int GroupTabIndex() const { return FGroupTabIndex; }
    const QStringList &GroupTabCaptions() const { return FGroupTabCaptions; }
    QString GroupTabCaption() const { return FGroupTabCaptions.value(FGroupTabIndex); }
    bool findNodeWithPosition(TWhichTable table, const QString &name);
    void InvalidateTimeChart(bool all);
    // The drag of a bar rests over a group tab: nine ticks, then the switch.
    void StartChangeGroupTimer();
    void TimeChartChangeGroupTimerTimer();
    QTimer &TimeChartChangeGroupTimer() { return FTimeChartChangeGroupTimer; }
    int ChangeGroupTimerTag() const { return FChangeGroupTimerTag; }
    // The rows by their cached positions.
    const TRowsByPosition &RowsByPosition() const { return FRowsByPosition; }
    // Chart row of every entry of the expanded full list, -2 when hidden.
    const std::vector<qint32> &PositionInPositionGroup() const;
    // Every entry of its multi-row block, per entry of the expanded full list.
    const std::vector<std::vector<int>> &PositionsInHolidayGroup() const;
    // ---- end

    // ---- column arrangement (the table setup)
    // Rebuilds a table's columns: new column i is old column sources[i], or a new empty
    // column for -1; old columns not named go. Cells, column descriptions (pick list, filter,
    // sort and autofill flags), widths and the always-writable flags move with their columns,
    // the display order becomes the new order, and connections follow their columns (-1 when
    // removed). Writes no journal or undo entries. Raises std::invalid_argument for a source
    // outside the columns or named twice.
    void ArrangeColumns(TWhichTable table, const std::vector<int> &sources);
    // ---- end

    // ---- filters and overlaps through the hooks of the tables and the overlap solver
    // Re-evaluates the filters of every row of a table, of one row (as ForEach callback).
    void FilterData(TWhichTable table) { if (OnFilterData) OnFilterData(table); }
    void CB_FilterNode(TNodeData *node, QObject * = nullptr) { if (OnFilterNode) OnFilterNode(node); }
    // Whether a task is in the overlap list: O(1), for painting and the iterator.
    bool GetNodeIsOverlapping(const TNodeData *node) const
    {
        return node && OnNodeIsOverlapping && OnNodeIsOverlapping(node);
    }
    // Whether any task overlaps (the chart then greys every other bar).
    bool AnyOverlapping() const { return OnAnyOverlapping && OnAnyOverlapping(); }
    // ---- end

    // ---- undo and redo (UndoRedo.*, PlannerCoreUndo.cpp)
    // The Undo and Redo commands: the newest group of the undo stack is replayed on this
    // document inside one update bracket; the inverse edits are journalled like any edit.
    void Undo();
    void Redo();
    // Takes back the newest undo entry alone without recording it (a cancelled command).
    void PopUndo();
    // Drops every undo and redo entry. Applying a table setup calls it: entries name
    // columns by index, which the setup may move or delete.
    void ClearUndo();
    // ---- end

private:
    void SetupGrid(TBaseTreeGrid *grid, TWhichTable table);
    // Makes FColumnConnections again from FConnection; whoever changes FConnection calls it.
    void ConnectionsChanged(TWhichTable table);
    // The column whose pick list a column of a table shows.
    void PickListColumn(TWhichTable &table, int &column) const;
    void ForgetNode(TNodeData *node);
    // AddNode, with the row's cells (PutBackRow) or its defaults (cells null).
    TNodeData *InsertRow(const QString &id, TWhichTable table, bool journal, const TRowPlace &place,
                         const QStringList *cells, const TRowReading *reading = nullptr);
    // What writing cells of some meanings asks for, gathered over the cells written.
    struct TCellEffects
    {
        TConnection recalc = cnNone; // cnStart: the end follows, cnEnd: the start follows
        bool times = false;
        bool valid = false;
        bool bounds = false;
        bool overlap = false;
        bool empty = false;
        bool colour = false;
        bool drawn = false;
        void Add(TConnection cn);
    };
    // The caches, ranges and views the written cells of a row ask for.
    void SettleCellWrites(TNodeData *node, const TCellEffects &effects);
    // DoSetData for the cells of a new row at once, each column written as DoSetData would;
    // the column toldAnyway is journalled also when it holds its text already.
    void DoSetCells(TNodeData *node, const QStringList &cells, bool journal, int toldAnyway = -1);
    // The first item of a pick-list entry (a position for the position column), nullptr when
    // there is no such entry; valid until the next call.
    const QString *PickListItem(TWhichTable table, int column, int index);
    void InvalidateTasksOfAbsentDay(const TNodeData &absent);
    bool NodeTaken(TWhichTable table, TNodeData *node, TForEachNode selector) const;
    // ---- private: positions and groups
    // The expanded full position list with its blocks and weeks, cached while the pick list
    // stays the same.
    const TPositionCache &PositionCache() const;
    // GetDataIndex of a text: -9 for "*" and the position index in the position column, else
    // the first pick-list entry whose first item is the text; -1 when none.
    int PickListIndex(TWhichTable table, int column, const QString &text) const;
    // The expanded full index of chart row `row`, -1 when none.
    int PositionOfRow(int row) const;
    void SetGroupTabIndex(int index);
    // ---- end

    // ---- private: scheduling (PlannerCoreSchedule.cpp, PlannerCoreRecalc.cpp)
    // The state (FSchedule), checked against the holidays, positions, absent days and unit (not while a
    // batch of rows is refreshed: the batch checks it itself).
    TScheduleState &ScheduleState();
    void ValidateScheduleState();
    // A cell's text; empty outside the row.
    static const QString &Cell(const TNodeData *node, int column);
    // StrToDateTime of a cell text through the date texts; ok: the text names a date.
    TDateTime ReadCellDate(const QString &text, bool &ok);
    void CollectRows(TWhichTable table, std::vector<TNodeData *> &rows) const;
    static void SortByPosition(std::vector<TNodeData *> &rows);
    // The calendars grow within the days the rows start on.
    void SetCalendarReach(const std::vector<TNodeData *> (&rows)[WhichTableCount]);
    // The text to store in a cell of that meaning: equal texts of the scheduling columns
    // (position, dates, length, state) are held once.
    QString SharedCellText(TConnection cn, const QString &text);
    TWorkCalendar &CalendarOf(int position, bool absentDay);
    // The end of a row from its cached start, length and position; 0 when it cannot be had.
    // Remembered with the row until one of them or the calendars change.
    TDateTime ComputeEnd(TNodeData *node);
    // What a row's end is computed from, under the present calendars; cellsRead: the row's
    // caches stand for its cells.
    TNodeData::TEndMemo EndInputs(const TNodeData *node, bool cellsRead) const;
    // The row's cells are read and its remembered end still holds.
    bool EndRemembered(const TNodeData *node) const;
    TDateTime ComputeEnd(TDateTime start, TWhichTable table, int position, qint64 rem, bool workDays);
    // The rows' caches from their cells (CB_CheckValid without the bracket check); span,
    // when given, gets whether the row is valid but for the range, and its dates.
    void RefreshRow(TNodeData *node, TRowSpan *span = nullptr);
    // An absent day's cached dates, position or validity changed, or the row went.
    void AbsentDayChanged(int oldPosition, int newPosition);
    void RecalcTasksOfTouchedAbsences();
    // Computes the rows marked since the last write and the tasks of changed absent days;
    // nothing inside a bracket.
    void SettleMarkedEnds();
    // Marks and computes every row: the outermost EndUpdate's recalculation.
    void RecalcAllRows();
    // What a bracket of rows only leaves: its rows computed, checked and filtered.
    void SettleBracketRows();
    // The row drawn again in its table and the chart (InvalidateNode without the bracket check).
    void DrawRowAgain(TNodeData *node);
    // A row written, added or marked inside a bracket of rows only; past a sixteenth of the
    // plan the bracket recalculates the whole plan instead, which then costs less.
    void NoteBracketRow(TNodeData *node);
    // The chart range from the data (the bounds rule), holidays expanded when it changed.
    // rowsMarked: every row's bar picture is to be drawn anew already.
    bool ApplyDataBounds(bool any, TDateTime lo, TDateTime hi, bool rowsMarked = false);
    // The range was stored anew: its holidays, and the bar pictures when they changed.
    void BoundsChanged(bool rowsMarked);
    // The range reaches the user's date at once; shrinking is left to the next bounds pass.
    void WidenBoundsToUserDate();
    // The row is listed under its position from now on, or (present false) no longer.
    void IndexRow(TNodeData *node, bool present);
    void CellRulesChanged();
    // A row whose cells were read under the present rules: its caches stand for its cells.
    void RefreshReadRow(TNodeData *node, TRowSpan *span);
    // Validity and deadline from the caches and the range.
    void Judge(TNodeData *node, TRowSpan *span);
    void NoteAbsentDay(const TNodeData *node, bool wasValid, int oldPosition, TDateTime oldStart, TDateTime oldEnd);
    // New rules when the date formats, the unit, the positions or a state or reason list
    // changed since the last look.
    void CheckCellRules();
    // ---- end

    // ---- private: update bracket
    bool WireUpdateTimers();
    // ---- end
};
