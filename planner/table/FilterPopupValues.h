#pragma once

#include <QString>
#include <QStringList>

#include "DateTime.h"

// What the filter pop-up shows for one column, and what it gives back when it closes with OK.
struct TFilterPopupValues
{
    // The radio buttons of the pop-up; exactly one is chosen.
    enum TKind {
        fkNone,     // "no Filter"
        fkEmpty,    // "only empty fields"
        fkText,     // text "equal to"
        fkList,     // "List"
        fkDate,     // "Date"
        fkSmaller,  // "smaller than"
        fkGreater,  // "bigger than"
        fkEquals,   // number "equal to"
        fkFromTo    // number "from" ... "to"
    };

    QString Caption;
    // Which sections the column type offers; the text section is always there.
    bool DateEnabled = false;
    bool ListEnabled = false;
    bool NumberEnabled = false;

    TKind Kind = fkNone;
    // The date pickers; a date that could not be read leaves the picker as it was (not set).
    TDateTime DateFrom = 0;
    TDateTime DateTill = 0;
    bool DateFromSet = false;
    bool DateTillSet = false;
    // The list: every value offered, and those selected.
    QStringList ListValues;
    QStringList ListSelected;
    // The text field with its completion list.
    QString Text;
    QStringList Completion;
    // The number fields: the single value, "from" and "to".
    QString NumberValue;
    QString NumberFrom;
    QString NumberTo;
};
