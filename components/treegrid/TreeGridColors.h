#pragma once

#include <array>

#include "Color.h"

class TBaseTreeGrid;

// The tree's fifteen drawing colours. Defaults are system colours (negative values), resolved
// through the palette when painting.
class TTGColors
{
public:
    enum TColorIndex {
        DisabledColor, DropMarkColor, DropTargetColor, FocusedSelectionColor, GridLineColor,
        TreeLineColor, UnfocusedSelectionColor, BorderColor, HotColor, FocusedSelectionBorderColor,
        UnfocusedSelectionBorderColor, DropTargetBorderColor, SelectionRectangleBlendColor,
        SelectionRectangleBorderColor, HeaderHotColor, ColorCount
    };

    // The system colours used as defaults ($80000000 + the system colour index).
    static constexpr TColor clWindowText = TColor(0x80000008u);
    static constexpr TColor clHighlight = TColor(0x8000000Du);
    static constexpr TColor clBtnFace = TColor(0x8000000Fu);
    static constexpr TColor clBtnShadow = TColor(0x80000010u);

    explicit TTGColors(TBaseTreeGrid *owner);

    TColor Color(TColorIndex index) const { return FColors[index]; }
    // Stores a changed colour and repaints a live tree.
    void SetColor(TColorIndex index, TColor value);
    // Copies all fifteen colours; the owner is invalidated outside updates.
    void Assign(const TTGColors &source);

private:
    TBaseTreeGrid *FOwner; // the tree that owns this object
    std::array<TColor, ColorCount> FColors;
};
