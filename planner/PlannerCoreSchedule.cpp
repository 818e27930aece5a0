// What the model needs of the scheduling arithmetic to judge and draw a row: lengths, the end
// computed from start and length, positions and their working weeks. Position groups and
// public holidays fill in FGlobalPositionFilter and FAutoExcludeList when they come; until
// then every position is shown in its own chart row and no day is a holiday.

#include "PlannerCore.h"

#include <cmath>

#include "CommaText.h"
#include "Log.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int MinutesPerWorkDay = 480;
// An end further than this many steps away means a week that cannot take the work.
constexpr int MaxEndSteps = 200000;

int TimeOfDayMinutes(TDateTime value)
{
    return TTimeOfDay::FromDateTime(value).minutes;
}

TDateTime Midnight(TDateTime value)
{
    return std::floor(value + 0.5 / MSecsPerDay);
}

} // namespace

// ---- lengths

int TPlannerCore::calcNodeLength(TWhichTable table, const QString &text) const
{
    if (FMinUnit == muMinute && table == tbTable) {
        QString value = text;
        if (!value.contains(QLatin1Char(',')))
            value += QStringLiteral(",0");
        const int comma = int(value.indexOf(QLatin1Char(',')));
        bool ok = false;
        int hours = value.left(comma).trimmed().toInt(&ok);
        if (!ok)
            hours = 0;
        int minutes = value.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok)
            minutes = 0;
        return hours * 60 + minutes;
    }
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    return ok ? days * MinutesPerWorkDay : 0;
}

void TPlannerCore::SetMinUnit(int unit)
{
    if (unit < muDay || unit > muMinute) {
        Log(QStringLiteral("tried to set minunit to ") + QString::number(unit));
        return;
    }
    FMinUnit = TMinUnit(unit);
    FWindow.ActiveTableChanged();
    FWindow.InvalidateChart();
}

// ---- positions

const TPlannerCore::TPositionCache &TPlannerCore::PositionCache() const
{
    const int column = GetConnection(tbTable, cnPosition);
    const QStringList &source = column >= 0 ? GetColumnStrings(tbTable, column) : QStringList();
    if (FPositionCache.valid && FPositionCache.source == source)
        return FPositionCache;
    FPositionCache = TPositionCache();
    FPositionCache.source = source;
    for (const QString &entry : source) {
        TCommaText items(entry);
        const QString name = items.Item(0);
        bool ok = false;
        int rows = items.Item(2).trimmed().toInt(&ok);
        if (!ok || rows < 1)
            rows = 1;
        for (int k = 1; k <= rows; ++k) {
            QString rowName = name;
            QString rowEntry = entry;
            if (k > 1) {
                // The further rows of a multi-row position.
                rowName = name + QStringLiteral(" (") + QString::number(k) + QLatin1Char(')');
                TCommaText derived(entry);
                derived.SetItem(0, rowName);
                rowEntry = derived.AsString();
            }
            if (!FPositionCache.index.contains(rowName))
                FPositionCache.index.insert(rowName, int(FPositionCache.names.size()));
            FPositionCache.names.append(rowName);
            FPositionCache.entries.append(rowEntry);
        }
    }
    FPositionCache.valid = true;
    return FPositionCache;
}

QStringList TPlannerCore::Positiongroups(bool expand, bool) const
{
    if (expand)
        return PositionCache().entries;
    const int column = GetConnection(tbTable, cnPosition);
    return column >= 0 ? GetColumnStrings(tbTable, column) : QStringList();
}

int TPlannerCore::GetPositionOf(const TNodeData *node) const
{
    if (!node)
        return -1;
    if (GetConnection(node->NodeTable, cnPosition) < 0)
        return 0;
    if (node->nodePosition == -9)
        return -9;
    if (node->nodePosition < 0 || node->nodePosition >= PositionCache().names.size())
        return -1;
    return node->nodePosition;
}

void TPlannerCore::SetPositionOf(TNodeData *node, int row)
{
    DoSetPositionOf(node, row, true);
}

void TPlannerCore::DoSetPositionOf(TNodeData *node, int row, bool journal)
{
    if (!node)
        return;
    DoSetDataIndex(node, GetConnection(node->NodeTable, cnPosition), row, journal);
}

tWeekInfo TPlannerCore::GetWeekInfo(int row) const
{
    tWeekInfo week = DefaultWeekInfo();
    const QStringList &entries = PositionCache().entries;
    if (row >= 0 && row < entries.size()) {
        const QString text = TCommaText(entries[row]).Item(1);
        if (!text.isEmpty())
            String2WeekInfo(text, week);
    }
    return week;
}

