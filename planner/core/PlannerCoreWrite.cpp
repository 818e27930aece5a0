// The single write path, the life of a row, row identity and the row iterator.

#include "core/PlannerCore.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <limits>
#include <optional>
#include <unordered_set>

#include "Bracket.h"
#include "CommaText.h"
#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "core/RowPlacer.h"
#include "core/ActionScope.h"
#include "core/UndoRedo.h"
#include "core/ViewRefresh.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// What the ids of this user's new rows start with. The identity is the process's, so the
// prefix is made once.
const QString &OwnIdPrefix()
{
    static const QString prefix = UserIdentity() + QLatin1Char('.');
    return prefix;
}

// A grid's own update bracket for the span of a scope.
class TGridUpdate
{
public:
    explicit TGridUpdate(TBaseTreeGrid *grid) : FGrid(grid) { FGrid->BeginUpdate(); }
    ~TGridUpdate() { FGrid->EndUpdate(); }
    TGridUpdate(const TGridUpdate &) = delete;
    TGridUpdate &operator=(const TGridUpdate &) = delete;

private:
    TBaseTreeGrid *FGrid;
};

} // namespace

// ---- writing cells

void TPlannerCore::SetData(TNodeData *node, int column, const QString &text)
{
    DoSetData(node, column, text, true);
}

void TPlannerCore::SetData_(TNodeData *node, TConnection cn, const QString &text)
{
    if (!node)
        return;
    const int column = GetConnection(node->NodeTable, cn);
    if (column >= 0) // a table without this meaning simply has nothing to write
        SetData(node, column, text);
}

void TPlannerCore::DoSetData(TNodeData *node, int column, const QString &text, bool journal)
{
    if (!node || column < 0)
        return;
    if (column >= node->StringList.size())
        throw std::out_of_range("DoSetData: column outside the row");
    if (node->StringList[column] == text)
        return;
    NoteBracketRow(node);
    const TWhichTable table = node->NodeTable;
    auto connection = [&] { return GetColumnConnection(table, column); };

    if (journal && connection() != cnEnd) {
        ++node->ChangeIndex;
        for (IDocumentObserver *observer : FObservers)
            observer->CellChanged(node->ID.Value(), qint32(node->ChangeIndex), table, column, text);
    }
    // Nothing is made for a stack that takes nothing (loading, an undo re-creating a row).
    if (connection() != cnEnd && (journal || !FLocalUndo) && FUndoRedo->GetAcceptUndo())
        FUndoRedo->Push(std::make_unique<TUndoRedoEntryString>(*node, table, column,
                                                               FUndoRedoGroupIndex));
    const TConnection cn = connection();
    TCellEffects effects;
    effects.Add(cn);
    if (effects.times)
        InvalidateNode(node);

    node->StringList[column] = SharedCellText(cn, text);
    node->nodeReadUnder = 0; // the caches no longer tell what the cells hold
    SettleCellWrites(node, effects);
}

void TPlannerCore::TCellEffects::Add(TConnection cn)
{
    times = times || cn == cnPosition || cn == cnStart || cn == cnEnd || cn == cnLength || cn == cnLengthWithWeekend
            || cn == cnTermin;
    // The last of start and end written decides which follows from the other.
    if (cn == cnPosition || cn == cnStart || cn == cnLength || cn == cnLengthWithWeekend || cn == cnEnd)
        recalc = cn == cnEnd ? cnEnd : cnStart;
    valid = valid || (cn >= cnPosition && cn <= cnColor) || cn == cnLengthWithWeekend;
    bounds = bounds || cn == cnStart || cn == cnEnd || cn == cnTermin;
    overlap = overlap || cn == cnPosition || cn == cnStart || cn == cnEnd;
    empty = empty || cn == cnPosition;
    colour = colour || cn == cnColor;
    drawn = drawn || cn != cnNone;
}

void TPlannerCore::SettleCellWrites(TNodeData *node, const TCellEffects &effects)
{
    if (effects.recalc == cnEnd)
        SetRecalcStartOf(node, true);
    else if (effects.recalc != cnNone)
        SetRecalcEndOf(node, true);
    if (effects.valid)
        CB_CheckValid(node);
    if (effects.bounds)
        UpdateBounds(true);
    if (effects.overlap)
        UpdateOverlapping(true);
    if (effects.empty)
        UpdateEmptyRows(true);
    if (effects.colour && !FViewRefresh->Defer(TViewRefresh::vwFlash))
        FWindow.FlashSelectedBars();
    if (effects.drawn) {
        node->RecalcBitmap = true;
        InvalidateNode(node);
    } else if (!IsUpdating()) {
        // The bar does not show this cell, but the table does.
        FViewRefresh->Row(*node, false);
    }
    if (!IsUpdating()) {
        if (!FViewRefresh->Defer(TViewRefresh::vwEditor))
            FWindow.UpdateEditor();
        // Rows this write marked for recalculation (tasks of a changed absent day) follow.
        SettleMarkedEnds();
    }
}

