// The string tree's part of hints and the incremental search: both work on cell texts.

#include "treegrid/CustomStringTreeGrid.h"

QString TCustomStringTreeGrid::DoGetNodeHint(PGridNode node, TColumnIndex column,
                                              TTGTooltipLineBreakStyle &lineBreakStyle)
{
    QString text = TBaseTreeGrid::DoGetNodeHint(node, column, lineBreakStyle);
    Raise(OnGetHint, node, column, lineBreakStyle, text);
    return text;
}

QString TCustomStringTreeGrid::DoGetNodeTooltip(PGridNode node, TColumnIndex column,
                                                 TTGTooltipLineBreakStyle &lineBreakStyle)
{
    // Without a handler the tooltip repeats the cell.
    if (!OnGetHint) {
        lineBreakStyle = hlbDefault;
        return Text(node, column);
    }
    QString text = TBaseTreeGrid::DoGetNodeTooltip(node, column, lineBreakStyle);
    Raise(OnGetHint, node, column, lineBreakStyle, text);
    return text;
}

int TCustomStringTreeGrid::DoIncrementalSearch(PGridNode node, const QString &text)
{
    if (OnIncrementalSearch)
        return TBaseTreeGrid::DoIncrementalSearch(node, text);
    return Text(node, FFocusedColumn).startsWith(text, Qt::CaseSensitive) ? 0 : 1;
}
