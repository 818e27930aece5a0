// What the pointer rests on: the bar, row caption or public holiday under it, its hint, and
// the chart's cursor (a hand, the other table's hand, or the resize arrows at a bar's end).

#include "chart/TimeChartMouse.h"

#include <QTimer>
#include <QToolTip>

#include <cstdlib>

#include "Canvas.h"
#include "CanvasPanel.h"
#include "CommaText.h"
#include "DateList.h"
#include "Language.h"
#include "chart/ChartCursors.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "table/TableEvents.h"

TCanvas &TTimeChartMouse::MeasureCanvas()
{
    if (!FMeasure)
        FMeasure = std::make_unique<TCanvas>(8, 8);
    const TTimeChartGeometry &g = FView.Geometry();
    FMeasure->Font().SetName(g.FontName());
    FMeasure->Font().SetSize(g._TimeChartFontSize(0, 0));
    return *FMeasure;
}

void TTimeChartMouse::RequestHint()
{
    if (FHintPending)
        return;
    FHintPending = true;
    QTimer::singleShot(0, this, [this] {
        if (FHintPending)
            UpdateTimeChartHint();
    });
}

void TTimeChartMouse::UpdateTimeChartHint()
{
    FHintPending = false;
    if (FTimeChartMouseState != msNone)
        return;
    const QPoint pt = FLastMouse;
    const TTimeChartGeometry &g = FView.Geometry();
    TCoreChartModel &model = FView.Model();
    const TWhichTable active = FCore.GetActiveTable();
    QString hint;

    // Bars: the active table first, rows in tree order.
    FGrabbedNode = nullptr;
    for (TWhichTable table : {active, active == tbTable ? tbExclude : tbTable}) {
        FCore.ForEach(table, feAll, [&](TNodeData *node) {
            if (!FGrabbedNode && node->nodeValid && g.ScreenItemRect(*node).contains(pt))
                FGrabbedNode = node;
        });
        if (FGrabbedNode)
            break;
    }
    if (FGrabbedNode && model.IsFiltered(*FGrabbedNode)) {
        FGrabbedNode = nullptr;
        hint = Translate(QStringLiteral("filtered tasks cannot be modified"));
    } else if (FGrabbedNode) {
        hint = GetNodeHint(*FGrabbedNode);
    }

    // Row captions: only the row under the pointer can hold it.
    const int row = g.RowAtY(pt.y());
    if (row >= 0 && row < model.RowCount() && !model.IsMultiRow(row)
        && g.PositionRect(MeasureCanvas(), g.Top(), row, g.ChartWidth(), g.TimeChartRowHeight(0)).contains(pt)) {
        FGrabbedNode = nullptr;
        hint = GetPositionHint(row);
    }

    // Public holidays with a name.
    if (hint.isEmpty()) {
        const tDateList &holidays = model.Holidays();
        for (int i = 0; i < holidays.Count(); ++i) {
            const TDateListItem *item = holidays.Items(i);
            if (item->name.isEmpty())
                continue;
            const QRect r = g.TimeChartRect(item->start, Trunc(item->start + 1), g.Start(), g.GetTimeChartEnd(), g.Top(),
                                            g.TimeChartRowHeight(0), g.ChartWidth(), item->position, true, false);
            if (r.contains(pt)) {
                FGrabbedNode = nullptr;
                hint = item->name;
                break;
            }
        }
    }

    if (hint != FHint) {
        FHint = hint;
        FView.TimeChart->setToolTip(hint);
        QToolTip::hideText();
    }

    TCursor cursor = crDefault;
    if (FGrabbedNode) {
        const QRect r = g.ScreenItemRect(*FGrabbedNode);
        const int grab = g.ResizeGrabWidth();
        if ((std::abs(pt.x() - r.left()) < grab || std::abs(pt.x() - RectRight(r)) < grab)
            && FCore.SelectedCount(active) == 1)
            cursor = crSizeWE;
        else
            cursor = FGrabbedNode->NodeTable == active ? crHandOpen : crHandSwitch;
    }
    SetChartCursor(cursor);
}

void TTimeChartMouse::SetChartCursor(TCursor cursor)
{
    if (cursor == FChartCursor)
        return;
    FChartCursor = cursor;
    if (cursor == crDefault)
        FView.TimeChart->unsetCursor();
    else
        FView.TimeChart->setCursor(TCursorRegistry::Cursor(cursor));
}

QString TTimeChartMouse::GetNodeHint(TNodeData &node) const
{
    const TWhichTable table = node.NodeTable;
    QString hint = FCore.FormatDateTime(FCore.GetStartOf(&node)) + QStringLiteral(" - ")
                   + FCore.FormatDateTime(FCore.GetEndOf(&node));
    // The cells as the table shows them (a check box as yes or no in the user's language).
    const TTableEvents cells(FCore);
    if (table == tbExclude)
        return hint + QLatin1Char('\n') + QLatin1Char('(')
               + cells.GetText(table, &node, FCore.GetConnection(table, cnTextCenterMiddle)) + QLatin1Char(')');
    QStringList lines;
    for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
        const TConnection connection = FCore.GetColumnConnection(table, column);
        if (connection == cnStart || connection == cnEnd || connection == cnLength)
            continue;
        lines.append(FCore.GetColumnCaption(table, column) + QStringLiteral(": ")
                     + cells.GetText(table, &node, column));
    }
    return hint + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
}

QString TTimeChartMouse::GetPositionHint(int row) const
{
    return ParseCommaText(FCore.FGlobalPositionFilter.value(row)).join(QLatin1Char('\n'));
}
