#include "exchange/RowClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>

#include "CommaText.h"
#include "Language.h"
#include "chart/TimeChartGeometry.h"
#include "core/ActionScope.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "exchange/RowClipboardCodec.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// The names of the current group's rows, hidden empty rows included: the rows a position
// cell is numbered by.
QStringList GroupRowNames(const TPlannerCore &core)
{
    QStringList names;
    names.reserve(core.FNoAutoGlobalPositionFilter.size());
    for (const QString &entry : core.FNoAutoGlobalPositionFilter)
        names.append(ParseCommaText(entry).value(0));
    return names;
}

} // namespace

TRowClipboard::TRowClipboard(TPlannerCore &core)
    : FCore(core)
{
    OnReadText = [] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasText() ? data->text() : QString();
    };
    OnWriteText = [](const QString &text) { QGuiApplication::clipboard()->setText(text); };
}

TRowClipboard::TPlace TRowClipboard::PlaceAt(const TTimeChartGeometry &geometry, QPoint point, bool exactTime)
{
    TPlace place;
    place.row = geometry.RowAtY(point.y());
    if (exactTime)
        place.date = geometry.GetExactDate(point.x(), place.row);
    else
        place.date = geometry.Start() + point.x() / std::max(1, geometry.GetTimeChartColWidth());
    return place;
}

QString TRowClipboard::CopyText() const
{
    const TWhichTable table = FCore.GetActiveTable();
    const int columns = FCore.GetTableColCount(table);
    const int positionColumn = FCore.GetConnection(table, cnPosition);
    // Position cells travel as row numbers of the group's rows, hidden empty rows counted,
    // so that a paste into the same group finds the same resource.
    const QStringList names = GroupRowNames(FCore);
    QHash<QString, int> rowOfName;
    for (int i = int(names.size()) - 1; i >= 0; --i)
        rowOfName.insert(names[i], i);
    TRowClipboardCodec::TRows rows;
    FCore.ForEach(table, feSelected, [&](TNodeData *node) {
        QStringList cells = node->StringList.mid(0, columns);
        while (cells.size() < columns)
            cells.append(QString());
        if (positionColumn >= 0 && positionColumn < columns) {
            int row = TRowClipboardCodec::NotInGroup;
            if (node->nodePosition == AllPositions || cells[positionColumn] == QStringLiteral("*"))
                row = TRowClipboardCodec::AllRows;
            else if (!names.isEmpty())
                row = rowOfName.value(cells[positionColumn], TRowClipboardCodec::NotInGroup);
            else
                row = FCore.GetPositionOf(node);
            cells[positionColumn] = QString::number(row);
        }
        rows.append(cells);
    });
    return TRowClipboardCodec::Encode(rows);
}

void TRowClipboard::ActionCopyExecute()
{
    const QString text = CopyText();
    if (!text.isEmpty() && OnWriteText)
        OnWriteText(text);
}

void TRowClipboard::ActionCutExecute()
{
    const QString text = CopyText();
    if (text.isEmpty())
        return;
    if (OnWriteText)
        OnWriteText(text);
    // Cut and paste write rows and cells alone: their end settles those rows.
    const TRowUpdateScope update(FCore, Translate(QStringLiteral("Cut")));
    TActionScope action(FCore);
    FCore.ForEach(FCore.GetActiveTable(), feSelected, [this](TNodeData *node) { FCore.DeleteNode(node, true); });
}

int TRowClipboard::NumPasteableNodes() const
{
    const QString text = OnReadText ? OnReadText() : QString();
    if (text.isEmpty())
        return 0;
    const int columns = FCore.GetTableColCount(FCore.GetActiveTable());
    return TRowClipboardCodec::PasteableRows(TRowClipboardCodec::Decode(text), columns);
}

void TRowClipboard::ActionPasteExecute(std::optional<TPlace> place)
{
    const QString text = OnReadText ? OnReadText() : QString();
    if (!text.isEmpty())
        Paste(text, place);
}

std::vector<TNodeData *> TRowClipboard::Paste(const QString &text, std::optional<TPlace> place)
{
    const TWhichTable table = FCore.GetActiveTable();
    const int columns = FCore.GetTableColCount(table);
    TRowClipboardCodec::TRows rows = TRowClipboardCodec::Decode(text);
    if (TRowClipboardCodec::PasteableRows(rows, columns) == 0)
        return {};
    TRowClipboardCodec::MapPositions(rows, FCore.GetConnection(table, cnPosition), GroupRowNames(FCore));
    // The end follows from start and length.
    const int endColumn = FCore.GetConnection(table, cnEnd);

    std::vector<TNodeData *> added;
    added.reserve(std::size_t(rows.size()));
    {
        const TRowUpdateScope update(FCore, Translate(QStringLiteral("Paste")));
        TActionScope action(FCore);
        for (const QStringList &row : rows) {
            TNodeData *node = FCore.AddNode(FCore.GetFreeID(), table, true);
            added.push_back(node);
            for (int column = 0; column < row.size() && column < columns; ++column)
                if (column != endColumn)
                    FCore.SetData(node, column, row[column]);
        }
        if (place) {
            FCore.DoSetStartOf(added.front(), true, place->date);
            FCore.SetPositionOf(added.front(), place->row);
        }
    }

    TBaseTreeGrid *grid = FCore.GetTable(table);
    std::vector<TGridNode *> nodes;
    nodes.reserve(added.size());
    for (TNodeData *node : added)
        if (node->VNode)
            nodes.push_back(node->VNode);
    grid->ClearSelection();
    grid->AddToSelection(nodes.data(), int(nodes.size()));
    if (!nodes.empty())
        grid->SetFocusedNode(nodes.front());
    return added;
}
