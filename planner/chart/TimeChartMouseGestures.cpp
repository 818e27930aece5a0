// What the gestures do to the plan: pressing a bar, moving the selected bars, the rubber band,
// drawing and resizing a bar, scrolling by hand, and ending or cancelling a gesture.

#include "chart/TimeChartMouse.h"

#include <QApplication>
#include <QCursor>

#include <cmath>
#include <exception>

#include "CanvasPanel.h"
#include "Language.h"
#include "Log.h"
#include "chart/ChartCursors.h"
#include "chart/TimeChartView.h"
#include "core/ActionScope.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "dialogs/NewEntryDialog.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// The rectangle between two corners, in whatever order they come.
QRect Band(QPoint a, QPoint b)
{
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()), std::abs(a.y() - b.y()));
}

// Floor division for pixels left of or above the chart.
int SnapDown(int value, int step)
{
    return step > 0 ? value - value % step : value;
}

} // namespace

int TTimeChartMouse::GestureGroupForWrite()
{
    if (FGestureGroup == -1)
        FGestureGroup = FCore.UndoStack().GetGroupIndex();
    return FGestureGroup;
}

void TTimeChartMouse::RowsOfActiveTable(TForEachNode selector, std::vector<TNodeData *> &rows) const
{
    rows.clear();
    FCore.ForEach(FCore.GetActiveTable(), selector, [&rows](TNodeData *node) { rows.push_back(node); });
}

