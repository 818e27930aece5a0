#pragma once

// The views of the document (the property editor, the status bar, the tables' rows, the chart)
// follow its changes. While a user action that changes many rows runs, or an update bracket is
// open, their refreshes are held and done once when the outermost hold ends; outside a hold
// each is done at once. Every refresh the document asks for passes here, so that no road that
// writes many rows refreshes a view per row.

#include <array>
#include <unordered_set>

#include "core/DocumentTypes.h"

class TPlannerCore;

class TViewRefresh
{
public:
    enum TView : unsigned {
        vwEditor = 1,    // the editor shows the selected rows again
        vwStatusBar = 2, // the counts of the status bar
        vwFlash = 4,     // the selected bars flash (a colour changed)
    };

    explicit TViewRefresh(TPlannerCore &core);

    // Holds the views for its lifetime.
    class THeld
    {
    public:
        explicit THeld(TViewRefresh &views) : FViews(views) { FViews.Hold(); }
        ~THeld() { FViews.Release(); }
        THeld(const THeld &) = delete;
        THeld &operator=(const THeld &) = delete;

    private:
        TViewRefresh &FViews;
    };

    // Holds nest; the outermost Release does what was asked meanwhile.
    void Hold() { ++FDepth; }
    void Release();
    bool Holding() const { return FDepth > 0; }
    // True while held: the view is refreshed when the hold ends. The view's own refresh asks
    // first and goes on only when false.
    bool Defer(TView view);
    // A row is drawn again in its table and, with `bar`, in the chart. The chart is told at once
    // (it repaints once anyway, and a bar about to move must be drawn away where it stands);
    // the table rows of a hold are drawn together.
    void Row(TNodeData &node, bool bar);
    // A row leaves its table: nothing is drawn for it.
    void Forget(const TNodeData *node);
    // Does what was asked so far now, the hold going on: a question asked in the middle of an
    // action shows the plan as it stands.
    void Flush();

private:
    // More rows than this are drawn by repainting their tables whole.
    static constexpr std::size_t ManyRows = 64;

    TPlannerCore &FCore;
    int FDepth = 0;
    unsigned FViews = 0;
    // The table rows to draw again.
    std::unordered_set<TNodeData *> FRows;
    // Too many rows of a table were asked for: it is repainted whole.
    std::array<bool, WhichTableCount> FWholeTable{};
};