void TPlannerCore::DoSetCells(TNodeData *node, const QStringList &cells, bool journal, int toldAnyway)
{
    const TWhichTable table = node->NodeTable;
    const int count = int(std::min(node->StringList.size(), cells.size()));
    // The same columns: the row takes the list itself, shared with whoever holds it.
    const bool whole = node->StringList.size() == cells.size();
    QVector<int> told;
    QStringList toldTexts;
    if (journal) {
        told.reserve(count);
        toldTexts.reserve(count);
    }
    TCellEffects effects;
    for (int column = 0; column < count; ++column) {
        const QString &text = cells[column];
        if (node->StringList[column] == text && column != toldAnyway)
            continue;
        const TConnection cn = GetColumnConnection(table, column);
        if (cn != cnEnd) {
            if (journal) {
                told.append(column);
                toldTexts.append(text);
            }
            if ((journal || !FLocalUndo) && FUndoRedo->GetAcceptUndo())
                FUndoRedo->Push(std::make_unique<TUndoRedoEntryString>(*node, table, column, FUndoRedoGroupIndex));
        }
        // The texts come as a row held them: shared already where they repeat.
        if (!whole)
            node->StringList[column] = text;
        effects.Add(cn);
    }
    if (whole)
        node->StringList = cells;
    NoteBracketRow(node);
    if (!told.isEmpty()) {
        node->ChangeIndex += told.size();
        for (IDocumentObserver *observer : FObservers)
            observer->CellsChanged(node->ID.Value(), qint32(node->ChangeIndex), table, told, toldTexts);
    }
    node->nodeReadUnder = 0;
    SettleCellWrites(node, effects);
}

void TPlannerCore::SetDataIndex(TNodeData *node, int column, int index)
{
    DoSetDataIndex(node, column, index, true);
}

void TPlannerCore::SetDataIndex_(TNodeData *node, TConnection cn, int index)
{
    if (!node)
        return;
    const int column = GetConnection(node->NodeTable, cn);
    if (column >= 0)
        SetDataIndex(node, column, index);
}

void TPlannerCore::DoSetDataIndex(TNodeData *node, int column, int index, bool journal)
{
    if (!node)
        return;
    if (const QString *item = PickListItem(node->NodeTable, column, index))
        DoSetData(node, column, *item, journal);
}

const QString *TPlannerCore::PickListItem(TWhichTable table, int column, int index)
{
    if (column < 0)
        return nullptr;
    const QStringList &entries =
        GetColumnConnection(table, column) == cnPosition ? PositionCache().entries : GetColumnStrings(table, column);
    if (index < 0 || index >= entries.size())
        return nullptr;
    if (FIndexEntry.isNull() || FIndexEntry != entries[index]) {
        FIndexItem = ParseCommaText(entries[index]).value(0);
        FIndexEntry = entries[index];
    }
    return &FIndexItem;
}

void TPlannerCore::SetRecalcEndOf(TNodeData *node, bool flag)
{
    if (!node)
        return;
    if (flag) {
        InvalidateNode(node);
        NoteBracketRow(node);
    }
    node->RecalcEndOf = flag;
    // Outside a bracket the end is computed once the current write is done.
    if (flag && !IsUpdating())
        FMarkedEndRows.push_back(node);
}

void TPlannerCore::SetRecalcStartOf(TNodeData *node, bool flag)
{
    if (!node)
        return;
    node->RecalcStartOf = flag;
    if (flag)
        InvalidateNode(node);
}

void TPlannerCore::InvalidateNode(TNodeData *node)
{
    if (IsUpdating())
        return;
    DrawRowAgain(node);
}

void TPlannerCore::DrawRowAgain(TNodeData *node)
{
    if (!node || !node->VNode || !node->VNodeTable)
        return;
    if (node->NodeTable == tbExclude)
        InvalidateTasksOfAbsentDay(*node);
    FViewRefresh->Row(*node, true);
}