void TTimeChartMouse::ForgetNode(TNodeData *node)
{
    std::erase(FStepRows, node);
    if (node != FGrabbedNode)
        return;
    FGrabbedNode = nullptr;
    switch (FTimeChartMouseState) {
    case msMoveItem:
    case msResizeItem:
        // The row under the hand is gone: the gesture ends once the deletion is done.
        QMetaObject::invokeMethod(this, &TTimeChartMouse::LostRelease, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

// ---- pressing a bar

void TTimeChartMouse::PressOnBar(Qt::KeyboardModifiers shift, QPoint p)
{
    TNodeData *node = FGrabbedNode;
    const TWhichTable table = node->NodeTable;
    FCore.SetActiveTable(table);
    FGestureGroup = -1;
    FDateRef = FView.Geometry().TimeChartXToDate(p.x()) - FView.Model().StartOf(*node);
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (grid && node->VNode) {
        const bool control = shift & Qt::ControlModifier;
        const bool selected = grid->Selected(node->VNode);
        if (!control && !selected)
            grid->ClearSelection();
        if (!selected || control) {
            if (selected)
                FCore.InvalidateNode(node);
            grid->SetSelected(node->VNode, !selected);
        }
        if (grid->Selected(node->VNode))
            grid->SetFocusedNode(node->VNode);
    }
    if (FChartCursor == crHandOpen || FChartCursor == crHandSwitch) {
        TCursorRegistry::SetScreenCursor(crHandClosed);
        FTimeChartMouseState = msMoveItem;
        SetMovingItem(true);
    } else if (FChartCursor == crSizeWE) {
        FTimeChartMouseState = msResizeItem;
        const QRect r = FView.Geometry().ScreenItemRect(*node);
        const int edge = std::abs(p.x() - RectRight(r)) < FView.Geometry().ResizeGrabWidth() ? r.left() : RectRight(r);
        FMouse.setX(edge);
        FMouseWhenDown.setX(edge);
    }
    FView.ResetFlashSelectedTimer();
}

// ---- moving the selected bars

void TTimeChartMouse::MoveItems(QPoint p)
{
    if (!FGrabbedNode)
        return;
    const TTimeChartGeometry &g = FView.Geometry();
    const TCoreChartModel &model = FView.Model();
    const bool minutes = FCore.GetMinUnit() == muMinute;
    double d = g.TimeChartXToDate(p.x()) - FDateRef - model.StartOf(*FGrabbedNode);
    // Whole days, or whole minutes so that bars moved together never drift apart.
    d = minutes ? std::round(d * MinsPerDay) / MinsPerDay : std::trunc(d);
    const int grabbedRow = model.RowOf(*FGrabbedNode);
    const int dr = g.RowAtY(p.y()) - grabbedRow;
    if (d == 0 && dr == 0)
        return;

    RowsOfActiveTable(feSelected, FStepRows);
    const int rowCount = model.RowCount();
    bool rowsAllowed = true;
    bool timeAllowed = true;
    const TDateTime now = minutes ? Now() : Trunc(Now());
    for (TNodeData *node : FStepRows) {
        const int row = model.RowOf(*node);
        if (row == AllPositions || row + dr < 0 || row + dr >= rowCount)
            rowsAllowed = false;
        if (DenyMoveBeforeNow->isChecked() && model.StartOf(*node) + d < now)
            timeAllowed = false;
    }
    if ((!rowsAllowed || dr == 0) && (!timeAllowed || d == 0))
        return;

    // The gesture's own group for the writes of one step; between steps the core is back at its
    // previous group, so that edits arriving from other instances never join the gesture.
    const TActionScope write(FCore, GestureGroupForWrite());
    // Copied: a row freed by a write leaves FStepRows while it is walked.
    const std::vector<TNodeData *> rows = FStepRows;
    for (TNodeData *node : rows) {
        if (std::find(FStepRows.begin(), FStepRows.end(), node) == FStepRows.end())
            continue;
        try {
            int row = model.RowOf(*node);
            const bool moveRow = rowsAllowed && row != AllPositions && dr != 0;
            if (moveRow) {
                FCore.SetPositionOf(node, row + dr);
                row += dr;
            }
            if (timeAllowed && (d != 0 || moveRow)) {
                TDateTime t = model.StartOf(*node) + d;
                // Inside the working day of the row it lands on.
                const TDayInfo &day = model.RowWeek(row)[WeekdayIndex(t)];
                if (day.active) {
                    if (Frac(t) < day.start.AsDateTime())
                        t = Trunc(t) + day.start.AsDateTime();
                    else if (Frac(t) > day.ende.AsDateTime())
                        t = Trunc(t) + day.ende.AsDateTime();
                }
                FCore.SetStartOf(node, t);
            }
        } catch (const std::exception &error) {
            Log(QStringLiteral("Moving a bar: ") + QString::fromStdString(error.what()));
        }
    }
}

void TTimeChartMouse::AutoScroll(QPoint p)
{
    constexpr int Margin = 10;
    const QRect inner = FView.TimeChart->rect().adjusted(Margin, Margin, -Margin, -Margin);
    if (!FGrabbedNode)
        return;
    // Beside the chart time runs; above or below it the rows do. A hand on its way up to the
    // tabs must not send the dates off.
    const bool beside = p.x() < inner.left() || p.x() > inner.right();
    const bool aboveOrBelow = p.y() < inner.top() || p.y() > inner.bottom();
    if (beside || aboveOrBelow)
        FView.CenterNode(FGrabbedNode, p.x(), beside, aboveOrBelow);
}

void TTimeChartMouse::CarryPointer()
{
    if (!FCarry || !FGrabbedNode || FAboveRows)
        return;
    const QRect r = FView.Geometry().ScreenItemRect(*FGrabbedNode);
    if (r.isNull())
        return;
    const QPoint target = r.topLeft() + *FCarry;
    if (target == FLastMouse)
        return;
    const QPoint global = FView.TimeChart->mapToGlobal(target);
    QCursor::setPos(global);
    // Where the display refuses to move the pointer, the bar keeps its date until the
    // pointer moves again, so the chart scrolls only while the hand does.
    if (QCursor::pos() != global)
        return;
    FLastMouse = target;
    // A display that never tells of them must not grow the list without end.
    if (FCarriedTo.size() >= 32)
        FCarriedTo.erase(FCarriedTo.begin());
    FCarriedTo.push_back(target);
}

void TTimeChartMouse::FinishMove()
{
    std::vector<TNodeData *> rows;
    RowsOfActiveTable(feSelected, rows);
    for (TNodeData *node : rows) {
        FCore.CB_FilterNode(node);
        FCore.CB_InvalidateNode(node, nullptr);
    }
}

void TTimeChartMouse::CancelMove()
{
    const int group = FGestureGroup;
    FGestureGroup = -1;
    if (group != -1) {
        const TRowUpdateScope update(FCore, Translate(QStringLiteral("Undo")));
        FCore.UndoStack().TakeBackGroup(FCore, group);
    }
    EndGesture();
}

// ---- the rubber band

void TTimeChartMouse::SetBand(std::optional<QPoint> from, QPoint to)
{
    if (!from) {
        if (FBandShown)
            FView.SetRubberBand(std::nullopt);
        FBandShown = false;
        return;
    }
    const QRect band = Band(*from, to);
    FBandShown = true;
    // A band without width or height shows nothing, as a focus rectangle would.
    FView.SetRubberBand(band.isEmpty() ? std::nullopt : std::optional<QRect>(band));
}

void TTimeChartMouse::SelectInBand(QPoint p)
{
    SetBand(FMouse, p);
    const QRect band = Band(FMouse, p);
    TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable());
    if (!grid)
        return;
    const TTimeChartGeometry &g = FView.Geometry();
    // One bracket of the document and one update of the tree: one change notification for
    // the whole band, and the chart does not scroll to the rows it catches. Nothing is
    // written: the bracket's end has no rows to settle.
    const TRowUpdateScope update(FCore, QStringLiteral("select"));
    grid->BeginUpdate();
    FCore.ForEach(FCore.GetActiveTable(), feAll, [&](TNodeData *node) {
        if (!node->VNode)
            return;
        const QRect r = g.ScreenItemRect(*node);
        grid->SetSelected(node->VNode, !band.isEmpty() && r.intersects(band));
    });
    grid->EndUpdate();
}

void TTimeChartMouse::DrawBand(QPoint p)
{
    const TTimeChartGeometry &g = FView.Geometry();
    const int rowHeight = g.TimeChartRowHeight(0);
    const int top = g.Top();
    FMouse.setY(int((qint64(top) + FMouse.y()) / rowHeight * rowHeight - top + 2));
    if (FCore.GetMinUnit() == muDay || FCore.GetActiveTable() == tbExclude) {
        const int dayWidth = g.GetTimeChartColWidth();
        FMouse.setX(SnapDown(FMouse.x(), dayWidth));
        p.setX(SnapDown(p.x(), dayWidth));
    }
    const QPoint corner(p.x(), FMouse.y() + rowHeight - 5);
    SetBand(FMouse, corner);
    FLastMouse = corner;
}

// ---- drawing and resizing a bar

void TTimeChartMouse::FinishNewOrResize(QPoint p)
{
    if (FMouse.x() > FLastMouse.x()) {
        const int x = FMouse.x();
        FMouse.setX(FLastMouse.x());
        FLastMouse.setX(x);
    }
    const TTimeChartGeometry &g = FView.Geometry();
    const int row = g.RowAtY(FMouse.y());
    TDateTime start;
    TDateTime end;
    if (FCore.GetMinUnit() == muMinute && FCore.GetActiveTable() == tbTable) {
        start = g.GetExactDate(FMouse.x(), row);
        end = g.GetExactDate(FLastMouse.x(), row);
    } else {
        const int dayWidth = g.GetTimeChartColWidth();
        start = g.Start() + std::floor(double(FMouse.x()) / dayWidth);
        end = g.Start() + std::floor(double(FLastMouse.x()) / dayWidth);
    }

    TNewEntryDialog &dialog = NewEntryDialog();
    dialog.Prepare(FCore.FormatDateTime(start), FCore.FormatDateTime(end), FView.Model().RowName(row),
                   FCore.GetActiveTable());
    if (FTimeChartMouseState == msNewItem) {
        dialog.PlaceAt(FView.TimeChart->mapToGlobal(p));
        const int result = OnShowNewEntry ? OnShowNewEntry(dialog) : dialog.exec();
        if (result != QDialog::Accepted)
            return;
    }
    const TWhichTable table = dialog.table;
    FCore.SetActiveTable(table);
    FGestureGroup = -1;
    const TActionScope write(FCore, GestureGroupForWrite());
    TBaseTreeGrid *grid = FCore.GetTable(table);
    if (FTimeChartMouseState == msResizeItem) {
        TNodeData *node = grid && grid->FocusedNode() ? TPlannerCore::NodeData(grid, grid->FocusedNode()) : nullptr;
        if (!node)
            return;
        if (FCore.GetPositionOf(node) != AllPositions)
            FCore.SetPositionOf(node, row);
        FCore.SetStartOf(node, start);
        FCore.SetLengthOf(node, FCore.calcLengthOf(table, row, start, end));
    } else {
        FCore.FFocusNewNode = true;
        TNodeData *node = FCore.AddNode(FCore.GetFreeID(), table, true);
        FCore.SetStartOf(node, start);
        FCore.SetLengthOf(node, FCore.calcLengthOf(table, row, start, end));
        FCore.SetPositionOf(node, row);
    }
    if (grid && grid->RootNodeCount() == 1 && OnFitColumns)
        OnFitColumns(table);
}

// ---- scrolling by hand

void TTimeChartMouse::ScrollBy(QPoint p)
{
    const TTimeChartGeometry &g = FView.Geometry();
    if (naturalscrolling->isChecked()) {
        // The content follows the hand.
        const TDateTime date = FTimeChartStartOnMouseDown + double(FMouse.x() - p.x()) / g.GetTimeChartColWidth();
        FView.SetTimeChartDestination(date, FTimeChartTopOnMouseDown + (FMouse.y() - p.y()), false);
        return;
    }
    const TDateTime date = g.StartDestination() + (p.x() - FMouse.x());
    const int top = g.TopDestination() + (p.y() - FMouse.y());
    FMouse = p;
    FView.SetTimeChartDestination(date, top, false);
}

// ---- the end of a gesture

void TTimeChartMouse::SetMovingItem(bool moving)
{
    if (FView.Options().movingItem == moving)
        return;
    FView.Options().movingItem = moving;
    // The date boxes appear or go with the selected bars.
    std::vector<TNodeData *> rows;
    RowsOfActiveTable(feSelected, rows);
    for (TNodeData *node : rows)
        FView.InvalidateNode(*node);
}

void TTimeChartMouse::EndGesture()
{
    FGestureGroup = -1;
    FCarry.reset();
    FCarriedTo.clear();
    FAboveRows = false;
    SetBand(std::nullopt, QPoint());
    SetMovingItem(false);
    FStepRows.clear();
    FCore.TimeChartChangeGroupTimer().stop();
    if (FTimeChartMouseState != msPoppedUp)
        FTimeChartMouseState = msNone;
    TCursorRegistry::SetScreenCursor(crDefault);
}
