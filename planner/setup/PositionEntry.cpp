#include "setup/PositionEntry.h"

#include <algorithm>

#include "CommaText.h"

namespace {

constexpr int NameItem = 0;
constexpr int WeekItem = 1;
constexpr int RowsItem = 2;
constexpr int DescriptionItem = 3;

} // namespace

TPositionEntry::TPositionEntry(const QString &entry) : FItems(ParseCommaText(entry)) {}

TPositionEntry TPositionEntry::Make(const QStringList &description)
{
    TPositionEntry entry;
    entry.SetDescription(description);
    entry.SetWeek(DefaultWeekInfo());
    entry.SetRows(1);
    return entry;
}

QStringList TPositionEntry::Description() const
{
    QStringList lines = ParseCommaText(FItems.value(DescriptionItem));
    // The name item rules: the cells hold it, whatever the description says.
    if (lines.isEmpty())
        lines.append(Name());
    else
        lines[0] = Name();
    return lines;
}

void TPositionEntry::SetDescription(const QStringList &lines)
{
    Pad(NameItem + 1);
    FItems[NameItem] = lines.value(0);
    if (lines.size() > 1) {
        Pad(DescriptionItem + 1);
        FItems[DescriptionItem] = CommaTextOf(lines);
    } else if (FItems.size() > DescriptionItem) {
        FItems[DescriptionItem].clear();
        // An entry of the name alone stays as short as it was.
        if (FItems.size() == DescriptionItem + 1)
            FItems.removeLast();
    }
}

tWeekInfo TPositionEntry::Week() const
{
    tWeekInfo week;
    String2WeekInfo(WeekText(), week);
    return week;
}

void TPositionEntry::SetWeek(const tWeekInfo &week)
{
    SetWeekText(WeekInfo2String(week));
}

void TPositionEntry::SetWeekText(const QString &text)
{
    Pad(WeekItem + 1);
    FItems[WeekItem] = text;
}

int TPositionEntry::Rows() const
{
    bool ok = false;
    const int rows = FItems.value(RowsItem).trimmed().toInt(&ok);
    return ok && rows >= 1 ? rows : 1;
}

void TPositionEntry::SetRows(int rows)
{
    Pad(RowsItem + 1);
    FItems[RowsItem] = QString::number(std::max(rows, 1));
}

QString TPositionEntry::Text() const
{
    return CommaTextOf(FItems);
}

void TPositionEntry::Pad(int count)
{
    while (FItems.size() < count)
        FItems.append(QString());
}

QString WorkingHoursText(int minutes)
{
    const QString sign = minutes < 0 ? QStringLiteral("-") : QString();
    minutes = std::abs(minutes);
    return sign + QString::number(minutes / 60) + QLatin1Char(',')
           + QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0')) + QStringLiteral(" h");
}
