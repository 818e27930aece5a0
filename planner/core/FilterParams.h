#pragma once

#include <QString>
#include <QtGlobal>

// What a column filter asks of a cell. The numbers are stored in the per-user settings.
enum TFilterType : qint32 { ftNone = 0, ftDate = 1, ftList = 2, ftText = 3, ftNumber = 4 };
enum TFilterSubType : qint32 {
    fsSmaller = 0,
    fsGreater = 1,
    fsEquals = 2,
    fsFromTo = 3,
    fsText = 4,
    fsEmpty = 5
};

struct TFilterParams
{
    TFilterType FilterType = ftNone;
    TFilterSubType FilterSubType = fsSmaller;
    QString Text1;
    QString text2;

    bool operator==(const TFilterParams &) const = default;
};
