// The chart's mouse state machine: presses, moves, releases, Escape and lost releases.

#include "chart/TimeChartMouse.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "Canvas.h"
#include "CanvasPanel.h"
#include "Language.h"
#include "chart/ChartCursors.h"
#include "chart/OptionAction.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/NewEntryDialog.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr Qt::KeyboardModifiers ShiftKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

} // namespace

TTimeChartMouse::TTimeChartMouse(TTimeChartView &view, QObject *parent)
    : QObject(parent)
    , FView(view)
    , FCore(view.Core())
{
    autoscroll = MakeOptionAction(this, "autoscroll", "Scroll Timechart while moving Task (invert with shift)", true);
    naturalscrolling = MakeOptionAction(this, "naturalscrolling", "natural scrolling", false);
    DenyMoveBeforeNow = MakeOptionAction(this, "DenyMoveBeforeNow", "Deny move items into the past", false);

    TCanvasPanel *chart = FView.TimeChart;
    chart->setMouseTracking(true);
    chart->setToolTipDuration(0x7FFFFFFF); // a hint stays while the pointer rests
    chart->installEventFilter(this);
    chart->OnMouseDown = [this](QObject *, QMouseEvent *event) {
        TimeChartMouseDown(event->button(), event->buttons(), event->modifiers(), event->position().toPoint());
    };
    chart->OnMouseMove = [this](QObject *, QMouseEvent *event) {
        TimeChartMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
    };
    chart->OnMouseUp = [this](QObject *, QMouseEvent *event) {
        TimeChartMouseUp(event->button(), event->modifiers(), event->position().toPoint());
    };
    chart->OnKeyDown = [this](QObject *, QKeyEvent *event) {
        if (TimeChartKeyDown(event->key()))
            event->accept();
    };
    FView.OnCenterNodeAllowed = [this] { return CenterNodeAllowed(); };
    FView.OnBeforeSmoothStep = [this] {
        FStepStart = FView.Geometry().Start();
        FStepTop = FView.Geometry().Top();
        FCarry.reset();
        if (FTimeChartMouseState == msMoveItem && FGrabbedNode) {
            const QRect r = FView.Geometry().ScreenItemRect(*FGrabbedNode);
            if (!r.isNull())
                FCarry = FLastMouse - r.topLeft();
        }
    };
    FView.OnAfterSmoothStep = [this](bool smooth) {
        // The chart moved under a resting pointer: anchors keep their dates and rows. A
        // dragged bar keeps its date and the pointer goes with it while the chart scrolls
        // smoothly; otherwise the bar follows the pointer.
        const TTimeChartGeometry &g = FView.Geometry();
        const QPoint shift(int(Round((FStepStart - g.Start()) * g.GetTimeChartColWidth())), FStepTop - g.Top());
        if (shift.isNull())
            return;
        switch (FTimeChartMouseState) {
        case msMoveItem:
            if (FAboveRows)
                break;
            if (smooth)
                CarryPointer();
            else
                MoveItems(FLastMouse);
            break;
        case msSelectItem:
            FMouse += shift;
            FMouseWhenDown += shift;
            SelectInBand(FLastMouse);
            break;
        case msNewItem:
        case msResizeItem:
            FMouse += shift;
            FMouseWhenDown += shift;
            DrawBand(QPoint(FLastMouse.x(), FLastMouse.y()));
            break;
        default:
            break;
        }
    };
    FCore.OnChartNodeFreed = [this](TNodeData *node) { ForgetNode(node); };
    // The rows a group switch moves during a drag are part of the drag.
    FCore.OnGroupSwitchUndoGroup = [this] {
        return FTimeChartMouseState == msMoveItem ? GestureGroupForWrite() : -1;
    };
}

TTimeChartMouse::~TTimeChartMouse()
{
    FCore.OnChartNodeFreed = nullptr;
    FCore.OnGroupSwitchUndoGroup = nullptr;
    FView.OnCenterNodeAllowed = nullptr;
    FView.OnBeforeSmoothStep = nullptr;
    FView.OnAfterSmoothStep = nullptr;
    TCanvasPanel *chart = FView.TimeChart;
    chart->OnMouseDown = nullptr;
    chart->OnMouseMove = nullptr;
    chart->OnMouseUp = nullptr;
    chart->OnKeyDown = nullptr;
}

