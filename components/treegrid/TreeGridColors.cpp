#include "treegrid/TreeGridColors.h"

#include "treegrid/BaseTreeGrid.h"

TTGColors::TTGColors(TBaseTreeGrid *owner)
    : FOwner(owner)
{
    FColors = {clBtnShadow, clHighlight, clHighlight, clHighlight, clBtnFace, clBtnShadow, clBtnFace,
               clBtnFace, clWindowText, clHighlight, clBtnFace, clHighlight, clHighlight, clHighlight,
               clBtnShadow};
}

void TTGColors::SetColor(TColorIndex index, TColor value)
{
    if (index < 0 || index >= ColorCount || FColors[index] == value)
        return;
    FColors[index] = value;
    // Line bitmaps and the frame are painted from these colours on the next paint.
    if (FOwner && FOwner->IsLive()) {
        if (index == BorderColor)
            FOwner->update();
        FOwner->Invalidate();
    }
}

void TTGColors::Assign(const TTGColors &source)
{
    if (&source == this)
        return;
    FColors = source.FColors;
    if (FOwner && FOwner->UpdateCount() == 0)
        FOwner->Invalidate();
}
