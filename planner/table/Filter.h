#pragma once

#include <QString>

#include "core/DocumentTypes.h"

// A column filter kept for one group tab: the filter of the column captioned `header` in
// `table`, set while the tab captioned `group` was shown. The per-user settings store them.
class TFilter
{
public:
    TFilterParams params;
    QString group;
    QString header;
    TWhichTable table = tbTable;
};
