#pragma once

// Table rows as clipboard text, the way spreadsheets exchange them: one line per row ending
// in CR LF, cells separated by a tab. A cell holding a tab, a line break or a double quote is
// put in double quotes with its quotes doubled; every other cell is written as it is. Reading
// takes lines ending in CR LF, LF or CR and honours quotes at the start of a field.
//
// The resource column travels as a row number of the current group's rows ("*" as -9), and
// is turned back into a resource name of the group the rows are pasted into.

#include <QList>
#include <QString>
#include <QStringList>

#include "core/DocumentTypes.h"

class TRowClipboardCodec
{
public:
    using TRows = QList<QStringList>;

    // The number a position cell travels as: "*" and rows not in the group have their own.
    static constexpr int AllRows = AllPositions;
    static constexpr int NotInGroup = -1;

    // One cell as it is written into a line.
    static QString QuotedCell(const QString &cell);
    // The lines of the rows, each ending in CR LF.
    static QString Encode(const TRows &rows);
    // The rows of a text. A line end closing the text adds no row; an empty line is a row
    // without fields. A quote that never closes is taken as a plain character.
    static TRows Decode(const QString &text);
    // How many rows a paste into a table of `columns` columns inserts: all of them when the
    // widest row has exactly that many fields, otherwise none.
    static int PasteableRows(const TRows &rows, int columns);

    // Turns the numbers in the position field of pasted rows back into resource names of a
    // group whose rows are `groupNames`. When the largest number does not fit the group, all
    // numbers shift down so that it lands on the group's last row. -9 becomes "*", a number
    // outside the group an empty name; a field that is no number keeps its text.
    static void MapPositions(TRows &rows, int column, const QStringList &groupNames);
};
