#include "sync/RowOrder.h"

#include <QDateTime>

#include <algorithm>

#include "core/PlannerCore.h"

void TRowOrder::SetGeneration(const QString &generation)
{
    if (generation == FGeneration)
        return;
    FGeneration = generation;
    FAdded.clear();
    FRemoved.clear();
}

qint64 TRowOrder::NextStamp()
{
    FClock = std::max(QDateTime::currentMSecsSinceEpoch(), FClock + 1);
    return FClock;
}

void TRowOrder::Seen(qint64 stamp)
{
    FClock = std::max(FClock, stamp);
}

void TRowOrder::Added(const QString &id, const TKey &key)
{
    FAdded.insert(id, key);
    FRemoved.remove(id);
}

void TRowOrder::Removed(const QString &id, const QString &next)
{
    FRemoved.insert(id, next);
}

TRowPlace TRowOrder::PlaceOf(const TPlannerCore &core, TWhichTable table, const QString &before, const TKey &key,
                             int fallback) const
{
    // The spot: the row named, or the one that took over from it when it went.
    const TNodeData *spot = nullptr;
    QString id = before;
    for (qsizetype steps = 0; !id.isEmpty() && steps <= FRemoved.size(); ++steps) {
        if ((spot = core.FindNode(id, table)))
            break;
        const auto gone = FRemoved.constFind(id);
        if (gone == FRemoved.constEnd())
            return TRowPlace{QString(), QString(), fallback};
        id = gone.value();
    }
    if (!spot && !id.isEmpty())
        return TRowPlace{QString(), QString(), fallback};
    // Above the rows added at that spot later (or at once, by a user who sorts after).
    for (const TNodeData *above = core.RowBefore(table, spot); above;
         above = core.RowBefore(table, spot)) {
        const auto added = FAdded.constFind(above->ID.Value());
        if (added == FAdded.constEnd() || !(key < added.value()))
            break;
        spot = above;
    }
    TRowPlace place;
    if (spot)
        place.Before = spot->ID.Value();
    return place;
}
