#include "setup/SetupRules.h"

#include <cstdlib>

#include "Language.h"
#include "setup/PositionEntry.h"

QString UniqueName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    if (!taken(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = name + QLatin1Char(' ') + QString::number(n);
        if (!taken(candidate))
            return candidate;
    }
}

QString CleanSetupText(const QString &text)
{
    QString clean = text;
    for (QChar &c : clean)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return clean.trimmed();
}

// ---- connections

const std::array<TConnectionField, 15> ConnectionFields = {{
    {"LabelPosition", cnPosition, ctPulldown, true, false},
    {"LabelStart", cnStart, ctDate, true, false},
    {"LabelEnde", cnEnd, ctDate, true, false},
    {"LabelDauer", cnLength, ctNumber, true, false},
    {"LabelTermin", cnTermin, ctDate, false, false},
    {"LabelColor", cnColor, ctPulldown, true, false},
    {"LabelTopLeft", cnTextLeftTop, -1, false, true},
    {"LabelTopMiddle", cnTextcenterTop, -1, false, true},
    {"LabelTopRight", cnTextRightTop, -1, false, true},
    {"LabelCenterLeft", cnTextLeftMiddle, -1, false, true},
    {"LabelCenterMiddle", cnTextCenterMiddle, -1, false, true},
    {"LabelCenterRight", cnTextRightMiddle, -1, false, true},
    {"LabelBottomLeft", cnTextLeftBottom, -1, false, true},
    {"LabelBottomMiddle", cnTextCenterBottom, -1, false, true},
    {"LabelBottomRight", cnTextRightBottom, -1, false, true},
}};

const TConnectionField *ConnectionField(TConnection connection)
{
    for (const TConnectionField &field : ConnectionFields)
        if (field.Connection == connection)
            return &field;
    return nullptr;
}

bool ConnectionSuitsType(TConnection connection, TColumnType type)
{
    const TConnectionField *field = ConnectionField(connection);
    return field && (field->Type < 0 || field->Type == type);
}

QString ConnectionDisplayName(TConnection connection)
{
    switch (connection) {
    case cnPosition:
        return Translate(QStringLiteral("Position"));
    case cnStart:
        return Translate(QStringLiteral("Start"));
    case cnEnd:
        return Translate(QStringLiteral("End"));
    case cnLength:
        return Translate(QStringLiteral("Length"));
    case cnTermin:
        return Translate(QStringLiteral("Deadline"));
    case cnColor:
        return Translate(QStringLiteral("Color"));
    default:
        return Translate(QStringLiteral("Text"));
    }
}

QString MissingConnectionsMessage()
{
    return Translate(QStringLiteral("The current configuration is invalid.\nPlease connect the remaining red fields "
                                    "with a column of the table."));
}

QString EmptyColumnNameMessage()
{
    return Translate(QStringLiteral("A column needs a name.\nPlease enter a name for the column."));
}

QString TableSetupProblem(const TTableSetup &setup)
{
    const int count = int(setup.Columns.size());
    // A caption names the column's elements in the document file: it cannot be blank.
    for (const TTableSetupColumn &column : setup.Columns)
        if (column.Caption.trimmed().isEmpty())
            return EmptyColumnNameMessage();
    auto connected = [&](TConnection cn) {
        const int row = setup.Connections[cn];
        return row >= 0 && row < count ? row : -1;
    };
    for (const TConnectionField &field : ConnectionFields)
        if (field.Required && connected(field.Connection) < 0)
            return MissingConnectionsMessage();
    // The meanings whose cells the program writes or reads as data: one column each.
    static const TConnection written[] = {cnPosition, cnStart, cnEnd, cnLength, cnTermin, cnColor};
    for (std::size_t a = 0; a < std::size(written); ++a) {
        for (std::size_t b = a + 1; b < std::size(written); ++b) {
            const int row = connected(written[a]);
            if (row >= 0 && row == connected(written[b]))
                return Translate(QStringLiteral("The column \"%s\" is connected to both \"%s\" and \"%s\".\n"
                                                "One column cannot hold both meanings; please connect another column."),
                                 {setup.Columns[std::size_t(row)].Caption, ConnectionDisplayName(written[a]),
                                  ConnectionDisplayName(written[b])});
        }
    }
    return QString();
}

// ---- public holidays

QStringList MonthNames()
{
    static const char *const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    QStringList result;
    for (const char *name : names)
        result.append(Translate(QString::fromLatin1(name)));
    return result;
}