void TPlannerCore::InvalidateTasksOfAbsentDay(const TNodeData &absent)
{
    if (!absent.nodeValid)
        return;
    // The absent day covers its last day whole; a task meets it when it starts before that
    // day is over and ends on or after its first day.
    const TDateTime from = absent.nodeStart;
    const TDateTime until = absent.nodeEnd + 1;
    const int position = absent.nodePosition;
    const std::vector<std::vector<int>> &blocks = PositionsInHolidayGroup();
    if (position != AllPositions && (position < 0 || std::size_t(position) >= blocks.size()))
        return;
    static const std::vector<int> none;
    const std::vector<int> &block = position == AllPositions ? none : blocks[std::size_t(position)];
    ForEach(tbTable, feAll, [&](TNodeData *task) {
        if (!task->nodeValid || task->nodeStart >= until || task->nodeEnd < from)
            return;
        if (position != AllPositions && std::find(block.begin(), block.end(), task->nodePosition) == block.end())
            return;
        task->RecalcBitmap = true;
        SetRecalcEndOf(task, true);
    });
}

// ---- rows

TNodeData *TPlannerCore::AddNode(const QString &id, TWhichTable table, bool journal, const TRowPlace &place)
{
    return InsertRow(id, table, journal, place, nullptr);
}

TNodeData *TPlannerCore::PutBackRow(const QString &id, TWhichTable table, const TRowPlace &place,
                                    const QStringList &cells, const TRowReading *reading)
{
    return InsertRow(id, table, true, place, &cells, reading);
}

TNodeData *TPlannerCore::InsertRow(const QString &id, TWhichTable table, bool journal, const TRowPlace &place,
                                   const QStringList *cells, const TRowReading *reading)
{
    // An identity just handed out is known to be free and counted: no search, no reading.
    const bool issued = !FIssuedID.isEmpty() && id == FIssuedID;
    FIssuedID.clear();
    if (issued) {
        FHighestOwnRow = std::max(FHighestOwnRow, FLastFreeID);
    } else {
        if (TNodeData *existing = FindNode(id))
            return existing;
        const QString &ownPrefix = OwnIdPrefix();
        if (id.startsWith(ownPrefix)) {
            bool ok = false;
            const int number = QStringView(id).mid(ownPrefix.size()).toInt(&ok);
            FLastFreeID = std::max(FLastFreeID, ok ? number : -1);
            // An own identity that ends in no number keeps the search on.
            FHighestOwnRow = ok ? std::max(FHighestOwnRow, number) : std::numeric_limits<qint32>::max();
        }
    }

    if ((journal || !FLocalUndo) && FUndoRedo->GetAcceptUndo())
        FUndoRedo->Push(std::make_unique<TUndoRedoEntryAddNode>(table, id, FUndoRedoGroupIndex));

    TBaseTreeGrid *grid = GetTable(table);
    TGridNode *gridNode = grid->AddChild(nullptr);
    if (!gridNode)
        throw std::runtime_error("AddNode: the grid refused a new row");
    // Initialised at once, so that the grid's free handler sees every row it deletes.
    if (!gridNode->States.contains(vsInitialized))
        grid->InitNode(gridNode);
    TNodeData *node = NodeData(grid, gridNode);
    node->VNode = gridNode;
    node->VNodeTable = grid;
    node->NodeTable = table;
    node->ID.SetValue(id);
    node->ChangeIndex = 0;
    node->StringList = QStringList(GetTableColCount(table), QString());
    node->Bitmap = QImage();
    // Listed at once under the position it had; until its cells are known to be the ones
    // read, the row counts as written.
    if (reading)
        reading->PutInto(*node);
    FNodeIndex[table].insert(id, node);
    IndexRow(node, true);
    NoteBracketRow(node);
    if (place.Placed()) {
        const TNodeData *after = place.After.isEmpty() ? nullptr : FindNode(place.After, table);
        const TNodeData *before = place.Before.isEmpty() ? nullptr : FindNode(place.Before, table);
        if (after && after != node)
            MoveRowBefore(node, RowAfter(after));
        else if (before && before != node)
            MoveRowBefore(node, before);
        else if (place.Index >= 0)
            MoveRowTo(node, place.Index);
    }
    // Told once the row stands where it goes: the row it stands before goes with it.
    if (journal) {
        const TNodeData *next = place.Placed() ? RowAfter(node) : nullptr;
        const QString before = next ? next->ID.Value() : QString();
        for (IDocumentObserver *observer : FObservers)
            observer->RowCreated(id, table, place.Placed() ? place.Index : -1, before);
    }

    // A put back row starts as every new row does, here and where the journal makes it: what
    // its cells change of that is journalled, an emptied default too. A task's first state is
    // journalled as a new task's is, with its cells.
    int toldAnyway = -1;
    if (table == tbTable && cells) {
        const int colour = GetConnection(table, cnColor);
        if (const QString *first = PickListItem(table, colour, 0); first && colour < node->StringList.size()) {
            node->StringList[colour] = *first;
            toldAnyway = first->isEmpty() ? -1 : colour;
        }
    } else if (table == tbTable) {
        DoSetDataIndex(node, GetConnection(table, cnColor), 0, journal);
    } else {
        const int reason = GetConnection(table, cnColor);
        if (reason >= 0 && reason < node->StringList.size())
            node->StringList[reason] = FDefaultHolidayReason;
        const int workdays = GetConnection(table, cnLengthWithWeekend);
        if (workdays >= 0 && workdays < node->StringList.size())
            node->StringList[workdays] = BoolName(FDefaultCalcWorkdays);
    }
    // Columns added since the row went stay empty.
    if (cells) {
        DoSetCells(node, *cells, journal, toldAnyway);
        // The very cells it was read from, unread since: what was read of them holds.
        if (reading && node->nodeReadUnder == 0 && node->StringList.constData() == cells->constData()
            && node->StringList.size() == cells->size())
            node->nodeReadUnder = reading->ReadUnder();
    }

    if (FFocusNewNode) {
        TBaseTreeGrid *active = GetTable(FActiveTable);
        if (active == grid) {
            active->ClearSelection();
            active->SetSelected(gridNode, true);
            active->SetFocusedNode(gridNode);
        }
    }
    FFocusNewNode = false;
    RequestStatusBarUpdate();
    return node;
}

