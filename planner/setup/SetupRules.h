#pragma once

// The rules the setup dialogs follow, free of any window: unique names, which column type a
// chart connection takes, which connections must be set, which may not share a column, and
// the texts and the German set of public holidays.

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

#include "core/DocumentTypes.h"
#include "core/HolidayData.h"
#include "setup/SetupTypes.h"
#include "WeekInfo.h"

// `name` when it is free, else `name` + " 1", " 2" ... the first that is free.
QString UniqueName(const QString &name, const std::function<bool(const QString &)> &taken);

// A name or value of the setup as the document keeps it: a tab (or any other control
// character) is a blank, and no blank stands at either end, as the dialogs' fields give it.
QString CleanSetupText(const QString &text);

// One connection field of the table setup.
struct TConnectionField
{
    const char *LabelName; // the label's object name; its shape is "Shape" + LabelName from its sixth character
    TConnection Connection;
    int Type;      // the TColumnType the connection takes, -1 for any
    bool Required; // shown as missing while empty
    bool TextPlace;
};
extern const std::array<TConnectionField, 15> ConnectionFields;
// The field of a connection; nil for connections the table setup does not show.
const TConnectionField *ConnectionField(TConnection connection);
// Whether a column of that type may be connected to the connection.
bool ConnectionSuitsType(TConnection connection, TColumnType type);
// The connection's name as the user reads it (translated).
QString ConnectionDisplayName(TConnection connection);

// Why the table setup cannot be applied: a column has a blank name, a required connection is
// missing, or one column holds two meanings the program writes (position, start, end, length,
// deadline, colour), so writing one would overwrite the other. Empty when it can be applied.
QString TableSetupProblem(const TTableSetup &setup);
// The message for a blank column name.
QString EmptyColumnNameMessage();
// The message for missing required connections.
QString MissingConnectionsMessage();

// ---- public holidays
// "1. January" for a fixed holiday, "Easter + 39" or "Easter - 2" for one relative to Easter
// (an offset of 0 shows as "Easter - 0"), with month names and "Easter" translated.
QString HolidayDateText(const THolidayData &holiday);
// The German public holidays, all disabled.
const std::vector<THolidayData> &GermanHolidays();
// Appends the holiday unless a holiday of exactly that name is there; true when appended.
bool AddHolidayUnlessNamed(std::vector<THolidayData> &holidays, const THolidayData &holiday);
// The month names "January" ... "December", translated.
QStringList MonthNames();

// ---- working hours of a day
struct TWorkingDayTexts
{
    QString Begin;
    QString End;
    std::array<QString, 3> PauseStart;
    std::array<QString, 3> PauseLength;
};
// Begin, end and pause starts as "hh:mm", pause lengths as integers.
TWorkingDayTexts WorkingDayTexts(const TDayInfo &day);
// Reads "h:mm" or "hh:mm" (also "h" alone); false when it is no time of day.
bool ParseTimeOfDay(const QString &text, TTimeOfDay &time);
// Reads the texts into `day` (its active flag is kept) and computes its working minutes (end
// less begin less the pauses). An unreadable pause length counts as 0, 1 and 2 for the first,
// second and third. Returns why the texts cannot be taken (an unreadable time, or no working
// time left), empty when they were.
QString ReadWorkingDay(const TWorkingDayTexts &texts, TDayInfo &day);