QString HolidayDateText(const THolidayData &holiday)
{
    if (holiday.easter) {
        const QString easter = Translate(QStringLiteral("Easter"));
        if (holiday.day >= 1)
            return easter + QStringLiteral(" + ") + QString::number(holiday.day);
        return easter + QStringLiteral(" - ") + QString::number(std::abs(holiday.day));
    }
    return QString::number(holiday.day) + QStringLiteral(". ") + MonthNames().value(holiday.month - 1);
}

const std::vector<THolidayData> &GermanHolidays()
{
    static const std::vector<THolidayData> holidays = [] {
        struct TEntry
        {
            const char *name;
            bool easter;
            int day;
            int month;
        };
        static const TEntry entries[] = {
            {"Neujahr", false, 1, 1},
            {"Heilige 3 Könige", false, 6, 1},
            {"Karfreitag", true, -2, 0},
            {"Ostern", true, 0, 0},
            {"Ostermontag", true, 1, 0},
            {"Himmelfahrt", true, 39, 0},
            {"Pfingsten", true, 49, 0},
            {"Pfingstmontag", true, 50, 0},
            {"Fronleichname", true, 60, 0},
            {"Tag der Arbeit", false, 1, 5},
            {"Maria Himmelfahrt", false, 15, 8},
            {"Tag der deutschen Einheit", false, 3, 10},
            {"Nationalfeiertag", false, 26, 10},
            {"Reformationstag", false, 31, 10},
            {"Allerheiligen", false, 1, 11},
            {"Maria Empfängnis", false, 8, 12},
            {"Heiligabend", false, 24, 12},
            {"1. Weihnachtsfeiertag", false, 25, 12},
            {"2. Weihnachtsfeiertag", false, 26, 12},
            {"Silvester", false, 31, 12},
        };
        std::vector<THolidayData> list;
        for (const TEntry &entry : entries)
            list.push_back(THolidayData{QString::fromUtf8(entry.name), entry.day, entry.month, false, entry.easter});
        return list;
    }();
    return holidays;
}

bool AddHolidayUnlessNamed(std::vector<THolidayData> &holidays, const THolidayData &holiday)
{
    for (const THolidayData &existing : holidays)
        if (existing.name == holiday.name)
            return false;
    holidays.push_back(holiday);
    return true;
}

// ---- working hours of a day

TWorkingDayTexts WorkingDayTexts(const TDayInfo &day)
{
    const auto hhmm = [](TTimeOfDay time) {
        return QStringLiteral("%1:%2").arg(time.Hour(), 2, 10, QLatin1Char('0')).arg(time.Minute(), 2, 10, QLatin1Char('0'));
    };
    TWorkingDayTexts texts;
    texts.Begin = hhmm(day.start);
    texts.End = hhmm(day.ende);
    for (std::size_t i = 0; i < 3; ++i) {
        texts.PauseStart[i] = hhmm(day.pause[i].start);
        texts.PauseLength[i] = QString::number(day.pause[i].length);
    }
    return texts;
}

bool ParseTimeOfDay(const QString &text, TTimeOfDay &time)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() > 2 || parts[0].isEmpty())
        return false;
    bool okHour = false;
    bool okMinute = true;
    const int hour = parts[0].toInt(&okHour);
    const int minute = parts.size() == 2 ? parts[1].toInt(&okMinute) : 0;
    if (!okHour || !okMinute || hour < 0 || hour > 23 || minute < 0 || minute > 59
        || (parts.size() == 2 && parts[1].size() != 2))
        return false;
    time = TTimeOfDay::FromHM(hour, minute);
    return true;
}

QString ReadWorkingDay(const TWorkingDayTexts &texts, TDayInfo &day)
{
    TDayInfo read = day;
    const auto time = [](const QString &text, TTimeOfDay &target) {
        if (ParseTimeOfDay(text, target))
            return QString();
        return Translate(QStringLiteral("\"%s\" is not a valid time."), {text});
    };
    QString error = time(texts.Begin, read.start);
    if (error.isEmpty())
        error = time(texts.End, read.ende);
    for (std::size_t i = 0; i < 3 && error.isEmpty(); ++i) {
        error = time(texts.PauseStart[i], read.pause[i].start);
        bool ok = false;
        const int length = texts.PauseLength[i].trimmed().toInt(&ok);
        read.pause[i].length = ok ? length : int(i);
    }
    if (!error.isEmpty())
        return error;
    read.length = read.ende.minutes - read.start.minutes;
    for (const TPauseInfo &pause : read.pause)
        read.length -= pause.length;
    // A day without working time would never let a task end.
    if (read.length <= 0)
        return Translate(QStringLiteral("The working time of the day is %s: the end must lie after the begin "
                                        "and the breaks must leave some working time."),
                         {WorkingHoursText(read.length)});
    day = read;
    return QString();
}