void TPlannerCore::DeleteNode(TNodeData *node, bool journal)
{
    if (!node || !node->VNode || !node->VNodeTable)
        return;
    NoteBracketRow(node);
    // The entry keeps the row's place, and the places below change.
    FRowPlacer->Flush();
    const TWhichTable table = node->NodeTable;
    if (journal) {
        ++node->ChangeIndex;
        for (IDocumentObserver *observer : FObservers)
            observer->RowDeleted(node->ID.Value(), qint32(node->ChangeIndex), table);
    }
    if ((journal || !FLocalUndo) && FUndoRedo->GetAcceptUndo())
        FUndoRedo->Push(std::make_unique<TUndoRedoEntryRemoveNode>(table, *node, FUndoRedoGroupIndex));

    InvalidateNode(node);
    if (AnyOverlapping())
        UpdateOverlapping(true);
    TBaseTreeGrid *grid = node->VNodeTable;
    TGridNode *gridNode = node->VNode;
    ForgetNode(node);
    grid->DeleteNode(gridNode);
    // The tasks of a deleted absent day's resource lose it.
    SettleMarkedEnds();
}

int TPlannerCore::RowIndexOf(const TNodeData *node) const
{
    FRowPlacer->Flush();
    return node && node->VNode ? int(node->VNode->Index) : -1;
}

void TPlannerCore::MoveRowTo(TNodeData *node, int index)
{
    if (node && node->VNode && node->VNodeTable)
        FRowPlacer->MoveTo(*node->VNodeTable, node->VNode, index);
}

void TPlannerCore::MoveRowBefore(TNodeData *node, const TNodeData *before)
{
    if (!node || !node->VNode || !node->VNodeTable || node == before)
        return;
    if (before && (before->VNodeTable != node->VNodeTable || !before->VNode))
        return;
    FRowPlacer->MoveBefore(*node->VNodeTable, node->VNode, before ? before->VNode : nullptr);
}

TNodeData *TPlannerCore::RowAfter(const TNodeData *node) const
{
    if (!node || !node->VNode || !node->VNodeTable)
        return nullptr;
    return NodeData(node->VNodeTable, FRowPlacer->Next(*node->VNodeTable, node->VNode));
}

TNodeData *TPlannerCore::RowBefore(TWhichTable table, const TNodeData *node) const
{
    TBaseTreeGrid *grid = node ? node->VNodeTable : GetTable(table);
    if (!grid || (node && !node->VNode))
        return nullptr;
    return NodeData(grid, FRowPlacer->Previous(*grid, node ? node->VNode : nullptr));
}

