#pragma once

#include <QString>
#include <QtGlobal>

// One public holiday of the document. A fixed holiday falls on `day`.`month` every year; an
// Easter holiday lies `day` days after Easter Sunday (negative before it), `month` unused.
struct THolidayData
{
    QString name;
    qint32 day = 0;
    qint32 month = 0;
    bool enabled = false;
    bool easter = false;

    bool operator==(const THolidayData &) const = default;
};
