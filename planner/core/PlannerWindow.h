#pragma once

// What the planner core needs of its window. The main window implements it; tests give a
// scripted one. Everything here may be called with no window shown.

#include <QString>

#include "MessageDialog.h"

struct TNodeData;

class IPlannerWindow
{
public:
    virtual ~IPlannerWindow() = default;

    // Repaint one row's bar in the charts (the core repaints the grid row itself).
    virtual void InvalidateRow(TNodeData &node) = 0;
    // Repaint the whole chart.
    virtual void InvalidateChart() = 0;
    // Status bar panel 0..3.
    virtual void SetStatusText(int panel, const QString &text) = 0;
    // Shows a message box (the text is already translated) and returns its modal result
    // (mrOk, mrYes, ...).
    virtual int Ask(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
    // Hourglass on or off.
    virtual void SetBusyCursor(bool busy) = 0;

    // Hooks of windows that come later; a window without them ignores the calls.
    // The table page was switched (grid and editor refresh).
    virtual void ActiveTableChanged() {}
    // The property editor should show the selected rows again.
    virtual void UpdateEditor() {}
    // A colour cell changed: flash the selected bars.
    virtual void FlashSelectedBars() {}
    // A new row wants the editor, with the keyboard focus when it is docked.
    virtual void ShowEditorForNewNode() {}
    // Another running instance shows `fileName`: bring its window to the front and say so.
    virtual bool ActivateOtherInstance(const QString &fileName) { (void)fileName; return false; }
    // Edits made here stop being shared with other instances (the text says why) or, with
    // an empty text, are shared again: a lasting notice in the status bar.
    virtual void SetSharingNotice(const QString &text) { (void)text; }
    // A passing message in the status bar (what happened to the user's edit), which the next
    // one replaces and which goes after a while.
    virtual void ShowStatusMessage(const QString &text) { (void)text; }
    // Width of the visible chart in days (0 when there is no chart).
    virtual int TimeChartWidthInDays() const { return 0; }

    // Hooks of the tables' selection bookkeeping.
    // The chart scrolls to show this row (the user selected it in a table).
    virtual void CenterNode(TNodeData &node) { (void)node; }
    // The editor is shown or hidden once the selection has rested for a moment.
    virtual void SeteditorVisible(bool visible) { (void)visible; }
    // A new empty document: the chart's text layout, day width and font size go back to
    // their defaults.
    virtual void ChartReset() {}
};