void TPlannerCore::ForgetNode(TNodeData *node)
{
    auto &index = FNodeIndex[node->NodeTable];
    const auto it = index.constFind(node->ID.Value());
    // Deleting a row forgets it before the grid frees it (and forgets it again).
    const bool known = it != index.constEnd() && it.value() == node;
    if (known)
        index.erase(it);
    if (OnOverlapRowFreed)
        OnOverlapRowFreed(node);
    std::erase(FMarkedEndRows, node);
    FBracketRows.erase(node);
    FViewRefresh->Forget(node);
    for (TSelectionWalk *walk : FSelectionWalks)
        if (walk->current != node)
            walk->gone.insert(node);
    if (known) {
        IndexRow(node, false);
        if (node->NodeTable == tbExclude && node->nodeValid)
            AbsentDayChanged(node->nodePosition, -2);
    }
    if (OnNodeFreed)
        OnNodeFreed(node);
    if (OnChartNodeFreed)
        OnChartNodeFreed(node);
}

TNodeData *TPlannerCore::FindNode(const QString &id) const
{
    if (TNodeData *node = FindNode(id, tbTable))
        return node;
    return FindNode(id, tbExclude);
}

TNodeData *TPlannerCore::FindNode(const QString &id, TWhichTable table) const
{
    TNodeData *node = FNodeIndex[table].value(id, nullptr);
    // The index is a shortcut for the walk; the identity itself decides.
    if (node && node->ID.HashEquals(THashedString(id)))
        return node;
    return nullptr;
}

void TPlannerCore::ReserveRows(TWhichTable table, qsizetype count)
{
    FNodeIndex[table].reserve(FNodeIndex[table].size() + count);
}

QString TPlannerCore::GetFreeID()
{
    // Made in one piece: an undo that puts back a large deletion asks once per row.
    const QString &prefix = OwnIdPrefix();
    QString id;
    do {
        ++FLastFreeID;
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, FLastFreeID).ptr;
        id.clear();
        id.reserve(prefix.size() + (end - digits));
        id.append(prefix).append(QLatin1StringView(digits, end - digits));
    } while (FLastFreeID <= FHighestOwnRow && FindNode(id));
    FIssuedID = id;
    return id;
}

// ---- the iterator

bool TPlannerCore::NodeTaken(TWhichTable table, TNodeData *node, TForEachNode selector) const
{
    TBaseTreeGrid *grid = GetTable(table);
    switch (selector) {
    case feAll:
        return true;
    // The rows the counts of the status bar and the dialogs count: printouts and statistics
    // take what they announce, absences of all resources ("*") included.
    case feGroupAll: {
        const int position = GetPositionOf(node);
        return position >= 0 || position == AllPositions;
    }
    case feGroupFiltered:
        return grid->IsVisible(node->VNode);
    case feOverlapping:
        return GetNodeIsOverlapping(node);
    case feSelected:
        return grid->Selected(node->VNode);
    case feFiltered:
        return !GetNodeFiltered(node);
    }
    return false;
}

void TPlannerCore::ForEach(TWhichTable table, TForEachNode selector, const TNodeFunction &function)
{
    TBaseTreeGrid *grid = GetTable(table);
    if (!grid)
        return;
    const auto visit = [&](TNodeData *node) {
        bool taken = false;
        try {
            taken = NodeTaken(table, node, selector);
        } catch (...) {
            taken = false;
        }
        if (!taken)
            return;
        try {
            function(node);
        } catch (const std::exception &e) {
            Log(QStringLiteral("ForEach: ") + QString::fromStdString(e.what()));
        } catch (...) {
            Log(QStringLiteral("ForEach: unknown error"));
        }
    };
    if (selector == feSelected) {
        // The grid's selection in table order, not a walk of the table: a few selected rows of
        // a large table cost a few steps. Rows a callback frees are passed by.
        std::vector<TNodeData *> rows;
        for (TGridNode *gridNode : grid->GetSortedSelection(false))
            rows.push_back(NodeData(grid, gridNode));
        TSelectionWalk walk;
        const TBracket walking([&] { FSelectionWalks.push_back(&walk); }, [this] { FSelectionWalks.pop_back(); });
        for (TNodeData *node : rows) {
            if (!node || walk.gone.count(node))
                continue;
            walk.current = node;
            visit(node);
        }
        return;
    }
    TGridNode *gridNode = grid->GetFirst();
    while (gridNode) {
        // Fetched first: the callback may delete the row it is given.
        TGridNode *next = grid->GetNext(gridNode);
        visit(NodeData(grid, gridNode));
        gridNode = next;
    }
}

