#include "sync/CoreJournalFormat.h"

#include <cmath>
#include <limits>

#include "Helper.h"
#include "core/PlannerCore.h"

QString TCoreJournalFormat::ColumnCaption(TWhichTable table, int column) const
{
    return FCore.GetColumnCaptionHack(table, column);
}

QString TCoreJournalFormat::CellForFile(TWhichTable table, int column, const QString &text) const
{
    if (FCore.GetColumnType(table, column) != ctDate || text.trimmed().isEmpty())
        return text;
    // A text that names no date travels as it is: never as "now" or as day 0.
    const TDateTime value = FCore.StrToDateTime(text, std::numeric_limits<double>::quiet_NaN());
    return std::isnan(value) ? text : FormatDateTimeForStorage(value);
}
