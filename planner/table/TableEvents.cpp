#include "table/TableEvents.h"

#include "Language.h"
#include "core/PlannerCore.h"

TTableEvents::TTableEvents(TPlannerCore &core)
    : FCore(core)
{
}

QString TTableEvents::GetText(TWhichTable table, const TNodeData *node, int column) const
{
    if (!node || column < 0)
        return QString();
    const QString text = FCore.GetData(node, column);
    if (FCore.GetColumnType(table, column) == ctCheckBox)
        return CheckBoxText(text);
    return text;
}

QString TTableEvents::CheckBoxText(const QString &cell)
{
    return Translate(cell == BoolName(true) ? QStringLiteral("yes") : QStringLiteral("no"));
}

bool TTableEvents::IsOverlapping(const TNodeData *node) const
{
    return FCore.GetNodeIsOverlapping(node);
}

TTableEvents::TTextStyle TTableEvents::TextStyle(const TNodeData *node, bool selected) const
{
    TTextStyle style;
    if (!node)
        return style;
    style.red = IsOverlapping(node);
    style.italic = !node->nodeValid;
    style.bold = selected;
    return style;
}

bool TTableEvents::HasChartBackground(TWhichTable table, int column) const
{
    if (column < 0)
        return false;
    switch (FCore.GetColumnConnection(table, column)) {
    case cnPosition:
    case cnStart:
    case cnEnd:
    case cnLength:
    case cnColor:
        return true;
    default:
        return false;
    }
}