void TPlannerCore::ForEach(TWhichTable table, TForEachNode selector, TNodeCallback callback,
                           QObject *argument)
{
    ForEach(table, selector, [this, callback, argument](TNodeData *node) {
        (this->*callback)(node, argument);
    });
}

void TPlannerCore::ForEach(TForEachNode selector, TNodeCallback callback, QObject *argument)
{
    ForEach(tbTable, selector, callback, argument);
    ForEach(tbExclude, selector, callback, argument);
}

// ---- callbacks

void TPlannerCore::CB_SetData(TNodeData *node, QObject *argument)
{
    // Editor controls as arguments come with the property editor.
    if (argument == nullptr)
        SetData(node, CB_SetData_Index, CB_SetData_String);
}

void TPlannerCore::CB_SetDataIndex(TNodeData *node, QObject *argument)
{
    if (argument == nullptr)
        SetDataIndex(node, CB_SetData_Index, CB_SetData_DataIndex);
}

void TPlannerCore::CB_DeleteNode(TNodeData *node, QObject *argument)
{
    DeleteNode(node, argument != nullptr);
}

void TPlannerCore::CB_InvalidateNode(TNodeData *node, QObject *)
{
    InvalidateNode(node);
}

void TPlannerCore::CB_SetRecalcEndOf(TNodeData *node, QObject *argument)
{
    SetRecalcEndOf(node, true);
    CB_SetRecalcBitmap(node, argument);
}

void TPlannerCore::CB_SetRecalcBitmap(TNodeData *node, QObject *)
{
    if (!node)
        return;
    node->RecalcBitmap = true;
    InvalidateNode(node);
}

// ---- filtered state

bool TPlannerCore::GetNodeFiltered(const TNodeData *node) const
{
    if (!node || !node->VNode || !node->VNodeTable)
        return false;
    return !node->VNodeTable->IsVisible(node->VNode);
}

void TPlannerCore::SetNodeFiltered(TNodeData *node, bool filtered)
{
    if (node && node->VNode && node->VNodeTable)
        node->VNodeTable->SetIsVisible(node->VNode, !filtered);
}

// ---- actions

void TPlannerCore::ActionAddNodeExecute()
{
    const TWhichTable table = FActiveTable;
    TBaseTreeGrid *grid = GetTable(table);
    TNodeData *node = nullptr;
    {
        // One user action: Undo takes the row back with the cells it was given.
        const TActionScope action(*this);
        node = AddNode(GetFreeID(), table, true);
        // The new row takes the filtered cells of the first visible row, so that it stays shown.
        if (TGridNode *first = grid->GetFirstVisible()) {
            TNodeData *model = NodeData(grid, first);
            if (model != node) {
                for (int column = 0; column < GetTableColCount(table); ++column) {
                    const THeaderData *header = GetHeader(table, column);
                    if (header && header->IsFiltered())
                        SetData(node, column, GetData(model, column));
                }
            }
        }
        SetPositionOf(node, 0);
        UpdateStatusBar();
        grid->ClearSelection();
        grid->SetSelected(node->VNode, true);
        grid->SetFocusedNode(node->VNode);
    }
    FWindow.ShowEditorForNewNode();
}

void TPlannerCore::ActionDeleteNodeExecute(bool editing)
{
    if (editing)
        return;
    TBaseTreeGrid *grid = GetTable(FActiveTable);
    const int count = grid->SelectedCount();
    if (count <= 0) {
        UpdateStatusBar();
        return;
    }
    const QString question =
        count == 1 ? Translate(QStringLiteral("Delete selected task?"))
                   : Translate(QStringLiteral("Delete all %s selected tasks?"), {QString::number(count)});
    if (FWindow.Ask(question, mtConfirmation, {mbOK, mbCancel}) == mrOk) {
        const TActionScope action(*this);
        // The grid takes many rows out in one go: it counts, measures and repaints once
        // instead of once per row (a bracket of its own costs a walk of its rows).
        std::optional<TGridUpdate> gridUpdate;
        if (count > 1)
            gridUpdate.emplace(grid);
        ForEach(FActiveTable, feSelected, &TPlannerCore::CB_DeleteNode, this);
    }
    UpdateStatusBar();
}