void TPlannerCore::CreateDefaultWeekInfo()
{
    const int column = GetConnection(tbTable, cnPosition);
    if (column < 0)
        return;
    const QString week = WeekInfo2String(DefaultWeekInfo());
    for (QString &entry : ColumnStrings(tbTable, column)) {
        TCommaText items(entry);
        items.SetItem(1, week);
        entry = items.AsString();
    }
}

// ---- the end of a row

void TPlannerCore::SetEndOf(TNodeData *node, TDateTime value)
{
    if (!node)
        return;
    // A failed calculation leaves the end empty instead of writing 1899-12-30.
    const QString text = value == 0 ? QString() : FormatDateTime(value);
    DoSetData(node, GetConnection(node->NodeTable, cnEnd), text, false);
}

bool TPlannerCore::includes(const tDateList &list, int row, int &cursor, TDateTime day) const
{
    const TDateTime d = Midnight(day);
    for (; cursor < list.Count(); ++cursor) {
        const TDateListItem *item = list.Items(cursor);
        if (item->position != row && item->position != -9)
            continue;
        if (item->start > d)
            return false;
        if (item->start <= d && d <= item->ende - 1)
            return true;
    }
    return false;
}

TDateTime TPlannerCore::nextStep(TDateTime d, qint32 &rem, const tWeekInfo &week,
                                 const TNodeData *node, int row, const tDateList &absent,
                                 int &holidayCursor, int &absentCursor) const
{
    const bool minuteTask = FMinUnit == muMinute && node->NodeTable == tbTable;
    const TDayInfo &day = week[WeekdayIndex(d)];
    int pauses = 0;
    for (const TPauseInfo &pause : day.pause)
        pauses += pause.length;
    const int workEnd = day.start.minutes + day.length + pauses;

    if (TimeOfDayMinutes(d) < day.start.minutes)
        d = Midnight(d) + day.start.AsDateTime();
    for (const TPauseInfo &pause : day.pause) {
        const int now = TimeOfDayMinutes(d);
        if (now >= pause.start.minutes && now < pause.EndMinutes())
            d = Midnight(d) + pause.EndMinutes() / 1440.0;
    }
    const int now = TimeOfDayMinutes(d);
    int avail = MinutesPerWorkDay;
    if (minuteTask) {
        avail = workEnd - now;
        for (const TPauseInfo &pause : day.pause)
            if (pause.EndMinutes() > now)
                avail -= pause.length;
    }
    if (!day.active || includes(FAutoExcludeList, row, holidayCursor, d)
        || includes(absent, row, absentCursor, d) || now >= day.ende.minutes)
        avail = 0;

    if (avail > rem || (avail == rem && minuteTask)) {
        TDateTime result = d + rem / 1440.0;
        for (const TPauseInfo &pause : day.pause)
            if (pause.start.minutes > now && pause.start.minutes < TimeOfDayMinutes(result))
                result += pause.length / 1440.0;
        rem = 0;
        return result;
    }
    rem -= avail;
    const TDateTime next = Midnight(d) + 1;
    return next + week[WeekdayIndex(next)].start.AsDateTime();
}

TDateTime TPlannerCore::GetEndOf(TNodeData *node)
{
    if (!node)
        return 0;
    if (!node->RecalcEndOf)
        return node->nodeEnd;
    TDateTime d = GetStartOf(node);
    if (d == 0)
        return 0;
    const TWhichTable table = node->NodeTable;
    try {
        const int pos = GetPositionOf(node);
        qint32 rem = node->nodeLength;
        const bool workDays = (pos != -9 && table == tbTable)
                              || (table == tbExclude && GetData_(node, cnLengthWithWeekend) == BoolName(true));
        if (workDays) {
            tDateList absent;
            if (table == tbTable) {
                ForEach(tbExclude, feAll, [&](TNodeData *other) {
                    const int otherPos = GetPositionOf(other);
                    if (!other->nodeValid || (otherPos != pos && otherPos != -9))
                        return;
                    absent.Add(Midnight(other->nodeStart), Midnight(other->nodeEnd) + 1, otherPos,
                               other, QString());
                });
                absent.SortDate();
            }
            const tWeekInfo week = GetWeekInfo(pos);
            if (rem > 0 && !WeekHasCapacity(week))
                throw std::runtime_error("no working day in the week");
            int holidayCursor = 0;
            int absentCursor = 0;
            for (int steps = 0; rem > 0; ++steps) {
                if (steps > MaxEndSteps)
                    throw std::runtime_error("end out of reach");
                d = nextStep(d, rem, week, node, pos, absent, holidayCursor, absentCursor);
            }
        } else {
            d += rem / 8.0 / 60.0;
        }
        if (FMinUnit == muDay || table == tbExclude)
            d = std::trunc(d) - 1;
    } catch (...) {
        d = 0;
    }
    node->RecalcEndOf = false;
    SetEndOf(node, d);
    return d;
}
