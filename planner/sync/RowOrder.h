#pragma once

// One order of the rows that several instances add at the same moment, which every instance
// and every fresh opening computes alike, without moving any row already placed.
//
// Every journal event carries a stamp: its writer's clock in milliseconds, moved on past
// every stamp the writer has seen, so that an event made after another was seen carries the
// higher stamp. A new row is put before the row it was put before where it was made (none:
// at the end), and there goes above every row added at that spot with a higher stamp (the
// writer's identity deciding between equal stamps). Rows of the working copy carry no stamp
// and are passed by nobody. A row that is gone hands its spot on to the row that followed it.
// The rows added and removed are kept per generation: a save makes them the working copy.

#include <QHash>
#include <QString>

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

    // The generation the rows belong to; another one starts with none.
    void SetGeneration(const QString &generation);
    // A stamp for an own event made now.
    qint64 NextStamp();
    // Another instance's event with this stamp was applied.
    void Seen(qint64 stamp);
    // A row was added with this key.
    void Added(const QString &id, const TKey &key);
    // A row goes; `next` is the row after it (empty: it was the last).
    void Removed(const QString &id, const QString &next);
    // Where another instance's new row goes: before the row `before` names (empty: at the
    // end), above the rows added there with a higher key. `fallback` is the index for a row
    // whose spot is unknown here (-1: at the end).
    TRowPlace PlaceOf(const TPlannerCore &core, TWhichTable table, const QString &before, const TKey &key,
                      int fallback) const;

private:
    QString FGeneration;
    qint64 FClock = 0;
    QHash<QString, TKey> FAdded;
    QHash<QString, QString> FRemoved;
};
