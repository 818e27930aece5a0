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
    FWaiting.clear();
    for (TTable &rows : FTables)
        rows = TTable();
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

namespace {

template <typename TList>
auto LowerBound(TList &list, const TRowOrder::TKey &key)
{
    return std::lower_bound(list.begin(), list.end(), key,
                            [](const auto &entry, const TRowOrder::TKey &k) { return entry.first < k; });
}

} // namespace

QString TRowOrder::RowAfterGone(const TTable &rows, const QString &id)
{
    QString next = id;
    for (qsizetype steps = 0; steps <= rows.Gone.size(); ++steps) {
        const auto gone = rows.Gone.constFind(next);
        if (gone == rows.Gone.constEnd())
            return next;
        next = gone->Next;
    }
    return QString();
}

void TRowOrder::MergeWaiting()
{
    for (TWaiting &waiting : FWaiting) {
        FAdded.insert(waiting.Id, waiting.Key);
        if (!waiting.Anchored)
            continue;
        auto &anchored = FTables[waiting.Table].Anchored[waiting.Anchor];
        const auto at = LowerBound(anchored, waiting.Key);
        if (at == anchored.end() || waiting.Key < at->first)
            anchored.insert(at, std::make_pair(waiting.Key, waiting.Id));
    }
    FWaiting.clear();
}

bool TRowOrder::SpotOf(const TPlannerCore &core, TWhichTable table, const QString &before, const TKey &key,
                       TSpot &spot)
{
    MergeWaiting();
    const TTable &rows = FTables[table];
    const auto isGone = [&rows](const QString &id) { return !id.isEmpty() && rows.Gone.contains(id); };
    spot.Anchor = before;
    spot.Entry = before;
    spot.Row = isGone(before) ? RowAfterGone(rows, before) : before;
    if (!spot.Row.isEmpty() && !core.FindNode(spot.Row, table))
        return false;
    // Right below the row put before the same one with the next lower key, when there is one:
    // what stands between them was put before the rows of higher keys.
    if (const auto anchored = rows.Anchored.constFind(before); anchored != rows.Anchored.constEnd()) {
        const auto higher = LowerBound(*anchored, key);
        const QString lower = higher == anchored->begin() ? QString() : std::prev(higher)->second;
        if (isGone(lower)) {
            spot.Entry = rows.Gone.value(lower).Next;
            spot.Row = RowAfterGone(rows, spot.Entry);
            return true;
        }
        if (const TNodeData *row = lower.isEmpty() ? nullptr : core.FindNode(lower, table)) {
            const TNodeData *next = core.RowAfter(row);
            spot.Row = next ? next->ID.Value() : QString();
            const auto run = rows.Runs.constFind(spot.Row);
            spot.Entry = run == rows.Runs.constEnd() ? spot.Row : run->First;
            return true;
        }
    }
    // Above the entries put at that spot later (or at once, by a user who sorts after).
    for (;;) {
        QString left;
        bool leftGone = false;
        const auto gone = isGone(spot.Entry) ? rows.Gone.constFind(spot.Entry) : rows.Gone.constEnd();
        const auto run = gone == rows.Gone.constEnd() ? rows.Runs.constFind(spot.Row) : rows.Runs.constEnd();
        if (gone != rows.Gone.constEnd() && !gone->Prev.isEmpty()) {
            left = gone->Prev;
            leftGone = true;
        } else if (run != rows.Runs.constEnd()) {
            left = run->Last;
            leftGone = true;
        } else {
            const TNodeData *above = core.RowBefore(table, spot.Row.isEmpty() ? nullptr : core.FindNode(spot.Row, table));
            left = above ? above->ID.Value() : QString();
        }
        const auto added = left.isEmpty() ? FAdded.constEnd() : FAdded.constFind(left);
        if (added == FAdded.constEnd() || !(key < added.value()))
            return true;
        spot.Entry = left;
        if (!leftGone)
            spot.Row = left;
    }
}

void TRowOrder::Added(const QString &id, TWhichTable table, const TKey &key, const TSpot &spot)
{
    TTable &rows = FTables[table];
    const bool isGone = rows.Gone.contains(id);
    FWaiting.push_back(TWaiting{id, table, key, spot.Anchor, spot.Anchored && !isGone});
    if (isGone)
        return;
    const auto gone = spot.Entry.isEmpty() ? rows.Gone.end() : rows.Gone.find(spot.Entry);
    if (gone != rows.Gone.end()) {
        // The gone rows above the spot now stand before the new row.
        const QString last = gone->Prev;
        const auto run = rows.Runs.find(spot.Row);
        if (last.isEmpty() || run == rows.Runs.end())
            return;
        gone->Prev.clear();
        const QString first = run->First;
        run->First = spot.Entry;
        rows.Gone[last].Next = id;
        rows.Runs.insert(id, TRun{first, last});
    } else if (const auto run = rows.Runs.constFind(spot.Entry); run != rows.Runs.constEnd()) {
        // All of them.
        const TRun moved = run.value();
        rows.Runs.erase(run);
        rows.Gone[moved.Last].Next = id;
        rows.Runs.insert(id, moved);
    }
}

void TRowOrder::Removed(const QString &id, TWhichTable table, const QString &next)
{
    TTable &rows = FTables[table];
    if (rows.Gone.contains(id))
        return;
    // It joins the gone rows between the row before it and `next`.
    TGone gone{QString(), next};
    TRun merged{id, id};
    if (const auto own = rows.Runs.constFind(id); own != rows.Runs.constEnd()) {
        gone.Prev = own->Last;
        merged.First = own->First;
        rows.Runs.erase(own);
    }
    if (const auto after = rows.Runs.constFind(next); after != rows.Runs.constEnd()) {
        gone.Next = after->First;
        merged.Last = after->Last;
        rows.Gone[after->First].Prev = id;
    }
    rows.Gone.insert(id, gone);
    rows.Runs.insert(next, merged);
}
