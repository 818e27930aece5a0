#pragma once

// Cut, Copy and Paste of whole rows of the active table through the clipboard's text (see
// TRowClipboardCodec for the text). A paste adds the rows as new rows in one update bracket
// and one undo step; "paste Task here" also puts the first pasted row where the chart's menu
// was opened.

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "DateTime.h"
#include "core/DocumentTypes.h"

class TPlannerCore;
class TTimeChartGeometry;

class TRowClipboard
{
public:
    // Where "paste Task here" puts the first pasted row: a date and a chart row.
    struct TPlace
    {
        TDateTime date = 0;
        int row = 0;
    };

    explicit TRowClipboard(TPlannerCore &core);

    // The place under a point of the chart panel: the row under y and, for tasks in minute
    // mode, the exact working time under x, otherwise the day under x.
    static TPlace PlaceAt(const TTimeChartGeometry &geometry, QPoint point, bool exactTime);

    // The selected rows of the active table as clipboard text; empty when none is selected.
    QString CopyText() const;
    // Copy: the selected rows onto the clipboard; nothing when no row is selected.
    void ActionCopyExecute();
    // Cut: Copy, then the selected rows are deleted as one undo step.
    void ActionCutExecute();
    // How many rows Paste would insert from the clipboard now (0: it would do nothing).
    int NumPasteableNodes() const;
    // Paste from the clipboard; with a place, the first pasted row goes there.
    void ActionPasteExecute(std::optional<TPlace> place = std::nullopt);
    // Paste of a given text; returns the rows added, which end up selected.
    std::vector<TNodeData *> Paste(const QString &text, std::optional<TPlace> place = std::nullopt);

    // The clipboard's text (empty when it holds none) and putting text there; the system
    // clipboard unless a test replaces them.
    std::function<QString()> OnReadText;
    std::function<void(const QString &)> OnWriteText;

private:
    TPlannerCore &FCore;
};
