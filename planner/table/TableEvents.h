#pragma once

#include <QString>

#include "Color.h"
#include "core/DocumentTypes.h"

class TPlannerCore;

// What the cells of both tables show: their texts, the font of a row's texts, the background
// of the columns the chart reads and the mark of a row that cannot be drawn. The tables hold
// no texts of their own; the tree-grids ask here for every cell.
class TTableEvents
{
public:
    // The font of a row's texts.
    struct TTextStyle
    {
        bool red = false;    // the task overlaps another one
        bool italic = false; // the row cannot be drawn
        bool bold = false;   // the row is selected
        bool operator==(const TTextStyle &) const = default;
    };

    explicit TTableEvents(TPlannerCore &core);

    // The text of a cell; a yes/no column shows "yes" for "Ja" and "no" for anything else.
    // No column (-1) shows nothing.
    QString GetText(TWhichTable table, const TNodeData *node, int column) const;
    // What a yes/no cell holding `cell` shows, in the current language.
    static QString CheckBoxText(const QString &cell);
    TTextStyle TextStyle(const TNodeData *node, bool selected) const;
    // Columns connected to position, start, end, length or colour get this background.
    bool HasChartBackground(TWhichTable table, int column) const;
    // A row that cannot be drawn is underlined by a red zigzag line.
    static bool HasInvalidMark(const TNodeData *node) { return node && !node->nodeValid; }
    bool IsOverlapping(const TNodeData *node) const;

    static constexpr TColor ChartColumnColor = 0xF0E5CC; // RGB 204, 229, 240
    static constexpr TColor OverlapTextColor = 0x0000FF; // RGB 255, 0, 0
    static constexpr TColor InvalidMarkColor = 0x0000FF;

private:
    TPlannerCore &FCore;
};
