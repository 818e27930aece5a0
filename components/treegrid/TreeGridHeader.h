#pragma once

#include <memory>

#include <QRect>
#include <QtGlobal>

#include "Color.h"
#include "treegrid/TreeGridColumns.h"

enum TSortDirection : qint32 { sdAscending, sdDescending };

// Bit numbers of the 16-bit option set (the value the header stream stores).
enum TTGHeaderOption : std::uint8_t {
    hoAutoResize,
    hoColumnResize,
    hoDblClickResize,
    hoDrag,
    hoHotTrack,
    hoOwnerDraw,
    hoRestrictDrag,
    hoShowHint,
    hoShowImages,
    hoShowSortGlyphs,
    hoVisible,
    hoAutoSpring,
    hoFullRepaintOnResize,
    hoDisableAnimatedResize,
    hoHeightResize,
    hoHeightDblClickResize
};
using TTGHeaderOptions = TTGSet<TTGHeaderOption, std::uint16_t>;

enum THeaderState : std::uint8_t {
    hsAutoSizing,
    hsDragging,
    hsDragPending,
    hsLoading,
    hsColumnWidthTracking,
    hsColumnWidthTrackPending,
    hsHeightTracking,
    hsHeightTrackPending,
    hsResizing,
    hsScaling,
    hsNeedScaling
};
using THeaderStates = TTGSet<THeaderState, std::uint16_t>;

enum TTGHeaderStyle : qint32 { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

// Limits of the header height and of the fixed columns' width, in percent (0 = none).
class TTreeGridHeader;
struct TTGFixedAreaConstraints
{
    explicit TTGFixedAreaConstraints(TTreeGridHeader *header) : FHeader(header) {}

    int MaxHeightPercent() const { return FMaxHeightPercent; }
    int MaxWidthPercent() const { return FMaxWidthPercent; }
    int MinHeightPercent() const { return FMinHeightPercent; }
    int MinWidthPercent() const { return FMinWidthPercent; }
    void SetMaxHeightPercent(int value);
    void SetMaxWidthPercent(int value);
    void SetMinHeightPercent(int value);
    void SetMinWidthPercent(int value);
    void Assign(const TTGFixedAreaConstraints &source);

private:
    void Change();
    void SetLimit(int &limit, int &opposite, int value, bool upper);

    TTreeGridHeader *FHeader;
    int FMaxHeightPercent = 0;
    int FMaxWidthPercent = 0;
    int FMinHeightPercent = 0;
    int FMinWidthPercent = 0;
};

// The header of a tree-grid: owns the column collection and keeps the header options, the main
// column, the sort column and direction and the auto-size column. Owned by its tree, to which it
// keeps a plain back link (nil for a header without a tree).
class TTreeGridHeader
{
public:
    explicit TTreeGridHeader(TBaseTreeGrid *owner);
    virtual ~TTreeGridHeader();

    TTreeGridHeader(const TTreeGridHeader &) = delete;
    TTreeGridHeader &operator=(const TTreeGridHeader &) = delete;

    TBaseTreeGrid *Treeview() const { return FOwner; }
    TTreeGridColumns *Columns() const { return FColumns.get(); }
    void SetColumns(const TTreeGridColumns &value) { FColumns->Assign(value); }

    TTGHeaderOptions Options() const { return FOptions; }
    void SetOptions(TTGHeaderOptions value);
    THeaderStates States() const { return FStates; }
    void DoStateChange(THeaderStates enter, THeaderStates leave);
    TTGHeaderStyle Style() const { return FStyle; }
    void SetStyle(TTGHeaderStyle value);
    TColor Background() const { return FBackground; }
    void SetBackground(TColor value);

    int Height() const { return FHeight; }
    void SetHeight(int value);
    int DefaultHeight() const { return FDefaultHeight; }
    void SetDefaultHeight(int value);
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int value);
    TTGFixedAreaConstraints &FixedAreaConstraints() { return FFixedAreaConstraints; }
    const TTGFixedAreaConstraints &FixedAreaConstraints() const { return FFixedAreaConstraints; }

    TColumnIndex MainColumn() const;
    void SetMainColumn(TColumnIndex value);
    TColumnIndex SortColumn() const { return FSortColumn; }
    void SetSortColumn(TColumnIndex value);
    TSortDirection SortDirection() const { return FSortDirection; }
    void SetSortDirection(TSortDirection value);
    TColumnIndex AutoSizeIndex() const { return FAutoSizeIndex; }
    void SetAutoSizeIndex(TColumnIndex value);

    bool UseColumns() const { return FColumns->Count() > 0; }
    bool AllowFocus(TColumnIndex column) const;
    void UpdateMainColumn();
    void Invalidate(const TTreeGridColumn *column = nullptr, bool expandToBorder = false);
    void RecalculateHeader();
    void RescaleHeader();
    void FixedAreaConstraintsChanged();
    void Assign(const TTreeGridHeader &source);
    bool IsLoading() const;

    // The header rectangle in the tree's window coordinates.
    QRect HeaderRect() const;

    // Links into the tree; every place where columns or header reach the tree goes through here.
    int TreeClientWidth() const;
    int TreeHeight() const;
    int TreeEffectiveOffsetX() const;
    int TreeIndent() const;
    bool TreeUseRightToLeft() const;
    bool TreeUpdating() const;
    bool TreeHandleAllocated() const;
    TColor TreeColor() const;
    TColumnBiDiMode TreeBiDiMode() const;
    void TreeDoColumnResize(TColumnIndex column);
    void TreeInvalidate();
    void TreeUpdateHorizontalScrollBar();
    void TreeEndEditNode();
    void TreeMainColumnChanged();
    void TreeSortIfAutoSort();
    void TreeColumnRemoved(TColumnIndex index);
    void TreeColumnsCleared();
    bool TreeCanSplitterResize(QPoint p, TColumnIndex column) const;

protected:
    virtual void DoSetSortColumn(TColumnIndex value);

private:
    friend class TTreeGridColumns;

    void SortTreeIfAuto();

    TBaseTreeGrid *FOwner;
    std::unique_ptr<TTreeGridColumns> FColumns;
    int FHeight = 17;
    int FDefaultHeight = 17;
    int FMinHeight = 10;
    int FMaxHeight = 10000;
    TTGHeaderOptions FOptions{hoColumnResize, hoDrag, hoShowSortGlyphs};
    THeaderStates FStates;
    TTGHeaderStyle FStyle = hsThickButtons;
    TColor FBackground;
    TColumnIndex FAutoSizeIndex = 0;
    TColumnIndex FMainColumn = NoColumn;
    TColumnIndex FSortColumn = NoColumn;
    TSortDirection FSortDirection = sdAscending;
    TTGFixedAreaConstraints FFixedAreaConstraints;
    int FLastWidth = 0;
};

using TTGHeader = TTreeGridHeader;
