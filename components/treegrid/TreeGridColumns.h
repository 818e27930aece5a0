#pragma once

#include <memory>
#include <vector>

#include <QIODevice>
#include <QImage>
#include <QPoint>

#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridHeaderEvents.h"

struct TTGColumnsImage;

// The header's column collection: owns the columns, keeps the map between display positions and
// collection indices, walks visible columns and finds the column under an x coordinate.
class TTreeGridColumns
{
public:
    explicit TTreeGridColumns(TTreeGridHeader *header);
    virtual ~TTreeGridColumns();

    TTreeGridColumns(const TTreeGridColumns &) = delete;
    TTreeGridColumns &operator=(const TTreeGridColumns &) = delete;

    TTreeGridHeader *Header() const { return FHeader; }
    TBaseTreeGrid *Owner() const;

    // A new column at the end (position and index count - 1).
    TTreeGridColumn *Add();
    virtual void Clear();
    // Destroys one column with the index fix-ups of the collection, the header and the tree.
    void Delete(TColumnIndex index);
    // Destroys count columns from first on with one pass of fix-ups: narrowing a wide table
    // column by column would renumber every remaining column per call.
    void DeleteRange(TColumnIndex first, int count);
    void Assign(const TTreeGridColumns &source);
    bool Equals(const TTreeGridColumns &other) const;

    int Count() const { return static_cast<int>(FItems.size()); }
    TTreeGridColumn *Items(TColumnIndex index) const;
    TTreeGridColumn *operator[](TColumnIndex index) const { return Items(index); }
    bool IsValidColumn(TColumnIndex column) const { return column >= 0 && column < Count(); }

    // Collection updates: notifications are held until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    int DefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(int value) { FDefaultWidth = value; }

    // Hit testing by x. P is in client coordinates of the tree (header y for header use).
    TColumnIndex ColumnFromPosition(QPoint p, bool relative = true) const;
    // The index shown at a display position, NoColumn beyond the end.
    TColumnIndex ColumnFromPosition(TColumnPosition positionIndex) const;
    void GetColumnBounds(TColumnIndex column, int &left, int &right) const;
    TColumnIndex GetColumnAndBounds(QPoint p, int &left, int &right, bool relative = true) const;

    // Walks in display order; InvalidColumn at the end or for a negative start.
    TColumnIndex GetFirstVisibleColumn(bool considerAllowFocus = false) const;
    TColumnIndex GetLastVisibleColumn(bool considerAllowFocus = false) const;
    TColumnIndex GetNextColumn(TColumnIndex column) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex column, bool considerAllowFocus = false) const;
    TColumnIndex GetPreviousColumn(TColumnIndex column) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex column, bool considerAllowFocus = false) const;
    std::vector<TTreeGridColumn *> GetVisibleColumns() const;
    int GetVisibleFixedWidth() const;
    int GetScrollWidth() const;
    int TotalWidth() const;

    // The column that takes the rest width under hoAutoResize.
    TColumnIndex AutoSizeColumn() const;
    void AdjustAutoSize(TColumnIndex currentIndex, bool force = false);
    void AnimatedResize(TColumnIndex column, int newWidth);
    bool CanSplitterResize(QPoint p, TColumnIndex column) const;

    void UpdatePositions(bool force = false);
    void FixPositions();
    void ReorderColumns(bool rtl);
    const std::vector<TColumnIndex> &PositionToIndex() const { return FPositionToIndex; }

    // Called after any change; column nil means a general change.
    virtual void Update(TTreeGridColumn *item);

    // ---- header painting (TreeGridHeaderPaint.cpp)
    // Composes the header in its own picture and copies the part r to dc; hOffset is the
    // horizontal scroll offset (0 or negative) applied to the non-fixed columns.
    void PaintHeader(TCanvas &dc, const QRect &r, int hOffset);
    static void DrawXPButton(TCanvas &dc, const QRect &r, bool drawSplitter, bool down, bool hover);
    void DrawButtonText(TCanvas &dc, const QString &caption, QRect bounds, bool enabled, bool hot,
                        uint drawFormat, bool wrapCaption);

    // ---- hover, press and click (p in client coordinates of the tree)
    // True when the hover column changed.
    bool AdjustHoverColumn(QPoint p);
    void AdjustDownColumn(QPoint p);
    // Fires the header click (or double click) event; true when a column was hit.
    bool HandleClick(QPoint p, TTGMouseButton button, bool force, bool dblClick);

    // ---- streams (TreeGridHeaderStream.cpp); the version is the header stream's
    void SaveToStream(QIODevice &stream) const;
    void LoadFromStream(QIODevice &stream, int version);

    // Header cell bookkeeping of hover, press, track, click and drag.
    TColumnIndex HoverIndex() const { return FHoverIndex; }
    TColumnIndex DownIndex() const { return FDownIndex; }
    TColumnIndex TrackIndex() const { return FTrackIndex; }
    TColumnIndex ClickIndex() const { return FClickIndex; }
    TColumnIndex DropTarget() const { return FDropTarget; }
    void SetHoverIndex(TColumnIndex v) { FHoverIndex = v; }
    void SetDownIndex(TColumnIndex v) { FDownIndex = v; }
    void SetTrackIndex(TColumnIndex v) { FTrackIndex = v; }
    void SetClickIndex(TColumnIndex v) { FClickIndex = v; }
    void SetDropTarget(TColumnIndex v) { FDropTarget = v; }
    TColumnIndex DragIndex() const { return FDragIndex; }
    bool DropBefore() const { return FDropBefore; }

    bool NeedPositionsFix() const { return FNeedPositionsFix; }
    bool Clearing() const { return FClearing; }

protected:
    // Factory for new columns; a tree with its own column class overrides it.
    virtual std::unique_ptr<TTreeGridColumn> NewColumn();

private:
    friend class TTreeGridColumn;
    friend class TTreeGridHeader;

    // Replaces every column by the ones read from a stream (already checked).
    void ApplyImage(const TTGColumnsImage &image);

    void InitializePositionArray();
    TColumnPosition PositionOf(TColumnIndex index) const;
    void IndexChanged(TColumnIndex oldIndex, TColumnIndex newIndex);
    void ColumnsRemoved(TColumnIndex first, int count);
    void Renumber();
    void Changed(TTreeGridColumn *item);
    int RightToLeftOffset() const;
    // Repaints from the leftmost column whose place differs from where the header last laid it out.
    void RepaintMovedColumns();

    TTreeGridHeader *FHeader;
    std::vector<std::unique_ptr<TTreeGridColumn>> FItems;
    std::vector<TColumnIndex> FPositionToIndex;
    TColumnIndex FHoverIndex = NoColumn;
    TColumnIndex FDownIndex = NoColumn;
    TColumnIndex FTrackIndex = NoColumn;
    TColumnIndex FClickIndex = NoColumn;
    TColumnIndex FDropTarget = NoColumn;
    TColumnIndex FDragIndex = NoColumn;
    bool FDropBefore = false;
    int FDefaultWidth = 50;
    bool FNeedPositionsFix = false;
    bool FClearing = false;
    int FUpdateCount = 0;
    QImage FHeaderBitmap;
    // The visible columns in display order as last laid out: whatever setter moves columns
    // (visibility, position, width, the fixed area, adding and removing), the layout pass
    // compares against it and repaints what moved.
    struct TColumnPlace {
        TColumnIndex index;
        int left;
        int width;
        bool fixed;
        bool operator==(const TColumnPlace &) const = default;
    };
    std::vector<TColumnPlace> FLaidOut;
};
