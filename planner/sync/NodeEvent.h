#pragma once

// Journal events: one row's change as it is kept pending in the journal and later written to
// the user's diff file. When the journal hands an event to its writer (GUI thread), the event
// is turned into a TDiffRecord: column captions and date texts are read from the document
// then, so the writer never looks at the document.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/DocumentTypes.h"

class TPlannerCore;
class TXMLNode;

// What turning an event into its file record needs of the document.
class IJournalFormat
{
public:
    virtual ~IJournalFormat() = default;
    // The column's name in files (its caption).
    virtual QString ColumnCaption(TWhichTable table, int column) const = 0;
    // The cell text as files hold it (dates in storage form).
    virtual QString CellForFile(TWhichTable table, int column, const QString &text) const = 0;
};

// One event element of a diff file: name, row id and the child elements in order.
struct TDiffRecord
{
    QString NodeName;
    QString ID;
    QList<std::pair<QString, QString>> Children;
    // Where a new row goes among its table's rows (0 = top), -1: appended. Written as the
    // attribute "place", which readers that do not know it pass over: they append the row.
    int Place = -1;
    // When the event was made, by its writer's clock that runs ahead of every stamp it has
    // seen (attribute "stamp"); with the writer's identity it orders what several users did at
    // once alike everywhere. 0: none (files of earlier versions).
    qint64 Stamp = 0;
    // The row a new row was put before (attribute "before"); none with a stamp: at the end.
    QString Before;

    // Appends the element as the last child of `diff`, with the attributes id and index (and
    // place, stamp and before, when set).
    void AppendTo(TXMLNode &diff, int index) const;
    // The record of an event element read from a diff file.
    static TDiffRecord FromElement(const TXMLNode &element);
};

// The "place" attribute of an event element; -1 when it has none (or none that is a place).
int PlaceOf(const TXMLNode &element);
// The "stamp" attribute of an event element; 0 when it has none.
qint64 StampOf(const TXMLNode &element);

class TNodeEvent
{
public:
    TNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table);
    virtual ~TNodeEvent();

    TNodeEvent(const TNodeEvent &) = delete;
    TNodeEvent &operator=(const TNodeEvent &) = delete;

    // Adds the event's children: "__change__" and "__user__", then those of the kind.
    virtual void AppendToXML(TDiffRecord &record, const IJournalFormat &format) const;
    // The event element's name in the diff file.
    virtual QString XMLNodeName() const = 0;
    // Whether this pending event absorbs `other` (which the caller then drops).
    virtual bool CanAppend(const TNodeEvent &other);
    // Performs the event again on the document, journalled (after a reload).
    virtual void Apply(TPlannerCore &core) const = 0;

    // Freezes the file record from the document's present state (GUI thread).
    void MakeRecord(const IJournalFormat &format);
    // The frozen record; nullptr before MakeRecord.
    const TDiffRecord *Record() const { return FRecord ? &*FRecord : nullptr; }

    const QString &ID() const { return FID; }
    qint32 ChangeIndex() const { return FChangeIndex; }
    TWhichTable Table() const { return FTable; }
    // When it was made (see TDiffRecord::Stamp); 0: none.
    qint64 Stamp() const { return FStamp; }
    void SetStamp(qint64 stamp) { FStamp = stamp; }

protected:
    QString FID;
    qint32 FChangeIndex;
    TWhichTable FTable;
    qint64 FStamp = 0;

private:
    std::optional<TDiffRecord> FRecord;
};

using TNodeEventList = std::vector<std::unique_ptr<TNodeEvent>>;

// Appends all events of source to dest in order and leaves source empty.
void MoveEvents(TNodeEventList &dest, TNodeEventList &source);

// Changed cells of one row: parallel lists of column and new text.
class TSetNodeDataEvent : public TNodeEvent
{
public:
    TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table, int column,
                      const QString &data);
    // Several cells at once; columns and data are parallel and none is repeated.
    TSetNodeDataEvent(const QString &id, qint32 changeIndex, TWhichTable table, QVector<int> columns,
                      QStringList data);

    void AppendToXML(TDiffRecord &record, const IJournalFormat &format) const override;
    QString XMLNodeName() const override;
    // Merges a later change of the same row: newest text per column, columns in the order
    // they were first changed, the highest change index.
    bool CanAppend(const TNodeEvent &other) override;
    // Merges a later write of one cell, as CanAppend would merge an event made of it.
    void AppendCell(int column, const QString &data, qint32 changeIndex, qint64 stamp);
    void Apply(TPlannerCore &core) const override;

    const QVector<int> &Columns() const { return FColumn; }
    const QStringList &Data() const { return FData; }

private:
    QVector<int> FColumn;
    QStringList FData;
};

// A new row; its change index is 0. A placed row (put back by undo) carries the row it stands
// before and, for readers that know only indices, its place (0 = top).
class TNewNodeEvent : public TNodeEvent
{
public:
    TNewNodeEvent(const QString &id, TWhichTable table, int place = -1, const QString &before = QString());

    void AppendToXML(TDiffRecord &record, const IJournalFormat &format) const override;
    QString XMLNodeName() const override;
    void Apply(TPlannerCore &core) const override;

private:
    int FPlace;
    QString FBefore;
};

class TDeleteNodeEvent : public TNodeEvent
{
public:
    TDeleteNodeEvent(const QString &id, qint32 changeIndex, TWhichTable table);

    QString XMLNodeName() const override;
    void Apply(TPlannerCore &core) const override;
};
