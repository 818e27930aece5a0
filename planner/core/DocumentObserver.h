#pragma once

// What the model tells those who keep something beside the document (the journal of the
// synchronisation, the document file). The write path tells only edits made with `journal`
// set: the user's own, and those the journal applies again; edits read from files or from the
// other instances are not told. Every call comes on the GUI thread, while the core stands.

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <algorithm>

#include "core/DocumentTypes.h"

class IDocumentObserver
{
public:
    // A new row with its identity, where it stands already; its change index is 0. place is
    // the index it was put at (0 = top, as for TPlannerCore::MoveRowTo), -1 when it was
    // appended or placed by its neighbours; before is the row it stands before when it was
    // placed, empty when it is the last.
    virtual void RowCreated(const QString &id, TWhichTable table, int place, const QString &before)
    {
        (void)id, (void)table, (void)place, (void)before;
    }
    // One cell of a row got a new text; changeIndex is the row's, counted up for this edit.
    virtual void CellChanged(const QString &id, qint32 changeIndex, TWhichTable table, int column,
                             const QString &text)
    {
        (void)id, (void)changeIndex, (void)table, (void)column, (void)text;
    }
    // Several cells of one row at once (a row put back); changeIndex is the row's after them.
    virtual void CellsChanged(const QString &id, qint32 changeIndex, TWhichTable table, const QVector<int> &columns,
                              const QStringList &texts)
    {
        const qsizetype count = std::min(columns.size(), texts.size());
        for (qsizetype i = 0; i < count; ++i)
            CellChanged(id, qint32(changeIndex - (count - 1 - i)), table, columns[i], texts[i]);
    }
    // The row went; changeIndex is the row's, counted up for this edit.
    virtual void RowDeleted(const QString &id, qint32 changeIndex, TWhichTable table)
    {
        (void)id, (void)changeIndex, (void)table;
    }
    // A new empty document is about to replace the present one: what belonged to the
    // previous document goes.
    virtual void DocumentCleared() {}

protected:
    ~IDocumentObserver() = default;
};
