#pragma once

// Editing the plan in the chart with the mouse: pointing at a bar shows its details and a hand,
// dragging moves every selected bar in time and to other rows, dragging at a bar's end resizes
// it, dragging over empty rows draws a new bar (a small window asks the table), Shift-dragging
// selects with a rubber band, dragging with the right button scrolls and a right click opens
// the chart's menu. Every change goes through the core's setters; one gesture is one undo
// group, and Escape takes back what the gesture wrote and nothing else.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "CursorRegistry.h"
#include "DateTime.h"
#include "core/DocumentTypes.h"

class QAction;
class QMouseEvent;
class TCanvas;
class TNewEntryDialog;
class TPlannerCore;
class TTimeChartView;

enum TTimeChartMouseState { msNone, msScroll, msNewItem, msMoveItem, msSelectItem, msPopup, msPoppedUp, msResizeItem };

class TTimeChartMouse : public QObject
{
    Q_OBJECT
public:
    explicit TTimeChartMouse(TTimeChartView &view, QObject *parent = nullptr);
    ~TTimeChartMouse() override;

    // ---- the chart panel's events (client coordinates)
    void TimeChartMouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint p);
    void TimeChartMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint p);
    void TimeChartMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint p);
    // The chart's menu went away: the pointer's bar is found anew.
    void PopupMenuClosed();
    // Escape during a gesture; true when the key was used.
    bool TimeChartKeyDown(int key);
    // The button release was lost (the chart lost the focus, a modal box took the mouse):
    // the gesture ends as if released, but draws no new bar.
    void LostRelease();

    // The hint and the cursor for the pointer's last position; only while no gesture runs.
    void UpdateTimeChartHint();
    QString GetNodeHint(TNodeData &node) const;
    QString GetPositionHint(int row) const;
    QString Hint() const { return FHint; }
    TCursor ChartCursor() const { return FChartCursor; }

    // Whether a table's row change may scroll the chart now: outside a gesture always, during
    // one as "Scroll Timechart while moving Task" says, inverted by Shift.
    bool CenterNodeAllowed() const;

    // ---- state (for the chart's commands and tests)
    TTimeChartMouseState State() const { return FTimeChartMouseState; }
    QPoint Mouse() const { return FMouse; }
    TNodeData *GrabbedNode() const { return FGrabbedNode; }
    // The undo group of the running gesture, -1 while it wrote nothing.
    int GestureGroup() const { return FGestureGroup; }

    // ---- menu options the gestures read (owned here, shown in the window's menus)
    QAction *autoscroll = nullptr;        // "Scroll Timechart while moving Task (invert with shift)"
    QAction *naturalscrolling = nullptr;  // "natural scrolling"
    QAction *DenyMoveBeforeNow = nullptr; // "Deny move items into the past"

    // ---- the window's parts
    // Shows the new-entry window modally; the result of exec. Tests answer it.
    std::function<int(TNewEntryDialog &dialog)> OnShowNewEntry;
    // Opens the chart's context menu at a screen point; pointerOnBar tells that the pointer
    // lies on the bar that was under it when pressed (the split needs that).
    std::function<void(QPoint global, bool pointerOnBar)> OnPopupMenu;
    // A table's columns fit their contents as the program fits them (captions included);
    // asked when the first row of a table was drawn in the chart.
    std::function<void(TWhichTable table)> OnFitColumns;
    // The group tab under a screen point, -1 for none.
    std::function<int(QPoint global)> OnTabAt;
    // Whether a screen point lies on the group tab strip (on a tab or beside the tabs).
    std::function<bool(QPoint global)> OnOverTabs;
    // Where the pointer of the running gesture is, on the screen, as its events told.
    QPoint PointerGlobal() const;
    TNewEntryDialog &NewEntryDialog();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // ---- gestures (TimeChartMouseGestures.cpp)
    void PressOnBar(Qt::KeyboardModifiers shift, QPoint p);
    void MoveItems(QPoint p);
    void SelectInBand(QPoint p);
    void DrawBand(QPoint p);
    void FinishNewOrResize(QPoint p);
    void FinishMove();
    void CancelMove();
    void ScrollBy(QPoint p);
    // Edge scrolling while a bar is dragged near or beyond the chart's border: in time at the
    // left and right edges, through the rows at the top and bottom ones.
    void AutoScroll(QPoint p);
    // After a smooth step under a dragged bar: the pointer goes where the bar went.
    void CarryPointer();
    // Ends a gesture: the group closed, the band and date boxes gone, the state at rest.
    void EndGesture();
    void SetMovingItem(bool moving);
    void SetBand(std::optional<QPoint> from, QPoint to);
    // The undo group of the gesture, taken at its first write.
    int GestureGroupForWrite();
    void ForgetNode(TNodeData *node);
    void RowsOfActiveTable(TForEachNode selector, std::vector<TNodeData *> &rows) const;

    // ---- hint and cursor (TimeChartMouseHint.cpp)
    void RequestHint();
    void SetChartCursor(TCursor cursor);
    TCanvas &MeasureCanvas();

    TTimeChartView &FView;
    TPlannerCore &FCore;
    TTimeChartMouseState FTimeChartMouseState = msNone;
    QPoint FMouse;
    QPoint FMouseWhenDown;
    QPoint FLastMouse;
    TDateTime FTimeChartStartOnMouseDown = 0;
    int FTimeChartTopOnMouseDown = 0;
    TNodeData *FGrabbedNode = nullptr;
    TDateTime FDateRef = 0;
    int FGestureGroup = -1;
    Qt::KeyboardModifiers FShift;
    bool FBandShown = false;
    bool FReleasing = false;   // inside the release (its modal window takes the focus)
    bool FHintPending = false;
    QString FHint;
    TCursor FChartCursor = crDefault;
    // The rows one move step walks; a row freed meanwhile leaves it.
    std::vector<TNodeData *> FStepRows;
    // The view before a smooth step, so that a band keeps its dates while the chart scrolls.
    TDateTime FStepStart = 0;
    int FStepTop = 0;
    // The pointer's offset from the dragged bar before a smooth step, and where it was put,
    // oldest first: the display tells of each place later, maybe after the next step.
    std::optional<QPoint> FCarry;
    std::vector<QPoint> FCarriedTo;
    // A dragged bar's pointer is above the rows (on the date rows or the group tabs, on its
    // way to a group): the bars and the chart stand still.
    bool FAboveRows = false;
    std::unique_ptr<TCanvas> FMeasure;
    QPointer<TNewEntryDialog> FNewEntryDialog;
};
