#include "sync/NodeEvent.h"

#include <algorithm>
#include <utility>

#include "Helper.h"
#include "core/PlannerCore.h"
#include "XmlTree.h"

int PlaceOf(const TXMLNode &element)
{
    const TXMLAttribute *place = element.namedAttribute(QStringLiteral("place"));
    if (!place)
        return -1;
    bool ok = false;
    const int value = place->GetValue().toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

qint64 StampOf(const TXMLNode &element)
{
    const TXMLAttribute *stamp = element.namedAttribute(QStringLiteral("stamp"));
    if (!stamp)
        return 0;
    bool ok = false;
    const qint64 value = stamp->GetValue().toLongLong(&ok);
    return ok && value > 0 ? value : 0;
}

TDiffRecord TDiffRecord::FromElement(const TXMLNode &element)
{
    TDiffRecord record;
    record.NodeName = element.GetName();
    if (const TXMLAttribute *id = element.namedAttribute(QStringLiteral("id")))
        record.ID = id->GetValue();
    record.Place = PlaceOf(element);
    record.Stamp = StampOf(element);
    if (const TXMLAttribute *before = element.namedAttribute(QStringLiteral("before")))
        record.Before = before->GetValue();
    for (const auto &child : element.Nodes())
        record.Children.append({child->GetName(), child->GetValue()});
    return record;
}

void TDiffRecord::AppendTo(TXMLNode &diff, int index) const
{
    TXMLNode *element = diff.AddNode(NodeName);
    element->AddAttribute(QStringLiteral("id"), ID);
    element->AddAttribute(QStringLiteral("index"), QString::number(index));
    if (Place >= 0)
        element->AddAttribute(QStringLiteral("place"), QString::number(Place));
    if (Stamp > 0)
        element->AddAttribute(QStringLiteral("stamp"), QString::number(Stamp));
    if (!Before.isEmpty())
        element->AddAttribute(QStringLiteral("before"), Before);
    for (const auto &[name, text] : Children)
        element->AddNode(name, text);
}

void MoveEvents(TNodeEventList &dest, TNodeEventList &source)
{
    if (&dest == &source)
        return;
    dest.reserve(dest.size() + source.size());
    for (auto &event : source)
        dest.push_back(std::move(event));
    source.clear();
}

// ---- TNodeEvent

TNodeEvent::TNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table)
    : FID(id), FChangeIndex(changeIndex), FTable(table)
{
}

TNodeEvent::~TNodeEvent() = default;

void TNodeEvent::AppendToXML(TDiffRecord &record, const IJournalFormat &) const
{
    record.Children.append({QStringLiteral("__change__"), QString::number(FChangeIndex)});
    record.Children.append({QStringLiteral("__user__"), UserIdentity()});
}

bool TNodeEvent::CanAppend(const TNodeEvent &)
{
    return false;
}

void TNodeEvent::MakeRecord(const IJournalFormat &format)
{
    TDiffRecord record;
    record.NodeName = XMLNodeName();
    record.ID = FID;
    record.Stamp = FStamp;
    AppendToXML(record, format);
    FRecord = std::move(record);
}

// ---- TSetNodeDataEvent

TSetNodeDataEvent::TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table,
                                     int column, const QString &data)
    : TSetNodeDataEvent(id, changeIndex, table, QVector<int>{column}, QStringList{data})
{
}

TSetNodeDataEvent::TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table,
                                     QVector<int> columns, QStringList data)
    : TNodeEvent(id, changeIndex, table), FColumn(std::move(columns)), FData(std::move(data))
{
}

void TSetNodeDataEvent::AppendToXML(TDiffRecord &record, const IJournalFormat &format) const
{
    TNodeEvent::AppendToXML(record, format);
    for (qsizetype i = 0; i < FColumn.size(); ++i)
        record.Children.append({format.ColumnCaption(FTable, FColumn[i]),
                                format.CellForFile(FTable, FColumn[i], FData[i])});
}

QString TSetNodeDataEvent::XMLNodeName() const
{
    return QStringLiteral("change");
}

bool TSetNodeDataEvent::CanAppend(const TNodeEvent &other)
{
    const auto *change = dynamic_cast<const TSetNodeDataEvent *>(&other);
    if (change == nullptr || change == this || change->FID != FID)
        return false;
    for (qsizetype i = 0; i < change->FColumn.size(); ++i)
        AppendCell(change->FColumn[i], change->FData[i], change->FChangeIndex, change->FStamp);
    return true;
}

void TSetNodeDataEvent::AppendCell(int column, const QString &data, qint32 changeIndex, qint64 stamp)
{
    // Written as the newest of the edits it holds.
    FStamp = std::max(FStamp, stamp);
    FChangeIndex = std::max(FChangeIndex, changeIndex);
    const qsizetype at = FColumn.indexOf(column);
    if (at >= 0) {
        FData[at] = data;
    } else {
        FColumn.append(column);
        FData.append(data);
    }
}

void TSetNodeDataEvent::Apply(TPlannerCore &core) const
{
    for (qsizetype i = 0; i < FColumn.size(); ++i) {
        // Found again for every cell: a write may not leave the row behind, but the table
        // setup may have changed since the event was made.
        TNodeData *node = core.FindNode(FID);
        if (node && FColumn[i] >= 0 && FColumn[i] < node->StringList.size())
            core.DoSetData(node, FColumn[i], FData[i], true);
    }
}

// ---- TNewNodeEvent

TNewNodeEvent::TNewNodeEvent(const QString &id, TWhichTable table, int place, const QString &before)
    : TNodeEvent(id, 0, table), FPlace(place < 0 ? -1 : place), FBefore(before)
{
}

void TNewNodeEvent::AppendToXML(TDiffRecord &record, const IJournalFormat &format) const
{
    TNodeEvent::AppendToXML(record, format);
    record.Place = FPlace;
    record.Before = FBefore;
    record.Children.append({QStringLiteral("__table__"), TableNames[FTable == tbTable ? tbTable : tbExclude]});
}

QString TNewNodeEvent::XMLNodeName() const
{
    return QStringLiteral("new");
}

void TNewNodeEvent::Apply(TPlannerCore &core) const
{
    core.AddNode(FID, FTable, true, TRowPlace{QString(), FBefore, FPlace});
}

// ---- TDeleteNodeEvent

TDeleteNodeEvent::TDeleteNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table)
    : TNodeEvent(id, changeIndex, table)
{
}

QString TDeleteNodeEvent::XMLNodeName() const
{
    return QStringLiteral("delete");
}

void TDeleteNodeEvent::Apply(TPlannerCore &core) const
{
    core.DeleteNode(core.FindNode(FID), true);
}