TNewEntryDialog &TTimeChartMouse::NewEntryDialog()
{
    if (!FNewEntryDialog)
        FNewEntryDialog = new TNewEntryDialog(FView.window());
    return *FNewEntryDialog;
}

// ---- press

void TTimeChartMouse::TimeChartMouseDown(Qt::MouseButton, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                                         QPoint p)
{
    FView.TimeChart->setFocus(Qt::MouseFocusReason);
    shift &= ShiftKeys;
    FShift = shift;
    FMouse = FLastMouse = FMouseWhenDown = p;
    FTimeChartStartOnMouseDown = FView.Geometry().Start();
    FTimeChartTopOnMouseDown = FView.Geometry().Top();
    if (FTimeChartMouseState == msPoppedUp) {
        FGrabbedNode = nullptr;
        FTimeChartMouseState = msNone;
    }
    // What lies under the press decides, not what lay under the last rest.
    if (FTimeChartMouseState == msNone)
        UpdateTimeChartHint();

    if (buttons & Qt::RightButton) {
        FTimeChartMouseState = msPopup;
        return;
    }
    const bool left = buttons == Qt::LeftButton;
    if (left && shift == Qt::ShiftModifier) {
        FTimeChartMouseState = msSelectItem;
    } else if (left && shift == Qt::NoModifier && !FGrabbedNode
               && FView.Geometry().RowsHeight(0) > qint64(p.y()) + FView.Geometry().Top()) {
        FTimeChartMouseState = msNewItem;
    } else if (left && shift == Qt::ControlModifier && !FGrabbedNode) {
        return;
    }
    if (!(buttons & Qt::LeftButton))
        return;
    if (FGrabbedNode) {
        PressOnBar(shift, p);
        return;
    }
    if (TBaseTreeGrid *grid = FCore.GetTable(FCore.GetActiveTable()))
        grid->ClearSelection();
}

// ---- move

void TTimeChartMouse::TimeChartMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint p)
{
    // The move to where the pointer was carried is done already, also one told only after
    // the pointer was carried on (its buttons as the display saw them then).
    if (const auto carried = std::find(FCarriedTo.begin(), FCarriedTo.end(), p); carried != FCarriedTo.end()) {
        if (std::next(carried) == FCarriedTo.end())
            FLastMouse = p;
        FCarriedTo.erase(FCarriedTo.begin(), std::next(carried));
        return;
    }
    FCarriedTo.clear();
    shift &= ShiftKeys;
    FShift = shift;
    switch (FTimeChartMouseState) {
    case msNone:
    case msPoppedUp:
        FLastMouse = p;
        if (FTimeChartMouseState == msNone)
            RequestHint();
        return;
    case msMoveItem:
    case msResizeItem:
    case msNewItem:
    case msSelectItem:
        if (!(buttons & Qt::LeftButton)) {
            // The release never came.
            LostRelease();
            return;
        }
        break;
    case msPopup:
    case msScroll:
        if (!(buttons & Qt::RightButton)) {
            LostRelease();
            return;
        }
        break;
    }

    if (FTimeChartMouseState == msPopup
        && (std::abs(p.x() - FMouseWhenDown.x()) > 2 || std::abs(p.y() - FMouseWhenDown.y()) > 2)) {
        FTimeChartMouseState = msScroll;
        TCursorRegistry::SetScreenCursor(crSizeAll);
    }
    switch (FTimeChartMouseState) {
    case msScroll:
        ScrollBy(p);
        return;
    case msMoveItem: {
        const QPoint global = FView.TimeChart->mapToGlobal(p);
        const int tab = OnTabAt ? OnTabAt(global) : -1;
        if (tab >= 0 && tab != FCore.GroupTabIndex())
            FCore.StartChangeGroupTimer();
        if (!FCore.TimeChartChangeGroupTimer().isActive())
            TCursorRegistry::SetScreenCursor(crHandClosed);
        FLastMouse = p;
        // Above the rows, over the date rows and the tabs, the user heads for a group: the bars
        // keep the dates they had when the pointer left the rows, and the chart does not run
        // away under the hand.
        FAboveRows = p.y() < 0 || (OnOverTabs && OnOverTabs(global));
        if (FAboveRows) {
            FView.StopScrolling();
            return;
        }
        MoveItems(p);
        AutoScroll(p);
        return;
    }
    case msSelectItem:
        if (shift == Qt::ShiftModifier && buttons == Qt::LeftButton && !FGrabbedNode)
            SelectInBand(p);
        FLastMouse = p;
        return;
    case msNewItem:
    case msResizeItem:
        DrawBand(p);
        return;
    default:
        FLastMouse = p;
        return;
    }
}

