#pragma once

#include <QPointer>

#include "CanvasPanel.h"
#include "ScrollTypes.h"

class QScrollBar;
class TScrollBarBox;

enum TBorderStyle { bsNone, bsSingle };
enum TScrollBarStyle { ssRegular, ssFlat, ssHotTrack };

// The window system's scroll codes (left and right share the up and down codes).
enum TScrollCode {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8
};

// Which bars the box shows, and their look (stored only).
class TScrollBarOptions
{
public:
    explicit TScrollBarOptions(TScrollBarBox *owner);

    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TScrollBarStyle ScrollBarStyle() const { return FScrollBarStyle; }
    void SetScrollBarStyle(TScrollBarStyle value);
    void Assign(const TScrollBarOptions &source);

private:
    TScrollBarBox *FOwner;
    TScrollStyle FScrollBars = ssBoth;
    TScrollBarStyle FScrollBarStyle = ssRegular;
};

// Range, page and position of one bar as the owner set them. Positions are kept as computed,
// not clamped: the bar shows a clamped value, the owner decides what to do with the stored one.
class TScrollBarInfo
{
public:
    TScrollBarInfo(TScrollBarBox *owner, TScrollBarKind kind);

    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    unsigned Page() const { return FPage; }
    void SetPage(unsigned value);
    int Pos() const { return FPos; }
    void SetPos(int value);
    int TrackPos() const { return FTrackPos; }
    TScrollBarKind Kind() const { return FKind; }

    void SetAll(int min, int max, unsigned page, int pos);
    // Reads position and track position back from the bar (only while the bar is shown).
    void GetInfo();
    // Pushes the stored values to the bar and shows or hides it by the box's options.
    void SetInfo();
    // Handles one scroll code, stores the new position unclamped and fires the box's event.
    void ScrollMessage(int code);
    void Assign(const TScrollBarInfo &source);

private:
    friend class TScrollBarBox;
    TScrollBarBox *FOwner;
    int FMin = 0;
    int FMax = 100;
    unsigned FPage = 0;
    int FPos = 0;
    int FTrackPos = 0;
    TScrollBarKind FKind;
};

// A canvas panel with its own horizontal and vertical scroll bars. It scrolls nothing itself:
// the owner sets ranges and positions and repaints on OnHorzScroll / OnVertScroll.
class TScrollBarBox : public TCanvasPanel
{
public:
    explicit TScrollBarBox(QWidget *parent = nullptr);
    ~TScrollBarBox() override;

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TScrollBarOptions &ScrollBarOptions() { return *FScrollBarOptions; }
    void SetScrollBarOptions(const TScrollBarOptions &value);
    TScrollBarInfo &HorzScrollInfo() { return *FHorzScrollInfo; }
    TScrollBarInfo &VertScrollInfo() { return *FVertScrollInfo; }
    // The bar widgets themselves (owned by the box).
    QScrollBar *ScrollBar(TScrollBarKind kind) const;
    bool IncludesBar(TScrollBarKind kind) const;

    // The client area excludes the border and the shown bars (the plain panel has neither).
    QRect GetClientRect() const override;
    // The client area in widget coordinates, where children belong.
    QRect ClientAreaRect() const { return GetClientRect().translated(ClientOrigin()); }
    // A child kept filling the client area (the box does not own more than Qt's parenting).
    void SetClientControl(QWidget *control);
    QWidget *ClientControl() const { return FClientControl; }

    TNotifyEvent OnHorzScroll;
    TNotifyEvent OnVertScroll;

protected:
    QPoint ClientOrigin() const override;
    void PaintNonClient(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TScrollBarOptions;
    friend class TScrollBarInfo;
    // What recreating the window did: lay the bars out again and push both infos.
    void RecreateWnd();
    void LayoutBars();
    int BorderWidth() const { return FBorderStyle == bsSingle ? 2 : 0; }
    void BarAction(TScrollBarKind kind, int action);
    void FireScroll(TScrollBarKind kind);

    TBorderStyle FBorderStyle = bsSingle;
    std::unique_ptr<TScrollBarOptions> FScrollBarOptions;
    std::unique_ptr<TScrollBarInfo> FHorzScrollInfo;
    std::unique_ptr<TScrollBarInfo> FVertScrollInfo;
    QScrollBar *FHorzBar = nullptr; // children of the box
    QScrollBar *FVertBar = nullptr;
    QPointer<QWidget> FClientControl;
};
