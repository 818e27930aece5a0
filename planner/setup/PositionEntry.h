#pragma once

// One entry of the position list as a value: item 0 the name (the text of the position
// cells), item 1 the working week, item 2 the number of chart rows, item 3 the description
// lines when there are more than the name. Items beyond those are kept as they were, so an
// entry written by a later program survives an edit here.

#include <QString>
#include <QStringList>

#include "WeekInfo.h"

class TPositionEntry
{
public:
    TPositionEntry() = default;
    explicit TPositionEntry(const QString &entry);

    // A new position: the description lines, the default week and one row.
    static TPositionEntry Make(const QStringList &description);

    QString Name() const { return FItems.value(0); }
    // The description: the name, then the further lines.
    QStringList Description() const;
    // The first line becomes the name; an empty description leaves an empty name.
    void SetDescription(const QStringList &lines);

    // The week as written; the default week when the text cannot be read.
    tWeekInfo Week() const;
    QString WeekText() const { return FItems.value(1); }
    void SetWeek(const tWeekInfo &week);
    void SetWeekText(const QString &text);

    // 1 when the item is missing or no number.
    int Rows() const;
    void SetRows(int rows);

    QString Text() const;

private:
    void Pad(int count);
    QStringList FItems;
};

// Working minutes as the week list shows them: hours, a comma, the minutes with two digits and
// " h" (510 minutes: "8,30 h").
QString WorkingHoursText(int minutes);
