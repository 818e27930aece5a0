#pragma once

// The shared types of the document: which table, column types, chart connections, the time
// unit, the row iterator's selectors, their name tables, the column description and the
// record every table row carries. The numeric values of the enumerations are stored in files
// and journals: never renumber them.

#include <QImage>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>

#include "DateTime.h"
#include "core/FilterParams.h"
#include "HashedString.h"

struct TGridNode;
class TBaseTreeGrid;

enum TWhichTable : qint32 { tbTable = 0, tbExclude = 1 };
inline constexpr int WhichTableCount = 2;

enum TColumnType : qint32 {
    ctText = 0,
    ctDate = 1,
    ctPulldown = 2,
    ctNumber = 3,
    ctCheckBox = 4,
    ctLink = 5
};
inline constexpr int ColumnTypeCount = 6;

enum TConnection : qint32 {
    cnNone = 0,
    cnPosition = 1,
    cnStart = 2,
    cnEnd = 3,
    cnLength = 4,
    cnTermin = 5,
    cnColor = 6,
    cnTextLeftTop = 7,
    cnTextLeftMiddle = 8,
    cnTextLeftBottom = 9,
    cnTextcenterTop = 10,
    cnTextCenterMiddle = 11,
    cnTextCenterBottom = 12,
    cnTextRightTop = 13,
    cnTextRightMiddle = 14,
    cnTextRightBottom = 15,
    cnLengthWithWeekend = 16,
    cnInterval = 17
};
inline constexpr int ConnectionCount = 18;

enum TMinUnit : qint32 { muDay = 0, muMinute = 1 };

enum TForEachNode : qint32 {
    feAll = 0,
    feGroupAll = 1,
    feGroupFiltered = 2,
    feOverlapping = 3,
    feSelected = 4,
    feFiltered = 5
};

// Name tables, indexed by the enumeration values. Table names are the "__table__" values of
// files; connection names are the element names under "Connections" ("TextcenterTop" keeps
// its lower-case c).
extern const std::array<QString, WhichTableCount> TableNames;
extern const std::array<QString, ConnectionCount> ConnectionNames;
extern const std::array<QString, ColumnTypeCount> ColumnTypeNames;
// The cell texts of a yes/no cell: index 0 "Nein", index 1 "Ja".
extern const std::array<QString, 2> BoolNames;

// The absent-reason pick list of a new document as one comma text: each translated reason is an
// entry of its own, quoted.
QString DefaultAbsentReasonsText();

// The column type whose name equals `name` exactly; ctText when none does.
TColumnType ColumnTypeName2Type(const QString &name);
// The yes/no cell text of a flag.
inline const QString &BoolName(bool value) { return BoolNames[value ? 1 : 0]; }

// The description of one column; kept with its header column and freed with it.
class THeaderData
{
public:
    TFilterParams Filter;
    // The pick list, one entry per line; each entry is a comma text whose first item is the
    // value shown in the cell.
    QStringList Strings;
    TColumnType ColumnType = ctText;
    bool SortAscending = true;
    bool HasUniqueAutofill = false;
    bool HasAutofill = false;

    bool IsFiltered() const { return Filter.FilterType != ftNone; }
};

// The position of a row whose resource is "*": it belongs to every chart row (also the
// chart row such a row is drawn in, and an absence's owner). Other negative positions are
// unknown or hidden.
inline constexpr qint32 AllPositions = -9;

// Where a new row goes among its table's rows: right after the row `After` when that row is
// there, else right before `Before` when that one is, else at `Index` (0 = top) when it is not
// -1, else at the end.
struct TRowPlace
{
    QString After;
    QString Before;
    int Index = -1;

    bool Placed() const { return !After.isEmpty() || !Before.isEmpty() || Index >= 0; }
};

// The user data of every tree-grid node: one table row. The cell texts are the data; every
// other field is a cache or a link, refreshed from the cells through the connections.
struct TNodeData
{
    bool nodeValid = false;
    TDateTime nodeStart = 0;
    TDateTime nodeEnd = 0;
    TDateTime nodeTermin = 0;
    qint32 nodeLength = 0;      // minutes of working time, 480 per day
    qint32 nodePosition = -1;   // index in the expanded full position list, AllPositions for "*"
    qint32 nodeColor = -1;      // index in the colour column's pick list
    bool RecalcEndOf = false;
    bool RecalcStartOf = false;
    QStringList StringList;     // one text per column
    bool RecalcBitmap = true;
    QImage Bitmap;              // the cached bar picture, 32 bits per pixel once rendered
    quint32 BitmapLook = 0;     // the chart's look the picture was rendered for
    THashedString ID;
    quint64 ChangeIndex = 0;
    TWhichTable NodeTable = tbTable;
    TGridNode *VNode = nullptr;
    TBaseTreeGrid *VNodeTable = nullptr;
    // Kept by the recalculation, so that a row whose cells did not change is not read again:
    // the cell rules its caches were read under (0: a cell was written since), whether its
    // cells are valid but for the range, its "Working Days" flag, its deadline as read, and
    // the end whose text its end cell holds (0: none known).
    quint32 nodeReadUnder = 0;
    bool nodeCellsComplete = false;
    bool nodeWorkDays = false;
    TDateTime nodeTerminRead = 0;
    TDateTime nodeComputedEnd = 0;
    // Where the row stands in the core's rows by position (TRowsByPosition): the position it
    // is listed under and its place in that list (-1: not listed).
    qint32 nodeIndexedPosition = 0;
    qint32 nodeIndexSlot = -1;
    // The end last computed and what it was computed from: the same start, length, place and
    // flag under the same calendars give the same end (epoch 0: none).
    struct TEndMemo
    {
        TDateTime start = 0;
        TDateTime end = 0;
        qint32 length = 0;
        qint32 position = 0;
        quint32 epoch = 0;
        bool workDays = false;
    } nodeEndMemo;
};

// What the recalculation read of a row's cells and computed from them, carried with a deleted
// row: put back with the same cells under the same cell rules, the row need not be read again.
// A large deletion keeps one per row, so it is small: dates in whole minutes, and only a row
// whose remembered end is the one its end cell holds; any other row is read again.
class TRowReading
{
public:
    static TRowReading Of(const TNodeData &node);
    // The cell rules it was read under; 0: nothing kept.
    quint32 ReadUnder() const { return FReadUnder; }
    // Everything but the rules it was read under: the caller decides whether the cells are the
    // ones read. Nothing when nothing was kept.
    void PutInto(TNodeData &node) const;

private:
    qint32 FStart = 0; // minutes
    qint32 FEnd = 0;
    qint32 FTermin = 0;
    qint32 FLength = 0;
    qint32 FPosition = -1;
    qint16 FColor = -1;
    quint8 FFlags = 0;
    quint32 FEpoch = 0;
    quint32 FReadUnder = 0;
};
