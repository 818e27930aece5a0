#pragma once

#include <array>

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "MessageDialog.h" // the modal results mrNone, mrOk, mrCancel

class QEventLoop;
class TDropDownSizingBand;

enum TDropDownPosition { ddpBelow, ddpAbove };

enum TDropDownState { ddsHidden = 0x1, ddsExpanding = 0x2, ddsShown = 0x4 };

// A borderless window that drops down like a combo box list and runs its own nested event
// loop until Escape, a click outside or a close request. The loop is driven by an event filter
// on the application, so the click that closes the drop-down is swallowed.
class TfmDropDown : public QWidget
{
    Q_OBJECT
public:
    explicit TfmDropDown(QWidget *parent = nullptr);
    ~TfmDropDown() override;

    // Shows the drop-down at (left, top) of the screen and returns when it has closed.
    // -1 for width or height keeps the current one. Throws std::runtime_error without a parent.
    // Returns false, doing nothing, while another drop-down is open.
    bool RollDownForm(QWidget *parentForm, int left, int top, int width = -1, int height = -1);
    void CloseDropDown();

    int AnimationResolution() const { return FAnimationResolution; }
    void SetAnimationResolution(int value) { FAnimationResolution = qMax(1, value); }
    int RollDownSpeed() const { return FRollDownSpeed; }
    void SetRollDownSpeed(int ms) { FRollDownSpeed = qMax(0, ms); }
    bool Sizable() const { return FSizable; }
    void SetSizable(bool value);
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool value) { FDropShadow = value; }
    TDropDownPosition DropDownPosition() const { return FDropDownPosition; }
    int DropDownState() const { return FDropDownState; }
    bool LButtonDown() const { return FLButtonDown; }
    bool RolledDownOnce() const { return FRolledDownOnce; }

    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }

    // The drop-down that is open right now, if any.
    static TfmDropDown *Active();

    // Where a drop-down of the given size opens for the point (left, top): below the point,
    // or above it when it would pass the bottom of the available area; always kept inside.
    static QPoint Placement(const QRect &available, int left, int top, const QSize &size,
                            TDropDownPosition &position);

    // A sizing zone: where it lies and the edges a drag there resizes (none: no zone).
    struct TSizingBand
    {
        QRect rect;
        Qt::Edges edges;
    };
    // The zones of a drop-down of the given size and position: the bottom (or top) edge, the
    // right edge, and the corner that lies over both.
    static std::array<TSizingBand, 3> SizingBands(const QSize &size, TDropDownPosition position);
    // The edges a press at pos resizes, for a drop-down of the given size and position.
    static Qt::Edges SizingZone(const QSize &size, const QPoint &pos, TDropDownPosition position);
    // The cursor shown over a sizing zone.
    static Qt::CursorShape SizingCursor(Qt::Edges edges);

    // Steps of the roll-out: each entry is the height shown after that step.
    static QList<int> RollOutSteps(int height, int resolution);

signals:
    void OnDropDownClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // Called when a key reaches the loop; Escape ends it. Subclasses may set a result first.
    virtual void DoEscape();

private:
    friend class TDropDownSizingBand;

    bool Contains(QObject *object) const;
    // The bands lie over the content, so that the content never takes the sizing zones.
    void PlaceBands();
    void BeginSizing(Qt::Edges edges, const QPoint &globalPos);
    void SizeTo(const QPoint &globalPos);
    void EndSizing();
    void EndLoop();
    // The parent's window active again, and the keyboard back with `focused`.
    void ReturnFocus(QWidget *focused);
    void RollOut();
    void Wait(int ms);

    int FAnimationResolution = 16;
    int FRollDownSpeed = 10;
    bool FSizable = true;
    TDropDownPosition FDropDownPosition = ddpBelow;
    int FDropDownState = ddsHidden;
    bool FLButtonDown = false;
    // A button went down since the drop-down opened: until then, a release belongs to the
    // click that opened it and does not close it.
    bool FPressSeen = false;
    bool FRolledDownOnce = false;
    bool FDropShadow = false;
    int FModalResult = mrNone;

    QPointer<QWidget> FParentForm;
    QEventLoop *FLoop = nullptr; // lives on RollDownForm's stack
    bool FLoopEnded = false;

    // Over the zones of SizingBands, in its order.
    std::array<TDropDownSizingBand *, 3> FBands{};
    Qt::Edges FSizingEdges;
    QRect FSizingStartGeometry;
    QPoint FSizingStartPos;
};
