#pragma once

// Journal events: one row's change as it is kept pending in the journal and later written to
// the user's diff file. Writing them out and applying them belong to the journal.

#include <QString>
#include <QVector>
#include <QtGlobal>

#include "DocumentTypes.h"

class TNodeEvent
{
public:
    TNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table);
    virtual ~TNodeEvent();

    TNodeEvent(const TNodeEvent &) = delete;
    TNodeEvent &operator=(const TNodeEvent &) = delete;

    // The event element's name in the diff file.
    virtual QString XMLNodeName() const = 0;
    // Whether this pending event absorbs `other` (which the caller then drops).
    virtual bool CanAppend(const TNodeEvent &other);

    const QString &ID() const { return FID; }
    qint32 ChangeIndex() const { return FChangeIndex; }
    TWhichTable Table() const { return FTable; }

protected:
    QString FID;
    qint32 FChangeIndex;
    TWhichTable FTable;
};

// Changed cells of one row: parallel lists of column and new text.
class TSetNodeDataEvent : public TNodeEvent
{
public:
    TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table, int column,
                      const QString &data);

    QString XMLNodeName() const override;
    // Merges a later change of the same row: newest text per column, columns in the order
    // they were first changed, the highest change index.
    bool CanAppend(const TNodeEvent &other) override;

    const QVector<int> &Columns() const { return FColumn; }
    const QStringList &Data() const { return FData; }

private:
    QVector<int> FColumn;
    QStringList FData;
};

// A new row; its change index is 0.
class TNewNodeEvent : public TNodeEvent
{
public:
    TNewNodeEvent(const QString &id, TWhichTable table);

    QString XMLNodeName() const override;
};

class TDeleteNodeEvent : public TNodeEvent
{
public:
    TDeleteNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table);

    QString XMLNodeName() const override;
};
