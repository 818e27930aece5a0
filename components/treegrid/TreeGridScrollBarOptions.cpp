#include "treegrid/TreeGridScrollBarOptions.h"

#include "treegrid/BaseTreeGrid.h"

void TTGScrollBarOptions::Changed()
{
    // The bars are Qt's own widgets: re-applying the policies stands in for a new window.
    if (FOwner)
        FOwner->ScrollBarOptionsChanged();
}

void TTGScrollBarOptions::SetAlwaysVisible(bool value)
{
    if (FAlwaysVisible == value)
        return;
    FAlwaysVisible = value;
    Changed();
}

void TTGScrollBarOptions::SetScrollBars(TScrollStyle value)
{
    if (FScrollBars == value)
        return;
    FScrollBars = value;
    Changed();
}

void TTGScrollBarOptions::SetScrollBarStyle(TTGScrollBarStyle value)
{
    TGAssert(value == sbmRegular,
             "Flat scrollbars styles are disabled. Enable UseFlatScrollbars in TGConfig forflat scrollbar support.");
    FScrollBarStyle = value;
}

void TTGScrollBarOptions::SetHorizontalIncrement(TTGScrollIncrement value)
{
    if (FIncrementX == value)
        return;
    FIncrementX = value;
    Changed();
}

void TTGScrollBarOptions::SetVerticalIncrement(TTGScrollIncrement value)
{
    if (FIncrementY == value)
        return;
    FIncrementY = value;
    Changed();
}

void TTGScrollBarOptions::Assign(const TTGScrollBarOptions &source)
{
    if (&source == this)
        return;
    FAlwaysVisible = source.FAlwaysVisible;
    FScrollBars = source.FScrollBars;
    FScrollBarStyle = source.FScrollBarStyle;
    FIncrementX = source.FIncrementX;
    FIncrementY = source.FIncrementY;
    Changed();
}
