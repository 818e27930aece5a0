#pragma once

// One order of the rows that several instances add and delete at the same moment, which every
// instance and every fresh opening computes alike, without moving any row already placed.
//
// Every journal event carries a stamp: its writer's clock in milliseconds, moved on past
// every stamp the writer has seen, so that an event made after another was seen carries the
// higher stamp. A new row is put right before the row it was put before where it was made
// (none: at the end), and there goes above every row put at that spot with a higher stamp (the
// writer's identity deciding between equal stamps). Rows of the working copy carry no stamp
// and are passed by nobody. A row that goes keeps its spot between the others as a gone row,
// for the rows others put before it or past it meanwhile: whether its deletion arrives before
// or after them, they land alike. The rows added and removed are kept per generation: a save
// makes them the working copy.

#include <QHash>
#include <QString>

#include <QVarLengthArray>

#include <utility>
#include <vector>

#include "core/DocumentTypes.h"

class TPlannerCore;

class TRowOrder
{
public:
    struct TKey
    {
        qint64 Stamp = 0;
        QString User;
        bool operator<(const TKey &other) const
        {
            return Stamp != other.Stamp ? Stamp < other.Stamp : QString::compare(User, other.User) < 0;
        }
    };
    // Where a row stands: right before `Entry` (a row, a gone row, or empty: the end), which
    // puts it right before `Row` among the rows the table has (empty: last). `Anchor` is the
    // row it was put before where it was made (empty: the end), unless it is unknown here.
    struct TSpot
    {
        QString Anchor;
        QString Entry;
        QString Row;
        bool Anchored = true;
    };

    // The generation the rows belong to; another one starts with none.
    void SetGeneration(const QString &generation);
    // A stamp for an own event made now.
    qint64 NextStamp();
    // Another instance's event with this stamp was applied.
    void Seen(qint64 stamp);
    // Where another instance's new row goes: right before the row or gone row `before` names
    // (empty: the end), above the rows put there with a higher key. False when `before` is
    // unknown here.
    bool SpotOf(const TPlannerCore &core, TWhichTable table, const QString &before, const TKey &key,
                TSpot &spot);
    // A row was put at `spot` with this key (an own row: right before the row after it).
    void Added(const QString &id, TWhichTable table, const TKey &key, const TSpot &spot);
    // A row goes; `next` is the row after it (empty: it was the last).
    void Removed(const QString &id, TWhichTable table, const QString &next);

private:
    // A gone row: the gone row right before it (empty: a row or the top is) and the entry
    // right after it (a gone row, a row, empty: the end).
    struct TGone
    {
        QString Prev;
        QString Next;
    };
    // The gone rows standing together right before a row.
    struct TRun
    {
        QString First;
        QString Last;
    };
    struct TTable
    {
        QHash<QString, TGone> Gone;
        QHash<QString, TRun> Runs; // by the row they stand before, "" for the end
        // The rows put before the same row (or the end), sorted by their keys: they stand in
        // that order, each above the rows later put before it. Mostly one row per spot.
        QHash<QString, QVarLengthArray<std::pair<TKey, QString>, 1>> Anchored;
    };
    // The row a gone row stands before, past the gone rows after it.
    static QString RowAfterGone(const TTable &rows, const QString &id);

    // The keys and spots of added rows wait here until another instance's row is placed: an
    // undo that puts back many rows does not index each of them.
    struct TWaiting
    {
        QString Id;
        TWhichTable Table;
        TKey Key;
        QString Anchor;
        bool Anchored;
    };
    void MergeWaiting();

    QString FGeneration;
    qint64 FClock = 0;
    std::vector<TWaiting> FWaiting;
    QHash<QString, TKey> FAdded;
    TTable FTables[WhichTableCount];
};