// ---- release

void TTimeChartMouse::TimeChartMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint p)
{
    shift &= ShiftKeys;
    FShift = shift;
    FReleasing = true;
    switch (FTimeChartMouseState) {
    case msMoveItem:
        FinishMove();
        break;
    case msPopup:
        if (button == Qt::RightButton) {
            bool onBar = false;
            if (FGrabbedNode) {
                FCore.SetActiveTable(FGrabbedNode->NodeTable);
                TBaseTreeGrid *grid = FCore.GetTable(FGrabbedNode->NodeTable);
                if (grid && FGrabbedNode->VNode && !grid->Selected(FGrabbedNode->VNode)) {
                    grid->ClearSelection();
                    grid->SetSelected(FGrabbedNode->VNode, true);
                    grid->SetFocusedNode(FGrabbedNode->VNode);
                }
                onBar = FView.Geometry().ScreenItemRect(*FGrabbedNode).contains(p);
            }
            FTimeChartMouseState = msPoppedUp;
            if (OnPopupMenu)
                OnPopupMenu(FView.TimeChart->mapToGlobal(p), onBar);
        }
        break;
    case msNewItem:
    case msResizeItem:
        SetBand(std::nullopt, p);
        if (FMouse.x() != FLastMouse.x())
            FinishNewOrResize(p);
        break;
    case msSelectItem:
        SetBand(std::nullopt, p);
        break;
    default:
        break;
    }
    FReleasing = false;
    EndGesture();
    // The pointer rests somewhere: its hint and cursor follow.
    TimeChartMouseMove(Qt::NoButton, shift, p);
}

void TTimeChartMouse::LostRelease()
{
    if (FReleasing)
        return;
    if (FTimeChartMouseState == msMoveItem)
        FinishMove();
    EndGesture();
}

void TTimeChartMouse::PopupMenuClosed()
{
    if (FTimeChartMouseState != msPoppedUp)
        return;
    FGrabbedNode = nullptr;
    FTimeChartMouseState = msNone;
}

// ---- keys

bool TTimeChartMouse::TimeChartKeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    switch (FTimeChartMouseState) {
    case msNewItem:
    case msResizeItem:
        EndGesture();
        return true;
    case msMoveItem:
        CancelMove();
        return true;
    default:
        return false;
    }
}

bool TTimeChartMouse::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FView.TimeChart && event->type() == QEvent::FocusOut && FTimeChartMouseState != msNone
        && FTimeChartMouseState != msPoppedUp && !FReleasing)
        LostRelease();
    return QObject::eventFilter(watched, event);
}

bool TTimeChartMouse::CenterNodeAllowed() const
{
    switch (FTimeChartMouseState) {
    case msMoveItem:
        if (FAboveRows)
            return false;
        [[fallthrough]];
    case msNewItem:
    case msResizeItem:
        return autoscroll->isChecked() != bool(FShift & Qt::ShiftModifier);
    default:
        return true;
    }
}

QPoint TTimeChartMouse::PointerGlobal() const
{
    return FView.TimeChart->mapToGlobal(FLastMouse);
}
