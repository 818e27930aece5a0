#pragma once

#include <cstdint>

#include "ScrollTypes.h"

class TBaseTreeGrid;

enum TTGScrollBarStyle : std::uint8_t { sbmRegular, sbmFlat, sbm3D };
using TTGScrollIncrement = std::uint16_t;

// The scroll bar settings of a tree-grid: which bars exist, whether they stay visible (disabled)
// when nothing scrolls, and the line steps of both. Owned by its tree.
class TTGScrollBarOptions
{
public:
    explicit TTGScrollBarOptions(TBaseTreeGrid *owner) : FOwner(owner) {}
    TTGScrollBarOptions(const TTGScrollBarOptions &) = delete;
    TTGScrollBarOptions &operator=(const TTGScrollBarOptions &) = delete;

    bool AlwaysVisible() const { return FAlwaysVisible; }
    void SetAlwaysVisible(bool value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TTGScrollBarStyle ScrollBarStyle() const { return FScrollBarStyle; }
    // Only the regular style exists; anything else is a programming error.
    void SetScrollBarStyle(TTGScrollBarStyle value);
    TTGScrollIncrement HorizontalIncrement() const { return FIncrementX; }
    void SetHorizontalIncrement(TTGScrollIncrement value);
    TTGScrollIncrement VerticalIncrement() const { return FIncrementY; }
    void SetVerticalIncrement(TTGScrollIncrement value);

    void Assign(const TTGScrollBarOptions &source);

private:
    void Changed();

    TBaseTreeGrid *FOwner; // the tree that owns this object
    bool FAlwaysVisible = false;
    TScrollStyle FScrollBars = ssBoth;
    TTGScrollBarStyle FScrollBarStyle = sbmRegular;
    TTGScrollIncrement FIncrementX = 20;
    TTGScrollIncrement FIncrementY = 20;
};
