#pragma once

// Types of the tree-grid's geometry and painting: hit information, the record handed from
// step to step of a paint run and to the cell events, and the small enumerations of both.

#include <array>
#include <cstdint>

#include <QPoint>
#include <QRect>

#include "ScrollTypes.h"
#include "CanvasTypes.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridSet.h"
#include "treegrid/TreeGridTypes.h"

class TCanvas;
class TImageList;

// ---- hit testing

enum THitPosition : std::uint8_t {
    hiAbove, hiBelow, hiNowhere, hiOnItem, hiOnItemButton, hiOnItemButtonExact, hiOnItemCheckbox,
    hiOnItemIndent, hiOnItemLabel, hiOnItemLeft, hiOnItemRight, hiOnNormalIcon, hiOnStateIcon,
    hiToLeft, hiToRight, hiUpperSplitter, hiLowerSplitter
};
using THitPositions = TTGSet<THitPosition>;

struct THitInfo {
    PGridNode HitNode = nullptr;
    THitPositions HitPositions;
    TColumnIndex HitColumn = NoColumn;
};

// ---- scrolling

enum TScrollUpdateOption : std::uint8_t { suoRepaintHeader, suoRepaintScrollbars, suoScrollClientArea, suoUpdateNCArea };
using TScrollUpdateOptions = TTGSet<TScrollUpdateOption, std::uint8_t>;
inline constexpr TScrollUpdateOptions DefaultScrollUpdateFlags{suoRepaintHeader, suoRepaintScrollbars,
                                                               suoScrollClientArea, suoUpdateNCArea};

enum TScrollDirection : std::uint8_t { sdLeft, sdUp, sdRight, sdDown };
using TScrollDirections = TTGSet<TScrollDirection, std::uint8_t>;


// ---- painting

enum TTGInternalPaintOption : std::uint8_t {
    poBackground, poColumnColor, poDrawFocusRect, poDrawSelection, poDrawDropMark, poGridLines,
    poMainOnly, poSelectedOnly
};
using TTGInternalPaintOptions = TTGSet<TTGInternalPaintOption, std::uint8_t>;
inline constexpr TTGInternalPaintOptions DefaultPaintOptionsOfPaint{poBackground, poColumnColor, poDrawFocusRect,
                                                                    poDrawSelection, poDrawDropMark, poGridLines};

enum TTGImageKind : std::uint8_t { ikNormal, ikSelected, ikState, ikOverlay };
enum TTGImageInfoIndex : std::uint8_t { iiNormal, iiState, iiCheck, iiOverlay };

struct TTGImageInfo {
    int Index = -1;
    int XPos = 0;
    int YPos = 0;
    bool Ghosted = false;
    TImageList *Images = nullptr;
};

enum TTGLineType : std::uint8_t {
    ltNone, ltBottomRight, ltTopDown, ltTopDownRight, ltRight, ltTopRight, ltLeft, ltLeftBottom
};
enum TTGLineMode : std::uint8_t { lmNormal, lmBands };
enum TTGDrawSelectionMode : std::uint8_t { smDottedRectangle, smBlendedRectangle };
enum TItemEraseAction : std::uint8_t { eaColor, eaDefault, eaNone };
enum TTGCellPaintMode : std::uint8_t { cpmPaint, cpmGetContentMargin };
enum TTGCellContentMarginType : std::uint8_t { ccmtAllSides, ccmtTopLeftOnly, ccmtBottomRightOnly };
enum TTGDropMode : std::uint8_t { dmNowhere, dmAbove, dmOnNode, dmBelow };

// The record of one paint run; x coordinates are tree coordinates, y runs from 0 to the
// height of the row being painted.
struct TTGPaintInfo {
    TCanvas *Canvas = nullptr;
    TTGInternalPaintOptions PaintOptions;
    PGridNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    TColumnPosition Position = 0;
    QRect CellRect;
    QRect ContentRect;
    int NodeWidth = 0;
    TColumnAlignment Alignment = taLeftJustify;
    TColumnAlignment CaptionAlignment = taLeftJustify;
    TColumnBiDiMode BidiMode = bdLeftToRight;
    QPoint BrushOrigin;
    std::array<TTGImageInfo, 4> ImageInfo;
};

// A span of the given width placed inside r by the alignment (a centred span's halves rounded
// towards the left); top and bottom stay.
inline QRect AlignSpan(const QRect &r, int width, TColumnAlignment alignment)
{
    int left = r.left();
    if (alignment == taRightJustify) {
        left = RectRight(r) - width;
    } else if (alignment == taCenter) {
        const int twice = r.left() + RectRight(r) - width;
        left = twice >= 0 ? twice / 2 : -((-twice + 1) / 2);
    }
    return MakeRect(left, r.top(), left + width, RectBottom(r));
}
