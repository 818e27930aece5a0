#include "NodeEvent.h"

TNodeEvent::TNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table)
    : FID(id), FChangeIndex(changeIndex), FTable(table)
{
}

TNodeEvent::~TNodeEvent() = default;

bool TNodeEvent::CanAppend(const TNodeEvent &)
{
    return false;
}

TSetNodeDataEvent::TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table,
                                     int column, const QString &data)
    : TNodeEvent(id, changeIndex, table), FColumn{column}, FData{data}
{
}

QString TSetNodeDataEvent::XMLNodeName() const
{
    return QStringLiteral("change");
}

bool TSetNodeDataEvent::CanAppend(const TNodeEvent &other)
{
    const auto *change = dynamic_cast<const TSetNodeDataEvent *>(&other);
    if (change == nullptr || change->FID != FID)
        return false;
    for (qsizetype i = 0; i < change->FColumn.size(); ++i) {
        if (change->FChangeIndex > FChangeIndex)
            FChangeIndex = change->FChangeIndex;
        const qsizetype at = FColumn.indexOf(change->FColumn[i]);
        if (at >= 0) {
            FData[at] = change->FData[i];
        } else {
            FColumn.append(change->FColumn[i]);
            FData.append(change->FData[i]);
        }
    }
    return true;
}

TNewNodeEvent::TNewNodeEvent(const QString &id, TWhichTable table)
    : TNodeEvent(id, 0, table)
{
}

QString TNewNodeEvent::XMLNodeName() const
{
    return QStringLiteral("new");
}

TDeleteNodeEvent::TDeleteNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table)
    : TNodeEvent(id, changeIndex, table)
{
}

QString TDeleteNodeEvent::XMLNodeName() const
{
    return QStringLiteral("delete");
}
